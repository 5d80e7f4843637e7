#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

#include "core/export/zip_archive.h"
#include "core/platform/bytes.h"
#include "core/platform/file_system.h"
#include "core/platform/replace_file.h"
#include "core/platform/result.h"

namespace mosavelle {

struct PackageFileOptions {
    // The file system written through; null means the real one.
    FileSystem* files = nullptr;
    ReplacementOptions replacement;
};

// The presentation file an export streams into: a `ReplacementFile` at the destination, whose
// failures read "The file “NAME” could not be written: REASON." with the system's reason.
class PackageFile final : public ByteSink {
public:
    static Result<std::unique_ptr<PackageFile>> create(const std::filesystem::path& destination,
                                                       const PackageFileOptions& options = {});

    Status write(std::span<const std::uint8_t> bytes) override;
    Status writePair(std::span<const std::uint8_t> first,
                     std::span<const std::uint8_t> second) override;
    Status commit();

    // Empty while the file has no name.
    const std::filesystem::path& temporaryPath() const { return file_->temporaryPath(); }

private:
    explicit PackageFile(std::unique_ptr<ReplacementFile> file) : file_(std::move(file)) {}
    Status sentence(Status status) const;

    std::unique_ptr<ReplacementFile> file_;
};

}  // namespace mosavelle
