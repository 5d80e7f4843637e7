#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/editing/import_items.h"
#include "core/model/document.h"
#include "core/model/package.h"
#include "core/model/undo_history.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using testing::fixturePath;
using testing::readFileBytes;
using testing::TempDir;

// A document importing through its own staging folder, kept under the test's own cache folder.
class StagedPictures : public ::testing::Test {
protected:
    StagedPictures() {
        ::setenv("XDG_CACHE_HOME", (folder / "cache").c_str(), 1);
        document = std::make_unique<MosavelleDocument>();
        document->setUndoHistory(history);
    }

    // Imports copies of the fixtures, named as given, and returns their paths.
    std::vector<fs::path> importCopies(
        const std::vector<std::pair<std::string, std::string>>& files) {
        std::vector<fs::path> paths;
        for (const auto& [name, fixture] : files) {
            paths.push_back(folder / name);
            fs::copy_file(fixturePath(fixture), paths.back());
        }
        ImportPlanOptions options;
        options.staging = document->stagingFolder();
        auto plan = planImportOfFiles(paths, document->project().images, options);
        EXPECT_TRUE(plan);
        if (plan)
            importItems(*document, plan->items);
        return paths;
    }

    TempDir folder;
    std::shared_ptr<UndoHistory> history = std::make_shared<UndoHistory>();
    std::unique_ptr<MosavelleDocument> document;
};

TEST_F(StagedPictures, PicturesOutliveTheirSourcesAndSaveAfterTheyVanished) {
    const auto sources = importCopies({{"a.jpg", "orient-1.jpg"}, {"b.png", "alpha.png"}});
    ASSERT_EQ(document->imageData().size(), 2u);
    const fs::path staging = document->stagingFolder()->path();
    EXPECT_TRUE(staging.string().starts_with((folder / "cache" / "Mosavelle").string()));

    for (const auto& source : sources)
        fs::remove(source);
    for (const auto& image : document->project().images) {
        auto bytes = document->imageData().at(image.id).read();
        ASSERT_TRUE(bytes) << bytes.error().message;
        EXPECT_EQ(bytes->size(), static_cast<std::size_t>(image.byteCount));
    }

    const fs::path package = folder / "Deck.mosavelle";
    ASSERT_TRUE(writeProjectPackage(document->makeSnapshot(), package));
    const ImageList images = document->project().images;
    EXPECT_EQ(readFileBytes(package / "images" / images[1].storedFileName),
              readFileBytes(fixturePath("alpha.png")));

    // The saved package keeps its pictures when the document that wrote them goes.
    document.reset();
    EXPECT_FALSE(fs::exists(staging)) << "a closed document leaves no staging folder";
    EXPECT_EQ(readFileBytes(package / "images" / images[0].storedFileName),
              readFileBytes(fixturePath("orient-1.jpg")));
}

TEST_F(StagedPictures, RedoBringsBackAPictureThatASaveLeftOut) {
    const fs::path package = folder / "Deck.mosavelle";
    importCopies({{"a.jpg", "orient-1.jpg"}});
    ASSERT_TRUE(writeProjectPackage(document->makeSnapshot(), package));
    const auto sources = importCopies({{"b.jpg", "orient-6.jpg"}});
    ASSERT_TRUE(writeProjectPackage(document->makeSnapshot(), package));
    const SourceImage second = document->project().images.at(1);
    ASSERT_TRUE(fs::exists(package / "images" / second.storedFileName));

    // Undone, saved without it (the package drops its file), its source gone: redo still has it.
    history->undo();
    ASSERT_EQ(document->project().images.size(), 1u);
    ASSERT_TRUE(writeProjectPackage(document->makeSnapshot(), package));
    ASSERT_FALSE(fs::exists(package / "images" / second.storedFileName));
    fs::remove(sources.at(0));
    history->redo();
    ASSERT_NE(document->project().sourceImage(second.id), nullptr);
    auto bytes = document->imageData().at(second.id).read();
    ASSERT_TRUE(bytes) << bytes.error().message;
    EXPECT_EQ(*bytes, readFileBytes(fixturePath("orient-6.jpg")));
    ASSERT_TRUE(writeProjectPackage(document->makeSnapshot(), package));
    EXPECT_EQ(readFileBytes(package / "images" / second.storedFileName), *bytes);
}

}  // namespace
}  // namespace mosavelle
