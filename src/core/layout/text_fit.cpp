#include "core/layout/text_fit.h"

#include "core/layout/detail/utf8.h"
#include "core/layout/guards.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utext.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

namespace mosavelle {

using namespace text_fit;

namespace {

// One character break iterator per thread: ICU iterators are not thread-safe, and making one
// per call would allocate on every redraw.
icu::BreakIterator* characterIterator() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status))
            made.reset();
        return made;
    }();
    return iterator.get();
}

// Code points of UTF-8 text, each ill-formed subsequence counting as one, as ICU reads it. An
// upper bound of the grapheme count, cheap enough to settle almost every text without segmenting
// it. Counting lead bytes alone would miss stray continuation bytes, which ICU does count.
std::size_t codePointCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count)
        (void)utf8::next(text, i);
    return count;
}

}  // namespace

std::size_t graphemeCount(std::string_view text, std::size_t limit) {
    if (text.empty())
        return 0;
    icu::BreakIterator* iterator = characterIterator();
    if (iterator == nullptr)
        return std::min(codePointCount(text), limit + 1);
    UErrorCode status = U_ZERO_ERROR;
    UText utext = UTEXT_INITIALIZER;
    utext_openUTF8(&utext, text.data(), static_cast<int64_t>(text.size()), &status);
    if (U_FAILURE(status))
        return std::min(codePointCount(text), limit + 1);
    iterator->setText(&utext, status);
    std::size_t count = 0;
    if (U_SUCCESS(status)) {
        iterator->first();
        while (iterator->next() != icu::BreakIterator::DONE && count <= limit)
            ++count;
    } else {
        count = std::min(codePointCount(text), limit + 1);
    }
    // Detach the iterator from the stack UText before it goes out of scope.
    UText empty = UTEXT_INITIALIZER;
    UErrorCode ignored = U_ZERO_ERROR;
    utext_openUTF8(&empty, "", 0, &ignored);
    iterator->setText(&empty, ignored);
    utext_close(&empty);
    utext_close(&utext);
    return count;
}

double characterCapacity(const InchRect& box, double points) {
    const double p = guardedPoints(points, 16);
    const double lines = std::max(guardedSize(box.height) * 72 / (p * lineHeight), leastLines);
    const double perLine =
        std::max(guardedSize(box.width) * 72 / (p * characterWidth), leastPerLine);
    return lines * perLine * allowance;
}

bool textOverflows(std::string_view text, const InchRect& box, double points) {
    if (text.empty())
        return false;
    const double capacity = characterCapacity(box, points);
    // Settle without segmenting when even the byte or code point count fits.
    if (static_cast<double>(text.size()) <= capacity)
        return false;
    if (static_cast<double>(codePointCount(text)) <= capacity)
        return false;
    const auto limit = static_cast<std::size_t>(std::floor(capacity));
    return capacity < static_cast<double>(graphemeCount(text, limit));
}

}  // namespace mosavelle
