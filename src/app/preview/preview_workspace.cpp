#include "app/preview/preview_workspace.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

#include "app/document/document_handle.h"
#include "app/preview/full_screen_preview.h"
#include "app/preview/presenter_notes_pane.h"
#include "app/preview/preview_preferences.h"
#include "app/preview/slide_key_filter.h"
#include "app/preview/slide_painter.h"
#include "app/preview/slide_preview_view.h"
#include "app/support/text_fields.h"

namespace mosavelle::app {

namespace {

// An icon of the desktop's theme, else our own drawing of it.
QIcon themedIcon(const QString& themeName, const QString& fallback) {
    return QIcon::fromTheme(themeName,
                            QIcon(QStringLiteral(":/icons/") + fallback + QStringLiteral(".svg")));
}

QToolButton* borderlessButton(const QString& text, const QIcon& icon, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setIcon(icon);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setAccessibleName(text);
    return button;
}

// Keeps `button` from being squeezed below its icon-only width: the row shrinks to icons before
// any text is cut.
void allowIconOnly(QToolButton* button) {
    const Qt::ToolButtonStyle style = button->toolButtonStyle();
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setMinimumWidth(button->sizeHint().width());
    button->setToolButtonStyle(style);
}

}  // namespace

// --- Zoom bar

PreviewZoomBar::PreviewZoomBar(QWidget* parent) : QFrame(parent) {
    setAccessibleName(tr("Preview zoom"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::AlternateBase);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 6, 12, 6);
    row->setSpacing(8);

    fit_ = borderlessButton(tr("Fit to Window"),
                            themedIcon(QStringLiteral("zoom-fit-best"), QStringLiteral("zoom-fit")),
                            this);
    fit_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    allowIconOnly(fit_);
    fit_->setToolTip(fitHelp());
    connect(fit_, &QToolButton::clicked, this, &PreviewZoomBar::fitRequested);

    percent_ = new QLabel(this);
    percent_->setMinimumWidth(72);
    percent_->setAlignment(Qt::AlignCenter);
    percent_->setAccessibleName(tr("Zoom"));

    auto* out = borderlessButton(
        tr("Zoom Out"), themedIcon(QStringLiteral("zoom-out"), QStringLiteral("zoom-out")), this);
    out->setToolTip(tr("Zoom out"));
    connect(out, &QToolButton::clicked, this, &PreviewZoomBar::zoomOutRequested);
    auto* in = borderlessButton(
        tr("Zoom In"), themedIcon(QStringLiteral("zoom-in"), QStringLiteral("zoom-in")), this);
    in->setToolTip(tr("Zoom in"));
    connect(in, &QToolButton::clicked, this, &PreviewZoomBar::zoomInRequested);

    row->addWidget(fit_);
    row->addWidget(percent_);
    row->addWidget(out);
    row->addWidget(in);
}

void PreviewZoomBar::setCompact(bool compact) {
    fit_->setToolButtonStyle(compact ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
    fit_->setToolTip(compact ? tr("Fit to Window") + QLatin1Char('\n') + fitHelp() : fitHelp());
}

bool PreviewZoomBar::isCompact() const {
    return fit_->toolButtonStyle() == Qt::ToolButtonIconOnly;
}

QString PreviewZoomBar::fitHelp() {
    return tr(
        "Scale the preview to the available window. Does not change image placement or export "
        "size.");
}

void PreviewZoomBar::setState(bool zoomsToFit, int percent) {
    fit_->setEnabled(!zoomsToFit);
    percent_->setText(zoomsToFit ? tr("Fit · %1%").arg(percent) : tr("%1%").arg(percent));
    percent_->setAccessibleDescription(zoomsToFit ? tr("Fit to Window, %1 percent").arg(percent)
                                                  : tr("%1 percent").arg(percent));
}

QString PreviewZoomBar::percentText() const {
    return percent_->text();
}

// --- Workspace

PreviewWorkspace::PreviewWorkspace(DocumentHandle& handle, QWidget* parent)
    : QWidget(parent), handle_(handle) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus);  // the canvas in it takes the focus
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setWidgetResizable(false);
    scroll_->setBackgroundRole(QPalette::Dark);
    scroll_->viewport()->setBackgroundRole(QPalette::Dark);
    scroll_->installEventFilter(this);
    scroll_->viewport()->installEventFilter(this);
    canvas_ = new SlidePreviewView(handle_, scroll_);
    canvas_->setInteractiveCrop(true);
    canvas_->setShowsChrome(true);
    scroll_->setWidget(canvas_);
    column->addWidget(scroll_, 1);
    connect(canvas_, &SlidePreviewView::slideFull, this, &PreviewWorkspace::slideFull);
    connect(canvas_, &SlidePreviewView::activated, this, &PreviewWorkspace::activateSlideKeys);

    auto* bottom = bottomRow_ = new QHBoxLayout;
    bottom->setContentsMargins(12, 8, 12, 8);
    zoomBar_ = new PreviewZoomBar(this);
    bottom->addWidget(zoomBar_);
    bottom->addStretch(1);
    fullScreenButton_ = borderlessButton(
        tr("Preview Full Screen"),
        themedIcon(QStringLiteral("view-fullscreen"), QStringLiteral("fullscreen")), this);
    fullScreenButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    allowIconOnly(fullScreenButton_);
    // The tooltip is the button's help; assistive technology reads what pressing it does.
    fullScreenButton_->setToolTip(
        tr("Preview this slide at full screen. Press Escape or click Close to exit."));
    fullScreenButton_->setAccessibleDescription(tr(
        "Opens a full screen preview of the current slide. Press Escape or click Close to exit."));
    bottom->addWidget(fullScreenButton_);
    column->addLayout(bottom);
    connect(zoomBar_, &PreviewZoomBar::fitRequested, this, &PreviewWorkspace::zoomToFit);
    connect(zoomBar_, &PreviewZoomBar::zoomInRequested, this, &PreviewWorkspace::zoomIn);
    connect(zoomBar_, &PreviewZoomBar::zoomOutRequested, this, &PreviewWorkspace::zoomOut);
    connect(fullScreenButton_, &QToolButton::clicked, this,
            &PreviewWorkspace::showFullScreenPreview);

    notesHandle_ = new NotesResizeHandle(this);
    notes_ = new PresenterNotesPane(handle_, this);
    notesNotice_ = new QLabel(this);
    notesNotice_->setWordWrap(true);
    notesNotice_->setContentsMargins(8, 4, 8, 4);
    notesNotice_->setVisible(false);
    column->addWidget(notesHandle_);
    column->addWidget(notes_);
    column->addWidget(notesNotice_);
    connect(notes_, &PresenterNotesPane::noticeChanged, this, [this](const QString& notice) {
        notesNotice_->setText(notice);
        notesNotice_->setVisible(showsNotes_ && !notice.isEmpty());
    });

    connect(&PreviewPreferences::instance(), &PreviewPreferences::changed, this,
            &PreviewWorkspace::applyPreferences);
    connect(&handle_, &DocumentHandle::documentChanged, this, [this](const DocumentChange& c) {
        // Only a new page size moves the fit; an import changes the project many times a second.
        if (c.kind == DocumentChangeKind::project &&
            handle_.document().project().appearance.slideSize != zoomedFor_)
            updateZoom();
    });
    applyPreferences();
}

PreviewWorkspace::~PreviewWorkspace() {
    if (fullScreen_)
        fullScreen_->close();
}

FullScreenSlidePreview* PreviewWorkspace::fullScreenPreview() const {
    return fullScreen_;
}

void PreviewWorkspace::setDisplayedSlide(std::optional<Uuid> slideID) {
    slideID_ = slideID;
    canvas_->setSlide(slideID);
    notes_->setSlide(slideID);
    if (fullScreen_)
        fullScreen_->setSlide(slideID);
}

void PreviewWorkspace::setShowsPresenterNotes(bool shown) {
    showsNotes_ = shown;
    notesHandle_->setVisible(shown);
    notes_->setVisible(shown);
    notesNotice_->setVisible(shown && !notes_->notice().isEmpty());
}

double PreviewWorkspace::zoom() const {
    const auto& preferences = PreviewPreferences::instance();
    return preferences.zoomsToFit() ? lastFitScale_ : preferences.zoomScale();
}

void PreviewWorkspace::applyPreferences() {
    notes_->setFixedHeight(int(std::lround(PreviewPreferences::instance().notesHeight())));
    updateZoom();
}

void PreviewWorkspace::updateZoom() {
    const QSizeF available = scroll_->size();
    zoomedFor_ = handle_.document().project().appearance.slideSize;
    lastFitScale_ = preview_zoom::fitZoom(available, zoomedFor_);
    const auto& preferences = PreviewPreferences::instance();
    const bool fitting = preferences.zoomsToFit();
    const double zoom = fitting ? lastFitScale_ : preferences.zoomScale();
    canvas_->setCanvasScale(zoom);
    canvas_->resize(canvas_->sizeHint());
    // Scrolling is off while the canvas fits (with a point of tolerance for rounding).
    const QSize canvas = canvas_->sizeHint();
    const bool fits =
        available.width() + 1 >= canvas.width() && available.height() + 1 >= canvas.height();
    const auto policy = fits ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    scroll_->setHorizontalScrollBarPolicy(policy);
    scroll_->setVerticalScrollBarPolicy(policy);
    zoomBar_->setState(fitting, int(std::lround(zoom * 100)));
}

void PreviewWorkspace::zoomToFit() {
    PreviewPreferences::instance().setZoomsToFit(true);
}

void PreviewWorkspace::zoomIn() {
    zoomAround(preview_zoom::stepIn, scroll_->viewport()->rect().center());
}

void PreviewWorkspace::zoomOut() {
    zoomAround(preview_zoom::stepOut, scroll_->viewport()->rect().center());
}

void PreviewWorkspace::zoomAround(double factor, QPointF anchor) {
    // The point of the slide under `anchor` (viewport coordinates), as a share of the canvas.
    const QPointF onCanvas = canvas_->mapFrom(scroll_->viewport(), anchor);
    const QSizeF before = canvas_->size();
    const QPointF share(before.width() > 0 ? onCanvas.x() / before.width() : 0.5,
                        before.height() > 0 ? onCanvas.y() / before.height() : 0.5);
    auto& preferences = PreviewPreferences::instance();
    preferences.setZoomScale(zoom() * factor);
    preferences.setZoomsToFit(false);
    // The same point of the slide goes back under `anchor`.
    const QSizeF after = canvas_->size();
    scroll_->horizontalScrollBar()->setValue(
        int(std::lround(share.x() * after.width() - anchor.x())));
    scroll_->verticalScrollBar()->setValue(
        int(std::lround(share.y() * after.height() - anchor.y())));
}

void PreviewWorkspace::showFullScreenPreview() {
    if (fullScreen_) {
        fullScreen_->raise();
        fullScreen_->activateWindow();
        return;
    }
    fullScreen_ = new FullScreenSlidePreview(handle_, slideID_);
    fullScreen_->present(window());
}

void PreviewWorkspace::focusCanvas() {
    if (isTypingIn(QApplication::focusWidget()))
        return;
    canvas_->setFocus(Qt::OtherFocusReason);
}

// The row under the canvas shows its texts when they fit, else its icons alone, so that no
// label is ever cut or drawn over another.
void PreviewWorkspace::fitBottomRow() {
    const auto setCompact = [this](bool compact) {
        zoomBar_->setCompact(compact);
        fullScreenButton_->setToolButtonStyle(compact ? Qt::ToolButtonIconOnly
                                                      : Qt::ToolButtonTextBesideIcon);
    };
    setCompact(false);
    // The row's layouts keep the sizes they last measured until told the buttons changed.
    zoomBar_->layout()->invalidate();
    zoomBar_->updateGeometry();
    bottomRow_->invalidate();
    setCompact(bottomRow_->sizeHint().width() > width());
}

void PreviewWorkspace::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitBottomRow();
}

bool PreviewWorkspace::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scroll_ && event->type() == QEvent::Resize)
        updateZoom();
    // Ctrl+wheel zooms around the pointer, as in other viewers; the wheel alone scrolls.
    if (watched == scroll_->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        const int steps = wheel->angleDelta().y();
        if (wheel->modifiers().testFlag(Qt::ControlModifier) && steps != 0) {
            zoomAround(steps > 0 ? preview_zoom::stepIn : preview_zoom::stepOut, wheel->position());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace mosavelle::app
