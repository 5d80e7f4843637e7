#include "app/flows/import_flow.h"

#include <QBuffer>
#include <QFile>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QUrl>
#include <cstdio>

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

}  // namespace

ImportFlow::ImportFlow(DocumentHandle& handle, QWidget* window)
    : QObject(window), handle_(handle), window_(window) {}

ImportFlow::~ImportFlow() {
    if (job_)
        job_->cancel.cancel();
}

bool ImportFlow::canImport(const QMimeData& data) {
    return !locationsIn(data).empty() || !encodedPictureIn(data).isEmpty() || data.hasImage();
}

QMessageBox* ImportFlow::makeAlert(const QString& title, const QString& message) {
    return newMessageBox(window_, QMessageBox::NoIcon, title, message);
}

void ImportFlow::finish() {
    busy_ = false;
    job_.reset();
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
    job->cancel = runInBackground(
        this,
        [this, job, kind, urls = std::move(urls), existing = std::move(existing), includeSubfolders,
         staging = std::move(staging),
         miniatures = std::move(miniatures)](const JobContext& context) {
            ImportPlanOptions options;
            options.stop = context.stopToken();
            options.staging = staging;
            options.miniatures = miniatures;
            // Reports run on the interface thread, where `this` and `job` are used.
            if (kind != Kind::pasted)
                options.progress = [this, job, context](std::size_t done, std::size_t total) {
                    context.report([this, job, done, total] { onProgress(job, done, total); });
                };
            return makeImportPlan(urls, existing, includeSubfolders, options);
        },
        [this, job](std::optional<ImportPlan> plan) { onPlanned(job, std::move(plan)); });
}

void ImportFlow::onProgress(const std::shared_ptr<Job>& job, std::size_t done, std::size_t total) {
    if (job != job_ || job->cancelled || total <= quietFileCount)
        return;
    if (!progress_) {
        progress_ = new QProgressDialog(window_);
        progress_->setWindowTitle(tr("Import Images"));
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        progress_->setMinimumDuration(0);
        connect(progress_, &QProgressDialog::canceled, this, [job] {
            job->cancelled = true;
            job->cancel.cancel();
        });
        progress_->open();
    }
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
    if (job->cancelled || !plan) {
        finish();
        return;
    }
    if (job->kind == Kind::pasted) {
        importItems(handle_.document(), plan->items);
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

void ImportFlow::apply(const ImportPlan& plan, bool keepDuplicates) {
    const bool fromCommandLine = job_ && job_->kind == Kind::commandLine;
    const auto notes = applyImportPlan(handle_.document(), plan, keepDuplicates);
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
