#include <QApplication>
#include <QIcon>
#include <cstdio>

#include "app/shell/command_line.h"
#include "app/shell/mosavelle_app.h"
#include "app/shell/termination_signals.h"
#include "app/support/background_job.h"
#include "app/support/translations.h"
#include "core/platform/stored_bytes.h"
#ifdef MOSAVELLE_LAUNCH_PROBES
#include "app/probes/launch_probes.h"
#endif

int main(int argc, char** argv) {
    // --help and --version answer before the window system is touched, so that they work
    // without a display.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const auto early = mosavelle::app::parseCommandLine(raw);
    if (early.showHelp) {
        std::fputs(qPrintable(mosavelle::app::commandLineUsage()), stdout);
        return 0;
    }
    if (early.showVersion) {
        std::printf("mosavelle %s\n", MOSAVELLE_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Mosavelle"));
    QApplication::setApplicationName(QStringLiteral("Mosavelle"));
    QApplication::setApplicationVersion(QStringLiteral(MOSAVELLE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("mosavelle"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/mosavelle/mosavelle.svg")));
    // The interface in the user's language, where the program is translated into it.
    mosavelle::app::installTranslations(app);

    // QApplication has taken its own options (-platform and the like) out of the list.
    const auto request = mosavelle::app::parseCommandLine(QApplication::arguments());
    if (!request.error.isEmpty()) {
        std::fprintf(stderr, "mosavelle: %s\n%s", qPrintable(request.error),
                     qPrintable(mosavelle::app::commandLineUsage()));
        return 1;
    }

    // Pictures staged by runs that were killed go, off the interface thread; those of live runs
    // are locked and stay.
    mosavelle::app::runInBackground([] { mosavelle::removeStaleStagingFolders(); });

    mosavelle::app::MosavelleApp shell;
    // The session ending (or Ctrl-C in a terminal) ends the program through its quit path.
    mosavelle::app::TerminationSignals termination;
    QObject::connect(&termination, &mosavelle::app::TerminationSignals::received, &shell,
                     &mosavelle::app::MosavelleApp::quitWithoutAsking);
#ifdef MOSAVELLE_LAUNCH_PROBES
    mosavelle::app::installLaunchProbes(shell, request);
#endif
    shell.launch(request);
    shell.offerRecovery();
    return app.exec();
}
