#pragma once

#include <filesystem>
#include <set>
#include <string>

#include "core/platform/bytes.h"

namespace mosavelle::testing {

// A fresh folder under the system temporary folder, removed with everything in it on
// destruction. Read-only members are made writable first so that removal cannot fail.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Path of a committed fixture file under tests/fixtures.
std::filesystem::path fixturePath(const std::string& name);

Bytes readFileBytes(const std::filesystem::path& path);
// The bytes of a committed fixture file.
Bytes fixtureBytes(const std::string& name);
// The names in `folder` (to see that no temporary file is left behind).
std::set<std::string> namesIn(const std::filesystem::path& folder);
void writeFileBytes(const std::filesystem::path& path, const Bytes& bytes);

}  // namespace mosavelle::testing
