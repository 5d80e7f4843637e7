#pragma once

#include "core/model/document.h"
#include "core/model/package.h"
#include "core/model/project.h"

namespace mosavelle {

// Slides taken out of one deck to be put into another (or the same) one: the slides as they
// were, the records of the pictures they show and those pictures' stored bytes (shared, not
// copied: a staged file stays alive as long as a clip holds it).
struct SlideClip {
    Project slice;  // slides in deck order and the pictures they show; nothing else is used
    ImageDataMap pictures;
    bool empty() const { return slice.slides.empty(); }
};

// The selected slides, in deck order, with their pictures. Empty without a selected slide.
SlideClip copySelectedSlides(const MosavelleDocument& document);

// Inserts copies of the clip's slides (new slide and slot identifiers) after the last selected
// slide, or at the end without one. A picture the deck already holds (same identifier) is shared;
// one it lacks is added with its bytes. Renumbers automatic titles, sets manual order, selects
// the new slides and shows the first. One step, "Paste Slides"; nothing for an empty clip.
void pasteSlides(MosavelleDocument& document, const SlideClip& clip);

}  // namespace mosavelle
