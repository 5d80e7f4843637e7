#pragma once

#include <QMainWindow>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "app/document/package_io.h"

class QMimeData;

namespace mosavelle::app {

class ContentView;
class DocumentHandle;
class WindowActions;

// The top-level window of one open deck: shows its ContentView with the toolbar and the menu bar
// of its actions, and does what the platform's document machinery does for a
// document: save, save as, revert, the unsaved-changes question on close, and the check that
// nobody else rewrote the package since this window read or wrote it.
class DocumentWindow : public QMainWindow {
    Q_OBJECT
public:
    // Called with true when the deck was written (or nothing needed writing), false when the
    // user cancelled or the save failed (the alert was shown).
    using SaveDone = std::function<void(bool saved)>;

    // The handle belongs to the owner of the open documents, which keeps it until this window
    // is destroyed.
    explicit DocumentWindow(DocumentHandle& handle, QWidget* parent = nullptr);
    ~DocumentWindow() override;

    DocumentHandle& handle() { return handle_; }
    ContentView& contentView() { return *contentView_; }
    WindowActions& windowActions() { return *actions_; }

    // The stamp of the package as this window last read or wrote it.
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
    // Closes without any question and without waiting for a save or an export (which is
    // cancelled): for an end of the program that cannot ask. Unsaved changes are the caller's.
    void closeWithoutAsking();

Q_SIGNALS:
    // The window is closing for good (its handle goes with it).
    void closing();
    // A close the user started was called off (Cancel, a failed save, the content refused).
    void closeCancelled();
    // A save wrote the package.
    void saved();
    // A save ended, written or not.
    void saveFinished(bool saved);
    // Commands of the application, asked for in this window; the application answers them.
    void newDocumentRequested();
    void openRequested();
    void openPackageRequested(const std::filesystem::path& package);
    void quitRequested();
    // The list of recent projects changed here (a save, "Clear Menu").
    void recentProjectsChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateTitle();
    void askToSaveChanges();
    void askAboutExternalChange(const std::filesystem::path& package, SaveDone done);
    void showSaveFailure(const QString& message);
    // Project folders among dropped items; empty for any other drop.
    static std::vector<std::filesystem::path> droppedPackages(const QMimeData* mime);

    DocumentHandle& handle_;
    ContentView* contentView_ = nullptr;
    WindowActions* actions_ = nullptr;
    bool watchingDrops_ = false;
    std::optional<PackageStamp> stamp_;
    bool saving_ = false;
    bool closeConfirmed_ = false;
    bool closeAfterSave_ = false;
    // Project changes seen since the window started; a save marks the history clean only when
    // no change arrived while its snapshot was being written.
    std::uint64_t projectChanges_ = 0;
};

}  // namespace mosavelle::app
