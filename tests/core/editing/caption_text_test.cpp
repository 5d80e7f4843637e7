#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/editing/caption_text.h"

namespace mosavelle {
namespace {

using Titles = std::vector<std::string>;

TEST(CaptionFromFileName, AppliesEachSwitchAndStripsOnlyALeadingNumber) {
    struct Case {
        const char* name;
        bool separators, number;
        const char* caption;
    };
    for (const Case& c : std::vector<Case>{
             {"01_Beach-day.jpeg", true, true, "Beach day"},
             {"01_Beach-day.jpeg", true, false, "01 Beach day"},
             {"01_Beach-day.jpeg", false, false, "01_Beach-day"},
             {"01_Beach-day.jpeg", false, true, "Beach-day"},
             {"2019.png", true, true, ""},
             {"photo.final.jpg", true, false, "photo final"},
             {"a__..--b.png", true, false, "a b"},
             {" _-12 - Summer 2019.jpg", false, true, "Summer 2019"},
             {"Summer 2019.jpg", false, true, "Summer 2019"},
             {"\u0661\u0662 Night.jpg", false, true, "Night"},
             {"12a.jpg", false, true, "a"},
             {"README", true, true, "README"},
             {".hidden", true, false, "hidden"},
             {"\u3000Tokyo\u00A0.jpg", false, false, "Tokyo"},
             {"", true, true, ""},
         }) {
        EXPECT_EQ(captionFromFileName(c.name, c.separators, c.number), c.caption)
            << c.name << " " << c.separators << c.number;
    }
}

TEST(PictureTexts, PatternsFollowTheLocaleAndAltTextsTheirOrderOfPreference) {
    SourceImage p;
    p.originalFileName = "02_beach-day.jpg";
    p.metadata.title = "Beach";
    p.metadata.description = "Swim";
    p.metadata.keywords = {"sea", "sand"};
    p.metadata.city = "Kiel";
    p.metadata.captured = CaptureMoment{"2021-07-04T18:30:00", 120};  // shown as the camera's
    p.metadata.cameraModel = "EOS R";
    const FilenameCleanup cleanup{true, true, true};
    EXPECT_EQ(expandCaptionPattern("{date} {time} | {title}: {place} ({keywords}) {camera}, "
                                   "{filename} {x}",
                                   p, cleanup, "de_DE"),
              "04.07.2021 18:30 | Beach: Kiel (sea, sand) EOS R, beach day {x}");

    ImageSlot slot;
    slot.caption = " Caption ";
    std::string alt;
    for (int step = 0; step < 4; ++step) {
        alt += altTextOf(slot, &p, cleanup) + "|";
        if (step == 0)
            p.metadata.description.reset();
        else if (step == 1)
            slot.caption = " ";
        else
            p.metadata.title.reset();
    }
    slot.altText = " Own ";
    EXPECT_EQ(alt + altTextOf(slot, &p, cleanup), "Swim|Caption|Beach|beach day|Own");
    // Separators an empty field leaves are dropped; a pattern of empty fields gives nothing.
    EXPECT_EQ(expandCaptionPattern("{date} \u00B7 {description}", p, cleanup, "en-US"),
              "Jul 4, 2021");
    EXPECT_EQ(expandCaptionPattern("{title} - {description}", SourceImage{}, cleanup) +
                  languageTagOf("fr_CA") + languageTagOf("C.UTF-8"),
              "fr-CAen-US");
}

TEST(TrimmedWhitespace, RemovesUnicodeSpaceAndLineBreaksAtBothEndsOnly) {
    EXPECT_EQ(trimmedWhitespace(" \t\n a  b \r\n"), "a  b");
    EXPECT_EQ(trimmedWhitespace("\u2028\u00A0x\u3000"), "x");
    EXPECT_EQ(trimmedWhitespace(" \n "), "");
    EXPECT_EQ(trimmedWhitespace("\xFF"), "\xFF");
}

Titles renumbered(const Titles& titles, std::vector<SlideLayoutKind> layouts = {}) {
    Project project;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        Slide slide = singleImageSlide(Uuid::random(), "");
        slide.title = titles[i];
        if (i < layouts.size())
            slide.layout = layouts[i];
        project.slides.push_back(slide);
    }
    if (!layouts.empty())
        project.slides[1].isExcluded = true;
    renumberDefaultTitles(project);
    Titles out;
    for (const auto& slide : project.slides)
        out.push_back(slide.title);
    return out;
}

TEST(RenumberDefaultTitles, FollowsPositionsKeepsTypedTitlesAndTitlesEmptyMultiPictureSlides) {
    EXPECT_EQ(renumbered({"Slide 1", "Slide 3", "Holiday"}),
              (Titles{"Slide 1", "Slide 2", "Holiday"}));
    EXPECT_EQ(renumbered({"slide 3", "Slide 3b", " Slide 7 \n", "Slide  4", "Slide 12", "x"}),
              (Titles{"slide 3", "Slide 3b", "Slide 3", "Slide  4", "Slide 5", "x"}));
    EXPECT_EQ(renumbered({"Slide \u0669", "Slide 9\n\n", "Slide"}),
              (Titles{"Slide 1", "Slide 2", "Slide"}));

    // Only empty multi-picture titles are filled; the second slide is excluded.
    using enum SlideLayoutKind;
    EXPECT_EQ(
        renumbered({"", "", "", "  ", ""}, {section, oneImage, imageTitleCaption, fourGrid, twoUp}),
        (Titles{"", "", "", "Slide 4", "Slide 5"}));
}

TEST(DefaultTitle, MatchesThePatternOnTheUntrimmedText) {
    // A full-width digit is a decimal digit; `$` matches before a final line break.
    for (const char* title : {"Slide 4", "Slide \uFF14", "Slide 4\n"})
        EXPECT_TRUE(isDefaultTitle(title)) << title;
    for (const char* title : {" Slide 4", "Slide 4 ", "Slide 4\nSlide 5", "Slide ", "SLIDE 4"})
        EXPECT_FALSE(isDefaultTitle(title)) << title;
}

}  // namespace
}  // namespace mosavelle
