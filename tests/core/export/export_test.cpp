#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <set>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unicode/unistr.h>
#include <csignal>
#include <cstdlib>
#include <string>
#include <tuple>
#include "core/export/export_planning.h"
#include "core/export/package_file.h"
#include "core/export/picture_encoding.h"
#include "core/export/presentation_export.h"
#include "core/export/presentation_parts.h"
#include "core/export/scaffold.h"
#include "core/export/xml_values.h"
#include "core/export/zip_archive.h"
#include "core/import/detail/vips_runtime.h"
#include "core/import/image_decoding.h"
#include "core/import/import_plan.h"
#include "core/import/picture_test_util.h"
#include "core/layout/text_fit.h"
#include "core/layout/thumbnail_cache.h"
#include "core/model/package.h"
#include "core/platform/replace_file.h"
#include "support/deck_support.h"
#include "support/faulty_file_system.h"
#include "support/package_reader.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::AnyOf;
using testing::fixturePath;
using ::testing::HasSubstr;
using testing::namesIn;
using ::testing::Not;
using testing::readFileBytes;
using testing::TempDir;
using testing::writeFileBytes;

using testing::pictureRecord;
using testing::slideOf;

class ExportTest : public ::testing::Test {
protected:
    // Runs an export of `request` into the test folder, recording every report.
    Status run(ExportOptions options = {}) {
        request.destination = folder / "deck.pptx";
        reports.clear();
        return exportPresentation(
            request, [&](const ExportProgress& p) { reports.push_back(p); }, cancellation, options);
    }

    std::vector<testing::PackageMember> members() { return testing::members(folder / "deck.pptx"); }
    std::string member(const std::string& path) {
        return testing::member(folder / "deck.pptx", path);
    }
    std::size_t mediaCount() { return testing::countMembers(folder / "deck.pptx", "ppt/media/.*"); }

    SourceImage& add(SourceImage image, const std::string& fixture) {
        request.imageData[image.id] = readFileBytes(fixturePath(fixture));
        request.project.images.push_back(std::move(image));
        return request.project.images.back();
    }

    TempDir folder;
    ExportRequest request;
    ExportCancellation cancellation;
    std::vector<ExportProgress> reports;
};

// Also the show's effects and advance as each exported slide overrides them, a one-picture slide's
// own title as the title placeholder, the picture's description as its alt text, the language.
TEST_F(ExportTest, ArchiveOrderNumberingMediaReuseShowTitlesAndProgress) {
    SourceImage described = pictureRecord("A.jpg");
    described.metadata.description = "Boats";
    const auto a = add(described, "orient-1.jpg").id;
    const auto b = add(pictureRecord("B.png", "public.png"), "picture.png").id;
    auto& project = request.project;
    project.appearance.branding.logoFileName = "logo.png";
    project.appearance.branding.showSlideNumbers = true;
    project.appearance.language = "fr-FR";
    project.show = {{true, 7}, {TransitionKind::fade, TransitionSpeed::slow}, true};
    request.logoData = readFileBytes(fixturePath("alpha.png"));

    project.slides.push_back(singleImageSlide(a, ""));
    project.slides.back().notes = "  first notes";
    project.slides.back().title = "Arrival";
    project.slides.push_back(singleImageSlide(b, ""));
    project.slides.back().isExcluded = true;
    project.slides.push_back(slideOf(SlideLayoutKind::twoUp, {b, a}));
    project.slides.back().advanceOverride = SlideAdvance{false, 5};
    project.slides.back().transitionOverride = SlideTransition{TransitionKind::push};
    project.slides.push_back(sectionDividerSlide());
    project.slides.back().notes = " \n\t\n ";

    ASSERT_TRUE(run().ok());

    std::vector<std::string> expected(scaffoldPackagePaths.begin(), scaffoldPackagePaths.end());
    expected.insert(expected.end(), notesMasterPackagePaths.begin(), notesMasterPackagePaths.end());
    for (auto path :
         {"ppt/media/image1.jpg", "ppt/media/logo.png", "ppt/media/image2.png",
          "ppt/slides/slide1.xml", "ppt/slides/_rels/slide1.xml.rels",
          "ppt/notesSlides/notesSlide1.xml", "ppt/notesSlides/_rels/notesSlide1.xml.rels",
          "ppt/slides/slide2.xml", "ppt/slides/_rels/slide2.xml.rels", "ppt/slides/slide3.xml",
          "ppt/slides/_rels/slide3.xml.rels", "ppt/presentation.xml", "ppt/presProps.xml",
          "ppt/_rels/presentation.xml.rels", "[Content_Types].xml", "_rels/.rels",
          "docProps/core.xml", "docProps/app.xml"})
        expected.push_back(path);
    std::vector<std::string> paths;
    for (const auto& m : members())
        paths.push_back(m.path);
    EXPECT_EQ(paths, expected);

    // At best quality the stored JPEG and PNG go in unchanged.
    EXPECT_EQ(member("ppt/media/image1.jpg"), readFileBytes(fixturePath("orient-1.jpg")).view());
    EXPECT_EQ(member("ppt/media/image2.png"), readFileBytes(fixturePath("picture.png")).view());

    const auto image = ooxml::relationshipType("image");
    const auto layout = Relationship{"rId1", ooxml::relationshipType("slideLayout"),
                                     "../slideLayouts/slideLayout7.xml"};
    EXPECT_EQ(member("ppt/slides/_rels/slide1.xml.rels"),
              relationshipsXML({{"rId1", layout.type, std::string(titleLayoutTarget)},
                                {"rId2", image, "../media/image1.jpg"},
                                {"rId3", image, "../media/logo.png"},
                                {"rId4", ooxml::relationshipType("notesSlide"),
                                 "../notesSlides/notesSlide1.xml"}}));
    EXPECT_EQ(member("ppt/slides/_rels/slide2.xml.rels"),
              relationshipsXML({layout,
                                {"rId2", image, "../media/image2.png"},
                                {"rId3", image, "../media/image1.jpg"},
                                {"rId4", image, "../media/logo.png"}}));
    // The 64 by 40 logo keeps its aspect in the top trailing corner's 1 by 0.4 inch box, against
    // its right edge, as the preview draws it. Every exported slide uses layout 7, the blank one.
    // Excluded slides take no number: the section slide prints 3, as a field clients renumber.
    const std::string one = "ppt/slides/slide1.xml", three = "ppt/slides/slide3.xml";
    for (const auto& [path, part] : std::vector<std::pair<std::string, std::string>>{
             {one, "<a:off x=\"11423904\" y=\"182880\"/><a:ext cx=\"585216\" cy=\"365760\"/>"},
             {one, "descr=\"Boats\""},
             {one, "<p:ph type=\"title\"/>"},
             {one, "lang=\"fr-FR\""},
             {one, "<a:t>Arrival</a:t>"},
             {one, "<p:transition spd=\"slow\" advTm=\"7000\"><p:fade/></p:transition>"},
             {"ppt/slides/slide2.xml",
              "<p:transition spd=\"med\"><p:push dir=\"l\"/></p:transition>"},
             {"ppt/presProps.xml", "<p:showPr loop=\"1\" useTimings=\"1\"/>"},
             {"ppt/slideLayouts/slideLayout7.xml", "type=\"blank\""},
             {three, "type=\"slidenum\">"},
             {three, "<a:t>3</a:t>"},
             {three, "<a:t>Section</a:t>"},
             {"ppt/notesSlides/notesSlide1.xml", "<a:t>  first notes</a:t>"}})
        EXPECT_THAT(member(path), HasSubstr(part)) << path;
    EXPECT_EQ(member("[Content_Types].xml"), contentTypesXML(3, {1}));

    std::vector<double> fractions;
    for (const auto& r : reports)
        fractions.push_back(r.fraction);
    EXPECT_EQ(fractions,
              (std::vector<double>{0.02, 0.05, 0.05 + 0.8 / 3, 0.05 + 1.6 / 3, 0.95, 1.0}));
    EXPECT_EQ(reports[0].message, "Preparing slides\u2026");
    EXPECT_EQ(reports[5].message, "Done");
    EXPECT_EQ(namesIn(folder.path()), std::set<std::string>{"deck.pptx"});
}

TEST_F(ExportTest, DeckWithEverySlideExcludedIsTheScaffoldAndPackageParts) {
    request.project.slides.push_back(sectionDividerSlide());
    request.project.slides.back().isExcluded = true;
    request.project.slides.back().notes = "not exported";
    ASSERT_TRUE(run().ok());
    EXPECT_EQ(members().size(), scaffoldPackagePaths.size() + 7);
    EXPECT_THAT(member("ppt/presentation.xml"), HasSubstr("<p:sldIdLst></p:sldIdLst>"));
    EXPECT_THAT(member("docProps/app.xml"), HasSubstr("<Slides>0</Slides>"));
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[1].fraction, 0.95);
}

TEST_F(ExportTest, PicturesThatCannotBeShownAreLeftOut) {
    request.quality = QualityPreset::balanced;
    const auto good = add(pictureRecord("good.jpg"), "orient-1.jpg").id;
    auto noBytes = pictureRecord("gone.jpg");
    request.project.images.push_back(noBytes);
    auto failed = pictureRecord("failed.jpg");
    failed.importError = "This file could not be read as an image.";
    add(failed, "text.jpg");

    request.project.slides.push_back(slideOf(SlideLayoutKind::twoUp, {noBytes.id, good}));
    request.project.slides.push_back(slideOf(SlideLayoutKind::oneImage, {failed.id}));
    request.project.slides.push_back(slideOf(SlideLayoutKind::oneImage, {Uuid::random()}));
    ASSERT_TRUE(run().ok());

    EXPECT_EQ(
        member("ppt/slides/_rels/slide1.xml.rels"),
        relationshipsXML(
            {{"rId1", ooxml::relationshipType("slideLayout"), "../slideLayouts/slideLayout7.xml"},
             {"rId2", ooxml::relationshipType("image"), "../media/image1.jpg"}}));
    for (const auto* slide : {"ppt/slides/slide2.xml", "ppt/slides/slide3.xml"})
        EXPECT_THAT(member(slide), Not(HasSubstr("<p:pic>"))) << slide;
    EXPECT_EQ(mediaCount(), 1u);
}

TEST_F(ExportTest, ParallelEncodingWritesTheSamePackageAsOneThread) {
    request.quality = QualityPreset::balanced;
    request.project.appearance.branding.logoFileName = "logo.png";
    request.logoData = readFileBytes(fixturePath("alpha.png"));
    const std::vector<std::pair<std::string, std::string>> files{
        {"orient-1.jpg", "public.jpeg"},
        {"orient-6.jpg", "public.jpeg"},
        {"picture.png", "public.png"},
        {"alpha.png", "public.png"},
        {"picture.webp", "org.webmproject.webp"}};
    std::vector<std::optional<Uuid>> ids;
    for (const auto& [file, uti] : files)
        ids.push_back(add(pictureRecord(file, uti), file).id);
    request.project.slides.push_back(
        slideOf(SlideLayoutKind::fourGrid, {ids[0], ids[1], ids[2], ids[3]}));
    request.project.slides.push_back(slideOf(SlideLayoutKind::twoUp, {ids[4], ids[0]}));

    ExportOptions options;
    options.timestamp = parseInternetDate("2026-12-05T09:11:25Z");
    options.encodingThreads = 1;
    ASSERT_TRUE(run(options).ok());
    const Bytes sequential = readFileBytes(folder / "deck.pptx");
    for (unsigned threads : {3u, 8u}) {
        options.encodingThreads = threads;
        ASSERT_TRUE(run(options).ok());
        EXPECT_TRUE(readFileBytes(folder / "deck.pptx") == sequential) << threads << " threads";
        EXPECT_TRUE(
            std::is_sorted(reports.begin(), reports.end(),
                           [](const auto& x, const auto& y) { return x.fraction < y.fraction; }));
    }
    EXPECT_EQ(mediaCount(), files.size() + 1);
}

// A cancellation while a slide is built, or with the last report before the file is put in
// place, ends the export there and leaves the destination as it was.
TEST_F(ExportTest, CancelStopsAtTheReportItArrivesWithAndLeavesTheDestinationAlone) {
    const auto a = add(pictureRecord("A.jpg"), "orient-1.jpg").id;
    for (int i = 0; i < 10; ++i)
        request.project.slides.push_back(singleImageSlide(a, ""));
    const Bytes old(std::string_view("previous export"));
    request.destination = folder / "deck.pptx";
    testing::writeFileBytes(request.destination, old);
    for (const std::string at : {"Building slide 3 of 10\u2026", "Writing presentation\u2026"}) {
        ExportCancellation cancel;
        std::vector<std::string> messages;
        auto result = exportPresentation(
            request,
            [&](const ExportProgress& p) {
                messages.push_back(p.message);
                if (p.message == at)
                    cancel.cancel();
            },
            cancel);
        ASSERT_FALSE(result.ok()) << at;
        EXPECT_TRUE(isExportCancellation(result.error()));
        EXPECT_EQ(messages.back(), at);
        EXPECT_EQ(readFileBytes(folder / "deck.pptx"), old);
        EXPECT_EQ(namesIn(folder.path()), std::set<std::string>{"deck.pptx"});
    }
}

// A disk that fails at the last moment, flushing the file or putting it in place (named from the
// start or only then), fails the export with the system's reason and leaves the earlier export.
TEST_F(ExportTest, FailedFlushOrRenameLeavesTheEarlierFileAndNoTemporary) {
    const auto a = add(pictureRecord("A.jpg"), "orient-1.jpg").id;
    request.project.slides.push_back(singleImageSlide(a, ""));
    const Bytes old(std::string_view("previous export"));
    for (const bool unnamed : {true, false}) {
        for (const std::string step : {"flush", "link", "rename"}) {
            if (step == "link" && !unnamed)
                continue;
            SCOPED_TRACE(step + (unnamed ? " unnamed" : " named"));
            testing::writeFileBytes(folder / "deck.pptx", old);
            testing::FaultyFileSystem faulty;
            faulty.failFirst = step;
            faulty.unnamedUnsupported = !unnamed;
            ExportOptions options;
            options.file.files = &faulty;
            auto result = run(options);
            ASSERT_FALSE(result.ok());
            EXPECT_EQ(faulty.failed.size(), 1u);
            EXPECT_EQ(result.error().message,
                      "The file “deck.pptx” could not be written: Input/output error.");
            EXPECT_NE(reports.back().message, "Done");
            EXPECT_EQ(readFileBytes(folder / "deck.pptx"), old);
            EXPECT_EQ(namesIn(folder.path()), std::set<std::string>{"deck.pptx"});
        }
    }
}

// Pictures that live in files are read while the export runs, so what happened to a file since
// it was imported decides the outcome: a source changed after planning fails that picture
// instead of mixing versions.
TEST_F(ExportTest, ASourceChangedAfterPlanningFailsThatPictureInsteadOfMixingVersions) {
    const fs::path beach = folder / "beach.jpg";
    const fs::path dunes = folder / "dunes.jpg";
    fs::copy_file(fixturePath("orient-1.jpg"), beach);
    fs::copy_file(fixturePath("orient-6.jpg"), dunes);
    // Planned without a staging folder: the files are read again at export time.
    const auto plan = planImportOfFiles({beach, dunes}, {});
    ASSERT_TRUE(plan);
    ASSERT_EQ(plan->items.size(), 2u);
    for (const auto& item : plan->items) {
        const Uuid id = Uuid::random();
        request.project.images.push_back(makeSourceImage(item, id));
        request.project.slides.push_back(singleImageSlide(id, ""));
        request.imageData[id] = item.data;
    }
    ASSERT_TRUE(run());

    for (QualityPreset quality : {QualityPreset::best, QualityPreset::balanced}) {
        // Rewritten in place with the same size: one byte differs.
        Bytes changed = readFileBytes(fixturePath("orient-6.jpg"));
        std::vector<std::uint8_t> edited(changed.begin(), changed.end());
        edited[edited.size() / 2] ^= 0x01;
        fs::remove(folder / "deck.pptx");
        writeFileBytes(dunes, Bytes(std::move(edited)));
        request.quality = quality;
        auto exported = run();
        ASSERT_FALSE(exported);
        EXPECT_EQ(exported.error().message, "dunes.jpg: " + std::string(changedSourceMessage));
        EXPECT_FALSE(fs::exists(folder / "deck.pptx"));
        fs::copy_file(fixturePath("orient-6.jpg"), dunes, fs::copy_options::overwrite_existing);
    }
    // Put back as it was, the file exports again.
    EXPECT_TRUE(run());
}

// A picture (here a member truncated while the project is open) or a logo that does not decode
// ends the export naming it, at any quality, and writes no file.
TEST_F(ExportTest, AMemberTruncatedWhileTheProjectIsOpenOrABadLogoEndsTheExportNamingIt) {
    const Bytes jpeg = readFileBytes(fixturePath("orient-1.jpg"));
    PackageSnapshot saved;
    SourceImage image = pictureRecord("harbour.jpg");
    image.byteCount = static_cast<std::int64_t>(jpeg.size());
    saved.project.images.push_back(image);
    saved.project.slides.push_back(singleImageSlide(image.id, ""));
    saved.images[image.id] = jpeg;
    const fs::path package = folder / "Trip.mosavelle";
    ASSERT_TRUE(writeProjectPackage(saved, package));

    // Staged (linked from the package, as the application opens it), the export reads the
    // member's bytes; the tool's reading in place is the tool suite's.
    auto staged =
        readProjectPackage(package, realFileSystem(), StagingFolder::create(folder / "staging"));
    ASSERT_TRUE(staged);
    request.project = staged->project;
    request.imageData.insert(staged->images.begin(), staged->images.end());
    ASSERT_TRUE(run());
    fs::remove(folder / "deck.pptx");

    ASSERT_EQ(::truncate((package / "images" / image.storedFileName).c_str(),
                         static_cast<off_t>(jpeg.size() / 2)),
              0);
    ExportOptions options;
    options.encodingThreads = 2;
    for (QualityPreset quality : {QualityPreset::best, QualityPreset::small}) {
        request.quality = quality;
        const auto exported = run(options);
        ASSERT_FALSE(exported);
        EXPECT_EQ(exported.error().message,
                  "harbour.jpg: This file could not be read as an image.");
        EXPECT_FALSE(isExportCancellation(exported.error()));
        EXPECT_NE(reports.back().message, "Done");
        EXPECT_FALSE(fs::exists(folder / "deck.pptx"));
    }

    // A logo that does not decode ends the export the same way, named by the deck's name for it.
    request.project.slides = {sectionDividerSlide()};
    request.project.appearance.branding.logoFileName = "brand.png";
    request.logoData = readFileBytes(fixturePath("text.jpg"));
    const auto exported = run(options);
    ASSERT_FALSE(exported);
    EXPECT_EQ(exported.error().message, "brand.png: This file could not be read as an image.");
    EXPECT_FALSE(fs::exists(folder / "deck.pptx"));
}

// Where a picture element puts a point of its media file on the slide, in EMU, as drawing
// programs read it: `srcRect` cuts the stored pixels, `a:stretch` fills the box with what is left,
// then the box is flipped and turned clockwise about its centre. (s, t) are fractions of the
// stored width and height.
struct DrawnShape {
    double x, y, w, h, l, t, r, b, degrees;
    bool flipH, flipV;

    explicit DrawnShape(const std::string& xml) {
        const auto number = [&](const std::string& attribute) {
            const auto at = xml.find(" " + attribute + "=\"");
            return at == std::string::npos ? 0.0 : std::stod(xml.substr(at + attribute.size() + 3));
        };
        x = number("x"), y = number("y"), w = number("cx"), h = number("cy");
        l = number("l") / 1e5, t = number("t") / 1e5, r = number("r") / 1e5, b = number("b") / 1e5;
        degrees = number("rot") / 60000;
        flipH = number("flipH") == 1, flipV = number("flipV") == 1;
    }

    std::pair<double, double> place(double s, double u) const {
        double px = x + (s - l) / (1 - l - r) * w, py = y + (u - t) / (1 - t - b) * h;
        const double cx = x + w / 2, cy = y + h / 2, a = degrees * std::numbers::pi / 180;
        if (flipH)
            px = 2 * cx - px;
        if (flipV)
            py = 2 * cy - py;
        return {cx + (px - cx) * std::cos(a) - (py - cy) * std::sin(a),
                cy + (px - cx) * std::sin(a) + (py - cy) * std::cos(a)};
    }
};

// A JPEG stored turned is shown by turning its shape: for every EXIF orientation, fitted and
// filled, with crops off centre across and down and the slide's own rotation, each visible corner
// of the stored pixels lands where the same point of the upright picture lands when the export
// turns the pixels themselves.
TEST_F(ExportTest, EveryStoredOrientationShowsOnTheSlideAsThePixelsTurnedUpright) {
    const std::vector<Placement> placements{{SizingMode::fit, {}, 0, 1.0},
                                            {SizingMode::fill, {0.2, 0.9}, 0, 1.0},
                                            {SizingMode::fill, {0.7, 0.1}, 30, 1.0},
                                            {SizingMode::fit, {}, -110, 1.0},
                                            {SizingMode::fill, {0.85, 0.3}, 15, 1.0}};
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const auto id =
            add(pictureRecord("p.jpg"), "orient-" + std::to_string(orientation) + ".jpg").id;
        for (const Placement& placement : placements) {
            // A wide slide cuts the picture's top and bottom; the last placement goes in the
            // tall left place of two across, which cuts its sides.
            Slide slide = &placement != &placements.back()
                              ? singleImageSlide(id, "")
                              : slideOf(SlideLayoutKind::twoUp, {id, id});
            slide.placementOverride = placement;
            slide.slots[0].crop = placement.crop;
            request.project.slides.push_back(slide);
        }
    }
    const auto shapes = [&](RotatedJpeg way) {
        ExportOptions options;
        options.rotatedJpeg = way;
        EXPECT_TRUE(run(options).ok());
        std::vector<DrawnShape> drawn;
        for (std::size_t n = 1; n <= request.project.slides.size(); ++n) {
            const std::string slide = member("ppt/slides/slide" + std::to_string(n) + ".xml");
            drawn.emplace_back(slide.substr(slide.find("<p:pic>")));
        }
        return drawn;
    };
    const auto upright = shapes(RotatedJpeg::turnLosslessly);
    const auto turned = shapes(RotatedJpeg::turnByShape);
    // The upright point shown by the stored point (s, t) of each orientation.
    const std::array<std::function<std::pair<double, double>(double, double)>, 9> uprightOf{
        nullptr,
        [](double s, double t) { return std::pair(s, t); },
        [](double s, double t) { return std::pair(1 - s, t); },
        [](double s, double t) { return std::pair(1 - s, 1 - t); },
        [](double s, double t) { return std::pair(s, 1 - t); },
        [](double s, double t) { return std::pair(t, s); },
        [](double s, double t) { return std::pair(1 - t, s); },
        [](double s, double t) { return std::pair(1 - t, 1 - s); },
        [](double s, double t) { return std::pair(t, 1 - s); }};
    constexpr double kEmu = 2000;  // rounding of EMU and crop percentages, far below a pixel
    for (std::size_t k = 0; k < turned.size(); ++k) {
        const int orientation = int(k / placements.size()) + 1;
        SCOPED_TRACE("orientation " + std::to_string(orientation) + ", slide " +
                     std::to_string(k + 1));
        const DrawnShape& shape = turned[k];
        for (const double s : {shape.l, 1 - shape.r})
            for (const double t : {shape.t, 1 - shape.b}) {
                const auto [u, v] = uprightOf[orientation](s, t);
                const auto at = shape.place(s, t);
                const auto expected = upright[k].place(u, v);
                EXPECT_NEAR(at.first, expected.first, kEmu);
                EXPECT_NEAR(at.second, expected.second, kEmu);
                // And that point is a corner of what the upright export shows.
                EXPECT_NEAR(u, u < 0.5 ? upright[k].l : 1 - upright[k].r, 1e-4);
                EXPECT_NEAR(v, v < 0.5 ? upright[k].t : 1 - upright[k].b, 1e-4);
            }
    }
}

TEST_F(ExportTest, PictureIsEncodedAtItsFirstPlacement) {
    const Bytes large = testing::blackPicture(4000, 3000, ".jpg");
    // Fill makes each frame as wide as its area: small in a four-picture grid, large alone.
    request.quality = QualityPreset::small;
    request.project.appearance.defaultPlacement.mode = SizingMode::fill;
    auto photo = pictureRecord("photo.jpg", "public.jpeg", 4000, 3000);
    request.imageData[photo.id] = large;
    request.project.images.push_back(photo);
    const auto widthOfMedia = [&] {
        const auto data = member("ppt/media/image1.jpg");
        VipsImageHandle image(vips_image_new_from_buffer(data.data(), data.size(), "", nullptr));
        return image ? vips_image_get_width(image.get()) : 0;
    };

    request.project.slides = {slideOf(SlideLayoutKind::fourGrid, {photo.id}),
                              slideOf(SlideLayoutKind::oneImage, {photo.id})};
    ASSERT_TRUE(run().ok());
    const int smallFirst = widthOfMedia();
    std::reverse(request.project.slides.begin(), request.project.slides.end());
    ASSERT_TRUE(run().ok());
    const int largeFirst = widthOfMedia();
    EXPECT_GT(largeFirst, smallFirst);
}

TEST(ExportEstimate, CountsEveryPlacementOfExportedSlidesOnlyAndNamesTheFile) {
    Project project;
    const SourceImage shared = pictureRecord("a.jpg");
    const SourceImage excludedOnly = pictureRecord("b.jpg");
    project.images = {shared, excludedOnly};
    project.slides = {singleImageSlide(shared.id, ""), singleImageSlide(shared.id, ""),
                      singleImageSlide(excludedOnly.id, "")};
    project.slides[2].isExcluded = true;
    project.slides.push_back(sectionDividerSlide());
    ImageDataMap bytes{{shared.id, Bytes(std::string(1000000, 'x'))},
                       {excludedOnly.id, Bytes(std::string(5000, 'y'))}};
    EXPECT_EQ(estimatedFileSize(project, bytes, QualityPreset::best), 2080000);
    // Below best a picture counts once, by the pixels it is written at: 1920 x 1440 at balanced.
    project.images[0].pixelWidth = 4000, project.images[0].pixelHeight = 3000;
    const auto balanced = *estimatedFileSize(project, bytes, QualityPreset::balanced) - 80000;
    EXPECT_GT(balanced, 1920 * 1440 / 10);
    EXPECT_LT(balanced, 1920 * 1440 / 5);
    EXPECT_LT(*estimatedFileSize(project, bytes, QualityPreset::small) - 80000, balanced / 2);

    // Without the bytes of the only exported picture there is nothing to estimate.
    bytes.erase(shared.id);
    EXPECT_FALSE(estimatedFileSize(project, bytes, QualityPreset::best));

    // The suggested name prefers the base name, then the first picture's, then the project's.
    project.export_.suggestedBaseName = "";
    Project unnamed;
    unnamed.export_.suggestedBaseName = "";
    EXPECT_EQ(suggestedFileName(unnamed), "Presentation.pptx");
    project.images = {pictureRecord("holiday.final.HEIC"), pictureRecord("z.jpg")};
    EXPECT_EQ(suggestedFileName(project), "holiday.final.pptx");
    project.export_.suggestedBaseName = "Presentation";  // the default: the project's name wins
    EXPECT_EQ(suggestedFileName(project, "Holiday 2023"), "Holiday 2023.pptx");
    project.export_.suggestedBaseName = "Trip 2026";
    EXPECT_EQ(suggestedFileName(project, "Holiday 2023"), "Trip 2026.pptx");
    project.export_.suggestedBaseName = "a/b";
    EXPECT_EQ(suggestedFileName(project), "a-b.pptx");
}

using testing::blackPicture;
using testing::fixtureBytes;

constexpr const char* kUnreadable = "This file could not be read as an image.";

SourceImage picture(std::string uti, bool hasAlpha = false) {
    SourceImage image;
    image.uti = std::move(uti);
    image.hasAlpha = hasAlpha;
    return image;
}

// `bytes` opened by libvips (stored grid, nothing applied), cut to `crop` (x, y, width, height)
// when given, enlarged `scale` times pixel by pixel, and saved as `suffix`, e.g. ".png".
Bytes resave(const Bytes& bytes, const char* suffix, std::array<int, 4> crop = {}, int scale = 1) {
    VipsImageHandle image(vips_image_new_from_buffer(bytes.data(), bytes.size(), "", nullptr));
    VipsImage* cut = nullptr;
    if (crop[2] > 0 &&
        vips_crop(image.get(), &cut, crop[0], crop[1], crop[2], crop[3], nullptr) == 0)
        image.reset(cut);
    if (scale > 1 && vips_zoom(image.get(), &cut, scale, scale, nullptr) == 0)
        image.reset(cut);
    return testing::savedAs(image.get(), suffix);
}

// An encoded file as libvips reads it, in one line: loader, size, bands, orientation, whether it
// carries EXIF and a profile, e.g. "jpegload_buffer 64x40 b3 o1 exif".
std::string facts(const Bytes& bytes) {
    VipsImageHandle image(vips_image_new_from_buffer(bytes.data(), bytes.size(), "", nullptr));
    if (!image)
        return "unreadable";
    const char* loader = "";
    vips_image_get_string(image.get(), "vips-loader", &loader);
    return std::string(loader) + " " + std::to_string(vips_image_get_width(image.get())) + "x" +
           std::to_string(vips_image_get_height(image.get())) + " b" +
           std::to_string(vips_image_get_bands(image.get())) + " o" +
           std::to_string(vips_image_get_orientation(image.get())) +
           (vips_image_get_typeof(image.get(), VIPS_META_EXIF_NAME) ? " exif" : "") +
           (vips_image_get_typeof(image.get(), VIPS_META_ICC_NAME) ? " icc" : "");
}

// First value of the first quantisation table: libjpeg scales the standard luminance table
// (first value 16) by the quality, giving 2 at 95, 5 at 85 and 10 at 70.
int firstQuantValue(const Bytes& jpeg) {
    const std::uint8_t* d = jpeg.data();
    for (std::size_t at = 2; at + 5 < jpeg.size() && d[at] == 0xFF;
         at += 2 + ((std::size_t(d[at + 2]) << 8) | d[at + 3]))
        if (d[at + 1] == 0xDB)
            return d[at + 5];
    return -1;
}

// The size and corner colours of the fixture scene once decoded, e.g. "64x40 RG..".
std::string corners(const Bytes& encoded) {
    auto image = decodeFirstFrame(encoded);
    return image ? testing::describe(*image) : "undecodable";
}

Result<EncodedPicture> encode(const Bytes& bytes, const SourceImage& image, QualityPreset preset,
                              double inches = 5,
                              RotatedJpeg rotatedJpeg = RotatedJpeg::turnByShape) {
    return encodePicture(bytes, inches, image, preset, rotatedJpeg);
}

// orient-6.jpg with its orientation code stored as a 32-bit LONG instead of a SHORT.
Bytes orientationStoredAsLong() {
    const Bytes stored = fixtureBytes("orient-6.jpg");
    std::vector<std::uint8_t> bytes(stored.begin(), stored.end());
    const std::uint8_t asShort[] = {0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0};
    const std::uint8_t asLong[] = {0x01, 0x12, 0, 4, 0, 0, 0, 1, 0, 0, 0, 6};
    const auto entry =
        std::search(bytes.begin(), bytes.end(), std::begin(asShort), std::end(asShort));
    EXPECT_NE(entry, bytes.end());
    if (entry != bytes.end())
        std::copy(std::begin(asLong), std::end(asLong), entry);
    return Bytes(std::move(bytes));
}

// At best, a rotated JPEG whose turn is left to the picture shape keeps its bytes but for the
// orientation value, set to 1: the low byte of its field.
void expectKeptForTheShape(const Bytes& bytes, int code) {
    auto result = encode(bytes, picture("public.jpeg"), QualityPreset::best);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->orientation, code);
    ASSERT_EQ(result->data.size(), bytes.size());
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (result->data.data()[i] != bytes.data()[i])
            changed.push_back(i);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(result->data.data()[changed[0]], 1);
    std::string expected = facts(bytes);  // the stored grid, with orientation 1
    expected.replace(expected.find(" o"), 3, " o1");
    EXPECT_EQ(facts(result->data), expected);
}

TEST(PictureEncoding, BestTurnsRotatedJpegLosslesslyOrKeepsItsBytesForTheShape) {
    std::vector<std::tuple<std::string, Bytes, int>> rotated;
    for (int n = 2; n <= 8; ++n)
        rotated.emplace_back("orientation " + std::to_string(n),
                             fixtureBytes("orient-" + std::to_string(n) + ".jpg"), n);
    rotated.emplace_back("orientation 6 as LONG", orientationStoredAsLong(), 6);
    ASSERT_EQ(facts(std::get<1>(rotated.back())), "jpegload_buffer 40x64 b3 o6 exif");
    for (const auto& [name, bytes, code] : rotated) {
        SCOPED_TRACE(name);
        expectKeptForTheShape(bytes, code);
        auto turned = encode(bytes, picture("public.jpeg"), QualityPreset::best, 5,
                             RotatedJpeg::turnLosslessly);
        ASSERT_TRUE(turned);
        EXPECT_EQ(turned->orientation, 1);
        // A re-encode would drop the EXIF segment; the turn keeps it with orientation 1.
        EXPECT_EQ(facts(turned->data), "jpegload_buffer 64x40 b3 o1 exif");
        EXPECT_EQ(corners(turned->data), "64x40 RG..");
    }
}

// Every orientation of a camera-sized picture of each type, whose turn cannot follow the order the
// file is read in: facts, each thumbnail bucket and the export at each quality come out upright.
class CameraSizedPicture : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(CameraSizedPicture, EveryOrientationComesUprightInFactsThumbnailsAndExports) {
    const auto [suffix, uti] = GetParam();
    const auto upright = [](PixelSize size) {
        return std::to_string(size.width) + "x" + std::to_string(size.height) + " RG..";
    };
    for (int code = 1; code <= 8; ++code) {
        SCOPED_TRACE(code);
        const std::string name = "orient-" + std::to_string(code) + ".jpg";
        const Bytes bytes = resave(fixtureBytes(name), suffix, {}, 25);  // 1600x1000 upright
        const auto source = openImageSource(bytes);
        const auto* info = source ? std::get_if<DecodedImageInfo>(&source->facts()) : nullptr;
        ASSERT_TRUE(info);
        EXPECT_EQ(std::tuple(info->pixelWidth, info->pixelHeight, info->orientation),
                  std::tuple(1600, 1000, std::uint32_t(code)));
        for (const int bucket : thumbnailBuckets) {
            const auto thumb = source->decodeThumbnail(bucket);
            EXPECT_EQ(thumb ? testing::describe(*thumb) : "none",
                      upright(boundedSize({1600, 1000}, bucket)));
        }
        for (const auto preset : {QualityPreset::best, QualityPreset::balanced,
                                  QualityPreset::small}) {  // small: 1280 pixels
            const auto result = encode(bytes, picture(uti), preset, 5, RotatedJpeg::turnLosslessly);
            EXPECT_EQ(result && result->orientation == 1 ? corners(result->data) : "none",
                      upright(boundedSize({1600, 1000}, targetLongEdge(preset, 5))));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, CameraSizedPicture,
                         ::testing::Values(std::pair(".jpg", "public.jpeg"),
                                           std::pair(".png[compression=1]", "public.png"),
                                           std::pair(".tif", "public.tiff"),
                                           std::pair(".webp[effort=0]", "org.webmproject.webp")));

TEST(PictureEncoding, BestRotatedPictureWithoutLosslessTurnIsWrittenAgainUpright) {
    // The 40x64 grid of orientation 6 cut to 40x60 with 2x2 chroma blocks: a quarter turn would
    // leave a partial 16-pixel block on the new left edge.
    const Bytes cut = resave(fixtureBytes("orient-6.jpg"), ".jpg[Q=80]", {0, 4, 40, 60});
    ASSERT_EQ(facts(cut), "jpegload_buffer 40x60 b3 o6 exif");
    expectKeptForTheShape(cut, 6);  // the shape needs no lossless turn
    auto jpeg =
        encode(cut, picture("public.jpeg"), QualityPreset::best, 5, RotatedJpeg::turnLosslessly);
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(facts(jpeg->data), "jpegload_buffer 60x40 b3 o1");
    EXPECT_EQ(firstQuantValue(jpeg->data), 2);  // written at 0.95, not at the source's 0.8
    EXPECT_EQ(corners(jpeg->data), "60x40 RG..");
}

TEST(PictureEncoding, SizeFollowsTargetFloorAndRoundingAndNeverGrows) {
    const auto blackJpeg = [](int w, int h, int orientation) {
        return blackPicture(w, h, ".jpg[Q=90]", 3, orientation);
    };
    const Bytes photo = blackPicture(3200, 2400, ".jpg[Q=90]");
    struct Case {
        Bytes bytes;
        const char* uti;
        QualityPreset preset;
        double inches;
        const char* size;
        int quant;  // 0: PNG output
    };
    for (const auto& c : std::vector<Case>{
             {photo, "public.jpeg", QualityPreset::balanced, 5, "1920x1440", 5},  // floor 1920
             {photo, "public.jpeg", QualityPreset::balanced, 20, "3000x2250", 5},
             {photo, "public.jpeg", QualityPreset::small, 5, "1280x960", 10},      // floor 1280
             {photo, "public.jpeg", QualityPreset::balanced, 40, "3200x2400", 5},  // no growth
             // Decoded at a half: exactly the target, one pixel over and under it (the decoder
             // rounds a halved side down), and stored sideways (the scale follows the stored
             // sides, the result is upright).
             {blackJpeg(3840, 2880, 1), "public.jpeg", QualityPreset::balanced, 5, "1920x1440", 5},
             {blackJpeg(3841, 2881, 1), "public.jpeg", QualityPreset::balanced, 5, "1920x1440", 5},
             {blackJpeg(3839, 2879, 1), "public.jpeg", QualityPreset::balanced, 5, "1920x1440", 5},
             {blackJpeg(4000, 3000, 6), "public.jpeg", QualityPreset::small, 5, "960x1280", 10},
             // An eighth of 10241 x 7 pixels would be 0 pixels high, which the decoder cannot
             // make (libvips aborts the process on it).
             {blackJpeg(10241, 7, 1), "public.jpeg", QualityPreset::small, 5, "1280x1", 10},
             {blackPicture(10000, 500, ".tif"), "public.tiff", QualityPreset::best, 5, "8000x400",
              2},
             // 2560 -> 1280 halves 1001 to 500.5, which rounds away from zero.
             {blackPicture(2560, 1001, ".png"), "public.png", QualityPreset::small, 5, "1280x501",
              0},
             {blackPicture(3, 10000, ".png"), "public.png", QualityPreset::small, 5, "1x1280",
              0}}) {
        SCOPED_TRACE(std::string(c.uti) + " " + c.size);
        auto result = encode(c.bytes, picture(c.uti), c.preset, c.inches);
        ASSERT_TRUE(result);
        EXPECT_THAT(facts(result->data), HasSubstr(std::string(" ") + c.size + " "));
        if (c.quant != 0) {
            EXPECT_EQ(firstQuantValue(result->data), c.quant);
        }
    }
    // Below best nothing passes through, however small.
    const Bytes small = blackPicture(1200, 800, ".jpg[Q=100]");
    auto again = encode(small, picture("public.jpeg"), QualityPreset::balanced);
    ASSERT_TRUE(again);
    EXPECT_EQ(facts(again->data), "jpegload_buffer 1200x800 b3 o1");
    EXPECT_EQ(firstQuantValue(again->data), 5);
}

TEST(PictureEncoding, OutputTypeFollowsAlphaPngAndGifAndCarriesNoMetadata) {
    const Bytes alphaTiff = resave(fixtureBytes("alpha.png"), ".tif");
    for (auto [bytes, image, expected] : std::vector<std::tuple<Bytes, SourceImage, const char*>>{
             {fixtureBytes("picture.png"), picture("public.png"), "pngload_buffer 64x40 b3 o1"},
             {fixtureBytes("animated.gif"), picture("com.compuserve.gif"), "pngload_buffer 64x40"},
             {alphaTiff, picture("public.tiff", true), "pngload_buffer 64x40 b4 o1"},
             {fixtureBytes("picture.webp"), picture("org.webmproject.webp"),
              "jpegload_buffer 64x40 b3"},
             {fixtureBytes("cmyk.jpg"), picture("public.jpeg"), "jpegload_buffer 64x40 b3 o1"},
             {blackPicture(4000, 3000, ".jpg", 1), picture("public.jpeg"),
              "jpegload_buffer 1920x1440 b3 o1"},
             {fixtureBytes("orient-6.jpg"), picture("public.jpeg"),
              "jpegload_buffer 64x40 b3 o1"}}) {
        auto result = encode(bytes, image, QualityPreset::balanced);
        ASSERT_TRUE(result) << expected;
        EXPECT_EQ(result->orientation, 1) << expected;
        const std::string written = facts(result->data);
        EXPECT_EQ(written.substr(0, std::string(expected).size()), expected);
        EXPECT_THAT(written, Not(AnyOf(HasSubstr("exif"), HasSubstr("icc"))));
        EXPECT_EQ(result->extensionName, written[0] == 'p' ? "png" : "jpg");
    }

    // Alpha the recorded facts did not announce is composed over white (not black) for JPEG.
    auto flat = encode(alphaTiff, picture("public.tiff"), QualityPreset::balanced);
    ASSERT_TRUE(flat);
    auto pixels = decodeFirstFrame(flat->data);
    ASSERT_TRUE(pixels);
    EXPECT_NEAR(pixels->pixel(3, 3)[0], 229, 6);  // 220,30,30 at alpha 192 over 255
    EXPECT_NEAR(pixels->pixel(3, 3)[1], 86, 6);
}

TEST(PictureEncoding, UndecodablePicturesAndLogosFailWithTheUnreadableSentenceEvenAtBest) {
    // A PNG header declaring 100,000 x 100,000 pixels and nothing else.
    const Bytes header = fixtureBytes("zero-width.png");
    std::vector<std::uint8_t> declared(header.begin(), header.end());
    for (int at : {16, 20})
        declared[at] = 0, declared[at + 1] = 0x01, declared[at + 2] = 0x86, declared[at + 3] = 0xA0;
    const Bytes hostile(std::move(declared));
    const Bytes png = fixtureBytes("picture.png");
    const Bytes cutPng(png.data(), png.size() - 20);
    // At best these would be copied unread if their record alone were trusted.
    for (const auto preset : {QualityPreset::balanced, QualityPreset::best}) {
        for (const auto& [bytes, uti] : std::vector<std::pair<Bytes, const char*>>{
                 {fixtureBytes("text.jpg"), "public.jpeg"},
                 {fixtureBytes("truncated.jpg"), "public.jpeg"},
                 {fixtureBytes("document.pdf"), "public.jpeg"},
                 {Bytes(std::vector<std::uint8_t>(1000, 0)), "public.jpeg"},
                 {hostile, "public.png"},
                 {cutPng, "public.png"},
                 {Bytes(), "public.png"},
                 {Bytes(), "public.tiff"}}) {
            auto result = encode(bytes, picture(uti), preset);
            ASSERT_FALSE(result) << bytes.size() << " " << uti << " " << int(preset);
            EXPECT_EQ(result.error().message, kUnreadable);
        }
    }
    // Bytes of another type than recorded are decoded rather than copied under a wrong name.
    auto relabelled = encode(png, picture("public.jpeg"), QualityPreset::best);
    ASSERT_TRUE(relabelled);
    EXPECT_NE(relabelled->data, png);
    EXPECT_EQ(relabelled->extensionName, "jpg");
}

TEST(PictureEncoding, LogoIsTheWholePictureUprightAsPngNeverReduced) {
    auto logo = encodeLogo(resave(fixtureBytes("orient-8.jpg"), ".jpg", {}, 25));
    ASSERT_TRUE(logo);
    EXPECT_EQ(facts(*logo), "pngload_buffer 1600x1000 b3 o1");
    EXPECT_EQ(corners(*logo), "1600x1000 RG..");
    auto wide = encodeLogo(blackPicture(9000, 20, ".jpg"));
    ASSERT_TRUE(wide);
    EXPECT_EQ(facts(*wide), "pngload_buffer 9000x20 b3 o1");
}

std::string hex(const Bytes& bytes) {
    std::string out;
    for (auto b : bytes)
        out += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    return out;
}

std::string withoutSpaces(std::string text) {
    std::erase(text, ' ');
    return text;
}

struct Member {
    std::string path;
    Bytes data;
};

Member text(std::string path, std::string_view content) {
    return {std::move(path), Bytes(content)};
}

// The archive of `members`, in order, written through a ZipArchiveWriter into memory.
Result<Bytes> archiveOf(const std::vector<Member>& members, ZipLimits limits = {}) {
    struct MemorySink : ByteSink {
        std::vector<std::uint8_t> data;
        Status write(std::span<const std::uint8_t> bytes) override {
            data.insert(data.end(), bytes.begin(), bytes.end());
            return success();
        }
    } sink;
    ZipArchiveWriter writer(sink, limits);
    for (const auto& member : members)
        if (auto added = writer.add(member.path, member.data.span()); !added)
            return added.error();
    if (auto finished = writer.finish(); !finished)
        return finished.error();
    return Bytes(std::move(sink.data));
}

TEST(ZipArchive, OneSmallEntryAndTheEmptyListMatchTheFormatByteForByte) {
    auto archive = archiveOf({text("a.txt", "abc")});
    ASSERT_TRUE(archive.ok()) << archive.error().message;
    // Local header, name, data; central header (local at offset 0), name; end record with both
    // counts 1 and a central directory of 51 bytes (0x33) at offset 38 (0x26).
    EXPECT_EQ(hex(*archive),
              withoutSpaces("504b0304 1400 0000 0000 0000 2100 c2412435 03000000 03000000 0500 0000"
                            " 612e747874 616263"
                            " 504b0102 1400 1400 0000 0000 0000 2100 c2412435 03000000 03000000"
                            " 0500 0000 0000 0000 0000 00000000 00000000 612e747874"
                            " 504b0506 0000 0000 0100 0100 33000000 26000000 0000"));

    auto empty = archiveOf({});
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(hex(*empty), withoutSpaces("504b0506 0000 0000 0000 0000 00000000 00000000 0000"));
}

TEST(ZipArchive, SeveralEntriesReadBackWithSlashedNamesAndMatchingOffsets) {
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 251);
    auto archive = archiveOf({text("ppt\\slides\\slide1.xml", "<x/>"), text("empty.bin", ""),
                              text("ppt/media/image1.jpg", big)});
    ASSERT_TRUE(archive.ok());
    auto members = testing::readPackage(*archive);
    ASSERT_TRUE(members.has_value()) << "local headers disagree with the central directory";
    EXPECT_EQ(*members, (std::vector<testing::PackageMember>{{"ppt/slides/slide1.xml", "<x/>"},
                                                             {"empty.bin", ""},
                                                             {"ppt/media/image1.jpg", big}}));
}

TEST(ZipArchive, OverlongNameOrAFailedWriteEndsTheArchiveBeforeItWritesMore) {
    std::vector<Member> members{text(std::string(maxArchivePathBytes, 'n'), "x")};
    EXPECT_TRUE(archiveOf(members).ok());
    members.push_back(text(std::string(maxArchivePathBytes + 1, 'n'), "x"));
    EXPECT_FALSE(archiveOf(members).ok());

    // A streaming writer refuses the entry itself and writes none of it.
    struct CountingSink : ByteSink {
        std::size_t bytes = 0;
        Status write(std::span<const std::uint8_t> data) override {
            bytes += data.size();
            return success();
        }
    } sink;
    ZipArchiveWriter writer(sink);
    ASSERT_TRUE(writer.add("ok", Bytes(std::string_view("1")).span()).ok());
    const auto before = sink.bytes;
    EXPECT_FALSE(writer.add(std::string(maxArchivePathBytes + 1, 'n'), {}).ok());
    EXPECT_EQ(sink.bytes, before);
    EXPECT_FALSE(writer.finish().ok()) << "a refused writer must not produce an end record";

    // One failed write ends the archive even if later writes would succeed (only the third write
    // fails here): an archive that went on would have a hole in it.
    struct FailingSink : ByteSink {
        int writes = 0;
        Status write(std::span<const std::uint8_t>) override {
            return ++writes == 3 ? Status(Error{"disk full"}) : success();
        }
    } failing;
    ZipArchiveWriter broken(failing);
    EXPECT_TRUE(broken.add("a", Bytes(std::string_view("1")).span()).ok());
    auto failed = broken.add("b", Bytes(std::string_view("2")).span());
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().message, "disk full");
    EXPECT_FALSE(broken.add("c", Bytes(std::string_view("3")).span()).ok());
    EXPECT_FALSE(broken.finish().ok());
}

// Limits lowered far below the format's own stand in for a package past 4 GiB or 65,535 parts:
// the same records are written, and unzip must find every member through them.
TEST(ZipArchive, Zip64RecordsAppearWhenAndOnlyWhenTheLimitsArePassed) {
    std::vector<Member> entries{text("a.txt", "abc"), text("big.bin", std::string(300, 'b'))};
    for (const char* name : {"c.txt", "d.txt", "e.txt"})
        entries.push_back(text(name, name));
    auto plain = archiveOf(entries, ZipLimits{600, 6});
    ASSERT_TRUE(plain.ok());
    EXPECT_EQ(*plain, archiveOf(entries).value());

    testing::TempDir folder;
    for (const auto& [limits, what] : std::vector<std::pair<ZipLimits, std::string>>{
             {ZipLimits{100, 0xFFFF}, "a large entry and offsets"},
             {ZipLimits{0xFFFFFFFF, 5}, "the entry count"},
             {ZipLimits{450, 0xFFFF}, "the last offset and the central directory's"}}) {
        auto archive = archiveOf(entries, limits);
        ASSERT_TRUE(archive.ok());
        // The locator, just before the 22-byte end record, points at the ZIP64 end record.
        const std::string_view all = archive->view(), locator = all.substr(all.size() - 42, 20);
        std::uint64_t recordAt = 0;
        for (int i = 7; i >= 0; --i)
            recordAt = recordAt << 8 | std::uint8_t(locator[8 + i]);
        EXPECT_EQ(recordAt, all.rfind("PK\x06\x06")) << what;
        const auto path = folder / "zip64.zip";
        testing::writeFileBytes(path, *archive);
        const std::string quoted = "'" + path.string() + "'";
        EXPECT_EQ(std::system(("unzip -tqq " + quoted + " >/dev/null 2>&1").c_str()), 0) << what;
    }

    // A size equal to the limit already needs the ZIP64 field: in the 32-bit field it would
    // read as the marker itself.
    auto atLimit = archiveOf({text("big.bin", std::string(300, 'b'))}, ZipLimits{300, 0xFFFF});
    ASSERT_TRUE(atLimit.ok());
    const auto sizeField = atLimit->view().substr(22, 4);  // uncompressed size, local header
    EXPECT_EQ(sizeField, std::string_view("\xFF\xFF\xFF\xFF", 4));
}

class PackageFileTest : public ::testing::Test {
protected:
    TempDir folder;
    TempDir fallback;
    testing::FaultyFileSystem files;
    PackageFileOptions options{&files, {fallback.path()}};
    const Bytes archive{std::string_view("PK new package")};

    // Streams `bytes` into a package file at `destination` as an export does.
    Status put(const Bytes& bytes, const fs::path& destination) {
        auto file = PackageFile::create(destination, options);
        const Status written = file ? (*file)->write(bytes.span()) : Status(file.error());
        return written ? (*file)->commit() : written;
    }
};

TEST_F(PackageFileTest, DestinationIsCreatedThenReplacedKeepingItsPermissionsAndLinks) {
    const auto destination = folder / "deck.pptx";
    ASSERT_TRUE(put(Bytes(std::string_view("old content, longer")), destination).ok());
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(destination, mode);
    ASSERT_TRUE(put(archive, destination).ok());
    EXPECT_EQ(readFileBytes(destination), archive);
    EXPECT_EQ(fs::status(destination).permissions() & fs::perms::mask, mode);
    EXPECT_EQ(namesIn(folder.path()), std::set<std::string>{"deck.pptx"});
    EXPECT_TRUE(namesIn(fallback.path()).empty());

    // A linked destination replaces the file it names.
    const Bytes other(std::string_view("PK through a link"));
    fs::create_symlink(destination, folder / "link.pptx");
    ASSERT_TRUE(put(other, folder / "link.pptx").ok());
    EXPECT_TRUE(fs::is_symlink(folder / "link.pptx"));
    EXPECT_EQ(readFileBytes(destination), other);

    // Where links are not followed (a folder of our own), the link itself is replaced.
    ReplacementOptions own;
    own.followLinks = false;
    ASSERT_TRUE(writeFileAtomically(realFileSystem(), folder / "link.pptx", Bytes(), own).ok());
    EXPECT_FALSE(fs::is_symlink(folder / "link.pptx"));
    EXPECT_EQ(readFileBytes(destination), other);
}

TEST_F(PackageFileTest, FailuresReportTheSystemSentenceAndLeaveNothingBehind) {
    // The destination's folder does not exist.
    auto missing = put(archive, folder / "nowhere" / "deck.pptx");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message,
              "The file “deck.pptx” could not be written: No such file or directory.");

    // The destination is a folder: the rename fails and the folder stays as it was.
    fs::create_directory(folder / "taken.pptx");
    writeFileBytes(folder / "taken.pptx" / "inside", archive);
    auto taken = put(archive, folder / "taken.pptx");
    ASSERT_FALSE(taken.ok());
    EXPECT_THAT(taken.error().message, HasSubstr("“taken.pptx”"));
    EXPECT_EQ(namesIn(folder / "taken.pptx"), std::set<std::string>{"inside"});

    EXPECT_EQ(namesIn(folder.path()), std::set<std::string>{"taken.pptx"});
    EXPECT_TRUE(namesIn(fallback.path()).empty());
}

// A writer killed midway cannot clean up. Its unnamed file vanishes with it; a named one is
// removed by the next writer in that folder, which leaves the file of a live writer alone.
TEST_F(PackageFileTest, KilledWriterLeavesNoTemporaryFileForGood) {
    const auto destination = folder / "deck.pptx";
    const auto killedWriting = [&](bool unnamed) {
        files.unnamedUnsupported = !unnamed;
        const pid_t child = ::fork();
        if (child == 0) {
            auto file = PackageFile::create(destination, options);
            if (file.ok())
                (void)(*file)->write(archive.span());
            ::raise(SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
    };

    const int probe = ::open(folder.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe >= 0) {  // a file system with unnamed files
        ::close(probe);
        killedWriting(true);
        EXPECT_TRUE(namesIn(folder.path()).empty());
        // A writer with an unnamed file removes named ones too (an older version's).
        killedWriting(false);
        files.unnamedUnsupported = false;
        ASSERT_TRUE(put(archive, folder / "first.pptx").ok());
        EXPECT_EQ(namesIn(folder.path()), std::set<std::string>{"first.pptx"});
        fs::remove(folder / "first.pptx");
    }

    killedWriting(false);
    ASSERT_EQ(namesIn(folder.path()).size(), 1u);
    const std::string dead = *namesIn(folder.path()).begin();
    auto live = PackageFile::create(folder / "other.pptx", options);
    ASSERT_TRUE(live.ok());
    const std::string alive = (*live)->temporaryPath().filename().string();
    EXPECT_EQ(namesIn(folder.path()), std::set<std::string>{alive});
    ASSERT_TRUE(put(archive, destination).ok());
    EXPECT_EQ(namesIn(folder.path()), (std::set<std::string>{alive, "deck.pptx"}));
    EXPECT_NE(dead, alive);
}

TEST_F(PackageFileTest, FolderRefusingTemporaryFilesFallsBackToACopyThatNeverLeavesHalfAFile) {
    files.refuseFilesIn = folder.path();
    const auto destination = folder / "deck.pptx";
    const Bytes old(std::string_view("the previous export"));
    writeFileBytes(destination, old);
    auto file = PackageFile::create(destination, options);
    ASSERT_TRUE(file.ok());
    EXPECT_EQ((*file)->temporaryPath().parent_path(), fallback.path());
    ASSERT_TRUE((*file)->write(Bytes(std::string(200000, 'x')).span()).ok());

    // A file-size limit below the package makes the copy fail part way, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    auto committed = (*file)->commit();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    ASSERT_FALSE(committed.ok());
    EXPECT_THAT(committed.error().message, HasSubstr("“deck.pptx”"));
    EXPECT_EQ(readFileBytes(destination), old);
    EXPECT_TRUE(namesIn(fallback.path()).empty());

    // Without the limit the copy replaces the longer old content.
    ASSERT_TRUE(put(archive, destination).ok());
    EXPECT_EQ(readFileBytes(destination), archive);
    EXPECT_TRUE(namesIn(fallback.path()).empty());
    EXPECT_FALSE(put(archive, folder / "nowhere" / "deck.pptx").ok());
    EXPECT_TRUE(namesIn(fallback.path()).empty());
}

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
    EXPECT_THAT(title, AllOf(HasSubstr("<a:pPr algn=\"l\"/>"), Not(HasSubstr(" b=\"1\""))));
    EXPECT_THAT(textBoxXML(text("c", {}, false, 16, CaptionAlignment::trailing), appearance, 2),
                HasSubstr("<a:pPr algn=\"r\"/>"));

    // An empty text keeps its one empty run; a text starting with a break opens with <a:br>.
    EXPECT_THAT(textBoxXML(text("", {}, false, 16), appearance, 2), HasSubstr("<a:t></a:t>"));
    auto leading = textBoxXML(text("\r\nx\r\ny", {}, false, 16), appearance, 2);
    EXPECT_LT(leading.find("<a:br>"), leading.find("<a:r>"));
    EXPECT_THAT(leading,
                AllOf(HasSubstr("<a:t>x</a:t>"), HasSubstr("<a:t>y</a:t>"), Not(HasSubstr("\r"))));
}

TEST(PresentationParts, TransitionsAndShowPropertiesAreWrittenOnlyWhenTheyDoSomething) {
    using enum TransitionKind;
    EXPECT_EQ(transitionXML({false, 5}, {none, TransitionSpeed::slow}), "");
    EXPECT_EQ(transitionXML({false, 5}, {fade, TransitionSpeed::slow}),
              "<p:transition spd=\"slow\"><p:fade/></p:transition>");
    EXPECT_EQ(transitionXML({true, 600}, {none, TransitionSpeed::fast}),
              "<p:transition spd=\"fast\" advTm=\"600000\"><p:cut/></p:transition>");
    EXPECT_EQ(transitionXML({false, 5}, {wipe, TransitionSpeed::fast}) +
                  transitionXML({false, 5}, {cover, TransitionSpeed::medium}),
              "<p:transition spd=\"fast\"><p:wipe dir=\"l\"/></p:transition>"
              "<p:transition spd=\"med\"><p:cover dir=\"l\"/></p:transition>");
    EXPECT_THAT(presentationPropertiesXML(false, false), Not(HasSubstr("showPr")));
    EXPECT_THAT(presentationPropertiesXML(true, false),
                HasSubstr("<p:showPr loop=\"1\" useTimings=\"0\"/>"));
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
                             presentationRelationshipsXML(3), contentTypesXML(3, {})})
        EXPECT_THAT(part, Not(AnyOf(HasSubstr("notesMaster"), HasSubstr("theme2"))));
    // With notes the master's relationship follows the slides', whatever their number.
    EXPECT_THAT(presentationRelationshipsXML(0, true),
                HasSubstr("Id=\"rId6\" Type=\"" + ooxml::relationshipType("notesMaster")));
}

TEST(XMLValues, RoundingIsHalfAwayFromZeroAndNeverNonFiniteAndLinesSplitAtEveryBreak) {
    EXPECT_EQ(roundHalfAway(2.5), 3);
    EXPECT_EQ(roundHalfAway(-2.5), -3);
    EXPECT_EQ(roundHalfAway(std::nan("")), 0);
    EXPECT_EQ(roundHalfAway(1e300), 9200000000000000000);
    // Font size, angle and colour conversions are pinned by the slide golden file.
    EXPECT_EQ(emuFromInches(-0.5), -457200);
    EXPECT_EQ(cropPercentage(0.000005), 1);

    using Lines = std::vector<std::string_view>;
    EXPECT_EQ(splitLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\xE2\x80\xA8z"), (Lines{"a", "z"}));
    EXPECT_EQ(splitLines("\n"), (Lines{"", ""}));
    EXPECT_EQ(splitLines(""), (Lines{""}));
    EXPECT_FALSE(hasVisibleText(" \n\t\r\n \xC2\xA0\xE2\x80\xA8"));
    EXPECT_TRUE(hasVisibleText("  x "));
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

}  // namespace
}  // namespace mosavelle
