#include <gtest/gtest.h>

#include <chrono>
#include <stop_token>
#include <thread>
#include <utility>

#include "core/editing/deck_fixture.h"
#include "core/editing/import_items.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using testing::itemNamed;

Timestamp day(int d) {
    return sys_days{2021y / 3 / d};
}

using ImportIntoDocument = testing::DeckTest<0>;

TEST_F(ImportIntoDocument, AddsPicturesBytesAndCaptionsAsOneStep) {
    importItems(doc(), {itemNamed("01_Beach-Day.jpg")});
    EXPECT_EQ(slideAt(1).slots.at(0).caption, "");  // no caption without cleanup
    history->undo();
    setProject([](Project& p) {
        p.appearance.filenameCleanup = FilenameCleanup{true, true, true};
    });
    importItems(doc(), {itemNamed("01_Beach-Day.jpg"), itemNamed("Photo.JPEG")});
    EXPECT_EQ(deck(), "01_Beach-Day.jpg Photo.JPEG");
    EXPECT_EQ(slideAt(1).slots.at(0).caption + "|" + slideAt(2).slots.at(0).caption,
              "Beach Day|Photo");
    const auto& images = doc().project().images;
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(doc().imageData().at(images[1].id), Bytes(std::string_view("Photo.JPEG")));
    EXPECT_EQ(selection(), std::vector<int>{2});
    EXPECT_EQ(history->undoName(), "Import Images");
    history->undo();
    EXPECT_EQ(deck(), "");                    // one step
    EXPECT_EQ(doc().imageData().size(), 3u);  // bytes are not part of undo
}

TEST_F(ImportIntoDocument, SortedDeckPlacesNewSlidesByDateAndManualAppends) {
    importItems(doc(), {itemNamed("b.jpg", day(10)), itemNamed("d.jpg", day(20))});
    setProject([](Project& p) { p.sort = SortMode::captureDate; });
    importItems(doc(),
                {itemNamed("scan.png"), itemNamed("c.jpg", day(15)), itemNamed("a.jpg", day(5))});
    EXPECT_EQ(deck(), "a.jpg b.jpg c.jpg d.jpg scan.png");
    EXPECT_EQ(selection(), std::vector<int>{5});  // the last slide, new or not

    setProject([](Project& p) { p.sort = SortMode::manual; });
    importItems(doc(), {itemNamed("0.jpg", day(1))});
    EXPECT_EQ(deck(), "a.jpg b.jpg c.jpg d.jpg scan.png 0.jpg");
}

TEST_F(ImportIntoDocument, DuplicatesAreKeptOnlyWhenAsked) {
    ImportPlan plan;
    plan.items = {itemNamed("new.jpg")};
    plan.duplicates = {{itemNamed("again.jpg"), "digest"}};
    plan.failures = {{"x.jpg", "This file could not be read as an image."}};
    EXPECT_EQ(applyImportPlan(doc(), plan, false),
              "x.jpg: This file could not be read as an image.");
    EXPECT_EQ(deck(), "new.jpg");
    EXPECT_FALSE(applyImportPlan(doc(), ImportPlan{{}, plan.duplicates, {}, {}}, false));
    EXPECT_EQ(deck(), "new.jpg");
    applyImportPlan(doc(), ImportPlan{{}, plan.duplicates, {}, {}}, true);
    applyImportPlan(doc(), ImportPlan{{}, plan.duplicates, {}, {}}, true);
    EXPECT_EQ(deck(), "new.jpg again.jpg again.jpg");
    const auto& images = doc().project().images;
    EXPECT_NE(images[1].id, images[2].id);
    EXPECT_NE(images[1].storedFileName, images[2].storedFileName);
}

TEST_F(ImportIntoDocument, PastedPicturesAreNumberedInClipboardOrderAndFilesDropDuplicates) {
    const Bytes png = testing::readFileBytes(testing::fixturePath("picture.png"));
    const Bytes text = testing::readFileBytes(testing::fixturePath("text.jpg"));
    pasteImages(doc(), PastedContent{{}, {std::nullopt, png, text, png}});
    EXPECT_EQ(deck(), "Clipboard 2.png Clipboard 4.png");  // not checked for duplicates
    EXPECT_EQ(doc().project().images[0].uti, "public.png");
    EXPECT_EQ(history->undoName(), "Import Images");

    // Pasted files are checked for duplicates, which are dropped silently.
    history->undo();
    testing::TempDir dir;
    fs::copy_file(testing::fixturePath("picture.png"), dir / "one.png");
    fs::copy_file(testing::fixturePath("picture.png"), dir / "two.png");
    fs::copy_file(testing::fixturePath("text.jpg"), dir / "bad.jpg");
    pasteImages(doc(), PastedContent{{dir / "two.png", dir / "one.png", dir / "bad.jpg"},
                                     {testing::readFileBytes(testing::fixturePath("alpha.png"))}});
    EXPECT_EQ(deck(), "one.png");
    pasteImages(doc(), PastedContent{{dir / "one.png"}, {}});
    EXPECT_EQ(deck(), "one.png");
}

TEST(PlanPastedItems, RunsOnAWorkerWithProgressAndStopsBetweenPictures) {
    const Bytes png = testing::readFileBytes(testing::fixturePath("picture.png"));
    const PastedContent content{{}, {png, std::nullopt, png}};
    std::vector<std::pair<std::size_t, std::size_t>> reports;
    ImportPlanOptions options;
    options.progress = [&](std::size_t done, std::size_t total) {
        reports.emplace_back(done, total);
    };
    std::optional<std::vector<ImportItem>> items;
    std::thread([&] { items = planPastedItems(content, ImageList{}, options); }).join();
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 2u);
    EXPECT_EQ(reports,
              (std::vector<std::pair<std::size_t, std::size_t>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));

    std::stop_source stop;
    options.stop = stop.get_token();
    options.progress = [&](std::size_t done, std::size_t) {
        if (done == 1)
            stop.request_stop();
    };
    EXPECT_FALSE(planPastedItems(content, ImageList{}, options));
}

}  // namespace
}  // namespace mosavelle
