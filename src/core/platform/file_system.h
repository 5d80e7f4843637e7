#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/platform/bytes.h"
#include "core/platform/result.h"

namespace mosavelle {

// What a path names, as seen by lstat (a symbolic link is reported as such, never followed) or by
// stat (links followed), depending on the call.
enum class EntryKind { missing, regularFile, directory, symbolicLink, other };

// The file operations of package saving and the defaults store, behind one small interface so
// that tests can make any single write, flush or rename fail. Every failure is an Error whose
// message is a lower-case clause naming the operation, the path and the system's reason, e.g.
// "could not write “/a/b” (No space left on device)", meant to be completed into a sentence by
// the caller. Implementations never throw.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The kind of `path`. With `followLinks` false a symbolic link is `symbolicLink`; with it
    // true the link's target is described (a dangling link is `missing`).
    virtual EntryKind entryKind(const std::filesystem::path& path, bool followLinks) = 0;

    // The names (not paths) of the members of a directory, in no particular order.
    virtual Result<std::vector<std::string>> listDirectory(const std::filesystem::path& path) = 0;

    // The whole contents of a regular file. With `followLinks` false a symbolic link as the last
    // path component is refused. Anything that is not a regular file is refused.
    virtual Result<Bytes> readFile(const std::filesystem::path& path, bool followLinks) = 0;

    // Creates or truncates a regular file and writes all bytes. An existing symbolic link at
    // `path` is refused rather than written through. Data may still sit in caches: see flush.
    virtual Status writeFile(const std::filesystem::path& path, const Bytes& bytes) = 0;

    // Makes `to`, where nothing may exist yet, a regular file with the contents of the regular
    // file `from` (a final symbolic link is refused): a hard link where the file system allows
    // one, else a reflink (FICLONE), else a copy through the kernel (copy_file_range) or, failing
    // that, through a buffer. A partial copy is removed. Data may still sit in caches: see flush.
    virtual Status cloneFile(const std::filesystem::path& from, const std::filesystem::path& to) = 0;

    // Forces a file's or a directory's contents to stable storage (fsync).
    virtual Status flush(const std::filesystem::path& path) = 0;

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
};

// The operating system's file system. Thread-safe; lives for the whole program.
FileSystem& realFileSystem();

// Replaces the file at `path` atomically: the bytes are written under a temporary sibling name,
// flushed, and renamed over `path`, so readers see either the old or the new file in full. On
// failure the temporary file is removed and `path` is untouched.
Status writeFileAtomically(FileSystem& files, const std::filesystem::path& path,
                           const Bytes& bytes);

}  // namespace mosavelle
