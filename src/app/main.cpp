#include <QApplication>

#include "app/document/document_handle.h"
#include "app/window/document_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Mosavelle"));
    QApplication::setApplicationName(QStringLiteral("Mosavelle"));
    QApplication::setApplicationVersion(QStringLiteral(MOSAVELLE_VERSION));

    auto* window = new mosavelle::app::DocumentWindow(mosavelle::app::DocumentHandle::makeUntitled());
    window->show();
    return app.exec();
}
