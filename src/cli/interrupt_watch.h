#pragma once

#include <csignal>

namespace mosavelle::cli {

// While one of these lives, Ctrl-C (SIGINT) and SIGTERM do not end the process at once: they
// are recorded, and the long steps (planning an import, exporting) poll `requested()` and stop
// cleanly, so that no half-written file is left behind. The previous handlers come back when it
// is destroyed. One at a time, on the main thread.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    static bool requested();

private:
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerminate_ {};
};

}  // namespace mosavelle::cli
