#include "app/navigator/slide_delegate.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <array>

#include "app/document/document_handle.h"
#include "app/navigator/slide_list_model.h"
#include "app/thumbnails/thumbnail_provider.h"

namespace mosavelle::app {

namespace {

constexpr qreal excludedOpacity = 0.45;
constexpr int listMargin = 6;
constexpr int miniatureWidth = 72;
constexpr int miniatureHeight = 40;
constexpr int cellInset = 4;
constexpr int listMinimumRowWidth = 120;

QColor toQColor(const RGBAColor& c) {
    return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green),
                            static_cast<float>(c.blue), static_cast<float>(c.alpha));
}

QColor deckBackground(const AppearanceSettings& appearance) {
    switch (appearance.background) {
        case BackgroundKind::white:
            return Qt::white;
        case BackgroundKind::black:
            return Qt::black;
        case BackgroundKind::custom:
            return toQColor(appearance.customBackground);
    }
    return Qt::white;
}

QFont captionFont(QFont font) {
    font.setPointSizeF(font.pointSizeF() * 0.85);
    return font;
}

void paintSlot(QPainter& painter, ThumbnailProvider& thumbnails, const QRectF& cell,
               const ImageSlot& slot, const Project& project, const ImageDataMap& pictures,
               int pixelSize) {
    if (!slot.imageID)
        return;
    const QImage image = thumbnails.image(project, pictures, *slot.imageID, pixelSize);
    if (image.isNull())
        return;
    // The picture keeps its proportions, centred on the slide's background, as on the slide.
    QSizeF size = QSizeF(image.size()).scaled(cell.size(), Qt::KeepAspectRatio);
    QRectF target(QPointF(), size);
    target.moveCenter(cell.center());
    painter.drawImage(target, image);
}

}  // namespace

namespace {

// The cells a miniature shows its slots in: four in a two-by-two grid, two side by side, else
// the first one alone, with 1-point gaps.
std::vector<QRectF> miniatureCells(const QRectF& rect, SlideLayoutKind layout) {
    std::vector<QRectF> cells;
    if (layout == SlideLayoutKind::fourGrid) {
        const qreal w = (rect.width() - 1) / 2, h = (rect.height() - 1) / 2;
        for (int i = 0; i < 4; ++i)
            cells.emplace_back(rect.left() + (i % 2) * (w + 1), rect.top() + (i / 2) * (h + 1), w,
                               h);
    } else if (layout == SlideLayoutKind::twoUp) {
        const qreal w = (rect.width() - 1) / 2;
        cells.emplace_back(rect.left(), rect.top(), w, rect.height());
        cells.emplace_back(rect.left() + w + 1, rect.top(), w, rect.height());
    } else {
        cells.push_back(rect);
    }
    return cells;
}

}  // namespace

int cellPixelSize(const QRectF& cell, qreal pixelRatio) {
    return static_cast<int>(std::ceil(std::max(cell.width(), cell.height()) * pixelRatio));
}

void paintSlideMiniature(QPainter& painter, ThumbnailProvider& thumbnails, const QRectF& rect,
                         const Slide& slide, const Project& project, const ImageDataMap& pictures,
                         qreal pixelRatio) {
    const QColor background = deckBackground(project.appearance);
    painter.fillRect(rect, background);
    if (slide.layout == SlideLayoutKind::section) {
        painter.save();
        painter.setFont(captionFont(painter.font()));
        painter.setPen(background.lightnessF() < 0.5 ? Qt::white : Qt::black);
        const QString title = slide.title.empty() ? SlideDelegate::tr("Section")
                                                  : QString::fromStdString(slide.title);
        painter.drawText(rect.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, title);
        painter.restore();
        return;
    }
    const std::vector<QRectF> cells = miniatureCells(rect, slide.layout);
    for (std::size_t i = 0; i < cells.size() && i < slide.slots.size(); ++i)
        paintSlot(painter, thumbnails, cells[i], slide.slots[i], project, pictures,
                  cellPixelSize(cells[i], pixelRatio));
}

std::optional<QString> miniatureToolTip(const QRectF& rect, const Slide& slide,
                                        const Project& project, const QPointF& point) {
    if (slide.layout == SlideLayoutKind::section)
        return std::nullopt;
    const std::vector<QRectF> cells = miniatureCells(rect, slide.layout);
    for (std::size_t i = 0; i < cells.size() && i < slide.slots.size(); ++i) {
        if (!cells[i].contains(point))
            continue;
        const auto& pictureID = slide.slots[i].imageID;
        if (!pictureID)
            return std::nullopt;
        const SourceImage* picture = project.sourceImage(*pictureID);
        return picture ? QString::fromStdString(picture->originalFileName)
                       : SlideDelegate::tr("Image");
    }
    return std::nullopt;
}

SlideDelegate::SlideDelegate(SlideListModel& model, Mode mode, QObject* parent)
    : QStyledItemDelegate(parent), model_(model), mode_(mode) {}

QSize SlideDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    if (mode_ == Mode::grid)
        return {cellWidth_, gridCellHeight};
    // Rows are drawn across the whole viewport whatever this width; a wider hint (the viewport's
    // own, taken before a scroll bar appeared) would make the list scroll sideways.
    return {listMinimumRowWidth, rowHeight};
}

bool SlideDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                              const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() == QEvent::ToolTip)
        if (const Slide* slide = model_.slideAt(index.row()))
            if (auto tip = miniatureToolTip(miniatureRect(option.rect), *slide, model_.project(),
                                            event->pos())) {
                QToolTip::showText(event->globalPos(), *tip, view);
                return true;
            }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

std::vector<std::pair<Uuid, int>> SlideDelegate::miniaturePictures(const QRect& itemRect,
                                                                   const Slide& slide,
                                                                   qreal pixelRatio) const {
    std::vector<std::pair<Uuid, int>> pictures;
    if (slide.layout == SlideLayoutKind::section)
        return pictures;
    const std::vector<QRectF> cells = miniatureCells(miniatureRect(itemRect), slide.layout);
    for (std::size_t i = 0; i < cells.size() && i < slide.slots.size(); ++i)
        if (slide.slots[i].imageID)
            pictures.emplace_back(*slide.slots[i].imageID, cellPixelSize(cells[i], pixelRatio));
    return pictures;
}

QRectF SlideDelegate::miniatureRect(const QRect& itemRect) const {
    if (mode_ == Mode::list)
        return QRectF(itemRect.left() + listMargin,
                      itemRect.top() + (itemRect.height() - miniatureHeight) / 2.0, miniatureWidth,
                      miniatureHeight);
    return QRectF(itemRect.left() + cellInset, itemRect.top() + cellInset,
                  itemRect.width() - 2 * cellInset, gridMiniatureHeight);
}

QRect SlideDelegate::nameRect(const QRect& itemRect) const {
    if (mode_ == Mode::list) {
        const int left = itemRect.left() + listMargin + miniatureWidth + 8;
        return QRect(left, itemRect.top() + listMargin, itemRect.right() - left - listMargin,
                     (itemRect.height() - 2 * listMargin) / 2);
    }
    const int top = itemRect.top() + cellInset + gridMiniatureHeight + 4;
    return QRect(itemRect.left() + cellInset, top, itemRect.width() - 2 * cellInset,
                 itemRect.bottom() - top);
}

void SlideDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    const Slide* slide = model_.slideAt(index.row());
    if (!slide)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (slide->isExcluded)
        painter->setOpacity(excludedOpacity);
    if (mode_ == Mode::list)
        paintRow(*painter, option, index, *slide);
    else
        paintCell(*painter, option, index, *slide);
    painter->restore();
    // The current row or cell of a focused view is framed, so that the keyboard's place is
    // seen (on a selected row in the colour of its text, which stands out of the highlight).
    if (option.state & QStyle::State_HasFocus) {
        painter->save();
        const bool onHighlight = mode_ == Mode::list && (option.state & QStyle::State_Selected);
        painter->setPen(QPen(
            option.palette.color(onHighlight ? QPalette::HighlightedText : QPalette::Highlight), 2,
            Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(option.rect).adjusted(2, 2, -2, -2));
        painter->restore();
    }
}

void SlideDelegate::paintRow(QPainter& painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index, const Slide& slide) const {
    const bool selected = option.state & QStyle::State_Selected;
    if (selected)
        painter.fillRect(option.rect, option.palette.highlight());
    const QRectF mini = miniatureRect(option.rect);
    QPainterPath clip;
    clip.addRoundedRect(mini, 4, 4);
    painter.save();
    painter.setClipPath(clip);
    const qreal ratio = option.widget ? option.widget->devicePixelRatioF() : 1.0;
    paintSlideMiniature(painter, model_.handle().thumbnails(), mini, slide, model_.project(),
                        model_.handle().document().imageData(), ratio);
    painter.restore();

    // While the name is edited the line edit covers the name line.
    const bool editing = option.state & QStyle::State_Editing;
    const QRect name = nameRect(option.rect);
    painter.setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    if (!editing) {
        const QString text = index.data(SlideListModel::LabelRole).toString();
        painter.drawText(name, Qt::AlignLeft | Qt::AlignBottom,
                         option.fontMetrics.elidedText(text, Qt::ElideRight, name.width()));
    }
    if (slide.isExcluded) {
        painter.setFont(captionFont(option.font));
        painter.setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
        painter.drawText(name.translated(0, name.height()), Qt::AlignLeft | Qt::AlignTop,
                         tr("Excluded"));
    }
}

void SlideDelegate::paintCell(QPainter& painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index, const Slide& slide) const {
    const QRectF mini = miniatureRect(option.rect);
    QPainterPath frame;
    frame.addRoundedRect(mini, 6, 6);
    painter.save();
    painter.setClipPath(frame);
    const qreal ratio = option.widget ? option.widget->devicePixelRatioF() : 1.0;
    paintSlideMiniature(painter, model_.handle().thumbnails(), mini, slide, model_.project(),
                        model_.handle().document().imageData(), ratio);
    painter.restore();

    const bool isDropTarget = dropTarget_ && *dropTarget_ == slide.id;
    if (isDropTarget || (option.state & QStyle::State_Selected)) {
        const qreal width = isDropTarget ? 3 : 2;
        painter.setPen(QPen(option.palette.color(QPalette::Highlight), width));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(mini.adjusted(-width / 2, -width / 2, width / 2, width / 2), 6, 6);
    }
    if (!(option.state & QStyle::State_Editing)) {
        const QFont font = captionFont(option.font);
        painter.setFont(font);
        painter.setPen(option.palette.color(QPalette::Text));
        const QRect name = nameRect(option.rect);
        const QString text = index.data(SlideListModel::LabelRole).toString();
        painter.drawText(name, Qt::AlignHCenter | Qt::AlignTop,
                         QFontMetrics(font).elidedText(text, Qt::ElideRight, name.width()));
    }
}

QWidget* SlideDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                     const QModelIndex&) const {
    auto* field = new QLineEdit(parent);
    field->setPlaceholderText(tr("Slide name"));
    field->setAccessibleName(tr("Slide name"));
    return field;
}

void SlideDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    // Only when the editor opens: a repaint of the row must not overwrite the draft.
    auto* field = static_cast<QLineEdit*>(editor);
    if (field->property("mosavelleFilled").toBool())
        return;
    field->setProperty("mosavelleFilled", true);
    field->setText(index.data(Qt::EditRole).toString());
    field->selectAll();
}

void SlideDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                 const QModelIndex& index) const {
    model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
}

void SlideDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                         const QModelIndex&) const {
    QRect name = nameRect(option.rect);
    const int height = editor->sizeHint().height();
    if (mode_ == Mode::list)
        name = QRect(name.left(), name.bottom() - height + 4, name.width(), height);
    else
        name.setHeight(height);
    editor->setGeometry(name);
}

}  // namespace mosavelle::app
