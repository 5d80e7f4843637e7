// The deck window with a photographer's deck of camera-sized JPEGs, offscreen, in one process:
//   - from dropping N photographs on the window to the first slide painted in the navigator,
//     and the longest the interface thread's event loop went without running during the import
//     (a 5 ms timer probe), told by the events that ran in it and the time the thread ran or
//     waited for a core in it, beside the time the virtual machine's host took meanwhile;
//   - after the import, a jump to a screenful of slides never shown: how long until every cell
//     shows a picture (an embedded preview or a kept miniature) and until every one is sharp;
//   - the peak resident memory (the kernel's high-water mark, reset once the corpus is made)
//     after the import, after scrolling the navigator end to end, and after an export;
//   - last, the same jump to another screenful once the memory and disk caches are emptied, as a
//     deck reopened without its kept miniatures finds them.
// The photographs carry EXIF thumbnails as camera files do (written with exiftool when it is
// installed) and one in ten is stored turned (orientation 6). Thumbnails are kept in a private
// cache folder, so every run starts without any. Prints figures; nothing here is a test.
//
//   bench-navigator-miniatures [--photos=N]   (default 200)
//   bench-navigator-miniatures --folder=PATH  (the .jpg files in PATH instead, as bench/whole_run
//                                              passes its corpus, to set the app's import beside
//                                              the tool's on the same files)

#include <fcntl.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMetaEnum>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/document/document_handle.h"
#include "app/flows/import_flow.h"
#include "app/navigator/navigator_view.h"
#include "app/navigator/slide_list_model.h"
#include "app/navigator/slide_list_view.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "app/window/content_view.h"
#include "bench_support.h"
#include "core/export/presentation_export.h"
#include "core/import/embedded_preview.h"
#include "core/import/image_decoding.h"
#include "core/layout/thumbnail_disk_cache.h"

namespace {

using namespace mosavelle;
using namespace mosavelle::app;
namespace fs = std::filesystem;

// The process's resident-memory high-water mark, in MB.
double peakMB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// CPU time the calling thread has run, in ms. Between two turns of the probe it is the work the
// interface thread did, without the time it waited for a core: on a shared machine the wall-clock
// stall grows with the load, this does not.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Time the interface thread has spent runnable but waiting for a core, in ms (the kernel's
// scheduler statistics; 0 where they are not kept). Read at every turn of the probe, so the file
// stays open: opening it each time was a good part of the thread's own load.
double threadWaitMs() {
    static const int stats = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    char text[128] = {};
    if (stats < 0 || ::pread(stats, text, sizeof text - 1, 0) <= 0)
        return 0;
    double running = 0, waiting = 0;
    std::sscanf(text, "%lf %lf", &running, &waiting);
    return waiting / 1e6;
}

// CPU time the virtual machine's host took from this machine, all cores, in ms: a stall in
// which the interface thread neither ran nor waited for a core may be this.
double stolenMs() {
    std::ifstream stat("/proc/stat");
    std::string cpu;
    double field[8] = {};
    stat >> cpu;
    for (double& value : field)
        stat >> value;
    return field[7] * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

double loadAverage() {
    double load = 0;
    std::ifstream("/proc/loadavg") >> load;
    return load;
}

// `photo` with an EXIF block holding `orientation` and a 160-pixel thumbnail of its stored grid,
// as a camera writes it; the photo unchanged when exiftool is not there.
Bytes withCameraThumbnail(const Bytes& photo, int orientation, const fs::path& scratch) {
    VipsImage* small = nullptr;
    if (vips_thumbnail_buffer(const_cast<std::uint8_t*>(photo.data()), photo.size(), &small, 160,
                              "no_rotate", TRUE, nullptr) != 0)
        return photo;
    VipsImageHandle thumbnail(small);
    void* buffer = nullptr;
    std::size_t length = 0;
    if (vips_jpegsave_buffer(small, &buffer, &length, "Q", 80, "strip", TRUE, nullptr) != 0)
        return photo;
    bench::writeBytes(scratch / "thumb.jpg", Bytes(buffer, length));
    g_free(buffer);
    bench::writeBytes(scratch / "photo.jpg", photo);
    const std::string command =
        "exiftool -q -overwrite_original -n -Orientation=" + std::to_string(orientation) +
        " '-ThumbnailImage<=" + (scratch / "thumb.jpg").string() + "' '" +
        (scratch / "photo.jpg").string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return photo;
    return bench::readBytes(scratch / "photo.jpg");
}

// Writes `count` photographs into `photos`: four scenes, each also stored turned (one file in ten),
// every file unique. `thumbnails` tells whether they carry EXIF thumbnails.
bool makeCorpus(const fs::path& photos, int count, const fs::path& scratch, bool& thumbnails) {
    fs::create_directories(photos);
    std::vector<Bytes> upright, turned;
    for (int seed = 0; seed < 4; ++seed) {
        bench::PhotoOptions photo;
        photo.seed = seed;
        photo.reduction = 4;
        auto bytes = bench::makePhoto(photo);
        if (!bytes) {
            std::fprintf(stderr, "cannot make photos\n");
            return false;
        }
        upright.push_back(withCameraThumbnail(*bytes, 1, scratch));
        turned.push_back(withCameraThumbnail(*bytes, 6, scratch));
        thumbnails = thumbnails && !(upright.back() == *bytes);
    }
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d.jpg", i + 1);
        const auto& base = i % 10 == 9 ? turned : upright;
        bench::writeBytes(photos / name, bench::withJpegComment(base[std::size_t(i) % base.size()],
                                                                "copy " + std::to_string(i)));
    }
    return true;
}

// The application, timing every event the interface thread handles while `recording`, so that
// the longest stall can be told by what ran in it. Each event's own time leaves out the events
// it dispatched in turn (a paint inside an update request, a nested loop in a modal dialog).
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    struct Handled {
        qint64 start = 0;  // ns on `clock`
        qint64 end = 0;
        qint64 own = 0;
        const char* receiver = "";
        int type = 0;
    };

    QElapsedTimer clock;
    bool recording = false;
    std::vector<Handled> handled;

    bool notify(QObject* receiver, QEvent* event) override {
        if (!recording)
            return QApplication::notify(receiver, event);
        // Read before dispatch: a deferred delete takes the receiver with it.
        Handled entry{clock.nsecsElapsed(), 0, 0, receiver->metaObject()->className(),
                      int(event->type())};
        nested_.push_back(0);
        const bool result = QApplication::notify(receiver, event);
        entry.end = clock.nsecsElapsed();
        entry.own = entry.end - entry.start - nested_.back();
        nested_.pop_back();
        if (!nested_.empty())
            nested_.back() += entry.end - entry.start;
        handled.push_back(entry);
        return result;
    }

    // The events that ran between `from` and `to` (ns) for at least `least` ns of their own.
    void printBetween(qint64 from, qint64 to, qint64 least) const {
        qint64 total = 0;
        for (const Handled& entry : handled)
            if (entry.end > from && entry.start < to) {
                total += entry.own;
                if (entry.own >= least)
                    std::printf("      %6.1f ms own, %6.1f ms in all: %s to %s\n",
                                double(entry.own) / 1e6, double(entry.end - entry.start) / 1e6,
                                QMetaEnum::fromType<QEvent::Type>().valueToKey(entry.type),
                                entry.receiver);
            }
        std::printf("      (%.1f ms of handling in the %.1f ms)\n", double(total) / 1e6,
                    double(to - from) / 1e6);
    }

private:
    std::vector<qint64> nested_;
};

// The .jpg files directly in `folder`, by name.
std::vector<fs::path> picturesIn(const fs::path& folder) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file() && entry.path().extension() == ".jpg")
            out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
}

// Removes every --folder=PATH argument from argv and returns the last PATH; empty when none.
fs::path takeFolderArgument(int& argc, char** argv) {
    const std::string_view prefix = "--folder=";
    fs::path folder;
    int kept = 0;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::string_view(argv[i]).substr(0, prefix.size()) == prefix)
            folder = argv[i] + prefix.size();
        else
            argv[kept++] = argv[i];
    }
    argv[kept] = nullptr;
    argc = kept;
    return folder;
}

// The rows of `view` on screen: first and one past the last.
std::pair<int, int> rowsOnScreen(SlideListView& view) {
    const int count = view.model()->rowCount();
    int first = -1, end = count;
    for (int row = 0; row < count; ++row) {
        const QRect rect = view.visualRect(view.model()->index(row, 0));
        if (first < 0 && rect.bottom() >= 0)
            first = row;
        if (rect.top() >= view.viewport()->height()) {
            end = row;
            break;
        }
    }
    return {std::max(first, 0), end};
}

// How many of the pictures on screen have something to show, and how many are sharp (their own
// size is in memory). Asks exactly as the painting does.
std::pair<int, int> shownAndSharp(SlideListView& view, SlideListModel& model,
                                  ThumbnailProvider& thumbnails, int& total) {
    const auto [first, end] = rowsOnScreen(view);
    int shown = 0, sharp = 0;
    total = 0;
    const ImageDataMap& pictures = model.handle().document().imageData();
    for (int row = first; row < end; ++row) {
        const Slide* slide = model.slideAt(row);
        if (!slide)
            continue;
        const QRect rect = view.visualRect(model.index(row));
        for (const auto& [pictureID, size] :
             view.slideDelegate().miniaturePictures(rect, *slide, view.devicePixelRatioF())) {
            ++total;
            if (!thumbnails.image(model.project(), pictures, pictureID, size).isNull())
                ++shown;
            if (thumbnails.isReady(pictureID, size))
                ++sharp;
        }
    }
    return {shown, sharp};
}

// One turn of the event loop, sleeping until something happens (the 5 ms probe at the latest),
// as the application's own loop does. Returning at once when idle instead would spin one core and
// take it from the workers being measured.
void waitForEvents() {
    QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// How long after a jump every cell on screen showed a picture and every one was sharp (-1: not
// within a minute), and how many pictures the screen holds.
struct Jump {
    qint64 shown = -1;
    qint64 sharp = -1;
    int total = 0;
};

// Scrolls `row` to the top and waits until every picture on screen is sharp.
Jump jumpTo(SlideListView& list, SlideListModel& model, ThumbnailProvider& provider, int row) {
    QElapsedTimer clock;
    list.scrollTo(model.index(row), QAbstractItemView::PositionAtTop);
    clock.start();
    Jump jump;
    while (jump.sharp < 0 && clock.elapsed() < 60'000) {
        waitForEvents();
        const auto [shown, sharp] = shownAndSharp(list, model, provider, jump.total);
        if (jump.shown < 0 && shown == jump.total)
            jump.shown = clock.elapsed();
        if (sharp == jump.total)
            jump.sharp = clock.elapsed();
    }
    return jump;
}

// Empties the thumbnail caches, memory and disk, as a deck reopened after its miniatures were
// deleted finds them.
void emptyThumbnailCaches(SlideListModel& model, ThumbnailProvider& provider) {
    std::vector<Uuid> pictures;
    for (const auto& [id, bytes] : model.handle().document().imageData())
        pictures.push_back(id);
    provider.dropPictures(pictures);
    std::error_code ignored;
    for (const auto& entry :
         fs::recursive_directory_iterator(ThumbnailDiskCache::defaultFolder(), ignored))
        if (entry.is_regular_file(ignored))
            fs::remove(entry.path(), ignored);
}

// The two lines of a jump's figures against their targets.
void printJump(const Jump& jump) {
    std::printf("    every cell shows a picture after        %7lld ms  %s\n",
                static_cast<long long>(jump.shown),
                jump.shown >= 0 && jump.shown <= 150 ? "within 150 ms" : "OVER 150 ms");
    std::printf("    every cell sharp after                  %7lld ms  %s\n",
                static_cast<long long>(jump.sharp),
                jump.sharp >= 0 && jump.sharp <= 1000 ? "within 1 s" : "OVER 1 s");
}

}  // namespace

int main(int argc, char** argv) {
    int photoCount = bench::takeIntArgument(argc, argv, "--photos=", 200, 1);
    const fs::path corpusFolder = takeFolderArgument(argc, argv);
    bench::ScratchFolder folder{"mosavelle-bench-miniatures-"};
    // Before anything opens the thumbnail cache: a private, empty one.
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString((folder.path() / "cache").string()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    app.clock.start();
    if (!ensureVipsStarted())
        return 1;

    // --- The corpus: the given folder's pictures, or four scenes, each also stored turned, with
    // every file unique.
    const fs::path photosFolder = corpusFolder.empty() ? folder.path() / "photos" : corpusFolder;
    bool thumbnails = true;
    if (corpusFolder.empty() && !makeCorpus(photosFolder, photoCount, folder.path(), thumbnails))
        return 1;
    const std::vector<fs::path> photos = picturesIn(photosFolder);
    if (photos.empty()) {
        std::fprintf(stderr, "no .jpg files in %s\n", photosFolder.c_str());
        return 1;
    }
    photoCount = int(photos.size());
    std::uintmax_t totalBytes = 0;
    for (const fs::path& photo : photos)
        totalBytes += fs::file_size(photo);

    // Floors, on this machine now: one picture's embedded preview and its miniature decode, each
    // from bytes in memory, on one thread.
    double previewMs = 0, decodeMs = 0;
    {
        const int samples = std::min(photoCount, 12);
        QElapsedTimer timer;
        for (int i = 0; i < samples; ++i) {
            const Bytes bytes = bench::readBytes(photos[std::size_t(i)]);
            timer.start();
            const bool previewed = readEmbeddedPreview(bytes, 128).has_value();
            previewMs += double(timer.nsecsElapsed()) / 1e6 / samples;
            timer.start();
            const bool decoded = decodeThumbnail(bytes, 128).has_value();
            decodeMs += double(timer.nsecsElapsed()) / 1e6 / samples;
            if (!previewed || !decoded)
                thumbnails = false;
        }
    }

    ThumbnailProvider provider;
    DocumentHandle handle(std::make_unique<MosavelleDocument>(), provider);
    ContentView view(handle);
    view.resize(1280, 800);
    view.show();
    QApplication::processEvents();
    resetPeak();

    // One clock for the probe and the events the application times.
    const QElapsedTimer& clock = app.clock;
    qint64 lastTick = clock.nsecsElapsed(), longestStall = 0;  // ns, ms
    qint64 stallFrom = 0, stallTo = 0;                         // ns: the longest stall so far
    double lastCpu = threadCpuMs(), longestBusy = 0;
    double lastWait = threadWaitMs(), stallWait = 0, stallRun = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 stall = (now - lastTick) / 1'000'000 - 5;
        const double cpuNow = threadCpuMs(), waitNow = threadWaitMs();
        if (stall > longestStall) {
            longestStall = stall;
            stallFrom = lastTick;
            stallTo = now;
            stallRun = cpuNow - lastCpu;
            stallWait = waitNow - lastWait;
        }
        longestBusy = std::max(longestBusy, cpuNow - lastCpu);
        lastCpu = cpuNow;
        lastWait = waitNow;
        lastTick = now;
    });
    probe.start();

    NavigatorView& navigator = view.navigator();
    SlideListView& list = navigator.currentView();
    SlideListModel& model = navigator.model();
    qint64 firstSlide = -1;
    // The first paint of the navigator with a slide in it.
    struct PaintWatch : QObject {
        std::function<void()> painted;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                painted();
            return false;
        }
    } watch;
    watch.painted = [&] {
        if (firstSlide < 0 && model.rowCount() > 0)
            firstSlide = clock.elapsed();
    };
    list.viewport()->installEventFilter(&watch);

    lastTick = clock.nsecsElapsed();
    app.recording = true;
    const double cpuAtDrop = threadCpuMs(), stolenAtDrop = stolenMs();
    const qint64 dropped = clock.elapsed();
    view.importURLs({photosFolder});
    // Slides arrive while the import runs: it has ended once the flow is free again. The folder
    // question is looked for only until it is answered: walking every widget on each turn of the
    // loop would be the benchmark's own load on the interface thread.
    bool answered = false;
    while ((int(handle.document().project().slides.size()) < photoCount ||
            view.importFlow().isBusy()) &&
           clock.elapsed() < 1'200'000) {
        for (QWidget* widget : answered ? QWidgetList() : QApplication::topLevelWidgets())
            if (widget->isVisible() &&
                widget->windowTitle() == QStringLiteral("Include subfolders?"))
                for (QObject* child : widget->findChildren<QObject*>())
                    if (auto* button = qobject_cast<QAbstractButton*>(child);
                        button && button->text() == QStringLiteral("This Folder Only")) {
                        button->click();
                        answered = true;
                    }
        waitForEvents();
    }
    const qint64 imported = clock.elapsed() - dropped;
    const double importCpu = threadCpuMs() - cpuAtDrop;
    const double importStolen = stolenMs() - stolenAtDrop;
    firstSlide -= dropped;
    const qint64 importStall = longestStall;
    const double importBusy = longestBusy;
    const qint64 importStallFrom = stallFrom, importStallTo = stallTo;
    const double importStallRun = stallRun, importStallWait = stallWait;
    app.recording = false;
    // Let the first screenful settle before the jump.
    for (const qint64 settled = clock.elapsed() + 500; clock.elapsed() < settled;)
        waitForEvents();
    const double afterOpen = peakMB();

    // --- A jump to slides never shown: the middle of the deck.
    const Jump jump = jumpTo(list, model, provider, photoCount / 2);
    int total = 0;

    // --- End to end, one screenful at a time, each shown sharp before the next.
    QScrollBar* bar = list.verticalScrollBar();
    bar->setValue(0);
    longestStall = 0;
    longestBusy = 0;
    lastTick = clock.nsecsElapsed();
    const qint64 scrollStart = clock.elapsed();
    for (;;) {
        const qint64 screen = clock.elapsed();
        while (clock.elapsed() - screen < 10'000) {
            waitForEvents();
            const auto [shown, sharp] = shownAndSharp(list, model, provider, total);
            if (sharp == total)
                break;
        }
        if (bar->value() >= bar->maximum())
            break;
        bar->setValue(bar->value() + bar->pageStep());
    }
    const qint64 scrollTime = clock.elapsed() - scrollStart;
    const qint64 scrollStall = longestStall;
    const double scrollBusy = longestBusy;
    const double afterScroll = peakMB();

    // --- An export at the default quality, run here rather than on a worker: the memory is what
    // counts.
    ExportRequest request;
    request.project = handle.document().project();
    request.imageData.insert(handle.document().imageData().begin(),
                             handle.document().imageData().end());
    request.destination = folder.path() / "deck.pptx";
    ExportCancellation cancellation;
    const qint64 exportStart = clock.elapsed();
    const Status exported = exportPresentation(request, {}, cancellation);
    const qint64 exportTime = clock.elapsed() - exportStart;
    const double afterExport = peakMB();

    // --- The same jump in a deck reopened without its kept miniatures: three quarters down, after
    // the memory and disk caches are emptied, so every cell starts from its embedded preview and
    // every sharp miniature is decoded again. Last, so that the figures above keep their meaning.
    emptyThumbnailCaches(model, provider);
    const Jump cold = jumpTo(list, model, provider, photoCount * 3 / 4);

    std::printf("%d photographs of 4000 x 3000 (%.0f MB), %s, one in ten turned; load %.1f\n",
                photoCount, double(totalBytes) / 1e6,
                thumbnails ? "with EXIF thumbnails" : "WITHOUT EXIF thumbnails (no exiftool)",
                loadAverage());
    std::printf("  one picture, one thread: embedded preview %7.1f ms, miniature decode %.1f ms\n",
                previewMs, decodeMs);
    std::printf("  import: deck holds every picture after    %7lld ms\n",
                static_cast<long long>(imported));
    std::printf("    of which the interface thread ran       %7.0f ms\n", importCpu);
    std::printf("  first slide on screen after the drop      %7lld ms  %s\n",
                static_cast<long long>(firstSlide),
                firstSlide < 300 ? "within 300 ms" : "OVER 300 ms");
    std::printf("  longest interface stall during import     %7lld ms  %s\n",
                static_cast<long long>(importStall),
                importStall < 50 ? "within 50 ms" : "OVER 50 ms");
    std::printf("    of which running on its thread          %7.0f ms  %s\n", importBusy,
                importBusy < 50 ? "within 50 ms" : "OVER 50 ms");
    std::printf(
        "    in it, running %.1f ms, waiting for a core %.1f ms (the host took %.0f ms of the "
        "machine's cores during the import); events handled:\n",
        importStallRun, importStallWait, importStolen);
    app.printBetween(importStallFrom, importStallTo, 2'000'000);
    std::printf("  jump to %d pictures never shown:\n", jump.total);
    printJump(jump);
    const double cores = std::max(1u, std::thread::hardware_concurrency());
    std::printf(
        "    against reading their previews on one thread (%.0f ms): %.2f x; decoding them "
        "on all cores (%.0f ms): %.2f x\n",
        jump.total * previewMs, double(jump.shown) / std::max(jump.total * previewMs, 1e-3),
        jump.total * decodeMs / cores,
        double(jump.sharp) / std::max(jump.total * decodeMs / cores, 1e-3));
    std::printf("  the same jump, deck reopened with no miniature kept (%d pictures):\n",
                cold.total);
    printJump(cold);
    std::printf(
        "  scroll end to end, sharp at every stop    %7lld ms  (longest stall %lld ms, of which "
        "running %.0f ms)\n",
        static_cast<long long>(scrollTime), static_cast<long long>(scrollStall), scrollBusy);
    std::printf("  export %s                               %7lld ms\n",
                exported.ok() ? "  " : "FAILED", static_cast<long long>(exportTime));
    std::printf("  peak memory after open                    %7.0f MB\n", afterOpen);
    std::printf("  peak memory after scrolling end to end    %7.0f MB\n", afterScroll);
    std::printf("  peak memory after export                  %7.0f MB  %s\n", afterExport,
                afterExport < 400 ? "under 400 MB" : "OVER 400 MB");
    const auto stats = ThumbnailCache::shared().stats();
    std::printf("  miniatures: %zu decoded, %zu read from disk, %zu embedded previews\n",
                stats.decoded, stats.fromDisk, stats.previews);
    return 0;
}
