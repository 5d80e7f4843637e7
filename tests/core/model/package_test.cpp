#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/model/document.h"
#include "core/model/package.h"
#include "core/model/project_json.h"
#include "faulty_file_system.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

namespace fs = std::filesystem;
using testing::FaultyFileSystem;
using testing::readFileBytes;
using testing::TempDir;
using testing::writeFileBytes;

Bytes noise(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> data(size);
    for (auto& b : data)
        b = static_cast<std::uint8_t>(rng());
    return Bytes(std::move(data));
}

SourceImage picture(const std::string& original) {
    SourceImage image;
    image.id = Uuid::random();
    image.originalFileName = original;
    image.storedFileName = image.id.text() + ".jpg";
    return image;
}

// A deck of `count` pictures, each on its own slide, with their bytes and a named logo.
PackageSnapshot deck(int count, unsigned seed) {
    PackageSnapshot snapshot;
    for (int i = 0; i < count; ++i) {
        auto image = picture("photo" + std::to_string(i) + ".JPG");
        snapshot.images.emplace(image.id, noise(1000 + 97 * i, seed + i));
        snapshot.project.slides.push_back(singleImageSlide(image.id, ""));
        snapshot.project.images.push_back(image);
    }
    snapshot.project.appearance.branding.logoFileName = "brand.png";
    snapshot.logo = noise(300, seed + 100);
    return snapshot;
}

// Every entry under `root`, relative, sorted, directories ending in '/': one string to compare.
std::string listing(const fs::path& root) {
    std::vector<std::string> names;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        std::string name = fs::relative(it->path(), root).string();
        if (it->is_directory() && !it->is_symlink())
            name += "/";
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
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

class PackageTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path pkg = dir / "Deck.mosavelle";
};

TEST_F(PackageTest, RoundTripKeepsEveryByteAndRewritesIdentically) {
    PackageSnapshot original = deck(3, 1);
    ASSERT_TRUE(writeProjectPackage(original, pkg).ok());
    auto back = readProjectPackage(pkg);
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(*back, original);
    for (const auto& image : original.project.images) {
        EXPECT_EQ(readFileBytes(pkg / "images" / image.storedFileName), original.images[image.id]);
    }
    EXPECT_EQ(readFileBytes(pkg / "branding" / "brand.png"), *original.logo);

    // Saving what was read over the package gives the same bytes and leaves nothing beside it.
    Bytes json = readFileBytes(pkg / "project.json");
    ASSERT_TRUE(writeProjectPackage(*back, pkg).ok());
    EXPECT_EQ(readFileBytes(pkg / "project.json"), json);
    EXPECT_EQ(listing(dir.path()).find(".Deck"), std::string::npos) << listing(dir.path());
}

TEST_F(PackageTest, WritesOnlyHeldPicturesAndANamedLogo) {
    PackageSnapshot s = deck(2, 2);
    const SourceImage held = s.project.images[0];
    s.images.erase(s.project.images[1].id);              // listed, bytes not held
    s.images.emplace(Uuid::random(), noise(10, 3));      // held, not listed
    s.project.appearance.branding.logoFileName.reset();  // logo bytes without a name
    ASSERT_TRUE(writeProjectPackage(s, pkg).ok());
    EXPECT_EQ(listing(pkg), "images/ images/" + held.storedFileName + " project.json");

    PackageSnapshot empty;
    empty.project.appearance.branding.logoFileName = "logo.png";  // a name without bytes
    ASSERT_TRUE(writeProjectPackage(empty, dir / "Empty.mosavelle").ok());
    EXPECT_EQ(listing(dir / "Empty.mosavelle"), "images/ project.json");
    auto back = readProjectPackage(dir / "Empty.mosavelle");
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->project.appearance.branding.logoFileName, "logo.png");
    EXPECT_FALSE(back->logo);
}

TEST_F(PackageTest, DamagedOrNewerPackagesDoNotOpen) {
    const Error damaged{std::string(damagedPackageMessage)};
    auto fails = [&](const fs::path& p) {
        auto r = readProjectPackage(p);
        return r.ok() ? Error{"opened"} : r.error();
    };
    EXPECT_EQ(fails(dir / "absent.mosavelle"), damaged);
    fs::create_directory(pkg);
    EXPECT_EQ(fails(pkg), damaged);  // empty
    writeFileBytes(pkg / "notes.txt", Bytes("x"));
    EXPECT_EQ(fails(pkg), damaged);  // no project.json
    fs::create_directory(pkg / "project.json");
    EXPECT_EQ(fails(pkg), damaged);  // not a file
    fs::remove(pkg / "project.json");
    writeFileBytes(pkg / "project.json", Bytes());
    EXPECT_EQ(fails(pkg), damaged);                // no contents
    EXPECT_EQ(fails(pkg / "notes.txt"), damaged);  // root not a directory

    // A link to a good "project.json" elsewhere is not the package's own file.
    plant(dir / "elsewhere", defaultProject());
    fs::remove(pkg / "project.json");
    fs::create_symlink(dir / "elsewhere" / "project.json", pkg / "project.json");
    EXPECT_EQ(fails(pkg), damaged);

    auto json = nlohmann::json::parse(readFileBytes(dir / "elsewhere" / "project.json").view());
    json["formatVersion"] = 2;
    writeFileBytes(dir / "elsewhere" / "project.json", Bytes(json.dump()));
    EXPECT_EQ(fails(dir / "elsewhere"), damaged);

    writeFileBytes(dir / "elsewhere" / "project.json", Bytes("{\"formatVersion\": 1"));
    Error undecodable = fails(dir / "elsewhere");
    EXPECT_NE(undecodable, damaged);
    EXPECT_NE(undecodable.message, "opened");
}

// Text nested far deeper than any deck fails to decode; telling whether it is from a newer version
// must not build it as a tree either. The read runs in a child process with 512 MiB of address
// space, which a tree of this text (about 80 bytes a level) would exceed.
TEST_F(PackageTest, DeeplyNestedProjectFileFailsWithinBoundedMemory) {
    fs::create_directory(pkg);
    writeFileBytes(pkg / "project.json",
                   Bytes("{\"formatVersion\": 2, \"slides\": " + std::string(16u << 20, '[')));
    auto readWithLimitedMemory = [&] {
        const rlimit limit{512u << 20, 512u << 20};
        ::setrlimit(RLIMIT_AS, &limit);
        std::exit(readProjectPackage(pkg).ok() ? 1 : 0);
    };
    EXPECT_EXIT(readWithLimitedMemory(), ::testing::ExitedWithCode(0), "");

    // The version is still recognised in a complete file that fails to decode for that reason.
    writeFileBytes(pkg / "project.json", Bytes("{\"slides\": [[[]]], \"formatVersion\": 2.5}"));
    auto r = readProjectPackage(pkg);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().message, damagedPackageMessage);
    writeFileBytes(pkg / "project.json", Bytes("[{\"formatVersion\": 2}]"));
    r = readProjectPackage(pkg);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().message, damagedPackageMessage);
}

TEST_F(PackageTest, MissingFilesMarkOnlyTheirPictures) {
    PackageSnapshot s = deck(3, 4);
    ASSERT_TRUE(writeProjectPackage(s, pkg).ok());
    fs::remove(pkg / "images" / s.project.images[1].storedFileName);
    fs::remove(pkg / "branding" / "brand.png");
    auto back = readProjectPackage(pkg);
    ASSERT_TRUE(back.ok());
    const auto& images = back->project.images;
    EXPECT_FALSE(images[0].importError);
    EXPECT_EQ(images[1].importError, std::string(missingImageMessage));
    EXPECT_FALSE(images[2].importError);
    EXPECT_EQ(back->images.size(), 2u);
    EXPECT_FALSE(back->images.contains(images[1].id));
    EXPECT_FALSE(back->logo);
    EXPECT_EQ(back->project.appearance.branding.logoFileName, "brand.png");

    // Without an "images" folder nothing has bytes and nothing is marked.
    fs::remove_all(pkg / "images");
    back = readProjectPackage(pkg);
    ASSERT_TRUE(back.ok());
    EXPECT_TRUE(back->images.empty());
    for (const auto& image : back->project.images)
        EXPECT_FALSE(image.importError);
}

// A picture file whose size no buffer can hold (here a sparse file of 8 TiB) is unreadable: the
// deck opens with that picture missing instead of the read failing or throwing.
TEST_F(PackageTest, PictureTooLargeToHoldIsReadAsMissing) {
    if (readFileBytes("/proc/sys/vm/overcommit_memory").view().starts_with("1"))
        GTEST_SKIP() << "memory is overcommitted without limit; the buffer would be granted";
    PackageSnapshot s = deck(2, 6);
    ASSERT_TRUE(writeProjectPackage(s, pkg).ok());
    std::error_code ec;
    fs::resize_file(pkg / "images" / s.project.images[0].storedFileName, 1ull << 43, ec);
    if (ec)
        GTEST_SKIP() << "no sparse files here: " << ec.message();
    auto back = readProjectPackage(pkg);
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(back->project.images[0].importError, std::string(missingImageMessage));
    EXPECT_FALSE(back->images.contains(s.project.images[0].id));
    EXPECT_EQ(back->images.at(s.project.images[1].id), s.images.at(s.project.images[1].id));
}

TEST_F(PackageTest, UntrustedNamesAndLinksNeverReachOutsideThePackage) {
    writeFileBytes(dir / "secret.jpg", Bytes("secret"));
    writeFileBytes(dir / "secret.png", Bytes("secret"));
    Project p;
    const std::vector<std::string> names{
        "../../secret.jpg", (dir / "secret.jpg").string(), "", ".", "..", "sub/x.jpg", "link.jpg",
        "fine.jpg"};
    for (const auto& name : names) {
        auto image = picture("x.jpg");
        image.storedFileName = name;
        p.images.push_back(image);
    }
    p.appearance.branding.logoFileName = "../../secret.png";
    plant(pkg, p);
    fs::create_directory(pkg / "branding");
    fs::create_symlink(dir / "secret.jpg", pkg / "images" / "link.jpg");
    writeFileBytes(pkg / "images" / "fine.jpg", Bytes("fine"));
    fs::create_directory(pkg / "images" / "sub");
    writeFileBytes(pkg / "images" / "sub" / "x.jpg", Bytes("nested"));

    auto back = readProjectPackage(pkg);
    ASSERT_TRUE(back.ok());
    ASSERT_EQ(back->images.size(), 1u);
    EXPECT_EQ(back->images.begin()->second, Bytes("fine"));
    for (std::size_t i = 0; i + 1 < p.images.size(); ++i) {
        EXPECT_EQ(back->project.images[i].importError, std::string(missingImageMessage)) << i;
    }
    EXPECT_FALSE(back->logo);

    // An "images" folder that is a link to a folder outside is not read.
    fs::remove_all(pkg / "images");
    fs::create_directory_symlink(dir.path(), pkg / "images");
    p.images = {picture("x.jpg")};
    p.images[0].storedFileName = "secret.jpg";
    writeFileBytes(pkg / "project.json", encodeProject(p).value());
    back = readProjectPackage(pkg);
    ASSERT_TRUE(back.ok());
    EXPECT_TRUE(back->images.empty());
}

TEST_F(PackageTest, SavingReplacesUnsafeAndCollidingNames) {
    PackageSnapshot s = deck(4, 5);
    auto& images = s.project.images;
    images[0].storedFileName = "../../escape.jpg";
    images[1].storedFileName = "/tmp/absolute.jpg";
    images[2].storedFileName = images[3].storedFileName;  // two pictures, one name
    images[1].originalFileName = "no-extension";
    s.project.appearance.branding.logoFileName = "../logo.GIF";

    auto written = writeProjectPackage(s, pkg);
    ASSERT_TRUE(written.ok()) << written.error().message;
    const auto& names = written->images;
    EXPECT_EQ(names[0].storedFileName, images[0].id.text() + ".jpg");
    EXPECT_EQ(names[1].storedFileName, images[1].id.text() + ".img");
    EXPECT_NE(names[2].storedFileName, names[3].storedFileName);
    EXPECT_EQ(written->appearance.branding.logoFileName, "logo.gif");
    EXPECT_FALSE(fs::exists(dir.path().parent_path() / "escape.jpg"));
    EXPECT_EQ(listing(dir.path()).find("escape"), std::string::npos);

    auto back = readProjectPackage(pkg);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->project, *written);
    EXPECT_EQ(back->images, s.images);  // every picture kept its own bytes
    EXPECT_EQ(back->logo, s.logo);
}

// Saves a new deck over an old package with one change of the disk failing (or, with `crash`,
// every change from that one on), for every change the save makes in turn.
void failEveryStep(bool crash, bool exchangeUnsupported) {
    const PackageSnapshot before = deck(1, 10);
    PackageSnapshot after = deck(2, 20);
    after.project.export_.suggestedBaseName = "After";
    MosavelleDocument document(after.project, after.images, after.logo);
    int failures = 0;
    for (int k = 0;; ++k) {
        TempDir dir;
        const fs::path pkg = dir / "Deck.mosavelle";
        ASSERT_TRUE(writeProjectPackage(before, pkg).ok());
        FaultyFileSystem faulty;
        faulty.failAt = k;
        faulty.crash = crash;
        faulty.exchangeUnsupported = exchangeUnsupported;
        auto result = writeProjectPackage(document.makeSnapshot(), pkg, faulty);
        if (faulty.failed.empty())
            break;  // k is past the last change
        const std::string step = faulty.failed.front();

        auto back = readProjectPackage(pkg);
        ASSERT_TRUE(back.ok()) << step;
        EXPECT_EQ(*back, result.ok() ? after : before) << step;
        bool beforeSwap =
            step.starts_with("write") || step.starts_with("mkdir ") ||
            (step.starts_with("flush") && step != "flush " + dir.path().filename().string());
        if (beforeSwap) {
            EXPECT_FALSE(result.ok()) << step << " was reported as saved";
        }
        failures += result.ok() ? 0 : 1;
        EXPECT_EQ(document.makeSnapshot(), after) << step;

        ASSERT_TRUE(writeProjectPackage(document.makeSnapshot(), pkg).ok()) << step;
        EXPECT_EQ(listing(dir.path()).find(".Deck"), std::string::npos) << step;
    }
    EXPECT_GT(failures, 10);
}

TEST(PackageFaults, EveryFailedStepLeavesThePreviousPackage) {
    failEveryStep(false, false);
}
TEST(PackageFaults, EveryFailedStepWithoutAtomicSwap) {
    failEveryStep(false, true);
}
TEST(PackageFaults, CrashAtAnyStepLeavesThePreviousPackage) {
    failEveryStep(true, false);
}

}  // namespace
}  // namespace mosavelle
