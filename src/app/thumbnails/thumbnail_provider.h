#pragma once

#include <QImage>
#include <QObject>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
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
// Until a bucket is made, the picture's embedded preview (when the file carries one and the disk
// cache has no miniature) stands in for it. A view that scrolls tells the provider which pictures
// it shows and which lie just around them (`prefetch`): those are fetched first, and what it asked
// for before and no longer wants is abandoned.
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

    // A picture a view is about to paint, at a longer side of `pixelSize` device pixels.
    struct Wanted {
        Uuid pictureID;
        StoredBytes bytes;
        std::string sha256;  // the SourceImage field; empty when unknown
        int pixelSize = 0;
    };
    // The picture of a deck as wanted; nothing when no bytes are stored for it.
    static std::optional<Wanted> wanted(const Project& project, const ImageDataMap& pictures,
                                        const Uuid& pictureID, int pixelSize);

    // What `view` shows now (`visible`, served first) and what lies just around it (`around`,
    // served after everything else). Replaces what `view` asked for before: requests of its
    // earlier calls that are still waiting and not asked for again are abandoned. The view's
    // requests are abandoned when it is destroyed.
    void prefetch(const QObject* view, const std::vector<Wanted>& visible,
                  const std::vector<Wanted>& around);

    // Whether the bucket for `pixelSize` is in memory (tests and benchmarks).
    bool isReady(const Uuid& pictureID, int pixelSize) const;

    // Forgets these pictures (they left their document): their images leave memory and their
    // pending requests are abandoned.
    void dropPictures(const std::vector<Uuid>& pictureIDs);

Q_SIGNALS:
    void thumbnailReady(const mosavelle::Uuid& pictureID);

private:
    // Priorities of requests: what a view shows, what something paints, what lies around a view.
    static constexpr int visiblePriority = 2;
    static constexpr int paintPriority = 1;
    static constexpr int aroundPriority = 0;

    void send(const Wanted& wanted, int bucket, std::uint64_t generation, int priority);
    void deliver(const Uuid& pictureID, int bucket, ThumbnailImage image);
    static QImage wrap(ThumbnailImage image);
    bool failedLately(const Uuid& pictureID, int bucket) const;

    ThumbnailCache& cache_;
    InterfacePost post_;              // closed on destruction; pool threads post through it
    const std::uint64_t generation_;  // of every request this provider makes
    // The generation each requested bucket was last asked under.
    std::map<Uuid, std::map<int, std::uint64_t>> inFlight_;
    // The generation of each prefetching view's latest call.
    std::map<const QObject*, std::uint64_t> rounds_;
    const std::chrono::milliseconds retryDelay_;
    // When each bucket of a picture last failed to decode.
    std::map<Uuid, std::map<int, std::chrono::steady_clock::time_point>> failed_;
};

}  // namespace mosavelle::app
