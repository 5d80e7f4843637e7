#include "app/shell/app_notifications.h"

namespace mosavelle::app {

AppNotifications& AppNotifications::instance() {
    static AppNotifications notifications;
    return notifications;
}

}  // namespace mosavelle::app
