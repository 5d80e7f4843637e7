#pragma once

#include <string>

#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/options.h"
#include "core/import/import_plan.h"
#include "core/model/document.h"
#include "core/model/package_lock.h"

namespace mosavelle::cli {

// The steps the subcommands share, each on a document the command owns. Each reports its own
// failures on the console as one sentence and returns the exit status (ok to go on).

// Every input must exist: a missing one is bad input, reported before anything is read or
// written. (The import itself skips missing paths silently, which suits a drop, not a script.)
ExitStatus checkInputsExist(const ImportOptions& options, Console& console);

// The output's folder must exist and be a folder; checked before the slow work so that a
// mistyped destination fails at once. Reported as an output failure.
ExitStatus checkOutputFolder(const std::string& output, Console& console);

// Where `make --save` may write a project: a folder that exists, and either nothing there yet or
// a project package, which is replaced. Anything else there (a folder of the user's, a damaged
// package) is left alone and reported as an output failure.
ExitStatus checkProjectDestination(const std::string& project, Console& console);

struct ImportOutcome {
    std::size_t imported = 0;           // pictures added to the deck
    std::size_t skippedDuplicates = 0;  // duplicates left out (without --keep-duplicates)
    // Pictures among the inputs whose pixels decode, duplicates included: 0 when the inputs hold
    // nothing the deck can show. Pictures whose pixels do not read are only named in the notes.
    std::size_t usable = 0;
    bool interrupted = false;  // stopped by Ctrl-C before anything was imported
};

// Imports the inputs into the document as one "Import Images" step: files sorted by name, each
// read once, duplicates skipped unless asked for. The import notes (failures, animated
// pictures) and a line about skipped duplicates go to the console.
//
// `checks` gives the plan's decode proof, digest scope and staging folder; its progress and stop
// are set here. `import`, which saves a project and nothing else, gives the document's staging
// folder: each picture is copied there from the one read that hashes and decodes it, while the
// others are decoded, and the save links the copies into the package instead of reading every file
// again. Without one the pictures stay where they are, with their stamp and digest taken now: an
// export reads them again and fails on one that changed in between, rather than mix two versions.
ImportOutcome importInputs(MosavelleDocument& document, const ImportOptions& options,
                           Console& console, ImportPlanOptions checks = {});

// The sentence for inputs without a single usable picture, which `make` and `import` refuse.
inline constexpr const char* noUsablePictureMessage =
    "None of the inputs holds a picture that could be imported.";

// Waits for the right to change the project package at `path` (another `import` or `--save` may
// be saving it); Ctrl-C ends the wait. Reported as an output failure.
Result<PackageLock> lockProject(const std::string& path, Console& console);

// Exports the document's deck to `output` at `quality`. Pictures that could not be imported are
// listed first and left out. Ctrl-C cancels at the next slide; the destination is then left as
// it was. A failure or cancellation is an output failure.
ExitStatus exportDocument(const MosavelleDocument& document, QualityPreset quality,
                          const std::string& output, Console& console);

}  // namespace mosavelle::cli
