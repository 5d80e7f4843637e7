#include "app/window/window_actions.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "app/document/document_handle.h"
#include "app/document/document_saving.h"
#include "app/document/recent_projects.h"
#include "app/flows/import_flow.h"
#include "app/help/about_window.h"
#include "app/navigator/navigator_view.h"
#include "app/navigator/slide_list_view.h"
#include "app/preview/preview_workspace.h"
#include "app/preview/slide_key_filter.h"
#include "app/preview/slide_preview_view.h"
#include "app/settings/timeline_sheets.h"
#include "app/support/context_menu.h"
#include "app/support/core_texts.h"
#include "app/support/shortcuts.h"
#include "app/support/text_fields.h"
#include "app/window/content_view.h"
#include "app/window/document_window.h"
#include "app/window/slide_clipboard.h"
#include "app/window/window_icons.h"
#include "core/editing/selection.h"
#include "core/editing/slide_clipboard.h"
#include "core/editing/slide_operations.h"
#include "core/editing/slide_settings.h"

namespace mosavelle::app {

namespace {

// The focused text field that the standard editing commands act on; a spin box's own line edit.
QWidget* focusedTextField() {
    QWidget* field = enclosingTextField(QApplication::focusWidget());
    if (qobject_cast<QAbstractSpinBox*>(field))
        return field->findChild<QLineEdit*>();
    return field;
}

bool textFieldCanUndo(QWidget* field, bool redo) {
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        return redo ? line->isRedoAvailable() : line->isUndoAvailable();
    }
    if (auto* text = qobject_cast<QTextEdit*>(field)) {
        return redo ? text->document()->isRedoAvailable() : text->document()->isUndoAvailable();
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) {
        return redo ? plain->document()->isRedoAvailable() : plain->document()->isUndoAvailable();
    }
    return false;
}

// Runs a standard editing slot ("cut", "undo", ...) on the focused text field.
void sendToTextField(const char* slot) {
    if (QWidget* field = focusedTextField())
        QMetaObject::invokeMethod(field, slot);
}

// Undo and Redo serve a text field that has something to undo first, then the deck.
void undoOrRedo(DocumentHandle& handle, bool redo) {
    QWidget* field = focusedTextField();
    if (field != nullptr && textFieldCanUndo(field, redo)) {
        QMetaObject::invokeMethod(field, redo ? "redo" : "undo");
    } else if (redo) {
        handle.undoHistory()->redo();
    } else {
        handle.undoHistory()->undo();
    }
}

// Whether every selected slide is left out of the export (then the toggle includes them).
bool allSelectedExcluded(const MosavelleDocument& document) {
    const auto positions = document.slidePositions(document.selectedSlideIDs());
    return !positions.empty() &&
           std::all_of(positions.begin(), positions.end(),
                       [&](std::size_t p) { return document.project().slides[p].isExcluded; });
}

// Whether a selected slide shows a picture whose slot already has a caption.
bool selectionHasCaptions(const MosavelleDocument& document) {
    for (const std::size_t position : document.slidePositions(document.selectedSlideIDs()))
        for (const ImageSlot& slot : document.project().slides[position].slots)
            if (slot.imageID && !slot.caption.empty())
                return true;
    return false;
}

// Fills the selected slides' captions from their pictures: the empty ones, or after asking, all
// of them. One undo step either way; dates in the user's locale.
void fillCaptions(QWidget* window, MosavelleDocument* document) {
    const std::string locale = QLocale().bcp47Name().toStdString();
    if (!selectionHasCaptions(*document)) {
        fillCaptionsFromPictures(*document, false, locale);
        return;
    }
    auto* question =
        new QMessageBox(QMessageBox::Question, WindowActions::tr("Replace Captions?"),
                        WindowActions::tr("Replace Captions?"), QMessageBox::NoButton, window);
    question->setInformativeText(WindowActions::tr(
        "Some of the selected slides already have captions. Fill only the empty "
        "captions, or replace every caption with the one made from its picture?"));
    QPushButton* empty =
        question->addButton(WindowActions::tr("Fill Empty Captions"), QMessageBox::AcceptRole);
    QPushButton* all = question->addButton(WindowActions::tr("Replace All Captions"),
                                           QMessageBox::DestructiveRole);
    question->addButton(QMessageBox::Cancel);
    question->setDefaultButton(empty);
    question->setWindowModality(Qt::WindowModal);
    question->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(question, &QMessageBox::finished, window, [=] {
        if (question->clickedButton() == empty || question->clickedButton() == all)
            fillCaptionsFromPictures(*document, question->clickedButton() == all, locale);
    });
    question->open();
}

constexpr std::initializer_list<const char*> editCommands = {"edit.cut", "edit.copy", "edit.paste",
                                                             "edit.delete", "edit.selectAll"};

}  // namespace

WindowActions::WindowActions(DocumentWindow& window) : QObject(&window), window_(window) {
    addFileCommands();
    addEditCommands();
    addSlideCommands();
    addViewCommands();
    addHelpCommands();
    addContextCommands();
    buildFileMenu();
    buildEditMenu();
    buildSlidesMenu();
    buildViewMenu();
    buildHelpMenu();

    DocumentHandle& handle = window_.handle();
    connect(&handle, &DocumentHandle::documentChanged, this, &WindowActions::update);
    connect(&handle, &DocumentHandle::undoStateChanged, this, &WindowActions::update);
    connect(&handle, &DocumentHandle::packagePathChanged, this, &WindowActions::update);
    connect(&window_.contentView(), &ContentView::viewChanged, this, &WindowActions::updateView);
    update();
}

QAction* WindowActions::action(const QString& id) const {
    return actions_.value(id, nullptr);
}

QAction* WindowActions::add(const char* id, const QString& text, const QList<QKeySequence>& keys,
                            std::function<void()> run) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(id));
    action->setShortcuts(keys);
    connect(action, &QAction::triggered, this, std::move(run));
    actions_.insert(action->objectName(), action);
    // Keys work wherever the focus is in the window, menu bar shown or not.
    window_.addAction(action);
    return action;
}

void WindowActions::addToMenu(QMenu* menu, std::initializer_list<const char*> ids) {
    for (const char* id : ids) {
        if (*id == '\0')
            menu->addSeparator();
        else
            menu->addAction(action(QString::fromLatin1(id)));
    }
}

// --- The commands

void WindowActions::addFileCommands() {
    DocumentWindow* window = &window_;
    ContentView* content = &window_.contentView();
    add("file.new", tr("New"), {shortcuts::newDocument()},
        [window] { Q_EMIT window->newDocumentRequested(); });
    add("file.open", tr("Open…"), {shortcuts::open()},
        [window] { Q_EMIT window->openRequested(); });
    add("file.close", tr("Close"), {shortcuts::close()}, [window] { window->close(); });
    add("file.save", tr("Save"), {shortcuts::save()}, [window] { window->saving().save(); });
    add("file.saveAs", tr("Save As…"), {shortcuts::saveAs()},
        [window] { window->saving().saveAs(); });
    add("file.revert", tr("Revert to Saved"), {}, [window] { window->saving().revertToSaved(); });
    auto* import = add("file.import", tr("Import Images…"), {shortcuts::importImages()},
                       [content] { content->importImages(); });
    import->setIcon(themedIcon(QStringLiteral("document-import"), QStringLiteral("import")));
    import->setIconText(tr("Import"));
    add("file.importFolder", tr("Import Folder…"), {}, [content] { content->importFolder(); });
    auto* exportAction =
        add("file.export", tr("Export Presentation…"), {shortcuts::exportPresentation()},
            [content] { content->beginExport(); });
    exportAction->setToolTip(
        tr("Export a PowerPoint (.pptx) file. Opens in PowerPoint, Keynote and LibreOffice "
           "Impress. Saving the project is a separate command."));
    exportAction->setIcon(themedIcon(QStringLiteral("document-export"), QStringLiteral("export")));
    exportAction->setIconText(exportAction->text());
    auto* settings = add("file.deckSettings", tr("Deck Settings…"), {},
                         [content] { content->showDeckSettings(); });
    settings->setIcon(
        themedIcon(QStringLiteral("preferences-system"), QStringLiteral("deck-settings")));
    settings->setIconText(tr("Deck Settings"));
    add("file.quit", tr("Quit"), {shortcuts::quit()}, [window] {
        Q_EMIT window->quitRequested();
    })->setMenuRole(QAction::QuitRole);
}

void WindowActions::addEditCommands() {
    DocumentHandle* handle = &window_.handle();
    add("edit.undo", tr("Undo"), {shortcuts::undo()}, [handle] { undoOrRedo(*handle, false); });
    add("edit.redo", tr("Redo"), {shortcuts::redo()}, [handle] { undoOrRedo(*handle, true); });
    // Outside a text field the editing commands act on the selected slides.
    MosavelleDocument* document = &handle->document();
    ContentView* content = &window_.contentView();
    add("edit.cut", tr("Cut"), {QKeySequence::Cut}, [document] {
        if (focusedTextField()) {
            sendToTextField("cut");
        } else {
            slide_clipboard::put(copySelectedSlides(*document));
            deleteSelectedSlides(*document);
        }
    });
    add("edit.copy", tr("Copy"), {QKeySequence::Copy}, [document] {
        if (focusedTextField())
            sendToTextField("copy");
        else
            slide_clipboard::put(copySelectedSlides(*document));
    });
    add("edit.paste", tr("Paste"), {QKeySequence::Paste}, [document, content] {
        if (focusedTextField()) {
            sendToTextField("paste");
        } else if (const QMimeData* data = QGuiApplication::clipboard()->mimeData()) {
            if (const auto clip = slide_clipboard::clipIn(*data))
                pasteSlides(*document, *clip);
            else
                content->pasteImagesFromClipboard();
        }
    });
    add("edit.delete", tr("Delete"), {QKeySequence(Qt::Key_Delete)}, [this, document, content] {
        // From a slide's context menu: that slide, or the selection when the slide is in it.
        if (const auto slide = context_menu::target(action("edit.delete")); !slide.empty())
            content->navigator().currentView().deleteFromMenu(slide.front());
        // Not while a control that takes keys itself (a text box, a slider) has focus.
        else if (!SlideKeyFilter::blocksSlideKeys(QApplication::focusWidget()))
            deleteSelectedSlides(*document);
    });
    add("edit.selectAll", tr("Select All"), {QKeySequence::SelectAll}, [document] {
        if (focusedTextField()) {
            sendToTextField("selectAll");
            return;
        }
        SlideIDSet all;
        for (const Slide& slide : document->project().slides)
            all.insert(slide.id);
        setSelection(*document, std::move(all));
    });
}

void WindowActions::addSlideCommands() {
    ContentView* content = &window_.contentView();
    MosavelleDocument* document = &window_.handle().document();
    add("slides.pasteImages", tr("Paste Images"), {shortcuts::pasteImages()},
        [content] { content->pasteImagesFromClipboard(); });
    add("slides.duplicate", tr("Duplicate Slides"), {shortcuts::duplicateSlides()},
        [document] { duplicateSelectedSlides(*document); });
    add("slides.rename", tr("Rename Slide"), {shortcuts::renameSlide()},
        [content] { content->renamePrimarySlide(); });
    add("slides.insertDivider", tr("Insert Section Divider"), {},
        [document] { insertSectionDivider(*document); })
        ->setToolTip(
            tr("Adds a section divider slide after the current selection. Later slides numbered "
               "Slide 1, Slide 2, and so on are updated."));
    add("slides.insertDividerBefore", tr("Insert Section Divider Before"), {},
        [document] { insertSectionDividerBefore(*document); })
        ->setToolTip(tr("Adds a section divider slide before the current selection, such as a "
                        "title slide at the start."));
    add("slides.groupTwoUp", tr("Group as Two-Up"), {},
        [document] { groupSelectedSlides(*document, SlideLayoutKind::twoUp); });
    add("slides.groupFourUp", tr("Group as Four-Up"), {},
        [document] { groupSelectedSlides(*document, SlideLayoutKind::fourGrid); });
    add("slides.split", tr("Split into Single Images"), {},
        [document] { ungroupSelectedSlides(*document); });
    // One command that leaves the selected slides out of the export or takes them in again.
    add("slides.exclude", tr("Exclude from Export"), {},
        [document] { setExcludedOfSelection(*document, !allSelectedExcluded(*document)); });
    add("slides.rotateLeft", tr("Rotate Left"), {},
        [document] { rotateSelectedSlides(*document, -1); });
    add("slides.rotateRight", tr("Rotate Right"), {},
        [document] { rotateSelectedSlides(*document, +1); });
    add("slides.fillCaptions", tr("Fill Captions from Pictures"), {},
        [this, document] { fillCaptions(&window_, document); })
        ->setToolTip(
            tr("Captions the selected slides from their pictures, as the deck's caption setting "
               "makes them."));
    DocumentWindow* window = &window_;
    add("slides.timeGaps", tr("Insert Sections at Time Gaps\u2026"), {}, [window] {
        auto* sheet = new TimeGapSheet(window->handle(), window);
        sheet->setAttribute(Qt::WA_DeleteOnClose);
        sheet->open();
    });
    add("slides.alignClocks", tr("Align Camera Clocks\u2026"), {},
        [window] { askToAlignCameraClocks(window->handle(), window); });
    add("slides.selectPrevious", tr("Select Previous Slide"), {}, [document] {
        moveSelection(*document, -1);
    })->setToolTip(tr("Use the arrow keys to select the previous slide."));
    add("slides.selectNext", tr("Select Next Slide"), {}, [document] {
        moveSelection(*document, +1);
    })->setToolTip(tr("Use the arrow keys to select the next slide."));
    add("slides.moveUp", tr("Move Up"), {shortcuts::moveUp()}, [document] {
        moveSelectedSlide(*document, -1);
    })->setToolTip(tr("Move the selected slides up. Arrow keys change which slide is selected."));
    add("slides.moveDown", tr("Move Down"), {shortcuts::moveDown()},
        [document] { moveSelectedSlide(*document, +1); })
        ->setToolTip(
            tr("Move the selected slides down. Left and right arrows change which slide is "
               "selected."));
}

void WindowActions::addContextCommands() {
    ContentView* content = &window_.contentView();
    MosavelleDocument* document = &window_.handle().document();
    // Only in context menus: they act on what the menu was opened on. Rename there selects the
    // slide alone first (Rename Slide keeps the selection).
    add("slides.renameFromMenu", tr("Rename"), {}, [this, content] {
        for (const Uuid& slide : context_menu::target(action("slides.renameFromMenu")))
            content->navigator().currentView().renameFromMenu(slide);
    });
    add("slides.addImageToCurrent", tr("Add Image to Current Slide"), {}, [this, content] {
        for (const Uuid& slide : context_menu::target(action("slides.addImageToCurrent")))
            content->navigator().currentView().addPictureToShownSlide(slide);
    });
    add("slides.removeImageAt", tr("Remove Image from Slide"), {}, [this, document] {
        const auto target = context_menu::target(action("slides.removeImageAt"));
        if (target.size() == 2)  // the slide, then the picture
            removeImageFromSlide(*document, target[1], target[0]);
    });
    content->navigator().setSlideMenuActions({action("slides.renameFromMenu"),
                                              action("edit.delete"), nullptr,
                                              action("slides.addImageToCurrent")});
    content->previewWorkspace().canvas()->setPictureMenuAction(action("slides.removeImageAt"));
}

void WindowActions::addViewCommands() {
    ContentView* content = &window_.contentView();
    auto* inspector = add("view.inspector", tr("Show Inspector"), {}, [] {});
    inspector->setCheckable(true);
    inspector->setIcon(themedIcon(QStringLiteral("view-right-panel"), QStringLiteral("inspector")));
    inspector->setIconText(tr("Inspector"));
    connect(inspector, &QAction::toggled, content, &ContentView::setShowsInspector);
    auto* modes = new QActionGroup(this);
    auto* list = add("view.asList", tr("Slides as List"), {}, [] {});
    auto* grid = add("view.asGrid", tr("Slides as Grid"), {}, [] {});
    for (QAction* mode : {list, grid}) {
        mode->setCheckable(true);
        modes->addAction(mode);
    }
    connect(grid, &QAction::toggled, content, &ContentView::setShowsGrid);
    // The toolbar's one button that switches between the two.
    add("view.toggleGrid", QString(), {},
        [content] { content->setShowsGrid(!content->showsGrid()); });
    add("view.zoomToFit", tr("Fit to Window"), {shortcuts::zoomToFit()},
        [content] { content->zoomToFit(); });
    add("view.zoomIn", tr("Zoom In"), {shortcuts::zoomIn()}, [content] { content->zoomIn(); });
    add("view.zoomOut", tr("Zoom Out"), {shortcuts::zoomOut()}, [content] { content->zoomOut(); });
    add("view.fullScreen", tr("Preview Full Screen"), {shortcuts::fullScreenPreview()},
        [content] { content->showFullScreenPreview(); });
}

void WindowActions::addHelpCommands() {
    ContentView* content = &window_.contentView();
    // F1 as well: the key Linux desktops use for help.
    add("help.help", tr("Mosavelle Help"),
        {shortcuts::help(), QKeySequence(QKeySequence::HelpContents)},
        [content] { content->showHelpSheet(); });
    add("help.welcome", tr("Welcome to Mosavelle"), {}, [content] { content->showWelcomeSheet(); });
    add("help.about", tr("About Mosavelle"), {}, [] {
        AboutWindow::showShared();
    })->setMenuRole(QAction::AboutRole);
}

// --- Menus

void WindowActions::buildFileMenu() {
    QMenu* menu = window_.menuBar()->addMenu(tr("&File"));
    menu->setToolTipsVisible(true);
    addToMenu(menu, {"file.new", "file.open"});
    recentMenu_ = menu->addMenu(tr("Open Recent"));
    recentMenu_->setObjectName(QStringLiteral("file.openRecent"));
    recentMenu_->setToolTipsVisible(true);
    connect(recentMenu_, &QMenu::aboutToShow, this, &WindowActions::rebuildRecentMenu);
    rebuildRecentMenu();
    addToMenu(menu, {"", "file.close", "file.save", "file.saveAs", "file.revert", "", "file.import",
                     "file.importFolder", "file.export", "file.deckSettings", "", "file.quit"});
}

void WindowActions::rebuildRecentMenu() {
    recentMenu_->clear();
    const QStringList paths = RecentProjects::paths();
    DocumentWindow* window = &window_;
    for (const QString& path : paths) {
        auto* entry = recentMenu_->addAction(QFileInfo(path).completeBaseName());
        entry->setToolTip(path);
        connect(entry, &QAction::triggered, this,
                [window, path] { Q_EMIT window->openPackageRequested(path.toStdString()); });
    }
    if (!paths.isEmpty())
        recentMenu_->addSeparator();
    auto* clear = recentMenu_->addAction(tr("Clear Menu"));
    clear->setObjectName(QStringLiteral("file.clearRecent"));
    clear->setEnabled(!paths.isEmpty());
    connect(clear, &QAction::triggered, this, [window] {
        RecentProjects::clear();
        Q_EMIT window->recentProjectsChanged();
    });
}

void WindowActions::buildEditMenu() {
    QMenu* menu = window_.menuBar()->addMenu(tr("&Edit"));
    addToMenu(menu, {"edit.undo", "edit.redo", ""});
    addToMenu(menu, editCommands);
    // They act on the focused text field, else on the selected slides.
    connect(menu, &QMenu::aboutToShow, this, [this] {
        const bool text = focusedTextField() != nullptr;
        const MosavelleDocument& document = window_.handle().document();
        const bool selected = !document.slidePositions(document.selectedSlideIDs()).empty();
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        const bool pastable =
            data && (slide_clipboard::clipIn(*data) || ImportFlow::canImport(*data));
        action("edit.cut")->setEnabled(text || selected);
        action("edit.copy")->setEnabled(text || selected);
        action("edit.delete")->setEnabled(!text && selected);
        action("edit.paste")->setEnabled(text || pastable);
        action("edit.selectAll")->setEnabled(text || !document.project().slides.empty());
    });
    connect(menu, &QMenu::aboutToHide, this, [this] {
        // Enabled again so that their keys still work when the state changed since.
        for (const char* id : editCommands)
            action(QString::fromLatin1(id))->setEnabled(true);
    });
}

void WindowActions::buildSlidesMenu() {
    QMenu* menu = window_.menuBar()->addMenu(tr("&Slides"));
    menu->setToolTipsVisible(true);
    addToMenu(menu, {"slides.pasteImages", "slides.duplicate", "slides.rename", "",
                     "slides.insertDivider", "slides.insertDividerBefore", "slides.groupTwoUp",
                     "slides.groupFourUp", "slides.split", "slides.fillCaptions", "slides.timeGaps",
                     "slides.alignClocks"});
    addRemoveImageMenu(menu);
    addToMenu(menu,
              {"", "slides.exclude", "slides.rotateLeft", "slides.rotateRight", "",
               "slides.selectPrevious", "slides.selectNext", "slides.moveUp", "slides.moveDown"});
}

// The menu form of Alt-click on a picture in the preview (window managers often take Alt-click
// for themselves): one entry per picture of the slide on show.
void WindowActions::addRemoveImageMenu(QMenu* menu) {
    QMenu* remove = menu->addMenu(tr("Remove Image from Slide"));
    remove->setObjectName(QStringLiteral("slides.removeImage"));
    ContentView* content = &window_.contentView();
    MosavelleDocument* document = &window_.handle().document();
    const auto refill = [remove, content, document] {
        remove->clear();
        const auto slide = content->displayedSlide();
        std::vector<Uuid> pictures;
        if (slide)
            for (const ImageSlot& slot : slide->slots)
                if (slot.imageID)
                    pictures.push_back(*slot.imageID);
        remove->setEnabled(pictures.size() >= 2);
        if (pictures.size() < 2)
            return;
        for (const Uuid& picture : pictures) {
            const SourceImage* image = document->project().sourceImage(picture);
            const QString name =
                image ? QString::fromStdString(image->originalFileName) : QString();
            const Uuid slideID = slide->id;
            connect(remove->addAction(name.isEmpty() ? tr("Image") : name), &QAction::triggered,
                    remove, [document, picture, slideID] {
                        removeImageFromSlide(*document, picture, slideID);
                    });
        }
    };
    connect(menu, &QMenu::aboutToShow, remove, refill);
}

void WindowActions::buildViewMenu() {
    QMenu* menu = window_.menuBar()->addMenu(tr("&View"));
    addToMenu(menu, {"view.inspector", "", "view.asList", "view.asGrid", "", "view.zoomToFit",
                     "view.zoomIn", "view.zoomOut", "", "view.fullScreen"});
}

void WindowActions::buildHelpMenu() {
    QMenu* menu = window_.menuBar()->addMenu(tr("&Help"));
    addToMenu(menu, {"help.help", "help.welcome", "", "help.about"});
}

// --- The toolbar

QToolBar* WindowActions::makeToolBar() {
    auto* toolBar = new QToolBar(tr("Toolbar"), &window_);
    toolBar->setObjectName(QStringLiteral("mosavelle.document"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar->setMovable(false);
    const auto button = [toolBar](QAction* action) {
        // The icons are the toolbar's; menu items show their text alone.
        action->setIconVisibleInMenu(false);
        toolBar->addAction(action);
        return qobject_cast<QToolButton*>(toolBar->widgetForAction(action));
    };
    button(action("view.toggleGrid"))->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar->addSeparator();

    // Import with a menu of its two kinds.
    auto* importMenu = new QMenu(toolBar);
    importMenu->addAction(action("file.import"));
    importMenu->addAction(action("file.importFolder"));
    QToolButton* import = button(action("file.import"));
    import->setMenu(importMenu);
    import->setPopupMode(QToolButton::MenuButtonPopup);
    import->setAccessibleName(tr("Import images"));
    // Tips of the buttons alone (the menu items go without): these actions never change, so
    // the buttons keep them.
    import->setToolTip(tr("Import images or a folder"));
    button(action("file.export"))->setAccessibleName(tr("Export Presentation…"));
    QToolButton* settings = button(action("file.deckSettings"));
    settings->setAccessibleName(tr("Deck Settings"));
    settings->setToolTip(
        tr("Change slide size, background, order, and other settings for this deck."));

    auto* spacer = new QWidget(toolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBar->addWidget(spacer);
    QToolButton* inspector = button(action("view.inspector"));
    inspector->setAccessibleName(tr("Inspector"));
    // Assistive technology toggles the button itself, which leaves its action alone: the action
    // follows the button, so that button and pane never disagree.
    connect(inspector, &QToolButton::toggled, action("view.inspector"), &QAction::setChecked);
    updateView();
    return toolBar;
}

// --- Enable rules and changing texts

void WindowActions::update() {
    const MosavelleDocument& document = window_.handle().document();
    const auto& slides = document.project().slides;
    const auto& selected = document.selectedSlideIDs();

    const bool hasIncluded =
        std::any_of(slides.begin(), slides.end(), [](const Slide& s) { return !s.isExcluded; });
    // A primary slide exists when a selected slide exists or any slide is included.
    const bool hasPrimary =
        hasIncluded || std::any_of(slides.begin(), slides.end(),
                                   [&selected](const Slide& s) { return selected.contains(s.id); });
    action("file.export")->setEnabled(hasIncluded);
    action("slides.rename")->setEnabled(hasPrimary);
    const bool hasSelected = !document.slidePositions(selected).empty();
    for (const char* id : {"slides.exclude", "slides.rotateLeft", "slides.rotateRight"})
        action(QString::fromLatin1(id))->setEnabled(hasSelected);
    action("slides.exclude")
        ->setText(allSelectedExcluded(document) ? tr("Include in Export")
                                                : tr("Exclude from Export"));
    action("slides.fillCaptions")->setEnabled(hasSelected);
    action("slides.alignClocks")->setEnabled(selected.size() == 2);
    action("slides.selectPrevious")->setEnabled(!slides.empty());
    action("slides.selectNext")->setEnabled(!slides.empty());
    action("file.revert")
        ->setEnabled(!window_.handle().packagePath().empty() && window_.handle().isModified());
    updateEditing();
}

void WindowActions::updateEditing() {
    const MosavelleDocument& document = window_.handle().document();
    const auto& history = *window_.handle().undoHistory();
    // A gesture still open (a slider held, a field being typed in) is not on the stack yet, but
    // undo closes it as one step first, so it counts as something to undo.
    const bool openGestureChanged = document.hasOpenEditChanges();
    const bool canUndo = history.canUndo() || openGestureChanged;
    const std::string undoName =
        openGestureChanged ? document.continuousEditName() : history.undoName();
    const std::string redoName = history.redoName();
    QAction* undo = action("edit.undo");
    QAction* redo = action("edit.redo");
    undo->setText(canUndo && !undoName.empty() ? tr("Undo %1").arg(CoreTexts::editStep(undoName))
                                               : tr("Undo"));
    redo->setText(history.canRedo() && !redoName.empty()
                      ? tr("Redo %1").arg(CoreTexts::editStep(redoName))
                      : tr("Redo"));
    // A focused text field takes Ctrl+Z itself (QLineEdit and friends claim the key first).
    undo->setEnabled(canUndo);
    redo->setEnabled(history.canRedo());
}

void WindowActions::updateView() {
    const ContentView& content = window_.contentView();
    const bool grid = content.showsGrid();
    (grid ? action("view.asGrid") : action("view.asList"))->setChecked(true);
    QAction* toggle = action("view.toggleGrid");
    toggle->setText(grid ? tr("List") : tr("Grid"));
    toggle->setIcon(grid ? themedIcon(QStringLiteral("view-list-details"), QStringLiteral("list"))
                         : themedIcon(QStringLiteral("view-grid"), QStringLiteral("grid")));
    toggle->setToolTip(grid ? tr("Show slides as a list") : tr("Show slides as a grid"));

    const bool inspector = content.showsInspector();
    QAction* shown = action("view.inspector");
    shown->setChecked(inspector);
    shown->setToolTip(inspector ? tr("Hide inspector") : tr("Show inspector"));
    if (auto* bar = window_.findChild<QToolBar*>(QStringLiteral("mosavelle.document"))) {
        if (QWidget* button = bar->widgetForAction(toggle))
            button->setAccessibleName(grid ? tr("Show list") : tr("Show grid"));
        // Qt buttons have no accessible value; the description carries it.
        if (QWidget* button = bar->widgetForAction(shown))
            button->setAccessibleDescription(inspector ? tr("Shown") : tr("Hidden"));
    }
}

}  // namespace mosavelle::app
