#include "core/import/file_names.h"

#include <algorithm>

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace mosavelle {

namespace {

bool isASCII(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Case-folded, compatibility-decomposed code points without non-spacing marks. NFKC_Casefold
// applies case folding and the compatibility (width) mappings in one closed step; the canonical
// decomposition after it separates the marks so that they can be dropped.
std::u32string foldedCodePoints(std::string_view name) {
    std::u32string out;
    out.reserve(name.size());
    if (isASCII(name)) {
        for (char c : name)
            out.push_back(static_cast<char32_t>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
        return out;
    }
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(name.data(), static_cast<int32_t>(name.size())));
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* casefold = icu::Normalizer2::getNFKCCasefoldInstance(status);
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_SUCCESS(status)) {
        icu::UnicodeString folded = casefold->normalize(text, status);
        if (U_SUCCESS(status)) {
            icu::UnicodeString decomposed = nfd->normalize(folded, status);
            if (U_SUCCESS(status))
                text = decomposed;
        }
    }
    if (U_FAILURE(status))
        text.foldCase(U_FOLD_CASE_DEFAULT);  // still ignore case at least
    for (int32_t i = 0; i < text.length();) {
        const UChar32 c = text.char32At(i);
        i += U16_LENGTH(c);
        if (u_charType(c) == U_NON_SPACING_MARK)
            continue;
        out.push_back(static_cast<char32_t>(c));
    }
    return out;
}

// The decimal value of a Unicode decimal digit, or -1.
int digitValue(char32_t c) {
    if (c < 0x80)
        return c >= '0' && c <= '9' ? static_cast<int>(c - '0') : -1;
    return u_isdigit(static_cast<UChar32>(c)) ? u_charDigitValue(static_cast<UChar32>(c)) : -1;
}

}  // namespace

FileNameKey::FileNameKey(std::string_view utf8Name) {
    const std::u32string folded = foldedCodePoints(utf8Name);
    primary_.reserve(folded.size() + 8);
    std::size_t i = 0;
    while (i < folded.size()) {
        if (digitValue(folded[i]) < 0) {
            primary_.push_back(folded[i++]);
            continue;
        }
        const std::size_t start = i;
        while (i < folded.size() && digitValue(folded[i]) >= 0)
            ++i;
        std::size_t significant = start;
        while (significant < i && digitValue(folded[significant]) == 0)
            ++significant;
        // The marker sorts a run where its first digit character would sort among other
        // characters; the length before the digits makes a longer number the larger one.
        primary_.push_back(U'0');
        primary_.push_back(static_cast<char32_t>(i - significant));
        for (std::size_t k = significant; k < i; ++k)
            primary_.push_back(static_cast<char32_t>(digitValue(folded[k])));
        leadingZeros_.push_back(static_cast<std::uint32_t>(significant - start));
    }
}

std::weak_ordering operator<=>(const FileNameKey& a, const FileNameKey& b) {
    if (auto order = a.primary_.compare(b.primary_); order != 0)
        return order < 0 ? std::weak_ordering::less : std::weak_ordering::greater;
    // Equal primaries have the same digit runs in the same places, so the zero counts align.
    if (auto order = a.leadingZeros_ <=> b.leadingZeros_; order != 0)
        return order < 0 ? std::weak_ordering::less : std::weak_ordering::greater;
    return std::weak_ordering::equivalent;
}

std::weak_ordering compareFileNames(std::string_view a, std::string_view b) {
    return FileNameKey(a) <=> FileNameKey(b);
}

std::string_view trimmedUTF8(std::string_view text, bool (*trim)(std::int32_t codePoint)) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 c;
        U8_NEXT(bytes, next, length, c);
        if (!trim(c))
            break;
        start = next;
    }
    int32_t end = length;
    while (end > start) {
        int32_t previous = end;
        UChar32 c;
        U8_PREV(bytes, start, previous, c);
        if (!trim(c))
            break;
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

}  // namespace mosavelle
