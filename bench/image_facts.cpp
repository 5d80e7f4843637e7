// Picture facts per file on a corpus of 12-megapixel JPEGs, against reading the same files' bytes
// (the least an import does with a file), measured in the same run. The corpus is generated at
// start-up into a temporary folder and removed at exit.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/import/detail/vips_runtime.h"
#include "core/import/image_source.h"

#include "bench_support.h"

namespace {

using namespace mosavelle;
namespace fs = std::filesystem;

constexpr int kFiles = 4;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth, photo-like 4000x3000 RGB pictures with grain, saved at quality 90 with an EXIF
// orientation and a resolution, as a camera would write them.
struct Corpus {
    bench::ScratchFolder folder{"mosavelle-bench-"};
    std::vector<fs::path> files;
    std::uintmax_t totalBytes = 0;

    Corpus() {
        if (!ensureVipsStarted())
            return;
        for (int i = 0; i < kFiles; ++i) {
            const fs::path path = folder.path() / ("photo-" + std::to_string(i) + ".jpg");
            bench::PhotoOptions photo;
            photo.width = kWidth;
            photo.height = kHeight;
            photo.seed = i;
            photo.quality = 90;
            photo.grain = 0.04;
            photo.cellSize = 200;
            photo.cellStep = 40;
            photo.contrast = 100;
            photo.orientation = i % 2 == 0 ? 1 : 6;
            photo.pixelsPerInch = 300;
            if (!bench::writePhoto(photo, path))
                continue;
            files.push_back(path);
            totalBytes += fs::file_size(path);
        }
    }
};

const Corpus& corpus() {
    static const Corpus c;
    return c;
}

using bench::readBytes;

void setRate(benchmark::State& state) {
    const auto& c = corpus();
    state.counters["files/s"] = benchmark::Counter(static_cast<double>(c.files.size()),
                                                   benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.totalBytes));
}

// Baseline: read every file's bytes.
void BM_ReadBytes(benchmark::State& state) {
    const auto& c = corpus();
    if (c.files.empty())
        state.SkipWithError("no corpus");
    for (auto _ : state) {
        for (const fs::path& path : c.files) {
            Bytes bytes = readBytes(path);
            benchmark::DoNotOptimize(bytes);
        }
    }
    setRate(state);
}
BENCHMARK(BM_ReadBytes)->Unit(benchmark::kMicrosecond);

// Facts of every file, its bytes already in memory.
void BM_FactsFromMemory(benchmark::State& state) {
    const auto& c = corpus();
    std::vector<Bytes> files;
    for (const fs::path& path : c.files)
        files.push_back(readBytes(path));
    if (files.empty())
        state.SkipWithError("no corpus");
    for (auto _ : state) {
        for (const Bytes& bytes : files) {
            const auto source = openImageSource(bytes);
            ImageInfoResult facts = source->facts();
            benchmark::DoNotOptimize(facts);
        }
    }
    setRate(state);
}
BENCHMARK(BM_FactsFromMemory)->Unit(benchmark::kMicrosecond);

// Read every file's bytes and its facts, as an import does.
void BM_ReadBytesAndFacts(benchmark::State& state) {
    const auto& c = corpus();
    if (c.files.empty())
        state.SkipWithError("no corpus");
    for (auto _ : state) {
        for (const fs::path& path : c.files) {
            const auto source = openImageSource(readBytes(path));
            const auto facts = source ? source->facts() : ImageInfoResult(ImageIOError::unreadable);
            if (const auto* error = std::get_if<ImageIOError>(&facts)) {
                state.SkipWithError(std::string(description(*error)).c_str());
                return;
            }
        }
    }
    setRate(state);
}
BENCHMARK(BM_ReadBytesAndFacts)->Unit(benchmark::kMicrosecond);

// The per-file figures and the facts overhead over reading, after the usual table.
void printSummary(const bench::TimingReporter& times) {
    const auto both = times.find("BM_ReadBytesAndFacts");
    const auto facts = times.find("BM_FactsFromMemory");
    const auto bytes = times.find("BM_ReadBytes");
    const auto& c = corpus();
    if (!both || !facts || !bytes || *bytes <= 0 || c.files.empty())
        return;
    const double files = static_cast<double>(c.files.size());
    std::printf(
        "\n%zu JPEGs of %dx%d, %.1f MB on average, per file: read %.0f us, facts from memory "
        "%.0f us (%.2f times the read), read and facts %.0f us (%.2f times the read)\n",
        c.files.size(), kWidth, kHeight, c.totalBytes / files / 1e6, *bytes / files, *facts / files,
        *facts / *bytes, *both / files, *both / *bytes);
}

}  // namespace

int main(int argc, char** argv) {
    bench::TimingReporter reporter(printSummary);
    return bench::runBenchmarks(argc, argv, reporter, [] {
        corpus();  // generate before any timing
        return true;
    });
}
