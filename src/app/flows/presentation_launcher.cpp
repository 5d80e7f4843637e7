#include "app/flows/presentation_launcher.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>
#include <algorithm>

namespace mosavelle::app {

namespace {

// Undoes the escapes of a desktop entry string value (\s \n \t \r \\).
QString unescapeValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        if (next == u's')
            out += u' ';
        else if (next == u'n')
            out += u'\n';
        else if (next == u't')
            out += u'\t';
        else if (next == u'r')
            out += u'\r';
        else
            out += next;
    }
    return out;
}

// Splits an Exec line into arguments: white space separates them, double quotes group them, and
// inside quotes a backslash escapes the next character.
QStringList splitExec(const QString& exec) {
    QStringList args;
    QString current;
    bool inQuotes = false;
    bool hasToken = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == u'\\' && i + 1 < exec.size()) {
                current += exec[++i];
            } else if (c == u'"') {
                inQuotes = false;
            } else {
                current += c;
            }
        } else if (c == u'"') {
            inQuotes = true;
            hasToken = true;
        } else if (c.isSpace()) {
            if (hasToken)
                args << current;
            current.clear();
            hasToken = false;
        } else {
            current += c;
            hasToken = true;
        }
    }
    if (hasToken)
        args << current;
    return args;
}

bool isRunnable(const QString& program) {
    if (program.isEmpty())
        return false;
    if (program.contains(u'/'))
        return QFileInfo(program).isExecutable();
    return !QStandardPaths::findExecutable(program).isEmpty();
}

QStringList applicationFolders() {
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QStringList folders{home};
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty())
        system = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& folder : system.split(u':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(folder))
            folders << folder;
    for (QString& folder : folders)
        folder += QStringLiteral("/applications");
    folders.removeDuplicates();
    return folders;
}

QString defaultDesktopID() {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"),
                 QString::fromLatin1(PresentationLauncher::presentationMimeType)});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(1000);
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    return QString::fromUtf8(query.readAllStandardOutput()).trimmed();
}

}  // namespace

PresentationLauncher::PresentationLauncher() : PresentationLauncher(defaultLookup, defaultOpener) {}

PresentationLauncher::PresentationLauncher(Lookup lookup, Opener opener)
    : lookup_(std::move(lookup)), opener_(std::move(opener)) {}

QStringList PresentationLauncher::buttonTitles(const std::vector<PresentationProgram>& programs) {
    QStringList titles{tr("Show in Folder")};
    for (const auto& program : programs)
        titles << tr("Open in %1").arg(program.name);
    titles << tr("OK");
    return titles;
}

std::optional<PresentationProgram> PresentationLauncher::readDesktopEntry(const QString& path,
                                                                          QStringList* mimeTypes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QTextStream in(&file);
    bool inEntry = false;
    QString type, name, exec, tryExec, hidden, mime;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (!inEntry)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = unescapeValue(line.mid(eq + 1).trimmed());
        // The first occurrence of a key counts; localized keys ("Name[de]") are not used.
        if (key == QStringLiteral("Type") && type.isNull())
            type = value;
        else if (key == QStringLiteral("Name") && name.isNull())
            name = value;
        else if (key == QStringLiteral("Exec") && exec.isNull())
            exec = value;
        else if (key == QStringLiteral("TryExec") && tryExec.isNull())
            tryExec = value;
        else if (key == QStringLiteral("Hidden") && hidden.isNull())
            hidden = value;
        else if (key == QStringLiteral("MimeType") && mime.isNull())
            mime = value;
    }
    if (type != QStringLiteral("Application") || name.isEmpty() || exec.isEmpty() ||
        hidden == QStringLiteral("true"))
        return std::nullopt;
    if (!tryExec.isEmpty() && !isRunnable(tryExec))
        return std::nullopt;
    if (mimeTypes)
        *mimeTypes = mime.split(u';', Qt::SkipEmptyParts);
    return PresentationProgram{name, QFileInfo(path).absoluteFilePath(), exec};
}

std::vector<PresentationProgram> PresentationLauncher::defaultLookup() {
    std::vector<PresentationProgram> programs;
    if (qEnvironmentVariableIsSet("MOSAVELLE_PRESENTATION_APPS")) {
        const QString list = qEnvironmentVariable("MOSAVELLE_PRESENTATION_APPS");
        for (const QString& path : list.split(u':', Qt::SkipEmptyParts))
            if (auto program = readDesktopEntry(path))
                programs.push_back(*program);
        return programs;
    }

    // An entry's desktop ID is its path below the applications folder with '/' as '-'; the
    // first folder that has an ID wins, even when that entry hides the program.
    QStringList seen;
    QStringList ids;
    for (const QString& folder : applicationFolders()) {
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories);
        QStringList found;
        while (it.hasNext())
            found << it.next();
        found.sort();
        for (const QString& path : found) {
            QString id = QDir(folder).relativeFilePath(path);
            id.replace(u'/', u'-');
            if (seen.contains(id))
                continue;
            seen << id;
            QStringList mimeTypes;
            auto program = readDesktopEntry(path, &mimeTypes);
            if (!program || !mimeTypes.contains(QString::fromLatin1(presentationMimeType)))
                continue;
            const QStringList command = commandLine(program->exec, QStringLiteral("x"));
            if (command.isEmpty() || !isRunnable(command.front()))
                continue;
            programs.push_back(*program);
            ids << id;
        }
    }
    const QString preferred = defaultDesktopID();
    const qsizetype index = preferred.isEmpty() ? -1 : ids.indexOf(preferred);
    if (index > 0)
        std::rotate(programs.begin(), programs.begin() + index, programs.begin() + index + 1);
    return programs;
}

QStringList PresentationLauncher::commandLine(const QString& exec, const QString& file) {
    QStringList args;
    bool namedFile = false;
    for (const QString& token : splitExec(exec)) {
        if (token == QStringLiteral("%f") || token == QStringLiteral("%F")) {
            args << file;
            namedFile = true;
            continue;
        }
        if (token == QStringLiteral("%u") || token == QStringLiteral("%U")) {
            args << QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
            namedFile = true;
            continue;
        }
        QString arg;
        for (qsizetype i = 0; i < token.size(); ++i) {
            if (token[i] != u'%' || i + 1 == token.size()) {
                arg += token[i];
            } else if (token[++i] == u'%') {
                arg += u'%';
            }  // any other field code inside an argument is dropped
        }
        if (!arg.isEmpty())
            args << arg;
    }
    if (args.isEmpty())
        return {};
    if (!namedFile)
        args << file;
    return args;
}

std::optional<QString> PresentationLauncher::defaultOpener(const PresentationProgram& program,
                                                           const QString& file) {
    QStringList command = commandLine(program.exec, file);
    if (command.isEmpty() || !isRunnable(command.front()))
        return tr("%1 could not be opened.").arg(program.name);
    const QString executable = command.takeFirst();
    QProcess process;
    process.setProgram(executable);
    process.setArguments(command);
    if (!process.startDetached()) {
        if (process.error() == QProcess::UnknownError || process.errorString().isEmpty())
            return tr("%1 could not open the presentation.").arg(program.name);
        return process.errorString();
    }
    return std::nullopt;
}

}  // namespace mosavelle::app
