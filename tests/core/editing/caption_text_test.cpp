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

SourceImage describedPicture() {
    SourceImage picture;
    picture.originalFileName = "02_beach-day.jpg";
    picture.metadata = {"Beach",
                        "Evening swim",
                        {"sea", "sand"},
                        "Kiel",
                        "Germany",
                        "Ann",
                        CaptureMoment{"2021-07-04T18:30:00", 120},
                        "Canon",
                        "Canon EOS R",
                        std::nullopt,
                        std::nullopt};
    return picture;
}

TEST(PictureTexts, PatternFieldsFollowTheLocaleAndEmptyFieldsLeaveNoSeparators) {
    SourceImage picture = describedPicture();
    const FilenameCleanup cleanup{true, true, true};
    // The camera's own clock, whatever its offset from UTC.
    EXPECT_EQ(expandCaptionPattern("{date} \u00B7 {description}", picture, cleanup, "en-US"),
              "Jul 4, 2021 \u00B7 Evening swim");
    EXPECT_EQ(expandCaptionPattern("{date} {time}", picture, cleanup, "de_DE"), "04.07.2021 18:30");
    EXPECT_EQ(expandCaptionPattern("{title}: {place} ({keywords}) {camera}, {filename} {x}",
                                   picture, cleanup, "en-US"),
              "Beach: Kiel, Germany (sea, sand) Canon EOS R, beach day {x}");
    picture.metadata.description.reset();
    EXPECT_EQ(expandCaptionPattern("{date} \u00B7 {description}", picture, cleanup, "en-US"),
              "Jul 4, 2021");
    EXPECT_EQ(expandCaptionPattern("{title} - {description}", SourceImage{}, cleanup), "");

    AppearanceSettings appearance;
    appearance.captionsFrom = {CaptionSource::title, {}};
    EXPECT_EQ(captionForPicture(picture, appearance), "");  // captions are off
    appearance.filenameCleanup.enabled = true;
    EXPECT_EQ(captionForPicture(picture, appearance), "Beach");
}

TEST(PictureTexts, AltTextPrefersTheSlotsOwnThenDescriptionCaptionTitleAndFileName) {
    SourceImage picture = describedPicture();
    ImageSlot slot;
    slot.caption = " Caption ";
    const FilenameCleanup cleanup{false, false, true};
    EXPECT_EQ(altTextOf(slot, &picture, cleanup), "Evening swim");
    picture.metadata.description.reset();
    EXPECT_EQ(altTextOf(slot, &picture, cleanup), "Caption");
    slot.caption = " ";
    EXPECT_EQ(altTextOf(slot, &picture, cleanup), "Beach");
    picture.metadata.title.reset();
    EXPECT_EQ(altTextOf(slot, &picture, cleanup), "beach day");
    slot.altText = " Own words ";
    EXPECT_EQ(altTextOf(slot, &picture, cleanup), "Own words");
    EXPECT_EQ(languageTagOf("fr_CA"), "fr-CA");
    EXPECT_EQ(languageTagOf("C.UTF-8"), "en-US");
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
