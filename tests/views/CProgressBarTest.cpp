#include "QtTestSupport.h"

#include "views/CProgressBar.h"

#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_main.resize(640, 480);
        m_main.show();
    }
    void TearDown() override { m_main.hide(); }

    QMainWindow m_main;
    CProgressBar m_progress{CProgressBar::kTemplateId, &m_main};
};

TEST_F(ProgressTest, AnEpisodeShowsTheDialogAndDisablesTheMainWindow) {
    EXPECT_EQ(m_progress.Dialog(), nullptr);
    m_progress.Begin(50, "Loading", false);
    ASSERT_NE(m_progress.Dialog(), nullptr);
    EXPECT_TRUE(m_progress.Dialog()->isVisible());
    EXPECT_FALSE(m_main.isEnabled());
    EXPECT_EQ(m_progress.TextLine()->text(), QStringLiteral("Loading"));
    EXPECT_EQ(m_progress.Bar()->maximum(), 50);
    EXPECT_EQ(m_progress.Bar()->value(), 0);
    EXPECT_EQ(m_progress.Depth(), 1);

    m_progress.SetPos(20);
    m_progress.SetText("Patch 20");
    EXPECT_EQ(m_progress.Bar()->value(), 20);
    EXPECT_EQ(m_progress.Position(), 20);
    EXPECT_EQ(m_progress.TextLine()->text(), QStringLiteral("Patch 20"));

    m_progress.End();
    EXPECT_EQ(m_progress.Dialog(), nullptr);
    EXPECT_TRUE(m_main.isEnabled());
    EXPECT_EQ(m_progress.Depth(), 0);
}

TEST_F(ProgressTest, NestedEpisodesShareTheOuterDialog) {
    m_progress.Begin(10, "Saving", true);
    QDialog* outer = m_progress.Dialog();
    m_progress.SetPos(3);

    m_progress.Begin(99, "Inner", false);
    EXPECT_EQ(m_progress.Dialog(), outer);
    EXPECT_EQ(m_progress.Depth(), 2);
    EXPECT_EQ(m_progress.Bar()->maximum(), 10);
    EXPECT_TRUE(m_progress.IsCancellable()); // the inner Begin changed nothing
    m_progress.SetPos(7);
    m_progress.SetText("ignored");
    EXPECT_EQ(m_progress.Bar()->value(), 3);
    EXPECT_EQ(m_progress.Position(), 3);
    EXPECT_EQ(m_progress.TextLine()->text(), QStringLiteral("Saving"));

    m_progress.End();
    EXPECT_EQ(m_progress.Dialog(), outer);
    EXPECT_TRUE(outer->isVisible());
    EXPECT_FALSE(m_main.isEnabled());
    m_progress.SetPos(8);
    EXPECT_EQ(m_progress.Bar()->value(), 8);

    m_progress.End();
    EXPECT_EQ(m_progress.Dialog(), nullptr);
    EXPECT_TRUE(m_main.isEnabled());
}

TEST_F(ProgressTest, CancelButtonMarksTheEpisodeCancelledAndTheDialogStays) {
    m_progress.Begin(10, "Import", true);
    EXPECT_TRUE(m_progress.CancelButton()->isVisible());
    EXPECT_FALSE(m_progress.PumpAndCheckCancel());
    QTest::mouseClick(m_progress.CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(m_progress.PumpAndCheckCancel());
    EXPECT_TRUE(m_progress.Dialog()->isVisible());
    m_progress.End();

    // A new episode starts uncancelled.
    m_progress.Begin(10, "Again", true);
    EXPECT_FALSE(m_progress.PumpAndCheckCancel());
    m_progress.End();
}

TEST_F(ProgressTest, EscapeCancelsWithoutClosing) {
    m_progress.Begin(10, "Import", true);
    QTest::keyClick(m_progress.Dialog(), Qt::Key_Escape);
    EXPECT_TRUE(m_progress.PumpAndCheckCancel());
    EXPECT_TRUE(m_progress.Dialog()->isVisible());
    m_progress.End();
}

TEST_F(ProgressTest, ANonCancellableEpisodeHasNoCancelButton) {
    m_progress.Begin(10, "Clean", false);
    EXPECT_FALSE(m_progress.CancelButton()->isVisible());
    m_progress.RequestCancel();
    QTest::keyClick(m_progress.Dialog(), Qt::Key_Escape);
    EXPECT_FALSE(m_progress.PumpAndCheckCancel());
    m_progress.End();
}

TEST_F(ProgressTest, TheDialogFollowsItsTemplate) {
    m_progress.Begin(10, "x", true);
    QDialog* dialog = m_progress.Dialog();
    EXPECT_NE(dialog->findChild<QLabel*>(QStringLiteral("4103")), nullptr);
    EXPECT_NE(dialog->findChild<QProgressBar*>(QStringLiteral("4108")), nullptr);
    auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("2"));
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
    // Text line above the bar above the button, all inside the dialog.
    EXPECT_LT(m_progress.TextLine()->geometry().top(), m_progress.Bar()->geometry().top());
    EXPECT_LT(m_progress.Bar()->geometry().bottom(), cancel->geometry().top());
    EXPECT_TRUE(dialog->rect().contains(cancel->geometry()));
    EXPECT_GT(dialog->width(), dialog->height());
    m_progress.End();
}

TEST_F(ProgressTest, AnEndWithoutBeginChangesNothing) {
    m_progress.End();
    EXPECT_EQ(m_progress.Depth(), 0);
    EXPECT_TRUE(m_main.isEnabled());
    m_progress.SetPos(5);
    EXPECT_EQ(m_progress.Position(), 0);
}

TEST_F(ProgressTest, DestroyingDuringAnEpisodeEnablesTheMainWindowAgain) {
    {
        CProgressBar progress(CProgressBar::kTemplateId, &m_main);
        progress.Begin(5, "x", false);
        EXPECT_FALSE(m_main.isEnabled());
    }
    EXPECT_TRUE(m_main.isEnabled());
}

TEST(ProgressWithoutMainWindow, WorksAsATopLevelDialog) {
    CProgressBar progress;
    progress.Begin(3, "alone", false);
    ASSERT_NE(progress.Dialog(), nullptr);
    EXPECT_TRUE(progress.Dialog()->isVisible());
    progress.End();
    EXPECT_EQ(progress.Dialog(), nullptr);
}

} // namespace
} // namespace Orvanta
