#include <gtest/gtest.h>

#include <tuple>

#include "core/layout/geometry.h"
#include "layout_test_util.h"

namespace mosavelle {
namespace {

using enum CornerPosition;
using enum SlideLayoutKind;

TEST(ContentBox, LogoAndNumberTakeWholeBandsAndMarginsLeaveAtLeastHalfAnInch) {
    // logo?, number?, their corners, then the content box's top and height.
    const std::tuple<bool, bool, CornerPosition, CornerPosition, double, double> cases[] = {
        {false, false, topTrailing, bottomTrailing, 0.3, 6.9},
        {false, true, topTrailing, topLeading, 0.58, 6.62},
        {true, true, topTrailing, bottomTrailing, 0.78, 6.14},
        {true, true, topTrailing, topLeading, 1.06, 6.14},  // 0.3 + 0.4 + 0.08 + 0.28
        {true, true, bottomLeading, bottomTrailing, 0.3, 6.14},
    };
    for (const auto& [logo, number, logoAt, numberAt, y, height] : cases) {
        AppearanceSettings a;
        if (logo)
            a.branding.logoFileName = "logo.png";  // the name alone reserves the band
        a.branding.showSlideNumbers = number;
        a.branding.logoPosition = logoAt;
        a.branding.numberPosition = numberAt;
        SCOPED_TRACE(y);
        expectRect(contentBox(a), 0.3, y, contentWidth, height);
    }
    // The ten-decimal width, not 40/3: the 3e-11 inch between them reaches written EMU values.
    EXPECT_EQ(pageSize(SlideSizePreset::widescreen).width, 13.3333333333);

    // Oversized margins never shrink it below half an inch.
    AppearanceSettings a;
    a.margins = Margins{5, 7, 5, 7};
    expectRect(contentBox(a), 7, 5, 0.5, 0.5);
}

TEST(ImageAreas, TwoUpSplitsTheWidthAndGivesUpTheBandForACaptionInAnySlot) {
    const double half = (contentWidth - 0.2) * 0.5;
    Slide slide = slideOf(twoUp, Pictures(2));
    for (double height : {6.9, 6.4}) {
        const AreaList areas = imageAreas(slide, {});
        ASSERT_EQ(areas.size(), 2u);
        expectRect(areas[0], 0.3, 0.3, half, height);
        expectRect(areas[1], 0.3 + half + 0.2, 0.3, half, height);
        slide.slots[1].caption = "Harbour";
    }
    const AreaList one = imageAreas(slideOf(twoUp, Pictures(1)), {});
    ASSERT_EQ(one.size(), 1u);
    expectRect(one[0], 0.3, 0.3, half, 6.9);

    // The band counts a caption in any slot, even beyond the shown ones and only a space.
    Slide three = slideOf(twoUp, Pictures(3));
    EXPECT_EQ(captionBand(three, 0.4), 0);
    three.slots[2].caption = " ";
    EXPECT_NEAR(captionBand(three, 0.4), 0.4, 1e-12);
    three.captionPoints = 36;
    EXPECT_NEAR(captionBand(three, 0.4), 0.7, 1e-12);
}

TEST(ImageAreas, FourGridFillsRowsFirstAndLeavesMissingCellsOut) {
    const double cw = (contentWidth - 0.16) * 0.5;
    Slide slide = slideOf(fourGrid, Pictures(3));
    AreaList areas = imageAreas(slide, {});
    ASSERT_EQ(areas.size(), 3u);
    expectRect(areas[0], 0.3, 0.3, cw, 3.37);
    expectRect(areas[1], 0.3 + cw + 0.16, 0.3, cw, 3.37);
    expectRect(areas[2], 0.3, 0.3 + 3.37 + 0.16, cw, 3.37);

    // With captions each row also gives up the band plus 0.06.
    slide.slots[0].caption = "a";
    areas = imageAreas(slide, {});
    expectRect(areas[0], 0.3, 0.3, cw, 2.99);
    expectRect(areas[2], 0.3, 3.83, cw, 2.99);
}

TEST(TextBoxes, TitledSlideKeepsItsCaptionBoxAndCornerBoxesIgnoreTheMargins) {
    const AppearanceSettings a;
    Slide slide = slideOf(imageTitleCaption, Pictures(1));
    expectRect(titleBox(a), 0.3, 0.3, contentWidth, 0.55);
    expectRect(captionBox(slide, a), 0.3, 6.75, contentWidth, 0.45);
    expectRect(imageAreas(slide, a)[0], 0.3, 0.97, contentWidth, 5.66);  // 0.12 gaps

    slide.captionPoints = 36;  // one line of 0.7 inch outgrows the 0.45 minimum
    expectRect(captionBox(slide, a), 0.3, 6.5, contentWidth, 0.7);
    expectRect(imageAreas(slide, a)[0], 0.3, 0.97, contentWidth, 5.41);

    // The slide number and logo sit in their corners whatever the margins.
    expectRect(numberBox(SlideSizePreset::widescreen, topTrailing), 12.5333333333, 0.2, 0.6, 0.3);
    expectRect(numberBox(SlideSizePreset::widescreen, topLeading), 0.2, 0.2, 0.6, 0.3);

    Branding b;
    b.logoMaxHeightInches = 0.5;
    b.logoPosition = bottomLeading;
    expectRect(logoBox(SlideSizePreset::classic, b), 0.2, 6.8, 1.25, 0.5);
    b.logoPosition = topTrailing;
    expectRect(logoBox(SlideSizePreset::widescreen, b), 13.3333333333 - 0.2 - 1.25, 0.2, 1.25, 0.5);
}

TEST(ImageAreas, LargeCaptionsOnASmallContentBoxGiveEmptyAreasNotNegativeOnes) {
    AppearanceSettings a;
    a.margins = Margins{4, 0.3, 4, 0.3};  // content height at its 0.5 minimum
    for (auto layout : {twoUp, fourGrid}) {
        Slide slide = slideOf(layout, Pictures(4));
        slide.captionPoints = 36;
        slide.slots[0].caption = "caption";
        for (const InchRect& area : imageAreas(slide, a)) {
            EXPECT_EQ(area.height, 0) << caseName(layout);
            EXPECT_GT(area.width, 0) << caseName(layout);
        }
    }
}

}  // namespace
}  // namespace mosavelle
