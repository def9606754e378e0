#include "LibraryFixture.h"

namespace Orvanta::LibraryTest {
namespace {

using Library::CFindQuery;
using Library::ItemKind;

class LibrarySearch : public LibraryFixture {
protected:
    void SetUp() override {
        ProjectSpec one;
        one.patches = {{"001 Glass Pad.p00", {1, 0}}, {"002 Dark Pad.p00", {2, 0}}, {"003 Bass Lead.p00", {0, 0}}};
        one.waves = {{"001 Grand Piano.wav", 1}, {"002 Pad Layer.wav", 2}, {"003 Unused Hit.wav", 3}};
        ProjectSpec two;
        two.patches = {{"001 Padded Bells.p00", {1, 0}}, {"002 Caf\xc3\xa9 Keys.p00", {0, 0}}};
        two.waves = {{"001 Grand Piano.wav", 1}};
        m_one = MakeProject(Watched() + "/", "One.prj", one);
        m_two = MakeProject(Watched() + "/", "Two.prj", two);
        auto& library = OpenCatalogue();
        std::string error;
        ASSERT_TRUE(library.AddFolder(Watched(), error));
        ScanAll();
        ASSERT_TRUE(library.AddTags(m_one, ItemKind::kPatch, 2, {"dark"}, error)) << error;
        ASSERT_TRUE(library.SetFavourite(m_one, ItemKind::kWave, 1, true, error)) << error;
    }
    std::string m_one;
    std::string m_two;
};

struct SearchCase {
    const char* label;
    CFindQuery query;
    std::vector<std::string> expected; // in project then kind then slot order
};

TEST_F(LibrarySearch, TableOfSearches) {
    const std::vector<SearchCase> cases = {
        {"a word start",
         Q("pad"),
         {"patch 1 Glass Pad", "patch 2 Dark Pad", "wave 2 Pad Layer", "patch 1 Padded Bells"}},
        {"any letter case", Q("PIANO"), {"wave 1 Grand Piano", "wave 1 Grand Piano"}},
        {"every word must match", Q("gr pi"), {"wave 1 Grand Piano", "wave 1 Grand Piano"}},
        {"not inside a word", Q("ass"), {}},
        {"kind", Q("pad", [](CFindQuery& q) { q.kind = ItemKind::kWave; }), {"wave 2 Pad Layer"}},
        {"tag", Q("", [](CFindQuery& q) { q.tag = "dark"; }), {"patch 2 Dark Pad"}},
        {"favourites, followed into the copy",
         Q("", [](CFindQuery& q) { q.favourites = true; }),
         {"wave 1 Grand Piano", "wave 1 Grand Piano"}},
        {"project", Q("", [](CFindQuery& q) { q.project = "/nowhere.prj"; }), {}},
        {"unused waves", Q("", [](CFindQuery& q) { q.unusedWaves = true; }), {"wave 3 Unused Hit"}},
        {"accented letters", Q("caf\xc3\xa9"), {"patch 2 Caf\xc3\xa9 Keys"}},
        {"query syntax is text", Q("pad OR NEAR(x"), {}},
        {"quotes", Q("\"pad"), {"patch 1 Glass Pad", "patch 2 Dark Pad", "wave 2 Pad Layer", "patch 1 Padded Bells"}},
        {"limit", Q("", [](CFindQuery& q) { q.limit = 2; }), {"patch 1 Glass Pad", "patch 2 Dark Pad"}},
    };
    for (const SearchCase& c : cases) {
        EXPECT_EQ(Names(c.query), c.expected) << c.label;
    }
    CFindQuery everything;
    EXPECT_EQ(Names(everything).size(), 9U);
    CFindQuery inTwo;
    inTwo.project = m_two;
    EXPECT_EQ(Names(inTwo).size(), 3U);
}

TEST_F(LibrarySearch, WhereUsedListsEveryCopyAndItsUsers) {
    const auto copies = m_library->WhereUsed(m_one, ItemKind::kWave, 1);
    ASSERT_TRUE(copies);
    ASSERT_EQ(copies->copies.size(), 2U);
    EXPECT_EQ(copies->copies[0].project, m_one);
    EXPECT_EQ(copies->copies[1].project, m_two);
    EXPECT_EQ(copies->users, (std::vector<std::vector<int>>{{1}, {1}}));
    const auto patch = m_library->WhereUsed(m_one, ItemKind::kPatch, 1);
    ASSERT_TRUE(patch);
    // "Padded Bells" is byte for byte the same patch using the same wave content: a copy.
    ASSERT_EQ(patch->copies.size(), 2U);
    EXPECT_EQ(patch->copies[1].name, "Padded Bells");
    EXPECT_FALSE(m_library->WhereUsed(m_one, ItemKind::kWave, 9));
}

TEST_F(LibrarySearch, DuplicateGroupsWithTheirTotalSize) {
    const auto groups = m_library->Duplicates();
    // The piano in both projects; "Glass Pad" and "Padded Bells"; "Bass Lead" and "Café Keys".
    ASSERT_EQ(groups.size(), 3U);
    EXPECT_EQ(groups[0].kind, ItemKind::kWave);
    EXPECT_EQ(groups[0].members.size(), 2U);
    EXPECT_EQ(groups[0].totalBytes, 2 * (44 + 101 * 2));
    for (std::size_t i = 1; i < groups.size(); ++i) {
        EXPECT_EQ(groups[i].kind, ItemKind::kPatch);
        EXPECT_EQ(groups[i].members.size(), 2U);
        EXPECT_EQ(groups[i].totalBytes, 2 * 1510);
    }
}

} // namespace
} // namespace Orvanta::LibraryTest
