#pragma once

#include <cstdint>
#include <optional>

#include "core/import/rgba_image.h"
#include "core/platform/bytes.h"

namespace mosavelle {

// Pictures whose stored grid holds more pixels than this are refused by every decode below. The
// header of a hostile file can declare any size for a few bytes of data; decoding even a valid
// one of 100,000 x 100,000 pixels would take minutes. 2^28 pixels is a 16,384 x 16,384 picture,
// far beyond any camera.
inline constexpr std::int64_t maxDecodedPixels = std::int64_t{1} << 28;

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

}  // namespace mosavelle
