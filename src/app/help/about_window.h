#pragma once

#include <QDialog>

namespace mosavelle::app {

// "About Mosavelle": the icon, the name and the version. One window for the application; asking
// again brings the existing one forward. A dialog, so that assistive technology announces it by
// its title rather than as a nameless region.
class AboutWindow : public QDialog {
    Q_OBJECT
public:
    static AboutWindow* showShared();
    // The window if it is open, else null.
    static AboutWindow* current();

private:
    AboutWindow();
};

}  // namespace mosavelle::app
