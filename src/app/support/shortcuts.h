#pragma once

#include <QKeySequence>

namespace mosavelle::app::shortcuts {

// The keys of the application's commands, in one place so that the menus and the keyboard table
// of the help sheet cannot drift apart.
inline QKeySequence save() {
    return QKeySequence(Qt::CTRL | Qt::Key_S);
}
inline QKeySequence saveAs() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
}
inline QKeySequence newDocument() {
    return QKeySequence(Qt::CTRL | Qt::Key_N);
}
inline QKeySequence open() {
    return QKeySequence(Qt::CTRL | Qt::Key_O);
}
inline QKeySequence close() {
    return QKeySequence(Qt::CTRL | Qt::Key_W);
}
inline QKeySequence quit() {
    return QKeySequence(Qt::CTRL | Qt::Key_Q);
}
inline QKeySequence importImages() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O);
}
inline QKeySequence exportPresentation() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E);
}
inline QKeySequence undo() {
    return QKeySequence(Qt::CTRL | Qt::Key_Z);
}
inline QKeySequence redo() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
}
inline QKeySequence renameSlide() {
    return QKeySequence(Qt::CTRL | Qt::Key_R);
}
inline QKeySequence duplicateSlides() {
    return QKeySequence(Qt::CTRL | Qt::Key_D);
}
inline QKeySequence pasteImages() {
    return QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_V);
}
inline QKeySequence moveUp() {
    return QKeySequence(Qt::CTRL | Qt::Key_BracketLeft);
}
inline QKeySequence moveDown() {
    return QKeySequence(Qt::CTRL | Qt::Key_BracketRight);
}
inline QKeySequence zoomToFit() {
    return QKeySequence(Qt::CTRL | Qt::Key_0);
}
inline QKeySequence zoomOut() {
    return QKeySequence(Qt::CTRL | Qt::Key_Minus);
}
inline QKeySequence zoomIn() {
    return QKeySequence(Qt::CTRL | Qt::Key_Equal);
}
// The key presentation programs use to start a show.
inline QKeySequence fullScreenPreview() {
    return QKeySequence(Qt::Key_F5);
}
inline QKeySequence help() {
    return QKeySequence(Qt::CTRL | Qt::Key_Question);
}

}  // namespace mosavelle::app::shortcuts
