#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "core/import/rgba_image.h"
#include "core/platform/bytes.h"
#include "core/platform/stored_bytes.h"
#include "core/platform/uuid.h"

namespace mosavelle {

class ThumbnailDiskCache;

// The sizes (longer side, in pixels) that asynchronous requests are served at. A request is
// rounded up to the next bucket, so resizing a view does not make new thumbnails.
inline constexpr std::array<int, 5> thumbnailBuckets{128, 256, 512, 1024, 2048};

// The bucket a request for `pixelSize` pixels is served from: the smallest bucket at least that
// large, the largest bucket above it, the smallest one for sizes below 1.
int thumbnailBucket(int pixelSize);

using ThumbnailImage = std::shared_ptr<const PremultipliedImage>;

// For an import's `ImportPlanOptions::miniatures`: files each miniature the import decoded in
// `disk` as its picture's thumbnail of the bucket that size is, where a request naming the
// picture's digest finds it instead of decoding the picture. Nothing is filed when `disk` is
// null. Any thread.
std::function<void(const std::string& sha256, const RgbaImage& miniature)> keepImportMiniatures(
    std::shared_ptr<ThumbnailDiskCache> disk);

// Downscaled, upright pictures for drawing, made once per picture and size and handed back on
// later requests. A picture's bytes never change for a given identifier, so an entry never goes
// stale; entries leave when the cache grows past its memory budget (least recently used first)
// or when `drop` is told that their picture left the document, and are made again on the next
// request.
//
// Two ways in:
// - `thumbnail` decodes on the calling thread at exactly the size asked;
// - `request` rounds the size up to a bucket and decodes on the cache's own pool (one thread
//   per core, at nice 19 so that an export or the interface always runs first), first
//   looking in the disk cache when one is attached and the request names the picture's SHA-256
//   (a larger bucket kept there is scaled down rather than the picture decoded). Waiting requests
//   are served by priority, and within one priority in two rounds: first every one is looked up
//   on disk (and its embedded preview read when asked for), then the ones still missing are
//   decoded, older requests first. One more thread, at normal priority, only looks up, so that a
//   view is shown its kept miniatures and previews while every decoding thread is busy. The result
//   is handed to a callback on an executor the caller chooses. New thumbnails are written to the
//   disk cache once no decode is waiting.
// `cached` and `bestCached` never decode, so an interface thread may call them on every paint.
//
// Thread-safe throughout. Images are shared and never change once made.
class ThumbnailCache {
public:
    // Bytes. Enough for every 128-pixel miniature of a 2,000-picture deck with room for the
    // preview's large sizes; a grid's 256-pixel miniatures of such a deck do not all fit, and
    // those scrolled away longest are read back from the disk cache, which costs milliseconds.
    static constexpr std::size_t defaultMemoryBudget = std::size_t{160} << 20;

    // Runs a task on the caller's thread of choice (for example a queued call to an interface
    // thread). Called from a pool thread; it must not block for long.
    using Executor = std::function<void(std::function<void()>)>;
    // Receives the image, or null when the bytes are not a decodable picture.
    using Callback = std::function<void(ThumbnailImage)>;

    struct Options {
        std::size_t memoryBudget = defaultMemoryBudget;
        // Where finished thumbnails are kept between runs; none keeps them in memory only.
        std::shared_ptr<ThumbnailDiskCache> disk = nullptr;
        int threads = 0;  // decoding threads; 0 means one per core
        // Pool threads run at the lowest priority; off only to compare with other programs.
        bool lowPriority = true;
    };

    struct Request {
        Uuid pictureID;
        StoredBytes bytes;   // the picture's stored bytes
        std::string sha256;  // 64 lower-case hex digits of `bytes`, or empty (no disk cache)
        int pixelSize = 0;   // rounded up by `thumbnailBucket`
        // Cancels the request together with every other of the same generation (see `cancel`);
        // take one from `newGeneration`. 0 is never cancelled.
        std::uint64_t generation = 0;
        // Among waiting requests, higher ones are served first. A request joining one already
        // waiting raises it to its own priority.
        int priority = 0;
    };

    explicit ThumbnailCache(std::size_t memoryBudgetBytes = defaultMemoryBudget);
    explicit ThumbnailCache(Options options);
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;
    // Waits for the decodes in progress and for the disk writes of thumbnails already made;
    // pending requests end without their callbacks.
    ~ThumbnailCache();

    // The one cache of the application, made on first use, keeping thumbnails on disk in
    // `ThumbnailDiskCache::defaultFolder()`.
    static ThumbnailCache& shared();

    // The cache key: the identifier's upper-case text, a colon, and the size in decimal
    // ("…-3C4D:512").
    static std::string key(const Uuid& imageID, int maxPixelSize);

    // The picture `bytes` (stored under `imageID`) scaled so that its longer side is at most
    // max(`maxPixelSize`, 1) pixels, upright, decoded on the calling thread. Repeated requests
    // return the same image object while it stays cached. Null when the bytes are not a
    // decodable picture; nothing is stored then, so a later request tries again.
    ThumbnailImage thumbnail(const Uuid& imageID, const StoredBytes& bytes, int maxPixelSize);

    // Asks for the bucket of `request.pixelSize`; `done` later runs through `executor` with the
    // image, exactly once unless the request is cancelled. Requests for a key already being made
    // join that work. An image already in memory is delivered the same way, without decoding.
    //
    // With `preview`, a bucket that is on disk neither at its size nor larger has to be decoded:
    // the picture's embedded preview (`readEmbeddedPreview`) is read first, kept in memory as the
    // picture's stand-in (see `bestCached`) and handed to `preview` through `executor`, at most
    // once and before `done`. Nothing is read when the picture already has an image in memory.
    void request(Request request, Executor executor, Callback done, Callback preview = {});

    // Where thumbnails are kept between runs (`Options::disk`); null when nowhere.
    const std::shared_ptr<ThumbnailDiskCache>& diskCache() const { return disk_; }

    // A generation number no request has used yet.
    std::uint64_t newGeneration();

    // Cancels every request of `generation`: their callbacks will not run, including ones
    // already handed to their executor but not yet run (a callback running on another thread at
    // this moment may still finish). A decode nobody waits for any more is not started.
    void cancel(std::uint64_t generation);

    // The image in memory for the bucket of `pixelSize`; null when there is none. Never decodes.
    ThumbnailImage cached(const Uuid& pictureID, int pixelSize) const;

    // The image in memory for the bucket of `pixelSize` or, when that is missing, the largest
    // smaller bucket's, else the picture's embedded preview; null when there is none. Never
    // decodes.
    ThumbnailImage bestCached(const Uuid& pictureID, int pixelSize) const;

    // Forgets the in-memory images of these pictures. Their pending requests are abandoned
    // without callbacks; decodes already running still finish and deliver, but are not kept.
    void drop(const std::vector<Uuid>& pictureIDs);

    // For each picture, the sizes that have been made for it (evicted ones included).
    std::map<Uuid, std::set<int>> sizesByID() const;

    // How the thumbnails handed out so far were made (each decode or disk read counts once, however
    // many requests it served).
    struct Stats {
        std::size_t decoded = 0;   // from the picture's bytes
        std::size_t fromDisk = 0;  // read back from the disk cache
        std::size_t previews = 0;  // embedded previews read
    };
    Stats stats() const;

    // Number of cached thumbnails and the pixel bytes they hold (at most the budget).
    std::size_t count() const;
    std::size_t memoryUsed() const;

private:
    struct Entry {
        std::string key;
        Uuid pictureID;
        ThumbnailImage image;
        std::size_t cost = 0;
    };
    using Recency = std::list<Entry>;  // most recently used first

    struct Waiter;
    struct Cancellations;
    struct Job {
        Uuid pictureID;
        int bucket = 0;
        StoredBytes bytes;
        std::string sha256;
        bool started = false;
        bool dropped = false;   // its picture was dropped while it ran: deliver, do not keep
        bool decoding = false;  // the disk had nothing: waiting for (or in) the decode round
        bool previewDone = false;
        int priority = 0;
        std::uint64_t ticket = 0;  // of its live entry in the queue; older entries are stale
        std::vector<std::shared_ptr<Waiter>> waiters;
    };
    // Waiting work in the order it is served: by priority, lookups before decodes, then by age.
    struct Queued {
        bool decoding = false;
        int priority = 0;
        std::uint64_t ticket = 0;
        std::string key;
        bool operator<(const Queued& other) const {
            if (priority != other.priority)
                return priority > other.priority;
            if (decoding != other.decoding)
                return !decoding;
            return ticket < other.ticket;
        }
    };

    void deliver(const std::shared_ptr<Waiter>& waiter, ThumbnailImage image) const;
    void deliverPreview(const std::shared_ptr<Waiter>& waiter, ThumbnailImage image) const;
    void enqueueLocked(const std::string& entryKey, Job& job);
    ThumbnailImage findLocked(const std::string& entryKey) const;
    ThumbnailImage storeLocked(const Uuid& pictureID, int size, ThumbnailImage image);
    void evictOverBudget();
    void startPoolLocked();
    // A pool thread's loop; `lookUpOnly` for the one that never decodes.
    void work(bool lookUpOnly);
    // The job's thumbnail from the disk cache: its bucket, else a larger one scaled down.
    ThumbnailImage lookUp(const Job& job);
    // Decodes the job's thumbnail. `mayKeepOnDisk` tells whether it may be filed under the job's
    // digest: the bytes it was made from carry that digest.
    ThumbnailImage decode(const Job& job, bool& mayKeepOnDisk);
    // Serves the front of the queue; the lock is held on entry and on return.
    void serve(std::unique_lock<std::mutex>& lock, Queued next);

    const std::size_t budget_;
    const std::shared_ptr<ThumbnailDiskCache> disk_;
    const int threadCount_;
    const bool lowPriority_;
    const std::shared_ptr<Cancellations> cancellations_;

    mutable std::mutex mutex_;
    mutable Recency recency_;
    std::unordered_map<std::string, Recency::iterator> entries_;
    std::map<Uuid, std::set<int>> sizesByID_;
    std::size_t used_ = 0;
    Stats stats_;

    std::unordered_map<std::string, Job> jobs_;  // pending and running, by key
    std::set<Queued> queue_;                     // pending jobs, next first
    std::uint64_t lastTicket_ = 0;
    std::size_t queuedLookUps_ = 0;  // entries of `queue_` for the lookup round (stale ones too)
    struct PendingWrite {
        Job job;
        ThumbnailImage image;
    };
    std::deque<PendingWrite> writes_;  // thumbnails made but not yet on disk, oldest first
    std::condition_variable wake_;
    std::vector<std::thread> pool_;
    bool stopping_ = false;
    std::uint64_t lastGeneration_ = 0;
};

}  // namespace mosavelle
