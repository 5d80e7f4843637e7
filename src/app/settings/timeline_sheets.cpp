#include "app/settings/timeline_sheets.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cstdlib>

#include "app/document/document_handle.h"
#include "core/editing/selection.h"
#include "core/editing/timeline.h"

namespace mosavelle::app {

namespace {

// "2 hours 5 minutes", "45 seconds": the largest two units that are not zero.
QString durationText(std::int64_t seconds) {
    seconds = std::llabs(seconds);
    const std::int64_t parts[] = {seconds / 86400, seconds / 3600 % 24, seconds / 60 % 60,
                                  seconds % 60};
    const QString units[] = {
        QObject::tr("%n day(s)", nullptr, int(parts[0])),
        QObject::tr("%n hour(s)", nullptr, int(parts[1])),
        QObject::tr("%n minute(s)", nullptr, int(parts[2])),
        QObject::tr("%n second(s)", nullptr, int(parts[3])),
    };
    QStringList shown;
    for (int i = 0; i < 4 && shown.size() < 2; ++i)
        if (parts[i] != 0)
            shown << units[i];
    return shown.isEmpty() ? units[3] : shown.join(QLatin1Char(' '));
}

QString cameraName(const CameraIdentity& camera) {
    QStringList words;
    for (const std::string* part : {&camera.make, &camera.model})
        if (!part->empty())
            words << QString::fromStdString(*part);
    QString name = words.join(QLatin1Char(' '));
    if (!camera.serial.empty())
        name += QObject::tr(" (serial number %1)").arg(QString::fromStdString(camera.serial));
    return name;
}

}  // namespace

TimeGapSheet::TimeGapSheet(DocumentHandle& handle, QWidget* parent)
    : QDialog(parent), handle_(handle) {
    setWindowTitle(tr("Insert Sections at Time Gaps"));
    setAccessibleName(tr("Insert Sections at Time Gaps"));
    setWindowModality(Qt::WindowModal);
    auto* column = new QVBoxLayout(this);
    auto* explanation = new QLabel(
        tr("Sorts the slides by capture date and puts a section divider, titled with its date, "
           "before each part of the deck."),
        this);
    explanation->setWordWrap(true);
    column->addWidget(explanation);

    byGap_ = new QRadioButton(tr("Where pictures are more than"), this);
    byGap_->setChecked(true);
    hours_ = new QSpinBox(this);
    hours_->setAccessibleName(tr("Hours"));
    hours_->setRange(1, 24 * 30);
    hours_->setValue(2);
    auto* gapRow = new QHBoxLayout;
    gapRow->addWidget(byGap_);
    gapRow->addWidget(hours_);
    gapRow->addWidget(new QLabel(tr("hours apart"), this));
    gapRow->addStretch(1);
    column->addLayout(gapRow);
    auto* eachDay = new QRadioButton(tr("At each new day"), this);
    column->addWidget(eachDay);
    connect(byGap_, &QRadioButton::toggled, hours_, &QWidget::setEnabled);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    auto* insert = buttons->addButton(tr("Insert Sections"), QDialogButtonBox::AcceptRole);
    insert->setDefault(true);
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        insertSections();
        accept();
    });
}

void TimeGapSheet::insertSections() {
    TimeGapRule rule;
    rule.eachDay = !byGap_->isChecked();
    rule.gap = std::chrono::hours(hours_->value());
    insertSectionsAtTimeGaps(handle_.document(), rule, QLocale().name().toStdString());
}

void askToAlignCameraClocks(DocumentHandle& handle, QWidget* parent) {
    const std::vector<Slide> selected = selectedSlides(handle.document());
    const auto alignment =
        selected.size() == 2
            ? cameraClockAlignment(handle.document().project(), selected[0].id, selected[1].id)
            : std::nullopt;
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    if (!alignment) {
        box->setIcon(QMessageBox::Information);
        box->setWindowTitle(QObject::tr("The camera clocks cannot be aligned"));
        box->setText(box->windowTitle());
        box->setInformativeText(QObject::tr(
            "Select two slides whose pictures were taken at the same moment by two different "
            "cameras, each picture with its capture time."));
        box->setStandardButtons(QMessageBox::Ok);
        box->open();
        return;
    }
    box->setIcon(QMessageBox::Question);
    // The question is the title too, seen where no title bar is drawn.
    box->setWindowTitle(QObject::tr("Were these two pictures taken at the same moment?"));
    box->setText(box->windowTitle());
    const QString amount = durationText(alignment->correctionSeconds);
    box->setInformativeText(
        (alignment->correctionSeconds >= 0
             ? QObject::tr(
                   "The clock of the %1 will be put forward by %2, for every picture it took.")
             : QObject::tr(
                   "The clock of the %1 will be put back by %2, for every picture it took."))
            .arg(cameraName(alignment->camera), amount));
    auto* align = box->addButton(QObject::tr("Align"), QMessageBox::AcceptRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(align);
    const Uuid a = selected[0].id, b = selected[1].id;
    QObject::connect(align, &QPushButton::clicked, &handle,
                     [&handle, a, b] { alignCameraClocks(handle.document(), a, b); });
    box->open();
}

}  // namespace mosavelle::app
