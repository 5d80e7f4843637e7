#include "app/thumbnails/thumbnail_provider.h"

#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>
#include <array>

#include "core/layout/thumbnail_cache.h"

namespace mosavelle::app {

namespace {

constexpr std::array<int, 5> buckets{128, 256, 512, 1024, 2048};

QImage toQImage(const PremultipliedImage& pixels) {
    QImage image(pixels.pixels.data(), pixels.width, pixels.height,
                 static_cast<qsizetype>(pixels.bytesPerLine()),
                 QImage::Format_ARGB32_Premultiplied);
    return image.copy();
}

}  // namespace

ThumbnailProvider& ThumbnailProvider::shared() {
    static ThumbnailProvider provider;
    return provider;
}

int ThumbnailProvider::bucketFor(int pixelSize) {
    for (int bucket : buckets)
        if (pixelSize <= bucket)
            return bucket;
    return buckets.back();
}

QString ThumbnailProvider::key(const Uuid& pictureID, int bucket) {
    return QString::fromStdString(pictureID.text()) + QLatin1Char(':') + QString::number(bucket);
}

bool ThumbnailProvider::isReady(const Uuid& pictureID, int pixelSize) const {
    return ready_.contains(key(pictureID, bucketFor(pixelSize)));
}

QImage ThumbnailProvider::image(const Uuid& pictureID, const Bytes& bytes, int pixelSize) {
    const int bucket = bucketFor(pixelSize);
    const QString wanted = key(pictureID, bucket);
    if (auto found = ready_.constFind(wanted); found != ready_.constEnd())
        return *found;

    if (!inFlight_.contains(wanted) && !failed_.contains(wanted)) {
        inFlight_.insert(wanted);
        QPointer<ThumbnailProvider> self(this);
        QThreadPool::globalInstance()->start([self, pictureID, bytes, bucket] {
            auto rgba = ThumbnailCache::shared().thumbnail(pictureID, bytes, bucket);
            QImage image = rgba ? toQImage(*rgba) : QImage();
            if (!self)
                return;
            QMetaObject::invokeMethod(
                self.data(),
                [self, pictureID, bucket, image] {
                    if (self)
                        self->deliver(pictureID, bucket, image);
                },
                Qt::QueuedConnection);
        });
    }
    // Meanwhile the largest smaller image already made.
    for (auto it = buckets.rbegin(); it != buckets.rend(); ++it) {
        if (*it >= bucket)
            continue;
        if (auto found = ready_.constFind(key(pictureID, *it)); found != ready_.constEnd())
            return *found;
    }
    return {};
}

void ThumbnailProvider::deliver(const Uuid& pictureID, int bucket, QImage image) {
    const QString done = key(pictureID, bucket);
    inFlight_.remove(done);
    if (image.isNull()) {
        failed_.insert(done);
        return;
    }
    ready_.insert(done, std::move(image));
    Q_EMIT thumbnailReady(pictureID);
}

}  // namespace mosavelle::app
