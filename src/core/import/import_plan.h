#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "core/import/image_source.h"
#include "core/model/project.h"
#include "core/platform/bytes.h"
#include "core/platform/stored_bytes.h"
#include "core/platform/uuid.h"

namespace mosavelle {

// One file accepted for import.
struct ImportItem {
    std::filesystem::path url;  // where the bytes came from; for pasted pictures the name alone
    // The complete file, read once: its copy in the staging folder the plan was given, or else
    // the file itself, checked against `sha256` whenever it is read again.
    StoredBytes data;
    DecodedImageInfo info;
    std::string originalName;  // last path component, extension included
    // sha256Hex(data), kept so that the digest is computed once per file. Empty when the item
    // was made elsewhere, in which case makeSourceImage computes it, or for a file read in place
    // that its plan's `DigestScope` left without one, which then has none.
    std::string sha256;
    PictureMetadata metadata;  // read from the file's own metadata blocks
    friend bool operator==(const ImportItem&, const ImportItem&) = default;
};

// The longer side of the thumbnail an import decodes to prove that a picture's pixels read.
inline constexpr int importCheckThumbnailSize = 256;

// How examining a file proves that its pixels can be used.
enum class DecodeProof {
    // A thumbnail is decoded, which reads every pixel of the file.
    thumbnail,
    // A JPEG or PNG passes when its container is whole and within the decode bounds: the checks
    // an export at best quality makes before it embeds such a file as it is stored. Other kinds
    // still decode a thumbnail. For work that embeds the pictures at best and keeps no project,
    // where decoding every picture would cost many times the copying it does.
    containerForEmbedding,
};

// Which accepted pictures an import takes the SHA-256 digest of.
enum class DigestScope {
    // Every one: the digest goes with the picture into the deck, a saved project and the
    // duplicate checks of later imports.
    everyPicture,
    // Only a picture of the same size as another (in the deck or earlier in the batch), where the
    // digest decides whether the two are duplicates; the others carry none. For work that imports
    // once and keeps no project, where hashing every picture would cost as much as copying it.
    // Applies to files read in place: one whose stamp did not hold still during its read is
    // hashed all the same, so that a later read can tell whether it changed.
    sameSizeOnly,
};

struct ImportDuplicate {
    ImportItem incoming;
    std::string existingSHA;  // the digest shared with the deck's picture or the earlier file
    friend bool operator==(const ImportDuplicate&, const ImportDuplicate&) = default;
};

struct ImportFailure {
    std::string name;                         // the file name
    std::string message;                      // one user-facing sentence
    std::optional<Text> text = std::nullopt;  // that sentence by identifier
    // Equal when they name the same file with the same sentence, however it was made.
    friend bool operator==(const ImportFailure& a, const ImportFailure& b) {
        return a.name == b.name && a.message == b.message;
    }
};

// The outcome of examining one batch of files.
struct ImportPlan {
    std::vector<ImportItem> items;            // accepted files, in the order examined
    std::vector<ImportDuplicate> duplicates;  // same bytes as a deck picture or an earlier item
    std::vector<ImportFailure> failures;      // files that could not be read or are no pictures
    std::vector<std::string> animatedNames;   // names of items with more than one frame
    friend bool operator==(const ImportPlan&, const ImportPlan&) = default;
};

struct ImportPlanOptions {
    // Called on the calling thread with the number of files examined so far and the number
    // found: once with 0 before the first file, then after each file in order.
    std::function<void(std::size_t done, std::size_t total)> progress;
    // Called on the calling thread with each accepted item (neither a duplicate nor a failure)
    // as soon as its file and every file before it are examined, before the progress report
    // that counts its file: in the end the items it was given are, in order, the plan's `items`.
    // An item that `digests` left without a digest may still get one in the plan, once another
    // picture of its size turns up.
    std::function<void(const ImportItem& item)> accepted;
    // Checked between files; once stop is requested the plan is abandoned.
    std::stop_token stop;
    // Files read, hashed and examined at the same time; 0 picks one per processor (at most 8).
    unsigned threads = 0;
    // Where each accepted file is copied as it is read (the importing document's staging
    // folder), so that the deck keeps it whatever becomes of the file. Without one, items refer
    // to the files themselves, which is enough for work that ends before they could change.
    std::shared_ptr<StagingFolder> staging;
    DecodeProof decodeProof = DecodeProof::thumbnail;
    DigestScope digests = DigestScope::everyPicture;
    // Given each accepted picture's digest and its miniature: the upright thumbnail, longer side
    // at most `importCheckThumbnailSize`, that the decode proving the picture readable made, so
    // that whoever shows the picture small need not decode it again (a thumbnail cache). Called
    // on the threads examining the files, in no particular order, for files decoded to prove
    // them (see `decodeProof`) that have a digest, duplicates included; what it throws is
    // ignored.
    std::function<void(const std::string& sha256, const RgbaImage& miniature)> miniatures;
};

// Examines `files` in order: each is read once (and copied into `options.staging` from that one
// read); a read error, a failure to copy, bytes that do not open as a picture, an ImageIOError or
// pixels that do not decode (as `options.decodeProof` proves them: damaged data, a picture past
// the decode limit) becomes a failure with that sentence, and never an item as well; every other
// file becomes an item, or a duplicate when its digest equals one of `existingImages` (used or
// not) or an item already accepted in this batch. A file that `options.digests` left without a
// digest is read again, to take it, once another picture of its size turns up. The work may run
// on several threads; the plan is the one a sequential run gives. Nothing when stopped before the
// end.
std::optional<ImportPlan> planImportOfFiles(const std::vector<std::filesystem::path>& files,
                                            const ImageList& existingImages,
                                            const ImportPlanOptions& options = {});

// collectImageFiles(urls, includeSubfolders), then planImportOfFiles.
std::optional<ImportPlan> makeImportPlan(const std::vector<std::filesystem::path>& urls,
                                         const ImageList& existingImages, bool includeSubfolders,
                                         const ImportPlanOptions& options = {});

// The picture record for an accepted item: stored as "<ID>.<lower-case extension>" ("img" when
// the name has none), facts, metadata and digest copied from the item, included, without import
// error.
SourceImage makeSourceImage(const ImportItem& item, const Uuid& id);

// The notes shown after an import: one "name: message" line per failure, then, after an empty
// line, the animated-picture sentence when any item is animated. Nothing when neither applies.
std::optional<std::string> importNotes(const ImportPlan& plan);

inline constexpr std::string_view animatedPictureNote = englishTemplate(TextId::animatedFirstFrame);

}  // namespace mosavelle
