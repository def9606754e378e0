#include "shell/CCleanProjectDlg.h"
#include "QtTestSupport.h"
#include "model/CDomain.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

class CCleanProjectDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_wave = CDomain::Instance().m_waveOption;
        m_patch = CDomain::Instance().m_patchOption;
    }
    void TearDown() override {
        CDomain::Instance().m_waveOption = m_wave;
        CDomain::Instance().m_patchOption = m_patch;
        CCleanProjectDlg::ClearAnswers();
    }

private:
    std::int32_t m_wave = 0;
    std::int32_t m_patch = 0;
};

TEST_F(CCleanProjectDlgTest, ShowsTheDomainOptions) {
    CDomain::Instance().m_waveOption = 1;
    CDomain::Instance().m_patchOption = 0;
    const CCleanProjectDlg dialog;
    EXPECT_TRUE(dialog.WaveOptionBox()->isChecked());
    EXPECT_FALSE(dialog.PatchOptionBox()->isChecked());
    EXPECT_EQ(dialog.WaveOptionBox()->text(), QStringLiteral("Keep unused user &waves"));
    EXPECT_EQ(dialog.PatchOptionBox()->text(), QStringLiteral("Keep &patch numbering"));
}

TEST_F(CCleanProjectDlgTest, NoCheckBoxTextIsCutAndNothingOverlaps) {
    const CCleanProjectDlg dialog;
    const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 2);
    for (const QCheckBox* box : {dialog.WaveOptionBox(), dialog.PatchOptionBox()}) {
        EXPECT_GE(box->width(), box->sizeHint().width()) << box->text().toStdString();
        for (const QPushButton* button : buttons) {
            EXPECT_FALSE(box->geometry().intersects(button->geometry())) << box->text().toStdString();
        }
    }
    for (const QPushButton* button : buttons) {
        EXPECT_LE(button->geometry().right(), dialog.width());
    }
    // One line under the boxes for each, whole and inside the dialog, over nothing else.
    QStringList explanations;
    for (const QLabel* line : dialog.findChildren<QLabel*>()) {
        explanations << line->text();
        EXPECT_GE(line->width(), line->sizeHint().width());
        EXPECT_TRUE(dialog.rect().contains(line->geometry())) << line->text().toStdString();
        for (const QWidget* other : dialog.findChildren<QAbstractButton*>()) {
            EXPECT_FALSE(line->geometry().intersects(other->geometry())) << line->text().toStdString();
        }
    }
    EXPECT_EQ(explanations,
              (QStringList{CCleanProjectDlg::WaveOptionExplanation(), CCleanProjectDlg::PatchOptionExplanation()}));
}

TEST_F(CCleanProjectDlgTest, OkStoresBothBoxesInTheDomain) {
    CDomain::Instance().m_waveOption = 0;
    CDomain::Instance().m_patchOption = 1;
    CCleanProjectDlg dialog;
    QtTesting::WhenModalShown([&](QWidget* /*modal*/) {
        dialog.WaveOptionBox()->setChecked(true);
        dialog.PatchOptionBox()->setChecked(false);
        dialog.accept();
    });
    EXPECT_EQ(dialog.Run(), QDialog::Accepted);
    EXPECT_EQ(CDomain::Instance().m_waveOption, 1);
    EXPECT_EQ(CDomain::Instance().m_patchOption, 0);
}

TEST_F(CCleanProjectDlgTest, CancelLeavesTheOptionsAfterTheBoxesChanged) {
    CDomain::Instance().m_waveOption = 1;
    CDomain::Instance().m_patchOption = 0;
    CCleanProjectDlg dialog;
    QtTesting::WhenModalShown([&](QWidget* /*modal*/) {
        dialog.WaveOptionBox()->setChecked(false);
        dialog.PatchOptionBox()->setChecked(true);
        dialog.reject();
    });
    EXPECT_EQ(dialog.Run(), QDialog::Rejected);
    EXPECT_EQ(CDomain::Instance().m_waveOption, 1);
    EXPECT_EQ(CDomain::Instance().m_patchOption, 0);
}

TEST_F(CCleanProjectDlgTest, ScriptedAnswersSetTheOptions) {
    CCleanProjectDlg::SetNextAnswer(CCleanProjectDlg::Answer{true, true});
    CCleanProjectDlg::SetNextAnswer(std::nullopt);
    CCleanProjectDlg first;
    EXPECT_EQ(first.Run(), QDialog::Accepted);
    EXPECT_EQ(CDomain::Instance().m_waveOption, 1);
    EXPECT_EQ(CDomain::Instance().m_patchOption, 1);
    CCleanProjectDlg second;
    EXPECT_EQ(second.Run(), QDialog::Rejected);
    EXPECT_EQ(CDomain::Instance().m_waveOption, 1);
}

} // namespace
} // namespace Orvanta
