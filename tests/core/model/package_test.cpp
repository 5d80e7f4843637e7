#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/model/document.h"
#include "core/model/package.h"
#include "core/model/package_lock.h"
#include "core/model/project_json.h"
#include "core/platform/sha256.h"
#include "support/deck_support.h"
#include "support/faulty_file_system.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using testing::readFileBytes;
using testing::TempDir;
using testing::writeFileBytes;

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

TEST_F(PackageTest, RoundTripKeepsEveryByteAndRewritesIdentically) {
    PackageSnapshot original = deck(3, 1);
    ASSERT_TRUE(writeProjectPackage(original, pkg).ok());
    auto back = readProjectPackage(pkg).value();
    EXPECT_EQ(back, original);
    for (const auto& image : original.project.images)
        EXPECT_EQ(readFileBytes(pkg / "images" / image.storedFileName), original.images[image.id]);
    EXPECT_EQ(readFileBytes(pkg / "branding" / "brand.png"), *original.logo);

    // Saving what was read over the package gives the same bytes and leaves nothing beside it.
    Bytes json = readFileBytes(pkg / "project.json");
    ASSERT_TRUE(writeProjectPackage(back, pkg).ok());
    EXPECT_EQ(readFileBytes(pkg / "project.json"), json);
    EXPECT_EQ(listing(dir.path()).find(".Deck"), std::string::npos) << listing(dir.path());
}

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

TEST_F(PackageTest, MissingFilesMarkOnlyTheirPictures) {
    PackageSnapshot s = deck(3, 4);
    ASSERT_TRUE(writeProjectPackage(s, pkg).ok());
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

// A picture file whose size no buffer can hold (a sparse file of 8 TiB) opens as missing.
TEST_F(PackageTest, PictureTooLargeToHoldIsReadAsMissing) {
    if (readFileBytes("/proc/sys/vm/overcommit_memory").view().starts_with("1"))
        GTEST_SKIP() << "memory is overcommitted without limit; the buffer would be granted";
    PackageSnapshot s = deck(2, 6);
    ASSERT_TRUE(writeProjectPackage(s, pkg).ok());
    std::error_code ec;
    fs::resize_file(pkg / "images" / s.project.images[0].storedFileName, 1ull << 43, ec);
    if (ec)
        GTEST_SKIP() << "no sparse files here: " << ec.message();
    auto back = readProjectPackage(pkg).value();
    EXPECT_EQ(back.project.images[0].importError, missing);
    EXPECT_FALSE(back.images.contains(s.project.images[0].id));
    EXPECT_EQ(back.images.at(s.project.images[1].id), s.images.at(s.project.images[1].id));
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
