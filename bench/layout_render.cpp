// Time to lay out every slide of a 10,000-slide deck of mixed layouts, against copying the same
// slides (the least any consumer of a deck does with it), measured in the same run; and the same
// layout finding pictures by scanning the list instead of through an index.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/layout/rendered_slide.h"
#include "core/model/image_index.h"
#include "core/model/project.h"

#include "bench_support.h"

namespace {

using namespace mosavelle;

constexpr int deckSize = 10'000;

// A deck as an import and some editing would leave it: every layout, every sizing mode,
// captions on some slides, a few missing and unusable pictures, a logo and slide numbers. The
// slots share `pictureCount` pictures; about 18,000 gives every slot its own.
Project makeDeck(int pictureCount) {
    Project p;
    p.appearance.branding.logoFileName = "logo.png";
    p.appearance.branding.showSlideNumbers = true;
    for (int i = 0; i < pictureCount; ++i) {
        SourceImage image;
        image.id = Uuid::random();
        image.pixelWidth = 800 + (i * 97) % 5200;
        image.pixelHeight = 600 + (i * 61) % 3900;
        image.dpiX = image.dpiY = i % 3 == 0 ? 300 : 72;
        if (i % 50 == 7)
            image.importError = "This file could not be read as an image.";
        p.images.push_back(image);
    }
    const auto layouts = allCases<SlideLayoutKind>();
    const auto modes = allCases<SizingMode>();
    for (int i = 0; i < deckSize; ++i) {
        Slide slide;
        slide.layout = layouts[static_cast<std::size_t>(i) % layouts.size()];
        slide.title = i % 4 == 0 ? "Holiday " + std::to_string(i) : "";
        const int slots = std::max(1, slotCount(slide.layout));
        for (int s = 0; s < slots; ++s) {
            ImageSlot slot = emptySlot();
            if ((i + s) % 97 != 0)
                slot.imageID = p.images[static_cast<std::size_t>(i * 3 + s) % p.images.size()].id;
            if (i % 3 == 0)
                slot.caption = "A caption of moderate length for slot " + std::to_string(s);
            slot.crop = CropAnchor{(s % 3) * 0.5, 0.5};
            slot.id = Uuid::random();
            slide.slots.push_back(slot);
        }
        if (i % 2 == 0) {
            const SizingMode mode = modes[static_cast<std::size_t>(i / 2) % modes.size()];
            slide.placementOverride = Placement{mode, {}, 0, defaultScale(mode)};
        }
        p.slides.push_back(std::move(slide));
    }
    return p;
}

const Project& mixedDeck(int pictureCount) {
    static std::map<int, Project> decks;
    auto it = decks.find(pictureCount);
    if (it == decks.end())
        it = decks.emplace(pictureCount, makeDeck(pictureCount)).first;
    return it->second;
}

// The whole deck as the export lays it out: one picture index, built in the timed loop, then
// every slide.
void BM_RenderEverySlide(benchmark::State& state) {
    const Project& deck = mixedDeck(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const ImageIndex images(deck.images);
        std::size_t index = 0;
        for (const Slide& slide : deck.slides) {
            RenderedSlide r = renderSlide(slide, index++, deck, images);
            benchmark::DoNotOptimize(r);
        }
    }
    state.counters["slides/s"] = benchmark::Counter(static_cast<double>(deck.slides.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RenderEverySlide)->Arg(400)->Arg(18'000)->Unit(benchmark::kMillisecond);

// The same without an index: each slot scans the picture list, so the cost grows with
// slides × pictures. Shows what the index saves.
void BM_RenderEverySlideScanning(benchmark::State& state) {
    const Project& deck = mixedDeck(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::size_t index = 0;
        for (const Slide& slide : deck.slides) {
            RenderedSlide r = renderSlide(slide, index++, deck);
            benchmark::DoNotOptimize(r);
        }
    }
}
BENCHMARK(BM_RenderEverySlideScanning)->Arg(18'000)->Unit(benchmark::kMillisecond);

// Baseline: one copy of each slide record.
void BM_CopyEverySlide(benchmark::State& state) {
    const Project& deck = mixedDeck(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (const Slide& slide : deck.slides) {
            Slide copy = slide;
            benchmark::DoNotOptimize(copy);
        }
    }
    state.counters["slides/s"] = benchmark::Counter(static_cast<double>(deck.slides.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CopyEverySlide)->Arg(400)->Unit(benchmark::kMillisecond);

// The render time as a multiple of the copy time, after the usual table.
void printSummary(const bench::TimingReporter& times) {
    const auto copy = times.find("BM_CopyEverySlide/400");
    if (!copy || *copy <= 0)
        return;
    std::printf("\nCopying the %d slides: %.2f ms\n", deckSize, *copy);
    const auto all = times.byName();
    for (const std::string way : {"BM_RenderEverySlide/", "BM_RenderEverySlideScanning/"}) {
        for (const auto& [name, ms] : all) {
            if (name.rfind(way, 0) != 0)
                continue;
            std::printf(
                "Layout %s with %s pictures: %.2f ms, %.0f slides per second, %.1f "
                "times the copy\n",
                way == "BM_RenderEverySlide/" ? "through an index" : "scanning",
                name.substr(way.size()).c_str(), ms, deckSize / (ms / 1000.0), ms / *copy);
        }
    }
    if (const auto faster =
            times.ratio("BM_RenderEverySlideScanning/18000", "BM_RenderEverySlide/18000"))
        std::printf("With 18000 pictures the index makes layout %.1f times faster\n", *faster);
}

}  // namespace

int main(int argc, char** argv) {
    bench::TimingReporter reporter(printSummary);
    return bench::runBenchmarks(argc, argv, reporter);
}
