#include "core/import/image_info.h"

#include "core/import/detail/vips_runtime.h"

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <cmath>
#include <memory>

namespace mosavelle {

namespace {

using BufferLoader = int (*)(void* buffer, size_t length, VipsImage** out, ...);

// The libvips loader for each identified type. The loader is chosen from our own identification,
// never by libvips' detection, so bytes are only ever parsed by the loader of their own type.
BufferLoader loaderFor(std::string_view uti) {
    if (uti == "public.jpeg")
        return vips_jpegload_buffer;
    if (uti == "public.png")
        return vips_pngload_buffer;
    if (uti == "com.compuserve.gif")
        return vips_gifload_buffer;
    if (uti == "public.tiff")
        return vips_tiffload_buffer;
    if (uti == "org.webmproject.webp")
        return vips_webpload_buffer;
    if (uti == "public.heic" || uti == "public.heif" || uti == "public.avif") {
        return vips_heifload_buffer;
    }
    if (uti == "public.jpeg-2000")
        return vips_jp2kload_buffer;
    if (uti == "public.jpeg-xl")
        return vips_jxlload_buffer;
    return nullptr;
}

// libvips decodes HEIF with the container's own transforms applied, so its size is already the
// upright size and an EXIF orientation inside would be stale.
bool decoderAppliesOrientation(std::string_view uti) {
    return uti == "public.heic" || uti == "public.heif" || uti == "public.avif";
}

// Opens the header only: the loaders read pixels lazily, and the image is released before any
// region is asked for.
VipsImageHandle openHeader(BufferLoader loader, const Bytes& bytes) {
    VipsImage* image = nullptr;
    // libvips takes a non-const pointer but does not write through it.
    void* data = const_cast<std::uint8_t*>(bytes.data());
    if (loader(data, bytes.size(), &image, "access", VIPS_ACCESS_SEQUENTIAL, nullptr) != 0) {
        vips_error_clear();
        return nullptr;
    }
    return VipsImageHandle(image);
}

std::int64_t pageCount(VipsImage* image) {
    if (vips_image_get_typeof(image, VIPS_META_N_PAGES) == 0)
        return 1;
    int pages = 1;
    if (vips_image_get_int(image, VIPS_META_N_PAGES, &pages) != 0) {
        vips_error_clear();
        return 1;
    }
    return pages;
}

// libvips' own test misses two-band images other than plain grey (16-bit grey with alpha).
bool declaresAlpha(VipsImage* image) {
    const int bands = vips_image_get_bands(image);
    const VipsInterpretation kind = vips_image_get_interpretation(image);
    return bands == 2 || (bands == 4 && kind != VIPS_INTERPRETATION_CMYK) || bands >= 5;
}

std::span<const std::uint8_t> exifBlob(VipsImage* image) {
    if (vips_image_get_typeof(image, VIPS_META_EXIF_NAME) == 0)
        return {};
    const void* data = nullptr;
    size_t length = 0;
    if (vips_image_get_blob(image, VIPS_META_EXIF_NAME, &data, &length) != 0) {
        vips_error_clear();
        return {};
    }
    return {static_cast<const std::uint8_t*>(data), length};
}

// Resolution entry: rounded half away from zero; outside 1..2048, or absent, gives 72.
double usableDpi(std::optional<double> value) {
    if (!value || !std::isfinite(*value))
        return 72;
    const double rounded = std::round(*value);
    return rounded < 1 || rounded > 2048 ? 72 : rounded;
}

bool isDigits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<ImageSource> openImageSource(Bytes bytes) {
    if (bytes.empty() || !ensureVipsStarted())
        return std::nullopt;
    const auto type = identifyImageType(bytes.span());
    return ImageSource(std::move(bytes), type);
}

ImageInfoResult readImageInfo(const ImageSource& source) {
    // Steps 1 and 2: the container's type, and whether it is a picture at all.
    if (!source.type_)
        return ImageIOError::unreadable;
    const std::string_view uti = *source.type_;
    if (!isAcceptedImageType(uti) && conformsToImage(uti) != true) {
        return ImageIOError::unsupported;
    }

    const std::span<const std::uint8_t> bytes = source.bytes_.span();
    const ContainerFields container = readContainerFields(uti, bytes);
    if (container.declaresNoPixels)
        return ImageIOError::empty;

    std::int64_t storedWidth = 0;
    std::int64_t storedHeight = 0;
    std::int64_t frames = 1;
    bool hasAlpha = false;
    std::optional<TiffFields> tiff;
    VipsImageHandle header;

    if (uti == "com.microsoft.bmp") {
        // The bitmap header is read here; libvips has no bitmap loader of its own.
        storedWidth = container.pixelWidth.value_or(0);
        storedHeight = container.pixelHeight.value_or(0);
        hasAlpha = container.hasAlpha.value_or(false);
    } else {
        const BufferLoader loader = loaderFor(uti);
        if (loader == nullptr || !ensureVipsStarted())
            return ImageIOError::unsupported;
        header = openHeader(loader, source.bytes_);
        if (!header)
            return ImageIOError::unreadable;
        frames = container.frameCount.value_or(pageCount(header.get()));
        if (frames < 1)
            return ImageIOError::empty;
        storedWidth = vips_image_get_width(header.get());
        storedHeight = vips_image_get_height(header.get());
        hasAlpha = container.hasAlpha.value_or(declaresAlpha(header.get()));
        if (uti == "public.tiff") {
            tiff = readTiffFields(bytes);
        } else if (!container.exif.empty()) {
            tiff = readTiffFields(container.exif);
        } else {
            tiff = readTiffFields(exifBlob(header.get()));
        }
    }
    if (storedWidth < 1 || storedHeight < 1)
        return ImageIOError::empty;

    const TiffFields fields = tiff.value_or(TiffFields{});
    std::int64_t orientation = fields.orientation.value_or(1);
    if (orientation < 1 || orientation > 8 || decoderAppliesOrientation(uti))
        orientation = 1;

    // The container's own resolution fields win for PNG (pHYs) and BMP; for JPEG the EXIF
    // resolution wins over the JFIF density, axis by axis.
    std::optional<double> dpiX = tiffDotsPerInch(fields, true);
    std::optional<double> dpiY = tiffDotsPerInch(fields, false);
    if (uti != "public.jpeg") {
        if (container.dpiX)
            dpiX = container.dpiX;
        if (container.dpiY)
            dpiY = container.dpiY;
    } else {
        if (!dpiX)
            dpiX = container.dpiX;
        if (!dpiY)
            dpiY = container.dpiY;
    }

    DecodedImageInfo info;
    const bool quarterTurn = orientation >= 5;
    info.pixelWidth = quarterTurn ? storedHeight : storedWidth;
    info.pixelHeight = quarterTurn ? storedWidth : storedHeight;
    info.dpiX = usableDpi(quarterTurn ? dpiY : dpiX);
    info.dpiY = usableDpi(quarterTurn ? dpiX : dpiY);
    info.captureDate = readCaptureDate(fields);
    info.hasAlpha = hasAlpha;
    info.frameCount = frames;
    info.uti = std::string(uti);
    info.orientation = static_cast<std::uint32_t>(orientation);
    return info;
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
    // "yyyy:MM:dd HH:mm:ss", every field with exactly its digits.
    if (text.size() != 19 || text[4] != ':' || text[7] != ':' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':') {
        return std::nullopt;
    }
    int year, month, day, hour, minute, second;
    if (!isDigits(text, 0, 4, year) || !isDigits(text, 5, 2, month) || !isDigits(text, 8, 2, day) ||
        !isDigits(text, 11, 2, hour) || !isDigits(text, 14, 2, minute) ||
        !isDigits(text, 17, 2, second)) {
        return std::nullopt;
    }
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(icu::TimeZone::createDefault(), status);
    if (U_FAILURE(status))
        return std::nullopt;
    calendar.clear();
    // A wall-clock time skipped by a daylight-saving change moves forward, as clocks do.
    calendar.set(year, month - 1, day, hour, minute, second);
    const UDate milliseconds = calendar.getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return Timestamp(
        std::chrono::seconds(static_cast<std::int64_t>(std::floor(milliseconds / 1000.0))));
}

}  // namespace mosavelle
