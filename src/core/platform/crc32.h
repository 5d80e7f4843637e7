#pragma once

#include <cstdint>
#include <span>

namespace mosavelle {

// CRC-32 as zlib's `crc32` computes it, starting from 0 (an empty input gives 0): the checksum of
// a ZIP entry, also kept with a picture read from a user's file to recognise its bytes later.
// Any thread; O(size), at memory speed.
std::uint32_t crc32Of(std::span<const std::uint8_t> data);

}  // namespace mosavelle
