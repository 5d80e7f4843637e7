#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/model/project.h"
#include "core/platform/uuid.h"

namespace mosavelle {

// The texts the slide list shows for a slide, and the text payload with which slides travel in a
// drag from the list to the preview or to another place in the list.

inline constexpr std::string_view slidePayloadPrefix = "mosavelle-slides:";

// "mosavelle-slides:" followed by the identifiers' text forms joined by commas, no spaces.
std::string makeSlidePayload(const std::vector<Uuid>& slideIDs);

// The identifiers a dropped text carries, in payload order: white space and line breaks are
// trimmed from both ends; a text without the prefix carries none; empty pieces and pieces that are
// no identifier are skipped, so one damaged identifier does not lose the others.
std::vector<Uuid> parseSlidePayload(std::string_view text);

// "One image", "Two images", "Section divider" and so on.
std::string layoutDisplayName(SlideLayoutKind layout);

// The slide's title when it is not empty (as stored); else the original file name of the picture
// in its first slot, when the deck holds that picture; else the name of its layout.
std::string slideDisplayName(const Slide& slide, const Project& project);

}  // namespace mosavelle
