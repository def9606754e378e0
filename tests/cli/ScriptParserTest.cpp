#include "cli/ScriptParser.h"

#include "model/CTernData.h"

#include <gtest/gtest.h>

namespace Orvanta::Cli {
namespace {

std::vector<std::string> Words(std::string_view line) {
    std::string error;
    std::vector<std::string> words = SplitWords(line, error);
    EXPECT_EQ(error, "");
    return words;
}

TEST(SplitWordsTest, SplitsAtBlanksAndTabsAndGroupsQuotedWords) {
    EXPECT_EQ(Words("open  A\t/x/A.prj "), (std::vector<std::string>{"open", "A", "/x/A.prj"}));
    EXPECT_EQ(Words("open A \"/my songs/Set, 1.prj\""),
              (std::vector<std::string>{"open", "A", "/my songs/Set, 1.prj"}));
    EXPECT_EQ(Words("rename A patches 1 \"\""), (std::vector<std::string>{"rename", "A", "patches", "1", ""}));
    EXPECT_EQ(Words("a\"b c\"d"), (std::vector<std::string>{"ab cd"}));
}

TEST(SplitWordsTest, RefusesAnOpenQuote) {
    for (const std::string_view line : {"open A \"/x/A.prj", "open A \"C:\\Data\\\"", "a \"b\\\\\\\""}) {
        std::string error;
        EXPECT_TRUE(SplitWords(line, error).empty()) << line;
        EXPECT_NE(error, "") << line;
    }
}

TEST(SplitWordsTest, InsideQuotesBackslashEscapesOnlyQuoteAndBackslash) {
    const std::vector<std::pair<std::string_view, std::vector<std::string>>> cases = {
        {R"(open A "/x/say \"hi\".prj")", {"open", "A", "/x/say \"hi\".prj"}},
        {R"("a\\b" "\\")", {"a\\b", "\\"}},
        {R"("C:\Data\x.prj")", {"C:\\Data\\x.prj"}},
        {R"("C:\Data\\")", {"C:\\Data\\"}},
        {R"("\\\"" x)", {"\\\"", "x"}},
        {R"("\"")", {"\""}},
        // Outside quotes a backslash stays, and a quote after it still opens a quoted part.
        {R"(a\b \\ c\"d e")", {"a\\b", "\\\\", "c\\d e"}},
    };
    for (const auto& [line, words] : cases) {
        EXPECT_EQ(Words(line), words) << line;
    }
}

TEST(ParseSelectionTest, ReadsNumbersAndRangesInListOrder) {
    std::string error;
    EXPECT_EQ(ParseSelection("1-3,7", kPatchList, error), (CSelection{0, 1, 2, 6}));
    EXPECT_EQ(ParseSelection("7,2,2-3", kPatchList, error), (CSelection{1, 2, 6}));
    EXPECT_EQ(ParseSelection("999", kWaveList, error), (CSelection{998}));
    EXPECT_EQ(ParseSelection("510-512", kPatchList, error), (CSelection{509, 510, 511}));
}

TEST(ParseSelectionTest, RefusesNumbersOutsideTheListAndMalformedText) {
    for (const auto& [text, which] : std::vector<std::pair<std::string, int>>{{"0", kPatchList},
                                                                              {"513", kPatchList},
                                                                              {"1000", kWaveList},
                                                                              {"3-1", kPatchList},
                                                                              {"1,,2", kPatchList},
                                                                              {"1-", kPatchList},
                                                                              {"-2", kPatchList},
                                                                              {"a", kPatchList},
                                                                              {"1-2-3", kPatchList},
                                                                              {"", kPatchList},
                                                                              {"99999999999999", kWaveList},
                                                                              {"+1", kPatchList}}) {
        std::string error;
        EXPECT_FALSE(ParseSelection(text, which, error)) << text;
        EXPECT_NE(error, "") << text;
    }
}

TEST(ParseScriptTest, ReadsEveryStatement) {
    const CScript script = ParseScript("# a comment\n"
                                       "\n"
                                       "open A \"dir with blank/A.prj\"\r\n"
                                       "new B\n"
                                       "  # indented comment\n"
                                       "copy A patches 1-2 B 5\n"
                                       "move A waves 3 A 1 insert\n"
                                       "delete B patches 5\n"
                                       "rename B waves 1,2 \"Big Name\"\n"
                                       "import B x.wav \"y z.aif\"\n"
                                       "clean B keep-patch-numbering keep-user-waves\n"
                                       "undo\n"
                                       "save A\n"
                                       "save-as B B.prj\n"
                                       "close A\n"
                                       "answer yes\n"
                                       "print B --json\n");
    ASSERT_TRUE(script.errors.empty()) << script.errors.front().message;
    ASSERT_EQ(script.statements.size(), 14U);
    const CStatement& open = script.statements[0];
    EXPECT_EQ(open.kind, StatementKind::Open);
    EXPECT_EQ(open.line, 3);
    EXPECT_EQ(open.window, "A");
    EXPECT_EQ(open.text, "dir with blank/A.prj");

    const CStatement& copy = script.statements[2];
    EXPECT_EQ(copy.kind, StatementKind::Copy);
    EXPECT_EQ(copy.line, 6);
    EXPECT_EQ(copy.window, "A");
    EXPECT_EQ(copy.target, "B");
    EXPECT_EQ(copy.which, kPatchList);
    EXPECT_EQ(copy.selection, (CSelection{0, 1}));
    EXPECT_EQ(copy.number, 5);
    EXPECT_FALSE(copy.insert);

    const CStatement& move = script.statements[3];
    EXPECT_EQ(move.kind, StatementKind::Move);
    EXPECT_EQ(move.which, kWaveList);
    EXPECT_TRUE(move.insert);

    EXPECT_EQ(script.statements[5].text, "Big Name");
    EXPECT_EQ(script.statements[6].files, (std::vector<std::string>{"x.wav", "y z.aif"}));
    EXPECT_TRUE(script.statements[7].keepUserWaves);
    EXPECT_TRUE(script.statements[7].keepPatchNumbering);
    EXPECT_EQ(script.statements[8].kind, StatementKind::Undo);
    EXPECT_EQ(script.statements[10].kind, StatementKind::SaveAs);
    EXPECT_EQ(script.statements[10].text, "B.prj");
    EXPECT_TRUE(script.statements[12].answerYes);
    EXPECT_TRUE(script.statements[13].json);
}

TEST(ParseScriptTest, ReportsEveryBadLineWithItsNumber) {
    const CScript script = ParseScript("open A A.prj\n"
                                       "frobnicate A\n"
                                       "copy A tracks 1 B 1\n"
                                       "copy A patches 0 B 1\n"
                                       "copy A waves 1 B 1000\n"
                                       "delete A patches 513\n"
                                       "copy A patches 1 B 1 overwrite\n"
                                       "answer maybe\n"
                                       "undo now\n"
                                       "open A\n"
                                       "rename A patches 1 \"open quote\n"
                                       "clean A keep-everything\n"
                                       "print A --xml\n"
                                       "import A\n"
                                       "close A\n");
    ASSERT_EQ(script.errors.size(), 13U);
    for (std::size_t i = 0; i < script.errors.size(); ++i) {
        EXPECT_EQ(script.errors[i].line, static_cast<int>(i + 2));
        EXPECT_NE(script.errors[i].message, "");
    }
    EXPECT_EQ(script.errors[0].message, "unknown statement \"frobnicate\"");
    EXPECT_EQ(script.errors[1].message, "KIND must be \"patches\" or \"waves\", not \"tracks\"");
    EXPECT_EQ(script.errors[2].message, "patch number 0 is outside 1-512");
    EXPECT_EQ(script.errors[3].message, "wave number 1000 is outside 1-999");
    EXPECT_EQ(script.errors[4].message, "patch number 513 is outside 1-512");
    EXPECT_EQ(script.errors[5].message, "\"copy\" takes: copy FROM KIND SEL TO NUMBER [insert]");
    EXPECT_EQ(script.statements.size(), 2U); // the two good lines are still parsed
}

// A quoted part that a later line closes holds the line break (or breaks) between: the way to name
// a folder whose name holds one. A quote no later line closes stays that line's error.
TEST(ParseScriptTest, AQuotedPartGoesOnOverALineBreak) {
    struct Case {
        std::string_view text;
        std::vector<std::string> paths; // of the "open" statements, in order
        std::vector<int> lines;         // of those statements
        std::vector<int> errorLines;
    };
    const Case cases[] = {
        {"open A \"/x/Two\nlines.prj\"\nclose A\n", {"/x/Two\nlines.prj"}, {1}, {}},
        {"open A \"/x/a\r\n\nb \\\" c.prj\"\r\nopen B B.prj\n", {"/x/a\n\nb \" c.prj", "B.prj"}, {1, 4}, {}},
        {"# \"\nopen A \"/x/\n#not a comment.prj\"\n", {"/x/\n#not a comment.prj"}, {2}, {}},
        {"open A \"never closed\nopen B B.prj\n", {"B.prj"}, {2}, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        const CScript script = ParseScript(c.text);
        std::vector<std::string> paths;
        std::vector<int> lines;
        for (const CStatement& statement : script.statements) {
            if (statement.kind == StatementKind::Open) {
                paths.push_back(statement.text);
                lines.push_back(statement.line);
            }
        }
        EXPECT_EQ(paths, c.paths);
        EXPECT_EQ(lines, c.lines);
        std::vector<int> errorLines;
        for (const CParseError& error : script.errors) {
            errorLines.push_back(error.line);
        }
        EXPECT_EQ(errorLines, c.errorLines);
    }
}

TEST(ParseScriptTest, ReadsTheClipboardAndHistoryStatements) {
    const CScript script = ParseScript("copy-rows A waves 3-5\n"
                                       "cut-rows A patches 7\n"
                                       "paste B patches 512\n"
                                       "paste B waves 2 insert\n"
                                       "back 3\n"
                                       "forward 1\n"
                                       "history\n"
                                       "paste B patches 513\n"
                                       "paste B patches 1 over\n"
                                       "back 0\n"
                                       "forward\n"
                                       "cut-rows A patches\n");
    ASSERT_EQ(script.statements.size(), 7U);
    EXPECT_EQ(script.statements[0].kind, StatementKind::CopyRows);
    EXPECT_EQ(script.statements[0].selection, (CSelection{2, 3, 4}));
    EXPECT_EQ(script.statements[1].kind, StatementKind::CutRows);
    EXPECT_EQ(script.statements[2].kind, StatementKind::Paste);
    EXPECT_EQ(script.statements[2].number, 512);
    EXPECT_FALSE(script.statements[2].insert);
    EXPECT_TRUE(script.statements[3].insert);
    EXPECT_EQ(script.statements[3].which, 1);
    EXPECT_EQ(script.statements[4].kind, StatementKind::Back);
    EXPECT_EQ(script.statements[4].number, 3);
    EXPECT_EQ(script.statements[5].kind, StatementKind::Forward);
    EXPECT_EQ(script.statements[6].kind, StatementKind::History);
    ASSERT_EQ(script.errors.size(), 5U);
    EXPECT_EQ(script.errors[0].message, "patch number 513 is outside 1-512");
    EXPECT_EQ(script.errors[1].message, "\"paste\" takes: paste NAME KIND NUMBER [insert]");
    EXPECT_EQ(script.errors[2].message, "\"0\" is not a number of changes (1 or more)");
    EXPECT_EQ(script.errors[3].message, "\"forward\" takes: forward N");
    EXPECT_EQ(script.errors[4].line, 12);
}

TEST(ParseScriptTest, AcceptsAnEmptyScript) {
    const CScript script = ParseScript("\n# nothing\n   \n");
    EXPECT_TRUE(script.errors.empty());
    EXPECT_TRUE(script.statements.empty());
}

} // namespace
} // namespace Orvanta::Cli

namespace Orvanta::Cli {
namespace {

// Scripts put together at random from the words of the language and some noise: the parser never
// fails hard, every error names a line of the script, and every statement it accepts holds only
// slot numbers inside its list.
TEST(ParseScriptTest, RandomScriptsGiveValidStatementsOrLineErrors) {
    const std::vector<std::string> words = {"open",
                                            "new",
                                            "copy",
                                            "move",
                                            "delete",
                                            "rename",
                                            "import",
                                            "clean",
                                            "undo",
                                            "save",
                                            "save-as",
                                            "close",
                                            "answer",
                                            "print",
                                            "patches",
                                            "waves",
                                            "A",
                                            "B",
                                            "1",
                                            "0",
                                            "512",
                                            "513",
                                            "999",
                                            "1000",
                                            "1-3,7",
                                            "3-1",
                                            "1,",
                                            "insert",
                                            "yes",
                                            "no",
                                            "--json",
                                            "\"a b\"",
                                            "\"",
                                            "keep-user-waves",
                                            "keep-patch-numbering",
                                            "#",
                                            "\t",
                                            "x.prj"};
    std::uint64_t state = 12345;
    const auto next = [&state](std::size_t bound) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::size_t>((state >> 33U) % bound);
    };
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const std::size_t lines = 1 + next(20);
        for (std::size_t line = 0; line < lines; ++line) {
            const std::size_t count = next(8);
            for (std::size_t w = 0; w < count; ++w) {
                text += words[next(words.size())] + (next(4) == 0 ? "" : " ");
            }
            text += next(10) == 0 ? "\r\n" : "\n";
        }
        const CScript script = ParseScript(text);
        for (const CParseError& error : script.errors) {
            EXPECT_GE(error.line, 1);
            EXPECT_LE(error.line, static_cast<int>(lines));
            EXPECT_NE(error.message, "");
        }
        for (const CStatement& statement : script.statements) {
            const auto capacity = CTernData::Capacity(statement.which);
            for (const std::size_t index : statement.selection) {
                EXPECT_LT(index, capacity) << text;
            }
            if (statement.kind == StatementKind::Copy || statement.kind == StatementKind::Move) {
                EXPECT_GE(statement.number, 1) << text;
                EXPECT_LE(statement.number, static_cast<int>(capacity)) << text;
                EXPECT_FALSE(statement.selection.empty()) << text;
            }
        }
    }
}

} // namespace
} // namespace Orvanta::Cli
