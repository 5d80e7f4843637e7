#include "cli/command_line.h"

int main(int argc, char** argv) {
    return mosavelle::cli::runCommandLine(argc, argv);
}
