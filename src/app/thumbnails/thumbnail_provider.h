#pragma once

#include <QImage>
#include <QObject>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/support/background_job.h"
#include "core/layout/thumbnail_cache.h"
#include "core/model/package.h"
#include "core/model/project.h"
#include "core/platform/bytes.h"
#include "core/platform/uuid.h"

namespace mosavelle::app {

// Pictures for painting, as QImages, from the core's asynchronous thumbnail cache. `image` never
// decodes on the calling (interface) thread: it answers with the best image already in memory
// and, when that is not the size asked for, asks the cache's pool for it; `thumbnailReady` then
// tells every view to repaint. Sizes are rounded up to the cache's buckets so that resizing a
// window does not make new thumbnails.
//
// The QImages share the cache's pixels (no copy, no conversion), so memory is bounded by the
// cache's budget plus whatever images views still hold. Interface thread only. The application
// object owns one, made after and gone before the QApplication, and hands it to every document.
class ThumbnailProvider : public QObject {
    Q_OBJECT
public:
    // How long a bucket that failed to decode is not asked for again. Views paint often, and a
    // picture that does not decode must not be decoded on every paint; but a failure may pass
    // (the stored file briefly unreadable, memory short), and must not leave a smaller stand-in
    // shown for good.
    static constexpr std::chrono::milliseconds defaultRetryDelay = std::chrono::seconds(30);

    explicit ThumbnailProvider(ThumbnailCache& cache = ThumbnailCache::shared(),
                               QObject* parent = nullptr,
                               std::chrono::milliseconds retryDelay = defaultRetryDelay);
    ~ThumbnailProvider() override;

    // The bucket a request for `pixelSize` pixels (longer side) is served from.
    static int bucketFor(int pixelSize);

    // The best image of `pictureID` for a longer side of `pixelSize` device pixels: the bucket's
    // image when it is in memory, else the largest smaller one (null when none). A missing bucket
    // is requested from `bytes` unless it is being made or failed to decode less than the retry
    // delay ago. With the picture's `sha256` (its SourceImage field) the disk cache is used, so a
    // reopened deck shows its miniatures without decoding.
    QImage image(const Uuid& pictureID, const StoredBytes& bytes, int pixelSize,
                 const std::string& sha256 = {});
    // The same for a picture of a deck: its bytes in `pictures` and its digest in `project`.
    // Null when no bytes are stored for it.
    QImage image(const Project& project, const ImageDataMap& pictures, const Uuid& pictureID,
                 int pixelSize);

    // The core cache the images come from; an import files its miniatures in its disk cache.
    ThumbnailCache& cache() const { return cache_; }

    // Whether the bucket for `pixelSize` is in memory (tests and benchmarks).
    bool isReady(const Uuid& pictureID, int pixelSize) const;

    // Forgets these pictures (they left their document): their images leave memory and their
    // pending requests are abandoned.
    void dropPictures(const std::vector<Uuid>& pictureIDs);

Q_SIGNALS:
    void thumbnailReady(const mosavelle::Uuid& pictureID);

private:
    void deliver(const Uuid& pictureID, int bucket, ThumbnailImage image);
    static QImage wrap(ThumbnailImage image);
    bool failedLately(const Uuid& pictureID, int bucket) const;

    ThumbnailCache& cache_;
    InterfacePost post_;              // closed on destruction; pool threads post through it
    const std::uint64_t generation_;  // of every request this provider makes
    std::map<Uuid, std::set<int>> inFlight_;
    const std::chrono::milliseconds retryDelay_;
    // When each bucket of a picture last failed to decode.
    std::map<Uuid, std::map<int, std::chrono::steady_clock::time_point>> failed_;
};

}  // namespace mosavelle::app
