#include <gtest/gtest.h>

#include <limits>

#include "core/model/project.h"

namespace mosavelle {
namespace {

TEST(RGBAColor, HexStringRoundsHalvesUpAndIsSixDigitsForAnyDouble) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<RGBAColor, const char*> cases[] = {
        {{0.15, 0.15, 0.15, 1}, "262626"},
        {{0.95, 0.95, 0.97, 1}, "F2F2F7"},
        {{0.5, 0.5, 0.5, 1}, "808080"},
        {{-3, 7, 1e308, 1}, "00FFFF"},
        {{nan, inf, -inf, 1}, "000000"},
        {{-0.0, std::numeric_limits<double>::denorm_min(), 0.999999, 1}, "0000FF"},
    };
    for (const auto& [color, hex] : cases)
        EXPECT_EQ(color.hexString(), hex);
}

TEST(Project, DerivedListsKeepDeckOrderAndTheFirstOfDuplicateIdentifiers) {
    Project p;
    for (int i = 0; i < 4; ++i)
        p.slides.push_back(sectionDividerSlide());
    p.slides[1].isExcluded = true;
    auto included = p.includedSlides();
    ASSERT_EQ(included.size(), 3u);
    EXPECT_EQ(included[0].id, p.slides[0].id);
    EXPECT_EQ(included[1].id, p.slides[2].id);

    SourceImage a, b, c;
    a.id = Uuid::random();
    b.id = c.id = Uuid::random();
    b.importError = "broken";
    c.storedFileName = "second";
    p.images = {a, b, c};
    ASSERT_TRUE(p.sourceImage(b.id));
    EXPECT_EQ(p.sourceImage(b.id)->importError, "broken");
    EXPECT_FALSE(p.sourceImage(Uuid::random()));
    ASSERT_EQ(p.unusableImages().size(), 1u);
}

TEST(SharedList, CopiesAreIndependentValuesThatShareWhatTheyDidNotChange) {
    SlideList original{sectionDividerSlide(), sectionDividerSlide(), sectionDividerSlide()};
    SlideList copy = original;
    copy[1].title = "Changed";  // a write through the copy
    copy.push_back(sectionDividerSlide());
    EXPECT_EQ(original[1].title, "Section");
    EXPECT_EQ(original.size(), 3u);
    EXPECT_TRUE(original.sameElement(0, copy, 0));
    EXPECT_FALSE(original.sameElement(1, copy, 1));
    EXPECT_TRUE(original.sameElement(2, copy, 2));

    for (auto& slide : original)  // mutable iteration writes only the list iterated
        slide.notes = "n";
    EXPECT_EQ(copy[0].notes, "");
    EXPECT_NE(original, copy);
    copy = original;
    EXPECT_EQ(copy, original);
    SlideList other(std::vector<Slide>(original.begin(), original.end()));  // same values, own
    EXPECT_EQ(other, original);

    SlideList moved = std::move(copy);
    EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): moved-from lists are empty
    copy.push_back(moved.handle(2));
    copy.insert(copy.cbegin(), moved);
    ASSERT_EQ(copy.size(), 4u);
    EXPECT_TRUE(copy.sameElement(3, moved, 2));
    copy.edit(3).title = "Own";
    EXPECT_EQ(moved[2].title, "Section");
    EXPECT_EQ(copy.removeIf([](const Slide& s) { return s.title == "Own"; }), 1u);
    copy.permute({2, 0, 1});
    EXPECT_EQ(copy[0].id, moved[2].id);
    copy.swapElements(0, 2);
    EXPECT_EQ(copy[2].id, moved[2].id);
}

}  // namespace
}  // namespace mosavelle
