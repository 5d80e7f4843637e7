#pragma once

#include <cstdint>

#include "core/layout/rendered_slide.h"
#include "core/model/enums.h"

namespace mosavelle {

// Every clamp the layout applies to what a deck holds. A project file can be edited by hand, so
// margins, font sizes, resolutions, pixel sizes, scales and anchors may be negative, zero, huge
// or not finite. The layout functions pass their inputs through these guards where the values
// enter and their boxes through `guardedRect` where they leave, so that every laid-out length is
// finite and no width or height is negative.
//
// Each guard returns its argument unchanged for any value a deck made through the application
// can hold (margins 0 to 100 inches, a logo up to the page height, font sizes of 1 to 4000
// points, resolutions of 1 to 1,000,000 dpi, positive scales up to 10,000), so a sane deck lays
// out exactly as the formulas say.

// The largest length a presentation file can hold (27,273,042,316,900 EMU), in inches. Laid-out
// boxes never exceed it, so converting them to EMU cannot overflow.
inline constexpr double largestLength = 27273042316900.0 / 914400.0;

// A margin: NaN becomes the default 0.3; otherwise clamped to 0...100 inches.
double guardedMargin(double inches);

// The logo height: NaN becomes the default 0.4; otherwise clamped to 0...7.5 inches (the page
// height).
double guardedLogoHeight(double inches);

// A font size in points: NaN becomes `fallback`; otherwise clamped to 1...4000 points, the range
// a presentation file can hold. Keeps every division by a font size finite.
double guardedPoints(double points, double fallback);

// A resolution: 0, negative or not finite becomes 72 dpi; otherwise clamped to 1...1,000,000.
double guardedDPI(double dpi);

// A pixel count: negative becomes 0.
double guardedPixels(std::int64_t pixels);

// A placement scale: 0, negative or not finite becomes the scale that belongs to `mode`;
// otherwise clamped to 0.0001...10000.
double guardedScale(double scale, SizingMode mode);

// A rotation in degrees: not finite becomes 0.
double guardedRotation(double degrees);

// A crop anchor component: NaN becomes 0.5 (the centre). Other values pass; the placement clamps
// them to 0...1 itself.
double guardedAnchor(double fraction);

// A value that must be finite (a pixel density): NaN and infinities become 0.
double guardedFinite(double value);

// A length that must not be negative: NaN and negatives become 0, and it is capped at
// `largestLength`.
double guardedSize(double inches);

// A box as it leaves the layout: x and y finite within ±largestLength (NaN becomes 0), width and
// height as `guardedSize`.
InchRect guardedRect(const InchRect& rect);

}  // namespace mosavelle
