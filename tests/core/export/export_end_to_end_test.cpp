// Exported packages read by other programs: unzip, the schema validator, LibreOffice and Apache
// POI.

#include <gtest/gtest.h>

#include <regex>

#include "core/export/presentation_export.h"
#include "support/deck_support.h"
#include "support/package_reader.h"
#include "support/process.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using testing::readFileBytes;
using testing::runShell;

std::string quoted(const fs::path& path) {
    return testing::shellQuoted(path.string());
}

// A matrix of small decks, each package real: the archive tests clean with unzip, every part
// validates against the ECMA-376 schemas, and LibreOffice converts the first deck to a PDF with
// one page per exported slide.
struct Deck {
    std::string name;
    SlideSizePreset size;
    QualityPreset quality;
    bool logo, numbers, notes;
    BackgroundKind background = BackgroundKind::white;
    bool zip64 = false;  // ZIP64 records, forced by limits lowered far below the package's size
};

// Five exported slides using every layout, turned and mirrored photos, an excluded slide, texts
// with line breaks, markup and control characters, a show whose slides override its effect and
// advance, and notes on some slides when `deck.notes`.
ExportRequest requestFor(const Deck& deck) {
    ExportRequest request;
    request.quality = deck.quality;
    Project& project = request.project;
    const auto add = [&](const std::string& fixture, const std::string& name, std::string uti) {
        const SourceImage image = testing::pictureRecord(name, std::move(uti));
        project.images.push_back(image);
        request.imageData[image.id] = testing::fixtureBytes(fixture);
        return image.id;
    };
    const auto photo = add("orient-1.jpg", "Harbour & \"boats\".jpg", "public.jpeg");
    const auto turned = add("orient-6.jpg", "Tower's top.jpg", "public.jpeg");
    const auto mirrored = add("orient-5.jpg", "mirrored.jpg", "public.jpeg");
    const auto png = add("picture.png", "plan.png", "public.png");
    const auto alpha = add("alpha.png", "cut-out.png", "public.png");
    const auto gif = add("animated.gif", "loop.gif", "com.compuserve.gif");
    const auto webp = add("picture.webp", "web.webp", "org.webmproject.webp");
    project.appearance.slideSize = deck.size;
    project.appearance.background = deck.background;
    project.appearance.branding.showSlideNumbers = deck.numbers;
    if (deck.logo) {
        project.appearance.branding.logoFileName = "logo.png";
        request.logoData = testing::fixtureBytes("alpha.png");
    }

    project.slides.push_back(singleImageSlide(photo, ""));
    Slide titled = singleImageSlide(turned, "A caption <with> marks & a\nsecond line");
    titled.layout = SlideLayoutKind::imageTitleCaption;
    titled.title = "Q&A: \"the tower\"\x01";
    titled.placementOverride = Placement{SizingMode::fill, {}, 90, 1.0};
    titled.captionAlignment = CaptionAlignment::center;
    if (deck.notes)
        titled.notes = "First point\nSecond point & more";
    project.slides.push_back(titled);
    Slide excluded = singleImageSlide(png, "never shown");
    excluded.isExcluded = true;
    project.slides.push_back(excluded);
    Slide two = testing::slideOf(SlideLayoutKind::twoUp, {png, alpha});
    two.slots[0].caption = "left";
    two.captionAlignment = CaptionAlignment::trailing;
    project.slides.push_back(two);
    Slide four = testing::slideOf(SlideLayoutKind::fourGrid, {gif, webp, mirrored, turned});
    four.placementOverride = Placement{SizingMode::fill, {0.2, 0.8}, -15, 1.0};
    for (ImageSlot& slot : four.slots)
        slot = {slot.id, slot.imageID, "grid", {0.1, 0.9}, std::nullopt};
    project.slides.push_back(four);
    Slide section = sectionDividerSlide();
    section.title = "The end";
    if (deck.notes)
        section.notes = "  \n closing remarks \n";
    project.slides.push_back(section);
    project.show = {{true, 7}, {TransitionKind::fade, TransitionSpeed::slow}, true};
    project.slides[1].advanceOverride = SlideAdvance{false, 5};
    project.slides[1].transitionOverride = SlideTransition{TransitionKind::push};
    project.slides[3].transitionOverride = {TransitionKind::wipe, TransitionSpeed::fast};
    project.slides[4].transitionOverride = SlideTransition{TransitionKind::cover};
    project.slides[5].advanceOverride = SlideAdvance{true, 600};
    return request;
}

TEST(ExportEndToEnd, PackagesUnzipValidateAndConvertWithOnePagePerSlide) {
    const fs::path validator = testing::presentationValidator();
    if (!fs::exists(validator))
        GTEST_SKIP() << "the schema validator is not beside the repository";

    testing::TempDir folder;
    using enum SlideSizePreset;
    using enum QualityPreset;
    const std::vector<Deck> decks{
        {"wide-best", widescreen, best, true, true, true},
        {"classic-balanced", classic, balanced, false, true, false, BackgroundKind::black},
        {"wide-small", widescreen, small, true, false, true, BackgroundKind::custom},
        {"classic-best", classic, best, true, false, false},
        {"wide-zip64", widescreen, best, true, true, true, BackgroundKind::white, true}};
    std::string all;
    for (const auto& deck : decks) {
        auto request = requestFor(deck);
        request.destination = folder / (deck.name + ".pptx");
        ExportCancellation cancellation;
        ExportOptions options;
        if (deck.zip64)
            options.archive = ZipLimits{20000, 30};
        auto result = exportPresentation(request, nullptr, cancellation, options);
        ASSERT_TRUE(result.ok()) << deck.name << ": " << result.error().message;
        const Bytes written = readFileBytes(request.destination);
        EXPECT_EQ(written.view().find("PK\x06\x06") != std::string_view::npos, deck.zip64)
            << deck.name;
        all += " " + quoted(request.destination);
        auto zip = runShell("unzip -t -qq " + quoted(request.destination), folder.path());
        EXPECT_EQ(zip.status, 0) << deck.name << ": " << zip.out;
    }

    // A deck whose slides are all excluded must validate too (it has no pages to convert).
    auto empty = requestFor(decks[0]);
    for (auto& slide : empty.project.slides)
        slide.isExcluded = true;
    empty.destination = folder / "empty.pptx";
    ExportCancellation cancellation;
    ASSERT_TRUE(exportPresentation(empty, nullptr, cancellation).ok());

    auto validated =
        runShell(quoted(validator) + all + " " + quoted(empty.destination), folder.path());
    EXPECT_EQ(validated.status, 0) << validated.out;

    const fs::path pdfs = folder / "pdf";
    auto converted = testing::convertToPdf(" " + quoted(folder / (decks[0].name + ".pptx")), pdfs,
                                           folder.path());
    ASSERT_EQ(converted.status, 0) << converted.out;
    auto info = runShell("pdfinfo " + quoted(pdfs / (decks[0].name + ".pdf")), folder.path());
    std::smatch pages;
    ASSERT_TRUE(std::regex_search(info.out, pages, std::regex("Pages:\\s+(\\d+)"))) << info.out;
    EXPECT_EQ(std::stoi(pages[1].str()), 5);  // the excluded slide is left out
}

// What outlines, screen readers and players find, as Apache POI's package layer reads it through
// two small Java programs: each slide's layout, title placeholder and pictures' descriptions, and
// the show's timings, effects and loop.
TEST(ExportEndToEnd, ASecondReaderFindsTheTitlesAltTextsAndShowTimings) {
    testing::TempDir folder;
    ExportRequest request = requestFor(
        {"described", SlideSizePreset::widescreen, QualityPreset::best, true, true, false});
    Project& project = request.project;
    // Every step of the alt text's precedence: the description wins over the slot's caption, the
    // caption over the picture's title, the title over the file name; a slot's own text (trimmed)
    // wins over all, a blank one counts as none.
    project.images.edit(0).metadata.description = "Boats in the harbour";
    project.images.edit(4).metadata.title = "Cut-out title";
    project.slides.edit(0).title = "Arrival";  // a one-picture slide the user named
    project.slides.edit(0).slots[0].caption = "Harbour caption";
    Slide& four = project.slides.edit(4);
    four.slots[0].caption.clear();
    four.slots[1].altText = "  Own words  ";
    four.slots[2].altText = " \n ";
    project.slides.edit(5).transitionOverride = SlideTransition{};
    project.appearance.language = "fr-FR";
    request.destination = folder / "described.pptx";
    ExportCancellation cancellation;
    ASSERT_TRUE(exportPresentation(request, nullptr, cancellation).ok());
    const std::string first = testing::member(request.destination, "ppt/slides/slide1.xml");
    EXPECT_NE(first.find("<a:rPr lang=\"fr-FR\""), std::string::npos);
    // Text added later in a presentation program takes the deck's language too.
    EXPECT_NE(testing::member(request.destination, "ppt/presentation.xml")
                  .find("<a:defPPr><a:defRPr lang=\"fr-FR\"/>"),
              std::string::npos);
    // The title placeholder of a slide that shows no title, above the slide, validates too.
    if (const fs::path validator = testing::presentationValidator(); fs::exists(validator)) {
        auto validated =
            runShell(quoted(validator) + " " + quoted(request.destination), folder.path());
        EXPECT_EQ(validated.status, 0) << validated.out;
    }

    const fs::path jars = "/usr/share/java";
    if (std::system("command -v java >/dev/null") != 0 || !fs::exists(jars / "poi-ooxml.jar"))
        GTEST_SKIP() << "Java (default-jdk-headless) or Apache POI (libapache-poi-java) is missing";
    std::string classPath;
    for (const char* jar : {"poi", "poi-ooxml", "commons-collections4", "commons-compress"})
        classPath += (jars / (std::string(jar) + ".jar")).string() + ":";
    const auto read = [&](const char* program) {
        const auto source = fs::path(MOSAVELLE_SOURCE_DIR) / "tests/core/export" / program;
        auto result = testing::runProgram(
            "java", {"-cp", classPath, source.string(), request.destination.string()},
            folder.path());
        EXPECT_EQ(result.status, 0) << program << ": " << result.err;
        return result.out;
    };
    // Exported slides 2 to 5 (the third deck slide is excluded) override the deck's effect and
    // advance.
    EXPECT_EQ(read("ShowTimings.java"),
              "1 7000ms fade slow\n"
              "2 manual push med\n"
              "3 7000ms wipe fast\n"
              "4 7000ms cover med\n"
              "5 600000ms cut med\n"
              "show loop=1 useTimings=1\n");
    // Titled slides use the layout with a title placeholder; the untitled grids the blank one.
    EXPECT_EQ(read("java/SlideTitles.java"),
              "slide 1 layout: titleOnly (title placeholder)\n"
              "slide 1 title: Arrival\n"
              "slide 1 picture: Harbour & \"boats\".jpg | Boats in the harbour\n"
              "slide 1 picture: Logo | - [decorative]\n"
              "slide 2 layout: titleOnly (title placeholder)\n"
              "slide 2 title: Q&A: \"the tower\"\n"
              "slide 2 picture: Tower's top.jpg | A caption <with> marks & a\\nsecond line\n"
              "slide 2 picture: Logo | - [decorative]\n"
              "slide 3 layout: blank (no title placeholder)\n"
              "slide 3 untitled\n"
              "slide 3 picture: plan.png | left\n"
              "slide 3 picture: cut-out.png | Cut-out title\n"
              "slide 3 picture: Logo | - [decorative]\n"
              "slide 4 layout: blank (no title placeholder)\n"
              "slide 4 untitled\n"
              "slide 4 picture: loop.gif | loop\n"
              "slide 4 picture: web.webp | Own words\n"
              "slide 4 picture: mirrored.jpg | grid\n"
              "slide 4 picture: Tower's top.jpg | grid\n"
              "slide 4 picture: Logo | - [decorative]\n"
              "slide 5 layout: titleOnly (title placeholder)\n"
              "slide 5 title: The end\n"
              "slide 5 picture: Logo | - [decorative]\n");
}

}  // namespace
}  // namespace mosavelle
