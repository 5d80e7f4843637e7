#pragma once

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QToolBar;

namespace mosavelle::app {

class DocumentWindow;

// Every command of one deck window as one QAction: its id (the action's object name, such as
// "file.export" or "slides.rename", for tests and scripts), its text, its keys from the key table
// and its enable rule. The menu bar, the toolbar and the keyboard all use these same actions, so
// a key is bound once. Commands act on this window's document (a window's actions are only
// reachable while it is active). A new command is one `add` call plus the function it runs.
class WindowActions : public QObject {
    Q_OBJECT
public:
    explicit WindowActions(DocumentWindow& window);

    QAction* action(const QString& id) const;
    // Recomputes the enable rules, the Undo/Redo titles and the view toggles.
    void update();
    // The Open Recent menu, read again from the list of recent projects.
    void rebuildRecentMenu();
    // The window's toolbar ("mosavelle.document"), made of the same actions.
    QToolBar* makeToolBar();

private:
    QAction* add(const char* id, const QString& text, const QList<QKeySequence>& keys,
                 std::function<void()> run);
    void addFileCommands();
    void addEditCommands();
    void addSlideCommands();
    void addViewCommands();
    void addHelpCommands();
    void addContextCommands();
    void buildFileMenu();
    void buildEditMenu();
    void buildSlidesMenu();
    void addRemoveImageMenu(QMenu* menu);
    void buildViewMenu();
    void buildHelpMenu();
    void addToMenu(QMenu* menu, std::initializer_list<const char*> ids);
    void updateEditing();
    void updateView();

    DocumentWindow& window_;
    QHash<QString, QAction*> actions_;
    QMenu* recentMenu_ = nullptr;
};

}  // namespace mosavelle::app
