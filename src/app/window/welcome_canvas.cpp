#include "app/window/welcome_canvas.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/window/window_icons.h"

namespace mosavelle::app {

namespace {

QLabel* pictureLabel(const QIcon& icon, int size, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(icon.pixmap(size, size));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel* textLabel(const QString& text, qreal scale, bool bold, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

}  // namespace

WelcomeCanvas::WelcomeCanvas(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(12);
    column->addStretch(1);
    column->addWidget(pictureLabel(
        themedIcon(QStringLiteral("image-x-generic"), QStringLiteral("photos-stacked")), 72, this));
    column->addWidget(textLabel(tr("Turn images into presentations for PowerPoint and Keynote"),
                                1.6, true, this));
    column->addWidget(
        textLabel(tr("Drop images or a folder here to get started."), 1.0, false, this));
    importButton_ = new QPushButton(tr("Import Images…"), this);
    importButton_->setDefault(true);
    column->addWidget(importButton_, 0, Qt::AlignHCenter);
    column->addStretch(1);
    connect(importButton_, &QPushButton::clicked, this, &WelcomeCanvas::importRequested);
}

SelectSlidePlaceholder::SelectSlidePlaceholder(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(8);
    column->addStretch(1);
    column->addWidget(pictureLabel(
        themedIcon(QStringLiteral("image-x-generic"), QStringLiteral("photo")), 48, this));
    column->addWidget(textLabel(tr("Select a slide"), 1.3, true, this));
    auto* description =
        textLabel(tr("Choose a slide in the sidebar to preview it."), 1.0, false, this);
    description->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(description);
    column->addStretch(1);
    setAccessibleName(tr("Select a slide"));
    setAccessibleDescription(tr("Choose a slide in the sidebar to preview it."));
}

}  // namespace mosavelle::app
