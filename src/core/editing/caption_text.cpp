#include "core/editing/caption_text.h"

#include <memory>
#include <utility>

#include "core/import/file_names.h"
#include "core/platform/names.h"

#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace mosavelle {

namespace {

icu::UnicodeString toUnicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

// A compiled pattern, shared by all threads (ICU patterns are immutable; matchers are made per
// use). Null only if ICU cannot compile a constant pattern, which would be a build fault.
std::unique_ptr<icu::RegexPattern> compile(std::string_view pattern) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(toUnicode(pattern), 0, status));
    if (U_FAILURE(status))
        return nullptr;
    return compiled;
}

const icu::RegexPattern* defaultTitleRegex() {
    static const auto pattern = compile(defaultTitlePattern);
    return pattern.get();
}

bool isWhitespace(std::int32_t c) {
    return c >= 0 && u_isUWhiteSpace(c);
}

}  // namespace

bool isDefaultTitle(std::string_view title) {
    constexpr std::string_view prefix = "Slide ";
    if (title.substr(0, prefix.size()) != prefix)
        return false;  // `^` anchors at the start only
    const std::string_view number = title.substr(prefix.size());
    bool asciiDigits = !number.empty();
    for (char c : number)
        asciiDigits = asciiDigits && c >= '0' && c <= '9';
    if (asciiDigits)
        return true;  // the common case, without a matcher
    const icu::RegexPattern* pattern = defaultTitleRegex();
    if (pattern == nullptr)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString input = toUnicode(title);
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
    return U_SUCCESS(status) && matcher->find(status) && U_SUCCESS(status);
}

std::string trimmedWhitespace(std::string_view text) {
    return std::string(trimmedUTF8(text, isWhitespace));
}

void renumberDefaultTitles(Project& project) {
    for (std::size_t i = 0; i < project.slides.size(); ++i) {
        // Read through a const view: only slides whose title really changes are copied.
        const Slide& slide = std::as_const(project.slides)[i];
        const std::string trimmed = trimmedWhitespace(slide.title);
        const bool grouped =
            slide.layout == SlideLayoutKind::twoUp || slide.layout == SlideLayoutKind::fourGrid;
        if (isDefaultTitle(trimmed) || (grouped && trimmed.empty())) {
            std::string title = "Slide " + std::to_string(i + 1);
            if (title != slide.title)
                project.slides.edit(i).title = std::move(title);
        }
    }
}

void takePictureTitle(Slide& slide, const Project& project) {
    if (slide.layout != SlideLayoutKind::imageTitleCaption || slide.slots.empty() ||
        !slide.slots.front().imageID)
        return;
    const std::string own = trimmedWhitespace(slide.title);
    if (!own.empty() && !isDefaultTitle(own))
        return;
    if (const SourceImage* picture = project.sourceImage(*slide.slots.front().imageID);
        picture && picture->metadata.title)
        slide.title = *picture->metadata.title;
}

}  // namespace mosavelle
