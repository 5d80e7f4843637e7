#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "core/import/image_io_error.h"
#include "core/import/rgba_image.h"
#include "core/platform/bytes.h"
#include "core/platform/dates.h"

namespace mosavelle {

struct UprightVipsImage;  // detail/vips_decoding.h

// Facts about one picture, read without decoding its pixels. Size and resolution describe the
// picture upright on screen: for orientations 5 to 8 the stored width and height are exchanged,
// and so are the two resolutions. `orientation` keeps the stored EXIF code so that a decoder
// knows how to turn the pixels.
struct DecodedImageInfo {
    std::int64_t pixelWidth = 1;   // as displayed; at least 1
    std::int64_t pixelHeight = 1;  // as displayed; at least 1
    double dpiX = 72;              // whole number from 1 to 2048; 72 when none or unusable
    double dpiY = 72;
    std::optional<Timestamp> captureDate;  // local wall-clock time of the camera's date
    bool hasAlpha = false;                 // frame 0 declares an alpha channel
    std::int64_t frameCount = 1;           // frames, pages or top-level images; at least 1
    std::string uti;                       // container type identifier, e.g. "public.jpeg"
    std::uint32_t orientation = 1;         // EXIF orientation code 1 to 8
    friend bool operator==(const DecodedImageInfo&, const DecodedImageInfo&) = default;
};

using ImageInfoResult = std::variant<DecodedImageInfo, ImageIOError>;

// Pictures whose stored grid holds more pixels than this are never decoded. The header of a
// hostile file can declare any size for a few bytes of data; decoding even a valid one of
// 100,000 x 100,000 pixels would take minutes. 2^28 pixels is a 16,384 x 16,384 picture, far
// beyond any camera. Facts are still read for such a picture: only its pixels are refused.
inline constexpr std::int64_t maxDecodedPixels = std::int64_t{1} << 28;

// What the header of a decodable picture says, read without decoding pixels.
struct PictureHeader {
    PixelSize upright;    // frame 0, orientation applied
    int orientation = 1;  // EXIF code 1 to 8, as the facts report it
};

// One picture held as shared bytes (no copy), identified once when it is opened: its container
// type from the signature, its container fields, and its header as the loader of that type reads
// it. Facts, decoding and thumbnails are all served from that one identification, so they agree
// on the type, the size and the orientation. Cheap to copy; safe to use from any thread.
class ImageSource {
public:
    const Bytes& bytes() const;

    // The facts of frame 0 from the container header and the file's own metadata fields; pixels
    // are never decoded. The first failing check decides the error: no known type (unreadable),
    // a type that is not a picture (unsupported), no frame (empty), a header the library cannot
    // read (unreadable), a width or height below 1 (empty).
    const ImageInfoResult& facts() const;

    // The header when this layer will decode the picture: a known picture container (never a
    // document such as PDF or SVG), frame 0 at least 1 x 1 and at most `maxDecodedPixels`.
    const std::optional<PictureHeader>& decodableHeader() const;

    // True when the picture passes every check a decode makes before it reads pixels: a
    // decodable header and complete data, that is a JPEG reaching its end-of-image marker or a
    // PNG reaching its end chunk. Reads no pixels, so damage inside the compressed data goes
    // unseen; it vouches for bytes that are copied into a presentation without being decoded.
    bool passesDecodeChecks() const;

    // The first frame at full size, upright (the orientation of the facts is applied), in sRGB.
    // Absent when the picture is not decodable or its pixels are damaged (a truncated file fails
    // rather than coming back partly grey).
    std::optional<RgbaImage> decodeFirstFrame() const;

    // The first frame scaled down so that its longer side is at most `maxPixelSize` (values below
    // 1 count as 1), upright and in sRGB. A picture already within the limit keeps its size;
    // pictures are never enlarged. Decoding uses the loaders' shrink-on-load, so memory follows
    // the output size. Embedded preview images are never used. Absent as for `decodeFirstFrame`.
    std::optional<RgbaImage> decodeThumbnail(int maxPixelSize) const;

    struct Identity;  // what opening found; opaque outside the source's own code

private:
    friend std::optional<ImageSource> openImageSource(Bytes bytes);
    friend std::optional<UprightVipsImage> decodeUprightImage(const ImageSource& source,
                                                              std::optional<PixelSize> size);
    explicit ImageSource(std::shared_ptr<const Identity> identity)
        : identity_(std::move(identity)) {}

    std::shared_ptr<const Identity> identity_;
};

// For a program that starts, reads pictures once and ends: the decoders that come as libraries'
// modules (HEIF, JPEG XL, bitmaps) load when a picture of theirs first comes instead of at start,
// which costs more than reading a few dozen JPEG files. Call first in main(), before any thread
// starts: it sets an environment variable.
void loadModuleDecodersOnDemand();

// Opens `bytes` as a picture and identifies it. Nothing only when there is nothing to open (no
// bytes) or the image library cannot start; callers report that as `ImageIOError::unreadable`.
// Bytes of an unknown kind still open: their facts then report them as unreadable.
std::optional<ImageSource> openImageSource(Bytes bytes);

// `size` with its longer side at most `limit`, keeping the aspect; each side rounded half away
// from zero and at least 1. A size already within the limit is returned unchanged.
PixelSize boundedSize(PixelSize size, double limit);

}  // namespace mosavelle
