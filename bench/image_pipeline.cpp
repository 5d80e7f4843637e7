// Thumbnails and balanced re-encoding on a corpus of 12-megapixel photographs, each against the
// `vipsthumbnail` command doing the same work on the same files in the same run:
//   - 512-pixel thumbnails (ours: read the file, decode an upright RGBA thumbnail);
//   - balanced re-encoding of a picture placed 5 inches wide (ours: encodePicture, 1920 pixels on
//     the long side at quality 0.85; the command: 1920-pixel box at Q=85, metadata stripped).
// The command handles the whole corpus in one process, so its start-up is spread over the files.
// The corpus is generated at start-up into a temporary folder and removed at exit; half of the
// photographs carry EXIF orientation 6, so both sides turn pictures upright.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/export/picture_encoding.h"
#include "core/import/image_decoding.h"
#include "core/import/detail/vips_runtime.h"

#include "bench_support.h"

namespace {

using namespace mosavelle;
namespace fs = std::filesystem;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr double kPlacedInches = 5;  // balanced target: max(750, 1920) = 1920

int corpusSize() {
    return bench::positiveEnvironmentInt("MOSAVELLE_BENCH_PHOTOS", 6);
}

// Photo-like 4000x3000 pictures: smooth Perlin structure per band plus fine grain, so that the
// JPEG is about as costly to decode as a camera's. Saved at quality 92 with 4:2:0 chroma.
struct Corpus {
    bench::ScratchFolder folder{"mosavelle-bench-pipeline-"};
    fs::path output = folder.path() / "out";  // where the command writes
    std::vector<fs::path> files;
    std::uintmax_t totalBytes = 0;

    Corpus() {
        fs::create_directories(output);
        if (!ensureVipsStarted())
            return;
        for (int i = 0; i < corpusSize(); ++i) {
            const fs::path path = folder.path() / ("photo-" + std::to_string(i) + ".jpg");
            bench::PhotoOptions photo;
            photo.width = kWidth;
            photo.height = kHeight;
            photo.seed = i;
            photo.quality = 92;
            photo.subsampleChroma = true;
            photo.grain = 0.06;
            photo.cellSize = 160;
            photo.cellStep = 50;
            photo.contrast = 110;
            photo.orientation = i % 2 == 0 ? 1 : 6;
            if (!bench::writePhoto(photo, path))
                continue;
            files.push_back(path);
            totalBytes += fs::file_size(path);
        }
    }

    // One `vipsthumbnail` process over every file of the corpus.
    std::string command(int size, const char* format) const {
        std::string line = "vipsthumbnail -s " + std::to_string(size) + " -o '" +
                           (output / "%s").string() + format + "'";
        for (const fs::path& file : files)
            line += " '" + file.string() + "'";
        return line + " 2>/dev/null";
    }
};

const Corpus& corpus() {
    static const Corpus c;
    return c;
}

using bench::readBytes;

bool haveCorpus(benchmark::State& state) {
    if (corpus().files.empty()) {
        state.SkipWithError("no corpus");
        return false;
    }
    return true;
}

void setRate(benchmark::State& state) {
    state.counters["files/s"] = benchmark::Counter(static_cast<double>(corpus().files.size()),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void runCommand(benchmark::State& state, int size, const char* format) {
    const std::string line = corpus().command(size, format);
    for (auto _ : state) {
        if (std::system(line.c_str()) != 0) {
            state.SkipWithError("vipsthumbnail failed (is libvips-tools installed?)");
            return;
        }
    }
    setRate(state);
}

void BM_Thumbnail512(benchmark::State& state) {
    if (!haveCorpus(state))
        return;
    for (auto _ : state) {
        for (const fs::path& path : corpus().files) {
            auto thumbnail = decodeThumbnail(readBytes(path), 512);
            if (!thumbnail) {
                state.SkipWithError("thumbnail failed");
                return;
            }
            benchmark::DoNotOptimize(thumbnail->pixels.data());
        }
    }
    setRate(state);
}
BENCHMARK(BM_Thumbnail512)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Thumbnail512Command(benchmark::State& state) {
    if (haveCorpus(state))
        runCommand(state, 512, ".jpg");
}
BENCHMARK(BM_Thumbnail512Command)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodeBalanced(benchmark::State& state) {
    if (!haveCorpus(state))
        return;
    SourceImage jpeg;
    jpeg.uti = "public.jpeg";
    for (auto _ : state) {
        for (const fs::path& path : corpus().files) {
            auto encoded =
                encodePicture(readBytes(path), kPlacedInches, jpeg, QualityPreset::balanced);
            if (!encoded) {
                state.SkipWithError("encoding failed");
                return;
            }
            benchmark::DoNotOptimize(encoded->data.data());
        }
    }
    setRate(state);
}
BENCHMARK(BM_EncodeBalanced)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodeBalancedCommand(benchmark::State& state) {
    if (haveCorpus(state))
        runCommand(state, 1920, ".jpg[Q=85,strip]");
}
BENCHMARK(BM_EncodeBalancedCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

// Per-file figures and each ratio to its command baseline, after the usual table.
void printSummary(const bench::TimingReporter& times) {
    const auto& c = corpus();
    if (c.files.empty())
        return;
    const double files = static_cast<double>(c.files.size());
    std::printf("\n%zu JPEGs of %dx%d, %.1f MB on average\n", c.files.size(), kWidth, kHeight,
                c.totalBytes / files / 1e6);
    const auto compare = [&](const char* what, const char* ours, const char* baseline) {
        const auto a = times.find(ours);
        const auto b = times.find(baseline);
        if (!a || !b || *b <= 0)
            return;
        std::printf("%s: %.1f ms per file, vipsthumbnail %.1f ms per file, ratio %.2f\n", what,
                    *a / files, *b / files, *a / *b);
    };
    compare("512-px thumbnails", "BM_Thumbnail512", "BM_Thumbnail512Command");
    compare("balanced re-encoding", "BM_EncodeBalanced", "BM_EncodeBalancedCommand");
}

}  // namespace

int main(int argc, char** argv) {
    bench::TimingReporter reporter(printSummary);
    return bench::runBenchmarks(argc, argv, reporter, [] {
        corpus();  // generate before any timing
        return true;
    });
}
