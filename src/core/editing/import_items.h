#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/import/import_plan.h"
#include "core/model/document.h"
#include "core/platform/bytes.h"

namespace mosavelle {

// Applying imports to a document. Planning (reading files, digests, facts) is in
// core/import/import_plan.h and never touches a document.

// Adds one picture (bytes stored under a new identifier) and one single-picture slide per item,
// in order, at the end of the deck; the caption is what the deck's caption setting makes of the
// picture (see captionForPicture), dates and times written for `locale` (empty: the process's). A
// deck that is not in manual order is then re-sorted. One undo step "Import Images" (none for an
// empty list); the stored bytes stay when it is undone. The selection becomes the last slide of the
// deck, when there is one.
void importItems(MosavelleDocument& document, const std::vector<ImportItem>& items,
                 std::string_view locale = {});

// Imports the plan's items, followed by its duplicates when `keepDuplicates`, and returns the
// import notes (see importNotes) for the window to show.
std::optional<std::string> applyImportPlan(MosavelleDocument& document, const ImportPlan& plan,
                                           bool keepDuplicates, std::string_view locale = {});

// One import whose pictures reach the deck while its files are still being examined. Each `add`
// shows the next items in the deck at once, where the whole import puts them (see importItems),
// without an undo step; `commit` makes everything added one step "Import Images" and selects
// the deck's last slide, exactly as importItems with all the items would; `cancel`, or the end
// of a session that was not committed, puts the deck and its picture bytes back as they were and
// leaves no step. importItems and applyImportPlan are a session given everything at once.
//
// While it is open the deck counts as changed (the session is the document's open continuous
// edit) and nothing else should edit it. Should something close that edit all the same (an undo
// closes the open edit first), what had arrived stays as that step and what follows is a
// session of its own. Interface thread only; the document outlives the session.
class ImportSession {
public:
    // Closes a continuous edit left open (as the step it names) and opens the import's.
    explicit ImportSession(MosavelleDocument& document, std::string locale = {});
    ~ImportSession();
    ImportSession(const ImportSession&) = delete;
    ImportSession& operator=(const ImportSession&) = delete;

    // One picture (bytes stored under a new identifier) and one single-picture slide per item,
    // in order, after those added before; a deck that is not in manual order is re-sorted, so
    // they take their sorted places. Nothing once committed or cancelled.
    void add(std::span<const ImportItem> items);
    // How many items were added.
    std::size_t added() const { return pictureIDs_.size(); }
    bool isOpen() const { return open_; }
    void commit();
    void cancel();

private:
    bool holdsEdit() const;
    void holdEdit();

    MosavelleDocument& document_;
    std::string locale_;
    ImageDataMap picturesBefore_;
    std::vector<Uuid> pictureIDs_;
    // The project as the last `add` left a sorted deck; while the deck is still that, its slides
    // are in order and the next batch only has to find its own places.
    std::optional<Project> sortedByAdd_;
    bool open_ = true;
};

// Whether the document's open continuous edit is an ImportSession's: pictures shown as they
// arrive, which become part of the deck only when the session commits. A window asking whether
// the deck has unsaved changes leaves them out.
bool importInProgress(const MosavelleDocument& document);

// Ends `session` with the finished `plan`, of whose items the session shows the first
// session.added() as they were accepted (so a plan shown while it is made takes every picture's
// digest; see DigestScope): adds the rest of them, then the duplicates when `keepDuplicates`,
// commits, and returns the import notes (see importNotes).
std::optional<std::string> applyImportPlan(ImportSession& session, const ImportPlan& plan,
                                           bool keepDuplicates);

// What "Paste Images" found on the clipboard, already extracted by the application: file
// locations, or else pictures converted to PNG (absent for a picture that could not be
// converted).
struct PastedContent {
    std::vector<std::filesystem::path> fileURLs;
    std::vector<std::optional<Bytes>> pngPictures;
};

// The items "Paste Images" adds, worked out anywhere (a worker thread included; it reads files
// and decodes picture facts, so the interface thread should not run it). File locations, when
// there are any, are planned without subfolders against `existingImages`; duplicates are dropped
// and failures not reported. Otherwise each picture N (counting from 1 in clipboard order,
// skipped pictures included) that reads as a picture becomes an item named "Clipboard N.png".
// `options` report progress (pictures or files examined) and stop the work between two of them;
// nothing when stopped. A worker should be given its own copy of the deck's picture list (a
// cheap copy, see ImageList), never a reference into a document that keeps changing.
std::optional<std::vector<ImportItem>> planPastedItems(const PastedContent& content,
                                                       const ImageList& existingImages,
                                                       const ImportPlanOptions& options = {});

// planPastedItems against the document's pictures, then one importItems step, on the calling
// thread. An application that plans on a worker calls importItems with the result on the
// document's thread instead.
void pasteImages(MosavelleDocument& document, const PastedContent& content);

}  // namespace mosavelle
