#include "app/shell/mosavelle_app.h"

#include <signal.h>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTreeWidget>
#include <fstream>

#include "app/document/autosave.h"
#include "app/document/recent_projects.h"
#include "app/document/recovery_dialog.h"
#include "app/help/welcome_sheet.h"
#include "app/shell/command_line.h"
#include "app/window/content_view.h"
#include "app_test_support.h"
#include "core/editing/slide_operations.h"
#include "core/model/recovery_store.h"
#include "core/platform/stored_bytes.h"
#include "support/test_support.h"

namespace {

// An application that stays when its last window closes and, when it goes, closes its windows
// without asking about their changes.
struct TestApp : MosavelleApp {
    TestApp() { setQuitsWithLastWindow(false); }
    ~TestApp() override {
        for (DocumentWindow* window : windows()) {
            window->handle().undoHistory()->removeAllSteps();
            window->handle().undoHistory()->markClean();
        }
        quit();
        if (!QTest::qWaitFor([this] { return windows().isEmpty(); }))
            qFatal("a window stayed open");
    }
};

}  // namespace

// Launching, opening projects, the command line, Open Recent, and the recovery copies that bring
// back unsaved decks.
class ShellTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir folder_;

    std::filesystem::path pathIn(const char* name) const {
        return std::filesystem::path(folder_.path().toStdString()) / name;
    }

    static QStringList arguments(std::initializer_list<const char*> list) {
        QStringList result{"mosavelle"};
        for (const char* item : list)
            result << QString::fromUtf8(item);
        return result;
    }

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
    void commandLineSeparatesProjectsImportsAndOptionsAndLaunchOpensTheProjects() {
        auto request = parseCommandLine(
            arguments({"--import", "a.jpg", "pictures/", "Deck.mosavelle", "Other.mosavelle/"}));
        QCOMPARE(request.imports, QStringList({"a.jpg", "pictures/"}));
        QCOMPARE(request.packages, QStringList({"Deck.mosavelle", "Other.mosavelle/"}));
        QVERIFY(request.error.isEmpty());

        QVERIFY(parseCommandLine(arguments({"--version"})).showVersion);
        QVERIFY(!parseCommandLine(arguments({"--import"})).error.isEmpty());
        QVERIFY(!parseCommandLine(arguments({"--frobnicate"})).error.isEmpty());
        QCOMPARE(parseCommandLine(arguments({"--", "--odd.mosavelle"})).packages,
                 QStringList({"--odd.mosavelle"}));

        // Launching with projects opens them and no untitled window.
        const auto first = writePackage(pathIn("First.mosavelle"), deckOfSlides(2));
        const auto second = writePackage(pathIn("Second.mosavelle"), deckOfSlides(1));
        std::ofstream(first / "notes.txt") << "kept beside the deck";
        TestApp app;
        // The first is named by a file inside it, the second by its project.json.
        app.launch(
            parseCommandLine({"mosavelle", QString::fromStdString((first / "notes.txt").string()),
                              QString::fromStdString((second / "project.json").string())}));
        QTRY_COMPARE(app.windows().size(), 2);
        QTest::qWait(50);
        QCOMPARE(app.windows().size(), 2);
        QStringList names;
        for (DocumentWindow* window : app.windows()) {
            names << window->handle().displayName();
            QVERIFY(!window->handle().isModified());
        }
        names.sort();
        QCOMPARE(names, QStringList({"First", "Second"}));

        // Opening an open project again brings its window forward instead of a second copy.
        DocumentWindow* again = nullptr;
        app.openPackage(first, [&](DocumentWindow* window) { again = window; });
        QVERIFY(again);
        QCOMPARE(app.windows().size(), 2);

        // A picture that is no project (as "Open With" hands one over) is imported instead.
        QImage picture(8, 6, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(picture.save(folder_.path() + "/photo.png"));
        app.launch(parseCommandLine({"mosavelle", folder_.path() + "/photo.png"}));
        QCOMPARE(app.windows().size(), 3);
        QTRY_COMPARE(app.windows().last()->handle().document().project().slides.size(),
                     std::size_t{1});
    }

    void picturesTheCacheCannotTakeAreReadFromTheProjectAndTheUserIsToldOnce() {
        const std::filesystem::path staging = stagingRoot();  // a file stands in its place
        std::filesystem::create_directories(staging.parent_path());
        std::filesystem::remove_all(staging);
        writeFileBytes(staging, Bytes("in the way"));
        const auto snapshot = makeDeck(1, Bytes("picture"))->document().makeSnapshot();
        TestApp app;
        for (const char* name : {"A.mosavelle", "B.mosavelle"}) {
            QVERIFY(writeProjectPackage(snapshot, pathIn(name)).ok());
            app.openPackage(pathIn(name));
        }
        QTRY_COMPARE(app.windows().size(), 2);
        QVERIFY(waitForMessageBox("picturesInPlaceAlert"));
        QCOMPARE(messageBoxes("picturesInPlaceAlert").size(), 1);
        messageBoxes("picturesInPlaceAlert").first()->close();
        for (DocumentWindow* window : app.windows())
            QCOMPARE(*window->handle().document().imageData().begin()->second.read(),
                     Bytes("picture"));
        std::filesystem::remove(staging);
    }

    // A project that fails to open leaves an untitled window, and leaves Open Recent.
    void launchOpensOneUntitledWindowEvenWhenAProjectFailsAndQuitStopsAtTheFirstCancel() {
        const QString missing = QString::fromStdString(pathIn("Gone.mosavelle").string());
        RecentProjects::add(missing);
        TestApp app;
        app.launch(parseCommandLine({"mosavelle", missing}));
        QMessageBox* alert = waitForMessageBox("openFailedAlert");
        QVERIFY(alert);
        QCOMPARE(alert->windowTitle(), QStringLiteral("The document “Gone” could not be opened."));
        alert->close();
        QTRY_COMPARE(app.windows().size(), 1);
        DocumentWindow* clean = app.windows().first();
        QCOMPARE(clean->handle().displayName(), QStringLiteral("untitled"));
        QVERIFY(!RecentProjects::paths().contains(missing));
        QTest::qWait(50);
        QCOMPARE(app.windows().size(), 1);
        DocumentWindow* changed = app.newDocument();
        insertSectionDivider(changed->handle().document());
        QPointer<DocumentWindow> cleanGuard(clean);

        app.quit();
        clickButton(waitForMessageBox("saveChangesQuestion"), "Cancel");
        QTRY_VERIFY(!app.isQuitting());
        QTest::qWait(20);
        QCOMPARE(app.windows().size(), 2);
        QVERIFY(cleanGuard);

        app.quit();
        clickButton(waitForMessageBox("saveChangesQuestion"), "Don’t Save");
        QTRY_VERIFY(app.windows().isEmpty());
        QTRY_VERIFY(!cleanGuard);
    }

    void terminationLeavesRecoveryCopiesOfUnsavedDecksAndNoStagingFolder() {
        // The real program: an opened project left unchanged, and an untitled deck with an
        // imported picture (one unreadable file makes it report when its import is done).
        DeckBuilder deck;
        deck.slide(SlideLayoutKind::oneImage, {deck.picture(Qt::red)});
        const auto opened = pathIn("opened.mosavelle");
        QVERIFY(writeProjectPackage(PackageSnapshot{deck.project, deck.bytes, {}}, opened));
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::green);
        picture.save(folder_.path() + "/new.png");
        std::ofstream(pathIn("broken.jpg")) << "no picture";
        QProcess app;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CACHE_HOME", folder_.path() + "/cache");
        environment.insert("XDG_STATE_HOME", folder_.path() + "/state");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        app.setProcessEnvironment(environment);
        app.start(MOSAVELLE_APP_PATH,
                  {QString::fromStdString(opened.string()), "--import", folder_.path() + "/new.png",
                   folder_.path() + "/broken.jpg"});
        const QDir staging(folder_.path() + "/cache/Mosavelle/staging");
        const auto folders = [&] { return staging.entryList(QDir::Dirs | QDir::NoDotAndDotDot); };
        QByteArray errors;
        QTRY_VERIFY_WITH_TIMEOUT(
            (errors += app.readAllStandardError()).contains("broken") && folders().size() == 2,
            20000);
        QTest::qWait(300);

        ::kill(pid_t(app.processId()), SIGTERM);
        QVERIFY(app.waitForFinished(20000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(folders().size(), 0);
        const auto copies = RecoveryStore(pathIn("state") / "Mosavelle" / "recovery").abandoned();
        QCOMPARE(copies.size(), std::size_t{1});
        QVERIFY(copies[0].manifest && copies[0].manifest->document.empty());
        const auto recovered = readProjectPackage(pathIn("state") / "Mosavelle" / "recovery" /
                                                  copies[0].id.text() / "deck.mosavelle");
        QCOMPARE(recovered->project.slides.size(), std::size_t{1});
        QVERIFY(!recovered->project.images.at(0).importError);
    }

    void recentListOpensLikeADroppedProjectFolderAndTheWelcomeSheetIsDoneWith() {
        RecentProjects::clear();
        for (int i = 0; i < 12; ++i)
            RecentProjects::add(QStringLiteral("/decks/%1.mosavelle").arg(i));
        RecentProjects::add(QStringLiteral("/decks/5.mosavelle"));
        const QStringList paths = RecentProjects::paths();
        QCOMPARE(paths.size(), RecentProjects::maximumCount);
        QCOMPARE(paths.first(), QStringLiteral("/decks/5.mosavelle"));
        QCOMPARE(paths.count(QStringLiteral("/decks/5.mosavelle")), 1);
        QCOMPARE(paths[1], QStringLiteral("/decks/11.mosavelle"));
        QVERIFY(!paths.contains(QStringLiteral("/decks/1.mosavelle")));

        const auto recent = writePackage(pathIn("Recent.mosavelle"), deckOfSlides(1));
        const auto dropped = writePackage(pathIn("Dropped.mosavelle"), deckOfSlides(2));
        TestApp app;
        DocumentWindow* window = app.newDocument();
        RecentProjects::add(QString::fromStdString(recent.string()));
        Q_EMIT app.recentProjectsChanged();
        auto* menu = window->findChild<QMenu*>(QStringLiteral("file.openRecent"));
        QVERIFY(menu);
        QCOMPARE(menu->actions().first()->text(), QStringLiteral("Recent"));
        menu->actions().first()->trigger();
        // Opened from an untouched untitled window, the project takes its place.
        QTRY_COMPARE(app.windows().size(), 1);
        QTRY_COMPARE(app.windows().first()->handle().packagePath(), recent);
        window = app.windows().first();

        // A project folder dropped on a window is opened, not imported into it.
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(dropped.string()))});
        QVERIFY(dropOn(&window->contentView(), QPoint(10, 10), mime));
        QTRY_COMPARE(app.windows().size(), 2);
        QCOMPARE(app.windows().last()->handle().packagePath(), dropped);
        QCOMPARE(window->handle().document().project().slides.size(), std::size_t{1});

        // The welcome sheet closes with its keys and is then done with.
        WelcomeSheet::setHasCompletedWelcome(false);
        window->contentView().showWelcomeSheet();
        auto* welcome = window->findChild<WelcomeSheet*>();
        QVERIFY(welcome);
        QTRY_VERIFY(welcome->isVisible());
        QTest::keyClick(welcome, Qt::Key_Escape);
        QTRY_VERIFY(WelcomeSheet::hasCompletedWelcome());
    }

    // Recovery copies follow the deck's unsaved state, and the start-up dialog brings them back.
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

MOSAVELLE_APP_TEST_MAIN(ShellTest)
#include "shell_test.moc"
