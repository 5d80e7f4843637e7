#include "app/preview/slide_key_filter.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include "app/document/document_handle.h"
#include "app/support/text_fields.h"
#include "core/editing/selection.h"
#include "core/editing/slide_operations.h"

namespace mosavelle::app {

SlideKeyFilter::SlideKeyFilter(DocumentHandle& handle, QWidget* window)
    : QObject(window), handle_(handle), window_(window) {
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { watch(now); });
    watch(QApplication::focusWidget());
}

SlideKeyFilter::~SlideKeyFilter() {
    if (watched_)
        watched_->removeEventFilter(this);
}

// Key presses reach the focus widget first, so that is the one widget watched: the window's own
// focus widget, or the window itself while nothing in it has the focus.
void SlideKeyFilter::watch(QWidget* focus) {
    if (!window_)
        return;
    QWidget* target = focus != nullptr && focus->window() == window_ ? focus : window_.data();
    if (target == watched_)
        return;
    if (watched_)
        watched_->removeEventFilter(this);
    watched_ = target;
    watched_->installEventFilter(this);
}

bool SlideKeyFilter::blocksSlideKeys(const QWidget* focus) {
    if (isTypingIn(focus))
        return true;
    for (const QWidget* w = focus; w; w = w->parentWidget()) {
        if (qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
            qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
            qobject_cast<const QComboBox*>(w) || w->property(segmentedControlProperty).toBool())
            return true;
        if (w->isWindow())
            break;
    }
    return false;
}

bool SlideKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    return window_ && event->type() == QEvent::KeyPress && handleKey(watched, event);
}

bool SlideKeyFilter::handleKey(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    // Key events reach the focus widget first (or the window when nothing has focus); later
    // deliveries to its ancestors are the same key and are left alone.
    QWidget* focus = QApplication::focusWidget();
    if (!widget || widget->window() != window_ || (focus && widget != focus))
        return false;
    if (handle_.document().project().slides.empty() || blocksSlideKeys(focus))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers extra =
        key->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    if (extra != Qt::NoModifier)
        return false;

    MosavelleDocument& document = handle_.document();
    switch (key->key()) {
        case Qt::Key_Right:
        case Qt::Key_Down:
            moveSelection(document, +1);
            return true;
        case Qt::Key_Left:
        case Qt::Key_Up:
            moveSelection(document, -1);
            return true;
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            deleteSelectedSlides(document);
            return true;
        default:
            return false;
    }
}

}  // namespace mosavelle::app
