// Temporary: subcommands whose core pieces have not landed yet.
#include "cli/commands.h"

namespace mosavelle::cli {

ExitStatus runMake(const MakeOptions&, Console& console) {
    console.error("This command is not available yet.");
    return ExitStatus::usage;
}
ExitStatus runImport(const ImportCommandOptions&, Console& console) {
    console.error("This command is not available yet.");
    return ExitStatus::usage;
}
ExitStatus runExport(const ExportOptions&, Console& console) {
    console.error("This command is not available yet.");
    return ExitStatus::usage;
}

}  // namespace mosavelle::cli
