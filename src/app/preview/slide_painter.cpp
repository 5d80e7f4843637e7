#include "app/preview/slide_painter.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "app/thumbnails/thumbnail_provider.h"
#include "core/layout/geometry.h"

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

void drawText(QPainter& painter, const TextFrame& text, const Typography& typography,
              const SlidePaintOptions& o) {
    const QRectF box = toCanvas(text.frame, o);
    if (!text.text.empty()) {
        QFont font(QString::fromStdString(typography.fontName));
        font.setBold(text.isTitle && typography.titleBold);
        painter.setFont(fontOfCanvasSize(font, text.fontPoints * o.scale, painter));
        painter.setPen(toQColor(text.color));  // the deck's colour, or a readable one
        Qt::Alignment horizontal = Qt::AlignLeft;
        if (!text.isTitle) {
            if (text.alignment == CaptionAlignment::center)
                horizontal = Qt::AlignHCenter;
            if (text.alignment == CaptionAlignment::trailing)
                horizontal = Qt::AlignRight;
        }
        painter.drawText(box, int(horizontal | Qt::AlignTop | Qt::TextWordWrap),
                         QString::fromStdString(text.text));
    }
    if (text.overflows) {
        painter.save();
        painter.setPen(QPen(QColor(255, 149, 0), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box);
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

    const Typography& typography = document.project().appearance.typography;
    for (const TextFrame& text : rendered.texts)
        drawText(painter, text, typography, options);

    if (rendered.logo && document.logoData() && !document.logoData()->empty()) {
        const QRectF box = toCanvas(rendered.logo->frame, options);
        const Bytes& bytes = *document.logoData();
        const QImage logo = thumbnails.image(
            logoIdentifier(bytes), bytes,
            thumbnailPixelSize(box.width(), box.height(), options.devicePixelRatio));
        if (!logo.isNull()) {
            QSizeF fitted = QSizeF(logo.size()).scaled(box.size(), Qt::KeepAspectRatio);
            const QRectF target(box.center().x() - fitted.width() / 2,
                                box.center().y() - fitted.height() / 2, fitted.width(),
                                fitted.height());
            painter.save();
            painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            painter.drawImage(target, logo);
            painter.restore();
        }
    }

    if (rendered.slideNumber && rendered.numberFrame) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        painter.setFont(fontOfCanvasSize(font, 12 * options.scale, painter));
        painter.setPen(toQColor(rendered.numberColor));
        painter.drawText(toCanvas(*rendered.numberFrame, options), Qt::AlignCenter,
                         QString::fromStdString(*rendered.slideNumber));
    }
    painter.restore();
}

}  // namespace mosavelle::app
