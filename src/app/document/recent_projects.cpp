#include "app/document/recent_projects.h"

#include <QDir>

#include "app/support/preferences.h"

namespace mosavelle::app {

namespace {
QString normalized(const QString& path) {
    return QDir::cleanPath(QDir(path).absolutePath());
}
}  // namespace

QStringList RecentProjects::paths() {
    return preferences::recentProjects.value();
}

void RecentProjects::add(const QString& path) {
    const QString entry = normalized(path);
    QStringList list = paths();
    list.removeAll(entry);
    list.prepend(entry);
    while (list.size() > maximumCount)
        list.removeLast();
    store(list);
}

void RecentProjects::remove(const QString& path) {
    QStringList list = paths();
    if (list.removeAll(normalized(path)) > 0)
        store(list);
}

void RecentProjects::clear() {
    store({});
}

void RecentProjects::store(const QStringList& paths) {
    preferences::recentProjects.store(paths);
}

}  // namespace mosavelle::app
