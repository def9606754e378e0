// The history of changes: entries keep only the slots a change touched, going back and forward
// restores states exactly, Undo moves with the last entry, and saving or closing a project drops
// the entries that cannot be taken back without it.

#include "OperationsFixture.h"

#include "operations/CHistory.h"
#include "operations/ChangeNames.h"
#include "operations/DropOperations.h"
#include "operations/EditCommands.h"

namespace Orvanta::TestSupport {
namespace {

class CHistoryTest : public OperationsTest {
protected:
    void SetUp() override {
        OperationsTest::SetUp();
        CHistory::Instance().Clear();
        m_reporter->SetDefaultAnswer(kAnswerOk);
        for (std::size_t w = 0; w < 6; ++w) {
            UseWave(m_a, "A", w);
        }
        for (std::size_t p = 0; p < 8; ++p) {
            SetWaveReference(UsePatch(m_a, "A", p), 1, 0, static_cast<int>(p % 6) + 1);
        }
        RebuildUsers(m_a);
        m_a.SetProjectPath("/A.prj/");
        m_b.SetProjectPath("/B.prj/");
    }
    void TearDown() override {
        CHistory::Instance().Clear();
        OperationsTest::TearDown();
    }

    CDropResult Drag(CTernData& to, int which, const CSelection& rows, int at, bool insert, bool copy) {
        CDragRequest request;
        request.source = &m_a;
        request.target = &to;
        request.which = which;
        request.selection = rows;
        request.dropIndex = at;
        request.insert = insert;
        request.copy = copy;
        return DragAndDrop(request);
    }

    CTernData m_a, m_b;
};

TEST_F(CHistoryTest, NamesSayWhatAChangeDid) {
    EXPECT_EQ(FormatSlotNumbers({2, 3, 4}), "3-5");
    EXPECT_EQ(FormatSlotNumbers({7, 8}), "8, 9");
    EXPECT_EQ(FormatSlotNumbers({0, 1, 2, 6, 9, 10}), "1-3, 7, 10, 11");
    EXPECT_EQ(NameOfTransfer("Move", kPatchList, {2, 3, 4}, "Song.prj", "Live.prj", false, 10, false),
              "Move patches 3-5 from Song.prj to Live.prj at 10");
    EXPECT_EQ(NameOfTransfer("Copy", kWaveList, {0}, "Song.prj", "Song.prj", true, 4, true),
              "Copy wave 1 to 4 (inserted) in Song.prj");
    EXPECT_EQ(NameOfDelete(kWaveList, {7, 8}, "Song.prj"), "Delete waves 8, 9 in Song.prj");
    // One slot is named in the singular.
    EXPECT_EQ(NameOfDelete(kPatchList, {24}, "Song.prj"), "Delete patch 25 in Song.prj");
    EXPECT_EQ(NameOfRename(kWaveList, {2}, "Song.prj", "Kick"), "Rename wave 3 in Song.prj to \"Kick\"");
    EXPECT_EQ(NameOfRename(kWaveList, {2, 5}, "Song.prj", "Kick"), "Rename waves 3, 6 in Song.prj to \"Kick\"");
    EXPECT_EQ(NameOfImport(4, "Song.prj"), "Import 4 waves into Song.prj");
    EXPECT_EQ(NameOfClean("Live.prj"), "Clean Live.prj");
}

TEST_F(CHistoryTest, BackAndForwardRestoreEveryStateExactly) {
    CHistory& history = CHistory::Instance();
    std::vector<ProjectState> a{CaptureState(m_a)}, b{CaptureState(m_b)};
    ASSERT_EQ(Drag(m_b, kPatchList, {0, 1, 2}, 5, false, false).status, DropStatus::Done);
    EXPECT_TRUE(history.Record("Move patches 1-3 from A.prj to B.prj at 6"));
    a.push_back(CaptureState(m_a));
    b.push_back(CaptureState(m_b));
    ASSERT_EQ(Drag(m_a, kWaveList, {4}, 0, true, false).status, DropStatus::Done);
    EXPECT_TRUE(history.Record(""));
    a.push_back(CaptureState(m_a));
    b.push_back(CaptureState(m_b));
    ASSERT_TRUE(DeleteSelection(m_b, {5}, kPatchList));
    EXPECT_TRUE(history.Record("Delete patch 6 in B.prj"));
    a.push_back(CaptureState(m_a));
    b.push_back(CaptureState(m_b));
    ASSERT_EQ(history.Size(), 3U);
    EXPECT_EQ(history.Entry(1).name, "Change patches 4-8, waves 1-7 in A.prj");
    EXPECT_FALSE(history.Record("nothing new")); // no change since the last entry

    EXPECT_TRUE(history.GoBack(4).empty()); // not that far: nothing changes
    EXPECT_TRUE(IsInState(m_a, a[3]));
    for (std::size_t n = 1; n <= 3; ++n) {
        EXPECT_FALSE(history.GoBack(n).empty());
        EXPECT_TRUE(IsInState(m_a, a[3 - n]) && IsInState(m_b, b[3 - n])) << n;
        EXPECT_TRUE(Consistent(m_a) && Consistent(m_b));
        EXPECT_FALSE(CDomain::Instance().HasUndo()); // going back clears what Undo could toggle
        EXPECT_FALSE(history.GoForward(n).empty());
        EXPECT_TRUE(IsInState(m_a, a[3]) && IsInState(m_b, b[3])) << n;
    }
    // A change after going back drops the entries ahead.
    history.GoBack(2);
    ASSERT_TRUE(RenameElements(m_a, kPatchList, {7}, "New") > 0);
    EXPECT_TRUE(history.Record("Rename"));
    EXPECT_EQ(history.Size(), 2U);
    EXPECT_EQ(history.Position(), 2U);
    EXPECT_FALSE(history.CanGoForward(1));
}

TEST_F(CHistoryTest, UndoMovesWithTheLastEntry) {
    CHistory& history = CHistory::Instance();
    const ProjectState before = CaptureState(m_a);
    ASSERT_TRUE(DeleteSelection(m_a, {0, 1}, kPatchList));
    history.Record("Delete");
    const ProjectState after = CaptureState(m_a);
    UndoLastChange();
    EXPECT_EQ(history.Position(), 0U);
    EXPECT_TRUE(IsInState(m_a, before));
    // Forward through the history after Undo brings the change back; Undo is cleared.
    EXPECT_FALSE(history.GoForward(1).empty());
    EXPECT_TRUE(IsInState(m_a, after));
    EXPECT_FALSE(CDomain::Instance().HasUndo());
    EXPECT_FALSE(history.GoBack(1).empty());
    EXPECT_TRUE(IsInState(m_a, before));
}

TEST_F(CHistoryTest, SavingOrClosingDropsWhatCannotBeTakenBackWithoutIt) {
    CHistory& history = CHistory::Instance();
    auto c = std::make_unique<CTernData>();
    UsePatch(*c, "C", 0);
    c->SetProjectPath("/C.prj/");
    ASSERT_TRUE(RenameElements(m_a, kPatchList, {0}, "X") > 0); // A
    history.Record("1 A");
    ASSERT_EQ(Drag(m_b, kPatchList, {1}, 3, false, true).status, DropStatus::Done); // B
    history.Record("2 B");
    ASSERT_TRUE(RenameElements(*c, kPatchList, {0}, "Y") > 0); // C
    history.Record("3 C");
    ASSERT_EQ(Drag(m_b, kPatchList, {2}, 4, false, false).status, DropStatus::Done); // A and B
    history.Record("4 A+B");
    ASSERT_TRUE(RenameElements(m_b, kPatchList, {3}, "Z") > 0); // B
    history.Record("5 B");
    ASSERT_EQ(history.Size(), 5U);

    // Saving A drops 4 and 1; 2 goes too, since taking it back would need 4 taken back first.
    history.ProjectSaved(&m_a);
    ASSERT_EQ(history.Size(), 2U);
    EXPECT_EQ(history.Entry(0).name, "3 C");
    EXPECT_EQ(history.Entry(1).name, "5 B");
    EXPECT_EQ(history.TakeNotice(), "Saving A.prj removed 3 entries from the history.");

    c.reset(); // closing C
    ASSERT_EQ(history.Size(), 1U);
    EXPECT_EQ(history.TakeNotice(), "Closing C.prj removed 1 entry from the history.");

    // A file moved under B's records by something outside the history (a save of another project
    // points them at other files): B's entries can no longer be taken back.
    m_b.m_patches[3].m_path = "/elsewhere.p00";
    history.Revalidate();
    EXPECT_EQ(history.Size(), 0U);
    EXPECT_FALSE(history.TakeNotice().empty());
}

TEST_F(CHistoryTest, EntriesKeepOnlyTheSlotsTheyChanged) {
    CHistory& history = CHistory::Instance();
    ASSERT_TRUE(RenameElements(m_a, kPatchList, {3}, "Only") > 0);
    history.Record("");
    EXPECT_EQ(history.Entry(0).name, "Rename patch 4 in A.prj to \"Only\"");
    const CHistoryEntry& entry = history.Entry(0);
    ASSERT_EQ(entry.projects.size(), 1U);
    EXPECT_EQ(entry.projects[0].lists[kPatchList].changed, (std::vector<std::uint16_t>{3}));
    EXPECT_TRUE(entry.projects[0].lists[kWaveList].changed.empty());
    EXPECT_LT(history.MemoryBytes(), 8000U);
}

} // namespace
} // namespace Orvanta::TestSupport
