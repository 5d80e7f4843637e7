#include <gtest/gtest.h>

#include "core/editing/deck_fixture.h"
#include "core/editing/deck_settings.h"
#include "core/editing/slide_settings.h"

namespace mosavelle {
namespace {

using DeckSettings = testing::DeckTest<1>;

TEST_F(DeckSettings, UndoingLogoChangesBringsBackTheBytesThatWereThere) {
    // The logo's bytes and the name the deck gives them, e.g. "first as logo.png".
    const auto logo = [&] {
        const auto& name = doc().project().appearance.branding.logoFileName;
        return std::string(doc().logoData() ? doc().logoData()->view() : "none") + " as " +
               name.value_or("none");
    };
    setLogo(doc(), Bytes(std::string_view("first")));
    setLogo(doc(), Bytes(std::string_view("second")));
    setLogo(doc(), Bytes(std::string_view("second")));  // the same again: no step
    EXPECT_EQ(logo(), "second as logo.png");
    removeLogo(doc());
    EXPECT_EQ(logo(), "none as none");
    EXPECT_EQ(history->undoName(), "Remove Logo");

    history->undo();
    EXPECT_EQ(logo(), "second as logo.png");
    history->undo();
    EXPECT_EQ(logo(), "first as logo.png");
    history->undo();
    EXPECT_EQ(logo(), "none as none");
    EXPECT_FALSE(history->canUndo());

    history->redo();
    history->redo();
    EXPECT_EQ(logo(), "second as logo.png");
    EXPECT_EQ(history->redoName(), "Remove Logo");
    history->redo();
    EXPECT_EQ(logo(), "none as none");
}

TEST_F(DeckSettings, ShowTimingsAreClampedOneStepEachAndSlideOverridesWin) {
    setAdvance(doc(), {true, 0});
    EXPECT_EQ(doc().project().show.advance, (SlideAdvance{true, 1}));
    setAdvance(doc(), {true, 1});  // the same again: no step
    setTransition(doc(), {TransitionKind::push, TransitionSpeed::slow});
    setLoops(doc(), true);
    EXPECT_EQ(history->undoCount(), 3u);
    EXPECT_EQ(history->undoName(), "Loop Until Esc");

    select({1});
    setAdvanceOfSelection(doc(), SlideAdvance{true, 601});
    setTransitionOfSelection(doc(), SlideTransition{});
    const Project& p = doc().project();
    EXPECT_EQ(p.advanceOf(slideAt(1)), (SlideAdvance{true, 600}));
    EXPECT_EQ(p.transitionOf(slideAt(1)).kind, TransitionKind::none);
    EXPECT_EQ(history->undoName(), "Slide Transition");
    history->undo();
    EXPECT_EQ(doc().project().transitionOf(slideAt(1)).kind, TransitionKind::push);
}

}  // namespace
}  // namespace mosavelle
