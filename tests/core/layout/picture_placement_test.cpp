#include <gtest/gtest.h>

#include <optional>

#include "core/layout/geometry.h"
#include "core/layout/placement.h"
#include "layout_test_util.h"

namespace mosavelle {
namespace {

const InchRect contentArea{0.3, 0.3, 12.7333333333, 6.9};

SourceImage picture(std::int64_t width, std::int64_t height, double dpi) {
    SourceImage image;
    image.id = Uuid::random();
    image.pixelWidth = width;
    image.pixelHeight = height;
    image.dpiX = image.dpiY = dpi;
    return image;
}

PictureFrame place(const SourceImage& image, SizingMode mode, const InchRect& area,
                   CropAnchor anchor = {}, double scale = 1) {
    return placePicture(image, mode, anchor, 0, scale, area);
}

TEST(PlacePicture, ActualSizeIsCentredAtItsNaturalSize) {
    const SourceImage image = picture(3000, 2000, 300);
    const PictureFrame f = place(image, SizingMode::actual, contentArea);
    expectRect(f.frame, 1.6666666667, 0.4166666667, 10, 6.6666666667);
    EXPECT_FALSE(f.overflows);
    EXPECT_NEAR(f.placedDPI, 300, 1e-9);
    EXPECT_EQ(f.imageID, image.id);
    EXPECT_EQ(f.crop, SourceCrop{});
}

TEST(PlacePicture, LargePictureOverflowsInActualAndShrinksInFit) {
    const SourceImage image = picture(3000, 2000, 100);  // 30 by 20 inches
    const PictureFrame actual = place(image, SizingMode::actual, contentArea);
    EXPECT_TRUE(actual.overflows);
    EXPECT_EQ(pictureWarnings(actual, SizingMode::actual),
              (std::vector<SlideWarning>{SlideWarning::overflowsSlide(image.id),
                                         SlideWarning::lowResolution(100, image.id)}));

    const PictureFrame fit = place(image, SizingMode::fit, contentArea);
    expectRect(fit.frame, 1.4916666667, 0.3, 10.35, 6.9);
    EXPECT_FALSE(fit.overflows);
    EXPECT_NEAR(fit.placedDPI, 3000 / 10.35, 1e-9);
    EXPECT_TRUE(pictureWarnings(fit, SizingMode::fit).empty());
}

TEST(PlacePicture, FillCutsTheExcessWhereTheAnchorSays) {
    const SourceImage wide = picture(2000, 1000, 100);
    const InchRect area{1, 2, 4, 3};
    struct Case {
        double anchorX, left, right;
    } cases[] = {{0.5, 1.0 / 6, 1.0 / 6},
                 {0, 0, 1.0 / 3},
                 {1, 1.0 / 3, 0},
                 {-2, 0, 1.0 / 3},
                 {7, 1.0 / 3, 0}};
    for (const Case& c : cases) {
        const PictureFrame f = place(wide, SizingMode::fill, area, CropAnchor{c.anchorX, 0.9});
        EXPECT_EQ(f.frame, area);
        EXPECT_NEAR(f.crop.left, c.left, 1e-12) << c.anchorX;
        EXPECT_NEAR(f.crop.right, c.right, 1e-12) << c.anchorX;
        EXPECT_EQ(f.crop.top, 0);
        EXPECT_EQ(f.crop.bottom, 0);
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
}

TEST(PlacePicture, FillIgnoresAnExcessWithinTheTolerance) {
    const InchRect area{0, 0, 4, 3};
    // 4.00005 by 3 inches: 0.00005 too wide, within the 0.0001 tolerance.
    EXPECT_EQ(place(picture(400005, 300000, 100000), SizingMode::fill, area).crop, SourceCrop{});
    // 4.0002 by 3 inches is cut.
    EXPECT_GT(place(picture(400020, 300000, 100000), SizingMode::fill, area).crop.right, 0);
}

TEST(PlacePicture, ScaledModesMultiplyTheNaturalSize) {
    const InchRect area{0.3, 0.3, 10, 6.6666666667};
    const SourceImage image = picture(3000, 2000, 300);  // exactly the area at scale 1
    EXPECT_FALSE(place(image, SizingMode::actual, area).overflows);
    const PictureFrame big = place(image, SizingMode::percent125, area, {}, 1.25);
    EXPECT_TRUE(big.overflows);
    EXPECT_NEAR(big.frame.width, 12.5, 1e-9);
    EXPECT_NEAR(big.placedDPI, 240, 1e-9);
    const PictureFrame small = place(image, SizingMode::percent75, area, {}, 0.75);
    EXPECT_FALSE(small.overflows);
    expectRect(small.frame, 1.55, 1.1333333333, 7.5, 5);
    // The rotation is carried, not applied.
    EXPECT_EQ(placePicture(image, SizingMode::custom, {}, 90, 2, area).rotationDegrees, 90);
    EXPECT_NEAR(placePicture(image, SizingMode::custom, {}, 90, 2, area).frame.width, 20, 1e-9);
}

TEST(PictureWarnings, LowResolutionBelow120AndAfterOverflow) {
    const SourceImage image = picture(800, 600, 72);
    const PictureFrame f = place(image, SizingMode::fit, InchRect{0, 0, 10, 10});
    EXPECT_NEAR(f.placedDPI, 80, 1e-9);
    EXPECT_EQ(pictureWarnings(f, SizingMode::fit),
              std::vector<SlideWarning>{SlideWarning::lowResolution(f.placedDPI, image.id)});

    EXPECT_TRUE(pictureWarnings(place(picture(1200, 600, 72), SizingMode::fit, {0, 0, 10, 10}),
                                SizingMode::fit)
                    .empty());
    // A picture with no pixels has placedDPI 0 and no warning.
    const PictureFrame empty = place(picture(0, 0, 72), SizingMode::fit, {0, 0, 10, 10});
    EXPECT_EQ(empty.placedDPI, 0);
    EXPECT_TRUE(pictureWarnings(empty, SizingMode::fit).empty());

    // 50 dpi at actual size on a 30-inch picture: overflow first, then low resolution.
    const SourceImage blurry = picture(1500, 1000, 50);
    const PictureFrame over = place(blurry, SizingMode::actual, contentArea);
    EXPECT_EQ(pictureWarnings(over, SizingMode::actual),
              (std::vector<SlideWarning>{SlideWarning::overflowsSlide(blurry.id),
                                         SlideWarning::lowResolution(50, blurry.id)}));
    // fit and fill never report an overflow, whatever the frame says.
    EXPECT_TRUE(
        pictureWarnings(PictureFrame{blurry.id, {}, {}, 0, true, 300}, SizingMode::fill).empty());
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
    // A picture that fits the left twoUp area (no captions) exactly at `scale`, width-bound.
    Uuid addPicture(double scale, bool usable = true) {
        const InchRect area = imageAreas(slide(), project.appearance)[0];
        SourceImage image = picture(1000, 10, 100);
        image.dpiX = 1000 * scale / area.width;
        if (!usable)
            image.importError = "This file could not be read as an image.";
        project.images.push_back(image);
        return image.id;
    }

    Slide slide(std::initializer_list<std::optional<Uuid>> pictures = {{}, {}}) const {
        Slide s;
        s.layout = SlideLayoutKind::twoUp;
        for (const auto& id : pictures) {
            ImageSlot slot = emptySlot();
            slot.imageID = id;
            s.slots.push_back(slot);
        }
        return s;
    }

    Project project;
};

TEST_F(CommonScale, SmallestFitWithinBounds) {
    const Uuid a = addPicture(0.6), b = addPicture(0.4), big = addPicture(3.0),
               tiny = addPicture(0.01);
    EXPECT_NEAR(*commonFitScale(slide({a, b}), project), 0.4, 1e-12);
    EXPECT_EQ(*commonFitScale(slide({big, big}), project), 1.0);
    EXPECT_EQ(*commonFitScale(slide({a, tiny}), project), 0.05);
}

TEST_F(CommonScale, SkipsMissingUnusableAndUnshownPictures) {
    const Uuid a = addPicture(0.6), broken = addPicture(0.1, false), hidden = addPicture(0.1);
    EXPECT_NEAR(*commonFitScale(slide({a, broken, hidden}), project), 0.6, 1e-12);
    EXPECT_NEAR(*commonFitScale(slide({Uuid::random(), a}), project), 0.6, 1e-12);
    EXPECT_FALSE(commonFitScale(slide({std::nullopt, Uuid::random()}), project));

    const Slide allMissing = slide({std::nullopt, broken});
    EXPECT_EQ(applyCommonScale(allMissing, project), allMissing);
}

TEST_F(CommonScale, OverrideKeepsCropAndRotationAndNamesTheMode) {
    const Uuid a = addPicture(0.75), b = addPicture(0.9);
    project.appearance.defaultPlacement = Placement{SizingMode::fill, {0.1, 0.2}, 15, 1};
    Slide s = applyCommonScale(slide({a, b}), project);
    ASSERT_TRUE(s.placementOverride);
    EXPECT_EQ(s.placementOverride->mode, SizingMode::percent75);
    EXPECT_NEAR(s.placementOverride->scale, 0.75, 1e-12);
    EXPECT_EQ(s.placementOverride->crop, (CropAnchor{0.1, 0.2}));
    EXPECT_EQ(s.placementOverride->rotationDegrees, 15);

    // An existing override lends its own crop and rotation.
    s.placementOverride = Placement{SizingMode::fit, {0.9, 0.8}, 30, 1};
    s = applyCommonScale(s, project);
    EXPECT_EQ(s.placementOverride->crop, (CropAnchor{0.9, 0.8}));
    EXPECT_EQ(s.placementOverride->rotationDegrees, 30);

    Slide single = slide({a});
    single.layout = SlideLayoutKind::oneImage;
    EXPECT_EQ(applyCommonScale(single, project), single);
}

}  // namespace
}  // namespace mosavelle
