#include "app/window/content_view.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "app/document/document_handle.h"
#include "app/document/package_dialog.h"
#include "app/flows/export_flow.h"
#include "app/flows/import_flow.h"
#include "app/help/help_view.h"
#include "app/help/welcome_sheet.h"
#include "app/inspector/inspector_view.h"
#include "app/navigator/navigator_view.h"
#include "app/navigator/slide_delegate.h"
#include "app/preview/preview_workspace.h"
#include "app/preview/slide_key_filter.h"
#include "app/preview/slide_preview_view.h"
#include "app/settings/deck_settings_sheet.h"
#include "app/support/message_boxes.h"
#include "app/support/preferences.h"
#include "app/support/tab_order.h"
#include "app/support/text_fields.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "app/window/warning_strip.h"
#include "app/window/welcome_canvas.h"
#include "core/editing/import_items.h"
#include "core/editing/navigator_text.h"
#include "core/editing/selection.h"
#include "core/editing/slide_operations.h"
#include "core/import/file_collection.h"

namespace mosavelle::app {

namespace {

constexpr int previewCommitDelayMs = 250;

}  // namespace

ContentView::ContentView(DocumentHandle& handle, QWidget* parent)
    : QWidget(parent), handle_(handle) {
    showsPresenterNotes_ = preferences::showsPresenterNotes.value();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setChildrenCollapsible(false);
    layout->addWidget(splitter_);

    navigator_ = new NavigatorView(handle_, splitter_);
    navigator_->setMinimumWidth(220);
    navigator_->setMaximumWidth(420);
    navigatorColumn_ = navigator_;

    detailColumn_ = new QStackedWidget(splitter_);
    welcome_ = new WelcomeCanvas(detailColumn_);
    placeholder_ = new SelectSlidePlaceholder(detailColumn_);
    previewPage_ = new QWidget(detailColumn_);
    auto* previewColumn = new QVBoxLayout(previewPage_);
    previewColumn->setContentsMargins(0, 0, 0, 0);
    previewColumn->setSpacing(0);
    previewColumn->addWidget(makePreview(previewPage_), 1);
    warningStrip_ = new WarningStrip(previewPage_);
    previewColumn->addWidget(warningStrip_);
    detailColumn_->addWidget(welcome_);
    detailColumn_->addWidget(placeholder_);
    detailColumn_->addWidget(previewPage_);

    inspectorColumn_ = makeInspector(splitter_);
    splitter_->addWidget(navigator_);
    splitter_->addWidget(detailColumn_);
    splitter_->addWidget(inspectorColumn_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setStretchFactor(2, 0);
    splitter_->setSizes({280, 660, 340});

    exportFlow_ = new ExportFlow(handle_, this);
    importFlow_ = new ImportFlow(handle_, this);
    connect(importFlow_, &ImportFlow::imported, this, &ContentView::focusCanvas);
    connect(welcome_, &WelcomeCanvas::importRequested, this, &ContentView::importImages);
    connect(navigator_, &NavigatorView::unableToAddImage, this, &ContentView::showUnableToAddImage);
    connect(&handle_, &DocumentHandle::documentChanged, this, &ContentView::onDocumentChanged);
    sizeOverflows_.update(handle_.document());

    slideCount_ = handle_.document().project().slides.size();
    updateDetail();
}

ContentView::~ContentView() {
    // Before the panes go: taking back an import's pictures tells them about it.
    importFlow_->abandon();
}

QWidget* ContentView::makePreview(QWidget* parent) {
    workspace_ = new PreviewWorkspace(handle_, parent);
    workspace_->setShowsPresenterNotes(showsPresenterNotes_);
    connect(workspace_, &PreviewWorkspace::slideFull, this, &ContentView::showUnableToAddImage);
    connect(workspace_, &PreviewWorkspace::activateSlideKeys, this, &ContentView::focusCanvas);
    return workspace_;
}

QWidget* ContentView::makeInspector(QWidget* parent) {
    // The inspector sets its own minimum width, that of its widest control.
    return new InspectorView(handle_, parent);
}

QWidget* ContentView::canvas() const {
    return workspace_->canvas();
}

// --- Import

namespace {

// Picture dialogs remember the folder they were accepted in.
void startInPictureFolder(QFileDialog* dialog) {
    startInRememberedFolder(*dialog, DialogFolder::pictures);
    QObject::connect(dialog, &QFileDialog::accepted, dialog, [dialog] {
        rememberFolder(DialogFolder::pictures, dialog->directory().absolutePath());
    });
}

}  // namespace

void ContentView::importImages() {
    auto* dialog = newFileDialog(this, tr("Import Images"));
    startInPictureFolder(dialog);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    QStringList patterns;
    for (const std::string_view extension : importableExtensions) {
        const QString name = QString::fromLatin1(extension.data(), qsizetype(extension.size()));
        patterns << QStringLiteral("*.") + name << QStringLiteral("*.") + name.toUpper();
    }
    dialog->setNameFilter(tr("Images (%1)").arg(patterns.join(QLatin1Char(' '))));
    connect(dialog, &QFileDialog::filesSelected, this, [this](const QStringList& files) {
        std::vector<std::filesystem::path> urls;
        for (const QString& file : files)
            urls.emplace_back(QFile::encodeName(file).toStdString());
        importURLs(std::move(urls));
    });
    dialog->open();
}

void ContentView::importFolder() {
    auto* dialog = newFileDialog(this, tr("Import Folder"));
    startInPictureFolder(dialog);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setFileMode(QFileDialog::Directory);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& folder) {
        importURLs({std::filesystem::path(QFile::encodeName(folder).toStdString())});
    });
    dialog->open();
}

void ContentView::importURLs(std::vector<std::filesystem::path> urls) {
    importFlow_->importURLs(std::move(urls));
}

void ContentView::pasteImagesFromClipboard() {
    if (const QMimeData* data = QGuiApplication::clipboard()->mimeData())
        importFlow_->pasteImages(*data);
}

// The whole window takes files, folders and pictures dropped on it, wherever no child (the
// slide list, the preview) takes the drop itself.
bool ContentView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dropWatched_) {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* drag = static_cast<QDragMoveEvent*>(event);
                if (ImportFlow::canImport(*drag->mimeData())) {
                    drag->setDropAction(Qt::CopyAction);
                    drag->accept();
                } else {
                    drag->ignore();
                }
                return true;
            }
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(event);
                if (importFlow_->importDropped(*drop->mimeData())) {
                    drop->setDropAction(Qt::CopyAction);
                    drop->accept();
                } else {
                    drop->ignore();
                }
                return true;
            }
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- Sheets

void ContentView::showHelpSheet() {
    if (auto* open = findChild<HelpView*>()) {
        open->raise();
        return;
    }
    auto* sheet = new HelpView(this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->open();
}

void ContentView::showWelcomeSheet() {
    if (auto* open = findChild<WelcomeSheet*>()) {
        open->raise();
        return;
    }
    auto* sheet = new WelcomeSheet([this] { importImages(); }, this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->open();
}

bool ContentView::hasIncludedSlides() const {
    const auto& slides = handle_.document().project().slides;
    return std::any_of(slides.begin(), slides.end(), [](const Slide& s) { return !s.isExcluded; });
}

void ContentView::beginExport() {
    commitEditsInProgress();
    if (!hasIncludedSlides())
        return;
    exportFlow_->begin();
}

void ContentView::showDeckSettings() {
    if (auto* open = findChild<DeckSettingsSheet*>()) {
        open->raise();
        return;
    }
    auto* sheet = new DeckSettingsSheet(handle_, this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet, &DeckSettingsSheet::showsPresenterNotesChanged, this,
            &ContentView::setShowsPresenterNotes);
    sheet->open();
}

void ContentView::showUnableToAddImage() {
    auto* box = newMessageBox(this, QMessageBox::NoIcon, tr("Unable to Add Image"),
                              tr("A slide can have at most 4 images."));
    QPushButton* ok = box->addButton(tr("OK"), QMessageBox::RejectRole);
    box->setEscapeButton(ok);
    box->open();
}

// --- Closing

void ContentView::commitEditsInProgress() {
    // Pictures still arriving are no edit: the import is abandoned and the deck put back.
    importFlow_->abandon();
    commitTypedEdits();
}

void ContentView::commitTypedEdits() {
    navigator_->commitRenaming();
    MosavelleDocument& document = handle_.document();
    // Closing the import's own edit would make the pictures so far a step of their own.
    if (!importInProgress(document))
        document.endContinuousEdit(document.continuousEditName());
}

bool ContentView::prepareToClose() {
    return exportFlow_->prepareToClose();
}

// --- Preview

void ContentView::zoomToFit() {
    workspace_->zoomToFit();
}

void ContentView::zoomIn() {
    workspace_->zoomIn();
}

void ContentView::zoomOut() {
    workspace_->zoomOut();
}

void ContentView::showFullScreenPreview() {
    if (detailColumn_->currentWidget() == previewPage_)
        workspace_->showFullScreenPreview();
}

void ContentView::setShowsPresenterNotes(bool shown) {
    preferences::showsPresenterNotes.store(shown);
    // A preference of the user rather than of one deck: every open window follows it.
    QList<ContentView*> views{this};
    for (QWidget* top : QApplication::topLevelWidgets())
        views += top->findChildren<ContentView*>();
    for (ContentView* view : views) {
        view->showsPresenterNotes_ = shown;
        view->workspace_->setShowsPresenterNotes(shown);
    }
}

std::optional<Slide> ContentView::displayedSlide() const {
    const MosavelleDocument& document = handle_.document();
    if (document.isDraggingSlide())
        if (const auto& committed = document.committedPreviewSlideID()) {
            for (const Slide& slide : document.project().slides)
                if (slide.id == *committed)
                    return slide;
        }
    return primarySlide(document);
}

void ContentView::focusCanvas() {
    if (handle_.document().project().slides.empty())
        return;
    if (isTypingIn(QApplication::focusWidget()))
        return;
    canvas()->setFocus(Qt::OtherFocusReason);
    canvasHasKeyFocus_ = true;
    // Views that settle in this turn (a page switch, a list that takes focus when it fills)
    // could take focus back; the second assignment wins unless a text edit began meanwhile.
    QTimer::singleShot(0, this, [this] {
        if (handle_.document().project().slides.empty())
            return;
        if (isTypingIn(QApplication::focusWidget()))
            return;
        canvas()->setFocus(Qt::OtherFocusReason);
        canvasHasKeyFocus_ = true;
    });
}

// --- Document changes

void ContentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!dropWatched_) {
        dropWatched_ = window();
        window()->setAcceptDrops(true);
        window()->installEventFilter(this);
        new SlideKeyFilter(handle_, window());
    }
    if (firstShown_)
        return;
    firstShown_ = true;
    // Tab follows the screen: the navigator, the preview and its controls, the notes, then the
    // inspector from top to bottom.
    orderTabStopsByLayout(this);
    MosavelleDocument& document = handle_.document();
    const auto& slides = document.project().slides;
    if (!slides.empty() && selectedSlides(document).empty())
        setSelection(document, {slides.front().id});
    commitPreviewIfCurrent(document, nextPreviewGeneration(document));
    // On the next turn, once the window is on screen, so that the sheet opens above it.
    if (!preferences::hasCompletedWelcome.value())
        QTimer::singleShot(0, this, &ContentView::showWelcomeSheet);
    focusCanvas();
}

void ContentView::onDocumentChanged(const DocumentChange& change) {
    switch (change.kind) {
        case DocumentChangeKind::selection:
            schedulePreviewCommit();
            break;
        case DocumentChangeKind::project: {
            sizeOverflows_.update(handle_.document());
            const std::size_t count = handle_.document().project().slides.size();
            if (count != slideCount_) {
                slideCount_ = count;
                updateDetail();
                focusCanvas();
            }
            break;
        }
        default:
            break;
    }
    updateDetail();
}

// A burst of selection changes (an arrow key held down) commits the preview once, a moment after
// the last change; each change makes the earlier pending commits void.
void ContentView::schedulePreviewCommit() {
    commitPreviewLater(nextPreviewGeneration(handle_.document()));
}

// While a slide pressed in the navigator is held, the commit waits: the press may become a drag
// onto the preview, which must still show the slide from before the press to merge into it
// (starting the drag voids this commit).
void ContentView::commitPreviewLater(std::int64_t generation) {
    QTimer::singleShot(previewCommitDelayMs, this, [this, generation] {
        if (navigator_->isHoldingSlide())
            commitPreviewLater(generation);
        else
            commitPreviewIfCurrent(handle_.document(), generation);
    });
}

void ContentView::updateDetail() {
    QWidget* page = placeholder_;
    if (displayedSlide())
        page = previewPage_;
    else if (handle_.document().project().slides.empty())
        page = welcome_;
    if (detailColumn_->currentWidget() != page)
        detailColumn_->setCurrentWidget(page);
    std::optional<Uuid> shown;
    if (page == previewPage_)
        if (auto slide = displayedSlide())
            shown = slide->id;
    workspace_->setDisplayedSlide(shown);
    QStringList strip;
    if (page == previewPage_)
        for (const QString& text :
             {warningStripText(handle_.document()), sizeOverflows_.text(handle_.document())})
            if (!text.isEmpty())
                strip.push_back(text);
    warningStrip_->setText(strip.join(QLatin1Char(' ')));
}

QWidget* ContentView::currentDetailPage() const {
    return detailColumn_->currentWidget();
}

QWidget* ContentView::welcomeCanvas() const {
    return welcome_;
}

// --- Columns

void ContentView::setShowsGrid(bool grid) {
    if (grid == showsGrid_)
        return;
    showsGrid_ = grid;
    navigator_->setShowsGrid(grid);
    Q_EMIT viewChanged();
}

void ContentView::setShowsInspector(bool shown) {
    if (shown == showsInspector_)
        return;
    showsInspector_ = shown;
    inspectorColumn_->setVisible(shown);
    Q_EMIT viewChanged();
}

void ContentView::renamePrimarySlide() {
    navigator_->startRenamingPrimarySlide();
}

}  // namespace mosavelle::app
