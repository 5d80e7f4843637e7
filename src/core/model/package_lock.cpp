#include "core/model/package_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>
#include <utility>

#include "core/platform/names.h"

namespace mosavelle {

namespace fs = std::filesystem;

namespace {

fs::path lockPath(const fs::path& package) {
    fs::path target = package;
    if (!target.has_filename() && target.has_parent_path())  // "deck.mosavelle/"
        target = target.parent_path();
    return target.parent_path() / ("." + target.filename().string() + ".lock");
}

std::string quotedName(const fs::path& package) {
    fs::path target = package;
    if (!target.has_filename() && target.has_parent_path())
        target = target.parent_path();
    return quoted(target.filename());
}

Error notLocked(const fs::path& package, int error) {
    return errorSaying(Text{TextId::projectNotLocked,
                            {quotedName(package), std::generic_category().message(error)}});
}

}  // namespace

Result<PackageLock> PackageLock::acquire(const fs::path& package,
                                         const std::function<bool()>& giveUp) {
    const fs::path path = lockPath(package);
    for (;;) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return notLocked(package, errno);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error != EWOULDBLOCK && error != EINTR)
                return notLocked(package, error);
            if (giveUp && giveUp())
                return errorSaying(Text{TextId::projectBusy, {quotedName(package)}});
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        // The holder before us removes the file as it lets go; a lock on a removed file guards
        // nothing, so take the one now at the path instead.
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return PackageLock(path, fd);
        ::close(fd);
    }
}

PackageLock::PackageLock(PackageLock&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

PackageLock& PackageLock::operator=(PackageLock&& other) noexcept {
    if (this != &other) {
        release();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

PackageLock::~PackageLock() {
    release();
}

void PackageLock::release() {
    if (fd_ < 0)
        return;
    // Removed while still held, so that nobody takes a lock on a file about to disappear.
    ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
}

}  // namespace mosavelle
