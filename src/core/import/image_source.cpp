#include "core/import/image_source.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <span>

#include "core/import/detail/plain_jpeg.h"
#include "core/import/detail/vips_decoding.h"
#include "core/import/image_decoding.h"
#include "core/import/image_metadata.h"
#include "core/import/image_types.h"

namespace mosavelle {

namespace {

using BufferLoader = int (*)(void* buffer, size_t length, VipsImage** out, ...);

// How each picture type is read: the loader chosen from our own identification, and the names
// libvips gives that loader when it detects the type itself (the thumbnailer detects it again,
// and must land on the same loader). Bytes are only ever parsed by the loader of their own type.
struct Decoder {
    std::string_view uti;
    BufferLoader load;
    std::array<std::string_view, 2> loaderNames;
    // libvips applies the container's own transforms, so its size is already the upright size and
    // an EXIF orientation inside would be stale.
    bool appliesOrientation = false;
    // The loader comes with a libvips module rather than with libvips itself.
    bool inModule = false;
};

constexpr Decoder kDecoders[] = {
    {"public.jpeg", vips_jpegload_buffer, {"VipsForeignLoadJpegBuffer"}},
    {"public.png", vips_pngload_buffer, {"VipsForeignLoadPngBuffer", "VipsForeignLoadSpngBuffer"}},
    {"com.compuserve.gif",
     vips_gifload_buffer,
     {"VipsForeignLoadNsgifBuffer", "VipsForeignLoadGifBuffer"}},
    {"public.tiff", vips_tiffload_buffer, {"VipsForeignLoadTiffBuffer"}},
    {"org.webmproject.webp", vips_webpload_buffer, {"VipsForeignLoadWebpBuffer"}},
    {"public.heic", vips_heifload_buffer, {"VipsForeignLoadHeifBuffer"}, true, true},
    {"public.heif", vips_heifload_buffer, {"VipsForeignLoadHeifBuffer"}, true, true},
    {"public.avif", vips_heifload_buffer, {"VipsForeignLoadHeifBuffer"}, true, true},
    {"public.jpeg-2000", vips_jp2kload_buffer, {"VipsForeignLoadJp2kBuffer"}},
    {"public.jpeg-xl", vips_jxlload_buffer, {"VipsForeignLoadJxlBuffer"}, false, true},
    // The general-purpose loader is trusted with bitmaps only: it would otherwise hand PostScript,
    // PDF and many other documents to external programs. Bitmap facts come from the file header.
    {"com.microsoft.bmp",
     vips_magickload_buffer,
     {"VipsForeignLoadMagickBuffer", "VipsForeignLoadMagick7Buffer"},
     false,
     true},
};

const Decoder* decoderFor(std::string_view uti) {
    for (const Decoder& decoder : kDecoders) {
        if (decoder.uti == uti)
            return &decoder;
    }
    return nullptr;
}

// Whether libvips, detecting the type of `bytes` on its own, picks `decoder`'s loader.
bool libraryAgrees(const Decoder& decoder, const Bytes& bytes) {
    const char* found = vips_foreign_find_load_buffer(bytes.data(), bytes.size());
    if (found == nullptr) {
        vips_error_clear();
        return false;
    }
    const std::string_view name(found);
    return std::find(decoder.loaderNames.begin(), decoder.loaderNames.end(), name) !=
           decoder.loaderNames.end();
}

// Opens `bytes` with `load`; the loaders read pixels lazily, so only the header is read unless
// pixels are asked for. Truncated data then fails the read instead of coming back padded with
// grey.
VipsImageHandle openWith(BufferLoader load, const Bytes& bytes, bool failOnTruncation) {
    VipsImage* image = nullptr;
    // libvips takes a non-const pointer but does not write through it.
    void* data = const_cast<std::uint8_t*>(bytes.data());
    const int failed =
        failOnTruncation
            ? load(data, bytes.size(), &image, "access", VIPS_ACCESS_SEQUENTIAL, "fail_on",
                   VIPS_FAIL_ON_TRUNCATED, nullptr)
            : load(data, bytes.size(), &image, "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
    if (failed != 0) {
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

// True when a JPEG's data reaches its end-of-image marker after the first scan. libvips notices a
// truncated scan only when the decoder runs past the end of the data, and with shrink-on-load
// that depends on how its worker threads meet the damage: the same file sometimes decodes to a
// grey-padded picture. Entropy-coded data escapes every 0xFF byte, so 0xFF 0xD9 after the start
// of the first scan is the end marker itself.
bool jpegReachesItsEnd(std::span<const std::uint8_t> bytes, std::optional<std::size_t> scan) {
    if (!scan)
        return false;
    for (std::size_t i = bytes.size() - 1; i > *scan + 1; --i) {
        if (bytes[i] == 0xD9 && bytes[i - 1] == 0xFF)
            return true;
    }
    return false;
}

// What the header says, read once from the loader of the picture's type.
struct LibraryHeader {
    std::int64_t width = 0;
    std::int64_t pageHeight = 0;
    std::int64_t pages = 1;
    bool declaresAlpha = false;
    bool hasProfile = false;  // an embedded colour profile
    std::optional<TiffFields> exif;
};

std::optional<LibraryHeader> readLibraryHeader(const Decoder& decoder, const Bytes& bytes) {
    VipsImageHandle image = openWith(decoder.load, bytes, false);
    if (!image)
        return std::nullopt;
    LibraryHeader header;
    header.width = vips_image_get_width(image.get());
    header.pageHeight = vips_image_get_page_height(image.get());
    header.pages = pageCount(image.get());
    header.declaresAlpha = declaresAlpha(image.get());
    header.hasProfile = vips_image_get_typeof(image.get(), VIPS_META_ICC_NAME) != 0;
    header.exif = readTiffFields(exifBlob(image.get()));
    return header;
}

// What decoding needs beyond the facts. Worked out on first use: reading only facts (the
// command-line tool, a fuzzer) never pays for it, and a bitmap's loader is slow to open.
struct DecodePlan {
    std::optional<PictureHeader> header;  // set when the picture can be decoded
    bool hasProfile = false;
    bool complete = false;  // the data reaches its end, as far as the container shows
};

}  // namespace

struct ImageSource::Identity {
    Bytes bytes;
    ImageInfoResult facts = ImageIOError::unreadable;
    // Kept from reading the facts, for the decode plan; the decoder is set with the facts.
    const Decoder* decoder = nullptr;
    ContainerFields container;
    std::optional<LibraryHeader> library;
    int orientation = 1;

    const DecodePlan& decodePlan() const;

private:
    mutable std::once_flag planned_;
    mutable DecodePlan plan_;
};

namespace {

// Reads the facts, in the documented order of their failures, and keeps what the decode plan
// needs.
void identify(ImageSource::Identity& identity) {
    const Bytes& bytes = identity.bytes;
    // Steps 1 and 2: the container's type, and whether it is a picture at all.
    const std::optional<std::string_view> type = identifyImageType(bytes.span());
    if (!type)
        return;  // unreadable
    const std::string_view uti = *type;
    if (!isAcceptedImageType(uti) && conformsToImage(uti) != true) {
        identity.facts = ImageIOError::unsupported;
        return;
    }
    const ContainerFields container = readContainerFields(uti, bytes.span());
    if (container.declaresNoPixels) {
        identity.facts = ImageIOError::empty;
        return;
    }
    const Decoder* decoder = decoderFor(uti);
    if (decoder == nullptr || (decoder->inModule && !ensureVipsModules())) {
        identity.facts = ImageIOError::unsupported;
        return;
    }
    const bool bitmap = uti == "com.microsoft.bmp";
    // The bitmap header is read here rather than trusting the general-purpose loader.
    const std::optional<LibraryHeader> library =
        bitmap ? std::nullopt : readLibraryHeader(*decoder, bytes);

    std::int64_t storedWidth = 0;
    std::int64_t storedHeight = 0;
    std::int64_t frames = 1;
    bool hasAlpha = false;
    std::optional<TiffFields> tiff;
    if (bitmap) {
        storedWidth = container.pixelWidth.value_or(0);
        storedHeight = container.pixelHeight.value_or(0);
        hasAlpha = container.hasAlpha.value_or(false);
    } else {
        if (!library) {
            identity.facts = ImageIOError::unreadable;
            return;
        }
        frames = container.frameCount.value_or(library->pages);
        if (frames < 1) {
            identity.facts = ImageIOError::empty;
            return;
        }
        storedWidth = library->width;
        storedHeight = library->pageHeight;
        hasAlpha = container.hasAlpha.value_or(library->declaresAlpha);
        if (uti == "public.tiff") {
            tiff = readTiffFields(bytes.span());
        } else if (!container.exif.empty()) {
            tiff = readTiffFields(container.exif);
        } else {
            tiff = library->exif;
        }
    }
    if (storedWidth < 1 || storedHeight < 1) {
        identity.facts = ImageIOError::empty;
        return;
    }

    const TiffFields fields = tiff.value_or(TiffFields{});
    std::int64_t orientation = fields.orientation.value_or(1);
    if (orientation < 1 || orientation > 8 || decoder->appliesOrientation)
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
    identity.facts = info;

    identity.decoder = decoder;
    identity.container = container;
    identity.library = library;
    identity.orientation = int(orientation);
}

}  // namespace

// Decoding goes further than the facts: the loader must open the header (bitmaps included), the
// grid must be within the pixel bound, and libvips must detect the same loader for the
// thumbnailer.
const DecodePlan& ImageSource::Identity::decodePlan() const {
    std::call_once(planned_, [this] {
        if (!std::holds_alternative<DecodedImageInfo>(facts))
            return;
        std::optional<LibraryHeader> opened = library;
        if (!opened)
            opened = readLibraryHeader(*decoder, bytes);
        if (!opened || opened->width < 1 || opened->pageHeight < 1 ||
            opened->width * opened->pageHeight > maxDecodedPixels ||
            !libraryAgrees(*decoder, bytes)) {
            return;
        }
        plan_.hasProfile = opened->hasProfile;
        const auto width = int(opened->width);
        const auto height = int(opened->pageHeight);
        plan_.header = PictureHeader{
            orientation >= 5 ? PixelSize{height, width} : PixelSize{width, height}, orientation};
        if (decoder->uti == "public.jpeg")
            plan_.complete = jpegReachesItsEnd(bytes.span(), container.firstScanAt);
        else if (decoder->uti == "public.png")
            plan_.complete = container.reachesEndChunk;
        else
            plan_.complete = true;
    });
    return plan_;
}

void loadModuleDecodersOnDemand() {
    deferVipsModules();
}

std::optional<ImageSource> openImageSource(Bytes bytes) {
    if (bytes.empty() || !ensureVipsStarted())
        return std::nullopt;
    auto identity = std::make_shared<ImageSource::Identity>();
    identity->bytes = std::move(bytes);
    identify(*identity);
    return ImageSource(std::move(identity));
}

namespace {

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

// Turns stored pixels upright by the orientation code of the facts (libvips' own reading of the
// file's tags is never used, so pixels and facts cannot disagree).
//
// `image` is read from its file once, top to bottom, but every turn except a left-right mirror
// asks for rows out of that order (the first upright row of a quarter turn is the stored grid's
// first column), which such a read refuses. So the scaled picture is first made in memory, where
// any row can be read: memory still follows the output size, never the stored one.
VipsImageHandle turnedUpright(VipsImageHandle image, int orientation) {
    if (!image || orientation == 1)
        return image;
    if (orientation != 2) {
        VipsImage* made = vips_image_copy_memory(image.get());
        if (made == nullptr)
            return nullptr;
        image.reset(made);
    }
    VipsImage* tagged = nullptr;
    if (vips_copy(image.get(), &tagged, nullptr) != 0)
        return nullptr;
    VipsImageHandle taggedHandle(tagged);
    vips_image_set_int(tagged, VIPS_META_ORIENTATION, orientation);
    VipsImage* out = nullptr;
    if (vips_autorot(tagged, &out, nullptr) != 0)
        return nullptr;
    return VipsImageHandle(out);
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

}  // namespace

const Bytes& ImageSource::bytes() const {
    return identity_->bytes;
}

const ImageInfoResult& ImageSource::facts() const {
    return identity_->facts;
}

const std::optional<PictureHeader>& ImageSource::decodableHeader() const {
    return identity_->decodePlan().header;
}

bool ImageSource::passesDecodeChecks() const {
    const DecodePlan& plan = identity_->decodePlan();
    return plan.header && plan.complete;
}

std::optional<UprightVipsImage> decodeUprightImage(const ImageSource& source,
                                                   std::optional<PixelSize> size) {
    const ImageSource::Identity& identity = *source.identity_;
    const DecodePlan& plan = identity.decodePlan();
    if (!plan.header)
        return std::nullopt;
    const PictureHeader& header = *plan.header;
    const PixelSize target = size.value_or(header.upright);
    if (target.width < 1 || target.height < 1)
        return std::nullopt;
    if (identity.decoder->uti == "public.jpeg" && !plan.complete)
        return std::nullopt;
    // The thumbnailer scales the stored grid; the turn upright follows.
    const bool quarterTurn = header.orientation >= 5;
    const PixelSize stored = quarterTurn ? PixelSize{target.height, target.width} : target;

    // Shrink-on-load happens inside the thumbnailer, which also converts CMYK to sRGB. An
    // embedded profile is converted to sRGB only when there is one: asked to convert a picture
    // without a profile, the thumbnailer assumes a different source space and shifts its colours.
    // HEIF files are opened by hand, because the thumbnailer would take the file's embedded
    // preview when it is large enough.
    const Bytes& bytes = identity.bytes;
    const char* profile = plan.hasProfile ? "srgb" : nullptr;  // nullptr: no conversion
    VipsImage* out = nullptr;
    int failed = 0;
    if (identity.decoder->load == vips_heifload_buffer) {
        VipsImageHandle opened = openWith(identity.decoder->load, bytes, true);
        if (!opened)
            return std::nullopt;
        failed = vips_thumbnail_image(opened.get(), &out, stored.width, "height", stored.height,
                                      "size", VIPS_SIZE_FORCE, "no_rotate", TRUE, "export_profile",
                                      profile, nullptr);
    } else {
        // The loader options go through `option_string`: the thumbnailer's own `fail_on` is not
        // passed on to buffer loaders.
        failed = vips_thumbnail_buffer(const_cast<std::uint8_t*>(bytes.data()), bytes.size(), &out,
                                       stored.width, "height", stored.height, "size",
                                       VIPS_SIZE_FORCE, "no_rotate", TRUE, "option_string",
                                       "fail_on=truncated", "export_profile", profile, nullptr);
    }
    if (failed != 0) {
        vips_error_clear();
        return std::nullopt;
    }
    VipsImageHandle image = turnedUpright(toEightBitSrgb(VipsImageHandle(out)), header.orientation);
    if (!image || vips_image_get_width(image.get()) != target.width ||
        vips_image_get_height(image.get()) != target.height) {
        vips_error_clear();
        return std::nullopt;
    }
    return UprightVipsImage{bytes, std::move(image)};
}

std::optional<RgbaImage> ImageSource::decodeFirstFrame() const {
    return evaluated(decodeUprightImage(*this, std::nullopt));
}

std::optional<RgbaImage> ImageSource::decodeThumbnail(int maxPixelSize) const {
    const DecodePlan& plan = identity_->decodePlan();
    if (!plan.header)
        return std::nullopt;
    const PictureHeader& header = *plan.header;
    const PixelSize target = boundedSize(header.upright, std::max(maxPixelSize, 1));
    // A whole JPEG whose colours need no conversion is decoded on this thread by libjpeg-turbo,
    // which the general thumbnailer calls too, without the thumbnailer's set-up and hand-over to
    // a worker thread: a third of the time for a camera photograph. Any other, and any the plain
    // path refuses, goes the general way.
    if (identity_->decoder->uti == "public.jpeg" && plan.complete && !plan.hasProfile) {
        const auto asStored = [quarterTurn = header.orientation >= 5](PixelSize size) {
            return quarterTurn ? PixelSize{size.height, size.width} : size;
        };
        if (auto stored = decodePlainJpeg(bytes(), asStored(header.upright), asStored(target)))
            return header.orientation == 1 ? std::move(stored)
                                           : turnedUpright(*stored, header.orientation);
    }
    return evaluated(decodeUprightImage(*this, target));
}

PixelSize boundedSize(PixelSize size, double limit) {
    const int longSide = std::max(size.width, size.height);
    if (!(limit < longSide))  // a limit that is not a number bounds nothing
        return size;
    const double scale = limit / longSide;
    auto side = [scale](int length) { return std::max(1, int(std::lround(scale * length))); };
    return {side(size.width), side(size.height)};
}

// ---- shorthands over bytes ---------------------------------------------------------------------

std::optional<PictureHeader> readPictureHeader(const Bytes& bytes) {
    const auto source = openImageSource(bytes);
    return source ? source->decodableHeader() : std::nullopt;
}

std::optional<RgbaImage> decodeFirstFrame(const Bytes& bytes) {
    const auto source = openImageSource(bytes);
    return source ? source->decodeFirstFrame() : std::nullopt;
}

std::optional<RgbaImage> decodeThumbnail(const Bytes& bytes, int maxPixelSize) {
    const auto source = openImageSource(bytes);
    return source ? source->decodeThumbnail(maxPixelSize) : std::nullopt;
}

}  // namespace mosavelle
