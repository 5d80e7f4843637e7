#include "core/layout/thumbnail_cache.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <unordered_set>

#include "core/import/image_decoding.h"
#include "core/import/import_plan.h"
#include "core/layout/thumbnail_disk_cache.h"
#include "core/platform/sha256.h"

namespace mosavelle {

namespace {

// Cost of an entry: its pixels plus a fixed allowance for the bookkeeping around them.
std::size_t costOf(const PremultipliedImage& image, const std::string& key) {
    return image.pixels.size() + sizeof(PremultipliedImage) + key.size() + 64;
}

ThumbnailImage decodeAt(const Bytes& bytes, int size) {
    auto decoded = decodeThumbnail(bytes, size);
    if (!decoded)
        return nullptr;
    return std::make_shared<const PremultipliedImage>(premultiplied(*decoded));
}

// The picture is read only for the decode and let go right after it.
ThumbnailImage decodeAt(const StoredBytes& stored, int size) {
    auto bytes = stored.read();
    return bytes ? decodeAt(*bytes, size) : nullptr;
}

// Pool threads yield to every other thread of the process (an export, the interface): thumbnails
// are only ever waited for by a view that already shows a placeholder.
void lowerThisThreadsPriority() {
    // On Linux the nice value belongs to the thread, not the process.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
}

}  // namespace

struct ThumbnailCache::Waiter {
    std::uint64_t generation = 0;
    Executor executor;
    Callback callback;
};

// The cancelled generations, shared with the tasks handed to executors so that a task checks
// them when it runs, even after the cache is gone. A few bytes per cancelled generation.
struct ThumbnailCache::Cancellations {
    std::mutex mutex;
    std::unordered_set<std::uint64_t> generations;

    bool contains(std::uint64_t generation) {
        std::lock_guard lock(mutex);
        return generations.contains(generation);
    }
};

void ThumbnailCache::deliver(const std::shared_ptr<Waiter>& waiter, ThumbnailImage image) const {
    waiter->executor([cancellations = cancellations_, waiter, image = std::move(image)] {
        if (!cancellations->contains(waiter->generation))
            waiter->callback(image);
    });
}

int thumbnailBucket(int pixelSize) {
    for (int bucket : thumbnailBuckets) {
        if (pixelSize <= bucket)
            return bucket;
    }
    return thumbnailBuckets.back();
}

ThumbnailCache::ThumbnailCache(std::size_t memoryBudgetBytes)
    : ThumbnailCache(Options{memoryBudgetBytes}) {}

ThumbnailCache::ThumbnailCache(Options options)
    : budget_(options.memoryBudget),
      disk_(std::move(options.disk)),
      threadCount_(options.threads > 0
                       ? options.threads
                       : std::max(1, static_cast<int>(std::thread::hardware_concurrency()))),
      lowPriority_(options.lowPriority),
      cancellations_(std::make_shared<Cancellations>()) {}

ThumbnailCache::~ThumbnailCache() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& thread : pool_)
        thread.join();
}

ThumbnailCache& ThumbnailCache::shared() {
    // The destructor of this cache runs at exit and still files pending disk writes, each checked
    // against its digest. The digest library cleans itself up at exit too, in the reverse order
    // of its first use: using it once before the cache exists makes its cleanup run after the
    // cache's destructor instead of under the feet of the writing pool threads.
    static const bool digestReady = !sha256Hex(Bytes{}).empty();
    (void)digestReady;
    static ThumbnailCache cache(
        Options{.disk = std::make_shared<ThumbnailDiskCache>(ThumbnailDiskCache::defaultFolder())});
    return cache;
}

std::function<void(const std::string&, const RgbaImage&)> keepImportMiniatures(
    std::shared_ptr<ThumbnailDiskCache> disk) {
    // The miniature is exactly what a request for this bucket decodes, so it is filed as one.
    static_assert(std::ranges::find(thumbnailBuckets, importCheckThumbnailSize) !=
                  thumbnailBuckets.end());
    return [disk = std::move(disk)](const std::string& sha256, const RgbaImage& miniature) {
        if (disk)
            disk->store(sha256, importCheckThumbnailSize, premultiplied(miniature));
    };
}

std::string ThumbnailCache::key(const Uuid& imageID, int maxPixelSize) {
    return imageID.text() + ":" + std::to_string(std::max(maxPixelSize, 1));
}

ThumbnailImage ThumbnailCache::findLocked(const std::string& entryKey) const {
    auto found = entries_.find(entryKey);
    if (found == entries_.end())
        return nullptr;
    recency_.splice(recency_.begin(), recency_, found->second);
    return found->second->image;
}

ThumbnailImage ThumbnailCache::storeLocked(const Uuid& pictureID, int size, ThumbnailImage image) {
    const std::string entryKey = key(pictureID, size);
    sizesByID_[pictureID].insert(size);
    if (auto existing = findLocked(entryKey))
        return existing;  // made meanwhile by another thread: keep one object per key
    const std::size_t cost = costOf(*image, entryKey);
    if (cost > budget_)
        return image;  // would evict everything and still not fit: hand it out uncached
    recency_.push_front(Entry{entryKey, pictureID, image, cost});
    entries_.emplace(entryKey, recency_.begin());
    used_ += cost;
    evictOverBudget();
    return image;
}

ThumbnailImage ThumbnailCache::thumbnail(const Uuid& imageID, const StoredBytes& bytes,
                                         int maxPixelSize) {
    const int size = std::max(maxPixelSize, 1);
    {
        std::lock_guard lock(mutex_);
        if (auto found = findLocked(key(imageID, size)))
            return found;
    }
    // Decoding happens outside the lock, so a slow decode never blocks other requests.
    auto image = decodeAt(bytes, size);
    std::lock_guard lock(mutex_);
    ++stats_.decoded;
    if (!image)
        return nullptr;
    return storeLocked(imageID, size, std::move(image));
}

void ThumbnailCache::request(Request request, Executor executor, Callback done) {
    const int bucket = thumbnailBucket(request.pixelSize);
    const std::string entryKey = key(request.pictureID, bucket);
    if (request.generation != 0 && cancellations_->contains(request.generation))
        return;
    auto waiter = std::make_shared<Waiter>();
    waiter->generation = request.generation;
    waiter->executor = std::move(executor);
    waiter->callback = std::move(done);

    std::unique_lock lock(mutex_);
    if (auto found = findLocked(entryKey)) {
        lock.unlock();
        deliver(waiter, std::move(found));
        return;
    }
    auto [job, isNew] = jobs_.try_emplace(entryKey);
    job->second.waiters.push_back(std::move(waiter));
    if (!isNew)
        return;
    job->second.pictureID = request.pictureID;
    job->second.bucket = bucket;
    job->second.bytes = std::move(request.bytes);
    job->second.sha256 = std::move(request.sha256);
    queue_.push_back(entryKey);
    startPoolLocked();
    lock.unlock();
    wake_.notify_one();
}

std::uint64_t ThumbnailCache::newGeneration() {
    std::lock_guard lock(mutex_);
    return ++lastGeneration_;
}

void ThumbnailCache::cancel(std::uint64_t generation) {
    if (generation == 0)
        return;
    {
        std::lock_guard lock(cancellations_->mutex);
        cancellations_->generations.insert(generation);
    }
    std::lock_guard lock(mutex_);
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        auto& waiters = it->second.waiters;
        std::erase_if(waiters, [generation](const std::shared_ptr<Waiter>& waiter) {
            return waiter->generation == generation;
        });
        // A job left in the queue without its map entry is skipped by the pool.
        if (waiters.empty() && !it->second.started)
            it = jobs_.erase(it);
        else
            ++it;
    }
}

ThumbnailImage ThumbnailCache::cached(const Uuid& pictureID, int pixelSize) const {
    std::lock_guard lock(mutex_);
    return findLocked(key(pictureID, thumbnailBucket(pixelSize)));
}

ThumbnailImage ThumbnailCache::bestCached(const Uuid& pictureID, int pixelSize) const {
    const int bucket = thumbnailBucket(pixelSize);
    std::lock_guard lock(mutex_);
    for (auto it = thumbnailBuckets.rbegin(); it != thumbnailBuckets.rend(); ++it) {
        if (*it > bucket)
            continue;
        if (auto found = findLocked(key(pictureID, *it)))
            return found;
    }
    return nullptr;
}

void ThumbnailCache::drop(const std::vector<Uuid>& pictureIDs) {
    const std::set<Uuid> gone(pictureIDs.begin(), pictureIDs.end());
    std::lock_guard lock(mutex_);
    for (auto it = recency_.begin(); it != recency_.end();) {
        if (gone.contains(it->pictureID)) {
            used_ -= it->cost;
            entries_.erase(it->key);
            it = recency_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        if (!gone.contains(it->second.pictureID)) {
            ++it;
        } else if (it->second.started) {
            it->second.dropped = true;
            ++it;
        } else {
            it = jobs_.erase(it);
        }
    }
}

void ThumbnailCache::evictOverBudget() {
    while (used_ > budget_ && !recency_.empty()) {
        const Entry& oldest = recency_.back();
        used_ -= oldest.cost;
        entries_.erase(oldest.key);
        recency_.pop_back();
    }
}

void ThumbnailCache::startPoolLocked() {
    if (!pool_.empty())
        return;
    for (int i = 0; i < threadCount_; ++i)
        pool_.emplace_back([this] { work(); });
}

ThumbnailImage ThumbnailCache::make(const Job& job, bool& fromDisk, bool& mayKeepOnDisk) {
    fromDisk = false;
    mayKeepOnDisk = false;
    const bool filed = disk_ && ThumbnailDiskCache::isKey(job.sha256);
    if (filed) {
        if (auto kept = disk_->load(job.sha256, job.bucket)) {
            fromDisk = true;
            std::lock_guard lock(mutex_);
            ++stats_.fromDisk;
            return std::make_shared<const PremultipliedImage>(std::move(*kept));
        }
    }
    auto bytes = job.bytes.read();
    ThumbnailImage image = bytes ? decodeAt(*bytes, job.bucket) : nullptr;
    if (image && filed) {
        // The key is taken from the document, which may be damaged or hostile: a thumbnail is
        // only ever filed under the digest of the bytes it was made from, so no other deck can
        // be shown a wrong miniature through it. A file of ours keeps the digest computed when
        // it was copied in; anything else is hashed from the bytes just decoded.
        const std::string* known = job.bytes.isOwnedFile() ? job.bytes.knownDigest() : nullptr;
        mayKeepOnDisk = known != nullptr ? *known == job.sha256 : sha256Hex(*bytes) == job.sha256;
    }
    std::lock_guard lock(mutex_);
    ++stats_.decoded;
    return image;
}

void ThumbnailCache::work() {
    if (lowPriority_)
        lowerThisThreadsPriority();
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty() || !writes_.empty(); });
        if (queue_.empty() || stopping_) {
            // Disk writes wait until no decode is asked for: showing the thumbnails comes first.
            if (writes_.empty())
                return;  // stopping, with nothing left to write
            PendingWrite write = std::move(writes_.front());
            writes_.pop_front();
            lock.unlock();
            disk_->store(write.job.sha256, write.job.bucket, *write.image);
            lock.lock();
            continue;
        }
        const std::string entryKey = std::move(queue_.front());
        queue_.pop_front();
        auto found = jobs_.find(entryKey);
        if (found == jobs_.end() || found->second.started)
            continue;  // cancelled or dropped before it started
        // The job stays listed while it runs, so that new requests for its key join it.
        found->second.started = true;
        Job running;  // what the decode needs, readable without the lock
        running.pictureID = found->second.pictureID;
        running.bucket = found->second.bucket;
        running.bytes = found->second.bytes;
        running.sha256 = found->second.sha256;
        lock.unlock();
        bool fromDisk = false;
        bool mayKeepOnDisk = false;
        ThumbnailImage image = make(running, fromDisk, mayKeepOnDisk);
        lock.lock();

        found = jobs_.find(entryKey);
        std::vector<std::shared_ptr<Waiter>> waiters = std::move(found->second.waiters);
        if (image && !found->second.dropped)
            image = storeLocked(found->second.pictureID, found->second.bucket, image);
        jobs_.erase(found);
        if (image && !fromDisk && mayKeepOnDisk)
            writes_.push_back(PendingWrite{std::move(running), image});
        lock.unlock();
        for (const auto& waiter : waiters)
            deliver(waiter, image);
        lock.lock();
    }
}

std::map<Uuid, std::set<int>> ThumbnailCache::sizesByID() const {
    std::lock_guard lock(mutex_);
    return sizesByID_;
}

ThumbnailCache::Stats ThumbnailCache::stats() const {
    std::lock_guard lock(mutex_);
    return stats_;
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
