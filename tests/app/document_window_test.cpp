#include "app/window/document_window.h"

#include <QAction>
#include <QLineEdit>
#include <QTreeView>
#include <fstream>

#include "app/document/document_saving.h"
#include "app/document/package_dialog.h"
#include "app/document/package_io.h"
#include "app/document/recent_projects.h"
#include "app/navigator/navigator_view.h"
#include "app/navigator/slide_list_view.h"
#include "app/preview/presenter_notes_pane.h"
#include "app/preview/preview_workspace.h"
#include "app/shell/mosavelle_app.h"
#include "app/support/preferences.h"
#include "app/window/content_view.h"
#include "app/window/window_actions.h"
#include "app_test_support.h"
#include "core/editing/selection.h"
#include "core/editing/slide_operations.h"
#include "core/model/package_lock.h"

// Saving, reverting and closing a deck window, with the questions they ask.
class DocumentWindowTest : public QObject {
    Q_OBJECT
private:
    MosavelleApp app_;
    QTemporaryDir folder_;

    std::filesystem::path pathIn(const char* name) const {
        return std::filesystem::path(folder_.path().toStdString()) / name;
    }

    // A window on a saved package, with one unsaved edit.
    DocumentWindow* editedWindowOnPackage(const char* name) {
        const auto package = writePackage(pathIn(name), deckOfSlides(2));
        DocumentWindow* opened = nullptr;
        app_.openPackage(package, [&](DocumentWindow* window) { opened = window; });
        if (!QTest::qWaitFor([&] { return opened != nullptr; }, 3000))
            return nullptr;
        insertSectionDivider(opened->handle().document());
        return opened;
    }

private Q_SLOTS:
    void initTestCase() { app_.setQuitsWithLastWindow(false); }

    void failedSaveKeepsChangesAndEditsDuringASaveKeepTheModifiedMark() {
        DocumentWindow* window = editedWindowOnPackage("fail.mosavelle");
        QVERIFY(window);
        // A destination whose parent is a regular file cannot be written.
        std::ofstream(pathIn("plain-file")) << "x";
        bool result = true;
        bool finished = false;
        window->saving().saveTo(pathIn("plain-file") / "deck.mosavelle", [&](bool saved) {
            result = saved;
            finished = true;
        });
        QTRY_VERIFY(finished);
        QVERIFY(!result);
        QMessageBox* alert = waitForMessageBox("saveFailedAlert");
        QVERIFY(alert);
        QCOMPARE(alert->windowTitle(), QStringLiteral("The document “fail” could not be saved."));
        QVERIFY(!alert->text().isEmpty());
        alert->accept();
        QVERIFY(window->handle().isModified());
        QCOMPARE(window->handle().packagePath(), pathIn("fail.mosavelle"));
        QCOMPARE(window->handle().document().project().slides.size(), std::size_t{3});

        // Edits made during a save, before the background write reports back, keep the mark.
        bool saved = false;
        window->saving().save([&](bool ok) { saved = ok; });
        duplicateSelectedSlides(window->handle().document());
        QTRY_VERIFY(saved);
        QVERIFY(window->handle().isModified());
        QVERIFY(window->isWindowModified());

        // Don't Save closes without writing the later edit.
        QPointer<DocumentWindow> guard(window);
        window->close();
        clickButton(waitForMessageBox("saveChangesQuestion"), "Don’t Save");
        QTRY_VERIFY(!guard);
        QCOMPARE(readProjectPackage(pathIn("fail.mosavelle"))->project.slides.size(),
                 std::size_t{3});
    }

    void anotherProgramsRewriteIsNotSilentlyOverwrittenAndCloseAsksToSave() {
        DocumentWindow* window = editedWindowOnPackage("external.mosavelle");
        QVERIFY(window);
        // Another program (an import) holds the package as the save starts, and writes 5 slides.
        bool finished = false;
        {
            auto importing = PackageLock::acquire(pathIn("external.mosavelle"));
            QVERIFY(importing.ok());
            window->saving().save([&](bool) { finished = true; });
            writePackage(pathIn("external.mosavelle"), deckOfSlides(5));
        }
        QMessageBox* question = waitForMessageBox("externalChangeQuestion");
        QVERIFY(question);
        QCOMPARE(question->text(),
                 QStringLiteral("The project was changed by another application."));
        clickButton(question, "Cancel");
        QTRY_VERIFY(finished);
        QCOMPARE(readProjectPackage(pathIn("external.mosavelle"))->project.slides.size(),
                 std::size_t{5});

        // Revert takes the other program's version and leaves a clean window.
        window->saving().save();
        clickButton(waitForMessageBox("externalChangeQuestion"), "Revert");
        QTRY_COMPARE(window->handle().document().project().slides.size(), std::size_t{5});
        QTRY_VERIFY(!window->handle().isModified());
        QVERIFY(!window->handle().undoHistory()->canUndo());
        QAction* revert = window->windowActions().action("file.revert");
        QVERIFY(!revert->isEnabled());  // a saved deck reverts only when it has changes

        // Once reverted, the window's stamp is current again: a save asks nothing.
        insertSectionDivider(window->handle().document());
        QVERIFY(revert->isEnabled());
        bool saved = false;
        window->saving().save([&](bool ok) { saved = ok; });
        QTRY_VERIFY(saved);
        QCOMPARE(readProjectPackage(pathIn("external.mosavelle"))->project.slides.size(),
                 std::size_t{6});

        // Closing with changes asks first; Cancel keeps the window and its changes.
        insertSectionDivider(window->handle().document());
        QPointer<DocumentWindow> guard(window);
        QSignalSpy cancelled(window, &DocumentWindow::closeCancelled);
        window->close();
        question = waitForMessageBox("saveChangesQuestion");
        QVERIFY(question);
        QCOMPARE(question->text(),
                 QStringLiteral("Do you want to save the changes made to the document "
                                "“external”?"));
        clickButton(question, "Cancel");
        QTRY_COMPARE(cancelled.count(), 1);
        QVERIFY(guard && guard->isVisible());
        QVERIFY(window->handle().isModified());
        QCOMPARE(window->handle().document().project().slides.size(), std::size_t{7});

        // Save writes, then closes.
        window->close();
        clickButton(waitForMessageBox("saveChangesQuestion"), "Save");
        QTRY_VERIFY(!guard);
        auto reread = readProjectPackage(pathIn("external.mosavelle"));
        QVERIFY(reread.ok());
        QCOMPARE(reread->project.slides.size(), std::size_t{7});
        QCOMPARE(RecentProjects::paths().value(0),
                 QString::fromStdString(pathIn("external.mosavelle").string()));
    }

    void textStillBeingTypedCountsAsAChangeAndIsSavedFromItsField() {
        const auto package = writePackage(pathIn("typing.mosavelle"), deckOfSlides(2));
        DocumentWindow* window = nullptr;
        app_.openPackage(package, [&](DocumentWindow* opened) { window = opened; });
        QTRY_VERIFY(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        // Notes typed into the pane, which keeps the focus: marked at once, asked about on close.
        PresenterNotesPane* notes = window->contentView().previewWorkspace().notesPane();
        notes->setFocus();
        QTest::keyClicks(notes, "Thanks");
        QVERIFY(window->isWindowModified());
        window->close();
        clickButton(waitForMessageBox("saveChangesQuestion"), "Cancel");
        // A slide name being typed in the navigator likewise; Save stores both.
        window->contentView().navigator().startRenamingPrimarySlide();
        auto* field = window->contentView().navigator().currentView().findChild<QLineEdit*>();
        QVERIFY(field);
        QTest::keyClicks(field, "Opening");
        QPointer<DocumentWindow> guard(window);
        window->close();
        clickButton(waitForMessageBox("saveChangesQuestion"), "Save");
        QTRY_VERIFY(!guard);
        const Slide saved = readProjectPackage(package)->project.slides[0];
        QCOMPARE(saved.notes, std::string("Thanks"));
        QCOMPARE(saved.title, std::string("Opening"));
    }

    void saveDialogChoosesPackagesInsteadOfEnteringThem() {
        // Project dialogs start in the user's Documents folder, later where the last was chosen.
        preferences::lastProjectFolder.store({});
        const QString documents = QDir::homePath() + "/Documents";
        QDir().mkpath(documents);
        QCOMPARE(PackageFileDialog(PackageFileDialog::Purpose::save).directory().absolutePath(),
                 documents);
        const auto existing = writePackage(pathIn("existing.mosavelle"), deckOfSlides(1));
        PackageFileDialog open(PackageFileDialog::Purpose::open);
        open.setDirectory(folder_.path());
        // A typed project.json means its package; an ordinary folder is entered, not chosen.
        QVERIFY(open.choose(QString::fromStdString((existing / "project.json").string())));
        QCOMPARE(open.chosenPackage(), existing);
        QCOMPARE(PackageFileDialog(PackageFileDialog::Purpose::save).directory().absolutePath(),
                 folder_.path());
        QDir(folder_.path()).mkdir("plain");
        PackageFileDialog open2(PackageFileDialog::Purpose::open);
        QVERIFY(!open2.choose(folder_.path() + "/plain"));
        QCOMPARE(open2.directory().absolutePath(), folder_.path() + "/plain");

        // Double-clicking a package in the list opens it rather than showing its insides.
        PackageFileDialog browse(PackageFileDialog::Purpose::open);
        browse.setDirectory(folder_.path());
        browse.show();
        auto* list = browse.findChild<QTreeView*>(QStringLiteral("treeView"));
        QVERIFY(list);
        QModelIndex item;
        QTRY_VERIFY([&] {
            for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
                auto index = list->model()->index(row, 0, list->rootIndex());
                if (index.data().toString() == "existing.mosavelle")
                    item = index;
            }
            return item.isValid();
        }());
        const QPoint where = list->visualRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, where);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, where);
        QTRY_COMPARE(browse.result(), int(QDialog::Accepted));
        QCOMPARE(browse.chosenPackage(), existing);
        QCOMPARE(browse.directory().absolutePath(), folder_.path());

        PackageFileDialog save(PackageFileDialog::Purpose::save);
        QVERIFY(save.choose(folder_.path() + "/Holiday"));
        QCOMPARE(save.chosenPackage(), pathIn("Holiday.mosavelle"));
    }
};

MOSAVELLE_APP_TEST_MAIN(DocumentWindowTest)
#include "document_window_test.moc"
