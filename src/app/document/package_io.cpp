#include "app/document/package_io.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <memory>
#include <system_error>

#include "app/support/background_job.h"
#include "core/model/package_lock.h"

namespace mosavelle::app {

std::optional<PackageStamp> stampPackage(const std::filesystem::path& package) {
    struct stat info {};
    if (::stat((package / "project.json").c_str(), &info) != 0)
        return std::nullopt;
    PackageStamp stamp;
    stamp.modifiedNs = std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
    stamp.size = static_cast<std::uintmax_t>(info.st_size);
    stamp.inode = static_cast<std::uintmax_t>(info.st_ino);
    return stamp;
}

std::filesystem::path packagePathFor(const std::filesystem::path& given) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(given, error);
    if (error)
        path = given;
    path = path.lexically_normal();
    if (!path.has_filename())
        path = path.parent_path();
    if (path.filename() == "project.json")
        path = path.parent_path();
    return path;
}

std::optional<std::filesystem::path> projectPackageOf(const std::filesystem::path& given) {
    const std::filesystem::path path = packagePathFor(given);
    if (given.filename() == "project.json")
        return path;
    // The nearest enclosing ".mosavelle" folder, so that a file inside a nested copy of a
    // project opens that copy.
    for (std::filesystem::path folder = path; folder.has_relative_path();
         folder = folder.parent_path()) {
        if (hasPackageExtension(folder))
            return folder;
    }
    std::error_code error;
    if (std::filesystem::is_regular_file(path / "project.json", error))
        return path;
    return std::nullopt;
}

bool hasPackageExtension(const std::filesystem::path& path) {
    auto name =
        path.has_filename() ? path.filename().string() : path.parent_path().filename().string();
    static constexpr std::string_view suffix = ".mosavelle";
    if (name.size() <= suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), name.end() - suffix.size(),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

void readPackageInBackground(std::filesystem::path package, QObject* context,
                             std::function<void(PackageReadOutcome)> done) {
    runInBackground(
        context,
        [package = std::move(package)](const JobContext&) {
            restoreInterruptedSaveIfIdle(package);
            auto stamp = stampPackage(package);
            auto staging = StagingFolder::create();
            auto snapshot = readProjectPackage(package, realFileSystem(), staging);
            return PackageReadOutcome{std::move(snapshot), stamp, staging->firstFailure()};
        },
        std::move(done));
}

void writePackageInBackground(PackageSnapshot snapshot, std::filesystem::path package,
                              std::optional<PackageStamp> expected, QObject* context,
                              std::function<void(PackageWriteOutcome)> done) {
    runInBackground(
        context,
        [snapshot = std::move(snapshot), package = std::move(package),
         expected](const JobContext&) {
            // A command-line import into the same package holds its lock while it works; wait
            // for it a while rather than interleave two saves.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            auto lock = PackageLock::acquire(
                package, [deadline] { return std::chrono::steady_clock::now() > deadline; });
            if (!lock)
                return PackageWriteOutcome{Result<Project>(lock.error()), std::nullopt};
            // What the caller saw may have been replaced while this waited for the lock.
            (void)restoreInterruptedSave(package);
            if (stampPackage(package) != expected)
                return PackageWriteOutcome{
                    Result<Project>(Error{"The project was changed by another application."}),
                    std::nullopt, true};
            auto written = writeProjectPackage(snapshot, package);
            auto stamp = written.ok() ? stampPackage(package) : std::nullopt;
            return PackageWriteOutcome{std::move(written), stamp};
        },
        std::move(done));
}

}  // namespace mosavelle::app
