#include "core/platform/file_system.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <system_error>
#include <utility>

namespace mosavelle {

namespace fs = std::filesystem;

namespace {

std::string quoted(const fs::path& path) {
    return "“" + path.string() + "”";
}

Error failure(const std::string& action, const fs::path& path, int error) {
    return Error{"could not " + action + " " + quoted(path) + " (" + std::strerror(error) + ")",
                 errorCodeOfErrno(error)};
}

Error failure(const std::string& action, const fs::path& path, const std::error_code& error) {
    return Error{
        "could not " + action + " " + quoted(path) + " (" + error.message() + ")",
        error.category() == std::system_category() || error.category() == std::generic_category()
            ? errorCodeOfErrno(error.value())
            : ErrorCode::other};
}

// Closes a descriptor once; `close()` reports the error a deferred write may only show there.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    int close() {
        int fd = std::exchange(fd_, -1);
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int fd_;
};

// Copies everything from `source` to `target` (both at offset 0), in the kernel where it can;
// 0 or the errno value of the failure.
int copyContents(int source, int target) {
    bool kernel = true;
    std::uint8_t buffer[1 << 16];
    for (;;) {
        if (kernel) {
            const ssize_t n = ::copy_file_range(source, nullptr, target, nullptr, 1 << 30, 0);
            if (n > 0)
                continue;
            if (n == 0)
                return 0;
            if (errno == EINTR)
                continue;
            if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
                errno != EBADF)
                return errno;
            kernel = false;  // nothing was copied by the failed call; go on by hand
        }
        ssize_t n = ::read(source, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        for (const std::uint8_t* p = buffer; n > 0;) {
            const ssize_t w = ::write(target, p, static_cast<std::size_t>(n));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return errno;
            p += w;
            n -= w;
        }
    }
}

class RealFileSystem final : public FileSystem {
public:
    EntryKind entryKind(const fs::path& path, bool followLinks) override {
        struct stat info {};
        int rc = followLinks ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
        if (rc != 0)
            return EntryKind::missing;
        if (S_ISREG(info.st_mode))
            return EntryKind::regularFile;
        if (S_ISDIR(info.st_mode))
            return EntryKind::directory;
        if (S_ISLNK(info.st_mode))
            return EntryKind::symbolicLink;
        return EntryKind::other;
    }

    Result<std::vector<std::string>> listDirectory(const fs::path& path) override {
        std::error_code ec;
        std::vector<std::string> names;
        for (auto it = fs::directory_iterator(path, ec); !ec && it != fs::directory_iterator();
             it.increment(ec)) {
            names.push_back(it->path().filename().string());
        }
        if (ec)
            return failure("list", path, ec);
        return names;
    }

    Result<Bytes> readFile(const fs::path& path, bool followLinks) override {
        // O_NONBLOCK keeps a FIFO from blocking the open; it is refused just below.
        int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW);
        Descriptor fd(::open(path.c_str(), flags));
        if (fd.get() < 0)
            return failure("read", path, errno);
        struct stat info {};
        if (::fstat(fd.get(), &info) != 0)
            return failure("read", path, errno);
        if (!S_ISREG(info.st_mode))
            return Error{"could not read " + quoted(path) + " (not a file)",
                         ErrorCode::unsupported};
        // The size comes from the file and may be anything (a sparse file of terabytes): a
        // buffer that cannot be had is a failure to read, not an exception.
        try {
            std::vector<std::uint8_t> data;
            data.reserve(static_cast<std::size_t>(info.st_size));
            std::uint8_t buffer[1 << 16];
            for (;;) {
                ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0)
                    return failure("read", path, errno);
                if (n == 0)
                    break;
                data.insert(data.end(), buffer, buffer + n);
            }
            return Bytes(std::move(data));
        } catch (const std::exception&) {
            return failure("read", path, ENOMEM);
        }
    }

    Status writeFile(const fs::path& path, const Bytes& bytes) override {
        Descriptor fd(
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
        if (fd.get() < 0)
            return failure("write", path, errno);
        const std::uint8_t* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            ssize_t n = ::write(fd.get(), p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return failure("write", path, errno);
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        if (int error = fd.close())
            return failure("write", path, error);
        return success();
    }

    Status cloneFile(const fs::path& from, const fs::path& to) override {
        struct stat info {};
        if (::lstat(from.c_str(), &info) != 0)
            return failure("copy", from, errno);
        if (!S_ISREG(info.st_mode))
            return failure("copy", from, EINVAL);
        if (::link(from.c_str(), to.c_str()) == 0)
            return success();
        if (errno == EEXIST)
            return failure("copy", to, EEXIST);
        Descriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (source.get() < 0)
            return failure("copy", from, errno);
        if (::fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode))
            return failure("copy", from, EINVAL);
        Descriptor target(
            ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
        if (target.get() < 0)
            return failure("copy", to, errno);
        const auto abandon = [&](const fs::path& where, int error) -> Status {
            ::unlink(to.c_str());
            return failure("copy", where, error);
        };
        if (::ioctl(target.get(), FICLONE, source.get()) != 0) {
            if (int error = copyContents(source.get(), target.get()))
                return abandon(to, error);
        }
        if (int error = target.close())
            return abandon(to, error);
        return success();
    }

    Status flush(const fs::path& path) override {
        Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.get() < 0)
            return failure("flush", path, errno);
        if (::fsync(fd.get()) != 0)
            return failure("flush", path, errno);
        if (int error = fd.close())
            return failure("flush", path, error);
        return success();
    }

    Status createDirectory(const fs::path& path) override {
        if (::mkdir(path.c_str(), 0755) != 0)
            return failure("create the folder", path, errno);
        return success();
    }

    Status createDirectories(const fs::path& path) override {
        std::error_code ec;
        fs::create_directories(path, ec);
        if (ec)
            return failure("create the folder", path, ec);
        if (entryKind(path, true) != EntryKind::directory) {
            return failure("create the folder", path, ENOTDIR);
        }
        return success();
    }

    Status rename(const fs::path& from, const fs::path& to) override {
        if (std::rename(from.c_str(), to.c_str()) != 0)
            return failure("move", from, errno);
        return success();
    }

    Status exchange(const fs::path& a, const fs::path& b) override {
#if defined(SYS_renameat2)
        constexpr unsigned exchangeFlag = 2;  // RENAME_EXCHANGE
        if (::syscall(SYS_renameat2, AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), exchangeFlag) == 0) {
            return success();
        }
        return failure("swap", a, errno);
#else
        (void)b;
        return failure("swap", a, ENOSYS);
#endif
    }

    Status remove(const fs::path& path) override {
        std::error_code ec;
        fs::remove(path, ec);
        if (ec)
            return failure("remove", path, ec);
        return success();
    }

    Status removeAll(const fs::path& path) override {
        std::error_code ec;
        fs::remove_all(path, ec);
        if (ec)
            return failure("remove", path, ec);
        return success();
    }
};

}  // namespace

FileSystem& realFileSystem() {
    static RealFileSystem instance;
    return instance;
}

Status writeFileAtomically(FileSystem& files, const fs::path& path, const Bytes& bytes) {
    fs::path temporary = path;
    temporary.replace_filename("." + path.filename().string() + ".writing");
    auto abandon = [&](Error error) -> Status {
        (void)files.remove(temporary);
        return error;
    };
    if (auto s = files.writeFile(temporary, bytes); !s)
        return abandon(s.error());
    if (auto s = files.flush(temporary); !s)
        return abandon(s.error());
    if (auto s = files.rename(temporary, path); !s)
        return abandon(s.error());
    // Make the rename itself durable; the new file is already in place, so this is best effort.
    (void)files.flush(path.has_parent_path() ? path.parent_path() : fs::path("."));
    return success();
}

}  // namespace mosavelle
