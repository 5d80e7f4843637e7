#include "app/window/content_view.h"

#include <QLabel>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/document/document_handle.h"
#include "app/help/help_view.h"
#include "app/help/welcome_sheet.h"

namespace mosavelle::app {

ContentView::ContentView(DocumentHandle& handle, QWidget* parent)
    : QWidget(parent), handle_(handle) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(splitter_);

    navigatorColumn_ = new QLabel(tr("Slides"), splitter_);
    detailColumn_ = new QStackedWidget(splitter_);
    detailColumn_->addWidget(new QLabel(tr("Select a slide"), detailColumn_));
    inspectorColumn_ = new QLabel(tr("Inspector"), splitter_);
    splitter_->addWidget(navigatorColumn_);
    splitter_->addWidget(detailColumn_);
    splitter_->addWidget(inspectorColumn_);
    splitter_->setStretchFactor(1, 1);
    toolBar_ = new QToolBar(tr("Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("mosavelle.document"));
}

ContentView::~ContentView() = default;

// --- Import (navigator and import flows)

void ContentView::importImages() {}

void ContentView::importFolder() {}

void ContentView::pasteImagesFromClipboard() {}

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

void ContentView::beginExport() {}

void ContentView::showDeckSettings() {}

// --- Closing

bool ContentView::prepareToClose() { return true; }

// --- Preview

void ContentView::zoomToFit() {}

void ContentView::zoomIn() {}

void ContentView::zoomOut() {}

void ContentView::showFullScreenPreview() {}

// --- Columns

void ContentView::setShowsGrid(bool grid) { showsGrid_ = grid; }

void ContentView::setShowsInspector(bool shown) {
    showsInspector_ = shown;
    inspectorColumn_->setVisible(shown);
}

}  // namespace mosavelle::app
