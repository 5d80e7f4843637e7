// Exports a matrix of small decks and checks that each package is real: the archive tests clean
// with unzip, every part validates against the ECMA-376 schemas, and LibreOffice converts each
// deck to a PDF with one page per exported slide.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <regex>

#include "core/export/presentation_export.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using testing::fixturePath;
using testing::readFileBytes;

struct CommandResult {
    int status = -1;
    std::string output;
};

CommandResult runCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return result;
    std::array<char, 4096> buffer;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        result.output.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

struct Deck {
    std::string name;
    ExportRequest request;
    int exportedSlides = 0;
};

class Matrix {
public:
    Matrix() {
        const auto add = [&](const std::string& fixture, const std::string& name, std::string uti) {
            SourceImage image;
            image.id = Uuid::random();
            image.originalFileName = name;
            image.storedFileName = image.id.text();
            image.pixelWidth = 64;
            image.pixelHeight = 40;
            image.dpiX = image.dpiY = 72;
            image.uti = std::move(uti);
            images_.push_back(image);
            bytes_[image.id] = readFileBytes(fixturePath(fixture));
            return image.id;
        };
        photo_ = add("orient-1.jpg", "Harbour & \"boats\".jpg", "public.jpeg");
        turned_ = add("orient-6.jpg", "Tower's top.jpg", "public.jpeg");
        png_ = add("picture.png", "plan.png", "public.png");
        alpha_ = add("alpha.png", "cut-out.png", "public.png");
        gif_ = add("animated.gif", "loop.gif", "com.compuserve.gif");
        webp_ = add("picture.webp", "web.webp", "org.webmproject.webp");
    }

    // Every layout, a rotated photo, an excluded slide, texts with line breaks and markup
    // characters, notes on some slides.
    Deck deck(const std::string& name, SlideSizePreset size, QualityPreset quality, bool logo,
              bool numbers, bool notes) const {
        Deck deck{name, {}, 0};
        ExportRequest& request = deck.request;
        request.quality = quality;
        request.imageData = bytes_;
        Project& project = request.project;
        project.images = images_;
        project.appearance.slideSize = size;
        project.appearance.branding.showSlideNumbers = numbers;
        if (logo) {
            project.appearance.branding.logoFileName = "logo.png";
            request.logoData = readFileBytes(fixturePath("alpha.png"));
        }

        project.slides.push_back(singleImageSlide(photo_, ""));
        Slide titled = singleImageSlide(turned_, "A caption <with> marks & a\nsecond line");
        titled.layout = SlideLayoutKind::imageTitleCaption;
        titled.title = "Q&A: \"the tower\"\x01";
        titled.placementOverride = Placement{SizingMode::fill, {}, 90, 1.0};
        titled.captionAlignment = CaptionAlignment::center;
        if (notes)
            titled.notes = "First point\nSecond point & more";
        project.slides.push_back(titled);

        Slide excluded = singleImageSlide(png_, "never shown");
        excluded.isExcluded = true;
        project.slides.push_back(excluded);

        Slide two;
        two.layout = SlideLayoutKind::twoUp;
        for (auto [id, caption] : {std::pair{png_, "left"}, std::pair{alpha_, ""}}) {
            ImageSlot slot = emptySlot();
            slot.imageID = id;
            slot.caption = caption;
            two.slots.push_back(slot);
        }
        two.captionAlignment = CaptionAlignment::trailing;
        project.slides.push_back(two);

        Slide four;
        four.layout = SlideLayoutKind::fourGrid;
        four.placementOverride = Placement{SizingMode::fill, {0.2, 0.8}, -15, 1.0};
        for (auto id : {gif_, webp_, photo_, turned_}) {
            ImageSlot slot = emptySlot();
            slot.imageID = id;
            slot.caption = "grid";
            slot.crop = {0.1, 0.9};
            four.slots.push_back(slot);
        }
        project.slides.push_back(four);

        Slide section = sectionDividerSlide();
        section.title = "The end";
        if (notes)
            section.notes = "  \n closing remarks \n";
        project.slides.push_back(section);
        deck.exportedSlides = 5;
        return deck;
    }

private:
    std::vector<SourceImage> images_;
    std::unordered_map<Uuid, Bytes> bytes_;
    Uuid photo_, turned_, png_, alpha_, gif_, webp_;
};

TEST(ExportEndToEnd, PackagesUnzipValidateAndConvertWithOnePagePerSlide) {
    const fs::path validator =
        fs::path(MOSAVELLE_SOURCE_DIR) / ".." / "shared" / "tools" / "validate-pptx";
    if (!fs::exists(validator))
        GTEST_SKIP() << "the schema validator is not beside the repository";

    testing::TempDir folder;
    Matrix matrix;
    std::vector<Deck> decks{
        matrix.deck("wide-best", SlideSizePreset::widescreen, QualityPreset::best, true, true,
                    true),
        matrix.deck("classic-balanced", SlideSizePreset::classic, QualityPreset::balanced, false,
                    true, false),
        matrix.deck("wide-small", SlideSizePreset::widescreen, QualityPreset::small, true, false,
                    true),
        matrix.deck("classic-best", SlideSizePreset::classic, QualityPreset::best, true, false,
                    false),
    };
    decks[1].request.project.appearance.background = BackgroundKind::black;
    decks[2].request.project.appearance.background = BackgroundKind::custom;

    std::string all;
    for (auto& deck : decks) {
        deck.request.destination = folder / (deck.name + ".pptx");
        ExportCancellation cancellation;
        auto result = exportPresentation(deck.request, nullptr, cancellation);
        ASSERT_TRUE(result.ok()) << deck.name << ": " << result.error().message;
        all += " " + quoted(deck.request.destination);

        auto zip = runCommand("unzip -t -qq " + quoted(deck.request.destination));
        EXPECT_EQ(zip.status, 0) << deck.name << ": " << zip.output;
    }

    // A deck whose slides are all excluded is still a valid package (LibreOffice is not asked to
    // print a deck without pages).
    Deck empty =
        matrix.deck("empty", SlideSizePreset::widescreen, QualityPreset::best, false, false, true);
    for (auto& slide : empty.request.project.slides)
        slide.isExcluded = true;
    empty.request.destination = folder / "empty.pptx";
    ExportCancellation cancellation;
    ASSERT_TRUE(exportPresentation(empty.request, nullptr, cancellation).ok());

    auto validated = runCommand(quoted(validator) + all + " " + quoted(empty.request.destination));
    EXPECT_EQ(validated.status, 0) << validated.output;

    const fs::path pdfs = folder / "pdf";
    fs::create_directory(pdfs);
    auto converted = runCommand("soffice --headless --norestore -env:UserInstallation=file://" +
                                (folder / "office-profile").string() +
                                " --convert-to pdf --outdir " + quoted(pdfs) + all);
    ASSERT_EQ(converted.status, 0) << converted.output;
    for (const auto& deck : decks) {
        const fs::path pdf = pdfs / (deck.name + ".pdf");
        ASSERT_TRUE(fs::exists(pdf)) << deck.name << " was not converted: " << converted.output;
        auto info = runCommand("pdfinfo " + quoted(pdf));
        std::smatch pages;
        ASSERT_TRUE(std::regex_search(info.output, pages, std::regex("Pages:\\s+(\\d+)")))
            << info.output;
        EXPECT_EQ(std::stoi(pages[1].str()), deck.exportedSlides) << deck.name;
    }
}

}  // namespace
}  // namespace mosavelle
