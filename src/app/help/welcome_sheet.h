#pragma once

#include <QDialog>
#include <functional>

namespace mosavelle::app {

// The first-run sheet: three short steps and a button that starts an import. However it is
// dismissed, it records "hasCompletedWelcome" so that new windows stop showing it.
class WelcomeSheet : public QDialog {
    Q_OBJECT
public:
    // `onImport` runs after the sheet closed through its "Import Images…" button.
    explicit WelcomeSheet(std::function<void()> onImport, QWidget* parent = nullptr);

    static bool hasCompletedWelcome();
    static void setHasCompletedWelcome(bool completed);

private:
    std::function<void()> onImport_;
};

}  // namespace mosavelle::app
