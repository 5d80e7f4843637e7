#include "core/export/picture_encoding.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <variant>
#include <vector>

#include <turbojpeg.h>

#include "core/import/detail/vips_decoding.h"
#include "core/import/image_io_error.h"
#include "core/import/image_metadata.h"
#include "core/import/image_source.h"

namespace mosavelle {

namespace {

constexpr std::string_view kJpegType = "public.jpeg";
constexpr std::string_view kPngType = "public.png";
constexpr std::string_view kGifType = "com.compuserve.gif";

Error unreadable() {
    return errorSaying(Text{TextId::imageUnreadable});
}

EncodedPicture jpegPicture(Bytes data) {
    return {std::move(data), "jpg"};
}
EncodedPicture pngPicture(Bytes data) {
    return {std::move(data), "png"};
}

// ---- EXIF orientation inside a JPEG -------------------------------------------------------------

// The orientation a JPEG's facts report (its first EXIF segment, read as picture facts read it)
// and where the code is stored in the file. `code` is 1 when there is none or it is outside 1..8.
struct JpegOrientation {
    int code = 1;
    std::size_t exifAt = 0;  // offset of the EXIF segment's body in the file
    std::optional<TiffValueSlot> slot;
};

JpegOrientation jpegOrientation(std::span<const std::uint8_t> jpeg) {
    JpegOrientation found;
    const ContainerFields container = readContainerFields(kJpegType, jpeg);
    if (container.exif.empty())
        return found;
    const std::optional<TiffFields> fields = readTiffFields(container.exif);
    if (!fields || !fields->orientation)
        return found;
    if (*fields->orientation >= 1 && *fields->orientation <= 8)
        found.code = int(*fields->orientation);
    found.exifAt = std::size_t(container.exif.data() - jpeg.data());
    found.slot = fields->orientationSlot;
    return found;
}

// The lossless operation that turns a picture stored with `orientation` upright.
std::optional<int> uprightTransform(int orientation) {
    switch (orientation) {
        case 2:
            return TJXOP_HFLIP;
        case 3:
            return TJXOP_ROT180;
        case 4:
            return TJXOP_VFLIP;
        case 5:
            return TJXOP_TRANSPOSE;
        case 6:
            return TJXOP_ROT90;
        case 7:
            return TJXOP_TRANSVERSE;
        case 8:
            return TJXOP_ROT270;
        default:
            return std::nullopt;
    }
}

// Turns a JPEG upright without decoding its pixels: the DCT blocks are rearranged, every marker
// is copied, and the orientation tag of the copy is set to 1. Absent when the turn would have to
// drop or alter edge blocks (sides that are not whole MCUs) or the data cannot be transformed.
std::optional<Bytes> turnJpegUpright(const Bytes& jpeg, int orientation) {
    auto op = uprightTransform(orientation);
    if (!op || jpeg.size() > 0xFFFFFFFFul)
        return std::nullopt;
    tjhandle handle = tjInitTransform();
    if (handle == nullptr)
        return std::nullopt;
    tjtransform transform{};
    transform.op = *op;
    transform.options = TJXOPT_PERFECT;
    unsigned char* output = nullptr;
    unsigned long outputSize = 0;
    const int failed = tjTransform(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), 1,
                                   &output, &outputSize, &transform, 0);
    std::optional<Bytes> result;
    if (failed == 0 && output != nullptr) {
        std::vector<std::uint8_t> turned(output, output + outputSize);
        const JpegOrientation stored = jpegOrientation(turned);
        if (stored.slot) {
            writeTiffInteger(std::span(turned).subspan(stored.exifAt), *stored.slot, 1);
        }
        // A code that cannot be rewritten (stored as a fraction, say) would turn the picture
        // twice in a viewer that honours it: no lossless result then.
        if (jpegOrientation(turned).code == 1)
            result = Bytes(std::move(turned));
    }
    tjFree(output);
    tjDestroy(handle);
    return result;
}

// A copy of `jpeg` whose orientation value, found at `found`, reads 1; nothing else changes.
// Absent when the value cannot be rewritten in place (stored as a fraction, say) or the copy
// would still report another orientation.
std::optional<Bytes> withUprightTag(const Bytes& jpeg, const JpegOrientation& found) {
    if (!found.slot)
        return std::nullopt;
    std::vector<std::uint8_t> copy(jpeg.begin(), jpeg.end());
    if (!writeTiffInteger(std::span(copy).subspan(found.exifAt), *found.slot, 1))
        return std::nullopt;
    if (jpegOrientation(copy).code != 1)
        return std::nullopt;
    return Bytes(std::move(copy));
}

// ---- writing pixels ---------------------------------------------------------------------------

std::optional<Bytes> takeBuffer(void* buffer, std::size_t length) {
    if (buffer == nullptr)
        return std::nullopt;
    Bytes bytes(buffer, length);
    g_free(buffer);
    return bytes;
}

std::optional<Bytes> writeJpeg(VipsImage* image, double quality) {
    VipsImageHandle opaque;
    if (vips_image_hasalpha(image)) {
        // JPEG has no alpha: composite over white, the colour of an empty slide.
        VipsArrayDouble* white = vips_array_double_newv(1, 255.0);
        VipsImage* flat = nullptr;
        const int failed = vips_flatten(image, &flat, "background", white, nullptr);
        vips_area_unref(VIPS_AREA(white));
        if (failed != 0)
            return std::nullopt;
        opaque.reset(flat);
        image = flat;
    }
    void* buffer = nullptr;
    std::size_t length = 0;
    const int q = std::clamp(int(std::lround(quality * 100)), 1, 100);
    if (vips_jpegsave_buffer(image, &buffer, &length, "Q", q, "strip", TRUE, nullptr) != 0) {
        g_free(buffer);
        return std::nullopt;
    }
    return takeBuffer(buffer, length);
}

std::optional<Bytes> writePng(VipsImage* image) {
    void* buffer = nullptr;
    std::size_t length = 0;
    if (vips_pngsave_buffer(image, &buffer, &length, "strip", TRUE, nullptr) != 0) {
        g_free(buffer);
        return std::nullopt;
    }
    return takeBuffer(buffer, length);
}

// Decodes the picture upright at exactly `size` and writes it as PNG or JPEG.
std::optional<EncodedPicture> reencode(const ImageSource& source, PixelSize size, bool asPng,
                                       double quality) {
    auto decoded = decodeUprightImage(source, size);
    if (!decoded)
        return std::nullopt;
    auto data = asPng ? writePng(decoded->image.get()) : writeJpeg(decoded->image.get(), quality);
    if (!data) {
        vips_error_clear();
        return std::nullopt;
    }
    return asPng ? pngPicture(std::move(*data)) : jpegPicture(std::move(*data));
}

// ---- JPEGs at a reduced size -------------------------------------------------------------------

// The largest of the decoder's DCT scalings (1/8, 1/4, 1/2) that still leaves both sides at least
// as long as `wanted`, else 1. The loader trims a side scaled by 1/s to floor(side / s) pixels
// (and aborts the process on a side that comes to 0, which `wanted` of at least 1 rules out).
int jpegShrinkFor(PixelSize stored, PixelSize wanted) {
    for (const int shrink : {8, 4, 2}) {
        if (stored.width / shrink >= std::max(wanted.width, 1) &&
            stored.height / shrink >= std::max(wanted.height, 1))
            return shrink;
    }
    return 1;
}

// Opens a JPEG lazily, decoding at 1/`shrink` of its size once pixels are asked for. The image
// reads from `jpeg`, which must outlive it.
VipsImageHandle openJpeg(const Bytes& jpeg, int shrink) {
    VipsImage* image = nullptr;
    if (vips_jpegload_buffer(const_cast<std::uint8_t*>(jpeg.data()), jpeg.size(), &image, "shrink",
                             shrink, "access", VIPS_ACCESS_SEQUENTIAL, "fail_on",
                             VIPS_FAIL_ON_TRUNCATED, nullptr) != 0) {
        vips_error_clear();
        return nullptr;
    }
    return VipsImageHandle(image);
}

// A JPEG written again upright at the size `reducedSize` gives for `targetLongEdge`. The decoder's
// DCT scaling brings it to the smallest scale that still covers that size, so its full-size pixels
// are never made (the general thumbnailer keeps a factor of two above the target and decodes
// camera photos whole); the thumbnailer then resizes the rest of the way, turns the picture upright
// and converts an embedded profile to sRGB as the general path does. Absent when the bytes fail
// the decode checks, the result is not 3-band 8-bit sRGB or anything fails: the caller then takes
// the general path, which fails bytes that cannot be decoded.
std::optional<Bytes> reducedJpeg(const ImageSource& jpeg, double targetLongEdge, double quality) {
    const std::optional<PictureHeader>& header = jpeg.decodableHeader();
    if (!header || !jpeg.passesDecodeChecks())
        return std::nullopt;
    const bool quarterTurn = header->orientation >= 5;
    const auto turned = [](PixelSize s) { return PixelSize{s.height, s.width}; };
    const PixelSize size = reducedSize(header->upright, targetLongEdge);
    const int shrink = jpegShrinkFor(quarterTurn ? turned(header->upright) : header->upright,
                                     quarterTurn ? turned(size) : size);
    VipsImageHandle source = openJpeg(jpeg.bytes(), shrink);
    // The thumbnailer turns the picture by the loader's own reading of its orientation, which
    // must be the one the header reports for the sizes above to hold.
    if (!source || vips_image_get_orientation(source.get()) != header->orientation)
        return std::nullopt;
    const char* profile =
        vips_image_get_typeof(source.get(), VIPS_META_ICC_NAME) != 0 ? "srgb" : nullptr;
    VipsImage* out = nullptr;
    if (vips_thumbnail_image(source.get(), &out, size.width, "height", size.height, "size",
                             VIPS_SIZE_FORCE, "export_profile", profile, nullptr) != 0) {
        vips_error_clear();
        return std::nullopt;
    }
    VipsImageHandle image(out);
    if (vips_image_get_interpretation(image.get()) != VIPS_INTERPRETATION_sRGB) {
        // A grey picture: its level repeated in three bands, as the general path writes it.
        if (vips_colourspace(image.get(), &out, VIPS_INTERPRETATION_sRGB, nullptr) != 0) {
            vips_error_clear();
            return std::nullopt;
        }
        image.reset(out);
    }
    if (vips_image_get_format(image.get()) != VIPS_FORMAT_UCHAR ||
        vips_image_get_bands(image.get()) != 3 || vips_image_get_width(image.get()) != size.width ||
        vips_image_get_height(image.get()) != size.height)
        return std::nullopt;
    auto written = writeJpeg(image.get(), quality);
    if (!written)
        vips_error_clear();
    return written;
}

}  // namespace

std::string mediaFileName(int index, const EncodedPicture& picture) {
    return "image" + std::to_string(index) + "." + picture.extensionName;
}

double targetLongEdge(QualityPreset preset, double placedLongEdgeInches) {
    // fmax ignores a NaN edge, so a degenerate frame still gets the floor.
    switch (preset) {
        case QualityPreset::best:
            return 8000;
        case QualityPreset::balanced:
            return std::fmax(placedLongEdgeInches * 150, 1920);
        case QualityPreset::small:
            return std::fmax(placedLongEdgeInches * 110, 1280);
    }
    return 8000;
}

double jpegQuality(QualityPreset preset) {
    switch (preset) {
        case QualityPreset::best:
            return 0.95;
        case QualityPreset::balanced:
            return 0.85;
        case QualityPreset::small:
            return 0.7;
    }
    return 0.95;
}

PixelSize reducedSize(PixelSize size, double target) {
    return boundedSize(size, target);
}

bool writtenAsPng(const SourceImage& image) {
    return image.hasAlpha || image.uti == kPngType || image.uti == kGifType;
}

Result<EncodedPicture> encodePicture(const Bytes& stored, double placedLongEdgeInches,
                                     const SourceImage& image, QualityPreset preset,
                                     RotatedJpeg rotatedJpeg) {
    const bool isJpeg = image.uti == kJpegType;
    const bool isPng = image.uti == kPngType;
    const std::optional<ImageSource> source = openImageSource(stored);
    if (!source)
        return unreadable();
    const auto* facts = std::get_if<DecodedImageInfo>(&source->facts());
    const std::string_view storedType = facts ? std::string_view(facts->uti) : std::string_view();

    // Bytes go into the package unread only when they are what the record says and a decoder
    // would take them; anything else is decoded like any other picture, and fails if it cannot be.
    if (preset == QualityPreset::best && (isJpeg || isPng) && storedType == image.uti &&
        source->passesDecodeChecks()) {
        const EncodedPicture unchanged = isJpeg ? jpegPicture(stored) : pngPicture(stored);
        // A JPEG's orientation is read from its EXIF segment, where the tag can be rewritten.
        JpegOrientation found;
        if (isJpeg)
            found = jpegOrientation(stored.span());
        const int orientation = isJpeg ? found.code : source->decodableHeader()->orientation;
        if (orientation == 1)
            return unchanged;
        if (isJpeg && rotatedJpeg == RotatedJpeg::turnByShape) {
            if (auto tagged = withUprightTag(stored, found)) {
                EncodedPicture picture = jpegPicture(std::move(*tagged));
                picture.orientation = orientation;
                return picture;
            }
        }
        if (isJpeg) {
            if (auto turned = turnJpegUpright(stored, orientation))
                return jpegPicture(std::move(*turned));
        }
        // No lossless turn: write it again upright like any other picture at best.
    }

    const double target = targetLongEdge(preset, placedLongEdgeInches);
    const bool asPng = writtenAsPng(image);
    if (!asPng && storedType == kJpegType) {
        if (auto written = reducedJpeg(*source, target, jpegQuality(preset)))
            return jpegPicture(std::move(*written));
    }
    const std::optional<PictureHeader>& header = source->decodableHeader();
    if (!header)
        return unreadable();
    const PixelSize size = reducedSize(header->upright, target);
    if (auto written = reencode(*source, size, asPng, jpegQuality(preset)))
        return *written;
    return unreadable();
}

Result<Bytes> encodeLogo(const Bytes& logo) {
    const std::optional<ImageSource> source = openImageSource(logo);
    auto decoded = source ? decodeUprightImage(*source, std::nullopt) : std::nullopt;
    if (!decoded)
        return unreadable();
    auto data = writePng(decoded->image.get());
    if (!data) {
        vips_error_clear();
        return unreadable();
    }
    return *data;
}

}  // namespace mosavelle
