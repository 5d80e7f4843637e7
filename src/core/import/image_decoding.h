#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/import/vips_runtime.h"
#include "core/platform/bytes.h"

namespace mosavelle {

// An 8-bit sRGB picture with straight (not premultiplied) alpha: `pixels` holds `width` x
// `height` RGBA quadruples, rows top to bottom, no padding. Pictures without alpha come out with
// alpha 255. Intentionally copyable; a full-size photograph is width x height x 4 bytes.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    const std::uint8_t* pixel(int x, int y) const {
        return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    }
    friend bool operator==(const RgbaImage&, const RgbaImage&) = default;
};

// Pictures whose stored grid holds more pixels than this are refused by every decode below. The
// header of a hostile file can declare any size for a few bytes of data; decoding even a valid
// one of 100,000 x 100,000 pixels would take minutes. 2^28 pixels is a 16,384 x 16,384 picture,
// far beyond any camera.
inline constexpr std::int64_t maxDecodedPixels = std::int64_t{1} << 28;

// Size of a picture as displayed (orientation applied).
struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// What the header of a decodable picture says, read without decoding pixels.
struct PictureHeader {
    PixelSize upright;      // frame 0, orientation applied
    int orientation = 1;    // EXIF code 1 to 8 (anything else reads as 1)
    bool hasAlpha = false;  // the stored frame has an alpha channel
};

// Reads the header of `bytes` when they are a picture this layer will decode: a known picture
// container (never a document such as PDF or SVG), frame 0 at least 1 x 1 and at most
// `maxDecodedPixels`. Absent otherwise. Any thread.
std::optional<PictureHeader> readPictureHeader(const Bytes& bytes);

// True when `bytes` pass every check a decode makes before it reads pixels: a picture container
// (as for `readPictureHeader`) and complete data, that is a JPEG reaching its end-of-image marker
// or a PNG reaching its end chunk. Reads no pixels, so damage inside the compressed data goes
// unseen; it vouches for bytes that are copied into a presentation without being decoded.
bool passesDecodeChecks(const Bytes& bytes);

// The first frame at full size, upright (the EXIF orientation is applied), in sRGB. Absent when
// the bytes are not a decodable picture or the pixels are damaged (a truncated file fails rather
// than coming back partly grey). Any thread; no shared state.
std::optional<RgbaImage> decodeFirstFrame(const Bytes& bytes);

// The first frame scaled down so that its longer side is at most `maxPixelSize` (values below 1
// count as 1), upright and in sRGB. A picture already within the limit keeps its size; pictures
// are never enlarged. Decoding uses the loaders' shrink-on-load, so memory follows the output
// size. Embedded preview images are never used. Absent as for `decodeFirstFrame`.
std::optional<RgbaImage> decodeThumbnail(const Bytes& bytes, int maxPixelSize);

// The first frame, upright, in 8-bit sRGB (3 bands, or 4 with alpha), scaled to exactly `size`
// when given (each axis independently; shrink-on-load as above) and otherwise at full size. The
// result is evaluated lazily and keeps `bytes` alive; it still owes its pixels, so a damaged
// file surfaces as a failure when the image is written. For encoders that write the picture
// straight from libvips. Absent as for `decodeFirstFrame`.
struct UprightVipsImage {
    Bytes source;           // the encoded bytes `image` reads from; outlives `image`
    VipsImageHandle image;  // declared last so that it is released first
};
std::optional<UprightVipsImage> decodeUprightImage(const Bytes& bytes,
                                                   std::optional<PixelSize> size);

}  // namespace mosavelle
