#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string_view>

#include "core/model/project.h"
#include "core/platform/bytes.h"
#include "core/platform/file_system.h"
#include "core/platform/result.h"
#include "core/platform/stored_bytes.h"
#include "core/platform/uuid.h"

namespace mosavelle {

// The stored bytes of each picture, keyed by `SourceImage::id`: files of ours (or bytes in memory),
// shared, never copied, read only while a picture is being worked on.
using ImageDataMap = std::map<Uuid, StoredBytes>;

// The only document type the application reads and writes: a directory with this extension.
inline constexpr std::string_view projectTypeIdentifier = "app.mosavelle.project";
inline constexpr std::string_view projectFileExtension = "mosavelle";

// Stored in `SourceImage::importError` when a picture's copy is not in the package.
inline constexpr std::string_view missingImageMessage =
    englishTemplate(TextId::projectImageMissing);

// The read failure for a package that is not one, is damaged, or is from a newer version.
inline constexpr std::string_view damagedPackageMessage = englishTemplate(TextId::projectDamaged);

// What a package holds. A value: making one shares the picture bytes, so it is cheap, and later
// edits of the document do not reach a snapshot being written.
struct PackageSnapshot {
    Project project;
    ImageDataMap images;
    std::optional<Bytes> logo;
    friend bool operator==(const PackageSnapshot&, const PackageSnapshot&) = default;
};

// True when `name` can be used as a member of a package folder as it stands: not empty, not "."
// or "..", no path separator ('/' or '\'), no NUL, at most 255 bytes.
bool isSafeMemberName(std::string_view name);

// Writes `snapshot` as the package directory `destination` ("project.json", "images/", and
// "branding/" when there is a logo with a name). The whole tree is written and flushed in a
// temporary sibling folder of this save's own and only then swapped into place, so a failure at
// any step leaves an existing package at `destination` complete and readable. Callers hold the
// package's `PackageLock` (package_lock.h) so that saves of one package never overlap.
//
// A package that an interrupted save left set aside is put back first (restoreInterruptedSave).
// Once the new package is in place for good, what killed saves left beside the packages of the
// folder goes: their staging folders, set-aside copies of packages that are in place, and lock
// files nobody holds (another package's only when its lock is free, and under it).
//
// Before anything is written, every picture that is a file of ours (staged) must still hold
// what it was given (StoredBytes::isUnchanged, against the picture's recorded digest): a copy
// truncated or rewritten on disk since fails the save with a sentence naming its picture, so
// that other bytes are never saved under the picture's record. Failures name the package, never
// the folders the save works in.
//
// A stored file name that is not a safe member name, or that an earlier picture of the deck
// already uses, is replaced by the picture's identifier and extension (a logo name by "logo"
// and its extension); the returned project is the one written to "project.json", with those
// names. The caller may adopt it. Safe to call on any thread; touches only the snapshot.
//
// Pictures that are files of ours (staged) are linked into the new tree where the file system
// allows it and copied otherwise; others are read (and checked) and written.
//
// A save over a package that holds the file of a picture the deck lists without its bytes fails
// and changes nothing: it would delete the only copy.
Result<Project> writeProjectPackage(const PackageSnapshot& snapshot,
                                    const std::filesystem::path& destination,
                                    FileSystem& files = realFileSystem());

// Puts `package` back when a save killed between moving the old package aside and moving the new
// one in left it missing: its newest set-aside copy becomes the package again. True when one was
// put back; nothing is done when the package exists. Callers hold the package's PackageLock.
bool restoreInterruptedSave(const std::filesystem::path& package,
                            FileSystem& files = realFileSystem());

// The same for a program about to open `package` without holding its lock: done only when the lock
// is free, so a save under way keeps its folders.
void restoreInterruptedSaveIfIdle(const std::filesystem::path& package);

// Reads the package directory `root`. Fails with `damagedPackageMessage` when `root` is not a
// non-empty directory with a non-empty regular file "project.json" or when the deck is from a
// newer format version, and with the decoder's own error when the JSON does not decode. A
// picture whose file is absent, unreadable, larger than `maxPictureFileBytes`, a symbolic link,
// or named unsafely is read as missing (`importError` = `missingImageMessage`); the logo likewise
// is simply absent. Symbolic links inside the package are never followed. Safe to call on any
// thread.
//
// The pictures are not read. With `PackagePictures::staged` each file is made a file of
// `staging` (a new staging folder when none is given; see StagingFolder::adopt), so that saving
// over the package, moving or deleting it never takes a picture away from the document that
// opened it. With `inPlace` the pictures are read from the package when needed, and a member
// that no longer has its size then fails to read: for work that ends before the package changes.
// A file the staging folder cannot take is read in place too; `staging->firstFailure()` says why.
enum class PackagePictures { staged, inPlace };
Result<PackageSnapshot> readProjectPackage(const std::filesystem::path& root,
                                           FileSystem& files = realFileSystem(),
                                           std::shared_ptr<StagingFolder> staging = nullptr,
                                           PackagePictures pictures = PackagePictures::staged);

}  // namespace mosavelle
