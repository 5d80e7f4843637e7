#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "core/import/image_io_error.h"
#include "core/import/image_metadata.h"
#include "core/import/image_types.h"
#include "core/platform/bytes.h"
#include "core/platform/dates.h"

namespace mosavelle {

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

// A picture container opened over shared bytes (no copy). Opaque apart from the bytes it holds;
// cheap to copy; safe to use from any thread.
class ImageSource {
public:
    const Bytes& bytes() const { return bytes_; }

private:
    friend std::optional<ImageSource> openImageSource(Bytes bytes);
    friend std::variant<DecodedImageInfo, ImageIOError> readImageInfo(const ImageSource& source);
    ImageSource(Bytes bytes, std::optional<std::string_view> type)
        : bytes_(std::move(bytes)), type_(type) {}

    Bytes bytes_;
    std::optional<std::string_view> type_;  // from the signature; nothing when none matched
};

// Opens `bytes` as a picture container. Nothing only when there is nothing to open (no bytes)
// or the image library cannot start; callers report that as `ImageIOError::unreadable`. Bytes
// of an unknown kind still open: `readImageInfo` then reports them as unreadable.
std::optional<ImageSource> openImageSource(Bytes bytes);

using ImageInfoResult = std::variant<DecodedImageInfo, ImageIOError>;

// Reads the facts of frame 0 from the container header and the file's own metadata fields;
// pixels are never decoded. The first failing check decides the error: no known type
// (unreadable), a type that is not a picture (unsupported), no frame (empty), a header the
// library cannot read (unreadable), a width or height below 1 (empty).
ImageInfoResult readImageInfo(const ImageSource& source);

// The capture date of `fields`: the EXIF original date if it is text, else the EXIF digitized
// date if it is text, else the TIFF date if it is text. Only that first text is parsed; nothing
// when it is not exactly "yyyy:MM:dd HH:mm:ss" with valid values.
std::optional<Timestamp> readCaptureDate(const TiffFields& fields);

// Parses "yyyy:MM:dd HH:mm:ss" as a wall-clock time in the computer's current time zone (ICU's
// default zone). Nothing for any other form or an out-of-range field.
std::optional<Timestamp> parseCaptureDate(std::string_view text);

}  // namespace mosavelle
