#include "core/import/embedded_preview.h"

#include <gtest/gtest.h>

#include "core/import/image_decoding.h"
#include "core/import/picture_test_util.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

using testing::describe;
using testing::fixtureBytes;

// The fixture's pixels are plain grey; only its EXIF thumbnail shows the scene, stored turned
// and padded with black bars. The preview comes back cut to the picture's shape and upright.
TEST(EmbeddedPreview, ShowsTheThumbnailUprightWithoutItsBars) {
    const Bytes file = fixtureBytes("embedded-thumbnail.jpg");
    ASSERT_TRUE(ensureVipsStarted());
    const auto decoded = decodeThumbnail(file, 64);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(describe(*decoded), "64x40 ....");

    const auto preview = readEmbeddedPreview(file, 64);
    ASSERT_TRUE(preview);
    EXPECT_EQ(describe(*preview), "64x40 RG..");
    // Asked smaller, it is scaled down and keeps its shape.
    const auto small = readEmbeddedPreview(file, 32);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->width, 32);
    EXPECT_EQ(small->height, 20);
}

// The TIFF's pixels are grey and its IFD1 thumbnail shows the scene; the HEIF file's thumbnail
// item is half its picture's size. Both are stored turned, and come back upright.
TEST(EmbeddedPreview, ReadsTiffAndHeifThumbnailsUpright) {
    ASSERT_TRUE(ensureVipsStarted());
    for (const char* name : {"embedded-thumbnail.tif", "embedded-thumbnail.heic"}) {
        const auto preview = readEmbeddedPreview(fixtureBytes(name), 64);
        ASSERT_TRUE(preview) << name;
        EXPECT_EQ(describe(*preview), "32x20 RG..") << name;
    }
}

TEST(EmbeddedPreview, AbsentWithoutOneOrWhenDamaged) {
    EXPECT_FALSE(readEmbeddedPreview(fixtureBytes("orient-1.jpg"), 64));
    EXPECT_FALSE(readEmbeddedPreview(fixtureBytes("picture.tif"), 64));
    EXPECT_FALSE(readEmbeddedPreview(Bytes(std::string_view("\xff\xd8\xff\xe1 not exif")), 64));
    // Cut anywhere, the file yields a preview or none, never a crash or a grey stand-in; cut
    // within its pixels, it still has its preview.
    const Bytes file = fixtureBytes("embedded-thumbnail.jpg");
    EXPECT_TRUE(readEmbeddedPreview(Bytes(file.data(), file.view().rfind("\xff\xda") + 40), 64));
    for (std::size_t length = 4; length < file.size(); length += 37) {
        const auto preview = readEmbeddedPreview(Bytes(file.data(), length), 64);
        if (preview) {
            EXPECT_EQ(describe(*preview), "64x40 RG..") << length;
        }
    }
}

}  // namespace
}  // namespace mosavelle
