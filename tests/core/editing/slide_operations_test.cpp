#include <gtest/gtest.h>

#include "core/editing/deck_fixture.h"
#include "core/editing/slide_clipboard.h"
#include "core/editing/slide_operations.h"

namespace mosavelle {
namespace {

using Titles = std::vector<std::string>;
using Positions = std::vector<int>;

class SlideOperations : public testing::DeckTest<5> {
protected:
    // Gives every slide its automatic title.
    void titleAutomatically() {
        setProject([](Project& p) {
            for (std::size_t i = 0; i < p.slides.size(); ++i)
                p.slides[i].title = "Slide " + std::to_string(i + 1);
        });
    }
};

TEST_F(SlideOperations, DeleteSelectsTheNearestUnselectedNeighbour) {
    doc().setSelectedSlideIDs({Uuid::random()});
    deleteSelectedSlides(doc());  // only stale identifiers: no edit
    EXPECT_EQ(history->undoCount(), 0u);
    titleAutomatically();
    select({2, 3});
    const Uuid fourth = slide(4);
    deleteSelectedSlides(doc());
    EXPECT_EQ(deck(), "p1 p4 p5");
    EXPECT_EQ(titles(), (Titles{"Slide 1", "Slide 2", "Slide 3"}));
    EXPECT_EQ(selection(), Positions{2});
    EXPECT_EQ(doc().committedPreviewSlideID(), fourth);
    EXPECT_EQ(history->undoName(), "Delete Slides");

    select({2, 3});  // the last two
    deleteSelectedSlides(doc());
    EXPECT_EQ(deck(), "p1");
    EXPECT_EQ(selection(), Positions{1});

    select({1});
    deleteSelectedSlides(doc());
    EXPECT_EQ(deck(), "");
    EXPECT_TRUE(doc().selectedSlideIDs().empty());
    EXPECT_FALSE(doc().committedPreviewSlideID());
    EXPECT_EQ(history->undoName(), "Delete Slide");

    for (int i = 0; i < 3; ++i)
        history->undo();
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5");
}

TEST_F(SlideOperations, DuplicateInsertsCopiesAfterTheLastSelected) {
    titleAutomatically();
    select({3, 1});
    duplicateSelectedSlides(doc());
    EXPECT_EQ(deck(), "p1 p2 p3 p1 p3 p4 p5");
    EXPECT_EQ(titles()[3], "Slide 1");  // not renumbered
    EXPECT_NE(slide(4), slide(1));
    EXPECT_NE(slideAt(4).slots[0].id, slideAt(1).slots[0].id);
    EXPECT_EQ(history->undoName(), "Duplicate Slides");
    EXPECT_EQ(selection(), (Positions{1, 3}));
}

TEST_F(SlideOperations, GroupCutsThePoolKeepsTheLeftoverAndNeedsTwoPictures) {
    select({1, 2});
    groupSelectedSlides(doc(), SlideLayoutKind::section);
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5");
    EXPECT_EQ(history->undoCount(), 0u);
    select({1, 2, 3});
    groupSelectedSlides(doc(), SlideLayoutKind::fourGrid);  // an empty fourth place
    EXPECT_EQ(deck(), "[p1,p2,p3,_] p4 p5");
    history->undo();
    select({2, 3, 4});
    setProject([](Project& p) {
        p.slides[1].notes = "first notes";
        p.sort = SortMode::filename;
    });
    groupSelectedSlides(doc(), SlideLayoutKind::twoUp);
    EXPECT_EQ(deck(), "p1 [p2,p3] p4 p5");
    EXPECT_EQ(titles(), (Titles{"", "Slide 2", "", ""}));
    EXPECT_EQ(slideAt(2).notes, "first notes");
    EXPECT_EQ(slideAt(3).notes, "");
    EXPECT_TRUE(slideAt(2).placementOverride);  // the common scale
    EXPECT_EQ(doc().project().sort, SortMode::manual);
    EXPECT_EQ(selection(), Positions{2});
    EXPECT_EQ(history->undoName(), "Group Slides");
}

TEST_F(SlideOperations, GroupDropsSectionSlidesAndKeepsExcludedOnesInPlace) {
    setProject([](Project& p) {
        p.slides[0].isExcluded = true;
        p.slides.insert(p.slides.begin() + 1, sectionDividerSlide());  // p1 S p2 ...
        p.slides[3].isExcluded = true;                                 // p3
    });
    select({1, 2, 3, 4, 5});  // p1(excluded) S p2 p3(excluded) p4
    groupSelectedSlides(doc(), SlideLayoutKind::twoUp);
    EXPECT_EQ(deck(), "p1 [p2,p4] p3 p5");  // where the first grouped slide stood
    EXPECT_TRUE(slideAt(3).isExcluded);
}

TEST_F(SlideOperations, UngroupSplitsFilledSlotsAndKeepsEmptyGroups) {
    select({1, 2, 3, 4});
    groupSelectedSlides(doc(), SlideLayoutKind::twoUp);  // [p1,p2] [p3,p4] p5
    setProject([](Project& p) {
        p.slides[0].notes = "kept";
        p.slides[0].title = "Pair";
        p.slides[1].slots = {emptySlot(), emptySlot()};
    });
    select({1, 2, 3});
    ungroupSelectedSlides(doc());
    EXPECT_EQ(deck(), "p1 p2 [_,_] p5");
    EXPECT_EQ(titles(), (Titles{"", "", "Slide 2", ""}));
    EXPECT_EQ(slideAt(1).notes, "kept");
    EXPECT_EQ(slideAt(2).notes, "kept");
    EXPECT_EQ(selection(), (Positions{1, 2}));  // the new slides, the first one shown
    EXPECT_EQ(doc().committedPreviewSlideID(), slide(1));
    EXPECT_EQ(history->undoName(), "Ungroup Slides");
}

TEST_F(SlideOperations, ReorderDropsBeforeOrAfterTheTargetAndNeedsAPlaceToGo) {
    setProject([](Project& p) { p.sort = SortMode::filename; });
    reorderSlides(doc(), {slide(1), slide(2)}, slide(2));  // the target is dragged
    reorderSlides(doc(), {slide(1)}, Uuid::random());      // no such target
    reorderSlides(doc(), {Uuid::random()}, slide(3));      // nothing to move
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5");
    EXPECT_EQ(history->undoCount(), 0u);
    EXPECT_EQ(doc().project().sort, SortMode::filename);
    reorderSlides(doc(), {slide(2), slide(1)}, slide(4));
    EXPECT_EQ(deck(), "p3 p4 p1 p2 p5");
    EXPECT_EQ(doc().project().sort, SortMode::manual);
    EXPECT_EQ(history->undoName(), "Reorder Slides");
    history->undo();
    reorderSlides(doc(), {slide(5)}, slide(2));
    EXPECT_EQ(deck(), "p1 p5 p2 p3 p4");
}

TEST_F(SlideOperations, MoveSelectedSlideTakesOneStepAndRegistersOnlyAMove) {
    setProject([](Project& p) { p.sort = SortMode::captureDate; });
    select({1});
    moveSelectedSlide(doc(), -1);
    ungroupSelectedSlides(doc());  // nothing to split
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5");
    EXPECT_EQ(history->undoCount(), 0u);
    EXPECT_EQ(doc().project().sort, SortMode::captureDate);  // nothing moved
    select({2, 3});
    moveSelectedSlide(doc(), +5);  // the last selected moves down one place
    EXPECT_EQ(deck(), "p1 p2 p4 p3 p5");
    select({2, 4});
    moveSelectedSlide(doc(), -1);  // the first selected moves up
    EXPECT_EQ(deck(), "p2 p1 p4 p3 p5");
    doc().setSelectedSlideIDs({});
    moveSelectedSlide(doc(), 1);
    EXPECT_EQ(history->undoCount(), 2u);
}

TEST_F(SlideOperations, MoveSlidesFollowsArrayMoveSemantics) {
    moveSlides(doc(), {0, 2}, 4);
    EXPECT_EQ(deck(), "p2 p4 p1 p3 p5");
    history->undo();
    moveSlides(doc(), {3, 4}, 0);
    EXPECT_EQ(deck(), "p4 p5 p1 p2 p3");
    history->undo();
    moveSlides(doc(), {1, 9}, 99);  // out-of-range indices are ignored
    EXPECT_EQ(deck(), "p1 p3 p4 p5 p2");
    history->undo();
    moveSlides(doc(), {1}, 1);
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5");
    EXPECT_EQ(history->undoCount(), 0u);  // nothing moved: no step
}

TEST_F(SlideOperations, AddImageToAFullSlideOrItselfIsRefused) {
    select({1, 2, 3, 4});
    groupSelectedSlides(doc(), SlideLayoutKind::fourGrid);  // [p1,p2,p3,p4] p5
    const std::size_t steps = history->undoCount();
    EXPECT_EQ(addImageToSlide(doc(), slide(2), slide(1)), AddImageResult::slideFull);
    EXPECT_EQ(addImageToSlide(doc(), slide(2), slide(2)), AddImageResult::notPossible);
    EXPECT_EQ(addImageToSlide(doc(), Uuid::random(), slide(2)), AddImageResult::notPossible);
    EXPECT_EQ(deck(), "[p1,p2,p3,p4] p5");
    EXPECT_EQ(history->undoCount(), steps);
}

TEST_F(SlideOperations, AddImageMergesAndRemovesAnEmptiedSource) {
    select({1, 2});
    groupSelectedSlides(doc(), SlideLayoutKind::twoUp);  // [p1,p2] p3 p4 p5
    const Uuid target = slide(1);
    EXPECT_EQ(addImageToSlide(doc(), slide(3), target), AddImageResult::added);
    EXPECT_EQ(deck(), "[p1,p2,p4,_] p3 p5");
    EXPECT_EQ(slideAt(1).layout, SlideLayoutKind::fourGrid);
    EXPECT_EQ(selection(), Positions{1});
    EXPECT_EQ(history->undoName(), "Add Image to Slide");

    // A source with pictures left is compacted: its first picture moves.
    EXPECT_EQ(addImageToSlide(doc(), target, slide(2)), AddImageResult::added);
    EXPECT_EQ(deck(), "[p2,p4] [p3,p1] p5");
    EXPECT_EQ(titles(), (Titles{"Slide 1", "Slide 2", ""}));
}

TEST_F(SlideOperations, RemoveImageSplitsOffANewSlideAfterIt) {
    select({2, 3});
    groupSelectedSlides(doc(), SlideLayoutKind::twoUp);  // p1 [p2,p3] p4 p5
    setProject([](Project& p) {
        p.slides[1].title = "Slide 4";
        p.slides[1].slots[1].caption = "third";
    });
    const Uuid grouped = slide(2);
    removeImageFromSlide(doc(), picture(3), grouped);
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5");
    EXPECT_EQ(slide(2), grouped);
    EXPECT_EQ(slideAt(2).title, "");
    EXPECT_FALSE(slideAt(2).placementOverride);
    EXPECT_EQ(slideAt(3).slots[0].caption, "third");
    EXPECT_EQ(selection(), Positions{2});
    EXPECT_EQ(history->undoName(), "Remove Image from Slide");

    const std::size_t steps = history->undoCount();
    removeImageFromSlide(doc(), picture(2), grouped);  // only one picture left
    removeImageFromSlide(doc(), picture(5), slide(1));
    EXPECT_EQ(history->undoCount(), steps);
}

TEST_F(SlideOperations, SectionDividerGoesAfterThePrimarySlide) {
    titleAutomatically();
    select({2});
    insertSectionDivider(doc());
    EXPECT_EQ(deck(), "p1 p2 S p3 p4 p5");
    EXPECT_EQ(titles(), (Titles{"Slide 1", "Slide 2", "Section", "Slide 4", "Slide 5", "Slide 6"}));
    EXPECT_EQ(selection(), Positions{3});
    doc().setSelectedSlideIDs({Uuid::random()});
    setProject([](Project& p) { p.slides[0].isExcluded = true; });
    insertSectionDivider(doc());  // the primary slide is the first included one
    EXPECT_EQ(deck(), "p1 p2 S S p3 p4 p5");
    select({1});
    insertSectionDividerBefore(doc());  // a title slide at the start
    EXPECT_EQ(deck(), "S p1 p2 S S p3 p4 p5");
}

TEST_F(SlideOperations, PastedSlidesCarryTheirPicturesIntoAnotherDeck) {
    doc().setImageBytes(picture(2), Bytes(std::string_view("two")));
    select({4, 2});
    const SlideClip clip = copySelectedSlides(doc());
    ASSERT_EQ(clip.slice.images.size(), 2u);

    // Into the same deck: after the last selected slide, pictures shared, the copies selected.
    select({5});
    pasteSlides(doc(), clip);
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5 p2 p4");
    EXPECT_EQ(doc().project().images.size(), 5u);
    EXPECT_EQ(selection(), (Positions{6, 7}));
    EXPECT_NE(slide(6), slide(2));
    EXPECT_EQ(history->undoName(), "Paste Slides");

    // Into an empty deck: the picture records and their bytes come along.
    MosavelleDocument other(Project{}, ImageDataMap{}, std::nullopt);
    pasteSlides(other, clip);
    EXPECT_EQ(other.project().slides.size(), 2u);
    EXPECT_EQ(other.project().images.size(), 2u);
    ASSERT_TRUE(other.imageData().count(picture(2)));
    EXPECT_EQ(other.project().slides[0].slots[0].imageID, picture(2));
}

TEST_F(SlideOperations, RenameTrimsAndRegistersOnlyAChange) {
    renameSlide(doc(), slide(2), "  Harbour \n");
    EXPECT_EQ(slideAt(2).title, "Harbour");
    renameSlide(doc(), Uuid::random(), "x");
    EXPECT_EQ(history->undoCount(), 1u);
    EXPECT_EQ(history->undoName(), "Rename Slide");
}

TEST(CompactSlots, KeepsTitledLayoutsTypedTitlesAndSlidesWithoutPictures) {
    testing::DeckFixture fixture(3);
    const Project& project = fixture.document->project();
    Slide slide = project.slides[0];
    slide.layout = SlideLayoutKind::imageTitleCaption;
    slide.title = " Slide 9";  // typed: not the default pattern
    slide.slots = {emptySlot(), project.slides[1].slots[0], emptySlot()};
    const Slide one = compactSlots(slide, project);
    EXPECT_EQ(one.layout, SlideLayoutKind::imageTitleCaption);
    EXPECT_EQ(one.title, " Slide 9");
    EXPECT_EQ(one.slots.size(), 1u);
    slide.slots = {emptySlot()};
    EXPECT_EQ(compactSlots(slide, project), slide);
}

}  // namespace
}  // namespace mosavelle
