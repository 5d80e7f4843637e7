#pragma once

#include <QMainWindow>
#include <filesystem>
#include <vector>

class QMimeData;

namespace mosavelle::app {

class ContentView;
class DocumentHandle;
class DocumentSaving;
class WindowActions;

// The top-level window of one open deck: shows its ContentView with the toolbar and the menu bar
// of its actions. Saving, reverting and the unsaved-changes question on close are its
// DocumentSaving's; the window asks it before it closes.
class DocumentWindow : public QMainWindow {
    Q_OBJECT
public:
    // The handle belongs to the owner of the open documents, which keeps it until this window
    // is destroyed.
    explicit DocumentWindow(DocumentHandle& handle, QWidget* parent = nullptr);
    ~DocumentWindow() override;

    DocumentHandle& handle() { return handle_; }
    ContentView& contentView() { return *contentView_; }
    WindowActions& windowActions() { return *actions_; }

    // Save, Save As, Revert to Saved and the stamp of the package as last read or written.
    DocumentSaving& saving() { return *saving_; }

    // Closes without any question and without waiting for a save or an export (which is
    // cancelled): for an end of the program that cannot ask. Unsaved changes are the caller's.
    void closeWithoutAsking();

Q_SIGNALS:
    // The window is closing for good (its handle goes with it).
    void closing();
    // A close the user started was called off (Cancel, a failed save, the content refused).
    void closeCancelled();
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
    // Lets the window go: edits in progress end (an import still arriving is abandoned).
    void acceptClose(QCloseEvent* event);
    // Project folders among dropped items; empty for any other drop.
    static std::vector<std::filesystem::path> droppedPackages(const QMimeData* mime);

    DocumentHandle& handle_;
    ContentView* contentView_ = nullptr;
    WindowActions* actions_ = nullptr;
    bool watchingDrops_ = false;
    DocumentSaving* saving_ = nullptr;
    bool closeConfirmed_ = false;
};

}  // namespace mosavelle::app
