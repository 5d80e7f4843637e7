#include "core/export/picture_encoding.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include <turbojpeg.h>

#include "core/import/image_io_error.h"

namespace mosavelle {

namespace {

constexpr std::string_view kJpegType = "public.jpeg";
constexpr std::string_view kPngType = "public.png";
constexpr std::string_view kGifType = "com.compuserve.gif";

Error unreadable() {
    return Error{std::string(description(ImageIOError::unreadable))};
}

EncodedPicture jpegPicture(Bytes data) {
    return {std::move(data), "jpg", "image/jpeg"};
}
EncodedPicture pngPicture(Bytes data) {
    return {std::move(data), "png", "image/png"};
}

// ---- EXIF orientation inside a JPEG -------------------------------------------------------------

// Reads and writes 16- and 32-bit values of a TIFF structure in its declared byte order.
class TiffView {
public:
    TiffView(std::uint8_t* data, std::size_t size, bool bigEndian)
        : data_(data), size_(size), bigEndian_(bigEndian) {}

    bool has(std::size_t offset, std::size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    std::uint32_t u16(std::size_t at) const {
        return bigEndian_ ? (data_[at] << 8) | data_[at + 1] : (data_[at + 1] << 8) | data_[at];
    }
    std::uint32_t u32(std::size_t at) const {
        return bigEndian_ ? (u16(at) << 16) | u16(at + 2) : (u16(at + 2) << 16) | u16(at);
    }
    void setU16(std::size_t at, std::uint16_t value) {
        data_[at + (bigEndian_ ? 0 : 1)] = std::uint8_t(value >> 8);
        data_[at + (bigEndian_ ? 1 : 0)] = std::uint8_t(value & 0xFF);
    }

private:
    std::uint8_t* data_;
    std::size_t size_;
    bool bigEndian_;
};

// Byte offset of the 16-bit orientation value in the first EXIF segment of a JPEG, when there is
// one. Every offset is bounds-checked: the markers come straight from the user's file.
std::optional<std::pair<std::size_t, bool>> findOrientationValue(const std::uint8_t* data,
                                                                 std::size_t size) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return std::nullopt;
    std::size_t at = 2;
    while (at + 4 <= size && data[at] == 0xFF) {
        const std::uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)  // start of scan, end of image: no more headers
            break;
        const std::size_t length = (std::size_t(data[at + 2]) << 8) | data[at + 3];
        if (length < 2 || at + 2 + length > size)
            break;
        const std::size_t body = at + 4;
        const std::size_t bodySize = length - 2;
        if (marker == 0xE1 && bodySize >= 14 && std::memcmp(data + body, "Exif\0\0", 6) == 0) {
            const std::size_t tiff = body + 6;
            const std::size_t tiffSize = bodySize - 6;
            const bool big = data[tiff] == 'M' && data[tiff + 1] == 'M';
            if (!big && !(data[tiff] == 'I' && data[tiff + 1] == 'I'))
                return std::nullopt;
            TiffView view(const_cast<std::uint8_t*>(data + tiff), tiffSize, big);
            const std::size_t ifd = view.u32(4);
            if (!view.has(ifd, 2))
                return std::nullopt;
            const std::size_t count = view.u16(ifd);
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t entry = ifd + 2 + i * 12;
                if (!view.has(entry, 12))
                    return std::nullopt;
                if (view.u16(entry) == 0x0112 && view.u16(entry + 2) == 3 &&
                    view.u32(entry + 4) >= 1)
                    return std::pair{tiff + entry + 8, big};
            }
            return std::nullopt;
        }
        at += 2 + length;
    }
    return std::nullopt;
}

// The EXIF orientation of a JPEG (1 when it has none or an unknown code).
int jpegOrientation(const Bytes& jpeg) {
    auto found = findOrientationValue(jpeg.data(), jpeg.size());
    if (!found)
        return 1;
    TiffView view(const_cast<std::uint8_t*>(jpeg.data()), jpeg.size(), found->second);
    const auto code = int(view.u16(found->first));
    return code >= 1 && code <= 8 ? code : 1;
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
        if (auto value = findOrientationValue(turned.data(), turned.size())) {
            TiffView view(turned.data(), turned.size(), value->second);
            view.setU16(value->first, 1);
        }
        result = Bytes(std::move(turned));
    }
    tjFree(output);
    tjDestroy(handle);
    return result;
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

// Decodes `stored` upright at exactly `size` and writes it as PNG or JPEG.
std::optional<EncodedPicture> reencode(const Bytes& stored, PixelSize size, bool asPng,
                                       double quality) {
    auto decoded = decodeUprightImage(stored, size);
    if (!decoded)
        return std::nullopt;
    auto data = asPng ? writePng(decoded->image.get()) : writeJpeg(decoded->image.get(), quality);
    if (!data) {
        vips_error_clear();
        return std::nullopt;
    }
    return asPng ? pngPicture(std::move(*data)) : jpegPicture(std::move(*data));
}

}  // namespace

std::string mediaFileName(int index, const EncodedPicture& picture) {
    return "image" + std::to_string(index) + "." + picture.extensionName;
}

std::string_view mediaContentType(std::string_view extensionName) {
    if (extensionName == "jpg")
        return "image/jpeg";
    if (extensionName == "png")
        return "image/png";
    return {};
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
    const int longSide = std::max(size.width, size.height);
    if (!(target < longSide))
        return size;
    const double scale = target / longSide;
    auto side = [scale](int length) {
        return int(std::max(1.0, std::round(scale * length)));  // std::round: halves away from 0
    };
    return {side(size.width), side(size.height)};
}

Result<EncodedPicture> encodePicture(const Bytes& stored, double placedLongEdgeInches,
                                     const SourceImage& image, QualityPreset preset) {
    const bool isJpeg = image.uti == kJpegType;
    const bool isPng = image.uti == kPngType;
    const bool isGif = image.uti == kGifType;

    if (preset == QualityPreset::best && (isJpeg || isPng)) {
        const EncodedPicture unchanged = isJpeg ? jpegPicture(stored) : pngPicture(stored);
        // A JPEG's orientation is read from its EXIF segment without opening it as a picture.
        std::optional<PictureHeader> header;
        int orientation = 1;
        if (isJpeg) {
            orientation = jpegOrientation(stored);
        } else {
            header = readPictureHeader(stored);
            orientation = header ? header->orientation : 1;
        }
        if (orientation == 1)
            return unchanged;
        if (isJpeg) {
            if (auto turned = turnJpegUpright(stored, orientation))
                return jpegPicture(std::move(*turned));
        }
        // No lossless turn: write it again upright like any other picture at best. A picture
        // that cannot be decoded goes into the package as it is, as it would with orientation 1.
        if (!header)
            header = readPictureHeader(stored);
        if (!header)
            return unchanged;
        const PixelSize size =
            reducedSize(header->upright, targetLongEdge(preset, placedLongEdgeInches));
        if (auto written = reencode(stored, size, isPng || image.hasAlpha, jpegQuality(preset)))
            return *written;
        return unchanged;
    }

    auto header = readPictureHeader(stored);
    if (!header)
        return unreadable();
    const PixelSize size =
        reducedSize(header->upright, targetLongEdge(preset, placedLongEdgeInches));
    const bool asPng = image.hasAlpha || isPng || isGif;
    if (auto written = reencode(stored, size, asPng, jpegQuality(preset)))
        return *written;
    return unreadable();
}

Result<Bytes> encodeLogo(const Bytes& logo) {
    auto decoded = decodeUprightImage(logo, std::nullopt);
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
