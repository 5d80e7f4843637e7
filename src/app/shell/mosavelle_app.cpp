#include "app/shell/mosavelle_app.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/document/autosave.h"
#include "app/document/document_handle.h"
#include "app/document/document_saving.h"
#include "app/document/package_dialog.h"
#include "app/document/package_io.h"
#include "app/document/pictures_in_place_alert.h"
#include "app/document/recent_projects.h"
#include "app/document/recovery_dialog.h"
#include "app/flows/import_flow.h"
#include "app/help/about_window.h"
#include "app/support/background_job.h"
#include "app/support/core_texts.h"
#include "app/support/message_boxes.h"
#include "app/window/content_view.h"
#include "app/window/document_window.h"
#include "app/window/window_actions.h"

namespace mosavelle::app {

namespace {

QString displayNameOf(const std::filesystem::path& package) {
    return QString::fromStdString(package.stem().string());
}

}  // namespace

MosavelleApp::MosavelleApp() : recoveryStore_(std::make_shared<RecoveryStore>()) {}

MosavelleApp::~MosavelleApp() {
    // Windows still open go before their documents.
    for (auto& [window, handle] : documents_) {
        disconnect(window, nullptr, this, nullptr);
        delete window;
    }
}

void MosavelleApp::launch(const LaunchRequest& request) {
    launching_ = true;
    // A path that is not a project (a picture or a plain folder, as a file manager's
    // "Open With" hands over) is imported like those given with --import.
    QStringList imports = request.imports;
    bool openedProject = false;
    for (const QString& given : request.packages) {
        if (auto package = projectPackageOf(given.toStdString())) {
            openPackage(*package);
            openedProject = true;
        } else {
            imports << given;
        }
    }
    if (!imports.isEmpty()) {
        importIntoNewDocument(imports);
    } else if (!openedProject) {
        newDocument();
    }
    launching_ = false;
    openFinished();
}

DocumentWindow* MosavelleApp::newDocument() {
    return openWindow(DocumentHandle::makeUntitled(thumbnails_));
}

DocumentWindow* MosavelleApp::openWindow(std::unique_ptr<DocumentHandle> handle) {
    // While it has unsaved changes the deck keeps a recovery copy (a recovered one has it).
    if (Autosave::of(*handle) == nullptr)
        new Autosave(*handle, recoveryStore_);
    auto* window = new DocumentWindow(*handle);
    documents_.emplace(window, std::move(handle));
    // Emitted once the window's widgets are gone: nothing refers to the handle any more.
    connect(window, &QObject::destroyed, this, [this, window] { documents_.erase(window); });
    windows_.append(window);
    connect(window, &DocumentWindow::closing, this, [this, window] { windowClosing(window); });
    connect(window, &DocumentWindow::closeCancelled, this, [this] { quitting_ = false; });
    connect(window, &DocumentWindow::newDocumentRequested, this, &MosavelleApp::newDocument);
    connect(window, &DocumentWindow::openRequested, this,
            [this, window] { showOpenDialog(window); });
    connect(window, &DocumentWindow::openPackageRequested, this,
            [this, window](const std::filesystem::path& package) {
                openPackage(package, replacingIfUntouched(window));
            });
    connect(window, &DocumentWindow::quitRequested, this, &MosavelleApp::quit);
    connect(window, &DocumentWindow::recentProjectsChanged, this,
            &MosavelleApp::recentProjectsChanged);
    connect(this, &MosavelleApp::recentProjectsChanged, &window->windowActions(),
            &WindowActions::rebuildRecentMenu);
    window->show();
    window->raise();
    window->activateWindow();
    Q_EMIT windowOpened(window);
    return window;
}

void MosavelleApp::openPackage(const std::filesystem::path& given,
                               std::function<void(DocumentWindow*)> done) {
    const std::filesystem::path package = packagePathFor(given);
    for (DocumentWindow* window : windows_) {
        if (window->handle().packagePath() == package) {
            window->raise();
            window->activateWindow();
            if (done)
                done(window);
            return;
        }
    }
    const QString path = QString::fromStdString(package.string());
    if (opening_.contains(path))
        return;
    opening_.insert(path);
    ++pendingOpens_;
    readPackageInBackground(package, this, [this, package, path, done](PackageReadOutcome outcome) {
        --pendingOpens_;
        opening_.remove(path);
        DocumentWindow* window = nullptr;
        if (outcome.snapshot.ok()) {
            auto handle = std::make_unique<DocumentHandle>(std::make_unique<MosavelleDocument>(),
                                                           thumbnails_);
            handle->document().applySnapshot(outcome.snapshot.value());
            handle->setPackagePath(package);
            window = openWindow(std::move(handle));
            window->saving().setPackageStamp(outcome.stamp);
            if (outcome.stagingFailure)
                PicturesInPlaceAlert::showOnce(window, displayNameOf(package),
                                               *outcome.stagingFailure);
            RecentProjects::add(path);
        } else {
            if (!QFileInfo::exists(path))
                RecentProjects::remove(path);
            auto* alert = newMessageBox(
                nullptr, QMessageBox::Warning,
                tr("The document “%1” could not be opened.").arg(displayNameOf(package)),
                CoreTexts::error(outcome.snapshot.error()));
            alert->setObjectName(QStringLiteral("openFailedAlert"));
            alert->show();
        }
        Q_EMIT recentProjectsChanged();
        if (done)
            done(window);
        openFinished();
    });
}

std::function<void(DocumentWindow*)> MosavelleApp::replacingIfUntouched(DocumentWindow* window) {
    QPointer<DocumentWindow> from(window);
    return [from](DocumentWindow* opened) {
        if (!from || !opened || opened == from)
            return;
        // An untitled deck nobody has worked on would only be left behind empty.
        const DocumentHandle& handle = from->handle();
        if (handle.packagePath().empty() && !handle.isModified() &&
            handle.document().project().slides.empty() && !handle.undoHistory()->canUndo() &&
            !from->contentView().importFlow().isBusy())
            from->close();
    };
}

void MosavelleApp::offerRecovery() {
    RecoveryDialog::offer(
        recoveryStore_,
        [this](RecoveredDocument recovered) { openRecovered(std::move(recovered)); }, this);
}

void MosavelleApp::openRecovered(RecoveredDocument recovered) {
    auto handle =
        std::make_unique<DocumentHandle>(std::make_unique<MosavelleDocument>(), thumbnails_);
    handle->document().applySnapshot(recovered.deck.snapshot);
    handle->setPackagePath(recovered.deck.manifest.document);
    // What the copy holds is in no package: the deck starts modified.
    handle->undoHistory()->forgetSavedState();
    new Autosave(*handle, recoveryStore_, std::move(recovered.copy));
    openWindow(std::move(handle))->saving().setPackageStamp(recovered.stamp);
}

void MosavelleApp::openFinished() {
    // Launched to open projects that all failed: come up with an untitled window instead of
    // none at all.
    if (!launching_ && pendingOpens_ == 0 && windows_.isEmpty() && !quitting_)
        newDocument();
}

void MosavelleApp::showOpenDialog(QWidget* parent) {
    auto* dialog = new PackageFileDialog(PackageFileDialog::Purpose::open, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (parent != nullptr)
        dialog->setWindowModality(Qt::WindowModal);
    auto* from = qobject_cast<DocumentWindow*>(parent);
    connect(dialog, &QDialog::accepted, this, [this, dialog, from] {
        if (!dialog->chosenPackage().empty())
            openPackage(dialog->chosenPackage(), replacingIfUntouched(from));
    });
    dialog->open();
}

DocumentWindow* MosavelleApp::importIntoNewDocument(const QStringList& paths) {
    DocumentWindow* window = newDocument();
    std::vector<std::filesystem::path> urls;
    for (const QString& path : paths) {
        urls.push_back(QFileInfo(path).absoluteFilePath().toStdString());
    }
    // Reported once: when the import ends, or (without a window) when its window goes first.
    ImportFlow& flow = window->contentView().importFlow();
    auto reported = std::make_shared<bool>(false);
    const auto report = [this, reported](DocumentWindow* reached) {
        if (!std::exchange(*reported, true))
            Q_EMIT importFinished(reached);
    };
    connect(
        &flow, &ImportFlow::ended, this, [report, window] { report(window); },
        Qt::SingleShotConnection);
    connect(
        &flow, &QObject::destroyed, this, [report] { report(nullptr); }, Qt::SingleShotConnection);
    flow.importFromCommandLine(std::move(urls));
    return window;
}

void MosavelleApp::windowClosing(DocumentWindow* window) {
    windows_.removeAll(window);
    if (quitting_) {
        QTimer::singleShot(0, this, &MosavelleApp::closeNextForQuit);
        return;
    }
    if (windows_.isEmpty() && pendingOpens_ == 0 && quitsWithLastWindow_) {
        QTimer::singleShot(0, this, [] {
            if (AboutWindow* about = AboutWindow::current())
                about->close();
            QCoreApplication::quit();
        });
    }
}

void MosavelleApp::quit() {
    quitting_ = true;
    closeNextForQuit();
}

void MosavelleApp::quitWithoutAsking() {
    if (endingWithoutAsking_)
        return;
    endingWithoutAsking_ = true;
    std::vector<std::function<void()>> lastCopies;
    for (DocumentWindow* window : windows_) {
        window->contentView().commitEditsInProgress();
        if (Autosave* autosave = Autosave::of(window->handle()))
            lastCopies.push_back(autosave->keepForRecovery());
    }
    // A thread of its own, so that imports or exports queued on the pool cannot delay it.
    runInBackground(
        this,
        [lastCopies = std::move(lastCopies)](const JobContext&) {
            for (const auto& write : lastCopies)
                write();
        },
        [this] {
            quitting_ = true;
            for (DocumentWindow* window : QList<DocumentWindow*>(windows_))
                window->closeWithoutAsking();
            QTimer::singleShot(0, this, &MosavelleApp::closeNextForQuit);
        },
        JobThread::own);
}

void MosavelleApp::closeNextForQuit() {
    if (!quitting_)
        return;
    if (windows_.isEmpty()) {
        quitting_ = false;
        if (AboutWindow* about = AboutWindow::current())
            about->close();
        if (quitsWithLastWindow_)
            QCoreApplication::quit();
        return;
    }
    // The most recent first; a window that asks a question ends this turn, and its answer
    // (closing or cancelling) continues or stops the quit.
    DocumentWindow* window = windows_.last();
    window->raise();
    window->activateWindow();
    window->close();
}

}  // namespace mosavelle::app
