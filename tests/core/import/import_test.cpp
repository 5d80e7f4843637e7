#include "core/import/image_source.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <stop_token>
#include "core/import/detail/plain_jpeg.h"
#include "core/import/file_collection.h"
#include "core/import/image_decoding.h"
#include "core/import/image_metadata.h"
#include "core/import/import_plan.h"
#include "core/import/metadata_reader.h"
#include "core/import/picture_test_util.h"
#include "core/platform/crc32.h"
#include "core/platform/sha256.h"
#include "core/platform/stored_bytes.h"
#include "support/faulty_file_system.h"
#include "support/tagged_pictures.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

using namespace std::chrono;
using testing::describe;
using testing::fixtureBytes;

ImageInfoResult factsOf(const Bytes& bytes) {
    const auto source = openImageSource(bytes);
    if (!source)
        return ImageIOError::unreadable;
    return source->facts();
}

// The facts of a picture that must have them.
DecodedImageInfo infoOf(const Bytes& bytes) {
    const ImageInfoResult result = factsOf(bytes);
    const auto* info = std::get_if<DecodedImageInfo>(&result);
    if (info == nullptr) {
        ADD_FAILURE() << description(std::get<ImageIOError>(result));
        return {};
    }
    return *info;
}

DecodedImageInfo infoOf(const std::string& name) {
    SCOPED_TRACE(name);
    return infoOf(fixtureBytes(name));
}

// Builds a TIFF-structured block (directory 0 and an optional EXIF sub-directory) byte by byte,
// so that tests control every field type and byte order.
class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian = false) : big_(bigEndian) {}

    TiffBuilder& shortValue(std::uint16_t tag, std::uint16_t value, bool exif = false) {
        return add(tag, 3, 1, number(value, 2), exif);
    }
    TiffBuilder& rational(std::uint16_t tag, std::uint32_t num, std::uint32_t den) {
        auto value = number(num, 4);
        append(value, number(den, 4));
        return add(tag, 5, 1, value, false);
    }
    TiffBuilder& text(std::uint16_t tag, const std::string& value, bool exif, int type = 2) {
        std::vector<std::uint8_t> data(value.begin(), value.end());
        data.push_back(0);
        return add(tag, std::uint16_t(type), std::uint32_t(data.size()), data, exif);
    }

    // The header, directory 0, the EXIF directory when there is one, then the longer values.
    std::vector<std::uint8_t> build() const {
        std::vector<Entry> ifd0 = ifd0_;
        const std::size_t exifAt = 8 + 2 + (ifd0.size() + (exif_.empty() ? 0 : 1)) * 12 + 4;
        if (!exif_.empty())
            ifd0.push_back({0x8769, 4, 1, number(exifAt, 4)});
        std::vector<std::uint8_t> out(2, big_ ? 'M' : 'I'), data;
        append(out, number(42, 2));
        append(out, number(8, 4));
        std::size_t dataAt = exifAt + (exif_.empty() ? 0 : 2 + exif_.size() * 12 + 4);
        const std::vector<Entry>* directories[] = {&ifd0, &exif_};
        for (const std::vector<Entry>* entries : directories) {
            if (entries->empty())
                continue;
            append(out, number(entries->size(), 2));
            for (const Entry& e : *entries) {
                append(out, number(e.tag, 2));
                append(out, number(e.type, 2));
                append(out, number(e.count, 4));
                if (e.value.size() <= 4) {
                    append(out, e.value);
                    out.resize(out.size() + 4 - e.value.size());
                } else {
                    append(out, number(dataAt, 4));
                    append(data, e.value);
                    dataAt += e.value.size();
                }
            }
            append(out, number(0, 4));
        }
        append(out, data);
        return out;
    }

private:
    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t count;
        std::vector<std::uint8_t> value;
    };

    TiffBuilder& add(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                     std::vector<std::uint8_t> value, bool exif) {
        (exif ? exif_ : ifd0_).push_back({tag, type, count, std::move(value)});
        return *this;
    }
    // `value` in `size` bytes of the block's byte order.
    std::vector<std::uint8_t> number(std::uint64_t value, int size) const {
        std::vector<std::uint8_t> out(std::size_t(size), 0);
        for (int i = 0; i < size; ++i)
            out[std::size_t(big_ ? size - 1 - i : i)] = std::uint8_t(value >> (8 * i));
        return out;
    }
    static void append(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& more) {
        out.insert(out.end(), more.begin(), more.end());
    }

    bool big_;
    std::vector<Entry> ifd0_, exif_;
};

// no-resolution.jpg (JFIF aspect ratio only, no EXIF) with `tiff` spliced in as its EXIF block.
Bytes jpegWithExif(const std::vector<std::uint8_t>& tiff) {
    const Bytes base = fixtureBytes("no-resolution.jpg");
    std::vector<std::uint8_t> out(base.begin(), base.begin() + 2);
    const std::size_t length = 2 + 6 + tiff.size();
    out.insert(out.end(), {0xFF, 0xE1, std::uint8_t(length >> 8), std::uint8_t(length)});
    out.insert(out.end(), {'E', 'x', 'i', 'f', 0, 0});
    out.insert(out.end(), tiff.begin(), tiff.end());
    out.insert(out.end(), base.begin() + 2, base.end());
    return Bytes(std::move(out));
}

DecodedImageInfo infoWithExif(const TiffBuilder& exif) {
    return infoOf(jpegWithExif(exif.build()));
}

// Wall-clock times are read in ICU's default zone; pin it so that local time differs from UTC.
class ImageInfoDates : public ::testing::Test {
protected:
    void SetUp() override {
        saved_.reset(icu::TimeZone::createDefault());
        icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("America/New_York"));
    }
    void TearDown() override { icu::TimeZone::setDefault(*saved_); }

private:
    std::unique_ptr<icu::TimeZone> saved_;
};

Timestamp utc(year_month_day day, hours h, minutes m, seconds s) {
    return sys_days(day) + h + m + s;
}

TEST(ImageOrientation, EveryCodeGivesUprightFactsAndPixelsWithResolutionsFollowingTheTurn) {
    for (std::uint32_t code = 0; code <= 9; ++code) {
        SCOPED_TRACE(code);
        const Bytes bytes = fixtureBytes("orient-" + std::to_string(code) + ".jpg");
        const DecodedImageInfo info = infoOf(bytes);
        // Every file shows the same upright 64x40 scene; 5 to 8 store it as 40x64, and so do
        // 0 and 9, which lie outside the codes and so are upright and never swap.
        const bool valid = code >= 1 && code <= 8, turned = valid && code >= 5;
        EXPECT_EQ(info.orientation, valid ? code : 1u);
        EXPECT_EQ(std::pair(info.pixelWidth, info.pixelHeight),
                  valid ? std::pair(64l, 40l) : std::pair(40l, 64l));
        // 300 by 240 dpi belong to the stored grid and turn with it.
        EXPECT_EQ(std::pair(info.dpiX, info.dpiY),
                  turned ? std::pair(240., 300.) : std::pair(300., 240.));

        // Pixels of every code, of every type, at every size: the picture encoding suite.
        auto full = decodeFirstFrame(bytes);
        ASSERT_TRUE(full);
        EXPECT_EQ(full->pixel(30, 30)[3], 255);  // opaque: alpha filled in
        EXPECT_EQ(describe(*full).substr(0, valid ? 10 : 5), valid ? "64x40 RG.." : "40x64");
    }
}

TEST(ImageInfoResolution, ReadsEachContainersFieldsAndUnitsRoundedWithinOneTo2048Or72) {
    struct Case {
        const char* name;
        double x, y;
    };
    for (const Case& c :
         {Case{"alpha.png", 300, 300}, Case{"picture.bmp", 300, 300}, Case{"picture.tif", 300, 300},
          Case{"resolution-jfif-cm.jpg", 300, 150}, Case{"truncated.jpg", 300, 240},
          // Files without resolution fields.
          Case{"no-resolution.jpg", 72, 72}, Case{"no-resolution.png", 72, 72},
          Case{"animated.gif", 72, 72},
          // EXIF 3000 by 0.4 over a JFIF 150 by 150: unusable, and no fallback to the JFIF.
          Case{"resolution-extreme.jpg", 72, 72}}) {
        const DecodedImageInfo info = infoOf(c.name);
        EXPECT_EQ(std::pair(info.dpiX, info.dpiY), std::pair(c.x, c.y)) << c.name;
    }
    // EXIF rationals round half away from zero and count within 1 to 2048.
    struct Rational {
        std::uint32_t num, den;
        double expected;
    };
    for (const Rational& c :
         {Rational{3004, 10, 300}, Rational{3005, 10, 301}, Rational{20484, 10, 2048},
          Rational{20485, 10, 72}, Rational{5, 10, 1}, Rational{4, 10, 72}, Rational{300, 0, 72}}) {
        SCOPED_TRACE(std::to_string(c.num) + "/" + std::to_string(c.den));
        const DecodedImageInfo info =
            infoWithExif(TiffBuilder().rational(0x011A, c.num, c.den).rational(0x011B, 96, 1));
        EXPECT_EQ(info.dpiX, c.expected);
        EXPECT_EQ(info.dpiY, 96);
    }
    // A resolution without a unit is no resolution.
    const DecodedImageInfo unitless = infoWithExif(
        TiffBuilder().rational(0x011A, 300, 1).rational(0x011B, 300, 1).shortValue(0x0128, 1));
    EXPECT_EQ(unitless.dpiX, 72);
}

TEST_F(ImageInfoDates, CaptureDatesAreLocalWallClockTextInTheirPrecedence) {
    // New York is four hours behind UTC in summer and five in winter.
    EXPECT_EQ(infoOf("date-original.jpg").captureDate, utc(2021y / July / 4, 22h, 30min, 0s));
    EXPECT_EQ(infoOf("date-digitized.jpg").captureDate, utc(2020y / January / 2, 8h, 4min, 5s));
    EXPECT_EQ(infoOf("date-tiff-only.jpg").captureDate, utc(2019y / May / 6, 11h, 8min, 9s));
    EXPECT_EQ(infoOf("picture.tif").captureDate, utc(2019y / May / 6, 11h, 8min, 9s));
    EXPECT_EQ(infoOf("orient-1.jpg").captureDate, std::nullopt);
    // An unparseable first date is not replaced by the next, but one stored as opaque bytes
    // does not count: the digitized text does.
    EXPECT_EQ(infoOf("date-hyphenated.jpg").captureDate, std::nullopt);
    TiffBuilder exif(true);
    exif.text(0x9003, "2021:07:04 18:30:00", true, 7).text(0x9004, "2020:01:02 03:04:05", true);
    EXPECT_EQ(infoWithExif(exif).captureDate, utc(2020y / January / 2, 8h, 4min, 5s));
}

TEST_F(ImageInfoDates, DateTextMustMatchThePatternExactly) {
    EXPECT_EQ(parseCaptureDate("2020:02:29 23:59:59"), utc(2020y / March / 1, 4h, 59min, 59s));
    EXPECT_EQ(parseCaptureDate("2000:02:29 12:00:00"), utc(2000y / February / 29, 17h, 0min, 0s));
    for (const char* text :
         {"2021:02:29 12:00:00", "1900:02:29 12:00:00", "0000:00:00 00:00:00",
          "2021:07:04 24:00:00", "2021:07:04 18:60:00", "2021:7:04 18:30:00",
          "2021:07:04 18:30:00 ", "2021:07:04T18:30:00", "    :  :     :  :  ", ""}) {
        EXPECT_EQ(parseCaptureDate(text), std::nullopt) << '"' << text << '"';
    }
    // A wall-clock time skipped by the spring change still names an instant, not nothing.
    EXPECT_EQ(parseCaptureDate("2021:03:14 02:30:00"), utc(2021y / March / 14, 7h, 30min, 0s));
}

// The type by signature, the frames or pages, frame zero's size and a declared alpha channel.
TEST(ImageInfoTypes, ContainersFramesAndAlphaAreReadAndFailuresCarryTheirCase) {
    struct Case {
        const char* name;
        const char* uti;
        std::int64_t frames;
        bool alpha;
    };
    for (const Case& c :
         {Case{"picture.png", "public.png", 1, false},
          Case{"animated.gif", "com.compuserve.gif", 12, true},  // frame 0's transparency
          Case{"animated.webp", "org.webmproject.webp", 3, false},
          Case{"pages.tif", "public.tiff", 3, false},
          Case{"picture.bmp", "com.microsoft.bmp", 1, false},  // 24 bits: no alpha
          Case{"picture.tif", "public.tiff", 1, false},
          Case{"picture.webp", "org.webmproject.webp", 1, false},
          Case{"picture.heic", "public.heic", 1, false},
          Case{"picture.heif", "public.heif", 1, false},
          // Outside the eight, but pictures: accepted with their own identifiers.
          Case{"picture.avif", "public.avif", 1, false},
          Case{"picture.jp2", "public.jpeg-2000", 1, false},
          Case{"cmyk.jpg", "public.jpeg", 1, false},  // four channels, none of them alpha
          Case{"truncated.jpg", "public.jpeg", 1, false}, Case{"alpha.png", "public.png", 1, true},
          Case{"grey-alpha-16bit.png", "public.png", 1, true},
          Case{"deep-16bit.png", "public.png", 1, false}}) {
        SCOPED_TRACE(c.name);
        const DecodedImageInfo info = infoOf(c.name);
        EXPECT_EQ(info.uti, c.uti);
        EXPECT_EQ(std::tuple(info.frameCount, info.pixelWidth, info.pixelHeight, info.hasAlpha),
                  std::tuple(c.frames, 64l, 40l, c.alpha));
    }
    // A GIF without the first frame's transparency flag has no alpha.
    const Bytes gif = fixtureBytes("animated.gif");
    std::vector<std::uint8_t> opaque(gif.begin(), gif.end());
    const std::uint8_t control[] = {0x21, 0xF9, 0x04};
    const auto at =
        std::search(opaque.begin(), opaque.end(), std::begin(control), std::end(control));
    ASSERT_NE(at, opaque.end());
    at[3] &= 0xFE;
    EXPECT_FALSE(infoOf(Bytes(std::move(opaque))).hasAlpha);

    // Failures carry their case. Text and documents are told apart by the import's sentences (see
    // the import plan).
    for (const char* name : {"no-frames.gif", "zero-width.png"}) {
        const ImageInfoResult result = factsOf(fixtureBytes(name));
        ASSERT_TRUE(std::holds_alternative<ImageIOError>(result)) << name;
        EXPECT_EQ(std::get<ImageIOError>(result), ImageIOError::empty) << name;
    }
    EXPECT_FALSE(openImageSource(Bytes()).has_value());
    // A known signature whose header is garbage cannot be read.
    const ImageInfoResult garbage = factsOf(Bytes(std::string_view("\x89PNG\r\n\x1a\nnonsense")));
    ASSERT_TRUE(std::holds_alternative<ImageIOError>(garbage));
    EXPECT_EQ(std::get<ImageIOError>(garbage), ImageIOError::unreadable);
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(v >> shift));
}

// Appends a PNG chunk with its length and CRC.
void appendChunk(std::vector<std::uint8_t>& png, const char* kind,
                 const std::vector<std::uint8_t>& data) {
    put32(png, std::uint32_t(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), kind, kind + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32(png, crc32Of(std::span(png).subspan(start)));
}

TEST(ImageInfoBadInput, PngExifOrientationAndDateAreRead) {
    const Bytes base = fixtureBytes("no-resolution.png");
    std::vector<std::uint8_t> png(base.begin(), base.begin() + 33);  // signature and IHDR
    appendChunk(png, "eXIf", TiffBuilder().shortValue(0x0112, 8).build());
    png.insert(png.end(), base.begin() + 33, base.end());
    const DecodedImageInfo info = infoOf(Bytes(std::move(png)));
    EXPECT_EQ(info.orientation, 8u);
    EXPECT_EQ(info.pixelWidth, 40);
}

// ---- decoding ---------------------------------------------------------------------------------

TEST(ImageDecoding, PixelsTurnAsTheFactsSayWhateverFormTheOrientationTakes) {
    // The decoder must not read the tag its own way: pixels, header and facts agree even for
    // forms that another reader takes differently. A number in any form counts; text does not.
    for (const auto& [exif, orientation] : std::vector<std::pair<TiffBuilder, std::uint32_t>>{
             {TiffBuilder(true).shortValue(0x0112, 6), 6},
             {TiffBuilder().rational(0x0112, 6, 1), 6},
             {TiffBuilder().text(0x0112, "6", false), 1}}) {
        const auto source = openImageSource(jpegWithExif(exif.build()));
        ASSERT_TRUE(source);
        const auto& info = std::get<DecodedImageInfo>(source->facts());
        EXPECT_EQ(info.orientation, orientation);
        const auto header = source->decodableHeader();
        const auto image = source->decodeFirstFrame();
        ASSERT_TRUE(header && image);
        EXPECT_EQ(header->orientation, int(info.orientation));
        EXPECT_EQ(header->upright, (PixelSize{int(info.pixelWidth), int(info.pixelHeight)}));
        EXPECT_EQ((PixelSize{image->width, image->height}), header->upright);
    }
}

TEST(ImageDecoding, ThumbnailBoundsTheLongerSideAndNeverEnlarges) {
    const Bytes png = fixtureBytes("picture.png");
    // 64x40 to a long side of 33 gives 20.625 -> 21; a limit of 1 or less still leaves 1x1.
    for (auto [limit, size] : std::vector<std::pair<int, std::string>>{
             {1000, "64x40"}, {64, "64x40"}, {33, "33x21"}, {1, "1x1"}, {0, "1x1"}, {-7, "1x1"}}) {
        auto thumb = decodeThumbnail(png, limit);
        ASSERT_TRUE(thumb) << limit;
        EXPECT_EQ(describe(*thumb).substr(0, size.size() + 1), size + " ") << limit;
    }
}

TEST(ImageDecoding, EveryTypeAndDepthDecodesToEightBitRgbaOfTheFirstFrame) {
    for (const char* name :
         {"picture.png", "picture.webp", "picture.tif", "picture.bmp", "picture.heic",
          "picture.heif", "picture.avif", "picture.jp2", "cmyk.jpg", "deep-16bit.png",
          "animated.gif", "animated.webp", "pages.tif"}) {
        auto image = decodeFirstFrame(fixtureBytes(name));
        ASSERT_TRUE(image) << name;
        // Lossy codecs smear the small green block; the size and the red block survive in all.
        EXPECT_EQ(describe(*image).substr(0, 7), "64x40 R") << name;
    }
    auto alpha = decodeFirstFrame(fixtureBytes("alpha.png"));
    ASSERT_TRUE(alpha);
    EXPECT_EQ(alpha->pixel(2, 2)[3], 192);
    EXPECT_NEAR(alpha->pixel(2, 2)[0], 220, 2);  // straight, not premultiplied (165)
}

TEST(ImageDecoding, EmbeddedProfileIsConvertedToSrgb) {
    // The fixture's red (220,30,30) stored under a wide-gamut profile holds other numbers;
    // decoding must give the sRGB colour back.
    const Bytes png = fixtureBytes("picture.png");
    VipsImageHandle plain(vips_image_new_from_buffer(png.data(), png.size(), "", nullptr));
    VipsImage* wide = nullptr;
    ASSERT_EQ(vips_icc_transform(plain.get(), &wide, "p3", "input_profile", "srgb", nullptr), 0);
    VipsImageHandle wideHandle(wide);

    auto image = decodeFirstFrame(testing::savedAs(wide, ".png"));
    ASSERT_TRUE(image);
    EXPECT_NEAR(image->pixel(2, 2)[0], 220, 4);
    EXPECT_NEAR(image->pixel(2, 2)[1], 30, 6);
}

// A 1000x700 JPEG of smooth ramps, red across and green down over blue 128; grey (the red ramp)
// when `bands` is 1.
Bytes rampsJpeg(int bands) {
    EXPECT_TRUE(ensureVipsStarted());
    VipsImage *xy = nullptr, *ramps = nullptr, *out = nullptr;
    const double scale[] = {255 / 999., 255 / 699.}, offset[] = {0, 0};
    EXPECT_EQ(vips_xyz(&xy, 1000, 700, nullptr), 0);
    EXPECT_EQ(vips_linear(xy, &ramps, scale, offset, 2, "uchar", TRUE, nullptr), 0);
    EXPECT_EQ(bands == 3 ? vips_bandjoin_const1(ramps, &out, 128, nullptr)
                         : vips_extract_band(ramps, &out, 0, nullptr),
              0);
    Bytes jpeg = testing::savedAs(out, ".jpg[Q=95]");
    for (VipsImage* image : {xy, ramps, out})
        g_object_unref(image);
    return jpeg;
}

TEST(ImageDecoding, PlainJpegDecodeAveragesLikeTheGeneralThumbnailerAndRefusesTheRest) {
    for (const int bands : {3, 1}) {
        const Bytes jpeg = rampsJpeg(bands);
        for (const PixelSize size : {PixelSize{256, 179}, PixelSize{100, 70}, PixelSize{999, 3}}) {
            SCOPED_TRACE(std::to_string(bands) + " bands at " + std::to_string(size.width));
            const auto plain = decodePlainJpeg(jpeg, {1000, 700}, size);
            VipsImage* general = nullptr;
            ASSERT_EQ(vips_thumbnail_buffer(const_cast<std::uint8_t*>(jpeg.data()), jpeg.size(),
                                            &general, size.width, "height", size.height, "size",
                                            VIPS_SIZE_FORCE, nullptr),
                      0);
            VipsImageHandle handle(general);
            std::size_t length = 0;
            auto* pixels = static_cast<std::uint8_t*>(vips_image_write_to_memory(general, &length));
            const std::size_t count = std::size_t(size.width) * size.height;
            ASSERT_TRUE(plain && plain->width == size.width && plain->height == size.height &&
                        length == count * bands);
            // Lanczos and area averaging differ by a level or two; a picture shifted by a pixel,
            // a scale of the wrong size or a channel out of place differs by far more.
            long difference = 0, worst = 0;
            for (std::size_t i = 0; i < count * 3; ++i) {
                const long d =
                    long(plain->pixels[i / 3 * 4 + i % 3]) - pixels[i / 3 * bands + i % 3 % bands];
                difference += d;
                worst = std::max(worst, std::abs(d));
            }
            g_free(pixels);
            EXPECT_LT(std::abs(double(difference)) / double(count * 3), 1.0);
            EXPECT_LE(worst, 4);
        }
    }
    // Another grid than the one announced, CMYK, data cut short: the general decoder decides.
    EXPECT_FALSE(decodePlainJpeg(rampsJpeg(3), {700, 1000}, {70, 100}));
    EXPECT_FALSE(decodePlainJpeg(fixtureBytes("cmyk.jpg"), {64, 40}, {32, 20}));
    EXPECT_FALSE(decodePlainJpeg(fixtureBytes("truncated.jpg"), {64, 40}, {32, 20}));
}

TEST(ImageDecoding, NonPicturesAndDamagedPicturesGiveNothing) {
    for (const char* name : {"text.jpg", "document.pdf", "zero-width.png", "no-frames.gif"}) {
        EXPECT_FALSE(readPictureHeader(fixtureBytes(name))) << name;
        EXPECT_FALSE(decodeFirstFrame(fixtureBytes(name))) << name;
        EXPECT_FALSE(decodeThumbnail(fixtureBytes(name), 64)) << name;
    }
    EXPECT_FALSE(decodeThumbnail(Bytes(), 64));
    // A truncated JPEG's header reads, but no grey-padded picture is handed out as if whole.
    const Bytes truncated = fixtureBytes("truncated.jpg");
    EXPECT_TRUE(readPictureHeader(truncated));
    EXPECT_FALSE(decodeFirstFrame(truncated));
    EXPECT_FALSE(decodeThumbnail(truncated, 16));
    // Bytes after the end marker (some cameras append them) do not make a JPEG damaged.
    const Bytes whole = fixtureBytes("orient-1.jpg");
    std::string padded(whole.view());
    padded += "trailing bytes";
    EXPECT_TRUE(decodeThumbnail(Bytes(std::string_view(padded)), 16));
}

// A valid 1-bit grey PNG of side x side black pixels (side a multiple of 8), deflated by hand as
// one fixed-Huffman block of 258-byte back-references: 100,000 a side is 1.25 GB of rows in 8 MB.
Bytes blackSquarePng(std::uint32_t side) {
    std::vector<std::uint8_t> z{0x78, 0x01};
    std::uint32_t acc = 0;
    int used = 0;
    auto code = [&](std::uint32_t value, int count) {  // Huffman codes: high bit first
        for (int i = count - 1; i >= 0; --i) {
            acc |= ((value >> i) & 1) << used;
            if (++used == 8)
                z.push_back(std::uint8_t(acc)), acc = 0, used = 0;
        }
    };
    const std::uint64_t raw = std::uint64_t(side) * (1 + side / 8);
    code(0b110, 3);  // final block, fixed codes (the two header fields read low bit first)
    code(0x30, 8);   // literal 0
    for (std::uint64_t left = raw - 1; left > 0; left -= left >= 258 ? 258 : 1)
        left >= 258 ? code(0xC5 << 5, 13) : code(0x30, 8);  // length 258 at distance 1
    code(0, 7 + (8 - (used + 7) % 8) % 8);                  // end of block, pad to a byte
    put32(z, std::uint32_t((raw % 65521) << 16 | 1));       // Adler-32 of zeros

    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> ihdr;
    put32(ihdr, side);
    put32(ihdr, side);
    ihdr.insert(ihdr.end(), {1, 0, 0, 0, 0});
    appendChunk(png, "IHDR", ihdr);
    appendChunk(png, "IDAT", z);
    appendChunk(png, "IEND", {});
    return Bytes(std::move(png));
}

long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(ImageDecoding, DecompressionBombIsRefusedWithinBoundedMemory) {
    // The same construction at a small size is a picture like any other.
    auto small = decodeThumbnail(blackSquarePng(800), 100);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->width, 100);
    EXPECT_EQ(small->pixel(50, 50)[0], 0);

    const Bytes bomb = blackSquarePng(100000);
    const long before = peakResidentKilobytes();
    // Its facts come from the header alone; its pixels are never decoded.
    const DecodedImageInfo info = infoOf(bomb);
    EXPECT_EQ(std::pair(info.pixelWidth, info.pixelHeight), std::pair(100000l, 100000l));
    EXPECT_FALSE(readPictureHeader(bomb));
    EXPECT_FALSE(decodeThumbnail(bomb, 512));
    EXPECT_FALSE(decodeFirstFrame(bomb));
    EXPECT_LT(peakResidentKilobytes() - before, 128 * 1024);
}

class MetadataReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::haveExiftool())
            GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed";
    }
    PictureMetadata read(const std::vector<std::string>& tags) {
        return readPictureMetadata(
            testing::readFileBytes(testing::writeTaggedPicture(dir_.path(), "tagged.jpg", tags))
                .span());
    }
    testing::TempDir dir_;
};

TEST_F(MetadataReaderTest, XmpWinsOverIptcWhichWinsOverExif) {
    std::vector<std::string> tags{"-XPTitle=E", "-ImageDescription=E text", "-XPKeywords=e1;e2"};
    const auto summary = [&] {
        const PictureMetadata m = read(tags);
        return m.title.value_or("-") + "|" + m.description.value_or("-") + "|" + m.keywords.back() +
               std::to_string(m.keywords.size()) + "|" + m.city.value_or("-");
    };
    EXPECT_EQ(summary(), "E|E text|e22|-");
    tags.insert(tags.end(), {"-IPTC:ObjectName=I", "-IPTC:Caption-Abstract=I text",
                             "-IPTC:Keywords=i1", "-IPTC:City=Lyon"});
    EXPECT_EQ(summary(), "I|I text|i11|Lyon");
    tags.insert(tags.end(),
                {"-XMP-photoshop:Headline=H", "-XMP-dc:Description=X text", "-XMP-dc:Subject=x1"});
    EXPECT_EQ(summary(), "H|X text|x11|Lyon");  // a headline stands in for the XMP title
    tags.push_back("-XMP-dc:Title=X");
    EXPECT_EQ(summary(), "X|X text|x11|Lyon");
}

TEST_F(MetadataReaderTest, DecodesEachEncodingCleansCutsAndReadsTheCamera) {
    // XP fields are UTF-16; UserComment names its code, here UNICODE in the block's big-endian
    // order; IPTC is UTF-8 when its coded character set says so, else Latin-1.
    PictureMetadata m = read({"-XPTitle=\xE6\xB5\xB7 \xC3\xA9t\xC3\xA9",
                              "-UserComment=\xC3\x89t\xC3\xA9", "-XMP-dc:Creator=  A\tB\n\nC "});
    EXPECT_EQ(m.title.value_or("") + "|" + m.description.value_or("") + "|" + m.artist.value_or(""),
              "\xE6\xB5\xB7 \xC3\xA9t\xC3\xA9|\xC3\x89t\xC3\xA9|A B C");
    EXPECT_EQ(read({"-IPTC:CodedCharacterSet=UTF8", "-IPTC:City=Caf\xC3\xA9"}).city, "Caf\xC3\xA9");
    EXPECT_EQ(read({"-charset", "iptc=Latin", "-IPTC:City=Caf\xC3\xA9"}).city, "Caf\xC3\xA9");
    EXPECT_EQ(read({"-ImageDescription=A\xFF-B"}).description, "A\xEF\xBF\xBD-B");

    m = read({"-XMP-dc:Description=" + std::string(maxMetadataTextLength + 9, 'x'),
              "-DateTimeOriginal=2021:07:04 18:30:00", "-OffsetTimeOriginal=-05:30", "-Make=Maker",
              "-ExifIFD:SerialNumber=SN42", "-GPSLatitude=48.5", "-GPSLatitudeRef=S",
              "-GPSLongitude=2.25", "-GPSLongitudeRef=E"});
    EXPECT_EQ(m.description->size(), maxMetadataTextLength);
    EXPECT_EQ(m.captured, (CaptureMoment{"2021-07-04T18:30:00", -330}));
    EXPECT_EQ(m.cameraMake.value_or("") + m.bodySerialNumber.value_or(""), "MakerSN42");
    EXPECT_EQ(m.position, (GeoPosition{-48.5, 2.25}));
}

TEST_F(MetadataReaderTest, ADamagedBlockCostsOnlyItsOwnFields) {
    const auto path = testing::writeTaggedPicture(
        dir_.path(), "damaged.jpg", {"-ImageDescription=Exif text", "-XMP-dc:Title=Xmp title"});
    std::string bytes = testing::slurp(path);
    const std::size_t exif = bytes.find(std::string("Exif\0\0", 6));
    ASSERT_NE(exif, std::string::npos);
    bytes.replace(exif + 6, 8, 8, '\xEE');  // no TIFF header: exiv2's whole-file parse stops
    const PictureMetadata m =
        readPictureMetadata({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    EXPECT_EQ(m.title, "Xmp title");
    EXPECT_FALSE(m.description);
}

namespace fs = std::filesystem;
using testing::fixturePath;
using testing::TempDir;
using Names = std::vector<std::string>;

void copyFixture(const std::string& fixture, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(fixturePath(fixture), to, fs::copy_options::overwrite_existing);
}

void touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    testing::writeFileBytes(path, Bytes(std::string_view("x")));
}

Names names(const std::vector<fs::path>& paths) {
    Names out;
    for (const auto& path : paths)
        out.push_back(path.filename().string());
    return out;
}

TEST(CollectImageFiles, HiddenFilesAndSubfoldersFollowTheSubfolderChoice) {
    TempDir dir;
    touch(dir / "a.png");
    touch(dir / ".hidden.png");
    touch(dir / "sub/b.png");
    touch(dir / ".secret/c.jpg");
    touch(dir / "notes.txt");
    touch(dir / "Upper.JPG");
    fs::create_directories(dir / "album.jpg");  // a folder is never a picture file
    EXPECT_EQ(names(collectImageFiles({dir.path()}, false)), (Names{"a.png", "Upper.JPG"}));
    EXPECT_EQ(names(collectImageFiles({dir.path()}, true)),
              (Names{".hidden.png", "a.png", "b.png", "c.jpg", "Upper.JPG"}));
}

TEST(CollectImageFiles, SortsAllFilesByNameAcrossFoldersAndKeepsRepeats) {
    TempDir dir;
    for (const char* name : {"one/img10.jpg", "two/img2.jpg", "IMG1.jpg", "x.txt"})
        touch(dir / name);
    const std::vector<fs::path> urls = {dir / "one",      dir / "two",   dir / "IMG1.jpg",
                                        dir / "gone.jpg", dir / "x.txt", dir / "IMG1.jpg"};
    EXPECT_EQ(names(collectImageFiles(urls, false)),
              (Names{"IMG1.jpg", "IMG1.jpg", "img2.jpg", "img10.jpg"}));
    EXPECT_TRUE(containsFolder(urls));
    EXPECT_FALSE(containsFolder({dir / "IMG1.jpg", dir / "gone"}));
}

TEST(CollectImageFiles, LinkLoopsAndUnreadableFoldersNeitherHangNorStop) {
    TempDir dir;
    touch(dir / "tree/p.png");
    fs::create_directory_symlink(dir / "tree", dir / "tree/loop");
    fs::create_symlink(dir / "self.jpg", dir / "self.jpg");  // a link to itself
    touch(dir / "tree/locked/q.png");
    ::chmod((dir / "tree/locked").c_str(), 0);
    const Names expected = geteuid() == 0 ? Names{"p.png", "q.png"} : Names{"p.png"};
    EXPECT_EQ(names(collectImageFiles({dir / "tree", dir / "self.jpg"}, true)), expected);
    EXPECT_EQ(collectImageFiles({dir / "tree/locked"}, false).size(), geteuid() == 0 ? 1u : 0u);
}

std::string readFailure(const fs::path& path, FileSystem& files = realFileSystem()) {
    const auto bytes = readWholeFile(path, files);
    return bytes.ok() ? "read" : bytes.error().message;
}

TEST(ReadWholeFile, RefusesWhatIsNoRegularFileWithASentence) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(readFailure(dir / "pipe.jpg"),  // must not block
              "The file could not be read because it is not a regular file.");
    EXPECT_EQ(readFailure(dir.path()), "The file could not be read because it is a folder.");
    testing::writeFileBytes(dir / "huge.tif", Bytes());
    fs::resize_file(dir / "huge.tif", maxImportFileBytes + 1);  // sparse: nothing is written
    EXPECT_EQ(readFailure(dir / "huge.tif"),
              "The file could not be read because it is too large to be a picture.");
    EXPECT_EQ(readWholeFile(dir / "gone.jpg").error().code, ErrorCode::notFound);
    for (const auto& refused : {dir / "pipe.jpg", dir.path(), dir / "huge.tif"})
        EXPECT_EQ(readWholeFile(refused).error().code, ErrorCode::unsupported) << refused;
    testing::FaultyFileSystem files;
    files.unreadable = fixturePath("picture.png");
    EXPECT_EQ(readFailure(files.unreadable, files),
              "The file could not be read (Input/output error).");
}

// A batch on the fixture pictures: a plain picture, an animated GIF, a text file named .jpg, a
// PDF, a picture given twice under two names, one equal to a picture already in the deck, and a
// JPEG whose header reads but whose data stops early.
struct Batch {
    TempDir dir;
    std::vector<SourceImage> deck;

    Batch() {
        copyFixture("picture.png", dir / "1 picture.png");
        copyFixture("animated.gif", dir / "2 animated.gif");
        copyFixture("text.jpg", dir / "3 x.jpg");
        copyFixture("orient-1.jpg", dir / "4 first.jpg");
        copyFixture("orient-1.jpg", dir / "5 again.jpg");
        copyFixture("document.pdf", dir / "6 doc.tif");
        copyFixture("alpha.png", dir / "7 in deck.png");
        copyFixture("truncated.jpg", dir / "8 cut.jpg");
        SourceImage existing;
        existing.sha256 = sha256Hex(testing::readFileBytes(fixturePath("alpha.png")));
        deck.push_back(existing);
    }
};

// The plan of a `Batch`.
void checkBatchPlan(const ImportPlan& plan, const Batch& batch, bool staged) {
    Names items;
    for (const auto& item : plan.items) {
        items.push_back(item.originalName);
        EXPECT_EQ(item.sha256, sha256Hex(*item.data.read()));
        EXPECT_EQ(*item.data.read(), testing::readFileBytes(item.url));
        EXPECT_EQ(item.data.isOwnedFile(), staged);
    }
    // The picture whose pixels do not decode is a failure only, never an item as well.
    EXPECT_EQ(items, (Names{"1 picture.png", "2 animated.gif", "4 first.jpg"}));
    ASSERT_EQ(plan.duplicates.size(), 2u);
    EXPECT_EQ(plan.duplicates[0].incoming.originalName, "5 again.jpg");
    EXPECT_EQ(plan.duplicates[0].existingSHA, plan.items[2].sha256);
    EXPECT_EQ(plan.duplicates[1].incoming.originalName, "7 in deck.png");
    EXPECT_EQ(plan.duplicates[1].existingSHA, batch.deck[0].sha256);
    EXPECT_EQ(plan.failures, (std::vector<ImportFailure>{
                                 {"3 x.jpg", "This file could not be read as an image."},
                                 {"6 doc.tif", "This image format is not supported."},
                                 {"8 cut.jpg", "This file could not be read as an image."}}));
    EXPECT_EQ(plan.animatedNames, (Names{"2 animated.gif"}));

    EXPECT_EQ(importNotes(plan),
              "3 x.jpg: This file could not be read as an image.\n"
              "6 doc.tif: This image format is not supported.\n"
              "8 cut.jpg: This file could not be read as an image.\n\n"
              "Animated GIF files import the first frame only. Animation is not exported.");
}

// Read in place, or copied into a staging folder from the one read that also hashes and decodes
// each file, with its miniature handed on: the same plan.
TEST(MakeImportPlan, SortsItemsDuplicatesFailuresAndAnimatedNames) {
    for (const bool staged : {false, true}) {
        SCOPED_TRACE(staged ? "staged" : "in place");
        Batch batch;
        ImportPlanOptions options;
        std::mutex mutex;
        Names miniatures;  // the digests they came with
        TempDir staging;
        if (staged)
            options.staging = StagingFolder::create(staging / "staging");
        options.miniatures = [&](const std::string& sha256, const RgbaImage&) {
            std::lock_guard lock(mutex);
            miniatures.push_back(sha256);
        };
        const auto plan = makeImportPlan({batch.dir.path()}, batch.deck, false, options);
        ASSERT_TRUE(plan);
        checkBatchPlan(*plan, batch, staged);
        // One for every picture that decoded, duplicates included.
        ASSERT_EQ(plan->items.size(), 3u);
        Names expected{batch.deck[0].sha256};
        for (const auto& item : plan->items)
            expected.push_back(item.sha256);
        expected.push_back(plan->items[2].sha256);
        std::sort(expected.begin(), expected.end());
        std::sort(miniatures.begin(), miniatures.end());
        EXPECT_EQ(miniatures, expected);
    }
}

// The container proof accepts without decoding only what an export at best embeds as it is:
// JPEG and PNG files that are whole. A JPEG cut short still fails, and other kinds whose data is
// cut keep the thumbnail's verdict.
TEST(MakeImportPlan, ContainerProofStillRefusesCutPictures) {
    TempDir dir;
    copyFixture("truncated.jpg", dir / "cut.jpg");
    copyFixture("orient-6.jpg", dir / "whole.jpg");
    copyFixture("picture.png", dir / "whole.png");
    for (const std::string fixture : {"picture.png", "picture.tif"}) {
        const Bytes whole = testing::readFileBytes(fixturePath(fixture));
        testing::writeFileBytes(dir / ("cut-" + fixture),
                                Bytes(whole.data(), whole.size() * 3 / 4));
    }
    const auto verdicts = [&](DecodeProof proof) {
        ImportPlanOptions options;
        options.decodeProof = proof;
        const auto plan = makeImportPlan({dir.path()}, {}, false, options);
        Names unusable;
        for (const auto& failure : plan->failures)
            unusable.push_back(failure.name);
        return unusable;
    };
    const Names refused = verdicts(DecodeProof::thumbnail);
    EXPECT_EQ(refused, (Names{"cut-picture.png", "cut-picture.tif", "cut.jpg"}));
    EXPECT_EQ(verdicts(DecodeProof::containerForEmbedding), refused);
}

// Read in place, an item is recognised later by its file's stamp and the CRC-32 of its bytes,
// or else by its digest: a stamp alone cannot tell a rewrite within one tick of the file
// system's clock, which the CRC-32 must catch.
TEST(MakeImportPlan, InPlaceItemsAreRecognisedByStampAndCrcOrElseByDigest) {
    TempDir dir;
    copyFixture("orient-1.jpg", dir / "a.jpg");
    const auto plan = makeImportPlan({dir.path()}, {}, false);
    ASSERT_TRUE(plan && plan->items.size() == 1u);
    const Bytes bytes = *plan->items[0].data.read();
    const auto inPlace = [&](std::string digest, std::uint32_t crc) {
        std::optional<FileStamp> stamp = fileStampOf(dir / "a.jpg");
        stamp->crc32 = crc;
        return StoredBytes::external(dir / "a.jpg", bytes.size(), std::move(digest), true, stamp)
            .read();
    };
    // As stamped: the digest is not computed again (a wrong one goes unnoticed).
    EXPECT_TRUE(inPlace(std::string(64, '0'), crc32Of(bytes.span())));

    std::vector<std::uint8_t> other(bytes.span().begin(), bytes.span().end());
    other[other.size() / 2] ^= 0xFF;
    testing::writeFileBytes(dir / "a.jpg", Bytes(std::move(other)));
    EXPECT_EQ(plan->items[0].data.read().error().message, changedSourceMessage);
    // The same stamp after a rewrite: the CRC-32 differs, and the digest decides.
    EXPECT_EQ(inPlace(plan->items[0].sha256, crc32Of(bytes.span())).error().message,
              changedSourceMessage);
}

// Two large pictures that differ only in their last byte are two pictures; a third equal to the
// first is its duplicate. (Bytes after a JPEG's end marker are ignored by decoders.)
TEST(MakeImportPlan, LargeFilesDifferingOnlyAtTheirEndAreNoDuplicates) {
    TempDir dir;
    const Bytes jpeg = testing::readFileBytes(fixturePath("orient-1.jpg"));
    for (const std::string name : {"a", "b", "c"}) {
        std::vector<std::uint8_t> data(jpeg.span().begin(), jpeg.span().end());
        data.resize(data.size() + (6 << 20), 0);
        data.back() = name == "b" ? 1 : 2;
        testing::writeFileBytes(dir / (name + ".jpg"), Bytes(std::move(data)));
    }
    const auto plan = makeImportPlan({dir.path()}, {}, false);
    ASSERT_TRUE(plan);
    ASSERT_EQ(plan->items.size(), 2u);
    EXPECT_NE(plan->items[0].sha256, plan->items[1].sha256);
    ASSERT_EQ(plan->duplicates.size(), 1u);
    EXPECT_EQ(plan->duplicates[0].incoming.originalName, "c.jpg");
}

// Taking digests only where sizes are shared finds the duplicates that digesting everything
// finds. A picture left without a digest is still guarded by its stamp: rewritten, it is refused.
TEST(MakeImportPlan, DigestsOfSharedSizesOnlyFindTheSameDuplicates) {
    Batch batch;
    batch.deck[0].byteCount = static_cast<std::int64_t>(fs::file_size(fixturePath("alpha.png")));
    const auto full = makeImportPlan({batch.dir.path()}, batch.deck, false);
    ImportPlanOptions options;
    options.digests = DigestScope::sameSizeOnly;
    const auto lean = makeImportPlan({batch.dir.path()}, batch.deck, false, options);
    ASSERT_TRUE(full && lean);
    EXPECT_EQ(lean->duplicates, full->duplicates);
    EXPECT_EQ(lean->failures, full->failures);
    ASSERT_EQ(lean->items.size(), full->items.size());
    for (std::size_t i = 0; i < lean->items.size(); ++i) {
        const ImportItem& item = lean->items[i];
        EXPECT_EQ(item.originalName, full->items[i].originalName);
        EXPECT_EQ(item.sha256, item.originalName == "4 first.jpg" ? full->items[i].sha256 : "");
    }

    const ImportItem& png = lean->items[0];
    const Bytes bytes = *png.data.read();
    std::vector<std::uint8_t> other(bytes.begin(), bytes.end());
    other.back() ^= 0xFF;
    testing::writeFileBytes(png.url, Bytes(std::move(other)));
    EXPECT_EQ(png.data.read().error().message, changedSourceMessage);
}

TEST(MakeImportPlan, ThreadsGiveTheSequentialPlanAndProgressAndStopBetweenFiles) {
    Batch batch;
    for (int i = 0; i < 12; ++i)
        copyFixture(i % 3 ? "orient-6.jpg" : "text.jpg",
                    batch.dir / ("extra" + std::to_string(i) + ".jpg"));
    ImportPlanOptions sequential;
    sequential.threads = 1;
    std::vector<std::size_t> reports;
    ImportPlanOptions parallel;
    parallel.threads = 4;
    parallel.progress = [&](std::size_t done, std::size_t total) {
        EXPECT_EQ(total, 20u);
        reports.push_back(done);
    };
    std::vector<ImportItem> accepted;
    parallel.accepted = [&](const ImportItem& item) { accepted.push_back(item); };
    const auto one = makeImportPlan({batch.dir.path()}, batch.deck, false, sequential);
    const auto four = makeImportPlan({batch.dir.path()}, batch.deck, false, parallel);
    ASSERT_TRUE(one && four);
    EXPECT_EQ(*one, *four);
    EXPECT_EQ(accepted, four->items);
    std::vector<std::size_t> expected;
    for (std::size_t i = 0; i <= 20; ++i)
        expected.push_back(i);
    EXPECT_EQ(reports, expected);

    // Asked to stop, it stops between files and gives nothing.
    for (unsigned threads : {1u, 3u}) {
        std::stop_source stop;
        std::size_t lastReport = 0;
        ImportPlanOptions options;
        options.threads = threads;
        options.stop = stop.get_token();
        options.progress = [&](std::size_t done, std::size_t) {
            lastReport = done;
            if (done == 2)
                stop.request_stop();
        };
        EXPECT_FALSE(makeImportPlan({batch.dir.path()}, batch.deck, false, options));
        EXPECT_EQ(lastReport, 2u) << threads;
    }
}

TEST(MakeImportPlan, VanishedFileIsAFailureLineNotAStop) {
    TempDir dir;
    copyFixture("picture.png", dir / "a.png");
    copyFixture("picture.bmp", dir / "b.bmp");
    const auto files = collectImageFiles({dir.path()}, false);
    fs::remove(dir / "a.png");
    const auto plan = planImportOfFiles(files, {});
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->failures,  // the reader's own sentence
              (std::vector<ImportFailure>{
                  {"a.png", "The file could not be opened because it no longer exists."}}));
    ASSERT_EQ(plan->items.size(), 1u);
    EXPECT_EQ(plan->items[0].info.uti, "com.microsoft.bmp");
}

TEST(MakeSourceImage, StoresUnderTheIdentifierWithTheLowerCaseExtension) {
    ImportItem item;
    item.data = Bytes(std::string_view("bytes"));
    item.originalName = "Photo.JPEG";
    const Uuid id = Uuid::random();
    const SourceImage image = makeSourceImage(item, id);
    EXPECT_EQ(image.storedFileName, id.text() + ".jpeg");
    EXPECT_EQ(image.sha256, sha256Hex(*item.data.read()));  // computed when planning did not
    for (const char* name : {"README", ".profile", "trailing."}) {
        item.originalName = name;
        EXPECT_EQ(makeSourceImage(item, id).storedFileName, id.text() + ".img") << name;
    }
}

TEST(DropItemFileURL, AcceptsFileURLsPathsAndTheirBytes) {
    const auto drop = [](DroppedValue value) -> std::string {
        const auto path = dropItemFileURL(value);
        return path ? path->string() : "(none)";
    };
    EXPECT_EQ(drop(DroppedURL{"file:///tmp/a%20b.png"}), "/tmp/a b.png");
    EXPECT_EQ(drop(DroppedURL{"FILE://localhost/tmp/a.png"}), "/tmp/a.png");
    EXPECT_EQ(drop(DroppedURL{"https://example.com/a.png"}), "(none)");
    EXPECT_EQ(drop(DroppedURL{"file://elsewhere/a.png"}), "(none)");
    EXPECT_EQ(drop(DroppedURL{"file:///a%2"}), "(none)");
    EXPECT_EQ(drop(DroppedURL{"file:///a%00b"}), "(none)");
    EXPECT_EQ(drop(std::string(" \t/tmp/c d.png\r\n\x01")), "/tmp/c d.png");
    EXPECT_EQ(drop(std::string("\nfile:///tmp/e.png\n")), "/tmp/e.png");
    EXPECT_EQ(drop(std::string("relative/f.png")), "(none)");
    EXPECT_EQ(drop(std::string("file:///tmp/g h.png")), "(none)");
    EXPECT_EQ(drop(Bytes(std::string_view("file:///tmp/i.png\0junk", 22))), "/tmp/i.png");
    EXPECT_EQ(drop(Bytes(std::string_view("\0/tmp/k.png", 11))), "(none)");
}

TEST(CopyDroppedFile, CopiesIntoAFreshFolderKeepingTheName) {
    TempDir dir;
    copyFixture("picture.png", dir / "given/Drop Me.png");
    const auto first = copyDroppedFile(dir / "given/Drop Me.png", dir.path());
    const auto second = copyDroppedFile(dir / "given/Drop Me.png", dir.path());
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->parent_path(), second->parent_path());
    EXPECT_EQ(first->filename(), "Drop Me.png");
    EXPECT_EQ(testing::readFileBytes(*first), testing::readFileBytes(fixturePath("picture.png")));
    EXPECT_FALSE(copyDroppedFile(dir / "given/missing.png", dir.path()));
}

}  // namespace
}  // namespace mosavelle
