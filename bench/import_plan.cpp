// Planning the import of a folder of large photographs, against reading and hashing the same files
// (the least an import must do with each file), measured in the same run, with the ratio printed
// at the end. The corpus is generated at start-up into a temporary folder and removed at exit:
// a few 12-megapixel camera-like JPEGs, copied N times with a distinct comment segment each so
// that every file has its own digest.
//
//   bench-import-plan [--photos=N] [Google Benchmark flags]     (N defaults to 200)

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/import/file_collection.h"
#include "core/import/import_plan.h"
#include "core/import/vips_runtime.h"
#include "core/platform/sha256.h"

namespace {

using namespace mosavelle;
namespace fs = std::filesystem;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kDistinctPhotos = 3;

// A smooth, photo-like RGB picture (Perlin noise per band) saved at quality 92.
std::optional<Bytes> makePhoto(int seed) {
    VipsImage* bands[3] = {};
    for (int b = 0; b < 3; ++b) {
        VipsImage* smooth = nullptr;
        VipsImage* scaled = nullptr;
        if (vips_perlin(&smooth, kWidth, kHeight, "cell_size", 60 + 25 * b, "seed", seed * 3 + b,
                        nullptr) != 0 ||
            vips_linear1(smooth, &scaled, 110.0, 128.0, "uchar", TRUE, nullptr) != 0)
            return std::nullopt;
        g_object_unref(smooth);
        bands[b] = scaled;
    }
    VipsImage* rgb = nullptr;
    const bool joined = vips_bandjoin(bands, &rgb, 3, nullptr) == 0;
    for (VipsImage* band : bands)
        g_object_unref(band);
    if (!joined)
        return std::nullopt;
    VipsImageHandle photo(rgb);
    VipsImage* tagged = nullptr;
    if (vips_copy(photo.get(), &tagged, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr) != 0)
        return std::nullopt;
    VipsImageHandle out(tagged);
    void* buffer = nullptr;
    size_t length = 0;
    if (vips_jpegsave_buffer(out.get(), &buffer, &length, "Q", 92, nullptr) != 0)
        return std::nullopt;
    Bytes bytes(buffer, length);
    g_free(buffer);
    return bytes;
}

// `jpeg` with a comment segment naming `index` right after the start-of-image marker.
Bytes withComment(const Bytes& jpeg, int index) {
    const std::string text = "copy " + std::to_string(index);
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    const std::size_t length = text.size() + 2;
    out.insert(out.end(), {0xFF, 0xFE, std::uint8_t(length >> 8), std::uint8_t(length & 0xFF)});
    out.insert(out.end(), text.begin(), text.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return Bytes(std::move(out));
}

struct Corpus {
    fs::path folder;
    std::vector<fs::path> files;
    std::uintmax_t totalBytes = 0;

    explicit Corpus(int count) {
        folder = fs::temp_directory_path() /
                 ("mosavelle-bench-import-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder);
        if (!ensureVipsStarted())
            return;
        std::vector<Bytes> photos;
        for (int i = 0; i < kDistinctPhotos; ++i)
            if (auto photo = makePhoto(i))
                photos.push_back(*photo);
        if (photos.empty()) {
            std::fprintf(stderr, "cannot make photos: %s\n", vips_error_buffer());
            return;
        }
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "IMG_%04d.jpg", i + 1);
            const Bytes bytes = withComment(photos[i % photos.size()], i);
            if (FILE* f = std::fopen((folder / name).c_str(), "wb")) {
                std::fwrite(bytes.data(), 1, bytes.size(), f);
                std::fclose(f);
                files.push_back(folder / name);
                totalBytes += bytes.size();
            }
        }
    }
    ~Corpus() {
        std::error_code ec;
        fs::remove_all(folder, ec);
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
        auto result = makeImportPlan({corpus->folder}, {}, false, options);
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

// Prints each run and, at the end, every run's time as a multiple of the baseline's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs)
            if (!run.error_occurred)
                times_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    void printRatios() const {
        const auto baseline = std::find_if(times_.begin(), times_.end(), [](const auto& entry) {
            return entry.first.rfind("read+sha256", 0) == 0;
        });
        if (baseline == times_.end() || baseline->second <= 0)
            return;
        std::printf("\nRatio to reading and hashing the same %zu files (%.0f MB):\n",
                    corpus->files.size(), corpus->totalBytes / 1e6);
        for (const auto& [name, time] : times_)
            std::printf("  %-52s %.2f\n", name.c_str(), time / baseline->second);
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    int photos = 200;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--photos=", 9) == 0)
            photos = std::max(1, std::atoi(argv[i] + 9));
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());

    Corpus files(photos);
    if (files.files.empty())
        return 1;
    corpus = &files;
    std::printf("corpus: %zu JPEGs of %dx%d, %.0f MB\n", files.files.size(), kWidth, kHeight,
                files.totalBytes / 1e6);

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
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
