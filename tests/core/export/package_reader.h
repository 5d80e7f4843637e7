#pragma once

// Reads a stored ZIP package back for tests: the members in archive order, found through the end
// record and the central directory as an unzip tool finds them.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/bytes.h"

namespace mosavelle::testing {

struct PackageMember {
    std::string path;
    std::string data;
};

inline std::optional<std::vector<PackageMember>> readPackage(const Bytes& archive) {
    const auto* base = archive.data();
    const auto u16 = [](const std::uint8_t* p) {
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
    };
    const auto u32 = [&](const std::uint8_t* p) { return u16(p) | u16(p + 2) << 16; };
    if (archive.size() < 22)
        return std::nullopt;
    const auto* end = base + archive.size() - 22;
    if (u32(end) != 0x06054B50)
        return std::nullopt;
    std::size_t central = u32(end + 16);
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
        members.push_back(
            {std::string(reinterpret_cast<const char*>(c + 46), nameLength),
             std::string(reinterpret_cast<const char*>(local + 30 + nameLength), size)});
        central += 46 + nameLength;
    }
    return members;
}

}  // namespace mosavelle::testing
