#include "app/document/document_saving.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <memory>

#include "app/document/document_handle.h"
#include "app/document/package_dialog.h"
#include "app/document/pictures_in_place_alert.h"
#include "app/document/recent_projects.h"
#include "app/support/core_texts.h"
#include "app/support/message_boxes.h"

namespace mosavelle::app {

namespace {

// A window-modal question on `window`, deleted when it closes. The question is its title too.
QMessageBox* newQuestion(QWidget& window, const char* name, const QString& question) {
    auto* box = newMessageBox(&window, QMessageBox::Warning, question);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

}  // namespace

DocumentSaving::DocumentSaving(DocumentHandle& handle, QWidget& window,
                               std::function<void()> commitEdits)
    : QObject(&window), handle_(handle), window_(window), commitEdits_(std::move(commitEdits)) {
    connect(&handle_, &DocumentHandle::documentChanged, this, [this](const DocumentChange& change) {
        if (change.kind == DocumentChangeKind::project)
            ++projectChanges_;
    });
}

// --- Saving

void DocumentSaving::save(SaveDone done) {
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

void DocumentSaving::saveAs(SaveDone done) {
    auto* dialog = new PackageFileDialog(PackageFileDialog::Purpose::save, &window_);
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

void DocumentSaving::saveTo(const std::filesystem::path& package, SaveDone done) {
    if (saving_) {
        if (done)
            done(false);
        return;
    }
    commitEdits_();
    saving_ = true;
    const std::uint64_t changesAtSnapshot = projectChanges_;
    PackageSnapshot snapshot = handle_.document().makeSnapshot();
    Project snapshotProject = snapshot.project;
    writePackageInBackground(
        std::move(snapshot), package, stampPackage(package), this,
        [this, package, changesAtSnapshot, snapshotProject = std::move(snapshotProject),
         done = std::move(done)](PackageWriteOutcome outcome) mutable {
            finishSave(package, changesAtSnapshot, snapshotProject, std::move(outcome),
                       std::move(done));
        });
}

void DocumentSaving::finishSave(const std::filesystem::path& package,
                                std::uint64_t changesAtSnapshot, const Project& snapshotProject,
                                PackageWriteOutcome outcome, SaveDone done) {
    saving_ = false;
    if (outcome.changedElsewhere) {
        Q_EMIT saveFinished(false);
        askAboutExternalChange(package, std::move(done));
        return;
    }
    if (!outcome.written.ok()) {
        showSaveFailure(CoreTexts::error(outcome.written.error()));
        Q_EMIT saveFinished(false);
        if (done)
            done(false);
        return;
    }
    if (changesAtSnapshot == projectChanges_) {
        // The writer may have renamed stored files it could not use as they were.
        if (outcome.written.value() != snapshotProject)
            handle_.document().setProject(std::move(outcome.written.value()));
        handle_.undoHistory()->markClean();
    }
    handle_.setPackagePath(package);
    stamp_ = outcome.stamp;
    RecentProjects::add(QString::fromStdString(package.string()));
    Q_EMIT recentProjectsChanged();
    Q_EMIT saved();
    Q_EMIT saveFinished(true);
    if (done)
        done(true);
}

void DocumentSaving::showSaveFailure(const QString& message) {
    auto* alert = newMessageBox(
        &window_, QMessageBox::Warning,
        tr("The document “%1” could not be saved.").arg(handle_.displayName()), message);
    alert->setObjectName(QStringLiteral("saveFailedAlert"));
    alert->open();
}

void DocumentSaving::askAboutExternalChange(const std::filesystem::path& package, SaveDone done) {
    auto* question = newQuestion(window_, "externalChangeQuestion",
                                 tr("The project was changed by another application."));
    question->setInformativeText(
        tr("Saving replaces those changes with this window’s version of “%1”.")
            .arg(handle_.displayName()));
    auto* saveAnyway = question->addButton(tr("Save Anyway"), QMessageBox::AcceptRole);
    auto* revert = question->addButton(tr("Revert"), QMessageBox::DestructiveRole);
    question->addButton(QMessageBox::Cancel);
    question->setDefaultButton(QMessageBox::Cancel);
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

void DocumentSaving::revertToSaved() {
    if (handle_.packagePath().empty() || !handle_.isModified())
        return;
    auto* question = newQuestion(
        window_, "revertQuestion",
        tr("Do you want to revert to the most recently saved version of the document “%1”?")
            .arg(handle_.displayName()));
    question->setInformativeText(tr("Your current changes will be lost."));
    auto* revert = question->addButton(tr("Revert"), QMessageBox::DestructiveRole);
    question->addButton(QMessageBox::Cancel);
    question->setDefaultButton(QMessageBox::Cancel);
    connect(question, &QMessageBox::finished, this, [this, question, revert] {
        if (question->clickedButton() == revert)
            revertNow();
    });
    question->open();
}

void DocumentSaving::revertNow() {
    if (handle_.packagePath().empty())
        return;
    readPackageInBackground(handle_.packagePath(), this, [this](PackageReadOutcome outcome) {
        if (!outcome.snapshot.ok()) {
            auto* alert = newMessageBox(
                &window_, QMessageBox::Warning,
                tr("The document “%1” could not be reverted.").arg(handle_.displayName()),
                CoreTexts::error(outcome.snapshot.error()));
            alert->open();
            return;
        }
        MosavelleDocument& document = handle_.document();
        commitEdits_();
        // The old selection names slides of the discarded deck; the saved deck starts at its
        // first slide.
        document.setSelectedSlideIDs({});
        document.applySnapshot(outcome.snapshot.value());
        handle_.undoHistory()->removeAllSteps();
        handle_.undoHistory()->markClean();
        stamp_ = outcome.stamp;
        Q_EMIT reverted();
        if (outcome.stagingFailure)
            PicturesInPlaceAlert::showOnce(&window_, handle_.displayName(),
                                           *outcome.stagingFailure);
    });
}

// --- Closing

void DocumentSaving::askToSaveChanges(std::function<void(bool mayClose)> decided) {
    if (auto* open = window_.findChild<QMessageBox*>(QStringLiteral("saveChangesQuestion"));
        open != nullptr && open->isVisible()) {
        return;
    }
    auto* question = newQuestion(window_, "saveChangesQuestion",
                                 tr("Do you want to save the changes made to the document “%1”?")
                                     .arg(handle_.displayName()));
    question->setInformativeText(tr("Your changes will be lost if you don’t save them."));
    auto* saveButton = question->addButton(tr("Save"), QMessageBox::AcceptRole);
    auto* dontSave = question->addButton(tr("Don’t Save"), QMessageBox::DestructiveRole);
    question->addButton(QMessageBox::Cancel);
    question->setDefaultButton(saveButton);
    connect(question, &QMessageBox::finished, this,
            [this, question, saveButton, dontSave, decided = std::move(decided)] {
                auto* clicked = question->clickedButton();
                if (clicked == dontSave)
                    decided(true);
                else if (clicked == saveButton)
                    save(decided);
                else
                    decided(false);
            });
    question->open();
}

}  // namespace mosavelle::app
