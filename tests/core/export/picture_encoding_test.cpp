#include "core/export/picture_encoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/test_support.h"

namespace mosavelle {
namespace {

using testing::fixturePath;
using testing::readFileBytes;

constexpr const char* kUnreadable = "This file could not be read as an image.";

Bytes fixture(const std::string& name) {
    return readFileBytes(fixturePath(name));
}

SourceImage picture(std::string uti, bool hasAlpha = false) {
    SourceImage image;
    image.uti = std::move(uti);
    image.hasAlpha = hasAlpha;
    return image;
}

Bytes takeVipsBuffer(void* buffer, std::size_t length) {
    Bytes bytes(buffer, length);
    g_free(buffer);
    return bytes;
}

// Saves `image` through libvips with a format suffix such as ".jpg[Q=80]".
Bytes save(VipsImage* image, const char* suffix) {
    void* buffer = nullptr;
    std::size_t length = 0;
    if (vips_image_write_to_buffer(image, suffix, &buffer, &length, nullptr) != 0)
        ADD_FAILURE() << vips_error_buffer();
    return takeVipsBuffer(buffer, length);
}

Bytes blackPicture(int width, int height, const char* suffix) {
    EXPECT_TRUE(ensureVipsStarted());
    VipsImage* black = nullptr;
    EXPECT_EQ(vips_black(&black, width, height, "bands", 3, nullptr), 0);
    VipsImageHandle handle(black);
    return save(black, suffix);
}

// The facts of an encoded file as libvips reads them, in one line.
struct Written {
    std::string loader;
    int width = 0;
    int height = 0;
    int orientation = 1;
    bool hasExif = false;
    bool hasProfile = false;
    int bands = 0;
};

Written inspect(const Bytes& bytes) {
    Written w;
    VipsImageHandle image(vips_image_new_from_buffer(bytes.data(), bytes.size(), "", nullptr));
    if (!image) {
        ADD_FAILURE() << "unreadable output";
        return w;
    }
    const char* loader = nullptr;
    if (vips_image_get_string(image.get(), "vips-loader", &loader) == 0)
        w.loader = loader;
    w.width = vips_image_get_width(image.get());
    w.height = vips_image_get_height(image.get());
    w.orientation = vips_image_get_orientation(image.get());
    w.hasExif = vips_image_get_typeof(image.get(), VIPS_META_EXIF_NAME) != 0;
    w.hasProfile = vips_image_get_typeof(image.get(), VIPS_META_ICC_NAME) != 0;
    w.bands = vips_image_get_bands(image.get());
    return w;
}

std::string sizeOf(const Written& w) {
    return std::to_string(w.width) + "x" + std::to_string(w.height);
}

// The first value of the first quantisation table: libjpeg scales the standard luminance table
// (whose first value is 16) by the quality, giving 2 at 95, 5 at 85 and 10 at 70.
int firstQuantValue(const Bytes& jpeg) {
    const std::uint8_t* d = jpeg.data();
    for (std::size_t at = 2; at + 5 < jpeg.size();) {
        if (d[at] != 0xFF)
            return -1;
        const std::size_t length = (std::size_t(d[at + 2]) << 8) | d[at + 3];
        if (d[at + 1] == 0xDB)
            return d[at + 5];
        at += 2 + length;
    }
    return -1;
}

Result<EncodedPicture> encode(const Bytes& bytes, const SourceImage& image, QualityPreset preset,
                              double inches = 5) {
    return encodePicture(bytes, inches, image, preset);
}

// Red block top-left, green block top-right, grey below, as in every fixture picture.
std::string corners(const Bytes& encoded) {
    auto image = decodeFirstFrame(encoded);
    if (!image)
        return "undecodable";
    auto at = [&](int x, int y) {
        const std::uint8_t* p = image->pixel(x, y);
        if (p[0] > 170 && p[1] < 90 && p[2] < 90)
            return 'R';
        if (p[1] > 150 && p[0] < 90 && p[2] < 90)
            return 'G';
        return std::abs(p[0] - 128) < 25 && std::abs(p[2] - 128) < 25 ? '.' : '?';
    };
    const int w = image->width, h = image->height;
    return {at(1, 1), at(w - 2, 1), at(1, h - 2), at(w - 2, h - 2)};
}

TEST(PictureEncoding, BestPassesUprightJpegAndPngThroughByteForByte) {
    struct Case {
        const char* file;
        const char* uti;
        const char* extension;
        const char* contentType;
    };
    for (auto c : {Case{"orient-1.jpg", "public.jpeg", "jpg", "image/jpeg"},
                   Case{"picture.png", "public.png", "png", "image/png"},
                   Case{"alpha.png", "public.png", "png", "image/png"},
                   // damaged pixels are not looked at when nothing needs decoding
                   Case{"truncated.jpg", "public.jpeg", "jpg", "image/jpeg"},
                   Case{"text.jpg", "public.jpeg", "jpg", "image/jpeg"}}) {
        const Bytes stored = fixture(c.file);
        auto result = encode(stored, picture(c.uti), QualityPreset::best);
        ASSERT_TRUE(result) << c.file;
        EXPECT_TRUE(result->data.sharesStorageWith(stored)) << c.file;
        EXPECT_EQ(result->extensionName, c.extension) << c.file;
        EXPECT_EQ(result->contentType, c.contentType) << c.file;
    }
}

TEST(PictureEncoding, BestTurnsRotatedJpegLosslesslyAndKeepsItsOtherMarkers) {
    for (int n = 2; n <= 8; ++n) {
        SCOPED_TRACE("orientation " + std::to_string(n));
        const Bytes stored = fixture("orient-" + std::to_string(n) + ".jpg");
        auto result = encode(stored, picture("public.jpeg"), QualityPreset::best);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->extensionName, "jpg");
        const Written w = inspect(result->data);
        EXPECT_EQ(sizeOf(w), "64x40");
        EXPECT_EQ(w.orientation, 1);
        // A re-encode would write no EXIF; the turn keeps the segment, resolution included.
        ASSERT_TRUE(w.hasExif);
        VipsImageHandle image(
            vips_image_new_from_buffer(result->data.data(), result->data.size(), "", nullptr));
        char* resolution = nullptr;
        ASSERT_EQ(vips_image_get_as_string(image.get(), "exif-ifd0-XResolution", &resolution), 0);
        EXPECT_EQ(std::string(resolution).substr(0, 6), "300/1 ");
        g_free(resolution);
        EXPECT_EQ(corners(result->data), "RG..");
    }
}

TEST(PictureEncoding, BestRotatedJpegThatCannotTurnLosslesslyIsWrittenAgainUpright) {
    ASSERT_TRUE(ensureVipsStarted());
    // The stored 40x64 grid of orientation 6, cut to 40x60 and saved with 2x2 chroma blocks:
    // turning it a quarter would leave a partial 16-pixel block on the new left edge.
    const Bytes source = fixture("orient-6.jpg");
    VipsImageHandle grid(vips_image_new_from_buffer(source.data(), source.size(), "", nullptr));
    VipsImage* cut = nullptr;
    ASSERT_EQ(vips_crop(grid.get(), &cut, 0, 4, 40, 60, nullptr), 0);
    VipsImageHandle cutHandle(cut);
    const Bytes stored = save(cut, ".jpg[Q=80]");
    ASSERT_EQ(inspect(stored).orientation, 6);

    auto result = encode(stored, picture("public.jpeg"), QualityPreset::best);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->extensionName, "jpg");
    const Written w = inspect(result->data);
    EXPECT_EQ(sizeOf(w), "60x40");
    EXPECT_EQ(w.orientation, 1);
    EXPECT_FALSE(w.hasExif);
    EXPECT_EQ(firstQuantValue(result->data), 2);  // written at 0.95, not at the source's 0.8
    EXPECT_EQ(corners(result->data), "RG..");
}

TEST(PictureEncoding, BestRotatedPngIsWrittenAgainUpright) {
    ASSERT_TRUE(ensureVipsStarted());
    const Bytes source = fixture("orient-6.jpg");
    VipsImageHandle grid(vips_image_new_from_buffer(source.data(), source.size(), "", nullptr));
    const Bytes stored = save(grid.get(), ".png");
    ASSERT_EQ(inspect(stored).orientation, 6);

    auto result = encode(stored, picture("public.png"), QualityPreset::best);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->extensionName, "png");
    const Written w = inspect(result->data);
    EXPECT_EQ(w.loader, "pngload_buffer");
    EXPECT_EQ(sizeOf(w), "64x40");
    EXPECT_EQ(w.orientation, 1);
    EXPECT_EQ(corners(result->data), "RG..");
}

TEST(PictureEncoding, TargetsFloorsAndQualitiesFollowThePreset) {
    const Bytes photo = blackPicture(4000, 3000, ".jpg[Q=90]");
    struct Case {
        QualityPreset preset;
        double inches;
        const char* size;
        int quant;
    };
    for (auto c : {Case{QualityPreset::balanced, 5, "1920x1440", 5},      // 750 px: the floor wins
                   Case{QualityPreset::balanced, 20, "3000x2250", 5},     // 20 in x 150
                   Case{QualityPreset::small, 5, "1280x960", 10},         // 550 px: the floor wins
                   Case{QualityPreset::small, 30, "3300x2475", 10},       // 30 in x 110
                   Case{QualityPreset::balanced, 40, "4000x3000", 5}}) {  // never enlarged
        SCOPED_TRACE(std::string(caseName(c.preset)) + " " + std::to_string(c.inches));
        auto result = encode(photo, picture("public.jpeg"), c.preset, c.inches);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->extensionName, "jpg");
        EXPECT_EQ(result->contentType, "image/jpeg");
        EXPECT_EQ(sizeOf(inspect(result->data)), c.size);
        EXPECT_EQ(firstQuantValue(result->data), c.quant);
    }
}

TEST(PictureEncoding, BelowBestSmallJpegIsStillWrittenAgain) {
    const Bytes stored = blackPicture(1200, 800, ".jpg[Q=100]");
    auto result = encode(stored, picture("public.jpeg"), QualityPreset::balanced);
    ASSERT_TRUE(result);
    EXPECT_NE(result->data, stored);
    EXPECT_EQ(sizeOf(inspect(result->data)), "1200x800");
    EXPECT_EQ(firstQuantValue(result->data), 5);
}

TEST(PictureEncoding, BestReducesOtherTypesToEightThousandPixels) {
    const Bytes tiff = blackPicture(10000, 500, ".tif[compression=deflate]");
    auto result = encode(tiff, picture("public.tiff"), QualityPreset::best);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->extensionName, "jpg");
    EXPECT_EQ(sizeOf(inspect(result->data)), "8000x400");
    EXPECT_EQ(firstQuantValue(result->data), 2);

    auto heic = encode(fixture("picture.heic"), picture("public.heic"), QualityPreset::best);
    ASSERT_TRUE(heic);
    EXPECT_EQ(heic->extensionName, "jpg");
    EXPECT_EQ(sizeOf(inspect(heic->data)), "64x40");
    EXPECT_EQ(firstQuantValue(heic->data), 2);
}

TEST(PictureEncoding, SidesRoundHalfAwayFromZeroAndNeverToZero) {
    // 2560 -> 1280 halves every side: 1001 gives 500.5, which must become 501.
    auto half =
        encode(blackPicture(2560, 1001, ".png"), picture("public.png"), QualityPreset::small);
    ASSERT_TRUE(half);
    EXPECT_EQ(sizeOf(inspect(half->data)), "1280x501");

    auto thin = encode(blackPicture(3, 10000, ".png"), picture("public.png"), QualityPreset::small);
    ASSERT_TRUE(thin);
    EXPECT_EQ(sizeOf(inspect(thin->data)), "1x1280");
}

TEST(PictureEncoding, OutputTypeFollowsAlphaPngAndGif) {
    ASSERT_TRUE(ensureVipsStarted());
    const Bytes alphaPng = fixture("alpha.png");
    VipsImageHandle rgba(vips_image_new_from_buffer(alphaPng.data(), alphaPng.size(), "", nullptr));
    const Bytes alphaTiff = save(rgba.get(), ".tif");
    struct Case {
        const char* name;
        Bytes bytes;
        SourceImage image;
        const char* extension;
        int bands;
    };
    for (const auto& c :
         {Case{"png", fixture("picture.png"), picture("public.png"), "png", 3},
          Case{"gif", fixture("animated.gif"), picture("com.compuserve.gif"), "png", 0},
          Case{"tiff with alpha", alphaTiff, picture("public.tiff", true), "png", 4},
          Case{"webp", fixture("picture.webp"), picture("org.webmproject.webp"), "jpg", 3},
          Case{"bmp", fixture("picture.bmp"), picture("com.microsoft.bmp"), "jpg", 3}}) {
        SCOPED_TRACE(c.name);
        auto result = encode(c.bytes, c.image, QualityPreset::balanced);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->extensionName, c.extension);
        EXPECT_EQ(result->contentType, mediaContentType(c.extension));
        const Written w = inspect(result->data);
        EXPECT_EQ(w.loader,
                  c.extension == std::string("png") ? "pngload_buffer" : "jpegload_buffer");
        if (c.bands != 0) {
            EXPECT_EQ(w.bands, c.bands);
        }
        EXPECT_EQ(sizeOf(w), "64x40");
    }

    // Alpha the recorded facts did not announce is composed over white, not black, for JPEG.
    auto flattened = encode(alphaTiff, picture("public.tiff", false), QualityPreset::balanced);
    ASSERT_TRUE(flattened);
    EXPECT_EQ(flattened->extensionName, "jpg");
    auto pixels = decodeFirstFrame(flattened->data);
    ASSERT_TRUE(pixels);
    const std::uint8_t* red = pixels->pixel(3, 3);  // 220,30,30 at alpha 192 over white
    EXPECT_NEAR(red[0], 229, 6);
    EXPECT_NEAR(red[1], 86, 6);
}

TEST(PictureEncoding, WrittenPicturesCarryNoMetadataAndAreUpright) {
    auto result = encode(fixture("orient-6.jpg"), picture("public.jpeg"), QualityPreset::balanced);
    ASSERT_TRUE(result);
    const Written w = inspect(result->data);
    EXPECT_EQ(sizeOf(w), "64x40");
    EXPECT_EQ(w.orientation, 1);
    EXPECT_FALSE(w.hasExif);
    EXPECT_FALSE(w.hasProfile);
    EXPECT_EQ(corners(result->data), "RG..");

    auto cmyk = encode(fixture("cmyk.jpg"), picture("public.jpeg"), QualityPreset::small);
    ASSERT_TRUE(cmyk);
    EXPECT_EQ(inspect(cmyk->data).bands, 3);
    EXPECT_FALSE(inspect(cmyk->data).hasProfile);
}

TEST(PictureEncoding, UndecodablePicturesFailWithTheUnreadableSentence) {
    for (const char* name : {"text.jpg", "truncated.jpg", "document.pdf"}) {
        auto result = encode(fixture(name), picture("public.jpeg"), QualityPreset::balanced);
        ASSERT_FALSE(result) << name;
        EXPECT_EQ(result.error().message, kUnreadable) << name;
    }
    auto empty = encode(Bytes(), picture("public.tiff"), QualityPreset::best);
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.error().message, kUnreadable);

    // A PNG header declaring 100,000 x 100,000 pixels and nothing else: refused when it must be
    // decoded, passed through untouched when it need not be.
    const Bytes huge = fixture("zero-width.png");
    std::vector<std::uint8_t> declared(huge.begin(), huge.end());
    declared[16] = 0x00, declared[17] = 0x01, declared[18] = 0x86, declared[19] = 0xA0;
    declared[20] = 0x00, declared[21] = 0x01, declared[22] = 0x86, declared[23] = 0xA0;
    const Bytes hostile(std::move(declared));
    auto refused = encode(hostile, picture("public.png"), QualityPreset::balanced);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message, kUnreadable);
    auto passed = encode(hostile, picture("public.png"), QualityPreset::best);
    ASSERT_TRUE(passed);
    EXPECT_EQ(passed->data, hostile);
}

TEST(PictureEncoding, LogoIsWholeUprightPng) {
    auto logo = encodeLogo(fixture("orient-8.jpg"));
    ASSERT_TRUE(logo);
    const Written w = inspect(*logo);
    EXPECT_EQ(w.loader, "pngload_buffer");
    EXPECT_EQ(sizeOf(w), "64x40");
    EXPECT_EQ(corners(*logo), "RG..");

    auto big = encodeLogo(blackPicture(9000, 20, ".png"));  // never reduced, unlike pictures
    ASSERT_TRUE(big);
    EXPECT_EQ(sizeOf(inspect(*big)), "9000x20");

    auto bad = encodeLogo(fixture("text.jpg"));
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().message, kUnreadable);
}

TEST(PictureEncoding, MediaNamesUseTheEncodedExtension) {
    EncodedPicture jpeg{Bytes(), "jpg", "image/jpeg"};
    EncodedPicture png{Bytes(), "png", "image/png"};
    EXPECT_EQ(mediaFileName(3, jpeg), "image3.jpg");
    EXPECT_EQ(mediaFileName(12, png), "image12.png");
    EXPECT_EQ(mediaContentType("gif"), "");
}

}  // namespace
}  // namespace mosavelle
