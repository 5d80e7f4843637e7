// The slide navigator with a large deck, offscreen: how long the first paint of the list and of
// the grid takes, how long one screenful takes to paint while scrolling, and how many rows a
// one-slide edit makes the model report (it should be one, not the whole list). Pictures carry
// small stored bytes, so miniatures ask the thumbnail provider as they would in the app.

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QThreadPool>
#include <cstdio>
#include <memory>

#include "app/document/document_handle.h"
#include "app/navigator/navigator_view.h"
#include "app/navigator/slide_list_model.h"
#include "app/navigator/slide_list_view.h"
#include "app/support/background_job.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "app_bench_support.h"
#include "bench_support.h"
#include "core/editing/selection.h"
#include "core/editing/slide_operations.h"

namespace {

using namespace mosavelle;
using namespace mosavelle::app;

int slideCount = 10000;

ThumbnailProvider* thumbnails = nullptr;
std::unique_ptr<DocumentHandle> deckHandle;

std::unique_ptr<DocumentHandle> makeDeck() {
    const Bytes bytes = bench::plainPng();

    Project project;
    ImageDataMap pictures;
    for (int i = 0; i < slideCount; ++i) {
        SourceImage image;
        image.id = Uuid::random();
        image.originalFileName = "IMG_" + std::to_string(10000 + i) + ".JPG";
        image.pixelWidth = 320;
        image.pixelHeight = 200;
        project.images.push_back(image);
        pictures.emplace(image.id, bytes);
        Slide slide = singleImageSlide(image.id, "");
        slide.isExcluded = i % 10 == 3;
        project.slides.push_back(std::move(slide));
    }
    return std::make_unique<DocumentHandle>(
        std::make_unique<MosavelleDocument>(project, std::move(pictures), std::nullopt),
        *thumbnails);
}

DocumentHandle& deck() {
    if (!deckHandle)
        deckHandle = makeDeck();
    return *deckHandle;
}

// From show() until the first frame is painted.
void firstPaint(benchmark::State& state, bool grid) {
    for (auto _ : state) {
        NavigatorView navigator(deck());
        navigator.setShowsGrid(grid);
        navigator.resize(280, 800);
        QElapsedTimer timer;
        timer.start();
        navigator.show();
        QApplication::processEvents();
        navigator.currentView().viewport()->repaint();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
}

// One page further down (back to the top at the end), painted at once. The pages' thumbnails are
// made beforehand: decoding runs on worker threads, and on a small machine it would otherwise
// compete with the painting for the processor and be counted as painting.
void scrollScreenful(benchmark::State& state, bool grid) {
    NavigatorView navigator(deck());
    navigator.setShowsGrid(grid);
    navigator.resize(280, 800);
    navigator.show();
    QApplication::processEvents();
    QScrollBar* bar = navigator.currentView().verticalScrollBar();
    for (std::int64_t page = 0; page <= state.max_iterations; ++page) {
        bar->setValue(static_cast<int>(page) * bar->pageStep());
        navigator.currentView().viewport()->repaint();
    }
    backgroundJobPool().waitForDone();
    QApplication::processEvents();
    bar->setValue(0);
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        navigator.currentView().viewport()->repaint();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
}

// Rows the model reports (changed, inserted, removed or moved) for single-slide edits.
void printRowCounts(const bench::TimingReporter& times) {
    DocumentHandle& handle = deck();
    MosavelleDocument& document = handle.document();
    SlideListModel model(handle);
    const Uuid middle = document.project().slides[static_cast<std::size_t>(slideCount / 2)].id;
    const auto count = [&](const char* what, const std::function<void()>& edit) {
        model.resetCounters();
        edit();
        std::printf("  %-46s %7lld rows, %d resets\n", what,
                    static_cast<long long>(model.rowsTouched()), model.resets());
    };
    std::printf(
        "\n%d slides, list and grid 280 x 800 offscreen (wall-clock times; the CPU column "
        "above is the interface thread's own work)\n",
        slideCount);
    for (const char* name : {"firstPaint/list", "firstPaint/grid"})
        if (auto t = times.findPrefix(name))
            std::printf("  %-46s %7.2f ms  %s\n", name, t->second,
                        t->second < 50 ? "within 50 ms" : "OVER 50 ms");
    for (const char* name : {"scrollScreenful/list", "scrollScreenful/grid"})
        if (auto t = times.findPrefix(name))
            std::printf("  %-46s %7.2f ms  %s\n", name, t->second,
                        t->second < 8 ? "within 8 ms" : "OVER 8 ms");
    std::printf("rows reported by the model for one edit:\n");
    count("rename one slide", [&] { renameSlide(document, middle, "Renamed"); });
    count("undo the rename", [&] { handle.undoHistory()->undo(); });
    count("move the middle slide down one place", [&] {
        setSelection(document, {middle});
        moveSelectedSlide(document, +1);
    });
    // Every later slide's number changes, so every later row repaints: expected.
    count("delete the middle slide (later numbers shift)", [&] { deleteSelectedSlides(document); });
}

}  // namespace

int main(int argc, char** argv) {
    slideCount = bench::takeIntArgument(argc, argv, "--slides=", 10000, 100);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    ThumbnailProvider provider;
    thumbnails = &provider;
    bench::TimingReporter reporter(printRowCounts);
    const int status = bench::runBenchmarks(argc, argv, reporter, [] {
        deck();
        benchmark::RegisterBenchmark("firstPaint/list", firstPaint, false)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
        benchmark::RegisterBenchmark("firstPaint/grid", firstPaint, true)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
        benchmark::RegisterBenchmark("scrollScreenful/list", scrollScreenful, false)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(100);
        benchmark::RegisterBenchmark("scrollScreenful/grid", scrollScreenful, true)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(100);
        return true;
    });
    deckHandle.reset();  // before the provider it paints from
    return status;
}
