#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/import/image_decoding.h"
#include "core/import/import_plan.h"
#include "core/layout/geometry.h"
#include "core/layout/placement.h"
#include "core/layout/rendered_slide.h"
#include "core/layout/text_color.h"
#include "core/layout/text_fit.h"
#include "core/layout/text_layout.h"
#include "core/layout/thumbnail_cache.h"
#include "core/layout/thumbnail_disk_cache.h"
#include "core/layout/warnings.h"
#include "core/model/image_index.h"
#include "core/model/project.h"
#include "core/platform/sha256.h"
#include "support/deck_support.h"
#include "support/test_support.h"

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

namespace {

const InchRect contentArea{0.3, 0.3, contentWidth, 6.9};

PictureFrame place(const SourceImage& image, SizingMode mode, const InchRect& area,
                   CropAnchor anchor = {}, double scale = 1) {
    return placePicture(image, mode, anchor, 0, scale, area);
}

using Warnings = std::vector<SlideWarning>;

TEST(PlacePicture, ScaledModesCentreTheNaturalSizeTimesTheScaleAt72DpiWhenUnknownAndFitShrinks) {
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

    // Fit shrinks a large picture to the area, centred, without overflow.
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

TEST_F(CommonScale, OverrideKeepsCropAndRotationAndNamesTheModeByWholePercent) {
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
    // The mode named is the one whose scale rounds to the same whole percent.
    for (auto [scale, mode] : {std::pair{0.754, SizingMode::percent75},
                               {0.7, SizingMode::custom},
                               {1.004, SizingMode::actual},
                               {1.25, SizingMode::percent125},
                               {1.26, SizingMode::custom}})
        EXPECT_EQ(modeForScale(scale), mode) << scale;
}

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

TEST(ImageAreas, FourGridFillsRowsFirstLeavesMissingCellsOutAndNeverGoesNegative) {
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

    // Large captions on a small content box give empty areas, not negative ones.
    AppearanceSettings a;
    a.margins = Margins{4, 0.3, 4, 0.3};  // content height at its 0.5 minimum
    for (auto layout : {twoUp, fourGrid}) {
        Slide small = slideOf(layout, Pictures(4));
        small.captionPoints = 36;
        small.slots[0].caption = "caption";
        for (const InchRect& area : imageAreas(small, a))
            EXPECT_TRUE(area.height == 0 && area.width > 0) << caseName(layout);
    }
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

std::string repeat(const std::string& unit, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += unit;
    return out;
}

class RenderSlide : public ::testing::Test {
protected:
    // Adds a 3000 by 2000 pixel picture to the deck.
    Uuid addPicture(double dpi = 300, std::optional<std::string> importError = std::nullopt) {
        project.images.push_back(picture(3000, 2000, dpi));
        project.images.back().importError = std::move(importError);
        return project.images.back().id;
    }

    RenderedSlide render(const Slide& s, std::size_t index = 0) const {
        return renderSlide(s, index, project);
    }

    Project project;
};

TEST_F(RenderSlide, SectionTitleFlagsTheLineThatRunsPastItsBox) {
    Slide s = sectionDividerSlide();
    s.title = "";
    s.slots.push_back(emptySlot());  // a section shows no pictures, whatever its slots
    RenderedSlide r = render(s);
    EXPECT_TRUE(r.pictures.empty());
    ASSERT_EQ(r.texts.size(), 1u);
    EXPECT_EQ(r.texts[0].text, "Section");
    EXPECT_TRUE(r.texts[0].isTitle);
    expectRect(r.texts[0].frame, 0.3, 2.715, contentWidth, 2.07);

    // The 2.07-inch box holds four lines of 28 points (33.6 points apart); a CR LF pair is one
    // break, as the export writes it.
    s.title = "one\r\ntwo\r\nthree\r\nfour";
    EXPECT_TRUE(render(s).warnings.empty());
    s.title += "\nfive";
    r = render(s);
    EXPECT_TRUE(r.texts[0].overflows);
    EXPECT_EQ(r.warnings, Warnings{SlideWarning::textOverflow("title")});
}

TEST_F(RenderSlide, TitledSlideAlwaysHasTitleThenCaptionAndOrdersItsWarnings) {
    const RenderedSlide empty = render(slideOf(imageTitleCaption, {}));
    EXPECT_EQ(empty.texts.size(), 2u);
    EXPECT_TRUE(empty.pictures.empty() && empty.warnings.empty());

    const Uuid blurry = addPicture(50);  // 60 by 40 inches: overflows and is blurry
    Slide s = slideOf(imageTitleCaption, {blurry});
    s.placementOverride = Placement{SizingMode::actual, {}, 0, 1};
    s.title = repeat("T", 500);
    s.slots[0].caption = repeat("c", 500);
    s.captionPoints = 20;
    s.captionAlignment = CaptionAlignment::center;
    const RenderedSlide r = render(s);
    ASSERT_EQ(r.texts.size(), 2u);
    EXPECT_TRUE(r.texts[0].isTitle && !r.texts[1].isTitle);
    EXPECT_EQ(r.texts[1].text, s.slots[0].caption);
    EXPECT_EQ(r.texts[1].fontPoints, 20);
    EXPECT_EQ(r.texts[1].alignment, CaptionAlignment::center);
    EXPECT_EQ(r.texts[0].alignment, CaptionAlignment::leading);
    EXPECT_EQ(
        r.warnings,
        (Warnings{SlideWarning::textOverflow("title"), SlideWarning::overflowsSlide(blurry),
                  SlideWarning::lowResolution(50, blurry), SlideWarning::textOverflow("caption")}));
}

TEST_F(RenderSlide, TwoUpGivesEveryShownSlotACaptionBoxAndWarnsPerSlot) {
    const Uuid blurry = addPicture(50);
    Slide s = slideOf(twoUp, {blurry, Uuid::random(), blurry});
    s.placementOverride = Placement{SizingMode::actual, {}, 0, 1};
    s.slots[1].caption = repeat("c", 400);  // the 16-point box holds about 84.9 characters
    RenderedSlide r = render(s);
    ASSERT_EQ(r.pictures.size(), 2u);
    ASSERT_EQ(r.texts.size(), 2u);
    EXPECT_EQ(r.texts[0].text, "");
    const double half = (contentWidth - 0.2) * 0.5;
    expectRect(r.texts[1].frame, 0.3 + half + 0.2, 6.8, half, 0.4);
    expectRect(r.pictures[1].frame, 0.3 + half + 0.2, 0.3, half, 6.4);  // placeholder = area
    EXPECT_EQ(r.pictures[1].imageID, *s.slots[1].imageID);
    EXPECT_EQ(r.warnings, (Warnings{SlideWarning::overflowsSlide(blurry),
                                    SlideWarning::lowResolution(50, blurry),
                                    SlideWarning::missingImage(s.slots[1].imageID),
                                    SlideWarning::textOverflow("caption 2")}));

    // A caption only beyond the shown slots still opens the band for the shown ones.
    s.slots[1].caption = "";
    s.slots[2].caption = "hidden";
    r = render(s);
    ASSERT_EQ(r.texts.size(), 2u);
    EXPECT_EQ(r.texts[0].text + r.texts[1].text, "");

    // A slot that repeats an earlier slot's identifier is reported under the earlier number.
    s.slots[1].id = s.slots[0].id;
    s.slots[1].caption = repeat("c", 400);
    EXPECT_EQ(render(s).warnings.back(), SlideWarning::textOverflow("caption 1"));
}

TEST_F(RenderSlide, FourGridPlacesAtMostFourSlotsInOrderWithPlaceholdersForTheUndrawable) {
    const Uuid a = addPicture(), b = addPicture(), broken = addPicture(300, "unreadable");
    Slide s = slideOf(fourGrid, {a, broken, std::nullopt, b, a});
    s.slots[3].caption = "d";
    const RenderedSlide r = render(s);
    ASSERT_EQ(r.pictures.size(), 4u);
    ASSERT_EQ(r.texts.size(), 4u);
    EXPECT_EQ(r.pictures[0].imageID, a);
    EXPECT_EQ(r.pictures[1].imageID, broken);
    EXPECT_NE(r.pictures[2].imageID, Uuid());  // a fresh identifier for an empty slot
    EXPECT_EQ(r.pictures[3].imageID, b);
    const AreaList areas = imageAreas(s, project.appearance);
    EXPECT_EQ(r.pictures[1].frame, areas[1]);
    EXPECT_EQ(r.pictures[2].frame, areas[2]);
    EXPECT_EQ(r.warnings, (Warnings{SlideWarning::missingImage(broken),
                                    SlideWarning::missingImage(std::nullopt)}));
    EXPECT_EQ(r.texts[3].text, "d");
    expectRect(r.texts[2].frame, 0.3, 6.86, (contentWidth - 0.16) * 0.5, 0.32);
}

TEST_F(RenderSlide, DeckSettingsReachEverySlide) {
    const Slide s = slideOf(oneImage, {addPicture()});
    RenderedSlide r = render(s);
    EXPECT_FALSE(r.logo || r.slideNumber || r.numberFrame);
    // Without a logo or a placeholder two renderings are equal; excluding a slide changes nothing.
    Slide excluded = s;
    excluded.isExcluded = true;
    EXPECT_EQ(render(excluded), r);

    // A logo name without stored bytes still reserves its band and draws a frame.
    AppearanceSettings& a = project.appearance;
    a.branding.logoFileName = "logo.png";
    a.branding.showSlideNumbers = true;
    a.slideSize = SlideSizePreset::classic;
    a.background = BackgroundKind::custom;
    r = render(s);
    ASSERT_TRUE(r.logo && r.slideNumber && r.numberFrame);
    EXPECT_EQ(*r.slideNumber, "1");
    expectRect(*r.numberFrame, 9.2, 7.0, 0.6, 0.3);
    expectRect(r.logo->frame, 10 - 0.2 - 1.0, 0.2, 1.0, 0.4);
    EXPECT_EQ(r.logo->placedDPI, 150);
    EXPECT_NE(render(s).logo->imageID, r.logo->imageID);  // new on every rendering
    EXPECT_EQ(r.background, a.customBackground);
    expectRect(r.pictures[0].frame, 0.3 + (9.4 - 9.21) * 0.5, 0.78, 9.21, 6.14);
    EXPECT_EQ(*render(s, 1233).slideNumber, "1234");
}

TEST_F(RenderSlide, TextStaysReadableOnItsBackground) {
    Slide s = slideOf(imageTitleCaption, {addPicture()});
    s.title = "Title";
    s.slots[0].caption = "Caption";
    AppearanceSettings& a = project.appearance;
    a.branding.showSlideNumbers = true;
    const RGBAColor white{1, 1, 1, 1};
    const RGBAColor black{0, 0, 0, 1};

    // Readable stored colours are drawn as stored.
    RenderedSlide r = render(s);
    ASSERT_EQ(r.texts.size(), 2u);
    EXPECT_EQ(r.texts[0].color, a.typography.titleColor);
    EXPECT_EQ(r.texts[1].color, a.typography.bodyColor);
    EXPECT_EQ(r.numberColor, a.typography.bodyColor);

    // On black every dark text turns white.
    a.background = BackgroundKind::black;
    r = render(s);
    EXPECT_EQ(r.texts[0].color, white);
    EXPECT_EQ(r.texts[1].color, white);
    EXPECT_EQ(r.numberColor, white);

    // A mid grey background with a light stored colour: black contrasts more than white.
    a.background = BackgroundKind::custom;
    a.customBackground = {0.6, 0.6, 0.6, 1};
    a.typography.bodyColor = {0.7, 0.7, 0.7, 1};
    EXPECT_EQ(render(s).texts[1].color, black);
    // A chosen colour that merely reads less easily stays: orange on white is about 2.5:1.
    a.background = BackgroundKind::white;
    a.typography.bodyColor = {1, 0x80 / 255.0, 0, 1};
    EXPECT_EQ(render(s).texts[1].color, a.typography.bodyColor);
    // Each primary's weight in the luminance, against black: (L + 0.05) / 0.05.
    EXPECT_NEAR(contrastRatio({1, 0, 0, 1}, black), 5.252, 1e-3);
    EXPECT_NEAR(contrastRatio({0, 1, 0, 1}, black), 15.304, 1e-3);
    EXPECT_NEAR(contrastRatio({0, 0, 1, 1}, black), 2.444, 1e-3);
}

TEST_F(RenderSlide, AnImageIndexFindsWhatTheScanFinds) {
    for (int i = 0; i < 40; ++i)
        addPicture(72 + i, i % 5 == 0 ? std::optional<std::string>("unusable") : std::nullopt);
    // Later pictures that repeat an identifier are never the ones shown.
    for (std::size_t i : {0u, 5u, 17u}) {
        SourceImage again = project.images[i];
        again.importError = again.importError ? std::nullopt : std::optional<std::string>("x");
        project.images.push_back(again);
    }
    const ImageIndex index(project.images);
    for (const SourceImage& image : project.images)
        EXPECT_EQ(index.find(image.id), project.sourceImage(image.id));

    const auto& images = project.images;
    Slide s = slideOf(fourGrid, {images[0].id, images[5].id, Uuid::random(), images[17].id});
    s.slots[2].caption = "c";
    EXPECT_EQ(renderSlide(s, 7, project, index), render(s, 7));
}

// A caption of 74 characters at 27 points on a wide slide: in capitals it takes a second line
// that does not fit, which a count of characters misses; in lower case it fits on one.
TEST(Warnings, TextOverflowFollowsTheLinesTheTextIsBrokenInto) {
    const InchRect box{0.3, 6.395, 12.7333333333, 0.525};
    const TextStyle style{"Calibri", false, 27};
    const std::string lower =
        "The morning boats come back to the harbour while the town is still asleep.";
    std::string upper = lower;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_FALSE(textOverflows(upper, box, 27));
    EXPECT_TRUE(textOverflowsBox(upper, style, box));
    EXPECT_FALSE(textOverflowsBox(lower, style, box));

    // Lines end after spaces, which hang past the edge; a word wider than the box is cut
    // between its characters; every line fits and the bytes run on without gaps.
    const std::string text = "harbour   boats " + repeat("x", 40) + " quay";
    const TextLayout layout = layOutText(text, style, 3.0);
    ASSERT_TRUE(layout.measured);
    ASSERT_GE(layout.lines.size(), 4u);
    EXPECT_EQ(text.substr(0, layout.lines[0].end), "harbour   boats");
    EXPECT_EQ(layout.lines[1].begin, 16u);
    EXPECT_EQ(layout.lines.back().end, text.size());
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        EXPECT_LE(layout.lines[i].width, 3.0);
        EXPECT_GT(layout.lines[i].width, 0.2);
        if (i > 0) {
            EXPECT_EQ(text.find_first_not_of(' ', layout.lines[i - 1].end), layout.lines[i].begin);
        }
    }
    EXPECT_DOUBLE_EQ(layout.lineHeight, 27 * 1.2 / 72);

    // Without measuring, the estimate counts characters against the box and the font size.
    const InchRect captionBox{0, 0, 6.2667, 0.4};
    EXPECT_FALSE(textOverflows(repeat("c", 84), captionBox, 16));
    EXPECT_TRUE(textOverflows(repeat("c", 85), captionBox, 16));
    // A box too small for one line still holds one line of eight characters (9.2 with allowance).
    // A stray continuation byte is one character to the segmenter, so it counts as one here too.
    for (const std::string& unit : {std::string("c"), std::string("\x80")}) {
        EXPECT_FALSE(textOverflows(repeat(unit, 9), InchRect{}, 16));
        EXPECT_TRUE(textOverflows(repeat(unit, 10), InchRect{}, 16));
    }
}

bool finiteNonNegative(const InchRect& r) {
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) &&
           std::isfinite(r.height) && r.width >= 0 && r.height >= 0;
}

// A hand-edited project can hold anything; every laid-out length must stay finite and no size
// negative, or the export would write nonsense.
TEST_F(RenderSlide, HostileDeckRendersFiniteNonNegativeFrames) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    const double values[] = {nan, inf, -inf, -1e308, 1e308, -5, 0};
    const std::int64_t pixels[] = {0, -7, std::numeric_limits<std::int64_t>::max(), 1};
    for (std::size_t i = 0; i < std::size(values); ++i) {
        project.images.push_back(picture(pixels[i % 4], pixels[(i + 1) % 4], values[i]));
        project.images.back().dpiY = values[(i + 3) % std::size(values)];
    }
    AppearanceSettings& a = project.appearance;
    a.branding.logoFileName = "logo.png";
    a.branding.showSlideNumbers = true;
    for (double v : values) {
        a.margins = Margins{v, -v, v, v};
        a.branding.logoMaxHeightInches = a.typography.titlePoints = v;
        for (SlideLayoutKind layout : allCases<SlideLayoutKind>()) {
            for (SizingMode mode : allCases<SizingMode>()) {
                Slide s = slideOf(layout, Pictures(4));
                for (std::size_t i = 0; i < s.slots.size(); ++i) {
                    const std::size_t image =
                        (i + static_cast<std::size_t>(mode)) % std::size(values);
                    s.slots[i] = ImageSlot{
                        Uuid::random(), project.images[image].id, "caption", {v, -v}, std::nullopt};
                }
                s.captionPoints = v;
                s.placementOverride = Placement{mode, {}, v, v};
                const RenderedSlide r = render(s);
                SCOPED_TRACE(std::string(caseName(layout)) + "/" + std::string(caseName(mode)) +
                             "/" + std::to_string(v));
                for (const PictureFrame& p : r.pictures) {
                    EXPECT_TRUE(finiteNonNegative(p.frame));
                    for (double c : {p.crop.left, p.crop.top, p.crop.right, p.crop.bottom})
                        EXPECT_TRUE(c >= 0 && c <= 1);
                    EXPECT_TRUE(std::isfinite(p.placedDPI) && p.placedDPI >= 0);
                    EXPECT_TRUE(std::isfinite(p.rotationDegrees));
                }
                for (const TextFrame& t : r.texts)
                    EXPECT_TRUE(finiteNonNegative(t.frame) && std::isfinite(t.fontPoints) &&
                                t.fontPoints > 0);
                EXPECT_TRUE(finiteNonNegative(r.logo->frame));
            }
        }
    }
}

using testing::fixtureBytes;
constexpr auto fixedID = testing::fixedUuid;

// An executor whose tasks wait until the test thread runs them, as an interface thread's queue.
class TaskQueue {
public:
    ThumbnailCache::Executor executor() {
        return [this](std::function<void()> task) {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
            posted_.notify_all();
        };
    }
    // Waits until `count` tasks have been posted since the last `run`, then runs all of them.
    // False when they did not arrive within ten minutes: decodes run at nice 19, so on a machine
    // busy with other work a decode under ThreadSanitizer can wait more than a minute for a core.
    bool run(std::size_t count) {
        std::deque<std::function<void()>> tasks;
        {
            std::unique_lock lock(mutex_);
            if (!posted_.wait_for(lock, std::chrono::minutes(10),
                                  [&] { return tasks_.size() >= count; }))
                return false;
            tasks.swap(tasks_);
        }
        for (auto& task : tasks)
            task();
        return true;
    }
    std::size_t pending() {
        std::lock_guard lock(mutex_);
        return tasks_.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
};

ThumbnailCache::Request requestFor(const Uuid& id, const Bytes& bytes, int size,
                                   std::uint64_t generation = 0) {
    return ThumbnailCache::Request{id, bytes, {}, size, generation};
}

// Keeps the only pool thread of `cache` in an executor until the promise is kept, so that no
// request made meanwhile starts early.
std::promise<void> holdThePool(ThumbnailCache& cache, const Bytes& bytes) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    cache.request(
        requestFor(fixedID(30), bytes, 128), [released](std::function<void()>) { released.wait(); },
        [](ThumbnailImage) {});
    return release;
}

TEST(ThumbnailCache, OneImagePerKeyCachedLookupsNeverDecodeAndDroppedPicturesLeaveMemory) {
    std::vector<int> buckets;
    for (int size : {-4, 128, 129, 1000, 2048, 9000})
        buckets.push_back(thumbnailBucket(size));
    EXPECT_EQ(buckets, (std::vector<int>{128, 128, 256, 1024, 2048, 2048}));

    ThumbnailCache cache;
    const Uuid id = fixedID(1);
    const Bytes bytes = fixtureBytes("picture.png");  // 64 by 40
    EXPECT_FALSE(cache.bestCached(id, 300));
    auto small = cache.thumbnail(id, bytes, 128);
    ASSERT_TRUE(small);
    EXPECT_EQ(cache.cached(id, 100), small);  // 100 is served from the 128 bucket
    EXPECT_FALSE(cache.cached(id, 300));
    EXPECT_EQ(cache.bestCached(id, 300), small);  // nothing at 512 yet: the largest smaller one
    auto first = cache.thumbnail(id, bytes, 32);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width * 1000 + first->height, 32020);
    EXPECT_EQ(cache.thumbnail(id, bytes, 32), first);
    EXPECT_NE(cache.thumbnail(id, bytes, 31), first);
    auto tiny = cache.thumbnail(id, bytes, 0);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(cache.thumbnail(id, bytes, -5), tiny);
    EXPECT_EQ(cache.stats().decoded, 4u);
    const std::size_t kept = cache.memoryUsed();

    // A failure stores nothing, so the same key is tried again.
    EXPECT_FALSE(cache.thumbnail(fixedID(3), fixtureBytes("text.jpg"), 32));
    EXPECT_TRUE(cache.thumbnail(fixedID(3), bytes, 32));
    EXPECT_TRUE(cache.thumbnail(fixedID(3), bytes, 512));
    EXPECT_EQ(cache.sizesByID(),
              (std::map<Uuid, std::set<int>>{{id, {1, 31, 32, 128}}, {fixedID(3), {32, 512}}}));
    EXPECT_EQ(cache.count(), 6u);
    cache.drop({fixedID(3), fixedID(9)});
    EXPECT_EQ(cache.count(), 4u);
    EXPECT_EQ(cache.memoryUsed(), kept);
    EXPECT_EQ(cache.cached(id, 128), small);
    EXPECT_FALSE(cache.bestCached(fixedID(3), 512));
}

TEST(ThumbnailCache, PixelsArePremultipliedInNativeWordOrder) {
    RgbaImage straight{2, 1, {200, 100, 50, 128, 10, 20, 30, 255}};
    const PremultipliedImage out = premultiplied(straight);
    ASSERT_EQ(out.pixels.size(), 8u);
    std::uint32_t words[2];
    std::memcpy(words, out.pixels.data(), sizeof words);
    EXPECT_EQ(words[0], 0x80643219u);  // A 128, R 100, G 50, B 25
    EXPECT_EQ(words[1], 0xFF0A141Eu);
}

TEST(ThumbnailCache, RequestsForOneKeyShareOneDecode) {
    ThumbnailCache cache(ThumbnailCache::Options{.threads = 2});
    TaskQueue queue;
    const Uuid id = fixedID(6);
    const Bytes bytes = fixtureBytes("picture.png");  // 64 by 40: never enlarged
    std::vector<ThumbnailImage> got;
    auto keep = [&](ThumbnailImage image) { got.push_back(std::move(image)); };
    cache.request(requestFor(id, bytes, 200), queue.executor(), keep);
    cache.request(requestFor(id, bytes, 256), queue.executor(), keep);
    cache.request(requestFor(id, bytes, 129), queue.executor(), keep);
    cache.request(requestFor(fixedID(7), fixtureBytes("text.jpg"), 256), queue.executor(), keep);
    ASSERT_TRUE(queue.run(4));
    ASSERT_EQ(got.size(), 4u);
    std::sort(got.begin(), got.end());  // the failure (null) first
    EXPECT_FALSE(got[0]);
    ASSERT_TRUE(got[1]);
    EXPECT_EQ(got[1]->width * 1000 + got[1]->height, 64040);
    EXPECT_EQ(got[2], got[1]);
    EXPECT_EQ(got[3], got[1]);
    EXPECT_EQ(cache.stats().decoded, 2u);
    EXPECT_EQ(cache.cached(id, 256), got[1]);
    EXPECT_EQ(cache.sizesByID(), (std::map<Uuid, std::set<int>>{{id, {256}}}));

    // Served from memory, still through the executor.
    cache.request(requestFor(id, bytes, 256), queue.executor(), keep);
    ASSERT_TRUE(queue.run(1));
    EXPECT_EQ(got.back(), got[1]);
    EXPECT_EQ(cache.stats().decoded, 2u);
}

TEST(ThumbnailCache, CancelledGenerationsNeverReachTheirCallbacks) {
    ThumbnailCache cache(ThumbnailCache::Options{.threads = 1});
    TaskQueue queue;
    const Bytes bytes = fixtureBytes("orient-3.jpg");
    const std::uint64_t old = cache.newGeneration(), current = cache.newGeneration();
    std::vector<int> delivered;
    auto note = [&](int n) { return [&delivered, n](ThumbnailImage) { delivered.push_back(n); }; };
    std::promise<void> release = holdThePool(cache, bytes);
    for (int n = 0; n < 6; ++n)
        cache.request(requestFor(fixedID(std::uint8_t(n)), bytes, 128, old), queue.executor(),
                      note(n));
    cache.cancel(old);
    cache.request(requestFor(fixedID(20), bytes, 128, current), queue.executor(), note(20));
    release.set_value();
    ASSERT_TRUE(queue.run(1));
    EXPECT_EQ(delivered, std::vector<int>{20});
    EXPECT_EQ(cache.stats().decoded, 2u);  // the cancelled requests were never decoded

    // A callback already handed to its executor is dropped when its generation is cancelled
    // before it runs.
    cache.request(requestFor(fixedID(21), bytes, 128, current), queue.executor(), note(21));
    while (queue.pending() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    cache.cancel(current);
    ASSERT_TRUE(queue.run(1));
    EXPECT_EQ(delivered, std::vector<int>{20});
    cache.request(requestFor(fixedID(22), bytes, 128, current), queue.executor(), note(22));
    cache.request(requestFor(fixedID(23), bytes, 128), queue.executor(), note(23));
    ASSERT_TRUE(queue.run(1));
    EXPECT_EQ(delivered, (std::vector<int>{20, 23}));
}

TEST(ThumbnailCache, HigherPrioritiesAreServedFirstAndAJoinRaisesOne) {
    ThumbnailCache cache(ThumbnailCache::Options{.threads = 1});
    TaskQueue queue;
    const Bytes bytes = fixtureBytes("orient-3.jpg");
    std::vector<int> delivered;
    auto note = [&](int n) { return [&delivered, n](ThumbnailImage) { delivered.push_back(n); }; };
    std::promise<void> release = holdThePool(cache, bytes);
    for (int n = 0; n < 5; ++n)
        cache.request(requestFor(fixedID(std::uint8_t(n)), bytes, 128), queue.executor(), note(n));
    auto urgent = [&](std::uint8_t n) {
        auto request = requestFor(fixedID(n), bytes, 128);
        request.priority = 2;
        return request;
    };
    cache.request(urgent(10), queue.executor(), note(10));
    cache.request(urgent(3), queue.executor(), note(13));  // joins the waiting request of 3
    release.set_value();
    ASSERT_TRUE(queue.run(7));
    // The two urgent ones in either order (the lookup thread may finish either first), then the
    // others oldest first.
    ASSERT_EQ(delivered.size(), 7u);
    std::sort(delivered.begin(), delivered.begin() + 3);
    EXPECT_EQ(delivered, (std::vector<int>{3, 10, 13, 0, 1, 2, 4}));
}

TEST(ThumbnailCache, LeastRecentlyUsedLeavesFirstWhenOverBudget) {
    const Bytes bytes = fixtureBytes("picture.png");
    const std::size_t one = 64 * 40 * 4;
    ThumbnailCache cache(one * 2 + 1024);  // two thumbnails and their bookkeeping, not three
    auto get = [&](std::uint8_t n) { return cache.thumbnail(fixedID(n), bytes, 64); };
    auto a = get(1), b = get(2);
    EXPECT_EQ(get(1), a);  // a is now the more recent
    auto c = get(3);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(cache.count(), 2u);
    EXPECT_LE(cache.memoryUsed(), one * 2 + 1024);
    EXPECT_EQ(get(1), a);
    EXPECT_EQ(get(3), c);
    auto remade = get(2);
    ASSERT_TRUE(remade);
    EXPECT_NE(remade, b);
    EXPECT_EQ(*remade, *b);
    EXPECT_EQ(cache.sizesByID().size(), 3u);  // evicted sizes stay listed as made

    // A thumbnail larger than the whole budget is handed out but not kept.
    ThumbnailCache small(one / 2);
    EXPECT_TRUE(small.thumbnail(fixedID(4), bytes, 64));
    EXPECT_EQ(small.count() + small.memoryUsed(), 0u);
}

// Threads asking for the same keys at once, each in its own order, get one image per key.
TEST(ThumbnailCache, ConcurrentRequestsAgreeOnOneImagePerKey) {
    ThumbnailCache cache;
    const std::vector<Bytes> pictures{fixtureBytes("picture.png"), fixtureBytes("orient-3.jpg")};
    constexpr int kThreads = 8, kKeys = 6;  // two pictures at sizes 16, 24 and 32
    const auto request = [&](int k) {
        return cache.thumbnail(fixedID(std::uint8_t(k % 2)), pictures[k % 2], 8 * (k / 2 + 2));
    };
    std::vector<std::vector<ThumbnailImage>> seen(kThreads, std::vector<ThumbnailImage>(kKeys));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < kKeys; ++round)
                seen[t][(round + t * 5) % kKeys] = request((round + t * 5) % kKeys);
        });
    for (auto& thread : threads)
        thread.join();
    for (int k = 0; k < kKeys; ++k)
        for (int t = 0; t < kThreads; ++t)
            EXPECT_TRUE(seen[t][k] && seen[t][k] == request(k)) << t << " " << k;
}

// The shared cache is destroyed at exit while its pool still files thumbnails on disk, each
// checked against its digest: that must not use the digest library after it has been cleaned up.
// The shared cache is made before anything else hashes, as in a program that shows thumbnails
// before it imports.
TEST(ThumbnailCache, SharedCacheExitsCleanlyWithDiskWritesPending) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process with a fresh shared cache
    testing::TempDir folder;
    ::setenv("XDG_CACHE_HOME", folder.path().c_str(), 1);
    auto exitWithWritesPending = [] {
        ThumbnailCache& cache = ThumbnailCache::shared();
        const Bytes photo = fixtureBytes("orient-1.jpg");
        constexpr int kCopies = 48;
        std::atomic<int> delivered = 0;
        for (int i = 0; i < kCopies; ++i) {
            // A comment segment after the start marker: the same picture under its own digest.
            const std::string text = "copy " + std::to_string(i);
            std::vector<std::uint8_t> bytes(photo.begin(), photo.begin() + 2);
            bytes.insert(bytes.end(), {0xFF, 0xFE, 0, std::uint8_t(text.size() + 2)});
            bytes.insert(bytes.end(), text.begin(), text.end());
            bytes.insert(bytes.end(), photo.begin() + 2, photo.end());
            const Bytes copy(std::move(bytes));
            cache.request(
                ThumbnailCache::Request{fixedID(std::uint8_t(i)), copy, sha256Hex(copy), 512, 0},
                [](std::function<void()> task) { task(); },
                [&](const ThumbnailImage&) { ++delivered; });
        }
        while (delivered < kCopies)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::exit(0);
    };
    EXPECT_EXIT(exitWithWritesPending(), ::testing::ExitedWithCode(0), "");
}

namespace fs = std::filesystem;

struct Picture {
    Uuid id;
    Bytes bytes;
    std::string sha256;
};

Picture picture(const std::string& name, std::uint8_t n) {
    Bytes bytes = testing::fixtureBytes(name);
    return {testing::fixedUuid(n), bytes, sha256Hex(bytes)};
}

// Asks `cache` for `picture` at `size` and waits for the answer, delivered on a pool thread.
ThumbnailImage fetch(ThumbnailCache& cache, const Picture& picture, int size) {
    std::promise<ThumbnailImage> answer;
    auto ready = answer.get_future();
    cache.request(
        {picture.id, picture.bytes, picture.sha256, size, 0},
        [](std::function<void()> task) { task(); },
        [&answer](ThumbnailImage image) { answer.set_value(std::move(image)); });
    return ready.get();
}

// A cache over `folder` as a fresh run of the program would make it. Destroying it waits for its
// disk writes.
std::unique_ptr<ThumbnailCache> run(const fs::path& folder) {
    return std::make_unique<ThumbnailCache>(
        ThumbnailCache::Options{.disk = std::make_shared<ThumbnailDiskCache>(folder)});
}

int largestDifference(const PremultipliedImage& a, const PremultipliedImage& b) {
    int largest = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        largest = std::max(largest, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return largest;
}

TEST(ThumbnailDiskCache, AReopenedDeckIsShownWithoutDecodingAndDamagedFilesAreWrittenAgain) {
    testing::TempDir folder;
    const Picture photo = picture("orient-6.jpg", 1), withAlpha = picture("alpha.png", 2);
    ThumbnailImage photoMade, alphaMade;
    {
        auto first = run(folder.path());
        photoMade = fetch(*first, photo, 512);
        alphaMade = fetch(*first, withAlpha, 512);
        ASSERT_TRUE(photoMade && alphaMade);
        EXPECT_EQ(first->stats().decoded, 2u);
    }
    {
        auto second = run(folder.path());
        auto photoKept = fetch(*second, photo, 300);
        auto alphaKept = fetch(*second, withAlpha, 500);
        EXPECT_EQ(second->stats().decoded, 0u);
        EXPECT_EQ(second->stats().fromDisk, 2u);
        ASSERT_TRUE(photoKept && alphaKept);
        EXPECT_EQ(*alphaKept, *alphaMade);  // pictures with alpha are kept losslessly
        ASSERT_EQ(photoKept->width * 10000 + photoKept->height,
                  photoMade->width * 10000 + photoMade->height);
        EXPECT_LE(largestDifference(*photoKept, *photoMade), 24);
        EXPECT_EQ(fetch(*second, photo, 300), photoKept);  // now from memory
        EXPECT_EQ(second->stats().fromDisk, 2u);
    }

    const fs::path photoFile = folder / (photo.sha256 + "-512.thumb");
    const fs::path alphaFile = folder / (withAlpha.sha256 + "-512.thumb");
    ASSERT_TRUE(fs::exists(photoFile) && fs::exists(alphaFile));
    const Bytes photoGood = testing::readFileBytes(photoFile);
    const Bytes alphaGood = testing::readFileBytes(alphaFile);

    // Damaged files are ignored and written again.
    using File = std::vector<std::uint8_t>;
    const std::vector<std::pair<const char*, std::function<void(File&)>>> damages{
        {"empty", [](File& f) { f.clear(); }},
        {"truncated", [](File& f) { f.resize(f.size() / 2); }},
        // A JPEG's quantisation step: the file still decodes, to other pixels.
        {"payload byte",
         [](File& f) {
             const auto dqt = std::string_view((const char*)f.data(), f.size()).find("\xFF\xDB");
             f[dqt == std::string_view::npos ? f.size() - 20 : dqt + 5] ^= 0x01;
         }},
        {"magic", [](File& f) { f[0] = 'X'; }},
        {"width beyond the bucket", [](File& f) { f[9] = 0x7F; }},
        {"codec", [](File& f) { f[16] = 9; }},
    };
    auto damaged = [](const Bytes& good, const std::function<void(File&)>& damage) {
        File file(good.begin(), good.end());
        damage(file);
        return Bytes(std::move(file));
    };
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        testing::writeFileBytes(photoFile, damaged(photoGood, damage));
        testing::writeFileBytes(alphaFile, damaged(alphaGood, damage));
        {
            auto cache = run(folder.path());
            auto image = fetch(*cache, photo, 512);
            ASSERT_TRUE(image);
            EXPECT_EQ(*image, *photoMade);
            EXPECT_TRUE(fetch(*cache, withAlpha, 512));
            EXPECT_EQ(cache->stats().decoded, 2u);
        }
        EXPECT_EQ(testing::readFileBytes(photoFile), photoGood);  // written again
        EXPECT_EQ(testing::readFileBytes(alphaFile), alphaGood);
    }
}

// The decode that proves a picture readable at import leaves its miniature where a later request
// finds it: the navigator of the deck never decodes the picture for it.
TEST(ThumbnailDiskCache, AnImportFilesUprightMiniaturesThatRequestsFindWithoutDecoding) {
    testing::TempDir folder;
    testing::TempDir pictures;
    fs::copy_file(testing::fixturePath("orient-6.jpg"), pictures / "sideways.jpg");
    auto disk = std::make_shared<ThumbnailDiskCache>(folder / "thumbnails");
    ImportPlanOptions options;
    options.staging = StagingFolder::create(folder / "staging");
    options.miniatures = keepImportMiniatures(disk);
    const auto plan = makeImportPlan({pictures.path()}, {}, false, options);
    ASSERT_TRUE(plan && plan->items.size() == 1);
    const ImportItem& item = plan->items[0];

    ThumbnailCache cache(ThumbnailCache::Options{.disk = disk});
    const Picture imported{testing::fixedUuid(1), *item.data.read(), item.sha256};
    const ThumbnailImage miniature = fetch(cache, imported, importCheckThumbnailSize);
    EXPECT_EQ(cache.stats().decoded, 0u);
    EXPECT_EQ(cache.stats().fromDisk, 1u);
    // Stored 40 x 64, shown 64 x 40: the same pixels a decode of the bucket gives.
    const PremultipliedImage decoded =
        premultiplied(*decodeThumbnail(imported.bytes, importCheckThumbnailSize));
    ASSERT_TRUE(miniature);
    ASSERT_EQ(std::pair(miniature->width, miniature->height), std::pair(64, 40));
    EXPECT_LE(largestDifference(*miniature, decoded), 24);
}

TEST(ThumbnailDiskCache, OnlyTheDigestOfTheDecodedBytesNamesAFile) {
    testing::TempDir folder;
    Picture lying = picture("picture.png", 3);
    lying.sha256 = picture("alpha.png", 4).sha256;  // a damaged project file's digest
    Picture hostile = picture("picture.webp", 5);
    hostile.sha256 = "../../" + std::string(58, 'a');
    Picture upperCase = picture("picture.bmp", 6);
    for (char& c : upperCase.sha256)
        c = char(std::toupper(c));
    {
        auto cache = run(folder.path());
        for (const Picture* p : {&lying, &hostile, &upperCase})
            EXPECT_TRUE(fetch(*cache, *p, 128));
    }
    EXPECT_TRUE(fs::is_empty(folder.path()));
    EXPECT_FALSE(fs::exists(folder.path().parent_path().parent_path() / std::string(58, 'a')));
}

TEST(ThumbnailDiskCache, LeastRecentlyUsedFilesLeavePastTheCapacity) {
    testing::TempDir folder;
    PremultipliedImage image{64, 64, std::vector<std::uint8_t>(64 * 64 * 4)};
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = (i % 4 == 3) ? 255 : std::uint8_t(i * 7 / 3);
    const std::string a(64, 'a'), b(64, 'b'), c(64, 'c');
    std::uint64_t one = 0;
    {
        ThumbnailDiskCache probe(folder / "probe");
        probe.store(a, 128, image);
        one = probe.bytesOnDisk();
    }
    ASSERT_GT(one, 0u);
    const fs::path kept = folder / "kept";
    ThumbnailDiskCache disk(kept, one * 5 / 2);
    disk.store(a, 128, image);
    disk.store(b, 128, image);
    EXPECT_TRUE(disk.load(a, 128));  // a is now used more recently than b
    disk.store(c, 128, image);
    EXPECT_TRUE(disk.load(a, 128));
    EXPECT_FALSE(disk.load(b, 128));
    EXPECT_TRUE(disk.load(c, 128));
    EXPECT_LE(disk.bytesOnDisk(), one * 5 / 2);
    // A new run counts the same files, and removes what a crashed writer left.
    const fs::path leftover = kept / ".Mosavelle-crashed.thumb";
    testing::writeFileBytes(leftover, Bytes(std::string_view("partial")));
    EXPECT_EQ(ThumbnailDiskCache(kept).bytesOnDisk(), one * 2);
    EXPECT_FALSE(fs::exists(leftover));
    // A use in one run counts in the next: files are ordered by their times on disk.
    const auto file = [&](const std::string& key) { return kept / (key + "-128.thumb"); };
    fs::last_write_time(file(a), fs::file_time_type::clock::now() - std::chrono::hours(2));
    fs::last_write_time(file(c), fs::file_time_type::clock::now() - std::chrono::hours(1));
    EXPECT_TRUE(ThumbnailDiskCache(kept).load(a, 128));
    ThumbnailDiskCache(kept, one * 5 / 2).store(b, 128, image);
    EXPECT_TRUE(fs::exists(file(a)) && !fs::exists(file(c)));

    // A folder that is a link is not ours: nothing is written into its target or changed there.
    fs::permissions(folder / "probe", fs::perms(0755));
    fs::create_directory_symlink(folder / "probe", folder / "link");
    ThumbnailDiskCache linked(folder / "link");
    linked.store(b, 128, image);
    EXPECT_FALSE(linked.load(a, 128));
    EXPECT_EQ(testing::namesIn(folder / "probe").size(), 1u);
    EXPECT_EQ(fs::status(folder / "probe").permissions(), fs::perms(0755));
}

}  // namespace
}  // namespace mosavelle
