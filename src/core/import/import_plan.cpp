#include "core/import/import_plan.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <variant>

#include "core/import/file_collection.h"
#include "core/import/file_names.h"
#include "core/import/metadata_reader.h"
#include "core/import/picture_file.h"
#include "core/platform/crc32.h"
#include "core/platform/names.h"
#include "core/platform/ordered_jobs.h"
#include "core/platform/sha256.h"

namespace mosavelle {

namespace fs = std::filesystem;

namespace {

// What examining one file gave: an item (with its digest) or a failure.
using Examined = std::variant<ImportItem, ImportFailure>;

ImportFailure failureSaying(std::string name, Text text) {
    std::string message = englishText(text);
    return ImportFailure{std::move(name), std::move(message), std::move(text)};
}

using MiniatureSink = std::function<void(const std::string&, const RgbaImage&)>;

// Whether the picture's pixels read, as `proof` proves it; the thumbnail that proof decoded goes
// to `miniature` when there is one.
bool decodes(const PictureFile& picture, DecodeProof proof, std::optional<RgbaImage>& miniature) {
    const std::string_view type = picture.info.uti;
    if (proof == DecodeProof::containerForEmbedding &&
        (type == "public.jpeg" || type == "public.png"))
        return picture.source.passesDecodeChecks();
    miniature = picture.source.decodeThumbnail(importCheckThumbnailSize);
    return miniature.has_value();
}

// Hands the miniature on; a failure there (out of memory, a full disk) is no failure of the file.
void keepMiniature(const MiniatureSink& sink, const std::string& digest,
                   const std::optional<RgbaImage>& miniature) {
    if (!sink || !miniature || digest.empty())
        return;
    try {
        sink(digest, *miniature);
    } catch (...) {  // NOLINT(bugprone-empty-catch): a miniature is only ever a convenience
    }
}

Examined examineFile(const fs::path& path, StagingFolder* staging, DecodeProof proof,
                     DigestScope digests, const MiniatureSink& miniatures) {
    std::string name = path.filename().string();
    try {
        // Without a staging folder the file is read again later: its stamp around this read lets
        // that read recognise these bytes without hashing them a second time.
        const std::optional<FileStamp> before = staging ? std::nullopt : fileStampOf(path);
        PictureFileResult read = readPictureFile(path);
        if (auto* failure = std::get_if<PictureFileFailure>(&read))
            return ImportFailure{std::move(name), std::move(failure->sentence),
                                 std::move(failure->text)};
        auto& picture = std::get<PictureFile>(read);
        // A picture whose pixels do not read is no picture the deck could show or export: it
        // fails like a file that is no picture at all.
        std::optional<RgbaImage> miniature;
        if (!decodes(picture, proof, miniature))
            return failureSaying(std::move(name), Text{TextId::imageUnreadable});
        const Bytes& bytes = picture.source.bytes();
        // The bytes read here are the only read of the file: copied into the staging folder, or
        // dropped when the file itself is to be read again later (its stamp or digest guards
        // that read).
        std::string digest;
        StoredBytes stored;
        if (staging) {
            digest = sha256Hex(bytes);
            auto staged = staging->store(bytes, digest);
            if (!staged)
                return failureSaying(std::move(name), Text{TextId::fileNotCopied});
            stored = std::move(*staged);
        } else {
            std::optional<FileStamp> stamp = fileStampOf(path);
            if (stamp && stamp == before)
                stamp->crc32 = crc32Of(bytes.span());
            else
                stamp.reset();
            if (digests == DigestScope::everyPicture || !stamp)
                digest = sha256Hex(bytes);
            stored = StoredBytes::external(path, bytes.size(), digest, true, stamp);
        }
        keepMiniature(miniatures, digest, miniature);
        return ImportItem{path,
                          std::move(stored),
                          std::move(picture.info),
                          std::move(name),
                          std::move(digest),
                          readPictureMetadata(bytes.span())};
    } catch (const std::exception&) {
        // Out of memory for a huge file: that file fails, the batch goes on.
        return failureSaying(std::move(name), Text{TextId::fileTooLarge});
    }
}

// The digest of a file read in place without one, from a second read; nothing when that read
// fails (the file changed or went since the first).
std::optional<std::string> digestOf(const StoredBytes& data) {
    Result<Bytes> bytes = data.read();
    return bytes ? std::optional(sha256Hex(*bytes)) : std::nullopt;
}

// The order-dependent half of planning: duplicate detection against the deck and the batch.
// Pictures can only be duplicates at equal sizes, so an item without a digest gets one, and so
// do the earlier items of its size, only once its size is shared.
class PlanBuilder {
public:
    explicit PlanBuilder(const ImageList& existingImages) {
        for (const auto& image : existingImages)
            if (!image.sha256.empty()) {
                known_.insert(image.sha256);
                digestedSizes_.insert(static_cast<std::uint64_t>(image.byteCount));
            }
    }

    void add(Examined examined) {
        if (auto* failure = std::get_if<ImportFailure>(&examined)) {
            plan_.failures.push_back(std::move(*failure));
            return;
        }
        auto& item = std::get<ImportItem>(examined);
        const std::uint64_t size = item.data.size();
        if (item.sha256.empty() && (digestedSizes_.contains(size) || undigested_.contains(size))) {
            std::optional<std::string> digest = digestOf(item.data);
            if (!digest) {
                plan_.failures.push_back(
                    failureSaying(item.originalName, Text{TextId::fileChanged}));
                return;
            }
            item.sha256 = std::move(*digest);
        }
        if (!item.sha256.empty()) {
            digestEarlierItemsOfSize(size);
            if (!known_.insert(item.sha256).second) {
                std::string digest = item.sha256;
                plan_.duplicates.push_back(ImportDuplicate{std::move(item), std::move(digest)});
                return;
            }
        }
        if (item.info.frameCount > 1)
            plan_.animatedNames.push_back(item.originalName);
        if (item.sha256.empty())
            undigested_[size].push_back(plan_.items.size());
        plan_.items.push_back(std::move(item));
    }

    const std::vector<ImportItem>& items() const { return plan_.items; }
    ImportPlan take() { return std::move(plan_); }

private:
    // Gives the accepted items of `size` that have no digest theirs. One whose file cannot be
    // read again stays without: it is no duplicate anyone can prove, and its export will find it
    // changed.
    void digestEarlierItemsOfSize(std::uint64_t size) {
        digestedSizes_.insert(size);
        const auto found = undigested_.find(size);
        if (found == undigested_.end())
            return;
        for (const std::size_t index : found->second) {
            ImportItem& earlier = plan_.items[index];
            if (std::optional<std::string> digest = digestOf(earlier.data)) {
                earlier.sha256 = std::move(*digest);
                known_.insert(earlier.sha256);
            }
        }
        undigested_.erase(found);
    }

    std::unordered_set<std::string> known_;
    std::unordered_set<std::uint64_t> digestedSizes_;  // of pictures with a digest
    // Indices in `plan_.items` of the items without a digest, by size.
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> undigested_;
    ImportPlan plan_;
};

unsigned threadCount(const ImportPlanOptions& options, std::size_t files) {
    unsigned threads = options.threads;
    if (threads == 0)
        threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    return static_cast<unsigned>(std::min<std::size_t>(threads, files));
}

}  // namespace

std::optional<ImportPlan> planImportOfFiles(const std::vector<fs::path>& files,
                                            const ImageList& existingImages,
                                            const ImportPlanOptions& options) {
    const std::size_t total = files.size();
    const auto report = [&](std::size_t done) {
        if (options.progress)
            options.progress(done, total);
    };
    PlanBuilder builder(existingImages);
    report(0);

    // Files are examined on a pool of threads and taken in file order, so the plan and the
    // progress reports are those of a sequential run.
    StagingFolder* staging = options.staging.get();
    std::vector<OrderedJobs<Examined>::Job> jobs;
    jobs.reserve(total);
    for (const fs::path& file : files)
        jobs.push_back([&file, &options, staging] {
            return examineFile(file, staging, options.decodeProof, options.digests,
                               options.miniatures);
        });
    const unsigned threads = threadCount(options, total);
    OrderedJobs<Examined> examined(std::move(jobs), threads, std::size_t{threads} * 4,
                                   WorkerPriority::background);
    for (std::size_t i = 0; i < total; ++i) {
        std::optional<Examined> next = examined.take(options.stop);
        if (!next)
            return std::nullopt;
        const std::size_t accepted = builder.items().size();
        builder.add(std::move(*next));
        if (options.accepted && builder.items().size() > accepted)
            options.accepted(builder.items().back());
        report(i + 1);
    }
    return builder.take();
}

std::optional<ImportPlan> makeImportPlan(const std::vector<fs::path>& urls,
                                         const ImageList& existingImages, bool includeSubfolders,
                                         const ImportPlanOptions& options) {
    if (options.stop.stop_requested())
        return std::nullopt;
    return planImportOfFiles(collectImageFiles(urls, includeSubfolders), existingImages, options);
}

SourceImage makeSourceImage(const ImportItem& item, const Uuid& id) {
    const std::string extension = asciiLowercased(pathExtension(item.originalName));
    SourceImage image;
    image.id = id;
    image.storedFileName = id.text() + "." + (extension.empty() ? std::string("img") : extension);
    image.originalFileName = item.originalName;
    image.byteCount = static_cast<std::int64_t>(item.data.size());
    if (!item.sha256.empty()) {
        image.sha256 = item.sha256;
    } else if (const std::string* known = item.data.knownDigest()) {
        image.sha256 = *known;
    } else if (!item.data.file()) {
        // Bytes in memory (a pasted picture): digested here. A file without a digest was read
        // in place by a plan that wanted none.
        auto bytes = item.data.read();
        image.sha256 = sha256Hex(bytes ? *bytes : Bytes());
    }
    image.pixelWidth = item.info.pixelWidth;
    image.pixelHeight = item.info.pixelHeight;
    image.dpiX = item.info.dpiX;
    image.dpiY = item.info.dpiY;
    image.captureDate = item.info.captureDate;
    image.hasAlpha = item.info.hasAlpha;
    image.frameCount = item.info.frameCount;
    image.metadata = item.metadata;
    image.uti = item.info.uti;
    image.isIncluded = true;
    return image;
}

std::optional<std::string> importNotes(const ImportPlan& plan) {
    std::vector<std::string> pieces;
    if (!plan.failures.empty()) {
        std::string lines;
        for (const auto& failure : plan.failures) {
            if (!lines.empty())
                lines += '\n';
            lines += failure.name + ": " + failure.message;
        }
        pieces.push_back(std::move(lines));
    }
    if (!plan.animatedNames.empty())
        pieces.emplace_back(animatedPictureNote);
    if (pieces.empty())
        return std::nullopt;
    std::string notes = pieces.front();
    for (std::size_t i = 1; i < pieces.size(); ++i)
        notes += "\n\n" + pieces[i];
    return notes;
}

}  // namespace mosavelle
