// orvanta-cli library statements, end to end, and the catalogue kept current by a save of "run".

#include "CliTestSupport.h"
#include "FolderSnapshot.h"
#include "ProjectBuilder.h"
#include "TempFolder.h"
#include "library/CSqlite.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace Orvanta::CliTest {
namespace {

using TestSupport::ProjectBuilder;

class CliLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(m_temp / "disk/old");
        ProjectBuilder a(m_temp / "disk/", "A.prj");
        a.AddPatch("001 Warm Pad.p00", ProjectBuilder::PatchUsingWaves(1, 2));
        a.AddPatch("002 Bass.p00", ProjectBuilder::PatchUsingWaves(2));
        a.AddWave("001 Piano.w00", 400);
        a.AddWave("002 Sub.w00", 300);
        ProjectBuilder b(m_temp / "disk/old/", "B.prj");
        b.AddPatch("005 Pad Copy.p00", ProjectBuilder::PatchUsingWaves(1, 2));
        ProjectBuilder::WriteBytes(m_temp / "disk/old/B.prj/Wave/001 Piano.w00",
                                   ProjectBuilder::ReadBytes(m_temp / "disk/A.prj/Wave/001 Piano.w00"));
        ProjectBuilder::WriteBytes(m_temp / "disk/old/B.prj/Wave/002 Sub.w00",
                                   ProjectBuilder::ReadBytes(m_temp / "disk/A.prj/Wave/002 Sub.w00"));
    }

    ProcessResult Library(const std::vector<std::string>& statement) {
        std::vector<std::string> args = {"library", "--library", m_temp / "cat.sqlite3"};
        args.insert(args.end(), statement.begin(), statement.end());
        return RunTool(args, m_temp.Path());
    }

    TestSupport::TempFolder m_temp;
};

TEST_F(CliLibraryTest, StatementsEndToEnd) {
    const TestSupport::FolderSnapshot disk = TestSupport::TakeFolderSnapshot(m_temp / "disk");
    const std::string a = m_temp / "disk/A.prj";
    const std::string b = m_temp / "disk/old/B.prj";
    struct Row {
        std::vector<std::string> statement;
        int status;
        std::string out;
    };
    const Row rows[] = {
        {{"add", "disk"}, 0, "watching " + m_temp / "disk" + "\n"},
        {{"add", "disk/"}, 1, ""},
        {{"add", "nowhere"}, 1, ""},
        {{"folders"}, 0, m_temp / "disk" + "\n"},
        {{"scan"}, 0, "2 projects, 2 updated, 0 dropped, 7 files read\n"},
        {{"scan"}, 0, "2 projects, 0 updated, 0 dropped, 0 files read\n"},
        {{"find", "pad"}, 0, a + " patch 1 Warm Pad\n" + b + " patch 5 Pad Copy\n"},
        {{"find", "pad", "--kind", "wave"}, 1, ""},
        {{"find", "", "--kind", "wave", "--project", "B.prj"}, 0, b + " wave 1 Piano\n" + b + " wave 2 Sub\n"},
        {{"tag", "A.prj", "wave", "1", "keys", "bright"}, 0, ""},
        {{"favourite", a, "patch", "1"}, 0, ""},
        {{"find", "", "--tag", "keys"}, 0, a + " wave 1 Piano [bright, keys]\n" + b + " wave 1 Piano [bright, keys]\n"},
        {{"find", "", "--favourites"}, 0, a + " patch 1 Warm Pad *\n" + b + " patch 5 Pad Copy *\n"},
        {{"untag", "B.prj", "wave", "1", "bright"}, 0, ""},
        {{"find", "piano", "--json", "--project", "A.prj"},
         0,
         "[{\"project\":\"" + a +
             "\",\"kind\":\"wave\",\"number\":1,\"name\":\"Piano\",\"tags\":[\"keys\"],\"favourite\":false,"
             "\"file\":\"001 Piano.w00\",\"bytes\":400,"},
        {{"where", "A.prj", "wave", "2"},
         0,
         "wave 2 Sub of " + a + ": 2 copies in the collection\n  " + a + " wave 2 Sub: used by patches 1, 2\n  " + b +
             " wave 2 Sub: used by patch 5\n"},
        {{"where", "B.prj", "patch", "5"},
         0,
         "patch 5 Pad Copy of " + b + ": 2 copies in the collection\n  " + a + " patch 1 Warm Pad\n  " + b +
             " patch 5 Pad Copy\n"},
        {{"where", "B.prj", "patch", "6"}, 1, ""},
        {{"where", "Nope.prj", "patch", "1"}, 1, ""},
        {{"where", "B.prj", "patch", "x"}, 2, ""},
        {{"find"}, 2, ""},
        {{"find", "x", "--kind", "tune"}, 2, ""},
        {{"tag", "A.prj", "wave", "1"}, 2, ""},
        {{"tag", "A.prj", "wave", "1", "bad\ttag"}, 1, ""},
        {{"frobnicate"}, 2, ""},
    };
    for (const Row& row : rows) {
        const ProcessResult result = Library(row.statement);
        std::string label;
        for (const std::string& word : row.statement) {
            label += "[" + word + "]";
        }
        EXPECT_EQ(result.status, row.status) << label << "\n" << result.err;
        if (row.out.size() > 0 && row.out.back() == ',') {
            EXPECT_EQ(result.out.substr(0, row.out.size()), row.out) << label;
        } else {
            EXPECT_EQ(result.out, row.out) << label;
        }
    }
    const ProcessResult duplicates = Library({"duplicates", "--json"});
    EXPECT_EQ(duplicates.status, 0);
    EXPECT_EQ(duplicates.out.rfind("{\"waves\":[{\"key\":", 0), 0U) << duplicates.out;
    EXPECT_NE(duplicates.out.find("\"patches\":[{\"key\":"), std::string::npos) << duplicates.out;
    const ProcessResult text = Library({"duplicates"});
    EXPECT_EQ(text.out.rfind("2 copies of wave \"Piano\", 800 bytes in all\n", 0), 0U) << text.out;
    // Nothing in the watched folder changed.
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(m_temp / "disk"), disk);
}

TEST_F(CliLibraryTest, TagsGoToAFileAndComeBackIntoANewCatalogue) {
    ASSERT_EQ(Library({"add", "disk"}).status, 0);
    ASSERT_EQ(Library({"scan"}).status, 0);
    ASSERT_EQ(Library({"tag", "A.prj", "patch", "2", "low end"}).status, 0);
    ASSERT_EQ(Library({"export-tags", "marks.json"}).status, 0);
    const std::vector<std::string> other = {"library", "--library", m_temp / "other.sqlite3"};
    const auto run = [&](std::vector<std::string> statement) {
        std::vector<std::string> args = other;
        args.insert(args.end(), statement.begin(), statement.end());
        return RunTool(args, m_temp.Path());
    };
    ASSERT_EQ(run({"add", "disk"}).status, 0);
    ASSERT_EQ(run({"scan"}).status, 0);
    EXPECT_EQ(run({"find", "", "--tag", "low end"}).status, 1);
    const ProcessResult imported = run({"import-tags", "marks.json"});
    EXPECT_EQ(imported.out, "imported the marks of 1 items\n");
    EXPECT_EQ(run({"find", "", "--tag", "low end"}).out, m_temp / "disk/A.prj" + " patch 2 Bass [low end]\n");
    EXPECT_EQ(run({"import-tags", "cat.sqlite3"}).status, 1);
}

TEST_F(CliLibraryTest, ADamagedCatalogueIsMovedAsideAndTheUserTold) {
    WriteText(m_temp / "cat.sqlite3", "not a catalogue at all");
    const ProcessResult result = Library({"folders"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("was damaged: it was moved to " + m_temp / "cat.sqlite3.damaged-1"), std::string::npos)
        << result.err;
    EXPECT_EQ(ReadBytes(m_temp / "cat.sqlite3.damaged-1").size(), 22U);
}

TEST_F(CliLibraryTest, AScanWhileAnotherRunsIsRefused) {
    ASSERT_EQ(Library({"add", "disk"}).status, 0);
    // Another process's scan holds the lock beside the catalogue.
    Library::CDatabase lock;
    lock.Open(m_temp / "cat.sqlite3-scan", true);
    lock.Execute("BEGIN EXCLUSIVE");
    const ProcessResult result = Library({"scan"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("a scan of this catalogue is running already"), std::string::npos) << result.err;
    lock.Execute("ROLLBACK");
    EXPECT_EQ(Library({"scan"}).status, 0);
}

TEST_F(CliLibraryTest, TheUsersCatalogueLivesInTheirDataFolder) {
    const std::string data = m_temp / "xdg";
    const ProcessResult result = RunTool({"library", "add", "disk"}, m_temp.Path(), {}, {"XDG_DATA_HOME=" + data});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(std::filesystem::is_regular_file(data + "/Veltrane/Orvanta Librarian/library.sqlite3"));
}

TEST_F(CliLibraryTest, ASaveByRunUpdatesTheProjectInTheCatalogue) {
    ASSERT_EQ(Library({"add", "disk"}).status, 0);
    ASSERT_EQ(Library({"scan"}).status, 0);
    std::filesystem::create_directories(m_temp / "elsewhere");
    WriteText(m_temp / "edit.txt",
              "open W disk/A.prj\nrename W patches 2 \"Deep Bass\"\nsave W\nsave-as W elsewhere/C.prj\n");
    const ProcessResult run =
        RunTool({"--library", m_temp / "cat.sqlite3", "--no-trash", "run", "edit.txt"}, m_temp.Path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Library({"find", "deep"}).out, m_temp / "disk/A.prj" + " patch 2 Deep Bass\n");
    // A save outside the watched folders is not catalogued.
    EXPECT_EQ(Library({"find", "", "--project", m_temp / "elsewhere/C.prj"}).status, 1);
    // Without a catalogue file, a save makes none.
    const ProcessResult second =
        RunTool({"--library", m_temp / "none.sqlite3", "--no-trash", "run", "edit.txt"}, m_temp.Path());
    EXPECT_FALSE(std::filesystem::exists(m_temp / "none.sqlite3"));
}

} // namespace
} // namespace Orvanta::CliTest
