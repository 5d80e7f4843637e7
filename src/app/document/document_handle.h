#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <memory>

#include "core/model/document.h"
#include "core/model/undo_history.h"

namespace mosavelle::app {

class ThumbnailProvider;

// One open deck: owns the core document and its window's undo history, re-emits the document's
// change events as Qt signals, and hands its views the thumbnail provider they paint from. Widgets
// read the document through `document()` and change it only through core operations. Interface
// thread only.
class DocumentHandle : public QObject {
    Q_OBJECT
public:
    // `thumbnails` outlives the handle.
    DocumentHandle(std::unique_ptr<MosavelleDocument> document, ThumbnailProvider& thumbnails,
                   QObject* parent = nullptr);
    ~DocumentHandle() override;

    // A new untitled deck from the shared default settings store.
    static std::unique_ptr<DocumentHandle> makeUntitled(ThumbnailProvider& thumbnails,
                                                        QObject* parent = nullptr);

    MosavelleDocument& document() { return *document_; }
    const MosavelleDocument& document() const { return *document_; }
    const std::shared_ptr<UndoHistory>& undoHistory() const { return undoHistory_; }
    ThumbnailProvider& thumbnails() const { return thumbnails_; }

    // The package this deck was opened from or last saved to; empty while untitled.
    const std::filesystem::path& packagePath() const { return packagePath_; }
    void setPackagePath(std::filesystem::path path);
    // The project's name for titles and prompts: the package's base name, or "untitled".
    QString displayName() const;
    // True while the deck differs from what was last saved (or, untitled, from the new deck),
    // counting an edit still in progress (a field being typed in) but not the pictures of an
    // import that has not ended (see importInProgress).
    bool isModified() const;

Q_SIGNALS:
    // Every change event of the core document, delivered synchronously.
    void documentChanged(const mosavelle::DocumentChange& change);
    // The undo or redo stack, or the clean mark, changed.
    void undoStateChanged();
    void packagePathChanged();

private:
    std::unique_ptr<MosavelleDocument> document_;
    ThumbnailProvider& thumbnails_;
    std::shared_ptr<UndoHistory> undoHistory_;
    MosavelleDocument::ObserverID observer_ = 0;
    std::filesystem::path packagePath_;
};

}  // namespace mosavelle::app
