#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "core/platform/bytes.h"

namespace mosavelle {

// The SHA-256 digest of `data` as 64 lower-case hexadecimal digits, two per digest byte, without
// separators. Any thread; O(size).
std::string sha256Hex(std::span<const std::uint8_t> data);
inline std::string sha256Hex(const Bytes& bytes) {
    return sha256Hex(bytes.span());
}

}  // namespace mosavelle
