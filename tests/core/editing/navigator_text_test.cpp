#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/editing/navigator_text.h"

namespace mosavelle {
namespace {

TEST(SlidePayload, RoundTripsSkipsDamagedPiecesAndNeedsThePrefix) {
    const Uuid a = Uuid::random(), b = Uuid::random();
    EXPECT_EQ(parseSlidePayload(makeSlidePayload({a, b})), (std::vector<Uuid>{a, b}));

    // A malformed identifier between two good ones, empty pieces, surrounding white space and a
    // lower-case identifier: the good ones survive in payload order.
    std::string lower = b.text();
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string text = " \n mosavelle-slides:" + a.text() + ",,not-an-id," + lower + ",\r\n";
    EXPECT_EQ(parseSlidePayload(text), (std::vector<Uuid>{a, b}));

    // Text without the exact prefix, or with nothing after it, carries no slides.
    EXPECT_TRUE(parseSlidePayload(a.text()).empty());
    EXPECT_TRUE(parseSlidePayload("Mosavelle-Slides:" + a.text()).empty());
    EXPECT_TRUE(parseSlidePayload("x mosavelle-slides:" + a.text()).empty());
    EXPECT_TRUE(parseSlidePayload("mosavelle-slides:").empty());
    EXPECT_TRUE(parseSlidePayload("mosavelle-slides:" + a.text() + "0").empty());
}

TEST(SlideDisplayName, PrefersTitleThenPictureNameThenLayout) {
    Project project;
    SourceImage picture;
    picture.id = Uuid::random();
    picture.originalFileName = "IMG_0001.JPG";
    project.images.push_back(picture);

    Slide slide = singleImageSlide(picture.id, "");
    EXPECT_EQ(slideDisplayName(slide, project), "IMG_0001.JPG");
    slide.title = " Holiday ";
    EXPECT_EQ(slideDisplayName(slide, project), " Holiday ");

    Slide unknown = singleImageSlide(Uuid::random(), "");
    unknown.layout = SlideLayoutKind::twoUp;
    EXPECT_EQ(slideDisplayName(unknown, project), "Two images");
    // Only the first slot counts, even when a later one names a picture.
    Slide firstEmpty;
    firstEmpty.layout = SlideLayoutKind::fourGrid;
    firstEmpty.slots = {emptySlot(), singleImageSlide(picture.id, "").slots.front()};
    EXPECT_EQ(slideDisplayName(firstEmpty, project), "Four-image grid");
}

}  // namespace
}  // namespace mosavelle
