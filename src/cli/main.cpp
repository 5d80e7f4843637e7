#include "cli/command_line.h"
#include "cli/interrupt_watch.h"

int main(int argc, char** argv) {
    // Before anything else, so that a signal at any moment is a clean stop, never a kill.
    mosavelle::cli::InterruptWatch interrupts;
    return mosavelle::cli::runCommandLine(argc, argv);
}
