#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>

#include "core/platform/bytes.h"
#include "core/platform/uuid.h"

namespace mosavelle::app {

// Pictures for painting, as QImages, from the core's thumbnail cache. `image` never decodes on
// the calling (interface) thread: it answers with the best image already made for the picture
// and, when that is smaller than asked, starts a decode in the background; `thumbnailReady` then
// tells every view to repaint. Sizes are rounded up to a few buckets so that resizing a window
// does not make new thumbnails. Interface thread only.
class ThumbnailProvider : public QObject {
    Q_OBJECT
public:
    static ThumbnailProvider& shared();

    // The bucket a request for `pixelSize` pixels (longer side) is served from.
    static int bucketFor(int pixelSize);

    // The best image of `pictureID` for a longer side of `pixelSize` device pixels: the bucket's
    // image when it is ready, else the largest smaller one already made (null when none). A
    // missing bucket is requested from `bytes` unless it is being made or failed to decode.
    QImage image(const Uuid& pictureID, const Bytes& bytes, int pixelSize);

    // Whether the bucket for `pixelSize` is ready (tests and benchmarks).
    bool isReady(const Uuid& pictureID, int pixelSize) const;

Q_SIGNALS:
    void thumbnailReady(const mosavelle::Uuid& pictureID);

private:
    static QString key(const Uuid& pictureID, int bucket);
    void deliver(const Uuid& pictureID, int bucket, QImage image);

    QHash<QString, QImage> ready_;
    QSet<QString> inFlight_;
    QSet<QString> failed_;
};

}  // namespace mosavelle::app
