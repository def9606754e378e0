// Cut, Copy and Paste: a table of pastes, each checked against the drop it stands for (the same
// rows dragged onto the same slot with the same modifiers, on an identical pair of projects), and the
// cases a drop has no counterpart for: a paste after the source closed or changed, a Cut never
// pasted, a second paste of one Cut.

#include "OperationsFixture.h"

#include "operations/CClipboard.h"
#include "operations/DropOperations.h"
#include "operations/EditCommands.h"

namespace Orvanta::TestSupport {
namespace {

class CClipboardTest : public OperationsTest {
protected:
    void SetUp() override {
        OperationsTest::SetUp();
        CClipboard::Instance().Clear();
        m_reporter->SetDefaultAnswer(kAnswerOk);
    }
    void TearDown() override {
        CClipboard::Instance().Clear();
        OperationsTest::TearDown();
    }

    // Project A: patches 1-6 using waves 1-4; project B: patches 1-2 using waves 1-2, so that waves
    // from A must find free slots in B.
    void Build(CTernData& a, CTernData& b) {
        for (std::size_t w = 0; w < 4; ++w) {
            UseWave(a, "A", w);
        }
        for (std::size_t p = 0; p < 6; ++p) {
            SetWaveReference(UsePatch(a, "A", p), 0, 0, static_cast<int>(p % 4) + 1);
            SetWaveReference(a.m_patches[p], 3, 1, static_cast<int>((p + 1) % 4) + 1);
        }
        for (std::size_t w = 0; w < 2; ++w) {
            UseWave(b, "B", w);
        }
        for (std::size_t p = 0; p < 2; ++p) {
            SetWaveReference(UsePatch(b, "B", p), 0, 0, static_cast<int>(p) + 1);
        }
        RebuildUsers(a);
        RebuildUsers(b);
    }
};

struct PasteCase {
    const char* name;
    int which;
    bool cut;
    CSelection rows; // in A
    bool intoOther;  // paste into B, else into A
    int start;
    bool insert;
    DropStatus status;
};

const PasteCase kCases[] = {
    {"copy patches within, overwrite empty", kPatchList, false, {1, 2}, false, 20, false, DropStatus::Done},
    {"copy patches within, overwrite used", kPatchList, false, {0}, false, 4, false, DropStatus::Done},
    {"copy patches within, insert", kPatchList, false, {2, 3, 4}, false, 1, true, DropStatus::Done},
    {"cut patches within, insert ahead", kPatchList, true, {3, 4}, false, 0, true, DropStatus::Done},
    {"cut patches within, overwrite behind", kPatchList, true, {0, 1}, false, 10, false, DropStatus::Done},
    {"cut patches onto their own place", kPatchList, true, {2, 3}, false, 2, false, DropStatus::NoOp},
    {"copy patches between, overwrite", kPatchList, false, {0, 2, 5}, true, 1, false, DropStatus::Done},
    {"copy patches between, insert", kPatchList, false, {1}, true, 0, true, DropStatus::Done},
    {"cut patches between, insert", kPatchList, true, {1, 2}, true, 5, true, DropStatus::Done},
    {"cut patches between, past the end", kPatchList, true, {1, 2}, true, 511, false, DropStatus::Refused},
    {"copy waves within, overwrite", kWaveList, false, {0, 1}, false, 30, false, DropStatus::Done},
    {"cut waves within, insert", kWaveList, true, {3}, false, 0, true, DropStatus::Done},
    {"cut waves within, overwrite used", kWaveList, true, {2}, false, 0, false, DropStatus::Done},
    {"copy waves between, insert", kWaveList, false, {1, 3}, true, 0, true, DropStatus::Done},
    {"cut waves between, overwrite", kWaveList, true, {0}, true, 40, false, DropStatus::Done},
};

TEST_F(CClipboardTest, EachPasteDoesWhatTheMatchingDropDoes) {
    for (const PasteCase& c : kCases) {
        SCOPED_TRACE(c.name);
        // The paste, on one pair of projects.
        CTernData a, b;
        Build(a, b);
        CTernData& target = c.intoOther ? b : a;
        CClipboard& clipboard = CClipboard::Instance();
        ASSERT_TRUE(clipboard.Copy(a, c.rows, c.which, c.cut));
        const ProjectState copiedA = CaptureState(a);
        EXPECT_TRUE(IsInState(a, copiedA)); // Copy and Cut change nothing by themselves
        const CPastePlan plan = clipboard.Plan(target, c.which, c.start, c.insert);
        const CPasteResult pasted = clipboard.Paste(target, c.which, c.start, c.insert);
        EXPECT_EQ(pasted.status, c.status);
        EXPECT_EQ(plan.possible, c.status != DropStatus::Refused);
        EXPECT_EQ(pasted.otherWindow, c.intoOther);
        EXPECT_TRUE(Consistent(a));
        EXPECT_TRUE(Consistent(b));
        EXPECT_TRUE(CDomain::Instance().m_transferPatches.empty() && CDomain::Instance().m_transferWaves.empty());

        if (pasted.status == DropStatus::Done) {
            // One Undo takes the whole paste back, the source's deletion included; a second redoes it.
            const ProjectState pastedA = CaptureState(a), pastedB = CaptureState(b);
            UndoLastChange();
            CTernData a3, b3;
            Build(a3, b3);
            EXPECT_TRUE(IsInState(a, CaptureState(a3)));
            EXPECT_TRUE(IsInState(b, CaptureState(b3)));
            UndoLastChange();
            EXPECT_TRUE(IsInState(a, pastedA));
            EXPECT_TRUE(IsInState(b, pastedB));
        }

        // The drop it stands for, on an identical pair.
        CTernData a2, b2;
        Build(a2, b2);
        CDragRequest drag;
        drag.source = &a2;
        drag.target = c.intoOther ? &b2 : &a2;
        drag.which = c.which;
        drag.selection = c.rows;
        drag.dropIndex = c.start;
        drag.insert = c.insert;
        drag.copy = !c.cut;
        const CDropResult dropped = DragAndDrop(drag);
        EXPECT_EQ(dropped.status, pasted.status);
        EXPECT_EQ(dropped.deletedAfterMove, pasted.deleted);
        EXPECT_TRUE(IsInState(a, CaptureState(a2)));
        EXPECT_TRUE(IsInState(b, CaptureState(b2)));

        clipboard.Clear();
        CDomain::Instance().ClearUndo();
    }
}

TEST_F(CClipboardTest, CutNeverPastedChangesNothingAndCutRowsAreEmptiedOnce) {
    CTernData a, b;
    Build(a, b);
    const ProjectState before = CaptureState(a);
    CClipboard& clipboard = CClipboard::Instance();
    ASSERT_TRUE(clipboard.Copy(a, {0, 1}, kPatchList, true));
    EXPECT_TRUE(IsInState(a, before));
    EXPECT_FALSE(CDomain::Instance().HasUndo());

    ASSERT_EQ(clipboard.Paste(b, kPatchList, 10, false).status, DropStatus::Done);
    EXPECT_TRUE(a.m_patches[0].IsEmpty());
    EXPECT_TRUE(a.m_patches[1].IsEmpty());
    EXPECT_FALSE(clipboard.IsCut());
    // A second paste of the same rows copies: nothing more is emptied in A.
    const ProjectState afterFirst = CaptureState(a);
    const CPasteResult second = clipboard.Paste(b, kPatchList, 20, false);
    EXPECT_EQ(second.status, DropStatus::Done);
    EXPECT_TRUE(second.deleted.empty());
    EXPECT_TRUE(IsInState(a, afterFirst));
    EXPECT_EQ(b.m_patches[20].m_name, b.m_patches[10].m_name);
    EXPECT_TRUE(Consistent(b));
}

TEST_F(CClipboardTest, PasteAfterTheSourceClosedBringsTheWaves) {
    CTernData b;
    {
        CTernData a, unused;
        Build(a, unused);
        ASSERT_TRUE(CClipboard::Instance().Copy(a, {0, 1}, kPatchList, true));
    } // A closes: the cut can no longer empty anything
    for (std::size_t w = 0; w < 2; ++w) {
        UseWave(b, "B", w);
    }
    CClipboard& clipboard = CClipboard::Instance();
    EXPECT_EQ(clipboard.Source(), nullptr);
    const CPasteResult result = clipboard.Paste(b, kPatchList, 0, true);
    EXPECT_EQ(result.status, DropStatus::Done);
    EXPECT_TRUE(result.otherWindow);
    EXPECT_TRUE(result.deleted.empty());
    // Patch 1 of A used waves 1 and 2, patch 2 waves 2 and 3: three waves travel into B's first free
    // slots 3 to 5, and the references follow them.
    EXPECT_EQ(b.m_waves[2].m_path, "/A.prj/Wave/1 W0.w00");
    EXPECT_EQ(b.m_waves[4].m_path, "/A.prj/Wave/3 W2.w00");
    EXPECT_EQ(b.m_patches[0].m_osc[0].GetWaveNumber(0), 3);
    EXPECT_EQ(b.m_patches[1].m_osc[3].GetWaveNumber(1), 5);
    EXPECT_TRUE(Consistent(b));
}

TEST_F(CClipboardTest, PasteIntoAChangedSourcePastesAsFromAnotherWindow) {
    CTernData a, b;
    Build(a, b);
    CClipboard& clipboard = CClipboard::Instance();
    ASSERT_TRUE(clipboard.Copy(a, {0}, kPatchList, true));
    // Wave 2, which patch 1 uses, moves away: the copied references no longer name it in A.
    ASSERT_TRUE(DeleteSelection(a, {1}, kWaveList));
    const CPasteResult result = clipboard.Paste(a, kPatchList, 30, false);
    EXPECT_EQ(result.status, DropStatus::Done);
    EXPECT_TRUE(result.otherWindow);
    EXPECT_TRUE(result.deleted.empty()); // the cut's rows are not known to be where they were
    EXPECT_FALSE(a.m_patches[0].IsEmpty());
    // Both waves of patch 1 came along into the free slots 2 and 5; the pasted patch names them, not
    // wave 1 where the copied reference pointed.
    EXPECT_EQ(a.m_patches[30].m_osc[0].GetWaveNumber(0), 2);
    EXPECT_EQ(a.m_waves[1].m_path, "/A.prj/Wave/1 W0.w00");
    EXPECT_EQ(a.m_patches[30].m_osc[3].GetWaveNumber(1), 5);
    EXPECT_EQ(a.m_waves[4].m_path, "/A.prj/Wave/2 W1.w00");
    EXPECT_TRUE(Consistent(a));
}

TEST_F(CClipboardTest, PasteOfTheOtherKindOrWithNothingCopiedIsRefused) {
    CTernData a, b;
    Build(a, b);
    CClipboard& clipboard = CClipboard::Instance();
    EXPECT_TRUE(clipboard.Paste(a, kPatchList, 0, false).nothingCopied);
    EXPECT_FALSE(clipboard.Copy(a, {100, 101}, kPatchList, false)); // empty rows: nothing to copy
    EXPECT_TRUE(clipboard.IsEmpty());
    ASSERT_TRUE(clipboard.Copy(a, {0}, kPatchList, false));
    const ProjectState before = CaptureState(a);
    EXPECT_TRUE(clipboard.Paste(a, kWaveList, 0, false).nothingCopied);
    EXPECT_TRUE(IsInState(a, before));
}

TEST_F(CClipboardTest, FilesAreKeptThroughTheKeeper) {
    CTernData a, b;
    Build(a, b);
    CClipboard& clipboard = CClipboard::Instance();
    std::vector<std::string> kept;
    clipboard.SetFileKeeper([&kept](const std::string& path, int) {
        kept.push_back(path);
        return "/work/" + std::to_string(kept.size());
    });
    ASSERT_TRUE(clipboard.Copy(a, {0}, kPatchList, false));
    clipboard.SetFileKeeper(nullptr);
    // The patch file and the two waves it uses.
    EXPECT_EQ(kept,
              (std::vector<std::string>{"/A.prj/Patch/1 P0.p00", "/A.prj/Wave/1 W0.w00", "/A.prj/Wave/2 W1.w00"}));
    ASSERT_EQ(clipboard.Paste(b, kPatchList, 5, false).status, DropStatus::Done);
    EXPECT_EQ(b.m_patches[5].m_path, "/work/1");
    EXPECT_EQ(b.m_waves[2].m_path, "/work/2");
}

} // namespace
} // namespace Orvanta::TestSupport
