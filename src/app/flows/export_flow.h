#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "app/flows/export_progress_panel.h"
#include "app/flows/presentation_launcher.h"
#include "core/export/presentation_export.h"

class QWidget;

namespace mosavelle::app {

class DocumentHandle;
class ExportSheet;

// Everything around exporting one window's deck: the quality sheet, the question about pictures
// that could not be imported, the save dialog, the progress panel, and the outcome (nothing when
// cancelled, an alert with the export's own sentence when it failed, the ready alert with its
// hand-off buttons when it succeeded). One flow at a time per window.
//
// The export works on a copy of the deck taken on the interface thread when the destination is
// chosen; it runs on a worker, reports through queued calls, and the window stays usable. A
// cancelled or failed export leaves whatever stood at the destination untouched. A successful
// export stores the chosen quality in the deck (without an undo step). Interface thread only.
class ExportFlow : public QObject {
    Q_OBJECT
public:
    // The export itself; replaceable so that tests can hold an export at a known point.
    using ExportFunction = std::function<Status(const ExportRequest&, const ExportProgressHandler&,
                                                const ExportCancellation&)>;

    // The flow is a child of `window` (deleted with it); `handle` must outlive it. Alerts and
    // dialogs are window-modal on `window`.
    ExportFlow(DocumentHandle& handle, QWidget* window,
               PresentationLauncher launcher = PresentationLauncher());
    // Cancels a running export; its outcome is then dropped.
    ~ExportFlow() override;

    // Opens the export sheet; its Export button continues with `start` on a later turn. Does
    // nothing while a flow is already under way or when every slide is excluded.
    void begin();
    // The flow after the sheet, with the chosen quality: unusable pictures, save dialog, export.
    void start(QualityPreset quality);

    bool isExporting() const { return exporting_; }
    // True from `begin` (or `start`) until the flow's last alert is gone.
    bool isBusy() const { return busy_; }

    // Asked before the window closes. Without a running export: true. Otherwise asks whether to
    // cancel it: false when the user keeps it running; else cancels it and returns true.
    bool prepareToClose();

    void setExportFunction(ExportFunction function) { exportFunction_ = std::move(function); }
    ExportProgressPanel* progressPanel() const { return panel_; }

Q_SIGNALS:
    // The flow ended: the user stopped it, or its last alert was dismissed.
    void finished();

private:
    void chooseDestination(QualityPreset quality, const QString& proposedPath);
    void startExport(QualityPreset quality, const QString& path);
    void exportReturned(quint64 token, const Status& status,
                        const std::vector<PresentationProgram>& programs, QualityPreset quality,
                        const QString& path);
    void showReadyAlert(const QString& path, const std::vector<PresentationProgram>& programs);
    void openIn(const PresentationProgram& program, const QString& path);
    void closePanel();
    void end();

    DocumentHandle& handle_;
    QPointer<QWidget> window_;
    PresentationLauncher launcher_;
    ExportFunction exportFunction_;
    bool busy_ = false;
    bool exporting_ = false;
    quint64 exportToken_ = 0;  // the running export's number; outcomes of others are dropped
    std::shared_ptr<ExportCancellation> cancellation_;
    QPointer<ExportProgressPanel> panel_;
};

// Shows `file` selected in the desktop's file manager, or else opens its folder.
void showInFolder(const QString& file);

}  // namespace mosavelle::app
