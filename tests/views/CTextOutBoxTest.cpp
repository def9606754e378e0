#include "QtTestSupport.h"

#include "model/CDomain.h"
#include "views/CTextOutBox.h"
#include "winframework/CMessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

class TextOutBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        CMessageBox::ClearAnswers();
        CMessageBox::ResetShown();
    }
    void TearDown() override { CMessageBox::ClearAnswers(); }

    CTextOutBox m_box;
};

struct ErrorCase {
    int code;
    const char* text;
};

// Test names and failure messages show a case by its code, not as raw memory.
void PrintTo(const ErrorCase& row, std::ostream* out) {
    *out << row.code;
}

class ErrorTexts : public TextOutBoxTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ErrorTexts, ShownWithOkAndTheApplicationTitle) {
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    m_box.Error(GetParam().code);
    EXPECT_EQ(CMessageBox::ShownCount(), 1);
    EXPECT_EQ(CMessageBox::LastShown().text, QString::fromUtf8(GetParam().text));
    EXPECT_EQ(CMessageBox::LastShown().caption, QStringLiteral("Orvanta Librarian"));
    EXPECT_EQ(CMessageBox::LastShown().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

INSTANTIATE_TEST_SUITE_P(Codes, ErrorTexts,
                         ::testing::Values(ErrorCase{1, "This project could not be loaded."},
                                           ErrorCase{2, "This project could not be saved."},
                                           ErrorCase{6, "There is insufficient free wave space."},
                                           ErrorCase{8,
                                                     "Can't add wave; the total size of all waves would exceed 50 MB."},
                                           ErrorCase{9, "Files could not be imported."},
                                           ErrorCase{5, "Undefined error."}, ErrorCase{0, "Undefined error."}));

TEST_F(TextOutBoxTest, AnErrorWithADetailShowsItBelowTheMessage) {
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    m_box.ErrorWithDetail(2, "a file of that name is there already: /m/A.prj/Patch/007 Lead.p00");
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("This project could not be saved."));
    EXPECT_EQ(CMessageBox::LastShown().detail,
              QStringLiteral("a file of that name is there already: /m/A.prj/Patch/007 Lead.p00"));
    EXPECT_EQ(CMessageBox::LastShown().icon, QMessageBox::Warning);
}

TEST_F(TextOutBoxTest, OkToDeleteWithYesAndNo) {
    CMessageBox::SetNextAnswer(QMessageBox::Yes);
    EXPECT_EQ(m_box.Ask(2, 9), kAnswerYes);
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("OK to delete?"));
    EXPECT_EQ(CMessageBox::LastShown().buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(CMessageBox::LastShown().caption, QStringLiteral("Orvanta Librarian"));

    CMessageBox::SetNextAnswer(QMessageBox::No);
    EXPECT_EQ(m_box.Ask(2, 9), kAnswerNo);
    CMessageBox::SetNextAnswer(QMessageBox::NoButton); // closed
    EXPECT_EQ(m_box.Ask(2, 9), kAnswerCancel);
}

TEST_F(TextOutBoxTest, ButtonSetsAndAnswers) {
    EXPECT_EQ(CTextOutBox::ButtonsFor(1), QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(CTextOutBox::ButtonsFor(2), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(CTextOutBox::ButtonsFor(3), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(CTextOutBox::ButtonsFor(0), QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(CTextOutBox::ButtonsFor(4), QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(CTextOutBox::AnswerFor(QMessageBox::Ok), 0);
    EXPECT_EQ(CTextOutBox::AnswerFor(QMessageBox::Cancel), 1);
    EXPECT_EQ(CTextOutBox::AnswerFor(QMessageBox::Yes), 2);
    EXPECT_EQ(CTextOutBox::AnswerFor(QMessageBox::No), 3);
}

TEST_F(TextOutBoxTest, QuestionTextsAndTheirButtonSets) {
    const struct {
        int buttons;
        int question;
        const char* text;
        QMessageBox::StandardButton answer;
        int expected;
    } cases[] = {
        {3, 7, "Project already exists. Do you want to replace it?", QMessageBox::Cancel, 1},
        {1, 8, "The project will be cleaned and then saved. OK to execute?", QMessageBox::Ok, 0},
        {2, 10, "Do you want to delete the existing data and overwrite it?", QMessageBox::No, 3},
        {2, 11, "Do you want to delete the last data, and then insert?", QMessageBox::Yes, 2},
        {0, 42, "", QMessageBox::Ok, 0},
    };
    for (const auto& c : cases) {
        CMessageBox::SetNextAnswer(c.answer);
        EXPECT_EQ(m_box.Ask(c.buttons, c.question), c.expected) << c.question;
        EXPECT_EQ(CMessageBox::LastShown().text, QString::fromUtf8(c.text));
        EXPECT_EQ(CMessageBox::LastShown().buttons, CTextOutBox::ButtonsFor(c.buttons));
    }
}

TEST_F(TextOutBoxTest, WriteAndIndentStaySilent) {
    m_box.Write("text\n");
    m_box.Indent(4);
    m_box.Printf("%d", 5);
    EXPECT_EQ(CMessageBox::ShownCount(), 0);
    EXPECT_EQ(m_box.IndentText(), "    ");
}

// Without a scripted answer the real box opens; a person's click is played through the widget.
TEST_F(TextOutBoxTest, TheRealBoxShowsTextAndButtonsAndAnswersTheClick) {
    QString text;
    QString caption;
    QMessageBox::StandardButtons buttons;
    QtTesting::WhenModalShown([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        buttons = box->standardButtons();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(m_box.Ask(2, 9), kAnswerNo);
    EXPECT_EQ(text, QStringLiteral("OK to delete?"));
    EXPECT_EQ(caption, QStringLiteral("Orvanta Librarian"));
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
}

TEST_F(TextOutBoxTest, TheRealBoxClosedWithoutAButtonAnswersOne) {
    QtTesting::WhenModalShown([](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->done(0); });
    EXPECT_EQ(m_box.Ask(2, 9), kAnswerCancel);
    QtTesting::WhenModalShown([](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->reject(); });
    EXPECT_EQ(m_box.Ask(3, 7), kAnswerCancel);
}

TEST_F(TextOutBoxTest, ReachedThroughTheDomainAsMessageReporter) {
    CDomain& domain = CDomain::Instance();
    domain.SetReporter(0, std::make_shared<CTextOutBox>());
    CMessageBox::SetNextAnswer(QMessageBox::Yes);
    EXPECT_EQ(domain.MessageReporter().Ask(kButtonsYesNo, kAskDelete), kAnswerYes);
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("OK to delete?"));
    domain.SetReporter(0, nullptr);
}

} // namespace
} // namespace Orvanta
