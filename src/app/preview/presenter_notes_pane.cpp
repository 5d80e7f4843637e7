#include "app/preview/presenter_notes_pane.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <string_view>

#include "app/document/document_handle.h"
#include "app/preview/preview_preferences.h"
#include "app/support/typing_session.h"
#include "core/editing/slide_settings.h"
#include "core/model/edit_step.h"

namespace mosavelle::app {

namespace {

constexpr double accessibilityStep = 16;

QString notesLimitText() {
    return QLocale().formattedDataSize(qint64(maximumNotesBytes), 0, QLocale::DataSizeSIFormat);
}

// The first `bytes` bytes of `text`, without a character cut in two.
std::string_view beginningOf(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes)
        return text;
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
        --bytes;
    return std::string_view(text).substr(0, bytes);
}

}  // namespace

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
    // In the highlight colour while it has the keyboard focus (its arrow keys resize the pane).
    QColor grip = palette().color(hasFocus() ? QPalette::Highlight : QPalette::PlaceholderText);
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
    // Tab moves on to the next control; notes hold no tab characters typed by accident.
    setTabChangesFocus(true);
    typing_ = new TypingSession(handle_.document(), stepName(EditStep::editNotes), this);
    typing_->watch(this);
    connect(this, &QPlainTextEdit::textChanged, this, &PresenterNotesPane::textEdited);
    connect(&handle_, &DocumentHandle::documentChanged, this, [this](const DocumentChange& c) {
        if (c.kind == DocumentChangeKind::project && !updating_)
            showNotesOfSlide();
    });
}

void PresenterNotesPane::setSlide(std::optional<Uuid> slideID) {
    if (slideID_ == slideID)
        return;
    // Notes typed for one slide are committed before another slide is shown.
    typing_->end();
    slideID_ = slideID;
    showNotesOfSlide();
}

void PresenterNotesPane::showNotesOfSlide() {
    static const std::string none;
    const MosavelleDocument& document = handle_.document();
    const std::string* stored = &none;
    if (slideID_)
        if (const auto p = document.slidePosition(*slideID_))
            stored = &document.project().slides[*p].notes;
    setEnabled(slideID_.has_value());
    const bool truncated = stored->size() > maximumNotesBytes;
    const std::string_view shown =
        truncated ? beginningOf(*stored, shownBeginningBytes) : std::string_view(*stored);
    if (truncated == truncated_ && shown == shown_)
        return;
    shown_.assign(shown);
    truncated_ = truncated;
    setReadOnly(truncated);
    QString text = QString::fromUtf8(shown.data(), qsizetype(shown.size()));
    if (truncated)
        text += QStringLiteral("…");
    updating_ = true;
    setPlainText(text);
    moveCursor(truncated ? QTextCursor::Start : QTextCursor::End);
    updating_ = false;
    setNotice(truncated ? tr("These notes are longer than %1, so only their beginning is shown and "
                             "they cannot be edited here. They are kept as they are.")
                              .arg(notesLimitText())
                        : QString());
}

void PresenterNotesPane::textEdited() {
    if (updating_ || !slideID_ || truncated_)
        return;
    std::string text = toPlainText().toStdString();
    MosavelleDocument& document = handle_.document();
    typing_->typed();
    updating_ = true;
    const bool accepted = setNotesLive(document, text);
    updating_ = false;
    if (!accepted) {
        refuseTooLong();
        return;
    }
    shown_ = std::move(text);
    setNotice({});
}

void PresenterNotesPane::refuseTooLong() {
    const int position = textCursor().position();
    updating_ = true;
    setPlainText(QString::fromStdString(shown_));
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::min(position, document()->characterCount() - 1));
    setTextCursor(cursor);
    updating_ = false;
    setNotice(refusal());
}

QString PresenterNotesPane::refusal() {
    return tr("Presenter notes can hold at most %1 of text, so this change was not made.")
        .arg(notesLimitText());
}

void PresenterNotesPane::insertFromMimeData(const QMimeData* source) {
    if (source != nullptr && source->hasText() && !truncated_) {
        const std::size_t replaced =
            std::min<std::size_t>(textCursor().selectedText().toUtf8().size(), shown_.size());
        const std::size_t added = std::size_t(source->text().toUtf8().size());
        if (shown_.size() - replaced + added > maximumNotesBytes) {
            setNotice(refusal());
            return;
        }
    }
    QPlainTextEdit::insertFromMimeData(source);
}

void PresenterNotesPane::setNotice(const QString& notice) {
    if (notice == notice_)
        return;
    notice_ = notice;
    Q_EMIT noticeChanged(notice_);
}

}  // namespace mosavelle::app
