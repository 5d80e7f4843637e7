#include <gtest/gtest.h>

#include "core/editing/deck_fixture.h"
#include "core/editing/selection.h"
#include "core/editing/slide_operations.h"

namespace mosavelle {
namespace {

using Positions = std::vector<int>;

using SelectionProtocol = testing::DeckTest<5>;

TEST_F(SelectionProtocol, PrimarySlideIgnoresStaleIdentifiersAndExcludedFallbacks) {
    doc().setSelectedSlideIDs({Uuid::random(), slide(4), slide(2)});
    EXPECT_EQ(primarySlide(doc())->id, slide(2));
    EXPECT_EQ(selectedSlides(doc()).size(), 2u);
    EXPECT_EQ(selectedSlides(doc())[1].id, slide(4));

    setProject([](Project& p) { p.slides[0].isExcluded = true; });
    doc().setSelectedSlideIDs({Uuid::random()});
    EXPECT_EQ(primarySlide(doc())->id, slide(2));
    setProject([](Project& p) {
        for (auto& slide : p.slides)
            slide.isExcluded = true;
    });
    EXPECT_FALSE(primarySlide(doc()));
}

TEST_F(SelectionProtocol, SelectSlideTogglesOnlyWhenExtending) {
    selectSlide(doc(), slide(1), false);
    selectSlide(doc(), slide(3), true);
    EXPECT_EQ(selection(), (Positions{1, 3}));
    selectSlide(doc(), slide(1), true);
    EXPECT_EQ(selection(), Positions{3});
    selectSlide(doc(), slide(5), false);
    EXPECT_EQ(selection(), Positions{5});
}

TEST_F(SelectionProtocol, MoveSelectionStepsOutwardAndStopsAtTheEnds) {
    select({2, 3});
    moveSelection(doc(), +1);
    EXPECT_EQ(selection(), Positions{4});
    select({2, 3});
    moveSelection(doc(), -1);
    EXPECT_EQ(selection(), Positions{1});
    moveSelection(doc(), -1);
    EXPECT_EQ(selection(), Positions{1});
    select({5});
    moveSelection(doc(), +1);
    EXPECT_EQ(selection(), Positions{5});
    doc().setSelectedSlideIDs({Uuid::random()});
    moveSelection(doc(), +1);
    EXPECT_TRUE(selection().empty());
}

TEST_F(SelectionProtocol, FocusRepeatsOnTheNextTurnWhileTheSlideExists) {
    const auto before = doc().previewCommitGeneration();
    focusSlide(doc(), slide(3));
    EXPECT_EQ(selection(), Positions{3});
    EXPECT_EQ(doc().committedPreviewSlideID(), slide(3));
    EXPECT_EQ(doc().previewCommitGeneration(), before + 1);
    // A view reacting in the same turn moves the selection; the second half puts it back.
    select({1});
    doc().setCommittedPreviewSlideID(slide(1));
    doc().runPostedTasks();
    EXPECT_EQ(selection(), Positions{3});
    EXPECT_EQ(doc().committedPreviewSlideID(), slide(3));
    EXPECT_EQ(doc().previewCommitGeneration(), before + 2);

    const Uuid gone = slide(4);
    focusSlide(doc(), gone);
    select({4});
    deleteSelectedSlides(doc());
    doc().runPostedTasks();
    EXPECT_EQ(selection(), Positions{4});  // the neighbour chosen by the delete stays

    const auto generation = doc().previewCommitGeneration();
    focusSlide(doc(), Uuid::random());
    doc().runPostedTasks();
    EXPECT_EQ(doc().previewCommitGeneration(), generation);
}

TEST_F(SelectionProtocol, OnlyTheNewestPreviewCommitApplies) {
    select({2});
    const auto stale = nextPreviewGeneration(doc());
    select({3});
    const auto current = nextPreviewGeneration(doc());
    commitPreviewIfCurrent(doc(), stale);
    EXPECT_FALSE(doc().committedPreviewSlideID());
    commitPreviewIfCurrent(doc(), current);
    EXPECT_EQ(doc().committedPreviewSlideID(), slide(3));

    const auto pending = nextPreviewGeneration(doc());
    // A view hears of the drag once, and then already with the dragged slides.
    std::vector<std::vector<Uuid>> heard;
    doc().addObserver([&](const DocumentChange& change) {
        if (change.kind == DocumentChangeKind::dragState && doc().isDraggingSlide())
            heard.push_back(doc().draggingSlideIDs());
    });
    doc().setDraggingSlideIDs({slide(4)});  // left over from an earlier drag
    heard.clear();
    beginSlideDrag(doc(), {slide(1), slide(2)});
    EXPECT_EQ(heard, (std::vector<std::vector<Uuid>>{{slide(1), slide(2)}}));
    EXPECT_TRUE(doc().isDraggingSlide());
    EXPECT_EQ(doc().draggingSlideIDs(), (std::vector<Uuid>{slide(1), slide(2)}));
    select({5});
    commitPreviewIfCurrent(doc(), pending);
    EXPECT_EQ(doc().committedPreviewSlideID(), slide(3));
}

}  // namespace
}  // namespace mosavelle
