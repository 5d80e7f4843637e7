#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <type_traits>
#include <variant>

#include "core/layout/rendered_slide.h"

namespace mosavelle {

// Boxes of the layout are checked to 1e-9 inch: the exported file rounds inches to EMU, so a
// larger error could change a written coordinate.
inline void expectRect(const InchRect& r, double x, double y, double width, double height) {
    EXPECT_NEAR(r.x, x, 1e-9);
    EXPECT_NEAR(r.y, y, 1e-9);
    EXPECT_NEAR(r.width, width, 1e-9);
    EXPECT_NEAR(r.height, height, 1e-9);
}

// Readable failure output for warning lists.
inline void PrintTo(const SlideWarning& warning, std::ostream* os) {
    std::visit(
        [os](const auto& v) {
            using Case = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<Case, SlideWarning::OverflowsSlide>)
                *os << "overflowsSlide(" << v.imageID.text() << ")";
            else if constexpr (std::is_same_v<Case, SlideWarning::LowResolution>)
                *os << "lowResolution(" << v.dpi << ", " << v.imageID.text() << ")";
            else if constexpr (std::is_same_v<Case, SlideWarning::MissingImage>)
                *os << "missingImage(" << (v.imageID ? v.imageID->text() : "none") << ")";
            else
                *os << "textOverflow(" << v.field << ")";
        },
        warning.value);
}

}  // namespace mosavelle
