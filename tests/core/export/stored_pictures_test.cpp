#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "core/export/presentation_export.h"
#include "core/import/import_plan.h"
#include "core/model/package.h"
#include "support/deck_support.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using testing::fixturePath;
using testing::readFileBytes;
using testing::TempDir;
using testing::writeFileBytes;

// Exports pictures that live in files, as the deck holds them: every picture is read while the
// export runs, so what happened to its file since it was imported decides the outcome.
class StoredPictureExport : public ::testing::Test {
protected:
    // One slide per picture of `plan`, with the bytes the plan holds for it.
    void addSlides(const ImportPlan& plan) {
        for (const auto& item : plan.items) {
            const Uuid id = Uuid::random();
            request.project.images.push_back(makeSourceImage(item, id));
            request.project.slides.push_back(singleImageSlide(id, ""));
            request.imageData[id] = item.data;
        }
    }

    Status run(QualityPreset quality) {
        request.quality = quality;
        request.destination = folder / "deck.pptx";
        return exportPresentation(request, {}, cancellation);
    }

    TempDir folder;
    ExportRequest request;
    ExportCancellation cancellation;
};

TEST_F(StoredPictureExport, ASourceChangedAfterPlanningFailsThatPictureInsteadOfMixingVersions) {
    const fs::path beach = folder / "beach.jpg";
    const fs::path dunes = folder / "dunes.jpg";
    fs::copy_file(fixturePath("orient-1.jpg"), beach);
    fs::copy_file(fixturePath("orient-6.jpg"), dunes);
    // Planned without a staging folder: the files are read again at export time.
    const auto plan = planImportOfFiles({beach, dunes}, {});
    ASSERT_TRUE(plan);
    ASSERT_EQ(plan->items.size(), 2u);
    addSlides(*plan);
    ASSERT_TRUE(run(QualityPreset::best));

    for (QualityPreset quality : {QualityPreset::best, QualityPreset::balanced}) {
        // Rewritten in place with the same size: one byte differs.
        Bytes changed = readFileBytes(fixturePath("orient-6.jpg"));
        std::vector<std::uint8_t> edited(changed.begin(), changed.end());
        edited[edited.size() / 2] ^= 0x01;
        fs::remove(folder / "deck.pptx");
        writeFileBytes(dunes, Bytes(std::move(edited)));
        auto exported = run(quality);
        ASSERT_FALSE(exported);
        EXPECT_EQ(exported.error().message, "dunes.jpg: " + std::string(changedSourceMessage));
        EXPECT_FALSE(fs::exists(folder / "deck.pptx"));
        fs::copy_file(fixturePath("orient-6.jpg"), dunes, fs::copy_options::overwrite_existing);
    }
    // Put back as it was, the file exports again.
    EXPECT_TRUE(run(QualityPreset::best));
}

TEST_F(StoredPictureExport, AMemberTruncatedWhileTheProjectIsOpenGivesThePictureSentence) {
    const Bytes jpeg = readFileBytes(fixturePath("orient-1.jpg"));
    PackageSnapshot saved;
    SourceImage image = testing::pictureRecord("harbour.jpg");
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
        ASSERT_TRUE(run(QualityPreset::best));
        fs::remove(folder / "deck.pptx");
    }

    ASSERT_EQ(::truncate((package / "images" / image.storedFileName).c_str(),
                         static_cast<off_t>(jpeg.size() / 2)),
              0);
    for (const auto* opened : {&*staged, &*inPlace}) {
        request.imageData.clear();
        request.imageData.insert(opened->images.begin(), opened->images.end());
        for (QualityPreset quality : {QualityPreset::best, QualityPreset::small}) {
            const auto exported = run(quality);
            ASSERT_FALSE(exported);
            EXPECT_EQ(exported.error().message,
                      "harbour.jpg: This file could not be read as an image.");
            EXPECT_FALSE(fs::exists(folder / "deck.pptx"));
        }
    }
}

}  // namespace
}  // namespace mosavelle
