#include "core/model/defaults_store.h"

#include <cstdlib>
#include <utility>

#include "core/model/project_json.h"
#include "core/platform/private_folder.h"
#include "core/platform/replace_file.h"

namespace mosavelle {

namespace fs = std::filesystem;

DefaultSettingsStore::DefaultSettingsStore(fs::path folder, FileSystem& files)
    : folder_(std::move(folder)), files_(files) {
    if (!folder_.empty())
        (void)files_.createDirectories(folder_);
    loadFromDisk();
}

DefaultSettingsStore& DefaultSettingsStore::shared() {
    static DefaultSettingsStore instance(defaultFolder());
    return instance;
}

fs::path DefaultSettingsStore::defaultFolder() {
    const fs::path data = userBaseFolder("XDG_DATA_HOME", fs::path(".local") / "share");
    return data.empty() ? fs::path() : data / "Mosavelle";
}

void DefaultSettingsStore::loadFromDisk() {
    if (folder_.empty())
        return;
    if (auto bytes = files_.readFile(folder_ / settingsFileName, true, unlimitedRead)) {
        if (auto decoded = decodeDefaults(*bytes))
            stored_ = std::move(decoded.value());
    }
    auto logo = files_.readFile(folder_ / logoFileName, true, unlimitedRead);
    if (logo && !logo->empty()) {
        logoData_ = std::move(logo.value());
    } else {
        logoData_.reset();
    }
}

Project DefaultSettingsStore::newProject() const {
    Project project = defaultProject();
    if (stored_) {
        project.appearance = stored_->appearance;
        project.export_ = stored_->export_;
        project.sort = stored_->sort;
    }
    if (!logoData_)
        project.appearance.branding.logoFileName.reset();
    return project;
}

void DefaultSettingsStore::saveAsDefault(const AppearanceSettings& appearance,
                                         QualityPreset quality,
                                         const std::string& suggestedBaseName, SortMode sort,
                                         const std::optional<Bytes>& logo) {
    AppearanceSettings copy = appearance;
    // The folder may have been removed since construction.
    if (!folder_.empty())
        (void)files_.createDirectories(folder_);
    if (!logo || logo->empty()) {
        copy.branding.logoFileName.reset();
        if (!folder_.empty())
            (void)files_.remove(folder_ / logoFileName);
        logoData_.reset();
    } else {
        if (!copy.branding.logoFileName)
            copy.branding.logoFileName = "logo.png";
        if (!folder_.empty())
            (void)writeFileAtomically(files_, folder_ / logoFileName, *logo);
        logoData_ = *logo;
    }
    stored_ = DocumentDefaults{copy, ExportSettings{quality, suggestedBaseName}, sort};
    if (folder_.empty())
        return;
    if (auto encoded = encodeDefaults(*stored_)) {
        (void)writeFileAtomically(files_, folder_ / settingsFileName, *encoded);
    }
}

}  // namespace mosavelle
