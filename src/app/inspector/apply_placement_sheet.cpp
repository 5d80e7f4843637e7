#include "app/inspector/apply_placement_sheet.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/inspector/layout_preview_icon.h"

namespace mosavelle::app {

ApplyPlacementSheet::ApplyPlacementSheet(const Placement& placement, int affectedCount,
                                         QWidget* parent)
    : QDialog(parent), placement_(placement), affectedCount_(affectedCount) {
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("Apply Placement to All Slides"));
    setFixedWidth(420);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);

    auto* headline = new QLabel(tr("Apply Placement to All Slides"), this);
    QFont bold = headline->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    headline->setFont(bold);
    column->addWidget(headline);

    auto* body = new QLabel(message(placement.mode, affectedCount), this);
    body->setObjectName(QStringLiteral("message"));
    body->setWordWrap(true);
    column->addWidget(body);

    auto* note = new QLabel(
        tr("Layout, grouping, titles, captions, presenter notes, and branding are not changed."),
        this);
    note->setWordWrap(true);
    note->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(note);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* apply = buttons->addButton(tr("Apply"), QDialogButtonBox::AcceptRole);
    apply->setDefault(true);
    apply->setAutoDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

QString ApplyPlacementSheet::message(SizingMode mode, int affectedCount) {
    const QString slides = affectedCount == 1
                               ? tr("1 included slide that has images")
                               : tr("%1 included slides that have images").arg(affectedCount);
    return tr("This copies %1 placement to %2. Title-only slides are skipped. On slides with more "
              "than one image, the same mode is used in each image area.")
        .arg(sizingModeName(mode), slides);
}

}  // namespace mosavelle::app
