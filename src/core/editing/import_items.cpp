#include "core/editing/import_items.h"

#include <variant>

#include "core/editing/caption_text.h"
#include "core/editing/ordering.h"
#include "core/import/picture_file.h"
#include "core/model/edit_step.h"
#include "core/platform/sha256.h"

namespace mosavelle {

void importItems(MosavelleDocument& document, const std::vector<ImportItem>& items,
                 std::string_view locale) {
    Project project = document.project();
    ImageDataMap pictures = document.imageData();
    for (const auto& item : items) {
        const Uuid id = Uuid::random();
        SourceImage picture = makeSourceImage(item, id);
        const std::string caption = captionForPicture(picture, project.appearance, locale);
        pictures.insert_or_assign(id, item.data);
        project.images.push_back(std::move(picture));
        project.slides.push_back(singleImageSlide(id, caption));
    }
    sortSlides(project);

    // Bytes first, so that observers of the project find every picture it names.
    document.setImageData(std::move(pictures));
    document.changeProject(std::move(project), stepName(EditStep::importImages));
    if (!document.project().slides.empty())
        document.setSelectedSlideIDs({document.project().slides.back().id});
}

std::optional<std::string> applyImportPlan(MosavelleDocument& document, const ImportPlan& plan,
                                           bool keepDuplicates, std::string_view locale) {
    std::vector<ImportItem> items = plan.items;
    if (keepDuplicates)
        for (const auto& duplicate : plan.duplicates)
            items.push_back(duplicate.incoming);
    importItems(document, items, locale);
    return importNotes(plan);
}

std::optional<std::vector<ImportItem>> planPastedItems(const PastedContent& content,
                                                       const ImageList& existingImages,
                                                       const ImportPlanOptions& options) {
    if (!content.fileURLs.empty()) {
        auto plan = makeImportPlan(content.fileURLs, existingImages, false, options);
        if (!plan)
            return std::nullopt;
        return std::move(plan->items);
    }
    const std::size_t total = content.pngPictures.size();
    const auto report = [&](std::size_t done) {
        if (options.progress)
            options.progress(done, total);
    };
    report(0);
    std::vector<ImportItem> items;
    for (std::size_t i = 0; i < total; ++i) {
        if (options.stop.stop_requested())
            return std::nullopt;
        const auto& png = content.pngPictures[i];
        PictureFileResult read = png ? readPicture(*png) : PictureFileFailure{};
        if (auto* picture = std::get_if<PictureFile>(&read)) {
            const std::string name = "Clipboard " + std::to_string(i + 1) + ".png";
            std::string digest = sha256Hex(*png);
            StoredBytes stored = *png;
            if (options.staging)
                if (auto staged = options.staging->store(*png, digest))
                    stored = std::move(*staged);
            // A picture the application converted from the clipboard carries no metadata.
            items.push_back(ImportItem{std::filesystem::path(name), std::move(stored),
                                       std::move(picture->info), name, std::move(digest),
                                       PictureMetadata{}});
        }
        report(i + 1);
    }
    return items;
}

void pasteImages(MosavelleDocument& document, const PastedContent& content) {
    const auto items = planPastedItems(content, document.project().images);
    importItems(document, items ? *items : std::vector<ImportItem>{});
}

}  // namespace mosavelle
