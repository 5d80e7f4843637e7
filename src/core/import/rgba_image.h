#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mosavelle {

// A size in pixels.
struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// An 8-bit sRGB picture with straight (not premultiplied) alpha: `pixels` holds `width` x
// `height` RGBA quadruples, rows top to bottom, no padding. Pictures without alpha come out with
// alpha 255. Intentionally copyable; a full-size photograph is width x height x 4 bytes.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    const std::uint8_t* pixel(int x, int y) const {
        return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    }
    friend bool operator==(const RgbaImage&, const RgbaImage&) = default;
};

// An 8-bit sRGB picture with premultiplied alpha, laid out as 32-bit words 0xAARRGGBB in the
// machine's byte order (B, G, R, A in memory on little-endian machines): `width` x `height`
// words, rows top to bottom, no padding. This is the layout toolkits paint fastest (Qt's
// ARGB32_Premultiplied), so a view wraps `pixels` without converting. Intentionally copyable.
struct PremultipliedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    std::size_t bytesPerLine() const { return static_cast<std::size_t>(width) * 4; }
    friend bool operator==(const PremultipliedImage&, const PremultipliedImage&) = default;
};

// `image` with its colour premultiplied by alpha (rounded to nearest) in the layout above.
PremultipliedImage premultiplied(const RgbaImage& image);

// `image` as stored, turned upright by the EXIF orientation `orientation` (1 to 8; other values
// leave it as it is).
RgbaImage turnedUpright(const RgbaImage& image, int orientation);

}  // namespace mosavelle
