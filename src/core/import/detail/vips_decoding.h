#pragma once

#include <optional>

#include "core/import/detail/vips_runtime.h"
#include "core/import/image_source.h"
#include "core/import/rgba_image.h"
#include "core/platform/bytes.h"

namespace mosavelle {

// The first frame, upright, in 8-bit sRGB (3 bands, or 4 with alpha), scaled to exactly `size`
// when given (each axis independently; shrink-on-load as for `ImageSource::decodeThumbnail`) and
// otherwise at full size. The result is evaluated lazily and keeps the bytes alive; it still owes
// its pixels, so a damaged file surfaces as a failure when the image is written. For encoders
// that write the picture straight from libvips. Absent as for `ImageSource::decodeFirstFrame`.
struct UprightVipsImage {
    Bytes source;           // the encoded bytes `image` reads from; outlives `image`
    VipsImageHandle image;  // declared last so that it is released first
};
std::optional<UprightVipsImage> decodeUprightImage(const ImageSource& source,
                                                   std::optional<PixelSize> size);

}  // namespace mosavelle
