#include "core/model/recovery_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/platform/sha256.h"
#include "support/deck_support.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

using testing::TempDir;

class RecoveryStoreTest : public ::testing::Test {
protected:
    // A deck of one staged picture, as an editing session holds it.
    PackageSnapshot stagedDeck(const std::string& text) {
        PackageSnapshot snapshot;
        auto image = testing::pictureRecord(text + ".jpg");
        const Bytes bytes(text.data(), text.size());
        image.sha256 = sha256Hex(bytes);
        snapshot.images.emplace(image.id, staging->store(bytes, image.sha256).value());
        snapshot.project.slides.push_back(singleImageSlide(image.id, text));
        snapshot.project.images.push_back(image);
        return snapshot;
    }
    static ino_t inode(const std::filesystem::path& file) {
        struct stat facts {};
        return ::stat(file.c_str(), &facts) == 0 ? facts.st_ino : 0;
    }

    TempDir dir;
    std::shared_ptr<StagingFolder> staging = StagingFolder::create(dir / "staging");
    RecoveryStore store{dir / "recovery"};
    RecoveryManifest manifest{"Trip", "/decks/Trip.mosavelle", Timestamp(std::chrono::hours(1))};
};

TEST_F(RecoveryStoreTest, CopiesOfLiveDocumentsAreNotOfferedAndStaleWritesNeverWin) {
    auto copy = store.open(Uuid::random()).value();
    ASSERT_TRUE(copy->write(stagedDeck("old"), manifest, 1).ok());
    const PackageSnapshot newer = stagedDeck("new");
    ASSERT_TRUE(copy->write(newer, {"untitled", {}, manifest.written}, 3).ok());
    ASSERT_TRUE(copy->write(stagedDeck("queued before"), manifest, 2).ok());  // overtaken
    EXPECT_TRUE(store.abandoned().empty());                                   // its lock is held
    EXPECT_FALSE(store.open(copy->id()).ok());
    // The staged picture is linked, not copied.
    const auto& picture = newer.project.images[0];
    EXPECT_EQ(inode(*newer.images.at(picture.id).file()),
              inode(copy->folder() / "deck.mosavelle" / "images" / picture.storedFileName));

    EXPECT_EQ(copy->read(StagingFolder::create(dir / "s")).value().snapshot, newer);

    // Saved at revision 5: a write queued at 4 must not bring the copy back.
    copy->discard(5);
    ASSERT_TRUE(copy->write(newer, manifest, 4).ok());
    copy.reset();
    EXPECT_TRUE(testing::namesIn(store.root()).empty());
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

    const auto offered = store.abandoned();
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0].manifest, manifest);  // newest first; the unreadable one last
    EXPECT_EQ(offered[1].name, unreadable.text());
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
