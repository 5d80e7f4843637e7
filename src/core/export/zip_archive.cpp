#include "core/export/zip_archive.h"

#include <algorithm>

#include "core/platform/crc32.h"

namespace mosavelle {

namespace {

constexpr std::uint32_t localSignature = 0x04034B50;
constexpr std::uint32_t centralSignature = 0x02014B50;
constexpr std::uint32_t endSignature = 0x06054B50;
constexpr std::uint32_t zip64EndSignature = 0x06064B50;
constexpr std::uint32_t zip64LocatorSignature = 0x07064B50;
constexpr std::uint16_t zipVersion = 20;
constexpr std::uint16_t zip64Version = 45;
constexpr std::uint16_t zip64ExtraTag = 0x0001;
constexpr std::uint32_t marker32 = 0xFFFFFFFF;  // "the value is in the ZIP64 record"
constexpr std::uint16_t marker16 = 0xFFFF;
constexpr std::uint16_t dosDate1980 = 0x0021;  // 1980-01-01; the time field is 0 (00:00:00)
constexpr std::size_t localHeaderSize = 30;
constexpr std::size_t zip64EndRecordSize = 56;

void put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void put64(std::vector<std::uint8_t>& out, std::uint64_t value) {
    put32(out, static_cast<std::uint32_t>(value));
    put32(out, static_cast<std::uint32_t>(value >> 32));
}

std::string slashed(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

// Both header kinds share the run of fields from "version needed" to "extra field length". A
// size of `marker32` says that the sizes are in the ZIP64 extra field.
void putCommonFields(std::vector<std::uint8_t>& out, std::uint16_t version, std::uint32_t crc,
                     std::uint32_t size, std::uint16_t nameLength, std::uint16_t extraLength) {
    put16(out, version);  // version needed to extract
    put16(out, 0);        // general purpose flags (no UTF-8 flag, no data descriptor)
    put16(out, 0);        // compression method: stored
    put16(out, 0);        // modification time
    put16(out, dosDate1980);
    put32(out, crc);
    put32(out, size);  // compressed size
    put32(out, size);  // uncompressed size
    put16(out, nameLength);
    put16(out, extraLength);
}

// The ZIP64 extra field holding `values` (8 bytes each) in the order the format lists them:
// uncompressed size, compressed size, local header offset.
std::vector<std::uint8_t> zip64Extra(std::initializer_list<std::uint64_t> values) {
    std::vector<std::uint8_t> extra;
    put16(extra, zip64ExtraTag);
    put16(extra, static_cast<std::uint16_t>(8 * values.size()));
    for (auto value : values)
        put64(extra, value);
    return extra;
}

}  // namespace

Status ZipArchiveWriter::fail(Error error) {
    closed_ = true;
    return error;
}

Status ZipArchiveWriter::add(std::string_view path, std::span<const std::uint8_t> data,
                             std::optional<std::uint32_t> crc32) {
    if (closed_)
        return errorSaying(Text{TextId::archiveClosed});
    if (path.size() > maxArchivePathBytes)
        return fail(errorSaying(Text{TextId::partNameTooLong}));

    const std::string name = slashed(path);
    const auto crc = crc32 ? *crc32 : crc32Of(data);
    const std::uint64_t size = data.size();
    const bool bigSize = size >= limits_.sizes;
    const bool bigOffset = offset_ >= limits_.sizes;
    const std::uint16_t version = bigSize || bigOffset ? zip64Version : zipVersion;
    const auto size32 = bigSize ? marker32 : static_cast<std::uint32_t>(size);
    const auto nameLength = static_cast<std::uint16_t>(name.size());
    const auto* nameBytes = reinterpret_cast<const std::uint8_t*>(name.data());

    // The local header carries both sizes in its extra field when they do not fit; its offset is
    // only recorded in the central directory.
    const auto localExtra = bigSize ? zip64Extra({size, size}) : std::vector<std::uint8_t>();
    std::vector<std::uint8_t> header;
    header.reserve(localHeaderSize + name.size() + localExtra.size());
    put32(header, localSignature);
    putCommonFields(header, version, crc, size32, nameLength,
                    static_cast<std::uint16_t>(localExtra.size()));
    header.insert(header.end(), nameBytes, nameBytes + name.size());
    header.insert(header.end(), localExtra.begin(), localExtra.end());
    // The data goes from the caller's buffer to the sink as it is: one pass for the CRC above,
    // no copy here.
    if (auto written = sink_.writePair(header, data); !written)
        return fail(written.error());

    std::vector<std::uint8_t> centralExtra;
    if (bigSize && bigOffset)
        centralExtra = zip64Extra({size, size, offset_});
    else if (bigSize)
        centralExtra = zip64Extra({size, size});
    else if (bigOffset)
        centralExtra = zip64Extra({offset_});
    put32(central_, centralSignature);
    put16(central_, version);  // version made by (upper byte 0)
    putCommonFields(central_, version, crc, size32, nameLength,
                    static_cast<std::uint16_t>(centralExtra.size()));
    put16(central_, 0);  // file comment length
    put16(central_, 0);  // disk number start
    put16(central_, 0);  // internal attributes
    put32(central_, 0);  // external attributes
    put32(central_, bigOffset ? marker32 : static_cast<std::uint32_t>(offset_));
    central_.insert(central_.end(), nameBytes, nameBytes + name.size());
    central_.insert(central_.end(), centralExtra.begin(), centralExtra.end());

    offset_ += header.size() + data.size();
    ++count_;
    return success();
}

Status ZipArchiveWriter::finish() {
    if (closed_)
        return errorSaying(Text{TextId::archiveClosed});
    const std::uint64_t centralSize = central_.size();
    const bool manyEntries = count_ >= limits_.entries;
    const bool bigSize = centralSize >= limits_.sizes;
    const bool bigOffset = offset_ >= limits_.sizes;
    std::vector<std::uint8_t> end;
    if (manyEntries || bigSize || bigOffset) {
        // The ZIP64 end record, right after the central directory, and the locator that points
        // to it; the plain end record follows with markers where its fields overflow.
        put32(end, zip64EndSignature);
        put64(end, zip64EndRecordSize - 12);  // size of the rest of this record
        put16(end, zip64Version);             // version made by
        put16(end, zip64Version);             // version needed to extract
        put32(end, 0);                        // this disk
        put32(end, 0);                        // disk where the central directory starts
        put64(end, count_);
        put64(end, count_);
        put64(end, centralSize);
        put64(end, offset_);
        put32(end, zip64LocatorSignature);
        put32(end, 0);                      // disk holding the ZIP64 end record
        put64(end, offset_ + centralSize);  // where the ZIP64 end record starts
        put32(end, 1);                      // total number of disks
    }
    put32(end, endSignature);
    put16(end, 0);  // this disk
    put16(end, 0);  // disk where the central directory starts
    const auto count16 = manyEntries ? marker16 : static_cast<std::uint16_t>(count_);
    put16(end, count16);
    put16(end, count16);
    put32(end, bigSize ? marker32 : static_cast<std::uint32_t>(centralSize));
    put32(end, bigOffset ? marker32 : static_cast<std::uint32_t>(offset_));
    put16(end, 0);  // comment length
    closed_ = true;
    if (auto written = sink_.write(central_); !written)
        return written;
    central_.clear();
    central_.shrink_to_fit();
    return sink_.write(end);
}

}  // namespace mosavelle
