#include "core/editing/slide_operations.h"

#include <algorithm>
#include <optional>

#include "core/editing/caption_text.h"
#include "core/editing/selection.h"
#include "core/layout/placement.h"
#include "core/model/edit_step.h"

namespace mosavelle {

namespace {

bool isFilled(const ImageSlot& slot) {
    return slot.imageID.has_value();
}

std::size_t filledCount(const Slide& slide) {
    return static_cast<std::size_t>(
        std::count_if(slide.slots.begin(), slide.slots.end(), isFilled));
}

std::vector<Uuid> slideIDs(const SlideList& slides) {
    std::vector<Uuid> ids;
    ids.reserve(slides.size());
    for (const auto& slide : slides)
        ids.push_back(slide.id);
    return ids;
}

// A new slide with the fields every operation-made slide starts with: new identifier, no
// override, included, caption size 16, leading alignment.
Slide freshSlide(SlideLayoutKind layout, std::vector<ImageSlot> slots) {
    Slide slide;
    slide.id = Uuid::random();
    slide.layout = layout;
    slide.slots = std::move(slots);
    return slide;
}

}  // namespace

void deleteSelectedSlides(MosavelleDocument& document) {
    const SlideIDSet& selected = document.selectedSlideIDs();
    const auto& slides = document.project().slides;
    const auto isSelected = [&](const Slide& s) { return selected.count(s.id) != 0; };
    const auto first = std::find_if(slides.begin(), slides.end(), isSelected);
    if (first == slides.end())
        return;  // nothing selected exists

    std::optional<Uuid> next;
    const auto p = static_cast<std::size_t>(first - slides.begin());
    for (std::size_t i = p + 1; i < slides.size() && !next; ++i)
        if (!isSelected(slides[i]))
            next = slides[i].id;
    for (std::size_t i = p; i-- > 0 && !next;)
        if (!isSelected(slides[i]))
            next = slides[i].id;

    Project project = document.project();
    const auto removed = project.slides.removeIf(isSelected);
    renumberDefaultTitles(project);
    document.changeProject(std::move(project),
                           stepName(removed == 1 ? EditStep::deleteSlide : EditStep::deleteSlides));
    document.setSelectedSlideIDs(next ? SlideIDSet{*next} : SlideIDSet{});
    document.setCommittedPreviewSlideID(next);
}

void duplicateSelectedSlides(MosavelleDocument& document) {
    Project project = document.project();
    std::vector<Slide> copies;
    std::optional<std::size_t> last;
    const SlideList& slides = document.project().slides;
    for (std::size_t i = 0; i < slides.size(); ++i) {
        if (!document.selectedSlideIDs().count(slides[i].id))
            continue;
        Slide copy = slides[i];
        copy.id = Uuid::random();
        for (auto& slot : copy.slots)
            slot.id = Uuid::random();
        copies.push_back(std::move(copy));
        last = i;
    }
    if (last)
        project.slides.insert(project.slides.begin() + static_cast<std::ptrdiff_t>(*last + 1),
                              copies.begin(), copies.end());
    document.changeProject(std::move(project), stepName(EditStep::duplicateSlides));
}

void renameSlide(MosavelleDocument& document, const Uuid& slideID, std::string_view text) {
    Project project = document.project();
    if (const auto p = document.slidePosition(slideID))
        project.slides[*p].title = trimmedWhitespace(text);
    document.changeProject(std::move(project), stepName(EditStep::renameSlide));
}

void renameSlideLive(MosavelleDocument& document, const Uuid& slideID, std::string_view text) {
    const auto p = document.slidePosition(slideID);
    if (!p)
        return;
    Project project = document.project();
    project.slides.edit(*p).title = std::string(text);
    document.setProject(std::move(project));
}

namespace {

void insertSectionDividerAt(MosavelleDocument& document, std::size_t at) {
    Project project = document.project();
    const Slide divider = sectionDividerSlide();
    project.slides.insert(project.slides.begin() + static_cast<std::ptrdiff_t>(at), divider);
    renumberDefaultTitles(project);
    project.sort = SortMode::manual;
    document.changeProject(std::move(project), stepName(EditStep::insertSectionDivider));
    focusSlide(document, divider.id);
}

}  // namespace

void insertSectionDivider(MosavelleDocument& document) {
    const auto anchor = primarySlide(document);
    const auto p = anchor ? document.slidePosition(anchor->id) : std::nullopt;
    insertSectionDividerAt(document, p ? *p + 1 : document.project().slides.size());
}

void insertSectionDividerBefore(MosavelleDocument& document) {
    const auto positions = document.slidePositions(document.selectedSlideIDs());
    insertSectionDividerAt(document, positions.empty() ? 0 : positions.front());
}

void groupSelectedSlides(MosavelleDocument& document, SlideLayoutKind layout) {
    const Project& current = document.project();
    const SlideIDSet& selected = document.selectedSlideIDs();
    const auto isSource = [&](const Slide& s) { return !s.isExcluded && selected.count(s.id); };
    const auto capacity = static_cast<std::size_t>(slotCount(layout));

    std::vector<ImageSlot> pool;
    const Slide* firstSource = nullptr;
    for (const auto& slide : current.slides) {
        if (!isSource(slide))
            continue;
        if (!firstSource)
            firstSource = &slide;
        pool.insert(pool.end(), slide.slots.begin(), slide.slots.end());
    }
    if (layout == SlideLayoutKind::section)
        return;
    if (pool.size() < capacity) {
        // Too few slots to fill one slide of the layout: with two pictures or more they still make
        // one, its remaining places empty (three pictures as four-up); with fewer there is
        // nothing to group.
        if (std::count_if(pool.begin(), pool.end(), isFilled) < 2)
            return;
        while (pool.size() < capacity)
            pool.push_back(emptySlot());
    }

    std::vector<Slide> made;
    std::size_t used = 0;
    for (; pool.size() - used >= capacity; used += capacity) {
        Slide chunk =
            freshSlide(layout, {pool.begin() + static_cast<std::ptrdiff_t>(used),
                                pool.begin() + static_cast<std::ptrdiff_t>(used + capacity)});
        chunk.title = firstSource->title;
        chunk.notes = firstSource->notes;
        made.push_back(applyCommonScale(chunk, current));
    }
    for (; used < pool.size(); ++used)
        made.push_back(freshSlide(SlideLayoutKind::oneImage, {pool[used]}));

    Project project = current;
    std::size_t at = 0;  // where the first source stood, counted among the slides that stay
    for (const auto& slide : current.slides) {
        if (&slide == firstSource)
            break;
        if (!isSource(slide))
            ++at;
    }
    project.slides.removeIf(isSource);
    at = std::min(at, project.slides.size());
    project.slides.insert(project.slides.begin() + static_cast<std::ptrdiff_t>(at), made.begin(),
                          made.end());
    renumberDefaultTitles(project);
    project.sort = SortMode::manual;

    std::optional<Uuid> focus;
    for (const auto& slide : made) {
        if (slide.layout == SlideLayoutKind::twoUp || slide.layout == SlideLayoutKind::fourGrid) {
            focus = slide.id;
            break;
        }
    }
    document.changeProject(std::move(project), stepName(EditStep::groupSlides));
    if (focus)
        focusSlide(document, *focus);
}

void ungroupSelectedSlides(MosavelleDocument& document) {
    const Project& current = document.project();
    Project project = current;
    project.slides.clear();
    bool split = false;
    SlideIDSet made;
    std::optional<Uuid> first;
    for (std::size_t i = 0; i < current.slides.size(); ++i) {
        const Slide& slide = current.slides[i];
        const bool splittable = slide.layout == SlideLayoutKind::imageTitleCaption ||
                                slide.layout == SlideLayoutKind::twoUp ||
                                slide.layout == SlideLayoutKind::fourGrid;
        if (!splittable || !document.selectedSlideIDs().count(slide.id) ||
            filledCount(slide) == 0) {
            project.slides.push_back(current.slides.handle(i));  // shared, not copied
            continue;
        }
        split = true;
        for (const auto& slot : slide.slots) {
            if (!isFilled(slot))
                continue;
            Slide single = freshSlide(SlideLayoutKind::oneImage, {slot});
            single.notes = slide.notes;
            made.insert(single.id);
            if (!first)
                first = single.id;
            project.slides.push_back(std::move(single));
        }
    }
    if (!split)
        return;  // nothing selected to split: the sort mode stays too
    project.sort = SortMode::manual;
    document.changeProject(std::move(project), stepName(EditStep::ungroupSlides));
    // The new slides are what the user works on next.
    document.setSelectedSlideIDs(std::move(made));
    document.setCommittedPreviewSlideID(first);
}

void reorderSlides(MosavelleDocument& document, const std::vector<Uuid>& dragged,
                   const Uuid& target) {
    const auto& slides = document.project().slides;
    const SlideIDSet draggedSet(dragged.begin(), dragged.end());
    SlideList moving;
    SlideList rest;
    rest.reserve(slides.size());
    std::optional<std::size_t> firstMoving;
    std::optional<std::size_t> targetPosition;
    for (std::size_t i = 0; i < slides.size(); ++i) {
        if (draggedSet.count(slides[i].id)) {
            if (!firstMoving)
                firstMoving = i;
            moving.push_back(slides.handle(i));
        } else {
            if (slides[i].id == target)
                targetPosition = i;
            rest.push_back(slides.handle(i));
        }
    }
    if (moving.empty() || draggedSet.count(target))
        return;
    const auto r = slidePosition(rest, target);
    if (!r)
        return;  // no such target
    std::size_t at = *firstMoving < *targetPosition ? *r + 1 : *r;
    at = std::min(at, rest.size());
    rest.insert(rest.cbegin() + static_cast<std::ptrdiff_t>(at), moving);
    if (slideIDs(rest) == slideIDs(slides))
        return;  // an unchanged order is no edit at all

    Project project = document.project();
    project.slides = std::move(rest);
    project.sort = SortMode::manual;
    document.changeProject(std::move(project), stepName(EditStep::reorderSlides));
}

void moveSelectedSlide(MosavelleDocument& document, int offset) {
    const auto p = selectionAnchorPosition(document, offset);
    if (!p)
        return;
    Project project = document.project();
    if (offset < 0 && *p > 0) {
        project.slides.swapElements(*p, *p - 1);
        project.sort = SortMode::manual;
    } else if (offset > 0 && *p + 1 < project.slides.size()) {
        project.slides.swapElements(*p, *p + 1);
        project.sort = SortMode::manual;
    }
    document.changeProject(std::move(project), stepName(EditStep::reorderSlides));
}

void moveSlides(MosavelleDocument& document, const std::vector<std::size_t>& sourcePositions,
                std::size_t destination) {
    Project project = document.project();
    const std::size_t count = project.slides.size();
    std::vector<bool> moving(count, false);
    for (std::size_t p : sourcePositions)
        if (p < count)
            moving[p] = true;
    destination = std::min(destination, count);

    SlideList block;
    SlideList rest;
    rest.reserve(count);
    std::size_t at = 0;  // the destination among the slides that stay
    for (std::size_t i = 0; i < count; ++i) {
        if (i == destination)
            at = rest.size();
        (moving[i] ? block : rest).push_back(project.slides.handle(i));
    }
    if (destination == count)
        at = rest.size();
    rest.insert(rest.cbegin() + static_cast<std::ptrdiff_t>(at), block);
    if (slideIDs(rest) == slideIDs(project.slides))
        return;  // dropped where the rows stood: the deck keeps its order and its sort mode
    project.slides = std::move(rest);
    project.sort = SortMode::manual;
    document.changeProject(std::move(project), stepName(EditStep::reorderSlides));
}

Slide compactSlots(const Slide& slide, const Project& project) {
    std::vector<ImageSlot> filled;
    for (const auto& slot : slide.slots)
        if (isFilled(slot))
            filled.push_back(slot);
    if (filled.empty())
        return slide;

    Slide out = slide;
    if (filled.size() == 1) {
        if (out.layout != SlideLayoutKind::imageTitleCaption)
            out.layout = SlideLayoutKind::oneImage;
        out.slots = std::move(filled);
        out.placementOverride.reset();
        if (isDefaultTitle(out.title))
            out.title.clear();
        return out;
    }
    if (filled.size() == 2) {
        out.layout = SlideLayoutKind::twoUp;
    } else {
        out.layout = SlideLayoutKind::fourGrid;
        while (filled.size() < 4)
            filled.push_back(emptySlot());
    }
    out.slots = std::move(filled);
    return applyCommonScale(out, project);
}

AddImageResult addImageToSlide(MosavelleDocument& document, const Uuid& sourceSlideID,
                               const Uuid& targetSlideID) {
    Project project = document.project();
    const auto s = document.slidePosition(sourceSlideID);
    const auto t = document.slidePosition(targetSlideID);
    if (sourceSlideID == targetSlideID || !s || !t)
        return AddImageResult::notPossible;
    Slide& source = project.slides[*s];
    Slide& target = project.slides[*t];
    const auto moved = std::find_if(source.slots.begin(), source.slots.end(), isFilled);
    if (moved == source.slots.end())
        return AddImageResult::notPossible;
    if (filledCount(target) >= 4)
        return AddImageResult::slideFull;

    ImageSlot slot = *moved;
    slot.id = Uuid::random();
    target.slots.push_back(slot);
    target = compactSlots(target, project);
    source.slots.erase(moved);
    if (filledCount(source) == 0)
        project.slides.erase(project.slides.begin() + static_cast<std::ptrdiff_t>(*s));
    else
        source = compactSlots(source, project);

    renumberDefaultTitles(project);
    project.sort = SortMode::manual;
    document.changeProject(std::move(project), stepName(EditStep::addImageToSlide));
    focusSlide(document, targetSlideID);
    return AddImageResult::added;
}

void removeImageFromSlide(MosavelleDocument& document, const Uuid& pictureID, const Uuid& slideID) {
    Project project = document.project();
    const auto p = document.slidePosition(slideID);
    if (!p || filledCount(project.slides[*p]) < 2)
        return;
    Slide& slide = project.slides[*p];
    const auto taken = std::find_if(slide.slots.begin(), slide.slots.end(),
                                    [&](const ImageSlot& s) { return s.imageID == pictureID; });
    if (taken == slide.slots.end())
        return;

    ImageSlot slot = *taken;
    slot.id = Uuid::random();
    slide.slots.erase(taken);
    slide = compactSlots(slide, project);
    project.slides.insert(project.slides.begin() + static_cast<std::ptrdiff_t>(*p + 1),
                          freshSlide(SlideLayoutKind::oneImage, {slot}));
    renumberDefaultTitles(project);
    project.sort = SortMode::manual;
    document.changeProject(std::move(project), stepName(EditStep::removeImageFromSlide));
    focusSlide(document, slideID);
}

}  // namespace mosavelle
