// Picture facts per file on a corpus of 12-megapixel JPEGs, against reading the same files' bytes
// (the least an import does with a file), measured in the same run. The corpus is generated at
// start-up into a temporary folder and removed at exit.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/import/image_info.h"
#include "core/import/vips_runtime.h"

namespace {

using namespace mosavelle;
namespace fs = std::filesystem;

constexpr int kFiles = 4;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// A smooth, photo-like 4000x3000 RGB picture (Perlin noise per band plus grain), saved at quality
// 90 with an EXIF orientation and a resolution, as a camera would write it.
bool writePhoto(const fs::path& path, int seed) {
    VipsImage* bands[3] = {};
    for (int b = 0; b < 3; ++b) {
        VipsImage* smooth = nullptr;
        VipsImage* grain = nullptr;
        VipsImage* sum = nullptr;
        VipsImage* scaled = nullptr;
        if (vips_perlin(&smooth, kWidth, kHeight, "cell_size", 200 + 40 * b, "seed", seed * 3 + b,
                        nullptr) != 0 ||
            vips_gaussnoise(&grain, kWidth, kHeight, "mean", 0.0, "sigma", 0.04, "seed",
                            seed * 3 + b, nullptr) != 0 ||
            vips_add(smooth, grain, &sum, nullptr) != 0 ||
            vips_linear1(sum, &scaled, 100.0, 128.0, "uchar", TRUE, nullptr) != 0) {
            return false;
        }
        g_object_unref(smooth);
        g_object_unref(grain);
        g_object_unref(sum);
        bands[b] = scaled;
    }
    VipsImage* rgb = nullptr;
    const bool joined = vips_bandjoin(bands, &rgb, 3, nullptr) == 0;
    for (VipsImage* band : bands)
        g_object_unref(band);
    if (!joined)
        return false;
    VipsImageHandle photo(rgb);
    VipsImage* tagged = nullptr;
    if (vips_copy(photo.get(), &tagged, "interpretation", VIPS_INTERPRETATION_sRGB, "xres",
                  300 / 25.4, "yres", 300 / 25.4, nullptr) != 0) {
        return false;
    }
    VipsImageHandle out(tagged);
    vips_image_set_int(out.get(), VIPS_META_ORIENTATION, seed % 2 == 0 ? 1 : 6);
    return vips_jpegsave(out.get(), path.c_str(), "Q", 90, nullptr) == 0;
}

struct Corpus {
    fs::path folder;
    std::vector<fs::path> files;
    std::uintmax_t totalBytes = 0;

    Corpus() {
        folder = fs::temp_directory_path() /
                 ("mosavelle-bench-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder);
        if (!ensureVipsStarted())
            return;
        for (int i = 0; i < kFiles; ++i) {
            const fs::path path = folder / ("photo-" + std::to_string(i) + ".jpg");
            if (!writePhoto(path, i)) {
                std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), vips_error_buffer());
                continue;
            }
            files.push_back(path);
            totalBytes += fs::file_size(path);
        }
    }
    ~Corpus() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

const Corpus& corpus() {
    static const Corpus c;
    return c;
}

Bytes readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> data(fs::file_size(path));
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return Bytes(std::move(data));
}

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
            ImageInfoResult facts = readImageInfo(*source);
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
            const auto facts =
                source ? readImageInfo(*source) : ImageInfoResult(ImageIOError::unreadable);
            if (const auto* error = std::get_if<ImageIOError>(&facts)) {
                state.SkipWithError(std::string(description(*error)).c_str());
                return;
            }
        }
    }
    setRate(state);
}
BENCHMARK(BM_ReadBytesAndFacts)->Unit(benchmark::kMicrosecond);

// Prints the usual table, then the per-file figures and the facts overhead over reading.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                micros_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto both = micros_.find("BM_ReadBytesAndFacts");
        const auto facts = micros_.find("BM_FactsFromMemory");
        const auto bytes = micros_.find("BM_ReadBytes");
        const auto& c = corpus();
        if (both == micros_.end() || facts == micros_.end() || bytes == micros_.end() ||
            bytes->second <= 0 || c.files.empty())
            return;
        const double files = static_cast<double>(c.files.size());
        std::printf(
            "\n%zu JPEGs of %dx%d, %.1f MB on average, per file: read %.0f us, facts from memory "
            "%.0f us (%.2f times the read), read and facts %.0f us (%.2f times the read)\n",
            c.files.size(), kWidth, kHeight, c.totalBytes / files / 1e6, bytes->second / files,
            facts->second / files, facts->second / bytes->second, both->second / files,
            both->second / bytes->second);
    }

private:
    std::map<std::string, double> micros_;  // adjusted real time per iteration, in us
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    corpus();  // generate before any timing
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
