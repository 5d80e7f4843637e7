#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "core/export/zip_archive.h"

namespace mosavelle {
namespace {

std::string hex(const Bytes& bytes) {
    std::string out;
    char buf[3];
    for (auto b : bytes) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        out += buf;
    }
    return out;
}

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Reads an archive back the way an unzip tool does: from the end record through the central
// directory to each local header. Gives name -> data, and fails the test on any inconsistency.
std::vector<std::pair<std::string, std::string>> readBack(const Bytes& archive) {
    std::vector<std::pair<std::string, std::string>> out;
    const auto* base = archive.data();
    EXPECT_GE(archive.size(), 22u);
    const auto* end = base + archive.size() - 22;
    EXPECT_EQ(le32(end), 0x06054B50u);
    const std::size_t count = le16(end + 10);
    EXPECT_EQ(le16(end + 8), count);
    std::size_t central = le32(end + 16);
    EXPECT_EQ(central + le32(end + 12), archive.size() - 22);
    for (std::size_t i = 0; i < count; ++i) {
        const auto* c = base + central;
        EXPECT_EQ(le32(c), 0x02014B50u);
        const std::size_t nameLength = le16(c + 28);
        const std::string name(reinterpret_cast<const char*>(c + 46), nameLength);
        const auto* local = base + le32(c + 42);
        EXPECT_EQ(le32(local), 0x04034B50u);
        EXPECT_EQ(le32(local + 14), le32(c + 16)) << "CRC differs for " << name;
        EXPECT_EQ(le16(local + 12), 0x0021) << "date of " << name;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(local + 30), le16(local + 26)), name);
        const std::size_t size = le32(local + 18);
        EXPECT_EQ(size, le32(c + 24));
        out.emplace_back(name,
                         std::string(reinterpret_cast<const char*>(local + 30 + nameLength), size));
        central += 46 + nameLength;
    }
    return out;
}

TEST(ZipArchive, OneSmallEntryMatchesTheFormatByteForByte) {
    std::vector<ArchiveEntry> entries;
    addTextEntry(entries, "a.txt", "abc");
    auto archive = makeArchive(entries);
    ASSERT_TRUE(archive.ok()) << archive.error().message;
    // Local header, "a.txt", "abc", central header at offset 0, "a.txt", end record with both
    // counts 1, central directory size 51 (0x33) at offset 38 (0x26).
    EXPECT_EQ(hex(*archive),
              "504b0304"
              "1400"
              "0000"
              "0000"
              "0000"
              "2100"
              "c2412435"
              "03000000"
              "03000000"
              "0500"
              "0000"
              "612e747874"
              "616263"
              "504b0102"
              "1400"
              "1400"
              "0000"
              "0000"
              "0000"
              "2100"
              "c2412435"
              "03000000"
              "03000000"
              "0500"
              "0000"
              "0000"
              "0000"
              "0000"
              "00000000"
              "00000000"
              "612e747874"
              "504b0506"
              "0000"
              "0000"
              "0100"
              "0100"
              "33000000"
              "26000000"
              "0000");
    EXPECT_EQ(archive->size(), 111u);
}

TEST(ZipArchive, EmptyListIsOnlyTheEndRecord) {
    auto archive = makeArchive({});
    ASSERT_TRUE(archive.ok());
    EXPECT_EQ(hex(*archive),
              "504b0506"
              "0000"
              "0000"
              "0000"
              "0000"
              "00000000"
              "00000000"
              "0000");
}

TEST(ZipArchive, SeveralEntriesReadBackWithSlashedNamesAndMatchingOffsets) {
    std::vector<ArchiveEntry> entries;
    addTextEntry(entries, "ppt\\slides\\slide1.xml", "<x/>");
    addDataEntry(entries, "empty.bin", Bytes());
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 251);
    addDataEntry(entries, "ppt/media/image1.jpg", Bytes(big));
    auto archive = makeArchive(entries);
    ASSERT_TRUE(archive.ok());
    auto members = readBack(*archive);
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[0], (std::pair<std::string, std::string>{"ppt/slides/slide1.xml", "<x/>"}));
    EXPECT_EQ(members[1].first, "empty.bin");
    EXPECT_EQ(members[1].second, "");
    EXPECT_EQ(members[2].second, big);
    // The empty entry has CRC 0; the others are the zlib CRC-32 of their data.
    EXPECT_EQ(crc32Of(Bytes().span()), 0u);
    EXPECT_EQ(crc32Of(Bytes(std::string_view("abc")).span()), 0x352441C2u);
    EXPECT_EQ(crc32Of(Bytes(std::string_view("123456789")).span()), 0xCBF43926u);
}

TEST(ZipArchive, InputPastTheFormatLimitsIsRefusedBeforeAnythingIsWritten) {
    std::vector<ArchiveEntry> entries;
    addTextEntry(entries, std::string(maxArchivePathBytes, 'n'), "x");
    EXPECT_TRUE(makeArchive(entries).ok());
    addTextEntry(entries, std::string(maxArchivePathBytes + 1, 'n'), "x");
    EXPECT_FALSE(makeArchive(entries).ok());

    std::vector<ArchiveEntry> many(maxArchiveEntries, ArchiveEntry{"e", Bytes()});
    auto full = makeArchive(many);
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(le16(full->data() + full->size() - 12), 0xFFFF);
    many.push_back(ArchiveEntry{"e", Bytes()});
    auto over = makeArchive(many);
    ASSERT_FALSE(over.ok());
    EXPECT_NE(over.error().message.find("65535"), std::string::npos);

    // A streaming writer refuses the entry itself and writes none of it.
    struct CountingSink : ByteSink {
        std::size_t bytes = 0;
        Status write(std::span<const std::uint8_t> data) override {
            bytes += data.size();
            return success();
        }
    } sink;
    ZipArchiveWriter writer(sink);
    ASSERT_TRUE(writer.add("ok", Bytes(std::string_view("1")).span()).ok());
    const auto before = sink.bytes;
    EXPECT_FALSE(writer.add(std::string(maxArchivePathBytes + 1, 'n'), {}).ok());
    EXPECT_EQ(sink.bytes, before);
    EXPECT_FALSE(writer.finish().ok()) << "a refused writer must not produce an end record";
}

TEST(ZipArchive, SinkFailureEndsTheArchive) {
    struct FailingSink : ByteSink {
        int writes = 0;
        Status write(std::span<const std::uint8_t>) override {
            if (++writes > 2)
                return Error{"disk full"};
            return success();
        }
    } sink;
    ZipArchiveWriter writer(sink);
    EXPECT_TRUE(writer.add("a", Bytes(std::string_view("1")).span()).ok());
    auto failed = writer.add("b", Bytes(std::string_view("2")).span());
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().message, "disk full");
    EXPECT_FALSE(writer.finish().ok());
}

}  // namespace
}  // namespace mosavelle
