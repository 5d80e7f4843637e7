#include "cli/interrupt_watch.h"

namespace mosavelle::cli {
namespace {

volatile std::sig_atomic_t interruptRequested = 0;

extern "C" void recordInterrupt(int) {
    interruptRequested = 1;
}

}  // namespace

InterruptWatch::InterruptWatch() {
    interruptRequested = 0;
    struct sigaction action {};
    action.sa_handler = recordInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousInterrupt_);
    sigaction(SIGTERM, &action, &previousTerminate_);
}

InterruptWatch::~InterruptWatch() {
    sigaction(SIGINT, &previousInterrupt_, nullptr);
    sigaction(SIGTERM, &previousTerminate_, nullptr);
}

bool InterruptWatch::requested() {
    return interruptRequested != 0;
}

}  // namespace mosavelle::cli
