#pragma once

#include <QPoint>
#include <QWidget>
#include <optional>
#include <vector>

#include "core/layout/rendered_slide.h"
#include "core/model/project.h"
#include "core/platform/stored_bytes.h"
#include "core/platform/uuid.h"

class QAction;

namespace mosavelle::app {

class DocumentHandle;

// The canvas that draws one slide of a deck at `canvasScale` (one inch of slide is 72 × scale
// points) and sizes itself to it. It repaints on every document change and whenever a thumbnail
// it may show becomes ready.
//
// With `interactiveCrop` (the workspace) it also takes the pointer:
// - Alt-click on a picture takes it off the slide ("Remove Image from Slide"), as does the
//   picture's context menu (the window's action, given with setPictureMenuAction);
// - dragging a picture of a slide in `fill` mode moves the crop anchor of its slot on every
//   selected slide, linearly from the anchor at the start of the drag (400 points of pointer
//   travel cross the whole excess), clamped to 0...1, as one "Adjust Crop" undo step; Escape
//   during the drag puts the anchor back;
// - navigator slides ("mosavelle-slides:" text) dropped on it are merged into the shown slide
//   ("Add Image to Slide"), with an accent outline while such a drag hovers;
// - a click emits `activated` so the window can route the slide keys to it.
class SlidePreviewView : public QWidget {
    Q_OBJECT
public:
    explicit SlidePreviewView(DocumentHandle& handle, QWidget* parent = nullptr);

    void setSlide(std::optional<Uuid> slideID);
    const std::optional<Uuid>& slide() const { return slideID_; }
    void setCanvasScale(double scale);
    double canvasScale() const { return scale_; }
    void setInteractiveCrop(bool interactive);
    // A border in the separator colour and a soft shadow around the canvas (the workspace's
    // look; the full-screen preview has none).
    void setShowsChrome(bool shows);
    bool isMergeDropTargeted() const { return mergeTargeted_; }
    // The window's action a picture's context menu offers; it runs on the slide and the picture
    // under the pointer, and is enabled only while the slide shows two or more pictures.
    void setPictureMenuAction(QAction* removeImage) { removeImage_ = removeImage; }

    QSize sizeHint() const override;
    // Position of the picture with this identifier on the canvas, for tests and accessibility.
    QRectF pictureRect(const Uuid& pictureID) const;

    // What assistive technology is told about the drawn pictures and the logo, in drawing order:
    // "Image N" (with ", " and the file name when known), "Missing image" or "Logo", with the
    // removal hint when the slide holds two or more pictures.
    struct AccessibleItem {
        QString name;
        QString description;
        QRect rect;
    };
    std::vector<AccessibleItem> accessibleItems() const;

Q_SIGNALS:
    void activated();  // the canvas was clicked
    void slideFull();  // a merge drop found the shown slide full ("Unable to Add Image")

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct HitPicture {
        Uuid pictureID;
        QRectF rect;
    };
    const Slide* shownSlide() const;
    std::vector<HitPicture> hitPictures() const;
    std::optional<Uuid> pictureAt(const QPointF& point) const;
    void updateCropDrag(const QPoint& globalPosition);
    void finishCropDrag(bool cancelled);
    void setMergeTargeted(bool targeted);
    void refreshAccessibility();
    bool showsWhatWasPainted() const;

    // What the last paint drew from: the laid-out slide, the deck's appearance (fonts, logo
    // position), and the record and stored bytes of each of its pictures (none for a missing
    // one). A change elsewhere in the deck, as each batch of an import is, leaves all of it as it
    // was and so repaints nothing.
    struct PaintedPicture {
        std::optional<SourceImage> record;
        std::optional<StoredBytes> bytes;
    };
    struct Painted {
        RenderedSlide rendered;
        AppearanceSettings appearance;
        std::vector<PaintedPicture> pictures;
    };
    Painted paintedNow(const Slide& slide) const;
    std::optional<Painted> painted_;

    DocumentHandle& handle_;
    std::optional<Uuid> slideID_;
    double scale_ = 1.0;
    bool interactive_ = false;
    bool showsChrome_ = false;
    bool mergeTargeted_ = false;
    QAction* removeImage_ = nullptr;  // the window's; it outlives the view

    // Pointer gesture on a picture.
    std::optional<Uuid> pressedPicture_;
    QPoint pressGlobal_;
    bool pressWithAlt_ = false;
    bool dragging_ = false;
    std::size_t dragSlot_ = 0;
};

}  // namespace mosavelle::app
