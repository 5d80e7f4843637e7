#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>

#include <nlohmann/json.hpp>

#include "core/model/project_json.h"

namespace mosavelle {
namespace {

using Json = nlohmann::json;
using namespace std::chrono;

// A deck in which every field differs from its default and every optional is present.
Project fullDeck() {
    Project p;
    const Uuid imageID = Uuid::random();
    const SourceImage image{.id = imageID,
                            .storedFileName = imageID.text() + ".jpg",
                            .originalFileName = "Strand – été.JPG",
                            .byteCount = std::numeric_limits<std::int64_t>::max(),
                            .sha256 = std::string(64, 'a'),
                            .pixelWidth = 4032,
                            .pixelHeight = -1,
                            .dpiX = 0.1,
                            .dpiY = 1e-300,
                            .captureDate = sys_days{2024y / May / 1} + 12h + 30min + 59s,
                            .hasAlpha = true,
                            .frameCount = 3,
                            .uti = "public.jpeg",
                            .isIncluded = false,
                            .importError = "The copied image is missing from this project.",
                            .metadata = {}};
    p.images = {image, image};
    const CaptureMoment moment{"2024-05-01T12:30:59", -570};
    const std::vector<std::string> keywords{"K"};
    p.images[0].metadata = {
        "T", "D", keywords, "C", "N", "A", moment, "Mk", "Md", "S", GeoPosition(-54.3, 10.1)};
    p.images[1].id = Uuid::random();
    p.images[1].captureDate.reset();
    p.images[1].importError.reset();

    Slide slide = singleImageSlide(imageID, "Caption \"quoted\"\n/ slash");
    slide.layout = SlideLayoutKind::twoUp;
    slide.slots.push_back(emptySlot());
    slide.slots.push_back(emptySlot());  // three slots on a two-up slide stay three
    slide.slots[1].crop = {0, 1};
    slide.slots[0].altText = "Alt";
    slide.title = "Title";
    slide.notes = "Notes\twith tab";
    slide.placementOverride = Placement{SizingMode::percent125, {0.25, 0.75}, -90, 1.3};
    slide.isExcluded = true;
    slide.captionPoints = 9.5;
    slide.captionAlignment = CaptionAlignment::trailing;
    slide.advanceOverride = SlideAdvance{false, 600};
    slide.transitionOverride = SlideTransition{TransitionKind::cover, TransitionSpeed::slow};
    p.slides = {slide, sectionDividerSlide()};
    p.show = {{true, 12}, {TransitionKind::wipe, TransitionSpeed::fast}, true};
    p.cameraClocks = {{{"Make", "Model", "S/N 1"}, -3600}, {{"", "Other", ""}, 59}};

    AppearanceSettings& a = p.appearance;
    a.slideSize = SlideSizePreset::classic;
    a.background = BackgroundKind::custom;
    a.customBackground = {0.1, 0.2, 0.3, 0.4};
    a.margins = {0.1, 0.2, 0.3, 0.4};
    a.typography = {"Noto Sans", 40.25, 12, {1, 0, 0, 1}, {0, 1, 0, 0.5}, false};
    a.branding = {"logo.png", CornerPosition::bottomLeading, 0.75, true,
                  CornerPosition::topLeading};
    a.defaultPlacement = {SizingMode::custom, {0.1, 0.9}, 45, 2.5};
    a.filenameCleanup = {true, false, true};
    a.captionsFrom = {CaptionSource::pattern, "{date} \u00B7 {title}"};
    a.language = "de-AT";
    p.export_ = {QualityPreset::small, "Ferien 2024"};
    p.sort = SortMode::reverseCaptureDate;
    return p;
}

Json encodedJson(const Project& p) {
    auto bytes = encodeProject(p);
    EXPECT_TRUE(bytes.ok());
    return Json::parse(bytes->view());
}

Result<Project> decodeJson(const Json& j) {
    return decodeProject(Bytes(std::string_view(j.dump())));
}

// Checks every object of the text, in the order the text holds its members.
void expectAscendingMembers(const nlohmann::ordered_json& value, const std::string& at) {
    if (value.is_object()) {
        std::string previous;
        for (const auto& [key, member] : value.items()) {
            EXPECT_LT(previous, key) << "in " << at;
            previous = key;
            expectAscendingMembers(member, at + "." + key);
        }
    } else if (value.is_array()) {
        for (const auto& element : value)
            expectAscendingMembers(element, at + "[]");
    }
}

TEST(ProjectJson, FullDeckRoundTripsWithMembersAscendingReadablyAndOnlyPresentOptionals) {
    const Project deck = fullDeck();
    auto bytes = encodeProject(deck);
    ASSERT_TRUE(bytes.ok()) << bytes.error().message;
    auto back = decodeProject(*bytes);
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(*back, deck);
    expectAscendingMembers(nlohmann::ordered_json::parse(bytes->view()), "");
    EXPECT_NE(bytes->view().find("\n    \"background\""), std::string_view::npos);

    const Json j = Json::parse(bytes->view());
    EXPECT_EQ(j["images"][0]["captureDate"], "2024-05-01T12:30:59Z");
    EXPECT_FALSE(j["images"][1].contains("captureDate"));
    EXPECT_FALSE(j["images"][1].contains("importError"));
    EXPECT_FALSE(j["images"][1].contains("metadata"));
    const Json plain = encodedJson(defaultProject())["appearance"];
    EXPECT_FALSE(plain.contains("captionsFrom") || plain.contains("language"));
    EXPECT_FALSE(j["slides"][0]["slots"][1].contains("imageID"));
    EXPECT_FALSE(j["slides"][1].contains("placementOverride"));
    EXPECT_EQ(j["slides"][1]["captionPoints"], 16);
    EXPECT_EQ(j["slides"][1]["captionAlignment"], "leading");
    EXPECT_EQ(j["appearance"]["defaultPlacement"]["scale"], 2.5);
    EXPECT_FALSE(encodedJson(defaultProject())["appearance"]["branding"].contains("logoFileName"));
    // A deck that plays by hand without effects is written as decks were before the show members.
    for (const char* member : {"show", "cameraClocks"})
        EXPECT_FALSE(encodedJson(defaultProject()).contains(member)) << member;
    Json hand = j;
    hand["show"]["advance"]["seconds"] = 100000;
    EXPECT_EQ(decodeJson(hand)->show.advance.seconds, 600);

    DocumentDefaults defaults{deck.appearance, deck.export_, deck.sort};
    auto compact = encodeDefaults(defaults);
    ASSERT_TRUE(compact.ok());
    EXPECT_EQ(compact->view().find('\n'), std::string_view::npos);
    EXPECT_EQ(decodeDefaults(*compact).value(), defaults);
}

TEST(ProjectJson, ReadsFallbacksIntegerLimitsIdentifiersInAnyCaseAndDropsUnknownMembers) {
    Json j = encodedJson(fullDeck());
    j["slides"][0].erase("captionPoints");  // missing or null fallback members take defaults
    j["slides"][0]["captionAlignment"] = nullptr;
    j["slides"][0]["placementOverride"].erase("scale");
    j["slides"][1]["placementOverride"] = nullptr;
    j["appearance"]["defaultPlacement"]["mode"] = "percent75";
    j["appearance"]["defaultPlacement"]["scale"] = nullptr;
    j["images"][0]["captureDate"] = nullptr;
    j["images"][0]["pixelWidth"] = INT64_MIN;
    j["images"][0]["pixelHeight"] = 480.0;  // another writer's spelling of a whole number
    j["images"][0]["frameCount"] = -9223372036854775808.0;
    j["slides"][0]["id"] = "0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d";
    j["future"] = {{"x", 1}};
    j["slides"][0]["slots"][0]["extra"] = Json::array({1, 2});
    j["appearance"]["typography"]["kerning"] = true;
    auto p = decodeJson(j);
    ASSERT_TRUE(p.ok()) << p.error().message;
    EXPECT_EQ(p->slides[0].captionPoints, 16);
    EXPECT_EQ(p->slides[0].captionAlignment, CaptionAlignment::leading);
    EXPECT_EQ(p->slides[0].placementOverride->scale, 1.25);
    EXPECT_FALSE(p->slides[1].placementOverride);
    EXPECT_EQ(p->appearance.defaultPlacement.scale, 0.75);
    EXPECT_FALSE(p->images[0].captureDate);
    EXPECT_EQ(p->images[0].pixelWidth, INT64_MIN);
    EXPECT_EQ(p->images[0].pixelHeight, 480);
    EXPECT_EQ(p->images[0].frameCount, INT64_MIN);
    const Json out = encodedJson(*p);
    EXPECT_EQ(out["slides"][0]["id"], "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");
    EXPECT_FALSE(out.contains("future"));
    EXPECT_FALSE(out["slides"][0]["slots"][0].contains("extra"));
    EXPECT_FALSE(out["appearance"]["typography"].contains("kerning"));

    j["appearance"]["defaultPlacement"]["mode"] = "custom";
    EXPECT_EQ(decodeJson(j)->appearance.defaultPlacement.scale, 1.0);
}

TEST(ProjectJson, VersionTwoOrMoreAndWrongTypesOrValuesFailNamingTheMember) {
    const Json valid = encodedJson(fullDeck());
    Json j = valid;  // a version below one reads as one
    for (std::int64_t version : {std::int64_t{0}, std::int64_t{-7}, INT64_MIN}) {
        j["formatVersion"] = version;
        auto p = decodeJson(j);
        ASSERT_TRUE(p.ok()) << version;
        EXPECT_EQ(p->formatVersion, 1);
        EXPECT_EQ(encodedJson(*p)["formatVersion"], 1);
    }
    for (std::int64_t version : {std::int64_t{2}, INT64_MAX}) {
        j["formatVersion"] = version;
        EXPECT_NE(decodeJson(j).error().message.find("format version"), std::string::npos);
    }

    struct Case {
        const char* pointer;
        Json value;  // null: the member is removed
        const char* named;
    };
    const Case cases[] = {
        {"/export", nullptr, "\"export\""},
        {"/images", Json::object(), "\"images\""},
        {"/images/0/byteCount", 1.5, "images[0].byteCount"},
        {"/images/0/byteCount", 1e30, "images[0].byteCount"},
        {"/images/0/byteCount", UINT64_MAX, "images[0].byteCount"},
        {"/images/0/hasAlpha", 1, "images[0].hasAlpha"},
        {"/images/1/dpiX", true, "images[1].dpiX"},
        {"/images/0/captureDate", "2024-05-01T12:30:59.5Z", "images[0].captureDate"},
        {"/images/0/id", "{00000000-0000-0000-0000-000000000000}", "images[0].id"},
        {"/slides/0/layout", "TwoUp", "slides[0].layout"},
        {"/slides/0/captionPoints", "16", "slides[0].captionPoints"},
        {"/slides/0/slots/2/imageID", "not-an-identifier", "slides[0].slots[2].imageID"},
        {"/slides/0/placementOverride", Json::array(), "slides[0].placementOverride"},
        {"/slides/1/title", nullptr, "slides[1].title"},
        {"/appearance/typography/titleColor/red", false, "appearance.typography.titleColor.red"},
    };
    for (const Case& c : cases) {
        Json j = valid;
        const Json::json_pointer at(c.pointer);
        if (c.value.is_null())
            j[at.parent_pointer()].erase(at.back());
        else
            j[at] = c.value;
        auto p = decodeJson(j);
        ASSERT_FALSE(p.ok()) << c.pointer << " = " << c.value;
        EXPECT_NE(p.error().message.find(c.named), std::string::npos) << p.error().message;
        EXPECT_TRUE(p.error().text) << "no sentence for an interface: " << p.error().message;
    }
}

TEST(ProjectJson, WritingRefusesNonFiniteRealsAndUnreadableDatesButNotBadText) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Project p = fullDeck();
    p.slides[0].slots[1].crop.y = inf;
    EXPECT_NE(encodeProject(p).error().message.find("slides[0].slots[1].crop.y"),
              std::string::npos);
    p = fullDeck();
    p.images[1].captureDate = sys_days{10000y / January / 1};
    EXPECT_FALSE(encodeProject(p).ok());
    DocumentDefaults d;
    d.appearance.margins.trailing = nan;
    EXPECT_NE(encodeDefaults(d).error().message.find("appearance.margins.trailing"),
              std::string::npos);

    // Text that is not UTF-8 (a file name from a foreign file system) still saves and reads.
    p = fullDeck();
    p.images[0].originalFileName = "bad\xff\xfe.jpg";
    auto back = decodeProject(encodeProject(p).value());
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(back->images[0].originalFileName, "bad\xEF\xBF\xBD\xEF\xBF\xBD.jpg");
}

TEST(ProjectJson, HostileTextFailsCleanly) {
    const std::string deep(200000, '[');
    const std::string hostile[] = {
        "",
        "[]",
        "{\"formatVersion\": 1",
        "{\"sort\": \"manual\"} trailing",
        "{\"formatVersion\": 1e400}",
        "{\"formatVersion\": 1, \"sort\": \"man\xff\"}",
        "{\"a\":" + deep,
        "/* comment */ {}",
        "{\"title\": \"" + std::string(4u << 20, 'x'),  // a failure must not quote what it read
    };
    for (const auto& text : hostile) {
        auto p = decodeProject(Bytes(std::string_view(text)));
        ASSERT_FALSE(p.ok()) << text.substr(0, 40);
        EXPECT_LT(p.error().message.size(), 200u);
        EXPECT_FALSE(decodeDefaults(Bytes(std::string_view(text))).ok());
    }
}

// Seeded byte flips, truncations and insertions over a valid file. Whatever reads must also
// write and read back unchanged; whatever fails must fail as a value.
TEST(ProjectJson, MutatedFilesReadOrFailAndWhatReadsRoundTrips) {
    const std::string valid(encodeProject(fullDeck())->view());
    std::mt19937 random(20240501);
    const char inserts[] = "{}[],:\"\\0123456789.eE-+ntfalsru\xc3\xff";
    int read = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = valid;
        for (int edits = 1 + int(random() % 3); edits > 0; --edits) {
            const std::size_t at = random() % text.size();
            switch (random() % 4) {
                case 0:
                    text[at] = static_cast<char>(random());
                    break;
                case 1:
                    text.resize(at);
                    break;
                case 2:
                    text.insert(at, 1, inserts[random() % (sizeof inserts - 1)]);
                    break;
                case 3:
                    text.erase(at, 1 + random() % 8);
                    break;
            }
            if (text.empty())
                text = "{";
        }
        auto p = decodeProject(Bytes(std::string_view(text)));
        if (!p.ok())
            continue;
        ++read;
        auto again = encodeProject(*p);
        ASSERT_TRUE(again.ok()) << again.error().message;
        auto back = decodeProject(*again);
        ASSERT_TRUE(back.ok()) << back.error().message;
        EXPECT_EQ(*back, *p);
    }
    EXPECT_GT(read, 0);  // some edits (inside strings, whitespace) keep the file readable
}

}  // namespace
}  // namespace mosavelle
