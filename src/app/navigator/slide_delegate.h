#pragma once

#include <QStyledItemDelegate>
#include <optional>
#include <utility>
#include <vector>

#include "core/model/document.h"
#include "core/model/project.h"

namespace mosavelle::app {

class SlideListModel;
class ThumbnailProvider;

// Paints a slide's miniature: the deck background, then its pictures (four in a two-by-two grid,
// two side by side, else the first one) stretched over their cells, or a section's title. Pictures
// come from `thumbnails` and are left clear until their thumbnail is ready.
void paintSlideMiniature(QPainter& painter, ThumbnailProvider& thumbnails, const QRectF& rect,
                         const Slide& slide, const Project& project, const ImageDataMap& pictures,
                         qreal pixelRatio);

// The tooltip of the miniature drawn in `rect` at `point`: the original file name of the picture
// whose cell is there ("Image" when the deck does not hold that picture), or nothing where no
// picture is drawn (a section, an empty slot, outside the miniature).
std::optional<QString> miniatureToolTip(const QRectF& rect, const Slide& slide,
                                        const Project& project, const QPointF& point);

// Draws the navigator's rows (list mode: miniature beside "N. name" and "Excluded") or cells
// (grid mode: miniature in a rounded frame, stroked when selected or under a drop, with the name
// below), dimmed when the slide is excluded; edits a slide's name in place in a line edit.
class SlideDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Mode { list, grid };

    SlideDelegate(SlideListModel& model, Mode mode, QObject* parent = nullptr);

    static constexpr int rowHeight = 52;
    static constexpr int gridMiniatureHeight = 64;
    static constexpr int gridCellHeight = 92;  // miniature, gap and one line of caption text

    // The slide under a drag in the grid, drawn with the wider stroke.
    void setDropTarget(std::optional<Uuid> slideID) { dropTarget_ = slideID; }
    const std::optional<Uuid>& dropTarget() const { return dropTarget_; }
    // Grid mode: the width of one cell, set by the view as it lays out its columns.
    void setCellWidth(int width) { cellWidth_ = width; }

    // The pictures the miniature of `slide` in the item at `itemRect` shows, with the longer side
    // in device pixels each is drawn at.
    std::vector<std::pair<Uuid, int>> miniaturePictures(const QRect& itemRect, const Slide& slide,
                                                        qreal pixelRatio) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Over a miniature's picture, its file name; elsewhere the row's own tooltip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private:
    void paintRow(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                  const Slide& slide) const;
    void paintCell(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                   const Slide& slide) const;
    QRectF miniatureRect(const QRect& itemRect) const;
    QRect nameRect(const QRect& itemRect) const;

    SlideListModel& model_;
    Mode mode_;
    std::optional<Uuid> dropTarget_;
    int cellWidth_ = 110;
};

}  // namespace mosavelle::app
