#pragma once

#include <QString>
#include <QStringList>

namespace mosavelle::app {

// What the program was asked to do on its command line:
//   mosavelle [--import PICTURE-OR-FOLDER ...] [DECK.mosavelle ...]
// plus --help and --version.
struct LaunchRequest {
    bool showHelp = false;
    bool showVersion = false;
    QStringList packages;  // projects to open, one window each, or further pictures to import
                           // (told apart at launch, by the file system)
    QStringList imports;   // pictures or folders for one new untitled window
    QString error;         // a usage error, one sentence; empty when the line was understood
};

LaunchRequest parseCommandLine(const QStringList& arguments);

// The --help text.
QString commandLineUsage();

}  // namespace mosavelle::app
