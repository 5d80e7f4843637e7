#include "app/settings/deck_settings_sheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>
#include <variant>

#include "app/document/document_handle.h"
#include "app/document/package_dialog.h"
#include "app/settings/show_controls.h"
#include "app/support/background_job.h"
#include "app/support/core_texts.h"
#include "app/support/preferences.h"
#include "core/editing/deck_settings.h"
#include "core/editing/selection.h"
#include "core/editing/slide_settings.h"
#include "core/import/picture_file.h"
#include "core/import/picture_texts.h"
#include "core/model/defaults_store.h"

namespace mosavelle::app {

namespace {

template <class E>
void addChoice(QComboBox* box, const QString& label, E value) {
    box->addItem(label, static_cast<int>(value));
}

template <class E>
void showChoice(QComboBox* box, E value) {
    box->setCurrentIndex(box->findData(static_cast<int>(value)));
}

template <class E>
E chosen(const QComboBox* box) {
    return static_cast<E>(box->currentData().toInt());
}

QComboBox* makePicker(const QString& name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setAccessibleName(name);
    return box;
}

// A language as the list of text languages shows it: its own name with its tag, or the tag alone
// for a language the interface has no name for.
QString languageChoice(const QString& tag) {
    const QString name = QLocale(tag).nativeLanguageName();
    if (name.isEmpty() || QLocale(tag).language() == QLocale::C)
        return tag;
    //: A language in the list of text languages: its own name and its tag ("Deutsch (de-DE)").
    return DeckSettingsSheet::tr("%1 (%2)").arg(name, tag);
}

QCheckBox* makeToggle(const QString& name, QWidget* parent) {
    auto* box = new QCheckBox(name, parent);
    box->setAccessibleName(name);
    return box;
}

}  // namespace

DeckSettingsSheet::DeckSettingsSheet(DocumentHandle& handle, QWidget* parent)
    : QDialog(parent), handle_(handle) {
    setWindowTitle(tr("Deck Settings"));
    setAccessibleName(tr("Deck Settings"));
    setWindowModality(Qt::WindowModal);
    resize(440, 520);
    setMinimumWidth(440);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 0);
    auto* section = new QGroupBox(tr("Deck"), this);
    auto* form = new QFormLayout(section);
    layout->addWidget(section);
    buildShowSection(layout);
    layout->addStretch(1);  // the box as tall as its rows; the sheet keeps its size
    buildAppearanceRows(form, section);
    buildOrderRows(form, section);
    buildCaptionRows(form, section);
    buildLanguageRow(form, section);
    buildLogoRows(form, section);
    buildFooter(layout);
    connect(&handle_, &DocumentHandle::documentChanged, this, &DeckSettingsSheet::refresh);
    refresh();
}

void DeckSettingsSheet::buildAppearanceRows(QFormLayout* form, QWidget* section) {
    slideSize_ = makePicker(tr("Slide size"), section);
    addChoice(slideSize_, tr("Widescreen 16:9"), SlideSizePreset::widescreen);
    addChoice(slideSize_, tr("Standard 4:3"), SlideSizePreset::classic);
    form->addRow(tr("Slide size"), slideSize_);
    connect(slideSize_, &QComboBox::activated, this,
            [this] { setSlideSize(handle_.document(), chosen<SlideSizePreset>(slideSize_)); });

    background_ = makePicker(tr("Background"), section);
    addChoice(background_, tr("White"), BackgroundKind::white);
    addChoice(background_, tr("Black"), BackgroundKind::black);
    addChoice(background_, tr("Custom"), BackgroundKind::custom);
    form->addRow(tr("Background"), background_);
    connect(background_, &QComboBox::activated, this,
            [this] { setBackground(handle_.document(), chosen<BackgroundKind>(background_)); });

    colorButton_ = new QPushButton(section);
    colorButton_->setAccessibleName(tr("Custom color"));
    colorRow_ = colorButton_;
    form->addRow(tr("Custom color"), colorButton_);
    connect(colorButton_, &QPushButton::clicked, this, &DeckSettingsSheet::chooseCustomColor);
}

void DeckSettingsSheet::buildOrderRows(QFormLayout* form, QWidget* section) {
    order_ = makePicker(tr("Order"), section);
    addChoice(order_, tr("Manual"), SortMode::manual);
    addChoice(order_, tr("Name"), SortMode::filename);
    addChoice(order_, tr("Capture date"), SortMode::captureDate);
    addChoice(order_, tr("Name, reversed"), SortMode::reverseFilename);
    addChoice(order_, tr("Capture date, reversed"), SortMode::reverseCaptureDate);
    form->addRow(tr("Order"), order_);
    connect(order_, &QComboBox::activated, this, [this] {
        const SortMode mode = chosen<SortMode>(order_);
        if (mode != handle_.document().project().sort)
            changeSortMode(handle_.document(), mode);
    });

    dateNote_ = new QWidget(section);
    auto* noteLayout = new QVBoxLayout(dateNote_);
    noteLayout->setContentsMargins(0, 0, 0, 0);
    auto* noteLine = new QHBoxLayout;
    auto* note = new QLabel(tr("Photos without a capture date appear last."), dateNote_);
    note->setWordWrap(true);
    auto* info = new QToolButton(dateNote_);
    info->setAccessibleName(tr("More information"));
    info->setToolTip(tr("More information"));
    info->setIcon(QIcon::fromTheme(QStringLiteral("help-about")));
    if (info->icon().isNull())
        info->setText(QStringLiteral("?"));
    info->setCheckable(true);
    noteLine->addWidget(note, 1);
    noteLine->addWidget(info);
    noteLayout->addLayout(noteLine);
    dateInformation_ = new QLabel(
        tr("Mosavelle uses the date the photo was taken when that information is stored in the "
           "file. Photos without a capture date stay at the end of the deck, including when you "
           "reverse the order."),
        dateNote_);
    dateInformation_->setWordWrap(true);
    dateInformation_->setVisible(false);
    noteLayout->addWidget(dateInformation_);
    form->addRow(dateNote_);
    connect(info, &QToolButton::toggled, dateInformation_, &QWidget::setVisible);
}

void DeckSettingsSheet::buildCaptionRows(QFormLayout* form, QWidget* section) {
    slideNumbers_ = makeToggle(tr("Slide numbers"), section);
    form->addRow(slideNumbers_);
    connect(slideNumbers_, &QCheckBox::clicked, this,
            [this](bool on) { setShowsSlideNumbers(handle_.document(), on); });

    presenterNotes_ = makeToggle(tr("Show presenter notes"), section);
    presenterNotes_->setToolTip(
        tr("Presenter notes sit under the preview. They are included when you export and are not "
           "shown on the slide."));
    form->addRow(presenterNotes_);
    connect(presenterNotes_, &QCheckBox::clicked, this, [this](bool on) {
        preferences::showsPresenterNotes.store(on);
        Q_EMIT showsPresenterNotesChanged(on);
    });

    cleanedNames_ = makeToggle(tr("Use cleaned-up filenames for new captions"), section);
    form->addRow(cleanedNames_);
    connect(cleanedNames_, &QCheckBox::clicked, this,
            [this](bool on) { setCleansFileNamesForCaptions(handle_.document(), on); });

    captionsFrom_ = new QComboBox(section);
    captionsFrom_->addItems({tr("None"), tr("File name"), tr("Picture description"),
                             tr("Picture title"), tr("Pattern")});
    captionsFrom_->setAccessibleName(tr("Captions from"));
    form->addRow(tr("Captions from"), captionsFrom_);
    captionPattern_ = new QLineEdit(section);
    //: An example caption pattern; the field names in braces stay as they are.
    captionPattern_->setPlaceholderText(tr("{date} \u00B7 {description}"));
    captionPattern_->setAccessibleName(tr("Caption pattern"));
    captionPattern_->setToolTip(
        tr("Fields: {title} {description} {date} {time} {place} "
           "{keywords} {camera} {filename}"));
    form->addRow(captionPattern_);
    captionExample_ = new QLabel(section);
    captionExample_->setWordWrap(true);
    form->addRow(captionExample_);
    const auto storeCaptionSource = [this] {
        const int index = captionsFrom_->currentIndex();
        setCaptionsFrom(handle_.document(),
                        index <= 0
                            ? std::nullopt
                            : std::optional(CaptionsFrom{CaptionSource(index - 1),
                                                         captionPattern_->text().toStdString()}));
    };
    connect(captionsFrom_, &QComboBox::activated, this, storeCaptionSource);
    connect(captionPattern_, &QLineEdit::editingFinished, this, storeCaptionSource);
}

void DeckSettingsSheet::buildLanguageRow(QFormLayout* form, QWidget* section) {
    language_ = makePicker(tr("Text language"), section);
    language_->setEditable(true);
    language_->setInsertPolicy(QComboBox::NoInsert);
    language_->setToolTip(
        tr("The language spelling checkers and screen readers use for the "
           "text of the slides. Type a tag such as de-CH for another one."));
    //: The first choice of the deck's text language; %1 is a tag such as en-US.
    language_->addItem(tr("Your language (%1)").arg(QString::fromStdString(languageTagOf())),
                       QString());
    for (const char* tag : {"de-DE", "en-US", "en-GB", "es-ES", "fr-FR", "it-IT", "nl-NL", "pl-PL",
                            "pt-BR", "sv-SE", "ja-JP", "zh-CN"})
        language_->addItem(languageChoice(QString::fromLatin1(tag)), QString::fromLatin1(tag));
    form->addRow(tr("Text language"), language_);
    connect(language_, &QComboBox::activated, this, &DeckSettingsSheet::applyLanguage);
    connect(language_->lineEdit(), &QLineEdit::editingFinished, this,
            &DeckSettingsSheet::applyLanguage);
}

// A choice picked from the list stands for its tag; anything else typed is taken as a tag. The
// box then shows the deck's language as stored: normalised, or as it was when the text is no tag.
void DeckSettingsSheet::applyLanguage() {
    const QString text = language_->currentText();
    const int index = language_->findText(text);
    const QString tag = index >= 0 ? language_->itemData(index).toString() : text;
    setDeckLanguage(handle_.document(), tag.toStdString());
    showLanguage(handle_.document().project().appearance.language);
}

void DeckSettingsSheet::showLanguage(const std::optional<std::string>& language) {
    const QString tag = QString::fromStdString(language.value_or(""));
    int index = language_->findData(tag);
    if (index < 0) {
        language_->addItem(languageChoice(tag), tag);
        index = language_->count() - 1;
    }
    language_->setCurrentIndex(index);
    language_->setEditText(language_->itemText(index));
}

void DeckSettingsSheet::buildLogoRows(QFormLayout* form, QWidget* section) {
    auto* logoLine = new QHBoxLayout;
    auto* chooseLogoButton = new QPushButton(tr("Choose Logo…"), section);
    removeLogo_ = new QPushButton(tr("Remove Logo"), section);
    logoLine->addWidget(chooseLogoButton);
    logoLine->addWidget(removeLogo_);
    logoLine->addStretch();
    form->addRow(logoLine);
    connect(chooseLogoButton, &QPushButton::clicked, this, &DeckSettingsSheet::chooseLogo);
    connect(removeLogo_, &QPushButton::clicked, this, [this] { removeLogo(handle_.document()); });

    auto* saveDefault = new QPushButton(tr("Save Current as Default"), section);
    saveDefault->setToolTip(tr("New Mosavelle documents will use these deck settings."));
    auto* defaultLine = new QHBoxLayout;
    defaultLine->addWidget(saveDefault);
    defaultLine->addStretch();
    form->addRow(defaultLine);
    connect(saveDefault, &QPushButton::clicked, this, [this] {
        const MosavelleDocument& document = handle_.document();
        const Project& project = document.project();
        DefaultSettingsStore::shared().saveAsDefault(project.appearance, project.export_.quality,
                                                     project.export_.suggestedBaseName,
                                                     project.sort, document.logoData());
    });
}

void DeckSettingsSheet::buildFooter(QVBoxLayout* layout) {
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(20, 16, 20, 16);
    footer->addStretch();
    auto* done = new QPushButton(tr("Done"), this);
    done->setDefault(true);
    // Return always means "Done": a button that took focus from a click (Choose Logo…, Save
    // Current as Default) must not become the default in its place.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(button == done);
    footer->addWidget(done);
    layout->addLayout(footer);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
}

void DeckSettingsSheet::buildShowSection(QVBoxLayout* layout) {
    auto* section = new QGroupBox(tr("Slide Show"), this);
    auto* column = new QVBoxLayout(section);
    show_ = new ShowControls(false, section);
    loops_ = makeToggle(tr("Loop until Esc"), section);
    column->addWidget(show_);
    column->addWidget(loops_);
    layout->addWidget(section);
    connect(show_, &ShowControls::advanceChosen, this, [this](std::optional<SlideAdvance> a) {
        if (a)
            setAdvance(handle_.document(), *a);
    });
    connect(show_, &ShowControls::transitionChosen, this, [this](std::optional<SlideTransition> t) {
        if (t)
            setTransition(handle_.document(), *t);
    });
    connect(loops_, &QCheckBox::clicked, this,
            [this](bool on) { setLoops(handle_.document(), on); });
}

bool DeckSettingsSheet::showsPresenterNotes() {
    return preferences::showsPresenterNotes.value();
}

RGBAColor DeckSettingsSheet::storedColor(const QColor& color) {
    const RGBAColor black{0, 0, 0, 1};
    if (!color.isValid())
        return black;
    // An extended colour is checked as it is: converting it would clamp it into range.
    const QColor rgb = color.spec() == QColor::ExtendedRgb ? color : color.toRgb();
    if (!rgb.isValid())
        return black;
    const float components[] = {rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
    for (float c : components)
        if (!(c >= 0.0f && c <= 1.0f))
            return black;
    return RGBAColor{rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
}

void DeckSettingsSheet::refresh() {
    const MosavelleDocument& document = handle_.document();
    const Project& project = document.project();
    const AppearanceSettings& appearance = project.appearance;
    showChoice(slideSize_, appearance.slideSize);
    showChoice(background_, appearance.background);
    showChoice(order_, project.sort);

    auto* form = static_cast<QFormLayout*>(colorRow_->parentWidget()->layout());
    form->setRowVisible(colorRow_, appearance.background == BackgroundKind::custom);
    const RGBAColor& c = appearance.customBackground;
    QPixmap swatch(32, 16);
    swatch.fill(QColor::fromRgbF(float(c.red), float(c.green), float(c.blue)));
    colorButton_->setIcon(QIcon(swatch));
    colorButton_->setText(QStringLiteral("#") + QString::fromStdString(c.hexString()));

    dateNote_->setVisible(project.sort == SortMode::captureDate ||
                          project.sort == SortMode::reverseCaptureDate);
    slideNumbers_->setChecked(appearance.branding.showSlideNumbers);
    presenterNotes_->setChecked(showsPresenterNotes());
    cleanedNames_->setChecked(appearance.filenameCleanup.enabled);
    const bool captionsOn = appearance.filenameCleanup.enabled;
    captionsFrom_->setCurrentIndex(captionsOn ? int(appearance.captionsFrom.source) + 1 : 0);
    const QString pattern = QString::fromStdString(appearance.captionsFrom.pattern);
    if (!captionPattern_->hasFocus() && captionPattern_->text() != pattern)
        captionPattern_->setText(pattern);
    auto* captionForm = static_cast<QFormLayout*>(captionPattern_->parentWidget()->layout());
    captionForm->setRowVisible(
        captionPattern_, captionsOn && appearance.captionsFrom.source == CaptionSource::pattern);
    // A live example from the picture of the slide the window shows.
    const std::optional<Slide> shown = primarySlide(document);
    const SourceImage* picture = nullptr;
    for (const ImageSlot& slot : shown ? shown->slots : std::vector<ImageSlot>{})
        if (!picture && slot.imageID)
            picture = project.sourceImage(*slot.imageID);
    const std::string example =
        picture ? captionForPicture(*picture, appearance, QLocale().bcp47Name().toStdString()) : "";
    captionExample_->setText(
        example.empty() ? QString() : tr("Example: %1").arg(QString::fromStdString(example)));
    captionForm->setRowVisible(captionExample_, !example.empty());
    showLanguage(appearance.language);
    removeLogo_->setVisible(document.logoData().has_value());
    show_->setAdvance(project.show.advance);
    show_->setTransition(project.show.transition);
    loops_->setChecked(project.show.loops);
}

void DeckSettingsSheet::chooseCustomColor() {
    const RGBAColor& c = handle_.document().project().appearance.customBackground;
    auto* dialog =
        new QColorDialog(QColor::fromRgbF(float(c.red), float(c.green), float(c.blue)), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QColorDialog::DontUseNativeDialog);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QColorDialog::colorSelected, this, [this](const QColor& color) {
        setCustomBackground(handle_.document(), storedColor(color));
    });
    dialog->open();
}

void DeckSettingsSheet::chooseLogo() {
    auto* dialog = newFileDialog(this, tr("Choose Logo"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(
        tr("Images (*.jpg *.jpeg *.png *.gif *.bmp *.tif *.tiff *.webp *.heic *.heif)"));
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QFileDialog::fileSelected, this, &DeckSettingsSheet::loadLogo);
    dialog->open();
}

void DeckSettingsSheet::loadLogo(const QString& path) {
    struct Outcome {
        std::optional<Bytes> bytes;      // the picture, when it is usable
        std::optional<QString> refusal;  // why its bytes are not a usable picture
    };
    runInBackground(
        this,
        [file = std::filesystem::path(path.toStdString())](const JobContext&) {
            Outcome outcome;
            PictureFileResult read = readPictureFile(file);
            if (auto* picture = std::get_if<PictureFile>(&read))
                outcome.bytes = picture->source.bytes();
            else if (auto* failure = std::get_if<PictureFileFailure>(&read); !failure->fileUnread)
                outcome.refusal = failure->text  // a file that cannot be read is ignored
                                      ? CoreTexts::sentence(*failure->text)
                                      : QString::fromStdString(failure->sentence);
            return outcome;
        },
        [this](Outcome outcome) {
            if (outcome.refusal) {
                auto* box =
                    new QMessageBox(QMessageBox::Warning, tr("The logo could not be used"),
                                    tr("The logo could not be used"), QMessageBox::Ok, this);
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->setInformativeText(*outcome.refusal);
                box->setWindowModality(Qt::WindowModal);
                box->open();
            } else if (outcome.bytes) {
                setLogo(handle_.document(), *outcome.bytes);
            }
            Q_EMIT logoFinished();
        });
}

}  // namespace mosavelle::app
