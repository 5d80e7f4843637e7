#pragma once

#include <QObject>
#include <QTimer>
#include <string>

class QWidget;

namespace mosavelle {
class MosavelleDocument;
}

namespace mosavelle::app {

// Turns a run of typing into one named undo step. The first edit of a run opens the document's
// continuous edit; the run ends, and becomes one step, when a watched field loses focus, when
// the user pauses (pauseMs without an edit) or when end() is called (the edited slide changes).
// Edits between are applied live, so everything that draws the deck follows each keystroke.
class TypingSession : public QObject {
    Q_OBJECT
public:
    static constexpr int pauseMs = 1000;

    TypingSession(MosavelleDocument& document, std::string undoName, QObject* parent = nullptr);

    // Ends the run when `field` loses focus.
    void watch(QWidget* field);
    // Call before applying each edit of the run.
    void typed();
    // Closes the open run as one step (none when nothing changed).
    void end();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether the document's open continuous edit is this run's.
    bool holdsOpenEdit() const;

    MosavelleDocument& document_;
    std::string undoName_;
    QTimer pause_;
    bool open_ = false;
};

}  // namespace mosavelle::app
