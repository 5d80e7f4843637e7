#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <optional>

#include "core/editing/slide_show.h"
#include "core/platform/uuid.h"

class QToolButton;

namespace mosavelle::app {

class DocumentHandle;
class SlidePreviewView;
class SlideTransitionOverlay;

// A frameless, black, full-screen window showing one slide as large as the screen allows,
// without chrome. It plays the deck's show: a slide that advances by itself gives way to the next
// one after its time, each slide comes on with its transition, and the show starts again after
// the last slide when the deck loops. Space and Right (also Down) skip ahead with the transition,
// Left (also Up) goes back without one; a slide left out of the show steps to its deck
// neighbour. The slide shown is selected, so that the deck window follows. Escape or "Close"
// ends it and gives the key focus back to the window that had it. Deletes itself when closed.
class FullScreenSlidePreview : public QWidget {
    Q_OBJECT
public:
    FullScreenSlidePreview(DocumentHandle& handle, std::optional<Uuid> slideID);

    // Shows the window covering `screenOf`'s screen (else the primary screen).
    void present(QWidget* screenOf);
    void setSlide(std::optional<Uuid> slideID);
    const std::optional<Uuid>& slide() const;
    double zoom() const;
    bool isPlayingTransition() const;

Q_SIGNALS:
    void closed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void layoutCanvas();
    void step(int offset);
    // By value: focusing the slide rebuilds show_, which callers' identifiers often point into.
    void goTo(Uuid slideID, bool withTransition);
    void scheduleAdvance();

    DocumentHandle& handle_;
    SlideShow show_;
    QTimer advance_;
    SlidePreviewView* canvas_ = nullptr;
    SlideTransitionOverlay* transition_ = nullptr;
    QToolButton* closeButton_ = nullptr;
    QPointer<QWidget> previousActive_;
};

}  // namespace mosavelle::app
