#pragma once

#include <QWidget>

namespace mosavelle::app {

// "About Mosavelle": the icon, the name and the version. One window for the application; asking
// again brings the existing one forward.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    static AboutWindow* showShared();
    // The window if it is open, else null.
    static AboutWindow* current();

private:
    AboutWindow();
};

}  // namespace mosavelle::app
