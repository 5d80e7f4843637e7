#include "app/flows/export_flow.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

#include "app/document/document_handle.h"
#include "app/document/package_dialog.h"
#include "app/flows/export_progress_panel.h"
#include "app/flows/export_sheet.h"
#include "app/support/background_job.h"
#include "app/support/core_texts.h"
#include "app/support/message_boxes.h"
#include "core/export/export_planning.h"

namespace mosavelle::app {

namespace {

QString unusablePictureLines(const Project& project) {
    QStringList lines;
    for (const auto& image : project.unusableImages()) {
        const QString reason = image.importError && !image.importError->empty()
                                   ? CoreTexts::importError(*image.importError)
                                   : ExportFlow::tr("unknown error");
        lines << ExportFlow::tr("%1: %2").arg(QString::fromStdString(image.originalFileName),
                                              reason);
    }
    return lines.join(u'\n');
}

}  // namespace

void showInFolder(const QString& file) {
    const QString folder = QFileInfo(file).absolutePath();
    auto openFolder = [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolder();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, qApp,
                     [watcher, openFolder](QDBusPendingCallWatcher*) {
                         if (watcher->isError())
                             openFolder();
                         watcher->deleteLater();
                     });
}

ExportFlow::ExportFlow(DocumentHandle& handle, QWidget* window, PresentationLauncher launcher)
    : QObject(window),
      handle_(handle),
      window_(window),
      launcher_(std::move(launcher)),
      exportFunction_([](const ExportRequest& request, const ExportProgressHandler& progress,
                         const ExportCancellation& cancellation) {
          return exportPresentation(request, progress, cancellation);
      }) {}

ExportFlow::~ExportFlow() {
    if (exporting_ && cancellation_)
        cancellation_->cancel();
    delete panel_.data();
}

void ExportFlow::begin() {
    if (busy_)
        return;
    busy_ = true;
    auto* sheet = new ExportSheet(handle_, window_);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet, &QDialog::rejected, this, &ExportFlow::end);
    connect(sheet, &ExportSheet::exportChosen, this, [this](QualityPreset quality) {
        // The sheet closes first; the flow goes on in a later turn of the event loop.
        QMetaObject::invokeMethod(
            this, [this, quality] { start(quality); }, Qt::QueuedConnection);
    });
    sheet->open();
}

void ExportFlow::start(QualityPreset quality) {
    if (exporting_)
        return;
    busy_ = true;
    const Project& project = handle_.document().project();
    // A saved project proposes its own name ("Holiday 2023.pptx").
    std::filesystem::path package = handle_.packagePath();
    if (!package.has_filename())
        package = package.parent_path();
    const QString proposed =
        QString::fromStdString(suggestedFileName(project, package.stem().string()));
    if (project.unusableImages().empty()) {
        chooseDestination(quality, proposed);
        return;
    }
    QMessageBox* box =
        newMessageBox(window_, QMessageBox::Warning, tr("Some images could not be used"),
                      unusablePictureLines(project));
    QPushButton* go = box->addButton(tr("Export Without Them"), QMessageBox::AcceptRole);
    box->addButton(tr("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(go);
    connect(box, &QMessageBox::finished, this, [this, box, go, quality, proposed] {
        if (box->clickedButton() == go)
            chooseDestination(quality, proposed);
        else
            end();
    });
    box->open();
}

void ExportFlow::chooseDestination(QualityPreset quality, const QString& proposedPath) {
    auto* dialog = newFileDialog(window_, tr("Export Presentation"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(tr("PowerPoint Presentation (*.pptx)"));
    dialog->setDefaultSuffix(QStringLiteral("pptx"));
    dialog->setWindowModality(Qt::WindowModal);
    QString folder =
        QFileInfo(proposedPath).isAbsolute() ? QFileInfo(proposedPath).absolutePath() : QString();
    if (folder.isEmpty() && !handle_.packagePath().empty()) {
        // Beside the package, not inside it (the package path may end with a separator).
        std::filesystem::path package = handle_.packagePath();
        if (!package.has_filename())
            package = package.parent_path();
        folder = QString::fromStdString(package.parent_path().string());
    }
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    dialog->setDirectory(folder);
    dialog->selectFile(QFileInfo(proposedPath).fileName());

    connect(dialog, &QDialog::finished, this, [this, dialog, quality](int result) {
        const QStringList files = dialog->selectedFiles();
        if (result != QDialog::Accepted || files.isEmpty() || files.front().isEmpty()) {
            end();
            return;
        }
        QString path = files.front();
        if (QFileInfo(path).suffix().compare(QStringLiteral("pptx"), Qt::CaseInsensitive) != 0) {
            // Only presentations are written: another extension gets ".pptx" added. When that
            // name is taken, the dialog asks again, so that replacing it is confirmed there.
            path += QStringLiteral(".pptx");
            if (QFileInfo::exists(path)) {
                QMetaObject::invokeMethod(
                    this, [this, quality, path] { chooseDestination(quality, path); },
                    Qt::QueuedConnection);
                return;
            }
        }
        startExport(quality, path);
    });
    dialog->open();
}

void ExportFlow::startExport(QualityPreset quality, const QString& path) {
    const MosavelleDocument& document = handle_.document();
    ExportRequest request;
    request.project = document.project();
    request.imageData.insert(document.imageData().begin(), document.imageData().end());
    request.logoData = document.logoData();
    request.quality = quality;
    request.destination = std::filesystem::path(path.toStdString());

    cancellation_ = std::make_shared<ExportCancellation>();
    auto relay = std::make_shared<ExportProgressRelay>();
    panel_ = new ExportProgressPanel(window_, cancellation_, relay);
    panel_->show();
    exporting_ = true;
    const quint64 token = ++exportToken_;

    struct Outcome {
        Status status;
        std::vector<PresentationProgram> programs;
    };
    runInBackground(
        this,
        [request = std::move(request), relay, cancellation = cancellation_, run = exportFunction_,
         lookup = launcher_.lookup()](const JobContext&) {
            Outcome outcome{
                run(
                    request, [relay](const ExportProgress& progress) { relay->report(progress); },
                    *cancellation),
                {}};
            // The program list reads desktop entries and may start xdg-mime: done here, off the
            // interface thread, and only when there is something to open.
            if (outcome.status.ok() && lookup)
                outcome.programs = lookup();
            return outcome;
        },
        [this, token, quality, path](Outcome outcome) {
            exportReturned(token, outcome.status, outcome.programs, quality, path);
        });
}

void ExportFlow::exportReturned(quint64 token, const Status& status,
                                const std::vector<PresentationProgram>& programs,
                                QualityPreset quality, const QString& path) {
    if (token != exportToken_ || !exporting_)
        return;
    exporting_ = false;
    cancellation_.reset();
    closePanel();
    if (!status.ok()) {
        if (isExportCancellation(status.error())) {
            end();
            return;
        }
        QMessageBox* box =
            newMessageBox(window_, QMessageBox::Warning, tr("Could not export the presentation"),
                          CoreTexts::error(status.error()));
        box->addButton(tr("OK"), QMessageBox::AcceptRole);
        connect(box, &QMessageBox::finished, this, &ExportFlow::end);
        box->open();
        return;
    }
    MosavelleDocument& document = handle_.document();
    if (document.project().export_.quality != quality) {
        Project project = document.project();
        project.export_.quality = quality;
        document.setProject(std::move(project));
    }
    showReadyAlert(path, programs);
}

void ExportFlow::showReadyAlert(const QString& path,
                                const std::vector<PresentationProgram>& programs) {
    QMessageBox* box = newMessageBox(window_, QMessageBox::Information, tr("Presentation ready"),
                                     QFileInfo(path).fileName());
    const QStringList titles = PresentationLauncher::buttonTitles(programs);
    // One role for all, so that the buttons stand in the order given whatever the style's
    // button layout; OK stays the default and the Escape button.
    QPushButton* show = box->addButton(titles.front(), QMessageBox::ActionRole);
    std::vector<QPushButton*> openButtons;
    for (qsizetype i = 1; i + 1 < titles.size(); ++i)
        openButtons.push_back(box->addButton(titles[i], QMessageBox::ActionRole));
    QPushButton* ok = box->addButton(titles.back(), QMessageBox::ActionRole);
    box->setDefaultButton(ok);
    box->setEscapeButton(ok);
    connect(box, &QMessageBox::finished, this, [this, box, show, openButtons, programs, path] {
        QAbstractButton* clicked = box->clickedButton();
        if (clicked == show)
            showInFolder(path);
        for (std::size_t i = 0; i < openButtons.size(); ++i) {
            if (clicked == openButtons[i]) {
                openIn(programs[i], path);
                return;
            }
        }
        end();
    });
    box->open();
}

void ExportFlow::openIn(const PresentationProgram& program, const QString& path) {
    const std::optional<QString> failure = launcher_.open(program, path);
    if (!failure) {
        end();
        return;
    }
    QMessageBox* box = newMessageBox(
        window_, QMessageBox::Warning, tr("Could not open in %1").arg(program.name),
        tr("The presentation was still saved as %1.").arg(QFileInfo(path).fileName()) +
            QStringLiteral("\n\n") + *failure);
    box->addButton(tr("OK"), QMessageBox::AcceptRole);
    connect(box, &QMessageBox::finished, this, &ExportFlow::end);
    box->open();
}

bool ExportFlow::prepareToClose() {
    if (!exporting_)
        return true;
    QMessageBox box(window_);
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(tr("Cancel the export?"));
    box.setText(tr("Cancel the export?"));
    box.setInformativeText(
        tr("The presentation is still being exported. Closing the window cancels the export."));
    QPushButton* cancelExport = box.addButton(tr("Cancel Export"), QMessageBox::DestructiveRole);
    QPushButton* keep = box.addButton(tr("Keep Exporting"), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    if (box.clickedButton() != cancelExport)
        return false;
    if (exporting_) {
        // The outcome is dropped: the export stops at its next check and writes nothing.
        cancellation_->cancel();
        exporting_ = false;
        cancellation_.reset();
        closePanel();
        end();
    }
    return true;
}

void ExportFlow::closePanel() {
    if (panel_) {
        panel_->hide();
        panel_->deleteLater();
    }
    panel_ = nullptr;
}

void ExportFlow::end() {
    if (!busy_)
        return;
    busy_ = false;
    Q_EMIT finished();
}

}  // namespace mosavelle::app
