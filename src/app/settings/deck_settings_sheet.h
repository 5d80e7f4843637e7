#pragma once

#include <QColor>
#include <QDialog>
#include <optional>
#include <string>

#include "core/model/project.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;
class QWidget;

namespace mosavelle::app {

class DocumentHandle;
class ShowControls;

// The deck-wide settings of one window's deck: slide size, background and its custom colour,
// order, slide numbers, captions from cleaned-up file names, the text's language, the logo and the
// slide show (advance,
// transition, loop), plus the window's "Show presenter notes" preference and "Save Current as
// Default". Every deck change is one core operation (one named undo step); the sheet keeps no state
// of its own and redraws from the document on every change, so undo and redo show at once. Open it
// window-modal with `open()`; "Done" closes it. Interface thread only; the chosen logo is read and
// checked on a worker.
class DeckSettingsSheet : public QDialog {
    Q_OBJECT
public:
    DeckSettingsSheet(DocumentHandle& handle, QWidget* parent);

    // The persisted "showsPresenterNotes" preference (true when never set).
    static bool showsPresenterNotes();

    // The colour stored for a chosen colour: its sRGB components, or opaque black when it has no
    // sRGB form (invalid, or components outside 0...1).
    static RGBAColor storedColor(const QColor& color);

    // Reads the logo file on a worker: a file that cannot be read is ignored, one that is not a
    // readable picture is refused with the picture error, and a picture becomes the deck's logo.
    // Emits logoFinished when done.
    void loadLogo(const QString& path);

Q_SIGNALS:
    // The user switched the presenter-notes preference (already stored in the settings).
    void showsPresenterNotesChanged(bool shown);
    void logoFinished();

private:
    // The rows of the deck section, in the order they show, and the footer with "Done".
    void buildAppearanceRows(QFormLayout* form, QWidget* section);
    void buildOrderRows(QFormLayout* form, QWidget* section);
    void buildCaptionRows(QFormLayout* form, QWidget* section);
    void buildLanguageRow(QFormLayout* form, QWidget* section);
    void applyLanguage();
    void showLanguage(const std::optional<std::string>& language);
    void buildLogoRows(QFormLayout* form, QWidget* section);
    void buildFooter(QVBoxLayout* layout);
    void buildShowSection(QVBoxLayout* layout);
    void refresh();
    void chooseCustomColor();
    void chooseLogo();

    DocumentHandle& handle_;
    QComboBox* slideSize_ = nullptr;
    QComboBox* background_ = nullptr;
    QWidget* colorRow_ = nullptr;
    QPushButton* colorButton_ = nullptr;
    QComboBox* order_ = nullptr;
    QWidget* dateNote_ = nullptr;
    QLabel* dateInformation_ = nullptr;
    QCheckBox* slideNumbers_ = nullptr;
    QCheckBox* presenterNotes_ = nullptr;
    QCheckBox* cleanedNames_ = nullptr;
    QComboBox* captionsFrom_ = nullptr;    // None, then the CaptionSource cases in order
    QLineEdit* captionPattern_ = nullptr;  // shown for the pattern source
    QLabel* captionExample_ = nullptr;     // the caption the shown slide's picture would get
    QComboBox* language_ = nullptr;        // the user's own, common languages; a tag may be typed
    QPushButton* removeLogo_ = nullptr;
    ShowControls* show_ = nullptr;
    QCheckBox* loops_ = nullptr;
};

}  // namespace mosavelle::app
