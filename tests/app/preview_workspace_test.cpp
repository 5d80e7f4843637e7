#include "app/preview/preview_workspace.h"

#include <QAccessible>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QWheelEvent>
#include <atomic>
#include <functional>

#include "app/inspector/inspector_view.h"
#include "app/preview/full_screen_preview.h"
#include "app/preview/presenter_notes_pane.h"
#include "app/preview/preview_preferences.h"
#include "app/preview/slide_key_filter.h"
#include "app/preview/slide_painter.h"
#include "app/preview/slide_preview_view.h"
#include "app/support/background_job.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "app_test_support.h"
#include "core/editing/deck_settings.h"
#include "core/editing/navigator_text.h"
#include "core/editing/selection.h"
#include "core/editing/slide_settings.h"
#include "core/layout/rendered_slide.h"
#include "core/layout/thumbnail_disk_cache.h"
#include "core/platform/sha256.h"
#include "support/test_support.h"

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

const QColor background(20, 40, 60);
const QColor pictureColors[] = {QColor(220, 20, 20), QColor(20, 200, 20), QColor(240, 220, 0),
                                QColor(200, 0, 200)};

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 6 && std::abs(a.green() - b.green()) <= 6 &&
           std::abs(a.blue() - b.blue()) <= 6;
}

QRect pixels(const InchRect& r, double scale) {
    const double k = 72 * scale;
    return QRectF(r.x * k, r.y * k, r.width * k, r.height * k).toAlignedRect();
}

RenderedSlide slideAt(const DocumentHandle& handle, std::size_t index = 0) {
    const Project& project = handle.document().project();
    return renderSlide(project.slides.at(index), index, project);
}

// The slide as the preview paints it at `scale`, over a transparent page.
QImage painted(const RenderedSlide& rendered, const DocumentHandle& handle, double scale) {
    QImage image(slideCanvasSize(rendered.size, scale).toSize(),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintRenderedSlide(painter, rendered, handle.document(), handle.thumbnails(), {scale, 1.0, {}});
    return image;
}

}  // namespace

namespace {

// Whether the top-left corner of `image` shows the red block of the fixtures' scene.
bool redTopLeft(const QImage& image) {
    const QColor corner = image.pixelColor(2, 2);
    return corner.red() > 170 && corner.green() < 90;
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
        setSlideSize(handle->document(), SlideSizePreset::classic);  // a new page size refits
        QCOMPARE(workspace.lastFitScale(), preview_zoom::fitZoom(area, SlideSizePreset::classic));
        QCOMPARE(workspace.zoom(), workspace.lastFitScale());
        handle->undoHistory()->undo();
        QCOMPARE(workspace.lastFitScale(),
                 preview_zoom::fitZoom(area, SlideSizePreset::widescreen));

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
        QCOMPARE(QSettings().value("presenterNotesHeight").toDouble(), 72.0);

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
        QCOMPARE(slide->childCount(), 2);
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

    void theCanvasRepaintsForWhatItDrawsAndNotForTheRestOfTheDeck() {
        DeckBuilder deck;
        deck.slide(SlideLayoutKind::imageTitleCaption, {deck.picture(Qt::red)});
        deck.slide(SlideLayoutKind::oneImage, {deck.picture(Qt::blue)});
        auto handle = deck.handle();
        MosavelleDocument& document = handle->document();
        PreviewWorkspace workspace(*handle);
        workspace.show();
        workspace.setDisplayedSlide(document.project().slides[0].id);
        QVERIFY(QTest::qWaitForWindowExposed(&workspace));
        struct PaintCount : QObject {
            int count = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                count += event->type() == QEvent::Paint;
                return false;
            }
        } paints;
        workspace.canvas()->installEventFilter(&paints);
        // Settled: the picture's thumbnail has arrived and been drawn.
        for (int tries = 0; tries < 50 && (tries < 2 || paints.count > 0); ++tries) {
            paints.count = 0;
            QTest::qWait(50);
        }
        const auto paintsAfter = [&](const std::function<void(Project&)>& edit) {
            QCoreApplication::processEvents();
            paints.count = 0;
            Project project = document.project();
            edit(project);
            document.setProject(std::move(project));
            QCoreApplication::processEvents();
            return paints.count;
        };
        // Another slide's words, a slide added after the shown one: nothing drawn changes.
        QCOMPARE(paintsAfter([](Project& p) {
                     p.slides.edit(1).notes = "elsewhere";
                     p.slides.push_back(Slide{});
                 }),
                 0);
        // The shown slide's caption, the deck's font, its picture's record: drawn again.
        QVERIFY(paintsAfter([](Project& p) { p.slides.edit(0).slots.at(0).caption = "Here"; }) > 0);
        QVERIFY(paintsAfter([](Project& p) { p.appearance.typography.fontName = "Serif"; }) > 0);
        QVERIFY(paintsAfter([](Project& p) { p.images.edit(0).importError = "gone"; }) > 0);
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

    void theFullScreenPreviewPlaysTheShowSkipsGoesBackAndLoops() {
        DeckBuilder deck;
        for (QColor c : {Qt::red, Qt::green, Qt::blue})
            deck.slide(SlideLayoutKind::oneImage, {deck.picture(c)});
        deck.project.slides.edit(1).isExcluded = true;  // left out of the show
        deck.project.show = {{true, 1}, {TransitionKind::push, TransitionSpeed::fast}, true};
        deck.project.slides.edit(2).advanceOverride = SlideAdvance{};  // waits for the viewer
        auto handle = deck.handle();
        const auto slides = handle->document().project().slides;
        PreviewWorkspace workspace(*handle);
        workspace.setDisplayedSlide(slides[0].id);
        workspace.showFullScreenPreview();
        FullScreenSlidePreview* full = workspace.fullScreenPreview();

        // The first slide gives way after its second, with a push, to the next one in the show.
        QTRY_COMPARE_WITH_TIMEOUT(full->slide(), std::optional(slides[2].id), 3000);
        QVERIFY(full->isPlayingTransition());
        QTest::qWait(1800);
        QCOMPARE(full->slide(), slides[2].id);  // this one waits for the viewer
        QTest::keyClick(full, Qt::Key_Space);   // past the last: the show starts again
        QCOMPARE(full->slide(), slides[0].id);
        QTest::keyClick(full, Qt::Key_Left);
        QCOMPARE(full->slide(), slides[2].id);
        QVERIFY(!full->isPlayingTransition());  // going back plays no transition
    }

    // Paints slides of every layout, page size and picture mode into an image and checks the
    // pixels against the frames the layout reports: the preview must show what is exported.
    void paintedFramesMatchTheRendering_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("mode");
        for (SlideSizePreset size : {SlideSizePreset::widescreen, SlideSizePreset::classic})
            for (SlideLayoutKind layout : allCases<SlideLayoutKind>())
                for (SizingMode mode : {SizingMode::fill, SizingMode::fit}) {
                    const std::string name = std::string(caseName(size)) + "/" +
                                             std::string(caseName(layout)) + "/" +
                                             std::string(caseName(mode));
                    QTest::newRow(name.c_str()) << int(size) << int(layout) << int(mode);
                }
    }

    void paintedFramesMatchTheRendering() {
        QFETCH(int, size);
        QFETCH(int, layout);
        QFETCH(int, mode);
        DeckBuilder deck;
        deck.project.appearance.slideSize = SlideSizePreset(size);
        deck.project.appearance.background = BackgroundKind::custom;
        deck.project.appearance.customBackground = {20 / 255.0, 40 / 255.0, 60 / 255.0, 1};
        deck.project.appearance.defaultPlacement.mode = SizingMode(mode);
        deck.project.appearance.typography.titleColor = {0, 0, 0, 1};
        deck.project.appearance.typography.bodyColor = {0, 0, 0, 1};
        const Uuid a = deck.picture(pictureColors[0], 400, 300);
        const Uuid b = deck.picture(pictureColors[1], 300, 400);
        const Uuid c = deck.picture(pictureColors[2], 500, 200);
        Slide& slide = deck.slide(SlideLayoutKind(layout), {a, b, c, std::nullopt});
        slide.title = "Wide open fields";
        for (ImageSlot& slot : slide.slots)
            slot.caption = "MMMM MMMM";
        auto handle = deck.handle();
        const RenderedSlide rendered = slideAt(*handle);
        const double scale = 0.75;
        const auto centre = [&](const QImage& image, const PictureFrame& frame) {
            return image.pixelColor(pixels(frame.frame, scale).center());
        };
        const std::map<Uuid, QColor> colours{
            {a, pictureColors[0]}, {b, pictureColors[1]}, {c, pictureColors[2]}};

        // Thumbnails arrive asynchronously; the painter shows them once they are there.
        QImage image;
        const auto picturesShown = [&] {
            image = painted(rendered, *handle, scale);
            for (const PictureFrame& f : rendered.pictures)
                if (colours.count(f.imageID) && !near(centre(image, f), colours.at(f.imageID)))
                    return false;
            return true;
        };
        QTRY_VERIFY_WITH_TIMEOUT(picturesShown(), 10000);

        for (const PictureFrame& frame : rendered.pictures) {
            const QRect box = pixels(frame.frame, scale).adjusted(2, 2, -3, -3);
            if (!colours.count(frame.imageID)) {  // the empty slot's grey placeholder
                QVERIFY(!near(image.pixelColor(box.center()), background));
                continue;
            }
            const QColor want = colours.at(frame.imageID);
            for (QPoint p : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
                QVERIFY2(near(image.pixelColor(p), want), "picture does not fill its frame");
            // Just outside the frame is background (or a neighbour's caption text, never the
            // picture).
            const QRect outside = pixels(frame.frame, scale).adjusted(-3, -3, 3, 3);
            for (QPoint p : {outside.topLeft(), outside.bottomRight()})
                if (image.rect().contains(p))
                    QVERIFY(!near(image.pixelColor(p), want));
        }
        QCOMPARE(image.pixelColor(2, 2), background);  // page corner, outside the margins
        // Black text on this dark blue would be unreadable: the rendering asks for white, and
        // the painter must draw in the colour the rendering (and so the export) uses.
        for (const TextFrame& text : rendered.texts) {
            QCOMPARE(text.color, (RGBAColor{1, 1, 1, 1}));
            const QColor ink = QColor::fromRgbF(text.color.red, text.color.green, text.color.blue);
            const QRect box = pixels(text.frame, scale);
            bool inked = false;
            for (int y = box.top(); y <= box.bottom() && !inked; ++y)
                for (int x = box.left(); x <= box.right() && !inked; ++x)
                    inked = image.rect().contains(x, y) && near(image.pixelColor(x, y), ink);
            QVERIFY2(inked, "no text drawn in a text box of the rendering");
        }
        QCOMPARE(rendered.texts.empty(), SlideLayoutKind(layout) == SlideLayoutKind::oneImage);
    }

    void fillCropStandInThumbnailAndMissingPicture() {
        DeckBuilder deck;
        deck.project.appearance.defaultPlacement.mode = SizingMode::fill;
        // Left half red, right half green, far wider than its area: the anchor keeps the right.
        QImage halves(400, 100, QImage::Format_RGB32);
        halves.fill(Qt::red);
        QPainter(&halves).fillRect(200, 0, 200, 100, Qt::green);
        const Uuid cropped = deck.picture(Qt::black, 400, 100);
        deck.bytes[cropped] = encoded(halves);
        deck.slide(SlideLayoutKind::oneImage, {cropped}).slots[0].crop = {1.0, 0.5};
        const Uuid id = deck.picture(pictureColors[3], 3000, 2000);
        deck.slide(SlideLayoutKind::oneImage, {id});
        const Uuid lost = deck.picture(Qt::red);
        deck.bytes.erase(lost);  // the package lost the picture's bytes
        deck.slide(SlideLayoutKind::oneImage, {lost});
        auto handle = deck.handle();
        const auto centreAt = [&](const RenderedSlide& rendered, double scale) {
            return painted(rendered, *handle, scale)
                .pixelColor(pixels(rendered.pictures[0].frame, scale).center());
        };
        QTRY_VERIFY_WITH_TIMEOUT(near(centreAt(slideAt(*handle), 0.5), Qt::green), 10000);

        const RenderedSlide large = slideAt(*handle, 1);
        QTRY_VERIFY_WITH_TIMEOUT(near(centreAt(large, 0.1), pictureColors[3]), 10000);
        // The sharp thumbnail is not made yet, yet the first paint already shows the picture
        // (the smaller one stands in), not a gap.
        QVERIFY(!suiteThumbnails->isReady(id, 1800));
        QVERIFY(near(centreAt(large, 2.0), pictureColors[3]));
        // The size asked for follows the device pixel ratio.
        QCOMPARE(thumbnailPixelSize(400.2, 300, 1.0), 401);
        QCOMPARE(thumbnailPixelSize(400, 300, 2.0), 800);
        QCOMPARE(thumbnailPixelSize(0, 0, 2.0), 1);

        const RenderedSlide missing = slideAt(*handle, 2);
        QVERIFY(!pictureIsDrawable(handle->document(), missing.pictures[0]));
        const QColor inside =
            painted(missing, *handle, 0.5)
                .pixelColor(pixels(missing.pictures[0].frame, 0.5).topLeft() + QPoint(3, 3));
        QVERIFY(inside.alpha() > 0 && !near(inside, Qt::white) && !near(inside, Qt::red));
    }

    // What presentation programs show: a square logo at its corner's edge rather than in the
    // middle of the corner box, a caption running on below its box, and the orange border of
    // the editing preview only.
    void logoFittedInItsCornerAndTextRunningOnBelowItsBox() {
        DeckBuilder deck;
        deck.project.appearance.typography.bodyColor = {0, 0, 0, 1};
        deck.project.appearance.branding.logoFileName = "logo.png";
        Slide& slide = deck.slide(SlideLayoutKind::imageTitleCaption, {deck.picture(Qt::blue)});
        slide.slots[0].caption = std::string(400, 'm');
        QImage square(50, 50, QImage::Format_RGB32);
        square.fill(Qt::red);
        app::DocumentHandle handle(
            std::make_unique<MosavelleDocument>(deck.project, deck.bytes, encoded(square)),
            *suiteThumbnails);
        const RenderedSlide rendered = slideAt(handle);
        const double scale = 1.0;
        const InchRect& box = rendered.logo->frame;  // 1 by 0.4 inch, top trailing
        const auto at = [&](const QImage& image, double x, double y) {
            return image.pixelColor(QPointF(x * 72 * scale, y * 72 * scale).toPoint());
        };
        QImage image;
        QTRY_VERIFY_WITH_TIMEOUT(
            near(at(image = painted(rendered, handle, scale), box.x + 0.8, box.y + 0.2), Qt::red),
            10000);
        QVERIFY(near(at(image, box.x + 0.5, box.y + 0.2), Qt::white));

        const TextFrame& caption = rendered.texts.at(1);
        QVERIFY(caption.overflows);
        const QRect below = pixels({caption.frame.x, caption.frame.y + caption.frame.height + 0.05,
                                    caption.frame.width, 0.5},
                                   scale);
        const auto count = [&](const QImage& in, QRect area, QColor colour) {
            int found = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    found += in.rect().contains(x, y) && near(in.pixelColor(x, y), colour);
            return found;
        };
        QVERIFY(count(image, below, Qt::black) > 0);
        // The border's antialiased line: warm, neither the white page nor the black text.
        const QRect edge = pixels(caption.frame, scale).adjusted(-2, -2, 2, -2);
        const QRect top(edge.topLeft(), QSize(edge.width(), 5));
        const auto orange = [&](const QImage& in) {
            int found = 0;
            for (int y = top.top(); y <= top.bottom(); ++y)
                for (int x = top.left(); x <= top.right(); ++x) {
                    const QColor c = in.pixelColor(x, y);
                    found += c.alpha() > 0 && c.red() - c.blue() > 80;
                }
            return found;
        };
        QVERIFY(orange(image) > 0);
        QImage presented(image.size(), QImage::Format_ARGB32_Premultiplied);
        presented.fill(Qt::transparent);
        QPainter painter(&presented);
        SlidePaintOptions options;
        options.showsOverflow = false;
        paintRenderedSlide(painter, rendered, handle.document(), handle.thumbnails(), options);
        QCOMPARE(orange(presented), 0);
    }

    // The background job helper, and the thumbnails the interface asks for through it.
    void reportsAndTheResultArriveInOrderOnTheInterfaceThreadAndCancelStopsTheWork() {
        QObject requester;
        QThread* const interface = QThread::currentThread();
        QStringList seen;
        bool onInterfaceThread = true;
        std::optional<int> result;
        const auto note = [&](const QString& what) {
            onInterfaceThread = onInterfaceThread && QThread::currentThread() == interface;
            seen << what;
        };
        CancelToken token = runInBackground(
            &requester,
            [note](const JobContext& job) {
                int steps = 0;
                while (!job.isCancelled()) {
                    if (++steps <= 3)
                        job.report([note, steps] { note(QString::number(steps)); });
                    QThread::msleep(1);
                }
                return steps;
            },
            [&](int steps) {
                note(QStringLiteral("done"));
                result = steps;
            });
        QTRY_COMPARE(seen.size(), 3);
        QTest::qWait(20);
        QVERIFY(!result);  // works on until cancelled
        token.cancel();
        QTRY_VERIFY(result);
        QCOMPARE(seen, QStringList({"1", "2", "3", "done"}));
        QVERIFY(onInterfaceThread);
    }

    void paintingNeverWaitsForBackgroundJobs() {
        // Every thread of the job pool busy until the paint below is done; a paint that waited
        // for one would let its job give up first.
        QSemaphore paintDone;
        std::atomic<int> gaveUp = 0;
        const int threads = backgroundJobPool().maxThreadCount();
        for (int i = 0; i < threads; ++i)
            runInBackground([&] {
                if (!paintDone.tryAcquire(1, 5000))
                    ++gaveUp;
            });
        QImage canvas(1200, 800, QImage::Format_ARGB32_Premultiplied);
        QImage picture(256, 192, QImage::Format_RGB32);
        picture.fill(Qt::red);
        {
            QPainter painter(&canvas);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.fillRect(canvas.rect(), Qt::blue);
            painter.drawImage(QRectF(0, 0, 700, 500), picture);
        }
        paintDone.release(threads);
        backgroundJobPool().waitForDone();
        QCOMPARE(gaveUp.load(), 0);
    }

    void nothingReachesARequesterThatIsGoneOrAClosedPost() {
        QSemaphore proceed;
        bool delivered = false;
        auto* requester = new QObject;
        runInBackground(
            requester,
            [&proceed, &delivered](const JobContext& job) {
                proceed.acquire();
                job.report([&delivered] { delivered = true; });
                return 1;
            },
            [&delivered](int) { delivered = true; });
        delete requester;
        proceed.release();
        backgroundJobPool().waitForDone();
        QTest::qWait(20);
        QVERIFY(!delivered);

        // A receiver that stops listening drops what is already queued for it.
        QObject receiver;
        InterfacePost post(&receiver);
        post([&delivered] { delivered = true; });
        post.close();
        post([&delivered] { delivered = true; });
        QTest::qWait(20);
        QVERIFY(!delivered);
    }

    void answersLaterWithTheCachesPixelsUnconvertedRetriesAFailureAfterADelayAndDropsPictures() {
        ThumbnailCache cache(ThumbnailCache::Options{.threads = 1});
        ThumbnailProvider provider(cache);
        QSignalSpy ready(&provider, &ThumbnailProvider::thumbnailReady);
        const Bytes bytes = testing::fixtureBytes("alpha.png");
        const Uuid id = testing::fixedUuid(1);

        QVERIFY(provider.image(id, bytes, 100).isNull());  // never decodes on this thread
        QVERIFY(ready.wait(10000));
        QCOMPARE(ready.takeFirst().at(0).value<Uuid>(), id);
        QVERIFY(provider.isReady(id, 128));
        const QImage image = provider.image(id, bytes, 128);
        QCOMPARE(image.format(), QImage::Format_ARGB32_Premultiplied);
        // The cache's premultiplied native words, shown without a conversion.
        QCOMPARE(image.constBits(), cache.cached(id, 128)->pixels.data());
        QCOMPARE(image.size(), QSize(cache.cached(id, 128)->width, cache.cached(id, 128)->height));

        // A larger bucket is made on request and announced once ready (the painter suite sees the
        // smaller one stand in meanwhile).
        provider.image(id, bytes, 400);
        QVERIFY(ready.wait(10000));
        QVERIFY(provider.isReady(id, 512));

        // One worker: the broken picture has failed by the time the good one is announced.
        const Uuid broken = testing::fixedUuid(2), good = testing::fixedUuid(3);
        const std::size_t decoded = cache.stats().decoded;
        ready.clear();
        provider.image(broken, testing::fixtureBytes("text.jpg"), 128);
        provider.image(good, testing::fixtureBytes("picture.png"), 128);
        QVERIFY(ready.wait(10000));
        QCOMPARE(ready.takeFirst().at(0).value<Uuid>(), good);
        provider.image(broken, testing::fixtureBytes("text.jpg"), 128);
        QTest::qWait(50);
        QCOMPARE(cache.stats().decoded, decoded + 2);
        QVERIFY(ready.isEmpty());
        // Past the retry delay (none here) a failed bucket is asked for again: failures may pass.
        ThumbnailProvider retrying(cache, nullptr, std::chrono::milliseconds(0));
        QTRY_VERIFY_WITH_TIMEOUT((retrying.image(broken, testing::fixtureBytes("text.jpg"), 128),
                                  cache.stats().decoded >= decoded + 4),
                                 10000);

        provider.dropPictures({id, good, broken});
        QVERIFY(!provider.isReady(good, 128));
        QCOMPARE(cache.count(), std::size_t{0});
        QVERIFY(provider.image(good, testing::fixtureBytes("picture.png"), 128).isNull());
        QVERIFY(ready.wait(10000));
    }

    // The fixture's pixels are plain grey; its EXIF thumbnail shows the scene, stored turned.
    void showsTheEmbeddedPreviewUntilTheMiniatureAndReadsKeptMiniaturesWithoutDecoding() {
        testing::TempDir folder;
        const Bytes file = testing::fixtureBytes("embedded-thumbnail.jpg");
        const std::string digest = sha256Hex(file);
        const Uuid id = testing::fixedUuid(1), cut = testing::fixedUuid(2);
        {
            ThumbnailCache cache(ThumbnailCache::Options{
                .disk = std::make_shared<ThumbnailDiskCache>(folder.path()), .threads = 1});
            ThumbnailProvider provider(cache);
            QSignalSpy ready(&provider, &ThumbnailProvider::thumbnailReady);

            // Pixels cut short never decode: the preview stays, upright.
            const std::size_t scan = file.view().rfind("\xff\xda");
            const Bytes damaged(file.data(), scan + 40);
            provider.image(cut, damaged, 64);
            QVERIFY(ready.wait(10000));
            QTest::qWait(100);
            QCOMPARE(ready.count(), 1);
            const QImage preview = provider.image(cut, damaged, 64);
            QCOMPARE(preview.size(), QSize(64, 40));
            QVERIFY(redTopLeft(preview));
            QVERIFY(!provider.isReady(cut, 64));

            // A whole file: the preview is announced, then the miniature replaces it.
            ready.clear();
            provider.image(id, file, 400, digest);
            QTRY_VERIFY_WITH_TIMEOUT(provider.isReady(id, 400), 10000);
            QTRY_COMPARE(ready.count(), 2);
            QVERIFY(!redTopLeft(provider.image(id, file, 400, digest)));
            QCOMPARE(cache.stats().previews, std::size_t{2});
        }
        // A later run finds the miniature on disk, and serves a smaller size from it.
        ThumbnailCache cache(ThumbnailCache::Options{
            .disk = std::make_shared<ThumbnailDiskCache>(folder.path()), .threads = 1});
        ThumbnailProvider provider(cache);
        provider.image(id, file, 64, digest);
        QTRY_VERIFY_WITH_TIMEOUT(provider.isReady(id, 64), 10000);
        QCOMPARE(cache.stats().decoded, std::size_t{0});
        QCOMPARE(cache.stats().previews, std::size_t{0});
        QCOMPARE(provider.image(id, file, 64, digest).size(), QSize(64, 40));
    }

    void aProviderGoneWithRequestsInFlightIsNeverCalled() {
        // One thread and many requests: far more work than can finish before the provider goes,
        // even on a loaded machine.
        ThumbnailCache cache(ThumbnailCache::Options{.threads = 1});
        const Bytes bytes = testing::fixtureBytes("orient-6.jpg");
        {
            ThumbnailProvider provider(cache);
            for (std::uint8_t n = 10; n < 210; ++n)
                provider.image(testing::fixedUuid(n), bytes, 512);
        }
        // Answers still arriving must find nobody to call; wait until the pool has gone quiet.
        std::size_t decoded = cache.stats().decoded;
        for (int quiet = 0, rounds = 0; quiet < 4 && rounds < 200; ++rounds) {
            QTest::qWait(50);
            const std::size_t now = cache.stats().decoded;
            quiet = now == decoded ? quiet + 1 : 0;
            decoded = now;
        }
        QVERIFY(decoded < 200);  // requests not yet started were abandoned
    }
};

MOSAVELLE_APP_TEST_MAIN(PreviewWorkspaceTest)
#include "preview_workspace_test.moc"
