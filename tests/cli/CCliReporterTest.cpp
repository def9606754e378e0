#include "cli/CCliReporter.h"

#include <gtest/gtest.h>

#include <sstream>

namespace Orvanta::Cli {
namespace {

TEST(CCliReporterTest, PrintsErrorsWithTheTextsOfTheMessageTable) {
    std::ostringstream out;
    CCliReporter reporter(out);
    reporter.Error(kErrorSave);
    reporter.Error(kErrorWaveSpace);
    reporter.Error(42);
    EXPECT_EQ(out.str(), "error: This project could not be saved.\n"
                         "error: There is insufficient free wave space.\n"
                         "error: Undefined error.\n");
    EXPECT_EQ(reporter.ErrorCount(), 3);
}

TEST(CCliReporterTest, AnswersNoUntilToldOtherwise) {
    std::ostringstream out;
    CCliReporter reporter(out);
    EXPECT_EQ(reporter.Ask(kButtonsOkCancel, kAskDelete), kAnswerCancel);
    EXPECT_EQ(reporter.Ask(kButtonsYesNo, kAskReplaceProject), kAnswerNo);
    reporter.SetAnswerYes(true);
    EXPECT_EQ(reporter.Ask(kButtonsOkCancel, kAskOverwrite), kAnswerOk);
    EXPECT_EQ(reporter.Ask(kButtonsYesNo, kAskReplaceProject), kAnswerYes);
    EXPECT_EQ(out.str(), "question: OK to delete? -> no\n"
                         "question: Project already exists. Do you want to replace it? -> no\n"
                         "question: Do you want to delete the existing data and overwrite it? -> yes\n"
                         "question: Project already exists. Do you want to replace it? -> yes\n");
}

TEST(CCliReporterTest, MapsYesAndNoOntoEveryButtonSet) {
    EXPECT_EQ(AnswerFor(kButtonsOkCancel, true), kAnswerOk);
    EXPECT_EQ(AnswerFor(kButtonsOkCancel, false), kAnswerCancel);
    EXPECT_EQ(AnswerFor(kButtonsYesNo, true), kAnswerYes);
    EXPECT_EQ(AnswerFor(kButtonsYesNo, false), kAnswerNo);
    EXPECT_EQ(AnswerFor(kButtonsYesNoCancel, true), kAnswerYes);
    EXPECT_EQ(AnswerFor(kButtonsYesNoCancel, false), kAnswerNo);
    // A box with an OK button only can only be confirmed.
    EXPECT_EQ(AnswerFor(0, false), kAnswerOk);
}

} // namespace
} // namespace Orvanta::Cli
