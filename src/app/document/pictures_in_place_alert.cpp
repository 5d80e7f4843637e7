#include "app/document/pictures_in_place_alert.h"

#include <QMessageBox>

#include "app/support/core_texts.h"
#include "app/support/message_boxes.h"

namespace mosavelle::app {

void PicturesInPlaceAlert::showOnce(QWidget* window, const QString& documentName,
                                    const Error& failure) {
    static bool shown = false;
    if (shown)
        return;
    shown = true;
    const QString title = tr("Pictures could not be copied into the cache folder.");
    auto* alert = newMessageBox(window, QMessageBox::Warning, title);
    alert->setObjectName(QStringLiteral("picturesInPlaceAlert"));
    alert->setInformativeText(
        tr("Until its window closes, the pictures of “%1” are read from the project itself, so "
           "leave the project where it is until then. The cause: %2.")
            .arg(documentName, CoreTexts::error(failure)));
    alert->open();
}

}  // namespace mosavelle::app
