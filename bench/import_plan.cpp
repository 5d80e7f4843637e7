// Planning the import of a folder of large photographs, against reading and hashing the same files
// (the least an import must do with each file), measured in the same run, with the ratio printed
// at the end. The corpus is generated at start-up into a temporary folder and removed at exit:
// a few 12-megapixel camera-like JPEGs, copied N times with a distinct comment segment each so
// that every file has its own digest.
//
//   bench-import-plan [--photos=N] [Google Benchmark flags]     (N defaults to 200)

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/import/detail/vips_runtime.h"
#include "core/import/file_collection.h"
#include "core/import/import_plan.h"
#include "core/platform/sha256.h"

#include "bench_support.h"

namespace {

using namespace mosavelle;
namespace fs = std::filesystem;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kDistinctPhotos = 3;

struct Corpus {
    bench::ScratchFolder folder{"mosavelle-bench-import-"};
    std::vector<fs::path> files;
    std::uintmax_t totalBytes = 0;

    explicit Corpus(int count) {
        if (!ensureVipsStarted())
            return;
        // Smooth photo-like pictures (Perlin noise per band, no grain) saved at quality 92.
        std::vector<Bytes> photos;
        for (int i = 0; i < kDistinctPhotos; ++i) {
            bench::PhotoOptions photo;
            photo.width = kWidth;
            photo.height = kHeight;
            photo.seed = i;
            photo.quality = 92;
            photo.grain = 0;
            photo.cellSize = 60;
            photo.cellStep = 25;
            photo.contrast = 110;
            if (auto bytes = bench::makePhoto(photo))
                photos.push_back(*bytes);
        }
        if (photos.empty()) {
            std::fprintf(stderr, "cannot make photos: %s\n", vips_error_buffer());
            return;
        }
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "IMG_%04d.jpg", i + 1);
            const Bytes bytes =
                bench::withJpegComment(photos[i % photos.size()], "copy " + std::to_string(i));
            if (bench::writeBytes(folder.path() / name, bytes)) {
                files.push_back(folder.path() / name);
                totalBytes += bytes.size();
            }
        }
    }
};

Corpus* corpus = nullptr;

void readAndHash(benchmark::State& state) {
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const auto& file : corpus->files) {
            const auto data = readWholeFile(file);
            if (!data) {
                state.SkipWithError("cannot read the corpus");
                return;
            }
            benchmark::DoNotOptimize(sha256Hex(*data));
            bytes += data->size();
        }
        state.SetBytesProcessed(state.bytes_processed() + static_cast<std::int64_t>(bytes));
    }
}

void plan(benchmark::State& state) {
    ImportPlanOptions options;
    options.threads = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        auto result = makeImportPlan({corpus->folder.path()}, {}, false, options);
        // The bytes of a plan live on in the document; releasing them is not part of planning.
        state.PauseTiming();
        const bool complete = result && result->items.size() == corpus->files.size();
        result.reset();
        state.ResumeTiming();
        if (!complete) {
            state.SkipWithError("the plan does not hold every photo");
            return;
        }
        state.SetBytesProcessed(state.bytes_processed() +
                                static_cast<std::int64_t>(corpus->totalBytes));
    }
}

// Every run's time as a multiple of the baseline's, after the usual table.
void printRatios(const bench::TimingReporter& times) {
    const auto baseline = times.findPrefix("read+sha256");
    if (!baseline || baseline->second <= 0)
        return;
    std::printf("\nRatio to reading and hashing the same %zu files (%.0f MB):\n",
                corpus->files.size(), corpus->totalBytes / 1e6);
    for (const auto& [name, time] : times.byName())
        std::printf("  %-52s %.2f\n", name.c_str(), time / baseline->second);
}

}  // namespace

int main(int argc, char** argv) {
    const int photos = bench::takeIntArgument(argc, argv, "--photos=", 200, 1);
    std::optional<Corpus> files;
    bench::TimingReporter reporter(printRatios);
    return bench::runBenchmarks(argc, argv, reporter, [&] {
        files.emplace(photos);
        if (files->files.empty())
            return false;
        corpus = &*files;
        std::printf("corpus: %zu JPEGs of %dx%d, %.0f MB\n", files->files.size(), kWidth, kHeight,
                    files->totalBytes / 1e6);
        benchmark::RegisterBenchmark("read+sha256", readAndHash)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(3);
        benchmark::RegisterBenchmark("makeImportPlan/threads", plan)
            ->Arg(1)
            ->Arg(0)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(3);
        return true;
    });
}
