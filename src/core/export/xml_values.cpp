#include "core/export/xml_values.h"

#include <cmath>
#include <limits>

#include "core/layout/detail/utf8.h"

namespace mosavelle {

namespace {

bool allowedInXML(char32_t c) {
    if (c < 0x20)
        return c == '\t' || c == '\n' || c == '\r';
    return c != 0xFFFE && c != 0xFFFF;
}

bool isWhiteSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

}  // namespace

std::int64_t roundHalfAway(double value) {
    if (!std::isfinite(value))
        return 0;
    constexpr double limit = 9.2e18;
    if (value >= limit)
        return static_cast<std::int64_t>(limit);
    if (value <= -limit)
        return -static_cast<std::int64_t>(limit);
    return static_cast<std::int64_t>(std::llround(value));
}

std::int64_t emuFromInches(double inches) {
    return roundHalfAway(inches * 914400);
}
std::int64_t cropPercentage(double fraction) {
    return roundHalfAway(fraction * 100000);
}
std::int64_t angleFromDegrees(double degrees) {
    return roundHalfAway(degrees * 60000);
}
std::int64_t fontSizeFromPoints(double points) {
    return roundHalfAway(points * 100);
}

std::string hexColor(const RGBAColor& color) {
    return color.hexString();
}

std::string escapeXML(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = utf8::next(text, i);
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '\t':
                out += "&#9;";
                break;
            case '\n':
                out += "&#10;";
                break;
            case '\r':
                out += "&#13;";
                break;
            default:
                if (allowedInXML(c))
                    utf8::append(out, c);
        }
    }
    return out;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t at = i;
        const char32_t c = utf8::next(text, i);
        if (c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029) {
            lines.push_back(text.substr(start, at - start));
            if (c == '\r' && i < text.size() && text[i] == '\n')
                ++i;
            start = i;
        }
    }
    lines.push_back(text.substr(start));
    return lines;
}

bool hasVisibleText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (!isWhiteSpace(utf8::next(text, i)))
            return true;
    }
    return false;
}

}  // namespace mosavelle
