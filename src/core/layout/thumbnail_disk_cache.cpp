#include "core/layout/thumbnail_disk_cache.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include <libdeflate.h>
#include <turbojpeg.h>

#include "core/platform/byte_order.h"
#include "core/platform/crc32.h"
#include "core/platform/private_folder.h"
#include "core/platform/replace_file.h"

namespace mosavelle {

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[8] = {'M', 'O', 'S', 'T', 'H', 'M', 'B', '1'};
constexpr std::size_t kHeaderSize = 28;  // magic, width, height, codec, payload size, CRC-32
constexpr std::uint32_t kJpeg = 1;       // opaque pixels as a JPEG
constexpr std::uint32_t kDeflated = 2;   // the premultiplied words, deflated
constexpr int kJpegQuality = 90;
constexpr int kLargestSide = 4096;  // no bucket is larger: anything beyond is damage
constexpr std::string_view kSuffix = ".thumb";
// No thumbnail file is larger: the header and 4096 x 4096 pixels deflated at their worst.
constexpr std::uint64_t kLargestFile = kHeaderSize + std::uint64_t(kLargestSide) * kLargestSide * 5;

// The pixel format of PremultipliedImage for the JPEG codec: the words' bytes in memory.
constexpr int kPixelFormat = std::endian::native == std::endian::little ? TJPF_BGRA : TJPF_ARGB;

void putWord(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool isOpaque(const PremultipliedImage& image) {
    const std::size_t alpha = std::endian::native == std::endian::little ? 3 : 0;
    for (std::size_t i = alpha; i < image.pixels.size(); i += 4) {
        if (image.pixels[i] != 255)
            return false;
    }
    return true;
}

struct TurboJpegRelease {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboJpeg = std::unique_ptr<void, TurboJpegRelease>;

std::optional<std::vector<std::uint8_t>> jpegPayload(const PremultipliedImage& image) {
    TurboJpeg compressor(tjInitCompress());
    if (!compressor)
        return std::nullopt;
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (tjCompress2(compressor.get(), image.pixels.data(), image.width,
                    static_cast<int>(image.bytesPerLine()), image.height, kPixelFormat, &jpeg,
                    &size, TJSAMP_444, kJpegQuality, 0) != 0) {
        tjFree(jpeg);
        return std::nullopt;
    }
    std::vector<std::uint8_t> payload(jpeg, jpeg + size);
    tjFree(jpeg);
    return payload;
}

std::optional<std::vector<std::uint8_t>> deflatedPayload(const PremultipliedImage& image) {
    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(1), libdeflate_free_compressor);
    if (!compressor)
        return std::nullopt;
    std::vector<std::uint8_t> payload(
        libdeflate_deflate_compress_bound(compressor.get(), image.pixels.size()));
    const std::size_t size = libdeflate_deflate_compress(
        compressor.get(), image.pixels.data(), image.pixels.size(), payload.data(), payload.size());
    if (size == 0)
        return std::nullopt;
    payload.resize(size);
    return payload;
}

std::optional<std::vector<std::uint8_t>> encodeFile(const PremultipliedImage& image) {
    if (image.width < 1 || image.height < 1 || image.width > kLargestSide ||
        image.height > kLargestSide || image.pixels.size() != image.bytesPerLine() * image.height)
        return std::nullopt;
    const bool opaque = isOpaque(image);
    auto payload = opaque ? jpegPayload(image) : deflatedPayload(image);
    if (!payload)
        return std::nullopt;
    std::vector<std::uint8_t> file(kHeaderSize + payload->size());
    std::memcpy(file.data(), kMagic, sizeof kMagic);
    putWord(file, 8, static_cast<std::uint32_t>(image.width));
    putWord(file, 12, static_cast<std::uint32_t>(image.height));
    putWord(file, 16, opaque ? kJpeg : kDeflated);
    putWord(file, 20, static_cast<std::uint32_t>(payload->size()));
    putWord(file, 24, crc32Of(*payload));
    std::memcpy(file.data() + kHeaderSize, payload->data(), payload->size());
    return file;
}

// The thumbnail in `file`, when every check passes: the header, the payload's length and CRC,
// the size against the bucket, and the payload's own decoding to exactly that size.
std::optional<PremultipliedImage> decodeFile(std::span<const std::uint8_t> file, int bucket) {
    if (file.size() < kHeaderSize || std::memcmp(file.data(), kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    const std::uint32_t width = littleEndian32(file, 8), height = littleEndian32(file, 12);
    const std::uint32_t codec = littleEndian32(file, 16), size = littleEndian32(file, 20);
    const std::uint8_t* payload = file.data() + kHeaderSize;
    if (width < 1 || height < 1 || std::max(width, height) > std::uint32_t(bucket) ||
        size != file.size() - kHeaderSize ||
        littleEndian32(file, 24) != crc32Of(std::span(payload, size)))
        return std::nullopt;
    PremultipliedImage image;
    image.width = int(width);
    image.height = int(height);
    image.pixels.resize(image.bytesPerLine() * height);
    if (codec == kJpeg) {
        TurboJpeg decompressor(tjInitDecompress());
        int jpegWidth = 0, jpegHeight = 0, subsampling = 0, colourspace = 0;
        if (!decompressor ||
            tjDecompressHeader3(decompressor.get(), payload, size, &jpegWidth, &jpegHeight,
                                &subsampling, &colourspace) != 0 ||
            jpegWidth != image.width || jpegHeight != image.height ||
            tjDecompress2(decompressor.get(), payload, size, image.pixels.data(), image.width,
                          static_cast<int>(image.bytesPerLine()), image.height, kPixelFormat,
                          0) != 0)
            return std::nullopt;
        return image;
    }
    if (codec == kDeflated) {
        std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)>
            decompressor(libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
        if (!decompressor ||
            libdeflate_deflate_decompress(decompressor.get(), payload, size, image.pixels.data(),
                                          image.pixels.size(), nullptr) != LIBDEFLATE_SUCCESS)
            return std::nullopt;
        return image;
    }
    return std::nullopt;
}

std::int64_t nanoseconds(const struct timespec& time) {
    return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

std::int64_t now() {
    struct timespec time {};
    clock_gettime(CLOCK_REALTIME, &time);
    return nanoseconds(time);
}

}  // namespace

ThumbnailDiskCache::ThumbnailDiskCache(fs::path folder, std::uint64_t capacityBytes,
                                       FileSystem& files)
    : folder_(std::move(folder)), capacity_(capacityBytes), disk_(files) {}

fs::path ThumbnailDiskCache::defaultFolder() {
    const fs::path cache = userCacheFolder();
    return cache.empty() ? fs::path() : cache / "Mosavelle" / "thumbnails";
}

bool ThumbnailDiskCache::isKey(std::string_view sha256) {
    return sha256.size() == 64 && std::all_of(sha256.begin(), sha256.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

fs::path ThumbnailDiskCache::pathFor(std::string_view sha256, int bucket) const {
    return folder_ / (std::string(sha256) + "-" + std::to_string(bucket) + std::string(kSuffix));
}

std::optional<PremultipliedImage> ThumbnailDiskCache::load(std::string_view sha256, int bucket) {
    if (!isKey(sha256) || !folderReady())
        return std::nullopt;
    const fs::path path = pathFor(sha256, bucket);
    auto data = disk_.readFile(path, false, kLargestFile);
    if (!data && data.error().clause.code == ErrorCode::notFound)
        return std::nullopt;
    auto image = data ? decodeFile(data->span(), bucket) : std::nullopt;
    if (image)
        (void)disk_.touch(path);  // the file's time is its last use, for eviction

    std::lock_guard lock(mutex_);
    const std::string name = path.filename().string();
    if (!image) {
        (void)disk_.remove(path);
        forgetLocked(name);
        return std::nullopt;
    }
    if (auto found = files_.find(name); found != files_.end())
        found->second.lastUse = now();
    return image;
}

void ThumbnailDiskCache::store(std::string_view sha256, int bucket,
                               const PremultipliedImage& image) {
    if (!isKey(sha256) || !folderReady())
        return;
    auto encoded = encodeFile(image);
    if (!encoded)
        return;
    const Bytes data(std::move(*encoded));
    const fs::path path = pathFor(sha256, bucket);
    const std::string name = path.filename().string();

    std::unique_lock lock(mutex_);
    scanLocked();
    lock.unlock();
    ReplacementOptions options;
    options.fallbackFolder = folder_;  // never a copy in the system's temporary folder
    options.durable = false;
    options.followLinks = false;
    if (!writeFileAtomically(disk_, path, data, options))
        return;

    lock.lock();
    forgetLocked(name);
    files_[name] = FileFacts{data.size(), now()};
    total_ += data.size();
    evictLocked(name);
}

std::uint64_t ThumbnailDiskCache::bytesOnDisk() {
    std::lock_guard lock(mutex_);
    scanLocked();
    return total_;
}

bool ThumbnailDiskCache::folderReady() {
    std::lock_guard lock(mutex_);
    return folderReadyLocked();
}

bool ThumbnailDiskCache::folderReadyLocked() {
    if (!folderChecked_ && !folder_.empty()) {
        folderChecked_ = true;
        // Made or opened as a folder of ours only; one that is a link or another user's is
        // never written, read or changed, and thumbnails are then made anew each run.
        folderReady_ = openPrivateFolder(folder_).ok();
    }
    return folderReady_;
}

void ThumbnailDiskCache::scanLocked() {
    if (scanned_ || !folderReadyLocked())
        return;
    scanned_ = true;
    auto names = disk_.listDirectory(folder_);
    if (!names)
        return;
    for (const std::string& name : *names) {
        const fs::path path = folder_ / name;
        struct stat facts {};
        if (!name.ends_with(kSuffix) || ::lstat(path.c_str(), &facts) != 0 ||
            !S_ISREG(facts.st_mode))
            continue;
        if (name.starts_with('.')) {
            (void)disk_.removeUnheldFile(path);  // left by a writer that crashed
            continue;
        }
        files_[name] =
            FileFacts{static_cast<std::uint64_t>(facts.st_size), nanoseconds(facts.st_mtim)};
        total_ += static_cast<std::uint64_t>(facts.st_size);
    }
}

void ThumbnailDiskCache::forgetLocked(const std::string& name) {
    if (auto found = files_.find(name); found != files_.end()) {
        total_ -= found->second.size;
        files_.erase(found);
    }
}

void ThumbnailDiskCache::evictLocked(const std::string& keep) {
    if (total_ <= capacity_)
        return;
    std::vector<std::pair<std::int64_t, std::string>> byAge;
    byAge.reserve(files_.size());
    for (const auto& [name, facts] : files_) {
        if (name != keep)
            byAge.emplace_back(facts.lastUse, name);
    }
    std::sort(byAge.begin(), byAge.end());
    const std::uint64_t target = capacity_ - capacity_ / 10;
    for (const auto& [time, name] : byAge) {
        if (total_ <= target)
            break;
        (void)disk_.remove(folder_ / name);
        forgetLocked(name);
    }
}

}  // namespace mosavelle
