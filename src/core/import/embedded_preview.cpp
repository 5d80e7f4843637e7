#include "core/import/embedded_preview.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <exception>
#include <string_view>

#include "core/import/detail/vips_runtime.h"
#include "core/import/image_source.h"
#include "core/import/image_types.h"
#include "core/import/metadata_reader.h"

#include <exiv2/exiv2.hpp>

namespace mosavelle {

namespace {

struct Turn {
    int orientation = 1;
    PixelSize stored;  // the main picture's grid as stored; 0 x 0 when unknown
};

// A preview's bytes and how the main picture is turned.
struct Found {
    Bytes preview;
    Turn turn;
};

int orientationOf(const Exiv2::ExifData& exif) {
    const auto found = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (found == exif.end() || found->count() == 0)
        return 1;
    const long value = found->toLong(0);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
}

// The preview to show for a longer side of `wanted` pixels: the smallest one large enough, else
// the largest, among those within the limits. `previews` is sorted smallest first.
const Exiv2::PreviewProperties* choosePreview(const Exiv2::PreviewPropertiesList& previews,
                                              int wanted) {
    const Exiv2::PreviewProperties* chosen = nullptr;
    for (const auto& preview : previews) {
        const auto longer = std::max(preview.width_, preview.height_);
        if (preview.size_ == 0 || preview.size_ > maxEmbeddedPreviewBytes ||
            longer > static_cast<std::uint32_t>(maxEmbeddedPreviewSide))
            continue;
        chosen = &preview;
        if (longer >= static_cast<std::uint32_t>(wanted))
            break;
    }
    return chosen;
}

std::uint16_t bigEndian16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] << 8 | at[1]);
}

// A JPEG's EXIF thumbnail. Only the segments before the picture's data are walked, so a file
// whose pixels are damaged or cut short still shows its thumbnail, and nothing past the headers
// is read.
std::optional<Found> jpegThumbnail(const Bytes& bytes) {
    const std::uint8_t* data = bytes.data();
    const std::size_t size = bytes.size();
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return std::nullopt;
    Turn turn;
    const std::uint8_t* exif = nullptr;
    std::size_t exifSize = 0;
    for (std::size_t at = 2; at + 4 <= size;) {
        if (data[at] != 0xFF)
            break;  // not a marker: damage
        const std::uint8_t marker = data[at + 1];
        if (marker == 0xFF || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += marker == 0xFF ? 1 : 2;  // fill byte, or a marker without a length
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            break;  // the picture's data, or its end
        const std::size_t length = bigEndian16(data + at + 2);
        if (length < 2 || at + 2 + length > size)
            break;
        const std::uint8_t* segment = data + at + 4;
        const std::size_t segmentSize = length - 2;
        if (marker == 0xE1 && exif == nullptr && segmentSize > 6 &&
            std::memcmp(segment, "Exif\0\0", 6) == 0) {
            exif = segment + 6;
            exifSize = segmentSize - 6;
        }
        const bool frameHeader =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frameHeader && segmentSize >= 5)
            turn.stored = {bigEndian16(segment + 3), bigEndian16(segment + 1)};
        at += 2 + length;
    }
    // Without a frame header the file is no picture that could be shown.
    if (exif == nullptr || turn.stored.width < 1 || turn.stored.height < 1)
        return std::nullopt;
    startMetadataLibrary();
    try {
        Exiv2::ExifData fields;
        Exiv2::ExifParser::decode(fields, exif, static_cast<std::uint32_t>(exifSize));
        turn.orientation = orientationOf(fields);
        const Exiv2::DataBuf thumbnail = Exiv2::ExifThumbC(fields).copy();
        if (thumbnail.size_ <= 0 || std::size_t(thumbnail.size_) > maxEmbeddedPreviewBytes)
            return std::nullopt;
        return Found{Bytes(thumbnail.pData_, std::size_t(thumbnail.size_)), turn};
    } catch (const std::exception&) {
        return std::nullopt;  // damaged metadata: there is simply no preview
    }
}

// The previews of a TIFF file (its EXIF thumbnail, and what else the metadata library finds).
std::optional<Found> tiffPreview(const Bytes& bytes, int maxPixelSize) {
    if (bytes.size() > static_cast<std::size_t>(LONG_MAX))
        return std::nullopt;
    startMetadataLibrary();
    try {
        auto image = Exiv2::ImageFactory::open(bytes.data(), static_cast<long>(bytes.size()));
        if (!image.get())
            return std::nullopt;
        image->readMetadata();
        const Turn turn{orientationOf(image->exifData()),
                        {image->pixelWidth(), image->pixelHeight()}};
        Exiv2::PreviewManager previews(*image);
        const Exiv2::PreviewPropertiesList list = previews.getPreviewProperties();
        const auto* chosen = choosePreview(list, maxPixelSize);
        if (chosen == nullptr)
            return std::nullopt;
        const Exiv2::PreviewImage data = previews.getPreviewImage(*chosen);
        if (data.size() == 0 || data.size() > maxEmbeddedPreviewBytes)
            return std::nullopt;
        return Found{Bytes(data.pData(), data.size()), turn};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The middle of `image` cut to the proportions of `shape`, when they differ by more than a
// pixel: cameras pad a preview of another shape with black bars.
RgbaImage croppedTo(RgbaImage image, PixelSize shape) {
    if (shape.width < 1 || shape.height < 1 || image.width < 1 || image.height < 1)
        return image;
    const double aspect = static_cast<double>(shape.width) / shape.height;
    int width = image.width, height = image.height;
    if (image.width > aspect * image.height + 1)
        width = std::max(1, static_cast<int>(std::lround(aspect * image.height)));
    else if (image.height > image.width / aspect + 1)
        height = std::max(1, static_cast<int>(std::lround(image.width / aspect)));
    if (width == image.width && height == image.height)
        return image;
    const int left = (image.width - width) / 2, top = (image.height - height) / 2;
    RgbaImage cut{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    for (int y = 0; y < height; ++y)
        std::copy_n(image.pixel(left, top + y), std::size_t(width) * 4,
                    cut.pixels.data() + std::size_t(y) * width * 4);
    return cut;
}

std::optional<RgbaImage> shown(const std::optional<Found>& found, int maxPixelSize) {
    if (!found)
        return std::nullopt;
    const auto source = openImageSource(found->preview);
    if (!source)
        return std::nullopt;
    const auto& header = source->decodableHeader();
    if (!header || std::max(header->upright.width, header->upright.height) > maxEmbeddedPreviewSide)
        return std::nullopt;
    auto decoded = source->decodeThumbnail(std::max(maxPixelSize, 1));
    if (!decoded)
        return std::nullopt;
    // A preview that carries an orientation of its own was turned by the decode already.
    if (header->orientation != 1)
        return decoded;
    return turnedUpright(croppedTo(std::move(*decoded), found->turn.stored),
                         found->turn.orientation);
}

// The thumbnail item of a HEIF file. The loader turns it by the file's own transformations.
std::optional<RgbaImage> heifPreview(const Bytes& bytes, int maxPixelSize) {
    if (!ensureVipsModules())
        return std::nullopt;
    auto* data = const_cast<std::uint8_t*>(bytes.data());
    VipsImage* main = nullptr;
    VipsImage* thumbnail = nullptr;
    if (vips_heifload_buffer(data, bytes.size(), &main, nullptr) != 0 ||
        vips_heifload_buffer(data, bytes.size(), &thumbnail, "thumbnail", TRUE, nullptr) != 0) {
        VipsObjectRelease{}(main);
        vips_error_clear();
        return std::nullopt;
    }
    const VipsImageHandle mainHandle(main), opened(thumbnail);
    // Without a thumbnail item the loader falls back to the main picture, which is no preview.
    const int width = vips_image_get_width(thumbnail), height = vips_image_get_height(thumbnail);
    if ((width == vips_image_get_width(main) && height == vips_image_get_height(main)) ||
        std::max(width, height) > maxEmbeddedPreviewSide) {
        vips_error_clear();
        return std::nullopt;
    }
    const PixelSize target = boundedSize({width, height}, std::max(maxPixelSize, 1));
    VipsImage* steps[4] = {};
    bool failed =
        vips_resize(thumbnail, &steps[0], static_cast<double>(target.width) / width, "vscale",
                    static_cast<double>(target.height) / height, nullptr) != 0 ||
        vips_colourspace(steps[0], &steps[1], VIPS_INTERPRETATION_sRGB, nullptr) != 0 ||
        vips_cast_uchar(steps[1], &steps[2], nullptr) != 0;
    if (!failed) {
        const int bands = vips_image_get_bands(steps[2]);
        failed = bands == 4 ? vips_copy(steps[2], &steps[3], nullptr) != 0
                            : (bands != 3 ||
                               vips_bandjoin_const1(steps[2], &steps[3], 255.0, nullptr) != 0);
    }
    std::optional<RgbaImage> result;
    if (!failed) {
        std::size_t size = 0;
        void* memory = vips_image_write_to_memory(steps[3], &size);
        const auto w = vips_image_get_width(steps[3]), h = vips_image_get_height(steps[3]);
        if (memory != nullptr && size == std::size_t(w) * h * 4) {
            const auto* begin = static_cast<const std::uint8_t*>(memory);
            result = RgbaImage{w, h, std::vector<std::uint8_t>(begin, begin + size)};
        }
        g_free(memory);
    }
    for (VipsImage* step : steps)
        VipsObjectRelease{}(step);
    if (!result)
        vips_error_clear();
    return result;
}

}  // namespace

std::optional<RgbaImage> readEmbeddedPreview(const Bytes& bytes, int maxPixelSize) {
    const auto type = identifyImageType(bytes.span());
    if (!type)
        return std::nullopt;
    if (*type == "public.heic" || *type == "public.heif" || *type == "public.avif")
        return heifPreview(bytes, maxPixelSize);
    if (*type == "public.jpeg")
        return shown(jpegThumbnail(bytes), maxPixelSize);
    if (*type == "public.tiff")
        return shown(tiffPreview(bytes, maxPixelSize), maxPixelSize);
    return std::nullopt;
}

}  // namespace mosavelle
