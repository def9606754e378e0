#include "QtTestSupport.h"

#include "winframework/CCmdLinePrm.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

struct TokenCase {
    const char* line;
    QStringList tokens;
};

class CommandLineTokens : public ::testing::TestWithParam<TokenCase> {};

TEST_P(CommandLineTokens, CutByTheQuotingRules) {
    EXPECT_EQ(CCmdLinePrm::TokeniseCommandLine(QString::fromUtf8(GetParam().line)), GetParam().tokens)
        << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(Lines, CommandLineTokens,
                         ::testing::Values(TokenCase{"", {}}, TokenCase{"   \t ", {}}, TokenCase{"a b", {"a", "b"}},
                                           TokenCase{"  a   b  ", {"a", "b"}},
                                           // A quote toggles quoting and stays in the token.
                                           TokenCase{"\"C:\\My Song.prj\" /x", {"\"C:\\My Song.prj\"", "/x"}},
                                           TokenCase{"a\"b c\"d e", {"a\"b c\"d", "e"}},
                                           // A backslash before white space is dropped; the white space stays.
                                           TokenCase{"My\\ Song.prj next", {"My Song.prj", "next"}},
                                           // A backslash before a quote stays with it, and that quote does not toggle.
                                           TokenCase{"a\\\"b c", {"a\\\"b", "c"}},
                                           // A trailing backslash stays.
                                           TokenCase{"a\\", {"a\\"}}));

TEST(CCmdLinePrm, SwitchWithQuotedValue) {
    const CCmdLinePrm prm = CCmdLinePrm::FromToken(QStringLiteral("/fa,\"b,c\",d"));
    EXPECT_TRUE(prm.IsSwitch());
    EXPECT_EQ(prm.SwitchLetter(), QChar(u'f'));
    EXPECT_EQ(prm.Values(), (QStringList{"a", "b,c", "d"}));
}

TEST(CCmdLinePrm, BackslashSlashIsAPlainParameter) {
    const CCmdLinePrm prm = CCmdLinePrm::FromToken(QStringLiteral("\\/x"));
    EXPECT_FALSE(prm.IsSwitch());
    EXPECT_EQ(prm.Values(), QStringList{"/x"});
}

TEST(CCmdLinePrm, ValueSplittingRules) {
    EXPECT_TRUE(CCmdLinePrm::SplitValues(QString()).isEmpty());
    EXPECT_EQ(CCmdLinePrm::SplitValues(QStringLiteral("a,,b")), (QStringList{"a", "", "b"}));
    EXPECT_EQ(CCmdLinePrm::SplitValues(QStringLiteral("a\\,b")), (QStringList{"a,b"}));
    EXPECT_EQ(CCmdLinePrm::SplitValues(QStringLiteral("\"a\\\"b\"")), (QStringList{"a\"b"}));
    EXPECT_EQ(CCmdLinePrm::SplitValues(QStringLiteral("\"C:\\My, Song.prj\"")), (QStringList{"C:\\My, Song.prj"}));
    EXPECT_EQ(CCmdLinePrm::SplitValues(QStringLiteral("C:\\Data\\x")), (QStringList{"C:\\Data\\x"}));
}

TEST(CCmdLinePrm, SwitchWithoutLetterOrValue) {
    const CCmdLinePrm bare = CCmdLinePrm::FromToken(QStringLiteral("/"));
    EXPECT_TRUE(bare.IsSwitch());
    EXPECT_TRUE(bare.SwitchLetter().isNull());
    EXPECT_EQ(bare.GetSize(), 0);
    EXPECT_EQ(CCmdLinePrm::FromToken(QStringLiteral("/q")).GetSize(), 0);
    EXPECT_EQ(bare.GetAt(5), QString());
}

TEST(CCmdLinePrm, ArgumentsKeepCommasAndAbsolutePaths) {
    const CCmdLinePrm comma = CCmdLinePrm::FromArgument(QStringLiteral("My, Song.prj"));
    EXPECT_FALSE(comma.IsSwitch());
    EXPECT_EQ(comma.Values(), QStringList{"My, Song.prj"});

    const CCmdLinePrm absolute = CCmdLinePrm::FromArgument(QStringLiteral("/home/me/Work, 2/Song.prj"));
    EXPECT_FALSE(absolute.IsSwitch());
    EXPECT_EQ(absolute.GetAt(0), QStringLiteral("/home/me/Work, 2/Song.prj"));

    const CCmdLinePrm option = CCmdLinePrm::FromArgument(QStringLiteral("/fa,b"));
    EXPECT_TRUE(option.IsSwitch());
    EXPECT_EQ(option.SwitchLetter(), QChar(u'f'));
    EXPECT_EQ(option.Values(), (QStringList{"a", "b"}));

    EXPECT_EQ(CCmdLinePrm::FromArgument(QStringLiteral("\\/x")).Values(), QStringList{"/x"});
}

TEST(CCmdLinePrm, AnArgumentNamingAnEntryAtTheRootIsAPath) {
    // "/tmp" exists on every system the tests run on, so it is a path, not switch t.
    const CCmdLinePrm root = CCmdLinePrm::FromArgument(QDir::rootPath() + QStringLiteral("tmp"));
    EXPECT_FALSE(root.IsSwitch());
}

TEST(CCmdLinePrm, OnlyASinglePlainParameterIsOpened) {
    EXPECT_EQ(CCmdLinePrm::SinglePlainValue(CCmdLinePrm::ParseArguments({"/x", "/home/me/A.prj"})),
              QStringLiteral("/home/me/A.prj"));
    EXPECT_EQ(CCmdLinePrm::SinglePlainValue(CCmdLinePrm::ParseArguments({"/home/me/A.prj", "/home/me/B.prj"})),
              QString());
    EXPECT_EQ(CCmdLinePrm::SinglePlainValue(CCmdLinePrm::ParseArguments({"/x"})), QString());
    EXPECT_EQ(CCmdLinePrm::SinglePlainValue(CCmdLinePrm::ParseArguments({})), QString());
    EXPECT_EQ(CCmdLinePrm::SinglePlainValue(CCmdLinePrm::ParseCommandLine(QStringLiteral("/p \"C:\\My Song.prj\""))),
              QStringLiteral("C:\\My Song.prj"));
    EXPECT_EQ(CCmdLinePrm::SinglePlainValue(CCmdLinePrm::ParseCommandLine(QStringLiteral("a.prj b.prj"))), QString());
}

} // namespace
} // namespace Orvanta
