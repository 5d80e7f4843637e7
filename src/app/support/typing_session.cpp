#include "app/support/typing_session.h"

#include <QEvent>
#include <QWidget>

#include "core/model/document.h"

namespace mosavelle::app {

TypingSession::TypingSession(MosavelleDocument& document, std::string undoName, QObject* parent)
    : QObject(parent), document_(document), undoName_(std::move(undoName)) {
    pause_.setSingleShot(true);
    pause_.setInterval(pauseMs);
    connect(&pause_, &QTimer::timeout, this, &TypingSession::end);
}

void TypingSession::watch(QWidget* field) {
    field->installEventFilter(this);
}

void TypingSession::typed() {
    // The document's open edit may be another gesture's (a slider held, another field), or none
    // when something closed ours (an undo closes an open edit first): that one ends under its
    // own name and this run opens.
    if (!holdsOpenEdit()) {
        if (document_.isInContinuousEdit())
            document_.endContinuousEdit(document_.continuousEditName());
        document_.beginContinuousEdit(undoName_);
    }
    open_ = true;
    pause_.start();
}

void TypingSession::end() {
    pause_.stop();
    if (!open_)
        return;
    open_ = false;
    if (holdsOpenEdit())
        document_.endContinuousEdit(undoName_);
}

bool TypingSession::holdsOpenEdit() const {
    return document_.isInContinuousEdit() && document_.continuousEditName() == undoName_;
}

bool TypingSession::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut)
        end();
    return QObject::eventFilter(watched, event);
}

}  // namespace mosavelle::app
