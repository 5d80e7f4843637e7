#pragma once

#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <optional>

#include "core/layout/rendered_slide.h"
#include "core/model/document.h"

class QPainter;

namespace mosavelle::app {

class ThumbnailProvider;

// Drawing of one laid-out slide with QPainter, shared by the preview workspace, the full-screen
// preview and miniatures. Canvas units are points: one inch of slide is 72 × scale points.
// Pictures come from ThumbnailProvider and are never decoded here; until the wanted size is
// ready the best smaller cached image is drawn, and the provider's `thumbnailReady` tells the
// owner to repaint.

// Size of the canvas of a slide page at `scale`: (page width × 72 × scale) by (540 × scale).
QSizeF slideCanvasSize(SlideSizePreset size, double scale);

// Pixels asked of the thumbnail cache for a picture drawn in a box of `width` by `height` points:
// max(1, ceil(max(width, height) × b)) with b = the device pixel ratio when above 1, else 1.
int thumbnailPixelSize(double width, double height, double devicePixelRatio);

// The index the preview numbers a slide with: its position among the included slides when it is
// included (as an export numbers it), else its position in the deck. Absent for an unknown id.
std::optional<std::size_t> displayIndexOfSlide(const Project& project, const Uuid& slideID);

// Whether the picture of `frame` can be drawn: its bytes are in the document and the project
// knows it without an import error.
bool pictureIsDrawable(const MosavelleDocument& document, const PictureFrame& frame);

struct SlidePaintOptions {
    double scale = 1.0;             // canvas points per slide point
    double devicePixelRatio = 1.0;  // of the paint device, for thumbnail sizes
    QPointF origin;                 // top-left corner of the canvas in painter coordinates
    bool showsOverflow = true;      // the orange border of an overflowing text (editing only)
};

// Paints `rendered` (a rendering of a slide of `document`) as presentation programs show the
// exported slide, bottom to top: background, pictures (filled into their frames, cropped and
// rotated as the rendering says) or the grey "Missing image" placeholder, the logo fitted in its
// corner, texts in the lines the core lays them out in (running on below a box they overflow),
// the slide number; and, with `showsOverflow`, the orange border of an overflowing text.
void paintRenderedSlide(QPainter& painter, const RenderedSlide& rendered,
                        const MosavelleDocument& document, ThumbnailProvider& thumbnails,
                        const SlidePaintOptions& options);

}  // namespace mosavelle::app
