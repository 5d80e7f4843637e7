#pragma once

#include <QObject>
#include <filesystem>
#include <functional>
#include <optional>

#include "core/model/package.h"
#include "core/platform/result.h"

namespace mosavelle::app {

// What a package's "project.json" looked like on disk, to tell whether another program rewrote
// the package since this window read or wrote it. A rewrite through a temporary folder (as every
// package save does) gives a new inode even when size and time happen to match.
struct PackageStamp {
    std::int64_t modifiedNs = 0;
    std::uintmax_t size = 0;
    std::uintmax_t inode = 0;
    friend bool operator==(const PackageStamp&, const PackageStamp&) = default;
};

// The stamp of `package`'s "project.json"; nothing when it cannot be read. One stat call: cheap
// enough for the interface thread.
std::optional<PackageStamp> stampPackage(const std::filesystem::path& package);

// The package a path given by the user means: a ".mosavelle" folder as it is, or the folder
// around a "project.json". Relative paths are made absolute against the working folder.
std::filesystem::path packagePathFor(const std::filesystem::path& given);

// The project a path given on the command line (or by a file manager's "Open With") belongs to:
// a ".mosavelle" folder, a folder holding a project.json, a project.json, or any file or folder
// inside a ".mosavelle" folder. Empty for anything else, such as a picture or a plain folder.
std::optional<std::filesystem::path> projectPackageOf(const std::filesystem::path& given);

// True when `path` names a folder whose name ends in ".mosavelle" (the case of the extension is
// ignored, as file managers do).
bool hasPackageExtension(const std::filesystem::path& path);

struct PackageReadOutcome {
    Result<PackageSnapshot> snapshot;
    std::optional<PackageStamp> stamp;  // taken before reading
    // Why pictures are read from the package itself instead of the cache folder, when some are.
    std::optional<Error> stagingFailure;
};

struct PackageWriteOutcome {
    Result<Project> written;            // the project as written (see writeProjectPackage)
    std::optional<PackageStamp> stamp;  // taken after writing
    // Nothing was written: the package no longer had the expected stamp once it was locked.
    bool changedElsewhere = false;
};

// Reads a package on a pool thread and hands the outcome to `done` on the interface thread, unless
// `context` is gone by then. A package that a killed save left set aside is put back first.
void readPackageInBackground(std::filesystem::path package, QObject* context,
                             std::function<void(PackageReadOutcome)> done);

// Writes a snapshot (made on the interface thread with makeSnapshot) on a pool thread; `done` as
// above. The package is written only when, once its lock is held, it still has the stamp
// `expected` (nothing: it does not exist): another program that saved it meanwhile, while this
// save waited for the lock, gives `changedElsewhere` instead of losing its work.
void writePackageInBackground(PackageSnapshot snapshot, std::filesystem::path package,
                              std::optional<PackageStamp> expected, QObject* context,
                              std::function<void(PackageWriteOutcome)> done);

}  // namespace mosavelle::app
