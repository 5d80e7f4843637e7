#include "app/document/package_dialog.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QTimer>

#include "app/document/package_io.h"
#include "app/support/preferences.h"

namespace mosavelle::app {

namespace {

bool isPackageFolder(const QFileInfo& info) {
    return info.isDir() && hasPackageExtension(info.fileName().toStdString());
}

// Shows folders only (a package is a folder), and packages without children.
class PackageProxyModel : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    bool hasChildren(const QModelIndex& parent) const override {
        if (auto* files = fileModel();
            files && parent.isValid() && isPackageFolder(files->fileInfo(mapToSource(parent)))) {
            return false;
        }
        return QSortFilterProxyModel::hasChildren(parent);
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        auto* files = fileModel();
        if (files == nullptr)
            return true;
        return files->isDir(files->index(row, 0, parent));
    }

private:
    QFileSystemModel* fileModel() const { return qobject_cast<QFileSystemModel*>(sourceModel()); }
};

class PackageIconProvider : public QFileIconProvider {
public:
    QIcon icon(const QFileInfo& info) const override {
        if (isPackageFolder(info))
            return QIcon(QStringLiteral(":/mosavelle/mosavelle.svg"));
        return QFileIconProvider::icon(info);
    }
    using QFileIconProvider::icon;
};

}  // namespace

QFileDialog* newFileDialog(QWidget* parent, const QString& title) {
    auto* dialog = new QFileDialog(parent, title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    return dialog;
}

void startInRememberedFolder(QFileDialog& dialog, DialogFolder kind) {
    const bool pictures = kind == DialogFolder::pictures;
    QString folder =
        (pictures ? preferences::lastPictureFolder : preferences::lastProjectFolder).value();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(pictures ? QStandardPaths::PicturesLocation
                                                           : QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    dialog.setDirectory(folder);
}

void rememberFolder(DialogFolder kind, const QString& folder) {
    (kind == DialogFolder::pictures ? preferences::lastPictureFolder
                                    : preferences::lastProjectFolder)
        .store(folder);
}

PackageFileDialog::PackageFileDialog(Purpose purpose, QWidget* parent)
    : QFileDialog(parent), purpose_(purpose) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    // The proxy and icon provider must be in place before the dialog lists anything.
    setProxyModel(new PackageProxyModel(this));
    // Shared by every dialog and never destroyed: the file system model's background thread may
    // still ask it for icons while a dialog goes away at exit.
    static auto* icons = new PackageIconProvider;
    setIconProvider(icons);
    if (purpose == Purpose::open) {
        setAcceptMode(QFileDialog::AcceptOpen);
        // Directory mode is the one in which QFileDialog lets a folder be the answer.
        setFileMode(QFileDialog::Directory);
        setLabelText(QFileDialog::Accept, tr("Open"));
        setLabelText(QFileDialog::FileName, tr("Project:"));
    } else {
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setLabelText(QFileDialog::Accept, tr("Save"));
        setLabelText(QFileDialog::FileName, tr("Save As:"));
    }
    setLabelText(QFileDialog::FileType, tr("Format:"));
    setNameFilter(tr("Mosavelle Project (*.mosavelle)"));
    // After the modes: setting them resets the title to Qt's own ("Find Directory").
    setWindowTitle(purpose == Purpose::open ? tr("Open") : tr("Save"));
    startInRememberedFolder(*this, DialogFolder::projects);
    connect(this, &QFileDialog::directoryEntered, this, &PackageFileDialog::packageEntered);
}

void PackageFileDialog::packageEntered(const QString& folder) {
    if (!hasPackageExtension(folder.toStdString()))
        return;
    // Step back out of the package and treat it as the chosen item. Deferred: the dialog is in
    // the middle of changing folders.
    QTimer::singleShot(0, this, [this, folder] {
        const QFileInfo info(folder);
        setDirectory(info.absolutePath());
        selectFile(info.fileName());
        if (purpose_ == Purpose::open)
            choose(info.absoluteFilePath());
    });
}

void PackageFileDialog::accept() {
    const QStringList files = selectedFiles();
    if (files.isEmpty())
        return;
    choose(files.first());
}

QString PackageFileDialog::chosenFolder() const {
    // The package path may end with a separator.
    std::filesystem::path package = chosen_;
    if (!package.has_filename())
        package = package.parent_path();
    return QString::fromStdString(package.parent_path().string());
}

bool PackageFileDialog::choose(const QString& path) {
    if (path.isEmpty())
        return false;
    QFileInfo info(path);
    if (purpose_ == Purpose::open) {
        if (isPackageFolder(info) ||
            (info.isFile() && info.fileName() == QStringLiteral("project.json"))) {
            chosen_ = packagePathFor(info.absoluteFilePath().toStdString());
            rememberFolder(DialogFolder::projects, chosenFolder());
            QDialog::accept();
            return true;
        }
        if (info.isDir())
            setDirectory(info.absoluteFilePath());
        return false;
    }

    // Saving: an existing ordinary folder named without the extension is entered, as usual.
    if (info.isDir() && !isPackageFolder(info)) {
        setDirectory(info.absoluteFilePath());
        return false;
    }
    QString target = info.absoluteFilePath();
    if (!hasPackageExtension(target.toStdString()))
        target += QStringLiteral(".mosavelle");
    const QFileInfo targetInfo(target);
    if (!targetInfo.absoluteDir().exists())
        return false;
    if (targetInfo.exists()) {
        // The question is the title too, seen where no title bar is drawn.
        const QString text =
            tr("“%1” already exists. Do you want to replace it?").arg(targetInfo.fileName());
        QMessageBox question(QMessageBox::Warning, text, text, QMessageBox::NoButton, this);
        auto* replace = question.addButton(tr("Replace"), QMessageBox::DestructiveRole);
        question.addButton(QMessageBox::Cancel);
        question.setDefaultButton(QMessageBox::Cancel);
        question.exec();
        if (question.clickedButton() != replace)
            return false;
    }
    chosen_ = packagePathFor(target.toStdString());
    rememberFolder(DialogFolder::projects, chosenFolder());
    QDialog::accept();
    return true;
}

}  // namespace mosavelle::app
