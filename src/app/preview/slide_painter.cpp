#include "app/preview/slide_painter.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFont>
#include <QIcon>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "app/thumbnails/thumbnail_provider.h"
#include "core/layout/geometry.h"
#include "core/layout/text_layout.h"

namespace mosavelle::app {

namespace {

constexpr double pointsPerInch = 72.0;

QColor toQColor(const RGBAColor& c) {
    const auto unit = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; };
    return QColor::fromRgbF(float(unit(c.red)), float(unit(c.green)), float(unit(c.blue)),
                            float(unit(c.alpha)));
}

QRectF toCanvas(const InchRect& r, const SlidePaintOptions& o) {
    const double k = pointsPerInch * o.scale;
    return {o.origin.x() + r.x * k, o.origin.y() + r.y * k, r.width * k, r.height * k};
}

// Font sizes are canvas points; Qt point sizes are converted with the device's logical dpi, so
// the size is set through the pixel equivalent.
QFont fontOfCanvasSize(QFont font, double canvasPoints, const QPainter& painter) {
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 96;
    font.setPointSizeF(std::max(canvasPoints, 0.1) * 72.0 / std::max(dpi, 1));
    return font;
}

QColor secondaryColor() {
    return QApplication::palette().color(QPalette::PlaceholderText);
}

// A stable identifier for the logo bytes, so that the thumbnail provider can cache its image.
// The bytes buffer is immutable and shared, so it is hashed once per buffer.
Uuid logoIdentifier(const Bytes& bytes) {
    static const std::uint8_t* lastData = nullptr;
    static std::size_t lastSize = 0;
    static Uuid lastID;
    if (bytes.data() != lastData || bytes.size() != lastSize) {
        const QByteArray digest = QCryptographicHash::hash(
            QByteArrayView(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())),
            QCryptographicHash::Md5);
        std::array<std::uint8_t, 16> raw{};
        std::copy_n(reinterpret_cast<const std::uint8_t*>(digest.constData()), 16, raw.begin());
        lastID = Uuid(raw);
        lastData = bytes.data();
        lastSize = bytes.size();
    }
    return lastID;
}

void drawPlaceholder(QPainter& painter, const QRectF& rect, bool withSymbol) {
    QColor fill = secondaryColor();
    fill.setAlphaF(0.15f);
    painter.fillRect(rect, fill);
    if (!withSymbol)
        return;
    const double side = std::min({rect.width(), rect.height(), 48.0}) * 0.6;
    if (side < 4)
        return;
    const QRectF symbol(rect.center().x() - side / 2, rect.center().y() - side * 0.4, side,
                        side * 0.8);
    QPen pen(secondaryColor(), std::max(1.0, side / 16));
    painter.save();
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(symbol, side / 10, side / 10);
    // A mountain and a sun: the usual photo symbol.
    QPolygonF mountain;
    mountain << QPointF(symbol.left() + side * 0.1, symbol.bottom() - side * 0.1)
             << QPointF(symbol.left() + side * 0.4, symbol.top() + side * 0.35)
             << QPointF(symbol.left() + side * 0.6, symbol.top() + side * 0.55)
             << QPointF(symbol.left() + side * 0.7, symbol.top() + side * 0.45)
             << QPointF(symbol.right() - side * 0.1, symbol.bottom() - side * 0.1);
    painter.drawPolyline(mountain);
    painter.drawEllipse(QPointF(symbol.right() - side * 0.25, symbol.top() + side * 0.22),
                        side * 0.08, side * 0.08);
    painter.restore();
}

// The source part left after cutting the crop fractions away.
QRectF croppedSource(const QImage& image, const SourceCrop& crop) {
    const auto share = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; };
    const double w = image.width(), h = image.height();
    const double left = share(crop.left), right = share(crop.right);
    const double top = share(crop.top), bottom = share(crop.bottom);
    const double sw = std::max(w * (1 - left - right), 1.0);
    const double sh = std::max(h * (1 - top - bottom), 1.0);
    return {w * left, h * top, std::min(sw, w), std::min(sh, h)};
}

void drawPicture(QPainter& painter, const QImage& image, const QRectF& target,
                 const PictureFrame& frame) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (frame.rotationDegrees != 0 && std::isfinite(frame.rotationDegrees)) {
        painter.translate(target.center());
        painter.rotate(frame.rotationDegrees);
        painter.translate(-target.center());
    } else {
        painter.setClipRect(target, Qt::IntersectClip);
    }
    painter.drawImage(target, image, croppedSource(image, frame.crop));
    painter.restore();
}

// The font a text style is measured in, drawn unhinted so that glyphs keep the advances the
// lines were broken with. Qt finds the family through the same font configuration.
QFont deckFont(const TextStyle& style, double canvasPoints, const QPainter& painter) {
    const std::string family = resolvedFontFamily(style);
    QFont font(QString::fromStdString(family.empty() ? style.fontName : family));
    font.setBold(style.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);  // as the text is measured and exported: no pair kerning
    return fontOfCanvasSize(font, canvasPoints, painter);
}

enum class Vertical { top, centre };

constexpr double textMagnification = 16;

// Draws `text` as the core lays it out in `frame` (no clipping: a text taller than its box runs
// on below it, as in presentation programs). Without a font to measure with, Qt wraps it.
void drawLaidOutText(QPainter& painter, const std::string& text, const TextStyle& style,
                     const InchRect& frame, CaptionAlignment alignment, Vertical vertical,
                     const SlidePaintOptions& o) {
    painter.setFont(deckFont(style, style.points * o.scale, painter));
    const QRectF box = toCanvas(frame, o);
    const TextLayout layout = layOutText(text, style, frame.width);
    if (!layout.measured) {
        Qt::Alignment flags = alignment == CaptionAlignment::center     ? Qt::AlignHCenter
                              : alignment == CaptionAlignment::trailing ? Qt::AlignRight
                                                                        : Qt::AlignLeft;
        flags |= vertical == Vertical::centre ? Qt::AlignVCenter : Qt::AlignTop;
        painter.drawText(box, int(flags | Qt::TextWordWrap | Qt::TextDontClip),
                         QString::fromStdString(text));
        return;
    }
    const double k = pointsPerInch * o.scale;
    const QFont magnified = deckFont(style, style.points * o.scale * textMagnification, painter);
    const double height = double(layout.lines.size()) * layout.lineHeight;
    const double top = vertical == Vertical::centre ? (frame.height - height) / 2 : 0.0;
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        const TextLine& line = layout.lines[i];
        double x = 0;
        if (alignment == CaptionAlignment::center)
            x = (frame.width - line.width) / 2;
        else if (alignment == CaptionAlignment::trailing)
            x = frame.width - line.width;
        const double baseline = top + double(i) * layout.lineHeight + layout.ascent;
        // Drawn at a magnified size and scaled back: glyph advances are rounded to whole pixels
        // of the size drawn at, so the line keeps the width it was measured with.
        painter.save();
        painter.translate(box.left() + x * k, box.top() + baseline * k);
        painter.scale(1 / textMagnification, 1 / textMagnification);
        painter.setFont(magnified);
        painter.drawText(QPointF(0, 0), QString::fromUtf8(text.data() + line.begin,
                                                          qsizetype(line.end - line.begin)));
        painter.restore();
    }
}

void drawText(QPainter& painter, const TextFrame& text, const Typography& typography,
              const SlidePaintOptions& o) {
    if (!text.text.empty()) {
        painter.setPen(toQColor(text.color));  // the deck's colour, or a readable one
        const TextStyle style{typography.fontName, text.isTitle && typography.titleBold,
                              text.fontPoints};
        drawLaidOutText(painter, text.text, style, text.frame,
                        text.isTitle ? CaptionAlignment::leading : text.alignment, Vertical::top,
                        o);
    }
    if (text.overflows && o.showsOverflow) {
        painter.save();
        painter.setPen(QPen(QColor(255, 149, 0), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(toCanvas(text.frame, o));
        painter.restore();
    }
}

}  // namespace

QSizeF slideCanvasSize(SlideSizePreset size, double scale) {
    const PageSize page = pageSize(size);
    return {page.width * pointsPerInch * scale, page.height * pointsPerInch * scale};
}

int thumbnailPixelSize(double width, double height, double devicePixelRatio) {
    const double b = devicePixelRatio > 1 ? devicePixelRatio : 1.0;
    const double n = std::ceil(std::max(width, height) * b);
    if (!std::isfinite(n))
        return 1;
    return int(std::clamp(n, 1.0, 1.0e6));
}

std::optional<std::size_t> displayIndexOfSlide(const Project& project, const Uuid& slideID) {
    std::size_t included = 0;
    for (std::size_t i = 0; i < project.slides.size(); ++i) {
        const Slide& slide = project.slides[i];
        if (slide.id == slideID)
            return slide.isExcluded ? i : included;
        if (!slide.isExcluded)
            ++included;
    }
    return std::nullopt;
}

bool pictureIsDrawable(const MosavelleDocument& document, const PictureFrame& frame) {
    const SourceImage* image = document.project().sourceImage(frame.imageID);
    return image && !image->importError && document.imageData().count(frame.imageID) > 0;
}

void paintRenderedSlide(QPainter& painter, const RenderedSlide& rendered,
                        const MosavelleDocument& document, ThumbnailProvider& thumbnails,
                        const SlidePaintOptions& options) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QRectF canvas(options.origin, slideCanvasSize(rendered.size, options.scale));
    painter.setClipRect(canvas, Qt::IntersectClip);
    painter.fillRect(canvas, toQColor(rendered.background));

    for (const PictureFrame& frame : rendered.pictures) {
        const QRectF target = toCanvas(frame.frame, options);
        if (!pictureIsDrawable(document, frame)) {
            drawPlaceholder(painter, target, true);
            continue;
        }
        // The whole source is asked for at the size of the visible part's frame, so a cropped
        // picture is still sharp.
        const auto& crop = frame.crop;
        const double visibleW = std::max(1.0 - crop.left - crop.right, 0.01);
        const double visibleH = std::max(1.0 - crop.top - crop.bottom, 0.01);
        const int pixels = thumbnailPixelSize(target.width() / visibleW, target.height() / visibleH,
                                              options.devicePixelRatio);
        const QImage image =
            thumbnails.image(document.project(), document.imageData(), frame.imageID, pixels);
        if (image.isNull())
            drawPlaceholder(painter, target, false);  // being made: no "missing" symbol
        else
            drawPicture(painter, image, target, frame);
    }

    // The logo lies under the texts, as the exported slide stacks it, fitted in its corner.
    const AppearanceSettings& appearance = document.project().appearance;
    if (rendered.logo && document.logoData() && !document.logoData()->empty()) {
        const QRectF box = toCanvas(rendered.logo->frame, options);
        const Bytes& bytes = *document.logoData();
        const QImage logo = thumbnails.image(
            logoIdentifier(bytes), bytes,
            thumbnailPixelSize(box.width(), box.height(), options.devicePixelRatio));
        if (!logo.isNull()) {
            const QRectF target =
                toCanvas(fittedLogoFrame(rendered.logo->frame, appearance.branding.logoPosition,
                                         logo.width(), logo.height()),
                         options);
            painter.save();
            painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            painter.drawImage(target, logo);
            painter.restore();
        }
    }

    for (const TextFrame& text : rendered.texts)
        drawText(painter, text, appearance.typography, options);

    if (rendered.slideNumber && rendered.numberFrame) {
        painter.setPen(toQColor(rendered.numberColor));
        drawLaidOutText(painter, *rendered.slideNumber,
                        TextStyle{appearance.typography.fontName, false, geometry::numberPoints},
                        *rendered.numberFrame, CaptionAlignment::center, Vertical::centre, options);
    }
    painter.restore();
}

}  // namespace mosavelle::app
