#include "app/shell/command_line.h"

namespace mosavelle::app {

LaunchRequest parseCommandLine(const QStringList& arguments) {
    LaunchRequest request;
    bool optionsEnded = false;
    // arguments[0] is the program.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == "-") {
            request.packages << argument;
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            request.showHelp = true;
        } else if (argument == "--version" || argument == "-v") {
            request.showVersion = true;
        } else if (argument == "--import") {
            // Takes every following argument up to the next option or a project package.
            bool took = false;
            while (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1Char('-')) &&
                   !arguments[i + 1].endsWith(QStringLiteral(".mosavelle")) &&
                   !arguments[i + 1].endsWith(QStringLiteral(".mosavelle/"))) {
                request.imports << arguments[++i];
                took = true;
            }
            if (!took)
                request.error = QStringLiteral("--import needs a picture or a folder.");
        } else if (argument.startsWith(QStringLiteral("--import="))) {
            request.imports << argument.mid(9);
        } else {
            request.error = QStringLiteral("Unknown option %1.").arg(argument);
        }
        if (!request.error.isEmpty())
            break;
    }
    return request;
}

QString commandLineUsage() {
    return QStringLiteral(
        "Usage: mosavelle [--import PICTURE-OR-FOLDER ...] [DECK.mosavelle ...]\n"
        "\n"
        "Turns pictures into slide presentations.\n"
        "\n"
        "  DECK.mosavelle      open a project (one window each; its project.json or\n"
        "                      any file inside it works too); other pictures and\n"
        "                      folders given are imported as with --import\n"
        "  --import PATH ...   open a new untitled project with these pictures and\n"
        "                      folders imported (subfolders are not searched)\n"
        "  --help              show this text\n"
        "  --version           show the version\n"
        "\n"
        "Without a project the application opens one new untitled window.\n");
}

}  // namespace mosavelle::app
