#pragma once

#include <QList>
#include <QListView>
#include <QPersistentModelIndex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/navigator/slide_delegate.h"
#include "core/platform/uuid.h"

class QAction;

namespace mosavelle::app {

class SlideListModel;

// One presentation of the navigator's slides: a list (the platform's click, Shift-click and
// Ctrl-click selection; dragging rows within it moves them) or a grid (a click selects one cell,
// Shift- or Ctrl-click toggles one; dropping slides on a cell moves them next to it). Both drag
// slides out as the slide payload, add a slide's picture to the shown slide on Alt-click, offer
// the window's Rename, Delete and Add Image to Current Slide on right-click, and delete the
// selection on the Delete key. Every change goes through one document operation.
class SlideListView : public QListView {
    Q_OBJECT
public:
    using Mode = SlideDelegate::Mode;

    SlideListView(SlideListModel& model, Mode mode, QWidget* parent = nullptr);

    Mode mode() const { return mode_; }
    SlideDelegate& slideDelegate() { return *delegate_; }

    // Opens the name of `slideID` for editing (the selection is left as it is). What is typed
    // shows in the deck at once, as a continuous edit: Return or leaving the field stores it as
    // one "Rename Slide" step, Escape takes it back.
    void startRenaming(const Uuid& slideID);
    // Closes the name editor without storing the draft.
    void cancelRenaming();
    // Closes the name editor, storing the draft.
    void commitRenaming();
    bool isRenaming() const;

    // The commands of the context menu, which the window's actions run on the slide the menu was
    // opened on. Rename selects the slide alone and asks for the rename command, which renames
    // the primary slide; Delete deletes the selection when the slide is in it, else the slide.
    void renameFromMenu(const Uuid& slideID);
    void deleteFromMenu(const Uuid& slideID);
    void addPictureToShownSlide(const Uuid& slideID);

    // The slides a drag starting on `slideID` carries: the whole selection in deck order when the
    // slide is selected, else the slide alone.
    std::vector<Uuid> draggedSlides(const Uuid& slideID) const;

    // The window's actions the context menu of a slide offers (null: a separator); no menu
    // without them.
    void setMenuActions(const QList<QAction*>& actions);

    // Whether the left button went down on a slide and has neither come up nor started a drag:
    // the press may still turn into a drag of that slide.
    bool isHoldingSlide() const;

Q_SIGNALS:
    // An Alt-click found the shown slide full.
    void unableToAddImage();
    // The context menu's Rename selected a slide; the rename command is to run.
    void renameRequested();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    std::optional<Uuid> slideAt(const QPoint& position) const;
    // Tells the thumbnail provider which pictures the rows on screen show, and those of a
    // screenful above and below, when they changed since the last time.
    void prefetchThumbnails();
    // For a slide payload over the view: updates the drop marker and says whether it can drop.
    bool trackDrop(QDropEvent* event);
    void clearDropMarker();
    void layoutGrid();
    // Takes back the live title of the name being typed, if any.
    void endLiveRename();

    SlideListModel& model_;
    Mode mode_;
    SlideDelegate* delegate_;
    QPersistentModelIndex pressed_;
    QPoint pressPosition_;
    bool gridDragArmed_ = false;
    bool holding_ = false;
    std::optional<Uuid> clickOnRelease_;  // grid: the selected cell a plain click selects alone
    int dropRow_ = -1;                    // list mode: the gap a drop would move rows into
    QPersistentModelIndex renaming_;
    // While a name is typed, the draft is applied to the deck through a continuous edit; this is
    // the slide and the title it had before.
    struct LiveRename {
        Uuid slideID;
        std::string title;
    };
    std::optional<LiveRename> liveRename_;
    QList<QAction*> menuActions_;
    std::vector<std::pair<Uuid, int>> prefetched_;  // the pictures on screen last told
};

}  // namespace mosavelle::app
