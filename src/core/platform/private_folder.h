#pragma once

#include <filesystem>
#include <string>

#include "core/platform/result.h"

namespace mosavelle {

// The user's folder for caches: $XDG_CACHE_HOME when it is an absolute path, else $HOME/.cache;
// empty when neither can be found.
std::filesystem::path userCacheFolder();

// The user's base folder that the XDG variable `variable` names when it holds an absolute path,
// else `homeRelative` under the home folder ($HOME, or the user's entry in the password
// database); empty when neither can be found.
std::filesystem::path userBaseFolder(const char* variable,
                                     const std::filesystem::path& homeRelative);

// A folder of this user's own, held open. Its descriptor is the folder that was checked, so work
// relative to it (openat, unlinkat) never reaches through a link put in its place later.
class PrivateFolder {
public:
    PrivateFolder() = default;
    PrivateFolder(PrivateFolder&& other) noexcept;
    PrivateFolder& operator=(PrivateFolder&& other) noexcept;
    ~PrivateFolder();

    int descriptor() const { return fd_; }
    const std::filesystem::path& path() const { return path_; }

private:
    friend Result<PrivateFolder> openPrivateFolder(const std::filesystem::path& folder,
                                                   bool create);
    int fd_ = -1;
    std::filesystem::path path_;
};

// Opens `folder` (making what is missing of it, unless `create` is false) as a folder of this
// user's own cache. The components that are ours (those below `userCacheFolder()` when `folder`
// lies inside it, else its last one) must each be a real folder, not a symbolic link, owned by
// this user; missing ones are made readable by this user only, and `folder` itself is made so.
// What lies above them is taken as it is (the cache folder may be a link to another disk) and
// made when missing. Fails with a clause of `fileOperationError`'s form, "could not use the
// folder “PATH” (it is a symbolic link)" (or "belongs to another user", or the system's reason).
Result<PrivateFolder> openPrivateFolder(const std::filesystem::path& folder, bool create = true);

// Removes the folder `name` inside the open folder `parent`, with everything in it, without ever
// following a symbolic link: links inside are removed themselves, and a link in `name`'s place
// is left alone. True when the folder is gone.
bool removeFolderAt(int parent, const std::string& name);

}  // namespace mosavelle
