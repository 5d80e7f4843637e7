#include "app/preview/slide_preview_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QDrag>
#include <QGraphicsDropShadowEffect>
#include <QHelpEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <map>

#include "app/document/document_handle.h"
#include "app/preview/slide_painter.h"
#include "app/support/context_menu.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "core/editing/navigator_text.h"
#include "core/editing/slide_operations.h"
#include "core/editing/slide_settings.h"
#include "core/layout/rendered_slide.h"
#include "core/model/edit_step.h"

namespace mosavelle::app {

namespace {

constexpr double dragThreshold = 10.0;  // points of movement before a press becomes a drag
constexpr double cropTravel = 400.0;    // points of drag that cross the whole excess

SizingMode effectiveMode(const Slide& slide, const Project& project) {
    return slide.placementOverride ? slide.placementOverride->mode
                                   : project.appearance.defaultPlacement.mode;
}

// One drawn picture (or placeholder, or the logo) of a canvas, as an accessible element. It
// reads the canvas's current items on every query, so it never holds stale text.
class CanvasItemAccessible : public QAccessibleInterface {
public:
    CanvasItemAccessible(SlidePreviewView* canvas, int index) : canvas_(canvas), index_(index) {}
    bool isValid() const override { return canvas_ && index_ < itemCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return canvas_ ? canvas_->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(canvas_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        const auto item = canvas_->accessibleItems()[std::size_t(index_)];
        if (t == QAccessible::Name)
            return item.name;
        if (t == QAccessible::Description)
            return item.description;
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect r = canvas_->accessibleItems()[std::size_t(index_)].rect;
        return QRect(canvas_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::Graphic; }
    QAccessible::State state() const override { return {}; }

private:
    int itemCount() const { return int(canvas_->accessibleItems().size()); }
    QPointer<SlidePreviewView> canvas_;
    int index_;
};

// The canvas: a container labelled "Slide N" whose children are its drawn pictures.
class CanvasAccessible : public QAccessibleWidget {
public:
    explicit CanvasAccessible(SlidePreviewView* canvas)
        : QAccessibleWidget(canvas, QAccessible::Grouping) {}
    ~CanvasAccessible() override {
        for (QAccessible::Id id : children_)
            QAccessible::deleteAccessibleInterface(id);
    }
    int childCount() const override { return int(canvas()->accessibleItems().size()); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        while (int(children_.size()) <= index)
            children_.push_back(QAccessible::registerAccessibleInterface(
                new CanvasItemAccessible(canvas(), int(children_.size()))));
        return QAccessible::accessibleInterface(children_[std::size_t(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (std::size_t i = 0; i < children_.size(); ++i)
            if (QAccessible::accessibleInterface(children_[i]) == child)
                return int(i);
        return -1;
    }

private:
    SlidePreviewView* canvas() const { return static_cast<SlidePreviewView*>(widget()); }
    mutable std::vector<QAccessible::Id> children_;
};

QAccessibleInterface* canvasAccessibleFactory(const QString&, QObject* object) {
    if (auto* canvas = qobject_cast<SlidePreviewView*>(object))
        return new CanvasAccessible(canvas);
    return nullptr;
}

}  // namespace

SlidePreviewView::SlidePreviewView(DocumentHandle& handle, QWidget* parent)
    : QWidget(parent), handle_(handle) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(canvasAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    // Reached with Tab too: its keys step through the slides.
    setFocusPolicy(Qt::StrongFocus);
    connect(&handle_, &DocumentHandle::documentChanged, this, [this](const DocumentChange& c) {
        if (c.kind == DocumentChangeKind::project || c.kind == DocumentChangeKind::pictures ||
            c.kind == DocumentChangeKind::logo) {
            updateGeometry();
            refreshAccessibility();
            if (c.kind == DocumentChangeKind::logo || !showsWhatWasPainted())
                update();
        }
    });
    // Only thumbnails this slide may show (its pictures, or the logo) cause a repaint.
    connect(&handle_.thumbnails(), &ThumbnailProvider::thumbnailReady, this,
            [this](const Uuid& id) {
                const Slide* slide = shownSlide();
                if (!slide)
                    return;
                const bool shown = std::any_of(slide->slots.begin(), slide->slots.end(),
                                               [&](const ImageSlot& s) { return s.imageID == id; });
                if (shown || handle_.document().logoData())
                    update();
            });
    refreshAccessibility();
}

void SlidePreviewView::setSlide(std::optional<Uuid> slideID) {
    if (slideID_ == slideID)
        return;
    if (dragging_)
        finishCropDrag(true);
    slideID_ = slideID;
    pressedPicture_.reset();
    refreshAccessibility();
    update();
}

void SlidePreviewView::setCanvasScale(double scale) {
    if (!(scale > 0) || scale == scale_)
        return;
    scale_ = scale;
    const QSize size = sizeHint();
    resize(size);
    updateGeometry();
    update();
}

void SlidePreviewView::setInteractiveCrop(bool interactive) {
    interactive_ = interactive;
    setAcceptDrops(interactive);
}

void SlidePreviewView::setShowsChrome(bool shows) {
    if (showsChrome_ == shows)
        return;
    showsChrome_ = shows;
    if (shows) {
        auto* shadow = new QGraphicsDropShadowEffect(this);
        shadow->setColor(QColor(0, 0, 0, 46));  // black at 18 %
        shadow->setBlurRadius(8);
        shadow->setOffset(0, 2);
        setGraphicsEffect(shadow);
    } else {
        setGraphicsEffect(nullptr);
    }
    update();
}

QSize SlidePreviewView::sizeHint() const {
    const QSizeF size = slideCanvasSize(handle_.document().project().appearance.slideSize, scale_);
    return {int(std::ceil(size.width())), int(std::ceil(size.height()))};
}

SlidePreviewView::Painted SlidePreviewView::paintedNow(const Slide& slide) const {
    const MosavelleDocument& document = handle_.document();
    const Project& project = document.project();
    Painted painted{renderSlide(slide, displayIndexOfSlide(project, slide.id).value_or(0), project),
                    project.appearance,
                    {}};
    for (const PictureFrame& frame : painted.rendered.pictures) {
        PaintedPicture& picture = painted.pictures.emplace_back();
        if (const SourceImage* record = project.sourceImage(frame.imageID))
            picture.record = *record;
        if (const auto found = document.imageData().find(frame.imageID);
            found != document.imageData().end())
            picture.bytes = found->second;
    }
    return painted;
}

// Whether a paint now would draw what the last one did. Only the same layout over the very same
// stored pictures counts; a logo or a placeholder gets a new identifier at every layout, so a
// slide with one always counts as changed.
bool SlidePreviewView::showsWhatWasPainted() const {
    const Slide* slide = shownSlide();
    if (!painted_ || !slide)
        return false;
    const Painted now = paintedNow(*slide);
    const auto same = [](const PaintedPicture& a, const PaintedPicture& b) {
        return a.record == b.record &&
               (a.bytes && b.bytes ? a.bytes->sharesStorageWith(*b.bytes) : !a.bytes && !b.bytes);
    };
    return now.rendered == painted_->rendered && now.appearance == painted_->appearance &&
           std::equal(now.pictures.begin(), now.pictures.end(), painted_->pictures.begin(),
                      painted_->pictures.end(), same);
}

const Slide* SlidePreviewView::shownSlide() const {
    if (!slideID_)
        return nullptr;
    for (const Slide& slide : handle_.document().project().slides)
        if (slide.id == *slideID_)
            return &slide;
    return nullptr;
}

void SlidePreviewView::refreshAccessibility() {
    const Project& project = handle_.document().project();
    const auto index = slideID_ ? displayIndexOfSlide(project, *slideID_) : std::nullopt;
    setAccessibleName(index ? tr("Slide %1").arg(*index + 1) : QString());
}

std::vector<SlidePreviewView::HitPicture> SlidePreviewView::hitPictures() const {
    std::vector<HitPicture> out;
    const Slide* slide = shownSlide();
    if (!slide)
        return out;
    const Project& project = handle_.document().project();
    const RenderedSlide rendered =
        renderSlide(*slide, displayIndexOfSlide(project, slide->id).value_or(0), project);
    const double k = 72.0 * scale_;
    for (const PictureFrame& frame : rendered.pictures) {
        if (!project.sourceImage(frame.imageID))
            continue;  // placeholders are not pictures
        const InchRect& r = frame.frame;
        out.push_back({frame.imageID, QRectF(r.x * k, r.y * k, r.width * k, r.height * k)});
    }
    return out;
}

std::vector<SlidePreviewView::AccessibleItem> SlidePreviewView::accessibleItems() const {
    std::vector<AccessibleItem> items;
    const Slide* slide = shownSlide();
    if (!slide)
        return items;
    const Project& project = handle_.document().project();
    const RenderedSlide rendered =
        renderSlide(*slide, displayIndexOfSlide(project, slide->id).value_or(0), project);
    const double k = 72.0 * scale_;
    const auto onCanvas = [k](const InchRect& r) {
        return QRectF(r.x * k, r.y * k, r.width * k, r.height * k).toAlignedRect();
    };
    const QString hint = rendered.pictures.size() >= 2
                             ? tr("Alt-click to remove this image from the slide")
                             : QString();
    int position = 0;
    for (const PictureFrame& frame : rendered.pictures) {
        ++position;
        if (!pictureIsDrawable(handle_.document(), frame)) {
            items.push_back({tr("Missing image"), QString(), onCanvas(frame.frame)});
            continue;
        }
        const SourceImage* image = project.sourceImage(frame.imageID);
        const QString name = image->originalFileName.empty()
                                 ? tr("Image %1").arg(position)
                                 : tr("Image %1, %2")
                                       .arg(QString::number(position),
                                            QString::fromStdString(image->originalFileName));
        items.push_back({name, hint, onCanvas(frame.frame)});
    }
    if (rendered.logo && handle_.document().logoData())
        items.push_back({tr("Logo"), QString(), onCanvas(rendered.logo->frame)});
    return items;
}

QRectF SlidePreviewView::pictureRect(const Uuid& pictureID) const {
    for (const HitPicture& hit : hitPictures())
        if (hit.pictureID == pictureID)
            return hit.rect;
    return {};
}

std::optional<Uuid> SlidePreviewView::pictureAt(const QPointF& point) const {
    const auto pictures = hitPictures();
    for (auto it = pictures.rbegin(); it != pictures.rend(); ++it)  // topmost first
        if (it->rect.contains(point))
            return it->pictureID;
    return std::nullopt;
}

// --- Painting

void SlidePreviewView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Slide* slide = shownSlide();
    painted_.reset();
    if (!slide)
        return;
    painted_ = paintedNow(*slide);
    const RenderedSlide& rendered = painted_->rendered;
    SlidePaintOptions options;
    options.scale = scale_;
    options.devicePixelRatio = devicePixelRatioF();
    options.showsOverflow = showsChrome_;  // the editing preview's, not the full-screen one's
    paintRenderedSlide(painter, rendered, handle_.document(), handle_.thumbnails(), options);
    if (showsChrome_) {
        painter.setPen(QPen(palette().color(QPalette::Mid), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (showsChrome_ && hasFocus()) {
        // The keyboard focus is seen: a frame in the highlight colour inside the border.
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
    if (mergeTargeted_) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(6, 6, -6, -6), 8, 8);
    }
}

// --- Pointer

void SlidePreviewView::mousePressEvent(QMouseEvent* event) {
    Q_EMIT activated();
    if (!interactive_ || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    pressedPicture_ = pictureAt(event->position());
    pressGlobal_ = event->globalPosition().toPoint();
    pressWithAlt_ = event->modifiers().testFlag(Qt::AltModifier);
    dragging_ = false;
    event->accept();
}

void SlidePreviewView::mouseMoveEvent(QMouseEvent* event) {
    if (!pressedPicture_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint global = event->globalPosition().toPoint();
    if (!dragging_) {
        if (std::hypot(global.x() - pressGlobal_.x(), global.y() - pressGlobal_.y()) <
            dragThreshold)
            return;
        const Slide* slide = shownSlide();
        if (!slide || pressWithAlt_ ||
            effectiveMode(*slide, handle_.document().project()) != SizingMode::fill) {
            pressedPicture_.reset();  // not a crop gesture; nothing more to do with it
            return;
        }
        const auto slot =
            std::find_if(slide->slots.begin(), slide->slots.end(),
                         [&](const ImageSlot& s) { return s.imageID == pressedPicture_; });
        if (slot == slide->slots.end()) {
            pressedPicture_.reset();
            return;
        }
        dragSlot_ = std::size_t(slot - slide->slots.begin());
        dragging_ = true;
        handle_.document().beginContinuousEdit();
    }
    updateCropDrag(global);
}

void SlidePreviewView::updateCropDrag(const QPoint& globalPosition) {
    MosavelleDocument& document = handle_.document();
    const auto& before = document.continuousEditBefore();
    if (!before)
        return;
    // Anchors at the start of the drag, per slide, so the anchor follows the pointer linearly.
    std::map<Uuid, CropAnchor> start;
    for (const Slide& slide : before->slides)
        if (slide.slots.size() > dragSlot_)
            start[slide.id] = slide.slots[dragSlot_].crop;
    const double dx = (globalPosition.x() - pressGlobal_.x()) / cropTravel;
    const double dy = (globalPosition.y() - pressGlobal_.y()) / cropTravel;
    const std::size_t i = dragSlot_;
    editSelectedSlidesLive(document, [&](Slide& slide) {
        const auto found = start.find(slide.id);
        if (slide.slots.size() <= i || found == start.end())
            return;
        slide.slots[i].crop.x = std::clamp(found->second.x - dx, 0.0, 1.0);
        slide.slots[i].crop.y = std::clamp(found->second.y - dy, 0.0, 1.0);
    });
}

void SlidePreviewView::finishCropDrag(bool cancelled) {
    if (!dragging_)
        return;
    dragging_ = false;
    if (cancelled)
        updateCropDrag(pressGlobal_);  // every anchor back where it began
    handle_.document().endContinuousEdit(stepName(EditStep::adjustCrop));
    pressedPicture_.reset();
}

void SlidePreviewView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (dragging_) {
        updateCropDrag(event->globalPosition().toPoint());
        finishCropDrag(false);
        return;
    }
    if (pressedPicture_ && pressWithAlt_ && slideID_) {
        const Uuid picture = *pressedPicture_;
        pressedPicture_.reset();
        removeImageFromSlide(handle_.document(), picture, *slideID_);
        return;
    }
    pressedPicture_.reset();
}

void SlidePreviewView::keyPressEvent(QKeyEvent* event) {
    if (dragging_ && event->key() == Qt::Key_Escape) {
        finishCropDrag(true);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SlidePreviewView::focusInEvent(QFocusEvent* event) {
    update();  // the focus frame
    QWidget::focusInEvent(event);
}

void SlidePreviewView::focusOutEvent(QFocusEvent* event) {
    // A drag cannot outlive the focus: the release would never arrive.
    if (dragging_)
        finishCropDrag(false);
    update();
    QWidget::focusOutEvent(event);
}

void SlidePreviewView::contextMenuEvent(QContextMenuEvent* event) {
    if (!interactive_ || !slideID_)
        return;
    const auto picture = pictureAt(event->pos());
    if (!picture)
        return;
    if (!removeImage_)
        return;
    removeImage_->setEnabled(hitPictures().size() >= 2);
    context_menu::exec(this, {removeImage_}, event->globalPos(), {*slideID_, *picture});
}

bool SlidePreviewView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (const auto picture = pictureAt(help->pos())) {
            const SourceImage* image = handle_.document().project().sourceImage(*picture);
            const QString name = image && !image->originalFileName.empty()
                                     ? QString::fromStdString(image->originalFileName)
                                     : tr("Image");
            QToolTip::showText(help->globalPos(), name, this);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(event);
}

// --- Merge drop

void SlidePreviewView::setMergeTargeted(bool targeted) {
    if (mergeTargeted_ == targeted)
        return;
    mergeTargeted_ = targeted;
    update();
}

void SlidePreviewView::dragEnterEvent(QDragEnterEvent* event) {
    const bool navigatorDrag =
        (event->mimeData()->hasText() &&
         !parseSlidePayload(event->mimeData()->text().toStdString()).empty()) ||
        handle_.document().isDraggingSlide();
    if (interactive_ && slideID_ && navigatorDrag) {
        setMergeTargeted(true);
        event->acceptProposedAction();
        return;
    }
    event->ignore();
}

void SlidePreviewView::dragMoveEvent(QDragMoveEvent* event) {
    if (mergeTargeted_)
        event->acceptProposedAction();
}

void SlidePreviewView::dragLeaveEvent(QDragLeaveEvent*) {
    setMergeTargeted(false);
}

void SlidePreviewView::dropEvent(QDropEvent* event) {
    setMergeTargeted(false);
    MosavelleDocument& document = handle_.document();
    if (!slideID_) {
        event->ignore();
        return;
    }
    std::vector<Uuid> ids = parseSlidePayload(event->mimeData()->text().toStdString());
    if (ids.empty())
        ids = document.draggingSlideIDs();
    const auto source =
        std::find_if(ids.begin(), ids.end(), [&](const Uuid& id) { return id != *slideID_; });
    if (source == ids.end()) {
        event->ignore();
        return;
    }
    switch (addImageToSlide(document, *source, *slideID_)) {
        case AddImageResult::added:
            document.setDragState({}, false);
            event->acceptProposedAction();
            break;
        case AddImageResult::slideFull:
            document.setDragState({}, false);
            event->acceptProposedAction();  // handled: the window explains why nothing happened
            Q_EMIT slideFull();
            break;
        case AddImageResult::notPossible:
            event->ignore();
            break;
    }
}

}  // namespace mosavelle::app
