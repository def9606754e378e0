#include "shell/CChildFrame.h"

#include <QLabel>
#include <QMdiArea>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

class CChildFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_area.resize(600, 400);
        m_frame = new CChildFrame(4107);
        m_frame->setWidget(new QLabel(QStringLiteral("content")));
        m_area.addSubWindow(m_frame);
        m_frame->setGeometry(20, 20, 300, 200);
        m_area.show();
        m_frame->show();
    }

    QMdiArea m_area;
    CChildFrame* m_frame = nullptr;
};

TEST_F(CChildFrameTest, RightClickOnTheCaptionAsksForTheWindowList) {
    QSignalSpy requests(m_frame, &CChildFrame::WindowListRequested);
    const QPoint onCaption(m_frame->width() / 2, m_frame->widget()->geometry().top() / 2);
    QTest::mouseClick(m_frame, Qt::RightButton, Qt::NoModifier, onCaption);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests.front().front().toPoint(), m_frame->mapToGlobal(onCaption));
}

TEST_F(CChildFrameTest, RightClickOnTheContentDoesNot) {
    QSignalSpy requests(m_frame, &CChildFrame::WindowListRequested);
    const QPoint inside = m_frame->widget()->geometry().center();
    QTest::mouseClick(m_frame, Qt::RightButton, Qt::NoModifier, inside);
    EXPECT_TRUE(requests.isEmpty());
}

TEST_F(CChildFrameTest, LeftPressOnTheCaptionActivatesABackgroundWindow) {
    // A background project window takes no click focus, so that a press on its lists does not
    // activate it; its caption must still bring it forward.
    auto* other = new CChildFrame(4107);
    other->setWidget(new QLabel(QStringLiteral("other")));
    m_area.addSubWindow(other);
    other->setGeometry(200, 150, 300, 200);
    other->show();
    m_area.setActiveSubWindow(other);
    m_frame->setFocusPolicy(Qt::TabFocus);
    ASSERT_EQ(m_area.activeSubWindow(), other);

    const QPoint onCaption(m_frame->width() / 4, m_frame->widget()->geometry().top() / 2);
    QTest::mousePress(m_frame, Qt::LeftButton, Qt::NoModifier, onCaption);
    QTest::mouseRelease(m_frame, Qt::LeftButton, Qt::NoModifier, onCaption);
    EXPECT_EQ(m_area.activeSubWindow(), m_frame);
}

TEST_F(CChildFrameTest, ANewWindowMovesAsideUntilNoOtherSharesItsCorner) {
    auto* second = new CChildFrame(4107);
    auto* third = new CChildFrame(4107);
    for (CChildFrame* frame : {second, third}) {
        m_area.addSubWindow(frame);
        frame->show();
    }
    second->setGeometry(30, 30, 300, 200);
    third->setGeometry(20, 20, 300, 200);
    const QList<QMdiSubWindow*> windows = m_area.subWindowList();
    EXPECT_TRUE(third->CascadeFrom(windows));
    EXPECT_EQ(third->pos(), QPoint(40, 40));
    EXPECT_EQ(third->size(), QSize(300, 200));
    EXPECT_FALSE(third->CascadeFrom(windows));
}

} // namespace
} // namespace Orvanta
