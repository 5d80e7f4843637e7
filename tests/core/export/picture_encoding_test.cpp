#include "core/export/picture_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "core/import/detail/vips_runtime.h"
#include "core/import/image_decoding.h"
#include "core/import/picture_test_util.h"
#include "core/layout/thumbnail_cache.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

using testing::blackPicture;
using testing::fixtureBytes;

constexpr const char* kUnreadable = "This file could not be read as an image.";

SourceImage picture(std::string uti, bool hasAlpha = false) {
    SourceImage image;
    image.uti = std::move(uti);
    image.hasAlpha = hasAlpha;
    return image;
}

// `bytes` opened by libvips (stored grid, nothing applied), cut to `crop` (x, y, width, height)
// when given, enlarged `scale` times pixel by pixel, and saved as `suffix`, e.g. ".png".
Bytes resave(const Bytes& bytes, const char* suffix, std::array<int, 4> crop = {}, int scale = 1) {
    VipsImageHandle image(vips_image_new_from_buffer(bytes.data(), bytes.size(), "", nullptr));
    VipsImage* cut = nullptr;
    if (crop[2] > 0 &&
        vips_crop(image.get(), &cut, crop[0], crop[1], crop[2], crop[3], nullptr) == 0)
        image.reset(cut);
    if (scale > 1 && vips_zoom(image.get(), &cut, scale, scale, nullptr) == 0)
        image.reset(cut);
    return testing::savedAs(image.get(), suffix);
}

// An encoded file as libvips reads it, in one line: loader, size, bands, orientation, whether it
// carries EXIF and a profile, e.g. "jpegload_buffer 64x40 b3 o1 exif".
std::string facts(const Bytes& bytes) {
    VipsImageHandle image(vips_image_new_from_buffer(bytes.data(), bytes.size(), "", nullptr));
    if (!image)
        return "unreadable";
    const char* loader = "";
    vips_image_get_string(image.get(), "vips-loader", &loader);
    return std::string(loader) + " " + std::to_string(vips_image_get_width(image.get())) + "x" +
           std::to_string(vips_image_get_height(image.get())) + " b" +
           std::to_string(vips_image_get_bands(image.get())) + " o" +
           std::to_string(vips_image_get_orientation(image.get())) +
           (vips_image_get_typeof(image.get(), VIPS_META_EXIF_NAME) ? " exif" : "") +
           (vips_image_get_typeof(image.get(), VIPS_META_ICC_NAME) ? " icc" : "");
}

// First value of the first quantisation table: libjpeg scales the standard luminance table
// (first value 16) by the quality, giving 2 at 95, 5 at 85 and 10 at 70.
int firstQuantValue(const Bytes& jpeg) {
    const std::uint8_t* d = jpeg.data();
    for (std::size_t at = 2; at + 5 < jpeg.size() && d[at] == 0xFF;
         at += 2 + ((std::size_t(d[at + 2]) << 8) | d[at + 3]))
        if (d[at + 1] == 0xDB)
            return d[at + 5];
    return -1;
}

// The size and corner colours of the fixture scene once decoded, e.g. "64x40 RG..".
std::string corners(const Bytes& encoded) {
    auto image = decodeFirstFrame(encoded);
    return image ? testing::describe(*image) : "undecodable";
}

Result<EncodedPicture> encode(const Bytes& bytes, const SourceImage& image, QualityPreset preset,
                              double inches = 5,
                              RotatedJpeg rotatedJpeg = RotatedJpeg::turnByShape) {
    return encodePicture(bytes, inches, image, preset, rotatedJpeg);
}

// orient-6.jpg with its orientation code stored as a 32-bit LONG instead of a SHORT.
Bytes orientationStoredAsLong() {
    const Bytes stored = fixtureBytes("orient-6.jpg");
    std::vector<std::uint8_t> bytes(stored.begin(), stored.end());
    const std::uint8_t asShort[] = {0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0};
    const std::uint8_t asLong[] = {0x01, 0x12, 0, 4, 0, 0, 0, 1, 0, 0, 0, 6};
    const auto entry =
        std::search(bytes.begin(), bytes.end(), std::begin(asShort), std::end(asShort));
    EXPECT_NE(entry, bytes.end());
    if (entry != bytes.end())
        std::copy(std::begin(asLong), std::end(asLong), entry);
    return Bytes(std::move(bytes));
}

// At best, a rotated JPEG whose turn is left to the picture shape keeps its bytes but for the
// orientation value, set to 1: the low byte of its field.
void expectKeptForTheShape(const Bytes& bytes, int code) {
    auto result = encode(bytes, picture("public.jpeg"), QualityPreset::best);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->orientation, code);
    ASSERT_EQ(result->data.size(), bytes.size());
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (result->data.data()[i] != bytes.data()[i])
            changed.push_back(i);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(result->data.data()[changed[0]], 1);
    std::string expected = facts(bytes);  // the stored grid, with orientation 1
    expected.replace(expected.find(" o"), 3, " o1");
    EXPECT_EQ(facts(result->data), expected);
}

TEST(PictureEncoding, BestTurnsRotatedJpegLosslesslyOrKeepsItsBytesForTheShape) {
    std::vector<std::tuple<std::string, Bytes, int>> rotated;
    for (int n = 2; n <= 8; ++n)
        rotated.emplace_back("orientation " + std::to_string(n),
                             fixtureBytes("orient-" + std::to_string(n) + ".jpg"), n);
    rotated.emplace_back("orientation 6 as LONG", orientationStoredAsLong(), 6);
    ASSERT_EQ(facts(std::get<1>(rotated.back())), "jpegload_buffer 40x64 b3 o6 exif");
    for (const auto& [name, bytes, code] : rotated) {
        SCOPED_TRACE(name);
        expectKeptForTheShape(bytes, code);
        auto turned = encode(bytes, picture("public.jpeg"), QualityPreset::best, 5,
                             RotatedJpeg::turnLosslessly);
        ASSERT_TRUE(turned);
        EXPECT_EQ(turned->orientation, 1);
        // A re-encode would drop the EXIF segment; the turn keeps it with orientation 1.
        EXPECT_EQ(facts(turned->data), "jpegload_buffer 64x40 b3 o1 exif");
        EXPECT_EQ(corners(turned->data), "64x40 RG..");
    }
}

// Every orientation of a camera-sized picture of each type, whose turn cannot follow the order the
// file is read in: facts, each thumbnail bucket and the export at each quality come out upright.
class CameraSizedPicture : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(CameraSizedPicture, EveryOrientationComesUprightInFactsThumbnailsAndExports) {
    const auto [suffix, uti] = GetParam();
    const auto upright = [](PixelSize size) {
        return std::to_string(size.width) + "x" + std::to_string(size.height) + " RG..";
    };
    for (int code = 1; code <= 8; ++code) {
        SCOPED_TRACE(code);
        const std::string name = "orient-" + std::to_string(code) + ".jpg";
        const Bytes bytes = resave(fixtureBytes(name), suffix, {}, 25);  // 1600x1000 upright
        const auto source = openImageSource(bytes);
        const auto* info = source ? std::get_if<DecodedImageInfo>(&source->facts()) : nullptr;
        ASSERT_TRUE(info);
        EXPECT_EQ(std::tuple(info->pixelWidth, info->pixelHeight, info->orientation),
                  std::tuple(1600, 1000, std::uint32_t(code)));
        for (const int bucket : thumbnailBuckets) {
            const auto thumb = source->decodeThumbnail(bucket);
            EXPECT_EQ(thumb ? testing::describe(*thumb) : "none",
                      upright(boundedSize({1600, 1000}, bucket)));
        }
        for (const auto preset : {QualityPreset::best, QualityPreset::balanced,
                                  QualityPreset::small}) {  // small: 1280 pixels
            const auto result = encode(bytes, picture(uti), preset, 5, RotatedJpeg::turnLosslessly);
            EXPECT_EQ(result && result->orientation == 1 ? corners(result->data) : "none",
                      upright(boundedSize({1600, 1000}, targetLongEdge(preset, 5))));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, CameraSizedPicture,
                         ::testing::Values(std::pair(".jpg", "public.jpeg"),
                                           std::pair(".png[compression=1]", "public.png"),
                                           std::pair(".tif", "public.tiff"),
                                           std::pair(".webp[effort=0]", "org.webmproject.webp")));

TEST(PictureEncoding, BestRotatedPictureWithoutLosslessTurnIsWrittenAgainUpright) {
    // The 40x64 grid of orientation 6 cut to 40x60 with 2x2 chroma blocks: a quarter turn would
    // leave a partial 16-pixel block on the new left edge.
    const Bytes cut = resave(fixtureBytes("orient-6.jpg"), ".jpg[Q=80]", {0, 4, 40, 60});
    ASSERT_EQ(facts(cut), "jpegload_buffer 40x60 b3 o6 exif");
    expectKeptForTheShape(cut, 6);  // the shape needs no lossless turn
    auto jpeg =
        encode(cut, picture("public.jpeg"), QualityPreset::best, 5, RotatedJpeg::turnLosslessly);
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(facts(jpeg->data), "jpegload_buffer 60x40 b3 o1");
    EXPECT_EQ(firstQuantValue(jpeg->data), 2);  // written at 0.95, not at the source's 0.8
    EXPECT_EQ(corners(jpeg->data), "60x40 RG..");
}

TEST(PictureEncoding, SizeFollowsTargetFloorAndRoundingAndNeverGrows) {
    const auto blackJpeg = [](int w, int h, int orientation) {
        return blackPicture(w, h, ".jpg[Q=90]", 3, orientation);
    };
    const Bytes photo = blackPicture(3200, 2400, ".jpg[Q=90]");
    struct Case {
        Bytes bytes;
        const char* uti;
        QualityPreset preset;
        double inches;
        const char* size;
        int quant;  // 0: PNG output
    };
    for (const auto& c : std::vector<Case>{
             {photo, "public.jpeg", QualityPreset::balanced, 5, "1920x1440", 5},  // floor 1920
             {photo, "public.jpeg", QualityPreset::balanced, 20, "3000x2250", 5},
             {photo, "public.jpeg", QualityPreset::small, 5, "1280x960", 10},      // floor 1280
             {photo, "public.jpeg", QualityPreset::balanced, 40, "3200x2400", 5},  // no growth
             // Decoded at a half: exactly the target, one pixel over and under it (the decoder
             // rounds a halved side down), and stored sideways (the scale follows the stored
             // sides, the result is upright).
             {blackJpeg(3840, 2880, 1), "public.jpeg", QualityPreset::balanced, 5, "1920x1440", 5},
             {blackJpeg(3841, 2881, 1), "public.jpeg", QualityPreset::balanced, 5, "1920x1440", 5},
             {blackJpeg(3839, 2879, 1), "public.jpeg", QualityPreset::balanced, 5, "1920x1440", 5},
             {blackJpeg(4000, 3000, 6), "public.jpeg", QualityPreset::small, 5, "960x1280", 10},
             // An eighth of 10241 x 7 pixels would be 0 pixels high, which the decoder cannot
             // make (libvips aborts the process on it).
             {blackJpeg(10241, 7, 1), "public.jpeg", QualityPreset::small, 5, "1280x1", 10},
             {blackPicture(10000, 500, ".tif"), "public.tiff", QualityPreset::best, 5, "8000x400",
              2},
             // 2560 -> 1280 halves 1001 to 500.5, which rounds away from zero.
             {blackPicture(2560, 1001, ".png"), "public.png", QualityPreset::small, 5, "1280x501",
              0},
             {blackPicture(3, 10000, ".png"), "public.png", QualityPreset::small, 5, "1x1280",
              0}}) {
        SCOPED_TRACE(std::string(c.uti) + " " + c.size);
        auto result = encode(c.bytes, picture(c.uti), c.preset, c.inches);
        ASSERT_TRUE(result);
        EXPECT_NE(facts(result->data).find(std::string(" ") + c.size + " "), std::string::npos)
            << facts(result->data);
        if (c.quant != 0) {
            EXPECT_EQ(firstQuantValue(result->data), c.quant);
        }
    }
    // Below best nothing passes through, however small.
    const Bytes small = blackPicture(1200, 800, ".jpg[Q=100]");
    auto again = encode(small, picture("public.jpeg"), QualityPreset::balanced);
    ASSERT_TRUE(again);
    EXPECT_EQ(facts(again->data), "jpegload_buffer 1200x800 b3 o1");
    EXPECT_EQ(firstQuantValue(again->data), 5);
}

TEST(PictureEncoding, OutputTypeFollowsAlphaPngAndGifAndCarriesNoMetadata) {
    const Bytes alphaTiff = resave(fixtureBytes("alpha.png"), ".tif");
    for (auto [bytes, image, expected] : std::vector<std::tuple<Bytes, SourceImage, const char*>>{
             {fixtureBytes("picture.png"), picture("public.png"), "pngload_buffer 64x40 b3 o1"},
             {fixtureBytes("animated.gif"), picture("com.compuserve.gif"), "pngload_buffer 64x40"},
             {alphaTiff, picture("public.tiff", true), "pngload_buffer 64x40 b4 o1"},
             {fixtureBytes("picture.webp"), picture("org.webmproject.webp"),
              "jpegload_buffer 64x40 b3"},
             {fixtureBytes("cmyk.jpg"), picture("public.jpeg"), "jpegload_buffer 64x40 b3 o1"},
             {blackPicture(4000, 3000, ".jpg", 1), picture("public.jpeg"),
              "jpegload_buffer 1920x1440 b3 o1"},
             {fixtureBytes("orient-6.jpg"), picture("public.jpeg"),
              "jpegload_buffer 64x40 b3 o1"}}) {
        auto result = encode(bytes, image, QualityPreset::balanced);
        ASSERT_TRUE(result) << expected;
        EXPECT_EQ(result->orientation, 1) << expected;
        const std::string written = facts(result->data);
        EXPECT_EQ(written.substr(0, std::string(expected).size()), expected);
        EXPECT_EQ(written.find("exif"), std::string::npos) << written;
        EXPECT_EQ(written.find("icc"), std::string::npos) << written;
        EXPECT_EQ(result->extensionName, written[0] == 'p' ? "png" : "jpg");
    }

    // Alpha the recorded facts did not announce is composed over white (not black) for JPEG.
    auto flat = encode(alphaTiff, picture("public.tiff"), QualityPreset::balanced);
    ASSERT_TRUE(flat);
    auto pixels = decodeFirstFrame(flat->data);
    ASSERT_TRUE(pixels);
    EXPECT_NEAR(pixels->pixel(3, 3)[0], 229, 6);  // 220,30,30 at alpha 192 over 255
    EXPECT_NEAR(pixels->pixel(3, 3)[1], 86, 6);
}

TEST(PictureEncoding, UndecodablePicturesAndLogosFailWithTheUnreadableSentenceEvenAtBest) {
    // A PNG header declaring 100,000 x 100,000 pixels and nothing else.
    const Bytes header = fixtureBytes("zero-width.png");
    std::vector<std::uint8_t> declared(header.begin(), header.end());
    for (int at : {16, 20})
        declared[at] = 0, declared[at + 1] = 0x01, declared[at + 2] = 0x86, declared[at + 3] = 0xA0;
    const Bytes hostile(std::move(declared));
    const Bytes png = fixtureBytes("picture.png");
    const Bytes cutPng(png.data(), png.size() - 20);
    // At best these would be copied unread if their record alone were trusted.
    for (const auto preset : {QualityPreset::balanced, QualityPreset::best}) {
        for (const auto& [bytes, uti] : std::vector<std::pair<Bytes, const char*>>{
                 {fixtureBytes("text.jpg"), "public.jpeg"},
                 {fixtureBytes("truncated.jpg"), "public.jpeg"},
                 {fixtureBytes("document.pdf"), "public.jpeg"},
                 {Bytes(std::vector<std::uint8_t>(1000, 0)), "public.jpeg"},
                 {hostile, "public.png"},
                 {cutPng, "public.png"},
                 {Bytes(), "public.png"},
                 {Bytes(), "public.tiff"}}) {
            auto result = encode(bytes, picture(uti), preset);
            ASSERT_FALSE(result) << bytes.size() << " " << uti << " " << int(preset);
            EXPECT_EQ(result.error().message, kUnreadable);
        }
    }
    // Bytes of another type than recorded are decoded rather than copied under a wrong name.
    auto relabelled = encode(png, picture("public.jpeg"), QualityPreset::best);
    ASSERT_TRUE(relabelled);
    EXPECT_NE(relabelled->data, png);
    EXPECT_EQ(relabelled->extensionName, "jpg");
}

TEST(PictureEncoding, LogoIsTheWholePictureUprightAsPngNeverReduced) {
    auto logo = encodeLogo(resave(fixtureBytes("orient-8.jpg"), ".jpg", {}, 25));
    ASSERT_TRUE(logo);
    EXPECT_EQ(facts(*logo), "pngload_buffer 1600x1000 b3 o1");
    EXPECT_EQ(corners(*logo), "1600x1000 RG..");
    auto wide = encodeLogo(blackPicture(9000, 20, ".jpg"));
    ASSERT_TRUE(wide);
    EXPECT_EQ(facts(*wide), "pngload_buffer 9000x20 b3 o1");
}

}  // namespace
}  // namespace mosavelle
