#include "app/preview/full_screen_preview.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QToolButton>
#include <algorithm>

#include "app/document/document_handle.h"
#include "app/preview/slide_painter.h"
#include "app/preview/slide_preview_view.h"
#include "app/preview/slide_transition_overlay.h"
#include "core/editing/selection.h"

namespace mosavelle::app {

namespace {
constexpr int closeInset = 20;
}

FullScreenSlidePreview::FullScreenSlidePreview(DocumentHandle& handle, std::optional<Uuid> slideID)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::NoDropShadowWindowHint),
      handle_(handle) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAccessibleName(tr("Full screen slide preview"));
    QPalette dark = palette();
    dark.setColor(QPalette::Window, Qt::black);
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Button, QColor(40, 40, 40));
    dark.setColor(QPalette::ButtonText, Qt::white);
    setPalette(dark);
    setAutoFillBackground(true);

    canvas_ = new SlidePreviewView(handle_, this);
    canvas_->setSlide(slideID);
    canvas_->setFocusPolicy(Qt::NoFocus);
    transition_ = new SlideTransitionOverlay(this);
    show_ = slideShowOf(handle_.document().project());
    advance_.setSingleShot(true);
    connect(&advance_, &QTimer::timeout, this, [this] { step(+1); });

    closeButton_ = new QToolButton(this);
    closeButton_->setText(tr("Close"));
    closeButton_->setIcon(QIcon::fromTheme(QStringLiteral("window-close")));
    closeButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    closeButton_->setToolTip(tr("Closes the full screen slide preview."));
    closeButton_->setAccessibleName(tr("Close"));
    connect(closeButton_, &QToolButton::clicked, this, &QWidget::close);
    setFocusPolicy(Qt::StrongFocus);
    connect(&handle_, &DocumentHandle::documentChanged, this, [this] {
        show_ = slideShowOf(handle_.document().project());
        layoutCanvas();
    });
}

const std::optional<Uuid>& FullScreenSlidePreview::slide() const {
    return canvas_->slide();
}

double FullScreenSlidePreview::zoom() const {
    return canvas_->canvasScale();
}

bool FullScreenSlidePreview::isPlayingTransition() const {
    return transition_->isRunning();
}

void FullScreenSlidePreview::setSlide(std::optional<Uuid> slideID) {
    if (slideID == canvas_->slide())
        return;  // the echo of a slide this window selected
    transition_->finish();
    canvas_->setSlide(slideID);
    scheduleAdvance();
}

void FullScreenSlidePreview::present(QWidget* screenOf) {
    previousActive_ = QApplication::activeWindow();
    QScreen* screen = screenOf ? screenOf->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen && !QGuiApplication::screens().isEmpty())
        screen = QGuiApplication::screens().first();
    if (screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
    }
    showFullScreen();
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
    layoutCanvas();
    scheduleAdvance();
}

void FullScreenSlidePreview::scheduleAdvance() {
    advance_.stop();
    const auto current = canvas_->slide();
    const auto at = current ? show_.indexOf(*current) : std::nullopt;
    if (!at || !show_.steps[*at].advanceAfter)
        return;  // waits for the viewer
    const ShowStep& step = show_.steps[*at];
    advance_.start(int((*step.advanceAfter + step.transitionDuration).count()));
}

void FullScreenSlidePreview::goTo(Uuid slideID, bool withTransition) {
    transition_->finish();
    const QPixmap before = withTransition ? canvas_->grab() : QPixmap();
    canvas_->setSlide(slideID);
    focusSlide(handle_.document(), slideID);
    const auto at = show_.indexOf(slideID);
    if (withTransition && at && show_.steps[*at].transition != TransitionKind::none) {
        transition_->setGeometry(canvas_->geometry());
        transition_->start(before, canvas_->grab(), show_.steps[*at].transition,
                           int(show_.steps[*at].transitionDuration.count()));
    }
    scheduleAdvance();
}

void FullScreenSlidePreview::layoutCanvas() {
    const QSizeF page = slideCanvasSize(handle_.document().project().appearance.slideSize, 1.0);
    const double zoom = std::max(std::min(width() / page.width(), height() / page.height()), 0.01);
    canvas_->setCanvasScale(zoom);
    const QSize size = canvas_->sizeHint();
    canvas_->setGeometry((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(),
                         size.height());
    closeButton_->adjustSize();
    closeButton_->move(width() - closeInset - closeButton_->width(), closeInset);
    closeButton_->raise();
}

void FullScreenSlidePreview::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutCanvas();
}

void FullScreenSlidePreview::step(int offset) {
    const auto current = canvas_->slide();
    if (!current)
        return;
    if (const auto at = show_.indexOf(*current)) {
        if (const auto next = offset > 0 ? show_.after(*at) : show_.before(*at))
            goTo(show_.steps[*next].slideID, offset > 0);
        return;
    }
    // A slide the show leaves out: its neighbour in the deck.
    const auto& slides = handle_.document().project().slides;
    const auto at = handle_.document().slidePosition(*current);
    if (!at)
        return;
    const auto position = std::ptrdiff_t(*at) + offset;
    if (position < 0 || position >= std::ptrdiff_t(slides.size()))
        return;
    goTo(slides[std::size_t(position)].id, false);
}

void FullScreenSlidePreview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            close();
            break;
        case Qt::Key_Left:
        case Qt::Key_Up:
            step(-1);
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
        case Qt::Key_Space:
            step(+1);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void FullScreenSlidePreview::closeEvent(QCloseEvent* event) {
    advance_.stop();
    Q_EMIT closed();
    if (previousActive_)
        previousActive_->activateWindow();
    QWidget::closeEvent(event);
}

}  // namespace mosavelle::app
