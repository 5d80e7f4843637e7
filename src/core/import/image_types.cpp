#include "core/import/image_types.h"

#include <algorithm>
#include <cstring>

#include "core/platform/byte_order.h"

namespace mosavelle {

namespace {

struct TypeEntry {
    std::string_view uti;
    bool isImage;
};

// The conformance table: every identifier `identifyImageType` can produce, and whether the type
// is a picture. An identifier missing here names no type this system can build.
constexpr TypeEntry kTypes[] = {
    {"public.jpeg", true},         {"public.png", true},     {"com.compuserve.gif", true},
    {"com.microsoft.bmp", true},   {"public.tiff", true},    {"org.webmproject.webp", true},
    {"public.heic", true},         {"public.heif", true},    {"public.avif", true},
    {"public.jpeg-2000", true},    {"public.jpeg-xl", true}, {"com.adobe.pdf", false},
    {"public.zip-archive", false}, {"public.mpeg-4", false}, {"com.apple.quicktime-movie", false},
};

bool startsWith(std::span<const std::uint8_t> bytes, std::string_view prefix, std::size_t at = 0) {
    return bytes.size() >= at + prefix.size() &&
           std::memcmp(bytes.data() + at, prefix.data(), prefix.size()) == 0;
}

// ISO base media files ("ftyp" box first) carry pictures (HEIF family) or movies. The major brand
// decides; a generic major brand falls back to the compatible brands.
std::optional<std::string_view> identifyIsoMedia(std::span<const std::uint8_t> bytes) {
    const std::uint32_t boxSize = bigEndian32(bytes, 0);
    auto brandType = [](std::string_view brand) -> std::optional<std::string_view> {
        if (brand == "heic" || brand == "heix" || brand == "heim" || brand == "heis" ||
            brand == "hevc" || brand == "hevx") {
            return "public.heic";
        }
        if (brand == "avif" || brand == "avis")
            return "public.avif";
        if (brand == "mif1" || brand == "msf1" || brand == "mif2")
            return "public.heif";
        if (brand == "qt  ")
            return "com.apple.quicktime-movie";
        if (brand == "isom" || brand == "iso2" || brand == "mp41" || brand == "mp42" ||
            brand == "avc1" || brand == "M4V ") {
            return "public.mpeg-4";
        }
        return std::nullopt;
    };
    const std::string_view major(reinterpret_cast<const char*>(bytes.data()) + 8, 4);
    if (auto type = brandType(major))
        return type;
    // Compatible brands follow the minor version, within the box.
    const std::size_t end = std::min<std::size_t>(bytes.size(), boxSize);
    for (std::size_t at = 16; at + 4 <= end; at += 4) {
        const std::string_view brand(reinterpret_cast<const char*>(bytes.data()) + at, 4);
        if (auto type = brandType(brand))
            return type;
    }
    return std::nullopt;
}

}  // namespace

bool isAcceptedImageType(std::string_view uti) {
    return std::find(acceptedImageTypes.begin(), acceptedImageTypes.end(), uti) !=
           acceptedImageTypes.end();
}

std::optional<std::string_view> identifyImageType(std::span<const std::uint8_t> bytes) {
    if (startsWith(bytes, "\xFF\xD8\xFF"))
        return "public.jpeg";
    if (startsWith(bytes, "\x89PNG\r\n\x1A\n"))
        return "public.png";
    if (startsWith(bytes, "GIF87a") || startsWith(bytes, "GIF89a"))
        return "com.compuserve.gif";
    if (startsWith(bytes, "RIFF") && startsWith(bytes, "WEBP", 8))
        return "org.webmproject.webp";
    if (startsWith(bytes, std::string_view("II*\0", 4)) ||
        startsWith(bytes, std::string_view("MM\0*", 4)) ||
        startsWith(bytes, std::string_view("II+\0", 4)) ||
        startsWith(bytes, std::string_view("MM\0+", 4))) {
        return "public.tiff";
    }
    // A bitmap file header: "BM", then a DIB header whose size is one of the known versions.
    if (startsWith(bytes, "BM") && bytes.size() >= 18) {
        const std::uint32_t dibSize = littleEndian32(bytes, 14);
        if (dibSize == 12 || dibSize == 40 || dibSize == 52 || dibSize == 56 || dibSize == 64 ||
            dibSize == 108 || dibSize == 124) {
            return "com.microsoft.bmp";
        }
    }
    if (startsWith(bytes, "ftyp", 4) && bytes.size() >= 12)
        return identifyIsoMedia(bytes);
    if (startsWith(bytes, std::string_view("\0\0\0\x0CjP  \r\n\x87\n", 12)) ||
        startsWith(bytes, "\xFF\x4F\xFF\x51")) {
        return "public.jpeg-2000";
    }
    if (startsWith(bytes, std::string_view("\0\0\0\x0CJXL \r\n\x87\n", 12)) ||
        startsWith(bytes, "\xFF\x0A")) {
        return "public.jpeg-xl";
    }
    if (startsWith(bytes, "%PDF-"))
        return "com.adobe.pdf";
    if (startsWith(bytes, "PK\x03\x04"))
        return "public.zip-archive";
    return std::nullopt;
}

std::optional<bool> conformsToImage(std::string_view uti) {
    for (const TypeEntry& entry : kTypes) {
        if (entry.uti == uti)
            return entry.isImage;
    }
    return std::nullopt;
}

}  // namespace mosavelle
