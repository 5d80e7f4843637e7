#include "cli/commands.h"
#include "cli/deck_pipeline.h"
#include "cli/project_files.h"

namespace mosavelle::cli {

ExitStatus runExport(const ExportCommandOptions& options, Console& console) {
    Result<PackageSnapshot> snapshot = openProject(options.project);
    if (!snapshot) {
        console.error(snapshot.error().message);
        return ExitStatus::badInput;
    }
    if (auto status = checkOutputFolder(options.output, console); status != ExitStatus::ok)
        return status;
    MosavelleDocument document;
    document.applySnapshot(*snapshot);
    const QualityPreset quality = options.quality.value_or(document.project().export_.quality);
    return exportDocument(document, quality, options.output, console);
}

}  // namespace mosavelle::cli
