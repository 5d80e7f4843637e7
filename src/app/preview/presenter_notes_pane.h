#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <cstddef>
#include <optional>
#include <string>

#include "core/platform/uuid.h"

namespace mosavelle::app {

class DocumentHandle;
class TypingSession;

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
    void focusInEvent(QFocusEvent*) override { update(); }
    void focusOutEvent(QFocusEvent*) override { update(); }

private:
    std::optional<double> dragStartHeight_;
    double dragStartY_ = 0;
};

// The presenter notes of the shown slide. One run of typing (until focus leaves, the slide
// changes or the user pauses) is one "Edit Notes" undo step; every change is applied live to the
// selected slides.
//
// Notes are edited up to the core's limit (maximumNotesBytes): typing or pasting past it is
// refused with a notice. Longer notes, which only a project file can hold, are shown read-only
// by their beginning (laying out megabytes of text would stall the window) and stay stored
// unchanged.
class PresenterNotesPane : public QPlainTextEdit {
    Q_OBJECT
public:
    // How much of notes too long to edit is shown, in bytes.
    static constexpr std::size_t shownBeginningBytes = 10'000;

    explicit PresenterNotesPane(DocumentHandle& handle, QWidget* parent = nullptr);
    void setSlide(std::optional<Uuid> slideID);
    // The sentence shown under the pane, empty when there is none.
    const QString& notice() const { return notice_; }

Q_SIGNALS:
    void noticeChanged(const QString& notice);

protected:
    // Refuses a paste or drop that would make the notes too long, before laying it out.
    void insertFromMimeData(const QMimeData* source) override;

private:
    void showNotesOfSlide();
    void textEdited();
    // Puts back the notes as they were before an edit that made them too long.
    void refuseTooLong();
    static QString refusal();
    void setNotice(const QString& notice);

    DocumentHandle& handle_;
    std::optional<Uuid> slideID_;
    std::string shown_;       // the notes on show (only their beginning while truncated_)
    bool truncated_ = false;  // the stored notes are too long to edit; the pane is read-only
    QString notice_;
    bool updating_ = false;
    TypingSession* typing_ = nullptr;  // one "Edit Notes" step per run of typing
};

}  // namespace mosavelle::app
