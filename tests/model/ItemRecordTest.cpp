#include "model/COsc.h"
#include "model/CPatch.h"
#include "model/CWave.h"

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

TEST(SetName, KeepsTextAndCutsToTwelveCharacters) {
    CWave wave;
    wave.SetName("", false);
    EXPECT_EQ(wave.m_name, "");
    wave.SetName("ABCDEFGHIJKLMN", false);
    EXPECT_EQ(wave.m_name, "ABCDEFGHIJKL");
    wave.SetName("a/b/001 Long.p00", false);
    EXPECT_EQ(wave.m_name, "a/b/001 Long") << "without derive the text is only cut";
    EXPECT_TRUE(wave.m_path.empty()) << "SetName never changes the path";
}

// A name that is cut never ends in a blank; one that fits keeps what it has.
TEST(SetName, ACutNameEndsInNoBlank) {
    struct Row {
        const char* text;
        const char* name;
    };
    const Row rows[] = {
        {"Deep Bass 1 Xtra", "Deep Bass 1"}, {"SawLoopLong Extra", "SawLoopLong"},
        {"A  B        CDE", "A  B"},         {"Warm ", "Warm "},
        {"ABCDEFGHIJKL", "ABCDEFGHIJKL"},    {"             x", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(CParameter::CutName(row.text), row.name);
        CWave wave;
        wave.SetName(row.text, false);
        EXPECT_EQ(wave.m_name, row.name);
    }
    CPatch patch;
    patch.SetName("/x/018 Deep Bass 1 Xtra.p00", true);
    EXPECT_EQ(patch.m_name, "Deep Bass 1");
}

TEST(SetName, DerivesNameFromFilePath) {
    CPatch patch;
    patch.SetName("/x/y/012 Warm Pad.p00", true);
    EXPECT_EQ(patch.m_name, "Warm Pad");
    patch.SetName("a/b/001 My Name.x.p00", true);
    EXPECT_EQ(patch.m_name, "My Name.x");
    patch.SetName("PlainTextWithoutMarks", true);
    EXPECT_EQ(patch.m_name, "PlainTextWit");
    patch.SetName("dir.d/NoBlank", true);
    EXPECT_EQ(patch.m_name, "NoBlank") << "the last dot before the last slash is gone with the folder";
}

TEST(SetName, CutCountsUtf8CharactersAndNeverSplitsOne) {
    CWave wave;
    wave.SetName("Cordes L\xC3\xA9g\xC3\xA8r Extra", false); // "Cordes Légèr Extra"
    EXPECT_EQ(wave.m_name, "Cordes L\xC3\xA9g\xC3\xA8r");
    wave.SetName(
        "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
        false); // 13 x "é"
    EXPECT_EQ(wave.m_name.size(), 24U);
    wave.SetName("12345678901\xE2\x82\xAC"
                 "x",
                 false); // 11 digits, euro sign, x
    EXPECT_EQ(wave.m_name, "12345678901\xE2\x82\xAC");
    wave.SetName("12345678901\xFF\xFE", false); // invalid bytes count one each
    EXPECT_EQ(wave.m_name, "12345678901\xFF");
}

TEST(IsNativeWave, ComparesLastExtensionWithoutCase) {
    CWave wave;
    wave.m_path = "/p/Wave/001 x.W00";
    EXPECT_TRUE(wave.IsNativeWave());
    wave.m_path = "/p/Wave/001 x.w00.wav";
    EXPECT_FALSE(wave.IsNativeWave());
    wave.m_path = "/p/Wave/001 x.w001";
    EXPECT_FALSE(wave.IsNativeWave());
    wave.m_path = "";
    EXPECT_FALSE(wave.IsNativeWave());
}

TEST(COsc, DefaultBlockHasNoWaveReference) {
    const COsc osc;
    ASSERT_EQ(osc.m_values.size(), 121U);
    EXPECT_EQ(osc.m_values[3], 127);
    EXPECT_EQ(osc.m_values[21], 74);
    EXPECT_EQ(osc.m_values[56], 2);
    EXPECT_EQ(osc.m_values[120], 1);
    EXPECT_EQ(osc.GetSourceSelector(0), 0);
    EXPECT_EQ(osc.GetSourceSelector(1), 0);
}

TEST(COsc, WaveNumberReadsAndWritesFourDigitsOnlyWithSelectorOne) {
    COsc osc;
    for (const int selector : {0, 2}) {
        osc.m_values[18] = static_cast<std::uint8_t>(selector);
        osc.m_values[40] = 0;
        osc.m_values[41] = 3;
        osc.m_values[42] = 14;
        osc.m_values[43] = 7;
        EXPECT_EQ(osc.GetWaveNumber(0), 0);
        EXPECT_FALSE(osc.SetWaveNumber(0, 5));
        EXPECT_EQ(osc.m_values[41], 3) << "a refused write leaves the digits";
    }
    osc.m_values[18] = 1;
    EXPECT_EQ(osc.GetWaveNumber(0), 999);
    EXPECT_TRUE(osc.SetWaveNumber(0, 0x1234));
    EXPECT_EQ((std::vector<int>{osc.m_values[40], osc.m_values[41], osc.m_values[42], osc.m_values[43]}),
              (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(osc.SetWaveNumber(0, 0));
    EXPECT_EQ(osc.GetWaveNumber(0), 0);
    EXPECT_EQ(osc.GetSourceSelector(0), 1) << "setting 0 keeps the selector";

    osc.m_values[70] = 1;
    osc.m_values[92] = 0x1F; // digits are masked to 4 bits
    osc.m_values[93] = 0;
    osc.m_values[94] = 0;
    osc.m_values[95] = 2;
    EXPECT_EQ(osc.GetWaveNumber(1), 0xF002);
    EXPECT_EQ(osc.GetWaveNumber(0), 0) << "references are independent";
}

TEST(CPatch, UsedWavesIsSortedDistinctAndIgnoresNumbersAbove999) {
    const CPatch fresh;
    EXPECT_EQ(fresh.UsedWaves(), std::vector<int>{0});

    CPatch patch;
    for (COsc& osc : patch.m_osc) {
        osc.m_values[18] = 1;
        osc.m_values[70] = 1;
        osc.SetWaveNumber(0, 5);
        osc.SetWaveNumber(1, 5);
    }
    EXPECT_EQ(patch.UsedWaves(), std::vector<int>{5});

    patch.m_osc[3].SetWaveNumber(1, 999);
    patch.m_osc[9].SetWaveNumber(0, 1000); // only possible from a damaged file
    patch.m_osc[15].m_values[70] = 2;      // not a wave reference
    EXPECT_EQ(patch.UsedWaves(), (std::vector<int>{0, 5, 999}));
}

TEST(CPatch, CloneIsDeep) {
    CPatch patch;
    patch.m_path = "/p/Patch/001 A.p00";
    patch.m_name = "A";
    patch.m_osc[0].m_values[18] = 1;
    patch.m_osc[0].SetWaveNumber(0, 7);
    const std::unique_ptr<CParameter> clone = patch.Clone();
    auto& copy = dynamic_cast<CPatch&>(*clone);
    copy.m_osc[0].SetWaveNumber(0, 8);
    copy.m_name = "B";
    EXPECT_EQ(patch.m_osc[0].GetWaveNumber(0), 7);
    EXPECT_EQ(patch.m_name, "A");
    EXPECT_EQ(copy.m_path, patch.m_path);
}

TEST(CWave, UsersKeepOrderAndHonourForce) {
    CWave wave;
    wave.AddUser(3, false);
    wave.AddUser(3, false);
    EXPECT_EQ(wave.m_users, std::vector<std::int32_t>{3});
    wave.AddUser(3, true);
    EXPECT_EQ(wave.m_users, (std::vector<std::int32_t>{3, 3}));
    wave.AddUser(1, false);
    wave.AddUser(7, false);
    wave.RemoveUser(3);
    EXPECT_EQ(wave.m_users, (std::vector<std::int32_t>{3, 1, 7})) << "only the first occurrence goes";
    wave.RemoveUser(42);
    EXPECT_EQ(wave.m_users, (std::vector<std::int32_t>{3, 1, 7}));
    EXPECT_TRUE(wave.HasUser(7));
    EXPECT_FALSE(wave.HasUser(0));
    const std::unique_ptr<CParameter> clone = wave.Clone();
    wave.ClearUsers();
    EXPECT_EQ(dynamic_cast<CWave&>(*clone).m_users.size(), 3U);
}

} // namespace
} // namespace Orvanta
