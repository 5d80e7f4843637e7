#pragma once

#include <QCoreApplication>
#include <QString>

#include "core/platform/result.h"

class QWidget;

namespace mosavelle::app {

// The alert that an opened project's pictures could not be copied into the cache folder and are
// read from the project itself, which must therefore stay where it is while its window is open.
// Shown once per run of the application: the cause (a full disk, a cache folder that is not the
// user's own) is the same for every project opened after it.
class PicturesInPlaceAlert {
    Q_DECLARE_TR_FUNCTIONS(PicturesInPlaceAlert)
public:
    // `failure` is the staging folder's first failure; `documentName` names the project.
    static void showOnce(QWidget* window, const QString& documentName, const Error& failure);
};

}  // namespace mosavelle::app
