#include "app/probes/launch_probes.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <ctime>

#include "app/document/document_handle.h"
#include "app/help/about_window.h"
#include "app/shell/command_line.h"
#include "app/shell/mosavelle_app.h"
#include "app/window/content_view.h"
#include "app/window/document_window.h"
#include "core/editing/selection.h"
#include "core/editing/slide_operations.h"

namespace mosavelle::app {

namespace {

long residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Reports the first paint of a deck window, watching each window as it opens. The time is taken
// when the paint event arrives; the report waits for the next turn so that the frame has reached
// the screen.
class FirstPaintProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!reported_ && event->type() == QEvent::Paint &&
            qobject_cast<DocumentWindow*>(watched) != nullptr) {
            reported_ = true;
            timespec now{};
            clock_gettime(CLOCK_REALTIME, &now);
            const long long ns = static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
            QTimer::singleShot(0, [ns] {
                std::printf("first-paint-realtime-ns %lld\nrss-kb %ld\n", ns, residentKilobytes());
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    bool reported_ = false;
};

void takeScreenshot(MosavelleApp& app, const QString& sheet, const QString& file) {
    DocumentWindow* window = app.windows().isEmpty() ? nullptr : app.windows().first();
    if (window == nullptr) {
        QCoreApplication::exit(1);
        return;
    }
    if (sheet == QLatin1String("help"))
        window->contentView().showHelpSheet();
    if (sheet == QLatin1String("welcome"))
        window->contentView().showWelcomeSheet();
    if (sheet == QLatin1String("about"))
        AboutWindow::showShared();
    if (sheet == QLatin1String("fullscreen"))
        window->contentView().showFullScreenPreview();
    if (sheet == QLatin1String("export"))
        window->contentView().beginExport();
    if (sheet == QLatin1String("deck-settings"))
        window->contentView().showDeckSettings();
    if (sheet == QLatin1String("grid")) {
        // The first two slides grouped side by side, shown in the grid.
        MosavelleDocument& document = window->contentView().handle().document();
        const auto& slides = document.project().slides;
        if (slides.size() >= 2) {
            setSelection(document, SlideIDSet{slides[0].id, slides[1].id});
            groupSelectedSlides(document, SlideLayoutKind::twoUp);
        }
        window->contentView().setShowsGrid(true);
    }
    if (sheet == QLatin1String("apply-placement")) {
        if (auto* button = window->findChild<QPushButton*>(QStringLiteral("applyPlacementToAll")))
            button->click();
    }
    QTimer::singleShot(1200, [file, window] {
        // The union of every visible top-level window: the deck window and what it shows.
        QRect area = window->frameGeometry();
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible())
                area |= top->frameGeometry();
        }
        QScreen* screen = window->screen();
        area &= screen->geometry();
        const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        const bool saved = shot.save(file);
        if (!saved)
            std::fprintf(stderr, "mosavelle: could not write %s\n", qPrintable(file));
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

}  // namespace

bool installLaunchProbes(MosavelleApp& app, const LaunchRequest& request) {
    if (qEnvironmentVariableIntValue("MOSAVELLE_LAUNCH_PROBE") == 1) {
        auto* probe = new FirstPaintProbe(&app);
        QObject::connect(&app, &MosavelleApp::windowOpened, probe,
                         [probe](DocumentWindow* window) { window->installEventFilter(probe); });
        return true;
    }
    const QString sheet = qEnvironmentVariable("MOSAVELLE_SCREENSHOT");
    if (sheet.isEmpty())
        return false;
    const QString file = qEnvironmentVariable("MOSAVELLE_SCREENSHOT_FILE",
                                              QStringLiteral("mosavelle-%1.png").arg(sheet));
    // After the import of the command line (when there is one) and a moment for thumbnails.
    auto start = [&app, sheet, file] {
        QTimer::singleShot(2000, &app, [&app, sheet, file] { takeScreenshot(app, sheet, file); });
    };
    if (!request.imports.isEmpty()) {
        QObject::connect(&app, &MosavelleApp::importFinished, &app, start,
                         Qt::SingleShotConnection);
    } else {
        QObject::connect(&app, &MosavelleApp::windowOpened, &app, start, Qt::SingleShotConnection);
    }
    return true;
}

}  // namespace mosavelle::app
