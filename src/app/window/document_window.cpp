#include "app/window/document_window.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QScreen>
#include <QUrl>

#include "app/document/document_handle.h"
#include "app/document/document_saving.h"
#include "app/document/package_io.h"
#include "app/window/content_view.h"
#include "app/window/window_actions.h"

namespace mosavelle::app {

namespace {

// Height kept free for the window manager's title bar when the window is sized to the screen.
constexpr int titleBarAllowance = 40;

}  // namespace

DocumentWindow::DocumentWindow(DocumentHandle& handle, QWidget* parent)
    : QMainWindow(parent), handle_(handle) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("documentWindow"));
    setWindowIcon(QIcon(QStringLiteral(":/mosavelle/mosavelle.svg")));
    contentView_ = new ContentView(handle_, this);
    setCentralWidget(contentView_);
    saving_ = new DocumentSaving(handle_, *this, [this] { contentView_->commitEditsInProgress(); });
    actions_ = new WindowActions(*this);
    addToolBar(actions_->makeToolBar());
    // The usual sizes, within the screen the window opens on (less room for a title bar and a
    // panel): a small or highly scaled screen still shows the whole window.
    const QSize available = screen()->availableGeometry().size() - QSize(0, titleBarAllowance);
    setMinimumSize(QSize(900, 560).boundedTo(available));
    resize(QSize(1280, 800).boundedTo(available));
    connect(&handle_, &DocumentHandle::undoStateChanged, this, &DocumentWindow::updateTitle);
    connect(&handle_, &DocumentHandle::packagePathChanged, this, &DocumentWindow::updateTitle);
    connect(&handle_, &DocumentHandle::documentChanged, this, [this](const DocumentChange& change) {
        if (change.kind == DocumentChangeKind::project)
            setWindowModified(handle_.isModified());  // a keystroke marks it at once
    });
    connect(saving_, &DocumentSaving::saved, this, &DocumentWindow::updateTitle);
    connect(saving_, &DocumentSaving::reverted, this, &DocumentWindow::updateTitle);
    connect(saving_, &DocumentSaving::recentProjectsChanged, this,
            &DocumentWindow::recentProjectsChanged);
    connect(this, &DocumentWindow::recentProjectsChanged, actions_,
            &WindowActions::rebuildRecentMenu);
    updateTitle();
    setAcceptDrops(true);
}

DocumentWindow::~DocumentWindow() = default;

// Project folders dropped anywhere on the window open as documents. The window watches itself,
// its content and every widget of it that takes drops, before the widget itself does, so the
// content's own drop handling (which would import the folder as pictures) never gets them; every
// other drop passes through.
void DocumentWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (watchingDrops_)
        return;
    watchingDrops_ = true;
    installEventFilter(this);
    contentView_->installEventFilter(this);
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (widget->acceptDrops())
            widget->installEventFilter(this);
    }
}

void DocumentWindow::updateTitle() {
    // "[*]" is where Qt shows the modified mark.
    setWindowTitle(tr("%1[*] — Mosavelle").arg(handle_.displayName()));
    setWindowModified(handle_.isModified());
}

// --- Closing

void DocumentWindow::closeEvent(QCloseEvent* event) {
    if (closeConfirmed_) {
        acceptClose(event);
        return;
    }
    // Text still being typed (the field has the focus) is part of what the question is about.
    // Pictures of an import still arriving are not, and stay until the window really goes: a
    // close called off leaves the import running.
    contentView_->commitTypedEdits();
    if (saving_->isSaving()) {
        // Decided once the save in flight has finished: closed when it wrote the deck.
        event->ignore();
        connect(
            saving_, &DocumentSaving::saveFinished, this,
            [this](bool savedNow) {
                if (savedNow) {
                    close();
                } else {
                    Q_EMIT closeCancelled();
                }
            },
            Qt::SingleShotConnection);
        return;
    }
    if (!contentView_->prepareToClose()) {
        event->ignore();
        Q_EMIT closeCancelled();
        return;
    }
    if (!handle_.isModified()) {
        closeConfirmed_ = true;
        acceptClose(event);
        return;
    }
    // Save abandons a running import before it takes the deck (see DocumentSaving); an import
    // that ends while the question shows is a step like any other by the time it is answered.
    event->ignore();
    saving_->askToSaveChanges([this](bool mayClose) {
        if (mayClose) {
            closeConfirmed_ = true;
            close();
        } else {
            Q_EMIT closeCancelled();
        }
    });
}

void DocumentWindow::acceptClose(QCloseEvent* event) {
    // An import that has not ended goes with the window, and the deck goes back as it was.
    contentView_->commitEditsInProgress();
    event->accept();
    Q_EMIT closing();
}

void DocumentWindow::closeWithoutAsking() {
    closeConfirmed_ = true;
    close();
}

// --- Dropping project folders

std::vector<std::filesystem::path> DocumentWindow::droppedPackages(const QMimeData* mime) {
    std::vector<std::filesystem::path> packages;
    if (mime == nullptr || !mime->hasUrls())
        return packages;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isDir() && hasPackageExtension(info.absoluteFilePath().toStdString())) {
            packages.push_back(packagePathFor(info.absoluteFilePath().toStdString()));
        }
    }
    return packages;
}

bool DocumentWindow::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
        return false;
    }
    if (!watched->isWidgetType())
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const auto packages = droppedPackages(drop->mimeData());
    if (packages.empty())
        return false;
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        for (const auto& package : packages)
            Q_EMIT openPackageRequested(package);
    }
    return true;
}

}  // namespace mosavelle::app
