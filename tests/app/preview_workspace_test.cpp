#include "app/preview/preview_workspace.h"

#include <QAccessible>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QWheelEvent>

#include "app/inspector/inspector_view.h"
#include "app/preview/full_screen_preview.h"
#include "app/preview/presenter_notes_pane.h"
#include "app/preview/preview_preferences.h"
#include "app/preview/slide_key_filter.h"
#include "app/preview/slide_preview_view.h"
#include "app_test_support.h"
#include "core/editing/navigator_text.h"
#include "core/editing/selection.h"
#include "core/editing/slide_settings.h"

namespace {

void sendMouse(QWidget* target, QEvent::Type type, QPointF local, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, target->mapToGlobal(local), button, buttons, modifiers);
    QApplication::sendEvent(target, &event);
}

// Presses at `from`, moves by `offsets` one after the other, and releases unless told not to.
void drag(QWidget* target, QPointF from, std::initializer_list<QPointF> offsets,
          bool release = true) {
    sendMouse(target, QEvent::MouseButtonPress, from, Qt::LeftButton);
    QPointF at = from;
    for (QPointF offset : offsets) {
        at = from + offset;
        sendMouse(target, QEvent::MouseMove, at, Qt::LeftButton);
    }
    if (release)
        sendMouse(target, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

bool dropSlides(SlidePreviewView* canvas, const std::vector<Uuid>& ids) {
    QMimeData data;
    data.setText(QString::fromStdString(makeSlidePayload(ids)));
    // A drop reaches the widget that accepted the drag's entry, with the outline shown meanwhile.
    QDragEnterEvent enter(QPoint(20, 20), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &enter);
    if (!enter.isAccepted() || !canvas->isMergeDropTargeted())
        return false;
    QDropEvent drop(QPointF(20, 20), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &drop);
    return drop.isAccepted() && !canvas->isMergeDropTargeted();
}

}  // namespace

class PreviewWorkspaceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        PreviewPreferences::instance().setZoomsToFit(true);
        PreviewPreferences::instance().setNotesHeight(140);
    }

    void fitLeavesAMarginZoomStepsAreClampedAndTheNotesPaneKeepsItsHeightWithinLimits() {
        QCOMPARE(preview_zoom::fitZoom({1000, 600}, SlideSizePreset::classic), 568.0 / 540);
        QCOMPARE(preview_zoom::fitZoom({50, 2000}, SlideSizePreset::classic), 80.0 / 720);
        DeckBuilder deck;
        deck.slide(SlideLayoutKind::oneImage, {deck.picture(Qt::red)});
        auto handle = deck.handle();
        PreviewWorkspace workspace(*handle);
        workspace.setShowsPresenterNotes(false);
        workspace.resize(1000, 700);
        workspace.show();
        const QSize area = workspace.scrollArea()->size();
        QCOMPARE(workspace.lastFitScale(),
                 preview_zoom::fitZoom(area, SlideSizePreset::widescreen));
        QCOMPARE(workspace.zoom(), workspace.lastFitScale());
        QCOMPARE(workspace.scrollArea()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        const int fitPercent = int(std::lround(workspace.lastFitScale() * 100));
        QCOMPARE(workspace.zoomBar()->percentText(), QStringLiteral("Fit · %1%").arg(fitPercent));

        workspace.zoomIn();  // from the fit zoom
        QVERIFY(!PreviewPreferences::instance().zoomsToFit());
        QCOMPARE(workspace.zoom(), preview_zoom::clamp(workspace.lastFitScale() * 1.25));
        QCOMPARE(workspace.zoomBar()->percentText(),
                 QStringLiteral("%1%").arg(std::lround(workspace.zoom() * 100)));
        PreviewPreferences::instance().setZoomScale(3.5);
        workspace.zoomIn();
        QCOMPARE(workspace.zoom(), 4.0);
        QCOMPARE(workspace.scrollArea()->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        for (int i = 0; i < 20; ++i)
            workspace.zoomOut();
        QCOMPARE(workspace.zoom(), 0.25);
        workspace.zoomToFit();
        QCOMPARE(workspace.zoom(), workspace.lastFitScale());

        // Ctrl+wheel zooms around the pointer: the point of the slide under it stays there.
        QWidget* viewport = workspace.scrollArea()->viewport();
        QWidget* canvas = workspace.canvas();
        const QPointF at(viewport->width() * 0.3, viewport->height() * 0.4);
        const auto share = [&] {
            const QPointF p = canvas->mapFrom(viewport, at);
            return QPointF(p.x() / canvas->width(), p.y() / canvas->height());
        };
        const QPointF before = share();
        for (int i = 0; i < 2; ++i) {
            QWheelEvent wheel(at, viewport->mapToGlobal(at), {}, {0, 120}, Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &wheel);
        }
        QCOMPARE(workspace.zoom(), preview_zoom::clamp(workspace.lastFitScale() * 1.25 * 1.25));
        QVERIFY(std::abs(share().x() - before.x()) < 0.01);
        QVERIFY(std::abs(share().y() - before.y()) < 0.01);
        workspace.zoomToFit();

        // A second window follows the shared preference.
        PreviewWorkspace other(*handle);
        workspace.zoomIn();
        QCOMPARE(other.zoom(), workspace.zoom());

        // The notes pane keeps its height within limits; an editing session is one step.
        MosavelleDocument& document = handle->document();
        workspace.setDisplayedSlide(document.project().slides[0].id);
        workspace.setShowsPresenterNotes(true);
        auto* grip = workspace.findChild<NotesResizeHandle*>();
        QVERIFY(grip);
        auto& preferences = PreviewPreferences::instance();
        drag(grip, {10, 4}, {{0, -50}});
        QCOMPARE(preferences.notesHeight(), 190.0);
        QCOMPARE(workspace.notesPane()->height(), 190);
        drag(grip, {10, 4}, {{0, -5000}});
        QCOMPARE(preferences.notesHeight(), 280.0);
        drag(grip, {10, 4}, {{0, 5000}});
        QCOMPARE(preferences.notesHeight(), 72.0);
        QTest::keyClick(grip, Qt::Key_Down);
        QCOMPARE(preferences.notesHeight(), 72.0);
        QTest::keyClick(grip, Qt::Key_Up);
        QCOMPARE(preferences.notesHeight(), 88.0);
        QCOMPARE(QSettings().value("presenterNotesHeight").toDouble(), 88.0);

        PresenterNotesPane* notes = workspace.notesPane();
        QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(notes, &in);
        notes->insertPlainText(QStringLiteral("Thank the "));
        notes->insertPlainText(QStringLiteral("hosts"));
        QCOMPARE(document.project().slides[0].notes, std::string("Thank the hosts"));
        QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
        QApplication::sendEvent(notes, &out);
        QCOMPARE(handle->undoHistory()->undoCount(), std::size_t{1});
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Edit Notes"));
        handle->undoHistory()->undo();
        QCOMPARE(notes->toPlainText(), QString());

        // Tab leaves the notes instead of typing into them; a pause ends a run of typing.
        workspace.show();
        QVERIFY(QTest::qWaitForWindowActive(&workspace));
        notes->setFocus();
        QTest::keyClicks(notes, QStringLiteral("Hi"));
        QTest::keyClick(notes, Qt::Key_Tab);
        QVERIFY(!notes->hasFocus());
        QCOMPARE(document.project().slides[0].notes, std::string("Hi"));
        notes->setFocus();
        QTest::keyClicks(notes, QStringLiteral("!"));
        QTRY_COMPARE_WITH_TIMEOUT(handle->undoHistory()->undoCount(), std::size_t{2}, 3000);
        QTest::keyClicks(notes, QStringLiteral("?"));
        handle->undoHistory()->undo();  // takes back the run still open
        QCOMPARE(document.project().slides[0].notes, std::string("Hi!"));
    }

    void notesTooLongToEditShowTheirBeginningAndStayAndLongerPastesAreRefused() {
        DeckBuilder deck;
        deck.slide(SlideLayoutKind::oneImage, {deck.picture(Qt::red)}).notes =
            std::string(maximumNotesBytes + 1, 'w');
        deck.slide(SlideLayoutKind::oneImage, {deck.picture(Qt::blue)}).notes = "short";
        auto handle = deck.handle();
        PreviewWorkspace workspace(*handle);
        PresenterNotesPane* notes = workspace.notesPane();
        workspace.setDisplayedSlide(slideID(*handle, 1));
        QVERIFY(notes->isReadOnly());
        QVERIFY(notes->toPlainText().size() <=
                qsizetype(PresenterNotesPane::shownBeginningBytes) + 1);
        QVERIFY(!notes->notice().isEmpty());
        notes->insertPlainText(QStringLiteral("x"));
        QCOMPARE(handle->document().project().slides[0].notes.size(), maximumNotesBytes + 1);

        setSelection(handle->document(), {slideID(*handle, 2)});
        workspace.setDisplayedSlide(slideID(*handle, 2));
        QVERIFY(!notes->isReadOnly() && notes->notice().isEmpty());
        QApplication::clipboard()->setText(QString(qsizetype(maximumNotesBytes), QChar('p')));
        notes->paste();
        QCOMPARE(notes->toPlainText(), QStringLiteral("short"));
        QCOMPARE(handle->document().project().slides[1].notes, std::string("short"));
        QVERIFY(!notes->notice().isEmpty());
    }

    void cropDragIsOneUndoStepWithTheAnchorClampedAndAltClickTakesThePictureOff() {
        DeckBuilder deck;
        deck.project.appearance.defaultPlacement.mode = SizingMode::fill;
        const Uuid wide = deck.picture(Qt::red, 1200, 200);  // wider than any area
        deck.slide(SlideLayoutKind::oneImage, {wide});
        const Uuid a = deck.picture(Qt::red), b = deck.picture(Qt::green);
        deck.slide(SlideLayoutKind::twoUp, {a, b});
        auto handle = deck.handle();
        MosavelleDocument& document = handle->document();
        PreviewWorkspace workspace(*handle);
        workspace.setDisplayedSlide(document.project().slides[0].id);
        workspace.resize(1000, 800);
        workspace.show();
        SlidePreviewView* canvas = workspace.canvas();
        const QPointF centre = canvas->pictureRect(wide).center();
        const auto anchor = [&] { return document.project().slides[0].slots[0].crop; };

        drag(canvas, centre, {{5, 0}, {60, 0}, {100, 40}});
        QCOMPARE(anchor().x, 0.25);  // from 0.5, linearly: 100 points of 400
        QCOMPARE(anchor().y, 0.4);
        QCOMPARE(handle->undoHistory()->undoCount(), std::size_t{1});
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Adjust Crop"));

        drag(canvas, centre, {{-300, 0}, {-2000, -2000}});
        QCOMPARE(anchor().x, 1.0);
        QCOMPARE(anchor().y, 1.0);
        QCOMPARE(handle->undoHistory()->undoCount(), std::size_t{2});

        // Escape during a drag puts the anchor back and leaves no step.
        drag(canvas, centre, {{200, 0}}, false);
        QCOMPARE(anchor().x, 0.5);
        QTest::keyClick(canvas, Qt::Key_Escape);
        QCOMPARE(anchor().x, 1.0);
        sendMouse(canvas, QEvent::MouseButtonRelease, centre, Qt::NoButton);
        QCOMPARE(handle->undoHistory()->undoCount(), std::size_t{2});

        handle->undoHistory()->undo();
        QCOMPARE(anchor().x, 0.25);

        // Outside fill mode a drag changes nothing.
        Project project = document.project();
        project.slides[0].placementOverride = Placement{SizingMode::fit, {}, 0, 1};
        document.setProject(project);
        drag(canvas, canvas->pictureRect(wide).center(), {{100, 0}});
        QCOMPARE(anchor().x, 0.25);

        // Alt-click takes the picture under the pointer off the slide.
        workspace.setDisplayedSlide(document.project().slides[1].id);
        QAccessibleInterface* slide = QAccessible::queryAccessibleInterface(canvas);
        QCOMPARE(slide->text(QAccessible::Name), QStringLiteral("Slide 2"));
        QCOMPARE(slide->childCount(), 2);
        QCOMPARE(slide->child(1)->text(QAccessible::Name), QStringLiteral("Image 2, p3.png"));
        QCOMPARE(slide->child(1)->text(QAccessible::Description),
                 QStringLiteral("Alt-click to remove this image from the slide"));
        const QPointF onB = canvas->pictureRect(b).center();
        sendMouse(canvas, QEvent::MouseButtonPress, onB, Qt::LeftButton, Qt::AltModifier);
        sendMouse(canvas, QEvent::MouseButtonRelease, onB, Qt::NoButton, Qt::AltModifier);
        QCOMPARE(document.project().slides.size(), std::size_t{3});
        QCOMPARE(document.project().slides[2].slots[0].imageID, b);  // the one under the pointer
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Remove Image from Slide"));
        QCOMPARE(slide->childCount(), 1);
        QCOMPARE(slide->child(0)->text(QAccessible::Description), QString());

        // A plain click removes nothing.
        sendMouse(canvas, QEvent::MouseButtonPress, onB, Qt::LeftButton);
        sendMouse(canvas, QEvent::MouseButtonRelease, onB, Qt::NoButton);
        QCOMPARE(document.project().slides.size(), std::size_t{3});
    }

    void mergeDropAddsThePictureOrReportsAFullSlide() {
        DeckBuilder deck;
        deck.slide(SlideLayoutKind::fourGrid, {deck.picture(Qt::red), deck.picture(Qt::green),
                                               deck.picture(Qt::blue), deck.picture(Qt::gray)});
        deck.slide(SlideLayoutKind::oneImage, {deck.picture(Qt::yellow)});
        deck.slide(SlideLayoutKind::oneImage, {deck.picture(Qt::cyan)});
        auto handle = deck.handle();
        MosavelleDocument& document = handle->document();
        const auto slides = document.project().slides;
        PreviewWorkspace workspace(*handle);
        QSignalSpy full(&workspace, &PreviewWorkspace::slideFull);

        workspace.setDisplayedSlide(slides[0].id);
        document.setDragState({slides[1].id}, true);
        QVERIFY(dropSlides(workspace.canvas(), {slides[1].id}));  // handled, with the alert
        QCOMPARE(full.count(), 1);
        QCOMPARE(document.project().slides.size(), std::size_t{3});

        // The shown slide among the dragged ones is skipped; the next one is merged.
        workspace.setDisplayedSlide(slides[1].id);
        QVERIFY(dropSlides(workspace.canvas(), {slides[1].id, slides[2].id}));
        QCOMPARE(document.project().slides.size(), std::size_t{2});
        QVERIFY(!document.isDraggingSlide());
        QVERIFY(!dropSlides(workspace.canvas(), {slides[1].id}));  // only itself: refused
        QCOMPARE(full.count(), 1);
    }

    void slideKeysMoveTheSelectionExceptInTextFieldsAndStepTheFullScreenPreview() {
        DeckBuilder deck;
        deck.project.appearance.slideSize = SlideSizePreset::classic;
        for (QColor c : {Qt::red, Qt::green, Qt::blue})
            deck.slide(SlideLayoutKind::oneImage, {deck.picture(c)});
        deck.slide(SlideLayoutKind::section, {}).title = "Part two";
        auto handle = deck.handle();
        MosavelleDocument& document = handle->document();
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        auto* workspace = new PreviewWorkspace(*handle, &window);
        auto* inspector = new InspectorView(*handle, &window);
        layout->addWidget(workspace);
        layout->addWidget(inspector);
        new SlideKeyFilter(*handle, &window);
        window.resize(1200, 800);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const auto selected = [&] { return selectedSlides(document).at(0).id; };
        const auto slides = document.project().slides;

        workspace->setDisplayedSlide(slides[0].id);
        workspace->focusCanvas();
        QVERIFY(workspace->canvas()->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QCOMPARE(selected(), slides[1].id);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(selected(), slides[2].id);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(selected(), slides[2].id);  // modifiers leave the keys alone

        auto* title = inspector->findChild<QLineEdit*>();
        title->setFocus();
        QVERIFY(title->hasFocus());
        QTest::keyClick(title, Qt::Key_Left);
        QTest::keyClick(title, Qt::Key_Delete);
        QCOMPARE(selected(), slides[2].id);
        QCOMPARE(document.project().slides.size(), std::size_t{4});
        workspace->focusCanvas();  // refused while a text field is being edited
        QVERIFY(title->hasFocus());

        workspace->canvas()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
        QCOMPARE(document.project().slides.size(), std::size_t{3});

        // The full-screen preview fills the screen and steps through the slides up to the last.
        workspace->setDisplayedSlide(slides[1].id);
        workspace->showFullScreenPreview();
        FullScreenSlidePreview* full = workspace->fullScreenPreview();
        QVERIFY(full && full->isVisible());
        const QSize screen = full->size();
        QCOMPARE(full->zoom(), std::min(screen.width() / 720.0, screen.height() / 540.0));
        QTest::keyClick(full, Qt::Key_Right);
        QCOMPARE(full->slide(), slides[3].id);
        QCOMPARE(selected(), slides[3].id);
        QTest::keyClick(full, Qt::Key_Right);
        QCOMPARE(full->slide(), slides[3].id);
        QTest::keyClick(full, Qt::Key_Escape);
        QTRY_VERIFY(!workspace->fullScreenPreview());
    }
};

MOSAVELLE_APP_TEST_MAIN(PreviewWorkspaceTest)
#include "preview_workspace_test.moc"
