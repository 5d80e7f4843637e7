#include "app/flows/export_progress_panel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/support/background_job.h"
#include "app/support/core_texts.h"

namespace mosavelle::app {

ExportProgressPanel::ExportProgressPanel(QWidget* parent,
                                         std::shared_ptr<ExportCancellation> cancellation,
                                         std::shared_ptr<ExportProgressRelay> relay)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      cancellation_(std::move(cancellation)),
      relay_(std::move(relay)) {
    setWindowTitle(tr("Export Presentation"));
    setFixedSize(360, 148);

    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(tr("Exporting Presentation"), this);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    heading->setFont(headingFont);
    layout->addWidget(heading);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    bar_->setAccessibleName(tr("Export progress"));
    layout->addWidget(bar_);
    message_ = new QLabel(this);
    layout->addWidget(message_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cancelButton_ = new QPushButton(tr("Cancel"), this);
    buttons->addWidget(cancelButton_);
    layout->addLayout(buttons);
    connect(cancelButton_, &QPushButton::clicked, this, &ExportProgressPanel::cancel);

    setProgress(ExportProgress{0, exportStageMessage(ExportStage::preparing)});

    // Runs on the export's thread: only posts the report to this thread, where it is dropped
    // once the panel is gone.
    relay_->setHandler([this, post = InterfacePost(this)](const ExportProgress& progress) {
        post([this, progress] { setProgress(progress); });
    });
}

ExportProgressPanel::~ExportProgressPanel() {
    relay_->setHandler({});
}

QString ExportProgressPanel::message() const {
    return message_->text();
}

void ExportProgressPanel::setProgress(const ExportProgress& progress) {
    fraction_ = std::isfinite(progress.fraction) ? std::clamp(progress.fraction, 0.0, 1.0) : 0.0;
    const int percent = static_cast<int>(std::lround(fraction_ * 100));
    bar_->setValue(percent);
    bar_->setAccessibleDescription(tr("%1 percent").arg(percent));
    message_->setText(CoreTexts::exportProgress(progress));
}

void ExportProgressPanel::reject() {
    cancel();
}

void ExportProgressPanel::cancel() {
    cancellation_->cancel();
    cancelButton_->setEnabled(false);
}

}  // namespace mosavelle::app
