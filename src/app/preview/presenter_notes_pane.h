#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <optional>

#include "core/platform/uuid.h"

namespace mosavelle::app {

class DocumentHandle;

// The grip above the notes pane: dragging it up enlarges the pane, within 72...280 points, and
// stores the height at once; Up and Down (the accessibility increment and decrement) change it
// by 16 points.
class NotesResizeHandle : public QWidget {
    Q_OBJECT
public:
    explicit NotesResizeHandle(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {40, 8}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::optional<double> dragStartHeight_;
    double dragStartY_ = 0;
};

// The presenter notes of the shown slide. One editing session (focus in to focus out) is one
// "Edit Notes" undo step: focus opens a continuous edit, every change is applied live to the
// selected slides, and losing focus closes it.
class PresenterNotesPane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit PresenterNotesPane(DocumentHandle& handle, QWidget* parent = nullptr);
    void setSlide(std::optional<Uuid> slideID);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showNotesOfSlide();
    void beginEditing();
    void endEditing();

    DocumentHandle& handle_;
    std::optional<Uuid> slideID_;
    bool updating_ = false;
    bool editing_ = false;  // this pane opened the document's continuous edit
};

}  // namespace mosavelle::app
