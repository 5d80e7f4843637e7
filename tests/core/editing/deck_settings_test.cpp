#include <gtest/gtest.h>

#include "core/editing/deck_fixture.h"
#include "core/editing/deck_settings.h"

namespace mosavelle {
namespace {

using DeckSettings = testing::DeckTest<1>;

TEST_F(DeckSettings, UndoingLogoChangesBringsBackTheBytesThatWereThere) {
    const Bytes first(std::string_view("first logo"));
    const Bytes second(std::string_view("second logo"));
    setLogo(doc(), first);
    setLogo(doc(), second);
    EXPECT_EQ(doc().logoData(), second);
    EXPECT_EQ(doc().project().appearance.branding.logoFileName, "logo.png");

    removeLogo(doc());
    EXPECT_FALSE(doc().logoData());
    EXPECT_FALSE(doc().project().appearance.branding.logoFileName);
    EXPECT_EQ(history->undoName(), "Remove Logo");

    history->undo();
    EXPECT_EQ(doc().logoData(), second);
    EXPECT_EQ(doc().project().appearance.branding.logoFileName, "logo.png");
    history->undo();
    EXPECT_EQ(doc().logoData(), first);
    history->undo();
    EXPECT_FALSE(doc().logoData());
    EXPECT_FALSE(doc().project().appearance.branding.logoFileName);
    EXPECT_FALSE(history->canUndo());

    history->redo();
    history->redo();
    EXPECT_EQ(doc().logoData(), second);
    EXPECT_EQ(history->redoName(), "Remove Logo");
    history->redo();
    EXPECT_FALSE(doc().logoData());
}

}  // namespace
}  // namespace mosavelle
