#pragma once

#include <unicode/utf8.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// UTF-8 as the program reads it everywhere: through ICU, so that the text estimate, the caption
// rules and the exported parts see the same characters in the same bytes, bad ones included.
namespace mosavelle::utf8 {

inline constexpr char32_t replacementCharacter = 0xFFFD;

// The code point at byte `i` of `text`, moving `i` past it. Each maximal ill-formed subsequence (a
// stray continuation byte, a truncated sequence, an overlong form, an encoded surrogate) is read
// as one U+FFFD.
inline char32_t next(std::string_view text, std::size_t& i) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int64_t>(text.size());
    auto at = static_cast<std::int64_t>(i);
    UChar32 c;
    U8_NEXT(bytes, at, length, c);
    i = static_cast<std::size_t>(at);
    return c < 0 ? replacementCharacter : static_cast<char32_t>(c);
}

// Appends the UTF-8 form of the code point `c`, which must be a scalar value.
inline void append(std::string& out, char32_t c) {
    std::uint8_t bytes[U8_MAX_LENGTH];
    std::int32_t length = 0;
    U8_APPEND_UNSAFE(bytes, length, static_cast<UChar32>(c));
    out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

}  // namespace mosavelle::utf8
