#include "app/window/content_view.h"

#include <QAccessible>
#include <QClipboard>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QToolButton>

#include "app/flows/import_flow.h"
#include "app/inspector/inspector_view.h"
#include "app/navigator/navigator_view.h"
#include "app/navigator/slide_list_view.h"
#include "app/preview/presenter_notes_pane.h"
#include "app/preview/preview_workspace.h"
#include "app/support/preferences.h"
#include "app/window/document_window.h"
#include "app/window/warning_strip.h"
#include "app_test_support.h"
#include "core/editing/selection.h"
#include "core/layout/warnings.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

// Presses Cancel on an import progress dialog as soon as it is shown.
struct CancelProgressOnShow : QObject {
    bool cancelled = false;
    bool eventFilter(QObject* watched, QEvent* event) override {
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
        // Cancel the moment the progress dialog shows, before the finished plan (already queued
        // when the files are small) can be applied: the plan must then be dropped whole.
        CancelProgressOnShow cancel;
        qApp->installEventFilter(&cancel);
        shown.view.importURLs(files);
        QTRY_VERIFY(!shown.view.importFlow().isBusy());
        qApp->removeEventFilter(&cancel);
        QVERIFY(cancel.cancelled);
        QTest::qWait(50);  // a stale plan result, if any, arrives and must change nothing
        QVERIFY(shown.handle->document().project().slides.empty());
        QVERIFY(!shown.handle->undoHistory()->canUndo());

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
};

MOSAVELLE_APP_TEST_MAIN(ContentViewTest)
#include "content_view_test.moc"
