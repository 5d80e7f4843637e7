#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/model/recovery_store.h"

namespace mosavelle::app {

class DocumentHandle;

// Keeps a recovery copy of one document while it has unsaved changes, so that a crash, a kill or
// a power cut loses at most a few seconds of work. A copy is written once the deck has been left
// alone for the autosave interval, and at least every `longestDelay` while edits go on; always on
// the job helper, one write at a time. The copy goes when the deck is saved (it is no longer
// modified), and when this object goes (the window closed without saving), unless it was kept
// for an end without asking. A child of its handle; interface thread only.
class Autosave : public QObject {
    Q_OBJECT
public:
    // Watches `handle`, whose copy lives in `store`. A recovered document passes the copy it was
    // read from, which it then keeps up to date.
    Autosave(DocumentHandle& handle, std::shared_ptr<const RecoveryStore> store,
             std::shared_ptr<RecoveryCopy> recovered = nullptr);
    ~Autosave() override;

    // The autosave of `handle`, when it has one.
    static Autosave* of(DocumentHandle& handle);

    // For an end of the program that cannot ask: the work that writes the deck's copy as it is
    // now (nothing to do when it has no unsaved changes), to be run off the interface thread.
    // The copy then outlives this object.
    std::function<void()> keepForRecovery();

    // The pause after the last edit before a copy is written, and the longest time edits go on
    // without one. Read from the preferences at construction; tests shorten them.
    void setDelays(std::chrono::milliseconds idle, std::chrono::milliseconds longest);

Q_SIGNALS:
    // A copy was written (or failed to be; the next change tries again).
    void copyWritten(bool ok);

private:
    struct Shared;

    void noteChange();
    void writeNow();
    void discard();

    DocumentHandle& handle_;
    std::shared_ptr<Shared> shared_;
    QTimer idle_;
    QTimer longest_;
    std::uint64_t revision_ = 0;
    bool enabled_ = true;
    bool writing_ = false;
    bool written_ = false;  // a copy may exist on disk
    bool kept_ = false;
};

}  // namespace mosavelle::app
