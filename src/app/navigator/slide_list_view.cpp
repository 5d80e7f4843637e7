#include "app/navigator/slide_list_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <utility>

#include "app/document/document_handle.h"
#include "app/navigator/slide_list_model.h"
#include "app/support/context_menu.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "core/editing/navigator_text.h"
#include "core/editing/selection.h"
#include "core/editing/slide_operations.h"
#include "core/model/edit_step.h"

namespace mosavelle::app {

namespace {

constexpr int gridGap = 8;
constexpr int gridMinimumColumn = 110;
constexpr int dragScrollMargin = 24;

std::vector<Uuid> payloadOf(const QMimeData* data) {
    if (!data || !data->hasText())
        return {};
    return parseSlidePayload(data->text().toStdString());
}

}  // namespace

SlideListView::SlideListView(SlideListModel& model, Mode mode, QWidget* parent)
    : QListView(parent),
      model_(model),
      mode_(mode),
      delegate_(new SlideDelegate(model, mode, this)) {
    setModel(&model_);
    setItemDelegate(delegate_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setAccessibleName(tr("Slides"));
    // Rows and cells always fit the width; names are elided instead.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (mode_ == Mode::grid) {
        setViewMode(QListView::IconMode);
        setMovement(QListView::Static);
        setResizeMode(QListView::Adjust);
        setFlow(QListView::LeftToRight);
        setWrapping(true);
        setSpacing(0);
        layoutGrid();
    }
    // After the view mode: a static icon view turns dragging and dropping off.
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDefaultDropAction(Qt::CopyAction);
}

std::optional<Uuid> SlideListView::slideAt(const QPoint& position) const {
    const QModelIndex index = indexAt(position);
    const Slide* slide = index.isValid() ? model_.slideAt(index.row()) : nullptr;
    return slide ? std::optional<Uuid>(slide->id) : std::nullopt;
}

void SlideListView::layoutGrid() {
    // Each grid square holds a cell and half a gap on either side. The view wraps rows within the
    // width that is left when a vertical scroll bar shows, whether one shows or not.
    const int width = maximumViewportSize().width() - verticalScrollBar()->sizeHint().width() - 1;
    const int available = std::max(width, gridMinimumColumn + gridGap);
    const int columns = std::max(1, available / (gridMinimumColumn + gridGap));
    const int square = available / columns;
    delegate_->setCellWidth(square - gridGap);
    setGridSize(QSize(square, SlideDelegate::gridCellHeight + gridGap));
}

bool SlideListView::viewportEvent(QEvent* event) {
    // The columns follow the viewport's width, which a scroll bar coming or going changes too.
    if (event->type() == QEvent::Resize && mode_ == Mode::grid)
        layoutGrid();
    return QListView::viewportEvent(event);
}

// --- Renaming

void SlideListView::startRenaming(const Uuid& slideID) {
    const int row = model_.rowOf(slideID);
    if (row < 0)
        return;
    cancelRenaming();
    const QModelIndex index = model_.index(row);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    scrollTo(index);
    renaming_ = index;
    edit(index);
    if (auto* field = qobject_cast<QLineEdit*>(indexWidget(index))) {
        connect(field, &QLineEdit::textEdited, this, [this, slideID](const QString& text) {
            MosavelleDocument& document = model_.handle().document();
            if (!liveRename_) {
                const auto p = document.slidePosition(slideID);
                if (!p)
                    return;
                liveRename_ = LiveRename{slideID, document.project().slides[*p].title};
            }
            document.beginContinuousEdit(stepName(EditStep::renameSlide));
            renameSlideLive(document, slideID, text.toStdString());
        });
    }
}

bool SlideListView::isRenaming() const {
    return renaming_.isValid() && indexWidget(renaming_) != nullptr;
}

void SlideListView::cancelRenaming() {
    if (renaming_.isValid())
        if (QWidget* editor = indexWidget(renaming_))
            closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    renaming_ = QPersistentModelIndex();
}

void SlideListView::commitRenaming() {
    if (renaming_.isValid())
        if (QWidget* editor = indexWidget(renaming_)) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    renaming_ = QPersistentModelIndex();
}

void SlideListView::endLiveRename() {
    if (!liveRename_)
        return;
    const LiveRename live = *std::exchange(liveRename_, std::nullopt);
    // Only the title goes back: a change that landed meanwhile (an import) is not taken back,
    // and becomes part of the step should there be one.
    MosavelleDocument& document = model_.handle().document();
    renameSlideLive(document, live.slideID, live.title);
    document.endContinuousEdit(document.continuousEditName());
}

void SlideListView::commitData(QWidget* editor) {
    // The draft becomes one "Rename Slide" step from the title before the editor opened.
    endLiveRename();
    QListView::commitData(editor);
}

void SlideListView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    endLiveRename();  // closed without storing (Escape): the title goes back
    QListView::closeEditor(editor, hint);
}

void SlideListView::renameFromMenu(const Uuid& slideID) {
    mosavelle::setSelection(model_.handle().document(), {slideID});
    Q_EMIT renameRequested();
}

void SlideListView::deleteFromMenu(const Uuid& slideID) {
    cancelRenaming();
    MosavelleDocument& document = model_.handle().document();
    if (!document.selectedSlideIDs().contains(slideID))
        mosavelle::setSelection(document, {slideID});
    deleteSelectedSlides(document);
}

void SlideListView::addPictureToShownSlide(const Uuid& slideID) {
    MosavelleDocument& document = model_.handle().document();
    std::optional<Uuid> target;
    if (const auto& committed = document.committedPreviewSlideID();
        committed && *committed != slideID && model_.rowOf(*committed) >= 0)
        target = committed;
    else if (auto primary = primarySlide(document))
        target = primary->id;
    if (!target || *target == slideID)
        return;
    if (addImageToSlide(document, slideID, *target) == AddImageResult::slideFull)
        Q_EMIT unableToAddImage();
}

// --- Mouse

void SlideListView::mousePressEvent(QMouseEvent* event) {
    pressed_ = indexAt(event->position().toPoint());
    pressPosition_ = event->position().toPoint();
    const auto slide = slideAt(pressPosition_);
    holding_ =
        event->button() == Qt::LeftButton && slide && !(event->modifiers() & Qt::AltModifier);
    if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::AltModifier)) {
        if (slide)
            addPictureToShownSlide(*slide);
        event->accept();
        return;
    }
    // A right-click opens the slide's menu and leaves the selection alone: the menu's commands
    // decide what to select.
    if (event->button() == Qt::RightButton) {
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    if (mode_ == Mode::list) {
        QListView::mousePressEvent(event);
        return;
    }
    // Grid: a click selects the cell; Shift or Ctrl toggles it. There is no range selection.
    // A plain click on a cell that is already selected selects it alone on release, so that
    // dragging it drags the whole selection, as in the list.
    if (event->button() == Qt::LeftButton && slide) {
        const bool extending = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
        MosavelleDocument& document = model_.handle().document();
        clickOnRelease_.reset();
        if (!extending && document.selectedSlideIDs().contains(*slide))
            clickOnRelease_ = slide;
        else
            selectSlide(document, *slide, extending);
        selectionModel()->setCurrentIndex(pressed_, QItemSelectionModel::NoUpdate);
        gridDragArmed_ = true;
    }
    setFocus(Qt::MouseFocusReason);
    event->accept();
}

void SlideListView::mouseMoveEvent(QMouseEvent* event) {
    if (mode_ == Mode::list) {
        QListView::mouseMoveEvent(event);
        return;
    }
    if (gridDragArmed_ && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - pressPosition_).manhattanLength() >=
            QApplication::startDragDistance()) {
        gridDragArmed_ = false;
        clickOnRelease_.reset();
        startDrag(Qt::CopyAction);
    }
    event->accept();
}

void SlideListView::mouseReleaseEvent(QMouseEvent* event) {
    gridDragArmed_ = false;
    holding_ = false;
    if (const auto clicked = std::exchange(clickOnRelease_, std::nullopt))
        selectSlide(model_.handle().document(), *clicked, false);
    if (mode_ == Mode::list && event->button() != Qt::RightButton)
        QListView::mouseReleaseEvent(event);
    else
        event->accept();
}

// --- Dragging out

std::vector<Uuid> SlideListView::draggedSlides(const Uuid& slideID) const {
    const MosavelleDocument& document = model_.handle().document();
    if (!document.selectedSlideIDs().contains(slideID))
        return {slideID};
    std::vector<Uuid> ids;
    for (const Slide& slide : selectedSlides(document))
        ids.push_back(slide.id);
    return ids;
}

bool SlideListView::isHoldingSlide() const {
    // The button itself too: a release this view never saw (a window that took the pointer) must
    // not leave it holding for good.
    return holding_ && QGuiApplication::mouseButtons().testFlag(Qt::LeftButton);
}

void SlideListView::startDrag(Qt::DropActions) {
    holding_ = false;  // the drag takes the button's release
    const Slide* origin =
        model_.slideAt(pressed_.isValid() ? pressed_.row() : currentIndex().row());
    if (!origin)
        return;
    MosavelleDocument& document = model_.handle().document();
    const std::vector<Uuid> ids = draggedSlides(origin->id);
    beginSlideDrag(document, ids);

    auto* data = new QMimeData;
    data->setText(QString::fromStdString(makeSlidePayload(ids)));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    QPixmap preview(72, 40);
    preview.fill(Qt::transparent);
    {
        QPainter painter(&preview);
        paintSlideMiniature(painter, model_.handle().thumbnails(), QRectF(0, 0, 72, 40), *origin,
                            model_.project(), document.imageData(), 1.0);
    }
    drag->setPixmap(preview);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    // The drag is over wherever it ended. A drop target that accepts slides ends the drag state
    // itself; one that did not (a drop outside, a cancelled drag) would leave the preview pinned
    // to the committed slide, so it ends here.
    if (document.isDraggingSlide())
        document.setDragState({}, false);
}

// --- Dropping slides on the view

bool SlideListView::trackDrop(QDropEvent* event) {
    const std::vector<Uuid> ids = payloadOf(event->mimeData());
    if (ids.empty())
        return false;
    const QPoint position = event->position().toPoint();
    if (mode_ == Mode::list) {
        const QModelIndex index = indexAt(position);
        int row = model_.rowCount();
        if (index.isValid()) {
            const QRect rect = visualRect(index);
            row = position.y() < rect.center().y() ? index.row() : index.row() + 1;
        }
        if (row != dropRow_) {
            dropRow_ = row;
            viewport()->update();
        }
        return std::any_of(ids.begin(), ids.end(),
                           [&](const Uuid& id) { return model_.rowOf(id) >= 0; });
    }
    const auto target = slideAt(position);
    if (target != delegate_->dropTarget()) {
        delegate_->setDropTarget(target);
        viewport()->update();
    }
    return target.has_value();
}

void SlideListView::clearDropMarker() {
    if (dropRow_ >= 0 || delegate_->dropTarget()) {
        dropRow_ = -1;
        delegate_->setDropTarget(std::nullopt);
        viewport()->update();
    }
}

void SlideListView::dragEnterEvent(QDragEnterEvent* event) {
    if (payloadOf(event->mimeData()).empty()) {
        event->ignore();  // files and pictures are the window's
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void SlideListView::dragMoveEvent(QDragMoveEvent* event) {
    const int y = event->position().toPoint().y();
    QScrollBar* bar = verticalScrollBar();
    if (y < dragScrollMargin)
        bar->setValue(bar->value() - bar->singleStep());
    else if (y > viewport()->height() - dragScrollMargin)
        bar->setValue(bar->value() + bar->singleStep());
    if (trackDrop(event)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void SlideListView::dragLeaveEvent(QDragLeaveEvent* event) {
    clearDropMarker();
    event->accept();
}

void SlideListView::dropEvent(QDropEvent* event) {
    const std::vector<Uuid> ids = payloadOf(event->mimeData());
    const bool accepted = trackDrop(event);
    MosavelleDocument& document = model_.handle().document();
    if (accepted && mode_ == Mode::list) {
        std::vector<std::size_t> positions;
        for (const Uuid& id : ids)
            if (int row = model_.rowOf(id); row >= 0)
                positions.push_back(static_cast<std::size_t>(row));
        std::sort(positions.begin(), positions.end());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        moveSlides(document, positions, static_cast<std::size_t>(dropRow_));
    } else if (accepted) {
        reorderSlides(document, ids, *delegate_->dropTarget());
    }
    clearDropMarker();
    if (accepted) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void SlideListView::prefetchThumbnails() {
    const int count = model_.rowCount();
    const int height = viewport()->height();
    // Rows lie top to bottom in order in both modes: the first whose bottom is on screen, then
    // the first whose top is below it.
    auto firstRow = [&](auto below) {
        int low = 0, high = count;
        while (low < high) {
            const int middle = (low + high) / 2;
            if (below(visualRect(model_.index(middle))))
                high = middle;
            else
                low = middle + 1;
        }
        return low;
    };
    const int first = firstRow([](const QRect& rect) { return rect.bottom() >= 0; });
    const int end = firstRow([height](const QRect& rect) { return rect.top() >= height; });
    const qreal ratio = devicePixelRatioF();
    auto picturesOf = [&](int from, int to) {
        std::vector<std::pair<Uuid, int>> pictures;
        for (int row = std::max(from, 0); row < std::min(to, count); ++row)
            if (const Slide* slide = model_.slideAt(row))
                for (auto& picture :
                     delegate_->miniaturePictures(visualRect(model_.index(row)), *slide, ratio))
                    pictures.push_back(std::move(picture));
        return pictures;
    };
    std::vector<std::pair<Uuid, int>> visible = picturesOf(first, end);
    if (visible == prefetched_)
        return;
    const int screenful = std::max(end - first, 1);
    std::vector<std::pair<Uuid, int>> around = picturesOf(end, end + screenful);
    for (auto& picture : picturesOf(first - screenful, first))
        around.push_back(std::move(picture));

    const Project& project = model_.project();
    const ImageDataMap& bytes = model_.handle().document().imageData();
    auto wanted = [&](const std::vector<std::pair<Uuid, int>>& pictures) {
        std::vector<ThumbnailProvider::Wanted> out;
        for (const auto& [pictureID, pixelSize] : pictures)
            if (auto one = ThumbnailProvider::wanted(project, bytes, pictureID, pixelSize))
                out.push_back(std::move(*one));
        return out;
    };
    model_.handle().thumbnails().prefetch(this, wanted(visible), wanted(around));
    prefetched_ = std::move(visible);
}

void SlideListView::paintEvent(QPaintEvent* event) {
    // Before the rows paint, so that their requests are the prefetched ones.
    prefetchThumbnails();
    QListView::paintEvent(event);
    if (mode_ != Mode::list || dropRow_ < 0)
        return;
    int y = 0;
    if (dropRow_ < model_.rowCount())
        y = visualRect(model_.index(dropRow_)).top();
    else if (model_.rowCount() > 0)
        y = visualRect(model_.index(model_.rowCount() - 1)).bottom() + 1;
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawLine(4, y, viewport()->width() - 4, y);
}

// --- Keyboard and menu

void SlideListView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) &&
        state() != QAbstractItemView::EditingState) {
        deleteSelectedSlides(model_.handle().document());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void SlideListView::setMenuActions(const QList<QAction*>& actions) {
    menuActions_ = actions;
}

void SlideListView::contextMenuEvent(QContextMenuEvent* event) {
    const auto slide = slideAt(event->pos());
    if (!slide || menuActions_.isEmpty())
        return;
    context_menu::exec(this, menuActions_, event->globalPos(), {*slide});
}

}  // namespace mosavelle::app
