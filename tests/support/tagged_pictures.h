#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/process.h"
#include "support/test_support.h"

namespace mosavelle::testing {

// Fixture pictures given metadata by exiftool at test time, so that each case states its fields.
inline bool haveExiftool() {
    return std::system("command -v exiftool >/dev/null 2>&1") == 0;
}

// orient-1.jpg copied to `folder/name` and given `tags` ("-XPTitle=...", ...).
inline std::filesystem::path writeTaggedPicture(const std::filesystem::path& folder,
                                                const std::string& name,
                                                std::vector<std::string> tags) {
    const auto path = folder / name;
    std::filesystem::copy_file(fixturePath("orient-1.jpg"), path,
                               std::filesystem::copy_options::overwrite_existing);
    tags.insert(tags.end(), {"-q", "-q", "-overwrite_original", path.string()});
    EXPECT_EQ(runProgram("exiftool", tags, folder).status, 0) << name;
    return path;
}

}  // namespace mosavelle::testing
