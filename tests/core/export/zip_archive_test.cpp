#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/export/zip_archive.h"
#include "support/package_reader.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

std::string hex(const Bytes& bytes) {
    std::string out;
    for (auto b : bytes)
        out += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    return out;
}

std::string withoutSpaces(std::string text) {
    std::erase(text, ' ');
    return text;
}

struct Member {
    std::string path;
    Bytes data;
};

Member text(std::string path, std::string_view content) {
    return {std::move(path), Bytes(content)};
}

// The archive of `members`, in order, written through a ZipArchiveWriter into memory.
Result<Bytes> archiveOf(const std::vector<Member>& members, ZipLimits limits = {}) {
    struct MemorySink : ByteSink {
        std::vector<std::uint8_t> data;
        Status write(std::span<const std::uint8_t> bytes) override {
            data.insert(data.end(), bytes.begin(), bytes.end());
            return success();
        }
    } sink;
    ZipArchiveWriter writer(sink, limits);
    for (const auto& member : members)
        if (auto added = writer.add(member.path, member.data.span()); !added)
            return added.error();
    if (auto finished = writer.finish(); !finished)
        return finished.error();
    return Bytes(std::move(sink.data));
}

TEST(ZipArchive, OneSmallEntryAndTheEmptyListMatchTheFormatByteForByte) {
    auto archive = archiveOf({text("a.txt", "abc")});
    ASSERT_TRUE(archive.ok()) << archive.error().message;
    // Local header, name, data; central header (local at offset 0), name; end record with both
    // counts 1 and a central directory of 51 bytes (0x33) at offset 38 (0x26).
    EXPECT_EQ(hex(*archive),
              withoutSpaces("504b0304 1400 0000 0000 0000 2100 c2412435 03000000 03000000 0500 0000"
                            " 612e747874 616263"
                            " 504b0102 1400 1400 0000 0000 0000 2100 c2412435 03000000 03000000"
                            " 0500 0000 0000 0000 0000 00000000 00000000 612e747874"
                            " 504b0506 0000 0000 0100 0100 33000000 26000000 0000"));

    auto empty = archiveOf({});
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(hex(*empty), withoutSpaces("504b0506 0000 0000 0000 0000 00000000 00000000 0000"));
}

TEST(ZipArchive, SeveralEntriesReadBackWithSlashedNamesAndMatchingOffsets) {
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 251);
    auto archive = archiveOf({text("ppt\\slides\\slide1.xml", "<x/>"), text("empty.bin", ""),
                              text("ppt/media/image1.jpg", big)});
    ASSERT_TRUE(archive.ok());
    auto members = testing::readPackage(*archive);
    ASSERT_TRUE(members.has_value()) << "local headers disagree with the central directory";
    EXPECT_EQ(*members, (std::vector<testing::PackageMember>{{"ppt/slides/slide1.xml", "<x/>"},
                                                             {"empty.bin", ""},
                                                             {"ppt/media/image1.jpg", big}}));
}

TEST(ZipArchive, OverlongNameIsRefusedBeforeAnythingIsWritten) {
    std::vector<Member> members{text(std::string(maxArchivePathBytes, 'n'), "x")};
    EXPECT_TRUE(archiveOf(members).ok());
    members.push_back(text(std::string(maxArchivePathBytes + 1, 'n'), "x"));
    EXPECT_FALSE(archiveOf(members).ok());

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

// Limits lowered far below the format's own stand in for a package past 4 GiB or 65,535 parts:
// the same records are written, and unzip must find every member through them.
TEST(ZipArchive, Zip64RecordsAppearWhenAndOnlyWhenTheLimitsArePassed) {
    std::vector<Member> entries{text("a.txt", "abc"), text("big.bin", std::string(300, 'b'))};
    for (const char* name : {"c.txt", "d.txt", "e.txt"})
        entries.push_back(text(name, name));
    auto plain = archiveOf(entries, ZipLimits{600, 6});
    ASSERT_TRUE(plain.ok());
    EXPECT_EQ(*plain, archiveOf(entries).value());

    testing::TempDir folder;
    for (const auto& [limits, what] : std::vector<std::pair<ZipLimits, std::string>>{
             {ZipLimits{100, 0xFFFF}, "a large entry and offsets"},
             {ZipLimits{0xFFFFFFFF, 5}, "the entry count"},
             {ZipLimits{450, 0xFFFF}, "the last offset and the central directory's"}}) {
        auto archive = archiveOf(entries, limits);
        ASSERT_TRUE(archive.ok());
        // The locator, just before the 22-byte end record, points at the ZIP64 end record.
        const std::string_view all = archive->view(), locator = all.substr(all.size() - 42, 20);
        std::uint64_t recordAt = 0;
        for (int i = 7; i >= 0; --i)
            recordAt = recordAt << 8 | std::uint8_t(locator[8 + i]);
        EXPECT_EQ(recordAt, all.rfind("PK\x06\x06")) << what;
        const auto path = folder / "zip64.zip";
        testing::writeFileBytes(path, *archive);
        const std::string quoted = "'" + path.string() + "'";
        EXPECT_EQ(std::system(("unzip -tqq " + quoted + " >/dev/null 2>&1").c_str()), 0) << what;
    }

    // A size equal to the limit already needs the ZIP64 field: in the 32-bit field it would
    // read as the marker itself.
    auto atLimit = archiveOf({text("big.bin", std::string(300, 'b'))}, ZipLimits{300, 0xFFFF});
    ASSERT_TRUE(atLimit.ok());
    const auto sizeField = atLimit->view().substr(22, 4);  // uncompressed size, local header
    EXPECT_EQ(sizeField, std::string_view("\xFF\xFF\xFF\xFF", 4));
}

TEST(ZipArchive, OneSinkFailureEndsTheArchiveEvenIfLaterWritesWouldSucceed) {
    // Only the third write fails: an archive that went on would have a hole in it.
    struct FailingSink : ByteSink {
        int writes = 0;
        Status write(std::span<const std::uint8_t>) override {
            return ++writes == 3 ? Status(Error{"disk full"}) : success();
        }
    } sink;
    ZipArchiveWriter writer(sink);
    EXPECT_TRUE(writer.add("a", Bytes(std::string_view("1")).span()).ok());
    auto failed = writer.add("b", Bytes(std::string_view("2")).span());
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().message, "disk full");
    EXPECT_FALSE(writer.add("c", Bytes(std::string_view("3")).span()).ok());
    EXPECT_FALSE(writer.finish().ok());
}

}  // namespace
}  // namespace mosavelle
