#include <filesystem>

#include "cli/commands.h"
#include "cli/deck_pipeline.h"
#include "cli/interrupt_watch.h"
#include "cli/project_files.h"
#include "core/model/defaults_store.h"

namespace mosavelle::cli {

ExitStatus runImport(const ImportCommandOptions& options, Console& console) {
    if (auto status = checkInputsExist(options.import, console); status != ExitStatus::ok)
        return status;
    if (auto status = checkOutputFolder(options.project, console); status != ExitStatus::ok)
        return status;
    // Held from reading the project to saving it: an import running at the same time waits, then
    // adds its pictures to what this one saved.
    Result<PackageLock> lock = lockProject(options.project, console);
    if (!lock)
        return InterruptWatch::requested() ? ExitStatus::interrupted : ExitStatus::outputFailed;

    // An existing project is opened; a missing one starts from the saved defaults, unless a killed
    // save left it set aside.
    (void)restoreInterruptedSave(options.project);
    std::unique_ptr<MosavelleDocument> document;
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::path(options.project), error)) {
        Result<PackageSnapshot> snapshot = openProject(options.project);
        if (!snapshot) {
            console.error(snapshot.error().message);
            return ExitStatus::badInput;
        }
        document = std::make_unique<MosavelleDocument>();
        document->applySnapshot(*snapshot);
    } else {
        document = MosavelleDocument::makeUntitled(DefaultSettingsStore::shared());
    }

    ImportPlanOptions checks;
    checks.staging = document->stagingFolder();
    const ImportOutcome imported = importInputs(*document, options.import, console, checks);
    // A stop that came after the last file was read still keeps the project as it was.
    if (imported.interrupted || InterruptWatch::requested()) {
        console.error("The import was interrupted; " + quoted(options.project) +
                      " was not changed.");
        return ExitStatus::interrupted;
    }
    if (imported.usable == 0) {
        console.error(noUsablePictureMessage);
        return ExitStatus::badInput;
    }
    if (Status saved = saveProject(document->makeSnapshot(), options.project); !saved) {
        console.error(saved.error().message);
        return ExitStatus::outputFailed;
    }
    return ExitStatus::ok;
}

}  // namespace mosavelle::cli
