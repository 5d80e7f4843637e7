#include "app/settings/deck_settings_sheet.h"
#include "app/settings/timeline_sheets.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QToolButton>

#include "app_test_support.h"
#include "core/model/defaults_store.h"
#include "support/test_support.h"

namespace {

void choose(QComboBox* box, const QString& label) {
    const int index = box->findText(label);
    QVERIFY(index >= 0);
    box->setCurrentIndex(index);
    Q_EMIT box->activated(index);
}

}  // namespace

class DeckSettingsSheetTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachSettingIsOneNamedUndoStepUndoShowsAtOnceAndOrderShowsTheDateNote() {
        auto handle = makeDeck({"b.jpg", "C.jpg", "a.jpg"});
        QWidget window;
        DeckSettingsSheet sheet(*handle, &window);
        sheet.show();
        UndoHistory& history = *handle->undoHistory();
        const auto stepNamed = [&](const std::string& name, std::size_t count) {
            QCOMPARE(history.undoName(), name);
            QCOMPARE(history.undoCount(), count);
        };
        const AppearanceSettings& appearance = handle->document().project().appearance;

        choose(named<QComboBox>(sheet, "Slide size"), "Standard 4:3");
        QCOMPARE(appearance.slideSize, SlideSizePreset::classic);
        stepNamed("Slide Size", 1);

        QPushButton* color = named<QPushButton>(sheet, "Custom color");
        QVERIFY(!color->isVisible());
        choose(named<QComboBox>(sheet, "Background"), "Custom");
        stepNamed("Background", 2);
        QVERIFY(color->isVisible());
        color->click();
        auto* dialog = sheet.findChild<QColorDialog*>();
        QVERIFY(dialog);
        dialog->setCurrentColor(QColor(255, 0, 0));
        dialog->accept();
        QCOMPARE(appearance.customBackground, (RGBAColor{1, 0, 0, 1}));
        QCOMPARE(appearance.background, BackgroundKind::custom);
        stepNamed("Background Color", 3);
        // A colour without an sRGB form is stored as opaque black.
        QCOMPARE(DeckSettingsSheet::storedColor(QColor()), (RGBAColor{0, 0, 0, 1}));
        QCOMPARE(DeckSettingsSheet::storedColor(QColor::fromRgbF(1.5f, 0.2f, 0.2f).toExtendedRgb()),
                 (RGBAColor{0, 0, 0, 1}));
        const RGBAColor fromHsv = DeckSettingsSheet::storedColor(QColor::fromHsv(240, 255, 255));
        QCOMPARE(fromHsv, (RGBAColor{0, 0, 1, 1}));

        named<QCheckBox>(sheet, "Slide numbers")->click();
        QVERIFY(appearance.branding.showSlideNumbers);
        stepNamed("Slide Numbers", 4);
        QCheckBox* cleaned = named<QCheckBox>(sheet, "Use cleaned-up filenames for new captions");
        cleaned->click();
        QVERIFY(appearance.filenameCleanup.enabled);
        stepNamed("Caption Setting", 5);
        auto* from = named<QComboBox>(sheet, "Captions from");
        from->setCurrentIndex(4);
        Q_EMIT from->activated(4);
        QCOMPARE(appearance.captionsFrom.source, CaptionSource::pattern);
        stepNamed("Caption Setting", 6);
        history.undo();

        history.undo();
        QVERIFY(!cleaned->isChecked());
        history.undo();
        history.undo();
        history.undo();
        QVERIFY(!color->isVisible());
        QCOMPARE(named<QComboBox>(sheet, "Background")->currentText(), QStringLiteral("White"));

        QLabel* note = named<QLabel>(sheet, "Photos without a capture date appear last.");
        QVERIFY(!note->isVisible());

        QComboBox* orderPicker = named<QComboBox>(sheet, "Order");
        choose(orderPicker, "Name");
        QCOMPARE(pictureNames(*handle), (std::vector<std::string>{"a.jpg", "b.jpg", "C.jpg"}));
        stepNamed("Sort", 2);  // the new order and its sort in one step
        history.undo();
        QCOMPARE(orderPicker->currentText(), QStringLiteral("Manual"));

        choose(orderPicker, "Capture date");
        QVERIFY(note->isVisible());
        QLabel* information = nullptr;
        for (QLabel* label : sheet.findChildren<QLabel*>())
            if (label->text().startsWith("Mosavelle uses the date"))
                information = label;
        QVERIFY(information && !information->isVisible());
        named<QToolButton>(sheet, "More information")->click();
        QVERIFY(information->isVisible());
        choose(orderPicker, "Manual");
        QVERIFY(!note->isVisible());
    }

    void theSlideShowRowsAreOneStepEachAndFollowUndo() {
        auto handle = makeDeck({"a.jpg"});
        QWidget window;
        DeckSettingsSheet sheet(*handle, &window);
        const SlideShowSettings& show = handle->document().project().show;
        auto* seconds = named<QSpinBox>(sheet, "Seconds");
        choose(named<QComboBox>(sheet, "Advance slides"), "After");
        seconds->setValue(12);
        choose(named<QComboBox>(sheet, "Transition"), "Fade");
        named<QCheckBox>(sheet, "Loop until Esc")->click();
        QCOMPARE(show, (SlideShowSettings{
                           {true, 12}, {TransitionKind::fade, TransitionSpeed::medium}, true}));
        for (int i = 0; i < 4; ++i)
            handle->undoHistory()->undo();
        QVERIFY(!named<QCheckBox>(sheet, "Loop until Esc")->isChecked());
        QVERIFY(!seconds->isEnabled());  // manual again
    }

    void theTimeGapSheetSplitsAtTheChosenGapInOneStep() {
        auto handle = makeDeck({"a.jpg", "b.jpg", "c.jpg"});
        Project project = handle->document().project();
        const auto noon =
            std::chrono::sys_days{std::chrono::May / 12 / 2024} + std::chrono::hours(12);
        for (int i = 0; i < 3; ++i)  // 12:00, 15:00, 18:00
            project.images.edit(i).captureDate = noon + std::chrono::hours(3 * i);
        handle->document().setProject(project);
        QWidget window;
        TimeGapSheet sheet(*handle, &window);
        named<QSpinBox>(sheet, "Hours")->setValue(4);
        for (QPushButton* button : sheet.findChildren<QPushButton*>())
            if (button->text() == "Insert Sections")
                button->click();
        const auto& slides = handle->document().project().slides;
        QCOMPARE(slides.size(), std::size_t{4});  // one part, its divider first
        QCOMPARE(slides[0].layout, SlideLayoutKind::section);
        QCOMPARE(handle->undoHistory()->undoName(), "Insert Sections at Time Gaps");
    }

    void defaultsNotesAndLogoTakeNoDeckStepAndReturnMeansDoneWhicheverButtonHasFocus() {
        auto handle = makeDeck({"a.jpg"});
        Project project = handle->document().project();
        project.sort = SortMode::reverseFilename;
        handle->document().setProject(project);
        QWidget window;
        DeckSettingsSheet sheet(*handle, &window);
        sheet.open();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QSignalSpy notes(&sheet, &DeckSettingsSheet::showsPresenterNotesChanged);
        QSignalSpy finished(&sheet, &DeckSettingsSheet::logoFinished);

        QPushButton* saveDefault = named<QPushButton>(sheet, "Save Current as Default");
        saveDefault->click();
        QCOMPARE(handle->document().project(), project);
        const auto& stored = DefaultSettingsStore::shared().stored();
        QVERIFY(stored);
        QCOMPARE(stored->sort, SortMode::reverseFilename);

        QVERIFY(DeckSettingsSheet::showsPresenterNotes());
        named<QCheckBox>(sheet, "Show presenter notes")->click();
        QCOMPARE(notes.size(), 1);
        QVERIFY(!DeckSettingsSheet::showsPresenterNotes());

        // A logo is stored as it is, or refused when it is no picture.
        QPushButton* remove = named<QPushButton>(sheet, "Remove Logo");
        QVERIFY(!remove->isVisible());
        sheet.loadLogo(QString::fromStdString(testing::fixturePath("document.pdf").string()));
        QTRY_COMPARE(finished.size(), 1);
        auto* refusal = sheet.findChild<QMessageBox*>();
        QVERIFY(refusal);
        QCOMPARE(refusal->informativeText(), QStringLiteral("This image format is not supported."));
        refusal->close();
        QVERIFY(!handle->document().logoData());

        sheet.loadLogo(QStringLiteral("/nonexistent/logo.png"));  // unreadable: ignored
        QTRY_COMPARE(finished.size(), 2);
        QVERIFY(!handle->document().logoData());
        QCOMPARE(handle->undoHistory()->undoCount(), std::size_t{0});

        const auto picture = testing::fixturePath("picture.heic");
        sheet.loadLogo(QString::fromStdString(picture.string()));
        QTRY_COMPARE(finished.size(), 3);
        QCOMPARE(handle->document().logoData(), testing::readFileBytes(picture));
        QCOMPARE(handle->document().project().appearance.branding.logoFileName,
                 std::optional<std::string>("logo.png"));
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Set Logo"));
        QVERIFY(remove->isVisible());
        remove->click();
        QVERIFY(!handle->document().logoData());
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Remove Logo"));
        QVERIFY(!remove->isVisible());

        saveDefault->setFocus();
        QTest::keyClick(saveDefault, Qt::Key_Return);
        QVERIFY(!sheet.isVisible());
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
    }
};

MOSAVELLE_APP_TEST_MAIN(DeckSettingsSheetTest)
#include "deck_settings_sheet_test.moc"
