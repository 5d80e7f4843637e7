#pragma once

#include "core/model/project.h"

namespace mosavelle {

// Contrast ratio of two colours as seen on screen, from 1 (equal) to 21 (black on white). Alpha
// is ignored: slide backgrounds are opaque.
double contrastRatio(const RGBAColor& a, const RGBAColor& b);

// The contrast below which text is all but invisible on its background (black or dark grey on
// black, dark grey on a dark custom background). Above it the user's colour is a choice to keep,
// even where it reads less easily (orange on white is about 2.5:1).
inline constexpr double minimumTextContrast = 2.0;

// The colour text is drawn in: `stored` when it contrasts with `background` by at least
// minimumTextContrast, otherwise white or black, whichever contrasts more. The deck keeps the
// stored colour; only what is drawn and exported changes.
RGBAColor readableTextColor(const RGBAColor& stored, const RGBAColor& background);

}  // namespace mosavelle
