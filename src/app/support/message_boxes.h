#pragma once

#include <QMessageBox>

namespace mosavelle::app {

// A message box whose title is also its first line: where no window manager draws a title bar
// (or one hides it on dialogs), and for a screen reader reading the box, the title would
// otherwise be lost and the message read without its subject. `message` goes under it.
// Window-modal on `parent`, when it has one; deleted when it closes.
QMessageBox* newMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                           const QString& message = {});

}  // namespace mosavelle::app
