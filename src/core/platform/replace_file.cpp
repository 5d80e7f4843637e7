#include "core/platform/replace_file.h"

#include <cerrno>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "core/platform/uuid.h"

namespace mosavelle {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view temporaryPrefix = "Mosavelle-";

std::string temporaryName(bool hidden, const std::string& suffix) {
    return std::string(hidden ? "." : "") + std::string(temporaryPrefix) + Uuid::random().text() +
           suffix;
}

// True for the names `temporaryName` gives.
bool isTemporaryName(std::string_view name, bool hidden, std::string_view suffix) {
    if (hidden) {
        if (!name.starts_with('.'))
            return false;
        name.remove_prefix(1);
    }
    if (!name.starts_with(temporaryPrefix) || !name.ends_with(suffix))
        return false;
    name.remove_prefix(temporaryPrefix.size());
    name.remove_suffix(suffix.size());
    return name.size() == 36 && Uuid::parse(name).has_value();
}

// Removes the temporary files in `folder` that writers killed before they could clean up left
// behind: those of our naming that no live writer holds.
void removeStaleTemporaries(FileSystem& files, const fs::path& folder, bool hidden,
                            const std::string& suffix) {
    auto names = files.listDirectory(folder);
    if (!names)
        return;
    for (const auto& name : *names)
        if (isTemporaryName(name, hidden, suffix))
            (void)files.removeUnheldFile(folder / name);
}

fs::path folderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// Copies the finished temporary file onto the destination, in place. The space for the whole
// file is reserved before the first byte is overwritten, so a full disk or a file-size limit is
// refused with the old content still whole; the old content is cut only after the new one is in.
Status copyOnto(FileSystem& files, const fs::path& from, std::uint64_t size, const fs::path& to) {
    const bool existed = files.entryKind(to, true) == EntryKind::regularFile;
    auto out = files.openForOverwrite(to);
    if (!out)
        return out.error();
    WritableFile& file = **out;
    const auto oldSize = file.size();
    if (auto reserved = file.preallocate(size); !reserved) {
        if (existed && oldSize)
            (void)file.truncate(*oldSize);  // undo any growth; the content is intact
        out->reset();
        if (!existed)
            (void)files.remove(to);
        return reserved;
    }
    Status status = file.appendContentOf(from);
    if (status)
        status = file.truncate(size);
    if (status)
        status = file.sync();
    if (auto closed = file.close(); !closed && status)
        status = closed;
    return status;
}

}  // namespace

ReplacementFile::ReplacementFile(FileSystem& files, fs::path destination, fs::path temporary,
                                 std::unique_ptr<WritableFile> file, bool inDestinationFolder,
                                 bool durable)
    : files_(files),
      destination_(std::move(destination)),
      temporary_(std::move(temporary)),
      file_(std::move(file)),
      inDestinationFolder_(inDestinationFolder),
      durable_(durable) {}

ReplacementFile::~ReplacementFile() {
    discard();
}

void ReplacementFile::discard() {
    file_.reset();
    if (!finished_ && !temporary_.empty())
        (void)files_.remove(temporary_);
    finished_ = true;
}

Result<std::unique_ptr<ReplacementFile>> ReplacementFile::create(
    FileSystem& files, const fs::path& requested, const ReplacementOptions& options) {
    fs::path destination = requested;
    std::error_code ec;
    if (options.followLinks && files.entryKind(requested, false) == EntryKind::symbolicLink) {
        auto target = fs::canonical(requested, ec);
        if (!ec)
            destination = target;
    }
    // A folder in the way would only be found by the final rename, after all the work.
    if (files.entryKind(destination, true) == EntryKind::directory)
        return fileOperationError("write", destination, EISDIR);
    const auto made = [&](std::unique_ptr<WritableFile> file, fs::path temporary, bool inFolder) {
        file->copyPermissionsOf(destination);
        return std::unique_ptr<ReplacementFile>(new ReplacementFile(
            files, destination, std::move(temporary), std::move(file), inFolder, options.durable));
    };
    const fs::path folder = folderOf(destination);
    const std::string suffix = destination.extension().string();

    if (auto unnamed = files.createUnnamedFile(folder)) {
        // Named temporaries (of a writer killed between naming its file and moving it, or of
        // earlier versions, which named every one) go too when the folder is next written. A
        // cache, written often, clears its own folder.
        if (options.durable)
            removeStaleTemporaries(files, folder, true, suffix);
        return made(std::move(*unnamed), {}, true);
    }
    // Hidden, so that a file manager showing the folder does not flash it.
    removeStaleTemporaries(files, folder, true, suffix);
    fs::path temporary = folder / temporaryName(true, suffix);
    auto named = files.createFile(temporary);
    if (named)
        return made(std::move(*named), std::move(temporary), true);
    // A folder that does not exist cannot take the copy either.
    if (named.error().code == ErrorCode::notFound)
        return named.error();

    fs::path fallback = options.fallbackFolder;
    if (fallback.empty())
        fallback = fs::temp_directory_path(ec);
    removeStaleTemporaries(files, fallback, false, suffix);
    temporary = fallback / temporaryName(false, suffix);
    auto elsewhere = files.createFile(temporary);
    if (!elsewhere)
        return named.error();
    return made(std::move(*elsewhere), std::move(temporary), false);
}

Status ReplacementFile::write(std::span<const std::uint8_t> first,
                              std::span<const std::uint8_t> second) {
    if (finished_)
        return fileOperationError("write", destination_, EBADF);
    auto status = file_->append(first, second);
    if (!status)
        discard();
    written_ += first.size() + second.size();
    return status;
}

Status ReplacementFile::commit() {
    if (finished_)
        return fileOperationError("write", destination_, EBADF);
    const auto fail = [this](Error error) -> Status {
        discard();
        return error;
    };
    if (durable_) {
        if (auto synced = file_->sync(); !synced)
            return fail(synced.error());
    }
    // An unnamed file is named beside the destination and goes on as a named one. The file stays
    // open, and so held, until it is in place.
    if (temporary_.empty()) {
        fs::path named = folderOf(destination_) / temporaryName(true, destination_.extension());
        if (auto linked = file_->link(named); !linked)
            return fail(linked.error());
        temporary_ = std::move(named);
    }
    if (!inDestinationFolder_) {
        Status copied = copyOnto(files_, temporary_, written_, destination_);
        discard();
        return copied;
    }
    if (auto moved = files_.rename(temporary_, destination_); !moved)
        return fail(moved.error());
    finished_ = true;
    file_.reset();
    // Make the rename durable; the new file is in place already, so this is best effort.
    if (durable_)
        (void)files_.flush(folderOf(destination_));
    return success();
}

Status writeFileAtomically(FileSystem& files, const fs::path& path, const Bytes& bytes,
                           const ReplacementOptions& options) {
    auto file = ReplacementFile::create(files, path, options);
    if (!file)
        return file.error();
    if (auto written = (*file)->write(bytes.span()); !written)
        return written;
    return (*file)->commit();
}

Status moveFolderIntoPlace(FileSystem& files, const fs::path& fresh, const fs::path& destination,
                           const fs::path& aside) {
    if (files.entryKind(destination, false) == EntryKind::missing)
        return files.rename(fresh, destination);
    if (files.exchange(fresh, destination))
        return success();
    if (auto s = files.removeAll(aside); !s)
        return s;
    if (auto s = files.rename(destination, aside); !s)
        return s;
    if (auto s = files.rename(fresh, destination); !s) {
        (void)files.rename(aside, destination);
        return s;
    }
    return success();
}

}  // namespace mosavelle
