// Exported packages read by other programs: unzip, the schema validator and LibreOffice.

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

}  // namespace
}  // namespace mosavelle
