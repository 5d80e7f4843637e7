#include "app/document/autosave.h"

#include <QPushButton>
#include <QTreeWidget>

#include "app/document/recovery_dialog.h"
#include "app/shell/mosavelle_app.h"
#include "app_test_support.h"
#include "core/editing/slide_operations.h"

// Recovery copies follow the deck's unsaved state, and the start-up dialog brings them back.
class AutosaveTest : public QObject {
    Q_OBJECT
private:
    std::shared_ptr<const RecoveryStore> store_ = std::make_shared<RecoveryStore>();

    Autosave* watch(DocumentHandle& handle) {
        auto* autosave = new Autosave(handle, store_);
        autosave->setDelays(std::chrono::milliseconds(20), std::chrono::milliseconds(200));
        return autosave;
    }
    int copiesOnDisk() const {
        int count = 0;
        for (const auto& folder : std::filesystem::directory_iterator(store_->root()))
            count += std::filesystem::exists(folder.path() / "manifest.json") ? 1 : 0;
        return count;
    }

    static RecoveryDialog* shownDialog() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<RecoveryDialog*>(widget); dialog && dialog->isVisible())
                return dialog;
        return nullptr;
    }

private Q_SLOTS:
    void copiesGoOnSaveAndDontSaveAndStayOnlyWhenKeptThenRecoverModifiedUnderTheOriginalName() {
        auto handle = makeDeck(3);
        QSignalSpy written(watch(*handle), &Autosave::copyWritten);
        insertSectionDivider(handle->document());
        QVERIFY(written.wait() && written.last().at(0).toBool());
        QCOMPARE(copiesOnDisk(), 1);
        QVERIFY(store_->abandoned().empty());  // this program holds it

        handle.reset();  // closed with "Don't Save"
        QTRY_COMPARE(copiesOnDisk(), 0);

        // The session ends; the deck's package is gone by the next start.
        handle = makeDeck(2, Bytes("picture"));
        handle->setPackagePath("/nowhere/Trip.mosavelle");
        Autosave* autosave = watch(*handle);
        insertSectionDivider(handle->document());
        const Project edited = handle->document().project();
        autosave->keepForRecovery()();
        handle.reset();
        QTRY_COMPARE(store_->abandoned().size(), std::size_t{1});  // let go off this thread

        MosavelleApp app;
        app.setQuitsWithLastWindow(false);
        app.offerRecovery();
        RecoveryDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = shownDialog()) != nullptr);
        QCOMPARE(dialog->list().topLevelItem(0)->text(1),
                 QStringLiteral("/nowhere/Trip.mosavelle"));
        dialog->findChild<QPushButton*>(QStringLiteral("recoverButton"))->click();
        QTRY_COMPARE(app.windows().size(), 1);
        DocumentHandle& back = app.windows()[0]->handle();
        QVERIFY(back.isModified());
        QCOMPARE(back.displayName(), QStringLiteral("Trip"));
        QCOMPARE(back.document().project(), edited);
        QVERIFY(store_->abandoned().empty());  // held again by the recovered document
        back.undoHistory()->markClean();       // saved
        QTRY_COMPARE(copiesOnDisk(), 0);
        app.windows()[0]->close();
    }
};

MOSAVELLE_APP_TEST_MAIN(AutosaveTest)
#include "autosave_test.moc"
