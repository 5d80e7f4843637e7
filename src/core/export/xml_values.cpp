#include "core/export/xml_values.h"

#include <cmath>
#include <limits>

namespace mosavelle {

namespace {

constexpr char32_t invalidCharacter = 0xFFFFFFFF;

// Decodes one code point starting at `i` and advances `i` past it. An invalid or truncated
// sequence consumes one byte and gives `invalidCharacter`.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return invalidCharacter;
    }
    if (i + length > text.size()) {
        ++i;
        return invalidCharacter;
    }
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return invalidCharacter;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++i;
        return invalidCharacter;
    }
    i += length;
    return value;
}

void appendUTF8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

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
        const char32_t c = nextCodePoint(text, i);
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
            case invalidCharacter:
                appendUTF8(out, 0xFFFD);
                break;
            default:
                if (allowedInXML(c))
                    appendUTF8(out, c);
        }
    }
    return out;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t at = i;
        const char32_t c = nextCodePoint(text, i);
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
        if (!isWhiteSpace(nextCodePoint(text, i)))
            return true;
    }
    return false;
}

}  // namespace mosavelle
