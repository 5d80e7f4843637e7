#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/bytes.h"
#include "core/platform/result.h"

namespace mosavelle {

// The longest part name the format can record. A longer one is refused with an error before any
// of its entry is written.
inline constexpr std::size_t maxArchivePathBytes = 0xFFFF;

// Where the plain records end and ZIP64 records take over: a size or offset of `sizes` or more, or
// `entries` parts or more, cannot be written in the plain 32-bit and 16-bit fields (whose largest
// value marks a ZIP64 value instead). The defaults are the format's own; tests lower them to see
// ZIP64 records in small archives.
struct ZipLimits {
    std::uint64_t sizes = 0xFFFFFFFFull;
    std::size_t entries = 0xFFFF;
};

// Where an archive's bytes go, in order. A failed write ends the archive.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual Status write(std::span<const std::uint8_t> bytes) = 0;
    // `first` then `second`; a sink that can takes both in one call.
    virtual Status writePair(std::span<const std::uint8_t> first,
                             std::span<const std::uint8_t> second) {
        if (auto written = write(first); !written)
            return written;
        return second.empty() ? success() : write(second);
    }
};

// Writes a minimal stored ZIP archive into a sink as entries arrive: every entry uncompressed,
// stamped 1980-01-01 00:00, no data descriptors, comments or directory entries. ZIP64 records
// (extra fields of the entries concerned, and the ZIP64 end records) are written when, and only
// when, a size, an offset or the entry count passes `ZipLimits`. Only the central directory (46
// bytes plus the name per entry) is kept in memory, so an archive streamed into a file never exists
// in memory as a whole.
//
// Usage: `add` for each entry in archive order, then `finish` once. After any failure the writer
// refuses further calls and the sink's content is incomplete.
class ZipArchiveWriter {
public:
    explicit ZipArchiveWriter(ByteSink& sink, ZipLimits limits = {})
        : sink_(sink), limits_(limits) {}
    ZipArchiveWriter(const ZipArchiveWriter&) = delete;
    ZipArchiveWriter& operator=(const ZipArchiveWriter&) = delete;

    // Writes the entry's local header, name and data. Backslashes in the path are stored as
    // forward slashes. Refused, with nothing written, when the name is longer than
    // `maxArchivePathBytes`. `crc32`, when given, is the data's CRC-32 as the caller computed it
    // (`crc32Of`); it is trusted.
    Status add(std::string_view path, std::span<const std::uint8_t> data,
               std::optional<std::uint32_t> crc32 = std::nullopt);

    // Writes the central directory and the end record.
    Status finish();

private:
    Status fail(Error error);

    ByteSink& sink_;
    ZipLimits limits_;
    std::vector<std::uint8_t> central_;
    std::size_t count_ = 0;
    std::uint64_t offset_ = 0;
    bool closed_ = false;
};

}  // namespace mosavelle
