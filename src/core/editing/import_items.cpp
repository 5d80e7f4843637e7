#include "core/editing/import_items.h"

#include <algorithm>
#include <utility>
#include <variant>

#include "core/editing/caption_text.h"
#include "core/editing/ordering.h"
#include "core/import/picture_file.h"
#include "core/model/edit_step.h"
#include "core/platform/sha256.h"

namespace mosavelle {

void importItems(MosavelleDocument& document, const std::vector<ImportItem>& items,
                 std::string_view locale) {
    ImportSession session(document, std::string(locale));
    session.add(items);
    session.commit();
}

std::optional<std::string> applyImportPlan(MosavelleDocument& document, const ImportPlan& plan,
                                           bool keepDuplicates, std::string_view locale) {
    ImportSession session(document, std::string(locale));
    return applyImportPlan(session, plan, keepDuplicates);
}

std::optional<std::string> applyImportPlan(ImportSession& session, const ImportPlan& plan,
                                           bool keepDuplicates) {
    const std::size_t shown = std::min(session.added(), plan.items.size());
    std::vector<ImportItem> rest(plan.items.begin() + static_cast<std::ptrdiff_t>(shown),
                                 plan.items.end());
    if (keepDuplicates)
        for (const auto& duplicate : plan.duplicates)
            rest.push_back(duplicate.incoming);
    session.add(rest);
    session.commit();
    return importNotes(plan);
}

ImportSession::ImportSession(MosavelleDocument& document, std::string locale)
    : document_(document), locale_(std::move(locale)) {
    holdEdit();
}

ImportSession::~ImportSession() {
    cancel();
}

bool importInProgress(const MosavelleDocument& document) {
    return document.isInContinuousEdit() &&
           document.continuousEditName() == stepName(EditStep::importImages);
}

bool ImportSession::holdsEdit() const {
    return importInProgress(document_);
}

void ImportSession::holdEdit() {
    if (holdsEdit())
        return;
    // Text being typed when the pictures came is the typing's own step, not part of the import.
    if (document_.isInContinuousEdit())
        document_.endContinuousEdit(document_.continuousEditName());
    document_.beginContinuousEdit(stepName(EditStep::importImages));
    picturesBefore_ = document_.imageData();
}

void ImportSession::add(std::span<const ImportItem> items) {
    if (!open_ || items.empty())
        return;
    holdEdit();
    // The copy shares every picture and slide with the deck: a batch costs its own items (and a
    // list of pointers), not the deck.
    Project project = document_.project();
    const std::size_t slidesBefore = project.slides.size();
    std::vector<std::pair<Uuid, StoredBytes>> pictures;
    pictures.reserve(items.size());
    for (const auto& item : items) {
        const Uuid id = Uuid::random();
        SourceImage picture = makeSourceImage(item, id);
        const std::string caption = captionForPicture(picture, project.appearance, locale_);
        pictures.emplace_back(id, item.data);
        project.images.push_back(std::move(picture));
        project.slides.push_back(singleImageSlide(id, caption));
        pictureIDs_.push_back(id);
    }
    // A stable sort: sorting after each addition leaves the order one sort of everything gives.
    // A deck as the last batch left it is in that order already, so only the new slides move.
    if (sortedByAdd_ && *sortedByAdd_ == document_.project())
        sortAppendedSlides(project, slidesBefore);
    else
        sortSlides(project);
    if (project.sort == SortMode::manual)
        sortedByAdd_.reset();
    else
        sortedByAdd_ = project;
    // Bytes first, so that observers of the project find every picture it names.
    document_.setImageBytes(std::move(pictures));
    document_.setProject(std::move(project));
}

void ImportSession::commit() {
    if (!open_)
        return;
    open_ = false;
    sortedByAdd_.reset();
    if (holdsEdit())
        document_.endContinuousEdit(stepName(EditStep::importImages));
    const SlideList& slides = document_.project().slides;
    if (!slides.empty())
        document_.setSelectedSlideIDs({slides.back().id});
}

void ImportSession::cancel() {
    if (!open_)
        return;
    open_ = false;
    sortedByAdd_.reset();
    if (!holdsEdit())
        return;
    document_.cancelContinuousEdit();
    document_.setImageData(std::move(picturesBefore_));
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
