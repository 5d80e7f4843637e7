#include <chrono>
#include <cmath>
#include <variant>

#include "cli/commands.h"
#include "cli/deck_options.h"
#include "cli/deck_pipeline.h"
#include "cli/interrupt_watch.h"
#include "cli/project_files.h"
#include "core/editing/selection.h"
#include "core/editing/slide_operations.h"
#include "core/editing/slide_settings.h"
#include "core/editing/timeline.h"
#include "core/import/picture_file.h"
#include "core/model/defaults_store.h"

namespace mosavelle::cli {
namespace {

// The logo's bytes, read and checked now: a logo that is not a picture would otherwise only fail
// the export after all the work.
Result<Bytes> readLogo(const std::string& path) {
    PictureFileResult read = readPictureFile(path);
    if (const auto* refused = std::get_if<PictureFileFailure>(&read))
        return Error{"The logo " + quoted(path) +
                     (refused->fileUnread ? " could not be read: " : " is not usable: ") +
                     refused->sentence};
    return std::get<PictureFile>(read).source.bytes();
}

// Gives every slide of the deck `layout`, as the menu commands do with everything selected:
// grouping for the multi-picture layouts, a layout change otherwise.
void applyLayoutToAllSlides(MosavelleDocument& document, SlideLayoutKind layout) {
    if (layout == SlideLayoutKind::oneImage)
        return;  // what the import made
    SlideIDSet all;
    for (const auto& slide : document.project().slides)
        all.insert(slide.id);
    setSelection(document, std::move(all));
    if (layout == SlideLayoutKind::imageTitleCaption)
        changeLayout(document, layout);
    else
        groupSelectedSlides(document, layout);
}

}  // namespace

ExitStatus runMake(const MakeOptions& options, Console& console) {
    if (auto status = checkInputsExist(options.import, console); status != ExitStatus::ok)
        return status;
    if (auto status = checkOutputFolder(options.output, console); status != ExitStatus::ok)
        return status;
    if (options.deck.captions &&
        options.deck.layout.value_or(SlideLayoutKind::oneImage) == SlideLayoutKind::oneImage)
        console.note(
            "Captions are not shown on one-picture slides; add --layout captioned, two or four "
            "to show them.");
    if (options.saveProject) {
        if (auto status = checkProjectDestination(*options.saveProject, console);
            status != ExitStatus::ok)
            return status;
    }
    std::optional<Bytes> logo;
    if (options.deck.logo) {
        Result<Bytes> bytes = readLogo(*options.deck.logo);
        if (!bytes) {
            console.error(bytes.error().message);
            return ExitStatus::badInput;
        }
        logo = std::move(*bytes);
    }

    // A new untitled document: the saved defaults, then the settings given here.
    auto document = MosavelleDocument::makeUntitled(DefaultSettingsStore::shared());
    Project project = document->project();
    applyDeckOptions(options.deck, project);
    if (logo)
        project.appearance.branding.logoFileName = "logo.png";
    document->setProject(std::move(project));
    if (logo)
        document->setLogoData(logo);

    // Without --save the deck lives for this one export. At best quality the export embeds JPEG
    // and PNG files as they are, after checks of their containers; decoding each picture at
    // import as well would cost several times the copying. Digests only serve to find
    // duplicates, which share their size. A saved project may be exported later at another
    // quality and imported into again, so it gets the full proof and every digest. Its pictures
    // are not staged: the presentation comes first, and is written even where the disk has no
    // room left for a copy of every picture.
    ImportPlanOptions checks;
    if (!options.saveProject) {
        checks.digests = DigestScope::sameSizeOnly;
        if (document->project().export_.quality == QualityPreset::best)
            checks.decodeProof = DecodeProof::containerForEmbedding;
    }
    const ImportOutcome imported = importInputs(*document, options.import, console, checks);
    if (imported.interrupted) {
        console.error("The import was interrupted; nothing was written.");
        return ExitStatus::interrupted;
    }
    if (imported.usable == 0) {
        // An empty presentation, or one of blank slides, is never what `make` was asked for.
        console.error(noUsablePictureMessage);
        return ExitStatus::badInput;
    }
    if (options.deck.layout)
        applyLayoutToAllSlides(*document, *options.deck.layout);
    if (options.deck.sectionGapHours) {
        TimeGapRule rule;
        rule.eachDay = *options.deck.sectionGapHours == 0;
        rule.gap = std::chrono::seconds(
            static_cast<std::int64_t>(std::llround(*options.deck.sectionGapHours * 3600)));
        insertSectionsAtTimeGaps(*document, rule, "");  // titles in the user's locale
    }

    const ExitStatus exported =
        exportDocument(*document, document->project().export_.quality, options.output, console);
    if (exported != ExitStatus::ok)
        return exported;

    if (options.saveProject) {
        // The presentation is in place by now: a failure here must say so, and what is missing.
        const auto notSaved = [&](const std::string& reason) {
            console.error(quoted(options.output) + " was written, but " +
                          quoted(*options.saveProject) + " was not. " + reason);
            return InterruptWatch::requested() ? ExitStatus::interrupted : ExitStatus::outputFailed;
        };
        Result<PackageLock> lock =
            PackageLock::acquire(*options.saveProject, [] { return InterruptWatch::requested(); });
        if (!lock)
            return notSaved(lock.error().message);
        // Whatever another program saved there meanwhile is still a project, or is left alone.
        if (checkProjectDestination(*options.saveProject, console) != ExitStatus::ok)
            return ExitStatus::outputFailed;
        Result<Project> saved = writeProjectPackage(document->makeSnapshot(), *options.saveProject);
        if (!saved)
            return notSaved(saved.error().message);
    }
    return ExitStatus::ok;
}

}  // namespace mosavelle::cli
