// Thumbnails and balanced re-encoding on a corpus of 12-megapixel photographs, each against the
// `vipsthumbnail` command doing the same work on the same files in the same run:
//   - 512-pixel thumbnails (ours: read the file, decode an upright RGBA thumbnail);
//   - balanced re-encoding of a picture placed 5 inches wide (ours: encodePicture, 1920 pixels on
//     the long side at quality 0.85; the command: 1920-pixel box at Q=85, metadata stripped);
//   - a deck of 200 photographs shown at 512 pixels through the asynchronous thumbnail cache
//     (its whole pool, bytes already in memory as in an open document): the time to the first
//     thumbnail and to all of them, with an empty disk cache (cold: every picture decoded and
//     written to disk) and a filled one (warm: a reopened deck, nothing decoded), against the
//     command making the same 200 thumbnails in one process and making one.
// The command handles the whole corpus in one process, so its start-up is spread over the files.
// The corpus is generated at start-up into a temporary folder and removed at exit; half of the
// photographs carry EXIF orientation 6, so both sides turn pictures upright.

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/export/picture_encoding.h"
#include "core/import/detail/vips_runtime.h"
#include "core/import/image_decoding.h"
#include "core/layout/thumbnail_cache.h"
#include "core/layout/thumbnail_disk_cache.h"
#include "core/platform/sha256.h"

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

int deckSize() {
    return bench::positiveEnvironmentInt("MOSAVELLE_BENCH_DECK", 200);
}

// The deck: the corpus's photographs repeated until there are `deckSize()`, each copy made
// distinct (its own bytes and SHA-256, the same decoding work) by a comment segment after the
// start-of-image marker. Written to disk for the command; held in memory for the cache.
struct Deck {
    fs::path folder = corpus().folder.path() / "deck";
    fs::path output = corpus().folder.path() / "deck-out";
    std::vector<fs::path> files;
    std::vector<ThumbnailCache::Request> requests;

    Deck() {
        fs::create_directories(folder);
        fs::create_directories(output);
        const auto& sources = corpus().files;
        for (int i = 0; i < deckSize() && !sources.empty(); ++i) {
            const Bytes source = readBytes(sources[std::size_t(i) % sources.size()]);
            if (source.size() < 2)
                continue;
            const fs::path path = folder / ("deck-" + std::to_string(i) + ".jpg");
            Bytes bytes = bench::withJpegComment(source, "deck photo " + std::to_string(i));
            if (!bench::writeBytes(path, bytes))
                continue;
            files.push_back(path);
            const std::string digest = sha256Hex(bytes);
            requests.push_back({Uuid::random(), std::move(bytes), digest, 512, 0});
        }
    }

    std::string command() const {
        std::string line = "vipsthumbnail -s 512 -o '" + (output / "%s").string() + ".jpg'";
        for (const fs::path& file : files)
            line += " '" + file.string() + "'";
        return line + " 2>/dev/null";
    }
};

const Deck& deck() {
    static const Deck d;
    return d;
}

struct DeckTimes {
    double firstSeconds = 0;
    double allSeconds = 0;
    ThumbnailCache::Stats made;
};

// Asks a fresh cache (empty memory, disk cache in `diskFolder`) for every picture of the deck and
// waits for the answers. The cache runs at normal priority here, like the command it is compared
// with; in the application it yields to everything else. Its disk writes finish before it goes.
std::optional<DeckTimes> showDeck(const fs::path& diskFolder) {
    using Clock = std::chrono::steady_clock;
    auto cache = std::make_unique<ThumbnailCache>(ThumbnailCache::Options{
        .disk = std::make_shared<ThumbnailDiskCache>(diskFolder), .lowPriority = false});
    std::mutex mutex;
    std::condition_variable answered;
    std::size_t answers = 0, failures = 0;
    Clock::time_point first;
    const auto start = Clock::now();
    for (const auto& request : deck().requests) {
        cache->request(
            request, [](std::function<void()> task) { task(); },
            [&](ThumbnailImage image) {
                std::lock_guard lock(mutex);
                if (answers++ == 0)
                    first = Clock::now();
                failures += image ? 0 : 1;
                answered.notify_all();
            });
    }
    std::unique_lock lock(mutex);
    answered.wait(lock, [&] { return answers == deck().requests.size(); });
    DeckTimes times;
    times.allSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    times.firstSeconds = std::chrono::duration<double>(first - start).count();
    lock.unlock();
    times.made = cache->stats();
    cache.reset();
    if (failures != 0)
        return std::nullopt;
    return times;
}

bool haveDeck(benchmark::State& state) {
    if (deck().requests.empty()) {
        state.SkipWithError("no deck");
        return false;
    }
    return true;
}

void report(benchmark::State& state, const DeckTimes& times) {
    state.SetIterationTime(times.allSeconds);
    state.counters["first_ms"] = times.firstSeconds * 1e3;
    state.counters["decoded"] = double(times.made.decoded);
    state.counters["from_disk"] = double(times.made.fromDisk);
}

// Figures of the last deck runs, for the summary.
DeckTimes coldDeck, warmDeck;

void BM_DeckColdDisk(benchmark::State& state) {
    if (!haveDeck(state))
        return;
    for (auto _ : state) {
        bench::ScratchFolder disk("mosavelle-bench-disk-");
        auto times = showDeck(disk.path());
        if (!times) {
            state.SkipWithError("thumbnail failed");
            return;
        }
        coldDeck = *times;
        report(state, *times);
    }
}
BENCHMARK(BM_DeckColdDisk)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

void BM_DeckWarmDisk(benchmark::State& state) {
    if (!haveDeck(state))
        return;
    bench::ScratchFolder disk("mosavelle-bench-disk-");
    if (!showDeck(disk.path())) {  // fills the disk cache, untimed
        state.SkipWithError("thumbnail failed");
        return;
    }
    for (auto _ : state) {
        auto times = showDeck(disk.path());
        if (!times) {
            state.SkipWithError("thumbnail failed");
            return;
        }
        warmDeck = *times;
        report(state, *times);
    }
}
BENCHMARK(BM_DeckWarmDisk)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_DeckCommand(benchmark::State& state) {
    if (!haveDeck(state))
        return;
    const std::string line = deck().command();
    for (auto _ : state) {
        if (std::system(line.c_str()) != 0) {
            state.SkipWithError("vipsthumbnail failed (is libvips-tools installed?)");
            return;
        }
    }
}
BENCHMARK(BM_DeckCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The command making the first thumbnail of the deck alone, start-up included.
void BM_DeckFirstCommand(benchmark::State& state) {
    if (!haveDeck(state))
        return;
    const std::string line = "vipsthumbnail -s 512 -o '" + (deck().output / "%s").string() +
                             ".jpg' '" + deck().files.front().string() + "' 2>/dev/null";
    for (auto _ : state) {
        if (std::system(line.c_str()) != 0) {
            state.SkipWithError("vipsthumbnail failed (is libvips-tools installed?)");
            return;
        }
    }
}
BENCHMARK(BM_DeckFirstCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

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

    const auto command = times.find("BM_DeckCommand");
    const auto firstCommand = times.find("BM_DeckFirstCommand");
    if (!command || !firstCommand || *command <= 0 || *firstCommand <= 0)
        return;
    const std::size_t size = deck().requests.size();
    std::printf("\n%zu-photo deck at 512 px (vipsthumbnail: all %.0f ms, one file %.0f ms)\n", size,
                *command, *firstCommand);
    const auto line = [&](const char* what, const char* name, const DeckTimes& deckTimes) {
        if (!times.find(name))
            return;
        std::printf(
            "%s disk cache: first thumbnail %.1f ms (ratio %.3f), all %.0f ms (ratio %.2f); "
            "%zu decoded, %zu from disk\n",
            what, deckTimes.firstSeconds * 1e3, deckTimes.firstSeconds * 1e3 / *firstCommand,
            deckTimes.allSeconds * 1e3, deckTimes.allSeconds * 1e3 / *command,
            deckTimes.made.decoded, deckTimes.made.fromDisk);
    };
    line("cold", "BM_DeckColdDisk", coldDeck);
    line("warm", "BM_DeckWarmDisk", warmDeck);
}

}  // namespace

int main(int argc, char** argv) {
    bench::TimingReporter reporter(printSummary);
    return bench::runBenchmarks(argc, argv, reporter, [] {
        corpus();  // generate before any timing
        deck();
        return true;
    });
}
