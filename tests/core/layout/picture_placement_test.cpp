#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <tuple>

#include "core/layout/geometry.h"
#include "core/layout/placement.h"
#include "layout_test_util.h"

namespace mosavelle {
namespace {

const InchRect contentArea{0.3, 0.3, contentWidth, 6.9};

PictureFrame place(const SourceImage& image, SizingMode mode, const InchRect& area,
                   CropAnchor anchor = {}, double scale = 1) {
    return placePicture(image, mode, anchor, 0, scale, area);
}

using Warnings = std::vector<SlideWarning>;

TEST(PlacePicture, ScaledModesCentreTheNaturalSizeTimesTheScaleAt72DpiWhenUnknown) {
    const SourceImage image = picture(3000, 2000, 300);  // 10 by 6.6666666667 inches
    const PictureFrame f = place(image, SizingMode::actual, contentArea);
    expectRect(f.frame, 1.6666666667, 0.4166666667, 10, 6.6666666667);
    EXPECT_FALSE(f.overflows);
    EXPECT_NEAR(f.placedDPI, 300, 1e-9);

    const InchRect area{0.3, 0.3, 10, 6.6666666667};  // exactly the picture: no overflow
    EXPECT_FALSE(place(image, SizingMode::actual, area).overflows);
    const PictureFrame big = place(image, SizingMode::percent125, area, {}, 1.25);
    EXPECT_TRUE(big.overflows);
    EXPECT_NEAR(big.frame.width, 12.5, 1e-9);
    EXPECT_NEAR(big.placedDPI, 240, 1e-9);
    const PictureFrame small = place(image, SizingMode::percent75, area, {}, 0.75);
    EXPECT_FALSE(small.overflows);
    expectRect(small.frame, 1.55, 1.1333333333, 7.5, 5);
    // The rotation is carried, not applied to the frame.
    const PictureFrame turned = placePicture(image, SizingMode::custom, {}, 90, 2, area);
    EXPECT_EQ(turned.rotationDegrees, 90);
    EXPECT_NEAR(turned.frame.width, 20, 1e-9);

    // A zero or unknown resolution counts as 72 dpi, and a scale of zero as the mode's own.
    SourceImage unknown = picture(3000, 2000, 0);
    unknown.dpiY = std::numeric_limits<double>::quiet_NaN();
    const PictureFrame f72 = place(unknown, SizingMode::actual, contentArea, {}, 0);
    EXPECT_NEAR(f72.frame.width, 3000.0 / 72, 1e-9);
    EXPECT_NEAR(f72.frame.height, 2000.0 / 72, 1e-9);
    EXPECT_NEAR(f72.placedDPI, 72, 1e-9);
}

TEST(PlacePicture, FitShrinksALargePictureToTheAreaWithoutOverflow) {
    const PictureFrame fit = place(picture(3000, 2000, 100), SizingMode::fit, contentArea);
    expectRect(fit.frame, 1.4916666667, 0.3, 10.35, 6.9);
    EXPECT_FALSE(fit.overflows);
    EXPECT_NEAR(fit.placedDPI, 3000 / 10.35, 1e-9);
}

TEST(PlacePicture, FillCutsTheExcessBeyondTheToleranceWhereTheAnchorSays) {
    const InchRect area{1, 2, 4, 3};
    // anchor x, then the share cut from the left and from the right; the anchor is clamped.
    const std::tuple<double, double, double> cases[] = {{0.5, 1.0 / 6, 1.0 / 6},
                                                        {0, 0, 1.0 / 3},
                                                        {1, 1.0 / 3, 0},
                                                        {-2, 0, 1.0 / 3},
                                                        {7, 1.0 / 3, 0}};
    for (const auto& [anchorX, left, right] : cases) {
        const PictureFrame f =
            place(picture(2000, 1000, 100), SizingMode::fill, area, CropAnchor{anchorX, 0.9});
        SCOPED_TRACE(anchorX);
        EXPECT_EQ(f.frame, area);
        EXPECT_NEAR(f.crop.left, left, 1e-12);
        EXPECT_NEAR(f.crop.right, right, 1e-12);
        EXPECT_EQ(f.crop.top + f.crop.bottom, 0);
        EXPECT_NEAR(f.placedDPI, 2000.0 * 2 / 3 / 4, 1e-9);
    }

    // A tall picture is cut at top and bottom by anchor y; only the horizontal crop enters the
    // resolution.
    const PictureFrame tall =
        place(picture(1000, 2000, 100), SizingMode::fill, area, CropAnchor{0.9, 0.25});
    const double excess = (8.0 - 3) / 8;  // drawn 4 wide, so 8 high
    EXPECT_NEAR(tall.crop.top, excess * 0.25, 1e-12);
    EXPECT_NEAR(tall.crop.bottom, excess * 0.75, 1e-12);
    EXPECT_EQ(tall.crop.left + tall.crop.right, 0);
    EXPECT_NEAR(tall.placedDPI, 250, 1e-9);

    // 4.00005 inches wide is within the 0.0001 tolerance; 4.0002 is cut.
    EXPECT_EQ(place(picture(400005, 300000, 100000), SizingMode::fill, area).crop, SourceCrop{});
    EXPECT_GT(place(picture(400020, 300000, 100000), SizingMode::fill, area).crop.right, 0);
}

TEST(PictureWarnings, LowResolutionStrictlyBelow120AndNeverOverflowInFitOrFill) {
    const SourceImage image = picture(800, 600, 72);
    const PictureFrame f = place(image, SizingMode::fit, InchRect{0, 0, 10, 10});
    EXPECT_NEAR(f.placedDPI, 80, 1e-9);
    EXPECT_EQ(pictureWarnings(f, SizingMode::fit),
              Warnings{SlideWarning::lowResolution(f.placedDPI, image.id)});
    // 1200 pixels over 10 inches: exactly 120.
    EXPECT_TRUE(pictureWarnings(place(picture(1200, 600, 72), SizingMode::fit, {0, 0, 10, 10}),
                                SizingMode::fit)
                    .empty());
    // A picture with no pixels has placedDPI 0 and no warning.
    const PictureFrame empty = place(picture(0, 0, 72), SizingMode::fit, {0, 0, 10, 10});
    EXPECT_EQ(empty.placedDPI, 0);
    EXPECT_TRUE(pictureWarnings(empty, SizingMode::fit).empty());
    // fit and fill never report an overflow, whatever the frame says.
    EXPECT_TRUE(
        pictureWarnings(PictureFrame{image.id, {}, {}, 0, true, 300}, SizingMode::fill).empty());
}

TEST(ModeForScale, RoundsToWholePercent) {
    EXPECT_EQ(modeForScale(0.754), SizingMode::percent75);
    EXPECT_EQ(modeForScale(0.7), SizingMode::custom);
    EXPECT_EQ(modeForScale(1.004), SizingMode::actual);
    EXPECT_EQ(modeForScale(1.25), SizingMode::percent125);
    EXPECT_EQ(modeForScale(1.26), SizingMode::custom);
}

class CommonScale : public ::testing::Test {
protected:
    // A picture that fits a twoUp area (no captions) exactly at `scale`, width-bound.
    Uuid addPicture(double scale, bool usable = true) {
        SourceImage image = picture(1000, 10, 100);
        image.dpiX = 1000 * scale / imageAreas(twoUp(Pictures(2)), project.appearance)[0].width;
        if (!usable)
            image.importError = "This file could not be read as an image.";
        project.images.push_back(image);
        return image.id;
    }

    static Slide twoUp(const Pictures& ids) { return slideOf(SlideLayoutKind::twoUp, ids); }

    Project project;
};

TEST_F(CommonScale, SmallestFitWithinBoundsSkippingMissingUnusableAndUnshownPictures) {
    const Uuid a = addPicture(0.6), b = addPicture(0.4), big = addPicture(3.0),
               tiny = addPicture(0.01), broken = addPicture(0.1, false);
    EXPECT_NEAR(*commonFitScale(twoUp({a, b}), project), 0.4, 1e-12);
    EXPECT_EQ(*commonFitScale(twoUp({big, big}), project), 1.0);
    EXPECT_EQ(*commonFitScale(twoUp({a, tiny}), project), 0.05);
    EXPECT_NEAR(*commonFitScale(twoUp({a, broken, b}), project), 0.6, 1e-12);  // b not shown
    EXPECT_NEAR(*commonFitScale(twoUp({Uuid::random(), a}), project), 0.6, 1e-12);
    EXPECT_FALSE(commonFitScale(twoUp({std::nullopt, Uuid::random()}), project));
    const Slide allMissing = twoUp({std::nullopt, broken});
    EXPECT_EQ(applyCommonScale(allMissing, project), allMissing);
}

TEST_F(CommonScale, OverrideKeepsCropAndRotationAndNamesTheMode) {
    const Uuid a = addPicture(0.75), b = addPicture(0.9);
    project.appearance.defaultPlacement = Placement{SizingMode::fill, {0.1, 0.2}, 15, 1};
    Slide s = applyCommonScale(twoUp({a, b}), project);
    ASSERT_TRUE(s.placementOverride);
    const double scale = s.placementOverride->scale;
    EXPECT_NEAR(scale, 0.75, 1e-12);
    EXPECT_EQ(*s.placementOverride, (Placement{SizingMode::percent75, {0.1, 0.2}, 15, scale}));

    // An existing override lends its own crop and rotation.
    s.placementOverride = Placement{SizingMode::fit, {0.9, 0.8}, 30, 1};
    EXPECT_EQ(*applyCommonScale(s, project).placementOverride,
              (Placement{SizingMode::percent75, {0.9, 0.8}, 30, scale}));

    const Slide single = slideOf(SlideLayoutKind::oneImage, {a});
    EXPECT_EQ(applyCommonScale(single, project), single);
}

}  // namespace
}  // namespace mosavelle
