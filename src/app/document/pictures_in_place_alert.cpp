#include "app/document/pictures_in_place_alert.h"

#include <QMessageBox>

#include "app/support/core_texts.h"

namespace mosavelle::app {

void PicturesInPlaceAlert::showOnce(QWidget* window, const QString& documentName,
                                    const Error& failure) {
    static bool shown = false;
    if (shown)
        return;
    shown = true;
    const QString title = tr("Pictures could not be copied into the cache folder.");
    auto* alert = new QMessageBox(QMessageBox::Warning, title, title, QMessageBox::Ok, window);
    alert->setObjectName(QStringLiteral("picturesInPlaceAlert"));
    alert->setInformativeText(
        tr("Until its window closes, the pictures of “%1” are read from the project itself, so "
           "leave the project where it is until then. The cause: %2.")
            .arg(documentName, CoreTexts::error(failure)));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    alert->open();
}

}  // namespace mosavelle::app
