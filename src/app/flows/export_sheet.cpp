#include "app/flows/export_sheet.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/document/document_handle.h"
#include "core/export/export_planning.h"

namespace mosavelle::app {

namespace {

struct QualityChoice {
    QualityPreset preset;
    const char* label;
    const char* description;
};

// Translated where shown (ExportSheet::tr).
constexpr QualityChoice qualityChoices[] = {
    {QualityPreset::best, QT_TRANSLATE_NOOP("mosavelle::app::ExportSheet", "Best Quality"),
     QT_TRANSLATE_NOOP("mosavelle::app::ExportSheet",
                       "Preserves image quality. Creates larger files.")},
    {QualityPreset::balanced, QT_TRANSLATE_NOOP("mosavelle::app::ExportSheet", "Balanced"),
     QT_TRANSLATE_NOOP("mosavelle::app::ExportSheet", "Balances image quality and file size.")},
    {QualityPreset::small, QT_TRANSLATE_NOOP("mosavelle::app::ExportSheet", "Small File"),
     QT_TRANSLATE_NOOP("mosavelle::app::ExportSheet", "Creates a smaller file for sharing.")},
};

}  // namespace

ExportSheet::ExportSheet(DocumentHandle& handle, QWidget* parent)
    : QDialog(parent), handle_(handle) {
    setWindowTitle(tr("Export Presentation"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(380);

    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(tr("Export Presentation"), this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    title->setFont(titleFont);
    layout->addWidget(title);

    auto* format = new QWidget(this);
    format->setAccessibleName(
        tr("Format, PowerPoint (.pptx). Opens in PowerPoint, Keynote and LibreOffice Impress."));
    auto* formatLayout = new QVBoxLayout(format);
    formatLayout->setContentsMargins(0, 0, 0, 0);
    auto* formatLine = new QLabel(tr("Format: PowerPoint (.pptx)"), format);
    auto* formatNote =
        new QLabel(tr("Opens in PowerPoint, Keynote and LibreOffice Impress."), format);
    formatNote->setForegroundRole(QPalette::PlaceholderText);
    formatLayout->addWidget(formatLine);
    formatLayout->addWidget(formatNote);
    layout->addWidget(format);

    auto* group = new QGroupBox(tr("Quality"), this);
    group->setAccessibleName(tr("Export quality"));
    auto* groupLayout = new QVBoxLayout(group);
    qualities_ = new QButtonGroup(this);
    for (const auto& choice : qualityChoices) {
        auto* button = new QRadioButton(tr(choice.label), group);
        qualities_->addButton(button, static_cast<int>(choice.preset));
        groupLayout->addWidget(button);
    }
    layout->addWidget(group);

    description_ = new QLabel(this);
    description_->setWordWrap(true);
    layout->addWidget(description_);
    estimate_ = new QLabel(this);
    layout->addWidget(estimate_);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* exportButton = buttons->addButton(tr("Export"), QDialogButtonBox::AcceptRole);
    exportButton->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        const QualityPreset chosen = quality();
        accept();
        Q_EMIT exportChosen(chosen);
    });
    connect(qualities_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            refresh();
    });

    setQuality(handle_.document().project().export_.quality);
}

QualityPreset ExportSheet::quality() const {
    const int id = qualities_->checkedId();
    return id < 0 ? QualityPreset::best : static_cast<QualityPreset>(id);
}

void ExportSheet::setQuality(QualityPreset quality) {
    if (auto* button = qualities_->button(static_cast<int>(quality)))
        button->setChecked(true);
    refresh();
}

std::optional<QString> ExportSheet::formattedEstimate() const {
    const MosavelleDocument& document = handle_.document();
    const auto bytes = estimatedFileSize(document.project(), document.imageData(), quality());
    if (!bytes)
        return std::nullopt;
    return QLocale().formattedDataSize(*bytes, 1, QLocale::DataSizeSIFormat);
}

std::optional<QString> ExportSheet::estimateText() const {
    const std::optional<QString> size = formattedEstimate();
    if (!size)
        return std::nullopt;
    return tr("About %1").arg(*size);
}

void ExportSheet::refresh() {
    for (const auto& choice : qualityChoices)
        if (choice.preset == quality())
            description_->setText(tr(choice.description));
    const std::optional<QString> size = formattedEstimate();
    estimate_->setVisible(size.has_value());
    estimate_->setText(size ? tr("About %1").arg(*size) : QString());
    estimate_->setAccessibleName(size ? tr("Estimated file size, %1").arg(*size) : QString());
}

}  // namespace mosavelle::app
