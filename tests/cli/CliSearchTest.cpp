// orvanta-cli find, duplicates and the merge-duplicates statement, end to end.

#include "CliTestSupport.h"
#include "FolderSnapshot.h"
#include "ProjectBuilder.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace Orvanta::CliTest {
namespace {

using TestSupport::ProjectBuilder;

class CliSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProjectBuilder a(m_temp.Path(), "A.prj");
        a.AddPatch("001 Café Bass.p00", ProjectBuilder::PatchUsingWaves(1, 3));
        a.AddPatch("002 Lead.p00", ProjectBuilder::PatchUsingWaves(3));
        a.AddPatch("003 bass  two.p00", ProjectBuilder::PatchUsingWaves(2));
        a.AddWave("001 Kick.w00", 500);
        a.AddWave("002 Snare.w00", 500); // same size as the kick, other bytes
        Copy("A.prj/Wave/001 Kick.w00", "A.prj/Wave/003 Kick Copy.w00");
        ProjectBuilder b(m_temp.Path(), "B é.prj"); // a name outside ASCII, given relative to the folder
        b.AddPatch("007 CAFÉ BASS.p00", ProjectBuilder::PatchUsingWaves(4, 4));
        b.AddWave("004 Bassdrum.w00", 300);
        Copy("A.prj/Wave/001 Kick.w00", "B é.prj/Wave/004 Bassdrum.w00");
    }

    void Copy(const std::string& from, const std::string& to) {
        ProjectBuilder::WriteBytes(m_temp / to, ProjectBuilder::ReadBytes(m_temp / from));
    }

    ProcessResult Tool(const std::vector<std::string>& args, const std::string& input = {}) {
        return RunTool(args, m_temp.Path(), input);
    }

    TestSupport::TempFolder m_temp;
};

TEST_F(CliSearchTest, FindListsMatchingSlotsAndExitsZeroOneOrTwo) {
    const TestSupport::FolderSnapshot before = TestSupport::TakeFolderSnapshot(m_temp.Path());
    struct Row {
        std::vector<std::string> args;
        int status;
        std::string out;
    };
    const Row rows[] = {
        {{"find", "BASS", "A.prj", "B é.prj"},
         0,
         "A.prj patch 1 Café Bass\nA.prj patch 3 bass  two\nB é.prj patch 7 CAFÉ BASS\nB é.prj wave 4 Bassdrum\n"},
        {{"find", "café", "A.prj", "B é.prj"}, 0, "A.prj patch 1 Café Bass\n"},
        {{"find", "s  t", "B é.prj", "A.prj"}, 0, "A.prj patch 3 bass  two\n"},
        {{"find", "--json", "kick", "A.prj"},
         0,
         "[{\"project\":\"A.prj\",\"kind\":\"wave\",\"number\":1,\"name\":\"Kick\"},"
         "{\"project\":\"A.prj\",\"kind\":\"wave\",\"number\":3,\"name\":\"Kick Copy\"}]\n"},
        {{"find", "cafe", "A.prj", "B é.prj"}, 1, ""},
        {{"find", "zzz", "A.prj", "--json"}, 1, "[]\n"},
        {{"find", "", "A.prj"}, 2, ""},
        {{"find", "bass"}, 2, ""},
        {{"find", "bass", "A.prj", "--json", "--json"}, 2, ""},
        {{"find", "bass", "A.prj", "Missing.prj"}, 2, ""},
    };
    for (const Row& row : rows) {
        const ProcessResult result = Tool(row.args);
        EXPECT_EQ(result.status, row.status) << row.args[1] << result.err;
        EXPECT_EQ(result.out, row.out) << row.args[1];
    }
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(m_temp.Path()), before);
}

TEST_F(CliSearchTest, DuplicatesGroupsByteIdenticalWavesAndPatchesUsingThemInOrder) {
    const TestSupport::FolderSnapshot before = TestSupport::TakeFolderSnapshot(m_temp.Path());
    const ProcessResult json = Tool({"duplicates", "A.prj", "B é.prj", "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out, "{\"waves\":[[{\"project\":\"A.prj\",\"number\":1,\"name\":\"Kick\",\"bytes\":500},"
                        "{\"project\":\"A.prj\",\"number\":3,\"name\":\"Kick Copy\",\"bytes\":500},"
                        "{\"project\":\"B é.prj\",\"number\":4,\"name\":\"Bassdrum\",\"bytes\":500}]],"
                        "\"patches\":[[{\"project\":\"A.prj\",\"number\":1,\"name\":\"Café Bass\"},"
                        "{\"project\":\"B é.prj\",\"number\":7,\"name\":\"CAFÉ BASS\"}]]}\n");

    const ProcessResult text = Tool({"duplicates", "A.prj"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out, "waves, 500 bytes each, 500 bytes wasted:\n  A.prj wave 1 Kick\n  A.prj wave 3 Kick Copy\n"
                        "1 group of duplicate waves (500 bytes of wave memory wasted), 0 groups of duplicate "
                        "patches\n");
    EXPECT_EQ(Tool({"duplicates", "--json"}).status, 2);
    EXPECT_EQ(Tool({"duplicates", "A.prj", "Missing.prj"}).status, 1);
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(m_temp.Path()), before);
}

TEST_F(CliSearchTest, MergeDuplicatesIsOneUndoableChangeThatASaveMakes) {
    const TestSupport::FolderSnapshot before = TestSupport::TakeFolderSnapshot(m_temp.Path());
    const ProcessResult undone = Tool({"run", "-"}, "open A A.prj\nmerge-duplicates A\nundo\nsave A\n");
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(undone.out, "A: 1 duplicate waves merged\n");
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(m_temp.Path()), before);

    const ProcessResult merged = Tool({"run", "-"}, "open A A.prj\nmerge-duplicates A\nmerge-duplicates A\nsave A\n");
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.out, "A: 1 duplicate waves merged\nA: 0 duplicate waves merged\n");
    EXPECT_EQ(FileNames(m_temp / "A.prj/Wave"), (std::vector<std::string>{"001 Kick.w00", "002 Snare.w00"}));
    EXPECT_EQ(UsedWaves(m_temp / "A.prj/Patch/001 Café Bass.p00"), (std::vector<int>{1}));
    EXPECT_EQ(UsedWaves(m_temp / "A.prj/Patch/002 Lead.p00"), (std::vector<int>{1}));
    EXPECT_EQ(UsedWaves(m_temp / "A.prj/Patch/003 bass  two.p00"), (std::vector<int>{2}));
    EXPECT_EQ(Tool({"run", "-"}, "merge-duplicates\n").status, 2);
    EXPECT_EQ(Tool({"run", "-"}, "merge-duplicates Nobody\n").status, 1);
}

} // namespace
} // namespace Orvanta::CliTest
