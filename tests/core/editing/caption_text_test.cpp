#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/editing/caption_text.h"

namespace mosavelle {
namespace {

TEST(CaptionFromFileName, AppliesEachSwitchOnItsOwn) {
    EXPECT_EQ(captionFromFileName("01_Beach-day.jpeg", true, true), "Beach day");
    EXPECT_EQ(captionFromFileName("01_Beach-day.jpeg", true, false), "01 Beach day");
    EXPECT_EQ(captionFromFileName("01_Beach-day.jpeg", false, false), "01_Beach-day");
    EXPECT_EQ(captionFromFileName("01_Beach-day.jpeg", false, true), "Beach-day");
    EXPECT_EQ(captionFromFileName("2019.png", true, true), "");
    EXPECT_EQ(captionFromFileName("photo.final.jpg", false, false), "photo.final");
    EXPECT_EQ(captionFromFileName("photo.final.jpg", true, false), "photo final");
    EXPECT_EQ(captionFromFileName("a__..--b.png", true, false), "a b");
}

TEST(CaptionFromFileName, StripsOnlyALeadingNumber) {
    EXPECT_EQ(captionFromFileName(" _-12 - Summer 2019.jpg", false, true), "Summer 2019");
    EXPECT_EQ(captionFromFileName("Summer 2019.jpg", false, true), "Summer 2019");
    EXPECT_EQ(captionFromFileName("\u0661\u0662 Night.jpg", false, true), "Night");
    EXPECT_EQ(captionFromFileName("12a.jpg", false, true), "a");
}

TEST(CaptionFromFileName, NamesWithoutExtensionAndUnicodeSpaceAtTheEnds) {
    EXPECT_EQ(captionFromFileName("README", true, true), "README");
    EXPECT_EQ(captionFromFileName(".hidden", true, false), "hidden");
    EXPECT_EQ(captionFromFileName("\u3000Tokyo\u00A0.jpg", false, false), "Tokyo");
    EXPECT_EQ(captionFromFileName("", true, true), "");
}

TEST(TrimmedWhitespace, RemovesUnicodeSpaceAndLineBreaksAtBothEndsOnly) {
    EXPECT_EQ(trimmedWhitespace(" \t\n a  b \r\n"), "a  b");
    EXPECT_EQ(trimmedWhitespace("\u2028\u00A0x\u3000"), "x");
    EXPECT_EQ(trimmedWhitespace(" \n "), "");
    EXPECT_EQ(trimmedWhitespace("\xFF"), "\xFF");
}

Project deckWithTitles(const std::vector<std::string>& titles) {
    Project project;
    for (const auto& title : titles) {
        Slide slide = singleImageSlide(Uuid::random(), "");
        slide.title = title;
        project.slides.push_back(slide);
    }
    return project;
}

std::vector<std::string> titles(const Project& project) {
    std::vector<std::string> out;
    for (const auto& slide : project.slides)
        out.push_back(slide.title);
    return out;
}

using Titles = std::vector<std::string>;

TEST(RenumberDefaultTitles, FollowsPositionsAndKeepsTypedTitles) {
    Project project = deckWithTitles({"Slide 1", "Slide 3", "Holiday"});
    renumberDefaultTitles(project);
    EXPECT_EQ(titles(project), (Titles{"Slide 1", "Slide 2", "Holiday"}));

    project = deckWithTitles({"slide 3", "Slide 3b", " Slide 7 \n", "Slide  4", "Slide 12", "x"});
    renumberDefaultTitles(project);
    EXPECT_EQ(titles(project),
              (Titles{"slide 3", "Slide 3b", "Slide 3", "Slide  4", "Slide 5", "x"}));

    project = deckWithTitles({"Slide \u0669", "Slide 9\n\n", "Slide"});
    renumberDefaultTitles(project);
    EXPECT_EQ(titles(project), (Titles{"Slide 1", "Slide 2", "Slide"}));
}

TEST(RenumberDefaultTitles, TitlesEmptyMultiPictureSlidesOnly) {
    Project project = deckWithTitles({"", "", "", "  ", ""});
    project.slides[0].layout = SlideLayoutKind::section;
    project.slides[1].isExcluded = true;
    project.slides[2].layout = SlideLayoutKind::imageTitleCaption;
    project.slides[3].layout = SlideLayoutKind::fourGrid;
    project.slides[4].layout = SlideLayoutKind::twoUp;
    renumberDefaultTitles(project);
    EXPECT_EQ(titles(project), (Titles{"", "", "", "Slide 4", "Slide 5"}));
}

TEST(DefaultTitle, MatchesThePatternOnTheUntrimmedText) {
    EXPECT_TRUE(isDefaultTitle("Slide 4"));
    EXPECT_TRUE(isDefaultTitle("Slide \uFF14"));  // a full-width digit is a decimal digit
    EXPECT_TRUE(isDefaultTitle("Slide 4\n"));     // `$` before a final line break
    EXPECT_FALSE(isDefaultTitle(" Slide 4"));
    EXPECT_FALSE(isDefaultTitle("Slide 4 "));
    EXPECT_FALSE(isDefaultTitle("Slide 4\nSlide 5"));
    EXPECT_FALSE(isDefaultTitle("Slide "));
    EXPECT_FALSE(isDefaultTitle("SLIDE 4"));
}

}  // namespace
}  // namespace mosavelle
