#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "core/platform/bytes.h"
#include "core/platform/file_system.h"
#include "core/platform/private_folder.h"
#include "core/platform/result.h"

namespace mosavelle {

class StagingFolder;

// The largest picture file the program takes: larger ones are refused at import and read as
// missing from a project, since every reader holds a whole picture in memory while it works.
inline constexpr std::uint64_t maxPictureFileBytes = std::uint64_t{1} << 30;

// The sentence a read gives when a file we do not own no longer holds the bytes it held when the
// value was made (its digest differs), so that two versions of a picture never mix.
inline constexpr std::string_view changedSourceMessage = englishTemplate(TextId::fileChanged);

// A user's file as it stood around one read of it: which file it was, its modification and change
// times, and the CRC-32 of the bytes that read gave. Any write to a file sets its change time, so a
// later read that finds the same file, times and CRC-32 has the same bytes without hashing them
// again; a write within the same tick of the file system's clock still has to keep the CRC-32.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    std::uint32_t crc32 = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the file at `path` now, with `crc32` left 0; nothing when it cannot be had. Links
// are followed.
std::optional<FileStamp> fileStampOf(const std::filesystem::path& path);

// The bytes of one picture, held where they already are instead of in memory: a file region of
// ours (a picture copied into a staging folder, or linked there from an opened package), a file
// of the user's that we only read (its size and digest are kept, and a read checks both), or a
// buffer in memory (clipboard pictures, logos, tests). An immutable value: copies share one
// description of the file, which is removed when the last copy referring to it dies (for files of
// ours), so a snapshot or a running export keeps the bytes it was given. Safe to use from any
// thread.
//
// Readers call `read` only while they hash, decode, encode or copy, and drop the buffer after:
// memory then follows the pictures being worked on, not the deck. Reads go through bounded
// buffers, never a mapping, so a file that vanished or shrank gives an error, never a signal.
class StoredBytes {
public:
    StoredBytes() = default;
    // Bytes held in memory.
    StoredBytes(Bytes bytes);  // NOLINT(google-explicit-constructor): any Bytes is stored bytes

    // A file of the user's at `path` that held `size` bytes with SHA-256 `sha256` (lower-case hex)
    // when it was read; `read` fails with `changedSourceMessage` (ErrorCode::damaged) when it no
    // longer does. With `followLinks` false a symbolic link in the file's place is refused. Never
    // removed. With `stamp`, taken around that read, a read that finds the file as stamped skips
    // the digest; without a digest, one that does not fails. With neither, only the size is
    // checked.
    static StoredBytes external(std::filesystem::path path, std::uint64_t size, std::string sha256,
                                bool followLinks = true, std::optional<FileStamp> stamp = {});

    std::uint64_t size() const;
    bool empty() const { return size() == 0; }
    // The file holding the bytes; null for bytes in memory.
    const std::filesystem::path* file() const;
    // True for a file of ours (staged), which a save may link instead of copying.
    bool isOwnedFile() const;
    // The SHA-256 recorded when the value was made, when one was.
    const std::string* knownDigest() const;

    // Whether a file of ours still holds the bytes it was given: it has its size and, when it was
    // modified since it became ours, the SHA-256 recorded with it (else `digest`, lower-case hex).
    // A modified file without a digest to prove it, and a missing one, count as changed. Costs one
    // stat unless the file was modified. Bytes in memory and files of the user's (which every
    // `read` checks) always answer true.
    bool isUnchanged(std::string_view digest = {}) const;

    // The bytes. Bytes in memory are shared without copying; a file is read whole into a new
    // buffer. Fails, never throws, when the file is missing, unreadable or not `size()` bytes
    // long, or for a file of the user's whose digest changed (`changedSourceMessage`).
    Result<Bytes> read() const;

    // True when both values share one description of a file or one buffer in memory (not
    // merely equal contents).
    bool sharesStorageWith(const StoredBytes& other) const {
        return region_ ? region_ == other.region_
                       : !other.region_ && memory_.sharesStorageWith(other.memory_);
    }

    // Equal values hold the same bytes. Values sharing storage or naming the same file compare
    // without reading; otherwise both are read (a file that cannot be read equals nothing).
    friend bool operator==(const StoredBytes& a, const StoredBytes& b);

private:
    friend class StagingFolder;
    struct Region;
    std::shared_ptr<const Region> region_;  // set for a file
    Bytes memory_;                          // otherwise
};

// A private folder of one document's staged pictures, under `stagingRoot()`. The folder is made
// on first use and removed, with every file in it, when the last owner (the document, or a
// StoredBytes staged in it) lets go. While it lives it holds an advisory lock on a file inside,
// which tells `removeStaleStagingFolders` that its process is alive. The root must be a folder of
// this user's own (see openPrivateFolder); where it is not, nothing is staged. Thread-safe.
class StagingFolder : public std::enable_shared_from_this<StagingFolder> {
public:
    // A folder that will be made under `root` (default `stagingRoot()`) when first used.
    static std::shared_ptr<StagingFolder> create(std::filesystem::path root = {});
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes `bytes` into a new file of the folder; `sha256`, when known, is kept with it. The
    // file starts on its way to the disk at once, without waiting for it, so that a save that
    // links it into a package later finds little left to flush.
    Result<StoredBytes> store(const Bytes& bytes, std::string sha256 = {});
    // Makes `file` (a regular file, reached without following a final symbolic link) a file of
    // the folder: a hard link where the file system allows it, else a reflink, else a copy.
    // Later changes of the name `file` (a package saved over, a folder moved) do not reach it.
    Result<StoredBytes> adopt(const std::filesystem::path& file,
                              FileSystem& files = realFileSystem());

    // The first failure of `store` or `adopt`, so that the user can be told once why pictures
    // are not kept in the cache folder.
    std::optional<Error> firstFailure() const;

private:
    explicit StagingFolder(std::filesystem::path path);
    Status ensureMade();
    Error failed(Error error);
    std::filesystem::path nextName();

    mutable std::mutex mutex_;
    std::filesystem::path path_;
    PrivateFolder root_;
    std::optional<Error> firstFailure_;
    int lockFd_ = -1;
    bool made_ = false;
    std::uint64_t counter_ = 0;
};

// "$XDG_CACHE_HOME/Mosavelle/staging" ($HOME/.cache when XDG_CACHE_HOME is unset or relative;
// the system temporary folder when neither is set).
std::filesystem::path stagingRoot();

// Removes the staging folders under `root` (default `stagingRoot()`) that no live process holds:
// leftovers of a run that was killed. A folder whose lock is held is left alone, and so is one
// without a lock file made in the last minute (its owner may be creating it) and one an earlier
// version kept for unsaved work (holding a file "unsaved-work"). Nothing is done when `root` is
// not a folder of this user's own (see openPrivateFolder). Best effort: errors are ignored.
// Returns how many folders were removed.
int removeStaleStagingFolders(std::filesystem::path root = {});

}  // namespace mosavelle
