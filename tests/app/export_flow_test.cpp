#include "app/flows/export_flow.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <chrono>
#include <thread>

#include "app/flows/export_progress_panel.h"
#include "app/flows/export_sheet.h"
#include "app/flows/presentation_launcher.h"
#include "app_test_support.h"
#include "support/test_support.h"

namespace {

// Chooses `path` in the save dialog, confirming the replacement of an existing file.
void save(QFileDialog* dialog, const QString& path) {
    QPointer<QFileDialog> owner(dialog);
    QTimer::singleShot(100, [owner] {
        auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (owner && question && question->parent() == owner.data())
            question->button(QMessageBox::Yes)->click();
    });
    dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own accept checks the name
}

// The buttons as they stand from left to right.
QStringList buttonTexts(QMessageBox* box) {
    QList<QAbstractButton*> buttons = box->buttons();
    std::sort(buttons.begin(), buttons.end(), [box](QAbstractButton* a, QAbstractButton* b) {
        return a->mapTo(box, QPoint()).x() < b->mapTo(box, QPoint()).x();
    });
    QStringList texts;
    for (QAbstractButton* button : buttons)
        texts << button->text();
    return texts;
}

QString qpath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

PresentationLauncher fakeLauncher(std::vector<PresentationProgram> programs,
                                  std::optional<QString> openFailure = std::nullopt) {
    return PresentationLauncher(
        [programs] { return programs; },
        [openFailure](const PresentationProgram&, const QString&) { return openFailure; });
}

// The real export, held until Cancel is pressed so that it sees the flag (at most 10 s).
Status exportAfterCancel(const ExportRequest& request, const ExportProgressHandler& progress,
                         const ExportCancellation& cancellation) {
    for (int i = 0; i < 1000 && !cancellation.isCancelled(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return exportPresentation(request, progress, cancellation);
}

}  // namespace

class ExportFlowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void sheetShowsTheEstimateOfEveryPlacementAndStartsAtTheDeckQuality() {
        auto handle = makeDeck(1, Bytes(std::string(1000000, 'x')));
        Project project = handle->document().project();
        project.slides.push_back(project.slides.front());
        project.slides.back().id = Uuid::random();
        project.export_.quality = QualityPreset::balanced;
        handle->document().setProject(project);

        QWidget window;
        ExportSheet sheet(*handle, &window);
        QCOMPARE(sheet.quality(), QualityPreset::balanced);
        QCOMPARE(sheet.estimateText(), QStringLiteral("About 467.1 kB"));
        sheet.setQuality(QualityPreset::small);
        QCOMPARE(sheet.estimateText(), QStringLiteral("About 202.9 kB"));

        project.slides = {sectionDividerSlide()};
        handle->document().setProject(project);
        ExportSheet withoutPictures(*handle, &window);
        QVERIFY(!withoutPictures.estimateText());
    }

    void unusablePicturesAreListedAndAFailingExportShowsTheDriversSentence() {
        auto handle = makeDeck(3, Bytes(std::string_view("not a picture at all")));
        Project project = handle->document().project();
        project.images[0].importError = "This file could not be read as an image.";
        project.images[2].importError = "";
        handle->document().setProject(project);
        TempDir folder;
        QWidget window;
        ExportFlow flow(*handle, &window, fakeLauncher({}));
        QSignalSpy finished(&flow, &ExportFlow::finished);

        flow.start(QualityPreset::best);
        QMessageBox* box = waitForChild<QMessageBox>(window);
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Some images could not be used"));
        QCOMPARE(box->informativeText(),
                 QStringLiteral("IMG_0001.JPG: This file could not be read as an image.\n"
                                "IMG_0003.JPG: unknown error"));
        QCOMPARE(buttonTexts(box), (QStringList{"Export Without Them", "Cancel"}));
        clickButton(box, "Cancel");
        QCOMPARE(finished.size(), 1);
        QTest::qWait(50);
        QVERIFY(!visibleChild<QFileDialog>(window));

        // Without them, the export fails on the picture left; the driver's sentence names it.
        flow.start(QualityPreset::balanced);
        clickButton(waitForChild<QMessageBox>(window), "Export Without Them");
        save(waitForChild<QFileDialog>(window), qpath(folder / "deck.pptx"));
        box = waitForChild<QMessageBox>(window);
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Could not export the presentation"));
        QCOMPARE(box->informativeText(),
                 QStringLiteral("IMG_0002.JPG: This file could not be read as an image."));
        QVERIFY(!QFileInfo::exists(qpath(folder / "deck.pptx")));
        QCOMPARE(handle->document().project().export_.quality, QualityPreset::best);
    }

    void readyAlertOffersOneButtonPerProgramAndTheQualityIsRemembered() {
        TempDir folder;
        auto handle = makeDeck(2, fixtureBytes("orient-1.jpg"));
        QWidget window;
        ExportFlow flow(*handle, &window,
                        fakeLauncher({{"First", "/a.desktop", "first %f"},
                                      {"Second", "/b.desktop", "second %f"}},
                                     "No such program."));
        flow.start(QualityPreset::small);
        QFileDialog* dialog = waitForChild<QFileDialog>(window);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Export Presentation"));
        QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(),
                 QStringLiteral("Presentation.pptx"));
        save(dialog, qpath(folder / "deck.pptx"));

        QMessageBox* ready = waitForChild<QMessageBox>(window);
        QVERIFY(ready);
        QCOMPARE(ready->text(), QStringLiteral("Presentation ready"));
        QCOMPARE(ready->informativeText(), QStringLiteral("deck.pptx"));
        QCOMPARE(buttonTexts(ready),
                 (QStringList{"Show in Folder", "Open in First", "Open in Second", "OK"}));
        QVERIFY(QFileInfo(qpath(folder / "deck.pptx")).size() > 0);

        // Stored without an undo step; the next sheet starts there.
        QCOMPARE(handle->document().project().export_.quality, QualityPreset::small);
        QCOMPARE(handle->undoHistory()->undoCount(), std::size_t{0});
        QCOMPARE(ExportSheet(*handle, &window).quality(), QualityPreset::small);

        clickButton(ready, "Open in Second");
        QTest::qWait(50);
        QMessageBox* failed = waitForChild<QMessageBox>(window);
        QVERIFY(failed);
        QCOMPARE(failed->text(), QStringLiteral("Could not open in Second"));
        QCOMPARE(failed->informativeText(),
                 QStringLiteral("The presentation was still saved as deck.pptx.\n\n"
                                "No such program."));
        failed->buttons().front()->click();
    }

    void closingDuringAnExportAsksFirstAndACancelledExportLeavesTheReplacedFileAsItWas() {
        auto handle = makeDeck(2, fixtureBytes("orient-1.jpg"));
        TempDir folder;
        const Bytes before(std::string_view("an older presentation"));
        writeFileBytes(folder / "deck.pptx", before);
        QWidget window;
        ExportFlow flow(*handle, &window, fakeLauncher({}));
        flow.setExportFunction(exportAfterCancel);
        QSignalSpy finished(&flow, &ExportFlow::finished);
        QVERIFY(flow.prepareToClose());  // nothing running
        flow.start(QualityPreset::best);
        save(waitForChild<QFileDialog>(window), qpath(folder / "deck.pptx"));
        QVERIFY(flow.isExporting());
        ExportProgressPanel* panel = flow.progressPanel();
        QVERIFY(panel && panel->isVisible());
        QCOMPARE(panel->windowTitle(), QStringLiteral("Export Presentation"));
        answerNextQuestion("Keep Exporting");
        QVERIFY(!flow.prepareToClose());
        QVERIFY(flow.isExporting());
        QTest::keyClick(panel, Qt::Key_Escape);  // Escape cancels rather than hiding the panel
        QVERIFY(panel->isVisible());

        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QVERIFY(!flow.isExporting());
        QVERIFY(!flow.progressPanel());
        QVERIFY(!visibleChild<QMessageBox>(window));
        QCOMPARE(readFileBytes(folder / "deck.pptx"), before);
        QCOMPARE(QDir(qpath(folder.path())).entryList(QDir::Files), QStringList{"deck.pptx"});

        // Cancel Export in the closing question cancels too.
        flow.start(QualityPreset::best);
        save(waitForChild<QFileDialog>(window), qpath(folder / "deck.pptx"));
        answerNextQuestion("Cancel Export");
        QVERIFY(flow.prepareToClose());
        QVERIFY(!flow.isExporting());
        QTest::qWait(300);
        QCOMPARE(readFileBytes(folder / "deck.pptx"), before);
    }

    void desktopEntriesDeclaringPresentationsBecomePrograms() {
        TempDir root;
        const std::string mime = std::string("MimeType=text/plain;") +
                                 PresentationLauncher::presentationMimeType + ";\n";
        // An application entry named `name` running `exec`, with `more` lines after its own.
        const auto entry = [](const std::filesystem::path& path, const std::string& name,
                              const std::string& exec, const std::string& more) {
            std::filesystem::create_directories(path.parent_path());
            writeFileBytes(path, Bytes(std::string_view("[Desktop Entry]\nType=Application\nName=" +
                                                        name + "\nExec=" + exec + "\n" + more)));
        };
        const auto user = root / "user" / "applications";
        const auto system = root / "system" / "applications";
        entry(user / "impress.desktop", "Hidden One", "/bin/true %U", "Hidden=true\n" + mime);
        entry(system / "impress.desktop", "Masked", "/bin/true", mime);
        entry(system / "viewer.desktop", "Viewer", "/bin/true --view \"%f\"",
              mime + "[Desktop Action x]\nName=Other\n");
        entry(system / "missing.desktop", "Missing", "/nonexistent/program %f", mime);
        entry(system / "text.desktop", "Text", "/bin/true %f", "MimeType=text/plain;\n");

        qunsetenv("MOSAVELLE_PRESENTATION_APPS");
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((root / "user").string()));
        qputenv("XDG_DATA_DIRS", QByteArray::fromStdString((root / "system").string()));
        std::vector<PresentationProgram> found = PresentationLauncher::defaultLookup();
        QCOMPARE(found.size(), std::size_t{1});
        QCOMPARE(found[0].name, QStringLiteral("Viewer"));
        QCOMPARE(PresentationLauncher::commandLine(found[0].exec, "/tmp/a b.pptx"),
                 (QStringList{"/bin/true", "--view", "/tmp/a b.pptx"}));
        QCOMPARE(PresentationLauncher::commandLine("run --name=%c %%x", "/f.pptx"),
                 (QStringList{"run", "--name=", "%x", "/f.pptx"}));
        QCOMPARE(PresentationLauncher::commandLine("run %U", "/f g.pptx"),
                 (QStringList{"run", "file:///f%20g.pptx"}));

        // The variable replaces the search and takes its entries as they are.
        const std::string listed =
            (system / "missing.desktop").string() + ":" + (system / "text.desktop").string();
        qputenv("MOSAVELLE_PRESENTATION_APPS", QByteArray::fromStdString(listed));
        found = PresentationLauncher::defaultLookup();
        QCOMPARE(found.size(), std::size_t{2});
        QCOMPARE(found[0].name, QStringLiteral("Missing"));
        qunsetenv("MOSAVELLE_PRESENTATION_APPS");
    }
};

MOSAVELLE_APP_TEST_MAIN(ExportFlowTest)
#include "export_flow_test.moc"
