#include "app/inspector/layout_preview_icon.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace mosavelle::app {

LayoutPreviewIcon::LayoutPreviewIcon(SlideLayoutKind kind, QWidget* parent)
    : QWidget(parent), kind_(kind) {
    setFixedSize(width, height);
    setAccessibleName(QString());
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LayoutPreviewIcon::paint(QPainter& painter, SlideLayoutKind kind, const QPointF& origin,
                              const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF outline(origin.x() + 1, origin.y() + 1, width - 2, height - 2);
    painter.setPen(QPen(color, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outline.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);

    const QRectF r = outline.adjusted(3, 3, -3, -3);
    QColor block = color;
    block.setAlphaF(0.55f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(block);
    const auto fill = [&](const QRectF& rect) { painter.drawRoundedRect(rect, 1, 1); };
    const double gap = 1.5;
    switch (kind) {
        case SlideLayoutKind::oneImage:
            fill(r);
            break;
        case SlideLayoutKind::imageTitleCaption: {
            const double title = r.height() * 0.22, caption = r.height() * 0.18;
            fill(QRectF(r.left(), r.top(), r.width(), title));
            fill(QRectF(r.left(), r.bottom() - caption, r.width(), caption));
            const double pictureHeight = std::max(r.height() - title - caption - 2 * gap, 2.0);
            fill(QRectF(r.left(), r.top() + title + gap, r.width(), pictureHeight));
            break;
        }
        case SlideLayoutKind::twoUp: {
            const double w = (r.width() - gap) / 2;
            fill(QRectF(r.left(), r.top(), w, r.height()));
            fill(QRectF(r.left() + w + gap, r.top(), w, r.height()));
            break;
        }
        case SlideLayoutKind::fourGrid: {
            const double w = (r.width() - gap) / 2, h = (r.height() - gap) / 2;
            for (int i = 0; i < 4; ++i)
                fill(QRectF(r.left() + (i % 2) * (w + gap), r.top() + (i / 2) * (h + gap), w, h));
            break;
        }
        case SlideLayoutKind::section: {
            const double h = std::max(r.height() * 0.25, 2.0);
            fill(QRectF(r.left(), r.center().y() - h / 2, r.width(), h));
            break;
        }
    }
    painter.restore();
}

QIcon LayoutPreviewIcon::icon(SlideLayoutKind kind, const QColor& color, double devicePixelRatio) {
    const double ratio = std::max(devicePixelRatio, 1.0);
    QPixmap pixmap(int(width * ratio), int(height * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(painter, kind, QPointF(0, 0), color);
    painter.end();
    return QIcon(pixmap);
}

void LayoutPreviewIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, kind_, QPointF(0, 0), palette().color(QPalette::PlaceholderText));
}

QString layoutName(SlideLayoutKind kind) {
    switch (kind) {
        case SlideLayoutKind::oneImage:
            return QObject::tr("One image");
        case SlideLayoutKind::imageTitleCaption:
            return QObject::tr("Image with title and caption");
        case SlideLayoutKind::twoUp:
            return QObject::tr("Two images");
        case SlideLayoutKind::fourGrid:
            return QObject::tr("Four-image grid");
        case SlideLayoutKind::section:
            return QObject::tr("Section divider");
    }
    return {};
}

QString sizingModeName(SizingMode mode) {
    switch (mode) {
        case SizingMode::actual:
            return QObject::tr("Actual");
        case SizingMode::fit:
            return QObject::tr("Fit");
        case SizingMode::fill:
            return QObject::tr("Fill");
        case SizingMode::percent75:
            return QObject::tr("75%");
        case SizingMode::percent125:
            return QObject::tr("125%");
        case SizingMode::custom:
            return QObject::tr("Custom");
    }
    return {};
}

}  // namespace mosavelle::app
