#pragma once

// Pictures made with libvips and pictures read back, for the suites that decode and encode.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/import/detail/vips_runtime.h"
#include "core/import/rgba_image.h"
#include "core/platform/bytes.h"

namespace mosavelle::testing {

// `image` saved as `suffix`, e.g. ".png" or ".jpg[Q=95]".
inline Bytes savedAs(VipsImage* image, const char* suffix) {
    void* buffer = nullptr;
    std::size_t length = 0;
    EXPECT_EQ(vips_image_write_to_buffer(image, suffix, &buffer, &length, nullptr), 0);
    Bytes out(buffer, length);
    g_free(buffer);
    return out;
}

// A black picture saved as `suffix`, tagged with EXIF orientation `orientation` unless it is 0.
inline Bytes blackPicture(int width, int height, const char* suffix, int bands = 3,
                          int orientation = 0) {
    EXPECT_TRUE(ensureVipsStarted());
    VipsImage* image = nullptr;
    EXPECT_EQ(vips_black(&image, width, height, "bands", bands, nullptr), 0);
    VipsImageHandle handle(image);
    if (orientation != 0)
        vips_image_set_int(image, VIPS_META_ORIENTATION, orientation);
    return savedAs(image, suffix);
}

// The fixture pictures show one upright 64x40 scene: grey, a red block top-left and a green
// block top-right. Returns the size and the colours of the four corners, e.g. "64x40 RG..".
inline std::string describe(const RgbaImage& image) {
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

}  // namespace mosavelle::testing
