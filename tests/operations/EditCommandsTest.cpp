#include "OperationsFixture.h"

#include "operations/EditCommands.h"

namespace Orvanta::TestSupport {
namespace {

class EditCommandsTest : public OperationsTest {
protected:
    CTernData m_project;
};

TEST_F(EditCommandsTest, DeleteOfOnlyEmptySlotsDoesNothing) {
    CTernData earlier;
    CDomain::Instance().SaveUndo(kUndoBoth, &earlier);
    EXPECT_FALSE(CanDeleteSelection(m_project, {0, 1}, kPatchList));
    EXPECT_FALSE(DeleteSelection(m_project, {0, 1}, kPatchList));
    EXPECT_FALSE(DeleteSelection(m_project, {}, kWaveList));
    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_EQ(CDomain::Instance().UndoSlot(0).project, &earlier);
}

TEST_F(EditCommandsTest, DeleteAsksAndRegistersUndo) {
    UseWave(m_project, "A", 3);
    SetWaveReference(UsePatch(m_project, "A", 0), 0, 0, 4);
    RebuildUsers(m_project);
    const ProjectState before = CaptureState(m_project);

    m_reporter->QueueAnswer(kAnswerCancel);
    EXPECT_FALSE(DeleteSelection(m_project, {2, 3}, kWaveList));
    EXPECT_EQ(CaptureState(m_project), before);

    EXPECT_TRUE(DeleteSelection(m_project, {2, 3}, kWaveList));
    EXPECT_EQ(m_reporter->QuestionCodes(), (std::vector<int>{kAskDelete, kAskDelete}));
    EXPECT_TRUE(m_project.m_waves[3].IsEmpty());
    EXPECT_EQ(m_project.m_patches[0].m_osc[0].GetWaveNumber(0), 0);
    EXPECT_TRUE(Consistent(m_project));

    EXPECT_EQ(UndoLastChange(), (std::vector<CTernData*>{&m_project}));
    EXPECT_EQ(CaptureState(m_project), before);
}

TEST_F(EditCommandsTest, UndoWithNothingRegisteredChangesNothing) {
    UsePatch(m_project, "A", 0);
    const ProjectState before = CaptureState(m_project);
    EXPECT_TRUE(UndoLastChange().empty());
    EXPECT_EQ(CaptureState(m_project), before);
}

TEST_F(EditCommandsTest, CleanIsRunAfterTheProjectIsRegisteredForUndo) {
    CTernData earlier;
    CDomain& domain = CDomain::Instance();
    domain.SaveUndo(kUndoBoth, &earlier);
    UsePatch(m_project, "A", 5);
    const ProjectState before = CaptureState(m_project);
    bool ran = false;

    const bool result = CleanProjectWithUndo(m_project, [&](CTernData& project) {
        ran = true;
        EXPECT_EQ(domain.UndoSlot(0).project, &project);
        EXPECT_EQ(domain.UndoSlot(1).project, nullptr);
        EXPECT_TRUE(domain.UndoSlot(0).patchesSaved && domain.UndoSlot(0).wavesSaved);
        project.m_patches.Replace(0, project.m_patches.CloneAt(5));
        project.m_patches.Replace(5, std::make_unique<CPatch>());
        return true;
    });

    EXPECT_TRUE(ran);
    EXPECT_TRUE(result);
    UndoLastChange();
    EXPECT_EQ(CaptureState(m_project), before);
}

TEST_F(EditCommandsTest, FilterNameDropsTheNineCharactersOnly) {
    EXPECT_EQ(FilterName("Pad/Lead:1"), "PadLead1");
    EXPECT_EQ(FilterName("a\\b/c*d?e:f\"g<h>i|j"), "abcdefghij");
    EXPECT_EQ(FilterName("  x.y-z_ "), "  x.y-z_ ");
}

TEST_F(EditCommandsTest, RenamingSeveralElementsIsUndoneByOneUndo) {
    for (const std::size_t p : {1U, 4U, 6U}) {
        UsePatch(m_project, "A", p);
    }
    const ProjectState before = CaptureState(m_project);

    EXPECT_EQ(RenameElements(m_project, kPatchList, {1, 4, 6}, "Pad/Lead:1"), 3U);

    for (const std::size_t p : {1U, 4U, 6U}) {
        EXPECT_EQ(m_project.m_patches[p].m_name, "PadLead1");
    }
    UndoLastChange();
    EXPECT_EQ(CaptureState(m_project), before);
}

TEST_F(EditCommandsTest, RenameCutsTo12CharactersWithoutDerivingFromAPath) {
    UsePatch(m_project, "A", 0);
    RenameElements(m_project, kPatchList, {0}, "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(m_project.m_patches[0].m_name, "ABCDEFGHIJKL");
    RenameElements(m_project, kPatchList, {0}, "001 Warm.p00");
    EXPECT_EQ(m_project.m_patches[0].m_name, "001 Warm.p00");
    RenameElements(m_project, kPatchList, {0}, "//");
    EXPECT_EQ(m_project.m_patches[0].m_name, "");
}

TEST_F(EditCommandsTest, RenamingWavesRegistersOnlyTheWaveList) {
    UseWave(m_project, "A", 0);
    UsePatch(m_project, "A", 0);

    RenameElements(m_project, kWaveList, {0}, "New");
    m_project.m_patches[0].SetName("Changed", false);
    UndoLastChange();

    EXPECT_EQ(m_project.m_waves[0].m_name, "W0");
    EXPECT_EQ(m_project.m_patches[0].m_name, "Changed");
}

TEST_F(EditCommandsTest, StaleIndicesAreSkippedAndRegisterNothing) {
    CTernData earlier;
    CDomain::Instance().SaveUndo(kUndoBoth, &earlier);
    EXPECT_EQ(RenameElements(m_project, kPatchList, {512, 900}, "X"), 0U);
    EXPECT_EQ(CDomain::Instance().UndoSlot(0).project, &earlier);
    UsePatch(m_project, "A", 2);
    EXPECT_EQ(RenameElements(m_project, kPatchList, {700, 2}, "X"), 1U);
    EXPECT_EQ(m_project.m_patches[2].m_name, "X");
    EXPECT_EQ(CDomain::Instance().UndoSlot(0).project, &m_project);
}

} // namespace
} // namespace Orvanta::TestSupport
