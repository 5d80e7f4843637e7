#pragma once

#include <QIcon>
#include <QWidget>

#include "core/model/enums.h"

class QPainter;

namespace mosavelle::app {

// A 28 × 18 point drawing of a slide layout: a rounded outline and, inside it, the picture and
// text blocks of the layout. Hidden from accessibility (the layout's name stands beside it).
class LayoutPreviewIcon : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 28;
    static constexpr int height = 18;

    explicit LayoutPreviewIcon(SlideLayoutKind kind, QWidget* parent = nullptr);
    SlideLayoutKind kind() const { return kind_; }
    QSize sizeHint() const override { return {width, height}; }

    // Draws the icon for `kind` into the 28 × 18 box at `origin` in `color`.
    static void paint(QPainter& painter, SlideLayoutKind kind, const QPointF& origin,
                      const QColor& color);
    // The drawing as an icon (for menus), at `devicePixelRatio`.
    static QIcon icon(SlideLayoutKind kind, const QColor& color, double devicePixelRatio);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SlideLayoutKind kind_;
};

// The inspector's name of a layout ("Two images") and of a sizing mode ("75%").
QString layoutName(SlideLayoutKind kind);
QString sizingModeName(SizingMode mode);

}  // namespace mosavelle::app
