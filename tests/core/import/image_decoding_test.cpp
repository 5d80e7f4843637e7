#include "core/import/image_decoding.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace mosavelle {
namespace {

using testing::fixturePath;
using testing::readFileBytes;

Bytes fixture(const std::string& name) {
    return readFileBytes(fixturePath(name));
}

// Every fixture picture shows one upright 64x40 scene: grey, a red block in the top-left corner,
// a green block in the top-right corner. Names the colour at (x, y) coarsely.
char colourAt(const RgbaImage& image, int x, int y) {
    const std::uint8_t* p = image.pixel(x, y);
    if (p[0] > 170 && p[1] < 90 && p[2] < 90)
        return 'R';
    if (p[1] > 150 && p[0] < 90 && p[2] < 90)
        return 'G';
    if (std::abs(p[0] - 128) < 25 && std::abs(p[1] - 128) < 25 && std::abs(p[2] - 128) < 25)
        return '.';
    return '?';
}

// The four corners, top-left, top-right, bottom-left, bottom-right, sampled a little inside.
std::string corners(const RgbaImage& image) {
    const int right = image.width - 1 - image.width / 32;
    const int bottom = image.height - 1 - image.height / 20;
    const int left = image.width / 32;
    const int top = image.height / 20;
    return {colourAt(image, left, top), colourAt(image, right, top), colourAt(image, left, bottom),
            colourAt(image, right, bottom)};
}

std::string sizeOf(const RgbaImage& image) {
    return std::to_string(image.width) + "x" + std::to_string(image.height);
}

TEST(ImageDecoding, EveryOrientationComesOutUpright) {
    for (int n = 1; n <= 8; ++n) {
        const Bytes bytes = fixture("orient-" + std::to_string(n) + ".jpg");
        SCOPED_TRACE("orientation " + std::to_string(n));

        auto header = readPictureHeader(bytes);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->orientation, n);
        EXPECT_EQ(header->upright, (PixelSize{64, 40}));

        auto full = decodeFirstFrame(bytes);
        ASSERT_TRUE(full);
        EXPECT_EQ(sizeOf(*full), "64x40");
        EXPECT_EQ(corners(*full), "RG..");
        EXPECT_EQ(full->pixels.size(), 64u * 40 * 4);
        EXPECT_EQ(full->pixel(30, 30)[3], 255);  // opaque picture, alpha filled in

        auto thumb = decodeThumbnail(bytes, 32);
        ASSERT_TRUE(thumb);
        EXPECT_EQ(sizeOf(*thumb), "32x20");
        EXPECT_EQ(corners(*thumb), "RG..");
    }
}

TEST(ImageDecoding, OutOfRangeOrientationCodesAreNotApplied) {
    for (const char* name : {"orient-0.jpg", "orient-9.jpg"}) {
        auto image = decodeFirstFrame(fixture(name));
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(sizeOf(*image), "40x64") << name;
    }
}

TEST(ImageDecoding, ThumbnailBoundsTheLongerSideAndNeverEnlarges) {
    const Bytes png = fixture("picture.png");
    struct Case {
        int limit;
        const char* size;
    };
    // 64x40 scaled to a long side of 33 gives 20.625, rounded to 21; a limit of 1 still leaves a
    // 1x1 picture rather than a zero-height one.
    for (auto [limit, size] : {Case{1000, "64x40"}, Case{64, "64x40"}, Case{33, "33x21"},
                               Case{1, "1x1"}, Case{0, "1x1"}, Case{-7, "1x1"}}) {
        auto thumb = decodeThumbnail(png, limit);
        ASSERT_TRUE(thumb) << limit;
        EXPECT_EQ(sizeOf(*thumb), size) << limit;
    }
}

TEST(ImageDecoding, EveryPictureTypeDecodesToEightBitRgba) {
    for (const char* name : {"picture.png", "picture.webp", "picture.tif", "picture.bmp",
                             "picture.heic", "picture.heif", "picture.avif", "picture.jp2",
                             "cmyk.jpg", "deep-16bit.png", "no-resolution.png"}) {
        SCOPED_TRACE(name);
        auto image = decodeFirstFrame(fixture(name));
        ASSERT_TRUE(image);
        EXPECT_EQ(sizeOf(*image), "64x40");
        // Lossy codecs smear the small green block; the red one and the grey survive in all.
        const std::string seen = corners(*image);
        EXPECT_EQ(seen[0], 'R');
        EXPECT_EQ(seen.substr(2), "..");
    }
}

TEST(ImageDecoding, AlphaIsKeptStraight) {
    auto image = decodeFirstFrame(fixture("alpha.png"));
    ASSERT_TRUE(image);
    const std::uint8_t* red = image->pixel(2, 2);
    EXPECT_EQ(red[3], 192);
    EXPECT_NEAR(red[0], 220, 2);  // not premultiplied (that would give 165)
}

TEST(ImageDecoding, OnlyTheFirstFrameOrPageIsDecoded) {
    for (const char* name : {"animated.gif", "animated.webp", "pages.tif"}) {
        auto image = decodeFirstFrame(fixture(name));
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(sizeOf(*image), "64x40") << name;
        EXPECT_EQ(colourAt(*image, 2, 2), 'R') << name;
    }
}

TEST(ImageDecoding, EmbeddedProfileIsConvertedToSrgb) {
    ASSERT_TRUE(ensureVipsStarted());
    // A pure sRGB green stored with a wide-gamut profile holds quite different numbers; decoding
    // must give the sRGB colour back, not the stored numbers.
    VipsImage* black = nullptr;
    ASSERT_EQ(vips_black(&black, 32, 32, "bands", 3, nullptr), 0);
    VipsImageHandle base(black);
    std::array<double, 3> scale{1, 1, 1}, offset{0, 200, 0};
    VipsImage* green = nullptr;
    ASSERT_EQ(
        vips_linear(base.get(), &green, scale.data(), offset.data(), 3, "uchar", TRUE, nullptr), 0);
    VipsImageHandle greenHandle(green);
    VipsImage* wide = nullptr;
    ASSERT_EQ(vips_icc_transform(green, &wide, "p3", nullptr), 0);
    VipsImageHandle wideHandle(wide);
    void* buffer = nullptr;
    std::size_t length = 0;
    ASSERT_EQ(vips_jpegsave_buffer(wide, &buffer, &length, "Q", 100, nullptr), 0);
    const Bytes bytes(buffer, length);
    g_free(buffer);

    auto image = decodeThumbnail(bytes, 16);
    ASSERT_TRUE(image);
    const std::uint8_t* p = image->pixel(8, 8);
    EXPECT_LT(p[0], 30);
    EXPECT_NEAR(p[1], 200, 6);
}

TEST(ImageDecoding, NonPicturesAndDamagedPicturesGiveNothing) {
    for (const char* name : {"text.jpg", "document.pdf", "zero-width.png", "no-frames.gif"}) {
        const Bytes bytes = fixture(name);
        EXPECT_FALSE(readPictureHeader(bytes)) << name;
        EXPECT_FALSE(decodeFirstFrame(bytes)) << name;
        EXPECT_FALSE(decodeThumbnail(bytes, 64)) << name;
    }
    EXPECT_FALSE(decodeFirstFrame(Bytes()));
    EXPECT_FALSE(decodeThumbnail(Bytes(), 64));

    // The header of a truncated JPEG reads; its pixels do not, and no grey-padded picture is
    // handed out as if it were whole.
    const Bytes truncated = fixture("truncated.jpg");
    EXPECT_TRUE(readPictureHeader(truncated));
    EXPECT_FALSE(decodeFirstFrame(truncated));
    EXPECT_FALSE(decodeThumbnail(truncated, 16));
}

// ---- a picture that declares 100,000 x 100,000 pixels -----------------------------------------

class BitWriter {
public:
    void bits(std::uint32_t value, int count) {  // least significant bit first
        for (int i = 0; i < count; ++i)
            bit((value >> i) & 1);
    }
    void code(std::uint32_t value, int count) {  // Huffman codes go most significant bit first
        for (int i = count - 1; i >= 0; --i)
            bit((value >> i) & 1);
    }
    std::vector<std::uint8_t> finish() {
        if (used_ > 0)
            out_.push_back(current_);
        return std::move(out_);
    }

private:
    void bit(std::uint32_t b) {
        current_ |= std::uint8_t(b << used_);
        if (++used_ == 8) {
            out_.push_back(current_);
            current_ = 0;
            used_ = 0;
        }
    }
    std::vector<std::uint8_t> out_;
    std::uint8_t current_ = 0;
    int used_ = 0;
};

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(v >> shift));
}

void putChunk(std::vector<std::uint8_t>& png, const char* kind,
              const std::vector<std::uint8_t>& data) {
    putU32(png, std::uint32_t(data.size()));
    std::vector<std::uint8_t> body(kind, kind + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    putU32(png, crc32(body.data(), body.size()));
}

// A complete, valid 1-bit grey PNG of `side` x `side` black pixels (`side` a multiple of 8), as
// one fixed-Huffman block of maximal back-references: 100,000 pixels a side are 1.25 GB of raw
// rows in about 8 MB.
Bytes blackSquarePng(std::uint32_t side) {
    const std::uint64_t raw = std::uint64_t(side) * (1 + side / 8);  // filter byte + packed row
    BitWriter deflate;
    deflate.bits(1, 1);     // final block
    deflate.bits(1, 2);     // fixed Huffman codes
    deflate.code(0x30, 8);  // literal 0
    for (std::uint64_t left = raw - 1; left > 0;) {
        if (left >= 258) {
            deflate.code(0xC5, 8);  // length 258
            deflate.code(0, 5);     // distance 1
            left -= 258;
        } else {
            deflate.code(0x30, 8);  // literal 0
            left -= 1;
        }
    }
    deflate.code(0, 7);  // end of block
    std::vector<std::uint8_t> idat{0x78, 0x01};
    auto body = deflate.finish();
    idat.insert(idat.end(), body.begin(), body.end());
    putU32(idat, std::uint32_t(((raw % 65521) << 16) | 1));  // Adler-32 of all-zero data

    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> ihdr;
    putU32(ihdr, side);
    putU32(ihdr, side);
    ihdr.insert(ihdr.end(), {1, 0, 0, 0, 0});  // 1-bit grey, no interlace
    putChunk(png, "IHDR", ihdr);
    putChunk(png, "IDAT", idat);
    putChunk(png, "IEND", {});
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
    EXPECT_EQ(sizeOf(*small), "100x100");
    EXPECT_EQ(small->pixel(50, 50)[0], 0);

    const Bytes bomb = blackSquarePng(100000);
    const long before = peakResidentKilobytes();
    EXPECT_FALSE(readPictureHeader(bomb));
    EXPECT_FALSE(decodeThumbnail(bomb, 512));
    EXPECT_FALSE(decodeFirstFrame(bomb));
    EXPECT_LT(peakResidentKilobytes() - before, 128 * 1024);
}

}  // namespace
}  // namespace mosavelle
