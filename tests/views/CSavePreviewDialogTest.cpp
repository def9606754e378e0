#include "ViewsFixture.h"

#include "ProjectBuilder.h"
#include "TempFolder.h"
#include "operations/EditCommands.h"
#include "views/CSavePreviewDialog.h"

#include <QLabel>
#include <QTreeWidget>

namespace Orvanta {
namespace {

using TestSupport::ProjectBuilder;
using TestSupport::TempFolder;

class SavePreviewViewTest : public TestSupport::ViewsTest {
protected:
    TempFolder m_folder;
};

// The warning line shows while a save in place would delete files the lists do not show, pushes
// the lists down a line, and goes once a save has deleted them; the preview dialog lists them with
// their reasons, grouped.
TEST_F(SavePreviewViewTest, TheWarningLineAndThePreviewShowWhatTheListsDoNot) {
    ProjectBuilder project(m_folder.Path(), "Song.prj");
    project.AddPatch("005 Another.p00");
    project.AddPatch("005 Sweep Pad.p00");
    project.AddPatch("Readme.p00");
    project.AddPatch("007 Lead.p00");
    project.AddWave("001 Kick.wav");
    TestSupport::TestDocument& document = NewDocument();
    ASSERT_TRUE(document.OpenProjectFolder(project.Path()));
    CFileView& view = OpenView(document);
    EXPECT_EQ(view.DeletionWarningText(),
              QStringLiteral("Saving will delete 2 files the lists do not show (File > Preview Save)."));
    const QLabel* warning = view.findChild<QLabel*>(QStringLiteral("DeletionWarning"));
    ASSERT_NE(warning, nullptr);
    EXPECT_LE(warning->geometry().bottom(), view.PatchList().geometry().top());
    const int listTop = view.PatchList().geometry().top();

    // Emptying a slot is no hidden deletion: the list shows it.
    ASSERT_TRUE(DeleteSelection(document.Data(), {6}, kPatchList));
    view.OnUpdate(0);
    CSavePreview preview;
    std::string reason;
    ASSERT_TRUE(document.PreviewSave(project.Path(), preview, reason)) << reason;
    CSavePreviewDialog dialog(preview);
    const QTreeWidget* tree = dialog.Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    const QTreeWidgetItem* deletions = tree->topLevelItem(0);
    EXPECT_EQ(deletions->text(0), QStringLiteral("Delete (3)"));
    QStringList rows;
    for (int i = 0; i < deletions->childCount(); ++i) {
        rows << deletions->child(i)->text(0) + " | " + deletions->child(i)->text(1).section(':', 0, 0);
    }
    EXPECT_EQ(rows, QStringList({"Patch/005 Sweep Pad.p00 | duplicate", "Patch/007 Lead.p00 | emptied",
                                 "Patch/Readme.p00 | stray"}));
    EXPECT_EQ(view.DeletionWarningText().isEmpty(), false);

    ASSERT_TRUE(document.SaveProjectTo(project.Path()));
    view.OnUpdate(0);
    EXPECT_TRUE(view.DeletionWarningText().isEmpty());
    EXPECT_TRUE(warning->isHidden());
    EXPECT_LT(view.PatchList().geometry().top(), listTop);
}

} // namespace
} // namespace Orvanta
