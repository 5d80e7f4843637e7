#pragma once

namespace mosavelle::cli {

// Parses the command line, runs the chosen subcommand and returns the process exit status
// (see exit_status.h). Never throws.
int runCommandLine(int argc, char** argv);

}  // namespace mosavelle::cli
