#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/layout/rendered_slide.h"

namespace mosavelle {

// The sentence the inspector and the main window show for a warning. For `textOverflow` it names
// the field: "The caption 2 text is too long for its box."
std::string warningMessage(const SlideWarning& warning);

// The slides of `project`, in deck order, that show a picture passing the edges of its area (an
// `overflowsSlide` warning: a picture at a size of its own rather than fitted or filled); with
// `among`, only those of its slides. Lays out each slide it looks at, through one picture index,
// so a whole deck costs what an export's layout does: for a deck-wide change (the slide size),
// not for every keystroke.
std::vector<Uuid> slidesWithPicturesOutside(const Project& project,
                                            const std::optional<std::set<Uuid>>& among = {});

}  // namespace mosavelle
