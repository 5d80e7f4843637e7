#include "app/flows/import_flow.h"

#include <QBuffer>
#include <QFile>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QUrl>
#include <cstdio>
#include <iterator>
#include <utility>

#include "app/document/document_handle.h"
#include "app/support/background_job.h"
#include "app/support/core_texts.h"
#include "app/support/message_boxes.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "core/editing/import_items.h"
#include "core/editing/navigator_text.h"
#include "core/import/file_collection.h"
#include "core/layout/thumbnail_cache.h"

namespace mosavelle::app {

namespace fs = std::filesystem;

// One planning on the worker.
struct ImportFlow::Job {
    Kind kind = Kind::chosen;
    CancelToken cancel;
    bool cancelled = false;
};

namespace {

fs::path pathOf(const QUrl& url) {
    return fs::path(QFile::encodeName(url.toLocalFile()).toStdString());
}

// File locations carried by dropped or pasted data: file URLs, else a text naming one file.
// A slide payload is not a location.
std::vector<fs::path> locationsIn(const QMimeData& data) {
    std::vector<fs::path> paths;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile())
            paths.push_back(pathOf(url));
    if (paths.empty() && !data.hasUrls() && data.hasText()) {
        const std::string text = data.text().toStdString();
        if (parseSlidePayload(text).empty() && !text.starts_with(slidePayloadPrefix))
            if (auto path = dropItemFileURL(text))
                paths.push_back(*path);
    }
    return paths;
}

// The encoded picture offered by `data` (the first image/* format with bytes), if any.
QByteArray encodedPictureIn(const QMimeData& data) {
    for (const QString& format : data.formats())
        if (format.startsWith(QLatin1String("image/")))
            if (QByteArray bytes = data.data(format); !bytes.isEmpty())
                return bytes;
    return {};
}

// The pause that gathers accepted pictures into one change of the deck after the first: long
// enough that a deck of thousands of slides takes a batch well within a frame budget, short
// enough that the slides are seen arriving.
constexpr int arrivalBatchMs = 150;

// How often the progress dialog's count moves. A new label lays the dialog out again: once per
// file, on an import of thousands, that cost the interface thread more than showing the slides,
// and no one reads a count that changes faster than this.
constexpr int progressRefreshMs = 100;

}  // namespace

ImportFlow::ImportFlow(DocumentHandle& handle, QWidget* window)
    : QObject(window), handle_(handle), window_(window) {
    arrivals_.setSingleShot(true);
    arrivals_.setInterval(arrivalBatchMs);
    connect(&arrivals_, &QTimer::timeout, this, &ImportFlow::showArrived);
}

ImportFlow::~ImportFlow() {
    if (job_)
        job_->cancel.cancel();
}

void ImportFlow::abandon() {
    if (!session_)
        return;
    if (job_) {
        job_->cancelled = true;
        job_->cancel.cancel();
    }
    duplicatePlan_.reset();
    finish();
    if (duplicateQuestion_)
        duplicateQuestion_->close();
}

bool ImportFlow::canImport(const QMimeData& data) {
    return !locationsIn(data).empty() || !encodedPictureIn(data).isEmpty() || data.hasImage();
}

QMessageBox* ImportFlow::makeAlert(const QString& title, const QString& message) {
    return newMessageBox(window_, QMessageBox::NoIcon, title, message);
}

void ImportFlow::finish() {
    if (!busy_)
        return;
    busy_ = false;
    job_.reset();
    takeBackArrivals();  // an import that did not reach its end takes back what it showed
    if (progress_)
        progress_->deleteLater();
    progress_.clear();
    Q_EMIT ended();
}

// --- Locations

void ImportFlow::importURLs(std::vector<fs::path> urls) {
    if (busy_ || urls.empty())
        return;
    busy_ = true;
    if (!containsFolder(urls)) {
        plan(std::move(urls), false, Kind::chosen);
        return;
    }
    pendingFolderURLs_ = std::move(urls);
    QMessageBox* box =
        makeAlert(tr("Include subfolders?"),
                  tr("Choose whether images in nested folders should be added, in name order."));
    QPushButton* folderOnly = box->addButton(tr("This Folder Only"), QMessageBox::AcceptRole);
    QPushButton* subfolders = box->addButton(tr("Include Subfolders"), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(tr("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(subfolders);
    box->setEscapeButton(cancel);
    connect(box, &QMessageBox::finished, this, [this, box, folderOnly, subfolders] {
        QAbstractButton* answer = box->clickedButton();
        if (answer == folderOnly || answer == subfolders)
            plan(pendingFolderURLs_, answer == subfolders, Kind::chosen);
        else
            finish();
    });
    box->open();
}

void ImportFlow::importFromCommandLine(std::vector<fs::path> urls) {
    if (busy_ || urls.empty())
        return;
    busy_ = true;
    plan(std::move(urls), false, Kind::commandLine);
}

void ImportFlow::plan(std::vector<fs::path> urls, bool includeSubfolders, Kind kind) {
    auto job = std::make_shared<Job>();
    job->kind = kind;
    job_ = job;
    ImageList existing = handle_.document().project().images;
    std::shared_ptr<StagingFolder> staging = handle_.document().stagingFolder();
    // The decode that proves each picture readable leaves its miniature where the navigator
    // looks first, so that no picture is decoded a second time to show it.
    auto miniatures = keepImportMiniatures(handle_.thumbnails().cache().diskCache());
    // Accepted items wait here, on the worker, for the progress report of their file.
    auto accepted = std::make_shared<std::vector<ImportItem>>();
    job->cancel = runInBackground(
        this,
        [this, job, kind, urls = std::move(urls), existing = std::move(existing), includeSubfolders,
         staging = std::move(staging), miniatures = std::move(miniatures),
         accepted](const JobContext& context) {
            ImportPlanOptions options;
            options.stop = context.stopToken();
            options.staging = staging;
            options.miniatures = miniatures;
            options.accepted = [accepted](const ImportItem& item) { accepted->push_back(item); };
            // Reports run on the interface thread, where `this` and `job` are used: one per
            // file, carrying the items accepted since the last.
            options.progress = [this, job, context, accepted](std::size_t done, std::size_t total) {
                context.report(
                    [this, job, done, total, items = std::exchange(*accepted, {})]() mutable {
                        onProgress(job, done, total, std::move(items));
                    });
            };
            return makeImportPlan(urls, existing, includeSubfolders, options);
        },
        [this, job](std::optional<ImportPlan> plan) { onPlanned(job, std::move(plan)); });
}

void ImportFlow::onProgress(const std::shared_ptr<Job>& job, std::size_t done, std::size_t total,
                            std::vector<ImportItem> accepted) {
    if (job != job_ || job->cancelled || total <= quietFileCount)
        return;
    if (!progress_) {
        // From here on the window waits behind the dialog, and the deck shows the pictures as
        // they come.
        if (!session_)
            session_ = std::make_unique<ImportSession>(handle_.document());
        progress_ = new QProgressDialog(window_);
        progress_->setWindowTitle(tr("Import Images"));
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        progress_->setMinimumDuration(0);
        connect(progress_, &QProgressDialog::canceled, this, [this, job] {
            if (job != job_)
                return;
            job->cancelled = true;
            job->cancel.cancel();
            takeBackArrivals();  // at once, not when the worker has wound down
        });
        progress_->open();
        progressShown_.invalidate();
    }
    if (session_ && !accepted.empty()) {
        arrived_.insert(arrived_.end(), std::make_move_iterator(accepted.begin()),
                        std::make_move_iterator(accepted.end()));
        if (session_->added() == 0)
            showArrived();  // the first picture at once
        else if (!arrivals_.isActive())
            arrivals_.start();
    }
    if (progressShown_.isValid() && !progressShown_.hasExpired(progressRefreshMs) && done < total)
        return;
    progressShown_.start();
    progress_->setMaximum(static_cast<int>(total));
    progress_->setLabelText(
        tr("Reading image %1 of %2…").arg(std::min(done + 1, total)).arg(total));
    // Last: a modal progress dialog handles pending events inside setValue, which may finish
    // this job and close the dialog.
    progress_->setValue(static_cast<int>(done));
}

void ImportFlow::onPlanned(const std::shared_ptr<Job>& job, std::optional<ImportPlan> plan) {
    if (job != job_)
        return;
    if (progress_)
        progress_->deleteLater();
    progress_.clear();
    // The plan holds every item; those still waiting go in with the rest.
    arrivals_.stop();
    arrived_.clear();
    if (job->cancelled || !plan) {
        finish();
        return;
    }
    if (job->kind == Kind::pasted) {
        applyToDeck(*plan, false);  // pasted files report nothing
        finish();
        Q_EMIT imported();
        return;
    }
    if (plan->duplicates.empty() || job->kind == Kind::commandLine) {
        apply(*plan, false);
        return;
    }
    duplicatePlan_ = std::move(plan);
    QMessageBox* box =
        makeAlert(tr("Duplicate images"),
                  tr("Exact copies were found. Mosavelle never removes files on its own."));
    QPushButton* skip = box->addButton(tr("Skip Duplicates"), QMessageBox::AcceptRole);
    QPushButton* keep = box->addButton(tr("Keep Duplicates"), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(tr("Cancel"), QMessageBox::RejectRole);
    duplicateQuestion_ = box;
    box->setDefaultButton(skip);
    box->setEscapeButton(cancel);
    connect(box, &QMessageBox::finished, this, [this, box, skip, keep] {
        QAbstractButton* answer = box->clickedButton();
        std::optional<ImportPlan> held = std::move(duplicatePlan_);
        duplicatePlan_.reset();
        if (held && (answer == skip || answer == keep))
            apply(*held, answer == keep);
        else
            finish();
    });
    box->open();
}

void ImportFlow::takeBackArrivals() {
    arrivals_.stop();
    arrived_.clear();
    session_.reset();
}

void ImportFlow::showArrived() {
    arrivals_.stop();
    if (!session_ || arrived_.empty())
        return;
    session_->add(arrived_);
    arrived_.clear();
}

std::optional<std::string> ImportFlow::applyToDeck(const ImportPlan& plan, bool keepDuplicates) {
    if (!session_)
        session_ = std::make_unique<ImportSession>(handle_.document());
    auto notes = applyImportPlan(*session_, plan, keepDuplicates);
    session_.reset();
    return notes;
}

void ImportFlow::apply(const ImportPlan& plan, bool keepDuplicates) {
    const bool fromCommandLine = job_ && job_->kind == Kind::commandLine;
    const auto notes = applyToDeck(plan, keepDuplicates);
    finish();
    Q_EMIT imported();
    if (!notes)
        return;
    if (fromCommandLine) {
        // Asked for on a command line, so the notes go where the command was typed.
        std::fprintf(stderr, "mosavelle: %s\n", notes->c_str());
        return;
    }
    showNotes(CoreTexts::importNotes(plan));
}

void ImportFlow::showNotes(const QString& notes) {
    QMessageBox* box = makeAlert(tr("Import notes"), notes);
    QPushButton* ok = box->addButton(tr("OK"), QMessageBox::RejectRole);
    box->setEscapeButton(ok);
    box->setDefaultButton(ok);
    box->open();
}

// --- Drops and the clipboard

bool ImportFlow::importDropped(const QMimeData& data) {
    if (auto paths = locationsIn(data); !paths.empty()) {
        importURLs(std::move(paths));
        return true;
    }
    QByteArray encoded = encodedPictureIn(data);
    QImage image =
        encoded.isEmpty() && data.hasImage() ? qvariant_cast<QImage>(data.imageData()) : QImage();
    if (encoded.isEmpty() && image.isNull())
        return false;
    if (busy_)
        return true;
    importPicture(std::move(encoded), std::move(image), true);
    return true;
}

void ImportFlow::pasteImages(const QMimeData& data) {
    if (busy_)
        return;
    std::vector<fs::path> paths;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile())
            paths.push_back(pathOf(url));
    if (!paths.empty()) {
        busy_ = true;
        plan(std::move(paths), false, Kind::pasted);
        return;
    }
    QByteArray encoded = encodedPictureIn(data);
    QImage image =
        encoded.isEmpty() && data.hasImage() ? qvariant_cast<QImage>(data.imageData()) : QImage();
    if (encoded.isEmpty() && image.isNull())
        return;
    importPicture(std::move(encoded), std::move(image), false);
}

// Decodes (when needed), encodes the picture as PNG, reads its facts and digest on the worker,
// then stores it as "Clipboard 1.png" in one "Import Images" step. A dropped picture that cannot
// be taken is reported (the user let go of something and must learn that nothing came of it); a
// pasted one is skipped quietly, as pasted files are.
void ImportFlow::importPicture(QByteArray encoded, QImage image, bool reportFailure) {
    busy_ = true;
    auto job = std::make_shared<Job>();
    job_ = job;
    ImageList existing = handle_.document().project().images;
    std::shared_ptr<StagingFolder> staging = handle_.document().stagingFolder();
    job->cancel = runInBackground(
        this,
        [encoded = std::move(encoded), image = std::move(image), existing = std::move(existing),
         staging = std::move(staging)](const JobContext&) mutable {
            if (image.isNull())
                image = QImage::fromData(encoded);
            std::optional<Bytes> png;
            if (!image.isNull()) {
                QByteArray out;
                QBuffer buffer(&out);
                buffer.open(QIODevice::WriteOnly);
                if (image.save(&buffer, "PNG"))
                    png = Bytes(out.constData(), static_cast<std::size_t>(out.size()));
            }
            std::vector<ImportItem> items;
            if (png) {
                ImportPlanOptions options;
                options.staging = staging;
                items =
                    planPastedItems(PastedContent{{}, {png}}, existing, options).value_or(items);
            }
            return items;
        },
        [this, job, reportFailure](std::vector<ImportItem> items) {
            if (job != job_)
                return;
            finish();
            if (items.empty()) {
                if (reportFailure)
                    showNotes(tr("The dropped picture could not be read, so nothing was added."));
                return;
            }
            importItems(handle_.document(), items);
            Q_EMIT imported();
        });
}

}  // namespace mosavelle::app
