#include "cli/command_line.h"
#include "cli/interrupt_watch.h"
#include "core/import/image_source.h"
#include "core/platform/stored_bytes.h"

int main(int argc, char** argv) {
    // Before anything else, so that a signal at any moment is a clean stop, never a kill.
    mosavelle::cli::InterruptWatch interrupts;
    // While no other thread runs. A run reads each picture once or twice: loading every decoder
    // up front would cost more.
    mosavelle::loadModuleDecodersOnDemand();
    // Pictures staged by runs that were killed; those of live runs are locked and stay.
    mosavelle::removeStaleStagingFolders();
    return mosavelle::cli::runCommandLine(argc, argv);
}
