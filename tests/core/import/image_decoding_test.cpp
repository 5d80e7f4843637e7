#include "core/import/image_decoding.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/import/detail/vips_runtime.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

Bytes fixture(const std::string& name) {
    return testing::readFileBytes(testing::fixturePath(name));
}

// The fixture pictures show one upright 64x40 scene: grey, a red block top-left and a green
// block top-right. Returns the size and the colours of the four corners, e.g. "64x40 RG..".
std::string describe(const RgbaImage& image) {
    auto at = [&](int x, int y) {
        const std::uint8_t* p = image.pixel(x, y);
        if (p[0] > 170 && p[1] < 90 && p[2] < 90)
            return 'R';
        if (p[1] > 150 && p[0] < 90 && p[2] < 90)
            return 'G';
        return std::abs(p[0] - 128) < 25 && std::abs(p[2] - 128) < 25 ? '.' : '?';
    };
    const int w = image.width, h = image.height, dx = w / 32, dy = h / 20;
    return std::to_string(w) + "x" + std::to_string(h) + " " + at(dx, dy) + at(w - 1 - dx, dy) +
           at(dx, h - 1 - dy) + at(w - 1 - dx, h - 1 - dy);
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
        EXPECT_EQ(describe(*full), "64x40 RG..");
        EXPECT_EQ(full->pixel(30, 30)[3], 255);  // opaque: alpha filled in
        auto thumb = decodeThumbnail(bytes, 32);
        ASSERT_TRUE(thumb);
        EXPECT_EQ(describe(*thumb), "32x20 RG..");
    }
    // Codes outside 1 to 8 turn nothing: the stored 40x64 grid comes back as stored.
    for (const char* name : {"orient-0.jpg", "orient-9.jpg"}) {
        auto image = decodeFirstFrame(fixture(name));
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(describe(*image).substr(0, 5), "40x64") << name;
    }
}

TEST(ImageDecoding, ThumbnailBoundsTheLongerSideAndNeverEnlarges) {
    const Bytes png = fixture("picture.png");
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
        auto image = decodeFirstFrame(fixture(name));
        ASSERT_TRUE(image) << name;
        // Lossy codecs smear the small green block; the size and the red block survive in all.
        EXPECT_EQ(describe(*image).substr(0, 7), "64x40 R") << name;
    }
    auto alpha = decodeFirstFrame(fixture("alpha.png"));
    ASSERT_TRUE(alpha);
    EXPECT_EQ(alpha->pixel(2, 2)[3], 192);
    EXPECT_NEAR(alpha->pixel(2, 2)[0], 220, 2);  // straight, not premultiplied (165)
}

TEST(ImageDecoding, EmbeddedProfileIsConvertedToSrgb) {
    // The fixture's red (220,30,30) stored under a wide-gamut profile holds other numbers;
    // decoding must give the sRGB colour back.
    const Bytes png = fixture("picture.png");
    VipsImageHandle plain(vips_image_new_from_buffer(png.data(), png.size(), "", nullptr));
    VipsImage* wide = nullptr;
    ASSERT_EQ(vips_icc_transform(plain.get(), &wide, "p3", "input_profile", "srgb", nullptr), 0);
    VipsImageHandle wideHandle(wide);
    void* buffer = nullptr;
    std::size_t length = 0;
    ASSERT_EQ(vips_pngsave_buffer(wide, &buffer, &length, nullptr), 0);
    const Bytes bytes(buffer, length);
    g_free(buffer);

    auto image = decodeFirstFrame(bytes);
    ASSERT_TRUE(image);
    EXPECT_NEAR(image->pixel(2, 2)[0], 220, 4);
    EXPECT_NEAR(image->pixel(2, 2)[1], 30, 6);
}

TEST(ImageDecoding, NonPicturesAndDamagedPicturesGiveNothing) {
    for (const char* name : {"text.jpg", "document.pdf", "zero-width.png", "no-frames.gif"}) {
        EXPECT_FALSE(readPictureHeader(fixture(name))) << name;
        EXPECT_FALSE(decodeFirstFrame(fixture(name))) << name;
        EXPECT_FALSE(decodeThumbnail(fixture(name), 64)) << name;
    }
    EXPECT_FALSE(decodeThumbnail(Bytes(), 64));
    // A truncated JPEG's header reads, but no grey-padded picture is handed out as if whole.
    const Bytes truncated = fixture("truncated.jpg");
    EXPECT_TRUE(readPictureHeader(truncated));
    EXPECT_FALSE(decodeFirstFrame(truncated));
    EXPECT_FALSE(decodeThumbnail(truncated, 16));
    // Bytes after the end marker (some cameras append them) do not make a JPEG damaged.
    const Bytes whole = fixture("orient-1.jpg");
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
    const std::uint32_t adler = std::uint32_t((raw % 65521) << 16 | 1);

    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto u32 = [](std::vector<std::uint8_t>& out, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(std::uint8_t(v >> shift));
    };
    u32(z, adler);
    auto chunk = [&](const char* kind, std::vector<std::uint8_t> data) {
        u32(png, std::uint32_t(data.size()));
        data.insert(data.begin(), kind, kind + 4);
        std::uint32_t crc = 0xFFFFFFFFu;
        for (std::uint8_t byte : data) {
            crc ^= byte;
            for (int k = 0; k < 8; ++k)
                crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
        }
        png.insert(png.end(), data.begin(), data.end());
        u32(png, ~crc);
    };
    std::vector<std::uint8_t> ihdr;
    u32(ihdr, side);
    u32(ihdr, side);
    ihdr.insert(ihdr.end(), {1, 0, 0, 0, 0});
    chunk("IHDR", ihdr);
    chunk("IDAT", z);
    chunk("IEND", {});
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
    EXPECT_FALSE(readPictureHeader(bomb));
    EXPECT_FALSE(decodeThumbnail(bomb, 512));
    EXPECT_FALSE(decodeFirstFrame(bomb));
    EXPECT_LT(peakResidentKilobytes() - before, 128 * 1024);
}

}  // namespace
}  // namespace mosavelle
