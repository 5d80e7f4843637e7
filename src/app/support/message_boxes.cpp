#include "app/support/message_boxes.h"

namespace mosavelle::app {

QMessageBox* newMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                           const QString& message) {
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (parent != nullptr)
        box->setWindowModality(Qt::WindowModal);
    box->setIcon(icon);
    box->setWindowTitle(title);
    box->setText(title);
    box->setInformativeText(message);
    return box;
}

}  // namespace mosavelle::app
