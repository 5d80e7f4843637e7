#include "core/model/recovery_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/platform/sha256.h"
#include "support/deck_support.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

class RecoveryStoreTest : public ::testing::Test {
protected:
    // A deck of two staged pictures, as an editing session holds it.
    PackageSnapshot stagedDeck(const std::string& first) {
        PackageSnapshot snapshot;
        for (const std::string& text : {first, std::string("second picture")}) {
            auto image = testing::pictureRecord(text + ".jpg");
            const Bytes bytes(text.data(), text.size());
            image.sha256 = sha256Hex(bytes);
            snapshot.images.emplace(image.id, staging->store(bytes, image.sha256).value());
            snapshot.project.slides.push_back(singleImageSlide(image.id, text));
            snapshot.project.images.push_back(image);
        }
        return snapshot;
    }

    TempDir dir;
    std::shared_ptr<StagingFolder> staging = StagingFolder::create(dir / "staging");
    RecoveryStore store{dir / "recovery"};
    RecoveryManifest manifest{"Holiday", "/home/me/Holiday.mosavelle",
                              Timestamp(std::chrono::seconds(1700000000))};
};

TEST_F(RecoveryStoreTest, OnlyCopiesOfEndedProgramsAreOfferedAndReadBackWithLinkedPictures) {
    const PackageSnapshot deck = stagedDeck("first picture");
    auto copy = store.open(Uuid::random()).value();
    ASSERT_TRUE(copy->write(deck, manifest, 1).ok());
    EXPECT_TRUE(store.abandoned().empty());  // its lock is held: the document is open
    EXPECT_FALSE(store.open(copy->id()).ok());

    // Pictures are the staged files themselves, hard-linked, not copied.
    const StoredBytes& staged = deck.images.begin()->second;
    struct stat a {};
    struct stat b {};
    ASSERT_EQ(::stat(staged.file()->c_str(), &a), 0);
    ASSERT_EQ(::stat((copy->folder() / "deck.mosavelle" / "images" /
                      deck.project.images.front().storedFileName)
                         .c_str(),
                     &b),
              0);
    EXPECT_EQ(a.st_ino, b.st_ino);

    const Uuid id = copy->id();
    copy.reset();  // the program ends with unsaved work
    const auto offered = store.abandoned();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0].id, id);
    EXPECT_EQ(offered[0].manifest, manifest);

    auto claimed = store.open(id).value();
    const auto back = claimed->read(StagingFolder::create(dir / "staging2")).value();
    EXPECT_EQ(back.snapshot, deck);
    EXPECT_EQ(back.manifest, manifest);
    EXPECT_TRUE(store.abandoned().empty());  // claimed by this program now
    claimed.reset();
    EXPECT_TRUE(store.discard(id));
    EXPECT_TRUE(store.abandoned().empty());
    EXPECT_TRUE(testing::namesIn(store.root()).empty());
}

TEST_F(RecoveryStoreTest, LaterWritesReplaceTheCopyAndStaleOnesNeverUndoADiscard) {
    auto copy = store.open(Uuid::random()).value();
    ASSERT_TRUE(copy->write(stagedDeck("old"), manifest, 1).ok());
    const PackageSnapshot newer = stagedDeck("new");
    ASSERT_TRUE(copy->write(newer, {"Untitled", {}, manifest.written}, 3).ok());
    ASSERT_TRUE(copy->write(stagedDeck("queued before"), manifest, 2).ok());  // overtaken
    const auto back = copy->read(StagingFolder::create(dir / "s")).value();
    EXPECT_EQ(back.snapshot, newer);
    EXPECT_TRUE(back.manifest.document.empty());
    EXPECT_EQ(testing::namesIn(copy->folder()),
              (std::set<std::string>{"deck.mosavelle", "lock", "manifest.json"}));

    // Saved at revision 5: a write queued at 4 must not bring the copy back.
    copy->discard(5);
    ASSERT_TRUE(copy->write(newer, manifest, 4).ok());
    const fs::path folder = copy->folder();
    copy.reset();
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(store.abandoned().empty());
}

TEST_F(RecoveryStoreTest, DamagedCopiesAreListedByNameFailToReadAndCanBeDiscarded) {
    auto badManifest = store.open(Uuid::random()).value();
    auto badPackage = store.open(Uuid::random()).value();
    ASSERT_TRUE(badManifest->write(stagedDeck("a"), manifest, 1).ok());
    ASSERT_TRUE(badPackage->write(stagedDeck("b"), manifest, 1).ok());
    testing::writeFileBytes(badManifest->folder() / "manifest.json", Bytes("{\"name\": 3"));
    testing::writeFileBytes(badPackage->folder() / "deck.mosavelle" / "project.json",
                            Bytes("not json"));
    const Uuid unreadable = badManifest->id();
    badManifest.reset();
    badPackage.reset();

    auto offered = store.abandoned();
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0].name, "Holiday");  // newest first; the unreadable one last
    EXPECT_EQ(offered[1].name, unreadable.text());
    EXPECT_FALSE(offered[1].manifest);
    for (const AbandonedCopy& entry : offered) {
        const auto read = store.open(entry.id).value()->read(StagingFolder::create(dir / "s"));
        ASSERT_FALSE(read.ok());
        EXPECT_NE(read.error().message.find("“" + entry.name + "”"), std::string::npos);
        EXPECT_TRUE(store.discard(entry.id));
    }
    EXPECT_TRUE(store.abandoned().empty());
}

}  // namespace
}  // namespace mosavelle
