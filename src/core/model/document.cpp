#include "core/model/document.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "core/model/defaults_store.h"

namespace mosavelle {

namespace {

std::vector<Uuid> idsOf(const SlideList& slides, std::size_t first, std::size_t end) {
    std::vector<Uuid> ids;
    ids.reserve(end - first);
    for (std::size_t i = first; i < end; ++i)
        ids.push_back(slides[i].id);
    return ids;
}

SlideRowChange rowChange(SlideRowChange::Kind kind, std::size_t row, std::vector<Uuid> ids,
                         std::size_t destination = 0) {
    SlideRowChange change;
    change.kind = kind;
    change.row = row;
    change.count = ids.size();
    change.destination = destination;
    change.ids = std::move(ids);
    return change;
}

SlideListDelta resetDelta() {
    SlideListDelta delta;
    delta.reset = true;
    return delta;
}

}  // namespace

std::size_t SlideListDelta::firstShiftedRow(std::size_t size) const {
    std::size_t first = size;
    for (const SlideRowChange& step : rows) {
        if (step.kind == SlideRowChange::Kind::update)
            continue;
        first = std::min(first, step.row);
        if (step.kind == SlideRowChange::Kind::move)
            first = std::min(first, step.destination);
    }
    return first;
}

SlideListDelta slideListDelta(const SlideList& before, const SlideList& after,
                              std::size_t maximumSteps) {
    using Kind = SlideRowChange::Kind;
    SlideListDelta delta;
    // Update steps for runs of rows of `after` whose slide differs from its old value.
    const auto appendUpdates = [&](const auto& oldSlideOf) {
        for (std::size_t j = 0; j < after.size();) {
            const Slide* old = oldSlideOf(j);
            if (!old || *old == after[j]) {
                ++j;
                continue;
            }
            std::size_t end = j + 1;
            while (end < after.size()) {
                const Slide* next = oldSlideOf(end);
                if (!next || *next == after[end])
                    break;
                ++end;
            }
            delta.rows.push_back(rowChange(Kind::update, j, idsOf(after, j, end)));
            j = end;
        }
    };

    // Slides shared between the two lists are the same value: no need to look at them.
    const auto sameID = [&](std::size_t i, std::size_t j) {
        return before.sameElement(i, after, j) || before[i].id == after[j].id;
    };
    const auto oldIfDifferent = [&](std::size_t i, std::size_t j) -> const Slide* {
        return before.sameElement(i, after, j) ? nullptr : &before[i];
    };

    // Only the part between an unchanged head and an unchanged tail is matched by identifier,
    // so that an edit in one place of a long deck costs pointer comparisons elsewhere.
    const std::size_t shorter = std::min(before.size(), after.size());
    std::size_t head = 0;
    while (head < shorter && sameID(head, head))
        ++head;
    if (head == before.size() && head == after.size()) {
        appendUpdates([&](std::size_t j) { return oldIfDifferent(j, j); });
        return delta;
    }
    std::size_t tail = 0;
    while (tail < shorter - head && sameID(before.size() - 1 - tail, after.size() - 1 - tail))
        ++tail;
    const std::size_t beforeEnd = before.size() - tail;
    const std::size_t afterEnd = after.size() - tail;

    std::unordered_map<Uuid, std::size_t> oldPosition;
    std::unordered_map<Uuid, std::size_t> newPosition;
    oldPosition.reserve(beforeEnd - head);
    newPosition.reserve(afterEnd - head);
    for (std::size_t i = head; i < beforeEnd; ++i)
        if (!oldPosition.emplace(before[i].id, i).second)
            return resetDelta();
    for (std::size_t j = head; j < afterEnd; ++j)
        if (!newPosition.emplace(after[j].id, j).second)
            return resetDelta();
    std::size_t steps = 0;

    // Removals, from the end so that each run's rows are those of the original list.
    for (std::size_t i = beforeEnd; i > head;) {
        --i;
        if (newPosition.count(before[i].id))
            continue;
        const std::size_t end = i + 1;
        while (i > head && !newPosition.count(before[i - 1].id))
            --i;
        if (++steps > maximumSteps)
            return resetDelta();
        delta.rows.push_back(rowChange(Kind::remove, i, idsOf(before, i, end)));
    }

    // Moves: bring the kept slides into their new relative order, front to back. Each step takes
    // the longest run that already stands in the right order and puts it where it belongs.
    // Positions in `current` and `target` count from `head`.
    std::vector<Uuid> current;
    current.reserve(beforeEnd - head);
    for (std::size_t i = head; i < beforeEnd; ++i)
        if (newPosition.count(before[i].id))
            current.push_back(before[i].id);
    std::vector<Uuid> target;
    target.reserve(current.size());
    for (std::size_t j = head; j < afterEnd; ++j)
        if (oldPosition.count(after[j].id))
            target.push_back(after[j].id);
    for (std::size_t t = 0; t < target.size(); ++t) {
        if (current[t] == target[t])
            continue;
        const auto found = std::find(current.begin() + static_cast<std::ptrdiff_t>(t + 1),
                                     current.end(), target[t]);
        const auto r = static_cast<std::size_t>(found - current.begin());
        std::size_t count = 1;
        while (r + count < current.size() && t + count < target.size() &&
               current[r + count] == target[t + count])
            ++count;
        if (++steps > maximumSteps)
            return resetDelta();
        delta.rows.push_back(rowChange(
            Kind::move, head + r,
            std::vector<Uuid>(found, found + static_cast<std::ptrdiff_t>(count)), head + t));
        std::rotate(current.begin() + static_cast<std::ptrdiff_t>(t), found,
                    found + static_cast<std::ptrdiff_t>(count));
    }

    // Insertions, front to back, at their final rows.
    for (std::size_t j = head; j < afterEnd;) {
        if (oldPosition.count(after[j].id)) {
            ++j;
            continue;
        }
        std::size_t end = j + 1;
        while (end < afterEnd && !oldPosition.count(after[end].id))
            ++end;
        if (++steps > maximumSteps)
            return resetDelta();
        delta.rows.push_back(rowChange(Kind::insert, j, idsOf(after, j, end)));
        j = end;
    }

    appendUpdates([&](std::size_t j) -> const Slide* {
        if (j < head)
            return oldIfDifferent(j, j);
        if (j >= afterEnd)
            return oldIfDifferent(j - afterEnd + beforeEnd, j);
        const auto it = oldPosition.find(after[j].id);
        return it == oldPosition.end() ? nullptr : oldIfDifferent(it->second, j);
    });
    return delta;
}

MosavelleDocument::MosavelleDocument() : project_(defaultProject()) {}

MosavelleDocument::MosavelleDocument(Project project, ImageDataMap imageData,
                                     std::optional<Bytes> logoData)
    : project_(std::move(project)),
      imageData_(std::move(imageData)),
      logoData_(std::move(logoData)) {
    rebuildSlideIndex();
}

MosavelleDocument::~MosavelleDocument() {
    // The history may outlive the document; its steps must not call into a dead object.
    if (auto history = undoHistory_.lock()) {
        history->setPendingEditCloser(this, nullptr);
        history->removeSteps(this);
    }
}

std::unique_ptr<MosavelleDocument> MosavelleDocument::makeUntitled(
    const DefaultSettingsStore& store) {
    return std::make_unique<MosavelleDocument>(store.newProject(), ImageDataMap{},
                                               store.logoData());
}

MosavelleDocument::ObserverID MosavelleDocument::addObserver(Observer observer) {
    ObserverID id = nextObserverID_++;
    observers_.push_back({id, std::make_shared<Observer>(std::move(observer))});
    return id;
}

void MosavelleDocument::removeObserver(ObserverID id) {
    std::erase_if(observers_, [id](const ObserverEntry& e) { return e.id == id; });
}

std::optional<std::size_t> MosavelleDocument::slidePosition(const Uuid& id) const {
    const auto it = slideIndex_.find(id);
    if (it == slideIndex_.end())
        return std::nullopt;
    return it->second;
}

std::vector<std::size_t> MosavelleDocument::slidePositions(const SlideIDSet& ids) const {
    std::vector<std::size_t> positions;
    if (slideIndex_.size() == project_.slides.size()) {
        for (const auto& id : ids)
            if (const auto p = slidePosition(id))
                positions.push_back(*p);
        std::sort(positions.begin(), positions.end());
    } else {
        for (std::size_t i = 0; i < project_.slides.size(); ++i)
            if (ids.count(project_.slides[i].id))
                positions.push_back(i);
    }
    return positions;
}

void MosavelleDocument::rebuildSlideIndex() {
    slideIndex_.clear();
    const SlideList& slides = project_.slides;  // read only: nothing may be copied
    slideIndex_.reserve(slides.size());
    for (std::size_t i = 0; i < slides.size(); ++i)
        slideIndex_.emplace(slides[i].id, i);
}

void MosavelleDocument::notify(DocumentChangeKind kind) {
    DocumentChange change;
    change.kind = kind;
    notify(std::move(change));
}

void MosavelleDocument::notify(DocumentChange change) {
    // Iterate over a copy: observers may add or remove observers while being called.
    std::vector<ObserverEntry> current = observers_;
    for (const auto& entry : current) {
        bool stillRegistered =
            std::any_of(observers_.begin(), observers_.end(),
                        [&](const ObserverEntry& e) { return e.id == entry.id; });
        if (stillRegistered)
            (*entry.observer)(change);
    }
}

std::optional<SlideListDelta> MosavelleDocument::insertionDelta(const SlideList& after) const {
    // Every slide of the deck is still there, the very same element and in the same order, and
    // the others are new: an addition (an import's batch), told without hashing the deck.
    const SlideList& before = project_.slides;
    if (after.size() <= before.size() || slideIndex_.size() != before.size())
        return std::nullopt;
    SlideListDelta delta;
    std::set<Uuid> added;
    std::size_t kept = 0;
    for (std::size_t j = 0; j < after.size();) {
        if (kept < before.size() && before.sameElement(kept, after, j)) {
            ++kept, ++j;
            continue;
        }
        const std::size_t first = j;
        while (j < after.size() && !(kept < before.size() && before.sameElement(kept, after, j))) {
            if (slidePosition(after[j].id) || !added.insert(after[j].id).second)
                return std::nullopt;  // an identifier the deck holds, or repeated
            ++j;
        }
        if (delta.rows.size() == 64)
            return resetDelta();
        delta.rows.push_back(
            rowChange(SlideRowChange::Kind::insert, first, idsOf(after, first, j)));
    }
    if (kept != before.size())
        return std::nullopt;
    return delta;
}

void MosavelleDocument::setProject(Project project) {
    if (project == project_)
        return;
    DocumentChange change;
    change.kind = DocumentChangeKind::project;
    if (auto inserted = insertionDelta(project.slides))
        change.slides = std::move(*inserted);
    else
        change.slides = slideListDelta(project_.slides, project.slides);
    project_ = std::move(project);
    if (change.slides.reset)
        rebuildSlideIndex();
    else
        updateSlideIndex(change.slides);
    notify(std::move(change));
}

void MosavelleDocument::updateSlideIndex(const SlideListDelta& delta) {
    // Slides before the first row a step touches keep their positions; slides added at the end
    // cost only themselves.
    const SlideList& slides = project_.slides;  // read only: nothing may be copied
    for (const SlideRowChange& step : delta.rows)
        if (step.kind == SlideRowChange::Kind::remove)
            for (const Uuid& id : step.ids)
                slideIndex_.erase(id);
    for (std::size_t i = delta.firstShiftedRow(slides.size()); i < slides.size(); ++i)
        slideIndex_.insert_or_assign(slides[i].id, i);
    // A damaged file repeating identifiers keeps the first position of each, as a rebuild does.
    if (slideIndex_.size() != slides.size())
        rebuildSlideIndex();
}

namespace {

// Whether two values hold the same picture, judged without reading a file: this runs on the
// interface thread. Bytes in memory compare by contents; files by place (the same file of ours,
// or the same user's file). Equal bytes in another file count as a change, which costs one
// needless notification at most.
bool sameWithoutReadingFiles(const StoredBytes& a, const StoredBytes& b) {
    if (a.sharesStorageWith(b))
        return true;
    if (a.size() != b.size())
        return false;
    const auto* fileA = a.file();
    const auto* fileB = b.file();
    if (fileA != nullptr || fileB != nullptr)
        return fileA != nullptr && fileB != nullptr && *fileA == *fileB;
    return *a.read() == *b.read();  // both in memory: nothing is read from disk
}

bool sameStoredPictures(const ImageDataMap& a, const ImageDataMap& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.first == y.first && sameWithoutReadingFiles(x.second, y.second);
    });
}

}  // namespace

void MosavelleDocument::setImageData(ImageDataMap imageData) {
    if (sameStoredPictures(imageData, imageData_))
        return;
    imageData_ = std::move(imageData);
    notify(DocumentChangeKind::pictures);
}

void MosavelleDocument::setImageBytes(const Uuid& imageID, StoredBytes bytes) {
    auto it = imageData_.find(imageID);
    if (it != imageData_.end() && sameWithoutReadingFiles(it->second, bytes))
        return;
    imageData_.insert_or_assign(imageID, std::move(bytes));
    notify(DocumentChangeKind::pictures);
}

void MosavelleDocument::setImageBytes(std::vector<std::pair<Uuid, StoredBytes>> pictures) {
    bool changed = false;
    for (auto& [id, bytes] : pictures) {
        auto it = imageData_.find(id);
        if (it != imageData_.end() && sameWithoutReadingFiles(it->second, bytes))
            continue;
        imageData_.insert_or_assign(id, std::move(bytes));
        changed = true;
    }
    if (changed)
        notify(DocumentChangeKind::pictures);
}

void MosavelleDocument::setLogoData(std::optional<Bytes> logoData) {
    if (logoData == logoData_)
        return;
    logoData_ = std::move(logoData);
    notify(DocumentChangeKind::logo);
}

void MosavelleDocument::setSelectedSlideIDs(SlideIDSet ids) {
    if (ids == selectedSlideIDs_)
        return;
    DocumentChange change;
    change.kind = DocumentChangeKind::selection;
    std::set_difference(selectedSlideIDs_.begin(), selectedSlideIDs_.end(), ids.begin(), ids.end(),
                        std::back_inserter(change.selectionLeft));
    std::set_difference(ids.begin(), ids.end(), selectedSlideIDs_.begin(), selectedSlideIDs_.end(),
                        std::back_inserter(change.selectionJoined));
    selectedSlideIDs_ = std::move(ids);
    notify(std::move(change));
}

void MosavelleDocument::setCommittedPreviewSlideID(std::optional<Uuid> id) {
    if (id == committedPreviewSlideID_)
        return;
    committedPreviewSlideID_ = id;
    notify(DocumentChangeKind::previewCommit);
}

void MosavelleDocument::setDraggingSlideIDs(std::vector<Uuid> ids) {
    if (ids == draggingSlideIDs_)
        return;
    draggingSlideIDs_ = std::move(ids);
    notify(DocumentChangeKind::dragState);
}

void MosavelleDocument::setIsDraggingSlide(bool dragging) {
    if (dragging == isDraggingSlide_)
        return;
    isDraggingSlide_ = dragging;
    notify(DocumentChangeKind::dragState);
}

void MosavelleDocument::setDragState(std::vector<Uuid> ids, bool dragging) {
    if (ids == draggingSlideIDs_ && dragging == isDraggingSlide_)
        return;
    draggingSlideIDs_ = std::move(ids);
    isDraggingSlide_ = dragging;
    notify(DocumentChangeKind::dragState);
}

std::int64_t MosavelleDocument::nextPreviewGeneration() {
    return ++previewCommitGeneration_;
}

void MosavelleDocument::setUndoHistory(std::weak_ptr<UndoHistory> history) {
    auto old = undoHistory_.lock();
    if (old && old == history.lock())
        return;  // linked already: its steps stay
    if (old) {
        old->setPendingEditCloser(this, nullptr);
        old->removeSteps(this);
    }
    undoHistory_ = std::move(history);
    if (auto linked = undoHistory_.lock()) {
        linked->setPendingEditCloser(this, [this] {
            if (continuousEditBefore_)
                endContinuousEdit(continuousEditName());
        });
    }
}

void MosavelleDocument::registerProjectRestore(Project before, const std::string& actionName) {
    auto history = undoHistory_.lock();
    if (!history)
        return;
    // Running the step swaps `before` back in and registers the opposite swap, which the history
    // files as the redo (or, while redoing, the next undo) of the same name. The swap registers
    // even when the two are equal, so that undo and redo keep alternating.
    history->registerStep(
        actionName,
        [this, before = std::move(before), actionName]() mutable {
            Project replaced = project_;
            setProject(std::move(before));
            registerProjectRestore(std::move(replaced), actionName);
        },
        this);
}

bool MosavelleDocument::changeProject(Project newProject, const std::string& actionName) {
    if (newProject == project_)
        return false;
    Project before = project_;
    setProject(std::move(newProject));
    registerProjectRestore(std::move(before), actionName);
    return true;
}

void MosavelleDocument::beginContinuousEdit(std::string actionName) {
    if (continuousEditBefore_)
        return;
    continuousEditBefore_ = project_;
    continuousEditName_ = std::move(actionName);
}

void MosavelleDocument::cancelContinuousEdit() {
    if (!continuousEditBefore_)
        return;
    Project before = std::move(*continuousEditBefore_);
    continuousEditBefore_.reset();
    continuousEditName_.clear();
    setProject(std::move(before));
}

void MosavelleDocument::endContinuousEdit(const std::string& actionName) {
    if (!continuousEditBefore_)
        return;
    Project before = std::move(*continuousEditBefore_);
    continuousEditBefore_.reset();
    continuousEditName_.clear();
    if (before != project_)
        registerProjectRestore(std::move(before), actionName);
}

void MosavelleDocument::postToNextTurn(std::function<void()> task) {
    std::weak_ptr<int> alive = alive_;
    auto guarded = [alive, task = std::move(task)] {
        if (!alive.expired())
            task();
    };
    if (scheduler_) {
        scheduler_(std::move(guarded));
    } else {
        postedTasks_.push_back(std::move(guarded));
    }
}

void MosavelleDocument::runPostedTasks() {
    // Tasks may post more tasks; those run in this same call, after the earlier ones.
    for (std::size_t i = 0; i < postedTasks_.size(); ++i) {
        auto task = std::move(postedTasks_[i]);
        task();
    }
    postedTasks_.clear();
}

const std::shared_ptr<StagingFolder>& MosavelleDocument::stagingFolder() {
    if (!staging_)
        staging_ = StagingFolder::create();
    return staging_;
}

PackageSnapshot MosavelleDocument::makeSnapshot() const {
    return PackageSnapshot{project_, imageData_, logoData_};
}

void MosavelleDocument::applySnapshot(const PackageSnapshot& snapshot) {
    setProject(snapshot.project);
    setImageData(snapshot.images);
    setLogoData(snapshot.logo);
    if (selectedSlideIDs_.empty() && !project_.slides.empty()) {
        setSelectedSlideIDs({std::as_const(project_.slides).front().id});
    }
}

}  // namespace mosavelle
