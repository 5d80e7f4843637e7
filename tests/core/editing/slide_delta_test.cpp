#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/editing/deck_fixture.h"
#include "core/editing/import_items.h"
#include "core/editing/selection.h"
#include "core/editing/slide_operations.h"
#include "core/editing/slide_settings.h"

namespace mosavelle {
namespace {

using testing::DeckFixture;
using Kind = SlideRowChange::Kind;

template <class List>
std::vector<Uuid> idsOf(const List& slides) {
    std::vector<Uuid> ids;
    for (const auto& slide : slides)
        ids.push_back(slide.id);
    return ids;
}

// Replays `delta` on `ids` the way a list model would, checking every step against the rows it
// claims to touch. Identifiers named by update steps are added to `updated`.
void replay(std::vector<Uuid>& ids, const SlideListDelta& delta, std::set<Uuid>& updated) {
    for (const auto& step : delta.rows) {
        ASSERT_EQ(step.count, step.ids.size());
        ASSERT_GE(step.count, 1u);
        const auto first = ids.begin() + static_cast<std::ptrdiff_t>(step.row);
        if (step.kind == Kind::insert) {
            ASSERT_LE(step.row, ids.size());
            ids.insert(first, step.ids.begin(), step.ids.end());
            continue;
        }
        ASSERT_LE(step.row + step.count, ids.size());
        const auto last = first + static_cast<std::ptrdiff_t>(step.count);
        ASSERT_TRUE(std::equal(first, last, step.ids.begin())) << "rows hold other slides";
        if (step.kind == Kind::remove) {
            ids.erase(first, last);
        } else if (step.kind == Kind::update) {
            updated.insert(step.ids.begin(), step.ids.end());
        } else {
            ASSERT_LE(step.destination, ids.size());
            ASSERT_FALSE(step.destination >= step.row && step.destination <= step.row + step.count)
                << "a move onto itself is not a valid row move";
            ids.erase(first, last);
            const std::size_t at =
                step.destination > step.row ? step.destination - step.count : step.destination;
            ids.insert(ids.begin() + static_cast<std::ptrdiff_t>(at), step.ids.begin(),
                       step.ids.end());
        }
    }
}

// A slide that kept its identifier is named by an update step exactly when its value changed.
template <class List>
void checkUpdates(const List& before, const List& after, const std::set<Uuid>& updated) {
    for (const auto& slide : after) {
        const auto old = std::find_if(before.begin(), before.end(),
                                      [&](const Slide& s) { return s.id == slide.id; });
        if (old == before.end())
            continue;
        EXPECT_EQ(updated.count(slide.id) != 0, !(*old == slide))
            << "update steps must name exactly the changed slides";
    }
}

// Follows every project change of a document with a replayed copy of its slide list.
class DeltaFollower {
public:
    explicit DeltaFollower(MosavelleDocument& document)
        : document_(document), slides_(document.project().slides) {
        document.addObserver([this](const DocumentChange& change) {
            if (change.kind == DocumentChangeKind::project)
                follow(change.slides);
        });
    }
    int changes = 0;

private:
    void follow(const SlideListDelta& delta) {
        ++changes;
        const auto& now = document_.project().slides;
        std::vector<Uuid> ids = idsOf(slides_);
        std::set<Uuid> updated;
        if (delta.reset) {
            EXPECT_TRUE(delta.rows.empty());
        } else {
            replay(ids, delta, updated);
            EXPECT_EQ(ids, idsOf(now));
            checkUpdates(slides_, now, updated);
        }
        // A slide an edit left as it was stays shared with the copy the undo step keeps.
        for (std::size_t j = 0; j < now.size(); ++j) {
            for (std::size_t i = 0; i < slides_.size(); ++i) {
                const SlideList& old = slides_;  // read without writing
                if (old[i].id == now[j].id && old[i] == now[j]) {
                    EXPECT_TRUE(old.sameElement(i, now, j)) << "unchanged slide was copied";
                }
            }
        }
        for (std::size_t i = 0; i < now.size(); ++i)
            EXPECT_EQ(document_.slidePosition(now[i].id), i);
        slides_ = now;
    }

    MosavelleDocument& document_;
    SlideList slides_;
};

struct Operation {
    std::string name;
    std::function<void(DeckFixture&)> run;
};

const std::vector<Operation>& operations() {
    static const std::vector<Operation> all{
        {"delete",
         [](DeckFixture& d) {
             d.select({2, 3, 6}), deleteSelectedSlides(d.doc());
         }},
        {"duplicate",
         [](DeckFixture& d) {
             d.select({1, 3}), duplicateSelectedSlides(d.doc());
         }},
        {"rename", [](DeckFixture& d) { renameSlide(d.doc(), d.slide(4), " Hello "); }},
        {"section", [](DeckFixture& d) { d.select({5}), insertSectionDivider(d.doc()); }},
        {"group two-up",
         [](DeckFixture& d) {
             d.select({2, 3, 4}), groupSelectedSlides(d.doc(), SlideLayoutKind::twoUp);
         }},
        {"ungroup",
         [](DeckFixture& d) {
             d.select({1, 2}), groupSelectedSlides(d.doc(), SlideLayoutKind::twoUp);
             d.select({1}), ungroupSelectedSlides(d.doc());
         }},
        {"reorder down",
         [](DeckFixture& d) {
             reorderSlides(d.doc(), {d.slide(1), d.slide(2)}, d.slide(6));
         }},
        {"move up", [](DeckFixture& d) { d.select({4}), moveSelectedSlide(d.doc(), -1); }},
        {"move rows",
         [](DeckFixture& d) {
             moveSlides(d.doc(), {0, 3, 7}, 5);
         }},
        {"remove image",
         [](DeckFixture& d) {
             addImageToSlide(d.doc(), d.slide(2), d.slide(5));
             removeImageFromSlide(d.doc(), d.picture(2), d.slide(4));
         }},
        {"layout",
         [](DeckFixture& d) {
             d.select({3, 5}), changeLayout(d.doc(), SlideLayoutKind::section);
         }},
        {"placement to all",
         [](DeckFixture& d) {
             applyPlacementToAll(d.doc(), Placement{SizingMode::fill, {}, 0, 1});
         }},
        {"fit", [](DeckFixture& d) { d.select({2}), fitToSlide(d.doc()); }},
        {"edit caption",
         [](DeckFixture& d) {
             d.select({2, 3, 7});
             editSelectedSlides(
                 d.doc(), [](Slide& s) { s.slots[0].caption = "c"; }, "Edit Caption");
         }},
        {"live notes",
         [](DeckFixture& d) {
             d.select({6});
             d.doc().beginContinuousEdit();
             setNotesLive(d.doc(), "n");
             setCaptionPointsLive(d.doc(), 20);
             d.doc().endContinuousEdit("Edit Notes");
         }},
        {"import",
         [](DeckFixture& d) {
             importItems(d.doc(), {testing::itemNamed("b.jpg"), testing::itemNamed("a.jpg")});
         }},
        {"sort", [](DeckFixture& d) { changeSortMode(d.doc(), SortMode::reverseFilename); }},
        {"import sorted",
         [](DeckFixture& d) {
             changeSortMode(d.doc(), SortMode::filename);
             importItems(d.doc(), {testing::itemNamed("p35"), testing::itemNamed("p0")});
         }},
    };
    return all;
}

class SlideDeltaTest : public ::testing::TestWithParam<Operation> {};

TEST_P(SlideDeltaTest, ReplayedDeltasFollowTheOperationItsUndoAndItsRedo) {
    DeckFixture deck(8);
    DeltaFollower follower(deck.doc());
    GetParam().run(deck);
    EXPECT_GT(follower.changes, 0);
    const auto after = deck.doc().project();
    while (deck.history->canUndo())
        deck.history->undo();
    while (deck.history->canRedo())
        deck.history->redo();
    EXPECT_EQ(deck.doc().project(), after);
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, SlideDeltaTest, ::testing::ValuesIn(operations()),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !std::isalnum(c); },
                                 '_');
                             return name;
                         });

TEST(SlideListDelta, RandomEditsReplayToTheNewListAndLargeShufflesReset) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::vector<Slide> before(random() % 12);
        std::vector<Slide> after;
        for (const auto& slide : before)
            if (random() % 4)
                after.push_back(slide);
        for (int i = int(random() % 4); i > 0; --i)
            after.insert(after.begin() + long(random() % (after.size() + 1)), Slide{});
        if (!after.empty() && random() % 2) {
            const auto a = random() % after.size(), b = random() % after.size();
            std::swap(after[a], after[b]);
            after[b].notes = "changed";
        }
        const SlideListDelta delta = slideListDelta(before, after, 1000);
        ASSERT_FALSE(delta.reset);
        std::vector<Uuid> ids = idsOf(before);
        std::set<Uuid> updated;
        replay(ids, delta, updated);
        ASSERT_EQ(ids, idsOf(after)) << "round " << round;
        checkUpdates(before, after, updated);
    }

    std::vector<Slide> many(500);
    std::vector<Slide> reversed(many.rbegin(), many.rend());
    EXPECT_TRUE(slideListDelta(many, reversed).reset);
    // A damaged list repeating an identifier: replayed right where it can be told, else reset.
    const std::vector<Slide> twice{many[0], many[0]};
    const SlideListDelta repeated = slideListDelta(many, twice);
    std::vector<Uuid> ids = idsOf(many);
    std::set<Uuid> updated;
    if (!repeated.reset)
        replay(ids, repeated, updated);
    EXPECT_TRUE(repeated.reset || ids == idsOf(twice));
    EXPECT_TRUE(slideListDelta(many, std::vector<Slide>{many[2], many[1], many[1]}).reset);
}

TEST(SelectionChange, NamesTheSlidesThatLeftAndJoined) {
    DeckFixture deck(4);
    deck.select({1, 2});
    std::vector<DocumentChange> changes;
    deck.doc().addObserver([&](const DocumentChange& c) { changes.push_back(c); });
    deck.select({2, 3, 4});
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].selectionLeft, std::vector<Uuid>{deck.slide(1)});
    std::vector<Uuid> joined{deck.slide(3), deck.slide(4)};
    std::sort(joined.begin(), joined.end());
    EXPECT_EQ(changes[0].selectionJoined, joined);
}

}  // namespace
}  // namespace mosavelle
