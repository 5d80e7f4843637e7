// The cost on the interface thread of one batch of an import's pictures arriving in a large deck
// shown in a window (offscreen): ImportSession::add with every observer of the window (the
// navigator's model and list, the inspector, the preview), and then the turn of the event loop
// that lays out and paints the change. Once for a deck in manual order and once for a deck sorted
// by file name (each batch takes its sorted places). Prints the median and the longest of each;
// the two together should stay far below the 50 ms the event loop may go without running.
//
//   bench-navigator-arrivals [--slides=N] [--batch=B] [--batches=K]
//                            (defaults: 2000 slides, batches of 8 pictures, 40 batches)

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/document/document_handle.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "app/window/content_view.h"
#include "app_bench_support.h"
#include "bench_support.h"
#include "core/editing/import_items.h"
#include "core/editing/ordering.h"

namespace {

using namespace mosavelle;
using namespace mosavelle::app;

// Names spread over the deck, so that a sorted deck takes each batch in several places.
std::string scatteredName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%05d.JPG", (i * 7919) % 100000);
    return name;
}

std::unique_ptr<DocumentHandle> makeDeck(ThumbnailProvider& thumbnails, int slides, SortMode sort,
                                         const Bytes& bytes) {
    Project project;
    ImageDataMap pictures;
    for (int i = 0; i < slides; ++i) {
        SourceImage image;
        image.id = Uuid::random();
        image.originalFileName = scatteredName(i);
        image.pixelWidth = 320;
        image.pixelHeight = 200;
        project.images.push_back(image);
        pictures.emplace(image.id, bytes);
        project.slides.push_back(singleImageSlide(image.id, ""));
    }
    project.sort = sort;
    sortSlides(project);
    auto handle = std::make_unique<DocumentHandle>(
        std::make_unique<MosavelleDocument>(project, std::move(pictures), std::nullopt),
        thumbnails);
    handle->document().setSelectedSlideIDs({project.slides[0].id});
    return handle;
}

std::vector<ImportItem> batchOf(int first, int count, const Bytes& bytes) {
    std::vector<ImportItem> items;
    for (int i = first; i < first + count; ++i) {
        ImportItem item;
        item.originalName = scatteredName(i);
        item.url = item.originalName;
        item.data = bytes;
        item.info.pixelWidth = 320;
        item.info.pixelHeight = 200;
        item.info.uti = "public.png";
        item.sha256 = std::string(64, 'a');
        items.push_back(std::move(item));
    }
    return items;
}

struct Figures {
    std::vector<double> add, turn;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double longest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

Figures measure(ThumbnailProvider& thumbnails, int slides, SortMode sort, int batch, int batches,
                const Bytes& bytes) {
    auto handle = makeDeck(thumbnails, slides, sort, bytes);
    ContentView view(*handle);
    view.resize(1280, 800);
    view.show();
    QApplication::processEvents();
    Figures figures;
    ImportSession session(handle->document());
    QElapsedTimer timer;
    for (int k = 0; k < batches; ++k) {
        const auto items = batchOf(slides + k * batch, batch, bytes);
        timer.start();
        session.add(items);
        figures.add.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        timer.start();
        QApplication::processEvents();
        figures.turn.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    session.cancel();
    QApplication::processEvents();
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const int slides = bench::takeIntArgument(argc, argv, "--slides=", 2000, 1);
    const int batch = bench::takeIntArgument(argc, argv, "--batch=", 8, 1);
    const int batches = bench::takeIntArgument(argc, argv, "--batches=", 40, 1);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ThumbnailProvider thumbnails;
    const Bytes bytes = bench::plainPng();
    std::printf("%d batches of %d pictures arriving in a deck of %d slides, in a window\n", batches,
                batch, slides);
    std::printf("  %-16s %12s %12s %12s %12s\n", "deck", "add median", "add longest", "turn median",
                "turn longest");
    for (const auto& [label, sort] : {std::pair{"manual order", SortMode::manual},
                                      std::pair{"by file name", SortMode::filename}}) {
        const Figures f = measure(thumbnails, slides, sort, batch, batches, bytes);
        std::printf("  %-16s %9.2f ms %9.2f ms %9.2f ms %9.2f ms\n", label, median(f.add),
                    longest(f.add), median(f.turn), longest(f.turn));
    }
    return 0;
}
