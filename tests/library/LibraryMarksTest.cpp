#include "LibraryFixture.h"

#include <filesystem>
#include <fstream>

namespace Orvanta::LibraryTest {
namespace {

namespace fs = std::filesystem;
using Library::ItemKind;

class LibraryMarks : public LibraryFixture {
protected:
    void SetUp() override {
        ProjectSpec spec;
        spec.patches = {{"001 Lead.p00", {1, 0}}};
        spec.waves = {{"001 Saw.wav", 1}, {"002 Square.wav", 2}};
        m_project = MakeProject(Watched() + "/", "A.prj", spec);
        auto& library = OpenCatalogue();
        std::string error;
        ASSERT_TRUE(library.AddFolder(Watched(), error));
        ScanAll();
        ASSERT_TRUE(library.AddTags(m_project, ItemKind::kWave, 1, {"raw", "bright"}, error)) << error;
        ASSERT_TRUE(library.SetFavourite(m_project, ItemKind::kPatch, 1, true, error)) << error;
        ASSERT_TRUE(library.SetNote(m_project, ItemKind::kWave, 2, "from the \"old\" card", error)) << error;
    }
    std::string m_project;
};

TEST_F(LibraryMarks, FollowTheContentIntoCopiesAndSurviveRescans) {
    const std::string copy = Watched() + "/sub/B.prj";
    fs::create_directories(Watched() + "/sub");
    fs::copy(m_project, copy, fs::copy_options::recursive);
    // The copy's waves sit in other slots under other names; the patch names them there.
    fs::rename(copy + "/Wave/001 Saw.wav", copy + "/Wave/009 Saw Copy.wav");
    TestSupport::ProjectBuilder::WriteBytes(
        copy + "/Patch/001 Lead.p00",
        TestSupport::ProjectBuilder::PatchFileBytes(TestSupport::ProjectBuilder::PatchUsingWaves(9, 0)));
    ScanAll();
    const auto wave = m_library->Item(copy, ItemKind::kWave, 9);
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->tags, (std::vector<std::string>{"bright", "raw"}));
    EXPECT_TRUE(m_library->Item(copy, ItemKind::kPatch, 1)->favourite);
    EXPECT_EQ(m_library->Item(copy, ItemKind::kWave, 2)->note, "from the \"old\" card");
    std::string error;
    ASSERT_TRUE(m_library->RemoveTags(copy, ItemKind::kWave, 9, {"raw"}, error));
    EXPECT_EQ(m_library->Item(m_project, ItemKind::kWave, 1)->tags, (std::vector<std::string>{"bright"}));
    // Removing the folder forgets the projects, not the marks.
    ASSERT_TRUE(m_library->RemoveFolder(Watched(), error));
    EXPECT_TRUE(m_library->Projects().empty());
    EXPECT_EQ(DumpMarks(*m_library).size(), 3U);
    EXPECT_TRUE(m_library->Find(Q("")).empty());
    EXPECT_NO_THROW(m_library->Database().Execute("INSERT INTO item_name(item_name) VALUES ('integrity-check')"));
}

TEST_F(LibraryMarks, RefusesBadTagsAndItemsWithoutContent) {
    std::string error;
    EXPECT_FALSE(m_library->AddTags(m_project, ItemKind::kWave, 1, {"a\nb"}, error));
    EXPECT_FALSE(m_library->AddTags(m_project, ItemKind::kWave, 1, {""}, error));
    // Tags and notes go into a JSON file: text that is not UTF-8 is refused.
    EXPECT_FALSE(m_library->AddTags(m_project, ItemKind::kWave, 1, {"caf\xe9"}, error));
    EXPECT_FALSE(m_library->SetNote(m_project, ItemKind::kWave, 1, "caf\xe9", error));
    EXPECT_TRUE(m_library->AddTags(m_project, ItemKind::kWave, 1, {"caf\xc3\xa9"}, error));
    EXPECT_FALSE(m_library->AddTags(m_project, ItemKind::kWave, 7, {"x"}, error));
    EXPECT_FALSE(m_library->SetFavourite(Watched() + "/Nope.prj", ItemKind::kWave, 1, true, error));
}

TEST_F(LibraryMarks, ExportAndImportRoundTrip) {
    const std::string file = m_root / "marks.json";
    std::string error;
    ASSERT_TRUE(m_library->ExportTags(file, error)) << error;
    const auto marks = DumpMarks(*m_library);
    OpenCatalogue(m_root / "other/library.sqlite3");
    EXPECT_TRUE(DumpMarks(*m_library).empty());
    std::size_t imported = 0;
    ASSERT_TRUE(m_library->ImportTags(file, imported, error)) << error;
    EXPECT_EQ(imported, 3U);
    EXPECT_EQ(DumpMarks(*m_library), marks);
    // Importing again changes nothing; a file of another kind is refused.
    ASSERT_TRUE(m_library->ImportTags(file, imported, error));
    EXPECT_EQ(DumpMarks(*m_library), marks);
    TestSupport::ProjectBuilder::WriteBytes(m_root / "not.json", {'{', '}'});
    EXPECT_FALSE(m_library->ImportTags(m_root / "not.json", imported, error));
    EXPECT_FALSE(m_library->ImportTags(m_root / "missing.json", imported, error));
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    return TestSupport::ProjectBuilder::ReadBytes(path);
}

TEST_F(LibraryMarks, AFileThatIsNotSqliteIsMovedAsideAndANewCatalogueMade) {
    CloseCatalogue();
    const std::vector<std::uint8_t> garbage(10000, 0x5a);
    TestSupport::ProjectBuilder::WriteBytes(CataloguePath(), garbage);
    auto& library = OpenCatalogue();
    ASSERT_FALSE(m_messages.empty());
    EXPECT_EQ(FileBytes(CataloguePath() + ".damaged-1"), garbage);
    EXPECT_TRUE(library.Folders().empty());
    std::string error;
    ASSERT_TRUE(library.AddFolder(Watched(), error));
    ScanAll();
    EXPECT_EQ(library.Projects().size(), 1U);
    // A second damaged file goes beside the first, which stays.
    CloseCatalogue();
    TestSupport::ProjectBuilder::WriteBytes(CataloguePath(), {'x'});
    OpenCatalogue();
    EXPECT_EQ(FileBytes(CataloguePath() + ".damaged-1"), garbage);
    EXPECT_EQ(FileBytes(CataloguePath() + ".damaged-2"), std::vector<std::uint8_t>{'x'});
}

TEST_F(LibraryMarks, ADamagedCatalogueIsRebuiltWithTheMarksStillReadable) {
    const auto marks = DumpMarks(*m_library);
    std::int64_t itemRoot = 0;
    std::int64_t pageSize = 0;
    {
        Library::CStatement root(m_library->Database(), "SELECT rootpage FROM sqlite_schema WHERE name = 'item'");
        ASSERT_TRUE(root.Step());
        itemRoot = root.Int(0);
        Library::CStatement size(m_library->Database(), "PRAGMA page_size");
        ASSERT_TRUE(size.Step());
        pageSize = size.Int(0);
    }
    CloseCatalogue();
    ASSERT_FALSE(fs::exists(CataloguePath() + "-wal") && fs::file_size(CataloguePath() + "-wal") > 0);
    // The item table's root page gets a page type that does not exist.
    std::vector<std::uint8_t> bytes = FileBytes(CataloguePath());
    const auto offset = static_cast<std::size_t>((itemRoot - 1) * pageSize);
    ASSERT_LT(offset, bytes.size());
    bytes[offset] = 0x77;
    bytes[offset + 1] = 0x77;
    TestSupport::ProjectBuilder::WriteBytes(CataloguePath(), bytes);
    auto& library = OpenCatalogue();
    ASSERT_GE(m_messages.size(), 2U);
    EXPECT_EQ(FileBytes(CataloguePath() + ".damaged-1"), bytes);
    EXPECT_EQ(DumpMarks(library), marks);
    EXPECT_TRUE(library.Projects().empty());
}

TEST_F(LibraryMarks, ACatalogueOfANewerVersionIsRefusedAndLeftAlone) {
    m_library->Database().Execute("PRAGMA user_version = 999");
    CloseCatalogue();
    const auto bytes = FileBytes(CataloguePath());
    Library::CLibrary library;
    std::vector<std::string> messages;
    std::string error;
    EXPECT_FALSE(library.Open(CataloguePath(), messages, error));
    EXPECT_NE(error.find("newer"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(CataloguePath() + ".damaged-1"));
}

TEST_F(LibraryMarks, AnEmptyDatabaseIsMigratedFromTheStart) {
    const std::string path = m_root / "empty.sqlite3";
    {
        Library::CDatabase db;
        db.Open(path, true);
        db.Execute("CREATE TABLE unrelated(x)");
    }
    auto& library = OpenCatalogue(path);
    Library::CStatement version(library.Database(), "PRAGMA user_version");
    ASSERT_TRUE(version.Step());
    EXPECT_EQ(version.Int(0), 1);
    Library::CStatement mode(library.Database(), "PRAGMA journal_mode");
    ASSERT_TRUE(mode.Step());
    EXPECT_EQ(mode.Text(0), "wal");
}

} // namespace
} // namespace Orvanta::LibraryTest
