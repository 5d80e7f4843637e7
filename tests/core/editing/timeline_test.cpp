#include <gtest/gtest.h>

#include "core/editing/deck_fixture.h"
#include "core/editing/slide_settings.h"
#include "core/editing/timeline.h"

namespace mosavelle {
namespace {

using namespace std::chrono;
using Timeline = testing::DeckTest<5>;

// p1...p4 taken on 12 and 13 May 2024 (a gap of 3.5 hours after p2), shuffled; p5 undated.
void dateThePictures(Timeline& t) {
    const auto day = sys_days{2024y / May / 12};
    const Timestamp taken[] = {day + 9h, day + 10h + 30min, day + 14h, day + 24h + 8h};
    t.setProject([&](Project& p) {
        for (int i = 0; i < 4; ++i)
            p.images[i].captureDate = taken[i];
        p.slides.permute({3, 1, 4, 0, 2});
    });
}

TEST_F(Timeline, GapSectionsSortByDateAreTitledInTheLocaleAndDoNotRepeat) {
    dateThePictures(*this);
    insertSectionsAtTimeGaps(doc(), {}, "en_US");
    EXPECT_EQ(deck(), "S p1 p2 S p3 S p4 p5");
    EXPECT_EQ(titles()[5], "May 13, 2024");
    EXPECT_EQ(history->undoName(), "Insert Sections at Time Gaps");

    const Project once = doc().project();
    insertSectionsAtTimeGaps(doc(), {}, "en_US");
    EXPECT_EQ(doc().project(), once);  // the same dividers, no second step
    EXPECT_EQ(history->undoCount(), 1u);

    insertSectionsAtTimeGaps(doc(), {.eachDay = true}, "en_US");
    EXPECT_EQ(deck(), "S p1 p2 p3 S p4 p5");
    history->undo();
    history->undo();
    EXPECT_EQ(deck(), "p4 p2 p5 p1 p3");
    // The local reading is the date, whatever the process's zone.
    EXPECT_EQ(sectionTitle(sys_days{2024y / May / 12} + 23h + 59min, "Lisboa", "de_DE"),
              "12. Mai 2024 \u2013 Lisboa");
}

// A phone that records its zone (UTC+2) and a camera that does not (read as UTC), whose clock
// turns out 70 minutes fast.
TEST_F(Timeline, OffsetsOrderTheDeckAndAligningClocksIsOneStepForEveryPictureOfTheCamera) {
    const auto day = sys_days{2024y / May / 12};
    setProject([&](Project& p) {
        const auto camera = [&](int i, Timestamp t, std::optional<std::int32_t> offset,
                                const char* model) {
            SourceImage& image = p.images.edit(i);
            image.captureDate = t;
            image.metadata.captured = CaptureMoment{"", offset};
            image.metadata.cameraMake = "Maker";
            image.metadata.cameraModel = model;
        };
        camera(0, day + 10h, 120, "Phone");  // 08:00 UTC
        camera(1, day + 9h + 30min, {}, "Camera");
        camera(2, day + 9h + 10min, {}, "Camera");
        camera(3, day + 10h + 45min, 120, "Phone");  // 08:45 UTC
        p.slides.permute({2, 1, 0, 3, 4});
    });
    changeSortMode(doc(), SortMode::captureDate);
    EXPECT_EQ(deck(), "p1 p4 p3 p2 p5");

    // p3 (camera, 09:10) and p1 (phone, 08:00 UTC) were taken at the same moment.
    const auto alignment = cameraClockAlignment(doc().project(), slide(3), slide(1));
    ASSERT_TRUE(alignment);
    EXPECT_EQ(alignment->camera, (CameraIdentity{"Maker", "Camera", ""}));
    EXPECT_EQ(alignment->correctionSeconds, -70 * 60);
    EXPECT_FALSE(cameraClockAlignment(doc().project(), slide(3), slide(4)));  // one camera
    alignCameraClocks(doc(), slide(1), slide(3));
    EXPECT_EQ(history->undoName(), "Align Camera Clocks");
    EXPECT_EQ(deck(), "p1 p3 p2 p4 p5");  // p3 ties with p1 at 08:00; names break the tie

    // A picture the camera takes later is corrected too.
    setProject([&](Project& p) {
        SourceImage later = p.images[1];
        later.id = Uuid::random();
        later.originalFileName = "p6";
        later.captureDate = day + 9h + 5min;
        p.images.push_back(later);
        p.slides.push_back(singleImageSlide(later.id, ""));
    });
    changeSortMode(doc(), SortMode::captureDate);
    EXPECT_EQ(deck(), "p6 p1 p3 p2 p4 p5");
    history->undo();
    history->undo();
    EXPECT_TRUE(doc().project().cameraClocks.empty());
    EXPECT_EQ(deck(), "p1 p4 p3 p2 p5");
}

}  // namespace
}  // namespace mosavelle
