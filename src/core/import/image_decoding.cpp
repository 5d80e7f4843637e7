#include "core/import/image_decoding.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "core/import/detail/vips_decoding.h"

namespace mosavelle {

namespace {

// Loaders allowed to decode pictures. Everything else libvips can open (documents, drawings,
// scientific formats, its own format) is refused even when its loader is not blocked.
constexpr std::string_view kPictureLoaders[] = {
    "VipsForeignLoadJpegBuffer",  "VipsForeignLoadPngBuffer",  "VipsForeignLoadSpngBuffer",
    "VipsForeignLoadNsgifBuffer", "VipsForeignLoadGifBuffer",  "VipsForeignLoadWebpBuffer",
    "VipsForeignLoadTiffBuffer",  "VipsForeignLoadHeifBuffer", "VipsForeignLoadJp2kBuffer",
    "VipsForeignLoadJxlBuffer",
};

// The general-purpose loader is only trusted with BMP files: it would otherwise hand PostScript,
// PDF and many other documents to external programs.
constexpr std::string_view kBitmapOnlyLoaders[] = {
    "VipsForeignLoadMagickBuffer",
    "VipsForeignLoadMagick7Buffer",
};

bool startsWith(const Bytes& bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() && bytes.view().substr(0, prefix.size()) == prefix;
}

// The loader libvips would use for `bytes`, when it is one we decode pictures with.
std::optional<std::string_view> pictureLoader(const Bytes& bytes) {
    if (bytes.empty() || !ensureVipsStarted())
        return std::nullopt;
    const char* found = vips_foreign_find_load_buffer(bytes.data(), bytes.size());
    if (found == nullptr) {
        vips_error_clear();
        return std::nullopt;
    }
    std::string_view name(found);
    for (auto allowed : kPictureLoaders) {
        if (name == allowed)
            return allowed;
    }
    for (auto allowed : kBitmapOnlyLoaders) {
        if (name == allowed && startsWith(bytes, "BM"))
            return allowed;
    }
    return std::nullopt;
}

bool isHeifLoader(std::string_view loader) {
    return loader == "VipsForeignLoadHeifBuffer";
}

// True when a JPEG's data reaches its end-of-image marker after the first scan. libvips notices a
// truncated scan only when the decoder runs past the end of the data, and with shrink-on-load
// that depends on how its worker threads meet the damage: the same file sometimes decodes to a
// grey-padded picture. Entropy-coded data escapes every 0xFF byte, so 0xFF 0xD9 after the start
// of the first scan is the end marker itself.
bool jpegReachesItsEnd(const Bytes& bytes) {
    const std::uint8_t* data = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t at = 2;  // past the start-of-image marker
    std::size_t scan = 0;
    while (at + 4 <= size && data[at] == 0xFF) {
        const std::uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA) {
            scan = at;
            break;
        }
        at += 2 + ((std::size_t(data[at + 2]) << 8) | data[at + 3]);
    }
    if (scan == 0)
        return false;
    for (std::size_t i = size - 1; i > scan + 1; --i) {
        if (data[i] == 0xD9 && data[i - 1] == 0xFF)
            return true;
    }
    return false;
}

// True when a PNG's chunks run from the signature to the end chunk. Chunk lengths are followed
// rather than searched for, so compressed data that happens to spell the end chunk's name does
// not pass.
bool pngReachesItsEnd(const Bytes& bytes) {
    const std::uint8_t* data = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t at = 8;  // past the signature
    while (at + 12 <= size) {
        const std::size_t length = (std::size_t(data[at]) << 24) |
                                   (std::size_t(data[at + 1]) << 16) |
                                   (std::size_t(data[at + 2]) << 8) | data[at + 3];
        if (std::memcmp(data + at + 4, "IEND", 4) == 0)
            return true;
        if (length > size - at - 12)
            return false;
        at += 12 + length;
    }
    return false;
}

// Opens `bytes` lazily (header only until pixels are asked for). Truncated data fails the read
// instead of coming back padded with grey.
VipsImageHandle openLazily(const Bytes& bytes) {
    VipsImage* image =
        vips_image_new_from_buffer(bytes.data(), bytes.size(), "", "access", VIPS_ACCESS_SEQUENTIAL,
                                   "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
    if (image == nullptr)
        vips_error_clear();
    return VipsImageHandle(image);
}

std::optional<PictureHeader> headerOf(VipsImage* image) {
    const std::int64_t width = vips_image_get_width(image);
    const std::int64_t height = vips_image_get_page_height(image);
    if (width < 1 || height < 1 || width * height > maxDecodedPixels)
        return std::nullopt;
    PictureHeader header;
    header.orientation = vips_image_get_orientation(image);
    if (header.orientation < 1 || header.orientation > 8)
        header.orientation = 1;
    const bool quarterTurn = header.orientation >= 5;
    header.upright =
        quarterTurn ? PixelSize{int(height), int(width)} : PixelSize{int(width), int(height)};
    header.hasAlpha = vips_image_hasalpha(image) != 0;
    return header;
}

// Brings a thumbnail to 8-bit sRGB with 3 or 4 bands.
VipsImageHandle toEightBitSrgb(VipsImageHandle image) {
    VipsImage* out = nullptr;
    if (vips_image_get_interpretation(image.get()) != VIPS_INTERPRETATION_sRGB ||
        vips_image_get_format(image.get()) != VIPS_FORMAT_UCHAR) {
        if (vips_colourspace(image.get(), &out, VIPS_INTERPRETATION_sRGB, nullptr) != 0)
            return nullptr;
        image.reset(out);
    }
    if (vips_image_get_format(image.get()) != VIPS_FORMAT_UCHAR) {
        if (vips_cast_uchar(image.get(), &out, nullptr) != 0)
            return nullptr;
        image.reset(out);
    }
    const int bands = vips_image_get_bands(image.get());
    if (bands > 4) {
        if (vips_extract_band(image.get(), &out, 0, "n", 4, nullptr) != 0)
            return nullptr;
        image.reset(out);
    } else if (bands < 3) {
        // Grey (with or without alpha) that still calls itself sRGB: repeat the grey level.
        VipsImage* parts[2] = {};
        if (vips_extract_band(image.get(), &parts[0], 0, nullptr) != 0)
            return nullptr;
        VipsImageHandle grey(parts[0]);
        if (bands == 2 && vips_extract_band(image.get(), &parts[1], 1, nullptr) != 0)
            return nullptr;
        VipsImageHandle alpha(parts[1]);
        VipsImage* channels[4] = {parts[0], parts[0], parts[0], parts[1]};
        if (vips_bandjoin(channels, &out, bands == 2 ? 4 : 3, nullptr) != 0)
            return nullptr;
        image.reset(out);
    }
    return image;
}

std::optional<RgbaImage> toRgba(VipsImageHandle image) {
    VipsImage* out = nullptr;
    if (vips_image_get_bands(image.get()) == 3) {
        if (vips_bandjoin_const1(image.get(), &out, 255.0, nullptr) != 0)
            return std::nullopt;
        image.reset(out);
    }
    std::size_t size = 0;
    void* memory = vips_image_write_to_memory(image.get(), &size);
    if (memory == nullptr)
        return std::nullopt;
    RgbaImage result;
    result.width = vips_image_get_width(image.get());
    result.height = vips_image_get_height(image.get());
    const auto* begin = static_cast<const std::uint8_t*>(memory);
    result.pixels.assign(begin, begin + size);
    g_free(memory);
    if (result.pixels.size() != std::size_t(result.width) * result.height * 4)
        return std::nullopt;
    return result;
}

// The pixels of a lazily decoded picture; nothing when there is none or its data is damaged.
std::optional<RgbaImage> evaluated(std::optional<UprightVipsImage> decoded) {
    if (!decoded)
        return std::nullopt;
    auto rgba = toRgba(std::move(decoded->image));
    if (!rgba)
        vips_error_clear();
    return rgba;
}

// Size with the longer side at most `limit`, keeping the aspect; each side rounded half away
// from zero and at least 1.
PixelSize boundedSize(PixelSize size, int limit) {
    const int longSide = std::max(size.width, size.height);
    if (longSide <= limit)
        return size;
    const double scale = double(limit) / longSide;
    return {std::max(1, int(std::lround(scale * size.width))),
            std::max(1, int(std::lround(scale * size.height)))};
}

}  // namespace

std::optional<PictureHeader> readPictureHeader(const Bytes& bytes) {
    if (!pictureLoader(bytes))
        return std::nullopt;
    VipsImageHandle image = openLazily(bytes);
    if (!image)
        return std::nullopt;
    return headerOf(image.get());
}

bool passesDecodeChecks(const Bytes& bytes) {
    auto loader = pictureLoader(bytes);
    if (!loader || !readPictureHeader(bytes))
        return false;
    if (*loader == "VipsForeignLoadJpegBuffer")
        return jpegReachesItsEnd(bytes);
    if (*loader == "VipsForeignLoadPngBuffer" || *loader == "VipsForeignLoadSpngBuffer")
        return pngReachesItsEnd(bytes);
    return true;
}

std::optional<UprightVipsImage> decodeUprightImage(const Bytes& bytes,
                                                   std::optional<PixelSize> size) {
    auto loader = pictureLoader(bytes);
    if (!loader)
        return std::nullopt;
    VipsImageHandle source = openLazily(bytes);
    if (!source)
        return std::nullopt;
    auto header = headerOf(source.get());
    if (!header)
        return std::nullopt;
    const PixelSize target = size.value_or(header->upright);
    if (target.width < 1 || target.height < 1)
        return std::nullopt;
    if (*loader == "VipsForeignLoadJpegBuffer" && !jpegReachesItsEnd(bytes))
        return std::nullopt;

    // Shrink-on-load happens inside the thumbnailer, which also turns the picture upright and
    // converts CMYK to sRGB. An embedded profile is converted to sRGB only when there is one:
    // asked to convert a picture without a profile, the thumbnailer assumes a different source
    // space and shifts its colours. HEIF files are opened by hand, because the thumbnailer would
    // take the file's embedded preview when it is large enough.
    const char* profile = vips_image_get_typeof(source.get(), VIPS_META_ICC_NAME) != 0
                              ? "srgb"
                              : nullptr;  // the default: no profile conversion
    VipsImage* out = nullptr;
    int failed = 0;
    if (isHeifLoader(*loader)) {
        failed = vips_thumbnail_image(source.get(), &out, target.width, "height", target.height,
                                      "size", VIPS_SIZE_FORCE, "export_profile", profile, nullptr);
    } else {
        source.reset();
        // The loader options go through `option_string`: the thumbnailer's own `fail_on` is not
        // passed on to buffer loaders.
        failed = vips_thumbnail_buffer(const_cast<std::uint8_t*>(bytes.data()), bytes.size(), &out,
                                       target.width, "height", target.height, "size",
                                       VIPS_SIZE_FORCE, "option_string", "fail_on=truncated",
                                       "export_profile", profile, nullptr);
    }
    if (failed != 0) {
        vips_error_clear();
        return std::nullopt;
    }
    VipsImageHandle image = toEightBitSrgb(VipsImageHandle(out));
    if (!image || vips_image_get_width(image.get()) != target.width ||
        vips_image_get_height(image.get()) != target.height) {
        vips_error_clear();
        return std::nullopt;
    }
    return UprightVipsImage{bytes, std::move(image)};
}

std::optional<RgbaImage> decodeFirstFrame(const Bytes& bytes) {
    return evaluated(decodeUprightImage(bytes, std::nullopt));
}

std::optional<RgbaImage> decodeThumbnail(const Bytes& bytes, int maxPixelSize) {
    auto header = readPictureHeader(bytes);
    if (!header)
        return std::nullopt;
    return evaluated(
        decodeUprightImage(bytes, boundedSize(header->upright, std::max(maxPixelSize, 1))));
}

}  // namespace mosavelle
