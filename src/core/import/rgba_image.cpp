#include "core/import/rgba_image.h"

#include <algorithm>
#include <bit>

namespace mosavelle {

PremultipliedImage premultiplied(const RgbaImage& image) {
    PremultipliedImage out;
    out.width = image.width;
    out.height = image.height;
    out.pixels.resize(image.pixels.size());
    const std::uint8_t* from = image.pixels.data();
    std::uint8_t* to = out.pixels.data();
    const std::size_t count = image.pixels.size() / 4;
    for (std::size_t i = 0; i < count; ++i, from += 4, to += 4) {
        const unsigned a = from[3];
        auto scaled = [a](unsigned c) { return static_cast<std::uint8_t>((c * a + 127) / 255); };
        const std::uint8_t r = scaled(from[0]), g = scaled(from[1]), b = scaled(from[2]);
        if constexpr (std::endian::native == std::endian::little) {
            to[0] = b, to[1] = g, to[2] = r, to[3] = static_cast<std::uint8_t>(a);
        } else {
            to[0] = static_cast<std::uint8_t>(a), to[1] = r, to[2] = g, to[3] = b;
        }
    }
    return out;
}

RgbaImage turnedUpright(const RgbaImage& image, int orientation) {
    if (orientation < 2 || orientation > 8)
        return image;
    const int w = image.width, h = image.height;
    const bool quarter = orientation >= 5;
    RgbaImage out{quarter ? h : w, quarter ? w : h, std::vector<std::uint8_t>(image.pixels.size())};
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            int sx = x, sy = y;  // the stored pixel shown at (x, y)
            switch (orientation) {
                case 2:
                    sx = w - 1 - x;
                    break;
                case 3:
                    sx = w - 1 - x;
                    sy = h - 1 - y;
                    break;
                case 4:
                    sy = h - 1 - y;
                    break;
                case 5:
                    sx = y;
                    sy = x;
                    break;
                case 6:
                    sx = y;
                    sy = h - 1 - x;
                    break;
                case 7:
                    sx = w - 1 - y;
                    sy = h - 1 - x;
                    break;
                case 8:
                    sx = w - 1 - y;
                    sy = x;
                    break;
                default:
                    break;
            }
            std::copy_n(image.pixel(sx, sy), 4,
                        out.pixels.data() + (std::size_t(y) * out.width + x) * 4);
        }
    }
    return out;
}

}  // namespace mosavelle
