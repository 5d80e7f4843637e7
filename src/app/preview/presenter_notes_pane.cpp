#include "app/preview/presenter_notes_pane.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "app/document/document_handle.h"
#include "app/preview/preview_preferences.h"
#include "core/editing/slide_settings.h"

namespace mosavelle::app {

namespace {
constexpr double accessibilityStep = 16;
}

NotesResizeHandle::NotesResizeHandle(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::SizeVerCursor);
    setFocusPolicy(Qt::TabFocus);
    setFixedHeight(8);
    setAccessibleName(tr("Resize presenter notes"));
    setToolTip(tr("Drag to resize presenter notes"));
}

void NotesResizeHandle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QColor grip = palette().color(QPalette::PlaceholderText);
    painter.setPen(Qt::NoPen);
    painter.setBrush(grip);
    painter.drawRoundedRect(QRectF(width() / 2.0 - 18, height() / 2.0 - 1.5, 36, 3), 1.5, 1.5);
}

void NotesResizeHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    dragStartHeight_ = PreviewPreferences::instance().notesHeight();
    dragStartY_ = event->globalPosition().y();
}

void NotesResizeHandle::mouseMoveEvent(QMouseEvent* event) {
    if (!dragStartHeight_)
        return;
    const double translation = event->globalPosition().y() - dragStartY_;
    PreviewPreferences::instance().setNotesHeight(*dragStartHeight_ - translation);
}

void NotesResizeHandle::mouseReleaseEvent(QMouseEvent*) {
    dragStartHeight_.reset();
}

void NotesResizeHandle::keyPressEvent(QKeyEvent* event) {
    auto& preferences = PreviewPreferences::instance();
    if (event->key() == Qt::Key_Up)
        preferences.setNotesHeight(preferences.notesHeight() + accessibilityStep);
    else if (event->key() == Qt::Key_Down)
        preferences.setNotesHeight(preferences.notesHeight() - accessibilityStep);
    else
        return QWidget::keyPressEvent(event);
    event->accept();
}

PresenterNotesPane::PresenterNotesPane(DocumentHandle& handle, QWidget* parent)
    : QPlainTextEdit(parent), handle_(handle) {
    setAccessibleName(tr("Presenter notes"));
    setPlaceholderText(tr("Add presenter notes…"));
    setToolTip(tr("Separate from slide content. Hiding this pane does not delete notes."));
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (updating_ || !slideID_)
            return;
        MosavelleDocument& document = handle_.document();
        document.beginContinuousEdit();
        editing_ = true;
        updating_ = true;
        setNotesLive(document, toPlainText().toStdString());
        updating_ = false;
    });
    connect(&handle_, &DocumentHandle::documentChanged, this, [this](const DocumentChange& c) {
        if (c.kind == DocumentChangeKind::project && !updating_)
            showNotesOfSlide();
    });
}

void PresenterNotesPane::setSlide(std::optional<Uuid> slideID) {
    if (slideID_ == slideID)
        return;
    // Notes typed for one slide are committed before another slide is shown.
    const bool wasEditing = editing_;
    endEditing();
    slideID_ = slideID;
    showNotesOfSlide();
    if (wasEditing && slideID_)
        beginEditing();
}

void PresenterNotesPane::showNotesOfSlide() {
    QString notes;
    if (slideID_)
        for (const Slide& slide : handle_.document().project().slides)
            if (slide.id == *slideID_)
                notes = QString::fromStdString(slide.notes);
    setEnabled(slideID_.has_value());
    if (notes == toPlainText())
        return;
    updating_ = true;
    setPlainText(notes);
    moveCursor(QTextCursor::End);
    updating_ = false;
}

void PresenterNotesPane::focusInEvent(QFocusEvent* event) {
    if (slideID_)
        beginEditing();
    QPlainTextEdit::focusInEvent(event);
}

void PresenterNotesPane::focusOutEvent(QFocusEvent* event) {
    endEditing();
    QPlainTextEdit::focusOutEvent(event);
}

void PresenterNotesPane::beginEditing() {
    handle_.document().beginContinuousEdit();
    editing_ = true;
}

void PresenterNotesPane::endEditing() {
    if (!editing_)
        return;
    editing_ = false;
    handle_.document().endContinuousEdit("Edit Notes");
}

}  // namespace mosavelle::app
