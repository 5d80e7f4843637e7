#include "app/help/about_window.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

namespace mosavelle::app {

namespace {
QPointer<AboutWindow> sharedWindow;
}

AboutWindow* AboutWindow::current() {
    return sharedWindow.data();
}

AboutWindow* AboutWindow::showShared() {
    if (!sharedWindow) {
        sharedWindow = new AboutWindow;
        sharedWindow->adjustSize();
        sharedWindow->setFixedSize(sharedWindow->sizeHint());
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = sharedWindow->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            sharedWindow->move(frame.topLeft());
        }
    }
    sharedWindow->show();
    sharedWindow->raise();
    sharedWindow->activateWindow();
    return sharedWindow;
}

AboutWindow::AboutWindow() : QDialog(nullptr) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("about"));
    setWindowTitle(tr("About Mosavelle"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 28, 40, 28);
    layout->setSpacing(8);
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/mosavelle/mosavelle.svg")).pixmap(96, 96));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    auto* name = new QLabel(tr("Mosavelle"), this);
    QFont font = name->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    name->setFont(font);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);
    auto* version = new QLabel(tr("Version %1").arg(QApplication::applicationVersion()), this);
    version->setAlignment(Qt::AlignCenter);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(version);
    auto* line = new QLabel(
        tr("Turn images into presentations. Opens in PowerPoint, Keynote and LibreOffice Impress."),
        this);
    line->setAlignment(Qt::AlignCenter);
    layout->addWidget(line);
}

}  // namespace mosavelle::app
