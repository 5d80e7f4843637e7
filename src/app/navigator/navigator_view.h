#pragma once

#include <QList>
#include <QWidget>

#include "core/platform/uuid.h"

class QAction;
class QStackedWidget;

namespace mosavelle::app {

class DocumentHandle;
class SlideListModel;
class SlideListView;

// The window's sidebar: the deck's slides as a list or a grid over one model, with the selection
// bound to the document both ways, or a short note while the deck has no slides. Renames the
// primary slide in place for the window's Rename Slide command.
class NavigatorView : public QWidget {
    Q_OBJECT
public:
    explicit NavigatorView(DocumentHandle& handle, QWidget* parent = nullptr);
    ~NavigatorView() override;

    void setShowsGrid(bool grid);
    bool showsGrid() const { return showsGrid_; }

    // Renames the primary slide in place, when there is one; the selection is unchanged.
    void startRenamingPrimarySlide();
    // Stores the name being typed, if any, and closes its editor.
    void commitRenaming();

    SlideListModel& model() { return *model_; }
    SlideListView& listView() { return *list_; }
    SlideListView& gridView() { return *grid_; }
    // The view on show (list or grid).
    SlideListView& currentView();
    // The window's actions a slide's context menu offers, in both views.
    void setSlideMenuActions(const QList<QAction*>& actions);
    // A slide is pressed and may yet be dragged (see SlideListView::isHoldingSlide).
    bool isHoldingSlide() const;

Q_SIGNALS:
    // An Alt-click tried to add a picture to a slide that already shows four.
    void unableToAddImage();

private:
    void showPage();
    void selectionFromView(SlideListView& view);
    void selectionFromDocument();

    DocumentHandle& handle_;
    SlideListModel* model_;
    QStackedWidget* pages_;
    QWidget* emptyPage_;
    SlideListView* list_;
    SlideListView* grid_;
    bool showsGrid_ = false;
    bool syncingSelection_ = false;
};

}  // namespace mosavelle::app
