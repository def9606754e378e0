#include "OperationsFixture.h"

#include "operations/NameSearch.h"

namespace Orvanta::TestSupport {
namespace {

TEST(NameSearchTest, AsciiLettersIgnoreCaseAndEveryOtherByteMatchesItself) {
    struct Row {
        const char* name;
        const char* text;
        bool contained;
    };
    const Row rows[] = {
        {"Glass Pad", "pad", true},
        {"Glass Pad", "SS P", true},
        {"Glass Pad", "Pads", false},
        {"Café Lead", "café", true},
        {"Café Lead", "CAFé", true},
        {"Café Lead", "cafe", false},
        {"CAFÉ", "café", false},
        {"Café Lead", "CAFÉ", false},
        {"Ärger", "ärger", false},
        {"Ärger", "Ärg", true},
        {"  two  blanks", "o  b", true},
        {"x", "", true},
        {"", "a", false},
        {"abc", "abcd", false},
        {"[1] *wild?", "*WILD?", true},
        {"Zz", "zZ", true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(NameContains(row.name, row.text), row.contained) << row.name << " / " << row.text;
    }
}

TEST(NameSearchTest, FindsUsedSlotsProjectByProjectPatchesBeforeWaves) {
    CTernData first;
    CTernData second;
    const auto use = [](CParameter& item, const std::string& name) {
        item.m_path = "/x/" + name;
        item.SetName(name, false);
    };
    use(first.m_waves[998], "Bass Wave");
    use(first.m_patches[7], "Acid BASS");
    use(first.m_patches[2], "Bassoon");
    use(second.m_patches[0], "Lead");
    use(second.m_waves[4], "sub bass");
    first.m_patches[9].m_name = "Bass"; // an empty slot keeps a name: it is never found
    const std::vector<const CTernData*> projects = {&first, nullptr, &second};

    EXPECT_EQ(FindNames(projects, "bass"),
              (std::vector<CNameHit>{{0, kPatchList, 2}, {0, kPatchList, 7}, {0, kWaveList, 998}, {2, kWaveList, 4}}));
    EXPECT_EQ(FindNames(projects, "lead"), (std::vector<CNameHit>{{2, kPatchList, 0}}));
    EXPECT_TRUE(FindNames(projects, "").empty());
    EXPECT_TRUE(FindNames(projects, "Bässe").empty());
}

} // namespace
} // namespace Orvanta::TestSupport
