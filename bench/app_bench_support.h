#pragma once

// Helpers of the benchmarks that run the desktop application's widgets (the core's are in
// bench_support.h, which has no Qt).

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

#include "core/platform/bytes.h"

namespace mosavelle::bench {

// A small picture of one colour, as PNG bytes: stored bytes for slides whose pictures only have
// to be there, not to look like photographs.
inline Bytes plainPng(int width = 320, int height = 200) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(QColor(90, 120, 160));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return Bytes(png.constData(), static_cast<std::size_t>(png.size()));
}

}  // namespace mosavelle::bench
