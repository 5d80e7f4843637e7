#pragma once

#include <sys/resource.h>
#include <unistd.h>

namespace mosavelle {

// Lowers the calling thread's priority to the nice value `niceness` (0 normal, 19 lowest), so
// that it yields to the process's other threads. Best effort: a refusal leaves it as it was. On
// Linux the nice value belongs to the thread, not the process.
inline void lowerThisThreadsPriority(int niceness) {
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), niceness);
}

}  // namespace mosavelle
