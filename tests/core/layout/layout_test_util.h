#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

#include "core/layout/rendered_slide.h"
#include "core/layout/warnings.h"
#include "core/model/project.h"
#include "support/deck_support.h"

namespace mosavelle {

// The widescreen page less the default 0.3 inch margins on both sides.
inline constexpr double contentWidth = 12.7333333333;

// Boxes of the layout are checked to 1e-9 inch: the exported file rounds inches to EMU, so a
// larger error could change a written coordinate.
inline void expectRect(const InchRect& r, double x, double y, double width, double height) {
    EXPECT_NEAR(r.x, x, 1e-9);
    EXPECT_NEAR(r.y, y, 1e-9);
    EXPECT_NEAR(r.width, width, 1e-9);
    EXPECT_NEAR(r.height, height, 1e-9);
}

inline SourceImage picture(std::int64_t width, std::int64_t height, double dpi) {
    SourceImage image = testing::pictureRecord("picture.jpg", "public.jpeg", width, height);
    image.dpiX = image.dpiY = dpi;
    return image;
}

using testing::Pictures;
using testing::slideOf;

// Readable failure output for warning lists: the sentence each warning shows.
inline void PrintTo(const SlideWarning& warning, std::ostream* os) {
    *os << warningMessage(warning);
}

}  // namespace mosavelle
