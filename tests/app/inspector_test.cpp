#include "app/inspector/inspector_view.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

#include "app/inspector/apply_placement_sheet.h"
#include "app_test_support.h"
#include "core/editing/selection.h"

namespace {

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

class InspectorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
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

MOSAVELLE_APP_TEST_MAIN(InspectorTest)
#include "inspector_test.moc"
