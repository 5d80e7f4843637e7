#include "core/layout/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "core/platform/sha256.h"
#include "support/deck_support.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

using testing::fixtureBytes;
constexpr auto fixedID = testing::fixedUuid;

// An executor whose tasks wait until the test thread runs them, as an interface thread's queue.
class TaskQueue {
public:
    ThumbnailCache::Executor executor() {
        return [this](std::function<void()> task) {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
            posted_.notify_all();
        };
    }
    // Waits until `count` tasks have been posted since the last `run`, then runs all of them.
    // False when they did not arrive within a minute (a decode under ThreadSanitizer on a busy
    // machine takes tens of seconds).
    bool run(std::size_t count) {
        std::deque<std::function<void()>> tasks;
        {
            std::unique_lock lock(mutex_);
            if (!posted_.wait_for(lock, std::chrono::seconds(60),
                                  [&] { return tasks_.size() >= count; }))
                return false;
            tasks.swap(tasks_);
        }
        for (auto& task : tasks)
            task();
        return true;
    }
    std::size_t pending() {
        std::lock_guard lock(mutex_);
        return tasks_.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
};

ThumbnailCache::Request requestFor(const Uuid& id, const Bytes& bytes, int size,
                                   std::uint64_t generation = 0) {
    return ThumbnailCache::Request{id, bytes, {}, size, generation};
}

TEST(ThumbnailCache, OneImagePerKeyCachedLookupsNeverDecodeAndDroppedPicturesLeaveMemory) {
    std::vector<int> buckets;
    for (int size : {-4, 128, 129, 1000, 2048, 9000})
        buckets.push_back(thumbnailBucket(size));
    EXPECT_EQ(buckets, (std::vector<int>{128, 128, 256, 1024, 2048, 2048}));

    ThumbnailCache cache;
    const Uuid id = fixedID(1);
    const Bytes bytes = fixtureBytes("picture.png");  // 64 by 40
    EXPECT_FALSE(cache.bestCached(id, 300));
    auto small = cache.thumbnail(id, bytes, 128);
    ASSERT_TRUE(small);
    EXPECT_EQ(cache.cached(id, 100), small);  // 100 is served from the 128 bucket
    EXPECT_FALSE(cache.cached(id, 300));
    EXPECT_EQ(cache.bestCached(id, 300), small);  // nothing at 512 yet: the largest smaller one
    auto first = cache.thumbnail(id, bytes, 32);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width * 1000 + first->height, 32020);
    EXPECT_EQ(cache.thumbnail(id, bytes, 32), first);
    EXPECT_NE(cache.thumbnail(id, bytes, 31), first);
    auto tiny = cache.thumbnail(id, bytes, 0);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(cache.thumbnail(id, bytes, -5), tiny);
    EXPECT_EQ(cache.stats().decoded, 4u);
    const std::size_t kept = cache.memoryUsed();

    // A failure stores nothing, so the same key is tried again.
    EXPECT_FALSE(cache.thumbnail(fixedID(3), fixtureBytes("text.jpg"), 32));
    EXPECT_TRUE(cache.thumbnail(fixedID(3), bytes, 32));
    EXPECT_TRUE(cache.thumbnail(fixedID(3), bytes, 512));
    EXPECT_EQ(cache.sizesByID(),
              (std::map<Uuid, std::set<int>>{{id, {1, 31, 32, 128}}, {fixedID(3), {32, 512}}}));
    EXPECT_EQ(cache.count(), 6u);
    cache.drop({fixedID(3), fixedID(9)});
    EXPECT_EQ(cache.count(), 4u);
    EXPECT_EQ(cache.memoryUsed(), kept);
    EXPECT_EQ(cache.cached(id, 128), small);
    EXPECT_FALSE(cache.bestCached(fixedID(3), 512));
}

TEST(ThumbnailCache, PixelsArePremultipliedInNativeWordOrder) {
    RgbaImage straight{2, 1, {200, 100, 50, 128, 10, 20, 30, 255}};
    const PremultipliedImage out = premultiplied(straight);
    ASSERT_EQ(out.pixels.size(), 8u);
    std::uint32_t words[2];
    std::memcpy(words, out.pixels.data(), sizeof words);
    EXPECT_EQ(words[0], 0x80643219u);  // A 128, R 100, G 50, B 25
    EXPECT_EQ(words[1], 0xFF0A141Eu);
}

TEST(ThumbnailCache, RequestsForOneKeyShareOneDecode) {
    ThumbnailCache cache(ThumbnailCache::Options{.threads = 2});
    TaskQueue queue;
    const Uuid id = fixedID(6);
    const Bytes bytes = fixtureBytes("picture.png");  // 64 by 40: never enlarged
    std::vector<ThumbnailImage> got;
    auto keep = [&](ThumbnailImage image) { got.push_back(std::move(image)); };
    cache.request(requestFor(id, bytes, 200), queue.executor(), keep);
    cache.request(requestFor(id, bytes, 256), queue.executor(), keep);
    cache.request(requestFor(id, bytes, 129), queue.executor(), keep);
    cache.request(requestFor(fixedID(7), fixtureBytes("text.jpg"), 256), queue.executor(), keep);
    ASSERT_TRUE(queue.run(4));
    ASSERT_EQ(got.size(), 4u);
    std::sort(got.begin(), got.end());  // the failure (null) first
    EXPECT_FALSE(got[0]);
    ASSERT_TRUE(got[1]);
    EXPECT_EQ(got[1]->width * 1000 + got[1]->height, 64040);
    EXPECT_EQ(got[2], got[1]);
    EXPECT_EQ(got[3], got[1]);
    EXPECT_EQ(cache.stats().decoded, 2u);
    EXPECT_EQ(cache.cached(id, 256), got[1]);
    EXPECT_EQ(cache.sizesByID(), (std::map<Uuid, std::set<int>>{{id, {256}}}));

    // Served from memory, still through the executor.
    cache.request(requestFor(id, bytes, 256), queue.executor(), keep);
    ASSERT_TRUE(queue.run(1));
    EXPECT_EQ(got.back(), got[1]);
    EXPECT_EQ(cache.stats().decoded, 2u);
}

TEST(ThumbnailCache, CancelledGenerationsNeverReachTheirCallbacks) {
    ThumbnailCache cache(ThumbnailCache::Options{.threads = 1});
    TaskQueue queue;
    const Bytes bytes = fixtureBytes("orient-3.jpg");
    const std::uint64_t old = cache.newGeneration(), current = cache.newGeneration();
    std::vector<int> delivered;
    auto note = [&](int n) { return [&delivered, n](ThumbnailImage) { delivered.push_back(n); }; };
    // The only pool thread stays in this executor until released, so nothing below starts early.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    cache.request(
        requestFor(fixedID(30), bytes, 128), [released](std::function<void()>) { released.wait(); },
        [](ThumbnailImage) {});
    for (int n = 0; n < 6; ++n)
        cache.request(requestFor(fixedID(std::uint8_t(n)), bytes, 128, old), queue.executor(),
                      note(n));
    cache.cancel(old);
    cache.request(requestFor(fixedID(20), bytes, 128, current), queue.executor(), note(20));
    release.set_value();
    ASSERT_TRUE(queue.run(1));
    EXPECT_EQ(delivered, std::vector<int>{20});
    EXPECT_EQ(cache.stats().decoded, 2u);  // the cancelled requests were never decoded

    // A callback already handed to its executor is dropped when its generation is cancelled
    // before it runs.
    cache.request(requestFor(fixedID(21), bytes, 128, current), queue.executor(), note(21));
    while (queue.pending() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    cache.cancel(current);
    ASSERT_TRUE(queue.run(1));
    EXPECT_EQ(delivered, std::vector<int>{20});
    cache.request(requestFor(fixedID(22), bytes, 128, current), queue.executor(), note(22));
    cache.request(requestFor(fixedID(23), bytes, 128), queue.executor(), note(23));
    ASSERT_TRUE(queue.run(1));
    EXPECT_EQ(delivered, (std::vector<int>{20, 23}));
}

TEST(ThumbnailCache, HigherPrioritiesAreServedFirstAndAJoinRaisesOne) {
    ThumbnailCache cache(ThumbnailCache::Options{.threads = 1});
    TaskQueue queue;
    const Bytes bytes = fixtureBytes("orient-3.jpg");
    std::vector<int> delivered;
    auto note = [&](int n) { return [&delivered, n](ThumbnailImage) { delivered.push_back(n); }; };
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    cache.request(
        requestFor(fixedID(30), bytes, 128), [released](std::function<void()>) { released.wait(); },
        [](ThumbnailImage) {});
    for (int n = 0; n < 5; ++n)
        cache.request(requestFor(fixedID(std::uint8_t(n)), bytes, 128), queue.executor(), note(n));
    auto urgent = [&](std::uint8_t n) {
        auto request = requestFor(fixedID(n), bytes, 128);
        request.priority = 2;
        return request;
    };
    cache.request(urgent(10), queue.executor(), note(10));
    cache.request(urgent(3), queue.executor(), note(13));  // joins the waiting request of 3
    release.set_value();
    ASSERT_TRUE(queue.run(7));
    // The two urgent ones in either order (the lookup thread may finish either first), then the
    // others oldest first.
    ASSERT_EQ(delivered.size(), 7u);
    std::sort(delivered.begin(), delivered.begin() + 3);
    EXPECT_EQ(delivered, (std::vector<int>{3, 10, 13, 0, 1, 2, 4}));
}

TEST(ThumbnailCache, LeastRecentlyUsedLeavesFirstWhenOverBudget) {
    const Bytes bytes = fixtureBytes("picture.png");
    const std::size_t one = 64 * 40 * 4;
    ThumbnailCache cache(one * 2 + 1024);  // two thumbnails and their bookkeeping, not three
    auto get = [&](std::uint8_t n) { return cache.thumbnail(fixedID(n), bytes, 64); };
    auto a = get(1), b = get(2);
    EXPECT_EQ(get(1), a);  // a is now the more recent
    auto c = get(3);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(cache.count(), 2u);
    EXPECT_LE(cache.memoryUsed(), one * 2 + 1024);
    EXPECT_EQ(get(1), a);
    EXPECT_EQ(get(3), c);
    auto remade = get(2);
    ASSERT_TRUE(remade);
    EXPECT_NE(remade, b);
    EXPECT_EQ(*remade, *b);
    EXPECT_EQ(cache.sizesByID().size(), 3u);  // evicted sizes stay listed as made

    // A thumbnail larger than the whole budget is handed out but not kept.
    ThumbnailCache small(one / 2);
    EXPECT_TRUE(small.thumbnail(fixedID(4), bytes, 64));
    EXPECT_EQ(small.count() + small.memoryUsed(), 0u);
}

TEST(ThumbnailCache, ConcurrentRequestsAgreeOnOneImagePerKey) {
    ThumbnailCache cache;
    const std::vector<Bytes> pictures{fixtureBytes("picture.png"), fixtureBytes("orient-3.jpg"),
                                      fixtureBytes("picture.webp"), fixtureBytes("alpha.png")};
    constexpr int kThreads = 8, kKeys = 12;  // four pictures at sizes 16, 24 and 32
    auto request = [&](int k) {
        return cache.thumbnail(fixedID(std::uint8_t(k % 4)), pictures[k % 4], 8 * (k / 4 + 2));
    };
    std::vector<std::vector<ThumbnailImage>> seen(kThreads, std::vector<ThumbnailImage>(kKeys));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kKeys; ++round) {
                const int k = (round + t * 5) % kKeys;  // each thread in its own order
                seen[t][k] = request(k);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();

    for (int k = 0; k < kKeys; ++k) {
        ASSERT_TRUE(seen[0][k]);
        for (int t = 1; t < kThreads; ++t)
            EXPECT_EQ(seen[t][k], seen[0][k]) << t << " " << k;
        EXPECT_EQ(request(k), seen[0][k]);
    }
    EXPECT_EQ(cache.count(), std::size_t(kKeys));
}

// The shared cache is destroyed at exit while its pool still files thumbnails on disk, each
// checked against its digest: that must not use the digest library after it has been cleaned up.
// The shared cache is made before anything else hashes, as in a program that shows thumbnails
// before it imports.
TEST(ThumbnailCache, SharedCacheExitsCleanlyWithDiskWritesPending) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process with a fresh shared cache
    testing::TempDir folder;
    ::setenv("XDG_CACHE_HOME", folder.path().c_str(), 1);
    auto exitWithWritesPending = [] {
        ThumbnailCache& cache = ThumbnailCache::shared();
        const Bytes photo = fixtureBytes("orient-1.jpg");
        constexpr int kCopies = 48;
        std::atomic<int> delivered = 0;
        for (int i = 0; i < kCopies; ++i) {
            // A comment segment after the start marker: the same picture under its own digest.
            const std::string text = "copy " + std::to_string(i);
            std::vector<std::uint8_t> bytes(photo.begin(), photo.begin() + 2);
            bytes.insert(bytes.end(), {0xFF, 0xFE, 0, std::uint8_t(text.size() + 2)});
            bytes.insert(bytes.end(), text.begin(), text.end());
            bytes.insert(bytes.end(), photo.begin() + 2, photo.end());
            const Bytes copy(std::move(bytes));
            cache.request(
                ThumbnailCache::Request{fixedID(std::uint8_t(i)), copy, sha256Hex(copy), 512, 0},
                [](std::function<void()> task) { task(); },
                [&](const ThumbnailImage&) { ++delivered; });
        }
        while (delivered < kCopies)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::exit(0);
    };
    EXPECT_EXIT(exitWithWritesPending(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace mosavelle
