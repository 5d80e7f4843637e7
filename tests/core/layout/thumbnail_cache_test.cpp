#include "core/layout/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/test_support.h"

namespace mosavelle {
namespace {

Bytes fixture(const std::string& name) {
    return testing::readFileBytes(testing::fixturePath(name));
}

Uuid fixedID(std::uint8_t last) {
    return Uuid({0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x4A, 0x6B, 0x8C, 0x7D, 0x9E, 0x0F, 0x1A, 0x2B,
                 0x3C, last});
}

TEST(ThumbnailCache, OneImagePerIdentifierAndSizeWithSizesBelowOneAsOne) {
    EXPECT_EQ(ThumbnailCache::key(fixedID(0x4D), 512), "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D:512");
    ThumbnailCache cache;
    const Uuid id = fixedID(1);
    const Bytes bytes = fixture("picture.png");  // 64 by 40
    auto first = cache.thumbnail(id, bytes, 32);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width * 1000 + first->height, 32020);
    EXPECT_EQ(cache.thumbnail(id, bytes, 32), first);
    EXPECT_NE(cache.thumbnail(id, bytes, 31), first);
    auto tiny = cache.thumbnail(id, bytes, 0);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(cache.thumbnail(id, bytes, -5), tiny);
    EXPECT_EQ(cache.sizesByID(), (std::map<Uuid, std::set<int>>{{id, {1, 31, 32}}}));
    EXPECT_EQ(cache.count(), 3u);
}

TEST(ThumbnailCache, FailureStoresNothingAndIsTriedAgain) {
    ThumbnailCache cache;
    const Uuid id = fixedID(3);
    EXPECT_FALSE(cache.thumbnail(id, fixture("text.jpg"), 512));
    EXPECT_EQ(cache.count(), 0u);
    EXPECT_TRUE(cache.sizesByID().empty());
    EXPECT_TRUE(cache.thumbnail(id, fixture("picture.png"), 512));
    EXPECT_EQ(cache.count(), 1u);
}

TEST(ThumbnailCache, LeastRecentlyUsedLeavesFirstWhenOverBudget) {
    const Bytes bytes = fixture("picture.png");
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
    const std::vector<Bytes> pictures{fixture("picture.png"), fixture("orient-3.jpg"),
                                      fixture("picture.webp"), fixture("alpha.png")};
    constexpr int kThreads = 8, kKeys = 12;  // four pictures at sizes 16, 24 and 32
    auto request = [&](int k) {
        return cache.thumbnail(fixedID(std::uint8_t(k % 4)), pictures[k % 4], 8 * (k / 4 + 2));
    };
    std::vector<std::vector<std::shared_ptr<const RgbaImage>>> seen(
        kThreads, std::vector<std::shared_ptr<const RgbaImage>>(kKeys));
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
    for (const auto& [id, made] : cache.sizesByID())
        EXPECT_EQ(made, (std::set<int>{16, 24, 32}));
}

}  // namespace
}  // namespace mosavelle
