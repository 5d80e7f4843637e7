#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "core/model/defaults_store.h"
#include "core/model/document.h"
#include "core/model/project_json.h"
#include "support/faulty_file_system.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using testing::readFileBytes;
using testing::writeFileBytes;

class DefaultsStoreTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    fs::path folder = dir / "data" / "Mosavelle";  // parents missing on purpose

    AppearanceSettings namedLook(std::optional<std::string> logoName) {
        AppearanceSettings look;
        look.typography.fontName = "Futura";
        look.branding.logoFileName = std::move(logoName);
        return look;
    }
};

TEST_F(DefaultsStoreTest, SavedSettingsAndUnnamedLogoAreUsedAtOnceAndSurviveARestart) {
    {
        DefaultSettingsStore store(folder);
        EXPECT_TRUE(fs::is_directory(folder));
        EXPECT_EQ(store.newProject(), defaultProject());
        EXPECT_FALSE(store.stored() || store.logoData());
        store.saveAsDefault(namedLook(std::nullopt), QualityPreset::balanced, "Talk",
                            SortMode::captureDate, Bytes("logo bytes"));
        EXPECT_EQ(store.newProject().appearance, namedLook("logo.png"));
        const auto untitled = MosavelleDocument::makeUntitled(store);  // a new deck uses them
        EXPECT_EQ(untitled->project(), store.newProject());
        EXPECT_EQ(untitled->logoData(), Bytes("logo bytes"));
    }
    EXPECT_EQ(readFileBytes(folder / "default-logo.png"), Bytes("logo bytes"));
    DefaultSettingsStore reopened(folder);
    Project expected = defaultProject();
    expected.appearance = namedLook("logo.png");
    expected.export_ = {QualityPreset::balanced, "Talk"};
    expected.sort = SortMode::captureDate;
    EXPECT_EQ(reopened.newProject(), expected);
    EXPECT_EQ(reopened.logoData(), Bytes("logo bytes"));

    // Saving without a logo (empty bytes count as none) forgets the logo and its name.
    reopened.saveAsDefault(namedLook("b.png"), QualityPreset::best, "B", SortMode::manual, Bytes());
    EXPECT_FALSE(fs::exists(folder / "default-logo.png"));
    DefaultSettingsStore again(folder);
    EXPECT_FALSE(again.logoData());
    EXPECT_EQ(again.newProject().appearance, namedLook(std::nullopt));
}

TEST_F(DefaultsStoreTest, IncompleteSettingsAndEmptyLogoFilesAreIgnored) {
    fs::create_directories(folder);
    DocumentDefaults saved;
    saved.appearance = namedLook("logo.png");
    auto json = nlohmann::json::parse(encodeDefaults(saved).value().view());
    json.erase("sort");
    writeFileBytes(folder / "default-settings.json", Bytes(json.dump()));
    writeFileBytes(folder / "default-logo.png", Bytes());
    DefaultSettingsStore store(folder);
    EXPECT_FALSE(store.stored() || store.logoData());
    EXPECT_EQ(store.newProject(), defaultProject());

    // With the member back, the same file is read, and the name is dropped for want of a logo.
    json["sort"] = "filename";
    writeFileBytes(folder / "default-settings.json", Bytes(json.dump()));
    store.loadFromDisk();
    ASSERT_TRUE(store.stored());
    EXPECT_EQ(store.newProject().sort, SortMode::filename);
    EXPECT_FALSE(store.newProject().appearance.branding.logoFileName);

    // A pipe in place of the logo must not hang the reader.
    fs::remove(folder / "default-logo.png");
    ASSERT_EQ(::mkfifo((folder / "default-logo.png").c_str(), 0600), 0);
    store.loadFromDisk();
    EXPECT_FALSE(store.logoData());
}

TEST_F(DefaultsStoreTest, FailedWritesAreSilentAndNeverLeaveAPartialFile) {
    DefaultSettingsStore(folder).saveAsDefault(namedLook(std::nullopt), QualityPreset::best, "Kept",
                                               SortMode::manual, Bytes("kept"));
    const Bytes settings = readFileBytes(folder / "default-settings.json");
    {
        testing::FaultyFileSystem recorder;
        DefaultSettingsStore(folder, recorder)
            .saveAsDefault(namedLook(std::nullopt), QualityPreset::best, "Kept", SortMode::manual,
                           Bytes("kept"));
        EXPECT_EQ(recorder.moves(), 2);
        EXPECT_EQ(recorder.unflushedWhenMoved(), std::vector<std::string>{});
    }
    for (int k = 0; k < 9; ++k) {
        testing::FaultyFileSystem faulty;
        DefaultSettingsStore store(folder, faulty);
        faulty.failAt = faulty.changes + k;
        store.saveAsDefault(namedLook(std::nullopt), QualityPreset::small, "New",
                            SortMode::filename, Bytes("new logo"));
        EXPECT_EQ(store.newProject().export_.suggestedBaseName, "New") << k;

        DefaultSettingsStore reread(folder);
        ASSERT_TRUE(reread.stored()) << faulty.failed.at(0);
        EXPECT_TRUE(reread.logoData() == Bytes("kept") || reread.logoData() == Bytes("new logo"));
        for (const auto& entry : fs::directory_iterator(folder)) {
            EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << faulty.failed[0];
        }
        writeFileBytes(folder / "default-settings.json", settings);
        writeFileBytes(folder / "default-logo.png", Bytes("kept"));
    }
}

TEST(DefaultsStoreFolder, FollowsXdgDataHomeOnlyWhenAbsolute) {
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", "/home/someone", 1);
    const fs::path home = "/home/someone/.local/share/Mosavelle";
    for (auto [xdg, folder] : {std::pair<const char*, fs::path>{"/data/xdg", "/data/xdg/Mosavelle"},
                               {"relative/xdg", home},
                               {nullptr, home}}) {
        xdg ? ::setenv("XDG_DATA_HOME", xdg, 1) : ::unsetenv("XDG_DATA_HOME");
        EXPECT_EQ(DefaultSettingsStore::defaultFolder(), folder) << (xdg ? xdg : "unset");
    }
    ::setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace mosavelle
