#include <gtest/gtest.h>

#include <cmath>

#include <unicode/unistr.h>

#include "core/export/presentation_parts.h"
#include "core/export/xml_values.h"
#include "core/layout/text_fit.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

// gtest prints a line diff when two multi-line strings differ.
#define EXPECT_GOLDEN(actual, name)                                                             \
    EXPECT_EQ(actual, std::string(testing::readFileBytes(                                       \
                                      std::filesystem::path(MOSAVELLE_SOURCE_DIR                \
                                                            "/tests/core/export/golden/" name)) \
                                      .view()))

TextFrame text(std::string content, InchRect frame, bool isTitle, double points,
               CaptionAlignment alignment = CaptionAlignment::leading) {
    const Typography type;
    return {std::move(content),
            frame,
            isTitle,
            false,
            points,
            alignment,
            isTitle ? type.titleColor : type.bodyColor};
}

TEST(PresentationParts, SlideWithPicturesLogoTextsAndNumberMatchesGolden) {
    AppearanceSettings appearance;
    appearance.typography.fontName = "Fira & Co";
    appearance.typography.bodyPoints = 24;

    PictureFrame cropped;
    cropped.frame = {1, 0.5, 4, 3};
    cropped.crop = {0.1, 0, 0, 0};
    cropped.rotationDegrees = 90;
    PictureFrame turned;
    turned.frame = {6.5, 0.5, 5.25, 3.5};
    turned.rotationDegrees = -45;
    PictureFrame logo;
    logo.frame = {12.5, 0.1, 0.6, 0.4};

    // Alt text apart from the name; the logo decorative; the title as the title placeholder,
    // whose box, insets, spacing and run properties must stay those of the text box.
    const std::string pictures =
        pictureXML(cropped, "rId2", 2, "Tom's <photo>.jpg", 1, "Tom's \"first\" <photo>") +
        pictureXML(turned, "rId3", 3, "B.png", 1, "B") +
        pictureXML(logo, "rId4", 4, "Logo", 1, std::nullopt);
    const std::string texts =
        titlePlaceholderXML(text("Q&A <1>", {0.3, 4.2, 12.7333333333, 0.55}, true, 10.5),
                            appearance, 5, "fr-CA") +
        textBoxXML(text("Line one\nLine two", {0.3, 4.9, 12.7333333333, 0.45}, false, 16,
                        CaptionAlignment::center),
                   appearance, 6, "fr-CA") +
        slideNumberBoxXML("3", {12.4, 7.0, 0.6, 0.3}, appearance.typography.bodyColor, appearance,
                          7, "fr-CA");
    EXPECT_GOLDEN(slideXML({1, 0.5, 0, 1}, SlideSizePreset::widescreen, pictures, texts),
                  "slide_full.xml");
}

TEST(PresentationParts, TextBoxRunsFollowLineBreaksAndAlignment) {
    AppearanceSettings appearance;
    appearance.typography.titleBold = false;
    // A title ignores its alignment and is bold only when the deck says so.
    auto title = textBoxXML(text("T", {}, true, 28, CaptionAlignment::trailing), appearance, 2);
    EXPECT_NE(title.find("<a:pPr algn=\"l\"/>"), std::string::npos);
    EXPECT_EQ(title.find(" b=\"1\""), std::string::npos);
    EXPECT_NE(textBoxXML(text("c", {}, false, 16, CaptionAlignment::trailing), appearance, 2)
                  .find("<a:pPr algn=\"r\"/>"),
              std::string::npos);

    // An empty text keeps its one empty run; a text starting with a break opens with <a:br>.
    auto empty = textBoxXML(text("", {}, false, 16), appearance, 2);
    EXPECT_NE(empty.find("<a:t></a:t>"), std::string::npos);
    auto leading = textBoxXML(text("\r\nx\r\ny", {}, false, 16), appearance, 2);
    const auto br = leading.find("<a:br>");
    ASSERT_NE(br, std::string::npos);
    EXPECT_LT(br, leading.find("<a:r>"));
    EXPECT_NE(leading.find("<a:t>x</a:t>"), std::string::npos);
    EXPECT_NE(leading.find("<a:t>y</a:t>"), std::string::npos);
    EXPECT_EQ(leading.find('\r'), std::string::npos);
}

TEST(PresentationParts, TransitionsAndShowPropertiesAreWrittenOnlyWhenTheyDoSomething) {
    using enum TransitionKind;
    EXPECT_EQ(transitionXML({false, 5}, {none, TransitionSpeed::slow}), "");
    EXPECT_EQ(transitionXML({false, 5}, {fade, TransitionSpeed::slow}),
              "<p:transition spd=\"slow\"><p:fade/></p:transition>");
    EXPECT_EQ(transitionXML({true, 600}, {none, TransitionSpeed::fast}),
              "<p:transition spd=\"fast\" advTm=\"600000\"><p:cut/></p:transition>");
    EXPECT_EQ(presentationPropertiesXML(false, false).find("showPr"), std::string::npos);
    EXPECT_NE(
        presentationPropertiesXML(true, false).find("<p:showPr loop=\"1\" useTimings=\"0\"/>"),
        std::string::npos);
}

TEST(PresentationParts, NotesAndPackagePartsMatchGoldenAndOnlyNotesBringTheNotesMaster) {
    EXPECT_GOLDEN(notesSlideXML("  First line\r\n\nSecond & last\ttab"), "notes_slide.xml");
    EXPECT_GOLDEN(notesRelationshipsXML(2), "notes_rels.xml");
    EXPECT_GOLDEN(presentationXML(2, SlideSizePreset::widescreen, true),
                  "presentation_widescreen_notes.xml");
    EXPECT_GOLDEN(presentationXML(0, SlideSizePreset::classic), "presentation_classic_empty.xml");
    EXPECT_GOLDEN(presentationRelationshipsXML(2, true), "presentation_rels_notes.xml");
    EXPECT_GOLDEN(contentTypesXML(3, {2}), "content_types_notes.xml");
    EXPECT_GOLDEN(rootRelationshipsXML(), "root_rels.xml");
    EXPECT_GOLDEN(appPropertiesXML(12), "app.xml");
    auto stamp = parseInternetDate("2026-12-05T09:11:25Z");
    ASSERT_TRUE(stamp);
    EXPECT_GOLDEN(corePropertiesXML(*stamp), "core.xml");

    for (const auto& part : {presentationXML(3, SlideSizePreset::widescreen),
                             presentationRelationshipsXML(3), contentTypesXML(3, {})}) {
        EXPECT_EQ(part.find("notesMaster"), std::string::npos) << part;
        EXPECT_EQ(part.find("theme2"), std::string::npos);
    }
    // With notes the master's relationship follows the slides', whatever their number.
    EXPECT_NE(presentationRelationshipsXML(0, true).find("Id=\"rId6\" Type=\"" +
                                                         ooxml::relationshipType("notesMaster")),
              std::string::npos);
}

TEST(XMLValues, RoundingIsHalfAwayFromZeroAndNeverNonFinite) {
    EXPECT_EQ(roundHalfAway(2.5), 3);
    EXPECT_EQ(roundHalfAway(-2.5), -3);
    EXPECT_EQ(roundHalfAway(std::nan("")), 0);
    EXPECT_EQ(roundHalfAway(1e300), 9200000000000000000);
    // Font size, angle and colour conversions are pinned by the slide golden file.
    EXPECT_EQ(emuFromInches(-0.5), -457200);
    EXPECT_EQ(cropPercentage(0.000005), 1);
}

TEST(XMLValues, EscapingDropsWhatXMLForbidsAndRepairsBrokenUTF8) {
    EXPECT_EQ(escapeXML("&lt; \"a\" 'b' <c>"), "&amp;lt; &quot;a&quot; &apos;b&apos; &lt;c&gt;");
    EXPECT_EQ(escapeXML(std::string("a\x01\x08\x0B\x0C\x1F\tb\nc\rd", 12) + std::string(1, '\0')),
              "a&#9;b&#10;c&#13;d");
    EXPECT_EQ(escapeXML("x\xEF\xBF\xBEy\xEF\xBF\xBFz"), "xyz");  // U+FFFE, U+FFFF
    EXPECT_EQ(escapeXML("caf\xC3\xA9 \xF0\x9F\x93\xB7"), "caf\xC3\xA9 \xF0\x9F\x93\xB7");
}

// Broken text reads the same in the exported part as in the text estimate and the caption rules,
// which read it through ICU: each ill-formed run is one U+FFFD, nothing more or less.
TEST(XMLValues, BrokenTextIsTheSameTextInThePartAsEverywhereElse) {
    const auto icuReading = [](std::string_view text) {
        std::string out;
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), int32_t(text.size())))
            .toUTF8String(out);
        return out;
    };
    for (const std::string broken :
         {"stray \x80\xBF continuation", "cut \xE2\x82 and \xF0\x9F\x93 short",
          "overlong \xC0\xAF \xE0\x80\xAF", "lone surrogates \xED\xA0\x80 \xED\xBF\xBF",
          "past the range \xF4\x90\x80\x80 \xF8\x88\x80\x80\x80", "ends in \xC3"}) {
        SCOPED_TRACE(broken);
        EXPECT_EQ(escapeXML(broken), icuReading(broken));
        EXPECT_EQ(graphemeCount(escapeXML(broken)), graphemeCount(broken));
    }
    // Control characters XML forbids are dropped after reading, wherever they stand.
    const std::string controls("\x01\xE2\x82\x1F\x7F\xED\xA0\x80\x0B", 9);
    EXPECT_EQ(escapeXML(controls), escapeXML(icuReading(controls)));
    EXPECT_EQ(graphemeCount(escapeXML(controls)), graphemeCount(controls) - 3);
}

TEST(XMLValues, LinesAndVisibleText) {
    using Lines = std::vector<std::string_view>;
    EXPECT_EQ(splitLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\xE2\x80\xA8z"), (Lines{"a", "z"}));
    EXPECT_EQ(splitLines("\n"), (Lines{"", ""}));
    EXPECT_EQ(splitLines(""), (Lines{""}));
    EXPECT_FALSE(hasVisibleText(" \n\t\r\n \xC2\xA0\xE2\x80\xA8"));
    EXPECT_TRUE(hasVisibleText("  x "));
}

}  // namespace
}  // namespace mosavelle
