#include "app/preview/slide_transition_overlay.h"

#include <QPainter>

namespace mosavelle::app {

SlideTransitionOverlay::SlideTransitionOverlay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    animation_.setStartValue(0.0);
    animation_.setEndValue(1.0);
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this] { update(); });
    connect(&animation_, &QVariantAnimation::finished, this, [this] {
        hide();
        from_ = to_ = QPixmap();
        Q_EMIT finished();
    });
}

void SlideTransitionOverlay::start(QPixmap from, QPixmap to, TransitionKind kind, int duration) {
    finish();
    from_ = std::move(from);
    to_ = std::move(to);
    kind_ = kind;
    animation_.setDuration(std::max(duration, 1));
    show();
    raise();
    animation_.start();
}

void SlideTransitionOverlay::finish() {
    if (animation_.state() == QAbstractAnimation::Running)
        animation_.setCurrentTime(animation_.duration());  // ends it and emits finished
}

bool SlideTransitionOverlay::isRunning() const {
    return animation_.state() == QAbstractAnimation::Running;
}

void SlideTransitionOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double t = animation_.currentValue().toDouble();
    const int w = width();
    const int h = height();
    const int entering = int(w * (1 - t));  // where the incoming slide's left edge is
    switch (kind_) {
        case TransitionKind::none:
            painter.drawPixmap(0, 0, to_);
            break;
        case TransitionKind::fade:
            painter.drawPixmap(0, 0, from_);
            painter.setOpacity(t);
            painter.drawPixmap(0, 0, to_);
            break;
        case TransitionKind::push:
            painter.drawPixmap(entering - w, 0, from_);
            painter.drawPixmap(entering, 0, to_);
            break;
        case TransitionKind::wipe:
            painter.drawPixmap(0, 0, from_);
            painter.setClipRect(entering, 0, w - entering, h);
            painter.drawPixmap(0, 0, to_);
            break;
        case TransitionKind::cover:
            painter.drawPixmap(0, 0, from_);
            painter.drawPixmap(entering, 0, to_);
            break;
    }
}

}  // namespace mosavelle::app
