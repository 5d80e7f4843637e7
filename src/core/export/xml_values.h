#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/project.h"

namespace mosavelle {

// How deck values are written into the XML parts of a presentation.

// `value` rounded half away from zero. A non-finite value gives 0 and values past the 64-bit
// range are clamped, so every number written is a plain integer.
std::int64_t roundHalfAway(double value);

// Inches as EMU (914400 per inch).
std::int64_t emuFromInches(double inches);
// A crop fraction in thousandths of a percent (0.1 -> 10000).
std::int64_t cropPercentage(double fraction);
// Degrees in 60000ths of a degree (90 -> 5400000).
std::int64_t angleFromDegrees(double degrees);
// Points in hundredths of a point (10.5 -> 1050).
std::int64_t fontSizeFromPoints(double points);

// RRGGBB in upper-case hex; alpha is not written.
std::string hexColor(const RGBAColor& color);

// User text made safe inside an element or an attribute value: "&", "<", ">", the double quote
// and the apostrophe become entity references, and tab, line feed and carriage return character
// references (readers turn those characters into spaces when they stand raw in an attribute, so
// an alt text would lose its line breaks). Characters XML 1.0 does not allow (other control
// characters, U+FFFE, U+FFFF) are dropped, and each ill-formed UTF-8 subsequence becomes one
// U+FFFD, as everywhere else the program reads text, so no input makes a part malformed.
// Everything else is kept as it is.
std::string escapeXML(std::string_view text);

// `text` cut at its line breaks (CR LF, LF, CR, U+2028, U+2029); a text without any is one
// line.
std::vector<std::string_view> splitLines(std::string_view text);

// True when `text` holds something besides white space and line breaks.
bool hasVisibleText(std::string_view text);

}  // namespace mosavelle
