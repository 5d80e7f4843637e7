#include "app/document/document_handle.h"

#include <QSignalSpy>

#include "app_test_support.h"
#include "core/editing/slide_operations.h"

using namespace mosavelle;
using namespace mosavelle::app;

class DocumentHandleTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void editMakesModifiedAndUndoMakesClean() {
        auto handle = DocumentHandle::makeUntitled();
        QSignalSpy undoState(handle.get(), &DocumentHandle::undoStateChanged);
        QSignalSpy changes(handle.get(), &DocumentHandle::documentChanged);
        QVERIFY(!handle->isModified());
        QCOMPARE(handle->displayName(), QStringLiteral("untitled"));

        insertSectionDivider(handle->document());
        QVERIFY(handle->isModified());
        QVERIFY(!changes.isEmpty());
        QVERIFY(!undoState.isEmpty());

        handle->undoHistory()->undo();
        QVERIFY(!handle->isModified());
        QCOMPARE(handle->document().project().slides.size(), std::size_t{0});
    }

    void displayNameIsThePackageStem() {
        auto handle = DocumentHandle::makeUntitled();
        handle->setPackagePath("/tmp/Holiday 2026.mosavelle/");
        QCOMPARE(handle->displayName(), QStringLiteral("Holiday 2026"));
    }
};

MOSAVELLE_APP_TEST_MAIN(DocumentHandleTest)
#include "document_handle_test.moc"
