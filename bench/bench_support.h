// Pieces every benchmark shares: a console reporter that keeps each run's time for the ratios
// printed after the table, the common main() body, small argument helpers, a scratch folder, and
// a generator of camera-like JPEGs. Header-only: every bench/*.cpp is its own executable.

#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/import/detail/vips_runtime.h"
#include "core/platform/bytes.h"

namespace mosavelle::bench {

namespace fs = std::filesystem;

// The usual console table, plus the adjusted real time of every successful iteration run (per
// iteration, in the benchmark's own time unit), kept in the order the runs finished. A run
// reported again under the same name replaces the earlier time. After the table, `summary` (if
// any) prints the figures derived from those times.
class TimingReporter : public benchmark::ConsoleReporter {
public:
    using Summary = std::function<void(const TimingReporter&)>;

    explicit TimingReporter(Summary summary = {}) : summary_(std::move(summary)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                record(run.benchmark_name(), run.run_name.function_name, run.GetAdjustedRealTime());
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        if (summary_)
            summary_(*this);
    }

    // The time of the run with this full name (e.g. "BM_Copy/400"), or else of the run whose
    // function name it is (without arguments or "/real_time").
    std::optional<double> find(std::string_view name) const {
        for (const Timing& t : times_)
            if (t.name == name)
                return t.time;
        for (const Timing& t : times_)
            if (t.function == name)
                return t.time;
        return std::nullopt;
    }

    // The first recorded run whose full name starts with `prefix`.
    std::optional<std::pair<std::string, double>> findPrefix(std::string_view prefix) const {
        for (const Timing& t : times_)
            if (std::string_view(t.name).substr(0, prefix.size()) == prefix)
                return std::pair{t.name, t.time};
        return std::nullopt;
    }

    // `name`'s time as a multiple of `baseline`'s; none when either is missing or the baseline
    // took no time.
    std::optional<double> ratio(std::string_view name, std::string_view baseline) const {
        const auto a = find(name);
        const auto b = find(baseline);
        if (!a || !b || *b <= 0)
            return std::nullopt;
        return *a / *b;
    }

    // Every (full name, time) in the order the runs finished.
    std::vector<std::pair<std::string, double>> inRunOrder() const {
        std::vector<std::pair<std::string, double>> out;
        for (const Timing& t : times_)
            out.emplace_back(t.name, t.time);
        return out;
    }

    // Every (full name, time) ordered by name.
    std::map<std::string, double> byName() const {
        std::map<std::string, double> out;
        for (const Timing& t : times_)
            out.emplace(t.name, t.time);
        return out;
    }

private:
    struct Timing {
        std::string name;
        std::string function;
        double time = 0;
    };

    void record(std::string name, std::string function, double time) {
        for (Timing& t : times_) {
            if (t.name == name) {
                t.time = time;
                return;
            }
        }
        times_.push_back({std::move(name), std::move(function), time});
    }

    Summary summary_;
    std::vector<Timing> times_;
};

// The whole of a benchmark's main(): parses the Google Benchmark flags (an unknown one is an
// error), runs `prepare` (generate inputs, register benchmarks) before anything is timed, then
// runs the selected benchmarks into `reporter`. Returns the process's exit code; 1 when a flag
// is unknown or `prepare` fails.
inline int runBenchmarks(int argc, char** argv, TimingReporter& reporter,
                         const std::function<bool()>& prepare = {}) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (prepare && !prepare()) {
        benchmark::Shutdown();
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// Removes every `prefix`N argument (e.g. "--photos=") from argv and returns the last N, at least
// `minimum`; `fallback` when there is none. Run it before runBenchmarks, which rejects flags it
// does not know.
inline int takeIntArgument(int& argc, char** argv, std::string_view prefix, int fallback,
                           int minimum) {
    int value = fallback;
    int kept = 0;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::string_view(argv[i]).substr(0, prefix.size()) == prefix)
            value = std::max(minimum, std::atoi(argv[i] + prefix.size()));
        else
            argv[kept++] = argv[i];
    }
    argv[kept] = nullptr;  // argv held argc + 1 entries, so this is still inside it
    argc = kept;
    return value;
}

// A positive count from the environment variable `name`; `fallback` when it is unset or not a
// positive number.
inline int positiveEnvironmentInt(const char* name, int fallback) {
    const char* text = std::getenv(name);
    const int n = text != nullptr ? std::atoi(text) : 0;
    return n > 0 ? n : fallback;
}

// A fresh folder under the system's temporary folder, removed with everything in it when this
// goes away.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix)
        : path_(fs::temp_directory_path() / (prefix + std::to_string(std::random_device{}()))) {
        fs::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// The whole of a file; empty when it cannot be read.
inline Bytes readBytes(const fs::path& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec)
        return Bytes();
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> data(size);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
    return Bytes(std::move(data));
}

// `jpeg` with a comment segment holding `text` right after its start-of-image marker: the same
// picture under its own digest, so that copies of one photo are no duplicates of each other.
inline Bytes withJpegComment(const Bytes& jpeg, const std::string& text) {
    std::vector<std::uint8_t> out(jpeg.begin(),
                                  jpeg.begin() + std::min<std::size_t>(2, jpeg.size()));
    const std::size_t length = text.size() + 2;
    out.insert(out.end(), {0xFF, 0xFE, std::uint8_t(length >> 8), std::uint8_t(length & 0xFF)});
    out.insert(out.end(), text.begin(), text.end());
    if (jpeg.size() > 2)
        out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return Bytes(std::move(out));
}

inline bool writeBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// What a generated photograph looks like. Each band is Perlin noise (smooth structure, roughly
// -1..1) plus Gaussian grain, mapped to 8 bits as 128 + contrast * value. Grain is what makes the
// JPEG as large and as costly to decode as a camera's; without it the file is far smaller.
struct PhotoOptions {
    int width = 4000;
    int height = 3000;
    int seed = 0;                  // distinct seeds give distinct pictures
    int quality = 92;              // JPEG Q, 1..100
    double grain = 0.05;           // standard deviation of the grain; 0 for none
    int cellSize = 160;            // Perlin cell size of the first band, in generated pixels
    int cellStep = 40;             // added to the cell size for each further band
    double contrast = 100;         // gain from noise to 8-bit values
    bool subsampleChroma = false;  // force 4:2:0 chroma (by default libvips keeps full chroma
                                   // from Q 90 up)
    int orientation = 0;           // EXIF orientation to record; 0 records none
    double pixelsPerInch = 0;      // resolution to record; 0 records none
    // Generate structure and grain at 1/`reduction` of the size and enlarge them (structure
    // smoothly, grain tiled): much cheaper for very large pictures and compresses no better.
    // `width` and `height` must be multiples of it.
    int reduction = 1;
};

// `options` as JPEG bytes; none (with the reason in vips_error_buffer()) when libvips fails.
// libvips must have been started (ensureVipsStarted).
inline std::optional<Bytes> makePhoto(const PhotoOptions& options) {
    const int r = std::max(1, options.reduction);
    const int w = options.width / r;
    const int h = options.height / r;
    VipsImage* bands[3] = {};
    bool ok = true;
    for (int b = 0; b < 3 && ok; ++b) {
        VipsImage* coarse = nullptr;
        VipsImage* smooth = nullptr;
        VipsImage* tile = nullptr;
        VipsImage* grain = nullptr;
        VipsImage* sum = nullptr;
        ok = vips_perlin(&coarse, w, h, "cell_size", options.cellSize + options.cellStep * b,
                         "seed", options.seed * 3 + b, nullptr) == 0;
        if (ok && r > 1)
            ok =
                vips_resize(coarse, &smooth, double(r), "kernel", VIPS_KERNEL_LINEAR, nullptr) == 0;
        VipsImage* structure = r > 1 ? smooth : coarse;
        if (ok && options.grain > 0) {
            ok = vips_gaussnoise(&tile, w, h, "sigma", options.grain, "mean", 0.0, "seed",
                                 options.seed * 7 + b + 1000, nullptr) == 0;
            if (ok && r > 1)
                ok = vips_replicate(tile, &grain, r, r, nullptr) == 0;
            ok = ok && vips_add(structure, r > 1 ? grain : tile, &sum, nullptr) == 0;
        }
        VipsImage* source = options.grain > 0 ? sum : structure;
        ok = ok &&
             vips_linear1(source, &bands[b], options.contrast, 128.0, "uchar", TRUE, nullptr) == 0;
        for (VipsImage* image : {coarse, smooth, tile, grain, sum})
            if (image != nullptr)
                g_object_unref(image);
    }
    VipsImage* rgb = nullptr;
    ok = ok && vips_bandjoin(bands, &rgb, 3, nullptr) == 0;
    for (VipsImage* band : bands)
        if (band != nullptr)
            g_object_unref(band);
    if (!ok)
        return std::nullopt;
    VipsImageHandle photo(rgb);
    VipsImage* tagged = nullptr;
    const double perMillimetre = options.pixelsPerInch / 25.4;
    const int copied =
        options.pixelsPerInch > 0
            ? vips_copy(photo.get(), &tagged, "interpretation", VIPS_INTERPRETATION_sRGB, "xres",
                        perMillimetre, "yres", perMillimetre, nullptr)
            : vips_copy(photo.get(), &tagged, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr);
    if (copied != 0)
        return std::nullopt;
    VipsImageHandle out(tagged);
    if (options.orientation > 0)
        vips_image_set_int(out.get(), VIPS_META_ORIENTATION, options.orientation);
    void* buffer = nullptr;
    std::size_t length = 0;
    if (vips_jpegsave_buffer(
            out.get(), &buffer, &length, "Q", options.quality, "subsample_mode",
            options.subsampleChroma ? VIPS_FOREIGN_SUBSAMPLE_ON : VIPS_FOREIGN_SUBSAMPLE_AUTO,
            nullptr) != 0)
        return std::nullopt;
    Bytes bytes(buffer, length);
    g_free(buffer);
    return bytes;
}

// `options` saved as a JPEG file at `path`; false (and a line on stderr) when it cannot be.
inline bool writePhoto(const PhotoOptions& options, const fs::path& path) {
    const auto photo = makePhoto(options);
    if (!photo) {
        std::fprintf(stderr, "cannot make %s: %s\n", path.c_str(), vips_error_buffer());
        vips_error_clear();
        return false;
    }
    if (!writeBytes(path, *photo)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace mosavelle::bench
