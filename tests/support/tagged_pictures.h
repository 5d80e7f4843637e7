#pragma once

// Fixture pictures with metadata written by exiftool at test time, so that each case states the
// fields it reads beside the test.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/test_support.h"

namespace mosavelle::testing {

inline bool haveExiftool() {
    static const bool found = std::system("command -v exiftool >/dev/null 2>&1") == 0;
    return found;
}

#define MOSAVELLE_REQUIRE_EXIFTOOL()                                              \
    do {                                                                          \
        if (!::mosavelle::testing::haveExiftool())                                \
            GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed"; \
    } while (0)

// The fixture `base` copied to `folder/name` and given `tags` ("-XPTitle=...", ...) by exiftool.
inline std::filesystem::path writeTaggedPicture(const std::filesystem::path& folder,
                                                const std::string& name,
                                                const std::vector<std::string>& tags,
                                                const std::string& base = "orient-1.jpg") {
    const auto path = folder / name;
    std::filesystem::copy_file(fixturePath(base), path,
                               std::filesystem::copy_options::overwrite_existing);
    std::vector<std::string> args{"-q", "-q", "-overwrite_original"};
    args.insert(args.end(), tags.begin(), tags.end());
    args.push_back(path.string());
    const ProcessResult run = runProgram("exiftool", args, folder);
    EXPECT_EQ(run.status, 0) << run.err;
    return path;
}

}  // namespace mosavelle::testing
