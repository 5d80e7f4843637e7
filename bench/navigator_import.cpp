// Importing a folder of camera-sized photographs through a deck window, offscreen: how long the
// interface thread's event loop ever goes without running (measured by a 5 ms timer probe), how
// long from the drop until the first slide is in the deck and until the import has ended, and
// how long after the first slide until its miniature is ready to paint. Prints figures; nothing
// here is a test.
//
//   bench-navigator-import [--photos=N]   (default 200 photographs of 4000 x 3000)

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/document/document_handle.h"
#include "app/flows/import_flow.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "app/window/content_view.h"
#include "bench_support.h"

namespace {

using namespace mosavelle;
using namespace mosavelle::app;
namespace fs = std::filesystem;

// One turn of the event loop, sleeping until something happens (the 5 ms probe at the latest),
// as the application's own loop does. Returning at once when idle instead would spin one core and
// take it from the workers being measured.
void waitForEvents() {
    QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace

int main(int argc, char** argv) {
    const int photoCount = bench::takeIntArgument(argc, argv, "--photos=", 200, 1);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!ensureVipsStarted())
        return 1;

    bench::ScratchFolder folder{"mosavelle-bench-window-import-"};
    std::vector<Bytes> photos;
    for (int seed = 0; seed < 3; ++seed) {
        bench::PhotoOptions photo;
        photo.seed = seed;
        photo.reduction = 4;
        if (auto bytes = bench::makePhoto(photo))
            photos.push_back(*bytes);
    }
    if (photos.empty()) {
        std::fprintf(stderr, "cannot make photos\n");
        return 1;
    }
    std::uintmax_t totalBytes = 0;
    for (int i = 0; i < photoCount; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d.jpg", i + 1);
        const Bytes bytes = bench::withJpegComment(
            photos[static_cast<std::size_t>(i) % photos.size()], "copy " + std::to_string(i));
        bench::writeBytes(folder.path() / name, bytes);
        totalBytes += bytes.size();
    }

    ThumbnailProvider thumbnails;
    DocumentHandle handle(std::make_unique<MosavelleDocument>(), thumbnails);
    ContentView view(handle);
    view.resize(1280, 800);
    view.show();
    QApplication::processEvents();

    // The probe: the longest time between two turns of the event loop beyond its 5 ms period.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0, longestStall = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestStall = std::max(longestStall, now - lastTick - 5);
        lastTick = now;
    });
    probe.start();

    qint64 deckChanged = -1, firstMiniature = -1, importEnded = -1;
    QObject::connect(&view.importFlow(), &ImportFlow::ended,
                     [&] { importEnded = clock.elapsed(); });
    QObject::connect(&handle, &DocumentHandle::documentChanged, [&](const DocumentChange& change) {
        if (change.kind == DocumentChangeKind::project && deckChanged < 0 &&
            !handle.document().project().slides.empty())
            deckChanged = clock.elapsed();
    });
    QObject::connect(&thumbnails, &ThumbnailProvider::thumbnailReady, [&](const Uuid&) {
        if (firstMiniature < 0 && deckChanged >= 0)
            firstMiniature = clock.elapsed();
    });

    lastTick = clock.elapsed();
    const qint64 dropped = clock.elapsed();
    view.importURLs({folder.path()});  // a folder: answer the subfolder question at once
    while ((firstMiniature < 0 || importEnded < 0) && clock.elapsed() < 600'000) {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() &&
                widget->windowTitle() == QStringLiteral("Include subfolders?"))
                for (QObject* child : widget->findChildren<QObject*>())
                    if (auto* button = qobject_cast<QAbstractButton*>(child);
                        button && button->text() == QStringLiteral("This Folder Only"))
                        button->click();
        waitForEvents();
    }

    std::printf("%d photographs of 4000 x 3000, %.0f MB, imported through a deck window\n",
                photoCount, static_cast<double>(totalBytes) / 1e6);
    std::printf("  longest event-loop stall                 %7lld ms  %s\n",
                static_cast<long long>(longestStall),
                longestStall < 50 ? "within 50 ms" : "OVER 50 ms");
    std::printf("  first slide in the deck after the drop   %7lld ms  %s\n",
                static_cast<long long>(deckChanged - dropped),
                deckChanged - dropped < 300 ? "within 300 ms" : "OVER 300 ms");
    std::printf("  import ended after the drop              %7lld ms\n",
                static_cast<long long>(importEnded - dropped));
    std::printf("  first miniature after the first slide    %7lld ms  %s\n",
                static_cast<long long>(firstMiniature - deckChanged),
                firstMiniature - deckChanged < 1000 ? "within 1 s" : "OVER 1 s");
    std::printf("  slides                                   %7zu\n",
                handle.document().project().slides.size());
    return 0;
}
