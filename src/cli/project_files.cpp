#include "cli/project_files.h"

#include <filesystem>

#include "core/platform/file_system.h"

namespace mosavelle::cli {

namespace fs = std::filesystem;

Result<PackageSnapshot> openProject(const std::string& path) {
    restoreInterruptedSaveIfIdle(path);
    std::error_code ignored;
    if (!fs::exists(fs::path(path), ignored))
        return Error{"The project " + quoted(path) + " does not exist."};
    // Read in place: a command is over before anyone could change the package, and staging
    // every picture of a large project would cost a link, or a copy, each.
    Result<PackageSnapshot> snapshot =
        readProjectPackage(path, realFileSystem(), nullptr, PackagePictures::inPlace);
    if (snapshot)
        return snapshot;
    if (snapshot.error().code == ErrorCode::damaged)
        return Error{"The project " + quoted(path) +
                     " could not be opened because it is damaged or in an unknown format."};
    return Error{"The project " + quoted(path) +
                 " could not be opened: " + snapshot.error().message};
}

Status saveProject(const PackageSnapshot& snapshot, const std::string& path) {
    Result<Project> written = writeProjectPackage(snapshot, path);
    if (written)
        return success();
    return written.error();
}

}  // namespace mosavelle::cli
