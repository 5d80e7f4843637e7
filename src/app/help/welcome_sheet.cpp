#include "app/help/welcome_sheet.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/support/preferences.h"
#include "app/support/shortcuts.h"

namespace mosavelle::app {

namespace {

QLabel* makeLabel(const QString& text, QWidget* parent, qreal scale = 1.0, bool bold = false) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(bold);
    label->setFont(font);
    return label;
}
}  // namespace

bool WelcomeSheet::hasCompletedWelcome() {
    return preferences::hasCompletedWelcome.value();
}

void WelcomeSheet::setHasCompletedWelcome(bool completed) {
    preferences::hasCompletedWelcome.store(completed);
}

WelcomeSheet::WelcomeSheet(std::function<void()> onImport, QWidget* parent)
    : QDialog(parent), onImport_(std::move(onImport)) {
    setWindowTitle(tr("Welcome to Mosavelle"));
    setObjectName(QStringLiteral("welcome"));
    resize(520, 420);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 16);
    layout->setSpacing(14);
    auto* header = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/mosavelle/mosavelle.svg")).pixmap(56, 56));
    header->addWidget(icon, 0, Qt::AlignTop);
    auto* titles = new QVBoxLayout;
    titles->addWidget(makeLabel(tr("Welcome to Mosavelle"), this, 1.6, true));
    titles->addWidget(makeLabel(
        tr("Turn images into presentations. Opens in PowerPoint, Keynote and LibreOffice Impress."),
        this));
    header->addLayout(titles, 1);
    layout->addLayout(header);

    const struct {
        QString title;
        QString text;
    } steps[] = {
        {tr("Bring in your pictures"),
         tr("Choose Import Images…, or drop pictures or a whole folder onto the window. Each "
            "picture becomes a slide, and Mosavelle keeps its own copy in the project.")},
        {tr("Arrange the deck"),
         tr("Reorder slides in the sidebar, group them two or four to a slide, and set layout, "
            "placement, titles and captions in the inspector.")},
        {tr("Save and export"),
         tr("%1 saves the project so you can come back to it. File → Export Presentation… makes "
            "the PowerPoint (.pptx) file to show.")
             .arg(shortcuts::save().toString(QKeySequence::NativeText))},
    };
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(12);
    int row = 0;
    for (const auto& step : steps) {
        auto* number = makeLabel(QString::number(row + 1), this, 1.6, true);
        number->setAlignment(Qt::AlignRight | Qt::AlignTop);
        grid->addWidget(number, row, 0, Qt::AlignTop);
        auto* text = new QVBoxLayout;
        text->setSpacing(2);
        text->addWidget(makeLabel(step.title, this, 1.05, true));
        text->addWidget(makeLabel(step.text, this));
        grid->addLayout(text, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch(1);

    auto* buttons = new QDialogButtonBox(this);
    auto* importButton = buttons->addButton(tr("Import Images…"), QDialogButtonBox::ActionRole);
    auto* start = buttons->addButton(tr("Get Started"), QDialogButtonBox::AcceptRole);
    start->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(importButton, &QPushButton::clicked, this, [this] {
        accept();
        // After the sheet is gone, so that the open dialog is not stacked on it.
        if (!onImport_)
            return;
        if (QWidget* window = parentWidget()) {
            QTimer::singleShot(0, window, onImport_);
        } else {
            onImport_();
        }
    });
    layout->addWidget(buttons);
    connect(this, &QDialog::finished, this, [] { setHasCompletedWelcome(true); });
}

}  // namespace mosavelle::app
