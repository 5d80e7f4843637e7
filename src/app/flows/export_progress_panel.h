#pragma once

#include <QDialog>
#include <memory>

#include "core/export/presentation_export.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace mosavelle::app {

// The progress window of one export: "Exporting Presentation", a bar with the fraction done, the
// export's message and Cancel. It installs itself as the relay's handler: reports arrive on the
// export's thread and are applied on the interface thread; reports arriving after the panel is
// gone are dropped. Cancel (or Escape) only sets the cancellation flag; the panel stays until
// its owner closes it when the export returns. It is not modal, so the window stays usable.
class ExportProgressPanel : public QDialog {
    Q_OBJECT
public:
    ExportProgressPanel(QWidget* parent, std::shared_ptr<ExportCancellation> cancellation,
                        std::shared_ptr<ExportProgressRelay> relay);
    ~ExportProgressPanel() override;

    double fraction() const { return fraction_; }
    QString message() const;
    // Clamps the fraction to 0...1.
    void setProgress(const ExportProgress& progress);

    void reject() override;  // Escape cancels the export instead of hiding the panel

private:
    void cancel();

    std::shared_ptr<ExportCancellation> cancellation_;
    std::shared_ptr<ExportProgressRelay> relay_;
    double fraction_ = 0;
    QProgressBar* bar_ = nullptr;
    QLabel* message_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace mosavelle::app
