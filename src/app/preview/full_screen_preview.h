#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>

#include "core/platform/uuid.h"

class QToolButton;

namespace mosavelle::app {

class DocumentHandle;
class SlidePreviewView;

// A frameless, black, full-screen window showing one slide as large as the screen allows,
// without chrome or interaction. Escape or "Close" closes it and gives the key focus back to the
// window that had it; Left and Right (also Up and Down) step to the neighbouring slide of the
// deck and select it, so that the deck window follows. Deletes itself when closed.
class FullScreenSlidePreview : public QWidget {
    Q_OBJECT
public:
    FullScreenSlidePreview(DocumentHandle& handle, std::optional<Uuid> slideID);

    // Shows the window covering `screenOf`'s screen (else the primary screen).
    void present(QWidget* screenOf);
    void setSlide(std::optional<Uuid> slideID);
    const std::optional<Uuid>& slide() const;
    double zoom() const;

Q_SIGNALS:
    void closed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void layoutCanvas();
    void step(int offset);

    DocumentHandle& handle_;
    SlidePreviewView* canvas_ = nullptr;
    QToolButton* closeButton_ = nullptr;
    QPointer<QWidget> previousActive_;
};

}  // namespace mosavelle::app
