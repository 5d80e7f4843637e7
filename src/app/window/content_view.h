#pragma once

#include <QWidget>

class QSplitter;
class QStackedWidget;
class QToolBar;

namespace mosavelle::app {

class DocumentHandle;

// The content of one deck window: the slide navigator on the left, the preview workspace (or the
// welcome canvas, or the "Select a slide" placeholder) in the middle, the inspector on the right,
// with the toolbar, the import flow, the sheets and the reactions to the app's notifications.
// Menu commands of the shell reach the focused window through the public operations below.
class ContentView : public QWidget {
    Q_OBJECT
public:
    explicit ContentView(DocumentHandle& handle, QWidget* parent = nullptr);
    ~ContentView() override;

    DocumentHandle& handle() { return handle_; }

    // --- Commands routed here by the shell's menus and toolbar.
    void importImages();             // open dialog for picture files
    void importFolder();             // open dialog for one folder
    void pasteImagesFromClipboard();  // "Paste Images"
    void showHelpSheet();
    void showWelcomeSheet();
    void beginExport();        // the export sheet, when the deck has included slides
    void showDeckSettings();
    void setShowsInspector(bool shown);
    bool showsInspector() const { return showsInspector_; }
    void setShowsGrid(bool grid);  // navigator as a grid instead of a list
    bool showsGrid() const { return showsGrid_; }
    void zoomToFit();
    void zoomIn();
    void zoomOut();
    void showFullScreenPreview();

    // The window's toolbar ("mosavelle.document"); the deck window adds it to itself.
    QToolBar* toolBar() const { return toolBar_; }

    // Asked before the window closes: false when the user chose to keep it open (for example an
    // export is running and the user does not want to cancel it). Unsaved changes are the
    // window's own question, asked after this one.
    bool prepareToClose();

private:
    DocumentHandle& handle_;
    QSplitter* splitter_ = nullptr;
    QWidget* navigatorColumn_ = nullptr;
    QStackedWidget* detailColumn_ = nullptr;
    QWidget* inspectorColumn_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    bool showsInspector_ = true;
    bool showsGrid_ = false;
};

}  // namespace mosavelle::app
