#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/model/project.h"

namespace mosavelle {
namespace {

TEST(RGBAColor, HexStringRoundsHalvesAwayFromZero) {
    EXPECT_EQ((RGBAColor{0.15, 0.15, 0.15, 1}).hexString(), "262626");
    EXPECT_EQ((RGBAColor{0.95, 0.95, 0.97, 1}).hexString(), "F2F2F7");
    EXPECT_EQ((RGBAColor{0, 0, 0, 1}).hexString(), "000000");
    EXPECT_EQ((RGBAColor{1, 1, 1, 0}).hexString(), "FFFFFF");
    EXPECT_EQ((RGBAColor{0.5, 0.5, 0.5, 1}).hexString(), "808080");
}

TEST(RGBAColor, HexStringIsSixDigitsForAnyDouble) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ((RGBAColor{-3, 7, 1e308, 1}).hexString(), "00FFFF");
    EXPECT_EQ((RGBAColor{nan, inf, -inf, 1}).hexString(), "000000");
    EXPECT_EQ((RGBAColor{-0.0, std::numeric_limits<double>::denorm_min(), 0.999999, 1}).hexString(),
              "0000FF");
}

TEST(Project, FactoryDeckHoldsTheDocumentedDefaults) {
    const Project& p = defaultProject();
    EXPECT_EQ(p.formatVersion, 1);
    EXPECT_TRUE(p.images.empty() && p.slides.empty());
    EXPECT_EQ(p.sort, SortMode::manual);
    EXPECT_EQ(p.export_.quality, QualityPreset::best);
    EXPECT_EQ(p.export_.suggestedBaseName, "Presentation");
    const auto& a = p.appearance;
    EXPECT_EQ(a.slideSize, SlideSizePreset::widescreen);
    EXPECT_EQ(a.background, BackgroundKind::white);
    EXPECT_EQ(a.customBackground, (RGBAColor{0.95, 0.95, 0.97, 1.0}));
    EXPECT_EQ(a.margins, (Margins{0.3, 0.3, 0.3, 0.3}));
    EXPECT_EQ(a.typography.fontName, "Calibri");
    EXPECT_EQ(a.typography.titlePoints, 28);
    EXPECT_EQ(a.typography.bodyPoints, 16);
    EXPECT_EQ(a.typography.bodyColor, (RGBAColor{0.15, 0.15, 0.15, 1.0}));
    EXPECT_TRUE(a.typography.titleBold);
    EXPECT_FALSE(a.branding.logoFileName);
    EXPECT_EQ(a.branding.logoPosition, CornerPosition::topTrailing);
    EXPECT_EQ(a.branding.logoMaxHeightInches, 0.4);
    EXPECT_EQ(a.branding.numberPosition, CornerPosition::bottomTrailing);
    EXPECT_EQ(a.defaultPlacement, (Placement{SizingMode::fit, {0.5, 0.5}, 0, 1.0}));
    EXPECT_EQ(a.filenameCleanup, (FilenameCleanup{false, true, false}));
}

TEST(Project, FactorySlidesUseFreshIdentifiers) {
    auto id = Uuid::random();
    Slide a = singleImageSlide(id, "Beach");
    Slide b = singleImageSlide(id, "Beach");
    EXPECT_NE(a.id, b.id);
    ASSERT_EQ(a.slots.size(), 1u);
    EXPECT_NE(a.slots[0].id, b.slots[0].id);
    EXPECT_EQ(a.slots[0].imageID, id);
    EXPECT_EQ(a.slots[0].caption, "Beach");
    EXPECT_EQ(a.layout, SlideLayoutKind::oneImage);
    EXPECT_EQ(a.captionPoints, 16);
    Slide s = sectionDividerSlide();
    EXPECT_EQ(s.layout, SlideLayoutKind::section);
    EXPECT_EQ(s.title, "Section");
    EXPECT_TRUE(s.slots.empty());
    EXPECT_NE(emptySlot().id, emptySlot().id);
}

TEST(Project, DerivedListsKeepDeckOrder) {
    Project p;
    for (int i = 0; i < 4; ++i)
        p.slides.push_back(sectionDividerSlide());
    p.slides[1].isExcluded = true;
    auto included = p.includedSlides();
    ASSERT_EQ(included.size(), 3u);
    EXPECT_EQ(included[0].id, p.slides[0].id);
    EXPECT_EQ(included[1].id, p.slides[2].id);
    for (auto& s : p.slides)
        s.isExcluded = true;
    EXPECT_TRUE(p.includedSlides().empty());
    EXPECT_EQ(p.slides.size(), 4u);

    SourceImage a, b, c;
    a.id = Uuid::random();
    b.id = Uuid::random();
    c.id = b.id;  // duplicate identifiers: the first one wins
    b.importError = "broken";
    c.storedFileName = "second";
    p.images = {a, b, c};
    ASSERT_TRUE(p.sourceImage(b.id));
    EXPECT_EQ(p.sourceImage(b.id)->importError, "broken");
    EXPECT_FALSE(p.sourceImage(Uuid::random()));
    ASSERT_EQ(p.unusableImages().size(), 1u);
}

TEST(Project, EqualityComparesEveryNestedField) {
    Project a;
    a.slides.push_back(singleImageSlide(Uuid::random(), "x"));
    Project b = a;
    EXPECT_EQ(a, b);
    b.slides[0].slots[0].caption = "y";
    EXPECT_NE(a, b);
    b = a;
    b.appearance.branding.logoFileName = "logo.png";
    EXPECT_NE(a, b);
}

TEST(Enums, CaseNamesRoundTripAndAreCaseSensitive) {
    for (auto layout : allCases<SlideLayoutKind>())
        EXPECT_EQ(parseCase<SlideLayoutKind>(caseName(layout)), layout);
    EXPECT_FALSE(parseCase<SlideLayoutKind>("TwoUp"));
    EXPECT_EQ(caseName(SortMode::reverseCaptureDate), "reverseCaptureDate");
    EXPECT_EQ(slotCount(SlideLayoutKind::fourGrid), 4);
    EXPECT_EQ(slotCount(SlideLayoutKind::section), 0);
    EXPECT_EQ(defaultScale(SizingMode::percent125), 1.25);
    EXPECT_EQ(defaultScale(SizingMode::percent75), 0.75);
    EXPECT_EQ(defaultScale(SizingMode::custom), 1.0);
}

}  // namespace
}  // namespace mosavelle
