#pragma once

// Runs the built mosavelle-cli (MOSAVELLE_CLI_PATH) or another program as a child process and
// collects what it printed, for end-to-end tests. Children inherit the test's environment; the
// fixture below gives each test its own defaults folder and the UTC time zone.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace mosavelle::testing {

struct ProcessResult {
    int status = -1;  // exit status, or -1 when the child did not exit normally
    std::string out;
    std::string err;

    // The standard error lines, without empty ones.
    std::vector<std::string> errLines() const {
        std::vector<std::string> lines;
        std::istringstream in(err);
        for (std::string line; std::getline(in, line);)
            if (!line.empty())
                lines.push_back(line);
        return lines;
    }
};

inline std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs `program` with `args`; standard output and error go to files in `scratch`.
inline ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args,
                                const std::filesystem::path& scratch) {
    std::string command = shellQuoted(program);
    for (const auto& arg : args)
        command += " " + shellQuoted(arg);
    const auto out = scratch / "child.out";
    const auto err = scratch / "child.err";
    command += " </dev/null >" + shellQuoted(out.string()) + " 2>" + shellQuoted(err.string());
    const int raw = std::system(command.c_str());
    ProcessResult result;
    result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = slurp(out);
    result.err = slurp(err);
    return result;
}

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
