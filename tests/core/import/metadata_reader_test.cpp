#include "core/import/metadata_reader.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "support/tagged_pictures.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

using testing::TempDir;
using testing::writeTaggedPicture;

class MetadataReaderTest : public ::testing::Test {
protected:
    PictureMetadata read(const std::vector<std::string>& tags,
                         const std::string& base = "orient-1.jpg") {
        const auto path = writeTaggedPicture(dir_.path(), "tagged-" + base, tags, base);
        return readPictureMetadata(testing::readFileBytes(path).span());
    }
    TempDir dir_;
};

TEST_F(MetadataReaderTest, XmpWinsOverIptcWhichWinsOverExif) {
    MOSAVELLE_REQUIRE_EXIFTOOL();
    const std::vector<std::string> exif{"-XPTitle=Exif title", "-ImageDescription=Exif text",
                                        "-XPKeywords=exif one;exif two"};
    const std::vector<std::string> iptc{"-IPTC:ObjectName=Iptc title",
                                        "-IPTC:Caption-Abstract=Iptc text", "-IPTC:Keywords=iptc",
                                        "-IPTC:City=Lyon"};
    const std::vector<std::string> xmp{"-XMP-dc:Title=Xmp title", "-XMP-dc:Description=Xmp text",
                                       "-XMP-dc:Subject=xmp"};
    auto all = exif;
    all.insert(all.end(), iptc.begin(), iptc.end());
    const PictureMetadata exifOnly = read(exif);
    EXPECT_EQ(exifOnly.title, "Exif title");
    EXPECT_EQ(exifOnly.description, "Exif text");
    EXPECT_EQ(exifOnly.keywords, (std::vector<std::string>{"exif one", "exif two"}));
    const PictureMetadata withIptc = read(all);
    EXPECT_EQ(withIptc.title, "Iptc title");
    EXPECT_EQ(withIptc.description, "Iptc text");
    EXPECT_EQ(withIptc.keywords, std::vector<std::string>{"iptc"});
    all.insert(all.end(), xmp.begin(), xmp.end());
    const PictureMetadata withXmp = read(all);
    EXPECT_EQ(withXmp.title, "Xmp title");
    EXPECT_EQ(withXmp.description, "Xmp text");
    EXPECT_EQ(withXmp.keywords, std::vector<std::string>{"xmp"});
    EXPECT_EQ(withXmp.city, "Lyon");  // only IPTC holds it
    // A headline stands in for a missing XMP title, still ahead of IPTC.
    EXPECT_EQ(read({"-IPTC:ObjectName=Iptc title", "-XMP-photoshop:Headline=Headline"}).title,
              "Headline");
}

TEST_F(MetadataReaderTest, DecodesEachFieldsDeclaredEncoding) {
    MOSAVELLE_REQUIRE_EXIFTOOL();
    // XP fields are UTF-16; UserComment
    // carries its character code, here UNICODE in the big-endian order of this fixture's block.
    const PictureMetadata m =
        read({"-XPTitle=Plage \xE6\xB5\xB7 d\xC3\xA9"
              "but",
              "-UserComment=\xC3\x89t\xC3\xA9 au lac"});
    EXPECT_EQ(m.title,
              "Plage \xE6\xB5\xB7 d\xC3\xA9"
              "but");
    EXPECT_EQ(m.description, "\xC3\x89t\xC3\xA9 au lac");
    // IPTC: UTF-8 when the coded character set says so, Latin-1 when it says nothing.
    EXPECT_EQ(
        read({"-IPTC:CodedCharacterSet=UTF8", "-IPTC:Caption-Abstract=Caf\xC3\xA9"}).description,
        "Caf\xC3\xA9");
    EXPECT_EQ(read({"-charset", "iptc=Latin", "-IPTC:Caption-Abstract=Caf\xC3\xA9"}).description,
              "Caf\xC3\xA9");
    // Bytes that are no UTF-8 in a field read as UTF-8 give replacement characters.
    EXPECT_EQ(read({"-ImageDescription=A\xFF"
                    "B"})
                  .description,
              "A\xEF\xBF\xBD"
              "B");
}

TEST_F(MetadataReaderTest, CleansCutsAndReadsTheCameraFields) {
    MOSAVELLE_REQUIRE_EXIFTOOL();
    const std::string longText(maxMetadataTextLength + 500, 'x');
    const PictureMetadata m =
        read({"-XMP-dc:Description=" + longText, "-XMP-dc:Title=  Two\tlines\n\nhere  ",
              "-DateTimeOriginal=2021:07:04 18:30:00", "-OffsetTimeOriginal=-05:30", "-Make=Maker",
              "-Model=Model 7", "-ExifIFD:SerialNumber=SN42", "-Artist=Ann", "-GPSLatitude=48.5",
              "-GPSLatitudeRef=S", "-GPSLongitude=2.25", "-GPSLongitudeRef=E",
              "-ImageDescription=OLYMPUS DIGITAL CAMERA"});
    EXPECT_EQ(m.description, std::string(maxMetadataTextLength, 'x'));
    EXPECT_EQ(m.title, "Two lines here");
    ASSERT_TRUE(m.captured);
    EXPECT_EQ(m.captured->localTime, "2021-07-04T18:30:00");
    EXPECT_EQ(m.captured->utcOffsetMinutes, -330);
    EXPECT_EQ(m.cameraMake, "Maker");
    EXPECT_EQ(m.cameraModel, "Model 7");
    EXPECT_EQ(m.bodySerialNumber, "SN42");
    EXPECT_EQ(m.artist, "Ann");
    EXPECT_EQ(m.position, (GeoPosition{-48.5, 2.25}));
    // A camera's own boilerplate describes nothing.
    EXPECT_FALSE(read({"-ImageDescription=OLYMPUS DIGITAL CAMERA"}).description);
}

TEST_F(MetadataReaderTest, DamagedOrForeignBytesGiveWhatStillReads) {
    MOSAVELLE_REQUIRE_EXIFTOOL();
    const auto path = writeTaggedPicture(
        dir_.path(), "damaged.jpg", {"-ImageDescription=Exif text", "-XMP-dc:Title=Xmp title"});
    std::string bytes = testing::slurp(path);
    // Break the EXIF block's TIFF header: the XMP block still counts.
    const std::size_t exif = bytes.find(std::string("Exif\0\0", 6));
    ASSERT_NE(exif, std::string::npos);
    bytes.replace(exif + 6, 8, "\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE");
    const auto span = [](const std::string& s) {
        return std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    };
    const PictureMetadata m = readPictureMetadata(span(bytes));
    EXPECT_EQ(m.title, "Xmp title");
    EXPECT_FALSE(m.description);
    // A file cut inside its metadata, and bytes of no picture at all, read without harm.
    (void)readPictureMetadata(span(bytes.substr(0, exif + 40)));
    EXPECT_TRUE(readPictureMetadata(span("not a picture")).empty());
}

}  // namespace
}  // namespace mosavelle
