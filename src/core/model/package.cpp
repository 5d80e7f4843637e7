#include "core/model/package.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/model/package_lock.h"
#include "core/model/project_json.h"
#include "core/platform/names.h"
#include "core/platform/replace_file.h"

namespace mosavelle {

namespace fs = std::filesystem;

namespace {

constexpr const char* projectMember = "project.json";
constexpr const char* imagesMember = "images";
constexpr const char* brandingMember = "branding";

Error damaged() {
    return errorSaying(Text{TextId::projectDamaged}, ErrorCode::damaged);
}

// The sentence of a failed save of the package `name`. A file operation's clause names a path
// of the save's own working folders, or of the staging folder, which the user never chose: only
// the system's reason is kept.
Error saveFailure(const std::string& name, const Error& cause) {
    return errorSaying(becauseOf(Text{TextId::projectNotSaved, {quoted(name)}}, cause), cause.code);
}

// The pictures of the deck whose bytes are files of ours that no longer hold what they held when
// they became ours, by original file name, each picture once.
std::vector<std::string> changedPictures(const Project& project, const PackageSnapshot& snapshot) {
    std::vector<std::string> names;
    std::set<Uuid> checked;
    for (const auto& image : project.images) {
        auto bytes = snapshot.images.find(image.id);
        if (bytes == snapshot.images.end() || !checked.insert(image.id).second)
            continue;
        if (!bytes->second.isUnchanged(image.sha256))
            names.push_back(image.originalFileName);
    }
    return names;
}

// "the deck’s copy of the picture “A” was changed or damaged on disk": up to four names, or three
// and how many others.
Error changedPicturesError(const std::vector<std::string>& names) {
    constexpr TextId listing[] = {TextId::onePictureChanged, TextId::twoPicturesChanged,
                                  TextId::threePicturesChanged, TextId::fourPicturesChanged};
    constexpr std::size_t shown = 3;
    const bool many = names.size() > std::size(listing);
    Text text{many ? TextId::morePicturesChanged : listing[names.size() - 1]};
    for (std::size_t i = 0; i < (many ? shown : names.size()); ++i)
        text.arguments.push_back(quoted(names[i]));
    if (many)
        text.arguments.push_back(std::to_string(names.size() - shown));
    return errorSaying(std::move(text), ErrorCode::damaged);
}

// The lower-cased extension of `fileName` (its last path component) when it is a short run of
// ASCII letters and digits; `fallback` otherwise, so the result is always usable in a member name.
std::string safeExtension(const std::string& fileName, const char* fallback) {
    std::string_view base = fileName;
    if (auto slash = base.find_last_of("/\\"); slash != std::string_view::npos)
        base.remove_prefix(slash + 1);
    const std::string_view extension = pathExtension(base);
    const auto usable = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x80 && std::isalnum(u);
    };
    if (extension.empty() || extension.size() > 16 ||
        !std::all_of(extension.begin(), extension.end(), usable))
        return fallback;
    return asciiLowercased(extension);
}

// Gives every picture a member name that is safe and not taken by a different picture, keeping
// the recorded name wherever it already is. Pictures that share an identifier are one picture
// and may share a name.
void assignSafeNames(Project& project) {
    std::map<std::string, Uuid> used;
    for (std::size_t i = 0; i < project.images.size(); ++i) {
        // Read through a const view; only a picture that is renamed is copied.
        const SourceImage& image = std::as_const(project.images)[i];
        auto owner = used.find(image.storedFileName);
        bool taken = owner != used.end() && owner->second != image.id;
        if (!isSafeMemberName(image.storedFileName) || taken) {
            std::string stem = image.id.text();
            std::string ext = safeExtension(image.originalFileName, "img");
            std::string candidate = stem + "." + ext;
            for (int n = 2; used.contains(candidate) && used[candidate] != image.id; ++n) {
                candidate = stem + "-" + std::to_string(n) + "." + ext;
            }
            project.images.edit(i).storedFileName = candidate;
        }
        const SourceImage& named = std::as_const(project.images)[i];
        used.emplace(named.storedFileName, named.id);
    }
    auto& logoName = project.appearance.branding.logoFileName;
    if (logoName && !isSafeMemberName(*logoName)) {
        logoName = "logo." + safeExtension(*logoName, "png");
    }
}

// Writes the whole package into `root`, which must not exist yet, and flushes every file and
// folder, so that once this succeeds the tree is complete on disk.
Status writeTree(FileSystem& files, const fs::path& root, const Project& project, const Bytes& json,
                 const PackageSnapshot& snapshot) {
    if (auto s = files.createDirectory(root); !s)
        return s;
    if (auto s = files.writeFile(root / projectMember, json); !s)
        return s;
    if (auto s = files.flush(root / projectMember); !s)
        return s;

    const fs::path images = root / imagesMember;
    if (auto s = files.createDirectory(images); !s)
        return s;
    std::set<std::string> written;
    std::vector<fs::path> pictures;  // flushed together once all are written
    for (const auto& image : project.images) {
        auto bytes = snapshot.images.find(image.id);
        if (bytes == snapshot.images.end())
            continue;
        if (!written.insert(image.storedFileName).second)
            continue;
        const fs::path file = images / image.storedFileName;
        const StoredBytes& stored = bytes->second;
        if (stored.isOwnedFile()) {
            if (auto s = files.cloneFile(*stored.file(), file); !s)
                return s;
        } else {
            auto read = stored.read();
            if (!read)
                return errorSaying(Text{TextId::pictureNotRead, {image.originalFileName}},
                                   read.error().code);
            if (auto s = files.writeFile(file, *read); !s)
                return s;
        }
        pictures.push_back(file);
    }
    if (auto s = files.flushEach(pictures); !s)
        return s;
    if (auto s = files.flush(images); !s)
        return s;

    const auto& logoName = project.appearance.branding.logoFileName;
    if (snapshot.logo && logoName) {
        const fs::path branding = root / brandingMember;
        if (auto s = files.createDirectory(branding); !s)
            return s;
        if (auto s = files.writeFile(branding / *logoName, *snapshot.logo); !s)
            return s;
        if (auto s = files.flush(branding / *logoName); !s)
            return s;
        if (auto s = files.flush(branding); !s)
            return s;
    }
    return files.flush(root);
}

// Fails when the package at `target` holds the file of a picture the deck still lists but whose
// bytes the snapshot lacks (unreadable when the package was opened, say): writing the new tree
// over it would delete the only copy. Pictures missing from the package already lose nothing.
Status keepsEveryListedPicture(FileSystem& files, const fs::path& target,
                               const PackageSnapshot& snapshot) {
    std::set<Uuid> dropped;
    std::string first;  // quoted
    for (const auto& image : snapshot.project.images) {
        if (snapshot.images.contains(image.id) || !isSafeMemberName(image.storedFileName) ||
            files.entryKind(target / imagesMember / image.storedFileName, false) !=
                EntryKind::regularFile)
            continue;
        if (dropped.insert(image.id).second && dropped.size() == 1)
            first = quoted(image.originalFileName);
    }
    if (dropped.empty())
        return success();
    if (dropped.size() == 1)
        return errorSaying(Text{TextId::onePictureUnread, {first}});
    return errorSaying(
        Text{TextId::morePicturesUnread, {first, std::to_string(dropped.size() - 1)}});
}

// The hidden members that saves of a package NAME make beside it: its lock file ".NAME.lock",
// and per save a staging folder ".NAME.ID.saving" and a set-aside copy of the package it
// replaces, ".NAME.ID.previous". Earlier versions named the folders without the save's ID.
enum class LeftoverKind { lock, saving, previous };
struct Leftover {
    std::string package;  // NAME
    LeftoverKind kind;
};

std::optional<Leftover> leftoverOf(std::string_view member) {
    if (!member.starts_with('.'))
        return std::nullopt;
    member.remove_prefix(1);
    LeftoverKind kind{};
    if (member.ends_with(".lock")) {
        kind = LeftoverKind::lock;
        member.remove_suffix(5);
    } else if (member.ends_with(".saving")) {
        kind = LeftoverKind::saving;
        member.remove_suffix(7);
    } else if (member.ends_with(".previous")) {
        kind = LeftoverKind::previous;
        member.remove_suffix(9);
    } else {
        return std::nullopt;
    }
    constexpr std::size_t idLength = 36;
    if (kind != LeftoverKind::lock && member.size() > idLength + 1 &&
        member[member.size() - idLength - 1] == '.' &&
        Uuid::parse(member.substr(member.size() - idLength)))
        member.remove_suffix(idLength + 1);
    if (member.empty())
        return std::nullopt;
    return Leftover{std::string(member), kind};
}

// True for a name with the package extension, whatever its case.
bool hasProjectExtension(std::string_view name) {
    const std::string suffix = "." + std::string(projectFileExtension);
    return name.size() > suffix.size() &&
           asciiLowercased(name.substr(name.size() - suffix.size())) == suffix;
}

// The package a destination names: "deck.mosavelle/" is "deck.mosavelle".
fs::path packageTarget(const fs::path& destination) {
    if (!destination.has_filename() && destination.has_parent_path())
        return destination.parent_path();
    return destination;
}

fs::path folderOf(const fs::path& target) {
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

// The set-aside copy that a save killed between its two moves left of the package `target`, when
// the package is missing: of several (saves killed one after another by earlier versions), the
// one whose "project.json" was written last.
std::optional<fs::path> newestSetAside(FileSystem& files, const fs::path& target) {
    const std::string name = target.filename().string();
    if (name.empty() || files.entryKind(target, false) != EntryKind::missing)
        return std::nullopt;
    const fs::path folder = folderOf(target);
    auto members = files.listDirectory(folder);
    if (!members)
        return std::nullopt;
    std::optional<fs::path> newest;
    fs::file_time_type newestTime{};
    for (const auto& member : *members) {
        auto leftover = leftoverOf(member);
        if (!leftover || leftover->kind != LeftoverKind::previous || leftover->package != name ||
            files.entryKind(folder / member, false) != EntryKind::directory)
            continue;
        std::error_code error;
        const auto written = fs::last_write_time(folder / member / projectMember, error);
        if (!error && (!newest || written > newestTime)) {
            newest = folder / member;
            newestTime = written;
        }
    }
    return newest;
}

// Removes what saves killed midway left beside the packages of `folder`: staging folders,
// set-aside copies of packages that are in place, and lock files nobody holds. The package `ours`,
// whose lock the caller holds, is tidied directly; another package's leftovers only while its lock
// is free, taken without waiting, so that no save under way loses its folders. Taking and letting
// go of that lock also removes its lock file: a lock file is only ever unlinked by the holder of
// its lock after checking the name still names the file it locked, and every taker checks the
// same after locking, so nobody is left holding a lock on a file without a name. A set-aside copy
// whose package is missing is the only copy left of that package and stays for
// restoreInterruptedSave. Only names with the package extension are touched besides `ours`: the
// folder is the user's, and other programs keep hidden files there too.
void removeLeftovers(FileSystem& files, const fs::path& folder, const std::string& ours) {
    auto members = files.listDirectory(folder);
    if (!members)
        return;
    std::map<std::string, std::vector<std::pair<std::string, LeftoverKind>>> byPackage;
    for (const auto& member : *members) {
        auto leftover = leftoverOf(member);
        if (leftover && (leftover->package == ours || hasProjectExtension(leftover->package)))
            byPackage[leftover->package].emplace_back(member, leftover->kind);
    }
    for (const auto& [package, found] : byPackage) {
        std::optional<PackageLock> lock;
        if (package != ours) {
            auto taken = PackageLock::acquire(folder / package, [] { return true; });
            if (!taken)
                continue;  // being saved, or a folder that refuses the lock file
            lock = std::move(*taken);
        }
        const bool present = files.entryKind(folder / package, false) != EntryKind::missing;
        for (const auto& [member, kind] : found) {
            if (kind == LeftoverKind::saving || (kind == LeftoverKind::previous && present))
                (void)files.removeAll(folder / member);
        }
    }
}

// Looks for a top-level "formatVersion" number of 2 or more in text that did not decode, so that a
// deck from a newer version is reported as such. Streams through the text without building a
// tree and gives up at the first nesting deeper than any deck needs: hostile text that the decoder
// refused cheaply must not cost a whole document tree here. Only text that parses completely
// counts; of repeated members the last one wins, as in the decoder.
class VersionScan final : public nlohmann::json_sax<nlohmann::json> {
public:
    static constexpr int maxDepth = 64;
    std::optional<double> version;

    bool null() override { return scalar(std::nullopt); }
    bool boolean(bool) override { return scalar(std::nullopt); }
    bool number_integer(number_integer_t v) override { return scalar(static_cast<double>(v)); }
    bool number_unsigned(number_unsigned_t v) override { return scalar(static_cast<double>(v)); }
    bool number_float(number_float_t v, const string_t&) override { return scalar(v); }
    bool string(string_t&) override { return scalar(std::nullopt); }
    bool binary(binary_t&) override { return scalar(std::nullopt); }
    bool start_object(std::size_t) override { return open(); }
    bool start_array(std::size_t) override { return depth_ > 0 && open(); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool key(string_t& name) override {
        versionNext_ = depth_ == 1 && name == "formatVersion";
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    bool scalar(std::optional<double> value) {
        if (depth_ == 0)
            return false;  // the top-level value is not an object
        if (versionNext_)
            version = value;
        versionNext_ = false;
        return true;
    }
    bool open() {
        if (versionNext_)
            version.reset();
        versionNext_ = false;
        return ++depth_ <= maxDepth;
    }
    bool close() {
        --depth_;
        return true;
    }

    int depth_ = 0;
    bool versionNext_ = false;
};

bool hasNewerFormatVersion(const Bytes& json) {
    VersionScan scan;
    try {
        if (!nlohmann::json::sax_parse(json.begin(), json.end(), &scan))
            return false;
    } catch (const std::exception&) {
        return false;
    }
    return scan.version && *scan.version >= 2;
}

// The contents of `path` when it is a regular file reached without following a symbolic link.
std::optional<Bytes> readMember(FileSystem& files, const fs::path& path) {
    if (files.entryKind(path, false) != EntryKind::regularFile)
        return std::nullopt;
    auto bytes = files.readFile(path, false, unlimitedRead);
    if (!bytes)
        return std::nullopt;
    return std::move(bytes.value());
}

bool isMemberDirectory(FileSystem& files, const fs::path& path) {
    return files.entryKind(path, false) == EntryKind::directory;
}

}  // namespace

bool isSafeMemberName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.size() > 255)
        return false;
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

Result<Project> writeProjectPackage(const PackageSnapshot& snapshot, const fs::path& destination,
                                    FileSystem& files) {
    const fs::path target = packageTarget(destination);
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") {
        return errorSaying(Text{TextId::projectLocationInvalid, {quoted(destination)}});
    }

    Project project = snapshot.project;
    assignSafeNames(project);
    auto json = encodeProject(project);
    if (!json)
        return json.error();
    if (auto changed = changedPictures(project, snapshot); !changed.empty())
        return saveFailure(name, changedPicturesError(changed));

    const fs::path folder = folderOf(target);
    (void)restoreInterruptedSave(target, files);
    // Names of this save's own: two saves that overlap never share a staging folder.
    const std::string stem = "." + name + "." + Uuid::random().text();
    const fs::path fresh = folder / (stem + ".saving");
    const fs::path aside = folder / (stem + ".previous");

    if (auto s = keepsEveryListedPicture(files, target, snapshot); !s)
        return saveFailure(name, s.error());
    if (auto s = writeTree(files, fresh, project, *json, snapshot); !s) {
        (void)files.removeAll(fresh);
        return saveFailure(name, s.error());
    }
    if (auto s = moveFolderIntoPlace(files, fresh, target, aside); !s) {
        (void)files.removeAll(fresh);
        return saveFailure(name, s.error());
    }
    // The new package is in place; what follows only tidies up and cannot undo the save. The
    // package it replaced goes only once the move is on disk: until then, after a power cut, the
    // folder may still show the old names.
    if (files.flush(folder)) {
        (void)files.removeAll(fresh);
        (void)files.removeAll(aside);
        removeLeftovers(files, folder, name);
    }
    return project;
}

bool restoreInterruptedSave(const fs::path& package, FileSystem& files) {
    const fs::path target = packageTarget(package);
    const auto setAside = newestSetAside(files, target);
    if (!setAside || !files.rename(*setAside, target))
        return false;
    (void)files.flush(folderOf(target));
    return true;
}

void restoreInterruptedSaveIfIdle(const fs::path& package) {
    FileSystem& files = realFileSystem();
    if (!newestSetAside(files, packageTarget(package)))
        return;
    if (auto lock = PackageLock::acquire(package, [] { return true; }))
        (void)restoreInterruptedSave(package, files);
}

Result<PackageSnapshot> readProjectPackage(const fs::path& root, FileSystem& files,
                                           std::shared_ptr<StagingFolder> staging,
                                           PackagePictures pictures) {
    // The root itself is what the user chose to open and may be reached through a link; nothing
    // inside it is.
    if (files.entryKind(root, true) != EntryKind::directory)
        return damaged();
    auto members = files.listDirectory(root);
    if (!members || members->empty())
        return damaged();
    auto json = readMember(files, root / projectMember);
    if (!json || json->empty())
        return damaged();

    auto decoded = decodeProject(*json);
    if (!decoded) {
        if (hasNewerFormatVersion(*json))
            return damaged();
        return decoded.error();
    }
    PackageSnapshot snapshot;
    snapshot.project = std::move(decoded.value());
    if (snapshot.project.formatVersion >= 2)
        return damaged();
    snapshot.project.formatVersion = currentFormatVersion;

    Project& project = snapshot.project;
    const fs::path images = root / imagesMember;
    if (isMemberDirectory(files, images)) {
        for (const auto& image : project.images) {
            if (snapshot.images.contains(image.id) || !isSafeMemberName(image.storedFileName)) {
                continue;
            }
            const fs::path file = images / image.storedFileName;
            if (files.entryKind(file, false) != EntryKind::regularFile)
                continue;
            std::optional<StoredBytes> stored;
            if (pictures == PackagePictures::staged) {
                if (!staging)
                    staging = StagingFolder::create();
                if (auto adopted = staging->adopt(file, files))
                    stored = std::move(*adopted);
            }
            // Read in place when asked to, and when the staging folder could not take the
            // picture (it keeps its failure for the caller to tell the user): a picture the
            // package holds is never read as missing for want of room in the cache.
            if (!stored) {
                std::error_code error;
                const auto size = fs::file_size(file, error);
                if (!error)
                    stored = StoredBytes::external(file, size, {}, /*followLinks=*/false);
            }
            // One too large to ever be read is as good as missing (and its staged link goes).
            if (stored && stored->size() <= maxPictureFileBytes)
                snapshot.images.emplace(image.id, std::move(*stored));
        }
        // Marked after all files were tried: pictures listed twice count as one, and are
        // missing only when no listing found their file.
        for (auto& image : project.images) {
            if (snapshot.images.contains(image.id))
                continue;
            if (&image == project.sourceImage(image.id)) {
                image.importError = std::string(missingImageMessage);
            }
        }
    }

    const auto& logoName = project.appearance.branding.logoFileName;
    const fs::path branding = root / brandingMember;
    if (logoName && isSafeMemberName(*logoName) && isMemberDirectory(files, branding)) {
        snapshot.logo = readMember(files, branding / *logoName);
    }
    return snapshot;
}

}  // namespace mosavelle
