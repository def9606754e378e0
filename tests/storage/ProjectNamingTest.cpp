#include "storage/ProjectNaming.h"

#include "model/CDomain.h"
#include "model/CTernData.h"

#include <gtest/gtest.h>

#include <vector>

namespace Orvanta {
namespace {

// On Windows a backslash is a separator (a doubled one counts once); elsewhere it is an ordinary
// character of a file name and must survive.
#if defined(_WIN32)
constexpr bool kBackslashSeparates = true;
#else
constexpr bool kBackslashSeparates = false;
#endif

TEST(ProjectNamingTest, NormaliseTurnsBackslashesIntoSlashesOnlyOnWindows) {
    struct Case {
        const char* path;
        const char* windows;
        const char* posix;
    };
    for (const Case& c : std::vector<Case>{
             {"C:\\Data\\Song.prj", "C:/Data/Song.prj/", "C:\\Data\\Song.prj/"},
             {"C:\\\\Data\\\\Song.prj", "C:/Data/Song.prj/", "C:\\\\Data\\\\Song.prj/"},
             {"C:\\Data\\Song.prj\\", "C:/Data/Song.prj/", "C:\\Data\\Song.prj\\/"},
             {"C:\\", "C:/", "C:\\/"},
             {"/data/my\\song.prj", "/data/my/song.prj/", "/data/my\\song.prj/"},
             {"/data/Song.prj", "/data/Song.prj/", "/data/Song.prj/"},
         }) {
        EXPECT_EQ(NormaliseProjectPath(c.path), kBackslashSeparates ? c.windows : c.posix) << c.path;
    }
}

TEST(ProjectNamingTest, NormaliseDropsTrailingSeparatorsButNotTheRoot) {
    // A shell completes a folder with a trailing "/"; the result must still be a project path.
    EXPECT_EQ(NormaliseProjectPath("/data/Song.prj/"), "/data/Song.prj/");
    EXPECT_EQ(NormaliseProjectPath("/data/Song.prj//"), "/data/Song.prj/");
    EXPECT_TRUE(CTernData::IsProjectPath(NormaliseProjectPath("/data/Song.prj/")));
    EXPECT_EQ(NormaliseProjectPath("/"), "/");
    EXPECT_EQ(NormaliseProjectPath("//"), "/");
}

TEST(ProjectNamingTest, ProjectFolderRuleLooksAtTheLastDotOnly) {
    CTernData data;
    EXPECT_TRUE(data.SetProjectPath("/x/Proj.PRJ/"));
    EXPECT_TRUE(data.SetProjectPath("/x/Proj.prj/"));
    EXPECT_FALSE(data.SetProjectPath("/x/Proj.prj.bak/"));
    EXPECT_FALSE(data.SetProjectPath("/x/Proj/"));
    EXPECT_FALSE(data.SetProjectPath("/a.prj/Proj/")) << "the last dot is in a parent folder";
    EXPECT_FALSE(data.SetProjectPath("/x/Proj.prj")) << "without the trailing separator";
    EXPECT_EQ(data.m_projectPath, "/x/Proj.prj") << "stored even when it is not a project";
}

TEST(ProjectNamingTest, ToNativePathReplacesSlashesOnlyForAnotherSeparator) {
    CDomain& domain = CDomain::Instance();
    const std::string saved = domain.Separator();
    domain.SetSeparator("/");
    EXPECT_EQ(ToNativePath("/a/b.prj/Patch/001 X.p00"), "/a/b.prj/Patch/001 X.p00");
    domain.SetSeparator("\\");
    EXPECT_EQ(ToNativePath("C:/a/b.prj/"), "C:\\a\\b.prj\\");
    domain.SetSeparator("");
    EXPECT_EQ(ToNativePath("/a/b"), "/a/b") << "an unset separator must not strip the slashes";
    domain.SetSeparator(saved);
}

TEST(ProjectNamingTest, FormatSlotNumberPadsToThreeDigitsAndAddsABlank) {
    EXPECT_EQ(FormatSlotNumber(0), "000 ");
    EXPECT_EQ(FormatSlotNumber(1), "001 ");
    EXPECT_EQ(FormatSlotNumber(9), "009 ");
    EXPECT_EQ(FormatSlotNumber(10), "010 ");
    EXPECT_EQ(FormatSlotNumber(100), "100 ");
    EXPECT_EQ(FormatSlotNumber(512), "512 ");
    EXPECT_EQ(FormatSlotNumber(1000), "1000 ");
}

TEST(ProjectNamingTest, NamePartsOfAPath) {
    const std::string path = "/x/Song.prj/Wave/012 My Wave 2.aiff";
    EXPECT_EQ(BareName(path), "My Wave 2");
    EXPECT_EQ(StemName(path), "012 My Wave 2");
    EXPECT_EQ(Extension(path), ".aiff");
    EXPECT_EQ(BareName("/x.prj/Patch/007 Lead A.p00"), "Lead A");
    EXPECT_EQ(StemName("Wave/001 Pad.wav"), "001 Pad");
    EXPECT_EQ(BareName("/x/NoBlank.wav"), "NoBlank") << "a name without a blank loses nothing";
    EXPECT_EQ(Extension("/x/ABC.W00"), ".W00") << "letter case is kept";
    EXPECT_EQ(Extension("/x/noext"), "/x/noext") << "a path without a dot comes back whole";
    EXPECT_EQ(StemName("/x.prj/Patch/noext"), "noext");
    EXPECT_EQ(StemName("/x.prj/Wave/.W00"), "");
}

TEST(ProjectNamingTest, ParseSlotNumberReadsAtMostThreeCharactersOfTheFileName) {
    EXPECT_EQ(ParseSlotNumber("/a/b.prj/Patch/001 Alto.p00"), 1);
    EXPECT_EQ(ParseSlotNumber("/a/b.prj/Patch/512 X.p00"), 512);
    EXPECT_EQ(ParseSlotNumber("/a/9.prj/Patch/999 X.w00"), 999) << "only the file name counts";
    EXPECT_EQ(ParseSlotNumber("/a/1234 X.p00"), 123);
    EXPECT_EQ(ParseSlotNumber("/a/ 12X.p00"), 12);
    EXPECT_EQ(ParseSlotNumber("/a/-5 X.p00"), -5);
    EXPECT_EQ(ParseSlotNumber("/a/+7 X.p00"), 7);
    EXPECT_EQ(ParseSlotNumber("/a/Readme.p00"), 0);
    EXPECT_EQ(ParseSlotNumber("/a/"), 0);
}

TEST(ProjectNamingTest, SameTextNoCaseNeedsEqualLength) {
    EXPECT_TRUE(IsSameTextNoCase("Pad.W00", "pad.w00"));
    EXPECT_FALSE(IsSameTextNoCase("Pad", "Pads"));
    EXPECT_FALSE(IsSameTextNoCase("Pad", "Pat"));
    EXPECT_TRUE(IsSameTextNoCase("", ""));
}

TEST(ProjectNamingTest, FormatByteSizeSwitchesUnitsAtTheBoundaries) {
    EXPECT_EQ(FormatByteSize(0), "0 Bytes");
    EXPECT_EQ(FormatByteSize(1023), "1023 Bytes");
    EXPECT_EQ(FormatByteSize(1024), "1.0 KB");
    EXPECT_EQ(FormatByteSize(1048575), "1024.0 KB");
    EXPECT_EQ(FormatByteSize(1048576), "1.0 MB");
    EXPECT_EQ(FormatByteSize(52428800), "50.0 MB");
    EXPECT_EQ(FormatByteSize(std::int64_t{5} << 30), "5120.0 MB") << "sizes above 2 GB do not wrap";
}

TEST(ProjectNamingTest, SlotFileRule) {
    EXPECT_TRUE(IsSlotFileName("/p.prj/Patch/001 Brass.p00"));
    EXPECT_TRUE(IsSlotFileName("/p.prj/Patch/000 X.p00")) << "000 passes the name test";
    EXPECT_FALSE(IsSlotFileName("/p.prj/Patch/1 Brass.p00"));
    EXPECT_FALSE(IsSlotFileName("/p.prj/Patch/001Brass.p00"));
    EXPECT_FALSE(IsSlotFileName("/p.prj/Patch/Readme.p00"));
    EXPECT_FALSE(IsSlotFileName("/p.prj/Patch/001"));
    EXPECT_FALSE(IsSlotFileName("/p.prj/Patch/ 01 X.p00"));
    EXPECT_TRUE(IsSlotFileName("/p.prj/Patch/001 Twelve chars.p00")) << "16-character stem";
    EXPECT_FALSE(IsSlotFileName("/p.prj/Patch/001 Thirteen char.p00")) << "17-character stem";
}

TEST(ProjectNamingTest, SlotFileRuleCountsCharactersNotBytes) {
    // 16 characters in 18 bytes: a name this program saves itself.
    EXPECT_TRUE(IsSlotFileName("/p.prj/Wave/001 Cordes L\xC3\xA9g\xC3\xA8r.wav"));
    EXPECT_FALSE(IsSlotFileName("/p.prj/Wave/001 Cordes L\xC3\xA9g\xC3\xA8rs.wav"));
}

TEST(ProjectNamingTest, SlotFileRuleNeverTakesHighBytesForDigits) {
    // 0xB0 to 0xB9 are '0' to '9' with the top bit set.
    EXPECT_FALSE(IsSlotFileName("/p.prj/Patch/\xB0\xB0\xB1 X.p00"));
    EXPECT_FALSE(IsSlotFileName("/p.prj/Patch/00\xB1 X.p00"));
}

} // namespace
} // namespace Orvanta
