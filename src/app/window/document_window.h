#pragma once

#include <QMainWindow>
#include <memory>

namespace mosavelle::app {

class ContentView;
class DocumentHandle;

// The top-level window of one open deck: owns the document handle and shows its ContentView.
class DocumentWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit DocumentWindow(std::unique_ptr<DocumentHandle> handle, QWidget* parent = nullptr);
    ~DocumentWindow() override;

    DocumentHandle& handle() { return *handle_; }
    ContentView& contentView() { return *contentView_; }

private:
    void updateTitle();

    std::unique_ptr<DocumentHandle> handle_;
    ContentView* contentView_ = nullptr;
};

}  // namespace mosavelle::app
