#pragma once

#include <cstddef>
#include <string_view>

#include "core/layout/rendered_slide.h"

namespace mosavelle {

// A size estimate for text in a box, not a measurement, for systems without any font to measure
// with (see "core/layout/text_layout.h"): the box holds
// max(height × 72 / (points × 1.25), 1) lines of max(width × 72 / (points × 0.55), 8)
// characters, and a text is flagged when it has more than 1.15 times that many. 1.25 is the line
// height and 0.55 the average character width, both as fractions of the font size.

namespace text_fit {
inline constexpr double lineHeight = 1.25;
inline constexpr double characterWidth = 0.55;
inline constexpr double allowance = 1.15;
inline constexpr double leastLines = 1;
inline constexpr double leastPerLine = 8;
}  // namespace text_fit

// The number of characters `box` is judged to hold at `points` (font size, guarded like every
// laid-out font size).
double characterCapacity(const InchRect& box, double points);

// True when the UTF-8 `text` has more user-perceived characters than `box` holds at `points`. An
// empty text never overflows. No allocation; safe to call from any thread.
bool textOverflows(std::string_view text, const InchRect& box, double points);

// User-perceived characters (extended grapheme clusters) of UTF-8 text; a CR LF pair counts as
// one. An ill-formed byte sequence counts as one character. Counting stops once `limit` is
// exceeded, so the result is min(count, limit + 1).
std::size_t graphemeCount(std::string_view text, std::size_t limit = static_cast<std::size_t>(-2));

}  // namespace mosavelle
