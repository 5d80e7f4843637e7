#pragma once

#include <QIcon>
#include <QString>

namespace mosavelle::app {

// An icon from the desktop's icon theme, or our own drawing of it when the theme has none.
// `fallback` names a file of resources/app/icons without its extension.
inline QIcon themedIcon(const QString& themeName, const QString& fallback) {
    return QIcon::fromTheme(themeName,
                            QIcon(QStringLiteral(":/icons/") + fallback + QStringLiteral(".svg")));
}

// One of our own icons, for pictures whose colour matters (the warning triangle).
inline QIcon ownIcon(const QString& name) {
    return QIcon(QStringLiteral(":/icons/") + name + QStringLiteral(".svg"));
}

}  // namespace mosavelle::app
