#include "core/layout/thumbnail_cache.h"

#include <algorithm>

#include "core/import/image_decoding.h"

namespace mosavelle {

ThumbnailCache::ThumbnailCache(std::size_t memoryBudgetBytes) : budget_(memoryBudgetBytes) {}

ThumbnailCache& ThumbnailCache::shared() {
    static ThumbnailCache cache;
    return cache;
}

std::string ThumbnailCache::key(const Uuid& imageID, int maxPixelSize) {
    return imageID.text() + ":" + std::to_string(std::max(maxPixelSize, 1));
}

std::shared_ptr<const RgbaImage> ThumbnailCache::thumbnail(const Uuid& imageID, const Bytes& bytes,
                                                           int maxPixelSize) {
    const int size = std::max(maxPixelSize, 1);
    const std::string entryKey = key(imageID, size);
    {
        std::lock_guard lock(mutex_);
        if (auto found = entries_.find(entryKey); found != entries_.end()) {
            recency_.splice(recency_.begin(), recency_, found->second);
            return found->second->image;
        }
    }

    auto decoded = decodeThumbnail(bytes, size);
    if (!decoded)
        return nullptr;
    auto image = std::make_shared<const RgbaImage>(std::move(*decoded));
    const std::size_t cost = image->pixels.size() + sizeof(RgbaImage) + entryKey.size();

    std::lock_guard lock(mutex_);
    sizesByID_[imageID].insert(size);
    if (auto found = entries_.find(entryKey); found != entries_.end()) {
        // Another thread made the same thumbnail meanwhile; keep one object per key.
        recency_.splice(recency_.begin(), recency_, found->second);
        return found->second->image;
    }
    if (cost > budget_)
        return image;  // would evict everything and still not fit: hand it out uncached
    recency_.push_front(Entry{entryKey, image, cost});
    entries_.emplace(entryKey, recency_.begin());
    used_ += cost;
    evictOverBudget();
    return image;
}

void ThumbnailCache::evictOverBudget() {
    while (used_ > budget_ && !recency_.empty()) {
        const Entry& oldest = recency_.back();
        used_ -= oldest.cost;
        entries_.erase(oldest.key);
        recency_.pop_back();
    }
}

std::map<Uuid, std::set<int>> ThumbnailCache::sizesByID() const {
    std::lock_guard lock(mutex_);
    return sizesByID_;
}

std::size_t ThumbnailCache::count() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

std::size_t ThumbnailCache::memoryUsed() const {
    std::lock_guard lock(mutex_);
    return used_;
}

}  // namespace mosavelle
