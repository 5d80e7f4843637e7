#pragma once

// Runs the built mosavelle-cli (MOSAVELLE_CLI_PATH) as a child process for end-to-end tests.
// Children inherit the test's environment; the fixture below gives each test its own defaults
// folder and the UTC time zone.

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/test_support.h"

namespace mosavelle::testing {

// A fresh folder per test, a private defaults folder (XDG_DATA_HOME) so that nobody's saved deck
// settings leak in, and UTC so that capture dates print the camera's wall-clock time.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_DATA_HOME", (dir_.path() / "data").c_str(), 1);
        ::setenv("TZ", "UTC", 1);
    }

    ProcessResult cli(const std::vector<std::string>& args) {
        return runProgram(MOSAVELLE_CLI_PATH, args, dir_.path());
    }

    std::filesystem::path path(const std::string& name) const { return dir_.path() / name; }

    // A folder of fixture pictures under new names: {new name, fixture name}.
    std::filesystem::path pictureFolder(
        const std::string& name,
        std::initializer_list<std::pair<std::string, std::string>> pictures) {
        const auto folder = path(name);
        std::filesystem::create_directories(folder);
        for (const auto& [newName, fixture] : pictures)
            std::filesystem::copy_file(fixturePath(fixture), folder / newName);
        return folder;
    }

    TempDir dir_;
};

// The one line a failing command prints: exactly one line on standard error, a whole sentence.
#define EXPECT_ONE_SENTENCE(result)                                      \
    do {                                                                 \
        const auto lines_ = (result).errLines();                         \
        ASSERT_EQ(lines_.size(), 1u) << (result).err;                    \
        EXPECT_EQ(lines_[0].back(), '.') << lines_[0];                   \
        EXPECT_EQ(lines_[0].find('\r'), std::string::npos) << lines_[0]; \
    } while (false)

}  // namespace mosavelle::testing
