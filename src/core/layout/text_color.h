#pragma once

#include "core/model/project.h"

namespace mosavelle {

// Contrast ratio of two colours as seen on screen, from 1 (equal) to 21 (black on white). Alpha
// is ignored: slide backgrounds are opaque.
double contrastRatio(const RGBAColor& a, const RGBAColor& b);

// The smallest contrast at which text stays readable on its background.
inline constexpr double minimumTextContrast = 4.5;

// The colour text is drawn in: `stored` when it contrasts with `background` by at least
// minimumTextContrast, otherwise white or black, whichever contrasts more. The deck keeps the
// stored colour; only what is drawn and exported changes.
RGBAColor readableTextColor(const RGBAColor& stored, const RGBAColor& background);

}  // namespace mosavelle
