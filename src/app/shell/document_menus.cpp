#include "app/shell/document_menus.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolBar>
#include <algorithm>

#include "app/document/document_handle.h"
#include "app/help/about_window.h"
#include "app/settings/timeline_sheets.h"
#include "app/shell/app_notifications.h"
#include "app/shell/mosavelle_app.h"
#include "app/shell/recent_projects.h"
#include "app/shell/shortcuts.h"
#include "app/window/content_view.h"
#include "app/window/document_window.h"
#include "core/editing/selection.h"
#include "core/editing/slide_operations.h"

namespace mosavelle::app {

namespace {

// The text field that has keyboard focus, if any: the standard editing commands act on it.
QWidget* focusedTextField() {
    QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) ||
        qobject_cast<QPlainTextEdit*>(focus)) {
        return focus;
    }
    return nullptr;
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
bool sendToTextField(const char* slot) {
    QWidget* field = focusedTextField();
    if (field == nullptr)
        return false;
    QMetaObject::invokeMethod(field, slot);
    return true;
}

}  // namespace

DocumentMenus::DocumentMenus(DocumentWindow& window) : QObject(&window), window_(window) {
    buildFileMenu();
    buildEditMenu();
    buildSlidesMenu();
    buildViewMenu();
    buildHelpMenu();
    yieldSharedShortcuts();

    DocumentHandle& handle = window_.handle();
    connect(&handle, &DocumentHandle::documentChanged, this, &DocumentMenus::update);
    connect(&handle, &DocumentHandle::undoStateChanged, this, &DocumentMenus::update);
    connect(&handle, &DocumentHandle::packagePathChanged, this, &DocumentMenus::update);
    update();
}

QAction* DocumentMenus::action(const QString& name) const {
    return window_.findChild<QAction*>(name);
}

QAction* DocumentMenus::add(QMenu* menu, const QString& name, const QString& text,
                            const QKeySequence& shortcut) {
    auto* action = menu->addAction(text);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

void DocumentMenus::buildFileMenu() {
    QMenu* menu = window_.menuBar()->addMenu(tr("&File"));
    menu->setToolTipsVisible(true);
    DocumentWindow* window = &window_;
    connect(add(menu, "file.new", tr("New"), shortcuts::newDocument()), &QAction::triggered, this,
            [] {
                if (auto* app = MosavelleApp::current())
                    app->newDocument();
            });
    connect(add(menu, "file.open", tr("Open…"), shortcuts::open()), &QAction::triggered, this,
            [window] {
                if (auto* app = MosavelleApp::current())
                    app->showOpenDialog(window);
            });
    recentMenu_ = menu->addMenu(tr("Open Recent"));
    recentMenu_->setObjectName(QStringLiteral("file.openRecent"));
    recentMenu_->setToolTipsVisible(true);
    connect(recentMenu_, &QMenu::aboutToShow, this, &DocumentMenus::rebuildRecentMenu);
    if (auto* app = MosavelleApp::current()) {
        connect(app, &MosavelleApp::recentProjectsChanged, this, &DocumentMenus::rebuildRecentMenu);
    }
    rebuildRecentMenu();
    menu->addSeparator();
    connect(add(menu, "file.close", tr("Close"), shortcuts::close()), &QAction::triggered, window,
            &QWidget::close);
    connect(add(menu, "file.save", tr("Save"), shortcuts::save()), &QAction::triggered, this,
            [window] { window->save(); });
    connect(add(menu, "file.saveAs", tr("Save As…"), shortcuts::saveAs()), &QAction::triggered,
            this, [window] { window->saveAs(); });
    connect(add(menu, "file.revert", tr("Revert to Saved")), &QAction::triggered, this,
            [window] { window->revertToSaved(); });
    menu->addSeparator();
    connect(add(menu, "file.import", tr("Import Images…"), shortcuts::importImages()),
            &QAction::triggered, this, [window] { window->contentView().importImages(); });
    connect(add(menu, "file.importFolder", tr("Import Folder…")), &QAction::triggered, this,
            [window] { window->contentView().importFolder(); });
    auto* exportAction =
        add(menu, "file.export", tr("Export Presentation…"), shortcuts::exportPresentation());
    exportAction->setToolTip(
        tr("Export a PowerPoint (.pptx) file for PowerPoint and Keynote. Saving the project is a "
           "separate command."));
    connect(exportAction, &QAction::triggered, this,
            [] { AppNotifications::instance().postBeginExport(); });
    connect(add(menu, "file.deckSettings", tr("Deck Settings…")), &QAction::triggered, this,
            [window] { window->contentView().showDeckSettings(); });
    menu->addSeparator();
    auto* quit = add(menu, "file.quit", tr("Quit"), shortcuts::quit());
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, [] {
        if (auto* app = MosavelleApp::current())
            app->quit();
    });
}

void DocumentMenus::rebuildRecentMenu() {
    recentMenu_->clear();
    const QStringList paths = RecentProjects::paths();
    for (const QString& path : paths) {
        auto* entry = recentMenu_->addAction(QFileInfo(path).completeBaseName());
        entry->setToolTip(path);
        connect(entry, &QAction::triggered, this, [path] {
            if (auto* app = MosavelleApp::current())
                app->openPackage(path.toStdString());
        });
    }
    if (!paths.isEmpty())
        recentMenu_->addSeparator();
    auto* clear = recentMenu_->addAction(tr("Clear Menu"));
    clear->setObjectName(QStringLiteral("file.clearRecent"));
    clear->setEnabled(!paths.isEmpty());
    connect(clear, &QAction::triggered, this, [] {
        RecentProjects::clear();
        if (auto* app = MosavelleApp::current())
            app->noteRecentProjectsChanged();
    });
}

void DocumentMenus::buildEditMenu() {
    QMenu* menu = window_.menuBar()->addMenu(tr("&Edit"));
    DocumentHandle* handle = &window_.handle();
    // Undo and Redo serve a text field that has something to undo first, then the deck.
    connect(add(menu, "edit.undo", tr("Undo"), shortcuts::undo()), &QAction::triggered, this,
            [handle] {
                QWidget* field = focusedTextField();
                if (field != nullptr && textFieldCanUndo(field, false)) {
                    QMetaObject::invokeMethod(field, "undo");
                } else {
                    handle->undoHistory()->undo();
                }
            });
    connect(add(menu, "edit.redo", tr("Redo"), shortcuts::redo()), &QAction::triggered, this,
            [handle] {
                QWidget* field = focusedTextField();
                if (field != nullptr && textFieldCanUndo(field, true)) {
                    QMetaObject::invokeMethod(field, "redo");
                } else {
                    handle->undoHistory()->redo();
                }
            });
    menu->addSeparator();
    connect(add(menu, "edit.cut", tr("Cut"), QKeySequence::Cut), &QAction::triggered, this,
            [] { sendToTextField("cut"); });
    connect(add(menu, "edit.copy", tr("Copy"), QKeySequence::Copy), &QAction::triggered, this,
            [] { sendToTextField("copy"); });
    connect(add(menu, "edit.paste", tr("Paste"), QKeySequence::Paste), &QAction::triggered, this,
            [] { sendToTextField("paste"); });
    connect(add(menu, "edit.selectAll", tr("Select All"), QKeySequence::SelectAll),
            &QAction::triggered, this, [] { sendToTextField("selectAll"); });
    // The text commands only make sense while a text field has focus.
    connect(menu, &QMenu::aboutToShow, this, [this] {
        const bool text = focusedTextField() != nullptr;
        for (const char* name : {"edit.cut", "edit.copy", "edit.paste", "edit.selectAll"}) {
            action(QString::fromLatin1(name))->setEnabled(text);
        }
    });
    connect(menu, &QMenu::aboutToHide, this, [this] {
        // Enabled again so that their keys still reach a field focused later.
        for (const char* name : {"edit.cut", "edit.copy", "edit.paste", "edit.selectAll"}) {
            action(QString::fromLatin1(name))->setEnabled(true);
        }
    });
}

void DocumentMenus::buildSlidesMenu() {
    QMenu* menu = window_.menuBar()->addMenu(tr("&Slides"));
    menu->setToolTipsVisible(true);
    DocumentWindow* window = &window_;
    MosavelleDocument* document = &window_.handle().document();
    connect(add(menu, "slides.pasteImages", tr("Paste Images"), shortcuts::pasteImages()),
            &QAction::triggered, this,
            [window] { window->contentView().pasteImagesFromClipboard(); });
    connect(add(menu, "slides.duplicate", tr("Duplicate Slides"), shortcuts::duplicateSlides()),
            &QAction::triggered, this, [document] { duplicateSelectedSlides(*document); });
    connect(add(menu, "slides.rename", tr("Rename Slide"), shortcuts::renameSlide()),
            &QAction::triggered, this, [] { AppNotifications::instance().postRenameSlide(); });
    menu->addSeparator();
    auto* divider = add(menu, "slides.insertDivider", tr("Insert Section Divider"));
    divider->setToolTip(
        tr("Adds a section divider slide after the current selection. Later slides numbered "
           "Slide 1, Slide 2, and so on are updated."));
    connect(divider, &QAction::triggered, this, [document] { insertSectionDivider(*document); });
    connect(add(menu, "slides.groupTwoUp", tr("Group as Two-Up")), &QAction::triggered, this,
            [document] { groupSelectedSlides(*document, SlideLayoutKind::twoUp); });
    connect(add(menu, "slides.groupFourUp", tr("Group as Four-Up")), &QAction::triggered, this,
            [document] { groupSelectedSlides(*document, SlideLayoutKind::fourGrid); });
    connect(add(menu, "slides.split", tr("Split into Single Images")), &QAction::triggered, this,
            [document] { ungroupSelectedSlides(*document); });
    connect(add(menu, "slides.timeGaps", tr("Insert Sections at Time Gaps\u2026")),
            &QAction::triggered, this, [this] {
                auto* sheet = new TimeGapSheet(window_.handle(), &window_);
                sheet->setAttribute(Qt::WA_DeleteOnClose);
                sheet->open();
            });
    connect(add(menu, "slides.alignClocks", tr("Align Camera Clocks\u2026")), &QAction::triggered,
            this, [this] { askToAlignCameraClocks(window_.handle(), &window_); });
    menu->addSeparator();
    auto* previous = add(menu, "slides.selectPrevious", tr("Select Previous Slide"));
    previous->setToolTip(tr("Use the arrow keys to select the previous slide."));
    connect(previous, &QAction::triggered, this, [document] { moveSelection(*document, -1); });
    auto* next = add(menu, "slides.selectNext", tr("Select Next Slide"));
    next->setToolTip(tr("Use the arrow keys to select the next slide."));
    connect(next, &QAction::triggered, this, [document] { moveSelection(*document, +1); });
    auto* up = add(menu, "slides.moveUp", tr("Move Up"), shortcuts::moveUp());
    up->setToolTip(tr("Move the selected slides up. Arrow keys change which slide is selected."));
    connect(up, &QAction::triggered, this, [document] { moveSelectedSlide(*document, -1); });
    auto* down = add(menu, "slides.moveDown", tr("Move Down"), shortcuts::moveDown());
    down->setToolTip(
        tr("Move the selected slides down. Left and right arrows change which slide is "
           "selected."));
    connect(down, &QAction::triggered, this, [document] { moveSelectedSlide(*document, +1); });
}

void DocumentMenus::buildViewMenu() {
    QMenu* menu = window_.menuBar()->addMenu(tr("&View"));
    ContentView* content = &window_.contentView();
    auto* inspector = add(menu, "view.inspector", tr("Show Inspector"));
    inspector->setCheckable(true);
    inspector->setChecked(content->showsInspector());
    connect(inspector, &QAction::toggled, this,
            [content](bool shown) { content->setShowsInspector(shown); });
    menu->addSeparator();
    auto* modes = new QActionGroup(this);
    auto* list = add(menu, "view.asList", tr("Slides as List"));
    auto* grid = add(menu, "view.asGrid", tr("Slides as Grid"));
    for (QAction* mode : {list, grid}) {
        mode->setCheckable(true);
        modes->addAction(mode);
    }
    (content->showsGrid() ? grid : list)->setChecked(true);
    connect(grid, &QAction::toggled, this, [content](bool on) { content->setShowsGrid(on); });
    // The window may switch modes itself (a toolbar control); the menu follows when it opens.
    connect(menu, &QMenu::aboutToShow, this, [content, inspector, list, grid] {
        inspector->setChecked(content->showsInspector());
        (content->showsGrid() ? grid : list)->setChecked(true);
    });
    menu->addSeparator();
    connect(add(menu, "view.zoomToFit", tr("Fit to Window"), shortcuts::zoomToFit()),
            &QAction::triggered, this, [content] { content->zoomToFit(); });
    connect(add(menu, "view.zoomIn", tr("Zoom In"), shortcuts::zoomIn()), &QAction::triggered, this,
            [content] { content->zoomIn(); });
    connect(add(menu, "view.zoomOut", tr("Zoom Out"), shortcuts::zoomOut()), &QAction::triggered,
            this, [content] { content->zoomOut(); });
    menu->addSeparator();
    connect(add(menu, "view.fullScreen", tr("Preview Full Screen")), &QAction::triggered, this,
            [content] { content->showFullScreenPreview(); });
}

void DocumentMenus::buildHelpMenu() {
    QMenu* menu = window_.menuBar()->addMenu(tr("&Help"));
    auto* help = add(menu, "help.help", tr("Mosavelle Help"));
    // F1 as well: the key Linux desktops use for help.
    help->setShortcuts({shortcuts::help(), QKeySequence(QKeySequence::HelpContents)});
    connect(help, &QAction::triggered, this, [] { AppNotifications::instance().postShowHelp(); });
    connect(add(menu, "help.welcome", tr("Welcome to Mosavelle")), &QAction::triggered, this,
            [] { AppNotifications::instance().postShowWelcome(); });
    menu->addSeparator();
    auto* about = add(menu, "help.about", tr("About Mosavelle"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, [] { AboutWindow::showShared(); });
}

void DocumentMenus::yieldSharedShortcuts() {
    const auto mine = window_.menuBar()->findChildren<QAction*>();
    QList<QKeySequence> elsewhere;
    for (QAction* other : window_.contentView().findChildren<QAction*>()) {
        elsewhere += other->shortcuts();
    }
    if (QToolBar* toolBar = window_.contentView().toolBar()) {
        for (QAction* other : toolBar->actions())
            elsewhere += other->shortcuts();
        for (auto* button : toolBar->findChildren<QAbstractButton*>()) {
            elsewhere += button->shortcut();
        }
    }
    for (QAction* action : mine) {
        if (action->shortcut().isEmpty())
            continue;
        if (elsewhere.contains(action->shortcut()))
            action->setShortcutContext(Qt::WidgetShortcut);
    }
}

void DocumentMenus::update() {
    const MosavelleDocument& document = window_.handle().document();
    const Project& project = document.project();
    const auto& slides = project.slides;
    const auto& selected = document.selectedSlideIDs();

    const bool hasIncluded =
        std::any_of(slides.begin(), slides.end(), [](const Slide& s) { return !s.isExcluded; });
    // A primary slide exists when a selected slide exists or any slide is included.
    const bool hasPrimary =
        hasIncluded || std::any_of(slides.begin(), slides.end(),
                                   [&selected](const Slide& s) { return selected.contains(s.id); });
    action("file.export")->setEnabled(hasIncluded);
    action("slides.rename")->setEnabled(hasPrimary);
    action("slides.alignClocks")
        ->setEnabled(window_.handle().document().selectedSlideIDs().size() == 2);
    action("slides.selectPrevious")->setEnabled(!slides.empty());
    action("slides.selectNext")->setEnabled(!slides.empty());
    action("file.revert")
        ->setEnabled(!window_.handle().packagePath().empty() && window_.handle().isModified());

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
    undo->setText(canUndo && !undoName.empty() ? tr("Undo %1").arg(QString::fromStdString(undoName))
                                               : tr("Undo"));
    redo->setText(history.canRedo() && !redoName.empty()
                      ? tr("Redo %1").arg(QString::fromStdString(redoName))
                      : tr("Redo"));
    // A focused text field takes Ctrl+Z itself (QLineEdit and friends claim the key first).
    undo->setEnabled(canUndo);
    redo->setEnabled(history.canRedo());
}

}  // namespace mosavelle::app
