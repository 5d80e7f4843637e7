#include "app/window/document_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>

#include "app/document/document_saving.h"
#include "app/document/package_dialog.h"
#include "app/document/package_io.h"
#include "app/document/recent_projects.h"
#include "app/flows/import_flow.h"
#include "app/help/help_view.h"
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

// Saving, reverting and closing a deck window, with the questions they ask; which commands are
// available for which deck, and how Undo and Redo are named.
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

    static bool enabled(DocumentWindow* window, const char* name) {
        QAction* action = window->windowActions().action(QString::fromLatin1(name));
        if (action == nullptr)
            qFatal("no action %s", name);
        return action->isEnabled();
    }

    static void discard(DocumentWindow* window) {
        window->handle().undoHistory()->removeAllSteps();
        window->handle().undoHistory()->markClean();
        window->close();
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
        // Save in the close question, failing so, keeps the window open with its changes.
        QPointer<DocumentWindow> guard(window);
        window->handle().setPackagePath(pathIn("plain-file") / "deck.mosavelle");
        window->close();
        clickButton(waitForMessageBox("saveChangesQuestion"), "Save");
        QVERIFY(waitForMessageBox("saveFailedAlert"));
        messageBoxes("saveFailedAlert").first()->accept();
        QTest::qWait(50);
        QVERIFY(guard && guard->isVisible() && window->handle().isModified());
        window->handle().setPackagePath(pathIn("fail.mosavelle"));

        // Edits made during a save, before the background write reports back, keep the mark.
        bool saved = false;
        window->saving().save([&](bool ok) { saved = ok; });
        duplicateSelectedSlides(window->handle().document());
        QTRY_VERIFY(saved);
        QVERIFY(window->handle().isModified());
        QVERIFY(window->isWindowModified());

        // Don't Save closes without writing the later edit.
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

    // Closing while an import's pictures arrive asks about the deck without them. The window is
    // closed and the question answered in the turn after the first slide arrived, with the rest
    // of the files still being read.
    void closingDuringAnImportAsksAboutTheDeckWithoutTheArrivingPictures() {
        std::filesystem::create_directories(pathIn("photos"));
        std::vector<std::filesystem::path> photos = noisePhotos(pathIn("photos"), 40);
        const auto atFirstArrival = [this](DocumentWindow* window,
                                           std::vector<std::filesystem::path> files,
                                           std::function<void()> then) {
            const std::size_t before = window->handle().document().project().slides.size();
            auto watch = std::make_shared<QMetaObject::Connection>();
            *watch = connect(&window->handle(), &DocumentHandle::documentChanged, this,
                             [window, before, watch, then](const DocumentChange&) {
                                 if (window->handle().document().project().slides.size() == before)
                                     return;
                                 disconnect(*watch);
                                 QTimer::singleShot(0, window, then);
                             });
            window->contentView().importURLs(std::move(files));
        };
        const auto closeAndAnswer = [](DocumentWindow* window, const char* answer) {
            QVERIFY(window->contentView().importFlow().isBusy());
            window->close();
            if (answer != nullptr)
                clickButton(messageBoxes("saveChangesQuestion").value(0), answer);
        };

        // A deck without changes closes at once: nothing to ask, the import goes with it.
        QPointer<DocumentWindow> clean(app_.openWindow(handleFor(deckOfSlides(2))));
        bool closedAtOnce = false;
        atFirstArrival(clean, photos, [&] {
            closeAndAnswer(clean, nullptr);
            closedAtOnce = messageBoxes("saveChangesQuestion").isEmpty() && !clean->isVisible();
        });
        QTRY_VERIFY_WITH_TIMEOUT(!clean, 20000);
        QVERIFY(closedAtOnce);

        // Cancel leaves the import running: every picture arrives, and it is one step. The exact
        // copy among the files asks its own question when the import ends.
        DocumentWindow* window = app_.openWindow(handleFor(deckOfSlides(2)));
        insertSectionDivider(window->handle().document());
        photos.push_back(pathIn("photos") / "copy.jpg");
        std::filesystem::copy_file(photos.front(), photos.back());
        const ImportFlow& flow = window->contentView().importFlow();
        atFirstArrival(window, photos, [&] { closeAndAnswer(window, "Cancel"); });
        QTRY_VERIFY_WITH_TIMEOUT(!messageBoxes("Duplicate images").isEmpty(), 20000);
        clickButton(messageBoxes("Duplicate images").value(0), "Skip Duplicates");
        QTRY_VERIFY(!flow.isBusy());
        QCOMPARE(window->handle().document().project().slides.size(), std::size_t{43});
        QCOMPARE(window->handle().undoHistory()->undoName(), std::string("Import Images"));
        window->handle().undoHistory()->undo();
        QCOMPARE(window->handle().document().project().slides.size(), std::size_t{3});

        // The import may end while the question shows; Don't Save then closes with nothing left.
        QPointer<DocumentWindow> guard(window);
        atFirstArrival(window, photos, [&] { closeAndAnswer(window, nullptr); });
        QTRY_VERIFY_WITH_TIMEOUT(!messageBoxes("Duplicate images").isEmpty(), 20000);
        clickButton(messageBoxes("saveChangesQuestion").value(0), "Don’t Save");
        QTRY_VERIFY(!guard);

        // Save takes the import back, then writes the deck as it was.
        DocumentWindow* saving = editedWindowOnPackage("importing.mosavelle");
        QVERIFY(saving);
        guard = saving;
        atFirstArrival(saving, photos, [&] { closeAndAnswer(saving, "Save"); });
        QTRY_VERIFY_WITH_TIMEOUT(!guard, 20000);
        const auto written = readProjectPackage(pathIn("importing.mosavelle"));
        QCOMPARE(written->project.slides.size(), std::size_t{3});
        QVERIFY(written->project.images.empty());
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

    // Which commands are available for which deck, and how Undo and Redo are named.
    void slideCommandsNeedSlidesExportAnIncludedOneAndTheHelpTableShowsTheirKeys() {
        DocumentWindow* window = app_.openWindow(handleFor(deckOfSlides(0)));
        MosavelleDocument& document = window->handle().document();
        QVERIFY(!enabled(window, "file.export"));
        QVERIFY(!enabled(window, "slides.rename"));
        QVERIFY(!enabled(window, "slides.selectNext"));
        QVERIFY(!enabled(window, "slides.selectPrevious"));
        QVERIFY(enabled(window, "slides.insertDivider"));
        QVERIFY(enabled(window, "slides.duplicate"));

        // The first slide enables them, through the document's change events.
        insertSectionDivider(document);
        QVERIFY(enabled(window, "file.export"));
        QVERIFY(!enabled(window, "file.revert"));  // changed, but there is no saved version
        QVERIFY(enabled(window, "slides.rename"));
        QVERIFY(enabled(window, "slides.selectNext"));

        // Only excluded slides, none selected: nothing to export and no slide to rename.
        document.setProject(deckOfSlides(3, 3));
        QVERIFY(!enabled(window, "file.export"));
        QVERIFY(!enabled(window, "slides.rename"));
        QVERIFY(enabled(window, "slides.selectNext"));

        // A selected slide is the primary slide even when excluded; export still has nothing.
        setSelection(document, {document.project().slides[1].id});
        QVERIFY(enabled(window, "slides.rename"));
        QVERIFY(!enabled(window, "file.export"));

        document.setProject(deckOfSlides(3, 2));
        QVERIFY(enabled(window, "file.export"));
        QVERIFY(enabled(window, "slides.rename"));

        // Every row of the help table that names a menu command shows that command's keys.
        const auto rows = HelpView::keyboardRows();
        const auto keysOf = [&](const char* name) {
            return window->windowActions().action(name)->shortcut().toString(
                QKeySequence::NativeText);
        };
        const QHash<QString, QString> commandOfRow = {
            {"Save project", keysOf("file.save")},
            {"Import", keysOf("file.import")},
            {"Export Presentation", keysOf("file.export")},
            {"Rename Slide", keysOf("slides.rename")},
            {"Duplicate Slides", keysOf("slides.duplicate")},
            {"Paste Images", keysOf("slides.pasteImages")},
            {"Move slide up or down", keysOf("slides.moveUp") + "  " + keysOf("slides.moveDown")},
            {"Fit preview to window", keysOf("view.zoomToFit")},
            {"Zoom out or in", keysOf("view.zoomOut") + "  " + keysOf("view.zoomIn")},
            {"Mosavelle Help", keysOf("help.help")},
        };
        int checked = 0;
        for (const auto& row : rows) {
            if (!commandOfRow.contains(row.action))
                continue;
            QCOMPARE(row.keys, commandOfRow.value(row.action));
            ++checked;
        }
        QCOMPARE(checked, commandOfRow.size());
        discard(window);
    }

    void fillCaptionsAsksBeforeReplacingCaptionsAndIsOneStep() {
        Project project = defaultProject();
        project.appearance.filenameCleanup.enabled = true;
        const SourceImage picture = mosavelle::testing::pictureRecord("beach_day.jpg");
        project.images.push_back(picture);
        project.slides.push_back(singleImageSlide(picture.id, "typed"));
        DocumentWindow* window = app_.openWindow(handleFor(project));
        MosavelleDocument& document = window->handle().document();
        setSelection(document, {document.project().slides[0].id});
        window->windowActions().action("slides.fillCaptions")->trigger();
        clickButton(window->findChild<QMessageBox*>(), QStringLiteral("Replace All Captions"));
        QCOMPARE(QString::fromStdString(document.project().slides[0].slots[0].caption),
                 QStringLiteral("beach day"));
        QCOMPARE(window->handle().undoHistory()->undoName(), "Fill Captions from Pictures");
        discard(window);
    }

    // A slide's context menu offers the window's own actions, and they act on that slide while
    // the menu is open: Delete takes the slide under the pointer, not the selection.
    void contextMenuRunsTheWindowsActionOnTheSlideUnderThePointer() {
        DocumentWindow* window = app_.openWindow(handleFor(deckOfSlides(4)));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        MosavelleDocument& document = window->handle().document();
        std::vector<Uuid> ids = slideIDs(window->handle());
        setSelection(document, {ids[0]});
        SlideListView& list = window->contentView().navigator().currentView();
        const QPoint at = list.visualRect(list.model()->index(2, 0)).center();
        QAction* remove = window->windowActions().action("edit.delete");
        QList<QAction*> offered;
        QTimer::singleShot(0, window, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                offered = menu->actions();
                remove->trigger();
                menu->close();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
        QApplication::sendEvent(list.viewport(), &event);
        QVERIFY(offered.contains(remove));
        QVERIFY(offered.contains(window->windowActions().action("slides.renameFromMenu")));
        ids.erase(ids.begin() + 2);
        QCOMPARE(slideIDs(window->handle()), ids);
        // Outside the menu the same action deletes the selection.
        setSelection(document, {ids[0]});
        list.setFocus();
        remove->trigger();
        QCOMPARE(document.project().slides.size(), std::size_t{2});
        QVERIFY(document.project().slides[0].id == ids[1]);
        discard(window);
    }

    void undoAndRedoAreNamedAfterTheStepAndCommandsReachTheirWindowsDocument() {
        DocumentWindow* window = app_.openWindow(handleFor(deckOfSlides(4)));
        MosavelleDocument& document = window->handle().document();
        QAction* undo = window->windowActions().action("edit.undo");
        QAction* redo = window->windowActions().action("edit.redo");
        QCOMPARE(undo->text(), QStringLiteral("Undo"));
        QVERIFY(!undo->isEnabled());
        QVERIFY(!window->isWindowModified());

        // The very first gesture, still open, can already be undone as one step.
        const Project untouched = document.project();
        document.beginContinuousEdit("Change Margins");
        Project dragged = untouched;
        dragged.appearance.margins.top += 4;
        document.setProject(dragged);
        QVERIFY(undo->isEnabled());
        QCOMPARE(undo->text(), QStringLiteral("Undo Change Margins"));
        undo->trigger();
        QVERIFY(document.project() == untouched);
        QVERIFY(!document.isInContinuousEdit());
        redo->trigger();
        QVERIFY(undo->isEnabled());
        undo->trigger();

        setSelection(document, {document.project().slides[0].id, document.project().slides[1].id});
        window->windowActions().action("slides.duplicate")->trigger();
        QCOMPARE(undo->text(), QStringLiteral("Undo Duplicate Slides"));
        QVERIFY(undo->isEnabled());
        QVERIFY(window->isWindowModified());
        QVERIFY(window->windowTitle().startsWith(QStringLiteral("untitled")));

        undo->trigger();
        QCOMPARE(redo->text(), QStringLiteral("Redo Duplicate Slides"));
        QCOMPARE(undo->text(), QStringLiteral("Undo"));
        QVERIFY(!window->isWindowModified());
        redo->trigger();
        QVERIFY(window->isWindowModified());
        QCOMPARE(undo->text(), QStringLiteral("Undo Duplicate Slides"));

        // Slide commands reach their own window's document, not the newest window's.
        DocumentWindow* second = app_.openWindow(handleFor(deckOfSlides(3)));
        setSelection(document, {document.project().slides[0].id});
        const Uuid moved = document.project().slides[0].id;
        window->windowActions().action("slides.moveDown")->trigger();
        QCOMPARE(document.project().slides[1].id, moved);
        window->windowActions().action("slides.selectNext")->trigger();
        QCOMPARE(document.selectedSlideIDs(), SlideIDSet{document.project().slides[2].id});
        QVERIFY(!second->handle().isModified());

        // Outside a text field Copy and Paste carry slides to another window, one command
        // excludes or includes the selection, and Select All with Delete empties the deck.
        if (QWidget* focus = QApplication::focusWidget())
            focus->clearFocus();
        const auto run = [](DocumentWindow* w, const char* id) {
            w->windowActions().action(QString::fromLatin1(id))->trigger();
        };
        MosavelleDocument& other = second->handle().document();
        run(window, "edit.copy");
        run(second, "edit.paste");
        QCOMPARE(other.project().slides.size(), std::size_t{4});
        QCOMPARE(second->windowActions().action("edit.undo")->text(),
                 QStringLiteral("Undo Paste Slides"));
        run(second, "slides.exclude");
        const auto& pasted = other.project().slides;
        QCOMPARE(std::count_if(pasted.begin(), pasted.end(), [](auto& s) { return s.isExcluded; }),
                 1);
        QCOMPARE(second->windowActions().action("slides.exclude")->text(),
                 QStringLiteral("Include in Export"));
        run(second, "edit.selectAll");
        run(second, "edit.delete");
        QVERIFY(other.project().slides.empty());
        discard(window);
        discard(second);
    }
};

MOSAVELLE_APP_TEST_MAIN(DocumentWindowTest)
#include "document_window_test.moc"
