#include "core/editing/selection.h"

#include <algorithm>

namespace mosavelle {

namespace {

bool isSelected(const MosavelleDocument& document, const Slide& slide) {
    return document.selectedSlideIDs().count(slide.id) != 0;
}

// The three steps of focusing, done now and once more on the next turn.
void showSlide(MosavelleDocument& document, const Uuid& id) {
    document.setSelectedSlideIDs({id});
    document.setCommittedPreviewSlideID(id);
    document.nextPreviewGeneration();
}

}  // namespace

std::vector<Slide> selectedSlides(const MosavelleDocument& document) {
    std::vector<Slide> out;
    if (document.selectedSlideIDs().empty())
        return out;
    for (const auto& slide : document.project().slides)
        if (isSelected(document, slide))
            out.push_back(slide);
    return out;
}

std::optional<Slide> primarySlide(const MosavelleDocument& document) {
    const auto& slides = document.project().slides;
    if (!document.selectedSlideIDs().empty()) {
        const auto it = std::find_if(slides.begin(), slides.end(),
                                     [&](const Slide& s) { return isSelected(document, s); });
        if (it != slides.end())
            return *it;
    }
    const auto it =
        std::find_if(slides.begin(), slides.end(), [](const Slide& s) { return !s.isExcluded; });
    if (it != slides.end())
        return *it;
    return std::nullopt;
}

void setSelection(MosavelleDocument& document, SlideIDSet ids) {
    document.setSelectedSlideIDs(std::move(ids));
}

void selectSlide(MosavelleDocument& document, const Uuid& id, bool extending) {
    if (!extending) {
        document.setSelectedSlideIDs({id});
        return;
    }
    SlideIDSet ids = document.selectedSlideIDs();
    if (!ids.erase(id))
        ids.insert(id);
    document.setSelectedSlideIDs(std::move(ids));
}

void focusSlide(MosavelleDocument& document, const Uuid& given) {
    // A copy: the listeners told of the new selection may replace what `given` refers into (a
    // slide show's step, a list of slides).
    const Uuid id = given;
    if (!document.slidePosition(id))
        return;
    showSlide(document, id);
    document.postToNextTurn([&document, id] {
        if (document.slidePosition(id))
            showSlide(document, id);
    });
}

std::optional<std::size_t> selectionAnchorPosition(const MosavelleDocument& document, int offset) {
    // Through the position index: O(selection), not O(deck).
    std::optional<std::size_t> anchor;
    for (const auto& id : document.selectedSlideIDs()) {
        const auto p = document.slidePosition(id);
        if (p && (!anchor || (offset < 0 ? *p < *anchor : *p > *anchor)))
            anchor = p;
    }
    return anchor;
}

void moveSelection(MosavelleDocument& document, int offset) {
    const auto anchor = selectionAnchorPosition(document, offset);
    if (!anchor)
        return;
    const auto target = static_cast<std::int64_t>(*anchor) + offset;
    const auto& slides = document.project().slides;
    if (target < 0 || target >= static_cast<std::int64_t>(slides.size()))
        return;
    document.setSelectedSlideIDs({slides[static_cast<std::size_t>(target)].id});
}

std::int64_t nextPreviewGeneration(MosavelleDocument& document) {
    return document.nextPreviewGeneration();
}

void commitPreviewIfCurrent(MosavelleDocument& document, std::int64_t generation) {
    if (generation != document.previewCommitGeneration())
        return;
    const auto primary = primarySlide(document);
    document.setCommittedPreviewSlideID(primary ? std::optional<Uuid>(primary->id) : std::nullopt);
}

void beginSlideDrag(MosavelleDocument& document, std::vector<Uuid> ids) {
    // One notification, so that no observer sees the drag begun with the previous drag's slides.
    document.setDragState(std::move(ids), true);
    document.nextPreviewGeneration();
}

}  // namespace mosavelle
