#include "app/document/autosave.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "app/document/document_handle.h"
#include "app/support/background_job.h"
#include "app/support/preferences.h"

namespace mosavelle::app {

using namespace std::chrono_literals;

// What the jobs of one document share: the copy, opened by the first write that needs it.
struct Autosave::Shared {
    std::shared_ptr<const RecoveryStore> store;
    Uuid id;
    std::mutex mutex;
    std::shared_ptr<RecoveryCopy> copy;

    // Worker thread. Null when the copy cannot be had.
    std::shared_ptr<RecoveryCopy> openCopy() {
        std::lock_guard lock(mutex);
        if (!copy) {
            if (auto opened = store->open(id))
                copy = std::move(opened.value());
        }
        return copy;
    }
};

namespace {

// The write a job carries out: everything it needs, copied on the interface thread.
struct CopyWrite {
    PackageSnapshot snapshot;
    RecoveryManifest manifest;
    std::uint64_t revision = 0;
};

CopyWrite copyWriteOf(DocumentHandle& handle, std::uint64_t revision) {
    RecoveryManifest manifest;
    manifest.name = handle.displayName().toStdString();
    manifest.document = handle.packagePath();
    manifest.written =
        std::chrono::time_point_cast<std::chrono::seconds>(std::chrono::system_clock::now());
    return {handle.document().makeSnapshot(), std::move(manifest), revision};
}

}  // namespace

Autosave::Autosave(DocumentHandle& handle, std::shared_ptr<const RecoveryStore> store,
                   std::shared_ptr<RecoveryCopy> recovered)
    : QObject(&handle), handle_(handle), shared_(std::make_shared<Shared>()) {
    setObjectName(QStringLiteral("autosave"));
    shared_->store = std::move(store);
    shared_->id = recovered ? recovered->id() : Uuid::random();
    shared_->copy = std::move(recovered);
    written_ = shared_->copy != nullptr;
    enabled_ = preferences::autosaves.value();
    const double seconds = std::clamp(preferences::autosaveInterval.value(), 1.0, 600.0);
    setDelays(std::chrono::milliseconds(static_cast<std::int64_t>(seconds * 1000)), 60s);
    idle_.setSingleShot(true);
    longest_.setSingleShot(true);
    connect(&idle_, &QTimer::timeout, this, &Autosave::writeNow);
    connect(&longest_, &QTimer::timeout, this, &Autosave::writeNow);
    connect(&handle, &DocumentHandle::documentChanged, this, &Autosave::noteChange);
    connect(&handle, &DocumentHandle::undoStateChanged, this, &Autosave::noteChange);
    noteChange();
}

Autosave::~Autosave() {
    // Let go off the interface thread: the last owner of a discarded copy removes its folder.
    runInBackground(
        [shared = std::move(shared_), discard = written_ && !kept_, revision = ++revision_] {
            std::lock_guard lock(shared->mutex);
            if (discard && shared->copy)
                shared->copy->discard(revision);
        });
}

Autosave* Autosave::of(DocumentHandle& handle) {
    return handle.findChild<Autosave*>(QStringLiteral("autosave"), Qt::FindDirectChildrenOnly);
}

void Autosave::setDelays(std::chrono::milliseconds idle, std::chrono::milliseconds longest) {
    idle_.setInterval(idle);
    longest_.setInterval(std::max(longest, idle));
}

void Autosave::noteChange() {
    if (!enabled_ || kept_)
        return;
    if (!handle_.isModified()) {
        // Saved, or undone back to what was saved: the package holds it all.
        idle_.stop();
        longest_.stop();
        discard();
        return;
    }
    idle_.start();
    if (!longest_.isActive())
        longest_.start();
}

void Autosave::writeNow() {
    idle_.stop();
    longest_.stop();
    if (kept_ || !handle_.isModified())
        return;
    if (writing_) {
        idle_.start();  // one write at a time: this one follows the running one
        return;
    }
    writing_ = true;
    written_ = true;
    runInBackground(
        this,
        [shared = shared_, write = copyWriteOf(handle_, ++revision_)](const JobContext&) {
            const auto copy = shared->openCopy();
            return copy && copy->write(write.snapshot, write.manifest, write.revision).ok();
        },
        [this](bool ok) {
            writing_ = false;
            Q_EMIT copyWritten(ok);
        });
}

void Autosave::discard() {
    if (!written_)
        return;
    written_ = false;
    // Off the interface thread, and after any write queued before it (the revision says so).
    runInBackground([shared = shared_, revision = ++revision_] {
        std::lock_guard lock(shared->mutex);
        if (shared->copy)
            shared->copy->discard(revision);
    });
}

std::function<void()> Autosave::keepForRecovery() {
    idle_.stop();
    longest_.stop();
    if (!handle_.isModified())
        return [] {};
    kept_ = true;
    written_ = true;
    return [shared = shared_, write = copyWriteOf(handle_, ++revision_)] {
        if (const auto copy = shared->openCopy())
            (void)copy->write(write.snapshot, write.manifest, write.revision);
    };
}

}  // namespace mosavelle::app
