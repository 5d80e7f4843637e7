#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "core/model/undo_history.h"

namespace mosavelle {
namespace {

// A counter whose every change is a step that registers its own reverse, like a project swap.
struct Counter {
    UndoHistory& history;
    int value = 0;
    void set(int v, const std::string& name) {
        int old = value;
        value = v;
        history.registerStep(
            name, [this, old] { set(old, ""); }, this);
    }
};

TEST(UndoHistory, CleanMarkFollowsUndoRedoAndIsLostWhenHistoryForks) {
    UndoHistory history;
    Counter c{history};
    int notified = 0;
    history.setChangeHandler([&] { ++notified; });
    EXPECT_TRUE(history.isClean());
    c.set(1, "One");
    EXPECT_FALSE(history.isClean());
    history.markClean();
    c.set(2, "Two");
    history.undo();
    EXPECT_TRUE(history.isClean());
    history.undo();
    EXPECT_FALSE(history.isClean());
    history.redo();
    EXPECT_TRUE(history.isClean());
    history.undo();
    c.set(3, "Three");  // the saved state (value 1) can no longer be reached
    EXPECT_FALSE(history.canRedo());
    history.undo();
    EXPECT_EQ(c.value, 0);
    EXPECT_FALSE(history.isClean());
    history.redo();
    EXPECT_FALSE(history.isClean());
    EXPECT_GE(notified, 9);
}

TEST(UndoHistory, NestedUndoIsIgnoredOwnersCanWithdrawStepsAndAThrowingStepLeavesItUsable) {
    UndoHistory history;
    Counter a{history}, b{history};
    int runs = 0;
    history.registerStep("Nested", [&] {
        ++runs;
        history.undo();  // must not run another step from inside this one
    });
    a.set(1, "A");
    b.set(1, "B");
    a.set(2, "A");
    history.removeSteps(&a);
    EXPECT_EQ(history.undoName(), "B");
    history.undo();
    EXPECT_EQ(b.value, 0);
    EXPECT_EQ(a.value, 2);
    history.undo();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(history.undoCount(), 0u);

    // A throwing step leaves the history usable.
    b.set(1, "One");
    history.markClean();
    history.registerStep("Broken", [] { throw std::runtime_error("step failed"); });
    EXPECT_THROW(history.undo(), std::runtime_error);
    EXPECT_FALSE(history.isClean()) << "what the failed step left is not the saved state";
    EXPECT_EQ(history.undoName(), "One");
    history.undo();
    EXPECT_EQ(b.value, 0);
    history.redo();
    EXPECT_EQ(b.value, 1);
    b.set(2, "Two");
    EXPECT_EQ(history.undoCount(), 2u);
}

TEST(UndoHistory, PendingEditIsClosedBeforeUndoAndRedo) {
    UndoHistory history;
    Counter c{history};
    c.set(1, "One");
    history.undo();
    bool pending = true;
    history.setPendingEditCloser(&c, [&] {
        if (std::exchange(pending, false))
            c.set(5, "Drag");
    });
    history.redo();  // the closed edit forks the history: nothing left to redo
    EXPECT_EQ(c.value, 5);
    EXPECT_EQ(history.undoName(), "Drag");
    pending = true;
    history.undo();  // closes a second gesture, then takes it back
    EXPECT_EQ(c.value, 5);
    EXPECT_EQ(history.redoName(), "Drag");
    history.setPendingEditCloser(&c, nullptr);
    pending = true;
    history.undo();
    EXPECT_TRUE(pending) << "a withdrawn closer must not run";
}

}  // namespace
}  // namespace mosavelle
