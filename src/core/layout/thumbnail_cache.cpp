#include "core/layout/thumbnail_cache.h"

#include <algorithm>
#include <unordered_set>

#include "core/import/embedded_preview.h"
#include "core/import/image_decoding.h"
#include "core/import/import_plan.h"
#include "core/layout/thumbnail_disk_cache.h"
#include "core/platform/sha256.h"
#include "core/platform/thread_priority.h"

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

// `image` scaled down so that its longer side is at most `maxSide`: each pixel the mean of the
// pixels it covers (premultiplied words average correctly).
ThumbnailImage shrunk(const PremultipliedImage& image, int maxSide) {
    const PixelSize size = boundedSize({image.width, image.height}, maxSide);
    if (size.width == image.width && size.height == image.height)
        return std::make_shared<const PremultipliedImage>(image);
    PremultipliedImage out{size.width, size.height,
                           std::vector<std::uint8_t>(std::size_t(size.width) * size.height * 4)};
    for (int y = 0; y < size.height; ++y) {
        const int top = y * image.height / size.height;
        const int bottom = std::max(top + 1, (y + 1) * image.height / size.height);
        for (int x = 0; x < size.width; ++x) {
            const int left = x * image.width / size.width;
            const int right = std::max(left + 1, (x + 1) * image.width / size.width);
            std::array<unsigned, 4> sum{};
            for (int sy = top; sy < bottom; ++sy) {
                const std::uint8_t* row = image.pixels.data() + std::size_t(sy) * image.width * 4;
                for (int sx = left; sx < right; ++sx)
                    for (int c = 0; c < 4; ++c)
                        sum[c] += row[sx * 4 + c];
            }
            const unsigned count = unsigned(bottom - top) * unsigned(right - left);
            std::uint8_t* pixel = out.pixels.data() + (std::size_t(y) * size.width + x) * 4;
            for (int c = 0; c < 4; ++c)
                pixel[c] = static_cast<std::uint8_t>((sum[c] + count / 2) / count);
        }
    }
    return std::make_shared<const PremultipliedImage>(std::move(out));
}

std::string previewKey(const Uuid& pictureID) {
    return pictureID.text() + ":preview";
}

// Pool threads yield to every other thread of the process (an export, the interface): thumbnails
// are only ever waited for by a view that already shows a placeholder.
constexpr int poolNiceness = 19;

}  // namespace

struct ThumbnailCache::Waiter {
    std::uint64_t generation = 0;
    Executor executor;
    Callback callback;
    Callback preview;  // may be empty
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

void ThumbnailCache::deliverPreview(const std::shared_ptr<Waiter>& waiter,
                                    ThumbnailImage image) const {
    if (waiter->preview)
        waiter->executor([cancellations = cancellations_, waiter, image = std::move(image)] {
            if (!cancellations->contains(waiter->generation))
                waiter->preview(image);
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

void ThumbnailCache::enqueueLocked(const std::string& entryKey, Job& job) {
    job.ticket = ++lastTicket_;
    queue_.insert(Queued{job.decoding, job.priority, job.ticket, entryKey});
    if (!job.decoding)
        ++queuedLookUps_;
}

void ThumbnailCache::request(Request request, Executor executor, Callback done, Callback preview) {
    const int bucket = thumbnailBucket(request.pixelSize);
    const std::string entryKey = key(request.pictureID, bucket);
    if (request.generation != 0 && cancellations_->contains(request.generation))
        return;
    auto waiter = std::make_shared<Waiter>();
    waiter->generation = request.generation;
    waiter->executor = std::move(executor);
    waiter->callback = std::move(done);
    waiter->preview = std::move(preview);

    std::unique_lock lock(mutex_);
    if (auto found = findLocked(entryKey)) {
        lock.unlock();
        deliver(waiter, std::move(found));
        return;
    }
    auto [found, isNew] = jobs_.try_emplace(entryKey);
    Job& job = found->second;
    job.waiters.push_back(std::move(waiter));
    if (!isNew) {
        // Joining: a higher priority moves the job up (its older entry goes stale).
        if (request.priority > job.priority) {
            job.priority = request.priority;
            if (!job.started)
                enqueueLocked(entryKey, job);
        }
        return;
    }
    job.pictureID = request.pictureID;
    job.bucket = bucket;
    job.bytes = std::move(request.bytes);
    job.sha256 = std::move(request.sha256);
    job.priority = request.priority;
    enqueueLocked(entryKey, job);
    startPoolLocked();
    lock.unlock();
    wake_.notify_all();
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
    return findLocked(previewKey(pictureID));
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
        pool_.emplace_back([this] { work(false); });
    pool_.emplace_back([this] { work(true); });
}

ThumbnailImage ThumbnailCache::lookUp(const Job& job) {
    if (!disk_ || !ThumbnailDiskCache::isKey(job.sha256))
        return nullptr;
    for (int bucket : thumbnailBuckets) {
        if (bucket < job.bucket)
            continue;
        if (auto kept = disk_->load(job.sha256, bucket)) {
            std::lock_guard lock(mutex_);
            ++stats_.fromDisk;
            return bucket == job.bucket
                       ? std::make_shared<const PremultipliedImage>(std::move(*kept))
                       : shrunk(*kept, job.bucket);
        }
    }
    return nullptr;
}

ThumbnailImage ThumbnailCache::decode(const Job& job, bool& mayKeepOnDisk) {
    mayKeepOnDisk = false;
    auto bytes = job.bytes.read();
    ThumbnailImage image = bytes ? decodeAt(*bytes, job.bucket) : nullptr;
    if (image && disk_ && ThumbnailDiskCache::isKey(job.sha256)) {
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

void ThumbnailCache::work(bool lookUpOnly) {
    // Lookups are short and a view waits for them: only the decoding threads yield.
    if (lowPriority_ && !lookUpOnly)
        lowerThisThreadsPriority(poolNiceness);
    std::unique_lock lock(mutex_);
    if (lookUpOnly) {
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || queuedLookUps_ > 0; });
            if (stopping_)
                return;
            auto next = std::find_if(queue_.begin(), queue_.end(),
                                     [](const Queued& queued) { return !queued.decoding; });
            --queuedLookUps_;
            serve(lock, queue_.extract(next).value());
        }
    }
    // Decoding threads take only decodes: lookups stay in the order they were asked for.
    auto decodes = [this] { return queue_.size() > queuedLookUps_; };
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || decodes() || !writes_.empty(); });
        if (!decodes() || stopping_) {
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
        auto next = std::find_if(queue_.begin(), queue_.end(),
                                 [](const Queued& queued) { return queued.decoding; });
        serve(lock, queue_.extract(next).value());
    }
}

void ThumbnailCache::serve(std::unique_lock<std::mutex>& lock, Queued next) {
    auto found = jobs_.find(next.key);
    if (found == jobs_.end() || found->second.started || found->second.ticket != next.ticket)
        return;  // cancelled, dropped or moved up before it started
    // The job stays listed while it runs, so that new requests for its key join it.
    Job& listed = found->second;
    listed.started = true;
    Job running;  // what the work needs, readable without the lock
    running.pictureID = listed.pictureID;
    running.bucket = listed.bucket;
    running.bytes = listed.bytes;
    running.sha256 = listed.sha256;
    const bool decoding = listed.decoding;
    // A preview only stands in where the picture shows nothing yet.
    bool wantsPreview = !decoding && !listed.previewDone;
    if (wantsPreview) {
        wantsPreview = std::any_of(listed.waiters.begin(), listed.waiters.end(),
                                   [](const auto& waiter) { return bool(waiter->preview); });
        for (int bucket : thumbnailBuckets)
            wantsPreview = wantsPreview && !entries_.contains(key(running.pictureID, bucket));
        wantsPreview = wantsPreview && !entries_.contains(previewKey(running.pictureID));
    }
    lock.unlock();

    ThumbnailImage image;
    ThumbnailImage preview;
    bool mayKeepOnDisk = false;
    if (decoding) {
        image = decode(running, mayKeepOnDisk);
    } else {
        image = lookUp(running);
        if (!image && wantsPreview) {
            auto bytes = running.bytes.read();
            auto read = bytes ? readEmbeddedPreview(*bytes, running.bucket) : std::nullopt;
            if (read)
                preview = std::make_shared<const PremultipliedImage>(premultiplied(*read));
        }
    }
    lock.lock();

    found = jobs_.find(next.key);
    Job& job = found->second;
    if (!decoding && !image) {
        // Nothing on disk: hand out the preview, then wait for the decode round.
        job.previewDone = true;
        std::vector<std::shared_ptr<Waiter>> waiters;
        if (preview) {
            ++stats_.previews;
            const std::string entryKey = previewKey(job.pictureID);
            if (!job.dropped && !findLocked(entryKey)) {
                const std::size_t cost = costOf(*preview, entryKey);
                if (cost <= budget_) {
                    recency_.push_front(Entry{entryKey, job.pictureID, preview, cost});
                    entries_.emplace(entryKey, recency_.begin());
                    used_ += cost;
                    evictOverBudget();
                }
            }
            waiters = job.waiters;
        }
        if (job.dropped || job.waiters.empty()) {
            jobs_.erase(found);  // abandoned while it was looked up
        } else {
            job.started = false;
            job.decoding = true;
            enqueueLocked(next.key, job);
            wake_.notify_all();  // the lookup thread does not decode
        }
        lock.unlock();
        for (const auto& waiter : waiters)
            deliverPreview(waiter, preview);
        lock.lock();
        return;
    }

    std::vector<std::shared_ptr<Waiter>> waiters = std::move(job.waiters);
    if (image && !job.dropped) {
        image = storeLocked(job.pictureID, job.bucket, image);
        // The stand-in has served its turn.
        if (auto stale = entries_.find(previewKey(job.pictureID)); stale != entries_.end()) {
            used_ -= stale->second->cost;
            recency_.erase(stale->second);
            entries_.erase(stale);
        }
    }
    jobs_.erase(found);
    if (image && decoding && mayKeepOnDisk)
        writes_.push_back(PendingWrite{std::move(running), image});
    lock.unlock();
    for (const auto& waiter : waiters)
        deliver(waiter, image);
    lock.lock();
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
