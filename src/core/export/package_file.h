#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

#include "core/export/zip_archive.h"
#include "core/platform/bytes.h"
#include "core/platform/result.h"

namespace mosavelle {

struct PackageFileOptions {
    // Where the temporary file goes when the destination's folder refuses one; empty means the
    // system temporary folder.
    std::filesystem::path fallbackFolder;
    // False skips the destination's folder and goes straight to the fallback (for tests).
    bool useDestinationFolder = true;
    // False names the temporary file from the start, as on file systems without unnamed files
    // (for tests).
    bool unnamedFile = true;
};

// A file that becomes the destination only when complete. Bytes are written into a temporary file
// in the destination's own folder; `commit` flushes it to disk and renames it over the
// destination, so the destination is at every moment either its old content or the complete new
// one, and no copy of the package is made. When that folder refuses a new file, the temporary
// file goes to the fallback folder and `commit` copies it onto the destination instead.
//
// Where the file system allows it the temporary file has no name until `commit` (O_TMPFILE), so
// even a killed process leaves nothing. A named one is held under an advisory lock while it
// lives, and creating a file removes the temporaries of a killed writer, which nobody holds.
// Otherwise the temporary file never outlives this object: it is removed when `commit` fails,
// when the object is destroyed uncommitted, and after a copy. An existing destination is touched
// only by `commit`. Errors carry the file system's own sentence. Not thread-safe; one writer per
// file.
class PackageFile final : public ByteSink {
public:
    static Result<std::unique_ptr<PackageFile>> create(const std::filesystem::path& destination,
                                                       const PackageFileOptions& options = {});
    ~PackageFile() override;
    PackageFile(const PackageFile&) = delete;
    PackageFile& operator=(const PackageFile&) = delete;

    Status write(std::span<const std::uint8_t> bytes) override;
    Status writePair(std::span<const std::uint8_t> first,
                     std::span<const std::uint8_t> second) override;
    Status commit();

    // Empty while the file has no name.
    const std::filesystem::path& temporaryPath() const { return temporary_; }
    bool isInDestinationFolder() const { return inDestinationFolder_; }

private:
    PackageFile(std::filesystem::path destination, std::filesystem::path temporary, int fd,
                bool inDestinationFolder);
    void discard();
    Status nameUnnamed();

    std::filesystem::path destination_;
    std::filesystem::path temporary_;
    int fd_ = -1;
    bool inDestinationFolder_ = true;
    bool finished_ = false;
};

// Puts a finished archive at `destination` through a `PackageFile`.
Status writePackage(const Bytes& archive, const std::filesystem::path& destination,
                    const PackageFileOptions& options = {});

// The user-facing sentence for a failed file operation on `path`, with the system's description
// of `errorNumber`.
Error fileSystemError(const std::filesystem::path& path, int errorNumber);

}  // namespace mosavelle
