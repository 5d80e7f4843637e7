#include "core/import/image_metadata.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include "core/platform/byte_order.h"

namespace mosavelle {

namespace {

using ByteSpan = std::span<const std::uint8_t>;

bool hasPrefix(ByteSpan b, std::size_t at, std::string_view prefix) {
    return at <= b.size() && b.size() - at >= prefix.size() &&
           std::memcmp(b.data() + at, prefix.data(), prefix.size()) == 0;
}

// ---- TIFF structure ----------------------------------------------------------------------------

enum TiffType : std::uint16_t {
    kByte = 1,
    kAscii = 2,
    kShort = 3,
    kLong = 4,
    kRational = 5,
    kSByte = 6,
    kUndefined = 7,
    kSShort = 8,
    kSLong = 9,
    kSRational = 10,
    kFloat = 11,
    kDouble = 12,
    kIfd = 13,
};

std::size_t tiffTypeSize(std::uint16_t type) {
    switch (type) {
        case kByte:
        case kAscii:
        case kSByte:
        case kUndefined:
            return 1;
        case kShort:
        case kSShort:
            return 2;
        case kLong:
        case kSLong:
        case kFloat:
        case kIfd:
            return 4;
        case kRational:
        case kSRational:
        case kDouble:
            return 8;
        default:
            return 0;
    }
}

struct TiffEntry {
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::size_t valueAt = 0;  // offset of the first value within the block
};

class TiffReader {
public:
    TiffReader(ByteSpan block, bool bigEndian) : block_(block), big_(bigEndian) {}

    std::uint16_t u16(std::size_t at) const {
        return big_ ? bigEndian16(block_, at) : littleEndian16(block_, at);
    }
    std::uint32_t u32(std::size_t at) const {
        return big_ ? bigEndian32(block_, at) : littleEndian32(block_, at);
    }
    bool fits(std::size_t at, std::size_t length) const {
        return at <= block_.size() && block_.size() - at >= length;
    }

    // Calls `visit(tag, entry)` for each well-formed entry of the directory at `offset`.
    template <class Visit>
    void forEachEntry(std::uint32_t offset, Visit visit) const {
        if (!fits(offset, 2))
            return;
        const std::size_t count = u16(offset);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = offset + 2 + i * 12;
            if (!fits(at, 12))
                return;
            TiffEntry entry;
            entry.type = u16(at + 2);
            entry.count = u32(at + 4);
            const std::size_t unit = tiffTypeSize(entry.type);
            if (unit == 0 || entry.count == 0)
                continue;
            const std::uint64_t length = std::uint64_t{unit} * entry.count;
            entry.valueAt = length <= 4 ? at + 8 : u32(at + 8);
            if (length > std::numeric_limits<std::size_t>::max() || !fits(entry.valueAt, length)) {
                continue;
            }
            visit(u16(at), entry);
        }
    }

    // The first value of a numeric entry, as a real. Nothing for text, opaque bytes, a zero
    // denominator or a value that is not finite.
    std::optional<double> real(const TiffEntry& e) const {
        const std::size_t at = e.valueAt;
        double value = 0;
        switch (e.type) {
            case kByte:
                value = block_[at];
                break;
            case kSByte:
                value = static_cast<std::int8_t>(block_[at]);
                break;
            case kShort:
                value = u16(at);
                break;
            case kSShort:
                value = static_cast<std::int16_t>(u16(at));
                break;
            case kLong:
            case kIfd:
                value = u32(at);
                break;
            case kSLong:
                value = static_cast<std::int32_t>(u32(at));
                break;
            case kRational:
                if (u32(at + 4) == 0)
                    return std::nullopt;
                value = static_cast<double>(u32(at)) / u32(at + 4);
                break;
            case kSRational: {
                const auto denominator = static_cast<std::int32_t>(u32(at + 4));
                if (denominator == 0)
                    return std::nullopt;
                value = static_cast<double>(static_cast<std::int32_t>(u32(at))) / denominator;
                break;
            }
            case kFloat: {
                const std::uint32_t raw = u32(at);
                float f;
                std::memcpy(&f, &raw, sizeof f);
                value = f;
                break;
            }
            case kDouble: {
                const std::uint64_t raw =
                    (std::uint64_t{u32(big_ ? at : at + 4)} << 32) | u32(big_ ? at + 4 : at);
                std::memcpy(&value, &raw, sizeof value);
                break;
            }
            default:
                return std::nullopt;
        }
        if (!std::isfinite(value))
            return std::nullopt;
        return value;
    }

    // Integer types give their value; real types give their value truncated toward zero.
    std::optional<std::int64_t> integer(const TiffEntry& e) const {
        const std::optional<double> value = real(e);
        if (!value || std::fabs(*value) > 9.0e15)
            return std::nullopt;
        return static_cast<std::int64_t>(*value);
    }

    std::optional<std::string> text(const TiffEntry& e) const {
        if (e.type != kAscii)
            return std::nullopt;
        const char* start = reinterpret_cast<const char*>(block_.data() + e.valueAt);
        return std::string(start, std::find(start, start + e.count, '\0'));
    }

private:
    ByteSpan block_;
    bool big_;
};

std::optional<std::size_t> findTiffHeader(ByteSpan block) {
    const std::size_t start = hasPrefix(block, 0, std::string_view("Exif\0\0", 6)) ? 6 : 0;
    for (std::size_t at = start; at <= start + 16; ++at) {
        if (hasPrefix(block, at, std::string_view("II*\0", 4)) ||
            hasPrefix(block, at, std::string_view("MM\0*", 4))) {
            return at;
        }
    }
    return std::nullopt;
}

// ---- containers --------------------------------------------------------------------------------

bool isStartOfFrame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the JPEG marker segments up to the first scan.
ContainerFields readJpeg(ByteSpan b) {
    ContainerFields fields;
    std::size_t at = 2;
    bool sawJfif = false;
    while (at + 4 <= b.size()) {
        if (b[at] != 0xFF)
            break;
        const std::uint8_t marker = b[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA)
            fields.firstScanAt = at;
        if (marker == 0xD9 || marker == 0xDA)
            break;  // end of image, start of scan
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        const std::size_t length = bigEndian16(b, at + 2);
        if (length < 2 || at + 2 + length > b.size())
            break;
        const ByteSpan data = b.subspan(at + 4, length - 2);
        if (marker == 0xE0 && !sawJfif && hasPrefix(data, 0, std::string_view("JFIF\0", 5)) &&
            data.size() >= 12) {
            sawJfif = true;
            // Units 1 are dots per inch, 2 dots per centimetre; 0 gives only an aspect ratio.
            const std::uint8_t units = data[7];
            const double scale = units == 1 ? 1.0 : units == 2 ? 2.54 : 0.0;
            if (scale > 0) {
                fields.dpiX = bigEndian16(data, 8) * scale;
                fields.dpiY = bigEndian16(data, 10) * scale;
            }
        } else if (marker == 0xE1 && fields.exif.empty() &&
                   hasPrefix(data, 0, std::string_view("Exif\0\0", 6))) {
            fields.exif = data;
        } else if (isStartOfFrame(marker) && data.size() >= 5) {
            if (bigEndian16(data, 1) == 0 || bigEndian16(data, 3) == 0) {
                fields.declaresNoPixels = true;
            }
        }
        at += 2 + length;
    }
    return fields;
}

// Walks the PNG chunks (lengths only; checksums are the decoder's business).
ContainerFields readPng(ByteSpan b) {
    ContainerFields fields;
    std::size_t at = 8;
    while (at + 8 <= b.size()) {
        const std::size_t length = bigEndian32(b, at);
        const std::string_view kind(reinterpret_cast<const char*>(b.data() + at + 4), 4);
        if (length > b.size() - at - 8)
            break;
        const ByteSpan data = b.subspan(at + 8, length);
        if (kind == "IHDR" && data.size() >= 8) {
            if (bigEndian32(data, 0) == 0 || bigEndian32(data, 4) == 0) {
                fields.declaresNoPixels = true;
            }
        } else if (kind == "pHYs" && data.size() >= 9 && data[8] == 1) {
            // Unit 1 is pixels per metre; unit 0 gives only an aspect ratio.
            fields.dpiX = bigEndian32(data, 0) * 0.0254;
            fields.dpiY = bigEndian32(data, 4) * 0.0254;
        } else if (kind == "eXIf" && fields.exif.empty()) {
            fields.exif = data;
        } else if (kind == "acTL" && data.size() >= 8 && bigEndian32(data, 0) >= 1) {
            fields.frameCount = bigEndian32(data, 0);
        } else if (kind == "IEND") {
            fields.reachesEndChunk = at + 12 <= b.size();
            break;
        }
        at += 12 + length;
    }
    return fields;
}

// Skips GIF data sub-blocks starting at `at`; returns the offset after the terminator, or
// nothing when the data ends first.
std::optional<std::size_t> skipSubBlocks(ByteSpan b, std::size_t at) {
    while (at < b.size()) {
        const std::size_t size = b[at];
        if (size == 0)
            return at + 1;
        at += 1 + size;
    }
    return std::nullopt;
}

ContainerFields readGif(ByteSpan b) {
    ContainerFields fields;
    if (b.size() < 13) {
        fields.declaresNoPixels = true;
        return fields;
    }
    std::size_t at = 13;
    if (b[10] & 0x80)
        at += 3u << ((b[10] & 0x07) + 1);  // global colour table
    std::int64_t images = 0;
    bool transparentPending = false;
    while (at < b.size()) {
        const std::uint8_t block = b[at];
        if (block == 0x3B)
            break;  // trailer
        if (block == 0x21 && at + 1 < b.size()) {
            const std::uint8_t label = b[at + 1];
            if (label == 0xF9 && at + 4 < b.size() && b[at + 2] >= 4) {
                transparentPending = (b[at + 3] & 0x01) != 0;
            }
            const auto next = skipSubBlocks(b, at + 2);
            if (!next)
                break;
            at = *next;
        } else if (block == 0x2C && at + 10 <= b.size()) {
            if (images == 0) {
                fields.hasAlpha = transparentPending;
                if (littleEndian16(b, at + 5) == 0 || littleEndian16(b, at + 7) == 0) {
                    fields.declaresNoPixels = true;
                }
            }
            ++images;
            transparentPending = false;
            std::size_t next = at + 10;
            const std::uint8_t flags = b[at + 9];
            if (flags & 0x80)
                next += 3u << ((flags & 0x07) + 1);         // local colour table
            const auto after = skipSubBlocks(b, next + 1);  // past the LZW code size
            if (!after)
                break;
            at = *after;
        } else {
            break;
        }
    }
    fields.frameCount = images;
    if (images == 0)
        fields.declaresNoPixels = true;
    return fields;
}

ContainerFields readBmp(ByteSpan b) {
    ContainerFields fields;
    if (b.size() < 26)
        return fields;
    const std::uint32_t headerSize = littleEndian32(b, 14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (headerSize == 12) {
        width = littleEndian16(b, 18);
        height = littleEndian16(b, 20);
    } else {
        width = static_cast<std::int32_t>(littleEndian32(b, 18));
        height = static_cast<std::int32_t>(littleEndian32(b, 22));
        if (b.size() >= 14 + 40) {
            const std::uint16_t bitCount = littleEndian16(b, 28);
            const std::uint32_t compression = littleEndian32(b, 30);
            const auto ppmX = static_cast<std::int32_t>(littleEndian32(b, 38));
            const auto ppmY = static_cast<std::int32_t>(littleEndian32(b, 42));
            if (ppmX > 0)
                fields.dpiX = ppmX * 0.0254;
            if (ppmY > 0)
                fields.dpiY = ppmY * 0.0254;
            // The alpha mask sits at the same place whether it belongs to a V3+ header or
            // follows a 40-byte header as a bit-field mask (compression 6).
            bool alpha = false;
            if ((headerSize >= 56 || compression == 6) && b.size() >= 14 + 56) {
                alpha = littleEndian32(b, 14 + 52) != 0 && (bitCount == 16 || bitCount == 32);
            }
            fields.hasAlpha = alpha;
        }
    }
    // A negative height marks a top-down bitmap.
    height = height < 0 ? -height : height;
    fields.pixelWidth = width;
    fields.pixelHeight = height;
    fields.frameCount = 1;
    if (width <= 0 || height == 0)
        fields.declaresNoPixels = true;
    return fields;
}

}  // namespace

std::optional<TiffFields> readTiffFields(std::span<const std::uint8_t> block) {
    const std::optional<std::size_t> header = findTiffHeader(block);
    if (!header)
        return std::nullopt;
    const ByteSpan tiff = block.subspan(*header);
    const TiffReader reader(tiff, tiff[0] == 'M');
    if (!reader.fits(4, 4))
        return std::nullopt;

    TiffFields fields;
    std::optional<std::uint32_t> exifOffset;
    reader.forEachEntry(reader.u32(4), [&](std::uint16_t tag, const TiffEntry& entry) {
        switch (tag) {
            case 0x0112:
                fields.orientation = reader.integer(entry);
                if (fields.orientation) {
                    fields.orientationSlot =
                        TiffValueSlot{*header + entry.valueAt, entry.type, tiff[0] == 'M'};
                }
                break;
            case 0x011A:
                fields.xResolution = reader.real(entry);
                break;
            case 0x011B:
                fields.yResolution = reader.real(entry);
                break;
            case 0x0128:
                fields.resolutionUnit = reader.integer(entry);
                break;
            case 0x0132:
                fields.dateTime = reader.text(entry);
                break;
            case 0x8769:
                if (entry.type == kLong || entry.type == kIfd) {
                    exifOffset = reader.u32(entry.valueAt);
                }
                break;
            default:
                break;
        }
    });
    if (exifOffset) {
        reader.forEachEntry(*exifOffset, [&](std::uint16_t tag, const TiffEntry& entry) {
            if (tag == 0x9003)
                fields.dateTimeOriginal = reader.text(entry);
            if (tag == 0x9004)
                fields.dateTimeDigitized = reader.text(entry);
        });
    }
    return fields;
}

bool writeTiffInteger(std::span<std::uint8_t> block, const TiffValueSlot& slot,
                      std::uint32_t value) {
    std::size_t size = 0;
    switch (slot.type) {
        case kByte:
        case kSByte:
            size = 1;
            break;
        case kShort:
        case kSShort:
            size = 2;
            break;
        case kLong:
        case kSLong:
            size = 4;
            break;
        default:
            return false;
    }
    if (slot.at > block.size() || block.size() - slot.at < size)
        return false;
    for (std::size_t i = 0; i < size; ++i) {
        const std::size_t shift = 8 * (slot.bigEndian ? size - 1 - i : i);
        block[slot.at + i] = static_cast<std::uint8_t>(value >> shift);
    }
    return true;
}

std::optional<double> tiffDotsPerInch(const TiffFields& fields, bool horizontal) {
    const std::optional<double>& value = horizontal ? fields.xResolution : fields.yResolution;
    if (!value)
        return std::nullopt;
    const std::int64_t unit = fields.resolutionUnit.value_or(2);
    if (unit == 2)
        return *value;
    if (unit == 3)
        return *value * 2.54;
    return std::nullopt;
}

ContainerFields readContainerFields(std::string_view uti, std::span<const std::uint8_t> bytes) {
    if (uti == "public.jpeg")
        return readJpeg(bytes);
    if (uti == "public.png")
        return readPng(bytes);
    if (uti == "com.compuserve.gif")
        return readGif(bytes);
    if (uti == "com.microsoft.bmp")
        return readBmp(bytes);
    return {};
}

std::optional<Timestamp> readCaptureDate(const TiffFields& fields) {
    const std::optional<std::string>& chosen = fields.dateTimeOriginal    ? fields.dateTimeOriginal
                                               : fields.dateTimeDigitized ? fields.dateTimeDigitized
                                                                          : fields.dateTime;
    if (!chosen)
        return std::nullopt;
    return parseCaptureDate(*chosen);
}

std::optional<Timestamp> parseCaptureDate(std::string_view text) {
    const std::optional<CivilTime> time = readCivilTime(text, "yyyy:MM:dd HH:mm:ss");
    if (!time || time->year < 1)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(icu::TimeZone::createDefault(), status);
    if (U_FAILURE(status))
        return std::nullopt;
    calendar.clear();
    // A wall-clock time skipped by a daylight-saving change moves forward, as clocks do.
    calendar.set(time->year, time->month - 1, time->day, time->hour, time->minute, time->second);
    const UDate milliseconds = calendar.getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return Timestamp(
        std::chrono::seconds(static_cast<std::int64_t>(std::floor(milliseconds / 1000.0))));
}

}  // namespace mosavelle
