#pragma once

#include <QObject>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "app/document/package_io.h"

namespace mosavelle::app {

class DocumentHandle;

// What the platform's document machinery does for one open deck: save, save as, revert, the
// unsaved-changes question on close, and the check that nobody else rewrote the package since
// this deck was read or written. Its dialogs are window-modal to `window`, which owns it.
class DocumentSaving : public QObject {
    Q_OBJECT
public:
    // Called with true when the deck was written (or nothing needed writing), false when the
    // user cancelled or the save failed (the alert was shown).
    using SaveDone = std::function<void(bool saved)>;

    // `commitEdits` ends the text still being typed in the window, so a save or revert covers
    // it. The handle outlives this object.
    DocumentSaving(DocumentHandle& handle, QWidget& window, std::function<void()> commitEdits);

    // The stamp of the package as this deck was last read or written.
    void setPackageStamp(std::optional<PackageStamp> stamp) { stamp_ = stamp; }
    const std::optional<PackageStamp>& packageStamp() const { return stamp_; }

    // "Save": to the package this deck came from, or through the Save dialog while untitled.
    void save(SaveDone done = {});
    // "Save As…": always asks for a destination.
    void saveAs(SaveDone done = {});
    // Writes the deck to `package` in the background without asking anything first. Another
    // program's save that lands while this one waits for the package asks about it then.
    void saveTo(const std::filesystem::path& package, SaveDone done = {});
    bool isSaving() const { return saving_; }
    // "Revert to Saved": asks, then reads the package again and drops the undo steps.
    void revertToSaved();
    // Reads the package again without asking.
    void revertNow();
    // The question before closing a deck with changes: "Save" (then `decided(true)` once
    // written), "Don’t Save" (`decided(true)`) or "Cancel" (`decided(false)`). Asking again
    // while the question shows does nothing.
    void askToSaveChanges(std::function<void(bool mayClose)> decided);

Q_SIGNALS:
    // A save wrote the package.
    void saved();
    // A save ended, written or not.
    void saveFinished(bool saved);
    // The deck was read again from its package.
    void reverted();
    // The list of recent projects changed (a save added the package).
    void recentProjectsChanged();

private:
    void askAboutExternalChange(const std::filesystem::path& package, SaveDone done);
    void showSaveFailure(const QString& message);
    void finishSave(const std::filesystem::path& package, std::uint64_t changesAtSnapshot,
                    const Project& snapshotProject, PackageWriteOutcome outcome, SaveDone done);

    DocumentHandle& handle_;
    QWidget& window_;
    std::function<void()> commitEdits_;
    std::optional<PackageStamp> stamp_;
    bool saving_ = false;
    // Project changes seen since the deck was opened; a save marks the history clean only when
    // no change arrived while its snapshot was being written.
    std::uint64_t projectChanges_ = 0;
};

}  // namespace mosavelle::app
