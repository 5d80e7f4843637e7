// Stepping through a deck of 12-megapixel photographs in the slide preview: the time to paint one
// slide once its thumbnail is cached (the arrow-key case), and with a cold cache the time of the
// first paint (which shows what is already cached) and the time until the sharp thumbnail has
// arrived. Painting goes into an offscreen image at the size and pixel ratio of a large window's
// canvas. Figures only; nothing is asserted.

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <memory>
#include <vector>

#include "app/preview/preview_preferences.h"
#include "app/preview/slide_painter.h"
#include "app/thumbnails/thumbnail_provider.h"
#include "bench_support.h"
#include "core/layout/rendered_slide.h"
#include "core/model/document.h"

namespace {

using namespace mosavelle;
using namespace mosavelle::app;

int slideCount = 200;
constexpr int distinctPhotos = 4;    // generated once, shared by pictures of new identifiers
constexpr double pixelRatio = 2.0;   // a high-density screen
const QSizeF windowArea(1400, 900);  // the canvas area of a large deck window

std::unique_ptr<MosavelleDocument> document;
ThumbnailProvider* thumbnails = nullptr;
double zoom = 1.0;

bool prepare() {
    if (!ensureVipsStarted())
        return false;
    std::vector<Bytes> photos;
    for (int seed = 0; seed < distinctPhotos; ++seed) {
        bench::PhotoOptions options;  // 4000 × 3000
        options.seed = seed;
        options.reduction = 4;
        auto photo = bench::makePhoto(options);
        if (!photo)
            return false;
        photos.push_back(*photo);
    }
    Project project;
    ImageDataMap bytes;
    for (int i = 0; i < slideCount; ++i) {
        SourceImage image;
        image.id = Uuid::random();
        image.pixelWidth = 4000;
        image.pixelHeight = 3000;
        image.dpiX = image.dpiY = 300;
        project.images.push_back(image);
        bytes[image.id] = photos[std::size_t(i % distinctPhotos)];
        project.slides.push_back(singleImageSlide(image.id, "Caption"));
    }
    project.appearance.defaultPlacement.mode = SizingMode::fill;
    document = std::make_unique<MosavelleDocument>(project, bytes, std::nullopt);
    zoom = preview_zoom::fitZoom(windowArea, project.appearance.slideSize);
    return true;
}

QImage paintSlide(std::size_t index) {
    const Project& project = document->project();
    const QSizeF canvas = slideCanvasSize(project.appearance.slideSize, zoom);
    QImage image((canvas * pixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    QPainter painter(&image);
    const RenderedSlide rendered = renderSlide(project.slides[index], index, project);
    paintRenderedSlide(painter, rendered, *document, *thumbnails, {zoom, pixelRatio, {}});
    return image;
}

bool sharpOnScreen(std::size_t index) {
    const Project& project = document->project();
    const RenderedSlide rendered = renderSlide(project.slides[index], index, project);
    const InchRect& frame = rendered.pictures.at(0).frame;
    const auto& crop = rendered.pictures[0].crop;
    const double k = 72 * zoom;
    const int pixels =
        thumbnailPixelSize(frame.width * k / (1 - crop.left - crop.right),
                           frame.height * k / (1 - crop.top - crop.bottom), pixelRatio);
    return thumbnails->isReady(project.images[index].id, pixels);
}

void waitUntilSharp(std::size_t index) {
    while (!sharpOnScreen(index))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// Cold cache: the first paint of a slide never seen, then the wait for its sharp thumbnail.
void BM_ColdFirstPaint(benchmark::State& state) {
    std::size_t index = 0;
    double sharpMs = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(paintSlide(index));
        state.PauseTiming();
        QElapsedTimer sharp;
        sharp.start();
        waitUntilSharp(index);
        sharpMs += double(sharp.nsecsElapsed()) / 1e6;
        state.ResumeTiming();
        ++index;
    }
    state.counters["sharp_ms"] = sharpMs / double(std::max<std::size_t>(index, 1));
}
BENCHMARK(BM_ColdFirstPaint)->Iterations(12)->Unit(benchmark::kMillisecond);

// Warm cache: one arrow-key step, i.e. one paint of the next slide.
void BM_CachedStep(benchmark::State& state) {
    for (std::size_t i = 0; i < document->project().slides.size(); ++i) {
        benchmark::DoNotOptimize(paintSlide(i));
        waitUntilSharp(i);
    }
    std::size_t index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(paintSlide(index));
        index = (index + 1) % document->project().slides.size();
    }
}
BENCHMARK(BM_CachedStep)->Unit(benchmark::kMillisecond);

void printSummary(const bench::TimingReporter& times) {
    std::printf("\n%d slides of 4000 x 3000 photos, canvas at zoom %.3f, pixel ratio %.0f\n",
                slideCount, zoom, pixelRatio);
    if (const auto step = times.find("BM_CachedStep"))
        std::printf("Cached step: %.2f ms per slide (a frame at 60 Hz is 16.7 ms)\n", *step);
    if (const auto cold = times.find("BM_ColdFirstPaint"))
        std::printf("Cold first paint: %.2f ms (the sharp picture follows, see sharp_ms)\n", *cold);
}

}  // namespace

int main(int argc, char** argv) {
    slideCount = bench::takeIntArgument(argc, argv, "--slides=", 200, 12);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    ThumbnailProvider provider;
    thumbnails = &provider;
    bench::TimingReporter reporter(printSummary);
    return bench::runBenchmarks(argc, argv, reporter, prepare);
}
