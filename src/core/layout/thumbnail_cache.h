#pragma once

#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>

#include "core/import/rgba_image.h"
#include "core/platform/bytes.h"
#include "core/platform/uuid.h"

namespace mosavelle {

// Downscaled, upright pictures for drawing, made once per picture and size and handed back on
// later requests. A picture's bytes never change for a given identifier, so an entry never goes
// stale; entries leave only when the cache grows past its memory budget, least recently used
// first, and are made again on the next request.
//
// Thread-safe: any number of threads may call `thumbnail` at once. Decoding happens outside the
// lock, so a slow decode never blocks requests for other thumbnails; two simultaneous requests
// for one key may both decode, and both get the image that was stored first.
class ThumbnailCache {
public:
    static constexpr std::size_t defaultMemoryBudget = std::size_t{256} << 20;  // bytes

    explicit ThumbnailCache(std::size_t memoryBudgetBytes = defaultMemoryBudget);
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    // The one cache of the application, made on first use.
    static ThumbnailCache& shared();

    // The cache key: the identifier's upper-case text, a colon, and the size in decimal
    // ("…-3C4D:512").
    static std::string key(const Uuid& imageID, int maxPixelSize);

    // The picture `bytes` (stored under `imageID`) scaled so that its longer side is at most
    // max(`maxPixelSize`, 1) pixels, upright, as 8-bit RGBA. Repeated requests return the same
    // image object while it stays cached. Absent when the bytes are not a decodable picture;
    // nothing is stored then, so a later request tries again.
    std::shared_ptr<const RgbaImage> thumbnail(const Uuid& imageID, const Bytes& bytes,
                                               int maxPixelSize);

    // For each picture, the sizes that have been made for it (evicted ones included).
    std::map<Uuid, std::set<int>> sizesByID() const;

    // Number of cached thumbnails and the pixel bytes they hold (at most the budget).
    std::size_t count() const;
    std::size_t memoryUsed() const;

private:
    struct Entry {
        std::string key;
        std::shared_ptr<const RgbaImage> image;
        std::size_t cost = 0;
    };
    using Recency = std::list<Entry>;  // most recently used first

    void evictOverBudget();

    const std::size_t budget_;
    mutable std::mutex mutex_;
    Recency recency_;
    std::unordered_map<std::string, Recency::iterator> entries_;
    std::map<Uuid, std::set<int>> sizesByID_;
    std::size_t used_ = 0;
};

}  // namespace mosavelle
