// End-to-end tests of the tool's JSON commands: `info` on the fixture pictures and `render` on
// hand-written project packages.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "cli_runner.h"
#include "core/model/package.h"
#include "support/deck_support.h"

namespace mosavelle::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class CliInfoTest : public CliTest {};

// The facts themselves are the picture-facts suite's; here: every member by name, the file as
// given, the digest of its bytes and the capture date in UTC, left out when it does not parse.
TEST_F(CliInfoTest, PrintsEveryFactByNameWithTheFileItsDigestAndItsDate) {
    // The HEIF and bitmap loaders are loaded only once such a picture comes, after JPEGs.
    const std::vector<std::string> files = {
        fixturePath("orient-6.jpg"), fixturePath("date-original.jpg"),
        fixturePath("date-hyphenated.jpg"), fixturePath("picture.heic"),
        fixturePath("picture.bmp")};
    const auto result = cli({"info", files[0], files[1], files[2], files[3], files[4]});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const json facts = json::parse(result.out);
    ASSERT_EQ(facts.size(), files.size());
    const std::set<std::string> members = {"file",        "pixelWidth", "pixelHeight", "dpiX",
                                           "dpiY",        "hasAlpha",   "frameCount",  "uti",
                                           "orientation", "sha256",     "metadata"};
    for (std::size_t i = 0; i < files.size(); ++i) {
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
}

TEST_F(CliInfoTest, UnreadableFilesGetAnErrorObjectEachAndStatusTwo) {
    const std::string good = fixturePath("picture.png");
    const std::string missing = path("nowhere.jpg");
    // Linux file names need not be UTF-8; JSON text must be.
    const std::string latin1 = path("caf\xE9.png");
    fs::copy_file(good, latin1);
    const auto result = cli({"info", fixturePath("text.jpg"), fixturePath("document.pdf"), good,
                             fixturePath("zero-width.png"), missing, latin1});
    EXPECT_EQ(result.status, 2);
    EXPECT_ONE_SENTENCE(result);
    const json facts = json::parse(result.out);
    ASSERT_EQ(facts.size(), 6u);
    EXPECT_EQ(facts[0]["error"], "This file could not be read as an image.");
    EXPECT_EQ(facts[1]["error"], "This image format is not supported.");
    EXPECT_FALSE(facts[2].contains("error"));
    EXPECT_EQ(facts[3]["error"], "This image has no pixels.");
    EXPECT_EQ(facts[4]["file"], missing);
    EXPECT_FALSE(facts[4].value("error", "").empty());
    EXPECT_EQ(facts[5]["file"], path("caf\uFFFD.png").string());
    EXPECT_EQ(facts[5]["pixelWidth"], facts[2]["pixelWidth"]);
    for (const auto& failed : {facts[0], facts[1], facts[3], facts[4]})
        EXPECT_EQ(failed.size(), 2u) << failed.dump();  // only "file" and "error"
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
