#pragma once

#include <QStringList>

namespace mosavelle::app {

// The "Open Recent" list: absolute package paths in the user's preferences, most recent first, at
// most ten. Interface thread only.
class RecentProjects {
public:
    static constexpr int maximumCount = 10;

    static QStringList paths();
    // Puts `path` first (moving it up when it is already listed) and drops the oldest beyond ten.
    static void add(const QString& path);
    // Drops `path`, e.g. when it no longer opens.
    static void remove(const QString& path);
    static void clear();

private:
    static void store(const QStringList& paths);
};

}  // namespace mosavelle::app
