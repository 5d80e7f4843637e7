#include "core/model/undo_history.h"

#include <algorithm>
#include <utility>

namespace mosavelle {

void UndoHistory::registerStep(std::string name, Action action, const void* owner) {
    if (busy_ && name.empty())
        name = runningName_;
    Step step{std::move(name), std::move(action), owner};
    if (busy_ && undoing_) {
        redoStack_.push_back(std::move(step));
    } else if (busy_) {
        undoStack_.push_back(std::move(step));
    } else {
        // A new step forks the history: the redone states, and a clean mark among them, are gone.
        if (cleanDepth_ && *cleanDepth_ > depth_)
            cleanDepth_.reset();
        redoStack_.clear();
        undoStack_.push_back(std::move(step));
        ++depth_;
    }
    changed();
}

std::string UndoHistory::undoName() const {
    return undoStack_.empty() ? std::string() : undoStack_.back().name;
}

std::string UndoHistory::redoName() const {
    return redoStack_.empty() ? std::string() : redoStack_.back().name;
}

void UndoHistory::undo() {
    run(true);
}
void UndoHistory::redo() {
    run(false);
}

void UndoHistory::setPendingEditCloser(const void* owner, Action closer) {
    std::erase_if(pendingEditClosers_, [owner](const auto& entry) { return entry.first == owner; });
    if (closer)
        pendingEditClosers_.emplace_back(owner, std::move(closer));
}

void UndoHistory::closePendingEdits() {
    // A closer may install or remove closers; run the ones present now.
    const auto closers = pendingEditClosers_;
    for (const auto& [owner, closer] : closers)
        closer();
}

void UndoHistory::run(bool undoing) {
    if (busy_)
        return;
    closePendingEdits();
    auto& stack = undoing ? undoStack_ : redoStack_;
    if (stack.empty())
        return;
    Step step = std::move(stack.back());
    stack.pop_back();
    depth_ += undoing ? -1 : 1;
    busy_ = true;
    undoing_ = undoing;
    runningName_ = step.name;
    try {
        if (step.action)
            step.action();
    } catch (...) {
        busy_ = false;
        runningName_.clear();
        cleanDepth_.reset();
        changed();
        throw;
    }
    busy_ = false;
    runningName_.clear();
    changed();
}

void UndoHistory::markClean() {
    cleanDepth_ = depth_;
    changed();
}

void UndoHistory::forgetSavedState() {
    cleanDepth_.reset();
    changed();
}

void UndoHistory::removeAllSteps() {
    bool wasClean = isClean();
    undoStack_.clear();
    redoStack_.clear();
    depth_ = 0;
    cleanDepth_ = wasClean ? std::optional<std::int64_t>(0) : std::nullopt;
    changed();
}

void UndoHistory::removeSteps(const void* owner) {
    auto ownedBy = [owner](const Step& step) { return step.owner == owner; };
    bool any = std::any_of(undoStack_.begin(), undoStack_.end(), ownedBy) ||
               std::any_of(redoStack_.begin(), redoStack_.end(), ownedBy);
    if (!any)
        return;
    // Depths are counted afresh from here; the saved state stays reachable only if it is now.
    bool wasClean = isClean();
    std::erase_if(undoStack_, ownedBy);
    std::erase_if(redoStack_, ownedBy);
    depth_ = 0;
    cleanDepth_ = wasClean ? std::optional<std::int64_t>(0) : std::nullopt;
    changed();
}

void UndoHistory::changed() {
    if (changeHandler_)
        changeHandler_();
}

}  // namespace mosavelle
