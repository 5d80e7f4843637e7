#include "core/model/recovery_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <utility>

#include "core/platform/names.h"
#include "core/platform/private_folder.h"
#include "core/platform/replace_file.h"

namespace mosavelle {

namespace fs = std::filesystem;

namespace {

constexpr const char* packageName = "deck.mosavelle";
constexpr const char* manifestName = "manifest.json";
constexpr const char* lockName = "lock";
// How an untitled document is written in the manifest.
constexpr const char* untitledDocument = "untitled";
constexpr std::uint64_t maxManifestBytes = 64 * 1024;

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

Bytes encodeManifest(const RecoveryManifest& manifest) {
    const nlohmann::json json = {
        {"name", manifest.name},
        {"document",
         manifest.document.empty() ? std::string(untitledDocument) : manifest.document.string()},
        {"written", formatInternetDate(manifest.written)},
    };
    const std::string text = json.dump(2) + "\n";
    return Bytes(text.data(), text.size());
}

std::optional<RecoveryManifest> decodeManifest(const Bytes& bytes) {
    const auto json = nlohmann::json::parse(bytes.data(), bytes.data() + bytes.size(), nullptr,
                                            /*allow_exceptions=*/false);
    if (!json.is_object())
        return std::nullopt;
    const auto name = json.find("name");
    const auto document = json.find("document");
    const auto written = json.find("written");
    if (name == json.end() || !name->is_string() || document == json.end() ||
        !document->is_string() || written == json.end() || !written->is_string())
        return std::nullopt;
    const auto time = parseInternetDate(written->get<std::string>());
    const auto path = document->get<std::string>();
    if (!time || (path != untitledDocument && !fs::path(path).is_absolute()))
        return std::nullopt;
    RecoveryManifest manifest;
    manifest.name = name->get<std::string>();
    if (path != untitledDocument)
        manifest.document = path;
    manifest.written = *time;
    return manifest;
}

std::optional<RecoveryManifest> readManifest(const fs::path& folder) {
    auto bytes =
        realFileSystem().readFile(folder / manifestName, /*followLinks=*/false, maxManifestBytes);
    if (!bytes)
        return std::nullopt;
    return decodeManifest(*bytes);
}

// Takes the lock of the copy folder open at `folder`; -1 when another holder has it or it cannot
// be had (`error` says why). The lock file is made when `create`.
int lockCopy(int folder, bool create, int& error) {
    for (;;) {
        const int fd = ::openat(folder, lockName,
                                O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0600);
        if (fd < 0) {
            error = errno;
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            error = errno;
            ::close(fd);
            return -1;
        }
        // A holder that let go removed the file as it did; a lock on a removed file guards
        // nothing, so take the one now at the name instead.
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 &&
            ::fstatat(folder, lockName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return fd;
        ::close(fd);
        if (!create) {
            error = ENOENT;
            return -1;
        }
    }
}

bool hasEntry(int folder, const char* name) {
    return ::faccessat(folder, name, F_OK, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

// --- RecoveryCopy ---

RecoveryCopy::~RecoveryCopy() {
    // With nothing written, or everything discarded, the folder goes too; a copy that holds
    // unsaved work stays for the next start to offer.
    if (!hasContents_) {
        if (auto root = openPrivateFolder(folder_.parent_path(), /*create=*/false)) {
            // The lock file goes first, while still held, so nobody takes a lock on a file
            // about to disappear.
            (void)::unlink((folder_ / lockName).c_str());
            (void)removeFolderAt(root->descriptor(), folder_.filename());
        }
    }
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

Status RecoveryCopy::write(const PackageSnapshot& snapshot, const RecoveryManifest& manifest,
                           std::uint64_t revision) {
    std::lock_guard lock(mutex_);
    if (revision < revision_)
        return success();  // overtaken by a later write or a discard
    revision_ = revision;
    hasContents_ = true;
    if (auto written = writeProjectPackage(snapshot, folder_ / packageName); !written)
        return written.error();
    ReplacementOptions options;
    options.followLinks = false;
    return writeFileAtomically(realFileSystem(), folder_ / manifestName, encodeManifest(manifest),
                               options);
}

void RecoveryCopy::discard(std::uint64_t revision) {
    std::lock_guard lock(mutex_);
    if (revision < revision_)
        return;
    revision_ = revision;
    removeContents();
}

void RecoveryCopy::removeContents() {
    const int folder = ::open(folder_.c_str(), folderFlags);
    if (folder < 0)
        return;
    // The manifest first: a folder without it and without a package is never listed.
    (void)::unlinkat(folder, manifestName, 0);
    DIR* members = ::fdopendir(::dup(folder));
    if (members != nullptr) {
        while (const dirent* member = ::readdir(members)) {
            const std::string name = member->d_name;
            if (name == "." || name == ".." || name == lockName)
                continue;
            if (::unlinkat(folder, name.c_str(), 0) != 0 && errno == EISDIR)
                (void)removeFolderAt(folder, name);
        }
        ::closedir(members);
    }
    ::close(folder);
    hasContents_ = false;
}

Result<RecoveredDeck> RecoveryCopy::read(std::shared_ptr<StagingFolder> staging) const {
    std::lock_guard lock(mutex_);
    auto manifest = readManifest(folder_);
    if (!manifest)
        return Error{"The recovery copy " + mosavelle::quoted(id_.text()) + " could not be read.",
                     ErrorCode::damaged};
    auto snapshot = readProjectPackage(folder_ / packageName, realFileSystem(), std::move(staging));
    if (!snapshot)
        return Error{
            "The recovery copy of " + mosavelle::quoted(manifest->name) + " could not be read.",
            ErrorCode::damaged};
    return RecoveredDeck{std::move(snapshot.value()), std::move(*manifest)};
}

// --- RecoveryStore ---

RecoveryStore::RecoveryStore(fs::path root) : root_(std::move(root)) {}

fs::path RecoveryStore::defaultRoot() {
    const fs::path state = userBaseFolder("XDG_STATE_HOME", fs::path(".local") / "state");
    return state.empty() ? fs::path() : state / "Mosavelle" / "recovery";
}

Result<std::shared_ptr<RecoveryCopy>> RecoveryStore::open(const Uuid& id) const {
    if (root_.empty())
        return Error{"There is no folder for recovery copies."};
    // Only a folder of this user's own, never one reached through a link.
    auto root = openPrivateFolder(root_);
    if (!root)
        return Error{"The recovery folder could not be used: " + root.error().message + ".",
                     root.error().code};
    const std::string name = id.text();
    const fs::path path = root_ / name;
    if (::mkdirat(root->descriptor(), name.c_str(), 0700) != 0 && errno != EEXIST)
        return fileOperationError("create the folder", path, errno);
    const int folder = ::openat(root->descriptor(), name.c_str(), folderFlags);
    if (folder < 0)
        return fileOperationError("open the folder", path, errno);
    int error = 0;
    const int lock = lockCopy(folder, /*create=*/true, error);
    ::close(folder);
    if (lock < 0) {
        if (error == EWOULDBLOCK)
            return Error{"The recovery copy is in use by another program."};
        return fileOperationError("lock", path / lockName, error);
    }
    std::shared_ptr<RecoveryCopy> copy(new RecoveryCopy(id, path, lock));
    copy->hasContents_ = ::access((path / manifestName).c_str(), F_OK) == 0 ||
                         ::access((path / packageName).c_str(), F_OK) == 0;
    return copy;
}

std::vector<AbandonedCopy> RecoveryStore::abandoned() const {
    std::vector<AbandonedCopy> found;
    if (root_.empty())
        return found;
    auto root = openPrivateFolder(root_, /*create=*/false);
    if (!root)
        return found;
    DIR* members = ::fdopendir(::dup(root->descriptor()));
    if (members == nullptr)
        return found;
    while (const dirent* member = ::readdir(members)) {
        const std::string name = member->d_name;
        const auto id = Uuid::parse(name);
        if (!id)
            continue;
        const int folder = ::openat(root->descriptor(), name.c_str(), folderFlags);
        if (folder < 0)
            continue;
        if (!hasEntry(folder, manifestName) && !hasEntry(folder, packageName)) {
            ::close(folder);
            continue;  // being made, or emptied
        }
        // A lock file that cannot be taken is held: its document is open in a live program.
        int error = 0;
        const int lock = lockCopy(folder, /*create=*/false, error);
        ::close(folder);
        if (lock < 0 && error != ENOENT)
            continue;
        AbandonedCopy copy;
        copy.id = *id;
        copy.manifest = readManifest(root_ / name);
        copy.name = copy.manifest ? copy.manifest->name : name;
        found.push_back(std::move(copy));
        if (lock >= 0)
            ::close(lock);
    }
    ::closedir(members);
    std::stable_sort(found.begin(), found.end(),
                     [](const AbandonedCopy& a, const AbandonedCopy& b) {
                         const Timestamp none{};
                         return (a.manifest ? a.manifest->written : none) >
                                (b.manifest ? b.manifest->written : none);
                     });
    return found;
}

bool RecoveryStore::discard(const Uuid& id) const {
    auto copy = open(id);
    if (!copy)
        return false;
    (*copy)->discard(UINT64_MAX);
    const fs::path folder = (*copy)->folder();
    copy->reset();
    std::error_code ignored;
    return !fs::exists(folder, ignored);
}

}  // namespace mosavelle
