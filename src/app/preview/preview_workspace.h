#pragma once

#include <QList>

#include <QFrame>
#include <QPointer>
#include <QWidget>
#include <optional>

#include "core/model/enums.h"
#include "core/platform/uuid.h"

class QHBoxLayout;
class QLabel;
class QScrollArea;
class QToolButton;

namespace mosavelle::app {

class DocumentHandle;
class FullScreenSlidePreview;
class NotesResizeHandle;
class PresenterNotesPane;
class SlidePreviewView;

// The zoom controls under the canvas: "Fit to Window", the percentage, zoom out and zoom in.
class PreviewZoomBar : public QFrame {
    Q_OBJECT
public:
    explicit PreviewZoomBar(QWidget* parent = nullptr);
    void setState(bool zoomsToFit, int percent);
    QString percentText() const;
    // Compact: "Fit to Window" shows as an icon (its text in the tooltip).
    void setCompact(bool compact);
    bool isCompact() const;

Q_SIGNALS:
    void fitRequested();
    void zoomInRequested();
    void zoomOutRequested();

private:
    static QString fitHelp();

    QToolButton* fit_ = nullptr;
    QLabel* percent_ = nullptr;
};

// The centre of the deck window: the shown slide on a scrolling canvas at the preview zoom, the
// zoom bar with the full-screen button, and the presenter notes pane with its resize handle.
//
// Wiring (the deck window):
// - `setDisplayedSlide` gives the slide to show (or none); the workspace numbers it itself.
// - `setShowsPresenterNotes` shows or hides the notes pane.
// - Slots `zoomToFit`, `zoomIn`, `zoomOut` (the window's View commands and their keys),
//   `showFullScreenPreview`, `focusCanvas`.
// - Signal `slideFull()`: slides dropped on the canvas could not be merged because the shown
//   slide already holds four pictures; the window shows "Unable to Add Image". Dropping merges by
//   itself otherwise, so there is no other merge callback.
// - Signal `activateSlideKeys()`: the canvas was clicked; it now has the keyboard focus, so the
//   window's SlideKeyFilter receives arrow keys and Delete.
// Zoom and notes height are the shared PreviewPreferences; every workspace follows them.
class PreviewWorkspace : public QWidget {
    Q_OBJECT
public:
    PreviewWorkspace(DocumentHandle& handle, QWidget* parent = nullptr);
    ~PreviewWorkspace() override;

    void setDisplayedSlide(std::optional<Uuid> slideID);
    const std::optional<Uuid>& displayedSlide() const { return slideID_; }
    void setShowsPresenterNotes(bool shown);
    bool showsPresenterNotes() const { return showsNotes_; }

    // The zoom the canvas is drawn at, and the fit zoom last computed for the canvas area.
    double zoom() const;
    double lastFitScale() const { return lastFitScale_; }

    SlidePreviewView* canvas() const { return canvas_; }
    PresenterNotesPane* notesPane() const { return notes_; }
    PreviewZoomBar* zoomBar() const { return zoomBar_; }
    QToolButton* fullScreenButton() const { return fullScreenButton_; }
    QScrollArea* scrollArea() const { return scroll_; }
    FullScreenSlidePreview* fullScreenPreview() const;

public Q_SLOTS:
    void zoomToFit();
    void zoomIn();
    void zoomOut();
    void showFullScreenPreview();
    // Gives the canvas the keyboard focus, unless a text field (anywhere in the window) is being
    // edited.
    void focusCanvas();

Q_SIGNALS:
    void slideFull();
    void activateSlideKeys();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyPreferences();
    void fitBottomRow();
    void updateZoom();
    // Zooms by `factor` keeping the point of the slide under `anchor` (viewport coordinates)
    // where it is: the pointer for Ctrl+wheel, the centre for the keys.
    void zoomAround(double factor, QPointF anchor);

    DocumentHandle& handle_;
    std::optional<Uuid> slideID_;
    bool showsNotes_ = true;
    double lastFitScale_ = 1.0;
    SlideSizePreset zoomedFor_ = SlideSizePreset::widescreen;  // the page size updateZoom() fitted
    QScrollArea* scroll_ = nullptr;
    SlidePreviewView* canvas_ = nullptr;
    PreviewZoomBar* zoomBar_ = nullptr;
    QToolButton* fullScreenButton_ = nullptr;
    QHBoxLayout* bottomRow_ = nullptr;
    NotesResizeHandle* notesHandle_ = nullptr;
    PresenterNotesPane* notes_ = nullptr;
    QLabel* notesNotice_ = nullptr;  // the pane's sentence about the notes, under it
    QPointer<FullScreenSlidePreview> fullScreen_;
};

}  // namespace mosavelle::app
