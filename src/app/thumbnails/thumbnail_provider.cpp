#include "app/thumbnails/thumbnail_provider.h"

#include <iterator>
#include <utility>

namespace mosavelle::app {

namespace {

bool holds(const std::map<Uuid, std::map<int, std::uint64_t>>& buckets, const Uuid& pictureID,
           int bucket) {
    auto found = buckets.find(pictureID);
    return found != buckets.end() && found->second.contains(bucket);
}

}  // namespace

// Pool threads post their answers through `post_`, which drops them once the provider is gone or
// shut down.
ThumbnailProvider::ThumbnailProvider(ThumbnailCache& cache, QObject* parent,
                                     std::chrono::milliseconds retryDelay)
    : QObject(parent),
      cache_(cache),
      post_(this),
      generation_(cache.newGeneration()),
      retryDelay_(retryDelay) {}

ThumbnailProvider::~ThumbnailProvider() {
    post_.close();
    cache_.cancel(generation_);
    for (const auto& [view, generation] : rounds_)
        cache_.cancel(generation);
}

int ThumbnailProvider::bucketFor(int pixelSize) {
    return thumbnailBucket(pixelSize);
}

QImage ThumbnailProvider::wrap(ThumbnailImage image) {
    if (!image)
        return {};
    // The QImage reads the cache's pixels in place and keeps them alive; being const, they are
    // copied only if someone paints into the QImage.
    const PremultipliedImage& pixels = *image;
    auto* owner = new ThumbnailImage(std::move(image));
    return QImage(
        pixels.pixels.data(), pixels.width, pixels.height,
        static_cast<qsizetype>(pixels.bytesPerLine()), QImage::Format_ARGB32_Premultiplied,
        [](void* held) { delete static_cast<ThumbnailImage*>(held); }, owner);
}

bool ThumbnailProvider::isReady(const Uuid& pictureID, int pixelSize) const {
    return cache_.cached(pictureID, pixelSize) != nullptr;
}

std::optional<ThumbnailProvider::Wanted> ThumbnailProvider::wanted(const Project& project,
                                                                   const ImageDataMap& pictures,
                                                                   const Uuid& pictureID,
                                                                   int pixelSize) {
    const auto bytes = pictures.find(pictureID);
    if (bytes == pictures.end() || bytes->second.empty())
        return std::nullopt;
    const SourceImage* record = project.sourceImage(pictureID);
    return Wanted{pictureID, bytes->second, record ? record->sha256 : std::string(), pixelSize};
}

QImage ThumbnailProvider::image(const Project& project, const ImageDataMap& pictures,
                                const Uuid& pictureID, int pixelSize) {
    const auto bytes = pictures.find(pictureID);
    if (bytes == pictures.end() || bytes->second.empty())
        return {};
    const SourceImage* record = project.sourceImage(pictureID);
    return image(pictureID, bytes->second, pixelSize, record ? record->sha256 : std::string());
}

void ThumbnailProvider::send(const Wanted& wanted, int bucket, std::uint64_t generation,
                             int priority) {
    inFlight_[wanted.pictureID][bucket] = generation;
    const Uuid pictureID = wanted.pictureID;
    cache_.request(
        ThumbnailCache::Request{pictureID, wanted.bytes, wanted.sha256, bucket, generation,
                                priority},
        post_,
        [this, pictureID, bucket](ThumbnailImage image) {
            deliver(pictureID, bucket, std::move(image));
        },
        [this, pictureID](const ThumbnailImage&) { Q_EMIT thumbnailReady(pictureID); });
}

void ThumbnailProvider::prefetch(const QObject* view, const std::vector<Wanted>& visible,
                                 const std::vector<Wanted>& around) {
    const std::uint64_t generation = cache_.newGeneration();
    auto ask = [&](const Wanted& wanted, int priority) {
        const int bucket = bucketFor(wanted.pixelSize);
        if (!failedLately(wanted.pictureID, bucket) && !cache_.cached(wanted.pictureID, bucket))
            send(wanted, bucket, generation, priority);
    };
    for (const Wanted& wanted : visible)
        ask(wanted, visiblePriority);
    for (const Wanted& wanted : around)
        ask(wanted, aroundPriority);

    auto [round, isNew] = rounds_.try_emplace(view, generation);
    if (isNew) {
        connect(view, &QObject::destroyed, this, [this, view] {
            if (auto found = rounds_.find(view); found != rounds_.end()) {
                cache_.cancel(found->second);
                rounds_.erase(found);
            }
        });
        return;
    }
    // The earlier call's requests that were not asked for again end here; those asked again
    // joined their work under the new generation first, so it goes on.
    const std::uint64_t earlier = std::exchange(round->second, generation);
    cache_.cancel(earlier);
    for (auto picture = inFlight_.begin(); picture != inFlight_.end();) {
        std::erase_if(picture->second,
                      [earlier](const auto& bucket) { return bucket.second == earlier; });
        picture = picture->second.empty() ? inFlight_.erase(picture) : std::next(picture);
    }
}

QImage ThumbnailProvider::image(const Uuid& pictureID, const StoredBytes& bytes, int pixelSize,
                                const std::string& sha256) {
    if (auto exact = cache_.cached(pictureID, pixelSize))
        return wrap(std::move(exact));

    const int bucket = bucketFor(pixelSize);
    if (!holds(inFlight_, pictureID, bucket) && !failedLately(pictureID, bucket))
        send(Wanted{pictureID, bytes, sha256, pixelSize}, bucket, generation_, paintPriority);
    return wrap(cache_.bestCached(pictureID, pixelSize));
}

void ThumbnailProvider::deliver(const Uuid& pictureID, int bucket, ThumbnailImage image) {
    if (auto found = inFlight_.find(pictureID); found != inFlight_.end()) {
        found->second.erase(bucket);
        if (found->second.empty())
            inFlight_.erase(found);
    }
    if (!image) {
        failed_[pictureID][bucket] = std::chrono::steady_clock::now();
        return;
    }
    Q_EMIT thumbnailReady(pictureID);
}

bool ThumbnailProvider::failedLately(const Uuid& pictureID, int bucket) const {
    const auto found = failed_.find(pictureID);
    if (found == failed_.end())
        return false;
    const auto when = found->second.find(bucket);
    return when != found->second.end() &&
           std::chrono::steady_clock::now() - when->second < retryDelay_;
}

void ThumbnailProvider::dropPictures(const std::vector<Uuid>& pictureIDs) {
    cache_.drop(pictureIDs);
    for (const Uuid& id : pictureIDs) {
        inFlight_.erase(id);
        failed_.erase(id);
    }
}

}  // namespace mosavelle::app
