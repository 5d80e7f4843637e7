#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/editing/deck_fixture.h"
#include "core/editing/slide_operations.h"
#include "core/editing/slide_settings.h"

namespace mosavelle {
namespace {

using SlideSettings = testing::DeckTest<4>;

TEST_F(SlideSettings, PlacementToAllCentresTheCropAndSkipsSectionsAndExcluded) {
    const Placement kept{SizingMode::actual, {0.1, 0.1}, 90, 1.0};
    setProject([&](Project& p) {
        p.slides[1].isExcluded = true;
        p.slides[1].placementOverride = kept;
        p.slides[2] = sectionDividerSlide();
        p.slides[2].placementOverride = kept;
        p.slides[3].slots[0].imageID.reset();
    });
    applyPlacementToAll(doc(), Placement{SizingMode::percent75, {0.2, 0.8}, 180, 0.75});
    EXPECT_EQ(slideAt(1).placementOverride,
              (Placement{SizingMode::percent75, {0.5, 0.5}, 180, 0.75}));
    EXPECT_EQ(slideAt(2).placementOverride, kept);
    EXPECT_EQ(slideAt(3).placementOverride, kept);
    EXPECT_FALSE(slideAt(4).placementOverride);  // shows no picture
    EXPECT_EQ(history->undoName(), "Apply Placement to All Slides");
}

TEST_F(SlideSettings, FitToSlideKeepsCropAndRotationOfTheOverrideOrTheDefault) {
    setProject([](Project& p) {
        p.appearance.defaultPlacement = Placement{SizingMode::fill, {0.3, 0.4}, 270, 1.0};
        p.slides[0].placementOverride = Placement{SizingMode::custom, {0.9, 0.1}, 90, 2.5};
    });
    select({1, 2});
    fitToSlide(doc());
    EXPECT_EQ(slideAt(1).placementOverride, (Placement{SizingMode::fit, {0.9, 0.1}, 90, 1.0}));
    EXPECT_EQ(slideAt(2).placementOverride, (Placement{SizingMode::fit, {0.3, 0.4}, 270, 1.0}));
    EXPECT_FALSE(slideAt(3).placementOverride);
    EXPECT_EQ(history->undoName(), "Fit to Slide");
}

TEST_F(SlideSettings, RotationWrapsFromTheDefaultAndExclusionTogglesTheSelection) {
    setProject([](Project& p) {
        p.appearance.defaultPlacement = Placement{SizingMode::fill, {0.3, 0.4}, 0, 1.0};
        p.slides[1].placementOverride = Placement{SizingMode::custom, {0.9, 0.1}, 270, 2.5};
        p.slides[2].slots[0].imageID.reset();
    });
    select({1, 2, 3});
    rotateSelectedSlides(doc(), -1);
    EXPECT_EQ(slideAt(1).placementOverride, (Placement{SizingMode::fill, {0.3, 0.4}, 270, 1.0}));
    EXPECT_EQ(slideAt(2).placementOverride->rotationDegrees, 180);
    EXPECT_FALSE(slideAt(3).placementOverride);  // shows no picture
    EXPECT_EQ(history->undoName(), "Rotate Left");
    rotateSelectedSlides(doc(), 1);
    EXPECT_EQ(slideAt(1).placementOverride->rotationDegrees, 0);  // 360 wraps to 0
    EXPECT_EQ(history->undoName(), "Rotate Right");

    setExcludedOfSelection(doc(), true);
    EXPECT_TRUE(slideAt(1).isExcluded && slideAt(3).isExcluded && !slideAt(4).isExcluded);
    EXPECT_EQ(history->undoName(), "Exclude Slides");
    history->undo();
    EXPECT_FALSE(slideAt(1).isExcluded);
}

TEST_F(SlideSettings, ChangeLayoutScalesOnlySlidesThatBecomeMultiPicture) {
    select({1, 2});
    groupSelectedSlides(doc(), SlideLayoutKind::twoUp);  // [p1,p2] p3 p4
    const Placement custom{SizingMode::custom, {0.5, 0.5}, 0, 0.33};
    setProject([&](Project& p) {
        p.slides[0].placementOverride = custom;
        p.slides[1].slots.push_back(p.slides[2].slots[0]);
    });
    select({1, 2});
    changeLayout(doc(), SlideLayoutKind::twoUp);
    EXPECT_EQ(slideAt(1).placementOverride, custom);  // already two-up: untouched
    EXPECT_EQ(slideAt(2).layout, SlideLayoutKind::twoUp);
    EXPECT_EQ(slideAt(2).slots.size(), 2u);
    ASSERT_TRUE(slideAt(2).placementOverride);
    EXPECT_LT(slideAt(2).placementOverride->scale, 1.0);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Slide 1", "Slide 2", ""}));
    EXPECT_EQ(history->undoName(), "Change Layout");

    changeLayout(doc(), SlideLayoutKind::oneImage);
    EXPECT_EQ(slideAt(2).slots.size(), 2u);  // slots are never dropped by a layout change
}

TEST_F(SlideSettings, PicturesGiveCaptionsTitlesAndAltTextsEachInOneStep) {
    setProject([](Project& p) {
        p.images.edit(0).metadata.title = "Harbour";
        p.images.edit(1).metadata.title = "Tower";
        p.appearance.filenameCleanup.enabled = true;
        p.appearance.captionsFrom = {CaptionSource::pattern, "{title} \u00B7 {filename}"};
        p.slides.edit(1).slots[0].caption = "Kept";
        p.slides.edit(1).title = "Mine";
    });
    select({1, 2, 3});
    fillCaptionsFromPictures(doc(), false);
    const auto captions = [&] {
        return slideAt(1).slots[0].caption + "|" + slideAt(2).slots[0].caption + "|" +
               slideAt(3).slots[0].caption;
    };
    EXPECT_EQ(captions(), "Harbour \u00B7 p1|Kept|p3");
    fillCaptionsFromPictures(doc(), true);
    EXPECT_EQ(captions() + history->undoName(),
              "Harbour \u00B7 p1|Tower \u00B7 p2|p3Fill Captions from Pictures");
    history->undo();
    EXPECT_EQ(captions(), "Harbour \u00B7 p1|Kept|p3");  // one step

    // Title + caption slides take the picture's title unless they have their own.
    changeLayout(doc(), SlideLayoutKind::imageTitleCaption);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Harbour", "Mine", "", ""}));

    editAltText(doc(), slide(1), slideAt(1).slots[0].id, "  A harbour ");
    EXPECT_EQ(slideAt(1).slots[0].altText.value_or("") + history->undoName(),
              "A harbourEdit Alt Text");
}

TEST_F(SlideSettings, SelectionSettersDoNothingWithoutASelectedSlide) {
    doc().setSelectedSlideIDs({Uuid::random()});
    setTitleOfSelection(doc(), "x", "Rename Slide");
    setPlacementOfSelection(doc(), Placement{}, "Change Placement");
    EXPECT_EQ(history->undoCount(), 0u);

    select({2, 3});
    setTitleOfSelection(doc(), " Both ", "Rename Slide");
    EXPECT_EQ(titles(), (std::vector<std::string>{"", " Both ", " Both ", ""}));
    EXPECT_EQ(history->undoName(), "Rename Slide");
    setPlacementOfSelection(doc(), Placement{}, "Change Placement");
    setPlacementOfSelection(doc(), std::nullopt, "Change Placement");
    EXPECT_FALSE(slideAt(2).placementOverride);
    history->undo();
    EXPECT_EQ(slideAt(2).placementOverride, Placement{});
}

TEST_F(SlideSettings, ContinuousEditBecomesOneStepAndLiveCaptionSizeIsClamped) {
    select({1});
    doc().beginContinuousEdit();
    setCaptionPointsLive(doc(), 40);
    EXPECT_EQ(slideAt(1).captionPoints, 36);
    EXPECT_TRUE(doc().hasOpenEditChanges());
    // Notes up to the limit are taken; longer ones change nothing.
    EXPECT_TRUE(setNotesLive(doc(), std::string(maximumNotesBytes, 'n')));
    EXPECT_FALSE(setNotesLive(doc(), std::string(maximumNotesBytes + 1, 'x')));
    EXPECT_EQ(slideAt(1).notes, std::string(maximumNotesBytes, 'n'));
    setCaptionPointsLive(doc(), 4);
    EXPECT_EQ(slideAt(1).captionPoints, 8);
    setCaptionPointsLive(doc(), std::nan(""));
    EXPECT_EQ(slideAt(1).captionPoints, 8);
    editSelectedSlidesLive(doc(), [](Slide& slide) { slide.slots[0].crop.x = 0; });
    doc().endContinuousEdit("Change Caption Size");
    EXPECT_EQ(slideAt(1).slots[0].crop.x, 0.0);
    EXPECT_EQ(slideAt(2).slots[0].crop.x, 0.5);  // none on the unselected slide
    EXPECT_EQ(slideAt(2).captionPoints, 16);
    EXPECT_EQ(history->undoCount(), 1u);
    EXPECT_FALSE(doc().hasOpenEditChanges());
    history->undo();
    EXPECT_EQ(slideAt(1).captionPoints, 16);
    EXPECT_EQ(slideAt(1).slots[0].crop.x, 0.5);

    setPlacementLive(doc(), Placement{SizingMode::fill, {}, 0, 1});
    EXPECT_EQ(slideAt(1).placementOverride->mode, SizingMode::fill);
}

TEST_F(SlideSettings, ChangeSortModeReordersOnceAndManualKeepsTheOrder) {
    setProject([](Project& p) {
        p.images[0].originalFileName = "z";
        p.images[2].originalFileName = "a";
    });
    changeSortMode(doc(), SortMode::filename);
    EXPECT_EQ(deck(), "a p2 p4 z");
    changeSortMode(doc(), SortMode::manual);
    EXPECT_EQ(deck(), "a p2 p4 z");
    EXPECT_EQ(doc().project().sort, SortMode::manual);
    history->undo();
    history->undo();
    EXPECT_EQ(deck(), "z p2 a p4");
    EXPECT_EQ(history->redoName(), "Sort");
}

}  // namespace
}  // namespace mosavelle
