#include "app/thumbnails/thumbnail_provider.h"

#include "app_test_support.h"
#include "core/layout/thumbnail_disk_cache.h"
#include "core/platform/sha256.h"
#include "support/test_support.h"

namespace {

// Whether the top-left corner of `image` shows the red block of the fixtures' scene.
bool redTopLeft(const QImage& image) {
    const QColor corner = image.pixelColor(2, 2);
    return corner.red() > 170 && corner.green() < 90;
}

}  // namespace

class ThumbnailProviderTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answersLaterWithTheCachesPixelsUnconvertedRetriesAFailureAfterADelayAndDropsPictures() {
        ThumbnailCache cache(ThumbnailCache::Options{.threads = 1});
        ThumbnailProvider provider(cache);
        QSignalSpy ready(&provider, &ThumbnailProvider::thumbnailReady);
        const Bytes bytes = testing::fixtureBytes("alpha.png");
        const Uuid id = testing::fixedUuid(1);

        QVERIFY(provider.image(id, bytes, 100).isNull());  // never decodes on this thread
        QVERIFY(ready.wait(10000));
        QCOMPARE(ready.takeFirst().at(0).value<Uuid>(), id);
        QVERIFY(provider.isReady(id, 128));
        const QImage image = provider.image(id, bytes, 128);
        QCOMPARE(image.format(), QImage::Format_ARGB32_Premultiplied);
        // The cache's premultiplied native words, shown without a conversion.
        QCOMPARE(image.constBits(), cache.cached(id, 128)->pixels.data());
        QCOMPARE(image.size(), QSize(cache.cached(id, 128)->width, cache.cached(id, 128)->height));

        // A larger bucket is made on request and announced once ready (the painter suite sees the
        // smaller one stand in meanwhile).
        provider.image(id, bytes, 400);
        QVERIFY(ready.wait(10000));
        QVERIFY(provider.isReady(id, 512));

        // One worker: the broken picture has failed by the time the good one is announced.
        const Uuid broken = testing::fixedUuid(2), good = testing::fixedUuid(3);
        const std::size_t decoded = cache.stats().decoded;
        ready.clear();
        provider.image(broken, testing::fixtureBytes("text.jpg"), 128);
        provider.image(good, testing::fixtureBytes("picture.png"), 128);
        QVERIFY(ready.wait(10000));
        QCOMPARE(ready.takeFirst().at(0).value<Uuid>(), good);
        provider.image(broken, testing::fixtureBytes("text.jpg"), 128);
        QTest::qWait(50);
        QCOMPARE(cache.stats().decoded, decoded + 2);
        QVERIFY(ready.isEmpty());
        // Past the retry delay (none here) a failed bucket is asked for again: failures may pass.
        ThumbnailProvider retrying(cache, nullptr, std::chrono::milliseconds(0));
        QTRY_VERIFY_WITH_TIMEOUT((retrying.image(broken, testing::fixtureBytes("text.jpg"), 128),
                                  cache.stats().decoded >= decoded + 4),
                                 10000);

        provider.dropPictures({id, good, broken});
        QVERIFY(!provider.isReady(good, 128));
        QCOMPARE(cache.count(), std::size_t{0});
        QVERIFY(provider.image(good, testing::fixtureBytes("picture.png"), 128).isNull());
        QVERIFY(ready.wait(10000));
    }

    // The fixture's pixels are plain grey; its EXIF thumbnail shows the scene, stored turned.
    void showsTheEmbeddedPreviewUntilTheMiniatureAndReadsKeptMiniaturesWithoutDecoding() {
        testing::TempDir folder;
        const Bytes file = testing::fixtureBytes("embedded-thumbnail.jpg");
        const std::string digest = sha256Hex(file);
        const Uuid id = testing::fixedUuid(1), cut = testing::fixedUuid(2);
        {
            ThumbnailCache cache(ThumbnailCache::Options{
                .disk = std::make_shared<ThumbnailDiskCache>(folder.path()), .threads = 1});
            ThumbnailProvider provider(cache);
            QSignalSpy ready(&provider, &ThumbnailProvider::thumbnailReady);

            // Pixels cut short never decode: the preview stays, upright.
            const std::size_t scan = file.view().rfind("\xff\xda");
            const Bytes damaged(file.data(), scan + 40);
            provider.image(cut, damaged, 64);
            QVERIFY(ready.wait(10000));
            QTest::qWait(100);
            QCOMPARE(ready.count(), 1);
            const QImage preview = provider.image(cut, damaged, 64);
            QCOMPARE(preview.size(), QSize(64, 40));
            QVERIFY(redTopLeft(preview));
            QVERIFY(!provider.isReady(cut, 64));

            // A whole file: the preview is announced, then the miniature replaces it.
            ready.clear();
            provider.image(id, file, 400, digest);
            QTRY_VERIFY_WITH_TIMEOUT(provider.isReady(id, 400), 10000);
            QTRY_COMPARE(ready.count(), 2);
            QVERIFY(!redTopLeft(provider.image(id, file, 400, digest)));
            QCOMPARE(cache.stats().previews, std::size_t{2});
        }
        // A later run finds the miniature on disk, and serves a smaller size from it.
        ThumbnailCache cache(ThumbnailCache::Options{
            .disk = std::make_shared<ThumbnailDiskCache>(folder.path()), .threads = 1});
        ThumbnailProvider provider(cache);
        provider.image(id, file, 64, digest);
        QTRY_VERIFY_WITH_TIMEOUT(provider.isReady(id, 64), 10000);
        QCOMPARE(cache.stats().decoded, std::size_t{0});
        QCOMPARE(cache.stats().previews, std::size_t{0});
        QCOMPARE(provider.image(id, file, 64, digest).size(), QSize(64, 40));
    }

    void aProviderGoneWithRequestsInFlightIsNeverCalled() {
        // One thread and many requests: far more work than can finish before the provider goes,
        // even on a loaded machine.
        ThumbnailCache cache(ThumbnailCache::Options{.threads = 1});
        const Bytes bytes = testing::fixtureBytes("orient-6.jpg");
        {
            ThumbnailProvider provider(cache);
            for (std::uint8_t n = 10; n < 210; ++n)
                provider.image(testing::fixedUuid(n), bytes, 512);
        }
        // Answers still arriving must find nobody to call; wait until the pool has gone quiet.
        std::size_t decoded = cache.stats().decoded;
        for (int quiet = 0, rounds = 0; quiet < 4 && rounds < 200; ++rounds) {
            QTest::qWait(50);
            const std::size_t now = cache.stats().decoded;
            quiet = now == decoded ? quiet + 1 : 0;
            decoded = now;
        }
        QVERIFY(decoded < 200);  // requests not yet started were abandoned
    }
};

MOSAVELLE_APP_TEST_MAIN(ThumbnailProviderTest)
#include "thumbnail_provider_test.moc"
