#pragma once

class QWidget;

namespace mosavelle::app {

// The one answer to "is a text field focused?": the line edit, text editor or spin box that
// `widget` is or sits in (looking no further than its window); null when there is none.
QWidget* enclosingTextField(const QWidget* widget);

// Whether keyboard input at `widget` types into a text field (a read-only editor takes no
// typing, though it still selects and copies).
bool isTypingIn(const QWidget* widget);

}  // namespace mosavelle::app
