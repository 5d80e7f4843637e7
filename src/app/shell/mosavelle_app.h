#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "app/document/document_handle.h"
#include "app/shell/command_line.h"
#include "app/thumbnails/thumbnail_provider.h"

namespace mosavelle::app {

class DocumentWindow;

// The application: owner of the open documents and their windows, the launch rules, opening
// projects (also from "Open Recent" and drops), imports asked for on the command line, and quitting
// with a question per changed deck. One instance, made by main() (and by tests); interface thread
// only.
class MosavelleApp : public QObject {
    Q_OBJECT
public:
    MosavelleApp();
    ~MosavelleApp() override;

    // What a launch does with the command line: the projects it names, one window each; the
    // pictures of --import in one new untitled window; and otherwise exactly one new untitled
    // window. When every project failed to open (its alert has been shown) and nothing else
    // came up, an untitled window is opened so that the application is never left windowless.
    void launch(const LaunchRequest& request);

    // A new untitled deck in a new window, shown.
    DocumentWindow* newDocument();
    // A window for this deck, shown; the application keeps the handle until the window is gone.
    DocumentWindow* openWindow(std::unique_ptr<DocumentHandle> handle);
    ThumbnailProvider& thumbnails() { return thumbnails_; }
    // Opens a project package (reading it off the interface thread); a project that is open
    // already brings its window forward. `done` gets the window, or null after a failure (whose
    // alert was shown).
    void openPackage(const std::filesystem::path& package,
                     std::function<void(DocumentWindow*)> done = {});
    // The Open dialog, window-modal on `parent` when given.
    void showOpenDialog(QWidget* parent);
    // A new untitled deck with these pictures and folders imported (subfolders not searched;
    // repeated pictures kept once) through the window's import flow: off the interface thread,
    // with the flow's progress and Cancel.
    DocumentWindow* importIntoNewDocument(const QStringList& paths);

    // Closes every window, asking about unsaved changes one window at a time; stops at the
    // first Cancel. The application quits when the last window is gone.
    void quit();
    bool isQuitting() const { return quitting_; }
    // Ends the program without asking anything, for a session that is ending (SIGTERM, SIGHUP):
    // edits in progress are committed; each deck with unsaved changes is kept for a later
    // recovery (its staging folder stays, with the deck written into it as a project package
    // named after it), then every window closes without a question, the other decks' staging
    // folders go as usual, and the application quits. The writing happens off the interface
    // thread; later calls do nothing.
    void quitWithoutAsking();

    const QList<DocumentWindow*>& windows() const { return windows_; }
    int pendingOpens() const { return pendingOpens_; }

    // Whether closing the last window ends the program (tests turn it off).
    void setQuitsWithLastWindow(bool quits) { quitsWithLastWindow_ = quits; }

Q_SIGNALS:
    void recentProjectsChanged();
    void windowOpened(mosavelle::app::DocumentWindow* window);
    // The import of importIntoNewDocument reached its window (or failed).
    void importFinished(mosavelle::app::DocumentWindow* window);

private:
    void windowClosing(DocumentWindow* window);
    void closeNextForQuit();
    void openFinished();
    // What an open asked for in `window` does once done: an untouched untitled `window` (no
    // slides, nothing to undo, no import running) closes, so the project takes its place.
    std::function<void(DocumentWindow*)> replacingIfUntouched(DocumentWindow* window);

    // Made before and gone after every document that paints from it.
    ThumbnailProvider thumbnails_;
    // The open documents, each with its window; a handle goes once its window is destroyed.
    std::map<QObject*, std::unique_ptr<DocumentHandle>> documents_;
    QList<DocumentWindow*> windows_;
    // Packages being read, so that asking twice does not open two windows.
    QSet<QString> opening_;
    int pendingOpens_ = 0;
    bool quitting_ = false;
    bool quitsWithLastWindow_ = true;
    bool launching_ = false;
    bool endingWithoutAsking_ = false;
};

}  // namespace mosavelle::app
