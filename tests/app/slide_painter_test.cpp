#include "app/preview/slide_painter.h"

#include <QPainter>

#include "app/thumbnails/thumbnail_provider.h"
#include "app_test_support.h"
#include "core/layout/rendered_slide.h"

namespace {

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

// Paints slides of every layout, page size and picture mode into an image and checks the
// pixels against the frames the layout reports: the preview must show what is exported.
class SlidePainterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
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
};

MOSAVELLE_APP_TEST_MAIN(SlidePainterTest)
#include "slide_painter_test.moc"
