#include "core/platform/private_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "core/platform/file_system.h"

namespace mosavelle {

namespace fs = std::filesystem;

namespace {

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

Error refusal(const fs::path& path, const char* reason) {
    return Error{"could not use the folder “" + path.string() + "” (" + reason + ")",
                 ErrorCode::permission};
}

// `folder` split into what is taken as it stands and the components below it that must be ours.
std::pair<fs::path, fs::path> splitAtOwnPart(fs::path folder) {
    folder = folder.lexically_normal();
    if (!folder.has_filename())
        folder = folder.parent_path();
    const fs::path cache = userCacheFolder().lexically_normal();
    if (!cache.empty()) {
        const fs::path below = folder.lexically_relative(cache);
        if (!below.empty() && below != "." && *below.begin() != "..")
            return {cache, below};
    }
    return {folder.parent_path(), folder.filename()};
}

}  // namespace

fs::path userCacheFolder() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && cache[0] == '/')
        return cache;
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return fs::path(home) / ".cache";
    return {};
}

fs::path userBaseFolder(const char* variable, const fs::path& homeRelative) {
    // Relative values are invalid by the base-directory convention and are ignored.
    if (const char* value = std::getenv(variable); value && fs::path(value).is_absolute())
        return value;
    fs::path home;
    if (const char* env = std::getenv("HOME"); env && fs::path(env).is_absolute()) {
        home = env;
    } else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
        home = entry->pw_dir;
    }
    if (home.empty() || !home.is_absolute())
        return {};
    return home / homeRelative;
}

PrivateFolder::PrivateFolder(PrivateFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

PrivateFolder& PrivateFolder::operator=(PrivateFolder&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

PrivateFolder::~PrivateFolder() {
    if (fd_ >= 0)
        ::close(fd_);
}

Result<PrivateFolder> openPrivateFolder(const fs::path& folder, bool create) {
    const auto [base, own] = splitAtOwnPart(folder);
    PrivateFolder opened;
    opened.path_ = base;
    if (create) {
        std::error_code ignored;  // the open below reports what is wrong
        fs::create_directories(base, ignored);
    }
    // The base is followed when it is a link: it is the user's choice, not ours.
    opened.fd_ = ::open(base.empty() ? "." : base.c_str(), folderFlags);
    if (opened.fd_ < 0)
        return fileOperationError("use the folder", base, errno);
    for (const fs::path& component : own) {
        opened.path_ /= component;
        if (create && ::mkdirat(opened.fd_, component.c_str(), 0700) != 0 && errno != EEXIST)
            return fileOperationError("create the folder", opened.path_, errno);
        const int next = ::openat(opened.fd_, component.c_str(), folderFlags | O_NOFOLLOW);
        if (next < 0) {
            const int error = errno;
            struct stat facts {};
            if (::fstatat(opened.fd_, component.c_str(), &facts, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(facts.st_mode))
                return refusal(opened.path_, "it is a symbolic link");
            return fileOperationError("use the folder", opened.path_, error);
        }
        ::close(std::exchange(opened.fd_, next));
        struct stat facts {};
        if (::fstat(opened.fd_, &facts) != 0)
            return fileOperationError("use the folder", opened.path_, errno);
        if (facts.st_uid != ::geteuid())
            return refusal(opened.path_, "it belongs to another user");
    }
    // Through the descriptor, so a link can never pass the change on to its target.
    struct stat facts {};
    if (!own.empty() && ::fstat(opened.fd_, &facts) == 0 && (facts.st_mode & 077) != 0)
        (void)::fchmod(opened.fd_, 0700);
    return opened;
}

bool removeFolderAt(int parent, const std::string& name) {
    const int fd = ::openat(parent, name.c_str(), folderFlags | O_NOFOLLOW);
    if (fd < 0)
        return false;
    DIR* members = ::fdopendir(fd);
    if (members == nullptr) {
        ::close(fd);
        return false;
    }
    while (const dirent* member = ::readdir(members)) {
        const std::string memberName = member->d_name;
        if (memberName == "." || memberName == "..")
            continue;
        // A folder refuses a plain unlink; anything else, links included, goes itself.
        if (::unlinkat(fd, memberName.c_str(), 0) != 0 && errno == EISDIR)
            (void)removeFolderAt(fd, memberName);
    }
    ::closedir(members);
    return ::unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0;
}

}  // namespace mosavelle
