#pragma once

// Shared set-up of the project window tests: a project document filled in memory, a scripted
// message reporter, and a shown project view around it.

#include "ProjectBuilder.h"
#include "QtTestSupport.h"
#include "ScriptedReporter.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "storage/CTernFileDocument.h"
#include "views/CFileView.h"
#include "views/CParameterTableModel.h"
#include "views/CPatchListCtrl.h"
#include "views/CReplaceStringDlg.h"
#include "views/CSetGridDlg.h"
#include "views/CWaveListCtrl.h"
#include "views/DragState.h"
#include "winframework/CMessageBox.h"
#include "winframework/CProfiledFileDialog.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace Orvanta::TestSupport {

// A document whose modified flag counts its changes.
class TestDocument : public CTernFileDocument {
public:
    void SetModified(bool modified) override {
        CTernFileDocument::SetModified(modified);
        ++modifiedCalls;
    }
    int modifiedCalls = 0;
};

inline std::string SlotPath(const std::string& folder, std::size_t slot, const std::string& name,
                            const std::string& extension) {
    const std::string number = std::to_string(slot + 1);
    return folder + std::string(3 - number.size(), '0') + number + " " + name + extension;
}

// Puts a patch named `name` into `slot` (its file need not exist).
inline void PutPatch(CTernData& project, std::size_t slot, const std::string& name, CPatch patch = CPatch()) {
    patch.m_path = SlotPath("/nowhere/Song.prj/Patch/", slot, name, ".p00");
    patch.m_name = name;
    project.m_patches.Replace(slot, std::make_unique<CPatch>(patch));
}

// Puts a wave named `name` into `slot`, from `path` when given.
inline void PutWave(CTernData& project, std::size_t slot, const std::string& name, const std::string& path = {}) {
    auto wave = std::make_unique<CWave>();
    wave->m_path = path.empty() ? SlotPath("/nowhere/Song.prj/Wave/", slot, name, ".wav") : path;
    wave->m_name = name;
    project.m_waves.Replace(slot, std::move(wave));
}

// Rebuilds every wave's users from the patches' references, as loading does.
inline void RebuildUsers(CTernData& project) {
    for (std::size_t j = 0; j < project.m_waves.size(); ++j) {
        project.m_waves[j].ClearUsers();
    }
    for (std::size_t p = 0; p < project.m_patches.size(); ++p) {
        for (const int number : project.m_patches[p].UsedWaves()) {
            if (number >= 1 && static_cast<std::size_t>(number) <= project.m_waves.size()) {
                project.m_waves[static_cast<std::size_t>(number - 1)].AddUser(static_cast<std::int32_t>(p), false);
            }
        }
    }
}

// The domain as a test expects it, and back afterwards: separator "/", a scripted message
// reporter, no undo, an empty transfer buffer, grid off, no scripted dialog answers, no drag.
class ViewsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CDomain& domain = CDomain::Instance();
        domain.SetSeparator("/");
        domain.ClearUndo();
        domain.m_transferPatches.Resize(0);
        domain.m_transferWaves.Resize(0);
        domain.m_gridOn = 0;
        m_reporter = ScriptedReporter::Install();
        CMessageBox::ClearAnswers();
        CMessageBox::ResetShown();
        CReplaceStringDlg::ClearScript();
        CSetGridDlg::ClearScript();
        CProfiledFileDialog::ClearScript();
        CFileView::SetCleanOptionsPrompt({});
        DragState::Instance() = DragState();
        QtTesting::ClearSettings();
    }

    void TearDown() override {
        m_views.clear();
        m_documents.clear();
        CDomain& domain = CDomain::Instance();
        domain.ClearUndo();
        domain.m_transferPatches.Resize(0);
        domain.m_transferWaves.Resize(0);
        domain.m_gridOn = 0;
        ScriptedReporter::Uninstall();
        CMessageBox::ClearAnswers();
        CFileView::SetCleanOptionsPrompt({});
    }

    // A new, empty project document.
    TestDocument& NewDocument() {
        m_documents.push_back(std::make_unique<TestDocument>());
        return *m_documents.back();
    }

    // A shown project view on `document`, initially updated.
    CFileView& OpenView(TestDocument& document, QSize size = QSize(640, 420)) {
        auto view = std::make_unique<CFileView>(document);
        view->resize(size);
        view->show();
        view->OnInitialUpdate();
        QApplication::processEvents();
        m_views.push_back(std::move(view));
        return *m_views.back();
    }

    std::shared_ptr<ScriptedReporter> m_reporter;
    std::vector<std::unique_ptr<TestDocument>> m_documents;
    std::vector<std::unique_ptr<CFileView>> m_views;
};

} // namespace Orvanta::TestSupport
