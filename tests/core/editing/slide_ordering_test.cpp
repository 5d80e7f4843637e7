#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/editing/ordering.h"
#include "support/deck_support.h"

namespace mosavelle {
namespace {

using namespace std::chrono;

std::string orderName(std::weak_ordering order) {
    return order < 0 ? "ascending" : order > 0 ? "descending" : "same";
}

std::string compared(std::string_view a, std::string_view b) {
    return orderName(compareFileNames(a, b));
}

TEST(CompareFileNames, WorkedOrders) {
    struct Case {
        const char *a, *b, *order;
    };
    for (const Case& c : std::vector<Case>{
             // Digit runs compare by value, at any length, in any script's decimal digits.
             {"IMG2", "img10", "ascending"},
             {"a2b10", "a2b9", "descending"},
             {"18446744073709551617", "18446744073709551616", "descending"},
             {"img\u0663", "img10", "ascending"},
             // A run sorts among other characters where its first digit would.
             {"a!", "a1", "ascending"},
             {"a:", "a1", "descending"},
             {"a7", "a7b", "ascending"},
             {"a7b", "a70", "ascending"},
             // Case, marks and width are ignored; a mark is gone, not sorted as U+00E9.
             {"\u00C9t\u00E9", "ete", "same"},
             {"E\u0301te\u0301", "\u00C9T\u00C9", "same"},
             {"\uFF29\uFF2D\uFF27\uFF11", "img1", "same"},
             {"\uFF76", "\u30AB", "same"},
             {"Stra\u00DFe", "STRASSE", "same"},
             {"\u00E9", "f", "ascending"},
             // Leading zeros decide only when all else is equal; the first differing run decides.
             {"a7", "a07", "ascending"},
             {"0", "00", "ascending"},
             {"A07", "a7", "descending"},
             {"a07b", "a7c", "ascending"},
             {"a07x9", "a7x10", "ascending"},
             {"7-08", "07-8", "ascending"},
         }) {
        EXPECT_EQ(compared(c.a, c.b), c.order) << c.a << " | " << c.b;
    }
}

TEST(CompareFileNames, IsAConsistentStrictWeakOrder) {
    const std::vector<std::string> names = {
        "a7",  "a07", "A7",    "a007",   "b",       "B",  "\u00E9t\u00E9", "ete", "ete1",
        "10",  "9",   "010",   "a!",     "a1",      "a:", "\uFF21\uFF17",  "",    " ",
        "a7b", "a70", "x.jpg", "x_.jpg", "x-1.jpg", "x1", "\u0663",        "3",   "z",
    };
    for (const auto& a : names) {
        EXPECT_EQ(compared(a, a), "same") << a;
        for (const auto& b : names) {
            const auto ab = compareFileNames(a, b);
            const auto ba = compareFileNames(b, a);
            EXPECT_EQ(orderName(ab), orderName(0 <=> ba)) << a << " | " << b;
            for (const auto& c : names) {
                if (ab <= 0 && compareFileNames(b, c) <= 0) {
                    EXPECT_TRUE(compareFileNames(a, c) <= 0) << a << " | " << b << " | " << c;
                }
            }
        }
    }
}

struct DeckBuilder {
    Project project;

    Slide& add(const std::string& fileName, std::optional<Timestamp> date = std::nullopt) {
        SourceImage image = testing::pictureRecord(fileName);
        image.captureDate = date;
        project.images.push_back(image);
        project.slides.push_back(singleImageSlide(image.id, ""));
        return project.slides.back();
    }
};

Timestamp at(int year, int second = 0) {
    return sys_days{std::chrono::year{year} / 1 / 1} + seconds{second};
}

std::vector<std::string> keysInOrder(const Project& project, SortMode mode) {
    Project copy = project;
    copy.sort = mode;
    std::vector<std::string> keys;
    for (const auto& slide : sortedSlides(copy))
        keys.push_back(filenameSortKey(slide, copy));
    return keys;
}

using Keys = std::vector<std::string>;

TEST(SortedSlides, NameOrdersUseTitleThenPictureNameStablyAndDateOrdersPutUndatedLast) {
    DeckBuilder deck;
    deck.add("DSC_10.jpg");
    deck.add("Photo.jpg");
    deck.add("dsc_9.jpg");
    deck.add("photo.JPG");  // equivalent to "Photo.jpg": deck order in both directions
    deck.add("DSC_100.jpg");
    deck.add("aaa.jpg").title = "Zebra";
    EXPECT_EQ(keysInOrder(deck.project, SortMode::filename),
              (Keys{"dsc_9.jpg", "DSC_10.jpg", "DSC_100.jpg", "Photo.jpg", "photo.JPG", "Zebra"}));
    EXPECT_EQ(keysInOrder(deck.project, SortMode::reverseFilename),
              (Keys{"Zebra", "Photo.jpg", "photo.JPG", "DSC_100.jpg", "DSC_10.jpg", "dsc_9.jpg"}));
    EXPECT_EQ(keysInOrder(deck.project, SortMode::manual),
              (Keys{"DSC_10.jpg", "Photo.jpg", "dsc_9.jpg", "photo.JPG", "DSC_100.jpg", "Zebra"}));

    // Date orders put undated slides last and never reverse the name tie-break.
    deck = DeckBuilder();
    deck.add("scan.png");
    deck.add("b2020.jpg", at(2020));
    deck.add("z-same.jpg", at(2021, 5));
    deck.add("c2022.jpg", at(2022));
    deck.add("a-same.jpg", at(2021, 5));
    deck.add("another scan.png");
    EXPECT_EQ(keysInOrder(deck.project, SortMode::captureDate),
              (Keys{"b2020.jpg", "a-same.jpg", "z-same.jpg", "c2022.jpg", "another scan.png",
                    "scan.png"}));
    EXPECT_EQ(keysInOrder(deck.project, SortMode::reverseCaptureDate),
              (Keys{"c2022.jpg", "a-same.jpg", "z-same.jpg", "b2020.jpg", "another scan.png",
                    "scan.png"}));
}

TEST(SortKeys, OnlyTheFirstSlotCounts) {
    DeckBuilder deck;
    deck.add("plain.jpg", at(2019));
    Slide& slide = deck.add("dated.jpg", at(2019));
    slide.slots.insert(slide.slots.begin(), emptySlot());
    slide.layout = SlideLayoutKind::twoUp;
    EXPECT_FALSE(captureDateSortKey(slide, deck.project));
    EXPECT_EQ(filenameSortKey(slide, deck.project), slide.id.text());

    Slide missing = singleImageSlide(Uuid::random(), "");
    EXPECT_EQ(filenameSortKey(missing, deck.project), missing.id.text());
    EXPECT_FALSE(captureDateSortKey(missing, deck.project));

    Slide spaces = sectionDividerSlide();
    spaces.title = "  ";
    EXPECT_EQ(filenameSortKey(spaces, deck.project), "  ");
    EXPECT_EQ(captureDateSortKey(deck.project.slides.front(), deck.project), at(2019));
}

}  // namespace
}  // namespace mosavelle
