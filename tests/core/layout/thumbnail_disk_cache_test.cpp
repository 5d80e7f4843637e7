#include "core/layout/thumbnail_disk_cache.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>

#include "core/import/image_decoding.h"
#include "core/import/import_plan.h"
#include "core/layout/thumbnail_cache.h"
#include "core/platform/sha256.h"
#include "support/deck_support.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;

struct Picture {
    Uuid id;
    Bytes bytes;
    std::string sha256;
};

Picture picture(const std::string& name, std::uint8_t n) {
    Bytes bytes = testing::fixtureBytes(name);
    return {testing::fixedUuid(n), bytes, sha256Hex(bytes)};
}

// Asks `cache` for `picture` at `size` and waits for the answer, delivered on a pool thread.
ThumbnailImage fetch(ThumbnailCache& cache, const Picture& picture, int size) {
    std::promise<ThumbnailImage> answer;
    auto ready = answer.get_future();
    cache.request(
        {picture.id, picture.bytes, picture.sha256, size, 0},
        [](std::function<void()> task) { task(); },
        [&answer](ThumbnailImage image) { answer.set_value(std::move(image)); });
    return ready.get();
}

// A cache over `folder` as a fresh run of the program would make it. Destroying it waits for its
// disk writes.
std::unique_ptr<ThumbnailCache> run(const fs::path& folder) {
    return std::make_unique<ThumbnailCache>(
        ThumbnailCache::Options{.disk = std::make_shared<ThumbnailDiskCache>(folder)});
}

int largestDifference(const PremultipliedImage& a, const PremultipliedImage& b) {
    int largest = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        largest = std::max(largest, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return largest;
}

TEST(ThumbnailDiskCache, AReopenedDeckIsShownWithoutDecodingAndDamagedFilesAreWrittenAgain) {
    testing::TempDir folder;
    const Picture photo = picture("orient-6.jpg", 1), withAlpha = picture("alpha.png", 2);
    ThumbnailImage photoMade, alphaMade;
    {
        auto first = run(folder.path());
        photoMade = fetch(*first, photo, 512);
        alphaMade = fetch(*first, withAlpha, 512);
        ASSERT_TRUE(photoMade && alphaMade);
        EXPECT_EQ(first->stats().decoded, 2u);
    }
    {
        auto second = run(folder.path());
        auto photoKept = fetch(*second, photo, 300);
        auto alphaKept = fetch(*second, withAlpha, 500);
        EXPECT_EQ(second->stats().decoded, 0u);
        EXPECT_EQ(second->stats().fromDisk, 2u);
        ASSERT_TRUE(photoKept && alphaKept);
        EXPECT_EQ(*alphaKept, *alphaMade);  // pictures with alpha are kept losslessly
        ASSERT_EQ(photoKept->width * 10000 + photoKept->height,
                  photoMade->width * 10000 + photoMade->height);
        EXPECT_LE(largestDifference(*photoKept, *photoMade), 24);
        EXPECT_EQ(fetch(*second, photo, 300), photoKept);  // now from memory
        EXPECT_EQ(second->stats().fromDisk, 2u);
    }

    const fs::path photoFile = folder / (photo.sha256 + "-512.thumb");
    const fs::path alphaFile = folder / (withAlpha.sha256 + "-512.thumb");
    ASSERT_TRUE(fs::exists(photoFile) && fs::exists(alphaFile));
    const Bytes photoGood = testing::readFileBytes(photoFile);
    const Bytes alphaGood = testing::readFileBytes(alphaFile);

    // Damaged files are ignored and written again.
    using File = std::vector<std::uint8_t>;
    const std::vector<std::pair<const char*, std::function<void(File&)>>> damages{
        {"empty", [](File& f) { f.clear(); }},
        {"truncated", [](File& f) { f.resize(f.size() / 2); }},
        // A JPEG's quantisation step: the file still decodes, to other pixels.
        {"payload byte",
         [](File& f) {
             const auto dqt = std::string_view((const char*)f.data(), f.size()).find("\xFF\xDB");
             f[dqt == std::string_view::npos ? f.size() - 20 : dqt + 5] ^= 0x01;
         }},
        {"magic", [](File& f) { f[0] = 'X'; }},
        {"width beyond the bucket", [](File& f) { f[9] = 0x7F; }},
        {"codec", [](File& f) { f[16] = 9; }},
    };
    auto damaged = [](const Bytes& good, const std::function<void(File&)>& damage) {
        File file(good.begin(), good.end());
        damage(file);
        return Bytes(std::move(file));
    };
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        testing::writeFileBytes(photoFile, damaged(photoGood, damage));
        testing::writeFileBytes(alphaFile, damaged(alphaGood, damage));
        {
            auto cache = run(folder.path());
            auto image = fetch(*cache, photo, 512);
            ASSERT_TRUE(image);
            EXPECT_EQ(*image, *photoMade);
            EXPECT_TRUE(fetch(*cache, withAlpha, 512));
            EXPECT_EQ(cache->stats().decoded, 2u);
        }
        EXPECT_EQ(testing::readFileBytes(photoFile), photoGood);  // written again
        EXPECT_EQ(testing::readFileBytes(alphaFile), alphaGood);
    }
}

// The decode that proves a picture readable at import leaves its miniature where a later request
// finds it: the navigator of the deck never decodes the picture for it.
TEST(ThumbnailDiskCache, AnImportFilesUprightMiniaturesThatRequestsFindWithoutDecoding) {
    testing::TempDir folder;
    testing::TempDir pictures;
    fs::copy_file(testing::fixturePath("orient-6.jpg"), pictures / "sideways.jpg");
    auto disk = std::make_shared<ThumbnailDiskCache>(folder / "thumbnails");
    ImportPlanOptions options;
    options.staging = StagingFolder::create(folder / "staging");
    options.miniatures = keepImportMiniatures(disk);
    const auto plan = makeImportPlan({pictures.path()}, {}, false, options);
    ASSERT_TRUE(plan && plan->items.size() == 1);
    const ImportItem& item = plan->items[0];

    ThumbnailCache cache(ThumbnailCache::Options{.disk = disk});
    const Picture imported{testing::fixedUuid(1), *item.data.read(), item.sha256};
    const ThumbnailImage miniature = fetch(cache, imported, importCheckThumbnailSize);
    EXPECT_EQ(cache.stats().decoded, 0u);
    EXPECT_EQ(cache.stats().fromDisk, 1u);
    // Stored 40 x 64, shown 64 x 40: the same pixels a decode of the bucket gives.
    const PremultipliedImage decoded =
        premultiplied(*decodeThumbnail(imported.bytes, importCheckThumbnailSize));
    ASSERT_TRUE(miniature);
    ASSERT_EQ(std::pair(miniature->width, miniature->height), std::pair(64, 40));
    EXPECT_LE(largestDifference(*miniature, decoded), 24);
}

TEST(ThumbnailDiskCache, OnlyTheDigestOfTheDecodedBytesNamesAFile) {
    testing::TempDir folder;
    Picture lying = picture("picture.png", 3);
    lying.sha256 = picture("alpha.png", 4).sha256;  // a damaged project file's digest
    Picture hostile = picture("picture.webp", 5);
    hostile.sha256 = "../../" + std::string(58, 'a');
    Picture upperCase = picture("picture.bmp", 6);
    for (char& c : upperCase.sha256)
        c = char(std::toupper(c));
    {
        auto cache = run(folder.path());
        for (const Picture* p : {&lying, &hostile, &upperCase})
            EXPECT_TRUE(fetch(*cache, *p, 128));
    }
    EXPECT_TRUE(fs::is_empty(folder.path()));
    EXPECT_FALSE(fs::exists(folder.path().parent_path().parent_path() / std::string(58, 'a')));
}

TEST(ThumbnailDiskCache, LeastRecentlyUsedFilesLeavePastTheCapacity) {
    testing::TempDir folder;
    PremultipliedImage image{64, 64, std::vector<std::uint8_t>(64 * 64 * 4)};
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = (i % 4 == 3) ? 255 : std::uint8_t(i * 7 / 3);
    const std::string a(64, 'a'), b(64, 'b'), c(64, 'c');
    std::uint64_t one = 0;
    {
        ThumbnailDiskCache probe(folder / "probe");
        probe.store(a, 128, image);
        one = probe.bytesOnDisk();
    }
    ASSERT_GT(one, 0u);
    const fs::path kept = folder / "kept";
    ThumbnailDiskCache disk(kept, one * 5 / 2);
    disk.store(a, 128, image);
    disk.store(b, 128, image);
    EXPECT_TRUE(disk.load(a, 128));  // a is now used more recently than b
    disk.store(c, 128, image);
    EXPECT_TRUE(disk.load(a, 128));
    EXPECT_FALSE(disk.load(b, 128));
    EXPECT_TRUE(disk.load(c, 128));
    EXPECT_LE(disk.bytesOnDisk(), one * 5 / 2);
    // A new run counts the same files, and removes what a crashed writer left.
    const fs::path leftover = kept / ".Mosavelle-crashed.thumb";
    testing::writeFileBytes(leftover, Bytes(std::string_view("partial")));
    EXPECT_EQ(ThumbnailDiskCache(kept).bytesOnDisk(), one * 2);
    EXPECT_FALSE(fs::exists(leftover));
    // A use in one run counts in the next: files are ordered by their times on disk.
    const auto file = [&](const std::string& key) { return kept / (key + "-128.thumb"); };
    fs::last_write_time(file(a), fs::file_time_type::clock::now() - std::chrono::hours(2));
    fs::last_write_time(file(c), fs::file_time_type::clock::now() - std::chrono::hours(1));
    EXPECT_TRUE(ThumbnailDiskCache(kept).load(a, 128));
    ThumbnailDiskCache(kept, one * 5 / 2).store(b, 128, image);
    EXPECT_TRUE(fs::exists(file(a)) && !fs::exists(file(c)));

    // A folder that is a link is not ours: nothing is written into its target or changed there.
    fs::permissions(folder / "probe", fs::perms(0755));
    fs::create_directory_symlink(folder / "probe", folder / "link");
    ThumbnailDiskCache linked(folder / "link");
    linked.store(b, 128, image);
    EXPECT_FALSE(linked.load(a, 128));
    EXPECT_EQ(testing::namesIn(folder / "probe").size(), 1u);
    EXPECT_EQ(fs::status(folder / "probe").permissions(), fs::perms(0755));
}

}  // namespace
}  // namespace mosavelle
