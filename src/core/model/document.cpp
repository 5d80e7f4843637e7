#include "core/model/document.h"

#include <algorithm>
#include <utility>

#include "core/model/defaults_store.h"

namespace mosavelle {

MosavelleDocument::MosavelleDocument() : project_(defaultProject()) {}

MosavelleDocument::MosavelleDocument(Project project, ImageDataMap imageData,
                                     std::optional<Bytes> logoData)
    : project_(std::move(project)),
      imageData_(std::move(imageData)),
      logoData_(std::move(logoData)) {}

MosavelleDocument::~MosavelleDocument() {
    // The history may outlive the document; its steps must not call into a dead object.
    if (auto history = undoHistory_.lock())
        history->removeSteps(this);
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

void MosavelleDocument::notify(DocumentChangeKind kind) {
    // Iterate over a copy: observers may add or remove observers while being called.
    std::vector<ObserverEntry> current = observers_;
    const DocumentChange change{kind};
    for (const auto& entry : current) {
        bool stillRegistered =
            std::any_of(observers_.begin(), observers_.end(),
                        [&](const ObserverEntry& e) { return e.id == entry.id; });
        if (stillRegistered)
            (*entry.observer)(change);
    }
}

void MosavelleDocument::setProject(Project project) {
    if (project == project_)
        return;
    project_ = std::move(project);
    notify(DocumentChangeKind::project);
}

void MosavelleDocument::setImageData(ImageDataMap imageData) {
    if (imageData == imageData_)
        return;
    imageData_ = std::move(imageData);
    notify(DocumentChangeKind::pictures);
}

void MosavelleDocument::setImageBytes(const Uuid& imageID, Bytes bytes) {
    auto it = imageData_.find(imageID);
    if (it != imageData_.end() && it->second == bytes)
        return;
    imageData_.insert_or_assign(imageID, std::move(bytes));
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
    selectedSlideIDs_ = std::move(ids);
    notify(DocumentChangeKind::selection);
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
    if (old)
        old->removeSteps(this);
    undoHistory_ = std::move(history);
}

void MosavelleDocument::registerProjectRestore(Project before, const std::string& actionName) {
    auto history = undoHistory_.lock();
    if (!history)
        return;
    // Running the step swaps `before` back in and registers the opposite swap, which the history
    // files as the redo (or, while redoing, the next undo) of the same name.
    history->registerStep(
        actionName,
        [this, before = std::move(before), actionName]() mutable {
            changeProject(std::move(before), actionName);
        },
        this);
}

void MosavelleDocument::changeProject(Project newProject, const std::string& actionName) {
    Project before = project_;
    setProject(std::move(newProject));
    registerProjectRestore(std::move(before), actionName);
}

bool MosavelleDocument::changeProjectIfDifferent(Project newProject,
                                                 const std::string& actionName) {
    if (newProject == project_)
        return false;
    changeProject(std::move(newProject), actionName);
    return true;
}

void MosavelleDocument::beginContinuousEdit() {
    if (!continuousEditBefore_)
        continuousEditBefore_ = project_;
}

void MosavelleDocument::endContinuousEdit(const std::string& actionName) {
    if (!continuousEditBefore_)
        return;
    Project before = std::move(*continuousEditBefore_);
    continuousEditBefore_.reset();
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

PackageSnapshot MosavelleDocument::makeSnapshot() const {
    return PackageSnapshot{project_, imageData_, logoData_};
}

void MosavelleDocument::applySnapshot(const PackageSnapshot& snapshot) {
    setProject(snapshot.project);
    setImageData(snapshot.images);
    setLogoData(snapshot.logo);
    if (selectedSlideIDs_.empty() && !project_.slides.empty()) {
        setSelectedSlideIDs({project_.slides.front().id});
    }
}

}  // namespace mosavelle
