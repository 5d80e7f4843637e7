#include "core/editing/slide_clipboard.h"

#include <set>

#include "core/editing/caption_text.h"
#include "core/editing/selection.h"
#include "core/model/edit_step.h"

namespace mosavelle {

SlideClip copySelectedSlides(const MosavelleDocument& document) {
    SlideClip clip;
    const Project& project = document.project();
    std::set<Uuid> shown;
    for (std::size_t p : document.slidePositions(document.selectedSlideIDs())) {
        const Slide& slide = project.slides[p];
        clip.slice.slides.push_back(slide);
        for (const ImageSlot& slot : slide.slots)
            if (slot.imageID)
                shown.insert(*slot.imageID);
    }
    for (const SourceImage& image : project.images) {
        if (!shown.erase(image.id))
            continue;
        clip.slice.images.push_back(image);
        if (const auto bytes = document.imageData().find(image.id);
            bytes != document.imageData().end())
            clip.pictures.emplace(image.id, bytes->second);
    }
    return clip;
}

void pasteSlides(MosavelleDocument& document, const SlideClip& clip) {
    if (clip.empty())
        return;
    Project project = document.project();
    std::set<Uuid> held;
    for (const SourceImage& image : project.images)
        held.insert(image.id);
    for (const SourceImage& image : clip.slice.images) {
        if (held.insert(image.id).second)
            project.images.push_back(image);
    }

    std::vector<Slide> copies;
    SlideIDSet pasted;
    for (Slide copy : clip.slice.slides) {
        copy.id = Uuid::random();
        for (ImageSlot& slot : copy.slots) {
            slot.id = Uuid::random();
            // A slot whose picture came without its record would point at nothing.
            if (slot.imageID && !held.count(*slot.imageID))
                slot.imageID.reset();
        }
        pasted.insert(copy.id);
        copies.push_back(std::move(copy));
    }
    const auto positions = document.slidePositions(document.selectedSlideIDs());
    const std::size_t at = positions.empty() ? project.slides.size() : positions.back() + 1;
    project.slides.insert(project.slides.begin() + static_cast<std::ptrdiff_t>(at), copies.begin(),
                          copies.end());
    renumberDefaultTitles(project);
    project.sort = SortMode::manual;

    // The bytes first, so that observers of the new slides find their pictures.
    for (const auto& [id, bytes] : clip.pictures)
        if (!document.imageData().count(id))
            document.setImageBytes(id, bytes);
    const Uuid first = copies.front().id;
    document.changeProject(std::move(project), stepName(EditStep::pasteSlides));
    setSelection(document, std::move(pasted));
    document.setCommittedPreviewSlideID(first);
}

}  // namespace mosavelle
