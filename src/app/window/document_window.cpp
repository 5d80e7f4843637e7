#include "app/window/document_window.h"

#include "app/document/document_handle.h"
#include "app/window/content_view.h"

namespace mosavelle::app {

DocumentWindow::DocumentWindow(std::unique_ptr<DocumentHandle> handle, QWidget* parent)
    : QMainWindow(parent), handle_(std::move(handle)) {
    setAttribute(Qt::WA_DeleteOnClose);
    contentView_ = new ContentView(*handle_, this);
    setCentralWidget(contentView_);
    setMinimumSize(900, 560);
    resize(1280, 800);
    connect(handle_.get(), &DocumentHandle::undoStateChanged, this, &DocumentWindow::updateTitle);
    connect(handle_.get(), &DocumentHandle::packagePathChanged, this,
            &DocumentWindow::updateTitle);
    updateTitle();
}

DocumentWindow::~DocumentWindow() {
    // The content view refers to the handle; it goes first.
    delete contentView_;
}

void DocumentWindow::updateTitle() {
    // "[*]" is where Qt shows the modified mark.
    setWindowTitle(handle_->displayName() + QStringLiteral("[*] — Mosavelle"));
    setWindowModified(handle_->isModified());
}

}  // namespace mosavelle::app
