#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QPainter>
#include <algorithm>

#include "app/navigator/navigator_view.h"
#include "app/navigator/slide_delegate.h"
#include "app/navigator/slide_list_model.h"
#include "app/navigator/slide_list_view.h"
#include "app_test_support.h"
#include "core/editing/navigator_text.h"
#include "core/editing/selection.h"
#include "core/editing/slide_operations.h"

namespace {

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

class NavigatorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
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
        edit("reorder", [&] {
            reorderSlides(doc, {slideID(*handle, 1), slideID(*handle, 2)}, slideID(*handle, 5));
        });
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

        for (; steps > 0; --steps) {
            QVERIFY(handle->undoHistory()->canUndo());
            handle->undoHistory()->undo();
            check("undo");
        }
        QCOMPARE(model.resets(), 0);
    }

    void miniatureTooltipsNameThePictureUnderThePointer() {
        auto handle = makeDeck(2);
        const Project& project = handle->document().project();
        Slide twoUp = project.slides[0];
        twoUp.layout = SlideLayoutKind::twoUp;
        twoUp.slots.push_back(project.slides[1].slots[0]);
        const QRectF mini(10, 10, 73, 40);  // two 36-point cells with a 1-point gap
        QCOMPARE(miniatureToolTip(mini, twoUp, project, {20, 20}), QStringLiteral("IMG_0001.JPG"));
        QCOMPARE(miniatureToolTip(mini, twoUp, project, {70, 20}), QStringLiteral("IMG_0002.JPG"));
        QVERIFY(!miniatureToolTip(mini, twoUp, project, {46.5, 20}));  // the gap
        QVERIFY(!miniatureToolTip(mini, twoUp, project, {5, 5}));      // outside

        // A picture the deck does not hold reads "Image"; an empty slot and a section, nothing.
        twoUp.slots[1].imageID = Uuid::random();
        QCOMPARE(miniatureToolTip(mini, twoUp, project, {70, 20}), QStringLiteral("Image"));
        twoUp.slots[1].imageID.reset();
        QVERIFY(!miniatureToolTip(mini, twoUp, project, {70, 20}));
        twoUp.layout = SlideLayoutKind::section;
        QVERIFY(!miniatureToolTip(mini, twoUp, project, {20, 20}));
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

MOSAVELLE_APP_TEST_MAIN(NavigatorTest)
#include "navigator_test.moc"
