#include "core/import/rgba_image.h"

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

}  // namespace mosavelle
