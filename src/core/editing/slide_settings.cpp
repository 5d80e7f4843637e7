#include "core/editing/slide_settings.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/editing/caption_text.h"
#include "core/editing/ordering.h"
#include "core/layout/placement.h"
#include "core/model/edit_step.h"

namespace mosavelle {

namespace {

bool hasSelectedSlide(const MosavelleDocument& document) {
    return !document.slidePositions(document.selectedSlideIDs()).empty();
}

// The project with `change` applied to every selected slide. Found through the document's index
// and copied alone, so that a live edit costs the same on a deck of ten slides or ten thousand.
template <class Change>
Project withSelection(const MosavelleDocument& document, Change&& change) {
    Project project = document.project();
    for (std::size_t p : document.slidePositions(document.selectedSlideIDs()))
        change(project.slides.edit(p));
    return project;
}

// Live edits replace the project without an undo step.
template <class Change>
void changeSelectionLive(MosavelleDocument& document, Change&& change) {
    if (!hasSelectedSlide(document))
        return;
    document.setProject(withSelection(document, std::forward<Change>(change)));
}

bool isMultiPicture(SlideLayoutKind layout) {
    return layout == SlideLayoutKind::twoUp || layout == SlideLayoutKind::fourGrid;
}

}  // namespace

void changeLayout(MosavelleDocument& document, SlideLayoutKind layout) {
    const Project& current = document.project();
    Project project = withSelection(document, [&](Slide& slide) {
        const bool changes = slide.layout != layout;
        slide.layout = layout;
        if (changes && isMultiPicture(layout))
            slide = applyCommonScale(slide, current);
        if (changes)
            takePictureTitle(slide, current);
    });
    renumberDefaultTitles(project);
    document.changeProject(std::move(project), stepName(EditStep::changeLayout));
}

void fillCaptionsFromPictures(MosavelleDocument& document, bool replaceAll,
                              std::string_view locale) {
    const Project& current = document.project();
    Project project = withSelection(document, [&](Slide& slide) {
        for (ImageSlot& slot : slide.slots) {
            const SourceImage* picture =
                slot.imageID ? current.sourceImage(*slot.imageID) : nullptr;
            if (!picture || (!replaceAll && !trimmedWhitespace(slot.caption).empty()))
                continue;
            if (std::string caption = captionForPicture(*picture, current.appearance, locale);
                !caption.empty())
                slot.caption = std::move(caption);
        }
    });
    document.changeProject(std::move(project), stepName(EditStep::fillCaptions));
}

void editAltText(MosavelleDocument& document, const Uuid& slideID, const Uuid& slotID,
                 std::string_view text) {
    const auto position = document.slidePosition(slideID);
    if (!position)
        return;
    Project project = document.project();
    const Slide& slide = std::as_const(project.slides)[*position];
    const auto slot = std::find_if(slide.slots.begin(), slide.slots.end(),
                                   [&](const ImageSlot& s) { return s.id == slotID; });
    if (slot == slide.slots.end())
        return;
    const std::string trimmed = trimmedWhitespace(text);
    const std::optional<std::string> altText =
        trimmed.empty() ? std::nullopt : std::optional(trimmed);
    project.slides.edit(*position)
        .slots[static_cast<std::size_t>(slot - slide.slots.begin())]
        .altText = altText;
    document.changeProject(std::move(project), stepName(EditStep::editAltText));
}

void applyPlacementToAll(MosavelleDocument& document, const Placement& placement) {
    Project project = document.project();
    const Placement override{placement.mode, CropAnchor{0.5, 0.5}, placement.rotationDegrees,
                             placement.scale};
    for (std::size_t i = 0; i < project.slides.size(); ++i) {
        const Slide& slide = std::as_const(project.slides)[i];
        const bool showsPicture = std::any_of(slide.slots.begin(), slide.slots.end(),
                                              [](const ImageSlot& s) { return s.imageID; });
        if (slide.isExcluded || slide.layout == SlideLayoutKind::section || !showsPicture ||
            slide.placementOverride == override)
            continue;
        project.slides.edit(i).placementOverride = override;
    }
    document.changeProject(std::move(project), stepName(EditStep::applyPlacementToAll));
}

void fitToSlide(MosavelleDocument& document) {
    const Placement& deckDefault = document.project().appearance.defaultPlacement;
    Project project = withSelection(document, [&](Slide& slide) {
        const Placement& base = slide.placementOverride ? *slide.placementOverride : deckDefault;
        slide.placementOverride = Placement{SizingMode::fit, base.crop, base.rotationDegrees, 1.0};
    });
    document.changeProject(std::move(project), stepName(EditStep::fitToSlide));
}

void rotateSelectedSlides(MosavelleDocument& document, int quarterTurns) {
    if (quarterTurns == 0)
        return;
    const Placement& deckDefault = document.project().appearance.defaultPlacement;
    Project project = withSelection(document, [&](Slide& slide) {
        const bool showsPicture = std::any_of(slide.slots.begin(), slide.slots.end(),
                                              [](const ImageSlot& s) { return s.imageID; });
        if (!showsPicture)
            return;
        Placement placement = slide.placementOverride ? *slide.placementOverride : deckDefault;
        double degrees = std::fmod(placement.rotationDegrees + 90.0 * quarterTurns, 360.0);
        if (degrees < 0)
            degrees += 360.0;
        placement.rotationDegrees = degrees;
        slide.placementOverride = placement;
    });
    document.changeProject(std::move(project), stepName(quarterTurns > 0 ? EditStep::rotateRight
                                                                         : EditStep::rotateLeft));
}

void setExcludedOfSelection(MosavelleDocument& document, bool excluded) {
    Project project = withSelection(document, [&](Slide& slide) { slide.isExcluded = excluded; });
    document.changeProject(std::move(project),
                           stepName(excluded ? EditStep::excludeSlides : EditStep::includeSlides));
}

void setTitleOfSelection(MosavelleDocument& document, std::string_view title,
                         const std::string& undoName) {
    editSelectedSlides(
        document, [&](Slide& slide) { slide.title = std::string(title); }, undoName);
}

void setCaptionAlignmentOfSelection(MosavelleDocument& document, CaptionAlignment alignment,
                                    const std::string& undoName) {
    editSelectedSlides(
        document, [&](Slide& slide) { slide.captionAlignment = alignment; }, undoName);
}

void setPlacementOfSelection(MosavelleDocument& document, std::optional<Placement> placement,
                             const std::string& undoName) {
    editSelectedSlides(
        document, [&](Slide& slide) { slide.placementOverride = placement; }, undoName);
}

void setAdvanceOfSelection(MosavelleDocument& document, std::optional<SlideAdvance> advance) {
    if (advance)
        advance->seconds = clampedAdvanceSeconds(advance->seconds);
    editSelectedSlides(
        document, [&](Slide& slide) { slide.advanceOverride = advance; },
        stepName(EditStep::slideTiming));
}

void setTransitionOfSelection(MosavelleDocument& document,
                              std::optional<SlideTransition> transition) {
    editSelectedSlides(
        document, [&](Slide& slide) { slide.transitionOverride = transition; },
        stepName(EditStep::slideTransition));
}

void editSelectedSlides(MosavelleDocument& document, const std::function<void(Slide&)>& change,
                        const std::string& undoName) {
    if (!hasSelectedSlide(document) || !change)
        return;
    document.changeProject(withSelection(document, change), undoName);
}

void setCaptionPointsLive(MosavelleDocument& document, double points) {
    if (std::isnan(points))
        return;
    const double clamped = std::clamp(points, minimumCaptionPoints, maximumCaptionPoints);
    changeSelectionLive(document, [&](Slide& slide) { slide.captionPoints = clamped; });
}

void setPlacementLive(MosavelleDocument& document, const Placement& placement) {
    changeSelectionLive(document, [&](Slide& slide) { slide.placementOverride = placement; });
}

bool setNotesLive(MosavelleDocument& document, std::string_view notes) {
    if (notes.size() > maximumNotesBytes)
        return false;
    changeSelectionLive(document, [&](Slide& slide) { slide.notes = std::string(notes); });
    return true;
}

void editSelectedSlidesLive(MosavelleDocument& document,
                            const std::function<void(Slide&)>& change) {
    if (!change)
        return;
    changeSelectionLive(document, change);
}

void changeSortMode(MosavelleDocument& document, SortMode mode) {
    Project project = document.project();
    project.sort = mode;
    sortSlides(project);
    document.changeProject(std::move(project), stepName(EditStep::sort));
}

}  // namespace mosavelle
