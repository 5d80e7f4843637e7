#pragma once

#include <cstddef>
#include <optional>

#include "core/import/rgba_image.h"
#include "core/platform/bytes.h"

namespace mosavelle {

// Embedded previews larger than this are ignored: a preview is read to show something at once,
// and a bigger one would cost as much as decoding the picture itself.
inline constexpr std::size_t maxEmbeddedPreviewBytes = std::size_t{2} << 20;
// Nor is one used whose longer side exceeds this many pixels.
inline constexpr int maxEmbeddedPreviewSide = 2048;

// The small picture a camera or an editor stored beside the full one (the EXIF thumbnail of a
// JPEG or TIFF file, the thumbnail item of a HEIF file), scaled so that its longer side is at
// most `maxPixelSize` and turned upright by the picture's own orientation, in sRGB. Of several,
// the smallest that is at least `maxPixelSize` on its longer side is taken, else the largest.
// Black bars a camera added to fit a preview of another shape are cut off, so that the preview
// has the picture's proportions.
//
// Absent when the file has none, none within the limits above, its headers are cut short, or the
// preview does not decode; damaged metadata is never an error. A JPEG's pixels are not looked at,
// so one whose data is damaged still has its preview. Reads only `bytes`; thread-safe.
std::optional<RgbaImage> readEmbeddedPreview(const Bytes& bytes, int maxPixelSize);

}  // namespace mosavelle
