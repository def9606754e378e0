// The Undo command of the main window: enabled exactly when there is something to undo, restoring
// every project of the last change, marking exactly those modified and refreshing their windows.

#include "DragDriver.h"
#include "ShellTestFixture.h"
#include "model/CDomain.h"
#include "operations/EditCommands.h"
#include "shell/CFileDoc.h"
#include "shell/CFileFrame.h"
#include "shell/CMainFrame.h"
#include "shell/CommandIds.h"
#include "storage/WaveImport.h"
#include "views/CFileView.h"
#include "views/CPatchListCtrl.h"
#include "views/CWaveListCtrl.h"
#include "views/DragState.h"

#include <QAction>

#include <string>
#include <vector>

namespace Orvanta::ShellTesting {
namespace {

class UndoCommandTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(Start());
        m_frame = m_app->MainFrame();
    }

    CFileDoc& Open(const std::string& name) {
        CFileDoc* document = m_app->OpenProject(MakeProject(name));
        EXPECT_NE(document, nullptr);
        return *document;
    }
    static CFileView& View(const CFileDoc& document) { return *document.Frame()->View(); }

    // Moves the patch of slot 0 of `from` onto slot `slot` of `to` with Ctrl held (a move between
    // windows), through the lists' drag machinery.
    static void MovePatch(CFileDoc& from, CFileDoc& to, int slot) {
        CParameterListCtrl& source = View(from).PatchList();
        CParameterListCtrl& target = View(to).PatchList();
        source.SelectRows({0});
        ASSERT_TRUE(CListDragSource::Begin(source, 0));
        TestSupport::DragDriver drag(kPatchList);
        ASSERT_TRUE(
            drag.EnterAndDrop(target, TestSupport::DragDriver::RowPoint(target, slot), Qt::ControlModifier).accepted);
        CListDragSource::Finish();
    }

    [[nodiscard]] bool UndoEnabled() const {
        m_frame->UpdateCommandUI();
        return m_frame->Action(kCmdEditUndo)->isEnabled();
    }

    CMainFrame* m_frame = nullptr;
};

TEST_F(UndoCommandTest, EnabledExactlyWhenThereIsSomethingToUndo) {
    EXPECT_FALSE(UndoEnabled());
    CFileDoc& a = Open("A.prj");
    CFileDoc& b = Open("B.prj");
    EXPECT_FALSE(UndoEnabled());
    MovePatch(a, b, 5);
    ASSERT_TRUE(UndoEnabled());
    EXPECT_TRUE(m_frame->Action(kCmdEditUndo)->text().startsWith(QStringLiteral("&Undo")));
    m_frame->Action(kCmdEditUndo)->trigger();
    EXPECT_EQ(a.Data().m_patches[0].m_name, "Lead");
    EXPECT_TRUE(UndoEnabled()); // a second Undo redoes, and says so
    EXPECT_TRUE(m_frame->Action(kCmdEditUndo)->text().startsWith(QStringLiteral("&Redo")));
    m_frame->Action(kCmdEditUndo)->trigger();
    EXPECT_TRUE(UndoEnabled());
    EXPECT_TRUE(m_frame->Action(kCmdEditUndo)->text().startsWith(QStringLiteral("&Undo")));
    m_frame->Action(kCmdEditUndo)->trigger();
    ASSERT_TRUE(b.OnFileSave());
    EXPECT_FALSE(UndoEnabled()); // saving clears the undo state
    EXPECT_TRUE(m_frame->Action(kCmdEditUndo)->text().startsWith(QStringLiteral("&Undo")));
    m_frame->Action(kCmdEditUndo)->trigger(); // does nothing
    EXPECT_FALSE(b.IsModified());
}

TEST_F(UndoCommandTest, UndoOfAMoveBetweenWindowsRestoresAndMarksBothProjectsOnly) {
    CFileDoc& a = Open("A.prj");
    CFileDoc& b = Open("B.prj");
    CFileDoc& c = Open("C.prj");
    MovePatch(a, b, 5);
    ASSERT_TRUE(a.Data().m_patches[0].IsEmpty());
    ASSERT_EQ(b.Data().m_patches[5].m_name, "Lead");
    ASSERT_EQ(b.Data().m_waves[1].m_name, "Pad"); // the accompanying wave
    EXPECT_TRUE(a.IsModified());
    EXPECT_TRUE(b.IsModified());
    View(a).PatchList().SelectRows({3});

    ASSERT_TRUE(UndoEnabled());
    m_frame->Action(kCmdEditUndo)->trigger();
    EXPECT_EQ(a.Data().m_patches[0].m_name, "Lead");
    EXPECT_TRUE(b.Data().m_patches[5].IsEmpty());
    EXPECT_TRUE(b.Data().m_waves[1].IsEmpty());
    // Both are back as they were loaded: neither is marked any more.
    EXPECT_FALSE(a.IsModified());
    EXPECT_FALSE(b.IsModified());
    EXPECT_FALSE(c.IsModified());
    // Both windows show the restored lists (hint 1 rebuilds them without selection).
    EXPECT_EQ(View(a).PatchList().UsedCount(), 1);
    EXPECT_TRUE(View(a).PatchList().SelectedRows().isEmpty());
    EXPECT_EQ(View(b).PatchList().UsedCount(), 1);
    EXPECT_EQ(View(b).WaveList().UsedCount(), 1);
    EXPECT_EQ(View(b).TotalSizeText(), QString::fromStdString(WaveMemoryText(b.Data())));
    EXPECT_FALSE(a.Frame()->windowTitle().endsWith(QStringLiteral(" *")));
    EXPECT_FALSE(b.Frame()->windowTitle().endsWith(QStringLiteral(" *")));

    // Undo again redoes the move and marks both again.
    ASSERT_TRUE(UndoEnabled());
    m_frame->Action(kCmdEditUndo)->trigger();
    EXPECT_TRUE(a.Data().m_patches[0].IsEmpty());
    EXPECT_EQ(b.Data().m_patches[5].m_name, "Lead");
    EXPECT_EQ(View(b).PatchList().UsedCount(), 6);
    EXPECT_TRUE(a.Frame()->windowTitle().endsWith(QStringLiteral(" *")));
    EXPECT_TRUE(b.Frame()->windowTitle().endsWith(QStringLiteral(" *")));
    EXPECT_FALSE(c.IsModified());
}

TEST_F(UndoCommandTest, UndoOfAChangeInOneProjectLeavesTheOthersUnmarked) {
    CFileDoc& a = Open("A.prj");
    CFileDoc& b = Open("B.prj");
    ASSERT_EQ(RenameElements(b.Data(), kPatchList, {0}, "Renamed"), 1u);
    ASSERT_TRUE(UndoEnabled());
    m_frame->Action(kCmdEditUndo)->trigger();
    EXPECT_EQ(b.Data().m_patches[0].m_name, "Lead");
    EXPECT_FALSE(b.IsModified()); // back as loaded
    EXPECT_FALSE(a.IsModified());
}

// After Undo (and the Redo of a second Undo) the "*" mark says whether the lists differ from what
// was loaded or last saved, so that Exit does not ask to save an unchanged project.
TEST_F(UndoCommandTest, TheModifiedMarkFollowsWhetherTheListsDifferFromTheSavedOnes) {
    struct Case {
        const char* name;
        std::vector<std::string> steps; // "rename X", "save" or "undo"
        bool modified;
    };
    const std::vector<Case> cases = {
        {"one change undone", {"rename X", "undo"}, false},
        {"one change undone and redone", {"rename X", "undo", "undo"}, true},
        {"the second of two changes undone", {"rename X", "rename Y", "undo"}, true},
        {"a change after a save undone", {"rename X", "save", "rename Y", "undo"}, false},
        {"a change renamed back by hand", {"rename X", "rename Lead", "undo"}, true},
    };
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFileDoc& document = Open("P" + std::to_string(run++) + ".prj");
        for (const std::string& step : c.steps) {
            if (step == "save") {
                ASSERT_TRUE(document.OnFileSave());
            } else if (step == "undo") {
                ASSERT_TRUE(UndoEnabled());
                m_frame->Action(kCmdEditUndo)->trigger();
            } else {
                ASSERT_EQ(RenameElements(document.Data(), kPatchList, {0}, step.substr(7)), 1u);
                document.SetModified(true);
            }
        }
        EXPECT_EQ(document.IsModified(), c.modified);
        EXPECT_EQ(document.Frame()->windowTitle().endsWith(QStringLiteral(" *")), c.modified);
    }
}

} // namespace
} // namespace Orvanta::ShellTesting
