#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/layout/geometry.h"
#include "core/layout/image_index.h"
#include "core/layout/rendered_slide.h"
#include "core/layout/text_fit.h"
#include "core/layout/warnings.h"
#include "layout_test_util.h"

namespace mosavelle {
namespace {

constexpr double contentWidth = 12.7333333333;

std::string repeat(const std::string& unit, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += unit;
    return out;
}

class RenderSlide : public ::testing::Test {
protected:
    // Adds a picture to the deck; 3000 by 2000 pixels at `dpi`.
    Uuid addPicture(double dpi = 300, std::optional<std::string> importError = std::nullopt) {
        SourceImage image;
        image.id = Uuid::random();
        image.pixelWidth = 3000;
        image.pixelHeight = 2000;
        image.dpiX = image.dpiY = dpi;
        image.importError = std::move(importError);
        project.images.push_back(image);
        return image.id;
    }

    static Slide slide(SlideLayoutKind layout, std::vector<std::optional<Uuid>> pictures) {
        Slide s;
        s.layout = layout;
        for (const auto& id : pictures) {
            ImageSlot slot = emptySlot();
            slot.imageID = id;
            s.slots.push_back(slot);
        }
        return s;
    }

    RenderedSlide render(const Slide& s, std::size_t index = 0) const {
        return renderSlide(s, index, project);
    }

    Project project;
};

TEST_F(RenderSlide, SectionTitleFlagsTheFirstCharacterPastItsEstimate) {
    Slide s = sectionDividerSlide();
    s.title = "";
    s.slots.push_back(emptySlot());  // a section shows no pictures, whatever its slots
    RenderedSlide r = render(s);
    EXPECT_TRUE(r.pictures.empty());
    ASSERT_EQ(r.texts.size(), 1u);
    EXPECT_EQ(r.texts[0].text, "Section");
    EXPECT_TRUE(r.texts[0].isTitle);
    EXPECT_EQ(r.texts[0].fontPoints, 28);
    expectRect(r.texts[0].frame, 0.3, 2.715, contentWidth, 2.07);
    EXPECT_TRUE(r.warnings.empty());

    // The box holds 291.5 characters. Characters are user-perceived: an accented letter made of
    // two code points, a flag of two, and a CR LF pair each count once.
    for (const std::string& unit : {std::string("x"), std::string("e\xCC\x81"),
                                    std::string("\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7")}) {
        s.title = repeat(unit, 291);
        EXPECT_TRUE(render(s).warnings.empty()) << unit;
        s.title = repeat(unit, 292);
        r = render(s);
        EXPECT_TRUE(r.texts[0].overflows) << unit;
        EXPECT_EQ(r.warnings, std::vector<SlideWarning>{SlideWarning::textOverflow("title")});
    }
    s.title = repeat("x", 289) + "\r\n" + "x";
    EXPECT_TRUE(render(s).warnings.empty());
}

TEST_F(RenderSlide, TitledSlideAlwaysHasTitleThenCaptionAndOrdersItsWarnings) {
    Slide s = slide(SlideLayoutKind::imageTitleCaption, {});
    RenderedSlide r = render(s);
    ASSERT_EQ(r.texts.size(), 2u);
    EXPECT_TRUE(r.texts[0].isTitle);
    expectRect(r.texts[0].frame, 0.3, 0.3, contentWidth, 0.55);
    EXPECT_FALSE(r.texts[1].isTitle);
    expectRect(r.texts[1].frame, 0.3, 6.75, contentWidth, 0.45);
    EXPECT_TRUE(r.pictures.empty());
    EXPECT_TRUE(r.warnings.empty());

    const Uuid blurry = addPicture(50);  // 60 by 40 inches: overflows and is blurry
    s = slide(SlideLayoutKind::imageTitleCaption, {blurry});
    s.placementOverride = Placement{SizingMode::actual, {}, 0, 1};
    s.title = repeat("T", 500);
    s.slots[0].caption = repeat("c", 500);
    s.captionPoints = 20;
    s.captionAlignment = CaptionAlignment::center;
    r = render(s);
    EXPECT_EQ(r.texts[1].text, s.slots[0].caption);
    EXPECT_EQ(r.texts[1].fontPoints, 20);
    EXPECT_EQ(r.texts[1].alignment, CaptionAlignment::center);
    EXPECT_EQ(r.texts[0].alignment, CaptionAlignment::leading);
    EXPECT_EQ(r.warnings, (std::vector<SlideWarning>{
                              SlideWarning::textOverflow("title"),
                              SlideWarning::overflowsSlide(blurry),
                              SlideWarning::lowResolution(50, blurry),
                              SlideWarning::textOverflow("caption"),
                          }));
}

TEST_F(RenderSlide, TwoUpGivesEveryShownSlotACaptionBoxAndWarnsPerSlot) {
    const Uuid blurry = addPicture(50);
    Slide s = slide(SlideLayoutKind::twoUp, {blurry, Uuid::random(), blurry});
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
    EXPECT_EQ(r.pictures[1].placedDPI, 0);
    EXPECT_EQ(r.warnings, (std::vector<SlideWarning>{
                              SlideWarning::overflowsSlide(blurry),
                              SlideWarning::lowResolution(50, blurry),
                              SlideWarning::missingImage(s.slots[1].imageID),
                              SlideWarning::textOverflow("caption 2"),
                          }));

    // A caption only beyond the shown slots still opens the band for the shown ones.
    s.slots[1].caption = "";
    s.slots[2].caption = "hidden";
    r = render(s);
    ASSERT_EQ(r.texts.size(), 2u);
    EXPECT_EQ(r.texts[0].text + r.texts[1].text, "");
    EXPECT_NEAR(r.pictures[1].frame.height, 6.4, 1e-9);

    // A slot that repeats an earlier slot's identifier is reported under the earlier number.
    s.slots[1].id = s.slots[0].id;
    s.slots[1].caption = repeat("c", 400);
    EXPECT_EQ(render(s).warnings.back(), SlideWarning::textOverflow("caption 1"));
}

TEST_F(RenderSlide, FourGridPlacesAtMostFourSlotsInSlotOrder) {
    std::vector<std::optional<Uuid>> ids;
    for (int i = 0; i < 5; ++i)
        ids.push_back(addPicture());
    Slide s = slide(SlideLayoutKind::fourGrid, ids);
    s.slots[3].caption = "d";
    const RenderedSlide r = render(s);
    ASSERT_EQ(r.pictures.size(), 4u);
    ASSERT_EQ(r.texts.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(r.pictures[i].imageID, *ids[i]);
    EXPECT_EQ(r.texts[3].text, "d");
    expectRect(r.texts[2].frame, 0.3, 6.86, (contentWidth - 0.16) * 0.5, 0.32);
}

TEST_F(RenderSlide, UnusableAndEmptySlotsBecomePlaceholdersOverTheirArea) {
    const Uuid broken = addPicture(300, "This file could not be read as an image.");
    RenderedSlide r = render(slide(SlideLayoutKind::oneImage, {broken}));
    ASSERT_EQ(r.pictures.size(), 1u);
    EXPECT_EQ(r.pictures[0].imageID, broken);
    expectRect(r.pictures[0].frame, 0.3, 0.3, contentWidth, 6.9);
    EXPECT_EQ(r.warnings, std::vector<SlideWarning>{SlideWarning::missingImage(broken)});

    r = render(slide(SlideLayoutKind::oneImage, {std::nullopt}));
    ASSERT_EQ(r.pictures.size(), 1u);
    EXPECT_NE(r.pictures[0].imageID, Uuid());
    expectRect(r.pictures[0].frame, 0.3, 0.3, contentWidth, 6.9);
    EXPECT_EQ(r.warnings, std::vector<SlideWarning>{SlideWarning::missingImage(std::nullopt)});
}

TEST_F(RenderSlide, DeckSettingsReachEverySlide) {
    const Uuid id = addPicture();
    Slide s = slide(SlideLayoutKind::oneImage, {id});
    s.title = "Harbour";
    s.notes = "Say hello.";
    RenderedSlide r = render(s);
    EXPECT_FALSE(r.logo || r.slideNumber || r.numberFrame);
    EXPECT_EQ(r.background, (RGBAColor{1, 1, 1, 1}));
    EXPECT_EQ(r.notes, "Say hello.");
    // Without a logo or a placeholder two renderings are equal; excluding a slide changes nothing.
    Slide excluded = s;
    excluded.isExcluded = true;
    EXPECT_EQ(render(excluded), r);

    // A logo name without stored bytes still reserves its band and draws a frame.
    project.appearance.branding.logoFileName = "logo.png";
    project.appearance.branding.showSlideNumbers = true;
    project.appearance.slideSize = SlideSizePreset::classic;
    project.appearance.background = BackgroundKind::custom;
    r = render(s, 0);
    ASSERT_TRUE(r.logo && r.slideNumber && r.numberFrame);
    EXPECT_EQ(*r.slideNumber, "1");
    expectRect(*r.numberFrame, 9.2, 7.0, 0.6, 0.3);
    expectRect(r.logo->frame, 10 - 0.2 - 1.0, 0.2, 1.0, 0.4);
    EXPECT_EQ(r.logo->placedDPI, 150);
    EXPECT_NE(r.logo->imageID, id);
    EXPECT_NE(render(s).logo->imageID, r.logo->imageID);  // new on every rendering
    EXPECT_EQ(r.size, SlideSizePreset::classic);
    EXPECT_EQ(r.background, project.appearance.customBackground);
    expectRect(r.pictures[0].frame, 0.3 + (9.4 - 9.21) * 0.5, 0.78, 9.21, 6.14);
    EXPECT_EQ(*render(s, 1233).slideNumber, "1234");
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
    EXPECT_EQ(index.find(Uuid::random()), nullptr);

    Slide s = slide(SlideLayoutKind::fourGrid, {project.images[0].id, project.images[5].id,
                                                Uuid::random(), project.images[17].id});
    s.slots[2].caption = "c";
    EXPECT_EQ(renderSlide(s, 7, project, index), render(s, 7));
}

TEST(TextOverflows, EstimatesFromBoxAndFontSize) {
    const InchRect captionBox{0, 0, 6.2667, 0.4};
    EXPECT_FALSE(textOverflows(repeat("c", 84), captionBox, 16));
    EXPECT_TRUE(textOverflows(repeat("c", 85), captionBox, 16));
    EXPECT_FALSE(textOverflows("", InchRect{}, 16));
    // A box too small for one line still holds one line of eight characters (9.2 with allowance).
    EXPECT_FALSE(textOverflows(repeat("c", 9), InchRect{}, 16));
    EXPECT_TRUE(textOverflows(repeat("c", 10), InchRect{}, 16));
    // A stray continuation byte is one character to the segmenter, so it counts as one here too.
    EXPECT_FALSE(textOverflows(repeat("\x80", 9), InchRect{}, 16));
    EXPECT_TRUE(textOverflows(repeat("\x80", 10), InchRect{}, 16));
}

TEST(WarningMessage, GivesTheSentenceOfEachCase) {
    EXPECT_EQ(warningMessage(SlideWarning::overflowsSlide(Uuid::random())),
              "Part of this image extends outside the slide.");
    EXPECT_EQ(warningMessage(SlideWarning::lowResolution(80, Uuid::random())),
              "Image may be blurry when presented.");
    EXPECT_EQ(warningMessage(SlideWarning::missingImage(std::nullopt)),
              "A picture on this slide is missing.");
    EXPECT_EQ(warningMessage(SlideWarning::textOverflow("caption 2")),
              "The caption 2 text is too long for its box.");
}

// A hand-edited project can hold anything; every laid-out length must stay finite and no size
// negative, or the export would write nonsense.
TEST_F(RenderSlide, HostileDeckRendersFiniteNonNegativeFrames) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {nan, inf, -inf, -1e308, 1e308, -5, 0};
    const std::int64_t pixels[] = {0, -7, std::numeric_limits<std::int64_t>::max(), 1};
    std::vector<Uuid> ids;
    for (std::size_t i = 0; i < std::size(values); ++i) {
        SourceImage image;
        image.id = Uuid::random();
        image.pixelWidth = pixels[i % std::size(pixels)];
        image.pixelHeight = pixels[(i + 1) % std::size(pixels)];
        image.dpiX = values[i];
        image.dpiY = values[(i + 3) % std::size(values)];
        project.images.push_back(image);
        ids.push_back(image.id);
    }
    auto finiteRect = [](const InchRect& r) {
        return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) &&
               std::isfinite(r.height) && r.width >= 0 && r.height >= 0;
    };
    for (double v : values) {
        AppearanceSettings& a = project.appearance;
        a.margins = Margins{v, -v, v, v};
        a.branding.logoFileName = "logo.png";
        a.branding.logoMaxHeightInches = v;
        a.branding.showSlideNumbers = true;
        a.typography.titlePoints = v;
        for (SlideLayoutKind layout : allCases<SlideLayoutKind>()) {
            for (SizingMode mode : allCases<SizingMode>()) {
                Slide s = slide(layout, {ids[0], ids[1], ids[2], ids[3]});
                for (std::size_t i = 0; i < s.slots.size(); ++i) {
                    s.slots[i].imageID = ids[(i + static_cast<std::size_t>(mode)) % ids.size()];
                    s.slots[i].caption = "caption";
                    s.slots[i].crop = CropAnchor{v, -v};
                }
                s.captionPoints = v;
                s.placementOverride = Placement{mode, {}, v, v};
                const RenderedSlide r = render(s);
                const std::string where = std::string(caseName(layout)) + "/" +
                                          std::string(caseName(mode)) + "/" + std::to_string(v);
                for (const PictureFrame& p : r.pictures) {
                    EXPECT_TRUE(finiteRect(p.frame)) << where;
                    for (double c : {p.crop.left, p.crop.top, p.crop.right, p.crop.bottom})
                        EXPECT_TRUE(c >= 0 && c <= 1) << where;
                    EXPECT_TRUE(std::isfinite(p.placedDPI) && p.placedDPI >= 0) << where;
                    EXPECT_TRUE(std::isfinite(p.rotationDegrees)) << where;
                }
                for (const TextFrame& t : r.texts) {
                    EXPECT_TRUE(finiteRect(t.frame)) << where;
                    EXPECT_TRUE(std::isfinite(t.fontPoints) && t.fontPoints > 0) << where;
                }
                EXPECT_TRUE(finiteRect(r.logo->frame)) << where;
            }
        }
    }
}

TEST_F(RenderSlide, ZeroResolutionCountsAsSeventyTwo) {
    const Uuid id = addPicture();
    project.images[0].dpiX = 0;
    project.images[0].dpiY = std::numeric_limits<double>::quiet_NaN();
    Slide s = slide(SlideLayoutKind::oneImage, {id});
    s.placementOverride = Placement{SizingMode::actual, {}, 0, 0};  // scale 0: that of actual
    const RenderedSlide r = render(s);
    EXPECT_NEAR(r.pictures[0].frame.width, 3000.0 / 72, 1e-9);
    EXPECT_NEAR(r.pictures[0].frame.height, 2000.0 / 72, 1e-9);
    EXPECT_NEAR(r.pictures[0].placedDPI, 72, 1e-9);
}

}  // namespace
}  // namespace mosavelle
