#include "core/import/metadata_reader.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/import/image_metadata.h"
#include "core/import/image_types.h"
#include "core/platform/dates.h"

// exiv2 0.27 hands out std::auto_ptr, which C++17 deprecates; the pointers never leave this file.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace mosavelle {
namespace {

// Raw bytes read from one field before decoding: enough for `maxMetadataTextLength` code points
// in any of the encodings (at most four bytes each), so that a cut never falls inside them.
constexpr std::size_t maxRawFieldBytes = 4 * maxMetadataTextLength + 4;

// The largest XMP packet parsed on its own: far beyond any photo's, small enough to bound the
// parser's memory.
constexpr std::size_t maxXmpPacketBytes = std::size_t{4} << 20;

// Descriptions that cameras write by themselves; they describe nothing.
constexpr std::array<std::string_view, 6> cameraDefaultDescriptions = {
    "OLYMPUS DIGITAL CAMERA",  "SONY DSC", "DIGITAL CAMERA",
    "SAMSUNG CAMERA PICTURES", "default",  "Exif_JPEG_PICTURE"};

std::string_view capped(std::string_view raw) {
    return raw.substr(0, std::min(raw.size(), maxRawFieldBytes));
}

std::string clean(const icu::UnicodeString& decoded, std::size_t maxLength) {
    icu::UnicodeString out;
    bool pendingSpace = false;
    std::size_t count = 0;
    for (int32_t i = 0; i < decoded.length() && count < maxLength;) {
        const UChar32 c = decoded.char32At(i);
        i += U16_LENGTH(c);
        const bool space = u_isUWhiteSpace(c) || u_iscntrl(c) || c == 0xFEFF;
        if (space) {
            pendingSpace = !out.isEmpty();
            continue;
        }
        if (pendingSpace && count + 1 < maxLength) {
            out.append(UChar32(' '));
            ++count;
        }
        pendingSpace = false;
        out.append(c);
        ++count;
    }
    std::string utf8;
    out.toUTF8String(utf8);
    return utf8;
}

std::optional<std::string> nonEmpty(std::string text) {
    return text.empty() ? std::nullopt : std::optional(std::move(text));
}

std::optional<std::string> fromUTF8(std::string_view raw) {
    return nonEmpty(clean(icu::UnicodeString::fromUTF8(capped(raw)), maxMetadataTextLength));
}

// Bytes in the named ICU character set; unmappable bytes become U+FFFD.
std::optional<std::string> fromCharset(std::string_view raw, const char* charset) {
    raw = capped(raw);
    const icu::UnicodeString decoded(raw.data(), static_cast<int32_t>(raw.size()), charset);
    return nonEmpty(clean(decoded, maxMetadataTextLength));
}

// UTF-16 code units in the given byte order, up to the first NUL unit; unpaired surrogates
// become U+FFFD.
std::optional<std::string> fromUTF16(std::string_view raw, bool bigEndian) {
    raw = capped(raw);
    icu::UnicodeString decoded;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        const auto a = static_cast<unsigned char>(raw[i]);
        const auto b = static_cast<unsigned char>(raw[i + 1]);
        const auto unit = static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
        if (unit == 0)
            break;
        decoded.append(unit);
    }
    const icu::UnicodeString whole = decoded;
    decoded.remove();
    for (int32_t i = 0; i < whole.length();) {
        const UChar32 c = whole.char32At(i);
        i += U16_LENGTH(c);
        decoded.append(U_IS_SURROGATE(c) ? UChar32(0xFFFD) : c);
    }
    return nonEmpty(clean(decoded, maxMetadataTextLength));
}

bool isValidUTF8(std::string_view raw) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, raw.data(), static_cast<int32_t>(raw.size()), &status);
    return status != U_INVALID_CHAR_FOUND && status != U_ILLEGAL_CHAR_FOUND;
}

// ---------------------------------------------------------------------------------------------
// The three blocks

// The raw bytes of an EXIF value as stored in the file.
std::string exifBytes(const Exiv2::Exifdatum& datum, Exiv2::ByteOrder order) {
    const long size = std::min<long>(datum.size(), static_cast<long>(maxRawFieldBytes));
    if (size <= 0 || datum.size() > (1L << 24))
        return {};
    std::vector<Exiv2::byte> buffer(static_cast<std::size_t>(datum.size()));
    datum.copy(buffer.data(), order);
    return std::string(reinterpret_cast<const char*>(buffer.data()),
                       static_cast<std::size_t>(size));
}

const Exiv2::Exifdatum* exifField(const Exiv2::ExifData& exif, std::uint16_t tag,
                                  const char* group) {
    const auto it = exif.findKey(Exiv2::ExifKey(tag, group));
    return it == exif.end() ? nullptr : &*it;
}

// An ASCII field, up to its first NUL. Writers put UTF-8 there as often as ASCII.
std::optional<std::string> exifText(const Exiv2::ExifData& exif, std::uint16_t tag,
                                    const char* group, Exiv2::ByteOrder order) {
    const Exiv2::Exifdatum* datum = exifField(exif, tag, group);
    if (!datum || datum->typeId() != Exiv2::asciiString)
        return std::nullopt;
    std::string raw = exifBytes(*datum, order);
    raw.resize(std::min(raw.size(), raw.find('\0')));
    return fromUTF8(raw);
}

// The XP fields: UTF-16 little-endian in BYTE values, whatever the block's byte order.
std::optional<std::string> exifXPText(const Exiv2::ExifData& exif, std::uint16_t tag) {
    const Exiv2::Exifdatum* datum = exifField(exif, tag, "Image");
    if (!datum || datum->typeId() != Exiv2::unsignedByte)
        return std::nullopt;
    return fromUTF16(exifBytes(*datum, Exiv2::littleEndian), false);
}

// UserComment: an eight-byte character code, then the text.
std::optional<std::string> exifUserComment(const Exiv2::ExifData& exif, Exiv2::ByteOrder order) {
    const Exiv2::Exifdatum* datum = exifField(exif, 0x9286, "Photo");
    if (!datum || datum->typeId() != Exiv2::undefined)
        return std::nullopt;
    const std::string raw = exifBytes(*datum, order);
    if (raw.size() < 8)
        return std::nullopt;
    const std::string_view code(raw.data(), 8);
    std::string_view text = std::string_view(raw).substr(8);
    if (code == std::string_view("UNICODE\0", 8)) {
        // Writers use the block's byte order; a byte-order mark, when present, says otherwise.
        bool bigEndian = order == Exiv2::bigEndian;
        if (text.starts_with("\xFE\xFF") || text.starts_with("\xFF\xFE")) {
            bigEndian = text[0] == '\xFE';
            text.remove_prefix(2);
        }
        return fromUTF16(text, bigEndian);
    }
    text = text.substr(0, std::min(text.size(), text.find('\0')));
    if (code == std::string_view("JIS\0\0\0\0\0", 8))
        return fromCharset(text, "Shift_JIS");
    return fromUTF8(text);  // "ASCII", undefined (eight NULs), or unknown
}

// A value of three rationals (degrees, minutes, seconds) with its N/S or E/W reference.
std::optional<double> exifCoordinate(const Exiv2::ExifData& exif, std::uint16_t valueTag,
                                     std::uint16_t refTag, double limit) {
    const Exiv2::Exifdatum* value = exifField(exif, valueTag, "GPSInfo");
    const Exiv2::Exifdatum* ref = exifField(exif, refTag, "GPSInfo");
    if (!value || !ref || value->typeId() != Exiv2::unsignedRational || value->count() != 3)
        return std::nullopt;
    double degrees = 0;
    for (long i = 0; i < 3; ++i) {
        const Exiv2::Rational r = value->toRational(i);
        if (r.second == 0)
            return std::nullopt;
        degrees += static_cast<double>(static_cast<std::uint32_t>(r.first)) /
                   static_cast<std::uint32_t>(r.second) / std::pow(60.0, static_cast<double>(i));
    }
    const std::string sign = ref->toString();
    if (sign == "S" || sign == "W")
        degrees = -degrees;
    else if (sign != "N" && sign != "E")
        return std::nullopt;
    if (!std::isfinite(degrees) || std::abs(degrees) > limit)
        return std::nullopt;
    return degrees;
}

// "+HH:MM" or "-HH:MM" within fourteen hours.
std::optional<std::int32_t> parseUTCOffset(std::string_view text) {
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':')
        return std::nullopt;
    const auto civil =
        readCivilTime("2000:01:01 " + std::string(text.substr(1)) + ":00", "yyyy:MM:dd HH:mm:ss");
    if (!civil || civil->hour * 60 + civil->minute > 14 * 60)
        return std::nullopt;
    const std::int32_t minutes = civil->hour * 60 + civil->minute;
    return text[0] == '-' ? -minutes : minutes;
}

std::optional<CaptureMoment> exifCaptureMoment(const Exiv2::ExifData& exif,
                                               Exiv2::ByteOrder order) {
    const auto original = exifText(exif, 0x9003, "Photo", order);
    if (!original)
        return std::nullopt;
    const auto civil = readCivilTime(*original, "yyyy:MM:dd HH:mm:ss");
    if (!civil)
        return std::nullopt;
    char local[32];
    std::snprintf(local, sizeof local, "%04d-%02d-%02dT%02d:%02d:%02d", civil->year, civil->month,
                  civil->day, civil->hour, civil->minute, civil->second);
    CaptureMoment moment{local, std::nullopt};
    if (const auto offset = exifText(exif, 0x9011, "Photo", order))
        moment.utcOffsetMinutes = parseUTCOffset(*offset);
    return moment;
}

bool isCameraDefault(const std::string& description) {
    return std::find(cameraDefaultDescriptions.begin(), cameraDefaultDescriptions.end(),
                     description) != cameraDefaultDescriptions.end();
}

void readExif(const Exiv2::ExifData& exif, Exiv2::ByteOrder order, PictureMetadata& m) {
    if (order == Exiv2::invalidByteOrder)
        order = Exiv2::littleEndian;
    m.title = exifXPText(exif, 0x9c9b);
    auto description = exifText(exif, 0x010e, "Image", order);
    if (description && isCameraDefault(*description))
        description.reset();
    if (!description)
        description = exifXPText(exif, 0x9c9c);
    if (!description)
        description = exifUserComment(exif, order);
    m.description = description;
    if (const auto keywords = exifXPText(exif, 0x9c9e)) {
        std::string_view rest = *keywords;
        while (!rest.empty() && m.keywords.size() < maxMetadataKeywords) {
            const std::size_t end = std::min(rest.size(), rest.find(';'));
            if (auto keyword = fromUTF8(rest.substr(0, end)))
                m.keywords.push_back(std::move(*keyword));
            rest.remove_prefix(std::min(rest.size(), end + 1));
        }
    }
    m.artist = exifText(exif, 0x013b, "Image", order);
    m.captured = exifCaptureMoment(exif, order);
    m.cameraMake = exifText(exif, 0x010f, "Image", order);
    m.cameraModel = exifText(exif, 0x0110, "Image", order);
    m.bodySerialNumber = exifText(exif, 0xa431, "Photo", order);
    const auto latitude = exifCoordinate(exif, 0x0002, 0x0001, 90);
    const auto longitude = exifCoordinate(exif, 0x0004, 0x0003, 180);
    if (latitude && longitude)
        m.position = GeoPosition{*latitude, *longitude};
}

// IPTC strings: UTF-8 when the envelope's coded character set says so (ESC % G), or when the
// bytes are valid UTF-8; otherwise ISO 8859-1, the format's traditional default.
class IptcText {
public:
    explicit IptcText(const Exiv2::IptcData& iptc) : iptc_(iptc) {
        const auto set = iptc.findKey(Exiv2::IptcKey("Iptc.Envelope.CharacterSet"));
        declaredUTF8_ = set != iptc.end() && set->toString() == "\x1b%G";
    }

    std::optional<std::string> decode(const std::string& raw) const {
        if (declaredUTF8_ || isValidUTF8(capped(raw)))
            return fromUTF8(raw);
        return fromCharset(raw, "ISO-8859-1");
    }
    std::optional<std::string> first(const char* key) const {
        const auto it = iptc_.findKey(Exiv2::IptcKey(key));
        return it == iptc_.end() ? std::nullopt : decode(it->toString());
    }
    std::vector<std::string> all(const char* key) const {
        std::vector<std::string> out;
        for (const auto& datum : iptc_)
            if (datum.key() == key && out.size() < maxMetadataKeywords)
                if (auto text = decode(datum.toString()))
                    out.push_back(std::move(*text));
        return out;
    }

private:
    const Exiv2::IptcData& iptc_;
    bool declaredUTF8_ = false;
};

void readIptc(const Exiv2::IptcData& iptc, PictureMetadata& m) {
    const IptcText text(iptc);
    auto keep = [](std::optional<std::string>& field, std::optional<std::string> value) {
        if (value)
            field = std::move(value);
    };
    keep(m.title, text.first("Iptc.Application2.ObjectName"));
    keep(m.description, text.first("Iptc.Application2.Caption"));
    keep(m.city, text.first("Iptc.Application2.City"));
    keep(m.country, text.first("Iptc.Application2.CountryName"));
    keep(m.artist, text.first("Iptc.Application2.Byline"));
    if (auto keywords = text.all("Iptc.Application2.Keywords"); !keywords.empty())
        m.keywords = std::move(keywords);
}

// A simple or language-alternative XMP property: the default language's text, else the first.
std::optional<std::string> xmpText(const Exiv2::XmpData& xmp, const char* key) {
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it == xmp.end())
        return std::nullopt;
    if (const auto* alt = dynamic_cast<const Exiv2::LangAltValue*>(&it->value())) {
        if (alt->value_.empty())
            return std::nullopt;
        const auto chosen = alt->value_.find("x-default");
        return fromUTF8(chosen != alt->value_.end() ? chosen->second : alt->value_.begin()->second);
    }
    if (it->value().count() > 1)
        return fromUTF8(it->toString(0));
    return fromUTF8(it->toString());
}

std::vector<std::string> xmpList(const Exiv2::XmpData& xmp, const char* key) {
    std::vector<std::string> out;
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it == xmp.end())
        return out;
    const long count = std::min<long>(it->count(), static_cast<long>(maxMetadataKeywords));
    for (long i = 0; i < count; ++i)
        if (auto text = fromUTF8(it->toString(i)))
            out.push_back(std::move(*text));
    return out;
}

void readXmp(const Exiv2::XmpData& xmp, PictureMetadata& m) {
    auto keep = [](std::optional<std::string>& field, std::optional<std::string> value) {
        if (value)
            field = std::move(value);
    };
    auto title = xmpText(xmp, "Xmp.dc.title");
    keep(m.title, title ? std::move(title) : xmpText(xmp, "Xmp.photoshop.Headline"));
    keep(m.description, xmpText(xmp, "Xmp.dc.description"));
    keep(m.city, xmpText(xmp, "Xmp.photoshop.City"));
    keep(m.country, xmpText(xmp, "Xmp.photoshop.Country"));
    keep(m.artist, xmpText(xmp, "Xmp.dc.creator"));
    if (auto keywords = xmpList(xmp, "Xmp.dc.subject"); !keywords.empty())
        m.keywords = std::move(keywords);
}

// Each block found and parsed on its own, for a file whose whole parse stopped at a damaged one:
// the EXIF block the container carries, the IPTC record of a JPEG's Photoshop segment, and the
// XMP packet wherever the container keeps it. Lower preference first, as in the whole parse.
void readBlocksOneByOne(std::span<const std::uint8_t> bytes, PictureMetadata& m) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    try {
        if (const auto type = identifyImageType(bytes)) {
            std::span<const std::uint8_t> exif = readContainerFields(*type, bytes).exif;
            if (exif.size() >= 6 && std::memcmp(exif.data(), "Exif\0\0", 6) == 0)
                exif = exif.subspan(6);
            Exiv2::ExifData data;
            if (!exif.empty()) {
                const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(
                    data, exif.data(), static_cast<std::uint32_t>(exif.size()));
                readExif(data, order, m);
            }
        }
    } catch (const std::exception&) {
    }
    try {
        // The segment's length stands in the two bytes before its identifier.
        constexpr std::string_view photoshop("Photoshop 3.0\0", 14);
        const std::size_t at = text.find(photoshop);
        if (at != std::string_view::npos && at >= 2) {
            const std::size_t length = (std::size_t{bytes[at - 2]} << 8 | bytes[at - 1]);
            const std::size_t start = at + photoshop.size();
            const std::size_t end = std::min(bytes.size(), at - 2 + length);
            const Exiv2::byte* record = nullptr;
            std::uint32_t header = 0, size = 0;
            if (end > start &&
                Exiv2::Photoshop::locateIptcIrb(bytes.data() + start,
                                                static_cast<long>(end - start), &record, &header,
                                                &size) == 0 &&
                record) {
                Exiv2::IptcData iptc;
                if (Exiv2::IptcParser::decode(iptc, record + header, size) == 0)
                    readIptc(iptc, m);
            }
        }
    } catch (const std::exception&) {
    }
    try {
        const std::size_t begin = text.find("<x:xmpmeta");
        const std::size_t end = text.find("</x:xmpmeta>", begin);
        if (begin != std::string_view::npos && end != std::string_view::npos &&
            end - begin <= maxXmpPacketBytes) {
            Exiv2::XmpData xmp;
            const std::string packet(text.substr(begin, end + 12 - begin));
            if (Exiv2::XmpParser::decode(xmp, packet) == 0)
                readXmp(xmp, m);
        }
    } catch (const std::exception&) {
    }
}

// The XMP toolkit must be started once before any thread parses, with a lock of its own.
std::mutex xmpToolkitMutex;
void lockXmpToolkit(void* data, bool lock) {
    auto* mutex = static_cast<std::mutex*>(data);
    if (lock)
        mutex->lock();
    else
        mutex->unlock();
}

}  // namespace

void startMetadataLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(lockXmpToolkit, &xmpToolkitMutex);
    });
}

std::string cleanMetadataText(std::string_view text, std::size_t maxLength) {
    return clean(icu::UnicodeString::fromUTF8(text.substr(0, 4 * maxLength + 4)), maxLength);
}

PictureMetadata readPictureMetadata(std::span<const std::uint8_t> bytes) {
    PictureMetadata metadata;
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(LONG_MAX))
        return metadata;
    startMetadataLibrary();
    Exiv2::Image::AutoPtr image;
    try {
        image = Exiv2::ImageFactory::open(bytes.data(), static_cast<long>(bytes.size()));
    } catch (const std::exception&) {
        return metadata;  // not a file the reader knows
    }
    if (!image.get())
        return metadata;
    try {
        image->readMetadata();
    } catch (const std::exception&) {
        // A damaged block stops the whole parse: the others are read one by one instead.
        readBlocksOneByOne(bytes, metadata);
        return metadata;
    }
    // Each block is read on its own terms: a failure costs only its own fields. Lower preference
    // first, so that the preferred block overwrites what it also holds.
    try {
        readExif(image->exifData(), image->byteOrder(), metadata);
    } catch (const std::exception&) {
    }
    try {
        readIptc(image->iptcData(), metadata);
    } catch (const std::exception&) {
    }
    try {
        readXmp(image->xmpData(), metadata);
    } catch (const std::exception&) {
    }
    return metadata;
}

}  // namespace mosavelle

#pragma GCC diagnostic pop
