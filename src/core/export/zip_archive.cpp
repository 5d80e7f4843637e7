#include "core/export/zip_archive.h"

#include <libdeflate.h>
#include <algorithm>

namespace mosavelle {

namespace {

constexpr std::uint32_t localSignature = 0x04034B50;
constexpr std::uint32_t centralSignature = 0x02014B50;
constexpr std::uint32_t endSignature = 0x06054B50;
constexpr std::uint16_t zipVersion = 20;
constexpr std::uint16_t dosDate1980 = 0x0021;  // 1980-01-01; the time field is 0 (00:00:00)
constexpr std::size_t localHeaderSize = 30;
constexpr std::size_t centralHeaderSize = 46;
constexpr std::size_t endRecordSize = 22;

void put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::string slashed(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

Error limitError(std::string_view what) {
    return Error{"The presentation is too large to be written: " + std::string(what) + "."};
}

// The limits one more entry must respect, given what is already in the archive.
Status checkEntry(std::size_t countBefore, std::uint64_t offsetBefore, std::size_t nameBytes,
                  std::uint64_t dataBytes) {
    if (countBefore + 1 > maxArchiveEntries)
        return limitError("it has more than 65535 parts");
    if (nameBytes > maxArchivePathBytes)
        return limitError("a part name is longer than 65535 bytes");
    if (dataBytes > maxArchiveOffset)
        return limitError("a part is 4 GiB or larger");
    if (offsetBefore + localHeaderSize + nameBytes + dataBytes > maxArchiveOffset)
        return limitError("the package would reach 4 GiB");
    return success();
}

// Both header kinds share the run of fields from "version needed" to "extra field length".
void putCommonFields(std::vector<std::uint8_t>& out, std::uint32_t crc, std::uint32_t size,
                     std::uint16_t nameLength) {
    put16(out, zipVersion);  // version needed to extract
    put16(out, 0);           // general purpose flags (no UTF-8 flag, no data descriptor)
    put16(out, 0);           // compression method: stored
    put16(out, 0);           // modification time
    put16(out, dosDate1980);
    put32(out, crc);
    put32(out, size);  // compressed size
    put32(out, size);  // uncompressed size
    put16(out, nameLength);
    put16(out, 0);  // extra field length
}

class MemorySink final : public ByteSink {
public:
    explicit MemorySink(std::size_t capacity) { data_.reserve(capacity); }
    Status write(std::span<const std::uint8_t> bytes) override {
        data_.insert(data_.end(), bytes.begin(), bytes.end());
        return success();
    }
    std::vector<std::uint8_t> take() { return std::move(data_); }

private:
    std::vector<std::uint8_t> data_;
};

}  // namespace

void addTextEntry(std::vector<ArchiveEntry>& entries, std::string_view path,
                  std::string_view text) {
    entries.push_back(ArchiveEntry{slashed(path), Bytes(text)});
}

void addDataEntry(std::vector<ArchiveEntry>& entries, std::string_view path, Bytes data) {
    entries.push_back(ArchiveEntry{slashed(path), std::move(data)});
}

std::uint32_t crc32Of(std::span<const std::uint8_t> data) {
    if (data.empty())
        return 0;
    return libdeflate_crc32(0, data.data(), data.size());
}

Status ZipArchiveWriter::fail(Error error) {
    closed_ = true;
    return error;
}

Status ZipArchiveWriter::add(std::string_view path, std::span<const std::uint8_t> data) {
    if (closed_)
        return Error{"The presentation archive is already closed."};
    if (auto limits = checkEntry(count_, offset_, path.size(), data.size()); !limits)
        return fail(limits.error());

    const std::string name = slashed(path);
    const auto crc = crc32Of(data);
    const auto size = static_cast<std::uint32_t>(data.size());
    const auto nameLength = static_cast<std::uint16_t>(name.size());
    const auto* nameBytes = reinterpret_cast<const std::uint8_t*>(name.data());

    std::vector<std::uint8_t> header;
    header.reserve(localHeaderSize + name.size());
    put32(header, localSignature);
    putCommonFields(header, crc, size, nameLength);
    header.insert(header.end(), nameBytes, nameBytes + name.size());
    if (auto written = sink_.write(header); !written)
        return fail(written.error());
    if (!data.empty()) {
        if (auto written = sink_.write(data); !written)
            return fail(written.error());
    }

    put32(central_, centralSignature);
    put16(central_, zipVersion);  // version made by (upper byte 0)
    putCommonFields(central_, crc, size, nameLength);
    put16(central_, 0);  // file comment length
    put16(central_, 0);  // disk number start
    put16(central_, 0);  // internal attributes
    put32(central_, 0);  // external attributes
    put32(central_, static_cast<std::uint32_t>(offset_));
    central_.insert(central_.end(), nameBytes, nameBytes + name.size());

    offset_ += localHeaderSize + name.size() + data.size();
    ++count_;
    return success();
}

Status ZipArchiveWriter::finish() {
    if (closed_)
        return Error{"The presentation archive is already closed."};
    if (central_.size() > maxArchiveOffset)
        return fail(limitError("its part names are too long"));
    std::vector<std::uint8_t> end;
    end.reserve(endRecordSize);
    put32(end, endSignature);
    put16(end, 0);  // this disk
    put16(end, 0);  // disk where the central directory starts
    put16(end, static_cast<std::uint16_t>(count_));
    put16(end, static_cast<std::uint16_t>(count_));
    put32(end, static_cast<std::uint32_t>(central_.size()));
    put32(end, static_cast<std::uint32_t>(offset_));
    put16(end, 0);  // comment length
    closed_ = true;
    if (auto written = sink_.write(central_); !written)
        return written;
    central_.clear();
    central_.shrink_to_fit();
    return sink_.write(end);
}

Status checkArchiveLimits(const std::vector<ArchiveEntry>& entries) {
    std::uint64_t offset = 0;
    std::uint64_t central = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& entry = entries[i];
        if (auto limits = checkEntry(i, offset, entry.path.size(), entry.data.size()); !limits)
            return limits;
        offset += localHeaderSize + entry.path.size() + entry.data.size();
        central += centralHeaderSize + entry.path.size();
    }
    if (central > maxArchiveOffset)
        return limitError("its part names are too long");
    return success();
}

Result<Bytes> makeArchive(const std::vector<ArchiveEntry>& entries) {
    if (auto limits = checkArchiveLimits(entries); !limits)
        return limits.error();
    std::size_t total = endRecordSize;
    for (const auto& entry : entries)
        total += localHeaderSize + centralHeaderSize + 2 * entry.path.size() + entry.data.size();
    MemorySink sink(total);
    ZipArchiveWriter writer(sink);
    for (const auto& entry : entries) {
        if (auto added = writer.add(entry); !added)
            return added.error();
    }
    if (auto finished = writer.finish(); !finished)
        return finished.error();
    return Bytes(sink.take());
}

}  // namespace mosavelle
