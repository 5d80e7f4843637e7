#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "core/import/file_collection.h"
#include "core/import/import_plan.h"
#include "core/platform/crc32.h"
#include "core/platform/sha256.h"
#include "core/platform/stored_bytes.h"
#include "support/faulty_file_system.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using testing::fixturePath;
using testing::TempDir;
using Names = std::vector<std::string>;

void copyFixture(const std::string& fixture, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(fixturePath(fixture), to, fs::copy_options::overwrite_existing);
}

void touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    testing::writeFileBytes(path, Bytes(std::string_view("x")));
}

Names names(const std::vector<fs::path>& paths) {
    Names out;
    for (const auto& path : paths)
        out.push_back(path.filename().string());
    return out;
}

TEST(CollectImageFiles, HiddenFilesAndSubfoldersFollowTheSubfolderChoice) {
    TempDir dir;
    touch(dir / "a.png");
    touch(dir / ".hidden.png");
    touch(dir / "sub/b.png");
    touch(dir / ".secret/c.jpg");
    touch(dir / "notes.txt");
    touch(dir / "Upper.JPG");
    fs::create_directories(dir / "album.jpg");  // a folder is never a picture file
    EXPECT_EQ(names(collectImageFiles({dir.path()}, false)), (Names{"a.png", "Upper.JPG"}));
    EXPECT_EQ(names(collectImageFiles({dir.path()}, true)),
              (Names{".hidden.png", "a.png", "b.png", "c.jpg", "Upper.JPG"}));
}

TEST(CollectImageFiles, SortsAllFilesByNameAcrossFoldersAndKeepsRepeats) {
    TempDir dir;
    for (const char* name : {"one/img10.jpg", "two/img2.jpg", "IMG1.jpg", "x.txt"})
        touch(dir / name);
    const std::vector<fs::path> urls = {dir / "one",      dir / "two",   dir / "IMG1.jpg",
                                        dir / "gone.jpg", dir / "x.txt", dir / "IMG1.jpg"};
    EXPECT_EQ(names(collectImageFiles(urls, false)),
              (Names{"IMG1.jpg", "IMG1.jpg", "img2.jpg", "img10.jpg"}));
    EXPECT_TRUE(containsFolder(urls));
    EXPECT_FALSE(containsFolder({dir / "IMG1.jpg", dir / "gone"}));
}

TEST(CollectImageFiles, LinkLoopsAndUnreadableFoldersNeitherHangNorStop) {
    TempDir dir;
    touch(dir / "tree/p.png");
    fs::create_directory_symlink(dir / "tree", dir / "tree/loop");
    fs::create_symlink(dir / "self.jpg", dir / "self.jpg");  // a link to itself
    touch(dir / "tree/locked/q.png");
    ::chmod((dir / "tree/locked").c_str(), 0);
    const Names expected = geteuid() == 0 ? Names{"p.png", "q.png"} : Names{"p.png"};
    EXPECT_EQ(names(collectImageFiles({dir / "tree", dir / "self.jpg"}, true)), expected);
    EXPECT_EQ(collectImageFiles({dir / "tree/locked"}, false).size(), geteuid() == 0 ? 1u : 0u);
}

std::string readFailure(const fs::path& path, FileSystem& files = realFileSystem()) {
    const auto bytes = readWholeFile(path, files);
    return bytes.ok() ? "read" : bytes.error().message;
}

TEST(ReadWholeFile, RefusesWhatIsNoRegularFileWithASentence) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(readFailure(dir / "pipe.jpg"),  // must not block
              "The file could not be read because it is not a regular file.");
    EXPECT_EQ(readFailure(dir.path()), "The file could not be read because it is a folder.");
    testing::writeFileBytes(dir / "huge.tif", Bytes());
    fs::resize_file(dir / "huge.tif", maxImportFileBytes + 1);  // sparse: nothing is written
    EXPECT_EQ(readFailure(dir / "huge.tif"),
              "The file could not be read because it is too large to be a picture.");
    EXPECT_EQ(readWholeFile(dir / "gone.jpg").error().code, ErrorCode::notFound);
    for (const auto& refused : {dir / "pipe.jpg", dir.path(), dir / "huge.tif"})
        EXPECT_EQ(readWholeFile(refused).error().code, ErrorCode::unsupported) << refused;
    testing::FaultyFileSystem files;
    files.unreadable = fixturePath("picture.png");
    EXPECT_EQ(readFailure(files.unreadable, files),
              "The file could not be read (Input/output error).");
}

// A batch on the fixture pictures: a plain picture, an animated GIF, a text file named .jpg, a
// PDF, a picture given twice under two names, one equal to a picture already in the deck, and a
// JPEG whose header reads but whose data stops early.
struct Batch {
    TempDir dir;
    std::vector<SourceImage> deck;

    Batch() {
        copyFixture("picture.png", dir / "1 picture.png");
        copyFixture("animated.gif", dir / "2 animated.gif");
        copyFixture("text.jpg", dir / "3 x.jpg");
        copyFixture("orient-1.jpg", dir / "4 first.jpg");
        copyFixture("orient-1.jpg", dir / "5 again.jpg");
        copyFixture("document.pdf", dir / "6 doc.tif");
        copyFixture("alpha.png", dir / "7 in deck.png");
        copyFixture("truncated.jpg", dir / "8 cut.jpg");
        SourceImage existing;
        existing.sha256 = sha256Hex(testing::readFileBytes(fixturePath("alpha.png")));
        deck.push_back(existing);
    }
};

// The plan of a `Batch`.
void checkBatchPlan(const ImportPlan& plan, const Batch& batch, bool staged) {
    Names items;
    for (const auto& item : plan.items) {
        items.push_back(item.originalName);
        EXPECT_EQ(item.sha256, sha256Hex(*item.data.read()));
        EXPECT_EQ(*item.data.read(), testing::readFileBytes(item.url));
        EXPECT_EQ(item.data.isOwnedFile(), staged);
    }
    // The picture whose pixels do not decode is a failure only, never an item as well.
    EXPECT_EQ(items, (Names{"1 picture.png", "2 animated.gif", "4 first.jpg"}));
    ASSERT_EQ(plan.duplicates.size(), 2u);
    EXPECT_EQ(plan.duplicates[0].incoming.originalName, "5 again.jpg");
    EXPECT_EQ(plan.duplicates[0].existingSHA, plan.items[2].sha256);
    EXPECT_EQ(plan.duplicates[1].incoming.originalName, "7 in deck.png");
    EXPECT_EQ(plan.duplicates[1].existingSHA, batch.deck[0].sha256);
    EXPECT_EQ(plan.failures, (std::vector<ImportFailure>{
                                 {"3 x.jpg", "This file could not be read as an image."},
                                 {"6 doc.tif", "This image format is not supported."},
                                 {"8 cut.jpg", "This file could not be read as an image."}}));
    EXPECT_EQ(plan.animatedNames, (Names{"2 animated.gif"}));

    EXPECT_EQ(importNotes(plan),
              "3 x.jpg: This file could not be read as an image.\n"
              "6 doc.tif: This image format is not supported.\n"
              "8 cut.jpg: This file could not be read as an image.\n\n"
              "Animated GIF files import the first frame only. Animation is not exported.");
}

// Read in place, or copied into a staging folder from the one read that also hashes and decodes
// each file, with its miniature handed on: the same plan.
TEST(MakeImportPlan, SortsItemsDuplicatesFailuresAndAnimatedNames) {
    for (const bool staged : {false, true}) {
        SCOPED_TRACE(staged ? "staged" : "in place");
        Batch batch;
        ImportPlanOptions options;
        std::mutex mutex;
        Names miniatures;  // the digests they came with
        TempDir staging;
        if (staged)
            options.staging = StagingFolder::create(staging / "staging");
        options.miniatures = [&](const std::string& sha256, const RgbaImage&) {
            std::lock_guard lock(mutex);
            miniatures.push_back(sha256);
        };
        const auto plan = makeImportPlan({batch.dir.path()}, batch.deck, false, options);
        ASSERT_TRUE(plan);
        checkBatchPlan(*plan, batch, staged);
        // One for every picture that decoded, duplicates included.
        ASSERT_EQ(plan->items.size(), 3u);
        Names expected{batch.deck[0].sha256};
        for (const auto& item : plan->items)
            expected.push_back(item.sha256);
        expected.push_back(plan->items[2].sha256);
        std::sort(expected.begin(), expected.end());
        std::sort(miniatures.begin(), miniatures.end());
        EXPECT_EQ(miniatures, expected);
    }
}

// The container proof accepts without decoding only what an export at best embeds as it is:
// JPEG and PNG files that are whole. A JPEG cut short still fails, and other kinds whose data is
// cut keep the thumbnail's verdict.
TEST(MakeImportPlan, ContainerProofStillRefusesCutPictures) {
    TempDir dir;
    copyFixture("truncated.jpg", dir / "cut.jpg");
    copyFixture("orient-6.jpg", dir / "whole.jpg");
    copyFixture("picture.png", dir / "whole.png");
    for (const std::string fixture : {"picture.png", "picture.tif"}) {
        const Bytes whole = testing::readFileBytes(fixturePath(fixture));
        testing::writeFileBytes(dir / ("cut-" + fixture),
                                Bytes(whole.data(), whole.size() * 3 / 4));
    }
    const auto verdicts = [&](DecodeProof proof) {
        ImportPlanOptions options;
        options.decodeProof = proof;
        const auto plan = makeImportPlan({dir.path()}, {}, false, options);
        Names unusable;
        for (const auto& failure : plan->failures)
            unusable.push_back(failure.name);
        return unusable;
    };
    const Names refused = verdicts(DecodeProof::thumbnail);
    EXPECT_EQ(refused, (Names{"cut-picture.png", "cut-picture.tif", "cut.jpg"}));
    EXPECT_EQ(verdicts(DecodeProof::containerForEmbedding), refused);
}

// Read in place, an item is recognised later by its file's stamp and the CRC-32 of its bytes,
// or else by its digest: a stamp alone cannot tell a rewrite within one tick of the file
// system's clock, which the CRC-32 must catch.
TEST(MakeImportPlan, InPlaceItemsAreRecognisedByStampAndCrcOrElseByDigest) {
    TempDir dir;
    copyFixture("orient-1.jpg", dir / "a.jpg");
    const auto plan = makeImportPlan({dir.path()}, {}, false);
    ASSERT_TRUE(plan && plan->items.size() == 1u);
    const Bytes bytes = *plan->items[0].data.read();
    const auto inPlace = [&](std::string digest, std::uint32_t crc) {
        std::optional<FileStamp> stamp = fileStampOf(dir / "a.jpg");
        stamp->crc32 = crc;
        return StoredBytes::external(dir / "a.jpg", bytes.size(), std::move(digest), true, stamp)
            .read();
    };
    // As stamped: the digest is not computed again (a wrong one goes unnoticed).
    EXPECT_TRUE(inPlace(std::string(64, '0'), crc32Of(bytes.span())));

    std::vector<std::uint8_t> other(bytes.span().begin(), bytes.span().end());
    other[other.size() / 2] ^= 0xFF;
    testing::writeFileBytes(dir / "a.jpg", Bytes(std::move(other)));
    EXPECT_EQ(plan->items[0].data.read().error().message, changedSourceMessage);
    // The same stamp after a rewrite: the CRC-32 differs, and the digest decides.
    EXPECT_EQ(inPlace(plan->items[0].sha256, crc32Of(bytes.span())).error().message,
              changedSourceMessage);
}

// Two large pictures that differ only in their last byte are two pictures; a third equal to the
// first is its duplicate. (Bytes after a JPEG's end marker are ignored by decoders.)
TEST(MakeImportPlan, LargeFilesDifferingOnlyAtTheirEndAreNoDuplicates) {
    TempDir dir;
    const Bytes jpeg = testing::readFileBytes(fixturePath("orient-1.jpg"));
    for (const std::string name : {"a", "b", "c"}) {
        std::vector<std::uint8_t> data(jpeg.span().begin(), jpeg.span().end());
        data.resize(data.size() + (6 << 20), 0);
        data.back() = name == "b" ? 1 : 2;
        testing::writeFileBytes(dir / (name + ".jpg"), Bytes(std::move(data)));
    }
    const auto plan = makeImportPlan({dir.path()}, {}, false);
    ASSERT_TRUE(plan);
    ASSERT_EQ(plan->items.size(), 2u);
    EXPECT_NE(plan->items[0].sha256, plan->items[1].sha256);
    ASSERT_EQ(plan->duplicates.size(), 1u);
    EXPECT_EQ(plan->duplicates[0].incoming.originalName, "c.jpg");
}

// Taking digests only where sizes are shared finds the duplicates that digesting everything
// finds. A picture left without a digest is still guarded by its stamp: rewritten, it is refused.
TEST(MakeImportPlan, DigestsOfSharedSizesOnlyFindTheSameDuplicates) {
    Batch batch;
    batch.deck[0].byteCount = static_cast<std::int64_t>(fs::file_size(fixturePath("alpha.png")));
    const auto full = makeImportPlan({batch.dir.path()}, batch.deck, false);
    ImportPlanOptions options;
    options.digests = DigestScope::sameSizeOnly;
    const auto lean = makeImportPlan({batch.dir.path()}, batch.deck, false, options);
    ASSERT_TRUE(full && lean);
    EXPECT_EQ(lean->duplicates, full->duplicates);
    EXPECT_EQ(lean->failures, full->failures);
    ASSERT_EQ(lean->items.size(), full->items.size());
    for (std::size_t i = 0; i < lean->items.size(); ++i) {
        const ImportItem& item = lean->items[i];
        EXPECT_EQ(item.originalName, full->items[i].originalName);
        EXPECT_EQ(item.sha256, item.originalName == "4 first.jpg" ? full->items[i].sha256 : "");
    }

    const ImportItem& png = lean->items[0];
    const Bytes bytes = *png.data.read();
    std::vector<std::uint8_t> other(bytes.begin(), bytes.end());
    other.back() ^= 0xFF;
    testing::writeFileBytes(png.url, Bytes(std::move(other)));
    EXPECT_EQ(png.data.read().error().message, changedSourceMessage);
}

TEST(MakeImportPlan, ThreadsGiveTheSequentialPlanAndProgressAndStopBetweenFiles) {
    Batch batch;
    for (int i = 0; i < 12; ++i)
        copyFixture(i % 3 ? "orient-6.jpg" : "text.jpg",
                    batch.dir / ("extra" + std::to_string(i) + ".jpg"));
    ImportPlanOptions sequential;
    sequential.threads = 1;
    std::vector<std::size_t> reports;
    ImportPlanOptions parallel;
    parallel.threads = 4;
    parallel.progress = [&](std::size_t done, std::size_t total) {
        EXPECT_EQ(total, 20u);
        reports.push_back(done);
    };
    const auto one = makeImportPlan({batch.dir.path()}, batch.deck, false, sequential);
    const auto four = makeImportPlan({batch.dir.path()}, batch.deck, false, parallel);
    ASSERT_TRUE(one && four);
    EXPECT_EQ(*one, *four);
    std::vector<std::size_t> expected;
    for (std::size_t i = 0; i <= 20; ++i)
        expected.push_back(i);
    EXPECT_EQ(reports, expected);

    // Asked to stop, it stops between files and gives nothing.
    for (unsigned threads : {1u, 3u}) {
        std::stop_source stop;
        std::size_t lastReport = 0;
        ImportPlanOptions options;
        options.threads = threads;
        options.stop = stop.get_token();
        options.progress = [&](std::size_t done, std::size_t) {
            lastReport = done;
            if (done == 2)
                stop.request_stop();
        };
        EXPECT_FALSE(makeImportPlan({batch.dir.path()}, batch.deck, false, options));
        EXPECT_EQ(lastReport, 2u) << threads;
    }
}

TEST(MakeImportPlan, VanishedFileIsAFailureLineNotAStop) {
    TempDir dir;
    copyFixture("picture.png", dir / "a.png");
    copyFixture("picture.bmp", dir / "b.bmp");
    const auto files = collectImageFiles({dir.path()}, false);
    fs::remove(dir / "a.png");
    const auto plan = planImportOfFiles(files, {});
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->failures,  // the reader's own sentence
              (std::vector<ImportFailure>{
                  {"a.png", "The file could not be opened because it no longer exists."}}));
    ASSERT_EQ(plan->items.size(), 1u);
    EXPECT_EQ(plan->items[0].info.uti, "com.microsoft.bmp");
}

TEST(MakeSourceImage, StoresUnderTheIdentifierWithTheLowerCaseExtension) {
    ImportItem item;
    item.data = Bytes(std::string_view("bytes"));
    item.originalName = "Photo.JPEG";
    const Uuid id = Uuid::random();
    const SourceImage image = makeSourceImage(item, id);
    EXPECT_EQ(image.storedFileName, id.text() + ".jpeg");
    EXPECT_EQ(image.sha256, sha256Hex(*item.data.read()));  // computed when planning did not
    for (const char* name : {"README", ".profile", "trailing."}) {
        item.originalName = name;
        EXPECT_EQ(makeSourceImage(item, id).storedFileName, id.text() + ".img") << name;
    }
}

TEST(DropItemFileURL, AcceptsFileURLsPathsAndTheirBytes) {
    const auto drop = [](DroppedValue value) -> std::string {
        const auto path = dropItemFileURL(value);
        return path ? path->string() : "(none)";
    };
    EXPECT_EQ(drop(DroppedURL{"file:///tmp/a%20b.png"}), "/tmp/a b.png");
    EXPECT_EQ(drop(DroppedURL{"FILE://localhost/tmp/a.png"}), "/tmp/a.png");
    EXPECT_EQ(drop(DroppedURL{"https://example.com/a.png"}), "(none)");
    EXPECT_EQ(drop(DroppedURL{"file://elsewhere/a.png"}), "(none)");
    EXPECT_EQ(drop(DroppedURL{"file:///a%2"}), "(none)");
    EXPECT_EQ(drop(DroppedURL{"file:///a%00b"}), "(none)");
    EXPECT_EQ(drop(std::string(" \t/tmp/c d.png\r\n\x01")), "/tmp/c d.png");
    EXPECT_EQ(drop(std::string("\nfile:///tmp/e.png\n")), "/tmp/e.png");
    EXPECT_EQ(drop(std::string("relative/f.png")), "(none)");
    EXPECT_EQ(drop(std::string("file:///tmp/g h.png")), "(none)");
    EXPECT_EQ(drop(Bytes(std::string_view("file:///tmp/i.png\0junk", 22))), "/tmp/i.png");
    EXPECT_EQ(drop(Bytes(std::string_view("\0/tmp/k.png", 11))), "(none)");
}

TEST(CopyDroppedFile, CopiesIntoAFreshFolderKeepingTheName) {
    TempDir dir;
    copyFixture("picture.png", dir / "given/Drop Me.png");
    const auto first = copyDroppedFile(dir / "given/Drop Me.png", dir.path());
    const auto second = copyDroppedFile(dir / "given/Drop Me.png", dir.path());
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->parent_path(), second->parent_path());
    EXPECT_EQ(first->filename(), "Drop Me.png");
    EXPECT_EQ(testing::readFileBytes(*first), testing::readFileBytes(fixturePath("picture.png")));
    EXPECT_FALSE(copyDroppedFile(dir / "given/missing.png", dir.path()));
}

}  // namespace
}  // namespace mosavelle
