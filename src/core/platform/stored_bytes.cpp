#include "core/platform/stored_bytes.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>

#include "core/platform/crc32.h"
#include "core/platform/sha256.h"
#include "core/platform/uuid.h"

namespace mosavelle {

namespace fs = std::filesystem;

namespace {

constexpr const char* lockFileName = ".lock";
constexpr const char* keptMarkerName = "unsaved-work";

Error readError(const fs::path& path, int error) {
    return Error{"could not read “" + path.string() + "” (" + std::strerror(error) + ")",
                 errorCodeOfErrno(error)};
}

FileStamp stampOf(const struct stat& info) {
    FileStamp stamp;
    stamp.device = static_cast<std::uint64_t>(info.st_dev);
    stamp.inode = static_cast<std::uint64_t>(info.st_ino);
    stamp.modifiedNs = std::int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    stamp.changedNs = std::int64_t(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec;
    return stamp;
}

// The whole of `path`, which must be a regular file of exactly `size` bytes. The buffer is
// allocated uninitialised and filled with pread, so nothing is touched twice. With `stamp`, it
// receives the file's stamp (CRC-32 left 0) when the file showed the same one before and after
// the read, and is cleared otherwise.
Result<Bytes> readExactly(const fs::path& path, std::uint64_t size, bool followLinks,
                          std::optional<FileStamp>* stamp = nullptr) {
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW);
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0)
        return readError(path, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return readError(path, errno);
    if (!S_ISREG(info.st_mode))
        return readError(path, EINVAL);
    if (static_cast<std::uint64_t>(info.st_size) != size)
        return Error{"could not read “" + path.string() + "” (its size changed)",
                     ErrorCode::damaged};
    std::shared_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size ? size : 1]);
    if (!buffer)
        return readError(path, ENOMEM);
    std::uint64_t filled = 0;
    while (filled < size) {
        const ssize_t got =
            ::pread(fd, buffer.get() + filled, size - filled, static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return readError(path, errno);
        if (got == 0)  // shrank between fstat and here
            return Error{"could not read “" + path.string() + "” (its size changed)",
                         ErrorCode::damaged};
        filled += static_cast<std::uint64_t>(got);
    }
    if (stamp) {
        struct stat after {};
        const bool steady = ::fstat(fd, &after) == 0 && stampOf(after) == stampOf(info);
        *stamp = steady ? std::optional(stampOf(info)) : std::nullopt;
    }
    const std::uint8_t* data = buffer.get();
    return Bytes(std::shared_ptr<const void>(std::move(buffer), data), data,
                 static_cast<std::size_t>(size));
}

bool isStagingFolderName(const std::string& name) {
    return name.size() == 36 && Uuid::parse(name).has_value();
}

}  // namespace

// ---- StoredBytes
// ---------------------------------------------------------------------------------

struct StoredBytes::Region {
    fs::path path;
    std::uint64_t size = 0;
    std::string sha256;                     // known digest, may be empty
    std::optional<FileStamp> stamp;         // the file around the read that gave the digest
    bool followLinks = false;               // for a file of the user's
    std::shared_ptr<StagingFolder> folder;  // set for a file of ours, which dies with the region
    ~Region() {
        if (folder && !folder->isKept())
            ::unlink(path.c_str());
    }
};

StoredBytes::StoredBytes(Bytes bytes) : memory_(std::move(bytes)) {}

std::optional<FileStamp> fileStampOf(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return stampOf(info);
}

StoredBytes StoredBytes::external(fs::path path, std::uint64_t size, std::string sha256,
                                  bool followLinks, std::optional<FileStamp> stamp) {
    auto region = std::make_shared<Region>();
    region->stamp = stamp;
    region->followLinks = followLinks;
    region->path = std::move(path);
    region->size = size;
    region->sha256 = std::move(sha256);
    StoredBytes stored;
    stored.region_ = std::move(region);
    return stored;
}

std::uint64_t StoredBytes::size() const {
    return region_ ? region_->size : memory_.size();
}

const fs::path* StoredBytes::file() const {
    return region_ ? &region_->path : nullptr;
}

bool StoredBytes::isOwnedFile() const {
    return region_ && region_->folder;
}

const std::string* StoredBytes::knownDigest() const {
    return region_ && !region_->sha256.empty() ? &region_->sha256 : nullptr;
}

Result<Bytes> StoredBytes::read() const {
    if (!region_)
        return memory_;
    const bool ours = region_->folder != nullptr;
    // A file of ours is only ever written once, by us; a file of the user's recorded with its
    // digest or stamp may have been rewritten since, even with the same size.
    const bool guarded = !ours && (!region_->sha256.empty() || region_->stamp);
    std::optional<FileStamp> stamp;
    auto bytes = readExactly(region_->path, region_->size, region_->followLinks,
                             region_->stamp ? &stamp : nullptr);
    // A guarded file was the user's picture, now another one; otherwise it is merely a damaged
    // file.
    if (!bytes && guarded && bytes.error().code == ErrorCode::damaged)
        return Error{std::string(changedSourceMessage), ErrorCode::damaged};  // another size
    if (!bytes || !guarded)
        return bytes;
    if (stamp) {
        stamp->crc32 = crc32Of(bytes->span());
        if (stamp == region_->stamp)
            return bytes;  // the file as it was read
    }
    // Without a digest, a file that does not show its stamp cannot be shown to be the same.
    if (region_->sha256.empty() || sha256Hex(*bytes) != region_->sha256)
        return Error{std::string(changedSourceMessage), ErrorCode::damaged};
    return bytes;
}

bool operator==(const StoredBytes& a, const StoredBytes& b) {
    if (a.sharesStorageWith(b))
        return true;
    if (!a.region_ && !b.region_)
        return a.memory_ == b.memory_;
    if (a.size() != b.size())
        return false;
    if (a.region_ && b.region_ && a.region_->path == b.region_->path)
        return true;
    // Different places: compare what they hold. Rare (a picture replaced by another copy of
    // itself); a file that cannot be read equals nothing.
    auto left = a.read();
    auto right = b.read();
    return left && right && *left == *right;
}

// ---- StagingFolder
// -------------------------------------------------------------------------------

fs::path stagingRoot() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/')
        return fs::path(cache) / "Mosavelle" / "staging";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return fs::path(home) / ".cache" / "Mosavelle" / "staging";
    std::error_code ec;
    return fs::temp_directory_path(ec) / "Mosavelle-staging";
}

std::shared_ptr<StagingFolder> StagingFolder::create(fs::path root) {
    if (root.empty())
        root = stagingRoot();
    return std::shared_ptr<StagingFolder>(new StagingFolder(root / Uuid::random().text()));
}

StagingFolder::StagingFolder(fs::path path) : path_(std::move(path)) {}

StagingFolder::~StagingFolder() {
    if (!made_)
        return;
    std::error_code ec;
    if (!kept_)
        fs::remove_all(path_, ec);
    if (lockFd_ >= 0)
        ::close(lockFd_);  // released after the removal, so no cleanup races it
}

Status StagingFolder::ensureMade() {
    if (made_)
        return success();
    if (auto s = realFileSystem().createDirectories(path_.parent_path()); !s)
        return s;
    if (::mkdir(path_.c_str(), 0700) != 0)
        return Error{
            "could not create the folder “" + path_.string() + "” (" + std::strerror(errno) + ")",
            errorCodeOfErrno(errno)};
    made_ = true;
    const fs::path lock = path_ / lockFileName;
    lockFd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0 || ::flock(lockFd_, LOCK_EX | LOCK_NB) != 0)
        return Error{"could not lock “" + lock.string() + "” (" + std::strerror(errno) + ")",
                     errorCodeOfErrno(errno)};
    return success();
}

Status StagingFolder::keep(std::string_view note) {
    std::lock_guard lock(mutex_);
    if (auto s = ensureMade(); !s)
        return s;
    if (auto s =
            realFileSystem().writeFile(path_ / keptMarkerName, Bytes(note.data(), note.size()));
        !s)
        return s;
    kept_ = true;
    return success();
}

fs::path StagingFolder::nextName() {
    return path_ / (std::to_string(++counter_) + ".bin");
}

Result<StoredBytes> StagingFolder::store(const Bytes& bytes, std::string sha256) {
    fs::path name;
    {
        std::lock_guard lock(mutex_);
        if (auto s = ensureMade(); !s)
            return s.error();
        name = nextName();
    }
    if (auto s = realFileSystem().writeFile(name, bytes); !s) {
        ::unlink(name.c_str());
        return s.error();
    }
    auto region = std::make_shared<StoredBytes::Region>();
    region->path = std::move(name);
    region->size = bytes.size();
    region->sha256 = std::move(sha256);
    region->folder = shared_from_this();
    StoredBytes stored;
    stored.region_ = std::move(region);
    return stored;
}

Result<StoredBytes> StagingFolder::adopt(const fs::path& file, FileSystem& files) {
    fs::path name;
    {
        std::lock_guard lock(mutex_);
        if (auto s = ensureMade(); !s)
            return s.error();
        name = nextName();
    }
    if (auto s = files.cloneFile(file, name); !s)
        return s.error();
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        ::unlink(name.c_str());
        return readError(file, EINVAL);
    }
    auto region = std::make_shared<StoredBytes::Region>();
    region->path = std::move(name);
    region->size = static_cast<std::uint64_t>(info.st_size);
    region->folder = shared_from_this();
    StoredBytes stored;
    stored.region_ = std::move(region);
    return stored;
}

int removeStaleStagingFolders(fs::path root) {
    if (root.empty())
        root = stagingRoot();
    std::error_code ec;
    int removed = 0;
    for (auto it = fs::directory_iterator(root, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const fs::path folder = it->path();
        if (!isStagingFolderName(folder.filename().string()) || !it->is_directory(ec) ||
            it->is_symlink(ec))
            continue;
        std::error_code markerError;
        if (fs::exists(fs::symlink_status(folder / keptMarkerName, markerError)))
            continue;  // unsaved work, kept for recovery
        const fs::path lock = folder / lockFileName;
        const int fd = ::open(lock.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            // No lock file: a folder being made right now, or one whose maker died before
            // locking it. Only an old one is taken for the latter.
            std::error_code timeError;
            const auto written = fs::last_write_time(folder, timeError);
            if (timeError || fs::file_time_type::clock::now() - written < std::chrono::minutes(1))
                continue;
        } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;  // its owner is alive
        }
        std::error_code removeError;
        fs::remove_all(folder, removeError);
        if (fd >= 0)
            ::close(fd);
        if (!removeError)
            ++removed;
    }
    return removed;
}

}  // namespace mosavelle
