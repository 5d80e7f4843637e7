#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/model/picture_metadata.h"

namespace mosavelle {

// The longest text kept from one metadata field, in code points; longer fields are cut.
inline constexpr std::size_t maxMetadataTextLength = 4000;
// The most keywords kept from one picture.
inline constexpr std::size_t maxMetadataKeywords = 200;

// Reads the descriptive metadata of the picture file `bytes`: XMP, IPTC and EXIF, in that order
// of preference for a field that more than one of them holds. Texts are decoded from the encoding
// each block declares (invalid sequences become U+FFFD), cleaned (control characters and line
// breaks become spaces, runs of white space one space, trimmed) and cut to
// `maxMetadataTextLength`. A block that does not parse is ignored, and so is a file the reader
// does not know; the result is then empty or partial, never an error. Reads only `bytes`;
// thread-safe.
PictureMetadata readPictureMetadata(std::span<const std::uint8_t> bytes);

// Readies the metadata library for use from several threads; every reader calls it first. Any
// thread, any number of times.
void startMetadataLibrary();

// `text` as a metadata text: invalid UTF-8 becomes U+FFFD, control characters and line breaks
// become spaces, runs of white space one space, both ends trimmed, cut to `maxLength` code points.
std::string cleanMetadataText(std::string_view text, std::size_t maxLength = maxMetadataTextLength);

}  // namespace mosavelle
