#include "core/layout/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace mosavelle {
namespace {

using testing::fixturePath;
using testing::readFileBytes;

Bytes fixture(const std::string& name) {
    return readFileBytes(fixturePath(name));
}

Uuid fixedID(std::uint8_t last) {
    std::array<std::uint8_t, 16> bytes{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x4A, 0x6B,
                                       0x8C, 0x7D, 0x9E, 0x0F, 0x1A, 0x2B, 0x3C, last};
    return Uuid(bytes);
}

TEST(ThumbnailCache, KeyIsUpperCaseIdentifierColonSize) {
    EXPECT_EQ(ThumbnailCache::key(fixedID(0x4D), 512), "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D:512");
    EXPECT_EQ(ThumbnailCache::key(fixedID(0x4D), 0), "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D:1");
}

TEST(ThumbnailCache, SameKeySameImageOtherSizeOwnImage) {
    ThumbnailCache cache;
    const Uuid id = fixedID(1);
    const Bytes bytes = fixture("picture.png");

    auto first = cache.thumbnail(id, bytes, 32);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width, 32);
    EXPECT_EQ(first->height, 20);
    EXPECT_EQ(cache.thumbnail(id, bytes, 32), first);

    auto other = cache.thumbnail(id, bytes, 31);
    ASSERT_TRUE(other);
    EXPECT_NE(other, first);
    EXPECT_EQ(other->width, 31);

    // The key holds the identifier, not the bytes: another picture's bytes under a cached key
    // are not looked at (stored bytes never change for an identifier).
    EXPECT_EQ(cache.thumbnail(id, fixture("alpha.png"), 32), first);

    // Sizes below 1 share the key of size 1.
    auto tiny = cache.thumbnail(id, bytes, 0);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(std::max(tiny->width, tiny->height), 1);
    EXPECT_EQ(cache.thumbnail(id, bytes, -5), tiny);

    EXPECT_EQ(cache.sizesByID(), (std::map<Uuid, std::set<int>>{{id, {1, 31, 32}}}));
    EXPECT_EQ(cache.count(), 3u);
}

TEST(ThumbnailCache, RotatedPhotographComesBackUpright) {
    ThumbnailCache cache;
    auto image = cache.thumbnail(fixedID(2), fixture("orient-6.jpg"), 512);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 64);  // never enlarged, and the stored 40x64 grid is turned
    EXPECT_EQ(image->height, 40);
    const std::uint8_t* topLeft = image->pixel(2, 2);
    EXPECT_GT(topLeft[0], 170);
    EXPECT_LT(topLeft[1], 90);
}

TEST(ThumbnailCache, FailureStoresNothingAndIsTriedAgain) {
    ThumbnailCache cache;
    const Uuid id = fixedID(3);
    EXPECT_FALSE(cache.thumbnail(id, fixture("text.jpg"), 512));
    EXPECT_FALSE(cache.thumbnail(id, Bytes(), 512));
    EXPECT_EQ(cache.count(), 0u);
    EXPECT_TRUE(cache.sizesByID().empty());

    // Nothing negative was remembered: the same key decodes once it is given a picture.
    EXPECT_TRUE(cache.thumbnail(id, fixture("picture.png"), 512));
    EXPECT_EQ(cache.count(), 1u);
}

TEST(ThumbnailCache, LeastRecentlyUsedLeavesFirstWhenOverBudget) {
    const Bytes bytes = fixture("picture.png");
    const std::size_t one = ThumbnailCache(1 << 30).thumbnail(fixedID(0), bytes, 64)->pixels.size();
    // Room for two 64x40 thumbnails and their bookkeeping, not three.
    ThumbnailCache cache(one * 2 + 1024);

    auto a = cache.thumbnail(fixedID(1), bytes, 64);
    auto b = cache.thumbnail(fixedID(2), bytes, 64);
    EXPECT_EQ(cache.thumbnail(fixedID(1), bytes, 64), a);  // a is now the more recent
    auto c = cache.thumbnail(fixedID(3), bytes, 64);
    ASSERT_TRUE(a && b && c);

    EXPECT_EQ(cache.count(), 2u);
    EXPECT_LE(cache.memoryUsed(), one * 2 + 1024);
    EXPECT_EQ(cache.thumbnail(fixedID(1), bytes, 64), a);
    EXPECT_EQ(cache.thumbnail(fixedID(3), bytes, 64), c);
    auto again = cache.thumbnail(fixedID(2), bytes, 64);  // made again, a new object
    ASSERT_TRUE(again);
    EXPECT_NE(again, b);
    EXPECT_EQ(*again, *b);
    // An evicted size stays listed as made.
    EXPECT_EQ(cache.sizesByID().size(), 3u);

    // A thumbnail larger than the whole budget is handed out but never evicts the others.
    ThumbnailCache small(one / 2);
    EXPECT_TRUE(small.thumbnail(fixedID(4), bytes, 64));
    EXPECT_EQ(small.count(), 0u);
    EXPECT_EQ(small.memoryUsed(), 0u);
}

TEST(ThumbnailCache, ConcurrentRequestsAgreeOnOneImagePerKey) {
    ThumbnailCache cache;
    const std::vector<Bytes> pictures{fixture("picture.png"), fixture("orient-3.jpg"),
                                      fixture("picture.webp"), fixture("alpha.png")};
    const std::vector<int> sizes{16, 24, 40};
    constexpr int kThreads = 8;
    // seen[t][p][s]: the image thread t got for picture p at size s.
    std::vector<std::vector<std::vector<std::shared_ptr<const RgbaImage>>>> seen(
        kThreads,
        std::vector<std::vector<std::shared_ptr<const RgbaImage>>>(
            pictures.size(), std::vector<std::shared_ptr<const RgbaImage>>(sizes.size())));
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load())
                std::this_thread::yield();
            for (std::size_t round = 0; round < pictures.size() * sizes.size(); ++round) {
                // Each thread walks the keys in its own order.
                const std::size_t k =
                    (round + std::size_t(t) * 5) % (pictures.size() * sizes.size());
                const std::size_t p = k % pictures.size(), s = k / pictures.size();
                seen[t][p][s] = cache.thumbnail(fixedID(std::uint8_t(p)), pictures[p], sizes[s]);
            }
        });
    }
    go = true;
    for (auto& thread : threads)
        thread.join();

    for (std::size_t p = 0; p < pictures.size(); ++p) {
        for (std::size_t s = 0; s < sizes.size(); ++s) {
            ASSERT_TRUE(seen[0][p][s]);
            for (int t = 1; t < kThreads; ++t)
                EXPECT_EQ(seen[t][p][s], seen[0][p][s]) << t << " " << p << " " << s;
            EXPECT_EQ(seen[0][p][s],
                      cache.thumbnail(fixedID(std::uint8_t(p)), pictures[p], sizes[s]));
        }
    }
    EXPECT_EQ(cache.count(), pictures.size() * sizes.size());
    auto made = cache.sizesByID();
    ASSERT_EQ(made.size(), pictures.size());
    for (const auto& [id, set] : made)
        EXPECT_EQ(set, (std::set<int>{16, 24, 40}));
}

}  // namespace
}  // namespace mosavelle
