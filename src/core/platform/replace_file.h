#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

#include "core/platform/bytes.h"
#include "core/platform/file_system.h"
#include "core/platform/result.h"

// The ways a file or folder replaces another so that a reader, a crash or a failure never meets
// half of either. Every failure is a clause of `fileOperationError`, for the caller to complete
// into its own sentence.
namespace mosavelle {

struct ReplacementOptions {
    // Where the temporary file goes when the destination's folder refuses one; empty means the
    // system temporary folder.
    std::filesystem::path fallbackFolder;
    // False for files whose readers check them anyway (a cache): `commit` then leaves the data to
    // the system's caches. The name still switches atomically for readers, but after a power cut
    // the new file may be incomplete.
    bool durable = true;
    // False for files in a folder of our own (a cache): a symbolic link in the destination's
    // place is then replaced itself, never the file it names.
    bool followLinks = true;
};

// A file that becomes the destination only when complete. Bytes are written into a temporary file
// in the destination's own folder; `commit` flushes it to disk and renames it over the
// destination, so the destination is at every moment either its old content or the complete new
// one, and no copy is made. When that folder refuses a new file, the temporary file goes to the
// fallback folder and `commit` copies it onto the destination instead, reserving the space first.
//
// Where the file system allows it the temporary file has no name until `commit`, so even a killed
// process leaves nothing. A named one ("Mosavelle-" + identifier + the destination's extension,
// hidden in the destination's folder) is held while it lives, and creating a file removes the
// temporaries of a killed writer, which nobody holds (with an unnamed file, only for a durable
// one). Otherwise the temporary file never outlives
// this object: it is removed when `commit` fails, when the object is destroyed uncommitted, and
// after a copy. An existing destination is touched only by `commit` and keeps its permissions; a
// destination that is a symbolic link has the file it names replaced (unless `followLinks` is
// false). Not thread-safe.
class ReplacementFile {
public:
    static Result<std::unique_ptr<ReplacementFile>> create(FileSystem& files,
                                                           const std::filesystem::path& destination,
                                                           const ReplacementOptions& options = {});
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Appends `first`, then `second`. A failure discards the file.
    Status write(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second = {});
    Status commit();

    // The destination, with a symbolic link resolved.
    const std::filesystem::path& destination() const { return destination_; }
    // Empty while the file has no name.
    const std::filesystem::path& temporaryPath() const { return temporary_; }

private:
    ReplacementFile(FileSystem& files, std::filesystem::path destination,
                    std::filesystem::path temporary, std::unique_ptr<WritableFile> file,
                    bool inDestinationFolder, bool durable);
    void discard();

    FileSystem& files_;
    std::filesystem::path destination_;
    std::filesystem::path temporary_;
    std::unique_ptr<WritableFile> file_;
    std::uint64_t written_ = 0;
    bool inDestinationFolder_ = true;
    bool durable_ = true;
    bool finished_ = false;
};

// Replaces the file at `path` with `bytes` through a `ReplacementFile`.
Status writeFileAtomically(FileSystem& files, const std::filesystem::path& path, const Bytes& bytes,
                           const ReplacementOptions& options = {});

// Puts the finished folder `fresh` at `destination`. Any existing entry there stays complete until
// the new one is in place: an atomic swap where the file system offers one (the old entry is then
// at `fresh`), otherwise the old entry is moved to `aside`, and moved back when the new one cannot
// be moved in. Whatever was at `aside` is removed first.
Status moveFolderIntoPlace(FileSystem& files, const std::filesystem::path& fresh,
                           const std::filesystem::path& destination,
                           const std::filesystem::path& aside);

}  // namespace mosavelle
