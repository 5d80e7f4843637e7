#include "app/support/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace mosavelle::app {

QStringList translationFolders() {
    const QDir program(QCoreApplication::applicationDirPath());
    return {QDir::cleanPath(program.filePath(QStringLiteral("../share/mosavelle/translations"))),
            QStringLiteral(MOSAVELLE_BUILD_TRANSLATIONS)};
}

bool installTranslations(QCoreApplication& app, const QLocale& locale) {
    auto* own = new QTranslator(&app);
    bool found = false;
    for (const QString& folder : translationFolders()) {
        if (own->load(locale, QStringLiteral("mosavelle"), QStringLiteral("_"), folder)) {
            found = true;
            break;
        }
    }
    if (!found) {
        delete own;
        return false;
    }
    QCoreApplication::installTranslator(own);
    // Qt's texts in the language the program's translation chose.
    auto* qt = new QTranslator(&app);
    if (qt->load(QLocale(own->language()), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    return true;
}

}  // namespace mosavelle::app
