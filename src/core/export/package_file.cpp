#include "core/export/package_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <system_error>

#include "core/platform/uuid.h"

namespace mosavelle {

namespace fs = std::filesystem;

namespace {

Status writeAll(int fd, std::span<const std::uint8_t> bytes, const fs::path& path) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fileSystemError(path, errno);
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return success();
}

int openExclusive(const fs::path& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Makes the new file's content durable and, best effort, the directory entry that names it.
void syncFolder(const fs::path& folder) {
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// Copies the finished temporary file onto the destination, in place. The space for the whole
// package is reserved before the first byte is overwritten, so a full disk or a file-size limit is
// refused with the old content still whole; the old content is cut only after the new one is in.
Status copyOnto(const fs::path& from, const fs::path& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return fileSystemError(from, errno);
    struct stat source {};
    if (::fstat(in, &source) != 0) {
        const int error = errno;
        ::close(in);
        return fileSystemError(from, error);
    }
    struct stat existing {};
    const bool existed = ::stat(to.c_str(), &existing) == 0;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return fileSystemError(to, error);
    }
    if (source.st_size > 0) {
        // A file system that cannot reserve space at all is written without the reservation.
        const int error = ::posix_fallocate(out, 0, source.st_size);
        if (error != 0 && error != EINVAL && error != EOPNOTSUPP) {
            if (existed)
                (void)::ftruncate(out, existing.st_size);  // undo any growth; content is intact
            ::close(out);
            ::close(in);
            if (!existed)
                ::unlink(to.c_str());
            return fileSystemError(to, error);
        }
    }
    std::vector<std::uint8_t> buffer(1 << 20);
    Status status = success();
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            status = fileSystemError(from, errno);
            break;
        }
        if (n == 0)
            break;
        status = writeAll(out, std::span(buffer.data(), static_cast<std::size_t>(n)), to);
        if (!status)
            break;
    }
    if (status && ::ftruncate(out, source.st_size) != 0)
        status = fileSystemError(to, errno);
    if (status && ::fsync(out) != 0)
        status = fileSystemError(to, errno);
    if (::close(out) != 0 && status)
        status = fileSystemError(to, errno);
    ::close(in);
    return status;
}

}  // namespace

Error fileSystemError(const fs::path& path, int errorNumber) {
    return Error{"The file “" + path.filename().string() + "” could not be written: " +
                     std::generic_category().message(errorNumber) + ".",
                 errorCodeOfErrno(errorNumber)};
}

PackageFile::PackageFile(fs::path destination, fs::path temporary, int fd, bool inDestinationFolder)
    : destination_(std::move(destination)),
      temporary_(std::move(temporary)),
      fd_(fd),
      inDestinationFolder_(inDestinationFolder) {}

PackageFile::~PackageFile() {
    discard();
}

void PackageFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!finished_) {
        ::unlink(temporary_.c_str());
        finished_ = true;
    }
}

Result<std::unique_ptr<PackageFile>> PackageFile::create(const fs::path& requested,
                                                         const PackageFileOptions& options) {
    // A destination that is a link to a file is written through: the file it names is replaced.
    fs::path destination = requested;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(requested, ec))) {
        auto target = fs::canonical(requested, ec);
        if (!ec)
            destination = target;
    }
    // A folder in the way would only be found by the final rename, after all the work.
    if (fs::is_directory(fs::status(destination, ec)))
        return fileSystemError(destination, EISDIR);
    const std::string name = "Mosavelle-" + Uuid::random().text() + ".pptx";

    int folderError = 0;
    if (options.useDestinationFolder) {
        // Hidden, so that a file manager showing the folder does not flash it.
        fs::path temporary = destination.parent_path() / ("." + name);
        const int fd = openExclusive(temporary);
        if (fd >= 0) {
            // A replaced file keeps its permissions.
            struct stat existing {};
            if (::stat(destination.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
                ::fchmod(fd, existing.st_mode & 07777);
            return std::unique_ptr<PackageFile>(
                new PackageFile(destination, std::move(temporary), fd, true));
        }
        folderError = errno;
        // A folder that does not exist cannot take the copy either.
        if (folderError == ENOENT || folderError == ENOTDIR)
            return fileSystemError(destination, folderError);
    }

    fs::path folder = options.fallbackFolder;
    if (folder.empty())
        folder = fs::temp_directory_path(ec);
    fs::path temporary = folder / name;
    const int fd = openExclusive(temporary);
    if (fd < 0)
        return fileSystemError(folderError ? destination : temporary,
                               folderError ? folderError : errno);
    return std::unique_ptr<PackageFile>(
        new PackageFile(destination, std::move(temporary), fd, false));
}

Status PackageFile::write(std::span<const std::uint8_t> bytes) {
    if (finished_ || fd_ < 0)
        return Error{"The presentation file is already closed."};
    auto status = writeAll(fd_, bytes, destination_);
    if (!status)
        discard();
    return status;
}

Status PackageFile::commit() {
    if (finished_ || fd_ < 0)
        return Error{"The presentation file is already closed."};
    if (::fsync(fd_) != 0) {
        const int error = errno;
        discard();
        return fileSystemError(destination_, error);
    }
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
        const int error = errno;
        discard();
        return fileSystemError(destination_, error);
    }

    Status status = success();
    if (inDestinationFolder_) {
        if (::rename(temporary_.c_str(), destination_.c_str()) == 0) {
            finished_ = true;
            syncFolder(destination_.parent_path());
            return success();
        }
        status = fileSystemError(destination_, errno);
    } else {
        status = copyOnto(temporary_, destination_);
    }
    discard();
    return status;
}

Status writePackage(const Bytes& archive, const fs::path& destination,
                    const PackageFileOptions& options) {
    auto file = PackageFile::create(destination, options);
    if (!file)
        return file.error();
    if (auto written = (*file)->write(archive.span()); !written)
        return written;
    return (*file)->commit();
}

}  // namespace mosavelle
