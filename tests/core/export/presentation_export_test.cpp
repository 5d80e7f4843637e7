#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <set>

#include "core/export/presentation_export.h"
#include "core/export/presentation_parts.h"
#include "core/export/scaffold.h"
#include "core/import/import_plan.h"
#include "core/import/picture_test_util.h"
#include "core/model/package.h"
#include "support/deck_support.h"
#include "support/faulty_file_system.h"
#include "support/package_reader.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using testing::fixturePath;
using testing::namesIn;
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

TEST_F(ExportTest, ArchiveOrderNumberingMediaReuseAndProgress) {
    const auto a = add(pictureRecord("A.jpg"), "orient-1.jpg").id;
    const auto b = add(pictureRecord("B.png", "public.png"), "picture.png").id;
    auto& project = request.project;
    project.appearance.branding.logoFileName = "logo.png";
    project.appearance.branding.showSlideNumbers = true;
    request.logoData = readFileBytes(fixturePath("alpha.png"));

    project.slides.push_back(singleImageSlide(a, ""));
    project.slides.back().notes = "  first notes";
    project.slides.push_back(singleImageSlide(b, ""));
    project.slides.back().isExcluded = true;
    project.slides.push_back(slideOf(SlideLayoutKind::twoUp, {b, a}));
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
          "ppt/slides/_rels/slide3.xml.rels", "ppt/presentation.xml",
          "ppt/_rels/presentation.xml.rels", "[Content_Types].xml", "_rels/.rels",
          "docProps/core.xml", "docProps/app.xml"})
        expected.push_back(path);
    std::vector<std::string> paths;
    for (const auto& m : members())
        paths.push_back(m.path);
    EXPECT_EQ(paths, expected);
    // Every exported slide uses layout 7, which must be the blank one.
    EXPECT_NE(member("ppt/slideLayouts/slideLayout7.xml").find("type=\"blank\""),
              std::string::npos);

    // At best quality the stored JPEG and PNG go in unchanged.
    EXPECT_EQ(member("ppt/media/image1.jpg"), readFileBytes(fixturePath("orient-1.jpg")).view());
    EXPECT_EQ(member("ppt/media/image2.png"), readFileBytes(fixturePath("picture.png")).view());

    const auto image = ooxml::relationshipType("image");
    const auto layout = Relationship{"rId1", ooxml::relationshipType("slideLayout"),
                                     "../slideLayouts/slideLayout7.xml"};
    EXPECT_EQ(member("ppt/slides/_rels/slide1.xml.rels"),
              relationshipsXML({layout,
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
    // its right edge, as the preview draws it.
    EXPECT_NE(member("ppt/slides/slide1.xml")
                  .find("<a:off x=\"11423904\" y=\"182880\"/><a:ext cx=\"585216\" cy=\"365760\"/>"),
              std::string::npos);
    // Excluded slides take no number: the section slide prints 3, as a field clients renumber.
    const auto third = member("ppt/slides/slide3.xml");
    EXPECT_NE(third.find("type=\"slidenum\">"), std::string::npos);
    EXPECT_NE(third.find("<a:t>3</a:t>"), std::string::npos);
    EXPECT_NE(third.find("<a:t>Section</a:t>"), std::string::npos);
    EXPECT_NE(member("ppt/notesSlides/notesSlide1.xml").find("<a:t>  first notes</a:t>"),
              std::string::npos);
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
    EXPECT_EQ(members().size(), scaffoldPackagePaths.size() + 6);
    EXPECT_NE(member("ppt/presentation.xml").find("<p:sldIdLst></p:sldIdLst>"), std::string::npos);
    EXPECT_NE(member("docProps/app.xml").find("<Slides>0</Slides>"), std::string::npos);
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
        EXPECT_EQ(member(slide).find("<p:pic>"), std::string::npos) << slide;
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
        {"picture.webp", "org.webmproject.webp"},
        {"cmyk.jpg", "public.jpeg"},
        {"animated.gif", "com.compuserve.gif"},
        {"orient-3.jpg", "public.jpeg"},
        {"picture.tif", "public.tiff"}};
    std::vector<std::optional<Uuid>> ids;
    for (const auto& [file, uti] : files)
        ids.push_back(add(pictureRecord(file, uti), file).id);
    request.project.slides.push_back(
        slideOf(SlideLayoutKind::fourGrid, {ids[0], ids[1], ids[2], ids[3]}));
    request.project.slides.push_back(slideOf(SlideLayoutKind::twoUp, {ids[4], ids[0]}));
    request.project.slides.push_back(
        slideOf(SlideLayoutKind::fourGrid, {ids[5], ids[6], ids[7], ids[8]}));

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
// start or only then), fails the export with the system's reason and leaves the destination as it
// was: absent, or the earlier export.
TEST_F(ExportTest, FailedFlushOrRenameLeavesTheEarlierFileAndNoTemporary) {
    const auto a = add(pictureRecord("A.jpg"), "orient-1.jpg").id;
    request.project.slides.push_back(singleImageSlide(a, ""));
    const Bytes old(std::string_view("previous export"));
    for (const bool earlier : {false, true}) {
        for (const bool unnamed : {true, false}) {
            for (const std::string step : {"flush", "link", "rename"}) {
                if (step == "link" && !unnamed)
                    continue;
                SCOPED_TRACE(step + (unnamed ? " unnamed" : " named") + (earlier ? " over" : ""));
                fs::remove(folder / "deck.pptx");
                if (earlier)
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
                if (earlier) {
                    EXPECT_EQ(readFileBytes(folder / "deck.pptx"), old);
                    EXPECT_EQ(namesIn(folder.path()), std::set<std::string>{"deck.pptx"});
                } else {
                    EXPECT_TRUE(namesIn(folder.path()).empty());
                }
            }
        }
    }
}

TEST_F(ExportTest, PictureOrLogoThatCannotBeDecodedEndsTheExportNamingItWithoutAFile) {
    const auto good = add(pictureRecord("good.jpg"), "orient-1.jpg").id;
    const auto bad = add(pictureRecord("IMG_0042.JPG"), "text.jpg").id;
    request.project.slides.push_back(singleImageSlide(good, ""));
    request.project.slides.push_back(singleImageSlide(bad, ""));
    ExportOptions options;
    options.encodingThreads = 2;
    for (const auto quality : {QualityPreset::balanced, QualityPreset::best}) {
        request.quality = quality;
        auto result = run(options);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error().message, "IMG_0042.JPG: This file could not be read as an image.");
        EXPECT_FALSE(isExportCancellation(result.error()));
        EXPECT_NE(reports.back().message, "Done");
        EXPECT_TRUE(namesIn(folder.path()).empty());
    }

    request.project.slides.pop_back();
    request.project.appearance.branding.logoFileName = "brand.png";
    request.logoData = readFileBytes(fixturePath("text.jpg"));
    auto result = run(options);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().message, "brand.png: This file could not be read as an image.");
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

TEST_F(ExportTest, AMemberTruncatedWhileTheProjectIsOpenGivesThePictureSentence) {
    const Bytes jpeg = readFileBytes(fixturePath("orient-1.jpg"));
    PackageSnapshot saved;
    SourceImage image = pictureRecord("harbour.jpg");
    image.byteCount = static_cast<std::int64_t>(jpeg.size());
    saved.project.images.push_back(image);
    saved.project.slides.push_back(singleImageSlide(image.id, ""));
    saved.images[image.id] = jpeg;
    const fs::path package = folder / "Trip.mosavelle";
    ASSERT_TRUE(writeProjectPackage(saved, package));

    // Staged (linked from the package, as the application opens it) and in place (as the
    // command-line tool does): both read the member's bytes when exporting.
    auto staged =
        readProjectPackage(package, realFileSystem(), StagingFolder::create(folder / "staging"));
    auto inPlace = readProjectPackage(package, realFileSystem(), nullptr, PackagePictures::inPlace);
    ASSERT_TRUE(staged);
    ASSERT_TRUE(inPlace);
    ASSERT_FALSE(inPlace->images.at(image.id).isOwnedFile());
    for (const auto* opened : {&*staged, &*inPlace}) {
        ASSERT_EQ(opened->images.size(), 1u);
        request.project = opened->project;
        request.imageData.clear();
        request.imageData.insert(opened->images.begin(), opened->images.end());
        ASSERT_TRUE(run());
        fs::remove(folder / "deck.pptx");
    }

    ASSERT_EQ(::truncate((package / "images" / image.storedFileName).c_str(),
                         static_cast<off_t>(jpeg.size() / 2)),
              0);
    for (const auto* opened : {&*staged, &*inPlace}) {
        request.imageData.clear();
        request.imageData.insert(opened->images.begin(), opened->images.end());
        for (QualityPreset quality : {QualityPreset::best, QualityPreset::small}) {
            request.quality = quality;
            const auto exported = run();
            ASSERT_FALSE(exported);
            EXPECT_EQ(exported.error().message,
                      "harbour.jpg: This file could not be read as an image.");
            EXPECT_FALSE(fs::exists(folder / "deck.pptx"));
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

}  // namespace
}  // namespace mosavelle
