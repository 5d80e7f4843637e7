#include "app/settings/deck_settings_sheet.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>

#include "app/inspector/apply_placement_sheet.h"
#include "app/inspector/inspector_view.h"
#include "app/settings/timeline_sheets.h"
#include "app_test_support.h"
#include "core/editing/selection.h"
#include "core/model/defaults_store.h"
#include "support/test_support.h"

namespace {

void choose(QComboBox* box, const QString& label) {
    const int index = box->findText(label);
    QVERIFY(index >= 0);
    box->setCurrentIndex(index);
    Q_EMIT box->activated(index);
}

// The shown control of this type whose accessible name is `name`.
template <class W>
W* shown(QWidget& root, const QString& name) {
    return testing::named<W>(root, name, true);
}

QAbstractButton* segment(QWidget& root, const QString& control, const QString& name) {
    QWidget* box = shown<QWidget>(root, control);
    return box ? shown<QAbstractButton>(*box, name) : nullptr;
}

// The caption rows as "label|accessible name" lines.
QStringList captionRows(InspectorView& inspector) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList rows;
    for (auto* field : inspector.findChildren<QPlainTextEdit*>()) {
        if (!field->isVisibleTo(&inspector))
            continue;
        const auto labels = field->parentWidget()->findChildren<QLabel*>();
        QString label;
        for (QLabel* l : labels)
            if (l->text().startsWith(QStringLiteral("Caption")))
                label = l->text();
        rows << label + QLatin1Char('|') + field->accessibleName();
    }
    return rows;
}

Placement placementOf(const MosavelleDocument& document, int n) {
    return *document.project().slides.at(std::size_t(n)).placementOverride;
}

}  // namespace

class DeckSettingsSheetTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachSettingAndShowRowIsOneNamedUndoStepUndoShowsAtOnceAndOrderShowsTheDateNote() {
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
        choose(orderPicker, "Manual");
        QVERIFY(!note->isVisible());

        // A listed language stands for its tag, a typed tag is normalised, other text refused.
        auto* language = named<QComboBox>(sheet, "Text language");
        choose(language, "Deutsch (de-DE)");
        QCOMPARE(appearance.language, std::optional<std::string>("de-DE"));
        for (const char* typed : {"fr_ch", "Deutsch (de-DE)x"}) {
            language->setEditText(QString::fromLatin1(typed));
            Q_EMIT language->lineEdit()->editingFinished();
            QCOMPARE(appearance.language, std::optional<std::string>("fr-CH"));
            QVERIFY2(language->currentText().endsWith("(fr-CH)"),
                     qPrintable(language->currentText()));
        }
        stepNamed("Change Language", 5);

        // The slide show rows are one step each and follow undo.
        const SlideShowSettings& show = handle->document().project().show;
        auto* seconds = named<QSpinBox>(sheet, "Seconds");
        choose(named<QComboBox>(sheet, "Advance slides"), "After");
        seconds->setValue(12);
        choose(named<QComboBox>(sheet, "Transition"), "Fade");
        named<QCheckBox>(sheet, "Loop until Esc")->click();
        QCOMPARE(show, (SlideShowSettings{
                           {true, 12}, {TransitionKind::fade, TransitionSpeed::medium}, true}));
        stepNamed("Loop Until Esc", 9);
        for (int i = 0; i < 4; ++i)
            history.undo();
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

    void placementWarningsAndCaptionRowsOfTwoImageSlides() {
        DeckBuilder deck;
        // 72 dpi pictures far larger than their areas at 100%: overflowing and blurry.
        deck.slide(SlideLayoutKind::twoUp,
                   {deck.picture(Qt::red, 2000, 1500), deck.picture(Qt::green, 2000, 1500)})
            .placementOverride = Placement{SizingMode::actual, {}, 0, 1.0};
        deck.slide(SlideLayoutKind::twoUp, {std::nullopt, std::nullopt});
        deck.slide(SlideLayoutKind::twoUp, {std::nullopt, deck.picture(Qt::blue)});
        auto handle = deck.handle();
        MosavelleDocument& document = handle->document();
        const auto slides = document.project().slides;
        InspectorView inspector(*handle);
        auto* block = shown<QWidget>(inspector, QStringLiteral("Placement warnings"));
        QVERIFY(block);
        const auto fits = allNamed<QPushButton>(*block, QStringLiteral("Fit to Slide"), true);
        const QString blurry = QStringLiteral("Image may be blurry when presented.");
        QCOMPARE(fits.size(), 2);
        QCOMPARE(allNamed<QLabel>(*block, blurry, true).size(), 1);
        fits[1]->click();
        QCOMPARE(document.project().slides[0].placementOverride->mode, SizingMode::fit);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!shown<QPushButton>(inspector, QStringLiteral("Fit to Slide")));

        QCOMPARE(captionRows(inspector),
                 QStringList({"Caption 1|Caption 1 for p1.png", "Caption 2|Caption 2 for p2.png"}));
        setSelection(document, {slides[1].id});
        QCOMPARE(captionRows(inspector),
                 QStringList({"Caption 1|Caption 1", "Caption 2|Caption 2"}));
        setSelection(document, {slides[2].id});
        QCOMPARE(captionRows(inspector), QStringList({"Caption 2|Caption 2 for p3.png"}));

        // Typing a caption edits that slot live, as one step once the field is left; a long one
        // warns under its own row.
        auto* field = shown<QPlainTextEdit>(inspector, QStringLiteral("Caption 2 for p3.png"));
        const std::size_t steps = handle->undoHistory()->undoCount();
        QTest::keyClicks(field, QStringLiteral("xxxxx"));
        field->insertPlainText(QString(295, QLatin1Char('x')));
        QCOMPARE(document.project().slides[2].slots[1].caption, std::string(300, 'x'));
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(field, &out);
        QCOMPARE(handle->undoHistory()->undoCount(), steps + 1);
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Edit Caption"));

        QLabel* warning = named<QLabel>(
            *field->parentWidget(),
            QStringLiteral("This caption is too long for its box on the exported slide."));
        QVERIFY(warning && warning->isVisibleTo(&inspector));

        // The alt text field offers the picture's text (here its caption) until the slot has one.
        auto* alt = shown<QLineEdit>(inspector, QStringLiteral("Alt text for p3.png"));
        QVERIFY(alt);
        QCOMPARE(alt->placeholderText(), QString(300, QLatin1Char('x')));
        alt->setText(QStringLiteral("A blue square"));
        Q_EMIT alt->editingFinished();
        QCOMPARE(document.project().slides[2].slots[1].altText.value_or(""), "A blue square");
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Edit Alt Text"));
        // A keyboard step of the size slider is a step of its own on the selected slide.
        auto* size = shown<QSlider>(inspector, QStringLiteral("Caption size"));
        QVERIFY(size);
        size->setValue(size->value() + 2);
        QCOMPARE(document.project().slides[2].captionPoints, double(size->value()));
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Change Caption Size"));
        // A drag is one step under the same name, whatever values it passes.
        const std::size_t beforeDrag = handle->undoHistory()->undoCount();
        handle->undoHistory()->undo();
        size->setSliderDown(true);
        for (int i = 0; i < 3; ++i)
            size->setValue(size->value() + 1);
        size->setSliderDown(false);
        QCOMPARE(handle->undoHistory()->undoCount(), beforeDrag);
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Change Caption Size"));
    }

    void customKeepsTheScaleTheSliderNamesTheModeAndSectionsFollowTheSelection() {
        DeckBuilder deck;
        for (QColor c : {Qt::red, Qt::green, Qt::blue})
            deck.slide(SlideLayoutKind::oneImage, {deck.picture(c)});
        deck.slide(SlideLayoutKind::section, {});
        auto handle = deck.handle();
        MosavelleDocument& document = handle->document();
        const auto slides = document.project().slides;
        InspectorView inspector(*handle);
        auto* header = inspector.findChild<QGroupBox*>();
        QCOMPARE(header->title(), QStringLiteral("Selected Slide"));
        QVERIFY(shown<QLineEdit>(inspector, QStringLiteral("Slide name")));

        // Custom keeps the scale, and the scale slider names the mode it lands on.
        auto* scale = shown<QSlider>(inspector, QStringLiteral("Scale"));
        QVERIFY(!scale);  // hidden while fitting

        segment(inspector, QStringLiteral("Placement"), QStringLiteral("Custom"))->click();
        QCOMPARE(placementOf(document, 0).mode, SizingMode::custom);
        QCOMPARE(placementOf(document, 0).scale, 1.0);
        scale = shown<QSlider>(inspector, QStringLiteral("Scale"));
        QVERIFY(scale);
        QVERIFY(named<QLabel>(*scale->parentWidget(), QStringLiteral("100%")));
        QCOMPARE(scale->value(), sliderForScale(1.0));

        const std::size_t steps = handle->undoHistory()->undoCount();
        scale->setSliderDown(true);
        for (double s : {0.9, 0.8, 0.75})
            scale->setValue(sliderForScale(s));
        scale->setSliderDown(false);
        QCOMPARE(placementOf(document, 0).mode, SizingMode::percent75);
        QCOMPARE(placementOf(document, 0).scale, 0.75);
        QCOMPARE(handle->undoHistory()->undoCount(), steps + 1);  // one drag, one step
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Change Scale"));

        // Custom on a sized mode changes nothing; Fill resets the scale.
        segment(inspector, QStringLiteral("Placement"), QStringLiteral("Custom"))->click();
        QCOMPARE(placementOf(document, 0).mode, SizingMode::percent75);
        scale->setValue(sliderForScale(1.5));
        segment(inspector, QStringLiteral("Placement"), QStringLiteral("Fill"))->click();
        QCOMPARE(placementOf(document, 0).mode, SizingMode::fill);
        QCOMPARE(placementOf(document, 0).scale, 1.0);
        QVERIFY(!shown<QSlider>(inspector, QStringLiteral("Scale")));

        handle->undoHistory()->undo();  // the inspector shows the undone state at once
        QCOMPARE(shown<QSlider>(inspector, QStringLiteral("Scale"))->value(), sliderForScale(1.5));

        // A grouped slide's small common scale is shown as it is, and one key step changes it
        // by a small share rather than jumping to the slider's end.
        Project small = document.project();
        small.slides[0].placementOverride = Placement{SizingMode::custom, {0.5, 0.5}, 0, 0.125};
        document.setProject(small);
        QVERIFY(named<QLabel>(*scale->parentWidget(), QStringLiteral("12.5%")));
        QTest::keyClick(scale, Qt::Key_Right);
        const double stepped = placementOf(document, 0).scale;
        QVERIFY(stepped > 0.125 && stepped < 0.135);

        setSelection(document, {slides[0].id, slides[1].id, slides[2].id});
        QCOMPARE(header->title(), QStringLiteral("Selected Slides"));
        auto* picker = inspector.findChild<QComboBox*>();
        const int grid = picker->findText(QStringLiteral("Four-image grid"));
        picker->setCurrentIndex(grid);
        Q_EMIT picker->activated(grid);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(document.project().slides[std::size_t(i)].layout, SlideLayoutKind::fourGrid);
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Change Layout"));

        setSelection(document, {slides[3].id});  // a section divider: fixed layout, a title
        QVERIFY(!picker->isVisibleTo(&inspector));
        auto* title = shown<QLineEdit>(inspector, QStringLiteral("Title"));
        QVERIFY(title);
        QVERIFY(!inspector.findChildren<QGroupBox*>().at(1)->isVisibleTo(&inspector));

        // Typing a title follows each key; changing slides closes the run as one step.
        const std::string before = document.project().slides[3].title;
        QTest::keyClicks(title, QStringLiteral("Hello"));
        QCOMPARE(document.project().slides[3].title, before + "Hello");
        setSelection(document, {slides[0].id});
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Rename Slide"));
        handle->undoHistory()->undo();
        QCOMPARE(document.project().slides[3].title, before);
        setSelection(document, {slides[3].id});

        setSelection(document, {});
        QVERIFY(!inspector.widget()->isVisibleTo(&inspector));
    }

    void applyPlacementSheetCountsTheIncludedSlidesWithPictures() {
        DeckBuilder deck;
        deck.slide(SlideLayoutKind::oneImage, {deck.picture(Qt::red)}).placementOverride =
            Placement{SizingMode::fill, {0.1, 0.9}, 0, 1};
        deck.slide(SlideLayoutKind::oneImage, {deck.picture(Qt::green)}).isExcluded = true;
        deck.slide(SlideLayoutKind::section, {});
        deck.slide(SlideLayoutKind::twoUp, {std::nullopt, std::nullopt});
        auto handle = deck.handle();
        MosavelleDocument& document = handle->document();
        QWidget window;
        auto* inspector = new InspectorView(*handle, &window);
        window.show();
        auto* apply =
            named<QPushButton>(*inspector, QStringLiteral("Apply Placement to All Slides…"));
        QVERIFY(apply && apply->isEnabled());
        apply->click();
        ApplyPlacementSheet* sheet = inspector->applyPlacementSheet();
        QVERIFY(sheet && sheet->isVisible());
        QCOMPARE(sheet->findChild<QLabel*>(QStringLiteral("message"))->text(),
                 QStringLiteral("This copies Fill placement to 1 included slide that has images. "
                                "Title-only slides are skipped. On slides with more than one "
                                "image, the same mode is used in each image area."));
        named<QPushButton>(*sheet, QStringLiteral("Apply"))->click();
        QCOMPARE(handle->undoHistory()->undoName(), std::string("Apply Placement to All Slides"));
        QCOMPARE(ApplyPlacementSheet::message(SizingMode::percent75, 3).left(47),
                 QStringLiteral("This copies 75% placement to 3 included slides "));

        Project none = document.project();
        none.slides[0].isExcluded = true;
        document.setProject(none);
        QVERIFY(!apply->isEnabled());
    }
};

MOSAVELLE_APP_TEST_MAIN(DeckSettingsSheetTest)
#include "deck_settings_sheet_test.moc"
