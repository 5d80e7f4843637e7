#pragma once

// Test helpers for written packages: the members of a stored ZIP archive in archive order, found
// through the end record and the central directory as an unzip tool finds them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "core/platform/bytes.h"
#include "support/test_support.h"

namespace mosavelle::testing {

struct PackageMember {
    std::string path;
    std::string data;
    friend bool operator==(const PackageMember&, const PackageMember&) = default;
};

// Nothing when the archive is inconsistent: bad signatures or bounds, or a local header whose
// name, CRC, size or date differs from its central directory record.
inline std::optional<std::vector<PackageMember>> readPackage(const Bytes& archive) {
    const auto* base = archive.data();
    const auto u16 = [](const std::uint8_t* p) {
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
    };
    const auto u32 = [&](const std::uint8_t* p) { return u16(p) | u16(p + 2) << 16; };
    if (archive.size() < 22)
        return std::nullopt;
    const auto* end = base + archive.size() - 22;
    std::size_t central = u32(end + 16);
    if (u32(end) != 0x06054B50 || u16(end + 8) != u16(end + 10) ||
        central + u32(end + 12) != archive.size() - 22)
        return std::nullopt;
    std::vector<PackageMember> members;
    for (std::uint32_t i = 0, count = u16(end + 10); i < count; ++i) {
        if (central + 46 > archive.size() || u32(base + central) != 0x02014B50)
            return std::nullopt;
        const auto* c = base + central;
        const std::size_t nameLength = u16(c + 28);
        const std::size_t offset = u32(c + 42);
        const std::size_t size = u32(c + 24);
        if (offset + 30 + nameLength + size > archive.size() || u32(base + offset) != 0x04034B50)
            return std::nullopt;
        const auto* local = base + offset;
        const std::string name(reinterpret_cast<const char*>(c + 46), nameLength);
        if (u16(local + 26) != nameLength ||
            name.compare(0, nameLength, reinterpret_cast<const char*>(local + 30), nameLength) !=
                0 ||
            u32(local + 14) != u32(c + 16) || u32(local + 18) != size || u16(local + 12) != 0x0021)
            return std::nullopt;
        members.push_back(
            {name, std::string(reinterpret_cast<const char*>(local + 30 + nameLength), size)});
        central += 46 + nameLength;
    }
    return members;
}

// The members of the package file `file`; none, and a test failure, when it does not read.
inline std::vector<PackageMember> members(const std::filesystem::path& file) {
    auto read = readPackage(readFileBytes(file));
    EXPECT_TRUE(read.has_value()) << file;
    return read.value_or(std::vector<PackageMember>{});
}

// The data of the member `path` of the package file `file`; empty, and a test failure, when it
// has none.
inline std::string member(const std::filesystem::path& file, const std::string& path) {
    for (auto& m : members(file))
        if (m.path == path)
            return m.data;
    ADD_FAILURE() << "no member " << path;
    return {};
}

// How many members of the package file `file` have a path matching `pattern`.
inline std::size_t countMembers(const std::filesystem::path& file, const std::string& pattern) {
    const std::regex re(pattern);
    return std::ranges::count_if(members(file),
                                 [&](const auto& m) { return std::regex_match(m.path, re); });
}

}  // namespace mosavelle::testing
