#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/platform/dates.h"

namespace mosavelle {

// Where one field's value is stored inside the block given to `readTiffFields`, so that a writer
// can change the value in place.
struct TiffValueSlot {
    std::size_t at = 0;      // offset of the value within the block
    std::uint16_t type = 0;  // TIFF field type as stored (3 SHORT, 4 LONG, ...)
    bool bigEndian = false;
};

// Fields of a TIFF-structured block (a TIFF file, or the EXIF block of a JPEG, PNG, WebP or HEIF
// file): image file directory 0 and its EXIF sub-directory. Each field is present only when the
// file stores it with a usable type; nothing here is defaulted.
struct TiffFields {
    // Orientation (tag 0x0112) as an integer: integer types as stored, real types truncated.
    std::optional<std::int64_t> orientation;
    std::optional<TiffValueSlot> orientationSlot;  // present exactly when `orientation` is
    // XResolution and YResolution (0x011A, 0x011B) in the unit below, as stored (unrounded).
    std::optional<double> xResolution;
    std::optional<double> yResolution;
    std::optional<std::int64_t> resolutionUnit;  // 0x0128: 1 none, 2 inch, 3 centimetre
    // Date texts, present only when stored as ASCII; the text stops at the first NUL.
    std::optional<std::string> dateTime;           // directory 0, 0x0132
    std::optional<std::string> dateTimeOriginal;   // EXIF, 0x9003
    std::optional<std::string> dateTimeDigitized;  // EXIF, 0x9004
};

// Reads `block`, which starts with a TIFF header ("II*\0" or "MM\0*"), optionally preceded by the
// EXIF marker "Exif\0\0" or by up to 16 bytes of a container's own prefix. Nothing when no TIFF
// header is found. Never reads outside `block`; broken entries are skipped.
std::optional<TiffFields> readTiffFields(std::span<const std::uint8_t> block);

// Overwrites the integer field at `slot` of `block` (the block given to `readTiffFields`) with
// `value`. False, changing nothing, when the field has no integer type (BYTE, SHORT, LONG or their
// signed forms) or does not fit inside `block`.
bool writeTiffInteger(std::span<std::uint8_t> block, const TiffValueSlot& slot,
                      std::uint32_t value);

// Resolution in dots per inch from the X/Y resolution and unit of `fields`: absent for a missing
// value, a missing or unknown unit other than inch and centimetre, or a value that is not finite.
// A missing unit means inches, as TIFF defines.
std::optional<double> tiffDotsPerInch(const TiffFields& fields, bool horizontal);

// What a container's own structures say, read without decoding anything. Fields are absent when
// the container does not state them.
struct ContainerFields {
    std::optional<double> dpiX;  // dots per inch, unrounded (JFIF density, PNG pHYs, BMP header)
    std::optional<double> dpiY;
    std::span<const std::uint8_t> exif;       // the EXIF block the container carries; may be empty
    std::optional<std::int64_t> frameCount;   // APNG frames, GIF images
    std::optional<std::int64_t> pixelWidth;   // BMP only (read without the decoder)
    std::optional<std::int64_t> pixelHeight;  // BMP only
    std::optional<bool> hasAlpha;             // GIF frame 0 transparency, BMP alpha mask
    // The header states a zero width or height, or the container holds no image at all.
    bool declaresNoPixels = false;
    // JPEG: where the first start-of-scan marker stands, when the walk reached one.
    std::optional<std::size_t> firstScanAt;
    // PNG: the chunks, followed by their lengths, run from the signature to a whole end chunk.
    bool reachesEndChunk = false;
};

// Reads the fields of a JPEG, PNG, GIF or BMP file (`uti` as `identifyImageType` names it); for
// other types the result is empty. Never reads outside `bytes`.
ContainerFields readContainerFields(std::string_view uti, std::span<const std::uint8_t> bytes);

// The capture date of `fields`: the EXIF original date if it is text, else the EXIF digitized
// date if it is text, else the TIFF date if it is text. Only that first text is parsed; nothing
// when it is not exactly "yyyy:MM:dd HH:mm:ss" with valid values.
std::optional<Timestamp> readCaptureDate(const TiffFields& fields);

// Parses "yyyy:MM:dd HH:mm:ss" as a wall-clock time in the computer's current time zone (ICU's
// default zone). Nothing for any other form or an out-of-range field.
std::optional<Timestamp> parseCaptureDate(std::string_view text);

}  // namespace mosavelle
