#pragma once

#include <QLocale>
#include <QStringList>

class QCoreApplication;

namespace mosavelle::app {

// The folders where the program's compiled translations (mosavelle_<language>.qm) are looked
// for, first found first: beside the installed program (<prefix>/share/mosavelle/translations),
// then the build tree's, so that a program run from its build folder speaks the user's language.
QStringList translationFolders();

// Installs, as children of `app`, the program's translation and Qt's own (standard buttons and
// dialogs) for the first of `locale`'s interface languages that has one. English needs none.
// Returns whether the program's translation was found.
bool installTranslations(QCoreApplication& app, const QLocale& locale = QLocale());

}  // namespace mosavelle::app
