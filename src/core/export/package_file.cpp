#include "core/export/package_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <cerrno>
#include <string_view>
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

constexpr std::string_view temporaryPrefix = "Mosavelle-";
constexpr std::string_view temporarySuffix = ".pptx";

std::string temporaryName(bool hidden) {
    return std::string(hidden ? "." : "") + std::string(temporaryPrefix) + Uuid::random().text() +
           std::string(temporarySuffix);
}

// True for the names `temporaryName` gives.
bool isTemporaryName(std::string_view name, bool hidden) {
    if (hidden) {
        if (!name.starts_with('.'))
            return false;
        name.remove_prefix(1);
    }
    if (!name.starts_with(temporaryPrefix) || !name.ends_with(temporarySuffix))
        return false;
    name.remove_prefix(temporaryPrefix.size());
    name.remove_suffix(temporarySuffix.size());
    return name.size() == 36 && Uuid::parse(name).has_value();
}

// A new temporary file in `folder`, locked for as long as it is open. Every writer holds the lock
// on its file, so a file of this naming whose lock can be taken belongs to nobody alive.
int openLockedTemporary(const fs::path& folder, bool hidden, fs::path& path) {
    for (;;) {
        path = folder / temporaryName(hidden);
        int fd;
        do {
            fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return fd;
        // Between the open and the lock another writer's clean-up may take the new file for a
        // dead one and remove it; then the name is gone and a fresh one is needed.
        struct stat held {};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &held) == 0 && held.st_nlink > 0)
            return fd;
        ::close(fd);
    }
}

// Removes the temporary files in `folder` that writers killed before they could clean up left
// behind: those of our naming that no live writer holds locked.
void removeStaleTemporaries(const fs::path& folder, bool hidden) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!isTemporaryName(it->path().filename().string(), hidden))
            continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat found {};
        if (::fstat(fd, &found) == 0 && S_ISREG(found.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(it->path().c_str());  // removed while locked: no writer can take it now
        ::close(fd);
    }
}

// An unnamed file in `folder`, where the file system has them and the finished file can be given
// a name through /proc. Locked like a named temporary, for the moment it has a name.
int openUnnamed(const fs::path& folder) {
    if (::access("/proc/self/fd", X_OK) != 0)
        return -1;
    int fd;
    do {
        fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0 && ::flock(fd, LOCK_EX) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Gives the unnamed file `fd` the name `path`; fails with EEXIST when something has that name.
int linkUnnamed(int fd, const fs::path& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
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

// The kernel copy calls refuse some pairs of files before moving any byte; the next way is tried.
bool copyUnsupported(int error) {
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP ||
           error == ENOTSUP || error == EBADF;
}

// Copies `size` bytes from the start of `in` to the start of `out` (both at offset 0) inside
// the kernel where it can: copy_file_range (which may share the file system's blocks), then
// sendfile, then reads and writes through one buffer.
Status copyContent(int in, int out, std::uint64_t size, const fs::path& from, const fs::path& to) {
    std::uint64_t copied = 0;
    while (copied < size) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size - copied, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && copied == 0 && copyUnsupported(errno))
            break;
        if (n < 0)
            return fileSystemError(to, errno);
        if (n == 0)
            return success();  // the source ended early; the caller's length check decides
        copied += std::uint64_t(n);
    }
    if (copied == size)
        return success();
    while (copied < size) {
        const ssize_t n = ::sendfile(out, in, nullptr, size - copied);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && copied == 0 && copyUnsupported(errno))
            break;
        if (n < 0)
            return fileSystemError(to, errno);
        if (n == 0)
            return success();
        copied += std::uint64_t(n);
    }
    if (copied == size)
        return success();
    std::vector<std::uint8_t> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fileSystemError(from, errno);
        if (n == 0)
            return success();
        if (auto written = writeAll(out, std::span(buffer.data(), static_cast<std::size_t>(n)), to);
            !written)
            return written;
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
    Status status = copyContent(in, out, std::uint64_t(source.st_size), from, to);
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

// The unnamed file is linked under the destination's name when nothing has that name yet, and
// otherwise under a temporary name that is then renamed over the destination.
Status PackageFile::nameUnnamed() {
    if (linkUnnamed(fd_, destination_) == 0)
        return success();
    if (errno != EEXIST)
        return fileSystemError(destination_, errno);
    fs::path named;
    for (;;) {
        named = destination_.parent_path() / temporaryName(true);
        if (linkUnnamed(fd_, named) == 0)
            break;
        if (errno != EEXIST)
            return fileSystemError(destination_, errno);
    }
    if (::rename(named.c_str(), destination_.c_str()) != 0) {
        const int error = errno;
        ::unlink(named.c_str());
        return fileSystemError(destination_, error);
    }
    return success();
}

PackageFile::~PackageFile() {
    discard();
}

void PackageFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!finished_) {
        if (!temporary_.empty())
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
    // A replaced file keeps its permissions.
    const auto keepPermissions = [&](int fd) {
        struct stat existing {};
        if (::stat(destination.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
            ::fchmod(fd, existing.st_mode & 07777);
    };

    int folderError = 0;
    if (options.useDestinationFolder) {
        // An unnamed file leaves nothing behind whatever happens to this process.
        if (options.unnamedFile) {
            const int fd = openUnnamed(destination.parent_path());
            if (fd >= 0) {
                keepPermissions(fd);
                return std::unique_ptr<PackageFile>(new PackageFile(destination, {}, fd, true));
            }
        }
        // Hidden, so that a file manager showing the folder does not flash it.
        removeStaleTemporaries(destination.parent_path(), true);
        fs::path temporary;
        const int fd = openLockedTemporary(destination.parent_path(), true, temporary);
        if (fd >= 0) {
            keepPermissions(fd);
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
    removeStaleTemporaries(folder, false);
    fs::path temporary;
    const int fd = openLockedTemporary(folder, false, temporary);
    if (fd < 0)
        return fileSystemError(folderError ? destination : temporary,
                               folderError ? folderError : errno);
    return std::unique_ptr<PackageFile>(
        new PackageFile(destination, std::move(temporary), fd, false));
}

Status PackageFile::writePair(std::span<const std::uint8_t> first,
                              std::span<const std::uint8_t> second) {
    if (finished_ || fd_ < 0)
        return Error{"The presentation file is already closed."};
    // One call for a member's header and its data; what a short write leaves goes the plain way.
    iovec parts[2] = {{const_cast<std::uint8_t*>(first.data()), first.size()},
                      {const_cast<std::uint8_t*>(second.data()), second.size()}};
    ssize_t n = -1;
    do {
        n = ::writev(fd_, parts, 2);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        const int error = errno;
        discard();
        return fileSystemError(destination_, error);
    }
    auto done = static_cast<std::size_t>(n);
    const std::size_t fromFirst = std::min(done, first.size());
    if (auto written = write(first.subspan(fromFirst)); !written)
        return written;
    return write(second.subspan(done - fromFirst));
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
    if (temporary_.empty()) {
        Status named = nameUnnamed();
        finished_ = true;
        discard();
        if (named)
            syncFolder(destination_.parent_path());
        return named;
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
