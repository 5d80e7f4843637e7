#pragma once

#include <QObject>

namespace mosavelle::app {

// The application-wide notification centre: menu commands post here, and every open deck window
// listens and decides whether a notification concerns it. Delivered synchronously on the
// interface thread.
class AppNotifications : public QObject {
    Q_OBJECT
public:
    static AppNotifications& instance();

    void postShowWelcome() { Q_EMIT showWelcome(); }
    void postShowHelp() { Q_EMIT showHelp(); }
    void postBeginExport() { Q_EMIT beginExport(); }
    void postRenameSlide() { Q_EMIT renameSlide(); }

Q_SIGNALS:
    void showWelcome();  // "mosavelleShowWelcome"
    void showHelp();     // "mosavelleShowHelp"
    void beginExport();  // "mosavelleBeginExport"
    void renameSlide();  // "mosavelleRenameSlide"
};

}  // namespace mosavelle::app
