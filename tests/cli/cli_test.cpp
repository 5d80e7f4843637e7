// End-to-end tests of the tool: make, import, export, info and render, their options, and what
// they do with bad inputs and unwritable destinations.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "core/import/picture_test_util.h"
#include "core/model/defaults_store.h"
#include "core/model/package.h"
#include "core/platform/sha256.h"
#include "core/platform/uuid.h"
#include "support/deck_support.h"
#include "support/package_reader.h"
#include "support/process.h"
#include "support/tagged_pictures.h"
#include "support/test_support.h"

namespace mosavelle::testing {

// A fresh folder per test, a private defaults folder (XDG_DATA_HOME) so that nobody's saved deck
// settings leak in, and UTC so that capture dates print the camera's wall-clock time.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_DATA_HOME", (dir_.path() / "data").c_str(), 1);
        ::setenv("TZ", "UTC", 1);
    }

    ProcessResult cli(const std::vector<std::string>& args) {
        return runProgram(MOSAVELLE_CLI_PATH, args, dir_.path());
    }

    std::filesystem::path path(const std::string& name) const { return dir_.path() / name; }

    // A folder of fixture pictures under new names: {new name, fixture name}.
    std::filesystem::path pictureFolder(
        const std::string& name,
        std::initializer_list<std::pair<std::string, std::string>> pictures) {
        const auto folder = path(name);
        std::filesystem::create_directories(folder);
        for (const auto& [newName, fixture] : pictures)
            std::filesystem::copy_file(fixturePath(fixture), folder / newName);
        return folder;
    }

    // `count` copies of a fixture JPEG in `folder`, made distinct by text after the end marker
    // (which decoders ignore) that starts with `tag`.
    std::filesystem::path distinctPictures(const std::string& folder, int count,
                                           const std::string& tag = "") {
        std::filesystem::create_directories(path(folder));
        for (int i = 0; i < count; ++i) {
            const auto file = path(folder) / (std::to_string(i) + ".jpg");
            std::filesystem::copy_file(fixturePath("orient-1.jpg"), file);
            std::ofstream(file, std::ios::app) << tag << i;
        }
        return path(folder);
    }

    TempDir dir_;
};

// The one line a failing command prints: exactly one line on standard error, a whole sentence.
#define EXPECT_ONE_SENTENCE(result)                                      \
    do {                                                                 \
        const auto lines_ = (result).errLines();                         \
        ASSERT_EQ(lines_.size(), 1u) << (result).err;                    \
        EXPECT_EQ(lines_[0].back(), '.') << lines_[0];                   \
        EXPECT_EQ(lines_[0].find('\r'), std::string::npos) << lines_[0]; \
    } while (false)

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class CliDeckTest : public CliTest {
protected:
    json project(const fs::path& deck) { return json::parse(slurp(deck / "project.json")); }

    // The original file names of the pictures shown, slide by slide, slot by slot.
    std::vector<std::string> picturesInDeckOrder(const json& deck) {
        std::vector<std::string> names;
        for (const auto& slide : deck["slides"])
            for (const auto& slot : slide["slots"])
                for (const auto& image : deck["images"])
                    if (slot.contains("imageID") && image["id"] == slot["imageID"])
                        names.push_back(image["originalFileName"]);
        return names;
    }
};

TEST_F(CliDeckTest, MakeImportsAFolderInNaturalNameOrderWithCleanedCaptions) {
    const auto pictures = pictureFolder("pictures", {{"img10.jpg", "orient-1.jpg"},
                                                     {"IMG2.jpg", "orient-3.jpg"},
                                                     {"01_Beach-Day.jpg", "date-original.jpg"}});
    std::ofstream(pictures / "notes.txt") << "not a picture";
    fs::create_directories(pictures / "sub");
    fs::copy_file(fixturePath("picture.png"), pictures / "sub" / "deeper.png");
    const auto out = path("out.pptx"), deck = path("deck.mosavelle");

    const auto result = cli({"make", out.string(), pictures.string(), "--captions",
                             "--strip-numbers", "--save", deck.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    // No progress when stderr is not a terminal; one note, as the captions will not show.
    EXPECT_EQ(result.errLines(),
              std::vector<std::string>{"Captions are not shown on one-picture slides; add "
                                       "--layout captioned, two or four to show them."});
    EXPECT_EQ(result.out, "");

    // Subfolders only with -r; other extensions never.
    const json saved = project(deck);
    EXPECT_EQ(picturesInDeckOrder(saved),
              (std::vector<std::string>{"01_Beach-Day.jpg", "IMG2.jpg", "img10.jpg"}));
    EXPECT_EQ(saved["slides"][0]["slots"][0]["caption"], "Beach Day");
    for (const auto& image : saved["images"])
        EXPECT_EQ(image["sha256"],
                  sha256Hex(Bytes(slurp(pictures / image["originalFileName"].get<std::string>()))));
    // The default quality is the best: a JPEG goes into the package unchanged.
    EXPECT_EQ(member(out, "ppt/media/image1.jpg"), slurp(pictures / "01_Beach-Day.jpg"));

    const auto captioned = path("captioned.mosavelle");
    const auto recursive =
        cli({"make", path("all.pptx").string(), pictures.string(), "-r", "--captions", "--layout",
             "captioned", "--background", "black", "--save", captioned.string()});
    ASSERT_EQ(recursive.status, 0) << recursive.err;
    EXPECT_EQ(recursive.err, "");
    EXPECT_EQ(countMembers(path("all.pptx"), R"(ppt/slides/slide\d+\.xml)"), 4u);
    EXPECT_NE(member(path("all.pptx"), "ppt/slides/slide1.xml").find("val=\"000000\""),
              std::string::npos);
    const json captionedDeck = project(captioned);  // a range-for over a temporary's member dangles
    for (const auto& slide : captionedDeck["slides"])
        EXPECT_EQ(slide["layout"], "imageTitleCaption");
}

TEST_F(CliDeckTest, CaptionsTitlesAndAltTextsComeFromThePicturesMetadata) {
    if (!haveExiftool())
        GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed";
    const auto tagged =
        writeTaggedPicture(dir_.path(), "IMG_0001.jpg",
                           {"-XMP-dc:Title=Harbour", "-XMP-dc:Subject=sea", "-XMP-dc:Subject=boats",
                            "-IPTC:Caption-Abstract=Boats at dusk"});
    const auto out = path("out.pptx"), deck = path("deck.mosavelle");
    const auto result = cli({"make", out.string(), tagged.string(), "--captions-from",
                             "{title} \u00B7 {keywords} \u00B7 {place}", "--layout", "captioned",
                             "--save", deck.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    const json saved = project(deck);
    EXPECT_EQ(saved["slides"][0]["slots"][0]["caption"], "Harbour \u00B7 sea, boats");
    EXPECT_EQ(saved["slides"][0]["title"], "Harbour");
    EXPECT_EQ(json::parse(cli({"info", tagged.string()}).out)[0]["metadata"]["description"],
              "Boats at dusk");
}

TEST_F(CliDeckTest, MakeAppliesTheDeckAndShowOptionsSortsByCaptureDateThenGroups) {
    // Name order a, b, c; capture dates 2021, 2019, 2020.
    const auto pictures = pictureFolder("pictures", {{"a.jpg", "date-original.jpg"},
                                                     {"b.jpg", "date-tiff-only.jpg"},
                                                     {"c.jpg", "date-digitized.jpg"}});
    const auto out = path("out.pptx"), deck = path("deck.mosavelle");
    // Saved defaults are the starting point; a placement given replaces their scale too.
    AppearanceSettings defaults;
    defaults.defaultPlacement = {SizingMode::percent75, {0.1, 0.1}, 0, 0.75};
    DefaultSettingsStore(path("data") / "Mosavelle")
        .saveAsDefault(defaults, QualityPreset::best, "", SortMode::filename, std::nullopt);
    const auto result = cli({"make",
                             out.string(),
                             pictures.string(),
                             "--sort",
                             "captureDate",
                             "--group",
                             "two",
                             "--layout",
                             "two",
                             "--quality",
                             "small",
                             "--placement",
                             "fill",
                             "--size",
                             "classic",
                             "--background",
                             "#2A5C8F",
                             "--slide-numbers",
                             "--language",
                             "pt_br",
                             "--advance",
                             "7",
                             "--transition",
                             "wipe",
                             "--loop",
                             "--save",
                             deck.string()});
    ASSERT_EQ(result.status, 0) << result.err;

    const json saved = project(deck);
    EXPECT_EQ(picturesInDeckOrder(saved), (std::vector<std::string>{"b.jpg", "c.jpg", "a.jpg"}));
    ASSERT_EQ(saved["slides"].size(), 2u);
    EXPECT_EQ(saved["slides"][0]["layout"], "twoUp");
    EXPECT_EQ(saved["slides"][1]["layout"], "oneImage");
    EXPECT_EQ(saved["sort"], "manual");  // grouping is a manual arrangement
    const json& appearance = saved["appearance"];
    EXPECT_EQ(appearance["slideSize"], "classic");
    EXPECT_EQ(appearance["background"], "custom");
    EXPECT_EQ(appearance["branding"]["showSlideNumbers"], true);
    EXPECT_EQ(appearance["defaultPlacement"],
              json::parse(R"({"mode": "fill", "crop": {"x": 0.1, "y": 0.1}, "rotationDegrees": 0,
                                         "scale": 1.0})"));
    EXPECT_EQ(appearance["language"], "pt-BR");
    EXPECT_EQ(saved["export"]["quality"], "small");
    EXPECT_EQ(saved["show"]["advance"], (json{{"automatic", true}, {"seconds", 7}}));
    EXPECT_EQ(saved["show"]["transition"]["kind"], "wipe");
    EXPECT_EQ(saved["show"]["loops"], true);

    const std::string slide = member(out, "ppt/slides/slide1.xml");
    for (const char* part : {"2A5C8F", "lang=\"pt-BR\"", "advTm=\"7000\"><p:wipe"})
        EXPECT_NE(slide.find(part), std::string::npos) << part;
    EXPECT_NE(member(out, "ppt/presProps.xml").find("loop=\"1\" useTimings=\"1\""),
              std::string::npos);
    // Below the best quality pictures are encoded again, not copied.
    EXPECT_EQ(countMembers(out, R"(ppt/media/image\d+\.jpg)"), 3u);
    EXPECT_NE(member(out, "ppt/media/image1.jpg"), slurp(pictures / "b.jpg"));
}

TEST_F(CliDeckTest, MakeStartsASectionAtEachTimeGapInCaptureDateOrder) {
    // Capture dates 2021, 2019, 2020: three parts, each after a gap far above two hours.
    const auto pictures = pictureFolder("pictures", {{"a.jpg", "date-original.jpg"},
                                                     {"b.jpg", "date-tiff-only.jpg"},
                                                     {"c.jpg", "date-digitized.jpg"}});
    const auto deck = path("deck.mosavelle");
    const auto result = cli({"make", path("out.pptx").string(), pictures.string(),
                             "--sections-at-gaps", "2", "--save", deck.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    std::string years;
    const json saved = project(deck);
    for (const auto& slide : saved["slides"])
        years += slide["layout"] == "section" ? slide["title"].get<std::string>() + ";" : "p;";
    EXPECT_TRUE(std::regex_match(years, std::regex(".*2019.*;p;.*2020.*;p;.*2021.*;p;"))) << years;
}

TEST_F(CliDeckTest, ImportSkipsDuplicatesUnlessKeptAndExportLeavesTheProjectAlone) {
    const auto pictures =
        pictureFolder("pictures", {{"one.jpg", "orient-1.jpg"}, {"two.png", "picture.png"}});
    const auto deck = path("deck.mosavelle");

    auto result = cli({"import", deck.string(), pictures.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(project(deck)["images"].size(), 2u);

    // Shells complete a package's name with a final slash; it names the same package.
    result = cli({"import", deck.string() + "/", pictures.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.errLines().size(), 1u) << result.err;  // the skipped duplicates, in one line
    EXPECT_EQ(project(deck)["images"].size(), 2u);

    // A save killed between moving the project aside and moving the new one in left only the
    // set-aside copy: the next import puts it back and adds to it.
    const std::string stem = ".deck.mosavelle." + Uuid::random().text();
    fs::copy(deck, path(stem + ".saving"), fs::copy_options::recursive);
    fs::rename(deck, path(stem + ".previous"));
    result = cli({"import", deck.string(), (pictures / "one.jpg").string(), "--keep-duplicates"});
    ASSERT_EQ(result.status, 0) << result.err;
    const json kept = project(deck);
    EXPECT_EQ(kept["images"].size(), 3u);
    EXPECT_EQ(kept["slides"].size(), 3u);

    const std::string before = slurp(deck / "project.json");
    const auto out = path("out.pptx");
    result = cli({"export", deck.string(), out.string(), "--quality", "balanced"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(countMembers(out, R"(ppt/slides/slide\d+\.xml)"), 3u);
    EXPECT_EQ(slurp(deck / "project.json"), before);  // exporting never writes the project
}

TEST_F(CliDeckTest, BadInputsAndUnwritableDestinationsGiveTheirStatusAndWriteNothing) {
    const auto pictures = pictureFolder("pictures", {{"one.jpg", "orient-1.jpg"}});
    const std::string in = pictures.string(), out = path("out.pptx").string();
    const std::string deck = path("deck.mosavelle").string(),
                      damaged = path("damaged.mosavelle").string();
    fs::create_directories(path("damaged.mosavelle") / "images");
    std::ofstream(path("damaged.mosavelle") / "project.json")
        << "{\"formatVersion\": 1, \"images\": [";
    std::ofstream(path("plain-file")) << "x";
    fs::create_directories(path("a-folder.pptx"));
    const auto nowhere = [&](const std::string& name) {
        return (path("no-such-folder") / name).string();
    };
    const std::string pdf = fixturePath("document.pdf").string();

    const std::vector<std::pair<std::vector<std::string>, int>> cases = {
        {{"make", out, in, path("gone.jpg").string(), "--save", deck}, 2},
        {{"import", deck, path("gone").string()}, 2},
        {{"make", out, in, "--logo", pdf}, 2},
        {{"export", damaged, out}, 2},
        {{"import", damaged, in}, 2},
        {{"render", damaged}, 2},
        {{"render", path("absent.mosavelle").string()}, 2},
        {{"make", nowhere("x.pptx"), in}, 3},
        {{"make", (path("plain-file") / "out.pptx").string(), in}, 3},
        {{"make", path("a-folder.pptx").string(), in}, 3},
        {{"make", out, in, "--save", nowhere("x.mosavelle")}, 3},
        // Something that is not a project where one would be saved is never replaced.
        {{"make", out, in, "--save", damaged}, 3},
        // `make *.jpg`, without OUT: the first picture is not taken as the file to write.
        {{"make", (pictures / "one.jpg").string(), in}, 1},
        {{"make", out, in, "--save", in}, 1},
    };
    for (const auto& [args, status] : cases) {
        const auto result = cli(args);
        EXPECT_EQ(result.status, status) << ::testing::PrintToString(args);
        EXPECT_ONE_SENTENCE(result);
        EXPECT_EQ(result.out, "");
        EXPECT_FALSE(fs::exists(out) || fs::exists(deck)) << ::testing::PrintToString(args);
    }
    EXPECT_TRUE(fs::is_empty(path("a-folder.pptx")));
    EXPECT_EQ(slurp(pictures / "one.jpg"), slurp(fixturePath("orient-1.jpg")));
    EXPECT_EQ(namesIn(pictures), std::set<std::string>{"one.jpg"});
    EXPECT_FALSE(fs::exists(path("no-such-folder")));
    EXPECT_EQ(slurp(path("damaged.mosavelle") / "project.json"),
              "{\"formatVersion\": 1, \"images\": [");
    EXPECT_TRUE(fs::is_empty(path("damaged.mosavelle") / "images"));

    // No usable picture, by its header or by its pixels: its note, then the sentence saying
    // nothing was made, from `make` and `import` alike.
    for (const char* fixture : {"text.jpg", "truncated.jpg"}) {
        const auto junk = pictureFolder(std::string("junk-") + fixture, {{"x.jpg", fixture}});
        for (const auto& args : std::vector<std::vector<std::string>>{
                 {"make", out, junk.string(), "--save", deck}, {"import", deck, junk.string()}}) {
            const auto result = cli(args);
            EXPECT_EQ(result.status, 2) << ::testing::PrintToString(args);
            const auto lines = result.errLines();
            ASSERT_EQ(lines.size(), 2u) << result.err;
            EXPECT_EQ(lines[0], "x.jpg: This file could not be read as an image.");
            EXPECT_FALSE(fs::exists(out) || fs::exists(deck)) << ::testing::PrintToString(args);
        }
    }
}

TEST_F(CliDeckTest, MakeThatCannotSaveTheProjectSaysWhatWasWrittenAndWhatNot) {
    // A black 1500 x 1000 uncompressed TIFF: 4.5 MB in the project, a few kilobytes re-encoded in
    // the presentation. A file-size limit between the two lets only the presentation be written.
    const auto pictures = path("pictures");
    fs::create_directories(pictures);
    writeFileBytes(pictures / "wide.tif", blackPicture(1500, 1000, ".tif"));
    const auto out = path("out.pptx"), deck = path("deck.mosavelle");
    const std::string command = "trap '' XFSZ; ulimit -f 2000; exec " +
                                shellQuoted(MOSAVELLE_CLI_PATH) + " make " +
                                shellQuoted(out.string()) + " " + shellQuoted(pictures.string()) +
                                " --quality small --save " + shellQuoted(deck.string());
    const auto result = runProgram("sh", {"-c", command}, dir_.path());
    EXPECT_EQ(result.status, 3);
    EXPECT_ONE_SENTENCE(result);
    EXPECT_NE(result.err.find("\u201C" + out.string() + "\u201D was written, but \u201C" +
                              deck.string() + "\u201D was not."),
              std::string::npos)
        << result.err;
    EXPECT_EQ(countMembers(out, R"(ppt/slides/slide\d+\.xml)"), 1u);
    EXPECT_FALSE(fs::exists(deck));
}

TEST_F(CliDeckTest, UnusablePicturesAreFoundAtImportAndNamedWhenAnExportFails) {
    // The header of truncated.jpg reads, its pixels do not: the import names it and leaves it out.
    const auto pictures = pictureFolder("pictures", {{"good.jpg", "orient-1.jpg"},
                                                     {"IMG_0042.JPG", "truncated.jpg"},
                                                     {"lost.jpg", "orient-3.jpg"}});
    const auto deck = path("deck.mosavelle");
    auto result = cli({"import", deck.string(), pictures.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.errLines(),
              std::vector<std::string>{"IMG_0042.JPG: This file could not be read as an image."});
    const json imported = project(deck);
    ASSERT_EQ(imported["images"].size(), 2u);
    fs::remove(deck / "images" / imported["images"][1]["storedFileName"].get<std::string>());

    fs::create_directories(path("dest"));
    const auto out = path("dest") / "out.pptx";
    result = cli({"export", deck.string(), out.string(), "--quality", "balanced"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = result.errLines();
    ASSERT_EQ(lines.size(), 2u) << result.err;  // a heading, then one line per picture
    EXPECT_EQ(lines[1], "lost.jpg: The copied image is missing from this project.");

    // Bytes broken inside the package never reach a presentation, not even copied at best; the
    // failure names the picture and leaves the earlier presentation and no temporary file.
    std::ofstream(out) << "the previous presentation";
    for (const auto& image : imported["images"])
        if (image["originalFileName"] == "good.jpg")
            std::ofstream(deck / "images" / image["storedFileName"].get<std::string>())
                << std::string(1000, '\0');
    result = cli({"export", deck.string(), out.string(), "--quality", "best"});
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.errLines().back(),
              "mosavelle-cli: Could not export the presentation: good.jpg: This file could not be "
              "read as an image.");
    EXPECT_EQ(slurp(out), "the previous presentation");
    EXPECT_EQ(namesIn(path("dest")), std::set<std::string>{"out.pptx"});
}

// Two imports into one project at once: the second waits for the first and adds to what it
// saved, so both succeed and the project holds every picture.
TEST_F(CliDeckTest, ConcurrentImportsIntoOneProjectKeepEveryPicture) {
    const auto deck = path("deck.mosavelle");
    std::string script;
    for (const std::string batch : {"a", "b"}) {
        const auto folder = distinctPictures(batch, 60, batch);
        script += shellQuoted(MOSAVELLE_CLI_PATH) + " import " + shellQuoted(deck.string()) + " " +
                  shellQuoted(folder.string()) + "; echo $? > " +
                  shellQuoted(path(batch + ".status").string()) + " & ";
    }
    ASSERT_EQ(runProgram("sh", {"-c", script + "wait"}, dir_.path()).status, 0);
    EXPECT_EQ(slurp(path("a.status")), "0\n");
    EXPECT_EQ(slurp(path("b.status")), "0\n");
    EXPECT_EQ(project(deck)["images"].size(), 120u);
    EXPECT_EQ(namesIn(deck / "images").size(), 120u);
    for (const auto& name : namesIn(dir_.path()))
        EXPECT_FALSE(name.starts_with(".")) << name;
}

// Ctrl-C, SIGTERM, a closed terminal and SIGQUIT stop the tool cleanly: status 130 and nothing
// written, by `make` and, for the last two, by an `import` into a new project.
TEST_F(CliDeckTest, StopSignalsEndWithStatus130LeavingNoPartialFiles) {
    const auto pictures = distinctPictures("pictures", 40);
    const auto out = path("out.pptx");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        const pid_t child = ::fork();
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            if (signal == SIGHUP || signal == SIGQUIT)
                ::execl(MOSAVELLE_CLI_PATH, "mosavelle-cli", "import",
                        path("deck.mosavelle").c_str(), pictures.c_str(),
                        static_cast<char*>(nullptr));
            ::execl(MOSAVELLE_CLI_PATH, "mosavelle-cli", "make", out.c_str(), pictures.c_str(),
                    "--save", path("deck.mosavelle").c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Sent as soon as the tool catches the signal, which must be before it does any work.
        const auto catches = [&] {
            std::ifstream status("/proc/" + std::to_string(child) + "/status");
            for (std::string line; std::getline(status, line);)
                if (line.starts_with("SigCgt:"))
                    return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
            return 0ull;
        };
        for (int wait = 0; wait < 2000 && !catches(); ++wait)
            ::usleep(1000);
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << signal;
        EXPECT_EQ(WEXITSTATUS(status), 130);
        EXPECT_FALSE(fs::exists(out) || fs::exists(path("deck.mosavelle")));
        for (const auto& name : namesIn(dir_.path()))
            EXPECT_FALSE(name.starts_with(".")) << name;
    }
}

TEST_F(CliDeckTest, UsageErrorsAreStatusOneAndEverySubcommandHasHelp) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"make", "out.pptx", "in", "--background", "12345G"},
             {"make", "out.pptx", "in", "--strip-numbers"},
             {"make", "out.pptx", "in", "--captions-from", "titel"},
             {"make", "out.pptx", "in", "--language", "Deutsch"},
             {"make", "out.pptx", "in", "--group", "two", "--layout", "four"},
             {"make", "out.pptx", "in", "--advance", "601"},
             {"make", "out.pptx", "in", "--sections-at-gaps", "0"},
             {"make", "out.pptx", "in", "--sort", "filename", "--sections-at-gaps", "2"},
             {"render", "deck.mosavelle", "--bogus"}}) {
        const auto result = cli(args);
        EXPECT_EQ(result.status, 1) << ::testing::PrintToString(args);
        EXPECT_ONE_SENTENCE(result);
        EXPECT_EQ(result.out, "");
    }
    for (const std::string command : {"make", "import", "export", "info", "render"}) {
        const auto result = cli({command, "--help"});
        EXPECT_EQ(result.status, 0) << command;
        EXPECT_NE(result.out.find("Usage: mosavelle-cli " + command), std::string::npos)
            << result.out;
    }
}

// The facts themselves are the picture-facts suite's; here: every member by name, the file as
// given (as UTF-8 when its name is not), the digest of its bytes and the capture date in UTC, left
// out when it does not parse; an error object for each file that does not read, and status two.
TEST_F(CliTest, InfoPrintsEveryFactByNameAndAnErrorObjectPerUnreadableFile) {
    // The HEIF and bitmap loaders are loaded only once such a picture comes, after JPEGs.
    const std::string missing = path("nowhere.jpg"), latin1 = path("caf\xE9.png");
    fs::copy_file(fixturePath("picture.png"), latin1);
    const std::vector<std::string> files = {fixturePath("orient-6.jpg"),
                                            fixturePath("date-original.jpg"),
                                            fixturePath("date-hyphenated.jpg"),
                                            fixturePath("picture.heic"),
                                            fixturePath("picture.bmp"),
                                            latin1,
                                            fixturePath("text.jpg"),
                                            fixturePath("document.pdf"),
                                            fixturePath("zero-width.png"),
                                            missing};
    std::vector<std::string> args{"info"};
    args.insert(args.end(), files.begin(), files.end());
    const auto result = cli(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_ONE_SENTENCE(result);
    const json facts = json::parse(result.out);
    ASSERT_EQ(facts.size(), files.size());
    const std::set<std::string> members = {"file",        "pixelWidth", "pixelHeight", "dpiX",
                                           "dpiY",        "hasAlpha",   "frameCount",  "uti",
                                           "orientation", "sha256",     "metadata"};
    for (std::size_t i = 0; i < 5; ++i) {
        std::set<std::string> names;
        for (const auto& [member, value] : facts[i].items())
            if (member != "captureDate")
                names.insert(member);
        EXPECT_EQ(names, members) << files[i];
        EXPECT_EQ(facts[i]["file"], files[i]);
        EXPECT_EQ(facts[i]["sha256"],
                  runProgram("sha256sum", {files[i]}, dir_.path()).out.substr(0, 64))
            << files[i];
    }
    // A quarter turn: the stored 40 x 64 grid shows as 64 x 40, its resolutions swapped.
    EXPECT_EQ(facts[0]["pixelWidth"], 64);
    EXPECT_EQ(facts[0]["dpiX"], 240.0);
    EXPECT_EQ(facts[0]["dpiY"], 300.0);
    EXPECT_FALSE(facts[0].contains("captureDate"));
    EXPECT_EQ(facts[1]["captureDate"], "2021-07-04T18:30:00Z");
    EXPECT_FALSE(facts[2].contains("captureDate"));
    EXPECT_EQ(facts[3]["uti"], "public.heic");
    EXPECT_EQ(facts[4]["uti"], "com.microsoft.bmp");
    // Linux file names need not be UTF-8; JSON text must be.
    EXPECT_EQ(facts[5]["file"], path("caf\uFFFD.png").string());
    EXPECT_EQ(facts[5]["pixelWidth"], 64);
    EXPECT_EQ(facts[6]["error"], "This file could not be read as an image.");
    EXPECT_EQ(facts[7]["error"], "This image format is not supported.");
    EXPECT_EQ(facts[8]["error"], "This image has no pixels.");
    EXPECT_EQ(facts[9]["file"], missing);
    EXPECT_FALSE(facts[9].value("error", "").empty());
    for (std::size_t i = 6; i < files.size(); ++i)
        EXPECT_EQ(facts[i].size(), 2u) << facts[i].dump();  // only "file" and "error"
}

// --- render

json color(double r, double g, double b) {
    return {{"red", r}, {"green", g}, {"blue", b}, {"alpha", 1}};
}

class CliRenderTest : public CliTest {
protected:
    // A widescreen deck of the default settings on black with slide numbers: a section slide with
    // no title, an excluded section, a one-picture slide whose 64 x 40 picture is in the package,
    // and a two-up slide whose first picture's file is missing and whose second slot is empty with
    // a 400-character caption.
    fs::path writeDeck(const std::string& name) {
        deck = defaultProject();
        deck.appearance.background = BackgroundKind::black;
        deck.appearance.branding.showSlideNumbers = true;
        deck.images = {one, lost};
        Slide untitled = sectionDividerSlide(), hidden = sectionDividerSlide();
        untitled.title = "";
        hidden.title = "Hidden";
        hidden.isExcluded = true;
        deck.slides = {untitled, hidden, slideOf(SlideLayoutKind::oneImage, {one.id}),
                       slideOf(SlideLayoutKind::twoUp, {lost.id, std::nullopt})};
        deck.slides.edit(3).slots[1].caption = std::string(400, 'x');
        deck.slides.edit(0).notes = "notes of the first";
        // orient-1.jpg is the upright 64 x 40 scene the record declares; lost.jpg has no bytes.
        const PackageSnapshot snapshot{deck, {{one.id, fixtureBytes("orient-1.jpg")}}, {}};
        EXPECT_TRUE(writeProjectPackage(snapshot, path(name)).ok());
        return path(name);
    }

    json render(const fs::path& package, bool all = false) {
        const auto result =
            all ? cli({"render", package.string(), "--all"}) : cli({"render", package.string()});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        return json::parse(result.out)["slides"];
    }

    SourceImage one = pictureRecord("one.jpg"), lost = pictureRecord("lost.jpg");
    Project deck;
};

// Where things go is the layout suite's; here: the members by name, the exported slides numbered
// among themselves (among all with --all), and the warnings with their sentences.
TEST_F(CliRenderTest, PrintsTheExportedSlidesWithTheirWarningsAndMessages) {
    const auto package = writeDeck("deck.mosavelle");
    const json slides = render(package);
    ASSERT_EQ(slides.size(), 3u);  // the excluded slide is not exported
    const auto names = [](const json& object) {
        std::set<std::string> out;
        for (const auto& [member, value] : object.items())
            out.insert(member);
        return out;
    };
    for (std::size_t i = 0; i < slides.size(); ++i) {
        EXPECT_EQ(
            names(slides[i]),
            (std::set<std::string>{"index", "background", "size", "pictures", "texts", "logo",
                                   "slideNumber", "numberFrame", "notes", "warnings", "messages"}));
        EXPECT_EQ(slides[i]["index"], i);
        EXPECT_EQ(slides[i]["background"], color(0, 0, 0));
        EXPECT_EQ(slides[i]["slideNumber"], std::to_string(i + 1));
        EXPECT_TRUE(slides[i]["numberFrame"].is_object());
    }
    const json all = render(package, true);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[1]["texts"][0]["text"], "Hidden");
    EXPECT_EQ(all[3]["index"], 3);
    EXPECT_EQ(all[3]["slideNumber"], "4");

    const json& section = slides[0];
    EXPECT_EQ(section["notes"], "notes of the first");
    ASSERT_EQ(section["texts"].size(), 1u);
    EXPECT_EQ(names(section["texts"][0]),
              (std::set<std::string>{"text", "frame", "isTitle", "overflows", "fontPoints",
                                     "alignment"}));
    EXPECT_EQ(names(section["texts"][0]["frame"]),
              (std::set<std::string>{"x", "y", "width", "height"}));

    // 64 pixels over the width of a fitted slide are far below 120 per inch.
    const json& single = slides[1];
    ASSERT_EQ(single["pictures"].size(), 1u);
    const json& placed = single["pictures"][0];
    EXPECT_EQ(names(placed), (std::set<std::string>{"imageID", "frame", "crop", "rotationDegrees",
                                                    "overflows", "placedDPI"}));
    EXPECT_EQ(placed["imageID"], one.id.text());
    EXPECT_EQ(single["warnings"], json({{{"case", "lowResolution"},
                                         {"dpi", placed["placedDPI"]},
                                         {"imageID", one.id.text()}}}));
    EXPECT_EQ(single["messages"], json({"Image may be blurry when presented."}));

    // Two-up: a picture whose copy is missing and an empty slot are both placeholders; the
    // second slot's long caption overflows and is named by its slot number.
    const json& twoUp = slides[2];
    EXPECT_EQ(twoUp["warnings"],
              json::parse(R"([{"case": "missingImage", "imageID": ")" + lost.id.text() + R"("},
                              {"case": "missingImage", "imageID": null},
                              {"case": "textOverflow", "field": "caption 2"}])"));
    EXPECT_EQ(twoUp["messages"],
              json({"A picture on this slide is missing.", "A picture on this slide is missing.",
                    "The caption 2 text is too long for its box."}));
}

}  // namespace
}  // namespace mosavelle::testing
