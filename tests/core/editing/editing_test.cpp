#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/editing/caption_text.h"
#include "core/editing/deck_settings.h"
#include "core/editing/import_items.h"
#include "core/editing/navigator_text.h"
#include "core/editing/ordering.h"
#include "core/editing/selection.h"
#include "core/editing/slide_clipboard.h"
#include "core/editing/slide_operations.h"
#include "core/editing/slide_settings.h"
#include "core/editing/timeline.h"
#include "core/import/import_plan.h"
#include "core/model/document.h"
#include "core/model/package.h"
#include "core/model/undo_history.h"
#include "support/deck_support.h"
#include "support/test_support.h"

namespace mosavelle {

namespace testing {

// A read picture file as the import hands it over, with distinct bytes per name.
inline ImportItem itemNamed(const std::string& name, std::optional<Timestamp> date = std::nullopt) {
    ImportItem item;
    item.url = std::filesystem::path("/pictures") / name;
    item.data = Bytes(std::string_view(name));
    item.originalName = name;
    item.info.pixelWidth = 640;
    item.info.pixelHeight = 480;
    item.info.captureDate = date;
    item.info.uti = "public.jpeg";
    return item;
}

// A document with an undo history and one single-picture slide per label, picture n named "pn".
// `deck()` renders the slides as text: "p1" for one picture, "[p1,_]" for several slots ("_" is
// empty or unknown), "S" for a section slide.
class DeckFixture {
public:
    explicit DeckFixture(int slideCount) {
        Project project;
        for (int i = 1; i <= slideCount; ++i) {
            SourceImage image = pictureRecord("p" + std::to_string(i), "public.jpeg", 4000, 3000);
            image.dpiX = image.dpiY = 300;
            project.images.push_back(image);
            project.slides.push_back(singleImageSlide(image.id, ""));
        }
        document = std::make_unique<MosavelleDocument>(project, ImageDataMap{}, std::nullopt);
        document->setUndoHistory(history);
    }

    MosavelleDocument& doc() { return *document; }
    // Positions are 1-based.
    Uuid slide(int n) const { return document->project().slides.at(n - 1).id; }
    Uuid picture(int n) const { return document->project().images.at(n - 1).id; }
    const Slide& slideAt(int n) const { return document->project().slides.at(n - 1); }

    // Changes the project outside the undo history.
    void setProject(const std::function<void(Project&)>& change) {
        Project project = document->project();
        change(project);
        document->setProject(project);
    }

    void select(std::initializer_list<int> positions) {
        SlideIDSet ids;
        for (int n : positions)
            ids.insert(slide(n));
        document->setSelectedSlideIDs(ids);
    }

    std::string deck() const {
        const auto name = [&](const ImageSlot& slot) -> std::string {
            const SourceImage* image =
                slot.imageID ? document->project().sourceImage(*slot.imageID) : nullptr;
            return image ? image->originalFileName : "_";
        };
        std::string out;
        for (const auto& slide : document->project().slides) {
            out += out.empty() ? "" : " ";
            if (slide.layout == SlideLayoutKind::section) {
                out += "S";
            } else if (slide.slots.size() == 1 && slide.layout == SlideLayoutKind::oneImage) {
                out += name(slide.slots[0]);
            } else {
                out += '[';
                for (std::size_t i = 0; i < slide.slots.size(); ++i)
                    out += (i ? "," : "") + name(slide.slots[i]);
                out += ']';
            }
        }
        return out;
    }

    std::vector<std::string> titles() const {
        std::vector<std::string> out;
        for (const auto& slide : document->project().slides)
            out.push_back(slide.title);
        return out;
    }

    // Positions of the selected slides, in deck order.
    std::vector<int> selection() const {
        std::vector<int> out;
        const auto& slides = document->project().slides;
        for (std::size_t i = 0; i < slides.size(); ++i)
            if (document->selectedSlideIDs().count(slides[i].id))
                out.push_back(int(i) + 1);
        return out;
    }

    std::shared_ptr<UndoHistory> history = std::make_shared<UndoHistory>();
    std::unique_ptr<MosavelleDocument> document;
};

// A GoogleTest fixture over a deck of N slides.
template <int N>
class DeckTest : public ::testing::Test, public DeckFixture {
protected:
    DeckTest() : DeckFixture(N) {}
};

}  // namespace testing

namespace {

using Titles = std::vector<std::string>;
using Positions = std::vector<int>;

class SlideOperations : public testing::DeckTest<5> {
protected:
    // Gives every slide its automatic title.
    void titleAutomatically() {
        setProject([](Project& p) {
            for (std::size_t i = 0; i < p.slides.size(); ++i)
                p.slides[i].title = "Slide " + std::to_string(i + 1);
        });
    }
};

TEST_F(SlideOperations, DeleteSelectsTheNearestUnselectedNeighbour) {
    doc().setSelectedSlideIDs({Uuid::random()});
    deleteSelectedSlides(doc());  // only stale identifiers: no edit
    EXPECT_EQ(history->undoCount(), 0u);
    titleAutomatically();
    select({2, 3});
    const Uuid fourth = slide(4);
    deleteSelectedSlides(doc());
    EXPECT_EQ(deck(), "p1 p4 p5");
    EXPECT_EQ(titles(), (Titles{"Slide 1", "Slide 2", "Slide 3"}));
    EXPECT_EQ(selection(), Positions{2});
    EXPECT_EQ(doc().committedPreviewSlideID(), fourth);
    EXPECT_EQ(history->undoName(), "Delete Slides");

    select({2, 3});  // the last two
    deleteSelectedSlides(doc());
    EXPECT_EQ(deck(), "p1");
    EXPECT_EQ(selection(), Positions{1});

    select({1});
    deleteSelectedSlides(doc());
    EXPECT_EQ(deck(), "");
    EXPECT_TRUE(doc().selectedSlideIDs().empty());
    EXPECT_FALSE(doc().committedPreviewSlideID());
    EXPECT_EQ(history->undoName(), "Delete Slide");

    for (int i = 0; i < 3; ++i)
        history->undo();
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5");
}

TEST_F(SlideOperations, DuplicateInsertsCopiesAfterTheLastSelected) {
    titleAutomatically();
    select({3, 1});
    duplicateSelectedSlides(doc());
    EXPECT_EQ(deck(), "p1 p2 p3 p1 p3 p4 p5");
    EXPECT_EQ(titles()[3], "Slide 1");  // not renumbered
    EXPECT_NE(slide(4), slide(1));
    EXPECT_NE(slideAt(4).slots[0].id, slideAt(1).slots[0].id);
    EXPECT_EQ(history->undoName(), "Duplicate Slides");
    EXPECT_EQ(selection(), (Positions{1, 3}));
}

TEST_F(SlideOperations, GroupCutsThePoolKeepsTheLeftoverAndNeedsTwoPictures) {
    select({1, 2});
    groupSelectedSlides(doc(), SlideLayoutKind::section);
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5");
    EXPECT_EQ(history->undoCount(), 0u);
    select({1, 2, 3});
    groupSelectedSlides(doc(), SlideLayoutKind::fourGrid);  // an empty fourth place
    EXPECT_EQ(deck(), "[p1,p2,p3,_] p4 p5");
    history->undo();
    select({2, 3, 4});
    setProject([](Project& p) {
        p.slides[1].notes = "first notes";
        p.sort = SortMode::filename;
    });
    groupSelectedSlides(doc(), SlideLayoutKind::twoUp);
    EXPECT_EQ(deck(), "p1 [p2,p3] p4 p5");
    EXPECT_EQ(titles(), (Titles{"", "Slide 2", "", ""}));
    EXPECT_EQ(slideAt(2).notes, "first notes");
    EXPECT_EQ(slideAt(3).notes, "");
    EXPECT_TRUE(slideAt(2).placementOverride);  // the common scale
    EXPECT_EQ(doc().project().sort, SortMode::manual);
    EXPECT_EQ(selection(), Positions{2});
    EXPECT_EQ(history->undoName(), "Group Slides");
}

TEST_F(SlideOperations, GroupDropsSectionSlidesAndKeepsExcludedOnesInPlace) {
    setProject([](Project& p) {
        p.slides[0].isExcluded = true;
        p.slides.insert(p.slides.begin() + 1, sectionDividerSlide());  // p1 S p2 ...
        p.slides[3].isExcluded = true;                                 // p3
    });
    select({1, 2, 3, 4, 5});  // p1(excluded) S p2 p3(excluded) p4
    groupSelectedSlides(doc(), SlideLayoutKind::twoUp);
    EXPECT_EQ(deck(), "p1 [p2,p4] p3 p5");  // where the first grouped slide stood
    EXPECT_TRUE(slideAt(3).isExcluded);
}

TEST_F(SlideOperations, UngroupSplitsFilledSlotsAndKeepsEmptyGroups) {
    select({1, 2, 3, 4});
    groupSelectedSlides(doc(), SlideLayoutKind::twoUp);  // [p1,p2] [p3,p4] p5
    setProject([](Project& p) {
        p.slides[0].notes = "kept";
        p.slides[0].title = "Pair";
        p.slides[1].slots = {emptySlot(), emptySlot()};
    });
    select({1, 2, 3});
    ungroupSelectedSlides(doc());
    EXPECT_EQ(deck(), "p1 p2 [_,_] p5");
    EXPECT_EQ(titles(), (Titles{"", "", "Slide 2", ""}));
    EXPECT_EQ(slideAt(1).notes, "kept");
    EXPECT_EQ(slideAt(2).notes, "kept");
    EXPECT_EQ(selection(), (Positions{1, 2}));  // the new slides, the first one shown
    EXPECT_EQ(doc().committedPreviewSlideID(), slide(1));
    EXPECT_EQ(history->undoName(), "Ungroup Slides");
}

TEST_F(SlideOperations, ReorderDropsBeforeOrAfterTheTargetAndNeedsAPlaceToGo) {
    setProject([](Project& p) { p.sort = SortMode::filename; });
    reorderSlides(doc(), {slide(1), slide(2)}, slide(2));  // the target is dragged
    reorderSlides(doc(), {slide(1)}, Uuid::random());      // no such target
    reorderSlides(doc(), {Uuid::random()}, slide(3));      // nothing to move
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5");
    EXPECT_EQ(history->undoCount(), 0u);
    EXPECT_EQ(doc().project().sort, SortMode::filename);
    reorderSlides(doc(), {slide(2), slide(1)}, slide(4));
    EXPECT_EQ(deck(), "p3 p4 p1 p2 p5");
    EXPECT_EQ(doc().project().sort, SortMode::manual);
    EXPECT_EQ(history->undoName(), "Reorder Slides");
    history->undo();
    reorderSlides(doc(), {slide(5)}, slide(2));
    EXPECT_EQ(deck(), "p1 p5 p2 p3 p4");
}

TEST_F(SlideOperations, MovesTakeOneStepRegisterOnlyAMoveAndFollowArrayMoveSemantics) {
    setProject([](Project& p) { p.sort = SortMode::captureDate; });
    select({1});
    moveSelectedSlide(doc(), -1);
    ungroupSelectedSlides(doc());  // nothing to split
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5");
    EXPECT_EQ(history->undoCount(), 0u);
    EXPECT_EQ(doc().project().sort, SortMode::captureDate);  // nothing moved
    select({2, 3});
    moveSelectedSlide(doc(), +5);  // the last selected moves down one place
    EXPECT_EQ(deck(), "p1 p2 p4 p3 p5");
    select({2, 4});
    moveSelectedSlide(doc(), -1);  // the first selected moves up
    EXPECT_EQ(deck(), "p2 p1 p4 p3 p5");
    doc().setSelectedSlideIDs({});
    moveSelectedSlide(doc(), 1);
    EXPECT_EQ(history->undoCount(), 2u);
    history->undo();
    history->undo();

    // Rows moved as an array move does it.
    moveSlides(doc(), {0, 2}, 4);
    EXPECT_EQ(deck(), "p2 p4 p1 p3 p5");
    history->undo();
    moveSlides(doc(), {3, 4}, 0);
    EXPECT_EQ(deck(), "p4 p5 p1 p2 p3");
    history->undo();
    moveSlides(doc(), {1, 9}, 99);  // out-of-range indices are ignored
    EXPECT_EQ(deck(), "p1 p3 p4 p5 p2");
    history->undo();
    moveSlides(doc(), {1}, 1);
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5");
    EXPECT_EQ(history->undoCount(), 0u);  // nothing moved: no step
}

TEST_F(SlideOperations, AddImageIsRefusedOnAFullSlideOrItselfAndElseMergesAndCompacts) {
    select({1, 2, 3, 4});
    groupSelectedSlides(doc(), SlideLayoutKind::fourGrid);  // [p1,p2,p3,p4] p5
    const std::size_t steps = history->undoCount();
    EXPECT_EQ(addImageToSlide(doc(), slide(2), slide(1)), AddImageResult::slideFull);
    EXPECT_EQ(addImageToSlide(doc(), slide(2), slide(2)), AddImageResult::notPossible);
    EXPECT_EQ(addImageToSlide(doc(), Uuid::random(), slide(2)), AddImageResult::notPossible);
    EXPECT_EQ(deck(), "[p1,p2,p3,p4] p5");
    EXPECT_EQ(history->undoCount(), steps);
    history->undo();

    // Otherwise it merges and removes an emptied source.
    select({1, 2});
    groupSelectedSlides(doc(), SlideLayoutKind::twoUp);  // [p1,p2] p3 p4 p5
    const Uuid target = slide(1);
    EXPECT_EQ(addImageToSlide(doc(), slide(3), target), AddImageResult::added);
    EXPECT_EQ(deck(), "[p1,p2,p4,_] p3 p5");
    EXPECT_EQ(slideAt(1).layout, SlideLayoutKind::fourGrid);
    EXPECT_EQ(selection(), Positions{1});
    EXPECT_EQ(history->undoName(), "Add Image to Slide");

    // A source with pictures left is compacted: its first picture moves.
    EXPECT_EQ(addImageToSlide(doc(), target, slide(2)), AddImageResult::added);
    EXPECT_EQ(deck(), "[p2,p4] [p3,p1] p5");
    EXPECT_EQ(titles(), (Titles{"Slide 1", "Slide 2", ""}));
}

TEST_F(SlideOperations, RemoveImageSplitsOffANewSlideAfterIt) {
    select({2, 3});
    groupSelectedSlides(doc(), SlideLayoutKind::twoUp);  // p1 [p2,p3] p4 p5
    setProject([](Project& p) {
        p.slides[1].title = "Slide 4";
        p.slides[1].slots[1].caption = "third";
    });
    const Uuid grouped = slide(2);
    removeImageFromSlide(doc(), picture(3), grouped);
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5");
    EXPECT_EQ(slide(2), grouped);
    EXPECT_EQ(slideAt(2).title, "");
    EXPECT_FALSE(slideAt(2).placementOverride);
    EXPECT_EQ(slideAt(3).slots[0].caption, "third");
    EXPECT_EQ(selection(), Positions{2});
    EXPECT_EQ(history->undoName(), "Remove Image from Slide");

    const std::size_t steps = history->undoCount();
    removeImageFromSlide(doc(), picture(2), grouped);  // only one picture left
    removeImageFromSlide(doc(), picture(5), slide(1));
    EXPECT_EQ(history->undoCount(), steps);
}

TEST_F(SlideOperations, SectionDividerGoesAfterThePrimarySlide) {
    titleAutomatically();
    select({2});
    insertSectionDivider(doc());
    EXPECT_EQ(deck(), "p1 p2 S p3 p4 p5");
    EXPECT_EQ(titles(), (Titles{"Slide 1", "Slide 2", "Section", "Slide 4", "Slide 5", "Slide 6"}));
    EXPECT_EQ(selection(), Positions{3});
    doc().setSelectedSlideIDs({Uuid::random()});
    setProject([](Project& p) { p.slides[0].isExcluded = true; });
    insertSectionDivider(doc());  // the primary slide is the first included one
    EXPECT_EQ(deck(), "p1 p2 S S p3 p4 p5");
    select({1});
    insertSectionDividerBefore(doc());  // a title slide at the start
    EXPECT_EQ(deck(), "S p1 p2 S S p3 p4 p5");
}

TEST_F(SlideOperations, PastedSlidesCarryTheirPicturesIntoAnotherDeck) {
    doc().setImageBytes(picture(2), Bytes(std::string_view("two")));
    select({4, 2});
    const SlideClip clip = copySelectedSlides(doc());
    ASSERT_EQ(clip.slice.images.size(), 2u);

    // Into the same deck: after the last selected slide, pictures shared, the copies selected.
    select({5});
    pasteSlides(doc(), clip);
    EXPECT_EQ(deck(), "p1 p2 p3 p4 p5 p2 p4");
    EXPECT_EQ(doc().project().images.size(), 5u);
    EXPECT_EQ(selection(), (Positions{6, 7}));
    EXPECT_NE(slide(6), slide(2));
    EXPECT_EQ(history->undoName(), "Paste Slides");

    // Into an empty deck: the picture records and their bytes come along.
    MosavelleDocument other(Project{}, ImageDataMap{}, std::nullopt);
    pasteSlides(other, clip);
    EXPECT_EQ(other.project().slides.size(), 2u);
    EXPECT_EQ(other.project().images.size(), 2u);
    ASSERT_TRUE(other.imageData().count(picture(2)));
    EXPECT_EQ(other.project().slides[0].slots[0].imageID, picture(2));
}

TEST_F(SlideOperations, RenameTrimsAndRegistersOnlyAChangeAndCompactingKeepsTitles) {
    renameSlide(doc(), slide(2), "\u2028\u00A0Harbour\u3000\n");
    EXPECT_EQ(slideAt(2).title, "Harbour");
    renameSlide(doc(), Uuid::random(), "x");
    EXPECT_EQ(history->undoCount(), 1u);
    EXPECT_EQ(history->undoName(), "Rename Slide");

    // A slide left with one picture keeps a titled layout and a typed title.
    Slide titled = slideAt(1);
    titled.layout = SlideLayoutKind::imageTitleCaption;
    titled.title = " Slide 9";  // typed: not the default pattern
    titled.slots = {emptySlot(), slideAt(3).slots[0], emptySlot()};
    const Slide compacted = compactSlots(titled, doc().project());
    EXPECT_EQ(compacted.layout, SlideLayoutKind::imageTitleCaption);
    EXPECT_EQ(compacted.title + std::to_string(compacted.slots.size()), " Slide 91");
}

TEST(SlidePayload, RoundTripsSkipsDamagedPiecesAndNeedsThePrefix) {
    const Uuid a = Uuid::random(), b = Uuid::random();
    EXPECT_EQ(parseSlidePayload(makeSlidePayload({a, b})), (std::vector<Uuid>{a, b}));

    // A malformed identifier between two good ones, empty pieces, surrounding white space and a
    // lower-case identifier: the good ones survive in payload order.
    std::string lower = b.text();
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string text = " \n mosavelle-slides:" + a.text() + ",,not-an-id," + lower + ",\r\n";
    EXPECT_EQ(parseSlidePayload(text), (std::vector<Uuid>{a, b}));

    // Text without the exact prefix, or with nothing after it, carries no slides.
    EXPECT_TRUE(parseSlidePayload(a.text()).empty());
    EXPECT_TRUE(parseSlidePayload("Mosavelle-Slides:" + a.text()).empty());
    EXPECT_TRUE(parseSlidePayload("x mosavelle-slides:" + a.text()).empty());
    EXPECT_TRUE(parseSlidePayload("mosavelle-slides:").empty());
    EXPECT_TRUE(parseSlidePayload("mosavelle-slides:" + a.text() + "0").empty());
}

TEST(SlideDisplayName, PrefersTitleThenPictureNameThenLayout) {
    Project project;
    project.images.push_back(testing::pictureRecord("IMG_0001.JPG"));
    const Uuid picture = project.images[0].id;
    Slide slide = singleImageSlide(picture, "");
    EXPECT_EQ(slideDisplayName(slide, project), "IMG_0001.JPG");
    slide.title = " Holiday ";
    EXPECT_EQ(slideDisplayName(slide, project), " Holiday ");
    // An unknown picture names the layout; only the first slot counts, even when a later one
    // names a picture.
    EXPECT_EQ(slideDisplayName(testing::slideOf(SlideLayoutKind::twoUp, {Uuid::random()}), project),
              "Two images");
    EXPECT_EQ(slideDisplayName(testing::slideOf(SlideLayoutKind::fourGrid, {{}, picture}), project),
              "Four-image grid");
}

using testing::DeckFixture;
using Kind = SlideRowChange::Kind;

template <class List>
std::vector<Uuid> idsOf(const List& slides) {
    std::vector<Uuid> ids;
    for (const auto& slide : slides)
        ids.push_back(slide.id);
    return ids;
}

// Replays `delta` on `ids` the way a list model would, checking every step against the rows it
// claims to touch. Identifiers named by update steps are added to `updated`.
void replay(std::vector<Uuid>& ids, const SlideListDelta& delta, std::set<Uuid>& updated) {
    for (const auto& step : delta.rows) {
        ASSERT_EQ(step.count, step.ids.size());
        ASSERT_GE(step.count, 1u);
        const auto first = ids.begin() + static_cast<std::ptrdiff_t>(step.row);
        if (step.kind == Kind::insert) {
            ASSERT_LE(step.row, ids.size());
            ids.insert(first, step.ids.begin(), step.ids.end());
            continue;
        }
        ASSERT_LE(step.row + step.count, ids.size());
        const auto last = first + static_cast<std::ptrdiff_t>(step.count);
        ASSERT_TRUE(std::equal(first, last, step.ids.begin())) << "rows hold other slides";
        if (step.kind == Kind::remove) {
            ids.erase(first, last);
        } else if (step.kind == Kind::update) {
            updated.insert(step.ids.begin(), step.ids.end());
        } else {
            ASSERT_LE(step.destination, ids.size());
            ASSERT_FALSE(step.destination >= step.row && step.destination <= step.row + step.count)
                << "a move onto itself is not a valid row move";
            ids.erase(first, last);
            const std::size_t at =
                step.destination > step.row ? step.destination - step.count : step.destination;
            ids.insert(ids.begin() + static_cast<std::ptrdiff_t>(at), step.ids.begin(),
                       step.ids.end());
        }
    }
}

// A slide that kept its identifier is named by an update step exactly when its value changed.
template <class List>
void checkUpdates(const List& before, const List& after, const std::set<Uuid>& updated) {
    for (const auto& slide : after) {
        const auto old = std::find_if(before.begin(), before.end(),
                                      [&](const Slide& s) { return s.id == slide.id; });
        if (old == before.end())
            continue;
        EXPECT_EQ(updated.count(slide.id) != 0, !(*old == slide))
            << "update steps must name exactly the changed slides";
    }
}

// Follows every project change of a document with a replayed copy of its slide list.
class DeltaFollower {
public:
    explicit DeltaFollower(MosavelleDocument& document)
        : document_(document), slides_(document.project().slides) {
        document.addObserver([this](const DocumentChange& change) {
            if (change.kind == DocumentChangeKind::project)
                follow(change.slides);
        });
    }
    int changes = 0;

private:
    void follow(const SlideListDelta& delta) {
        ++changes;
        const auto& now = document_.project().slides;
        std::vector<Uuid> ids = idsOf(slides_);
        std::set<Uuid> updated;
        if (delta.reset) {
            EXPECT_TRUE(delta.rows.empty());
        } else {
            replay(ids, delta, updated);
            EXPECT_EQ(ids, idsOf(now));
            checkUpdates(slides_, now, updated);
        }
        // A slide an edit left as it was stays shared with the copy the undo step keeps.
        for (std::size_t j = 0; j < now.size(); ++j) {
            for (std::size_t i = 0; i < slides_.size(); ++i) {
                const SlideList& old = slides_;  // read without writing
                if (old[i].id == now[j].id && old[i] == now[j]) {
                    EXPECT_TRUE(old.sameElement(i, now, j)) << "unchanged slide was copied";
                }
            }
        }
        for (std::size_t i = 0; i < now.size(); ++i)
            EXPECT_EQ(document_.slidePosition(now[i].id), i);
        slides_ = now;
    }

    MosavelleDocument& document_;
    SlideList slides_;
};

// Runs the edit named `name` on a deck of eight slides.
void runOperation(std::string_view name, DeckFixture& d) {
    MosavelleDocument& doc = d.doc();
    if (name == "delete")
        d.select({2, 3, 6}), deleteSelectedSlides(doc);
    else if (name == "duplicate")
        d.select({1, 3}), duplicateSelectedSlides(doc);
    else if (name == "group")
        d.select({2, 3, 4}), groupSelectedSlides(doc, SlideLayoutKind::twoUp);
    else if (name == "ungroup")
        d.select({1, 2}), groupSelectedSlides(doc, SlideLayoutKind::twoUp), d.select({1}),
            ungroupSelectedSlides(doc);
    else if (name == "reorderDown")
        reorderSlides(doc, {d.slide(1), d.slide(2)}, d.slide(6));
    else if (name == "moveRows")
        moveSlides(doc, {0, 3, 7}, 5);
    else if (name == "removeImage")
        addImageToSlide(doc, d.slide(2), d.slide(5)),
            removeImageFromSlide(doc, d.picture(2), d.slide(4));
    else if (name == "layout")
        d.select({3, 5}), changeLayout(doc, SlideLayoutKind::section);
    else if (name == "placementToAll")
        applyPlacementToAll(doc, Placement{SizingMode::fill, {}, 0, 1});
    else if (name == "editCaption")
        d.select({2, 3, 7}), editSelectedSlides(
                                 doc, [](Slide& s) { s.slots[0].caption = "c"; }, "Edit Caption");
    else if (name == "liveNotes")
        d.select({6}), doc.beginContinuousEdit(), setNotesLive(doc, "n"),
            setCaptionPointsLive(doc, 20), doc.endContinuousEdit("Edit Notes");
    else if (name == "import")
        importItems(doc, {testing::itemNamed("b.jpg"), testing::itemNamed("a.jpg")});
    else if (name == "importSorted")
        changeSortMode(doc, SortMode::filename),
            importItems(doc, {testing::itemNamed("p35"), testing::itemNamed("p0")});
    else
        FAIL() << "no operation " << name;
}

class SlideDeltaTest : public ::testing::TestWithParam<const char*> {};

TEST_P(SlideDeltaTest, ReplayedDeltasFollowTheOperationItsUndoAndItsRedo) {
    DeckFixture deck(8);
    DeltaFollower follower(deck.doc());
    runOperation(GetParam(), deck);
    EXPECT_GT(follower.changes, 0);
    const auto after = deck.doc().project();
    while (deck.history->canUndo())
        deck.history->undo();
    while (deck.history->canRedo())
        deck.history->redo();
    EXPECT_EQ(deck.doc().project(), after);
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, SlideDeltaTest,
                         ::testing::Values("delete", "duplicate", "group", "ungroup", "reorderDown",
                                           "moveRows", "removeImage", "layout", "placementToAll",
                                           "editCaption", "liveNotes", "import", "importSorted"),
                         [](const auto& info) { return std::string(info.param); });

TEST(SlideListDelta, LargeShufflesAndDamagedListsReset) {
    std::vector<Slide> many(500);
    std::vector<Slide> reversed(many.rbegin(), many.rend());
    EXPECT_TRUE(slideListDelta(many, reversed).reset);
    // A damaged list repeating an identifier: replayed right where it can be told, else reset.
    const std::vector<Slide> twice{many[0], many[0]};
    const SlideListDelta repeated = slideListDelta(many, twice);
    std::vector<Uuid> ids = idsOf(many);
    std::set<Uuid> updated;
    if (!repeated.reset)
        replay(ids, repeated, updated);
    EXPECT_TRUE(repeated.reset || ids == idsOf(twice));
    EXPECT_TRUE(slideListDelta(many, std::vector<Slide>{many[2], many[1], many[1]}).reset);
}

using SelectionProtocol = testing::DeckTest<5>;

TEST_F(SelectionProtocol, PrimarySlideIgnoresStaleIdentifiersAndExcludedFallbacks) {
    doc().setSelectedSlideIDs({Uuid::random(), slide(4), slide(2)});
    EXPECT_EQ(primarySlide(doc())->id, slide(2));
    EXPECT_EQ(selectedSlides(doc()).size(), 2u);
    EXPECT_EQ(selectedSlides(doc())[1].id, slide(4));

    setProject([](Project& p) { p.slides[0].isExcluded = true; });
    doc().setSelectedSlideIDs({Uuid::random()});
    EXPECT_EQ(primarySlide(doc())->id, slide(2));
    setProject([](Project& p) {
        for (auto& slide : p.slides)
            slide.isExcluded = true;
    });
    EXPECT_FALSE(primarySlide(doc()));
}

TEST_F(SelectionProtocol, SelectSlideTogglesOnlyWhenExtendingAndChangesNameWhoLeftAndJoined) {
    selectSlide(doc(), slide(1), false);
    selectSlide(doc(), slide(3), true);
    EXPECT_EQ(selection(), (Positions{1, 3}));
    selectSlide(doc(), slide(1), true);
    EXPECT_EQ(selection(), Positions{3});
    selectSlide(doc(), slide(5), false);
    EXPECT_EQ(selection(), Positions{5});

    selectSlide(doc(), slide(3), true);
    std::vector<DocumentChange> changes;
    doc().addObserver([&](const DocumentChange& c) { changes.push_back(c); });
    select({2, 3, 4});  // 3 stays: it neither left nor joined
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].selectionLeft, std::vector<Uuid>{slide(5)});
    std::vector<Uuid> joined{slide(2), slide(4)};
    std::sort(joined.begin(), joined.end());
    EXPECT_EQ(changes[0].selectionJoined, joined);
}

TEST_F(SelectionProtocol, MoveSelectionStepsOutwardAndStopsAtTheEnds) {
    select({2, 3});
    moveSelection(doc(), +1);
    EXPECT_EQ(selection(), Positions{4});
    select({2, 3});
    moveSelection(doc(), -1);
    EXPECT_EQ(selection(), Positions{1});
    moveSelection(doc(), -1);
    EXPECT_EQ(selection(), Positions{1});
    select({5});
    moveSelection(doc(), +1);
    EXPECT_EQ(selection(), Positions{5});
    doc().setSelectedSlideIDs({Uuid::random()});
    moveSelection(doc(), +1);
    EXPECT_TRUE(selection().empty());
}

TEST_F(SelectionProtocol, FocusRepeatsOnTheNextTurnWhileTheSlideExists) {
    const auto before = doc().previewCommitGeneration();
    focusSlide(doc(), slide(3));
    EXPECT_EQ(selection(), Positions{3});
    EXPECT_EQ(doc().committedPreviewSlideID(), slide(3));
    EXPECT_EQ(doc().previewCommitGeneration(), before + 1);
    // A view reacting in the same turn moves the selection; the second half puts it back.
    select({1});
    doc().setCommittedPreviewSlideID(slide(1));
    doc().runPostedTasks();
    EXPECT_EQ(selection(), Positions{3});
    EXPECT_EQ(doc().committedPreviewSlideID(), slide(3));
    EXPECT_EQ(doc().previewCommitGeneration(), before + 2);

    const Uuid gone = slide(4);
    focusSlide(doc(), gone);
    select({4});
    deleteSelectedSlides(doc());
    doc().runPostedTasks();
    EXPECT_EQ(selection(), Positions{4});  // the neighbour chosen by the delete stays

    const auto generation = doc().previewCommitGeneration();
    focusSlide(doc(), Uuid::random());
    doc().runPostedTasks();
    EXPECT_EQ(doc().previewCommitGeneration(), generation);
}

TEST_F(SelectionProtocol, OnlyTheNewestPreviewCommitApplies) {
    select({2});
    const auto stale = nextPreviewGeneration(doc());
    select({3});
    const auto current = nextPreviewGeneration(doc());
    commitPreviewIfCurrent(doc(), stale);
    EXPECT_FALSE(doc().committedPreviewSlideID());
    commitPreviewIfCurrent(doc(), current);
    EXPECT_EQ(doc().committedPreviewSlideID(), slide(3));

    const auto pending = nextPreviewGeneration(doc());
    // A view hears of the drag once, and then already with the dragged slides.
    std::vector<std::vector<Uuid>> heard;
    doc().addObserver([&](const DocumentChange& change) {
        if (change.kind == DocumentChangeKind::dragState && doc().isDraggingSlide())
            heard.push_back(doc().draggingSlideIDs());
    });
    doc().setDraggingSlideIDs({slide(4)});  // left over from an earlier drag
    heard.clear();
    beginSlideDrag(doc(), {slide(1), slide(2)});
    EXPECT_EQ(heard, (std::vector<std::vector<Uuid>>{{slide(1), slide(2)}}));
    EXPECT_TRUE(doc().isDraggingSlide());
    EXPECT_EQ(doc().draggingSlideIDs(), (std::vector<Uuid>{slide(1), slide(2)}));
    select({5});
    commitPreviewIfCurrent(doc(), pending);
    EXPECT_EQ(doc().committedPreviewSlideID(), slide(3));
}

using SlideSettings = testing::DeckTest<4>;

TEST_F(SlideSettings, PlacementToAllCentresTheCropAndSkipsSectionsAndExcluded) {
    const Placement kept{SizingMode::actual, {0.1, 0.1}, 90, 1.0};
    setProject([&](Project& p) {
        p.slides[1].isExcluded = true;
        p.slides[1].placementOverride = kept;
        p.slides[2] = sectionDividerSlide();
        p.slides[2].placementOverride = kept;
        p.slides[3].slots[0].imageID.reset();
    });
    applyPlacementToAll(doc(), Placement{SizingMode::percent75, {0.2, 0.8}, 180, 0.75});
    EXPECT_EQ(slideAt(1).placementOverride,
              (Placement{SizingMode::percent75, {0.5, 0.5}, 180, 0.75}));
    EXPECT_EQ(slideAt(2).placementOverride, kept);
    EXPECT_EQ(slideAt(3).placementOverride, kept);
    EXPECT_FALSE(slideAt(4).placementOverride);  // shows no picture
    EXPECT_EQ(history->undoName(), "Apply Placement to All Slides");
}

TEST_F(SlideSettings, FitToSlideKeepsCropAndRotationOfTheOverrideOrTheDefault) {
    setProject([](Project& p) {
        p.appearance.defaultPlacement = Placement{SizingMode::fill, {0.3, 0.4}, 270, 1.0};
        p.slides[0].placementOverride = Placement{SizingMode::custom, {0.9, 0.1}, 90, 2.5};
    });
    select({1, 2});
    fitToSlide(doc());
    EXPECT_EQ(slideAt(1).placementOverride, (Placement{SizingMode::fit, {0.9, 0.1}, 90, 1.0}));
    EXPECT_EQ(slideAt(2).placementOverride, (Placement{SizingMode::fit, {0.3, 0.4}, 270, 1.0}));
    EXPECT_FALSE(slideAt(3).placementOverride);
    EXPECT_EQ(history->undoName(), "Fit to Slide");
}

TEST_F(SlideSettings, RotationWrapsFromTheDefaultAndExclusionTogglesTheSelection) {
    setProject([](Project& p) {
        p.appearance.defaultPlacement = Placement{SizingMode::fill, {0.3, 0.4}, 0, 1.0};
        p.slides[1].placementOverride = Placement{SizingMode::custom, {0.9, 0.1}, 270, 2.5};
        p.slides[2].slots[0].imageID.reset();
    });
    select({1, 2, 3});
    rotateSelectedSlides(doc(), -1);
    EXPECT_EQ(slideAt(1).placementOverride, (Placement{SizingMode::fill, {0.3, 0.4}, 270, 1.0}));
    EXPECT_EQ(slideAt(2).placementOverride->rotationDegrees, 180);
    EXPECT_FALSE(slideAt(3).placementOverride);  // shows no picture
    EXPECT_EQ(history->undoName(), "Rotate Left");
    rotateSelectedSlides(doc(), 1);
    EXPECT_EQ(slideAt(1).placementOverride->rotationDegrees, 0);  // 360 wraps to 0
    EXPECT_EQ(history->undoName(), "Rotate Right");

    setExcludedOfSelection(doc(), true);
    EXPECT_TRUE(slideAt(1).isExcluded && slideAt(3).isExcluded && !slideAt(4).isExcluded);
    EXPECT_EQ(history->undoName(), "Exclude Slides");
    history->undo();
    EXPECT_FALSE(slideAt(1).isExcluded);
}

TEST_F(SlideSettings, ChangeLayoutScalesOnlySlidesThatBecomeMultiPicture) {
    select({1, 2});
    groupSelectedSlides(doc(), SlideLayoutKind::twoUp);  // [p1,p2] p3 p4
    const Placement custom{SizingMode::custom, {0.5, 0.5}, 0, 0.33};
    setProject([&](Project& p) {
        p.slides[0].placementOverride = custom;
        p.slides[1].slots.push_back(p.slides[2].slots[0]);
    });
    select({1, 2});
    changeLayout(doc(), SlideLayoutKind::twoUp);
    EXPECT_EQ(slideAt(1).placementOverride, custom);  // already two-up: untouched
    EXPECT_EQ(slideAt(2).layout, SlideLayoutKind::twoUp);
    EXPECT_EQ(slideAt(2).slots.size(), 2u);
    ASSERT_TRUE(slideAt(2).placementOverride);
    EXPECT_LT(slideAt(2).placementOverride->scale, 1.0);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Slide 1", "Slide 2", ""}));
    EXPECT_EQ(history->undoName(), "Change Layout");

    changeLayout(doc(), SlideLayoutKind::oneImage);
    EXPECT_EQ(slideAt(2).slots.size(), 2u);  // slots are never dropped by a layout change
}

TEST_F(SlideSettings, PicturesGiveCaptionsTitlesAndAltTextsEachInOneStep) {
    setProject([](Project& p) {
        p.images.edit(0).metadata.title = "Harbour";
        p.images.edit(1).metadata.title = "Tower";
        p.appearance.filenameCleanup.enabled = true;
        p.appearance.captionsFrom = {CaptionSource::pattern, "{title} \u00B7 {filename}"};
        p.slides.edit(1).slots[0].caption = "Kept";
        p.slides.edit(1).title = "Mine";
    });
    select({1, 2, 3});
    fillCaptionsFromPictures(doc(), false);
    const auto captions = [&] {
        return slideAt(1).slots[0].caption + "|" + slideAt(2).slots[0].caption + "|" +
               slideAt(3).slots[0].caption;
    };
    EXPECT_EQ(captions(), "Harbour \u00B7 p1|Kept|p3");
    fillCaptionsFromPictures(doc(), true);
    EXPECT_EQ(captions() + history->undoName(),
              "Harbour \u00B7 p1|Tower \u00B7 p2|p3Fill Captions from Pictures");
    history->undo();
    EXPECT_EQ(captions(), "Harbour \u00B7 p1|Kept|p3");  // one step

    // Title + caption slides take the picture's title unless they have their own.
    changeLayout(doc(), SlideLayoutKind::imageTitleCaption);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Harbour", "Mine", "", ""}));

    editAltText(doc(), slide(1), slideAt(1).slots[0].id, "  A harbour ");
    EXPECT_EQ(slideAt(1).slots[0].altText.value_or("") + history->undoName(),
              "A harbourEdit Alt Text");
}

TEST_F(SlideSettings, ContinuousEditBecomesOneStepAndLiveCaptionSizeIsClamped) {
    select({1});
    doc().beginContinuousEdit();
    setCaptionPointsLive(doc(), 40);
    EXPECT_EQ(slideAt(1).captionPoints, 36);
    EXPECT_TRUE(doc().hasOpenEditChanges());
    // Notes up to the limit are taken; longer ones change nothing.
    EXPECT_TRUE(setNotesLive(doc(), std::string(maximumNotesBytes, 'n')));
    EXPECT_FALSE(setNotesLive(doc(), std::string(maximumNotesBytes + 1, 'x')));
    EXPECT_EQ(slideAt(1).notes, std::string(maximumNotesBytes, 'n'));
    setCaptionPointsLive(doc(), 4);
    EXPECT_EQ(slideAt(1).captionPoints, 8);
    setCaptionPointsLive(doc(), std::nan(""));
    EXPECT_EQ(slideAt(1).captionPoints, 8);
    editSelectedSlidesLive(doc(), [](Slide& slide) { slide.slots[0].crop.x = 0; });
    doc().endContinuousEdit("Change Caption Size");
    EXPECT_EQ(slideAt(1).slots[0].crop.x, 0.0);
    EXPECT_EQ(slideAt(2).slots[0].crop.x, 0.5);  // none on the unselected slide
    EXPECT_EQ(slideAt(2).captionPoints, 16);
    EXPECT_EQ(history->undoCount(), 1u);
    EXPECT_FALSE(doc().hasOpenEditChanges());
    history->undo();
    EXPECT_EQ(slideAt(1).captionPoints, 16);
    EXPECT_EQ(slideAt(1).slots[0].crop.x, 0.5);

    setPlacementLive(doc(), Placement{SizingMode::fill, {}, 0, 1});
    EXPECT_EQ(slideAt(1).placementOverride->mode, SizingMode::fill);
}

TEST_F(SlideSettings, ChangeSortModeReordersOnceAndManualKeepsTheOrder) {
    setProject([](Project& p) {
        p.images[0].originalFileName = "z";
        p.images[2].originalFileName = "a";
    });
    changeSortMode(doc(), SortMode::filename);
    EXPECT_EQ(deck(), "a p2 p4 z");
    changeSortMode(doc(), SortMode::manual);
    EXPECT_EQ(deck(), "a p2 p4 z");
    EXPECT_EQ(doc().project().sort, SortMode::manual);
    history->undo();
    history->undo();
    EXPECT_EQ(deck(), "z p2 a p4");
    EXPECT_EQ(history->redoName(), "Sort");
}

using DeckSettings = testing::DeckTest<1>;

TEST_F(DeckSettings, UndoingLogoChangesBringsBackTheBytesThatWereThere) {
    // The logo's bytes and the name the deck gives them, e.g. "first as logo.png".
    const auto logo = [&] {
        const auto& name = doc().project().appearance.branding.logoFileName;
        return std::string(doc().logoData() ? doc().logoData()->view() : "none") + " as " +
               name.value_or("none");
    };
    setLogo(doc(), Bytes(std::string_view("first")));
    setLogo(doc(), Bytes(std::string_view("second")));
    setLogo(doc(), Bytes(std::string_view("second")));  // the same again: no step
    EXPECT_EQ(logo(), "second as logo.png");
    removeLogo(doc());
    EXPECT_EQ(logo(), "none as none");
    EXPECT_EQ(history->undoName(), "Remove Logo");

    history->undo();
    EXPECT_EQ(logo(), "second as logo.png");
    history->undo();
    EXPECT_EQ(logo(), "first as logo.png");
    history->undo();
    EXPECT_EQ(logo(), "none as none");
    EXPECT_FALSE(history->canUndo());

    history->redo();
    history->redo();
    EXPECT_EQ(logo(), "second as logo.png");
    EXPECT_EQ(history->redoName(), "Remove Logo");
    history->redo();
    EXPECT_EQ(logo(), "none as none");
}

TEST_F(DeckSettings, ShowTimingsAreClampedOneStepEachAndSlideOverridesWin) {
    setAdvance(doc(), {true, 0});
    EXPECT_EQ(doc().project().show.advance, (SlideAdvance{true, 1}));
    setAdvance(doc(), {true, 1});  // the same again: no step
    setTransition(doc(), {TransitionKind::push, TransitionSpeed::slow});
    setLoops(doc(), true);
    EXPECT_EQ(history->undoCount(), 3u);
    EXPECT_EQ(history->undoName(), "Loop Until Esc");

    select({1});
    setAdvanceOfSelection(doc(), SlideAdvance{true, 601});
    setTransitionOfSelection(doc(), SlideTransition{});
    const Project& p = doc().project();
    EXPECT_EQ(p.advanceOf(slideAt(1)), (SlideAdvance{true, 600}));
    EXPECT_EQ(p.transitionOf(slideAt(1)).kind, TransitionKind::none);
    EXPECT_EQ(history->undoName(), "Slide Transition");
    history->undo();
    EXPECT_EQ(doc().project().transitionOf(slideAt(1)).kind, TransitionKind::push);
}

TEST_F(DeckSettings, LanguageIsNormalisedRefusedWhenNoTagAndOneStepEach) {
    EXPECT_TRUE(setDeckLanguage(doc(), " de_de "));
    EXPECT_EQ(doc().project().appearance.language, "de-DE");
    EXPECT_TRUE(setDeckLanguage(doc(), "zh-hant-tw"));
    EXPECT_EQ(doc().project().appearance.language, "zh-Hant-TW");
    for (const char* wrong : {"German", "de DE", "de-DE-x-private", "und", "d", "de-\"-"})
        EXPECT_FALSE(setDeckLanguage(doc(), wrong)) << wrong;
    EXPECT_EQ(history->undoCount(), 2u);
    EXPECT_EQ(history->undoName(), "Change Language");
    EXPECT_TRUE(setDeckLanguage(doc(), ""));  // back to the user's own
    EXPECT_FALSE(doc().project().appearance.language);
    history->undo();
    history->undo();
    EXPECT_EQ(doc().project().appearance.language, "de-DE");
}

TEST(CaptionFromFileName, AppliesEachSwitchAndStripsOnlyALeadingNumber) {
    struct Case {
        const char* name;
        bool separators, number;
        const char* caption;
    };
    for (const Case& c : std::vector<Case>{
             {"01_Beach-day.jpeg", true, true, "Beach day"},
             {"01_Beach-day.jpeg", true, false, "01 Beach day"},
             {"01_Beach-day.jpeg", false, false, "01_Beach-day"},
             {"01_Beach-day.jpeg", false, true, "Beach-day"},
             {"2019.png", true, true, ""},
             {"photo.final.jpg", true, false, "photo final"},
             {"a__..--b.png", true, false, "a b"},
             {" _-12 - Summer 2019.jpg", false, true, "Summer 2019"},
             {"Summer 2019.jpg", false, true, "Summer 2019"},
             {"\u0661\u0662 Night.jpg", false, true, "Night"},
             {"12a.jpg", false, true, "a"},
             {"README", true, true, "README"},
             {".hidden", true, false, "hidden"},
             {"\u3000Tokyo\u00A0.jpg", false, false, "Tokyo"},
             {"", true, true, ""},
         }) {
        EXPECT_EQ(captionFromFileName(c.name, c.separators, c.number), c.caption)
            << c.name << " " << c.separators << c.number;
    }
}

TEST(PictureTexts, PatternsFollowTheLocaleAndAltTextsTheirOrderOfPreference) {
    SourceImage p;
    p.originalFileName = "02_beach-day.jpg";
    p.metadata.title = "Beach";
    p.metadata.description = "Swim";
    p.metadata.keywords = {"sea", "sand"};
    p.metadata.city = "Kiel";
    p.metadata.captured = CaptureMoment{"2021-07-04T18:30:00", 120};  // shown as the camera's
    p.metadata.cameraModel = "EOS R";
    const FilenameCleanup cleanup{true, true, true};
    EXPECT_EQ(expandCaptionPattern("{date} {time} | {title}: {place} ({keywords}) {camera}, "
                                   "{filename} {x}",
                                   p, cleanup, "de_DE"),
              "04.07.2021 18:30 | Beach: Kiel (sea, sand) EOS R, beach day {x}");

    ImageSlot slot;
    slot.caption = " Caption ";
    std::string alt;
    for (int step = 0; step < 4; ++step) {
        alt += altTextOf(slot, &p, cleanup) + "|";
        if (step == 0)
            p.metadata.description.reset();
        else if (step == 1)
            slot.caption = " ";
        else
            p.metadata.title.reset();
    }
    slot.altText = " Own ";
    EXPECT_EQ(alt + altTextOf(slot, &p, cleanup), "Swim|Caption|Beach|beach day|Own");
    // Separators an empty field leaves are dropped; a pattern of empty fields gives nothing.
    EXPECT_EQ(expandCaptionPattern("{date} \u00B7 {description}", p, cleanup, "en-US"),
              "Jul 4, 2021");
    EXPECT_EQ(expandCaptionPattern("{title} - {description}", SourceImage{}, cleanup) +
                  languageTagOf("fr_CA") + languageTagOf("C.UTF-8"),
              "fr-CAen-US");
}

Titles renumbered(const Titles& titles, std::vector<SlideLayoutKind> layouts = {}) {
    Project project;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        Slide slide = singleImageSlide(Uuid::random(), "");
        slide.title = titles[i];
        if (i < layouts.size())
            slide.layout = layouts[i];
        project.slides.push_back(slide);
    }
    if (!layouts.empty())
        project.slides[1].isExcluded = true;
    renumberDefaultTitles(project);
    Titles out;
    for (const auto& slide : project.slides)
        out.push_back(slide.title);
    return out;
}

TEST(RenumberDefaultTitles, FollowsPositionsKeepsTypedTitlesAndTitlesEmptyMultiPictureSlides) {
    EXPECT_EQ(renumbered({"Slide 1", "Slide 3", "Holiday"}),
              (Titles{"Slide 1", "Slide 2", "Holiday"}));
    EXPECT_EQ(renumbered({"slide 3", "Slide 3b", " Slide 7 \n", "Slide  4", "Slide 12", "x"}),
              (Titles{"slide 3", "Slide 3b", "Slide 3", "Slide  4", "Slide 5", "x"}));
    EXPECT_EQ(renumbered({"Slide \u0669", "Slide 9\n\n", "Slide"}),
              (Titles{"Slide 1", "Slide 2", "Slide"}));

    // Only empty multi-picture titles are filled; the second slide is excluded.
    using enum SlideLayoutKind;
    EXPECT_EQ(
        renumbered({"", "", "", "  ", ""}, {section, oneImage, imageTitleCaption, fourGrid, twoUp}),
        (Titles{"", "", "", "Slide 4", "Slide 5"}));
}

using namespace std::chrono;

std::string orderName(std::weak_ordering order) {
    return order < 0 ? "ascending" : order > 0 ? "descending" : "same";
}

// Each pair in both directions: the reverse comparison must give the reverse order.
TEST(CompareFileNames, WorkedOrders) {
    struct Case {
        const char *a, *b, *order;
    };
    for (const Case& c : std::vector<Case>{
             // Digit runs compare by value, at any length, in any script's decimal digits.
             {"IMG2", "img10", "ascending"},
             {"18446744073709551617", "18446744073709551616", "descending"},
             {"img\u0663", "img10", "ascending"},
             // A run sorts among other characters where its first digit would.
             {"a!", "a1", "ascending"},
             {"a:", "a1", "descending"},
             {"a7", "a7b", "ascending"},
             {"a7b", "a70", "ascending"},
             // Case, marks and width are ignored; a mark is gone, not sorted as U+00E9.
             {"\u00C9t\u00E9", "ete", "same"},
             {"E\u0301te\u0301", "\u00C9T\u00C9", "same"},
             {"\uFF29\uFF2D\uFF27\uFF11", "img1", "same"},
             {"Stra\u00DFe", "STRASSE", "same"},
             {"\u00E9", "f", "ascending"},
             // Leading zeros decide only when all else is equal; the first differing run decides.
             {"a7", "a07", "ascending"},
             {"A07", "a7", "descending"},
             {"a07b", "a7c", "ascending"},
             {"7-08", "07-8", "ascending"},
         }) {
        EXPECT_EQ(orderName(compareFileNames(c.a, c.b)), c.order) << c.a << " | " << c.b;
        EXPECT_EQ(orderName(0 <=> compareFileNames(c.b, c.a)), c.order) << c.b << " | " << c.a;
    }
}

struct DeckBuilder {
    Project project;

    Slide& add(const std::string& fileName, std::optional<Timestamp> date = std::nullopt) {
        SourceImage image = testing::pictureRecord(fileName);
        image.captureDate = date;
        project.images.push_back(image);
        project.slides.push_back(singleImageSlide(image.id, ""));
        return project.slides.back();
    }
};

Timestamp at(int year, int second = 0) {
    return sys_days{std::chrono::year{year} / 1 / 1} + seconds{second};
}

std::vector<std::string> keysInOrder(const Project& project, SortMode mode) {
    Project copy = project;
    copy.sort = mode;
    std::vector<std::string> keys;
    for (const auto& slide : sortedSlides(copy))
        keys.push_back(filenameSortKey(slide, copy));
    return keys;
}

using Keys = std::vector<std::string>;

TEST(SortedSlides, NameOrdersUseTitleThenPictureNameStablyAndDateOrdersPutUndatedLast) {
    DeckBuilder deck;
    deck.add("DSC_10.jpg");
    deck.add("Photo.jpg");
    deck.add("dsc_9.jpg");
    deck.add("photo.JPG");  // equivalent to "Photo.jpg": deck order in both directions
    deck.add("DSC_100.jpg");
    deck.add("aaa.jpg").title = "Zebra";
    EXPECT_EQ(keysInOrder(deck.project, SortMode::filename),
              (Keys{"dsc_9.jpg", "DSC_10.jpg", "DSC_100.jpg", "Photo.jpg", "photo.JPG", "Zebra"}));
    EXPECT_EQ(keysInOrder(deck.project, SortMode::reverseFilename),
              (Keys{"Zebra", "Photo.jpg", "photo.JPG", "DSC_100.jpg", "DSC_10.jpg", "dsc_9.jpg"}));
    EXPECT_EQ(keysInOrder(deck.project, SortMode::manual),
              (Keys{"DSC_10.jpg", "Photo.jpg", "dsc_9.jpg", "photo.JPG", "DSC_100.jpg", "Zebra"}));

    // Date orders put undated slides last and never reverse the name tie-break.
    deck = DeckBuilder();
    deck.add("scan.png");
    deck.add("b2020.jpg", at(2020));
    deck.add("z-same.jpg", at(2021, 5));
    deck.add("c2022.jpg", at(2022));
    deck.add("a-same.jpg", at(2021, 5));
    deck.add("another scan.png");
    EXPECT_EQ(keysInOrder(deck.project, SortMode::captureDate),
              (Keys{"b2020.jpg", "a-same.jpg", "z-same.jpg", "c2022.jpg", "another scan.png",
                    "scan.png"}));
    EXPECT_EQ(keysInOrder(deck.project, SortMode::reverseCaptureDate),
              (Keys{"c2022.jpg", "a-same.jpg", "z-same.jpg", "b2020.jpg", "another scan.png",
                    "scan.png"}));
}

TEST(SortKeys, OnlyTheFirstSlotCounts) {
    DeckBuilder deck;
    deck.add("plain.jpg", at(2019));
    Slide& slide = deck.add("dated.jpg", at(2019));
    slide.slots.insert(slide.slots.begin(), emptySlot());
    slide.layout = SlideLayoutKind::twoUp;
    EXPECT_FALSE(captureDateSortKey(slide, deck.project));
    EXPECT_EQ(filenameSortKey(slide, deck.project), slide.id.text());

    Slide missing = singleImageSlide(Uuid::random(), "");
    EXPECT_EQ(filenameSortKey(missing, deck.project), missing.id.text());
    EXPECT_FALSE(captureDateSortKey(missing, deck.project));

    Slide spaces = sectionDividerSlide();
    spaces.title = "  ";
    EXPECT_EQ(filenameSortKey(spaces, deck.project), "  ");
    EXPECT_EQ(captureDateSortKey(deck.project.slides.front(), deck.project), at(2019));
}

using Timeline = testing::DeckTest<5>;

// p1...p4 taken on 12 and 13 May 2024 (a gap of 3.5 hours after p2), shuffled; p5 undated.
void dateThePictures(Timeline& t) {
    const auto day = sys_days{2024y / May / 12};
    const Timestamp taken[] = {day + 9h, day + 10h + 30min, day + 14h, day + 24h + 8h};
    t.setProject([&](Project& p) {
        for (int i = 0; i < 4; ++i)
            p.images[i].captureDate = taken[i];
        p.slides.permute({3, 1, 4, 0, 2});
    });
}

TEST_F(Timeline, GapSectionsSortByDateAreTitledInTheLocaleAndDoNotRepeat) {
    dateThePictures(*this);
    insertSectionsAtTimeGaps(doc(), {}, "en_US");
    EXPECT_EQ(deck(), "S p1 p2 S p3 S p4 p5");
    EXPECT_EQ(titles()[5], "May 13, 2024");
    EXPECT_EQ(history->undoName(), "Insert Sections at Time Gaps");

    const Project once = doc().project();
    insertSectionsAtTimeGaps(doc(), {}, "en_US");
    EXPECT_EQ(doc().project(), once);  // the same dividers, no second step
    EXPECT_EQ(history->undoCount(), 1u);

    insertSectionsAtTimeGaps(doc(), {.eachDay = true}, "en_US");
    EXPECT_EQ(deck(), "S p1 p2 p3 S p4 p5");
    history->undo();
    history->undo();
    EXPECT_EQ(deck(), "p4 p2 p5 p1 p3");
    // The local reading is the date, whatever the process's zone.
    EXPECT_EQ(sectionTitle(sys_days{2024y / May / 12} + 23h + 59min, "Lisboa", "de_DE"),
              "12. Mai 2024 \u2013 Lisboa");
}

// A phone that records its zone (UTC+2) and a camera that does not (read as UTC), whose clock
// turns out 70 minutes fast.
TEST_F(Timeline, OffsetsOrderTheDeckAndAligningClocksIsOneStepForEveryPictureOfTheCamera) {
    const auto day = sys_days{2024y / May / 12};
    setProject([&](Project& p) {
        const auto camera = [&](int i, Timestamp t, std::optional<std::int32_t> offset,
                                const char* model) {
            SourceImage& image = p.images.edit(i);
            image.captureDate = t;
            image.metadata.captured = CaptureMoment{"", offset};
            image.metadata.cameraMake = "Maker";
            image.metadata.cameraModel = model;
        };
        camera(0, day + 10h, 120, "Phone");  // 08:00 UTC
        camera(1, day + 9h + 30min, {}, "Camera");
        camera(2, day + 9h + 10min, {}, "Camera");
        camera(3, day + 10h + 45min, 120, "Phone");  // 08:45 UTC
        p.slides.permute({2, 1, 0, 3, 4});
    });
    changeSortMode(doc(), SortMode::captureDate);
    EXPECT_EQ(deck(), "p1 p4 p3 p2 p5");

    // p3 (camera, 09:10) and p1 (phone, 08:00 UTC) were taken at the same moment.
    const auto alignment = cameraClockAlignment(doc().project(), slide(3), slide(1));
    ASSERT_TRUE(alignment);
    EXPECT_EQ(alignment->camera, (CameraIdentity{"Maker", "Camera", ""}));
    EXPECT_EQ(alignment->correctionSeconds, -70 * 60);
    EXPECT_FALSE(cameraClockAlignment(doc().project(), slide(3), slide(4)));  // one camera
    alignCameraClocks(doc(), slide(1), slide(3));
    EXPECT_EQ(history->undoName(), "Align Camera Clocks");
    EXPECT_EQ(deck(), "p1 p3 p2 p4 p5");  // p3 ties with p1 at 08:00; names break the tie

    // A picture the camera takes later is corrected too.
    setProject([&](Project& p) {
        SourceImage later = p.images[1];
        later.id = Uuid::random();
        later.originalFileName = "p6";
        later.captureDate = day + 9h + 5min;
        p.images.push_back(later);
        p.slides.push_back(singleImageSlide(later.id, ""));
    });
    changeSortMode(doc(), SortMode::captureDate);
    EXPECT_EQ(deck(), "p6 p1 p3 p2 p4 p5");
    history->undo();
    history->undo();
    EXPECT_TRUE(doc().project().cameraClocks.empty());
    EXPECT_EQ(deck(), "p1 p4 p3 p2 p5");
}

namespace fs = std::filesystem;
using testing::itemNamed;

Timestamp day(int d) {
    return sys_days{2021y / 3 / d};
}

using ImportIntoDocument = testing::DeckTest<0>;

TEST_F(ImportIntoDocument, AddsPicturesBytesAndCaptionsAsOneStep) {
    importItems(doc(), {itemNamed("01_Beach-Day.jpg")});
    EXPECT_EQ(slideAt(1).slots.at(0).caption, "");  // no caption without cleanup
    history->undo();
    setProject([](Project& p) {
        p.appearance.filenameCleanup = FilenameCleanup{true, true, true};
    });
    importItems(doc(), {itemNamed("01_Beach-Day.jpg"), itemNamed("Photo.JPEG")});
    EXPECT_EQ(deck(), "01_Beach-Day.jpg Photo.JPEG");
    EXPECT_EQ(slideAt(1).slots.at(0).caption + "|" + slideAt(2).slots.at(0).caption,
              "Beach Day|Photo");
    const auto& images = doc().project().images;
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(doc().imageData().at(images[1].id), Bytes(std::string_view("Photo.JPEG")));
    EXPECT_EQ(selection(), std::vector<int>{2});
    EXPECT_EQ(history->undoName(), "Import Images");
    history->undo();
    EXPECT_EQ(deck(), "");                    // one step
    EXPECT_EQ(doc().imageData().size(), 3u);  // bytes are not part of undo
}

TEST_F(ImportIntoDocument, SortedDeckPlacesNewSlidesByDateAndManualAppends) {
    importItems(doc(), {itemNamed("b.jpg", day(10)), itemNamed("d.jpg", day(20))});
    setProject([](Project& p) { p.sort = SortMode::captureDate; });
    importItems(doc(),
                {itemNamed("scan.png"), itemNamed("c.jpg", day(15)), itemNamed("a.jpg", day(5))});
    EXPECT_EQ(deck(), "a.jpg b.jpg c.jpg d.jpg scan.png");
    EXPECT_EQ(selection(), std::vector<int>{5});  // the last slide, new or not

    setProject([](Project& p) { p.sort = SortMode::manual; });
    importItems(doc(), {itemNamed("0.jpg", day(1))});
    EXPECT_EQ(deck(), "a.jpg b.jpg c.jpg d.jpg scan.png 0.jpg");
}

TEST_F(ImportIntoDocument, DuplicatesAreKeptOnlyWhenAsked) {
    ImportPlan plan;
    plan.items = {itemNamed("new.jpg")};
    plan.duplicates = {{itemNamed("again.jpg"), "digest"}};
    plan.failures = {{"x.jpg", "This file could not be read as an image."}};
    EXPECT_EQ(applyImportPlan(doc(), plan, false),
              "x.jpg: This file could not be read as an image.");
    EXPECT_EQ(deck(), "new.jpg");
    EXPECT_FALSE(applyImportPlan(doc(), ImportPlan{{}, plan.duplicates, {}, {}}, false));
    EXPECT_EQ(deck(), "new.jpg");
    applyImportPlan(doc(), ImportPlan{{}, plan.duplicates, {}, {}}, true);
    applyImportPlan(doc(), ImportPlan{{}, plan.duplicates, {}, {}}, true);
    EXPECT_EQ(deck(), "new.jpg again.jpg again.jpg");
    const auto& images = doc().project().images;
    EXPECT_NE(images[1].id, images[2].id);
    EXPECT_NE(images[1].storedFileName, images[2].storedFileName);
}

// Pictures shown while their files are examined end as one apply of the whole plan, as one step;
// a session ended without its plan leaves no trace, and text being typed keeps its own step.
TEST_F(ImportIntoDocument, ArrivalsEndAsTheWholePlanAndCancelLeavesNoTrace) {
    ImportPlan plan;
    plan.items = {itemNamed("c.jpg", day(3)), itemNamed("a.jpg", day(1)), itemNamed("d.jpg")};
    plan.duplicates = {{itemNamed("b.jpg", day(2)), "digest"}};
    importItems(doc(), {itemNamed("p.jpg")});
    const auto outcome = [&] {
        return deck() + " / " + std::to_string(selection().at(0)) + " / " + history->undoName() +
               std::to_string(history->undoCount());
    };
    for (const SortMode sort : {SortMode::manual, SortMode::captureDate})
        for (const bool keep : {false, true}) {
            setProject([&](Project& p) { p.sort = sort; });
            applyImportPlan(doc(), plan, keep);
            const std::string whole = outcome();
            history->undo();
            {
                ImportSession session(doc());
                session.add(std::span(plan.items).first(2));
                EXPECT_EQ(deck(),
                          sort == SortMode::manual ? "p.jpg c.jpg a.jpg" : "a.jpg c.jpg p.jpg");
                applyImportPlan(session, plan, keep);
            }
            EXPECT_EQ(outcome(), whole);
            history->undo();
        }

    const std::size_t stored = doc().imageData().size();
    ImportSession(doc()).add(plan.items);
    EXPECT_EQ(deck(), "p.jpg");
    EXPECT_EQ(doc().imageData().size(), stored);
    EXPECT_EQ(history->undoCount(), 1u);

    doc().beginContinuousEdit("Rename Slide");
    setProject([](Project& p) { p.slides.at(0).title = "Typed"; });
    importItems(doc(), {itemNamed("e.jpg")});
    history->undo();
    EXPECT_EQ(titles(), std::vector<std::string>{"Typed"});
}

// Batches into a sorted deck take the places one import of everything gives them, ties in their
// arrival order, whether or not the deck was in order when the import began; the document finds
// every slide where it is after each batch.
TEST_F(ImportIntoDocument, BatchesIntoASortedDeckMatchOneImportOfEverything) {
    importItems(doc(),
                {itemNamed("b.jpg", day(2)), itemNamed("d.jpg"), itemNamed("a.jpg", day(4))});
    const std::vector<ImportItem> items = {itemNamed("c.jpg", day(3)), itemNamed("b.jpg", day(1)),
                                           itemNamed("e.jpg", day(2)), itemNamed("a.jpg"),
                                           itemNamed("b.jpg", day(2)), itemNamed("0.jpg", day(9)),
                                           itemNamed("b.jpg", day(5)), itemNamed("f.jpg", day(2))};
    const auto order = [&] {  // with its date, a name tells apart the pictures of that name
        std::string out;
        for (const Slide& slide : doc().project().slides) {
            const SourceImage& image = *doc().project().sourceImage(*slide.slots.at(0).imageID);
            const auto date = image.captureDate ? image.captureDate->time_since_epoch().count() : 0;
            out += image.originalFileName + "@" + std::to_string(date) + " ";
        }
        return out;
    };
    for (const SortMode sort : {SortMode::filename, SortMode::reverseFilename,
                                SortMode::captureDate, SortMode::reverseCaptureDate}) {
        // Sorting is left to the import: the deck starts out of order.
        setProject([&](Project& p) { p.sort = sort; });
        importItems(doc(), items);
        const std::string whole = order();
        history->undo();
        ImportSession session(doc());
        for (std::size_t first = 0; first < items.size(); first += 3) {
            session.add(
                std::span(items).subspan(first, std::min<std::size_t>(3, items.size() - first)));
            const SlideList& slides = doc().project().slides;
            for (std::size_t i = 0; i < slides.size(); ++i)
                ASSERT_EQ(doc().slidePosition(slides[i].id), i) << int(sort);
        }
        session.commit();
        EXPECT_EQ(order(), whole) << int(sort);
        history->undo();
    }
}

TEST_F(ImportIntoDocument, PastedPicturesAreNumberedInClipboardOrderAndFilesDropDuplicates) {
    const Bytes png = testing::readFileBytes(testing::fixturePath("picture.png"));
    const Bytes text = testing::readFileBytes(testing::fixturePath("text.jpg"));
    pasteImages(doc(), PastedContent{{}, {std::nullopt, png, text, png}});
    EXPECT_EQ(deck(), "Clipboard 2.png Clipboard 4.png");  // not checked for duplicates
    EXPECT_EQ(doc().project().images[0].uti, "public.png");
    EXPECT_EQ(history->undoName(), "Import Images");

    // Pasted files are checked for duplicates, which are dropped silently.
    history->undo();
    testing::TempDir dir;
    fs::copy_file(testing::fixturePath("picture.png"), dir / "one.png");
    fs::copy_file(testing::fixturePath("picture.png"), dir / "two.png");
    fs::copy_file(testing::fixturePath("text.jpg"), dir / "bad.jpg");
    pasteImages(doc(), PastedContent{{dir / "two.png", dir / "one.png", dir / "bad.jpg"},
                                     {testing::readFileBytes(testing::fixturePath("alpha.png"))}});
    EXPECT_EQ(deck(), "one.png");
    pasteImages(doc(), PastedContent{{dir / "one.png"}, {}});
    EXPECT_EQ(deck(), "one.png");
}

using testing::fixturePath;
using testing::readFileBytes;
using testing::TempDir;

// A document importing through its own staging folder, kept under the test's own cache folder.
class StagedPictures : public ::testing::Test {
protected:
    StagedPictures() {
        ::setenv("XDG_CACHE_HOME", (folder / "cache").c_str(), 1);
        document = std::make_unique<MosavelleDocument>();
        document->setUndoHistory(history);
    }

    // Imports copies of the fixtures, named as given, and returns their paths.
    std::vector<fs::path> importCopies(
        const std::vector<std::pair<std::string, std::string>>& files) {
        std::vector<fs::path> paths;
        for (const auto& [name, fixture] : files) {
            paths.push_back(folder / name);
            fs::copy_file(fixturePath(fixture), paths.back());
        }
        ImportPlanOptions options;
        options.staging = document->stagingFolder();
        auto plan = planImportOfFiles(paths, document->project().images, options);
        EXPECT_TRUE(plan);
        if (plan)
            importItems(*document, plan->items);
        return paths;
    }

    TempDir folder;
    std::shared_ptr<UndoHistory> history = std::make_shared<UndoHistory>();
    std::unique_ptr<MosavelleDocument> document;
};

// Staged pictures outlive their sources: undone, saved without (the package drops its file), its
// source gone, redo still has the picture.
TEST_F(StagedPictures, RedoBringsBackAPictureThatASaveLeftOutAndStagingGoesWithTheDocument) {
    const fs::path package = folder / "Deck.mosavelle";
    importCopies({{"a.jpg", "orient-1.jpg"}});
    ASSERT_TRUE(writeProjectPackage(document->makeSnapshot(), package));
    const auto sources = importCopies({{"b.jpg", "orient-6.jpg"}});
    ASSERT_TRUE(writeProjectPackage(document->makeSnapshot(), package));
    const SourceImage second = document->project().images.at(1);
    ASSERT_TRUE(fs::exists(package / "images" / second.storedFileName));

    history->undo();
    ASSERT_EQ(document->project().images.size(), 1u);
    ASSERT_TRUE(writeProjectPackage(document->makeSnapshot(), package));
    ASSERT_FALSE(fs::exists(package / "images" / second.storedFileName));
    fs::remove(sources.at(0));
    history->redo();
    ASSERT_NE(document->project().sourceImage(second.id), nullptr);
    auto bytes = document->imageData().at(second.id).read();
    ASSERT_TRUE(bytes) << bytes.error().message;
    EXPECT_EQ(*bytes, readFileBytes(fixturePath("orient-6.jpg")));
    ASSERT_TRUE(writeProjectPackage(document->makeSnapshot(), package));
    EXPECT_EQ(readFileBytes(package / "images" / second.storedFileName), *bytes);

    // The staging folder lives under the user's cache folder and goes with its document; the
    // saved package keeps its pictures.
    const fs::path staging = document->stagingFolder()->path();
    EXPECT_TRUE(staging.string().starts_with((folder / "cache" / "Mosavelle").string()));
    document.reset();
    EXPECT_FALSE(fs::exists(staging));
    EXPECT_EQ(readFileBytes(package / "images" / second.storedFileName), *bytes);
}

}  // namespace
}  // namespace mosavelle
