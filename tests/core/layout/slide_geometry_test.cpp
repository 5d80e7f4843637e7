#include <gtest/gtest.h>

#include <string>

#include "core/layout/geometry.h"
#include "layout_test_util.h"

namespace mosavelle {
namespace {

constexpr double contentWidth = 12.7333333333;  // widescreen page less 0.3 on both sides

Slide slideWith(SlideLayoutKind layout, int slots, double captionPoints = 16) {
    Slide slide;
    slide.layout = layout;
    slide.captionPoints = captionPoints;
    for (int i = 0; i < slots; ++i)
        slide.slots.push_back(emptySlot());
    return slide;
}

TEST(ContentBox, MarginsAloneLeaveTheMiddleOfTheWidescreenPage) {
    expectRect(contentBox(AppearanceSettings{}), 0.3, 0.3, contentWidth, 6.9);
}

TEST(ContentBox, LogoAndNumberTakeWholeBandsAtTheirEdges) {
    AppearanceSettings a;
    a.branding.logoFileName = "logo.png";  // no bytes needed: the name alone reserves the band
    a.branding.showSlideNumbers = true;
    expectRect(contentBox(a), 0.3, 0.78, contentWidth, 6.14);

    // Both in the top edge add up: 0.3 + 0.4 + 0.08 + 0.28.
    a.branding.numberPosition = CornerPosition::topLeading;
    expectRect(contentBox(a), 0.3, 1.06, contentWidth, 6.14);

    // Both at the bottom leave the top margin alone.
    a.branding.logoPosition = CornerPosition::bottomLeading;
    a.branding.numberPosition = CornerPosition::bottomTrailing;
    expectRect(contentBox(a), 0.3, 0.3, contentWidth, 6.14);
}

TEST(ContentBox, OversizedMarginsNeverShrinkItBelowHalfAnInch) {
    AppearanceSettings a;
    a.margins = Margins{5, 7, 5, 7};
    const InchRect c = contentBox(a);
    EXPECT_EQ(c.width, 0.5);
    EXPECT_EQ(c.height, 0.5);
    EXPECT_EQ(c.x, 7);
    EXPECT_EQ(c.y, 5);
}

TEST(CaptionBand, CountsAnySlotEvenBeyondTheShownOnesAndSpaces) {
    Slide slide = slideWith(SlideLayoutKind::twoUp, 3);
    EXPECT_EQ(captionBand(slide, 0.4), 0);
    slide.slots[2].caption = " ";  // beyond the two shown slots, and only a space
    EXPECT_NEAR(captionBand(slide, 0.4), 0.4, 1e-12);
    slide.captionPoints = 36;
    EXPECT_NEAR(captionBand(slide, 0.4), 0.7, 1e-12);
    EXPECT_NEAR(captionBand(slide, 0.32), 0.7, 1e-12);
}

TEST(ImageAreas, TwoUpSplitsTheWidthAndGivesUpTheBandOnlyForCaptions) {
    const double half = (contentWidth - 0.2) * 0.5;
    Slide slide = slideWith(SlideLayoutKind::twoUp, 2);
    AreaList areas = imageAreas(slide, AppearanceSettings{});
    ASSERT_EQ(areas.size(), 2u);
    expectRect(areas[0], 0.3, 0.3, half, 6.9);
    expectRect(areas[1], 0.3 + half + 0.2, 0.3, half, 6.9);

    slide.slots[1].caption = "Harbour";
    areas = imageAreas(slide, AppearanceSettings{});
    expectRect(areas[0], 0.3, 0.3, half, 6.4);
    expectRect(areas[1], 0.3 + half + 0.2, 0.3, half, 6.4);

    areas = imageAreas(slideWith(SlideLayoutKind::twoUp, 1), AppearanceSettings{});
    ASSERT_EQ(areas.size(), 1u);
    expectRect(areas[0], 0.3, 0.3, half, 6.9);
    EXPECT_TRUE(imageAreas(slideWith(SlideLayoutKind::twoUp, 0), AppearanceSettings{}).empty());
}

TEST(ImageAreas, FourGridFillsRowsFirstAndLeavesMissingCellsOut) {
    Slide slide = slideWith(SlideLayoutKind::fourGrid, 3);
    AreaList areas = imageAreas(slide, AppearanceSettings{});
    ASSERT_EQ(areas.size(), 3u);
    const double cw = (contentWidth - 0.16) * 0.5;
    expectRect(areas[0], 0.3, 0.3, cw, 3.37);
    expectRect(areas[1], 0.3 + cw + 0.16, 0.3, cw, 3.37);
    expectRect(areas[2], 0.3, 0.3 + 3.37 + 0.16, cw, 3.37);

    // With captions each row also gives up the band plus 0.06.
    slide.slots[0].caption = "a";
    areas = imageAreas(slide, AppearanceSettings{});
    expectRect(areas[0], 0.3, 0.3, cw, 2.99);
    expectRect(areas[2], 0.3, 3.83, cw, 2.99);
    expectRect(slotCaptionBox(SlideLayoutKind::fourGrid, areas[2], 0.32), 0.3, 6.86, cw, 0.32);
}

TEST(ImageAreas, SingleAndSectionLayouts) {
    AppearanceSettings a;
    expectRect(imageAreas(slideWith(SlideLayoutKind::oneImage, 0), a)[0], 0.3, 0.3, contentWidth,
               6.9);
    EXPECT_TRUE(imageAreas(slideWith(SlideLayoutKind::section, 2), a).empty());
}

TEST(TextBoxes, TitledSlideKeepsItsCaptionBoxEvenWhenEmpty) {
    AppearanceSettings a;
    Slide slide = slideWith(SlideLayoutKind::imageTitleCaption, 1);
    expectRect(titleBox(a), 0.3, 0.3, contentWidth, 0.55);
    expectRect(captionBox(slide, a), 0.3, 6.75, contentWidth, 0.45);
    // Picture area between the title and the caption, with 0.12 gaps.
    expectRect(imageAreas(slide, a)[0], 0.3, 0.97, contentWidth, 5.66);

    slide.captionPoints = 36;  // one line of 0.7 inch outgrows the 0.45 minimum
    expectRect(captionBox(slide, a), 0.3, 6.5, contentWidth, 0.7);
    expectRect(imageAreas(slide, a)[0], 0.3, 0.97, contentWidth, 5.41);
}

TEST(TextBoxes, SectionTitleCrossesTheMiddleOfTheContentBox) {
    expectRect(sectionTitleBox(AppearanceSettings{}), 0.3, 2.715, contentWidth, 2.07);
}

TEST(CornerBoxes, SitInTheirCornersWhateverTheMargins) {
    expectRect(numberBox(SlideSizePreset::classic, CornerPosition::bottomTrailing), 9.2, 7.0, 0.6,
               0.3);
    expectRect(numberBox(SlideSizePreset::widescreen, CornerPosition::topTrailing), 12.5333333333,
               0.2, 0.6, 0.3);
    expectRect(numberBox(SlideSizePreset::widescreen, CornerPosition::topLeading), 0.2, 0.2, 0.6,
               0.3);

    Branding b;
    b.logoMaxHeightInches = 0.5;
    b.logoPosition = CornerPosition::bottomLeading;
    expectRect(logoBox(SlideSizePreset::classic, b), 0.2, 6.8, 1.25, 0.5);
    b.logoPosition = CornerPosition::topTrailing;
    expectRect(logoBox(SlideSizePreset::widescreen, b), 13.3333333333 - 0.2 - 1.25, 0.2, 1.25, 0.5);
}

TEST(ImageAreas, LargeCaptionsOnASmallContentBoxGiveEmptyAreasNotNegativeOnes) {
    AppearanceSettings a;
    a.margins = Margins{4, 0.3, 4, 0.3};  // content height at its 0.5 minimum
    for (auto layout : {SlideLayoutKind::twoUp, SlideLayoutKind::fourGrid}) {
        Slide slide = slideWith(layout, 4, 36);
        slide.slots[0].caption = "caption";
        for (const InchRect& area : imageAreas(slide, a)) {
            EXPECT_EQ(area.height, 0) << caseName(layout);
            EXPECT_GT(area.width, 0) << caseName(layout);
        }
    }
}

}  // namespace
}  // namespace mosavelle
