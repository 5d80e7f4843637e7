#include "app/window/document_window.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "app/document/document_handle.h"
#include "app/document/package_dialog.h"
#include "app/document/pictures_in_place_alert.h"
#include "app/document/recent_projects.h"
#include "app/window/content_view.h"
#include "app/window/window_actions.h"

namespace mosavelle::app {

DocumentWindow::DocumentWindow(DocumentHandle& handle, QWidget* parent)
    : QMainWindow(parent), handle_(handle) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("documentWindow"));
    setWindowIcon(QIcon(QStringLiteral(":/mosavelle/mosavelle.svg")));
    contentView_ = new ContentView(handle_, this);
    setCentralWidget(contentView_);
    actions_ = new WindowActions(*this);
    addToolBar(actions_->makeToolBar());
    setMinimumSize(900, 560);
    resize(1280, 800);
    connect(&handle_, &DocumentHandle::undoStateChanged, this, &DocumentWindow::updateTitle);
    connect(&handle_, &DocumentHandle::packagePathChanged, this, &DocumentWindow::updateTitle);
    connect(&handle_, &DocumentHandle::documentChanged, this, [this](const DocumentChange& change) {
        if (change.kind == DocumentChangeKind::project) {
            ++projectChanges_;
            setWindowModified(handle_.isModified());  // a keystroke marks it at once
        }
    });
    connect(this, &DocumentWindow::recentProjectsChanged, actions_,
            &WindowActions::rebuildRecentMenu);
    updateTitle();
    setAcceptDrops(true);
}

DocumentWindow::~DocumentWindow() = default;

// Project folders dropped anywhere on the window open as documents. The window watches itself,
// its content and every widget of it that takes drops, before the widget itself does, so the
// content's own drop handling (which would import the folder as pictures) never gets them; every
// other drop passes through.
void DocumentWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (watchingDrops_)
        return;
    watchingDrops_ = true;
    installEventFilter(this);
    contentView_->installEventFilter(this);
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (widget->acceptDrops())
            widget->installEventFilter(this);
    }
}

void DocumentWindow::updateTitle() {
    // "[*]" is where Qt shows the modified mark.
    setWindowTitle(tr("%1[*] — Mosavelle").arg(handle_.displayName()));
    setWindowModified(handle_.isModified());
}

// --- Saving

void DocumentWindow::save(SaveDone done) {
    if (handle_.packagePath().empty()) {
        saveAs(std::move(done));
        return;
    }
    const auto current = stampPackage(handle_.packagePath());
    if (stamp_ && current && *current != *stamp_) {
        askAboutExternalChange(handle_.packagePath(), std::move(done));
        return;
    }
    saveTo(handle_.packagePath(), std::move(done));
}

void DocumentWindow::saveAs(SaveDone done) {
    auto* dialog = new PackageFileDialog(PackageFileDialog::Purpose::save, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    if (!handle_.packagePath().empty()) {
        const QFileInfo current(QString::fromStdString(handle_.packagePath().string()));
        dialog->setDirectory(current.absolutePath());
        dialog->selectFile(current.fileName());
    } else {
        dialog->selectFile(tr("Untitled.mosavelle"));
    }
    auto shared = std::make_shared<SaveDone>(std::move(done));
    connect(dialog, &QDialog::finished, this, [this, dialog, shared](int result) {
        if (result == QDialog::Accepted && !dialog->chosenPackage().empty()) {
            saveTo(dialog->chosenPackage(), std::move(*shared));
        } else if (*shared) {
            (*shared)(false);
        }
    });
    dialog->open();
}

void DocumentWindow::saveTo(const std::filesystem::path& package, SaveDone done) {
    if (saving_) {
        if (done)
            done(false);
        return;
    }
    contentView_->commitEditsInProgress();
    saving_ = true;
    const std::uint64_t changesAtSnapshot = projectChanges_;
    PackageSnapshot snapshot = handle_.document().makeSnapshot();
    const Project snapshotProject = snapshot.project;
    writePackageInBackground(
        std::move(snapshot), package, stampPackage(package), this,
        [this, package, changesAtSnapshot, snapshotProject,
         done = std::move(done)](PackageWriteOutcome outcome) mutable {
            saving_ = false;
            if (outcome.changedElsewhere) {
                Q_EMIT saveFinished(false);
                askAboutExternalChange(package, std::move(done));
                return;
            }
            if (!outcome.written.ok()) {
                showSaveFailure(QString::fromStdString(outcome.written.error().message));
                Q_EMIT saveFinished(false);
                if (done)
                    done(false);
                return;
            }
            const bool unchangedSince = changesAtSnapshot == projectChanges_;
            if (unchangedSince) {
                // The writer may have renamed stored files it could not use as they were.
                if (outcome.written.value() != snapshotProject) {
                    handle_.document().setProject(std::move(outcome.written.value()));
                }
                handle_.undoHistory()->markClean();
            }
            handle_.setPackagePath(package);
            stamp_ = outcome.stamp;
            RecentProjects::add(QString::fromStdString(package.string()));
            Q_EMIT recentProjectsChanged();
            updateTitle();
            Q_EMIT saved();
            Q_EMIT saveFinished(true);
            if (done)
                done(true);
        });
}

void DocumentWindow::showSaveFailure(const QString& message) {
    auto* alert =
        new QMessageBox(QMessageBox::Warning,
                        tr("The document “%1” could not be saved.").arg(handle_.displayName()),
                        message, QMessageBox::Ok, this);
    alert->setObjectName(QStringLiteral("saveFailedAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    alert->open();
}

void DocumentWindow::askAboutExternalChange(const std::filesystem::path& package, SaveDone done) {
    auto* question = new QMessageBox(QMessageBox::Warning, tr("Mosavelle"),
                                     tr("The project was changed by another application."),
                                     QMessageBox::NoButton, this);
    question->setObjectName(QStringLiteral("externalChangeQuestion"));
    question->setInformativeText(
        tr("Saving replaces those changes with this window’s version of “%1”.")
            .arg(handle_.displayName()));
    auto* saveAnyway = question->addButton(tr("Save Anyway"), QMessageBox::AcceptRole);
    auto* revert = question->addButton(tr("Revert"), QMessageBox::DestructiveRole);
    question->addButton(QMessageBox::Cancel);
    question->setDefaultButton(QMessageBox::Cancel);
    question->setAttribute(Qt::WA_DeleteOnClose);
    question->setWindowModality(Qt::WindowModal);
    auto shared = std::make_shared<SaveDone>(std::move(done));
    connect(question, &QMessageBox::finished, this, [=, this] {
        auto* clicked = question->clickedButton();
        if (clicked == saveAnyway) {
            saveTo(package, std::move(*shared));
            return;
        }
        if (clicked == revert)
            revertNow();
        if (*shared)
            (*shared)(false);
    });
    question->open();
}

// --- Reverting

void DocumentWindow::revertToSaved() {
    if (handle_.packagePath().empty() || !handle_.isModified())
        return;
    auto* question = new QMessageBox(
        QMessageBox::Warning, tr("Mosavelle"),
        tr("Do you want to revert to the most recently saved version of the document “%1”?")
            .arg(handle_.displayName()),
        QMessageBox::NoButton, this);
    question->setObjectName(QStringLiteral("revertQuestion"));
    question->setInformativeText(tr("Your current changes will be lost."));
    auto* revert = question->addButton(tr("Revert"), QMessageBox::DestructiveRole);
    question->addButton(QMessageBox::Cancel);
    question->setDefaultButton(QMessageBox::Cancel);
    question->setAttribute(Qt::WA_DeleteOnClose);
    question->setWindowModality(Qt::WindowModal);
    connect(question, &QMessageBox::finished, this, [this, question, revert] {
        if (question->clickedButton() == revert)
            revertNow();
    });
    question->open();
}

void DocumentWindow::revertNow() {
    if (handle_.packagePath().empty())
        return;
    readPackageInBackground(handle_.packagePath(), this, [this](PackageReadOutcome outcome) {
        if (!outcome.snapshot.ok()) {
            auto* alert = new QMessageBox(
                QMessageBox::Warning,
                tr("The document “%1” could not be reverted.").arg(handle_.displayName()),
                QString::fromStdString(outcome.snapshot.error().message), QMessageBox::Ok, this);
            alert->setAttribute(Qt::WA_DeleteOnClose);
            alert->setWindowModality(Qt::WindowModal);
            alert->open();
            return;
        }
        MosavelleDocument& document = handle_.document();
        contentView_->commitEditsInProgress();
        // The old selection names slides of the discarded deck; the saved deck starts at its
        // first slide.
        document.setSelectedSlideIDs({});
        document.applySnapshot(outcome.snapshot.value());
        handle_.undoHistory()->removeAllSteps();
        handle_.undoHistory()->markClean();
        stamp_ = outcome.stamp;
        updateTitle();
        if (outcome.stagingFailure)
            PicturesInPlaceAlert::showOnce(this, handle_.displayName(), *outcome.stagingFailure);
    });
}

// --- Closing

void DocumentWindow::closeEvent(QCloseEvent* event) {
    if (closeConfirmed_) {
        event->accept();
        Q_EMIT closing();
        return;
    }
    // Text still being typed (the field has the focus) is part of what the question is about.
    contentView_->commitEditsInProgress();
    if (saving_) {
        // Decided once the save in flight has finished: closed when it wrote the deck.
        event->ignore();
        connect(
            this, &DocumentWindow::saveFinished, this,
            [this](bool savedNow) {
                if (savedNow) {
                    close();
                } else {
                    Q_EMIT closeCancelled();
                }
            },
            Qt::SingleShotConnection);
        return;
    }
    if (!contentView_->prepareToClose()) {
        event->ignore();
        Q_EMIT closeCancelled();
        return;
    }
    if (!handle_.isModified()) {
        closeConfirmed_ = true;
        event->accept();
        Q_EMIT closing();
        return;
    }
    event->ignore();
    askToSaveChanges();
}

void DocumentWindow::closeWithoutAsking() {
    closeConfirmed_ = true;
    close();
}

void DocumentWindow::askToSaveChanges() {
    // Closing again while the question shows (Ctrl+W twice) asks nothing more.
    if (auto* open = findChild<QMessageBox*>(QStringLiteral("saveChangesQuestion"));
        open != nullptr && open->isVisible()) {
        return;
    }
    auto* question = new QMessageBox(
        QMessageBox::Warning, tr("Mosavelle"),
        tr("Do you want to save the changes made to the document “%1”?").arg(handle_.displayName()),
        QMessageBox::NoButton, this);
    question->setObjectName(QStringLiteral("saveChangesQuestion"));
    question->setInformativeText(tr("Your changes will be lost if you don’t save them."));
    auto* saveButton = question->addButton(tr("Save"), QMessageBox::AcceptRole);
    auto* dontSave = question->addButton(tr("Don’t Save"), QMessageBox::DestructiveRole);
    question->addButton(QMessageBox::Cancel);
    question->setDefaultButton(saveButton);
    question->setAttribute(Qt::WA_DeleteOnClose);
    question->setWindowModality(Qt::WindowModal);
    connect(question, &QMessageBox::finished, this, [this, question, saveButton, dontSave] {
        auto* clicked = question->clickedButton();
        if (clicked == dontSave) {
            closeConfirmed_ = true;
            close();
        } else if (clicked == saveButton) {
            save([this](bool savedNow) {
                if (savedNow) {
                    closeConfirmed_ = true;
                    close();
                } else {
                    Q_EMIT closeCancelled();
                }
            });
        } else {
            Q_EMIT closeCancelled();
        }
    });
    question->open();
}

// --- Dropping project folders

std::vector<std::filesystem::path> DocumentWindow::droppedPackages(const QMimeData* mime) {
    std::vector<std::filesystem::path> packages;
    if (mime == nullptr || !mime->hasUrls())
        return packages;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isDir() && hasPackageExtension(info.absoluteFilePath().toStdString())) {
            packages.push_back(packagePathFor(info.absoluteFilePath().toStdString()));
        }
    }
    return packages;
}

bool DocumentWindow::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
        return false;
    }
    if (!watched->isWidgetType())
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const auto packages = droppedPackages(drop->mimeData());
    if (packages.empty())
        return false;
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        for (const auto& package : packages)
            Q_EMIT openPackageRequested(package);
    }
    return true;
}

}  // namespace mosavelle::app
