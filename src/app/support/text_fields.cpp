#include "app/support/text_fields.h"

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace mosavelle::app {

QWidget* enclosingTextField(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
            qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w))
            return const_cast<QWidget*>(w);
        if (w->isWindow())
            break;
    }
    return nullptr;
}

bool isTypingIn(const QWidget* widget) {
    const QWidget* field = enclosingTextField(widget);
    if (auto* edit = qobject_cast<const QTextEdit*>(field))
        return !edit->isReadOnly();
    if (auto* edit = qobject_cast<const QPlainTextEdit*>(field))
        return !edit->isReadOnly();
    return field != nullptr;
}

}  // namespace mosavelle::app
