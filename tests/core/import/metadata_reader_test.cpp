#include "core/import/metadata_reader.h"

#include "support/tagged_pictures.h"

namespace mosavelle {
namespace {

class MetadataReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::haveExiftool())
            GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed";
    }
    PictureMetadata read(const std::vector<std::string>& tags) {
        return readPictureMetadata(
            testing::readFileBytes(testing::writeTaggedPicture(dir_.path(), "tagged.jpg", tags))
                .span());
    }
    testing::TempDir dir_;
};

TEST_F(MetadataReaderTest, XmpWinsOverIptcWhichWinsOverExif) {
    std::vector<std::string> tags{"-XPTitle=E", "-ImageDescription=E text", "-XPKeywords=e1;e2"};
    const auto summary = [&] {
        const PictureMetadata m = read(tags);
        return m.title.value_or("-") + "|" + m.description.value_or("-") + "|" + m.keywords.back() +
               std::to_string(m.keywords.size()) + "|" + m.city.value_or("-");
    };
    EXPECT_EQ(summary(), "E|E text|e22|-");
    tags.insert(tags.end(), {"-IPTC:ObjectName=I", "-IPTC:Caption-Abstract=I text",
                             "-IPTC:Keywords=i1", "-IPTC:City=Lyon"});
    EXPECT_EQ(summary(), "I|I text|i11|Lyon");
    tags.insert(tags.end(),
                {"-XMP-photoshop:Headline=H", "-XMP-dc:Description=X text", "-XMP-dc:Subject=x1"});
    EXPECT_EQ(summary(), "H|X text|x11|Lyon");  // a headline stands in for the XMP title
    tags.push_back("-XMP-dc:Title=X");
    EXPECT_EQ(summary(), "X|X text|x11|Lyon");
}

TEST_F(MetadataReaderTest, DecodesEachEncodingCleansCutsAndReadsTheCamera) {
    // XP fields are UTF-16; UserComment names its code, here UNICODE in the block's big-endian
    // order; IPTC is UTF-8 when its coded character set says so, else Latin-1.
    PictureMetadata m = read({"-XPTitle=\xE6\xB5\xB7 \xC3\xA9t\xC3\xA9",
                              "-UserComment=\xC3\x89t\xC3\xA9", "-XMP-dc:Creator=  A\tB\n\nC "});
    EXPECT_EQ(m.title.value_or("") + "|" + m.description.value_or("") + "|" + m.artist.value_or(""),
              "\xE6\xB5\xB7 \xC3\xA9t\xC3\xA9|\xC3\x89t\xC3\xA9|A B C");
    EXPECT_EQ(read({"-IPTC:CodedCharacterSet=UTF8", "-IPTC:City=Caf\xC3\xA9"}).city, "Caf\xC3\xA9");
    EXPECT_EQ(read({"-charset", "iptc=Latin", "-IPTC:City=Caf\xC3\xA9"}).city, "Caf\xC3\xA9");
    EXPECT_EQ(read({"-ImageDescription=A\xFF-B"}).description, "A\xEF\xBF\xBD-B");

    m = read({"-XMP-dc:Description=" + std::string(maxMetadataTextLength + 9, 'x'),
              "-DateTimeOriginal=2021:07:04 18:30:00", "-OffsetTimeOriginal=-05:30", "-Make=Maker",
              "-ExifIFD:SerialNumber=SN42", "-GPSLatitude=48.5", "-GPSLatitudeRef=S",
              "-GPSLongitude=2.25", "-GPSLongitudeRef=E"});
    EXPECT_EQ(m.description->size(), maxMetadataTextLength);
    EXPECT_EQ(m.captured, (CaptureMoment{"2021-07-04T18:30:00", -330}));
    EXPECT_EQ(m.cameraMake.value_or("") + m.bodySerialNumber.value_or(""), "MakerSN42");
    EXPECT_EQ(m.position, (GeoPosition{-48.5, 2.25}));
}

TEST_F(MetadataReaderTest, ADamagedBlockCostsOnlyItsOwnFields) {
    const auto path = testing::writeTaggedPicture(
        dir_.path(), "damaged.jpg", {"-ImageDescription=Exif text", "-XMP-dc:Title=Xmp title"});
    std::string bytes = testing::slurp(path);
    const std::size_t exif = bytes.find(std::string("Exif\0\0", 6));
    ASSERT_NE(exif, std::string::npos);
    bytes.replace(exif + 6, 8, 8, '\xEE');  // no TIFF header: exiv2's whole-file parse stops
    const PictureMetadata m =
        readPictureMetadata({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    EXPECT_EQ(m.title, "Xmp title");
    EXPECT_FALSE(m.description);
}

}  // namespace
}  // namespace mosavelle
