#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "core/export/package_file.h"
#include "core/export/picture_encoding.h"
#include "core/export/zip_archive.h"
#include "core/model/project.h"
#include "core/platform/bytes.h"
#include "core/platform/dates.h"
#include "core/platform/result.h"
#include "core/platform/stored_bytes.h"
#include "core/platform/uuid.h"

namespace mosavelle {

// Everything one export needs, copied from the document when the export starts. Picture bytes
// are shared with the document, not copied (`StoredBytes`), and read one picture at a time.
struct ExportRequest {
    Project project;
    std::unordered_map<Uuid, StoredBytes> imageData;  // by SourceImage.id
    std::optional<Bytes> logoData;
    QualityPreset quality = QualityPreset::best;
    std::filesystem::path destination;
    // The user's locale (BCP 47 tag or ICU name; empty: the process's): the language of the text
    // when the deck names none.
    std::string userLocale;
};

// What an export is doing: preparing its slides, building slide `slide` of `slideCount`, writing
// the file, done.
enum class ExportStage { preparing, buildingSlide, writing, done };

// One progress report: `fraction` from 0 to 1 (never decreasing within an export), the stage (with
// the slide number and count while building slides) and its English text (exportStageMessage), for
// an interface to show in its own words.
struct ExportProgress {
    double fraction = 0;
    std::string message;
    ExportStage stage = ExportStage::preparing;
    std::size_t slide = 0;
    std::size_t slideCount = 0;
    friend bool operator==(const ExportProgress&, const ExportProgress&) = default;
};

// "Preparing slides…", "Building slide 3 of 12…", "Writing presentation…", "Done".
std::string exportStageMessage(ExportStage stage, std::size_t slide = 0,
                               std::size_t slideCount = 0);

using ExportProgressHandler = std::function<void(const ExportProgress&)>;

// The cancel flag shared by the progress panel (which sets it) and the export (which polls it
// before each slide and before the file is put in place). Thread-safe.
class ExportCancellation {
public:
    void cancel() {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    bool isCancelled() const {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }

private:
    mutable std::mutex mutex_;
    bool cancelled_ = false;
};

// Forwards the export's reports to a handler the interface may install or replace at any time.
// The handler runs on the export's thread, outside the lock; it should only schedule an update
// on the interface thread. Thread-safe.
class ExportProgressRelay {
public:
    void setHandler(ExportProgressHandler handler) {
        std::lock_guard lock(mutex_);
        handler_ = std::move(handler);
    }
    void report(const ExportProgress& progress) const {
        ExportProgressHandler handler;
        {
            std::lock_guard lock(mutex_);
            handler = handler_;
        }
        if (handler)
            handler(progress);
    }

private:
    mutable std::mutex mutex_;
    ExportProgressHandler handler_;
};

struct ExportOptions {
    // Threads encoding distinct pictures side by side; 0 means one per processor. The package is
    // the same, byte for byte, for every value.
    unsigned encodingThreads = 0;
    // The moment stamped into the core properties; absent means now.
    std::optional<Timestamp> timestamp;
    // The file system written through and where the temporary file may go (tests).
    PackageFileOptions file;
    // Where the archive turns to ZIP64 records; lowered only by tests.
    ZipLimits archive;
    // How a JPEG stored turned is made upright at best. The slides look the same either way; the
    // shape's turn keeps the file's bytes and costs nothing, the lossless one is the reference.
    RotatedJpeg rotatedJpeg = RotatedJpeg::turnByShape;
};

// Writes `request.project` as a presentation package at `request.destination`.
//
// Slides that are excluded are skipped and take no number. Each distinct picture is encoded once,
// at the size of its first placement, and named by first use (image1, image2, ...); the logo is
// stored once as ppt/media/logo.png. A picture whose SourceImage or bytes are missing, or which
// could not be imported, is left out of its slide. The archive is streamed into a temporary file
// beside the destination, which replaces the destination only when complete: on any failure or
// cancellation the destination is untouched and no temporary file remains.
//
// Reports progress through `progress` when given: 0.02, then 0.05 + 0.8 × i ÷ N before slide i,
// then 0.95 and, on success only, 1.0. Cancellation is noticed before each slide and once before
// the package is put in place. Fails with the error of the step that failed (a picture or logo
// that cannot be read or encoded, as "FILE NAME: sentence"; a file-system error; a part name past
// the archive format's limit) or with the cancellation error (`isExportCancellation`). Runs on the
// caller's thread.
Status exportPresentation(const ExportRequest& request, const ExportProgressHandler& progress,
                          const ExportCancellation& cancellation,
                          const ExportOptions& options = {});

// True for the error an export returns when it saw the cancel flag set.
bool isExportCancellation(const Error& error);

}  // namespace mosavelle
