#include "app/document/recovery_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

#include "app/support/background_job.h"

namespace mosavelle::app {

namespace {

enum Column { nameColumn, locationColumn, timeColumn, stateColumn };
constexpr int idRole = Qt::UserRole;

// What a recovery job brings back to the interface thread.
struct Reading {
    std::shared_ptr<RecoveryCopy> copy;
    std::optional<RecoveredDeck> deck;
    std::optional<PackageStamp> stamp;
};

Uuid idOf(const QTreeWidgetItem* row) {
    return Uuid::parse(row->data(nameColumn, idRole).toString().toStdString()).value_or(Uuid());
}

}  // namespace

void RecoveryDialog::offer(std::shared_ptr<const RecoveryStore> store, Open open,
                           QObject* context) {
    runInBackground(
        context, [store](const JobContext&) { return store->abandoned(); },
        [store, open = std::move(open)](std::vector<AbandonedCopy> copies) {
            if (copies.empty())
                return;
            auto* dialog = new RecoveryDialog(std::move(copies), store, open);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            dialog->show();
            dialog->raise();
            dialog->activateWindow();
        });
}

RecoveryDialog::RecoveryDialog(std::vector<AbandonedCopy> copies,
                               std::shared_ptr<const RecoveryStore> store, Open open,
                               QWidget* parent)
    : QDialog(parent), store_(std::move(store)), open_(std::move(open)) {
    setObjectName(QStringLiteral("recoveryDialog"));
    setWindowTitle(tr("Recover Unsaved Work"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(tr("Recover Unsaved Work") + QStringLiteral("\n\n") +
                                tr("Mosavelle ended before these documents were saved. Recover "
                                   "them now, discard them, or decide at the next start."),
                            this);
    text->setWordWrap(true);
    layout->addWidget(text);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("recoveryList"));
    list_->setAccessibleName(tr("Unsaved documents"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({tr("Document"), tr("Location"), tr("Copy written"), QString()});
    const QLocale locale;
    for (const AbandonedCopy& copy : copies) {
        auto* row = new QTreeWidgetItem(list_);
        row->setData(nameColumn, idRole, QString::fromStdString(copy.id.text()));
        row->setText(nameColumn, QString::fromStdString(copy.name));
        row->setCheckState(nameColumn, Qt::Checked);
        if (!copy.manifest) {
            row->setText(stateColumn, tr("Cannot be read"));
            continue;
        }
        row->setText(locationColumn,
                     copy.manifest->document.empty()
                         ? tr("Never saved")
                         : QString::fromStdString(copy.manifest->document.string()));
        const auto seconds = copy.manifest->written.time_since_epoch().count();
        row->setText(timeColumn,
                     locale.toString(QDateTime::fromSecsSinceEpoch(seconds), QLocale::ShortFormat));
    }
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(list_);

    auto* buttons = new QDialogButtonBox(this);
    recover_ = buttons->addButton(tr("Recover"), QDialogButtonBox::AcceptRole);
    recover_->setObjectName(QStringLiteral("recoverButton"));
    discard_ = buttons->addButton(tr("Discard"), QDialogButtonBox::DestructiveRole);
    discard_->setObjectName(QStringLiteral("discardButton"));
    QPushButton* later = buttons->addButton(tr("Later"), QDialogButtonBox::RejectRole);
    later->setObjectName(QStringLiteral("laterButton"));
    recover_->setDefault(true);
    connect(recover_, &QPushButton::clicked, this, &RecoveryDialog::recoverChecked);
    connect(discard_, &QPushButton::clicked, this, &RecoveryDialog::discardChecked);
    connect(later, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemChanged, this, &RecoveryDialog::updateButtons);
    layout->addWidget(buttons);
    resize(640, 300);
}

void RecoveryDialog::updateButtons() {
    bool any = false;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        any = any || list_->topLevelItem(i)->checkState(nameColumn) == Qt::Checked;
    recover_->setEnabled(any && running_ == 0);
    discard_->setEnabled(any && running_ == 0);
}

void RecoveryDialog::recoverChecked() {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        if (list_->topLevelItem(i)->checkState(nameColumn) == Qt::Checked)
            recover(list_->topLevelItem(i));
    }
    updateButtons();
}

void RecoveryDialog::discardChecked() {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        if (list_->topLevelItem(i)->checkState(nameColumn) == Qt::Checked)
            discard(list_->topLevelItem(i));
    }
    updateButtons();
}

void RecoveryDialog::recover(QTreeWidgetItem* row) {
    ++running_;
    runInBackground(
        this,
        [store = store_, id = idOf(row)](const JobContext&) {
            Reading reading;
            auto copy = store->open(id);
            if (!copy)
                return reading;
            auto deck = (*copy)->read(StagingFolder::create());
            if (!deck)
                return reading;
            reading.copy = std::move(copy.value());
            if (!deck->manifest.document.empty())
                reading.stamp = stampPackage(deck->manifest.document);
            reading.deck = std::move(deck.value());
            return reading;
        },
        [this, row](Reading reading) {
            --running_;
            if (!reading.deck) {
                markFailed(
                    row, tr("Cannot be read"),
                    tr("The recovery copy of “%1” could not be read.").arg(row->text(nameColumn)));
                return;
            }
            open_({std::move(*reading.deck), std::move(reading.copy), reading.stamp});
            finishRow(row);
        });
}

void RecoveryDialog::discard(QTreeWidgetItem* row) {
    ++running_;
    runInBackground(
        this, [store = store_, id = idOf(row)](const JobContext&) { return store->discard(id); },
        [this, row](bool gone) {
            --running_;
            if (!gone) {
                markFailed(row, tr("In use"),
                           tr("The recovery copy of “%1” is in use by another program.")
                               .arg(row->text(nameColumn)));
                return;
            }
            finishRow(row);
        });
}

void RecoveryDialog::markFailed(QTreeWidgetItem* row, const QString& state, const QString& why) {
    row->setText(stateColumn, state);
    row->setToolTip(stateColumn, why);
    row->setToolTip(nameColumn, why);
    updateButtons();
}

void RecoveryDialog::finishRow(QTreeWidgetItem* row) {
    delete row;
    updateButtons();
    if (list_->topLevelItemCount() == 0 && running_ == 0)
        accept();
}

}  // namespace mosavelle::app
