#pragma once

#include <QFileDialog>
#include <filesystem>

namespace mosavelle::app {

// Qt's own (non-native) file dialog for project packages. A ".mosavelle" folder is one item: it
// shows with the application's icon and no children, selecting it and pressing the accept button
// (or double-clicking it) chooses it instead of entering it, so nobody wanders into its "images"
// folder. Ordinary folders are entered as usual. A path typed into the name field is accepted.
//
// Open: chooses an existing package, or the package around a typed "project.json".
// Save: chooses a destination; ".mosavelle" is appended when the typed name lacks it, and an
// existing package there is only replaced after the user agrees.
// Qt's own file dialog titled `title`, deleted when it closes: every other file choice of the
// application opens one.
QFileDialog* newFileDialog(QWidget* parent, const QString& title);

// The kinds of file dialog that each remember their own folder.
enum class DialogFolder { pictures, projects };
// Points `dialog` at the folder the last dialog of `kind` was left in; before there is one (or
// when it is gone), at the user's Pictures or Documents folder (XDG user folders), else home.
void startInRememberedFolder(QFileDialog& dialog, DialogFolder kind);
// The folder the next dialog of `kind` starts in.
void rememberFolder(DialogFolder kind, const QString& folder);

class PackageFileDialog : public QFileDialog {
    Q_OBJECT
public:
    enum class Purpose { open, save };

    PackageFileDialog(Purpose purpose, QWidget* parent = nullptr);

    // The package chosen when the dialog was accepted; empty before.
    const std::filesystem::path& chosenPackage() const { return chosen_; }

    // Decides about `path` as the accept button would: true and chosenPackage set when it is a
    // choice; false when the dialog entered a folder or refused. Asks before replacing.
    bool choose(const QString& path);

public Q_SLOTS:
    void accept() override;

private:
    void packageEntered(const QString& folder);
    // The folder holding the chosen package.
    QString chosenFolder() const;

    Purpose purpose_;
    std::filesystem::path chosen_;
};

}  // namespace mosavelle::app
