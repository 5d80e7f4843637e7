#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/model/enums.h"
#include "core/model/project.h"
#include "core/platform/bytes.h"
#include "core/platform/file_system.h"

namespace mosavelle {

// The settings new untitled documents start with: a DocumentDefaults record and an optional
// default logo, kept in "default-settings.json" and "default-logo.png" of one folder. The disk
// is read once, at construction; every disk failure is silent (a missing or damaged file means
// no saved value). Belongs to the interface thread.
class DefaultSettingsStore {
public:
    static constexpr const char* settingsFileName = "default-settings.json";
    static constexpr const char* logoFileName = "default-logo.png";

    // Uses `folder` (created with its parents when missing) and reads it. `files` must outlive
    // the store.
    explicit DefaultSettingsStore(std::filesystem::path folder,
                                  FileSystem& files = realFileSystem());
    DefaultSettingsStore(const DefaultSettingsStore&) = delete;
    DefaultSettingsStore& operator=(const DefaultSettingsStore&) = delete;

    // The application's instance, on `defaultFolder()`, made on first use.
    static DefaultSettingsStore& shared();

    // "$XDG_DATA_HOME/Mosavelle" when that variable holds an absolute path, else
    // "$HOME/.local/share/Mosavelle" (the home folder from the password database when HOME is
    // unset). Empty when no home folder can be found; the store then keeps no files.
    static std::filesystem::path defaultFolder();

    const std::optional<DocumentDefaults>& stored() const { return stored_; }
    // Never empty when present.
    const std::optional<Bytes>& logoData() const { return logoData_; }

    // The factory deck with the saved appearance, export settings and sort applied; the logo
    // name is cleared when there is no default logo.
    Project newProject() const;

    // Makes these settings (and logo, when present and not empty) the defaults of new documents,
    // in memory at once and on disk as atomic replacements. A logo without a name is stored as
    // "logo.png"; no logo removes the logo file and the name.
    void saveAsDefault(const AppearanceSettings& appearance, QualityPreset quality,
                       const std::string& suggestedBaseName, SortMode sort,
                       const std::optional<Bytes>& logo);

    // Reads both files: a settings file that does not read or decode leaves `stored` as it is;
    // a logo file that does not read or is empty makes `logoData` absent.
    void loadFromDisk();

private:
    std::filesystem::path folder_;
    FileSystem& files_;
    std::optional<DocumentDefaults> stored_;
    std::optional<Bytes> logoData_;
};

}  // namespace mosavelle
