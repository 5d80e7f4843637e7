#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "core/editing/import_items.h"
#include "core/import/import_plan.h"

class QMessageBox;
class QMimeData;
class QProgressDialog;
class QWidget;

namespace mosavelle::app {

class DocumentHandle;

// How pictures come into one deck window: chosen files and folders, drops, and the clipboard.
// Files are found, read, hashed and examined on a worker thread; more than a handful of files
// show a progress dialog whose Cancel imports nothing, and their pictures appear in the deck
// behind it as they are accepted (the first at once, then in batches), without an undo step
// until the import ends. The window asks whether to include subfolders (once per batch, when
// any location is a folder) and what to do with exact duplicates, then makes the import one step
// ("Import Images") and shows the import notes when there are any; Cancel at any point puts the
// deck back as it was. One import runs at a time; a request made while one is running or
// waiting for an answer is refused.
class ImportFlow : public QObject {
    Q_OBJECT
public:
    // Imports with more files than this show the progress dialog.
    static constexpr std::size_t quietFileCount = 5;

    // Dialogs are window-modal to `window`.
    ImportFlow(DocumentHandle& handle, QWidget* window);
    // Stops a planning in progress; nothing is imported.
    ~ImportFlow() override;

    // Ends an import whose pictures are already showing in the deck (the window is closing):
    // its planning stops, its questions close and the deck goes back to where it was. Nothing
    // happens without such an import.
    void abandon();

    // The decision flow for locations from the open dialog or a drop.
    void importURLs(std::vector<std::filesystem::path> urls);
    // A drop from another program: file locations (as URLs or as text), else picture data,
    // stored as a picture the way a pasted one is (one that cannot be read is reported in the
    // import notes). False when the data holds neither.
    bool importDropped(const QMimeData& data);
    // Whether a drag carrying `data` is one importDropped would take.
    static bool canImport(const QMimeData& data);
    // "Paste Images": files on the clipboard are imported without questions (duplicates dropped,
    // problems not reported), else pictures on it.
    void pasteImages(const QMimeData& data);

    // Pictures and folders named on the command line: no question is asked (subfolders are not
    // searched, duplicates are dropped), progress shows as for chosen files, and the import notes
    // go to standard error.
    void importFromCommandLine(std::vector<std::filesystem::path> urls);

    bool isBusy() const { return busy_; }

Q_SIGNALS:
    // The deck took the pictures of an import (also when it added none).
    void imported();
    // The import under way ended: imported, cancelled or failed.
    void ended();

private:
    // Where the locations came from: chosen files ask and report, pasted files neither, files
    // from the command line report without asking.
    enum class Kind { chosen, pasted, commandLine };
    struct Job;
    void plan(std::vector<std::filesystem::path> urls, bool includeSubfolders, Kind kind);
    void onProgress(const std::shared_ptr<Job>& job, std::size_t done, std::size_t total,
                    std::vector<ImportItem> accepted);
    void onPlanned(const std::shared_ptr<Job>& job, std::optional<ImportPlan> plan);
    // Shows the accepted pictures that are waiting in the deck.
    void showArrived();
    // Drops the pictures waiting and puts the deck back as it was before the import.
    void takeBackArrivals();
    // Makes the plan one step in the deck (see applyImportPlan); the notes.
    std::optional<std::string> applyToDeck(const ImportPlan& plan, bool keepDuplicates);
    void apply(const ImportPlan& plan, bool keepDuplicates);
    void importPicture(QByteArray encoded, QImage image, bool reportFailure);
    QMessageBox* makeAlert(const QString& title, const QString& message);
    // The "Import notes" alert with `notes`.
    void showNotes(const QString& notes);
    void finish();

    DocumentHandle& handle_;
    QWidget* window_;
    bool busy_ = false;
    std::shared_ptr<Job> job_;
    QPointer<QProgressDialog> progress_;
    QElapsedTimer progressShown_;  // since the dialog's count last moved
    QPointer<QMessageBox> duplicateQuestion_;
    // The import showing its pictures in the deck: from the progress dialog to the end.
    std::unique_ptr<ImportSession> session_;
    // Accepted pictures not yet in the deck, and the pause that gathers them into one change.
    std::vector<ImportItem> arrived_;
    QTimer arrivals_;
    std::vector<std::filesystem::path> pendingFolderURLs_;
    std::optional<ImportPlan> duplicatePlan_;
};

}  // namespace mosavelle::app
