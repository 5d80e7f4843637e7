// Memory of large decks: peak resident memory of `mosavelle-cli make` and `export` at every
// quality on a smaller and a larger corpus of camera-sized photographs, the ratio of the two
// (memory must not grow with the number of pictures), and opening the larger project and laying
// out every slide (time and memory).
//
//   bench-large-deck [--small=N] [--large=N]      (defaults 200 and 2000)
//
// The corpus is made once under $MOSAVELLE_BENCH_DIR (default build-bench/ under the source
// tree) and reused: one generated 12-megapixel photograph, each copy given its own digest by a
// comment segment, so the larger corpus costs its disk space (about 3.5 MB a picture) but no
// encoding time; the smaller corpus is hard links to the first pictures of the larger one. Every
// command runs as a child process; its peak resident memory comes from wait4's usage record. Set
// MOSAVELLE_CLI to time a tool other than the one built beside the benchmark.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/import/detail/vips_runtime.h"
#include "core/layout/rendered_slide.h"
#include "core/model/image_index.h"
#include "core/model/package.h"

namespace mosavelle::bench {
namespace {

struct ChildRun {
    bool ok = false;
    double seconds = 0;
    double peakMB = 0;
};

// Runs `args` (args[0] is the program) with output to /dev/null; time and peak memory.
ChildRun runChild(const std::vector<std::string>& args) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    ChildRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

bool makeCorpus(const fs::path& folder, int count) {
    if (fs::exists(folder / "done"))
        return true;
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::fprintf(stderr, "making %d photographs in %s (once)...\n", count, folder.c_str());
    PhotoOptions options;
    options.reduction = 4;
    const auto photo = makePhoto(options);
    if (!photo)
        return false;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photo-%05d.jpg", i);
        if (!writeBytes(folder / name, withJpegComment(*photo, "photo " + std::to_string(i))))
            return false;
    }
    return writeBytes(folder / "done", Bytes("done"));
}

bool linkCorpus(const fs::path& from, const fs::path& folder, int count) {
    if (fs::exists(folder / "done"))
        return true;
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photo-%05d.jpg", i);
        std::error_code ec;
        fs::create_hard_link(from / name, folder / name, ec);
        if (ec)
            fs::copy_file(from / name, folder / name, ec);
        if (ec)
            return false;
    }
    return writeBytes(folder / "done", Bytes("done"));
}

// The child's side of the open benchmark: reads the project and lays out every slide.
int openAndRender(const char* project) {
    const auto start = std::chrono::steady_clock::now();
    auto snapshot = readProjectPackage(project);
    if (!snapshot)
        return 1;
    const Project& deck = snapshot->project;
    const ImageIndex images(deck.images);
    std::size_t frames = 0;
    for (std::size_t i = 0; i < deck.slides.size(); ++i)
        frames += renderSlide(deck.slides[i], i, deck, images).pictures.size();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f %zu %zu\n", seconds, deck.slides.size(), frames);
    return 0;
}

}  // namespace
}  // namespace mosavelle::bench

int main(int argc, char** argv) {
    using namespace mosavelle::bench;
    if (argc == 3 && std::string(argv[1]) == "--open-and-render")
        return openAndRender(argv[2]);
    const int small = takeIntArgument(argc, argv, "--small=", 200, 1);
    const int large = takeIntArgument(argc, argv, "--large=", 2000, 1);
    if (argc > 1) {
        std::fprintf(stderr, "usage: bench-large-deck [--small=N] [--large=N]\n");
        return 1;
    }
    mosavelle::ensureVipsStarted();
    const char* benchDir = std::getenv("MOSAVELLE_BENCH_DIR");
    const fs::path work =
        benchDir ? fs::path(benchDir) : fs::path(MOSAVELLE_SOURCE_DIR) / "build-bench";
    const fs::path largeCorpus = work / ("large-deck-corpus-" + std::to_string(large));
    const fs::path smallCorpus =
        work / ("large-deck-corpus-" + std::to_string(large) + "-first-" + std::to_string(small));
    if (!makeCorpus(largeCorpus, large) || !linkCorpus(largeCorpus, smallCorpus, small)) {
        std::fprintf(stderr, "bench-large-deck: could not make the corpus\n");
        return 1;
    }
    ScratchFolder runs("mosavelle-large-deck-");
    ::setenv("XDG_DATA_HOME", (runs.path() / "data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (runs.path() / "cache").c_str(), 1);
    const char* cliOverride = std::getenv("MOSAVELLE_CLI");
    const std::string cli = cliOverride ? cliOverride : MOSAVELLE_CLI_PATH;
    const char* qualities[] = {"best", "balanced", "small"};

    // peak[command][quality][corpus]
    double peak[2][3][2] = {};
    const int counts[2] = {small, large};
    const fs::path corpora[2] = {smallCorpus, largeCorpus};
    for (int c = 0; c < 2; ++c) {
        const std::string corpus = corpora[c].string();
        std::printf("corpus: %d photographs of 4000 x 3000\n", counts[c]);
        for (int q = 0; q < 3; ++q) {
            const std::string out = (runs.path() / "deck.pptx").string();
            const ChildRun run =
                runChild({cli, "make", out, corpus, "--quality", qualities[q], "--quiet"});
            fs::remove(out);
            if (!run.ok) {
                std::fprintf(stderr, "bench-large-deck: make failed\n");
                return 1;
            }
            peak[0][q][c] = run.peakMB;
            std::printf("  make --quality %-8s %7.1f s, peak memory %7.1f MB\n", qualities[q],
                        run.seconds, run.peakMB);
        }
        const std::string project = (runs.path() / "deck.mosavelle").string();
        const ChildRun import = runChild({cli, "import", project, corpus, "--quiet"});
        if (!import.ok) {
            std::fprintf(stderr, "bench-large-deck: import failed\n");
            return 1;
        }
        std::printf("  import into a project    %7.1f s, peak memory %7.1f MB\n", import.seconds,
                    import.peakMB);
        for (int q = 0; q < 3; ++q) {
            const std::string out = (runs.path() / "deck.pptx").string();
            const ChildRun run =
                runChild({cli, "export", project, out, "--quality", qualities[q], "--quiet"});
            fs::remove(out);
            if (!run.ok) {
                std::fprintf(stderr, "bench-large-deck: export failed\n");
                return 1;
            }
            peak[1][q][c] = run.peakMB;
            std::printf("  export --quality %-8s %7.1f s, peak memory %7.1f MB\n", qualities[q],
                        run.seconds, run.peakMB);
        }
        if (c == 1) {
            // The child prints its own time; its memory comes from the usage record.
            const std::string timing = (runs.path() / "open.txt").string();
            const pid_t pid = ::fork();
            if (pid == 0) {
                const int file = ::open(timing.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                ::dup2(file, 1);
                ::execl("/proc/self/exe", "bench-large-deck", "--open-and-render", project.c_str(),
                        static_cast<char*>(nullptr));
                ::_exit(127);
            }
            int status = 0;
            rusage usage{};
            ::wait4(pid, &status, 0, &usage);
            double seconds = 0;
            std::size_t slides = 0, frames = 0;
            std::FILE* in = std::fopen(timing.c_str(), "r");
            const bool read = in && std::fscanf(in, "%lf %zu %zu", &seconds, &slides, &frames) == 3;
            if (in)
                std::fclose(in);
            if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                std::fprintf(stderr, "bench-large-deck: opening the project failed\n");
                return 1;
            }
            std::printf(
                "  open the project and lay out all %zu slides: %.3f s, peak memory %.1f MB\n",
                slides, seconds, static_cast<double>(usage.ru_maxrss) / 1024.0);
        }
        fs::remove_all(project);
    }
    for (int command = 0; command < 2; ++command)
        for (int q = 0; q < 3; ++q)
            std::printf("ratio peak memory %s %s, %d / %d photographs: %.2f\n",
                        command == 0 ? "make" : "export", qualities[q], large, small,
                        peak[command][q][0] > 0 ? peak[command][q][1] / peak[command][q][0] : 0.0);
    return 0;
}
