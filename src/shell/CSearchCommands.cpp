#include "shell/CSearchCommands.h"

#include "shell/CApp.h"
#include "shell/CDuplicatesDialog.h"
#include "shell/CFileDoc.h"
#include "shell/CFileFrame.h"
#include "shell/CFindDialog.h"
#include "shell/CMainFrame.h"
#include "views/CFileView.h"
#include "views/CParameterListCtrl.h"

#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMdiArea>

#include <algorithm>

namespace Orvanta {

namespace {

std::optional<int>& NextSlotAnswer() {
    static std::optional<int> answer;
    return answer;
}

bool& HasNextSlotAnswer() {
    static bool has = false;
    return has;
}

} // namespace

CSearchCommands::CSearchCommands(CApp& app, CMainFrame& frame) : QObject(&frame), m_app(app), m_frame(frame) {}

CFindDialog* CSearchCommands::FindDialog() const {
    return m_find.data();
}

CDuplicatesDialog* CSearchCommands::DuplicatesDialog() const {
    return m_duplicates.data();
}

std::vector<CSearchTarget> CSearchCommands::Targets() const {
    std::vector<CSearchTarget> targets;
    for (CFileDoc* document : m_app.Documents()) {
        if (document->Frame() == nullptr || document->Frame()->View() == nullptr) {
            continue;
        }
        QString label = document->GetTitle();
        const std::string& path = document->Data().m_projectPath;
        if (!path.empty()) {
            // The project folder's name, as "Song.prj".
            const std::string folder = path.substr(0, path.find_last_not_of('/') + 1);
            label = QString::fromStdString(folder.substr(folder.find_last_of('/') + 1));
        }
        targets.push_back({label, document});
    }
    return targets;
}

bool CSearchCommands::ShowSlot(CFileDoc* document, int which, std::size_t slot) {
    const std::vector<CSearchTarget> targets = Targets();
    if (std::none_of(targets.begin(), targets.end(),
                     [document](const CSearchTarget& target) { return target.document == document; })) {
        return false;
    }
    CFileView* view = document->Frame()->View();
    CParameterListCtrl& list = view->List(which);
    const int row = static_cast<int>(slot);
    if (row < 0 || row >= list.model()->rowCount()) {
        return false;
    }
    m_frame.ActivateFrame(document->Frame());
    // The anchor of Shift selection moves with the jump.
    list.JumpToRow(row);
    list.setFocus(Qt::OtherFocusReason);
    return true;
}

void CSearchCommands::OnFind() {
    if (m_find == nullptr) {
        m_find = new CFindDialog(
            [this] { return Targets(); },
            [this](CFileDoc* document, int which, std::size_t slot) { return ShowSlot(document, which, slot); },
            &m_frame);
    }
    m_find->show();
    m_find->raise();
    m_find->activateWindow();
    m_find->Search();
    m_find->TextField()->setFocus(Qt::ShortcutFocusReason);
    m_find->TextField()->selectAll();
}

void CSearchCommands::OnFindNext() {
    if (m_find == nullptr || m_find->TextField()->text().isEmpty()) {
        OnFind();
        return;
    }
    m_find->Search();
    if (!m_find->FindNext()) {
        OnFind();
    }
}

void CSearchCommands::OnGoToSlot() {
    CFileView* view = m_frame.ActiveView();
    CFileDoc* document = m_frame.ActiveDocument();
    if (view == nullptr || document == nullptr) {
        return;
    }
    const int which = view->FocusedList().GetListKind();
    const int count = static_cast<int>(CTernData::Capacity(which));
    std::optional<int> number;
    if (HasNextSlotAnswer()) {
        number = NextSlotAnswer();
        HasNextSlotAnswer() = false;
    } else {
        bool ok = false;
        const int current = std::max(0, view->FocusedList().GetFirstSelected()) + 1;
        const int chosen =
            QInputDialog::getInt(&m_frame, tr("Go to Slot"),
                                 (which == kPatchList ? tr("Patch slot (1-%1):") : tr("Wave slot (1-%1):")).arg(count),
                                 current, 1, count, 1, &ok);
        if (ok) {
            number = chosen;
        }
    }
    if (number && *number >= 1 && *number <= count) {
        ShowSlot(document, which, static_cast<std::size_t>(*number - 1));
    }
}

void CSearchCommands::SetNextSlotAnswer(std::optional<int> number) {
    NextSlotAnswer() = number;
    HasNextSlotAnswer() = true;
}

void CSearchCommands::OnDuplicates() {
    if (m_duplicates == nullptr) {
        m_duplicates = new CDuplicatesDialog(
            [this] { return Targets(); }, [this] { return m_frame.ActiveDocument(); },
            [this](CFileDoc* document, int which, std::size_t slot) { return ShowSlot(document, which, slot); },
            [this](CFileDoc* document) {
                document->SetModified(true);
                document->UpdateAllViews(CFileView::kHintNone);
                m_frame.UpdateCommandUI();
            },
            &m_frame);
        connect(m_frame.MdiArea(), &QMdiArea::subWindowActivated, m_duplicates, &CDuplicatesDialog::ScheduleRefresh);
    }
    m_duplicates->Refresh();
    m_duplicates->show();
    m_duplicates->raise();
    m_duplicates->activateWindow();
}

} // namespace Orvanta
