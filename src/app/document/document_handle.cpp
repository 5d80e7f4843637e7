#include "app/document/document_handle.h"

#include <QMetaObject>
#include <QPointer>

#include "app/thumbnails/thumbnail_provider.h"
#include "core/editing/import_items.h"
#include "core/model/defaults_store.h"

namespace mosavelle::app {

DocumentHandle::DocumentHandle(std::unique_ptr<MosavelleDocument> document,
                               ThumbnailProvider& thumbnails, QObject* parent)
    : QObject(parent),
      document_(std::move(document)),
      thumbnails_(thumbnails),
      undoHistory_(std::make_shared<UndoHistory>()) {
    // Deferred document work (the second half of focusSlide, say) runs on a later turn of this
    // thread's event loop, and not at all once the handle is gone.
    document_->setScheduler([this](std::function<void()> task) {
        QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
    });
    document_->setUndoHistory(undoHistory_);
    undoHistory_->setChangeHandler([this] { Q_EMIT undoStateChanged(); });
    observer_ = document_->addObserver(
        [this](const DocumentChange& change) { Q_EMIT documentChanged(change); });
}

DocumentHandle::~DocumentHandle() {
    document_->removeObserver(observer_);
    undoHistory_->setChangeHandler({});
    // The deck's thumbnails leave memory with it (the disk cache keeps them for a reopen).
    std::vector<Uuid> pictures;
    pictures.reserve(document_->imageData().size());
    for (const auto& [id, bytes] : document_->imageData())
        pictures.push_back(id);
    thumbnails_.dropPictures(pictures);
}

std::unique_ptr<DocumentHandle> DocumentHandle::makeUntitled(ThumbnailProvider& thumbnails,
                                                             QObject* parent) {
    return std::make_unique<DocumentHandle>(
        MosavelleDocument::makeUntitled(DefaultSettingsStore::shared()), thumbnails, parent);
}

void DocumentHandle::setPackagePath(std::filesystem::path path) {
    if (path == packagePath_)
        return;
    packagePath_ = std::move(path);
    Q_EMIT packagePathChanged();
}

QString DocumentHandle::displayName() const {
    if (packagePath_.empty())
        return tr("untitled");
    auto name = packagePath_;
    if (!name.has_filename())
        name = name.parent_path();
    return QString::fromStdString(name.stem().string());
}

bool DocumentHandle::isModified() const {
    // Text being typed into a field is a change from the first keystroke, before it becomes a step.
    // Pictures still arriving are not: until the import ends they may yet be taken back.
    return !undoHistory_->isClean() ||
           (document_->hasOpenEditChanges() && !importInProgress(*document_));
}

}  // namespace mosavelle::app
