#include "storage/ProjectCleaning.h"

#include "ProjectBuilder.h"
#include "StorageDomainGuard.h"
#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/EditCommands.h"

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

using TestSupport::ProjectBuilder;

// Projects in memory only: cleaning never touches a file.
class ProjectCleaningTest : public ::testing::Test {
protected:
    ProjectCleaningTest() {
        CDomain::Instance().m_waveOption = 0;
        CDomain::Instance().m_patchOption = 0;
    }
    ~ProjectCleaningTest() override {
        CDomain::Instance().m_waveOption = 0;
        CDomain::Instance().m_patchOption = 0;
    }

    void SetWave(int number, const std::string& file) {
        CWave& wave = m_data.m_waves[static_cast<std::size_t>(number) - 1];
        wave.m_path = "/p/Song.prj/Wave/" + file;
        wave.SetName(file, true);
    }
    // Puts a patch into slot `number` whose oscillator 0 (and 1) name the given waves, and lists it
    // as a user of them.
    void SetPatch(int number, int firstWave, int secondWave = 0) {
        const auto slot = static_cast<std::size_t>(number) - 1;
        auto patch = std::make_unique<CPatch>(ProjectBuilder::PatchUsingWaves(firstWave, secondWave));
        patch->m_path = "/p/Song.prj/Patch/" + std::to_string(number) + ".p00";
        patch->m_name = "P" + std::to_string(number);
        m_data.m_patches.Replace(slot, std::move(patch));
        for (const int wave : {firstWave, secondWave}) {
            if (wave != 0) {
                m_data.m_waves[static_cast<std::size_t>(wave) - 1].AddUser(static_cast<std::int32_t>(slot), false);
            }
        }
    }
    int Reference(std::size_t patchSlot, std::size_t osc = 0) const {
        return m_data.m_patches[patchSlot].m_osc[osc].GetWaveNumber(0);
    }
    std::vector<std::string> WaveNames() const {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < m_data.m_waves.size(); ++i) {
            if (!m_data.m_waves[i].IsEmpty()) {
                names.push_back(std::to_string(i + 1) + " " + m_data.m_waves[i].m_name);
            }
        }
        return names;
    }

    TestSupport::StorageDomainGuard m_guard;
    CTernData m_data;
};

TEST_F(ProjectCleaningTest, UnusedWavesGoAndTheUsedOneMovesToTheFront) {
    SetWave(1, "001 One.wav");
    SetWave(5, "005 Five.w00");
    SetWave(9, "009 Nine.w00");
    SetPatch(3, 5);
    EXPECT_TRUE(CleanProject(m_data));
    EXPECT_EQ(WaveNames(), std::vector<std::string>{"1 Five"});
    EXPECT_EQ(m_data.m_patches[0].m_name, "P3"); // the patch list is closed up as well
    EXPECT_EQ(Reference(0), 1);
    EXPECT_EQ(m_data.m_waves[0].m_users, std::vector<std::int32_t>{0});
    EXPECT_EQ(m_data.m_waves.size(), kWaveSlots);
    EXPECT_EQ(m_data.m_patches.size(), kPatchSlots);
}

TEST_F(ProjectCleaningTest, KeepingUnusedUserWavesDropsOnlyUnusedInstrumentWaves) {
    CDomain::Instance().m_waveOption = 1;
    SetWave(1, "001 One.wav");
    SetWave(5, "005 Five.w00");
    SetWave(9, "009 Nine.w00");
    SetPatch(3, 5);
    CleanProject(m_data);
    EXPECT_EQ(WaveNames(), (std::vector<std::string>{"1 One", "2 Five"}));
    EXPECT_EQ(Reference(0), 2);
    EXPECT_TRUE(m_data.m_waves[0].m_users.empty());
}

TEST_F(ProjectCleaningTest, AReferenceToAnEmptyWaveSlotBecomesZero) {
    SetWave(2, "002 Two.w00");
    SetPatch(1, 2, 6); // wave 6 is empty
    CleanProject(m_data);
    EXPECT_EQ(Reference(0, 0), 1);
    EXPECT_EQ(Reference(0, 1), 0);
    EXPECT_EQ(WaveNames(), std::vector<std::string>{"1 Two"});
}

TEST_F(ProjectCleaningTest, PatchNumberingIsKeptOnlyWithTheOption) {
    SetWave(4, "004 Four.w00");
    SetPatch(2, 4);
    SetPatch(7, 4);
    CDomain::Instance().m_patchOption = 1;
    CleanProject(m_data);
    EXPECT_EQ(m_data.m_patches[1].m_name, "P2");
    EXPECT_EQ(m_data.m_patches[6].m_name, "P7");
    EXPECT_TRUE(m_data.m_patches[0].IsEmpty());
    EXPECT_EQ(m_data.m_waves[0].m_users, (std::vector<std::int32_t>{1, 6}));

    CDomain::Instance().m_patchOption = 0;
    CleanProject(m_data);
    EXPECT_EQ(m_data.m_patches[0].m_name, "P2");
    EXPECT_EQ(m_data.m_patches[1].m_name, "P7");
    EXPECT_TRUE(m_data.m_patches[6].IsEmpty());
    EXPECT_EQ(Reference(0), 1);
    EXPECT_EQ(Reference(1), 1);
    EXPECT_EQ(m_data.m_waves[0].m_users, (std::vector<std::int32_t>{0, 1}));
}

TEST_F(ProjectCleaningTest, AnInactiveReferenceIsLeftAsItIs) {
    SetWave(3, "003 Three.w00");
    SetPatch(1, 3);
    COsc& osc = m_data.m_patches[0].m_osc[5];
    osc.m_values[18] = 1;
    ASSERT_TRUE(osc.SetWaveNumber(0, 7));
    osc.m_values[18] = 2; // inactive: the number is not a wave reference
    CleanProject(m_data);
    EXPECT_EQ(Reference(0), 1);
    COsc& cleaned = m_data.m_patches[0].m_osc[5]; // cleaning made new patch objects
    EXPECT_EQ(cleaned.m_values[18], 2);
    cleaned.m_values[18] = 1;
    EXPECT_EQ(cleaned.GetWaveNumber(0), 7);
}

TEST_F(ProjectCleaningTest, AProjectWithoutGapsStaysAsItIs) {
    SetWave(1, "001 One.w00");
    SetWave(2, "002 Two.wav");
    SetPatch(1, 2);
    SetPatch(2, 1, 2);
    const CParameter* before = &m_data.m_patches[0];
    CleanProject(m_data);
    EXPECT_EQ(WaveNames(), (std::vector<std::string>{"1 One", "2 Two"}));
    EXPECT_EQ(Reference(0), 2);
    EXPECT_EQ(Reference(1, 0), 1);
    EXPECT_EQ(Reference(1, 1), 2);
    EXPECT_EQ(m_data.m_patches[0].m_name, "P1");
    EXPECT_EQ(m_data.m_patches[1].m_path, "/p/Song.prj/Patch/2.p00");
    EXPECT_EQ(m_data.m_waves[1].m_users, (std::vector<std::int32_t>{0, 1}));
    EXPECT_NE(&m_data.m_patches[0], before); // new objects, same content
}

TEST_F(ProjectCleaningTest, UsersThatAreEmptyPatchSlotsDoNotKeepAWave) {
    SetWave(1, "001 One.w00");
    SetWave(2, "002 Two.w00");
    SetPatch(4, 2);
    m_data.m_waves[0].AddUser(9, false); // slot 10 is empty
    CleanProject(m_data);
    EXPECT_EQ(WaveNames(), std::vector<std::string>{"1 Two"});
    EXPECT_EQ(Reference(0), 1);
}

// A wave that a patch refers to is never dropped, even when its user list missed that patch: the
// reference would otherwise name whatever wave moved into its slot.
TEST_F(ProjectCleaningTest, AReferencedWaveIsKeptEvenWhenItsUserListMissedThePatch) {
    SetWave(2, "002 Two.w00");
    SetWave(4, "004 Four.w00");
    SetPatch(1, 2, 4);
    m_data.m_waves[3].ClearUsers();
    CleanProject(m_data);
    EXPECT_EQ(WaveNames(), (std::vector<std::string>{"1 Two", "2 Four"}));
    EXPECT_EQ(Reference(0, 1), 2);
    EXPECT_EQ(m_data.m_waves[1].m_users, std::vector<std::int32_t>{0});
}

TEST_F(ProjectCleaningTest, OneUndoRestoresBothListsAfterTheCleanProjectCommand) {
    SetWave(3, "003 Three.w00");
    SetWave(8, "008 Eight.w00");
    SetPatch(5, 8);
    ASSERT_TRUE(CleanProjectWithUndo(m_data, CleanProject));
    EXPECT_EQ(WaveNames(), std::vector<std::string>{"1 Eight"});
    CDomain::Instance().Undo();
    EXPECT_EQ(WaveNames(), (std::vector<std::string>{"3 Three", "8 Eight"}));
    EXPECT_EQ(m_data.m_patches[4].m_name, "P5");
    EXPECT_EQ(Reference(4), 8);
}

} // namespace
} // namespace Orvanta
