#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/model/edit_step.h"
#include "core/model/package.h"
#include "core/model/project.h"
#include "core/model/undo_history.h"
#include "core/platform/bytes.h"
#include "core/platform/uuid.h"

namespace mosavelle {

class DefaultSettingsStore;

using SlideIDSet = std::set<Uuid>;

// What part of a document changed. Observers switch on the kind and read the document.
enum class DocumentChangeKind {
    project,        // project()
    pictures,       // imageData()
    logo,           // logoData()
    selection,      // selectedSlideIDs()
    previewCommit,  // committedPreviewSlideID()
    dragState,      // draggingSlideIDs() or isDraggingSlide()
};

// One step of a slide-list delta. Steps are applied in order, each to the list of slide
// identifiers as the steps before it left it; `row` and `destination` count rows of that list.
// Every step maps onto one QAbstractItemModel begin/end pair:
//  - insert: `ids` become rows row ... row + count - 1 (beginInsertRows(row, row + count - 1));
//  - remove: rows row ... row + count - 1, holding `ids`, go away (beginRemoveRows);
//  - move:   rows row ... row + count - 1, holding `ids`, are taken out and put back before the
//            row that stood at `destination` before the step (beginMoveRows(row, row + count - 1,
//            destination)); `destination` is never inside row ... row + count;
//  - update: rows row ... row + count - 1, holding `ids`, kept their identifiers but their
//            contents changed (dataChanged). Update steps come last and count rows of the final
//            list.
// `count` always equals ids.size() and is at least 1.
struct SlideRowChange {
    enum class Kind { insert, remove, move, update };
    Kind kind = Kind::update;
    std::size_t row = 0;
    std::size_t count = 0;
    std::size_t destination = 0;  // move only
    std::vector<Uuid> ids;
    friend bool operator==(const SlideRowChange&, const SlideRowChange&) = default;
};

// How the slide list went from its previous state to project().slides. With `reset` the list
// was replaced as a whole (an opened file, a sort, an edit touching too many rows to describe
// cheaply) and `rows` is empty: a list model resets itself from the document. Otherwise `rows`
// replayed in order on the previous identifiers gives the new ones, and every slide that kept
// its identifier but changed is named by an update step; no rows at all means the slides are
// untouched (only other parts of the project changed).
struct SlideListDelta {
    bool reset = false;
    std::vector<SlideRowChange> rows;
    bool empty() const { return !reset && rows.empty(); }
    // The first row of the new list, of `size` rows, whose slide may stand elsewhere than before:
    // where the first insert, remove or move step starts or lands; `size` when there is none.
    // Rows before it keep their slides.
    std::size_t firstShiftedRow(std::size_t size) const;
    friend bool operator==(const SlideListDelta&, const SlideListDelta&) = default;
};

struct DocumentChange {
    DocumentChangeKind kind = DocumentChangeKind::project;
    // kind == project: what happened to project().slides.
    SlideListDelta slides;
    // kind == selection: identifiers that left and joined selectedSlideIDs(), each ascending.
    std::vector<Uuid> selectionLeft;
    std::vector<Uuid> selectionJoined;
    friend bool operator==(const DocumentChange&, const DocumentChange&) = default;
};

// The steps that turn the slide list `before` into `after` (see SlideListDelta). The unchanged
// head and tail of the two lists are matched by position, the part between them by identifier;
// an identifier repeated in that part (a damaged file), or a change needing more than
// `maximumSteps` insert/remove/move steps, gives a reset. Costs O(n) pointer comparisons plus a
// comparison of each slide not shared between the lists, and O(m * steps) for a changed part of
// m slides.
SlideListDelta slideListDelta(const SlideList& before, const SlideList& after,
                              std::size_t maximumSteps = 64);

// The in-memory document behind one window: the deck, the bytes of its pictures and logo, and
// the window's editing state. Every setter notifies the observers once, with the kind of the
// field, when the new value differs from the old one, and nobody when it is equal.
//
// The setters change state without undo steps. Editing operations change the deck through
// changeProject (one undo step, none when nothing changed) or, for sliders and text fields,
// through setProject between beginContinuousEdit and endContinuousEdit (one step per gesture).
// An undo step restores the whole project only: picture bytes, the logo, the selection and the
// preview state are not part of undo.
//
// Belongs to the interface thread. Not copyable: undo steps and observers refer to it.
class MosavelleDocument {
public:
    using Observer = std::function<void(const DocumentChange&)>;
    using ObserverID = std::uint64_t;
    // Runs a task on a later turn of the interface thread's event loop.
    using Scheduler = std::function<void(std::function<void()>)>;

    // A document for `defaultProject()` without pictures or logo, ready for applySnapshot.
    MosavelleDocument();
    MosavelleDocument(Project project, ImageDataMap imageData, std::optional<Bytes> logoData);
    // Withdraws this document's steps from its undo history, if that is still alive.
    ~MosavelleDocument();
    MosavelleDocument(const MosavelleDocument&) = delete;
    MosavelleDocument& operator=(const MosavelleDocument&) = delete;

    // A new untitled document: the store's new project, no pictures, the store's logo.
    static std::unique_ptr<MosavelleDocument> makeUntitled(const DefaultSettingsStore& store);

    // --- Fields
    const Project& project() const { return project_; }
    const ImageDataMap& imageData() const { return imageData_; }
    const std::optional<Bytes>& logoData() const { return logoData_; }
    const SlideIDSet& selectedSlideIDs() const { return selectedSlideIDs_; }
    const std::optional<Uuid>& committedPreviewSlideID() const { return committedPreviewSlideID_; }
    const std::vector<Uuid>& draggingSlideIDs() const { return draggingSlideIDs_; }
    bool isDraggingSlide() const { return isDraggingSlide_; }
    // The linked undo history, or null when none was linked or it is gone.
    std::shared_ptr<UndoHistory> undoHistory() const { return undoHistory_.lock(); }
    const std::optional<Project>& continuousEditBefore() const { return continuousEditBefore_; }
    std::int64_t previewCommitGeneration() const { return previewCommitGeneration_; }
    // The position of the slide `id` in project().slides (the first, should a damaged file hold
    // it twice), or nothing. O(1): the index follows every change of the project.
    std::optional<std::size_t> slidePosition(const Uuid& id) const;
    // The positions of every slide whose identifier is in `ids`, ascending. O(|ids| log |ids|)
    // through the index; a scan of the deck only when a damaged file repeats slide identifiers.
    std::vector<std::size_t> slidePositions(const SlideIDSet& ids) const;

    // --- Observation. Observers may change the document and add or remove observers while
    // being notified; an observer removed during a notification is not called afterwards.
    ObserverID addObserver(Observer observer);
    void removeObserver(ObserverID id);

    // --- Plain setters: no undo step; notify only on a real change.
    void setProject(Project project);
    void setImageData(ImageDataMap imageData);
    // Adds or replaces the bytes of one picture (import stores new pictures this way).
    void setImageBytes(const Uuid& imageID, StoredBytes bytes);
    // The same for several pictures, with one notification: costs O(k log n) for k pictures, where
    // setImageData with a changed copy of the map costs the whole map.
    void setImageBytes(std::vector<std::pair<Uuid, StoredBytes>> pictures);
    void setLogoData(std::optional<Bytes> logoData);
    void setSelectedSlideIDs(SlideIDSet ids);
    void setCommittedPreviewSlideID(std::optional<Uuid> id);
    void setDraggingSlideIDs(std::vector<Uuid> ids);
    void setIsDraggingSlide(bool dragging);
    // Sets both drag fields with at most one notification.
    void setDragState(std::vector<Uuid> ids, bool dragging);
    // Raises previewCommitGeneration by one and returns the new value; notifies nobody.
    std::int64_t nextPreviewGeneration();

    // Links the window's undo history (non-owning). Without one, changes register nothing.
    // Linking another history withdraws this document's steps from the old one; linking the same
    // one again changes nothing.
    void setUndoHistory(std::weak_ptr<UndoHistory> history);

    // --- Undo primitives for editing operations.
    // Replaces the project and registers one step under `actionName` that puts the previous
    // project back. Does nothing and registers nothing when the new project equals the current
    // one, so that a command which changes nothing neither adds an undo step nor marks the deck
    // modified. Returns whether it changed.
    bool changeProject(Project newProject, const std::string& actionName);
    // Registers a step that restores `before` (itself registering the reverse swap when run).
    // Does nothing without an undo history.
    void registerProjectRestore(Project before, const std::string& actionName);

    // Opens a continuous edit: keeps a copy of the project unless one is already open.
    // `actionName` names the step should an undo or redo close the edit before its caller does
    // (see below); without one, such a step is called "Edit".
    void beginContinuousEdit(std::string actionName = {});
    // Closes the open continuous edit, if any: one step restoring the copy is registered when the
    // project now differs from it; none when the value ended where it began.
    void endContinuousEdit(const std::string& actionName);
    // Abandons the open continuous edit, if any: the project goes back to the copy (observers are
    // told when that changes it) and no step is registered (Escape during a slider drag).
    void cancelContinuousEdit();
    // An undo or redo pressed while a continuous edit is open first closes it as one step under
    // the name given to beginContinuousEdit, so that undo takes back the whole gesture.
    bool isInContinuousEdit() const { return continuousEditBefore_.has_value(); }
    // True while a continuous edit is open and the project differs from where it began: a change
    // the user sees (text typed into a field) that is not an undo step yet. Costs a comparison of
    // the slides the edit touched.
    bool hasOpenEditChanges() const {
        return continuousEditBefore_.has_value() && !(*continuousEditBefore_ == project_);
    }
    // The name the open continuous edit's step will carry ("Edit" when none was given).
    std::string continuousEditName() const {
        return continuousEditName_.empty() ? stepName(EditStep::edit) : continuousEditName_;
    }

    // --- Deferred work. postToNextTurn runs `task` on a later turn of the event loop through the
    // installed scheduler; without one, tasks wait until runPostedTasks. A task posted by a
    // document that is destroyed before it runs is dropped.
    void setScheduler(Scheduler scheduler) { scheduler_ = std::move(scheduler); }
    void postToNextTurn(std::function<void()> task);
    // Runs the tasks waiting without a scheduler, in order, including ones they post.
    void runPostedTasks();

    // --- Picture files.
    // The private folder where pictures imported into this document are copied (made on first
    // use, removed when the document and every value staged in it are gone). Hand it to the
    // import's planning (ImportPlanOptions::staging), on any thread.
    const std::shared_ptr<StagingFolder>& stagingFolder();

    // --- Package snapshots.
    // Shares the picture and logo bytes; O(size of the project).
    PackageSnapshot makeSnapshot() const;
    // Installs a snapshot read from disk: project, pictures, then logo; when nothing is selected
    // and the deck has slides, the first slide becomes the selection.
    void applySnapshot(const PackageSnapshot& snapshot);

private:
    void notify(DocumentChangeKind kind);
    void notify(DocumentChange change);
    void rebuildSlideIndex();
    void updateSlideIndex(const SlideListDelta& delta);
    // The delta from project().slides to `after` when `after` only adds slides; else nothing.
    // O(n) pointer comparisons and O(k log k) for k slides added.
    std::optional<SlideListDelta> insertionDelta(const SlideList& after) const;

    Project project_;
    std::unordered_map<Uuid, std::size_t> slideIndex_;
    ImageDataMap imageData_;
    std::shared_ptr<StagingFolder> staging_;
    std::optional<Bytes> logoData_;
    SlideIDSet selectedSlideIDs_;
    std::optional<Uuid> committedPreviewSlideID_;
    std::vector<Uuid> draggingSlideIDs_;
    bool isDraggingSlide_ = false;
    std::weak_ptr<UndoHistory> undoHistory_;
    std::optional<Project> continuousEditBefore_;
    std::string continuousEditName_;
    std::int64_t previewCommitGeneration_ = 0;

    struct ObserverEntry {
        ObserverID id;
        std::shared_ptr<Observer> observer;
    };
    std::vector<ObserverEntry> observers_;
    ObserverID nextObserverID_ = 1;

    Scheduler scheduler_;
    std::vector<std::function<void()>> postedTasks_;
    // Expires with the document, so that scheduled tasks can tell it is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace mosavelle
