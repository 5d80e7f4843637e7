#pragma once

#include <optional>

#include "core/import/image_source.h"
#include "core/import/rgba_image.h"
#include "core/platform/bytes.h"

namespace mosavelle {

// Shorthands for callers that hold only bytes and use them once: each opens an `ImageSource`
// over `bytes` and asks it. Callers that ask more than one question keep the source instead.

// `ImageSource::decodableHeader`.
std::optional<PictureHeader> readPictureHeader(const Bytes& bytes);

// `ImageSource::decodeFirstFrame`.
std::optional<RgbaImage> decodeFirstFrame(const Bytes& bytes);

// `ImageSource::decodeThumbnail`.
std::optional<RgbaImage> decodeThumbnail(const Bytes& bytes, int maxPixelSize);

}  // namespace mosavelle
