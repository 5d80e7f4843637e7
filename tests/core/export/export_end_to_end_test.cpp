// Exported packages read by other programs: unzip, the schema validator and LibreOffice.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>

#include "core/export/presentation_export.h"
#include "core/import/detail/vips_runtime.h"
#include "core/import/image_decoding.h"
#include "core/import/picture_test_util.h"
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
// validates against the ECMA-376 schemas, and LibreOffice converts each deck to a PDF with one
// page per exported slide.
struct Deck {
    std::string name;
    SlideSizePreset size;
    QualityPreset quality;
    bool logo, numbers, notes;
    BackgroundKind background = BackgroundKind::white;
    bool zip64 = false;  // ZIP64 records, forced by limits lowered far below the package's size
};

// Five exported slides using every layout, a rotated photo, an excluded slide, texts with line
// breaks, markup and control characters, and notes on some slides when `deck.notes`.
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
    Slide four = testing::slideOf(SlideLayoutKind::fourGrid, {gif, webp, photo, turned});
    four.placementOverride = Placement{SizingMode::fill, {0.2, 0.8}, -15, 1.0};
    for (ImageSlot& slot : four.slots)
        slot = {slot.id, slot.imageID, "grid", {0.1, 0.9}, std::nullopt};
    project.slides.push_back(four);
    Slide section = sectionDividerSlide();
    section.title = "The end";
    if (deck.notes)
        section.notes = "  \n closing remarks \n";
    project.slides.push_back(section);
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
    std::string all, zip64;
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
        // LibreOffice 7.4 refuses every archive with ZIP64 end records (other writers' too), so
        // that deck is read by unzip and the schema validator only.
        (deck.zip64 ? zip64 : all) += " " + quoted(request.destination);
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
        runShell(quoted(validator) + all + zip64 + " " + quoted(empty.destination), folder.path());
    EXPECT_EQ(validated.status, 0) << validated.out;

    const fs::path pdfs = folder / "pdf";
    auto converted = testing::convertToPdf(all, pdfs, folder.path());
    ASSERT_EQ(converted.status, 0) << converted.out;
    for (const auto& deck : decks) {
        if (deck.zip64)
            continue;
        const fs::path pdf = pdfs / (deck.name + ".pdf");
        ASSERT_TRUE(fs::exists(pdf)) << deck.name << " was not converted: " << converted.out;
        auto info = runShell("pdfinfo " + quoted(pdf), folder.path());
        std::smatch pages;
        ASSERT_TRUE(std::regex_search(info.out, pages, std::regex("Pages:\\s+(\\d+)"))) << info.out;
        EXPECT_EQ(std::stoi(pages[1].str()), 5) << deck.name;  // the excluded slide is left out
    }
}

// What outlines and screen readers find: LibreOffice's HTML export writes a heading per slide from
// its title placeholder (empty when untitled), and Apache POI, through a small Java program, reads
// the titles and the pictures' descriptions.
TEST(ExportEndToEnd, OutlinesAndASecondReaderFindTheTitlesAndAltTexts) {
    testing::TempDir folder;
    ExportRequest request = requestFor(
        {"described", SlideSizePreset::widescreen, QualityPreset::best, true, true, false});
    request.project.images.edit(0).metadata.description = "Boats in the harbour";
    request.project.slides.edit(0).title = "Arrival";  // a one-picture slide the user named
    request.project.appearance.language = "fr-FR";
    request.destination = folder / "described.pptx";
    ExportCancellation cancellation;
    ASSERT_TRUE(exportPresentation(request, nullptr, cancellation).ok());
    const std::string first = testing::member(request.destination, "ppt/slides/slide1.xml");
    EXPECT_NE(first.find("<a:rPr lang=\"fr-FR\""), std::string::npos);

    auto html = runShell("soffice --headless --norestore -env:UserInstallation=file://" +
                             (folder / "office").string() +
                             " --convert-to html:impress_html_Export --outdir " +
                             quoted(folder.path()) + " " + quoted(request.destination),
                         folder.path());
    ASSERT_EQ(html.status, 0) << html.out;
    const std::string outline = testing::slurp(folder / "described.html");
    std::string headings;
    const std::regex heading("<h1[^>]*>\\s*(?:<b>)?([^<]*)");
    for (auto it = std::sregex_iterator(outline.begin(), outline.end(), heading);
         it != std::sregex_iterator(); ++it)
        headings += (*it)[1].str() + "|";
    EXPECT_EQ(headings, "Arrival|Q&amp;A: &quot;the tower&quot;|||The end|") << outline;

    const fs::path jars = "/usr/share/java";
    if (std::system("command -v java >/dev/null") != 0 || !fs::exists(jars / "poi-ooxml.jar"))
        GTEST_SKIP() << "Java (default-jdk-headless) or Apache POI (libapache-poi-java) is missing";
    std::string classPath;
    for (const char* jar : {"poi-ooxml", "poi", "poi-ooxml-schemas", "xmlbeans",
                            "commons-collections4", "commons-compress", "commons-math3"})
        classPath += (jars / (std::string(jar) + ".jar")).string() + ":";
    const auto program = fs::path(MOSAVELLE_SOURCE_DIR) / "tests/core/export/java/SlideTitles.java";
    auto read = runShell("java -cp " + testing::shellQuoted(classPath) + " " + quoted(program) +
                             " " + quoted(request.destination),
                         folder.path());
    // Debian's POI 4.0.1 ships part of its compiled OOXML schemas only and opens no presentation.
    if (read.status != 0 && read.out.find("TypeSystemHolder") != std::string::npos)
        GTEST_SKIP() << "this Apache POI lacks its OOXML schema classes";
    EXPECT_NE(read.out.find("slide 1 title: Arrival\nslide 1 picture: Harbour & \"boats\".jpg | "
                            "Boats in the harbour\nslide 2 title: Q&A: \"the tower\"\n"),
              std::string::npos)
        << read.out;
}

// A JPEG stored turned shows on the slide exactly as when its pixels are turned upright: decks of
// one picture stored in each of the eight orientations, placed in every sizing mode, with crops
// and with the slide's own rotation, are exported once with the lossless turn and once with the
// turn left to the picture shape; LibreOffice draws both, and the pages must match.
constexpr int kWidth = 480;  // whole 16-pixel blocks, so the lossless turn is always possible
constexpr int kHeight = 320;

// The upright picture: red across, green down, a blue block near the top left; no two corners
// or mirror images alike.
VipsImageHandle uprightPicture() {
    std::vector<std::uint8_t> pixels(std::size_t(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p = &pixels[(std::size_t(y) * kWidth + x) * 3];
            p[0] = std::uint8_t(255 * x / kWidth);
            p[1] = std::uint8_t(255 * y / kHeight);
            p[2] = x > 40 && x < 200 && y > 30 && y < 110 ? 255 : 40;
        }
    return VipsImageHandle(vips_image_new_from_memory_copy(pixels.data(), pixels.size(), kWidth,
                                                           kHeight, 3, VIPS_FORMAT_UCHAR));
}

// The upright picture stored so that a viewer honouring `orientation` shows it upright.
Bytes storedWith(int orientation) {
    VipsImageHandle image = uprightPicture();
    const auto apply = [&](auto operation) {
        VipsImage* out = nullptr;
        EXPECT_EQ(operation(image.get(), &out), 0);
        image.reset(out);
    };
    // What turns the upright picture into the stored one: a flip (when `flips`), then a turn.
    struct Storing {
        bool flips;
        VipsDirection direction;
        VipsAngle angle;
    };
    constexpr auto h = VIPS_DIRECTION_HORIZONTAL, v = VIPS_DIRECTION_VERTICAL;
    constexpr Storing storing[] = {
        {false, h, VIPS_ANGLE_D0},   {false, h, VIPS_ANGLE_D0}, {true, h, VIPS_ANGLE_D0},
        {false, h, VIPS_ANGLE_D180}, {true, v, VIPS_ANGLE_D0},  {true, v, VIPS_ANGLE_D90},
        {false, h, VIPS_ANGLE_D270}, {true, h, VIPS_ANGLE_D90}, {false, h, VIPS_ANGLE_D90}};
    const Storing& how = storing[orientation];
    if (how.flips)
        apply([&](VipsImage* in, VipsImage** out) {
            return vips_flip(in, out, how.direction, nullptr);
        });
    apply([&](VipsImage* in, VipsImage** out) { return vips_rot(in, out, how.angle, nullptr); });
    apply([](VipsImage* in, VipsImage** out) { return vips_copy(in, out, nullptr); });
    vips_image_set_int(image.get(), VIPS_META_ORIENTATION, orientation);
    return testing::savedAs(image.get(), ".jpg[Q=95]");
}

// One picture in every sizing mode, with crops off centre across and down, and turned by the
// slide's own rotation (also past a quarter turn).
ExportRequest deckOf(int orientation) {
    ExportRequest request;
    request.quality = QualityPreset::best;
    const SourceImage image = testing::pictureRecord("photo.jpg", "public.jpeg", kWidth, kHeight);
    request.project.images.push_back(image);
    request.imageData[image.id] = storedWith(orientation);

    const auto slide = [&](Placement placement) {
        Slide s = singleImageSlide(image.id, "");
        s.placementOverride = placement;
        request.project.slides.push_back(s);
    };
    slide({SizingMode::fit, {}, 0, 1.0});
    slide({SizingMode::fill, {0.2, 0.9}, 0, 1.0});
    slide({SizingMode::actual, {}, 0, 1.0});
    slide({SizingMode::custom, {}, 0, 0.6});
    slide({SizingMode::fill, {0.7, 0.1}, 30, 1.0});
    slide({SizingMode::fit, {}, -110, 1.0});
    Slide two = testing::slideOf(SlideLayoutKind::twoUp, {image.id, image.id});
    for (ImageSlot& slot : two.slots)
        slot.crop = {0.85, 0.3};  // tall slots crop across
    two.placementOverride = Placement{SizingMode::fill, {0.85, 0.3}, 15, 1.0};
    request.project.slides.push_back(two);
    return request;
}

// The share of pixels of page `a` that differ by more than `tolerance` in some channel from every
// pixel around the same place (one pixel either way) of page `b`, of the same size, or from white
// when `b` is empty. Pages that cannot be compared give 1.
double differingShare(const fs::path& a, const fs::path& b, int tolerance) {
    const auto first = decodeFirstFrame(testing::readFileBytes(a));
    auto second = b.empty() ? first : decodeFirstFrame(testing::readFileBytes(b));
    if (!first || !second || first->width != second->width || first->height != second->height)
        return 1;
    if (b.empty())
        std::fill(second->pixels.begin(), second->pixels.end(), std::uint8_t(255));
    const int width = first->width, height = first->height;
    std::size_t differing = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = first->pixel(x, y);
            bool matched = false;
            for (int dy = -1; dy <= 1 && !matched; ++dy)
                for (int dx = -1; dx <= 1 && !matched; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= width || ny >= height)
                        continue;
                    const std::uint8_t* q = second->pixel(nx, ny);
                    matched = true;
                    for (int k = 0; k < 4; ++k)
                        matched = matched && std::abs(int(p[k]) - int(q[k])) <= tolerance;
                }
            differing += !matched;
        }
    return double(differing) / double(width * height);
}

TEST(UprightByShape, EveryOrientationDrawsLikeTheLosslessTurn) {
    const fs::path validator = testing::presentationValidator();
    if (!fs::exists(validator))
        GTEST_SKIP() << "the schema validator is not beside the repository";
    ASSERT_TRUE(ensureVipsStarted());

    testing::TempDir folder;
    std::string all, byShape;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const Bytes stored = storedWith(orientation);
        auto header = readPictureHeader(stored);
        ASSERT_TRUE(header);
        ASSERT_EQ(header->orientation, orientation);
        for (auto way : {RotatedJpeg::turnLosslessly, RotatedJpeg::turnByShape}) {
            ExportRequest request = deckOf(orientation);
            const std::string name =
                std::string(way == RotatedJpeg::turnByShape ? "shape" : "turn") +
                std::to_string(orientation);
            request.destination = folder / (name + ".pptx");
            ExportOptions options;
            options.rotatedJpeg = way;
            ExportCancellation cancellation;
            auto result = exportPresentation(request, nullptr, cancellation, options);
            ASSERT_TRUE(result.ok()) << result.error().message;
            all += " " + quoted(request.destination);
            if (way == RotatedJpeg::turnByShape)
                byShape += " " + quoted(request.destination);
        }
    }

    auto validated = runShell(quoted(validator) + byShape, folder.path());
    EXPECT_EQ(validated.status, 0) << validated.out;

    const fs::path pdfs = folder / "pdf";
    auto converted = testing::convertToPdf(all, pdfs, folder.path());
    ASSERT_EQ(converted.status, 0) << converted.out;

    constexpr int pages = 7;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (const char* way : {"turn", "shape"}) {
            const std::string name = way + std::to_string(orientation);
            const fs::path pdf = pdfs / (name + ".pdf");
            ASSERT_TRUE(fs::exists(pdf)) << name << " was not converted: " << converted.out;
            auto drawn = runShell("pdftoppm -r 30 -png " + quoted(pdf) + " " + quoted(pdfs / name),
                                  folder.path());
            ASSERT_EQ(drawn.status, 0) << drawn.out;
        }
        for (int page = 1; page <= pages; ++page) {
            // Every deck shows the same upright picture, so each page matches the page of the
            // deck whose pixels were stored upright in the first place. Resampling may shift an
            // edge by a pixel, nothing more.
            const std::string suffix = "-" + std::to_string(page) + ".png";
            const fs::path truth = pdfs / ("turn1" + suffix);
            for (const char* way : {"turn", "shape"}) {
                const fs::path drawn = pdfs / (way + std::to_string(orientation) + suffix);
                EXPECT_LT(differingShare(truth, drawn, 32), 0.01)
                    << drawn.filename() << " differs from " << truth.filename();
            }
        }
    }
    // And the picture is there to compare: the fitted page is mostly picture, not slide.
    const double picture = differingShare(pdfs / "turn1-1.png", {}, 32);
    EXPECT_GT(picture, 0.3);
    EXPECT_LT(picture, 1);
}

}  // namespace
}  // namespace mosavelle
