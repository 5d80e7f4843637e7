#include "app/navigator/navigator_view.h"

#include <QApplication>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/document/document_handle.h"
#include "app/navigator/slide_list_model.h"
#include "app/navigator/slide_list_view.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "core/editing/selection.h"

namespace mosavelle::app {

namespace {

QWidget* makeEmptyPage(QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(8);
    auto* heading = new QLabel(NavigatorView::tr("Slides"), page);
    QFont headline = heading->font();
    headline.setBold(true);
    heading->setFont(headline);
    auto* line = new QLabel(NavigatorView::tr("Your slides will appear here."), page);
    line->setWordWrap(true);
    column->addWidget(heading);
    column->addWidget(line);
    column->addStretch(1);
    page->setAccessibleName(NavigatorView::tr("Slides. Your slides will appear here."));
    return page;
}

}  // namespace

NavigatorView::NavigatorView(DocumentHandle& handle, QWidget* parent)
    : QWidget(parent), handle_(handle), model_(new SlideListModel(handle, this)) {
    setAccessibleName(tr("Slides"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QStackedWidget(this);
    layout->addWidget(pages_);
    emptyPage_ = makeEmptyPage(pages_);
    list_ = new SlideListView(*model_, SlideListView::Mode::list, pages_);
    grid_ = new SlideListView(*model_, SlideListView::Mode::grid, pages_);
    pages_->addWidget(emptyPage_);
    pages_->addWidget(list_);
    pages_->addWidget(grid_);

    for (SlideListView* view : {list_, grid_}) {
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, view] { selectionFromView(*view); });
        connect(view, &SlideListView::unableToAddImage, this, &NavigatorView::unableToAddImage);
        // The context menu's Rename runs the same command as the window's "Rename Slide".
        connect(view, &SlideListView::renameRequested, this,
                &NavigatorView::startRenamingPrimarySlide);
    }
    connect(model_, &SlideListModel::synced, this, [this] {
        showPage();
        selectionFromDocument();
    });
    connect(model_, &QAbstractItemModel::modelReset, this, &NavigatorView::selectionFromDocument);
    connect(&handle_, &DocumentHandle::documentChanged, this, [this](const DocumentChange& change) {
        if (change.kind == DocumentChangeKind::selection)
            selectionFromDocument();
    });
    // A miniature fills in when its thumbnail arrives; only the visible rows repaint.
    connect(&handle_.thumbnails(), &ThumbnailProvider::thumbnailReady, this,
            [this] { currentView().viewport()->update(); });
    showPage();
    selectionFromDocument();
}

NavigatorView::~NavigatorView() = default;

SlideListView& NavigatorView::currentView() {
    return showsGrid_ ? *grid_ : *list_;
}

void NavigatorView::setSlideMenuActions(const QList<QAction*>& actions) {
    list_->setMenuActions(actions);
    grid_->setMenuActions(actions);
}

bool NavigatorView::isHoldingSlide() const {
    return list_->isHoldingSlide() || grid_->isHoldingSlide();
}

void NavigatorView::setShowsGrid(bool grid) {
    if (grid == showsGrid_)
        return;
    currentView().cancelRenaming();
    showsGrid_ = grid;
    showPage();
}

void NavigatorView::showPage() {
    QWidget* page = model_->rowCount() == 0 ? emptyPage_ : &currentView();
    if (pages_->currentWidget() != page)
        pages_->setCurrentWidget(page);
}

void NavigatorView::startRenamingPrimarySlide() {
    if (auto primary = primarySlide(handle_.document()))
        currentView().startRenaming(primary->id);
}

void NavigatorView::commitRenaming() {
    currentView().commitRenaming();
}

void NavigatorView::selectionFromView(SlideListView& view) {
    if (syncingSelection_)
        return;
    SlideIDSet ids;
    for (const QModelIndex& index : view.selectionModel()->selectedIndexes())
        if (const Slide* slide = model_->slideAt(index.row()))
            ids.insert(slide->id);
    setSelection(handle_.document(), std::move(ids));
}

void NavigatorView::selectionFromDocument() {
    const SlideIDSet& selected = handle_.document().selectedSlideIDs();
    std::vector<int> rows;
    for (const Uuid& id : selected)
        if (int row = model_->rowOf(id); row >= 0)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        selection.select(model_->index(rows[i]), model_->index(rows[j]));
        i = j + 1;
    }
    syncingSelection_ = true;
    for (SlideListView* view : {list_, grid_}) {
        QItemSelectionModel* model = view->selectionModel();
        // Leave the view alone when it already agrees, so that a selection being made with the
        // mouse keeps its anchor.
        SlideIDSet shown;
        for (const QModelIndex& index : model->selectedIndexes())
            if (const Slide* slide = model_->slideAt(index.row()))
                shown.insert(slide->id);
        SlideIDSet existing;
        for (int row : rows)
            existing.insert(model_->slideAt(row)->id);
        if (shown == existing)
            continue;
        model->select(selection, QItemSelectionModel::ClearAndSelect);
        if (rows.size() == 1) {
            const QModelIndex only = model_->index(rows.front());
            model->setCurrentIndex(only, QItemSelectionModel::NoUpdate);
            view->scrollTo(only);
        }
    }
    syncingSelection_ = false;
}

}  // namespace mosavelle::app
