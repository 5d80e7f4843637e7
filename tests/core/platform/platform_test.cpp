#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include <atomic>
#include <chrono>
#include <regex>
#include <set>
#include <stop_token>
#include <thread>
#include "core/platform/dates.h"
#include "core/platform/file_system.h"
#include "core/platform/ordered_jobs.h"
#include "core/platform/private_folder.h"
#include "core/platform/sha256.h"
#include "core/platform/stored_bytes.h"
#include "core/platform/uuid.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using testing::readFileBytes;
using testing::TempDir;
using testing::writeFileBytes;

TEST(StagingFolderTest, StagedBytesReadBackUnlessChangedAndLeaveWithTheirLastOwner) {
    TempDir root;
    auto folder = StagingFolder::create(root.path());
    const fs::path where = folder->path();
    EXPECT_FALSE(fs::exists(where)) << "made on first use only";

    const Bytes picture("picture bytes");
    auto stored = folder->store(picture, sha256Hex(picture));
    ASSERT_TRUE(stored) << stored.error().message;
    ASSERT_NE(stored->file(), nullptr);
    EXPECT_TRUE(stored->isOwnedFile());
    EXPECT_EQ(stored->size(), picture.size());
    EXPECT_EQ(*stored->read(), picture);
    EXPECT_EQ(fs::status(where).permissions(), fs::perms::owner_all);

    // Truncated or removed behind our back: an error, never a short buffer or a signal.
    auto large = folder->store(Bytes(std::string(10000, 'x')));
    ASSERT_TRUE(large);
    ASSERT_EQ(::truncate(large->file()->c_str(), 100), 0);
    EXPECT_FALSE(large->read());
    ASSERT_EQ(::unlink(large->file()->c_str()), 0);
    EXPECT_FALSE(large->read());
    large = Error{"dropped"};

    // A file of the user's: the same size with other bytes is a change.
    const fs::path source = root / "source.jpg";
    const Bytes original("0123456789");
    writeFileBytes(source, original);
    const StoredBytes external =
        StoredBytes::external(source, original.size(), sha256Hex(original));
    EXPECT_FALSE(external.isOwnedFile());
    EXPECT_EQ(*external.read(), original);
    writeFileBytes(source, Bytes("9876543210"));
    auto changed = external.read();
    ASSERT_FALSE(changed);
    EXPECT_EQ(changed.error().message, changedSourceMessage);
    EXPECT_EQ(changed.error().code, ErrorCode::damaged);

    // A copy keeps the file; the folder outlives its maker while a value still refers to it.
    StoredBytes copy = *stored;
    auto second = folder->store(Bytes("other"));
    ASSERT_TRUE(second);
    const fs::path secondFile = *second->file();
    second = Error{"dropped"};
    EXPECT_FALSE(fs::exists(secondFile)) << "a staged file goes with its last value";
    folder.reset();
    stored = Error{"dropped"};
    ASSERT_TRUE(fs::exists(where));
    EXPECT_EQ(*copy.read(), picture);
    copy = StoredBytes();
    EXPECT_FALSE(fs::exists(where));
}

TEST(StagingFolderTest, AdoptedFilesSurviveWhatHappensToTheOriginalName) {
    TempDir root;
    const fs::path original = root / "member.jpg";
    writeFileBytes(original, Bytes("package member"));
    auto folder = StagingFolder::create(root / "staging");
    auto adopted = folder->adopt(original);
    ASSERT_TRUE(adopted) << adopted.error().message;
    EXPECT_TRUE(adopted->isOwnedFile());

    // A package saved over (a new file renamed onto the name), then deleted.
    writeFileBytes(root / "new.jpg", Bytes("another picture"));
    fs::rename(root / "new.jpg", original);
    EXPECT_EQ(*adopted->read(), Bytes("package member"));
    fs::remove(original);
    EXPECT_EQ(*adopted->read(), Bytes("package member"));

    // A symbolic link is not adopted.
    fs::create_symlink(root / "elsewhere", root / "link.jpg");
    EXPECT_FALSE(folder->adopt(root / "link.jpg"));
}

TEST(StagingFolderTest, CleanupRemovesOnlyFoldersNobodyHolds) {
    TempDir root;
    auto live = StagingFolder::create(root.path());
    auto liveFile = live->store(Bytes("live"));
    ASSERT_TRUE(liveFile);

    // What a killed run leaves: a staging folder whose lock nobody holds.
    const fs::path stale = root / Uuid::random().text();
    fs::create_directory(stale);
    writeFileBytes(stale / ".lock", Bytes());
    writeFileBytes(stale / "1.bin", Bytes("stale"));
    // Just made by another process, not locked yet: too young to judge.
    const fs::path young = root / Uuid::random().text();
    fs::create_directory(young);
    // Not a staging folder at all.
    fs::create_directory(root / "keep-me");

    EXPECT_EQ(removeStaleStagingFolders(root.path()), 1);
    EXPECT_EQ(testing::namesIn(root.path()),
              (std::set<std::string>{live->path().filename(), young.filename(), "keep-me"}));
    EXPECT_TRUE(fs::exists(live->path() / "1.bin"));

    const int fd = ::open((live->path() / ".lock").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0) << "held while the folder lives";
    ::close(fd);
}

TEST(StagingFolderTest, FoldersOfOursAreNeverUsedThroughALinkOrWhenAnotherUserOwnsThem) {
    TempDir root;
    // A staging root that links to a folder holding an old, unlocked staging folder.
    const fs::path target = root / "target", stale = target / Uuid::random().text();
    fs::create_directories(stale);
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(1));
    fs::permissions(target, fs::perms(0755));
    fs::create_directory_symlink(target, root / "staging");
    EXPECT_EQ(removeStaleStagingFolders(root / "staging"), 0);
    auto folder = StagingFolder::create(root / "staging");
    EXPECT_FALSE(folder->store(Bytes("picture")));
    ASSERT_TRUE(folder->firstFailure());
    EXPECT_NE(folder->firstFailure()->message.find("symbolic link"), std::string::npos);
    EXPECT_EQ(testing::namesIn(target), std::set<std::string>{stale.filename()});
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0755));

    // The cache folder itself may be a link (to another disk); what we make inside may not.
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const std::string saved = cache ? cache : "";
    ::setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
    fs::create_directory_symlink(target, root / "cache");
    EXPECT_TRUE(openPrivateFolder(root / "cache" / "Mosavelle" / "staging"));
    fs::rename(target / "Mosavelle", root / "ours");
    fs::create_directory_symlink(root / "ours", target / "Mosavelle");
    EXPECT_FALSE(openPrivateFolder(root / "cache" / "Mosavelle" / "staging"));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown((root / "ours" / "staging").c_str(), 65534, 65534), 0);
        EXPECT_FALSE(openPrivateFolder(root / "ours" / "staging"));
    }
    cache ? ::setenv("XDG_CACHE_HOME", saved.c_str(), 1) : ::unsetenv("XDG_CACHE_HOME");
}

TEST(FileSystemTest, CloneFileCopiesRegularFilesIntoNewNamesOnly) {
    TempDir root;
    const Bytes content(std::string(300000, 'q'));
    writeFileBytes(root / "a", content);
    ASSERT_TRUE(realFileSystem().cloneFile(root / "a", root / "b"));
    EXPECT_EQ(readFileBytes(root / "b"), content);
    EXPECT_FALSE(realFileSystem().cloneFile(root / "a", root / "b")) << "never replaces";
    EXPECT_FALSE(realFileSystem().cloneFile(root / "missing", root / "c"));
    EXPECT_FALSE(fs::exists(root / "c"));
    EXPECT_FALSE(realFileSystem().cloneFile(root.path(), root / "d")) << "a folder is no file";
    EXPECT_FALSE(fs::exists(root / "d"));
}

TEST(Uuid, RandomIsUniqueVersion4AndParsesOnlyTheCanonicalFormInEitherCase) {
    std::set<Uuid> seen;
    const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    for (int i = 0; i < 200; ++i) {
        auto id = Uuid::random();
        EXPECT_TRUE(std::regex_match(id.text(), form)) << id.text();
        EXPECT_TRUE(seen.insert(id).second);
    }
    auto lower = Uuid::parse("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->text(), "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");
    for (const char* bad :
         {"", "0A1B2C3D4E5F4A6B8C7D9E0F1A2B3C4D", "{0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}",
          "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4", "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4DD",
          "0A1B2C3D-4E5F-4A6B-8C7D_9E0F1A2B3C4D", "0G1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
          " 0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4"}) {
        EXPECT_FALSE(Uuid::parse(bad)) << bad;
    }
}

TEST(InternetDate, RoundTripsUtcWholeSecondsAndRejectsEveryOtherForm) {
    using namespace std::chrono;
    Timestamp before1970 = sys_days{1969y / December / 31} + 23h + 59min + 59s;
    EXPECT_EQ(formatInternetDate(before1970), "1969-12-31T23:59:59Z");
    EXPECT_EQ(parseInternetDate("1969-12-31T23:59:59Z"), before1970);
    for (const char* bad :
         {"2024-05-01T12:30:00.5Z", "2024-05-01T12:30:00+02:00", "2024-05-01T12:30:00",
          "2024-05-01 12:30:00Z", "2024-02-30T12:30:00Z", "2024-05-01T24:00:00Z",
          "2024-05-01T12:60:00Z", "2024-05-01t12:30:00z", "+024-05-01T12:30:00Z", ""}) {
        EXPECT_FALSE(parseInternetDate(bad)) << bad;
    }
}

TEST(OrderedJobs, ResultsComeInListOrderWithinTheWindow) {
    constexpr int count = 40;
    constexpr std::size_t window = 3;
    std::atomic<int> outstanding{0};
    std::atomic<int> mostOutstanding{0};
    std::vector<OrderedJobs<int>::Job> jobs;
    for (int i = 0; i < count; ++i) {
        jobs.push_back([i, &outstanding, &mostOutstanding] {
            const int now = ++outstanding;
            int seen = mostOutstanding.load();
            while (now > seen && !mostOutstanding.compare_exchange_weak(seen, now)) {
            }
            // Later jobs often finish first.
            std::this_thread::sleep_for(std::chrono::microseconds((count - i) % 7 * 300));
            return i * i;
        });
    }
    OrderedJobs<int> ordered(std::move(jobs), 4, window);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(ordered.take(), i * i);
        --outstanding;  // taken: no longer held
    }
    EXPECT_EQ(ordered.remaining(), 0u);
    // Running or finished-but-untaken jobs never exceed the window (plus the one being taken).
    EXPECT_LE(mostOutstanding.load(), static_cast<int>(window) + 1);
}

TEST(OrderedJobs, AStopRequestEndsTheWaitAndRunsNothingMore) {
    std::atomic<bool> release{false};
    std::atomic<int> ran{0};
    const auto jobs = [&] {
        const auto held = [&] {
            ++ran;
            while (!release.load())
                std::this_thread::yield();
            return 7;
        };
        return std::vector<OrderedJobs<int>::Job>{held, [] { return 8; }};
    };
    {
        OrderedJobs<int> pooled(jobs(), 2, 2);
        std::stop_source stop;
        std::jthread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            stop.request_stop();
        });
        EXPECT_FALSE(pooled.take(stop.get_token()));  // the first job is still running
        EXPECT_EQ(pooled.remaining(), 2u);
        release = true;
    }
    ran = 0;
    std::stop_source stopped;
    stopped.request_stop();
    OrderedJobs<int> inline_(jobs(), 1, 2);
    EXPECT_FALSE(inline_.take(stopped.get_token()));
    EXPECT_EQ(ran.load(), 0);
}

TEST(OrderedJobs, DestroyingWithUntakenJobsWaitsForRunningOnesOnly) {
    std::atomic<int> started{0};
    std::vector<OrderedJobs<int>::Job> jobs;
    for (int i = 0; i < 100; ++i)
        jobs.push_back([&started] {
            ++started;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return 0;
        });
    {
        OrderedJobs<int> ordered(std::move(jobs), 2, 2);
        ordered.take();
    }
    EXPECT_LT(started.load(), 10);
}

}  // namespace
}  // namespace mosavelle
