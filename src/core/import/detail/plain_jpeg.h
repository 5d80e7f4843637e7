#pragma once

#include <optional>

#include "core/import/rgba_image.h"
#include "core/platform/bytes.h"

namespace mosavelle {

// The JPEG `bytes`, whose grid is `stored` pixels as stored (before any turn), decoded by
// libjpeg-turbo straight to exactly `size` (at most `stored` on each axis): at the smallest of the
// decoder's own scales (eighths) that covers `size`, where most of the picture's data is never
// transformed, then averaged down over the remaining areas. Each pixel of an eighth-scale decode
// is already the average of its block, so the two steps together average each output pixel over
// its own area of the full grid.
//
// For the plain case only: RGB, YCbCr or grey data whose colours need no conversion (the caller
// knows the file carries no colour profile). Nothing for any other JPEG, a grid other than
// `stored`, or any complaint of the decoder, a mere warning included: then the general decoder
// decides. Thread-safe.
std::optional<RgbaImage> decodePlainJpeg(const Bytes& bytes, PixelSize stored, PixelSize size);

}  // namespace mosavelle
