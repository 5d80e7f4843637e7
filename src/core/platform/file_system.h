#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/bytes.h"
#include "core/platform/result.h"

namespace mosavelle {

// What a path names, as seen by lstat (a symbolic link is reported as such, never followed) or by
// stat (links followed), depending on the call.
enum class EntryKind { missing, regularFile, directory, symbolicLink, other };

// The clause every failed file operation carries: "could not ACTION “PATH” (REASON)", with the
// system's description of `errorNumber` as the reason and its ErrorCode. Callers complete it into
// a sentence.
Error fileOperationError(std::string_view action, const std::filesystem::path& path,
                         int errorNumber);

// The system's reason inside a clause of `fileOperationError` ("No space left on device" of
// "could not write “/a” (No space left on device)"); the whole message of any other error.
std::string_view failureReason(const Error& error);
// `text` with the reason of `cause` added: its Text when it has one, else its failureReason.
Text becauseOf(Text text, const Error& cause);

// Why `FileSystem::readFile` failed, for callers that word their own sentence: the system's errno
// value, or one of its refusals. `clause` says it as a clause of `fileOperationError` ("could not
// read “PATH” (REASON)"), with its ErrorCode; the refusals are `ErrorCode::unsupported`.
struct ReadFailure {
    enum class Cause { system, folder, notRegularFile, tooLarge };
    Cause cause = Cause::system;
    int errorNumber = 0;  // the errno value of a `system` failure
    Error clause;
};

// No limit on the size of a file `FileSystem::readFile` reads.
inline constexpr std::uint64_t unlimitedRead = UINT64_MAX;

// An open regular file being written. Writes go to the current position, which starts at 0 and
// moves past each write. Destroying the object closes the file without reporting; a file created
// without a name is then gone. Failures are clauses of `fileOperationError`. Not thread-safe.
class WritableFile {
public:
    virtual ~WritableFile() = default;

    // Writes all of `first`, then all of `second` (in one call where the system allows).
    virtual Status append(std::span<const std::uint8_t> first,
                          std::span<const std::uint8_t> second = {}) = 0;

    // Writes the whole content of the regular file at `source`, copied inside the kernel where it
    // can be.
    virtual Status appendContentOf(const std::filesystem::path& source) = 0;

    // Reserves disk space for the first `size` bytes, so that writing them cannot run out of
    // space. Succeeds without reserving where the file system cannot reserve.
    virtual Status preallocate(std::uint64_t size) = 0;

    // Cuts or extends the file to `size` bytes.
    virtual Status truncate(std::uint64_t size) = 0;

    // The file's size now.
    virtual Result<std::uint64_t> size() = 0;

    // Gives the file the permission bits of the regular file at `model`; nothing when there is
    // none.
    virtual void copyPermissionsOf(const std::filesystem::path& model) = 0;

    // Forces the content to stable storage (fsync).
    virtual Status sync() = 0;

    // Gives a file created without a name the name `path`, which must be free.
    virtual Status link(const std::filesystem::path& path) = 0;

    // Closes the file, reporting the error a deferred write may only show here. Nothing else may
    // be called afterwards.
    virtual Status close() = 0;
};

// The file operations of package saving, the defaults store and export, behind one small
// interface so that tests can make any single write, flush or rename fail. Every failure is an
// Error made by `fileOperationError`. Implementations never throw.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The kind of `path`. With `followLinks` false a symbolic link is `symbolicLink`; with it
    // true the link's target is described (a dangling link is `missing`).
    virtual EntryKind entryKind(const std::filesystem::path& path, bool followLinks) = 0;

    // The names (not paths) of the members of a directory, in no particular order.
    virtual Result<std::vector<std::string>> listDirectory(const std::filesystem::path& path) = 0;

    // The whole contents of a regular file of at most `maxBytes` bytes, also when it grows while
    // it is read. With `followLinks` false a symbolic link as the last path component is refused
    // (ELOOP). Anything that is not a regular file is refused, and never blocks the call (a pipe,
    // a device). A large file is read into memory populated in one step.
    virtual Result<Bytes, ReadFailure> readFile(const std::filesystem::path& path, bool followLinks,
                                                std::uint64_t maxBytes) = 0;

    // Creates or truncates a regular file and writes all bytes. An existing symbolic link at
    // `path` is refused rather than written through. Data may still sit in caches: see flush.
    virtual Status writeFile(const std::filesystem::path& path, const Bytes& bytes) = 0;

    // Makes `to`, where nothing may exist yet, a regular file with the contents of the regular
    // file `from` (a final symbolic link is refused): a hard link where the file system allows
    // one, else a reflink (FICLONE), else a copy through the kernel (copy_file_range) or, failing
    // that, through a buffer. A partial copy is removed. Data may still sit in caches: see flush.
    virtual Status cloneFile(const std::filesystem::path& from,
                             const std::filesystem::path& to) = 0;

    // Forces a file's or a directory's contents to stable storage (fsync).
    virtual Status flush(const std::filesystem::path& path) = 0;

    // `flush` of every path; the first failure in list order is returned, the others may have
    // been flushed or not. The real file system flushes them all at once, so that a journalling
    // file system commits them together rather than once per file.
    virtual Status flushEach(const std::vector<std::filesystem::path>& paths) {
        for (const auto& path : paths) {
            if (auto s = flush(path); !s)
                return s;
        }
        return success();
    }

    // Sets the modification time of `path` to now; a final symbolic link is changed itself, not
    // followed.
    virtual Status touch(const std::filesystem::path& path) = 0;

    // Creates one directory; fails when anything already exists there.
    virtual Status createDirectory(const std::filesystem::path& path) = 0;

    // Creates a directory with any missing parents; succeeds when it already exists.
    virtual Status createDirectories(const std::filesystem::path& path) = 0;

    // Moves `from` to `to`, replacing a file or an empty directory at `to` (rename(2)).
    virtual Status rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;

    // Atomically swaps two existing entries. Fails, changing nothing, where the file system does
    // not support it; callers then fall back to two renames.
    virtual Status exchange(const std::filesystem::path& a, const std::filesystem::path& b) = 0;

    // Removes a file, a symbolic link (not its target) or an empty directory. A missing entry is
    // not an error.
    virtual Status remove(const std::filesystem::path& path) = 0;

    // Removes an entry and, for a directory, everything in it without following links. A missing
    // entry is not an error.
    virtual Status removeAll(const std::filesystem::path& path) = 0;

    // A new file without a name in `folder`, to be named by `WritableFile::link`. Fails with
    // ErrorCode::unsupported where the file system has no such files. Held like `createFile`.
    virtual Result<std::unique_ptr<WritableFile>> createUnnamedFile(
        const std::filesystem::path& folder) = 0;

    // A new, empty file at `path`; fails when anything exists there. The file is held (under an
    // exclusive advisory lock) while it is open, so `removeUnheldFile` leaves it alone.
    virtual Result<std::unique_ptr<WritableFile>> createFile(const std::filesystem::path& path) = 0;

    // The regular file at `path`, created when missing, opened for writing from its start without
    // cutting its content.
    virtual Result<std::unique_ptr<WritableFile>> openForOverwrite(
        const std::filesystem::path& path) = 0;

    // Removes the regular file at `path` when no open file of `createFile` holds it. False when
    // held, missing or not removable.
    virtual bool removeUnheldFile(const std::filesystem::path& path) = 0;
};

// The operating system's file system. Thread-safe; lives for the whole program.
FileSystem& realFileSystem();

}  // namespace mosavelle
