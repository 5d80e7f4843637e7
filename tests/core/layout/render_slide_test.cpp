#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <limits>
#include <string>

#include "core/layout/geometry.h"
#include "core/layout/text_color.h"
#include "core/layout/text_fit.h"
#include "core/layout/text_layout.h"
#include "core/layout/warnings.h"
#include "core/model/image_index.h"
#include "layout_test_util.h"

namespace mosavelle {
namespace {

using enum SlideLayoutKind;
using Warnings = std::vector<SlideWarning>;

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
}

TEST(Warnings, TextOverflowIsEstimatedFromBoxAndFontSizeAndAPictureOutsideHasItsSentence) {
    const InchRect captionBox{0, 0, 6.2667, 0.4};
    EXPECT_FALSE(textOverflows(repeat("c", 84), captionBox, 16));
    EXPECT_TRUE(textOverflows(repeat("c", 85), captionBox, 16));
    // A box too small for one line still holds one line of eight characters (9.2 with allowance).
    // A stray continuation byte is one character to the segmenter, so it counts as one here too.
    for (const std::string& unit : {std::string("c"), std::string("\x80")}) {
        EXPECT_FALSE(textOverflows(repeat(unit, 9), InchRect{}, 16));
        EXPECT_TRUE(textOverflows(repeat(unit, 10), InchRect{}, 16));
    }
    // The other sentences are checked where the tool prints them.
    EXPECT_EQ(warningMessage(SlideWarning::overflowsSlide(Uuid::random())),
              "Part of this image extends outside the slide.");
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

}  // namespace
}  // namespace mosavelle
