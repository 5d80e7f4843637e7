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
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/export/picture_encoding.h"
#include "core/import/image_decoding.h"
#include "core/import/vips_runtime.h"

namespace {

using namespace mosavelle;
namespace fs = std::filesystem;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr double kPlacedInches = 5;  // balanced target: max(750, 1920) = 1920

int corpusSize() {
    const char* text = std::getenv("MOSAVELLE_BENCH_PHOTOS");
    const int n = text != nullptr ? std::atoi(text) : 0;
    return n > 0 ? n : 6;
}

// A photo-like 4000x3000 picture: smooth Perlin structure per band plus fine grain, so that the
// JPEG is about as costly to decode as a camera's. Saved at quality 92 with 4:2:0 chroma.
bool writePhoto(const fs::path& path, int seed) {
    VipsImage* bands[3] = {};
    bool ok = true;
    for (int b = 0; b < 3 && ok; ++b) {
        VipsImage* smooth = nullptr;
        VipsImage* grain = nullptr;
        VipsImage* sum = nullptr;
        ok = vips_perlin(&smooth, kWidth, kHeight, "cell_size", 160 + 50 * b, "seed", seed * 3 + b,
                         nullptr) == 0 &&
             vips_gaussnoise(&grain, kWidth, kHeight, "sigma", 0.06, "mean", 0.0, "seed",
                             seed * 7 + b, nullptr) == 0 &&
             vips_add(smooth, grain, &sum, nullptr) == 0 &&
             vips_linear1(sum, &bands[b], 110.0, 128.0, "uchar", TRUE, nullptr) == 0;
        for (VipsImage* image : {smooth, grain, sum})
            if (image != nullptr)
                g_object_unref(image);
    }
    VipsImage* rgb = nullptr;
    ok = ok && vips_bandjoin(bands, &rgb, 3, nullptr) == 0;
    for (VipsImage* band : bands)
        if (band != nullptr)
            g_object_unref(band);
    if (!ok)
        return false;
    VipsImageHandle photo(rgb);
    VipsImage* tagged = nullptr;
    if (vips_copy(photo.get(), &tagged, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr) != 0)
        return false;
    VipsImageHandle out(tagged);
    vips_image_set_int(out.get(), VIPS_META_ORIENTATION, seed % 2 == 0 ? 1 : 6);
    return vips_jpegsave(out.get(), path.c_str(), "Q", 92, "subsample_mode",
                         VIPS_FOREIGN_SUBSAMPLE_ON, nullptr) == 0;
}

struct Corpus {
    fs::path folder;
    fs::path output;  // where the command writes
    std::vector<fs::path> files;
    std::uintmax_t totalBytes = 0;

    Corpus() {
        folder = fs::temp_directory_path() /
                 ("mosavelle-bench-pipeline-" + std::to_string(std::random_device{}()));
        output = folder / "out";
        fs::create_directories(output);
        if (!ensureVipsStarted())
            return;
        for (int i = 0; i < corpusSize(); ++i) {
            const fs::path path = folder / ("photo-" + std::to_string(i) + ".jpg");
            if (!writePhoto(path, i)) {
                std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), vips_error_buffer());
                vips_error_clear();
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

Bytes readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    return Bytes(std::move(data));
}

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

// Prints the usual table, then per-file figures and each ratio to its command baseline.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                millis_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto& c = corpus();
        if (c.files.empty())
            return;
        const double files = static_cast<double>(c.files.size());
        std::printf("\n%zu JPEGs of %dx%d, %.1f MB on average\n", c.files.size(), kWidth, kHeight,
                    c.totalBytes / files / 1e6);
        compare("512-px thumbnails", "BM_Thumbnail512", "BM_Thumbnail512Command", files);
        compare("balanced re-encoding", "BM_EncodeBalanced", "BM_EncodeBalancedCommand", files);
    }

private:
    void compare(const char* what, const std::string& ours, const std::string& baseline,
                 double files) const {
        const auto a = millis_.find(ours);
        const auto b = millis_.find(baseline);
        if (a == millis_.end() || b == millis_.end() || b->second <= 0)
            return;
        std::printf("%s: %.1f ms per file, vipsthumbnail %.1f ms per file, ratio %.2f\n", what,
                    a->second / files, b->second / files, a->second / b->second);
    }

    std::map<std::string, double> millis_;  // adjusted real time per iteration, in ms
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
