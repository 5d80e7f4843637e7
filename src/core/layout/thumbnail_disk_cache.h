#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "core/import/rgba_image.h"
#include "core/platform/file_system.h"

namespace mosavelle {

// Thumbnails kept on disk between runs, so that reopening a deck shows its miniatures without
// decoding its pictures. Keyed by the picture's SHA-256 and the size bucket, not by a file's
// location: a package copy or a moved deck finds its thumbnails again.
//
// One file per thumbnail, "<sha256>-<bucket>.thumb": a small header with a CRC-32 of the
// payload, then the pixels as a JPEG when the thumbnail is opaque and as deflated pixels
// otherwise. Files replace each other atomically (`writeFileAtomically`, without waiting for the
// disk), so a reader (this process or another) never sees half a file; a file that is damaged
// anyway (a crash before the data reached the disk, a stray edit) fails its checks, is removed and
// is written again by the next decode. Past the capacity, the least recently used files are
// removed until a tenth of it is free again. Hidden files are temporaries of writers.
//
// Thread-safe. Every call touches the disk: call it from worker threads only.
class ThumbnailDiskCache {
public:
    static constexpr std::uint64_t defaultCapacity = std::uint64_t{1} << 30;  // bytes

    // An empty `folder` disables the cache: nothing is found or kept, and so does a folder that
    // is not this user's own (see openPrivateFolder). Files are read and written through `files`.
    explicit ThumbnailDiskCache(std::filesystem::path folder,
                                std::uint64_t capacityBytes = defaultCapacity,
                                FileSystem& files = realFileSystem());

    // $XDG_CACHE_HOME/Mosavelle/thumbnails (an absolute XDG_CACHE_HOME only), else
    // $HOME/.cache/Mosavelle/thumbnails; empty when neither can be found.
    static std::filesystem::path defaultFolder();

    // Whether `sha256` can name a cache file: exactly 64 lower-case hexadecimal digits. Anything
    // else (a damaged or hostile project file) is never used to build a path.
    static bool isKey(std::string_view sha256);

    // The thumbnail kept for the picture and bucket; absent when there is none, the key is not
    // `isKey`, or the file is damaged (it is then removed).
    std::optional<PremultipliedImage> load(std::string_view sha256, int bucket);

    // Keeps `image` for the picture and bucket, replacing any earlier file. Best effort: a full
    // or read-only disk only means the thumbnail is made again next time.
    void store(std::string_view sha256, int bucket, const PremultipliedImage& image);

    // Bytes of thumbnail files this process knows of (tests, benchmarks).
    std::uint64_t bytesOnDisk();

private:
    struct FileFacts {
        std::uint64_t size = 0;
        std::int64_t lastUse = 0;  // nanoseconds of the file time
    };

    std::filesystem::path pathFor(std::string_view sha256, int bucket) const;
    bool folderReady();
    bool folderReadyLocked();
    void scanLocked();
    void forgetLocked(const std::string& name);
    void evictLocked(const std::string& keep);

    const std::filesystem::path folder_;
    const std::uint64_t capacity_;
    FileSystem& disk_;
    std::mutex mutex_;
    bool folderChecked_ = false;
    bool folderReady_ = false;
    bool scanned_ = false;
    std::map<std::string, FileFacts> files_;  // by file name
    std::uint64_t total_ = 0;
};

}  // namespace mosavelle
