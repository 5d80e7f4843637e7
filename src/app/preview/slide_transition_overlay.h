#pragma once

#include <QPixmap>
#include <QVariantAnimation>
#include <QWidget>

#include "core/model/enums.h"

namespace mosavelle::app {

// Plays one slide transition over the slide canvas: the outgoing and the incoming slide, as
// pictures, drawn for the effect's progress. The new slide comes in from the right, as in the
// exported presentation: a fade blends, a push moves both, a wipe uncovers the new one from the
// right, a cover slides it over the old one. Hidden while no transition runs; transparent to
// input.
class SlideTransitionOverlay : public QWidget {
    Q_OBJECT
public:
    explicit SlideTransitionOverlay(QWidget* parent);

    // Starts `kind` over `duration` milliseconds; a transition still running ends first.
    void start(QPixmap from, QPixmap to, TransitionKind kind, int duration);
    void finish();
    bool isRunning() const;

Q_SIGNALS:
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVariantAnimation animation_;
    QPixmap from_;
    QPixmap to_;
    TransitionKind kind_ = TransitionKind::none;
};

}  // namespace mosavelle::app
