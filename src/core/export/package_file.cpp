#include "core/export/package_file.h"

#include <string>
#include <utility>

namespace mosavelle {

namespace fs = std::filesystem;

namespace {

Error packageError(const fs::path& destination, const Error& cause) {
    return errorSaying(
        becauseOf(Text{TextId::fileNotWritten, {destination.filename().string()}}, cause),
        cause.code);
}

}  // namespace

Result<std::unique_ptr<PackageFile>> PackageFile::create(const fs::path& destination,
                                                         const PackageFileOptions& options) {
    FileSystem& files = options.files ? *options.files : realFileSystem();
    auto file = ReplacementFile::create(files, destination, options.replacement);
    if (!file)
        return packageError(destination, file.error());
    return std::unique_ptr<PackageFile>(new PackageFile(std::move(*file)));
}

Status PackageFile::sentence(Status status) const {
    if (!status)
        return packageError(file_->destination(), status.error());
    return status;
}

Status PackageFile::write(std::span<const std::uint8_t> bytes) {
    return sentence(file_->write(bytes));
}

Status PackageFile::writePair(std::span<const std::uint8_t> first,
                              std::span<const std::uint8_t> second) {
    return sentence(file_->write(first, second));
}

Status PackageFile::commit() {
    return sentence(file_->commit());
}

}  // namespace mosavelle
