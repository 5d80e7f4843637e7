#include "core/platform/file_system.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "core/platform/names.h"

namespace mosavelle {

namespace fs = std::filesystem;

namespace {

Error failure(const std::string& action, const fs::path& path, int error) {
    return fileOperationError(action, path, error);
}

Error failure(const std::string& action, const fs::path& path, const std::error_code& error) {
    if (error.category() == std::system_category() || error.category() == std::generic_category())
        return fileOperationError(action, path, error.value());
    return Error{"could not " + action + " “" + path.string() + "” (" + error.message() + ")"};
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
    int release() { return std::exchange(fd_, -1); }
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

// The kernel copy calls refuse some pairs of files before moving any byte; the next way is tried.
bool copyUnsupported(int error) {
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP ||
           error == ENOTSUP || error == EBADF;
}

class RealWritableFile final : public WritableFile {
public:
    // `path` names the file in clauses; for an unnamed file, its folder.
    RealWritableFile(int fd, fs::path path) : fd_(fd), path_(std::move(path)) {}

    Status append(std::span<const std::uint8_t> first,
                  std::span<const std::uint8_t> second) override {
        // One call for both; what a short write leaves goes the plain way.
        iovec parts[2] = {{const_cast<std::uint8_t*>(first.data()), first.size()},
                          {const_cast<std::uint8_t*>(second.data()), second.size()}};
        ssize_t n = -1;
        do {
            n = ::writev(fd_.get(), parts, 2);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return failure("write", path_, errno);
        const auto done = static_cast<std::size_t>(n);
        const std::size_t fromFirst = std::min(done, first.size());
        if (auto written = writeAll(first.subspan(fromFirst)); !written)
            return written;
        if (auto written = writeAll(second.subspan(done - fromFirst)); !written)
            return written;
        appended(first.size() + second.size());
        return success();
    }

    // Copies by copy_file_range (which may share the file system's blocks), then sendfile, then
    // reads and writes through one buffer.
    Status appendContentOf(const fs::path& source) override {
        Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat info {};
        if (in.get() < 0 || ::fstat(in.get(), &info) != 0)
            return failure("read", source, errno);
        const auto size = static_cast<std::uint64_t>(info.st_size);
        std::uint64_t copied = 0;
        for (bool kernel : {true, false}) {
            while (copied < size) {
                const ssize_t n = kernel ? ::copy_file_range(in.get(), nullptr, fd_.get(), nullptr,
                                                             size - copied, 0)
                                         : ::sendfile(fd_.get(), in.get(), nullptr, size - copied);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0 && copied == 0 && copyUnsupported(errno))
                    break;
                if (n < 0)
                    return failure("write", path_, errno);
                if (n == 0)
                    return success();  // the source ended early
                copied += std::uint64_t(n);
                appended(std::uint64_t(n));
            }
            if (copied == size)
                return success();
        }
        std::vector<std::uint8_t> buffer(1 << 20);
        for (;;) {
            const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return failure("read", source, errno);
            if (n == 0)
                return success();
            if (auto written = writeAll(std::span(buffer.data(), static_cast<std::size_t>(n)));
                !written)
                return written;
            appended(static_cast<std::uint64_t>(n));
        }
    }

    Status preallocate(std::uint64_t size) override {
        if (size == 0)
            return success();
        const int error = ::posix_fallocate(fd_.get(), 0, static_cast<off_t>(size));
        if (error != 0 && error != EINVAL && error != EOPNOTSUPP)
            return failure("write", path_, error);
        return success();
    }

    Status truncate(std::uint64_t size) override {
        if (::ftruncate(fd_.get(), static_cast<off_t>(size)) != 0)
            return failure("write", path_, errno);
        return success();
    }

    Result<std::uint64_t> size() override {
        struct stat info {};
        if (::fstat(fd_.get(), &info) != 0)
            return failure("read", path_, errno);
        return static_cast<std::uint64_t>(info.st_size);
    }

    void copyPermissionsOf(const fs::path& model) override {
        struct stat existing {};
        if (::stat(model.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
            (void)::fchmod(fd_.get(), existing.st_mode & 07777);
    }

    Status sync() override {
        if (::fsync(fd_.get()) != 0)
            return failure("flush", path_, errno);
        return success();
    }

    Status link(const fs::path& path) override {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0)
            return failure("name", path, errno);
        return success();
    }

    Status close() override {
        if (int error = fd_.close())
            return failure("write", path_, error);
        return success();
    }

private:
    Status writeAll(std::span<const std::uint8_t> bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd_.get(), bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return failure("write", path_, errno);
            bytes = bytes.subspan(static_cast<std::size_t>(n));
        }
        return success();
    }

    // Starts writing back each stretch of `writebackStep` bytes once it is appended, without
    // waiting for it: the disk then works while the rest is made, and the final `sync` finds
    // little left to do, where the kernel alone would hold everything back until it. Only a hint:
    // a failure shows at `sync` or never matters.
    void appended(std::uint64_t bytes) {
        constexpr std::uint64_t writebackStep = 8 << 20;
        end_ += bytes;
        if (end_ - writtenBack_ < writebackStep)
            return;
        (void)::sync_file_range(fd_.get(), static_cast<off_t>(writtenBack_),
                                static_cast<off_t>(end_ - writtenBack_), SYNC_FILE_RANGE_WRITE);
        writtenBack_ = end_;
    }

    Descriptor fd_;
    fs::path path_;
    std::uint64_t end_ = 0;          // bytes appended so far: files are written from their start
    std::uint64_t writtenBack_ = 0;  // where the stretch last written back ends
};

// Files at least this large are read into their own mapping, populated in one step: faulting in
// fresh heap pages one by one costs more than reading and hashing the file. Beyond the second
// size (a file read without a limit) populating could exhaust memory, so the file is read in
// growing steps that fail cleanly instead.
constexpr std::size_t kMappedReadThreshold = 256 * 1024;
constexpr std::size_t kMappedReadLimit = std::size_t{1} << 30;

// Anonymous private memory, populated at creation, released with the object. Never shared with
// any file, so the bytes cannot change behind a reader's back.
struct PopulatedBuffer {
    std::uint8_t* bytes = nullptr;
    std::size_t length = 0;

    static std::shared_ptr<PopulatedBuffer> make(std::size_t length) {
        void* memory = ::mmap(nullptr, length, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (memory == MAP_FAILED)
            return nullptr;
        auto buffer = std::make_shared<PopulatedBuffer>();
        buffer->bytes = static_cast<std::uint8_t*>(memory);
        buffer->length = length;
        return buffer;
    }
    PopulatedBuffer() = default;
    PopulatedBuffer(const PopulatedBuffer&) = delete;
    PopulatedBuffer& operator=(const PopulatedBuffer&) = delete;
    ~PopulatedBuffer() {
        if (bytes)
            ::munmap(bytes, length);
    }
};

// Reads up to `capacity` bytes into `into`; `filled` counts what was read. 0, or the errno value
// of a read error.
int readFully(int fd, std::uint8_t* into, std::size_t capacity, std::size_t& filled) {
    while (filled < capacity) {
        const ssize_t got = ::read(fd, into + filled, capacity - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    return 0;
}

bool atEndOfFile(int fd) {
    std::uint8_t probe;
    for (;;) {
        const ssize_t got = ::pread(fd, &probe, 1, ::lseek(fd, 0, SEEK_CUR));
        if (got < 0 && errno == EINTR)
            continue;
        return got <= 0;
    }
}

ReadFailure readRefusal(ReadFailure::Cause cause, const fs::path& path) {
    const char* reason = cause == ReadFailure::Cause::tooLarge ? "too large" : "not a file";
    return {
        cause, 0,
        Error{"could not read “" + path.string() + "” (" + reason + ")", ErrorCode::unsupported}};
}

ReadFailure readError(const fs::path& path, int error) {
    return {ReadFailure::Cause::system, error, fileOperationError("read", path, error)};
}

// Appends the rest of the file to `data`, growing it as needed.
Result<Bytes, ReadFailure> readRest(int fd, const fs::path& path, std::uint64_t maxBytes,
                                    std::vector<std::uint8_t> data) {
    std::size_t filled = data.size();
    for (;;) {
        if (filled > maxBytes)
            return readRefusal(ReadFailure::Cause::tooLarge, path);
        data.resize(std::max<std::size_t>(filled * 2, 64 * 1024));
        if (int error = readFully(fd, data.data(), data.size(), filled))
            return readError(path, error);
        if (filled < data.size())
            break;
    }
    if (filled > maxBytes)
        return readRefusal(ReadFailure::Cause::tooLarge, path);
    data.resize(filled);
    return Bytes(std::move(data));
}

int openRetrying(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
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

    Result<Bytes, ReadFailure> readFile(const fs::path& path, bool followLinks,
                                        std::uint64_t maxBytes) override {
        // O_NONBLOCK keeps a FIFO from blocking the open; it is refused just below.
        int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW);
        Descriptor fd(openRetrying(path.c_str(), flags, 0));
        struct stat info {};
        if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0)
            return readError(path, errno);
        if (S_ISDIR(info.st_mode))
            return readRefusal(ReadFailure::Cause::folder, path);
        if (!S_ISREG(info.st_mode))
            return readRefusal(ReadFailure::Cause::notRegularFile, path);
        if (static_cast<std::uint64_t>(info.st_size) > maxBytes)
            return readRefusal(ReadFailure::Cause::tooLarge, path);
        // The size comes from the file and may be anything (a sparse file of terabytes): a
        // buffer that cannot be had is a failure to read, not an exception.
        try {
            const auto expected = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));
            std::size_t filled = 0;
            if (expected >= kMappedReadThreshold && expected <= kMappedReadLimit) {
                if (auto buffer = PopulatedBuffer::make(expected)) {
                    if (int error = readFully(fd.get(), buffer->bytes, expected, filled))
                        return readError(path, error);
                    if (filled < expected || atEndOfFile(fd.get())) {
                        const std::uint8_t* start = buffer->bytes;
                        return Bytes(std::shared_ptr<const void>(std::move(buffer)), start, filled);
                    }
                    // The file grew while being read: go on in ordinary memory.
                    std::vector<std::uint8_t> data(buffer->bytes, buffer->bytes + filled);
                    return readRest(fd.get(), path, maxBytes, std::move(data));
                }
            }
            return readRest(fd.get(), path, maxBytes, {});
        } catch (const std::exception&) {
            return readError(path, ENOMEM);
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

    Status flushEach(const std::vector<fs::path>& paths) override {
        // An fsync on its own waits for a journal commit of its own (milliseconds each); fsyncs
        // waiting at the same time share one.
        constexpr std::size_t kMostAtOnce = 8;
        const std::size_t threads = std::min(paths.size(), kMostAtOnce);
        if (threads <= 1)
            return FileSystem::flushEach(paths);
        std::vector<std::optional<Error>> failures(paths.size());
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            for (std::size_t i = next++; i < paths.size(); i = next++) {
                if (Status s = flush(paths[i]); !s)
                    failures[i] = s.error();
            }
        };
        std::vector<std::thread> helpers;
        try {
            for (std::size_t i = 1; i < threads; ++i)
                helpers.emplace_back(work);
        } catch (const std::system_error&) {
            // No more threads: those started and this one share the work.
        }
        work();
        for (auto& helper : helpers)
            helper.join();
        for (auto& failure : failures) {
            if (failure)
                return *failure;
        }
        return success();
    }

    Status touch(const fs::path& path) override {
        if (::utimensat(AT_FDCWD, path.c_str(), nullptr, AT_SYMLINK_NOFOLLOW) != 0)
            return failure("touch", path, errno);
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

    Result<std::unique_ptr<WritableFile>> createUnnamedFile(const fs::path& folder) override {
        const fs::path where = folder.empty() ? fs::path(".") : folder;
        // Naming the file later goes through /proc.
        if (::access("/proc/self/fd", X_OK) != 0)
            return Error{failure("create a file in", where, ENOTSUP).message,
                         ErrorCode::unsupported};
        Descriptor fd(openRetrying(where.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (fd.get() < 0) {
            const int error = errno;
            Error clause = failure("create a file in", where, error);
            if (error == EOPNOTSUPP || error == EISDIR || error == EINVAL)
                clause.code = ErrorCode::unsupported;
            return clause;
        }
        if (::flock(fd.get(), LOCK_EX) != 0)
            return failure("create a file in", where, errno);
        return std::unique_ptr<WritableFile>(new RealWritableFile(fd.release(), where));
    }

    Result<std::unique_ptr<WritableFile>> createFile(const fs::path& path) override {
        for (;;) {
            Descriptor fd(
                openRetrying(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (fd.get() < 0)
                return failure("create", path, errno);
            // Between the open and the lock `removeUnheldFile` may take the new file for an
            // abandoned one and remove it; then the name is free again and the file is made anew.
            struct stat held {};
            if (::flock(fd.get(), LOCK_EX) == 0 && ::fstat(fd.get(), &held) == 0 &&
                held.st_nlink > 0)
                return std::unique_ptr<WritableFile>(new RealWritableFile(fd.release(), path));
        }
    }

    Result<std::unique_ptr<WritableFile>> openForOverwrite(const fs::path& path) override {
        Descriptor fd(openRetrying(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
        if (fd.get() < 0)
            return failure("write", path, errno);
        return std::unique_ptr<WritableFile>(new RealWritableFile(fd.release(), path));
    }

    bool removeUnheldFile(const fs::path& path) override {
        Descriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.get() < 0)
            return false;
        struct stat found {};
        // Removed while locked: no writer can take it any more.
        return ::fstat(fd.get(), &found) == 0 && S_ISREG(found.st_mode) &&
               ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && ::unlink(path.c_str()) == 0;
    }
};

}  // namespace

Error fileOperationError(std::string_view action, const fs::path& path, int errorNumber) {
    return Error{"could not " + std::string(action) + " “" + path.string() + "” (" +
                     std::generic_category().message(errorNumber) + ")",
                 errorCodeOfErrno(errorNumber)};
}

std::string_view failureReason(const Error& error) {
    std::string_view message = error.message;
    const auto open = message.rfind(" (");
    if (!message.starts_with("could not ") || !message.ends_with(')') ||
        open == std::string_view::npos)
        return message;
    return message.substr(open + 2, message.size() - open - 3);
}

Text becauseOf(Text text, const Error& cause) {
    if (cause.text)
        text.quotes.push_back(*cause.text);
    else
        text.arguments.emplace_back(failureReason(cause));
    return text;
}

FileSystem& realFileSystem() {
    static RealFileSystem instance;
    return instance;
}

}  // namespace mosavelle
