#include "storage/Wildcard.h"

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

TEST(WildcardTest, ProjectPatternsIgnoreLetterCase) {
    EXPECT_TRUE(MatchesWildcard("001 Pad.p00", "*.p00"));
    EXPECT_TRUE(MatchesWildcard("001 PAD.P00", "*.p00"));
    EXPECT_TRUE(MatchesWildcard(".W00", "*.w*"));
    EXPECT_TRUE(MatchesWildcard("001 Kick.WAV", "*.w*"));
    EXPECT_TRUE(MatchesWildcard("001 Kick.AIFF", "*.aif*"));
    EXPECT_TRUE(MatchesWildcard("001 Kick.aif", "*.aif*"));
    EXPECT_TRUE(MatchesWildcard("Orvanta System.S00", "*.s00"));
    EXPECT_FALSE(MatchesWildcard("001 Pad.p00.bak", "*.p00"));
    EXPECT_FALSE(MatchesWildcard("001 Pad.p0", "*.p00"));
    EXPECT_FALSE(MatchesWildcard("001 Pad.vpw", "*.w*"));
    EXPECT_FALSE(MatchesWildcard("001 Pad.aif", "*.w*"));
    EXPECT_FALSE(MatchesWildcard("p00", "*.p00"));
}

TEST(WildcardTest, StarsBackTrack) {
    EXPECT_TRUE(MatchesWildcard("a.p00.p00", "*.p00"));
    EXPECT_TRUE(MatchesWildcard("x.wav.w", "*.w*"));
    EXPECT_TRUE(MatchesWildcard("abcabcabd", "*abd"));
    EXPECT_TRUE(MatchesWildcard("", "*"));
    EXPECT_TRUE(MatchesWildcard("anything", "**"));
    EXPECT_FALSE(MatchesWildcard("", "?"));
    EXPECT_FALSE(MatchesWildcard("abc", ""));
    EXPECT_TRUE(MatchesWildcard("", ""));
}

TEST(WildcardTest, QuestionMarkIsOneCharacter) {
    EXPECT_TRUE(MatchesWildcard("001 A.p00", "??? ?.p00"));
    EXPECT_TRUE(MatchesWildcard("\xC3\xA9.w00", "?.w00")) << "one two-byte character";
    EXPECT_FALSE(MatchesWildcard("ab.w00", "?.w00"));
}

TEST(WildcardTest, OnlyAsciiLettersFoldCase) {
    EXPECT_FALSE(MatchesWildcard("\xC3\x89.w00", "\xC3\xA9.w00")) << "no folding beyond A-Z";
    EXPECT_TRUE(MatchesWildcard("\xFF\xFE.P00", "*.p00"));
}

} // namespace
} // namespace Orvanta
