#include <gtest/gtest.h>

#include "core/editing/deck_fixture.h"
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
    EXPECT_EQ(deck(), "p4 p2 p5 p1 p3");
    insertSectionsAtTimeGaps(doc(), {}, "en_US");
    EXPECT_EQ(deck(), "S p1 p2 S p3 S p4 p5");
    EXPECT_EQ(titles()[0], "May 12, 2024");
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

}  // namespace
}  // namespace mosavelle
