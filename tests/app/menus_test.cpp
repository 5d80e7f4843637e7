#include "app/window/window_actions.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>

#include "app/help/help_view.h"
#include "app/navigator/navigator_view.h"
#include "app/navigator/slide_list_view.h"
#include "app/shell/mosavelle_app.h"
#include "app/window/content_view.h"
#include "app_test_support.h"
#include "core/editing/selection.h"
#include "core/editing/slide_operations.h"

// Which commands are available for which deck, and how Undo and Redo are named.
class MenusTest : public QObject {
    Q_OBJECT
private:
    MosavelleApp app_;

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
        std::vector<Uuid> ids;
        for (const Slide& slide : document.project().slides)
            ids.push_back(slide.id);
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
        std::vector<Uuid> left;
        for (const Slide& slide : document.project().slides)
            left.push_back(slide.id);
        QCOMPARE(left, ids);
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

MOSAVELLE_APP_TEST_MAIN(MenusTest)
#include "menus_test.moc"
