#include <malloc.h>

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
    // A run reads picture after picture into buffers of a few MiB. By default the allocator
    // gives such a buffer back to the system once it is freed, so the next picture's buffer is
    // faulted in afresh, page by page, which costs more than reading into it. Kept on the heap,
    // it is reused instead; a short-lived process can afford holding on to what it freed.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    // Pictures staged by runs that were killed; those of live runs are locked and stay.
    mosavelle::removeStaleStagingFolders();
    return mosavelle::cli::runCommandLine(argc, argv);
}
