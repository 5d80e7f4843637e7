#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace mosavelle::app {

// A program that can open presentations, as its desktop entry describes it.
struct PresentationProgram {
    QString name;         // the entry's Name, shown as "Open in " + name
    QString desktopFile;  // absolute path of the .desktop file
    QString exec;         // the entry's Exec line, with its field codes
    friend bool operator==(const PresentationProgram&, const PresentationProgram&) = default;
};

// Finds the installed programs that open presentations and hands a file to one of them.
//
// The lookup and the opener are replaceable functions. The default lookup reads the desktop
// entries of $XDG_DATA_HOME/applications and $XDG_DATA_DIRS/applications that declare the
// presentation MIME type, are not hidden and whose program is installed; the user's default
// program (`xdg-mime query default`) comes first, the others follow in the order found. When the
// environment variable MOSAVELLE_PRESENTATION_APPS is set, its colon-separated desktop files
// are the whole list, taken as they are (so tests see the buttons without real programs). The
// default opener starts the entry's Exec line with the file, detached.
//
// The lookup runs programs and reads files: call `availablePrograms` off the interface thread.
// `open` only starts a process and may run on the interface thread.
class PresentationLauncher {
    Q_DECLARE_TR_FUNCTIONS(PresentationLauncher)

public:
    static constexpr const char* presentationMimeType =
        "application/vnd.openxmlformats-officedocument.presentationml.presentation";

    using Lookup = std::function<std::vector<PresentationProgram>()>;
    // Returns the reason when the program could not be started, nothing on success.
    using Opener =
        std::function<std::optional<QString>(const PresentationProgram&, const QString& file)>;

    PresentationLauncher();  // the default lookup and opener
    PresentationLauncher(Lookup lookup, Opener opener);

    std::vector<PresentationProgram> availablePrograms() const { return lookup_(); }
    const Lookup& lookup() const { return lookup_; }

    // "Show in Folder", one "Open in NAME" per program in order, then "OK".
    static QStringList buttonTitles(const std::vector<PresentationProgram>& programs);

    // Hands `file` to `program`; the reason it failed, or nothing.
    std::optional<QString> open(const PresentationProgram& program, const QString& file) const {
        return opener_(program, file);
    }

    // --- The default pieces, public for tests.
    // Reads one desktop entry; nothing when it is not an application entry with a Name and Exec.
    static std::optional<PresentationProgram> readDesktopEntry(const QString& path,
                                                               QStringList* mimeTypes = nullptr);
    static std::vector<PresentationProgram> defaultLookup();
    // The arguments to start, the first being the program: field codes %f %F %u %U become the
    // file (as a path or a file URL), other field codes are dropped, "%%" is a percent sign; the
    // file is appended when the line names no file code. Empty when the line has no program.
    static QStringList commandLine(const QString& exec, const QString& file);
    static std::optional<QString> defaultOpener(const PresentationProgram& program,
                                                const QString& file);

private:
    Lookup lookup_;
    Opener opener_;
};

}  // namespace mosavelle::app
