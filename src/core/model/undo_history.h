#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mosavelle {

// The undo manager of one window. A step is a name and an action that puts something back; the
// action is expected to register the opposite step itself (a whole-project swap does), so undo and
// redo alternate under the same name:
//  - registered outside undo/redo: pushed on the undo stack, the redo stack is cleared;
//  - registered while a step is being undone: pushed on the redo stack;
//  - registered while a step is being redone: pushed on the undo stack, redo stack kept.
// A step registered during undo or redo with an empty name takes the name of the step being
// undone or redone. The clean mark records the state that was last saved. Not thread-safe: it
// belongs to the interface thread, like the document it serves.
//
// An action that throws does not wedge the history: the exception reaches the caller of
// undo()/redo(), the failed step is dropped (steps it registered before throwing are kept), the
// history accepts undo, redo and new steps again, and the clean mark is given up, since what the
// failed action left behind is not known.
class UndoHistory {
public:
    using Action = std::function<void()>;

    UndoHistory() = default;
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // Adds a step. `owner` identifies who registered it, so that an owner that goes away can
    // withdraw its steps (removeSteps); it is never dereferenced.
    void registerStep(std::string name, Action action, const void* owner = nullptr);

    bool canUndo() const { return !undoStack_.empty() && !busy_; }
    bool canRedo() const { return !redoStack_.empty() && !busy_; }
    // The name of the step undo/redo would run; empty when there is none.
    std::string undoName() const;
    std::string redoName() const;
    std::size_t undoCount() const { return undoStack_.size(); }
    std::size_t redoCount() const { return redoStack_.size(); }

    // Runs the newest undo (redo) step. Does nothing when there is none or while a step is
    // already running. Before looking, the pending-edit closers run, so that an edit still in
    // progress (a slider being dragged) becomes a step first and is what gets undone.
    void undo();
    void redo();

    // Installs (or, with an empty function, removes) `owner`'s closer of a pending edit: called
    // before every undo and redo; it may register a step. An owner that goes away removes it.
    void setPendingEditCloser(const void* owner, Action closer);

    // Marks the current state as saved. isClean is true exactly while undo and redo have brought
    // the history back to that state; registering a new step after undoing past the mark makes
    // the saved state unreachable until the next markClean.
    void markClean();
    bool isClean() const { return cleanDepth_ == depth_; }
    // Makes no state the saved one until the next markClean: for a deck that holds changes its
    // package lacks from the start (one brought back after a crash).
    void forgetSavedState();

    // Drops every step (e.g. after reverting to the saved file); the clean mark is lost unless
    // the history was clean.
    void removeAllSteps();
    // Drops every step registered by `owner`.
    void removeSteps(const void* owner);

    // Called after every change of the stacks or the clean mark (menus update their titles).
    void setChangeHandler(std::function<void()> handler) { changeHandler_ = std::move(handler); }

private:
    struct Step {
        std::string name;
        Action action;
        const void* owner;
    };

    void run(bool undoing);
    void changed();
    void closePendingEdits();

    std::vector<Step> undoStack_;
    std::vector<Step> redoStack_;
    bool busy_ = false;
    bool undoing_ = false;
    std::string runningName_;
    // The number of steps applied since the start of the history (undo lowers it, redo and new
    // steps raise it). cleanDepth_ is the depth that was saved; absent when unreachable.
    std::int64_t depth_ = 0;
    std::optional<std::int64_t> cleanDepth_ = 0;
    std::function<void()> changeHandler_;
    std::vector<std::pair<const void*, Action>> pendingEditClosers_;
};

}  // namespace mosavelle
