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
    for (std::size_t i = 0; i < std::size(watched); ++i)
        sigaction(watched[i], &action, &previous_[i]);
}

InterruptWatch::~InterruptWatch() {
    for (std::size_t i = 0; i < std::size(watched); ++i)
        sigaction(watched[i], &previous_[i], nullptr);
}

bool InterruptWatch::requested() {
    return interruptRequested != 0;
}

}  // namespace mosavelle::cli
