#pragma once

#include <csignal>
#include <iterator>

namespace mosavelle::cli {

// While one of these lives, Ctrl-C (SIGINT), SIGTERM, a closed terminal (SIGHUP) and SIGQUIT do
// not end the process at once: they are recorded, and the long steps (planning an import,
// exporting, waiting for a project another program is saving) poll `requested()` and stop
// cleanly, so that no half-written file is left behind. The previous handlers come back when it
// is destroyed. One per process, made first thing in main() so that no work is done unguarded.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    static bool requested();

private:
    static constexpr int watched[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    struct sigaction previous_[std::size(watched)]{};
};

}  // namespace mosavelle::cli
