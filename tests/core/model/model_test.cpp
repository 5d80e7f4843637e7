#include <gtest/gtest.h>

#include <limits>
#include <string>

#include <nlohmann/json.hpp>

#include <sys/resource.h>
#include <sys/stat.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>
#include "core/model/defaults_store.h"
#include "core/model/document.h"
#include "core/model/package.h"
#include "core/model/package_lock.h"
#include "core/model/project.h"
#include "core/model/project_json.h"
#include "core/model/recovery_store.h"
#include "core/model/undo_history.h"
#include "core/platform/sha256.h"
#include "support/deck_support.h"
#include "support/faulty_file_system.h"
#include "support/test_support.h"

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
    EXPECT_FALSE(j["slides"][0]["slots"][1].contains("imageID"));
    EXPECT_FALSE(j["slides"][1].contains("placementOverride"));
    EXPECT_EQ(j["slides"][1]["captionPoints"], 16);
    EXPECT_EQ(j["slides"][1]["captionAlignment"], "leading");
    EXPECT_EQ(j["appearance"]["defaultPlacement"]["scale"], 2.5);
    // A deck that plays by hand without effects is written as decks were before the show members.
    const Json plain = encodedJson(defaultProject());
    for (const char* member : {"show", "cameraClocks", "appearance/captionsFrom",
                               "appearance/language", "appearance/branding/logoFileName"})
        EXPECT_FALSE(plain.contains(Json::json_pointer(std::string("/") + member))) << member;
    Json hand = j;
    hand["show"]["advance"]["seconds"] = 100000;
    EXPECT_EQ(decodeJson(hand)->show.advance.seconds, 600);

    DocumentDefaults defaults{deck.appearance, deck.export_, deck.sort};
    auto compact = encodeDefaults(defaults);
    ASSERT_TRUE(compact.ok());
    EXPECT_EQ(compact->view().find("\n"), std::string_view::npos);
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
        {"/images/0/captureDate", "2024-05-01T12:30:59.5Z", "images[0].captureDate"},
        {"/images/0/id", "{00000000-0000-0000-0000-000000000000}", "images[0].id"},
        {"/slides/0/layout", "TwoUp", "slides[0].layout"},
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

TEST(RGBAColor, HexStringRoundsHalvesUpAndIsSixDigitsForAnyDouble) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<RGBAColor, const char*> cases[] = {
        {{0.15, 0.15, 0.15, 1}, "262626"},
        {{0.95, 0.95, 0.97, 1}, "F2F2F7"},
        {{0.5, 0.5, 0.5, 1}, "808080"},
        {{-3, 7, 1e308, 1}, "00FFFF"},
        {{nan, inf, -inf, 1}, "000000"},
        {{-0.0, std::numeric_limits<double>::denorm_min(), 0.999999, 1}, "0000FF"},
    };
    for (const auto& [color, hex] : cases)
        EXPECT_EQ(color.hexString(), hex);
}

// Which slides are exported is the export suite's; the list operations themselves are exercised,
// with their exact outcomes, by every edit of the editing suite.
TEST(Project, PicturesAreFoundByTheFirstOfDuplicateIdentifiers) {
    Project p;
    SourceImage a, b, c;
    a.id = Uuid::random();
    b.id = c.id = Uuid::random();
    b.importError = "broken";
    c.storedFileName = "second";
    p.images = {a, b, c};
    ASSERT_TRUE(p.sourceImage(b.id));
    EXPECT_EQ(p.sourceImage(b.id)->importError, "broken");
    EXPECT_FALSE(p.sourceImage(Uuid::random()));
    ASSERT_EQ(p.unusableImages().size(), 1u);
}

TEST(SharedList, CopiesAreIndependentValuesThatShareWhatTheyDidNotChange) {
    SlideList original{sectionDividerSlide(), sectionDividerSlide(), sectionDividerSlide()};
    SlideList copy = original;
    copy[1].title = "Changed";  // a write through the copy
    copy.push_back(sectionDividerSlide());
    EXPECT_EQ(original[1].title, "Section");
    EXPECT_EQ(original.size(), 3u);
    EXPECT_TRUE(original.sameElement(0, copy, 0));
    EXPECT_FALSE(original.sameElement(1, copy, 1));
    EXPECT_TRUE(original.sameElement(2, copy, 2));

    for (auto& slide : original)  // mutable iteration writes only the list iterated
        slide.notes = "n";
    EXPECT_EQ(copy[0].notes, "");
    EXPECT_NE(original, copy);
    copy = original;
    EXPECT_EQ(copy, original);
    SlideList other(std::vector<Slide>(original.begin(), original.end()));  // same values, own
    EXPECT_EQ(other, original);
    SlideList moved = std::move(copy);
    EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): moved-from lists are empty
}

using K = DocumentChangeKind;
using Kinds = std::vector<K>;

Project withBaseName(const std::string& name) {
    Project p = defaultProject();
    p.export_.suggestedBaseName = name;
    return p;
}

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest() {
        doc.addObserver([this](const DocumentChange& c) { events.push_back(c.kind); });
        doc.setUndoHistory(history);
    }
    Kinds take() { return std::exchange(events, {}); }
    const std::string& baseName() const { return doc.project().export_.suggestedBaseName; }

    std::shared_ptr<UndoHistory> history = std::make_shared<UndoHistory>();
    MosavelleDocument doc;
    Kinds events;
};

TEST_F(DocumentTest, EachSetterNotifiesOnceAndEqualValuesNotifyNobody) {
    const Uuid a = Uuid::random();
    const Kinds every{K::project,       K::pictures,  K::logo,     K::selection,
                      K::previewCommit, K::dragState, K::dragState};
    for (int round = 0; round < 2; ++round) {
        doc.setProject(withBaseName("Trip"));
        doc.setImageData({{a, Bytes("jpeg")}});  // equal contents in new storage the 2nd time
        doc.setLogoData(Bytes("png"));
        doc.setSelectedSlideIDs({a});
        doc.setCommittedPreviewSlideID(a);
        doc.setDraggingSlideIDs({a});
        doc.setIsDraggingSlide(true);
        doc.setImageBytes(a, Bytes("jpeg"));
        EXPECT_EQ(take(), round == 0 ? every : Kinds{});
    }
    doc.setImageBytes(a, Bytes("webp"));
    doc.setLogoData(std::nullopt);
    doc.setCommittedPreviewSlideID(std::nullopt);
    doc.setDragState({}, false);
    doc.setDragState({}, false);
    EXPECT_EQ(take(), (Kinds{K::pictures, K::logo, K::previewCommit, K::dragState}));

    // Pictures in files are told apart by place, never by reading them (this runs on the
    // interface thread): the same bytes in another file are a change, the same file is not.
    testing::TempDir folder;
    testing::writeFileBytes(folder / "one.jpg", Bytes("jpeg"));
    testing::writeFileBytes(folder / "two.jpg", Bytes("jpeg"));
    doc.setImageData({{a, StoredBytes::external(folder / "one.jpg", 4, {})}});
    doc.setImageData({{a, StoredBytes::external(folder / "one.jpg", 4, {})}});
    doc.setImageData({{a, StoredBytes::external(folder / "two.jpg", 4, {})}});
    EXPECT_EQ(take(), (Kinds{K::pictures, K::pictures}));

    // An observer removed during a notification is not called.
    MosavelleDocument::ObserverID second = 0;
    int secondCalls = 0;
    doc.addObserver([&](const DocumentChange&) { doc.removeObserver(second); });
    second = doc.addObserver([&](const DocumentChange&) { ++secondCalls; });
    doc.setLogoData(Bytes("x"));
    EXPECT_EQ(secondCalls, 0);
}

TEST_F(DocumentTest, ApplySnapshotSelectsTheFirstSlideOnlyWhenNothingIsSelected) {
    PackageSnapshot s;
    s.project.slides = {sectionDividerSlide(), sectionDividerSlide()};
    const Uuid picture = Uuid::random();
    s.images = {{picture, Bytes("jpeg")}};
    s.logo = Bytes("png");
    doc.applySnapshot(s);
    EXPECT_EQ(take(), (Kinds{K::project, K::pictures, K::logo, K::selection}));
    EXPECT_EQ(doc.selectedSlideIDs(), SlideIDSet{s.project.slides[0].id});
    EXPECT_EQ(doc.makeSnapshot(), s);
    EXPECT_TRUE(doc.makeSnapshot().images.at(picture).sharesStorageWith(s.images.at(picture)));

    EXPECT_EQ(history->undoCount(), 0u) << "opening a file is not an undoable change";

    const Uuid kept = Uuid::random();
    doc.setSelectedSlideIDs({kept});
    doc.applySnapshot(s);
    EXPECT_EQ(doc.selectedSlideIDs(), SlideIDSet{kept});
    MosavelleDocument empty;
    empty.applySnapshot(PackageSnapshot{});
    EXPECT_TRUE(empty.selectedSlideIDs().empty());
}

TEST_F(DocumentTest, UndoAndRedoSwapTheWholeProjectUnderOneName) {
    doc.changeProject(withBaseName("A"), "Rename Deck");
    doc.setSelectedSlideIDs({Uuid::random()});
    doc.setLogoData(Bytes("png"));
    take();
    history->undo();
    EXPECT_EQ(doc.project(), defaultProject());
    EXPECT_EQ(take(), Kinds{K::project});  // selection and logo are not part of undo
    EXPECT_EQ(history->redoName(), "Rename Deck");
    history->redo();
    EXPECT_EQ(baseName(), "A");
    EXPECT_EQ(history->undoName(), "Rename Deck");
    EXPECT_EQ(history->undoCount(), 1u);
    EXPECT_EQ(history->redoCount(), 0u);

    // A change that leaves the project as it was registers nothing.
    EXPECT_FALSE(doc.changeProject(doc.project(), "Rename Slide"));

    // Linking the same history again keeps the steps; linking another withdraws them.
    doc.setUndoHistory(history);
    EXPECT_EQ(history->undoCount(), 1u);
    auto other = std::make_shared<UndoHistory>();
    doc.setUndoHistory(other);
    EXPECT_EQ(history->undoCount(), 0u);
}

TEST_F(DocumentTest, ContinuousEditIsOneStepNoneWhenUnchangedOrCancelledAndUndoneWhole) {
    doc.beginContinuousEdit();
    doc.setProject(withBaseName("1"));
    doc.beginContinuousEdit();  // callers may repeat it; the first copy stays
    doc.setProject(withBaseName("2"));
    doc.endContinuousEdit("Change Scale");
    EXPECT_EQ(history->undoCount(), 1u);
    history->undo();
    EXPECT_EQ(doc.project(), defaultProject());

    doc.beginContinuousEdit();
    doc.setProject(withBaseName("1"));
    doc.setProject(defaultProject());
    doc.endContinuousEdit("Change Scale");
    doc.endContinuousEdit("Change Scale");  // none open: nothing
    EXPECT_EQ(history->undoCount(), 0u);
    EXPECT_EQ(history->redoCount(), 1u) << "ending without change must keep the redo step";

    // An operation inside a gesture is its own step; the gesture compares with its older copy.
    doc.beginContinuousEdit();
    doc.setProject(withBaseName("typed"));
    doc.changeProject(withBaseName("renamed"), "Rename Slide");
    doc.endContinuousEdit("Edit Notes");
    EXPECT_EQ(history->undoName(), "Edit Notes");
    EXPECT_EQ(history->undoCount(), 2u);
    history->undo();
    EXPECT_EQ(doc.project(), defaultProject());

    // A cancelled gesture restores the value and records nothing.
    doc.beginContinuousEdit("Change Scale");
    doc.setProject(withBaseName("dragged"));
    take();
    doc.cancelContinuousEdit();
    EXPECT_EQ(doc.project(), defaultProject());
    EXPECT_EQ(take(), Kinds{K::project});
    EXPECT_FALSE(doc.isInContinuousEdit());
    EXPECT_EQ(history->undoCount(), 1u);

    // Undo during a gesture takes back the whole gesture.
    doc.changeProject(withBaseName("before"), "Rename");
    doc.beginContinuousEdit("Change Scale");
    doc.setProject(withBaseName("1"));
    doc.setProject(withBaseName("2"));
    history->undo();
    EXPECT_EQ(baseName(), "before");
    EXPECT_FALSE(doc.isInContinuousEdit());
    EXPECT_EQ(history->redoName(), "Change Scale");
    doc.endContinuousEdit("Change Scale");  // the caller's own end finds nothing open
    history->redo();
    EXPECT_EQ(baseName(), "2");
    EXPECT_EQ(history->undoName(), "Change Scale");
}

TEST(DocumentLifetime, GoneDocumentLeavesNoStepsOrTasksAndOneWithoutHistoryStillEdits) {
    auto history = std::make_shared<UndoHistory>();
    std::vector<std::function<void()>> loop;
    int ran = 0;
    auto doc = std::make_unique<MosavelleDocument>();
    doc->setUndoHistory(history);
    doc->changeProject(withBaseName("A"), "Rename Deck");
    doc->setScheduler([&](std::function<void()> task) { loop.push_back(std::move(task)); });
    doc->postToNextTurn([&] { ++ran; });
    doc->beginContinuousEdit("Change Scale");
    doc->setProject(withBaseName("B"));
    doc.reset();
    EXPECT_FALSE(history->canUndo());
    history->undo();  // must not close the gone document's edit
    for (auto& task : loop)
        task();
    EXPECT_EQ(ran, 0);

    // A document without a history still applies changes and gestures.
    MosavelleDocument loose;
    loose.changeProject(withBaseName("A"), "Rename Deck");
    loose.beginContinuousEdit();
    loose.setProject(withBaseName("B"));
    loose.endContinuousEdit("Edit Notes");
    EXPECT_EQ(loose.project().export_.suggestedBaseName, "B");
    EXPECT_FALSE(loose.isInContinuousEdit());
}

// A counter whose every change is a step that registers its own reverse, like a project swap.
struct Counter {
    UndoHistory& history;
    int value = 0;
    void set(int v, const std::string& name) {
        int old = value;
        value = v;
        history.registerStep(
            name, [this, old] { set(old, ""); }, this);
    }
};

TEST(UndoHistory, CleanMarkFollowsUndoRedoAndIsLostWhenHistoryForks) {
    UndoHistory history;
    Counter c{history};
    int notified = 0;
    history.setChangeHandler([&] { ++notified; });
    EXPECT_TRUE(history.isClean());
    c.set(1, "One");
    EXPECT_FALSE(history.isClean());
    history.markClean();
    c.set(2, "Two");
    history.undo();
    EXPECT_TRUE(history.isClean());
    history.undo();
    EXPECT_FALSE(history.isClean());
    history.redo();
    EXPECT_TRUE(history.isClean());
    history.undo();
    c.set(3, "Three");  // the saved state (value 1) can no longer be reached
    EXPECT_FALSE(history.canRedo());
    history.undo();
    EXPECT_EQ(c.value, 0);
    EXPECT_FALSE(history.isClean());
    history.redo();
    EXPECT_FALSE(history.isClean());
    EXPECT_GE(notified, 9);
}

TEST(UndoHistory, NestedUndoIsIgnoredOwnersCanWithdrawStepsAndAThrowingStepLeavesItUsable) {
    UndoHistory history;
    Counter a{history}, b{history};
    int runs = 0;
    history.registerStep("Nested", [&] {
        ++runs;
        history.undo();  // must not run another step from inside this one
    });
    a.set(1, "A");
    b.set(1, "B");
    a.set(2, "A");
    history.removeSteps(&a);
    EXPECT_EQ(history.undoName(), "B");
    history.undo();
    EXPECT_EQ(b.value, 0);
    EXPECT_EQ(a.value, 2);
    history.undo();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(history.undoCount(), 0u);

    // A throwing step leaves the history usable.
    b.set(1, "One");
    history.markClean();
    history.registerStep("Broken", [] { throw std::runtime_error("step failed"); });
    EXPECT_THROW(history.undo(), std::runtime_error);
    EXPECT_FALSE(history.isClean()) << "what the failed step left is not the saved state";
    EXPECT_EQ(history.undoName(), "One");
    history.undo();
    EXPECT_EQ(b.value, 0);
    history.redo();
    EXPECT_EQ(b.value, 1);
    b.set(2, "Two");
    EXPECT_EQ(history.undoCount(), 2u);
}

TEST(UndoHistory, PendingEditIsClosedBeforeUndoAndRedo) {
    UndoHistory history;
    Counter c{history};
    c.set(1, "One");
    history.undo();
    bool pending = true;
    history.setPendingEditCloser(&c, [&] {
        if (std::exchange(pending, false))
            c.set(5, "Drag");
    });
    history.redo();  // the closed edit forks the history: nothing left to redo
    EXPECT_EQ(c.value, 5);
    EXPECT_EQ(history.undoName(), "Drag");
    pending = true;
    history.undo();  // closes a second gesture, then takes it back
    EXPECT_EQ(c.value, 5);
    EXPECT_EQ(history.redoName(), "Drag");
    history.setPendingEditCloser(&c, nullptr);
    pending = true;
    history.undo();
    EXPECT_TRUE(pending) << "a withdrawn closer must not run";
}

namespace fs = std::filesystem;
using testing::readFileBytes;
using testing::writeFileBytes;

class DefaultsStoreTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    fs::path folder = dir / "data" / "Mosavelle";  // parents missing on purpose

    AppearanceSettings namedLook(std::optional<std::string> logoName) {
        AppearanceSettings look;
        look.typography.fontName = "Futura";
        look.branding.logoFileName = std::move(logoName);
        return look;
    }
};

TEST_F(DefaultsStoreTest, SavedSettingsAndUnnamedLogoAreUsedAtOnceAndSurviveARestart) {
    {
        DefaultSettingsStore store(folder);
        EXPECT_TRUE(fs::is_directory(folder));
        EXPECT_EQ(store.newProject(), defaultProject());
        EXPECT_FALSE(store.stored() || store.logoData());
        store.saveAsDefault(namedLook(std::nullopt), QualityPreset::balanced, "Talk",
                            SortMode::captureDate, Bytes("logo bytes"));
        EXPECT_EQ(store.newProject().appearance, namedLook("logo.png"));
        const auto untitled = MosavelleDocument::makeUntitled(store);  // a new deck uses them
        EXPECT_EQ(untitled->project(), store.newProject());
        EXPECT_EQ(untitled->logoData(), Bytes("logo bytes"));
    }
    EXPECT_EQ(readFileBytes(folder / "default-logo.png"), Bytes("logo bytes"));
    DefaultSettingsStore reopened(folder);
    Project expected = defaultProject();
    expected.appearance = namedLook("logo.png");
    expected.export_ = {QualityPreset::balanced, "Talk"};
    expected.sort = SortMode::captureDate;
    EXPECT_EQ(reopened.newProject(), expected);
    EXPECT_EQ(reopened.logoData(), Bytes("logo bytes"));

    // Saving without a logo (empty bytes count as none) forgets the logo and its name.
    reopened.saveAsDefault(namedLook("b.png"), QualityPreset::best, "B", SortMode::manual, Bytes());
    EXPECT_FALSE(fs::exists(folder / "default-logo.png"));
    DefaultSettingsStore again(folder);
    EXPECT_FALSE(again.logoData());
    EXPECT_EQ(again.newProject().appearance, namedLook(std::nullopt));
}

TEST_F(DefaultsStoreTest, IncompleteSettingsAndEmptyLogoFilesAreIgnored) {
    fs::create_directories(folder);
    DocumentDefaults saved;
    saved.appearance = namedLook("logo.png");
    auto json = nlohmann::json::parse(encodeDefaults(saved).value().view());
    json.erase("sort");
    writeFileBytes(folder / "default-settings.json", Bytes(json.dump()));
    writeFileBytes(folder / "default-logo.png", Bytes());
    DefaultSettingsStore store(folder);
    EXPECT_FALSE(store.stored() || store.logoData());
    EXPECT_EQ(store.newProject(), defaultProject());

    // With the member back, the same file is read, and the name is dropped for want of a logo.
    json["sort"] = "filename";
    writeFileBytes(folder / "default-settings.json", Bytes(json.dump()));
    store.loadFromDisk();
    ASSERT_TRUE(store.stored());
    EXPECT_EQ(store.newProject().sort, SortMode::filename);
    EXPECT_FALSE(store.newProject().appearance.branding.logoFileName);

    // A pipe in place of the logo must not hang the reader.
    fs::remove(folder / "default-logo.png");
    ASSERT_EQ(::mkfifo((folder / "default-logo.png").c_str(), 0600), 0);
    store.loadFromDisk();
    EXPECT_FALSE(store.logoData());
}

TEST_F(DefaultsStoreTest, FailedWritesAreSilentAndNeverLeaveAPartialFile) {
    DefaultSettingsStore(folder).saveAsDefault(namedLook(std::nullopt), QualityPreset::best, "Kept",
                                               SortMode::manual, Bytes("kept"));
    const Bytes settings = readFileBytes(folder / "default-settings.json");
    {
        testing::FaultyFileSystem recorder;
        DefaultSettingsStore(folder, recorder)
            .saveAsDefault(namedLook(std::nullopt), QualityPreset::best, "Kept", SortMode::manual,
                           Bytes("kept"));
        EXPECT_EQ(recorder.moves(), 2);
        EXPECT_EQ(recorder.unflushedWhenMoved(), std::vector<std::string>{});
    }
    for (int k = 0; k < 9; ++k) {
        testing::FaultyFileSystem faulty;
        DefaultSettingsStore store(folder, faulty);
        faulty.failAt = faulty.changes + k;
        store.saveAsDefault(namedLook(std::nullopt), QualityPreset::small, "New",
                            SortMode::filename, Bytes("new logo"));
        EXPECT_EQ(store.newProject().export_.suggestedBaseName, "New") << k;

        DefaultSettingsStore reread(folder);
        ASSERT_TRUE(reread.stored()) << faulty.failed.at(0);
        EXPECT_TRUE(reread.logoData() == Bytes("kept") || reread.logoData() == Bytes("new logo"));
        for (const auto& entry : fs::directory_iterator(folder)) {
            EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << faulty.failed[0];
        }
        writeFileBytes(folder / "default-settings.json", settings);
        writeFileBytes(folder / "default-logo.png", Bytes("kept"));
    }
}

TEST(DefaultsStoreFolder, FollowsXdgDataHomeOnlyWhenAbsolute) {
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", "/home/someone", 1);
    const fs::path home = "/home/someone/.local/share/Mosavelle";
    for (auto [xdg, folder] : {std::pair<const char*, fs::path>{"/data/xdg", "/data/xdg/Mosavelle"},
                               {"relative/xdg", home},
                               {nullptr, home}}) {
        xdg ? ::setenv("XDG_DATA_HOME", xdg, 1) : ::unsetenv("XDG_DATA_HOME");
        EXPECT_EQ(DefaultSettingsStore::defaultFolder(), folder) << (xdg ? xdg : "unset");
    }
    ::setenv("HOME", savedHome.c_str(), 1);
}

using testing::TempDir;

class RecoveryStoreTest : public ::testing::Test {
protected:
    // A deck of one staged picture, as an editing session holds it.
    PackageSnapshot stagedDeck(const std::string& text) {
        PackageSnapshot snapshot;
        auto image = testing::pictureRecord(text + ".jpg");
        const Bytes bytes(text.data(), text.size());
        image.sha256 = sha256Hex(bytes);
        snapshot.images.emplace(image.id, staging->store(bytes, image.sha256).value());
        snapshot.project.slides.push_back(singleImageSlide(image.id, text));
        snapshot.project.images.push_back(image);
        return snapshot;
    }
    static ino_t inode(const std::filesystem::path& file) {
        struct stat facts {};
        return ::stat(file.c_str(), &facts) == 0 ? facts.st_ino : 0;
    }

    TempDir dir;
    std::shared_ptr<StagingFolder> staging = StagingFolder::create(dir / "staging");
    RecoveryStore store{dir / "recovery"};
    RecoveryManifest manifest{"Trip", "/decks/Trip.mosavelle", Timestamp(std::chrono::hours(1))};
};

TEST_F(RecoveryStoreTest, CopiesOfLiveDocumentsAreNotOfferedAndStaleWritesNeverWin) {
    auto copy = store.open(Uuid::random()).value();
    ASSERT_TRUE(copy->write(stagedDeck("old"), manifest, 1).ok());
    const PackageSnapshot newer = stagedDeck("new");
    ASSERT_TRUE(copy->write(newer, {"untitled", {}, manifest.written}, 3).ok());
    ASSERT_TRUE(copy->write(stagedDeck("queued before"), manifest, 2).ok());  // overtaken
    EXPECT_TRUE(store.abandoned().empty());                                   // its lock is held
    EXPECT_FALSE(store.open(copy->id()).ok());
    // The staged picture is linked, not copied.
    const auto& picture = newer.project.images[0];
    EXPECT_EQ(inode(*newer.images.at(picture.id).file()),
              inode(copy->folder() / "deck.mosavelle" / "images" / picture.storedFileName));

    EXPECT_EQ(copy->read(StagingFolder::create(dir / "s")).value().snapshot, newer);

    // Saved at revision 5: a write queued at 4 must not bring the copy back.
    copy->discard(5);
    ASSERT_TRUE(copy->write(newer, manifest, 4).ok());
    copy.reset();
    EXPECT_TRUE(testing::namesIn(store.root()).empty());
}

TEST_F(RecoveryStoreTest, DamagedCopiesAreListedByNameFailToReadAndCanBeDiscarded) {
    auto badManifest = store.open(Uuid::random()).value();
    auto badPackage = store.open(Uuid::random()).value();
    ASSERT_TRUE(badManifest->write(stagedDeck("a"), manifest, 1).ok());
    ASSERT_TRUE(badPackage->write(stagedDeck("b"), manifest, 1).ok());
    testing::writeFileBytes(badManifest->folder() / "manifest.json", Bytes("{\"name\": 3"));
    testing::writeFileBytes(badPackage->folder() / "deck.mosavelle" / "project.json",
                            Bytes("not json"));
    const Uuid unreadable = badManifest->id();
    badManifest.reset();
    badPackage.reset();

    const auto offered = store.abandoned();
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0].manifest, manifest);  // newest first; the unreadable one last
    EXPECT_EQ(offered[1].name, unreadable.text());
    for (const AbandonedCopy& entry : offered) {
        const auto read = store.open(entry.id).value()->read(StagingFolder::create(dir / "s"));
        ASSERT_FALSE(read.ok());
        EXPECT_NE(read.error().message.find("“" + entry.name + "”"), std::string::npos);
        EXPECT_TRUE(store.discard(entry.id));
    }
    EXPECT_TRUE(store.abandoned().empty());
}

const std::string missing(missingImageMessage);
const std::string damaged(damagedPackageMessage);

Bytes noise(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> data(size);
    for (auto& b : data)
        b = static_cast<std::uint8_t>(rng());
    return Bytes(std::move(data));
}

// A deck of `count` pictures, each on its own slide, with their bytes and a named logo.
PackageSnapshot deck(int count, unsigned seed) {
    PackageSnapshot snapshot;
    for (int i = 0; i < count; ++i) {
        auto image = testing::pictureRecord("photo" + std::to_string(i) + ".JPG");
        snapshot.images.emplace(image.id, noise(1000 + 97 * i, seed + i));
        image.sha256 = sha256Hex(snapshot.images.at(image.id).read().value());
        snapshot.project.slides.push_back(singleImageSlide(image.id, ""));
        snapshot.project.images.push_back(image);
    }
    snapshot.project.appearance.branding.logoFileName = "brand.png";
    snapshot.logo = noise(300, seed + 100);
    return snapshot;
}

// Every entry under `root`, relative, sorted, directories ending in '/'.
std::string listing(const fs::path& root) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        names.insert(fs::relative(entry.path(), root).string() +
                     (entry.is_directory() && !entry.is_symlink() ? "/" : ""));
    std::string out;
    for (const auto& n : names)
        out += (out.empty() ? "" : " ") + n;
    return out;
}

// A package whose "project.json" holds `project` as it stands, names unchecked.
void plant(const fs::path& root, const Project& project) {
    fs::create_directories(root / "images");
    writeFileBytes(root / "project.json", encodeProject(project).value());
}

// The failure message of reading `root`, or "opened". Every failure to open is a damaged file
// to the caller, whatever its sentence.
std::string openFailure(const fs::path& root) {
    auto r = readProjectPackage(root);
    if (!r.ok()) {
        EXPECT_EQ(r.error().code, ErrorCode::damaged) << r.error().message;
    }
    return r.ok() ? "opened" : r.error().message;
}

class PackageTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path pkg = dir / "Deck.mosavelle";
};

TEST_F(PackageTest, WritesOnlyHeldPicturesAndANamedLogoAndFailsWithTheCodeOfItsCause) {
    PackageSnapshot s = deck(2, 2);
    const SourceImage held = s.project.images[0];
    s.images.erase(s.project.images[1].id);              // listed, bytes not held
    s.images.emplace(Uuid::random(), noise(10, 3));      // held, not listed
    s.project.appearance.branding.logoFileName.reset();  // logo bytes without a name
    ASSERT_TRUE(writeProjectPackage(s, pkg).ok());
    EXPECT_EQ(listing(pkg), "images/ images/" + held.storedFileName + " project.json");

    PackageSnapshot empty;
    empty.project.appearance.branding.logoFileName = "logo.png";  // a name without bytes
    ASSERT_TRUE(writeProjectPackage(empty, pkg).ok());
    EXPECT_EQ(listing(pkg), "images/ project.json");
    EXPECT_EQ(readProjectPackage(pkg).value(), empty);

    // A failed save keeps the code of its cause.
    const auto saved = writeProjectPackage(empty, pkg / "project.json" / "Deck.mosavelle");
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().code, ErrorCode::notFound) << saved.error().message;
}

TEST_F(PackageTest, DamagedOrNewerPackagesDoNotOpenAndNestingIsReadWithinBoundedMemory) {
    EXPECT_EQ(openFailure(dir / "absent.mosavelle"), damaged);
    fs::create_directory(pkg);
    EXPECT_EQ(openFailure(pkg), damaged);  // empty
    writeFileBytes(pkg / "notes.txt", Bytes("x"));
    EXPECT_EQ(openFailure(pkg / "notes.txt"), damaged);  // root not a directory
    fs::create_directory(pkg / "project.json");
    EXPECT_EQ(openFailure(pkg), damaged);  // not a file
    fs::remove(pkg / "project.json");
    writeFileBytes(pkg / "project.json", Bytes());
    EXPECT_EQ(openFailure(pkg), damaged);  // no contents

    // A link to a good "project.json" elsewhere is not the package's own file.
    plant(dir / "elsewhere", defaultProject());
    fs::remove(pkg / "project.json");
    fs::create_symlink(dir / "elsewhere" / "project.json", pkg / "project.json");
    EXPECT_EQ(openFailure(pkg), damaged);

    // A newer version is recognised even in a file that fails to decode for that reason.
    fs::remove(pkg / "project.json");
    writeFileBytes(pkg / "project.json", Bytes("{\"slides\": [[[]]], \"formatVersion\": 2.5}"));
    EXPECT_EQ(openFailure(pkg), damaged);
    for (const char* undecodable : {"{\"formatVersion\": 1", "[{\"formatVersion\": 2}]"}) {
        writeFileBytes(pkg / "project.json", Bytes(undecodable));
        EXPECT_NE(openFailure(pkg), damaged) << undecodable;
        EXPECT_NE(openFailure(pkg), "opened") << undecodable;
    }

// The sanitizers' shadow memory alone exceeds the limit.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // Telling whether text nested far deeper than any deck is from a newer version must not
    // build it as a tree: the read runs with 512 MiB of address space, which a tree would exceed.
    writeFileBytes(pkg / "project.json",
                   Bytes("{\"formatVersion\": 2, \"slides\": " + std::string(16u << 20, '[')));
    auto readWithLimitedMemory = [&] {
        const rlimit limit{512u << 20, 512u << 20};
        ::setrlimit(RLIMIT_AS, &limit);
        std::exit(readProjectPackage(pkg).ok() ? 1 : 0);
    };
    EXPECT_EXIT(readWithLimitedMemory(), ::testing::ExitedWithCode(0), "");
#endif
}

TEST_F(PackageTest,
       RoundTripKeepsEveryByteRewritesIdenticallyAndMissingFilesMarkOnlyTheirPictures) {
    PackageSnapshot s = deck(3, 4);
    ASSERT_TRUE(writeProjectPackage(s, pkg).ok());
    // Saving what was read over the package gives the same bytes and leaves nothing beside it.
    const Bytes json = readFileBytes(pkg / "project.json");
    ASSERT_TRUE(writeProjectPackage(readProjectPackage(pkg).value(), pkg).ok());
    EXPECT_EQ(readFileBytes(pkg / "project.json"), json);
    EXPECT_EQ(readFileBytes(pkg / "branding" / "brand.png"), *s.logo);
    EXPECT_EQ(listing(dir.path()).find(".Deck"), std::string::npos) << listing(dir.path());

    fs::remove(pkg / "images" / s.project.images[1].storedFileName);
    fs::remove(pkg / "branding" / "brand.png");
    auto back = readProjectPackage(pkg).value();
    PackageSnapshot expected = s;
    expected.project.images[1].importError = missing;
    expected.images.erase(s.project.images[1].id);
    expected.logo.reset();
    EXPECT_EQ(back, expected);

    // Without an "images" folder nothing has bytes and nothing is marked.
    fs::remove_all(pkg / "images");
    back = readProjectPackage(pkg).value();
    EXPECT_TRUE(back.images.empty());
    EXPECT_TRUE(back.project.unusableImages().empty());
}

TEST_F(PackageTest, PicturesTheCacheCannotTakeAreReadInPlaceAndNoSaveDropsAPicture) {
    const PackageSnapshot s = deck(3, 7);
    ASSERT_TRUE(writeProjectPackage(s, pkg).ok());
    // A staging folder where a file stands, and one on a disk full after the first picture.
    writeFileBytes(dir / "file", Bytes("in the way"));
    testing::FaultyFileSystem full;
    full.failAt = 1;
    full.crash = true;
    for (auto [staging, files] :
         {std::pair{StagingFolder::create(dir / "file" / "staging"), &realFileSystem()},
          {StagingFolder::create(dir / "staging"), &full}}) {
        const auto back = readProjectPackage(pkg, *files, staging).value();
        EXPECT_EQ(back, s);
        EXPECT_TRUE(staging->firstFailure());
        ASSERT_TRUE(writeProjectPackage(back, pkg).ok());  // over the package it reads from
        EXPECT_EQ(readProjectPackage(pkg).value(), s);
    }

    // Without the bytes of a picture the package holds, a save over it would delete the file.
    PackageSnapshot lacking = s;
    lacking.images.erase(s.project.images[1].id);
    const auto refused = writeProjectPackage(lacking, pkg);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().message.find("picture “" + s.project.images[1].originalFileName +
                                           "” could not be read"),
              std::string::npos);
    EXPECT_EQ(readProjectPackage(pkg).value(), s);
}

TEST_F(PackageTest, UntrustedNamesAndLinksNeverReachOutsideThePackage) {
    writeFileBytes(dir / "secret.jpg", Bytes("secret"));
    writeFileBytes(dir / "secret.png", Bytes("secret"));
    Project p;
    const std::string names[] = {"../../secret.jpg", dir / "secret.jpg", ".",        "..",
                                 "sub/x.jpg",        "link.jpg",         "fine.jpg", ""};
    for (const auto& name : names) {
        p.images.push_back(testing::pictureRecord("photo.JPG"));
        p.images.back().storedFileName = name;
    }
    p.appearance.branding.logoFileName = "../../secret.png";
    plant(pkg, p);
    fs::create_directory(pkg / "branding");
    fs::create_symlink(dir / "secret.jpg", pkg / "images" / "link.jpg");
    writeFileBytes(pkg / "images" / "fine.jpg", Bytes("fine"));
    fs::create_directory(pkg / "images" / "sub");
    writeFileBytes(pkg / "images" / "sub" / "x.jpg", Bytes("nested"));

    auto back = readProjectPackage(pkg).value();
    EXPECT_EQ(back.images, (ImageDataMap{{p.images[6].id, Bytes("fine")}}));
    for (std::size_t i = 0; i < p.images.size(); ++i)
        EXPECT_EQ(back.project.images[i].importError == missing, i != 6) << i;
    EXPECT_FALSE(back.logo);

    // An "images" folder that is a link to a folder outside is not read.
    fs::remove_all(pkg / "images");
    fs::create_directory_symlink(dir.path(), pkg / "images");
    p.images = {p.images[0]};
    p.images[0].storedFileName = "secret.jpg";
    writeFileBytes(pkg / "project.json", encodeProject(p).value());
    EXPECT_TRUE(readProjectPackage(pkg).value().images.empty());
}

// The deck's copy of a picture (here the staged links of an opened package) that was cut or
// rewritten on disk is never saved as the picture it was; one merely touched is not named.
TEST_F(PackageTest, CopiesChangedOnDiskFailTheSaveByName) {
    const PackageSnapshot original = deck(7, 50);
    ASSERT_TRUE(writeProjectPackage(original, pkg).ok());
    auto opened = readProjectPackage(pkg, realFileSystem(), StagingFolder::create(dir / "staging"));
    const auto copy = [&](int i) {
        return *opened->images.at(original.project.images[i].id).file();
    };
    const auto later = fs::last_write_time(copy(0)) + std::chrono::hours(1);
    writeFileBytes(copy(0), noise(1000, 99));  // the same size, other bytes
    fs::resize_file(copy(1), 0);
    for (int i : {0, 2})
        fs::last_write_time(copy(i), later);
    auto saved = writeProjectPackage(*opened, dir / "Other.mosavelle");
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().message,
              "The project “Other.mosavelle” could not be saved: the deck’s copies of the pictures "
              "“photo0.JPG” and “photo1.JPG” were changed or damaged on disk.");
    EXPECT_FALSE(fs::exists(dir / "Other.mosavelle"));
    // Past four, three names and how many others; said by identifier for an interface.
    for (int i : {3, 4, 5, 6})
        fs::resize_file(copy(i), 0);
    saved = writeProjectPackage(*opened, dir / "Other.mosavelle");
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().message,
              "The project “Other.mosavelle” could not be saved: the deck’s copies of the pictures "
              "“photo0.JPG”, “photo1.JPG”, “photo3.JPG” and 3 others were changed or damaged on "
              "disk.");
    ASSERT_TRUE(saved.error().text);
    EXPECT_EQ(saved.error().text->quotes.at(0).id, TextId::morePicturesChanged);
}

// What killed saves left beside the packages of a folder goes when the folder is next written,
// except what a save under way holds and the only copy left of a missing package.
TEST_F(PackageTest, LeftoversOfKilledSavesGoWhenTheFolderIsNextWritten) {
    const std::string id = "." + Uuid::random().text();
    for (const std::string& folder :
         {".old.mosavelle" + id + ".saving", std::string(".old.mosavelle.saving"),
          ".busy.mosavelle" + id + ".saving", ".gone.mosavelle" + id + ".previous"})
        fs::create_directories(dir / folder / "images");
    for (const char* file : {".old.mosavelle.lock", ".theirs.lock"})
        writeFileBytes(dir / file, Bytes());
    auto busy = PackageLock::acquire(dir / "busy.mosavelle");
    EXPECT_FALSE(PackageLock::acquire(dir / "busy.mosavelle", [] { return true; }).ok());
    ASSERT_TRUE(writeProjectPackage(deck(1, 60), pkg).ok());
    EXPECT_EQ(listing(dir.path()).find(".old"), std::string::npos) << listing(dir.path());
    for (const std::string& kept :
         {".busy.mosavelle" + id + ".saving", std::string(".busy.mosavelle.lock"),
          ".gone.mosavelle" + id + ".previous", std::string(".theirs.lock")})
        EXPECT_TRUE(fs::exists(dir / kept)) << kept;
}

TEST_F(PackageTest, SavingReplacesUnsafeAndCollidingNames) {
    PackageSnapshot s = deck(4, 5);
    auto& images = s.project.images;
    images[0].storedFileName = "../../escape.jpg";
    images[1].storedFileName = "/tmp/absolute.jpg";
    images[2].storedFileName = images[3].storedFileName;  // two pictures, one name
    images[1].originalFileName = "no-extension";
    s.project.appearance.branding.logoFileName = "../logo.GIF";

    auto written = writeProjectPackage(s, pkg).value();
    EXPECT_EQ(written.images[0].storedFileName, images[0].id.text() + ".jpg");
    EXPECT_EQ(written.images[1].storedFileName, images[1].id.text() + ".img");
    EXPECT_NE(written.images[2].storedFileName, written.images[3].storedFileName);
    EXPECT_EQ(written.appearance.branding.logoFileName, "logo.gif");
    EXPECT_FALSE(fs::exists(dir.path().parent_path() / "escape.jpg"));
    EXPECT_EQ(listing(dir.path()).find("escape"), std::string::npos);
    EXPECT_EQ(readProjectPackage(pkg).value(), (PackageSnapshot{written, s.images, s.logo}));
}

// Saves a new deck over an old package with one change of the disk failing (or, with `crash`,
// every change from that one on), for every change the save makes in turn.
void failEveryStep(bool crash, bool exchangeUnsupported) {
    const PackageSnapshot before = deck(1, 10);
    PackageSnapshot after = deck(2, 20);
    MosavelleDocument document(after.project, after.images, after.logo);
    int failures = 0;
    for (int k = 0;; ++k) {
        TempDir dir;
        const fs::path pkg = dir / "Deck.mosavelle";
        ASSERT_TRUE(writeProjectPackage(before, pkg).ok());
        testing::FaultyFileSystem faulty;
        faulty.failAt = k;
        faulty.crash = crash;
        faulty.exchangeUnsupported = exchangeUnsupported;
        auto result = writeProjectPackage(document.makeSnapshot(), pkg, faulty);
        if (faulty.failed.empty())
            break;  // k is past the last change
        const std::string step = faulty.failed.front();
        SCOPED_TRACE(step);

        (void)restoreInterruptedSave(pkg);  // what a save killed between its two moves set aside
        EXPECT_EQ(readProjectPackage(pkg).value(), result.ok() ? after : before);
        if (step.starts_with("write") || step.starts_with("mkdir ") ||
            (step.starts_with("flush") && step != "flush " + dir.path().filename().string())) {
            EXPECT_FALSE(result.ok()) << "reported as saved";
        }
        // Named after the package, never after the folders the save works in.
        const std::string sentence =
            "The project “Deck.mosavelle” could not be saved: Input/output error.";
        EXPECT_EQ(result.ok() ? sentence : result.error().message, sentence);
        failures += result.ok() ? 0 : 1;
        EXPECT_EQ(document.makeSnapshot(), after);

        ASSERT_TRUE(writeProjectPackage(document.makeSnapshot(), pkg).ok());
        EXPECT_EQ(listing(dir.path()).find(".Deck"), std::string::npos);
    }
    EXPECT_GT(failures, 10);
}

TEST(PackageFaults, EverySavedFileIsFlushedBeforeItIsMovedAndEveryFailedStepLeavesTheOldPackage) {
    for (const bool noExchange : {false, true}) {
        TempDir dir;
        const fs::path pkg = dir / "Deck.mosavelle";
        testing::FaultyFileSystem faulty;
        faulty.exchangeUnsupported = noExchange;
        ASSERT_TRUE(writeProjectPackage(deck(2, 30), pkg, faulty).ok());  // a new package
        ASSERT_TRUE(writeProjectPackage(deck(1, 40), pkg, faulty).ok());  // over the old one
        EXPECT_GE(faulty.moves(), 2);
        EXPECT_EQ(faulty.unflushedWhenMoved(), std::vector<std::string>{}) << noExchange;
    }
    // Every failed or crashed step leaves the previous package.
    for (auto [crash, noExchange] :
         {std::pair{false, false}, {false, true}, {true, false}, {true, true}}) {
        SCOPED_TRACE(::testing::Message() << "crash " << crash << ", no exchange " << noExchange);
        failEveryStep(crash, noExchange);
    }
}

}  // namespace
}  // namespace mosavelle
