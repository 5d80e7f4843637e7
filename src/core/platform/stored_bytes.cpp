#include "core/platform/stored_bytes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

#include "core/platform/crc32.h"
#include "core/platform/private_folder.h"
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

// Starts writing the file's data to the disk without waiting for it. Best effort: where that
// cannot start, a later flush writes it all.
void startWriteback(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    (void)::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    ::close(fd);
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
    std::int64_t modifiedNs = 0;            // a file of ours: its modification time when made ours
    ~Region() {
        if (folder)
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

bool StoredBytes::isUnchanged(std::string_view digest) const {
    if (!region_ || !region_->folder)
        return true;
    struct stat info {};
    if (::lstat(region_->path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uint64_t>(info.st_size) != region_->size)
        return false;
    // The change time is no help: every hard link made to the file moves it.
    if (stampOf(info).modifiedNs == region_->modifiedNs)
        return true;
    const std::string_view known = region_->sha256.empty() ? digest : region_->sha256;
    if (known.empty())
        return false;
    auto bytes = readExactly(region_->path, region_->size, false);
    return bytes && sha256Hex(*bytes) == known;
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
        return errorSaying(Text{TextId::fileChanged}, ErrorCode::damaged);  // another size
    if (!bytes || !guarded)
        return bytes;
    if (stamp) {
        stamp->crc32 = crc32Of(bytes->span());
        if (stamp == region_->stamp)
            return bytes;  // the file as it was read
    }
    // Without a digest, a file that does not show its stamp cannot be shown to be the same.
    if (region_->sha256.empty() || sha256Hex(*bytes) != region_->sha256)
        return errorSaying(Text{TextId::fileChanged}, ErrorCode::damaged);
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
    if (fs::path cache = userCacheFolder(); !cache.empty())
        return cache / "Mosavelle" / "staging";
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
    (void)removeFolderAt(root_.descriptor(), path_.filename());
    if (lockFd_ >= 0)
        ::close(lockFd_);  // released after the removal, so no cleanup races it
}

std::optional<Error> StagingFolder::firstFailure() const {
    std::lock_guard lock(mutex_);
    return firstFailure_;
}

Error StagingFolder::failed(Error error) {
    std::lock_guard lock(mutex_);
    if (!firstFailure_)
        firstFailure_ = error;
    return error;
}

Status StagingFolder::ensureMade() {
    if (made_)
        return success();
    auto root = openPrivateFolder(path_.parent_path());
    if (!root)
        return root.error();
    const std::string name = path_.filename();
    if (::mkdirat(root->descriptor(), name.c_str(), 0700) != 0)
        return fileOperationError("create the folder", path_, errno);
    root_ = std::move(*root);
    made_ = true;
    const std::string lock = name + "/" + lockFileName;
    lockFd_ =
        ::openat(root_.descriptor(), lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0 || ::flock(lockFd_, LOCK_EX | LOCK_NB) != 0)
        return fileOperationError("lock", path_ / lockFileName, errno);
    return success();
}

fs::path StagingFolder::nextName() {
    return path_ / (std::to_string(++counter_) + ".bin");
}

Result<StoredBytes> StagingFolder::store(const Bytes& bytes, std::string sha256) {
    fs::path name;
    Status made = success();
    {
        std::lock_guard lock(mutex_);
        made = ensureMade();
        name = nextName();
    }
    if (!made)
        return failed(made.error());
    if (auto s = realFileSystem().writeFile(name, bytes); !s) {
        ::unlink(name.c_str());
        return failed(s.error());
    }
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0) {
        const int error = errno;
        ::unlink(name.c_str());
        return readError(name, error);
    }
    startWriteback(name);
    auto region = std::make_shared<StoredBytes::Region>();
    region->path = std::move(name);
    region->size = bytes.size();
    region->modifiedNs = stampOf(info).modifiedNs;
    region->sha256 = std::move(sha256);
    region->folder = shared_from_this();
    StoredBytes stored;
    stored.region_ = std::move(region);
    return stored;
}

Result<StoredBytes> StagingFolder::adopt(const fs::path& file, FileSystem& files) {
    fs::path name;
    Status made = success();
    {
        std::lock_guard lock(mutex_);
        made = ensureMade();
        name = nextName();
    }
    if (!made)
        return failed(made.error());
    if (auto s = files.cloneFile(file, name); !s)
        return failed(s.error());
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        ::unlink(name.c_str());
        return readError(file, EINVAL);
    }
    auto region = std::make_shared<StoredBytes::Region>();
    region->path = std::move(name);
    region->size = static_cast<std::uint64_t>(info.st_size);
    region->modifiedNs = stampOf(info).modifiedNs;
    region->folder = shared_from_this();
    StoredBytes stored;
    stored.region_ = std::move(region);
    return stored;
}

int removeStaleStagingFolders(fs::path root) {
    if (root.empty())
        root = stagingRoot();
    // Only a folder of ours is cleaned: never one reached through a link, never another user's.
    auto opened = openPrivateFolder(root, /*create=*/false);
    if (!opened)
        return 0;
    const int rootFd = opened->descriptor();
    DIR* members = ::fdopendir(::dup(rootFd));
    if (members == nullptr)
        return 0;
    int removed = 0;
    while (const dirent* member = ::readdir(members)) {
        const std::string name = member->d_name;
        if (!isStagingFolderName(name))
            continue;
        const int folder =
            ::openat(rootFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder < 0)
            continue;  // not a real folder
        if (::faccessat(folder, keptMarkerName, F_OK, AT_SYMLINK_NOFOLLOW) == 0) {
            ::close(folder);
            continue;  // unsaved work an earlier version kept here: the user's to remove
        }
        struct stat facts {};
        const bool known = ::fstat(folder, &facts) == 0;
        const int lock = ::openat(folder, lockFileName, O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        ::close(folder);
        if (lock < 0) {
            // No lock file: a folder being made right now, or one whose maker died before
            // locking it. Only an old one is taken for the latter.
            const auto age = std::chrono::system_clock::now() -
                             std::chrono::system_clock::from_time_t(facts.st_mtim.tv_sec);
            if (!known || age < std::chrono::minutes(1))
                continue;
        } else if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
            ::close(lock);
            continue;  // its owner is alive
        }
        if (removeFolderAt(rootFd, name))
            ++removed;
        if (lock >= 0)
            ::close(lock);
    }
    ::closedir(members);
    return removed;
}

}  // namespace mosavelle
