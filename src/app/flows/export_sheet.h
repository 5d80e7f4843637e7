#pragma once

#include <QDialog>
#include <optional>

#include "core/model/enums.h"

class QButtonGroup;
class QLabel;

namespace mosavelle::app {

class DocumentHandle;

// The sheet where the quality of an export is chosen: the format, the three quality presets with
// the description of the chosen one, the estimated file size, Cancel and Export. It starts at the
// deck's quality. Export accepts the sheet and emits `exportChosen`; Cancel rejects it. Open it
// window-modal with `open()`.
class ExportSheet : public QDialog {
    Q_OBJECT
public:
    ExportSheet(DocumentHandle& handle, QWidget* parent);

    QualityPreset quality() const;
    void setQuality(QualityPreset quality);

    // "About 12.3 MB" for the chosen quality, or nothing when the line is left out.
    std::optional<QString> estimateText() const;

Q_SIGNALS:
    void exportChosen(mosavelle::QualityPreset quality);

private:
    std::optional<QString> formattedEstimate() const;
    void refresh();

    DocumentHandle& handle_;
    QButtonGroup* qualities_ = nullptr;
    QLabel* description_ = nullptr;
    QLabel* estimate_ = nullptr;
};

}  // namespace mosavelle::app
