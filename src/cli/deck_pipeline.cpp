#include "cli/deck_pipeline.h"

#include <filesystem>
#include <stop_token>

#include "cli/interrupt_watch.h"
#include "cli/project_files.h"
#include "core/editing/import_items.h"
#include "core/export/presentation_export.h"
#include "core/import/import_plan.h"

namespace mosavelle::cli {

namespace fs = std::filesystem;

ExitStatus checkInputsExist(const ImportOptions& options, Console& console) {
    for (const auto& input : options.inputs) {
        std::error_code error;
        if (!fs::exists(fs::path(input), error)) {
            console.error("The input " + quoted(input) + " does not exist.");
            return ExitStatus::badInput;
        }
    }
    return ExitStatus::ok;
}

ExitStatus checkOutputFolder(const std::string& output, Console& console) {
    fs::path target = output;
    if (!target.has_filename() && target.has_parent_path())  // "deck.mosavelle/"
        target = target.parent_path();
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        console.error("Could not write " + quoted(output) + " because the folder " +
                      quoted(folder.string()) + " does not exist.");
        return ExitStatus::outputFailed;
    }
    return ExitStatus::ok;
}

ExitStatus checkProjectDestination(const std::string& project, Console& console) {
    if (auto status = checkOutputFolder(project, console); status != ExitStatus::ok)
        return status;
    std::error_code error;
    if (fs::symlink_status(fs::path(project), error).type() == fs::file_type::not_found)
        return ExitStatus::ok;
    if (!openProject(project)) {
        console.error(quoted(project) +
                      " is already there and is not a readable project, so it was not replaced.");
        return ExitStatus::outputFailed;
    }
    return ExitStatus::ok;
}

ImportOutcome importInputs(MosavelleDocument& document, const ImportOptions& options,
                           Console& console, ImportPlanOptions checks) {
    std::vector<fs::path> urls(options.inputs.begin(), options.inputs.end());
    std::stop_source stop;
    ImportPlanOptions planOptions = std::move(checks);
    planOptions.stop = stop.get_token();
    planOptions.progress = [&](std::size_t done, std::size_t total) {
        if (InterruptWatch::requested())
            stop.request_stop();
        const double fraction = total == 0 ? 0.0 : static_cast<double>(done) / total;
        console.progress(fraction, "Reading pictures: " + std::to_string(done) + " of " +
                                       std::to_string(total) + "\u2026");
    };
    std::optional<ImportPlan> plan =
        makeImportPlan(urls, document.project().images, options.recursive, planOptions);
    console.endProgress();
    if (!plan)
        return ImportOutcome{.interrupted = true};

    const std::optional<std::string> notes =
        applyImportPlan(document, *plan, options.keepDuplicates);
    if (notes)
        console.note(*notes);
    ImportOutcome outcome;
    outcome.usable = plan->items.size() + plan->duplicates.size();
    outcome.imported = plan->items.size();
    if (options.keepDuplicates)
        outcome.imported += plan->duplicates.size();
    else
        outcome.skippedDuplicates = plan->duplicates.size();
    if (outcome.skippedDuplicates > 0) {
        const std::size_t n = outcome.skippedDuplicates;
        console.note("Skipped " + std::to_string(n) + (n == 1 ? " picture" : " pictures") +
                     " already in the deck or given twice (--keep-duplicates imports "
                     "them).");
    }
    return outcome;
}

Result<PackageLock> lockProject(const std::string& path, Console& console) {
    Result<PackageLock> lock =
        PackageLock::acquire(path, [] { return InterruptWatch::requested(); });
    if (!lock)
        console.error(lock.error().message);
    return lock;
}

ExitStatus exportDocument(const MosavelleDocument& document, QualityPreset quality,
                          const std::string& output, Console& console) {
    const Project& project = document.project();
    const std::vector<SourceImage> unusable = project.unusableImages();
    if (!unusable.empty()) {
        // As the export flow's alert lists them; a script cannot answer, so the export goes on.
        std::string lines = "Some images could not be used; exporting without them:";
        for (const auto& image : unusable) {
            const std::string reason = image.importError && !image.importError->empty()
                                           ? *image.importError
                                           : "unknown error";
            lines += "\n" + image.originalFileName + ": " + reason;
        }
        console.note(lines);
    }

    ExportRequest request;
    request.project = project;
    request.imageData.insert(document.imageData().begin(), document.imageData().end());
    request.logoData = document.logoData();
    request.quality = quality;
    request.destination = output;

    ExportCancellation cancellation;
    const auto progress = [&](const ExportProgress& report) {
        if (InterruptWatch::requested())
            cancellation.cancel();
        console.progress(report.fraction, report.message);
    };
    const Status exported = exportPresentation(request, progress, cancellation);
    console.endProgress();
    if (exported)
        return ExitStatus::ok;
    if (isExportCancellation(exported.error())) {
        console.error("The export was interrupted; " + quoted(output) + " was not written.");
        return ExitStatus::interrupted;
    }
    console.error("Could not export the presentation: " + exported.error().message);
    return ExitStatus::outputFailed;
}

}  // namespace mosavelle::cli
