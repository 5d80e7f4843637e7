#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

#include "core/export/package_file.h"
#include "core/platform/replace_file.h"
#include "support/faulty_file_system.h"
#include "support/package_reader.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using testing::namesIn;
using testing::readFileBytes;
using testing::TempDir;
using testing::writeFileBytes;

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

TEST_F(PackageFileTest, DestinationIsCreatedThenReplacedKeepingItsPermissions) {
    const auto destination = folder / "deck.pptx";
    ASSERT_TRUE(put(Bytes(std::string_view("old content, longer")), destination).ok());
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(destination, mode);
    ASSERT_TRUE(put(archive, destination).ok());
    EXPECT_EQ(readFileBytes(destination), archive);
    EXPECT_EQ(fs::status(destination).permissions() & fs::perms::mask, mode);
    EXPECT_EQ(namesIn(folder.path()), std::set<std::string>{"deck.pptx"});
    EXPECT_TRUE(namesIn(fallback.path()).empty());
}

TEST_F(PackageFileTest, LinkedDestinationReplacesTheFileItNames) {
    const auto target = folder / "real.pptx";
    writeFileBytes(target, Bytes(std::string_view("old")));
    fs::create_symlink(target, folder / "link.pptx");
    ASSERT_TRUE(put(archive, folder / "link.pptx").ok());
    EXPECT_TRUE(fs::is_symlink(folder / "link.pptx"));
    EXPECT_EQ(readFileBytes(target), archive);

    // Where links are not followed (a folder of our own), the link itself is replaced.
    ReplacementOptions own;
    own.followLinks = false;
    ASSERT_TRUE(writeFileAtomically(realFileSystem(), folder / "link.pptx", Bytes(), own).ok());
    EXPECT_FALSE(fs::is_symlink(folder / "link.pptx"));
    EXPECT_EQ(readFileBytes(target), archive);
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
    EXPECT_NE(taken.error().message.find("“taken.pptx”"), std::string::npos);
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
    EXPECT_NE(committed.error().message.find("“deck.pptx”"), std::string::npos);
    EXPECT_EQ(readFileBytes(destination), old);
    EXPECT_TRUE(namesIn(fallback.path()).empty());

    // Without the limit the copy replaces the longer old content.
    ASSERT_TRUE(put(archive, destination).ok());
    EXPECT_EQ(readFileBytes(destination), archive);
    EXPECT_TRUE(namesIn(fallback.path()).empty());
    EXPECT_FALSE(put(archive, folder / "nowhere" / "deck.pptx").ok());
    EXPECT_TRUE(namesIn(fallback.path()).empty());
}

}  // namespace
}  // namespace mosavelle
