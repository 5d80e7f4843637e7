#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/import/rgba_image.h"
#include "core/model/enums.h"
#include "core/model/project.h"
#include "core/platform/bytes.h"
#include "core/platform/result.h"

namespace mosavelle {

// One media file of the presentation package.
struct EncodedPicture {
    Bytes data;
    std::string extensionName;  // "jpg" or "png"
    // The EXIF orientation (1 to 8) the picture shape must apply to show `data` upright; 1 when
    // the pixels are stored upright.
    int orientation = 1;
    // The CRC-32 of `data`, when it was computed ahead (by the worker that made it, while the
    // bytes were still in its cache) rather than by the archive writer.
    std::optional<std::uint32_t> crc32 = std::nullopt;
    friend bool operator==(const EncodedPicture&, const EncodedPicture&) = default;
};

// The media file name of the index-th distinct picture of an export (counting from 1), such as
// "image3.jpg"; it lives under "ppt/media/".
std::string mediaFileName(int index, const EncodedPicture& picture);

// The logo's media file name under "ppt/media/".
inline constexpr std::string_view logoMediaFileName = "logo.png";

// The longest side, in pixels, that a picture placed with a long edge of `placedLongEdgeInches`
// is written at: 8000 at best, max(inches x 150, 1920) at balanced, max(inches x 110, 1280) at
// small. A limit only; pictures are never enlarged.
double targetLongEdge(QualityPreset preset, double placedLongEdgeInches);

// JPEG quality from 0 to 1: 0.95 at best, 0.85 at balanced, 0.7 at small.
double jpegQuality(QualityPreset preset);

// Whether a picture written again (not passed through) is written as PNG: it has alpha or is a
// PNG or GIF. Every other picture is written as JPEG at `jpegQuality`.
bool writtenAsPng(const SourceImage& image);

// `size` scaled so that its longer side becomes `targetLongEdge` when it is longer than that;
// each side rounded half away from zero and at least 1. Unchanged otherwise.
PixelSize reducedSize(PixelSize size, double targetLongEdge);

// How a JPEG stored with an orientation other than 1 is made upright at best.
enum class RotatedJpeg {
    // Its bytes are kept; only the orientation value of the copy is set to 1, and the turn is
    // left to the picture shape (`EncodedPicture::orientation`). No pixel is touched.
    turnByShape,
    // Its DCT blocks are rearranged upright (slower; the pixels of the shape need no turn).
    turnLosslessly,
};

// Turns the stored bytes of one picture into the media file written for it.
//
// At best a JPEG or PNG (by `image.uti`) with orientation 1 is passed through byte for byte,
// without decoding, when its bytes are of that type and pass `ImageSource::passesDecodeChecks`;
// bytes that do not are decoded like any other picture, so broken ones fail rather than reach the
// package. A JPEG with another orientation is, by `rotatedJpeg`, either passed through with its
// orientation value set to 1 and the orientation returned for the shape, or turned upright
// losslessly, keeping its markers and setting its orientation tag to 1. When its orientation value
// cannot be rewritten in place the lossless turn is tried; when that is impossible too it is
// re-encoded at 0.95 like any other picture. A PNG with another orientation is written again
// upright.
//
// Every other case decodes the first frame upright in sRGB, scales it down to the preset's target
// (`targetLongEdge`, `reducedSize`) and writes PNG when the picture has alpha or is a PNG or GIF,
// else JPEG at `jpegQuality`. Nothing but the pixels is written: no orientation, resolution
// override or colour profile. Memory follows the output size (shrink-on-load).
//
// Fails with "This file could not be read as an image." when the picture must be decoded and
// cannot be. Pure; safe on any thread.
Result<EncodedPicture> encodePicture(const Bytes& stored, double placedLongEdgeInches,
                                     const SourceImage& image, QualityPreset preset,
                                     RotatedJpeg rotatedJpeg = RotatedJpeg::turnByShape);

// The whole logo, upright, as PNG bytes; never resized. Fails with "This file could not be read
// as an image." when the logo cannot be decoded.
Result<Bytes> encodeLogo(const Bytes& logo);

}  // namespace mosavelle
