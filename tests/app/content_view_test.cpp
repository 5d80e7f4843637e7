#include "app/window/content_view.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QClipboard>
#include <QLineEdit>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

#include "app/flows/import_flow.h"
#include "app/inspector/inspector_view.h"
#include "app/navigator/navigator_view.h"
#include "app/navigator/slide_delegate.h"
#include "app/navigator/slide_list_model.h"
#include "app/navigator/slide_list_view.h"
#include "app/preview/presenter_notes_pane.h"
#include "app/preview/preview_workspace.h"
#include "app/support/preferences.h"
#include "app/window/document_window.h"
#include "app/window/warning_strip.h"
#include "app_test_support.h"
#include "core/editing/navigator_text.h"
#include "core/editing/selection.h"
#include "core/editing/slide_operations.h"
#include "core/layout/warnings.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

// Presses Cancel on an import progress dialog as soon as it is shown, then counts what workers
// post to the interface thread.
struct CancelProgressOnShow : QObject {
    bool cancelled = false;
    int postsAfter = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (cancelled && watched == qApp && event->type() == QEvent::MetaCall)
            ++postsAfter;
        if (event->type() == QEvent::Show)
            if (auto* progress = qobject_cast<QProgressDialog*>(watched); progress && !cancelled) {
                if (auto* button = progress->findChild<QPushButton*>()) {
                    cancelled = true;
                    button->click();
                }
            }
        return false;
    }
};

fs::path copyFixture(const TempDir& folder, const std::string& fixture, const std::string& as) {
    const fs::path target = folder.path() / as;
    fs::create_directories(target.parent_path());
    fs::copy_file(fixturePath(fixture), target);
    return target;
}

struct ShownView {
    explicit ShownView(std::unique_ptr<DocumentHandle> h) : handle(std::move(h)), view(*handle) {
        view.resize(1100, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
    std::unique_ptr<DocumentHandle> handle;
    ContentView view;
};

// Compares every row with the deck: the same slide record and the label "N. name".
QString rowsDifferFromDeck(const SlideListModel& model, const MosavelleDocument& document) {
    const auto& slides = document.project().slides;
    if (model.rowCount() != static_cast<int>(slides.size()))
        return QStringLiteral("row count %1, deck %2").arg(model.rowCount()).arg(slides.size());
    for (int row = 0; row < model.rowCount(); ++row) {
        const Slide& slide = slides[static_cast<std::size_t>(row)];
        if (!(*model.slideAt(row) == slide))
            return QStringLiteral("row %1 is stale").arg(row);
        if (model.rowOf(slide.id) != row)
            return QStringLiteral("rowOf wrong at %1").arg(row);
        const QString label = QString::number(row + 1) + QStringLiteral(". ") +
                              QString::fromStdString(slideDisplayName(slide, document.project()));
        if (model.data(model.index(row), SlideListModel::LabelRole).toString() != label)
            return QStringLiteral("row %1 label").arg(row);
    }
    return {};
}

void select(DocumentHandle& handle, std::initializer_list<int> positions) {
    SlideIDSet ids;
    for (int n : positions)
        ids.insert(slideID(handle, n));
    setSelection(handle.document(), ids);
}

// A navigator on `handle`, shown, as a list or as a grid.
struct ShownNavigator : NavigatorView {
    ShownNavigator(DocumentHandle& handle, bool grid) : NavigatorView(handle) {
        setShowsGrid(grid);
        resize(grid ? 300 : 280, 600);
        show();
        QVERIFY(QTest::qWaitForWindowExposed(this));
    }
};

}  // namespace

class ContentViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstShowSelectsFirstSlideTheStripNamesWarningsOnceAndAnEmptyDeckWelcomes() {
        ShownView shown(makeDeck(3));
        const Uuid first = slideID(*shown.handle, 1);
        QCOMPARE(shown.handle->document().selectedSlideIDs(), SlideIDSet{first});
        QCOMPARE(shown.handle->document().committedPreviewSlideID(), std::optional<Uuid>(first));
        QVERIFY(shown.view.currentDetailPage() != shown.view.welcomeCanvas());
        QCOMPARE(shown.view.displayedSlide()->id, first);
        QVERIFY(shown.view.previewWorkspace().notesPane()->isVisible());  // no preference stored
        // The inspector column is never narrower than its widest control (in any language).
        auto* inspector = shown.view.findChild<InspectorView*>();
        QVERIFY(inspector->minimumWidth() >= inspector->widget()->minimumSizeHint().width());

        // The warning strip names each warning once: four empty slots, one sentence.
        Project project = shown.handle->document().project();
        project.slides.front().layout = SlideLayoutKind::fourGrid;
        project.slides.front().slots = {emptySlot(), emptySlot(), emptySlot(), emptySlot()};
        shown.handle->document().setProject(project);
        QCOMPARE(warningStripText(shown.handle->document()),
                 QString::fromStdString(warningMessage(SlideWarning::missingImage(std::nullopt))));
        project.images[2].pixelHeight = 1000;  // 4:1, 11.1 inches wide at a fifth of its size
        project.slides[2].placementOverride = Placement{SizingMode::custom, {}, 0, 0.2};
        project.appearance.slideSize = SlideSizePreset::classic;
        shown.handle->document().setProject(project);
        QVERIFY(shown.view.warningStrip().text().endsWith(QStringLiteral("outside slide 3.")));

        auto emptyDeck = makeDeck(0);
        DocumentWindow empty(*emptyDeck);
        empty.show();
        QCOMPARE(empty.contentView().currentDetailPage(), empty.contentView().welcomeCanvas());
        QVERIFY(!named<QToolButton>(empty, QStringLiteral("Export Presentation…"))->isEnabled());
    }

    void subfolderQuestionIsAskedOnceAndNotesListTheFailureThenTheAnimationSentence() {
        TempDir folder;
        const fs::path a = copyFixture(folder, "picture.png", "b.png");
        const fs::path b = copyFixture(folder, "orient-1.jpg", "a.jpg");
        copyFixture(folder, "alpha.png", "f/c.png");
        copyFixture(folder, "orient-2.jpg", "f/sub/d.jpg");
        ShownView shown(makeDeck(0));
        shown.view.importURLs({a, b, folder.path() / "f",
                               copyFixture(folder, "text.jpg", "text.jpg"),
                               copyFixture(folder, "animated.gif", "moving.gif")});
        clickButton(waitForMessageBox(QStringLiteral("Include subfolders?")),
                    QStringLiteral("This Folder Only"));
        QMessageBox* notes = waitForMessageBox(QStringLiteral("Import notes"));
        QVERIFY(notes);
        QCOMPARE(notes->informativeText(),
                 QStringLiteral("text.jpg: This file could not be read as an image.\n\n"
                                "Animated GIF files import the first frame only. Animation is "
                                "not exported."));
        QCOMPARE(pictureNames(*shown.handle),
                 (std::vector<std::string>{"a.jpg", "b.png", "c.png", "moving.gif"}));
        QVERIFY(messageBoxes(QStringLiteral("Include subfolders?")).isEmpty());
        QVERIFY(!shown.view.importFlow().isBusy());
    }

    void cancellingTheImportProgressOrTheDuplicateQuestionImportsNothing() {
        TempDir folder;
        std::vector<fs::path> files;
        for (const char* name : {"picture.png", "alpha.png", "orient-1.jpg", "orient-2.jpg",
                                 "orient-3.jpg", "orient-4.jpg", "picture.bmp"})
            files.push_back(copyFixture(folder, name, name));
        files.push_back(copyFixture(folder, "picture.png", "picture2.png"));
        QVERIFY(files.size() > ImportFlow::quietFileCount);
        ShownView shown(makeDeck(0));
        // Forty large pictures: slides arrive while the rest are read; Cancel then leaves deck
        // and history as they were, and the worker stops (it does not go on to report file
        // after file).
        const std::vector<fs::path> distinct = noisePhotos(folder.path(), 40);
        CancelProgressOnShow cancel;  // armed at the first arrival, it counts what follows
        int arrivals = 0;
        const auto watch =
            connect(shown.handle.get(), &DocumentHandle::documentChanged, this,
                    [&](const DocumentChange& change) {
                        if (change.kind == DocumentChangeKind::project && !arrivals++)
                            QTimer::singleShot(0, this, [&] {
                                QVERIFY(shown.view.importFlow().isBusy());
                                qApp->installEventFilter(&cancel);
                                cancel.cancelled = true;
                                shown.view.findChild<QProgressDialog*>()
                                    ->findChild<QPushButton*>()
                                    ->click();
                            });
                    });
        shown.view.importURLs(distinct);
        QTRY_VERIFY(!shown.view.importFlow().isBusy());
        disconnect(watch);
        qApp->removeEventFilter(&cancel);
        QVERIFY(cancel.cancelled);
        QVERIFY2(cancel.postsAfter < 12, qPrintable(QString::number(cancel.postsAfter)));
        QVERIFY(shown.handle->document().project().slides.empty());
        QVERIFY(!shown.handle->undoHistory()->canUndo());
        QCOMPARE(shown.view.navigator().model().rowCount(), 0);

        // The flow is free again; this time Cancel is pressed in the duplicate question.
        shown.view.importURLs(files);
        QMessageBox* box = waitForMessageBox(QStringLiteral("Duplicate images"));
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Duplicate images"));  // the title shows inside too
        QCOMPARE(
            box->informativeText(),
            QStringLiteral("Exact copies were found. Mosavelle never removes files on its own."));
        clickButton(box, QStringLiteral("Cancel"));
        QTRY_VERIFY(!shown.view.importFlow().isBusy());
        QVERIFY(shown.handle->document().project().slides.empty());
        QVERIFY(!shown.handle->undoHistory()->canUndo());

        // Skipping keeps the distinct pictures.
        shown.view.importURLs(files);
        clickButton(waitForMessageBox(QStringLiteral("Duplicate images")),
                    QStringLiteral("Skip Duplicates"));
        QTRY_COMPARE(
            pictureNames(*shown.handle),
            (std::vector<std::string>{"alpha.png", "orient-1.jpg", "orient-2.jpg", "orient-3.jpg",
                                      "orient-4.jpg", "picture.bmp", "picture.png"}));
        QCOMPARE(shown.handle->undoHistory()->undoName(), std::string("Import Images"));
        QTRY_VERIFY(shown.view.findChildren<QProgressDialog*>().isEmpty());
        QVERIFY(!shown.view.importFlow().isBusy());

        // A command-line import shows the same progress and Cancel, and asks nothing: its
        // duplicates are dropped.
        ShownView launched(makeDeck(0));
        cancel.cancelled = false;
        qApp->installEventFilter(&cancel);
        launched.view.importFlow().importFromCommandLine(files);
        QTRY_VERIFY(!launched.view.importFlow().isBusy());
        qApp->removeEventFilter(&cancel);
        QVERIFY(cancel.cancelled);
        QVERIFY(launched.handle->document().project().slides.empty());
        launched.view.importFlow().importFromCommandLine(files);
        QTRY_COMPARE(pictureNames(*launched.handle).size(), std::size_t{7});
    }

    void droppedPictureDataIsStoredAsAPicture() {
        ShownView shown(makeDeck(0));
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const Bytes bmp = encoded(picture, "BMP");
        QMimeData data;
        data.setData(QStringLiteral("image/bmp"),
                     QByteArray(reinterpret_cast<const char*>(bmp.data()), qsizetype(bmp.size())));

        // Dropped on the welcome canvas, the drop reaches the window's handler.
        QWidget* canvas = shown.view.welcomeCanvas();
        QVERIFY(dropOn(canvas, canvas->rect().center(), data));

        QTRY_COMPARE(shown.handle->document().project().images.size(), std::size_t{1});
        const SourceImage& stored = shown.handle->document().project().images.front();
        QCOMPARE(stored.originalFileName, std::string("Clipboard 1.png"));
        QCOMPARE(stored.pixelWidth, 40);
        const auto bytes = shown.handle->document().imageData().at(stored.id).read();
        QVERIFY(bytes && bytes->view().starts_with("\x89PNG"));
        QVERIFY(shown.view.currentDetailPage() != shown.view.welcomeCanvas());

        // A file dropped on the slide list is the window's too: the list takes only slides.
        TempDir folder;
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(
            QString::fromStdString(copyFixture(folder, "picture.png", "dropped.png").string()))});
        QWidget* list = shown.view.navigator().listView().viewport();
        QTRY_VERIFY(list->isVisible());
        QVERIFY(dropOn(list, list->rect().center(), files));
        QTRY_COMPARE(shown.handle->document().project().slides.size(), std::size_t{2});

        // A picture on the clipboard is pasted the same way.
        QImage copied(20, 10, QImage::Format_RGB32);
        copied.fill(Qt::blue);
        QGuiApplication::clipboard()->setImage(copied);
        shown.view.pasteImagesFromClipboard();
        QTRY_COMPARE(shown.handle->document().project().slides.size(), std::size_t{3});
        QCOMPARE(shown.handle->document().project().images.back().pixelWidth, 20);

        // Dropped data that is no picture is reported, not silently forgotten.
        QMimeData broken;
        broken.setData(QStringLiteral("image/png"), "not a picture");
        QVERIFY(dropOn(list, list->rect().center(), broken));
        QVERIFY(waitForMessageBox(QStringLiteral("Import notes")));
        messageBoxes(QStringLiteral("Import notes")).first()->close();
        QCOMPARE(shown.handle->document().project().slides.size(), std::size_t{3});

        // Text that names no file and carries no picture is refused.
        QMimeData text;
        text.setText(QStringLiteral("just words"));
        QVERIFY(!ImportFlow::canImport(text));
    }

    void previewCommitsOnceAfterABurstHoldsStillUnderADragAndSparesATextFieldsFocus() {
        ShownView shown(makeDeck(5));
        MosavelleDocument& doc = shown.handle->document();
        int commits = 0;
        connect(shown.handle.get(), &DocumentHandle::documentChanged, this,
                [&](const DocumentChange& change) {
                    if (change.kind == DocumentChangeKind::previewCommit)
                        ++commits;
                });
        for (int n : {2, 3, 4})
            setSelection(doc, {slideID(*shown.handle, n)});
        QCOMPARE(doc.committedPreviewSlideID(), std::optional<Uuid>(slideID(*shown.handle, 1)));
        QTRY_COMPARE(doc.committedPreviewSlideID(), std::optional<Uuid>(slideID(*shown.handle, 4)));
        QTest::qWait(300);
        QCOMPARE(commits, 1);

        beginSlideDrag(doc, {slideID(*shown.handle, 2)});
        setSelection(doc, {slideID(*shown.handle, 5)});
        QCOMPARE(shown.view.displayedSlide()->id, slideID(*shown.handle, 4));
        doc.setDragState({}, false);
        QCOMPARE(shown.view.displayedSlide()->id, slideID(*shown.handle, 5));

        // Focusing the canvas leaves a text field being edited alone.
        QApplication::setActiveWindow(&shown.view);
        QVERIFY(QTest::qWaitForWindowActive(&shown.view));
        auto* field = new QLineEdit(&shown.view);
        field->show();
        field->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), field);
        shown.view.focusCanvas();
        QTest::qWait(0);
        QCOMPARE(QApplication::focusWidget(), field);

        shown.view.navigator().listView().setFocus();
        shown.view.focusCanvas();
        QTRY_COMPARE(QApplication::focusWidget(), shown.view.canvas());

        // A row held a moment before it is dragged: the preview keeps the slide from before the
        // press (the one a drop on it merges into) until the button comes up.
        QTRY_COMPARE(doc.committedPreviewSlideID(), std::optional<Uuid>(slideID(*shown.handle, 5)));
        SlideListView& list = shown.view.navigator().listView();
        const QPoint row = list.visualRect(list.model()->index(1, 0)).center();
        QTest::mousePress(list.viewport(), Qt::LeftButton, {}, row);
        QTest::qWait(400);
        QCOMPARE(doc.committedPreviewSlideID(), std::optional<Uuid>(slideID(*shown.handle, 5)));
        QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, row);
        QTRY_COMPARE(doc.committedPreviewSlideID(), std::optional<Uuid>(slideID(*shown.handle, 2)));
    }

    // The smallest layout fits a 1600 × 1000 screen at scale factor 2 (800 × 500 less a title
    // bar), and at the smallest size the inspector and the row under the preview show whole.
    // Tab visits every control in screen order; the Inspector button follows assistive toggles.
    void smallestWindowCutsNothingTabFollowsTheScreenAndTheInspectorButtonToggles() {
        preferences::hasCompletedWelcome.store(true);
        DeckBuilder deck;
        deck.slide(SlideLayoutKind::twoUp, {deck.picture(Qt::red), deck.picture(Qt::blue)});
        deck.slide(SlideLayoutKind::oneImage, {deck.picture(Qt::green)});
        auto handle = deck.handle();
        DocumentWindow window(*handle);
        ContentView& content = window.contentView();
        PreviewWorkspace& workspace = content.previewWorkspace();
        QVERIFY(window.minimumSizeHint().boundedTo({800, 460}) == window.minimumSizeHint());
        window.resize(window.minimumSize());
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const auto area = [&](QWidget* w) { return QRect(w->mapTo(&window, QPoint()), w->size()); };
        QVERIFY(window.rect().contains(area(content.findChild<InspectorView*>())));
        QList<QWidget*> row = workspace.zoomBar()->findChildren<QWidget*>();
        row.push_back(workspace.fullScreenButton());
        for (QWidget* control : row) {
            QVERIFY(control->width() >= control->sizeHint().width());
            for (QWidget* other : row)
                QVERIFY(other == control || !area(other).intersects(area(control)));
        }

        // The second slide then the first again: the caption rows are made anew.
        for (int n : {2, 1})
            setSelection(handle->document(), {slideID(*handle, n)});
        QTest::qWait(50);  // the new rows show on the next turn
        QSet<QWidget*> reachable;
        for (QWidget* w : content.findChildren<QWidget*>()) {
            // Of a group of exclusive buttons, Tab reaches the checked one (arrows the others).
            auto* button = qobject_cast<QAbstractButton*>(w);
            if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
                !w->focusProxy() && !(button && button->group() && !button->isChecked()))
                reachable.insert(w);
        }
        content.navigator().listView().setFocus();
        QList<QWidget*> visited;
        for (QWidget* w = QApplication::focusWidget(); w && !visited.contains(w);
             w = QApplication::focusWidget()) {
            visited.push_back(w);
            QTest::keyClick(w, Qt::Key_Tab);
        }
        QCOMPARE(QSet<QWidget*>(visited.begin(), visited.end()), reachable);
        QCOMPARE(visited.indexOf(content.canvas()), 1);
        const qsizetype notes = visited.indexOf(workspace.notesPane());
        QCOMPARE(notes, visited.indexOf(workspace.fullScreenButton()) + 2);
        QWidget* inspector = content.findChild<InspectorView*>()->widget();
        for (qsizetype i = notes + 2; i < visited.size(); ++i) {  // top to bottom, left to right
            const QPoint a = visited[i - 1]->mapTo(inspector, visited[i - 1]->rect().center());
            const QPoint b = visited[i]->mapTo(inspector, visited[i]->rect().center());
            QVERIFY(b.y() > a.y() + 4 || (std::abs(b.y() - a.y()) <= 4 && b.x() > a.x()));
        }

        auto* button = named<QToolButton>(window, QStringLiteral("Inspector"));
        QAccessible::queryAccessibleInterface(button)->actionInterface()->doAction(
            QAccessibleActionInterface::toggleAction());
        QVERIFY(!content.showsInspector() && !button->isChecked());
        QCOMPARE(button->toolTip(), QStringLiteral("Show inspector"));
    }

    // One edit of each shape of change (rows removed, inserted apart, merged, split, moved alone
    // and in groups, every row moved, one row changed); the deltas themselves are the editing
    // suite's.
    void rowsFollowEveryEditAndItsUndoWithoutReset() {
        auto handle = makeDeck(8);
        SlideListModel model(*handle);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        MosavelleDocument& doc = handle->document();
        int steps = 0;
        const auto check = [&](const char* what) {
            const QString problem = rowsDifferFromDeck(model, doc);
            QVERIFY2(problem.isEmpty(),
                     qPrintable(QString::fromLatin1(what) + QStringLiteral(": ") + problem));
        };
        const auto edit = [&](const char* what, const std::function<void()>& operation) {
            operation();
            ++steps;
            check(what);
        };

        edit("delete", [&] {
            select(*handle, {2});
            deleteSelectedSlides(doc);
        });
        edit("duplicate", [&] {
            select(*handle, {1, 3});
            duplicateSelectedSlides(doc);
        });
        edit("group", [&] {
            select(*handle, {1, 2, 3});
            groupSelectedSlides(doc, SlideLayoutKind::twoUp);
        });
        edit("ungroup", [&] { ungroupSelectedSlides(doc); });
        edit("move rows", [&] { moveSlides(doc, {0, 2, 7}, 5); });
        edit("reverse", [&] {
            Project reversed = doc.project();
            std::reverse(reversed.slides.begin(), reversed.slides.end());
            doc.changeProject(reversed, "Sort");
        });

        // Renaming one slide repaints exactly that row.
        model.resetCounters();
        edit("rename", [&] { renameSlide(doc, slideID(*handle, 3), "Beach"); });
        QCOMPARE(model.rowsTouched(), qsizetype{1});
        // A slide put in after the first renumbers, and so repaints, every row after it.
        select(*handle, {1});
        QSignalSpy repainted(&model, &QAbstractItemModel::dataChanged);
        edit("insert", [&] { insertSectionDivider(doc); });
        QCOMPARE(repainted.size(), 1);
        QCOMPARE(repainted[0][0].toModelIndex().row(), 2);
        QCOMPARE(repainted[0][1].toModelIndex().row(), model.rowCount() - 1);

        for (; steps > 0; --steps) {
            QVERIFY(handle->undoHistory()->canUndo());
            handle->undoHistory()->undo();
            check("undo");
        }
        QCOMPARE(model.resets(), 0);
    }

    // A portrait picture keeps its proportions in a landscape miniature, on the slide's
    // background, rather than being stretched over it.
    void miniaturesKeepThePicturesProportions() {
        DeckBuilder deck;
        deck.slide(SlideLayoutKind::oneImage, {deck.picture(Qt::red, 300, 600)});
        auto handle = deck.handle();
        QImage mini(72, 40, QImage::Format_RGB32);
        const auto paint = [&] {
            QPainter painter(&mini);
            paintSlideMiniature(painter, handle->thumbnails(), mini.rect(), deck.project.slides[0],
                                deck.project, handle->document().imageData(), 1.0);
            return mini.pixelColor(36, 20);
        };
        QTRY_COMPARE(paint(), QColor(Qt::red));  // once the thumbnail is made
        QCOMPARE(mini.pixelColor(4, 20), QColor(Qt::white));
    }

    void largeReshuffleResetsOnceAndMatches() {
        auto handle = makeDeck(300);
        SlideListModel model(*handle);
        Project project = handle->document().project();
        std::reverse(project.slides.begin(), project.slides.end());
        handle->document().changeProject(project, "Sort");
        QCOMPARE(model.resets(), 1);
        QCOMPARE(rowsDifferFromDeck(model, handle->document()), QString());
    }

    void dragCarriesSelectionOnlyWhenStartedOnItAndMenuDeleteTakesOnlyItsSlide() {
        auto handle = makeDeck(5);
        NavigatorView navigator(*handle);
        std::vector<Uuid> ids = slideIDs(*handle);
        select(*handle, {4, 1, 3});
        QCOMPARE(navigator.listView().draggedSlides(ids[1]), std::vector<Uuid>{ids[1]});
        QCOMPARE(navigator.listView().draggedSlides(ids[2]),
                 (std::vector<Uuid>{ids[0], ids[2], ids[3]}));

        // The context menu on an unselected slide deletes only that one.
        navigator.listView().deleteFromMenu(ids[1]);
        ids.erase(ids.begin() + 1);
        QCOMPARE(slideIDs(*handle), ids);
        // The view follows the document's selection after the delete.
        QCOMPARE(navigator.listView().selectionModel()->selectedRows().size(),
                 static_cast<qsizetype>(handle->document().selectedSlideIDs().size()));
    }

    void gridDropsTheGoodSlidesOfADamagedPayloadClicksToggleAndAltClickReportsAFullTarget() {
        auto handle = makeDeck(6);
        MosavelleDocument& doc = handle->document();
        ShownNavigator navigator(*handle, true);
        SlideListView& grid = navigator.gridView();
        const auto cell = [&](int row) {
            return grid.visualRect(navigator.model().index(row)).center();
        };
        const std::vector<Uuid> before = slideIDs(*handle);
        QMimeData data;
        data.setText(QString::fromStdString("mosavelle-slides:" + before[0].text() + ",0000-bad," +
                                            before[1].text()));
        QDragEnterEvent enter(cell(3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid.viewport(), &enter);
        QDragMoveEvent move(cell(3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid.viewport(), &move);
        QVERIFY(move.isAccepted());
        QCOMPARE(grid.slideDelegate().dropTarget(), std::optional<Uuid>(before[3]));
        QDropEvent drop(cell(3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid.viewport(), &drop);
        QVERIFY(drop.isAccepted());
        QVERIFY(!grid.slideDelegate().dropTarget());
        QCOMPARE(slideIDs(*handle), (std::vector<Uuid>{before[2], before[3], before[0], before[1],
                                                       before[4], before[5]}));

        // Text that is no payload is left to the window.
        QMimeData text;
        text.setText(QStringLiteral("hello"));
        QVERIFY(!dropOn(grid.viewport(), cell(3), text));

        select(*handle, {1, 2, 3, 4});
        groupSelectedSlides(doc, SlideLayoutKind::fourGrid);  // slide 1 now shows four pictures
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, cell(1));
        QCOMPARE(doc.selectedSlideIDs(), SlideIDSet{slideID(*handle, 2)});
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ShiftModifier, cell(2));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ControlModifier, cell(1));
        QCOMPARE(doc.selectedSlideIDs(), SlideIDSet{slideID(*handle, 3)});
        // A press on a selected cell keeps the selection for a drag; the release selects it.
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ControlModifier, cell(1));
        QTest::mousePress(grid.viewport(), Qt::LeftButton, Qt::NoModifier, cell(1));
        QCOMPARE(doc.selectedSlideIDs().size(), std::size_t{2});
        QTest::mouseRelease(grid.viewport(), Qt::LeftButton, Qt::NoModifier, cell(1));
        QCOMPARE(doc.selectedSlideIDs(), SlideIDSet{slideID(*handle, 2)});

        // Alt-click onto the full four-picture slide on show changes nothing and says so.
        focusSlide(doc, slideID(*handle, 1));
        const Project unchanged = doc.project();
        QSignalSpy full(&navigator, &NavigatorView::unableToAddImage);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::AltModifier, cell(2));
        QCOMPARE(full.size(), 1);
        QVERIFY(doc.project() == unchanged);
    }

    void listRenamesClicksSelectRangesAndDraggingRowsMovesThem() {
        auto handle = makeDeck(5);
        ShownNavigator navigator(*handle, false);
        SlideListView& list = navigator.listView();
        const auto row = [&](int r) {
            return list.visualRect(navigator.model().index(r)).center();
        };
        MosavelleDocument& doc = handle->document();
        const std::vector<Uuid> before = slideIDs(*handle);

        // Return without typing stores the display name as the title.
        list.renameFromMenu(before[0]);
        QCOMPARE(doc.selectedSlideIDs(), SlideIDSet{before[0]});
        QLineEdit* field = visibleChild<QLineEdit>(list);
        QVERIFY(field);
        QCOMPARE(field->text(), QStringLiteral("IMG_0001.JPG"));
        QCOMPARE(field->placeholderText(), QStringLiteral("Slide name"));
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_COMPARE(doc.project().slides[0].title, std::string("IMG_0001.JPG"));
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Rename Slide"));

        // Escape leaves the title alone; the Rename Slide command renames the primary slide
        // without touching the selection.
        select(*handle, {2});
        navigator.startRenamingPrimarySlide();
        field = visibleChild<QLineEdit>(list);
        QVERIFY(field);
        QCOMPARE(field->text(), QStringLiteral("IMG_0002.JPG"));
        QTest::keyClicks(field, QStringLiteral("Beach"));
        QTest::keyClick(field, Qt::Key_Escape);
        QTRY_VERIFY(!visibleChild<QLineEdit>(list));
        QCOMPARE(doc.project().slides[1].title, std::string());
        QCOMPARE(doc.selectedSlideIDs(), SlideIDSet{before[1]});

        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, row(1));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ShiftModifier, row(3));
        QCOMPARE(doc.selectedSlideIDs(), (SlideIDSet{before[1], before[2], before[3]}));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, row(2));
        QCOMPARE(doc.selectedSlideIDs(), (SlideIDSet{before[1], before[3]}));

        // Slides 2 and 4 dropped into the upper half of the first row go before it.
        QMimeData data;
        data.setText(QString::fromStdString(makeSlidePayload({before[1], before[3]})));
        const QPoint top = list.visualRect(navigator.model().index(0)).topLeft() + QPoint(10, 3);
        QVERIFY(dropOn(list.viewport(), top, data));
        QCOMPARE(slideIDs(*handle),
                 (std::vector<Uuid>{before[1], before[3], before[0], before[2], before[4]}));
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Reorder Slides"));
    }
};

MOSAVELLE_APP_TEST_MAIN(ContentViewTest)
#include "content_view_test.moc"
