#pragma once

#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/options.h"

namespace mosavelle::cli {

// One function per subcommand. Each reports its own failures on the console as one sentence and
// returns the exit status; results go to standard output.

// Pictures -> a new deck from the saved defaults -> an exported presentation.
ExitStatus runMake(const MakeOptions& options, Console& console);
// Pictures -> a new or existing project package, saved in place.
ExitStatus runImport(const ImportCommandOptions& options, Console& console);
// A project package -> a presentation.
ExitStatus runExport(const ExportCommandOptions& options, Console& console);
// Picture facts as a JSON array.
ExitStatus runInfo(const InfoOptions& options, Console& console);
// A project's laid-out slides as JSON.
ExitStatus runRender(const RenderOptions& options, Console& console);

}  // namespace mosavelle::cli
