#include "winframework/CRichEditDocEx.h"
#include "winframework/CMessageBox.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

class TestDocument : public CRichEditDocEx {
public:
    int saves = 0;
    bool saveSucceeds = true;

protected:
    bool DoFileSave() override {
        ++saves;
        if (saveSucceeds) {
            SetModifiedFlag(false);
        }
        return saveSucceeds;
    }
};

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        CMessageBox::ClearAnswers();
        CMessageBox::ResetShown();
        m_document.SetPathName(QStringLiteral("/data/Song.prj/"));
        m_document.SetModifiedFlag(true);
    }
    void TearDown() override { CMessageBox::ClearAnswers(); }

    TestDocument m_document;
};

TEST_F(DocumentTest, PathNameGivesTheTitle) {
    EXPECT_EQ(m_document.GetTitle(), QStringLiteral("Song.prj"));
    EXPECT_EQ(m_document.GetPathName(), QStringLiteral("/data/Song.prj/"));
}

TEST_F(DocumentTest, YesSavesAndCloses) {
    CMessageBox::SetNextAnswer(QMessageBox::Yes);
    EXPECT_TRUE(m_document.SaveModified());
    EXPECT_EQ(m_document.saves, 1);
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("Save changes to Song.prj?"));
    EXPECT_EQ(CMessageBox::LastShown().caption, QStringLiteral("Orvanta Librarian"));
    EXPECT_EQ(CMessageBox::LastShown().buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

TEST_F(DocumentTest, YesWithAFailedSaveKeepsTheDocument) {
    m_document.saveSucceeds = false;
    CMessageBox::SetNextAnswer(QMessageBox::Yes);
    EXPECT_FALSE(m_document.SaveModified());
    EXPECT_TRUE(m_document.IsModified());
}

TEST_F(DocumentTest, NoClosesWithoutSaving) {
    CMessageBox::SetNextAnswer(QMessageBox::No);
    EXPECT_TRUE(m_document.SaveModified());
    EXPECT_EQ(m_document.saves, 0);
}

TEST_F(DocumentTest, CancelOrClosingTheBoxKeepsTheDocument) {
    CMessageBox::SetNextAnswer(QMessageBox::Cancel);
    EXPECT_FALSE(m_document.SaveModified());
    CMessageBox::SetNextAnswer(QMessageBox::NoButton);
    EXPECT_FALSE(m_document.SaveModified());
    EXPECT_EQ(m_document.saves, 0);
}

TEST_F(DocumentTest, AnUnmodifiedDocumentClosesWithoutAsking) {
    m_document.SetModifiedFlag(false);
    EXPECT_TRUE(m_document.SaveModified());
    EXPECT_EQ(CMessageBox::ShownCount(), 0);
}

TEST_F(DocumentTest, ModifiedFlagChangesAreSignalled) {
    QSignalSpy spy(&m_document, &CRichEditDocEx::ModifiedChanged);
    m_document.SetModifiedFlag(true); // unchanged: no signal
    m_document.SetModifiedFlag(false);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_FALSE(spy.front().front().toBool());
}

} // namespace
} // namespace Orvanta
