#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

class QAction;
class QMenu;

namespace mosavelle::app {

class DocumentWindow;

// The menu bar of one deck window: File, Edit, Slides, View and Help. Commands act on this
// window's document (the focused one: a window's menus are only reachable while it is active),
// and their enabling follows the document. Every action has an object name such as
// "file.export" or "slides.rename" for tests and scripts.
class DocumentMenus : public QObject {
    Q_OBJECT
public:
    explicit DocumentMenus(DocumentWindow& window);

    QAction* action(const QString& name) const;
    // Recomputes enabling and the Undo/Redo titles.
    void update();

private:
    QAction* add(QMenu* menu, const QString& name, const QString& text,
                 const QKeySequence& shortcut = {});
    void buildFileMenu();
    void buildEditMenu();
    void buildSlidesMenu();
    void buildViewMenu();
    void buildHelpMenu();
    void rebuildRecentMenu();
    // A command bound to the same keys by a control of the content (the toolbar's import
    // button, say) keeps its keys on that control: two live bindings of one key would cancel
    // each other out, so the menu item then only shows them.
    void yieldSharedShortcuts();

    DocumentWindow& window_;
    QMenu* recentMenu_ = nullptr;
};

}  // namespace mosavelle::app
