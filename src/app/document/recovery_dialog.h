#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/document/package_io.h"
#include "core/model/recovery_store.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace mosavelle::app {

// A deck brought back from its recovery copy, for a window of its own: to be opened unsaved and
// modified, titled as the package it came from (which a save replaces), keeping the copy it was
// read from up to date.
struct RecoveredDocument {
    RecoveredDeck deck;
    std::shared_ptr<RecoveryCopy> copy;
    std::optional<PackageStamp> stamp;  // the original package as it is now
};

// The start-up question about the recovery copies that programs which ended without saving left
// behind: one row per copy (its document's name, where it was saved, when the copy was written),
// and Recover, Discard or Later for the checked rows. Rows leave the list as they are handled; a
// copy that cannot be read stays, marked so, for Discard. Reading and removing copies happen off
// the interface thread. Interface thread only.
class RecoveryDialog : public QDialog {
    Q_OBJECT
public:
    using Open = std::function<void(RecoveredDocument)>;

    // Lists the copies whose programs are gone (off the interface thread) and, when there are
    // any, shows the dialog; `open` gets each recovered document. Nothing happens once `context`
    // is gone.
    static void offer(std::shared_ptr<const RecoveryStore> store, Open open, QObject* context);

    RecoveryDialog(std::vector<AbandonedCopy> copies, std::shared_ptr<const RecoveryStore> store,
                   Open open, QWidget* parent = nullptr);

    QTreeWidget& list() { return *list_; }

private:
    void recoverChecked();
    void discardChecked();
    void recover(QTreeWidgetItem* row);
    void discard(QTreeWidgetItem* row);
    void finishRow(QTreeWidgetItem* row);
    void markFailed(QTreeWidgetItem* row, const QString& state, const QString& why);
    void updateButtons();

    std::shared_ptr<const RecoveryStore> store_;
    Open open_;
    QTreeWidget* list_ = nullptr;
    QPushButton* recover_ = nullptr;
    QPushButton* discard_ = nullptr;
    int running_ = 0;
};

}  // namespace mosavelle::app
