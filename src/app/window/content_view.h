#pragma once

#include <QStringList>
#include <QWidget>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/window/warning_strip.h"
#include "core/model/document.h"
#include "core/model/project.h"

class QSplitter;
class QStackedWidget;

namespace mosavelle::app {

class DocumentHandle;
class ExportFlow;
class ImportFlow;
class PreviewWorkspace;
class NavigatorView;
class SelectSlidePlaceholder;
class WelcomeCanvas;

// The content of one deck window: the slide navigator on the left, the preview workspace (or the
// welcome canvas, or the "Select a slide" placeholder) in the middle, the inspector on the right,
// with the import flow and the sheets. The window's commands reach it through the public
// operations below.
class ContentView : public QWidget {
    Q_OBJECT
public:
    explicit ContentView(DocumentHandle& handle, QWidget* parent = nullptr);
    ~ContentView() override;

    DocumentHandle& handle() { return handle_; }

    // --- Commands of the window's actions.
    void importImages();              // open dialog for picture files
    void importFolder();              // open dialog for one folder
    void pasteImagesFromClipboard();  // "Paste Images"
    void showHelpSheet();
    void showWelcomeSheet();
    void beginExport();  // the export sheet, when the deck has included slides
    void showDeckSettings();
    void setShowsInspector(bool shown);
    bool showsInspector() const { return showsInspector_; }
    void setShowsGrid(bool grid);  // navigator as a grid instead of a list
    bool showsGrid() const { return showsGrid_; }
    void zoomToFit();
    void zoomIn();
    void zoomOut();
    void showFullScreenPreview();
    void renamePrimarySlide();  // the slide's name field in the navigator

    // Makes every edit in progress part of the deck: the slide name being typed in the navigator
    // is stored, and the open continuous edit (notes being typed, a slider held) becomes its undo
    // step; an import whose pictures are arriving is abandoned instead. Called before anything
    // reads or replaces the deck as a whole: save, revert, export, a window that goes.
    void commitEditsInProgress();
    // The same for typed edits only: an import whose pictures are arriving goes on (the close
    // question is about the deck without them, and Cancel leaves the import running).
    void commitTypedEdits();

    // Asked before the window closes: false when the user chose to keep it open (for example an
    // export is running and the user does not want to cancel it). Unsaved changes are the
    // window's own question, asked after this one.
    bool prepareToClose();

    // --- The slide on show and keyboard focus.
    // The slide the preview shows: while slides are dragged, the committed preview slide (when it
    // still exists), so that the preview holds still under the drag; otherwise the primary slide.
    std::optional<Slide> displayedSlide() const;
    // Gives the slide canvas keyboard focus, unless the deck is empty or a text field has it
    // (an edit in progress keeps focus). Runs again on the next turn of the event loop.
    void focusCanvas();
    // The "Unable to Add Image" alert.
    void showUnableToAddImage();
    // Locations from the open dialog or a drop, through the import questions.
    void importURLs(std::vector<std::filesystem::path> urls);

    // The notes pane of the preview workspace (persisted per user).
    bool showsPresenterNotes() const { return showsPresenterNotes_; }
    void setShowsPresenterNotes(bool shown);

    NavigatorView& navigator() { return *navigator_; }
    ImportFlow& importFlow() { return *importFlow_; }
    WarningStrip& warningStrip() { return *warningStrip_; }
    // The middle column's page on show: the welcome canvas, the placeholder or the preview.
    QWidget* currentDetailPage() const;
    QWidget* welcomeCanvas() const;
    // The slide canvas of the preview workspace, which takes keyboard focus.
    QWidget* canvas() const;
    PreviewWorkspace& previewWorkspace() { return *workspace_; }
    ExportFlow& exportFlow() { return *exportFlow_; }

Q_SIGNALS:
    // The grid or the inspector was shown or hidden.
    void viewChanged();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The middle column's preview workspace and the inspector column.
    QWidget* makePreview(QWidget* parent);
    QWidget* makeInspector(QWidget* parent);

    void onDocumentChanged(const DocumentChange& change);
    void schedulePreviewCommit();
    void commitPreviewLater(std::int64_t generation);
    void updateDetail();
    bool hasIncludedSlides() const;

    DocumentHandle& handle_;
    QSplitter* splitter_ = nullptr;
    NavigatorView* navigator_ = nullptr;
    QWidget* navigatorColumn_ = nullptr;
    QStackedWidget* detailColumn_ = nullptr;
    WelcomeCanvas* welcome_ = nullptr;
    SelectSlidePlaceholder* placeholder_ = nullptr;
    QWidget* previewPage_ = nullptr;
    WarningStrip* warningStrip_ = nullptr;
    SlideSizeOverflows sizeOverflows_;
    QWidget* inspectorColumn_ = nullptr;
    ImportFlow* importFlow_ = nullptr;
    ExportFlow* exportFlow_ = nullptr;
    PreviewWorkspace* workspace_ = nullptr;
    bool showsInspector_ = true;
    bool showsGrid_ = false;
    bool showsPresenterNotes_ = true;
    bool firstShown_ = false;
    bool canvasHasKeyFocus_ = false;
    std::size_t slideCount_ = 0;
    QObject* dropWatched_ = nullptr;
};

}  // namespace mosavelle::app
