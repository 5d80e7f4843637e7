#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/model/document.h"
#include "support/test_support.h"

namespace mosavelle {
namespace {

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

}  // namespace
}  // namespace mosavelle
