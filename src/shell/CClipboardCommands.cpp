#include "shell/CClipboardCommands.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "model/CTernTextOut.h"
#include "operations/CClipboard.h"
#include "operations/CHistory.h"
#include "operations/ChangeNames.h"
#include "operations/EditCommands.h"
#include "shell/CApp.h"
#include "shell/CFileDoc.h"
#include "shell/CHistoryWindow.h"
#include "shell/CMainFrame.h"
#include "shell/CommandIds.h"
#include "views/CFileView.h"
#include "views/CParameterListCtrl.h"
#include "views/CountText.h"
#include "winframework/CWaitCursor.h"

#include <QAction>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

namespace Orvanta {

namespace {

QString Kind(int which, std::size_t count) {
    return which == kPatchList ? (count == 1 ? QStringLiteral("patch") : QStringLiteral("patches"))
                               : (count == 1 ? QStringLiteral("wave") : QStringLiteral("waves"));
}

} // namespace

CClipboardCommands::CClipboardCommands(CApp& app, CMainFrame& frame) : QObject(&frame), m_app(app), m_frame(frame) {
    CHistory::Instance().SetProjectNamer([this](const CTernData* project) { return ProjectName(project); });
    // Delete, Clean Project and Import Wave run first (their connections are older); the history
    // then names what they did.
    for (const int command : {kCmdEditDelete, kCmdCleanProject, kCmdImportWave}) {
        if (QAction* action = m_frame.Action(command); action != nullptr) {
            connect(action, &QAction::triggered, this, [this, command] { NameCommand(command); });
        }
    }
}

CClipboardCommands::~CClipboardCommands() {
    CHistory::Instance().SetProjectNamer(nullptr);
}

std::string CClipboardCommands::ProjectName(const CTernData* project) const {
    for (CFileDoc* document : m_app.Documents()) {
        if (&document->Data() == project) {
            return document->GetTitle().toStdString();
        }
    }
    return {};
}

int CClipboardCommands::PasteRow(const CFileView& view, int which) {
    const CParameterListCtrl& list = view.List(which);
    if (list.currentIndex().isValid()) {
        return list.currentIndex().row();
    }
    return std::max(list.GetFirstSelected(), 0);
}

void CClipboardCommands::Copy(bool cut) {
    CFileView* view = m_frame.ActiveView();
    if (view == nullptr) {
        return;
    }
    CParameterListCtrl& list = view->FocusedList();
    const int which = list.GetListKind();
    const CSelection rows = list.GetSelectedIndices();
    bool copied = false;
    {
        // The copy keeps its own copies of the files, which may take a moment for many waves.
        const CWaitCursor wait;
        copied = CClipboard::Instance().Copy(view->Document().Data(), rows, which, cut);
    }
    if (!copied) {
        m_frame.statusBar()->showMessage(tr("Nothing to copy: no selected slot is in use."));
        return;
    }
    const std::size_t count = CClipboard::Instance().Count();
    m_frame.statusBar()->showMessage(
        cut ? tr("%1 %2 cut: they are emptied here when they are pasted.").arg(count).arg(Kind(which, count))
            : tr("%1 %2 copied.").arg(count).arg(Kind(which, count)));
    UpdateCommandUI();
}

QString CClipboardCommands::PastePreview(bool insert) const {
    const CFileView* view = m_frame.ActiveView();
    const CClipboard& clipboard = CClipboard::Instance();
    if (view == nullptr || clipboard.IsEmpty()) {
        return {};
    }
    const int which = clipboard.Kind();
    const QString kind = Kind(which, clipboard.Count());
    if (view->FocusedList().GetListKind() != which) {
        return tr("The copied %1 can be pasted only into a %2 list.")
            .arg(kind, which == kPatchList ? tr("patch") : tr("wave"));
    }
    const CTernData& target = view->Document().Data();
    const int row = PasteRow(*view, which);
    const CPastePlan plan = clipboard.Plan(target, which, row, insert);
    if (plan.possible && plan.refusal != 0) {
        return tr("Paste: %1 %2 to %3 cannot be done: %4")
            .arg(plan.count)
            .arg(kind)
            .arg(plan.first + 1)
            .arg(plan.refusal == kErrorWaveSpace
                     ? tr("there is insufficient free wave space for the %1 they use.")
                           .arg(CountText(static_cast<long long>(clipboard.WaveCount()), tr("wave"), tr("waves")))
                     : tr("the total size of all waves would exceed 50 MB."));
    }
    if (!plan.possible) {
        return tr("The %1 copied %2 do not fit from %3 to the end of the list.")
            .arg(clipboard.Count())
            .arg(kind)
            .arg(row + 1);
    }
    // Worded as the drop it stands for is during a drag, with what the drop's questions would ask.
    QString text = tr("Paste: %1 %2 %3 to %4, %5")
                       .arg(plan.move ? tr("move") : tr("copy"))
                       .arg(plan.count)
                       .arg(kind)
                       .arg(plan.first + 1)
                       .arg(insert ? tr("inserting") : tr("overwriting"));
    if (plan.asks) {
        text += insert ? tr("; rows in use fall off the end") : tr("; rows in use are overwritten");
    }
    if (which == kPatchList && plan.otherWindow) {
        text += tr("; the waves they use come along");
    }
    return text + QStringLiteral(".");
}

void CClipboardCommands::Paste(bool insert) {
    CFileView* view = m_frame.ActiveView();
    CClipboard& clipboard = CClipboard::Instance();
    if (view == nullptr || clipboard.IsEmpty()) {
        return;
    }
    const int which = clipboard.Kind();
    CTernData& target = view->Document().Data();
    const int row = PasteRow(*view, which);
    const CPastePlan plan = clipboard.Plan(target, which, row, insert);
    // Rows of the other kind than the list's are not pasted; a paste that cannot fit is refused
    // before it asks anything.
    if (view->FocusedList().GetListKind() != which || !plan.possible) {
        m_frame.statusBar()->showMessage(PastePreview(insert));
        return;
    }
    if (plan.refusal != 0) {
        m_frame.statusBar()->showMessage(PastePreview(insert));
        CDomain::Instance().MessageReporter().Error(plan.refusal);
        return;
    }
    CTernData* source = clipboard.Source();
    const std::string name =
        NameOfTransfer(plan.move ? "Cut and paste" : "Paste", which, clipboard.Rows(),
                       source != nullptr ? ProjectName(source) : std::string("a closed project"), ProjectName(&target),
                       !plan.otherWindow, static_cast<std::size_t>(row) + 1, insert);
    CPasteResult result;
    {
        const CWaitCursor wait;
        // The question names what it would destroy, as a drop's does.
        CTernTextOut& reporter = CDomain::Instance().MessageReporter();
        reporter.SetQuestionDetail(view->DestroyedSlotsDetail(which, plan.first, plan.count, insert));
        result = clipboard.Paste(target, which, row, insert);
        reporter.SetQuestionDetail({});
    }
    CHistory::Instance().Record(name);
    if (result.status != DropStatus::Done) {
        return;
    }
    std::vector<CTernData*> changed{&target};
    if (result.source != nullptr && result.source != &target) {
        changed.push_back(result.source);
    }
    Refresh(changed);
    // The rows pasted are selected, in the list of their kind, which takes the focus.
    CParameterListCtrl& list = view->List(which);
    list.SelectRows(SlotRange(static_cast<std::size_t>(row), result.selectCount));
    list.setFocus();
    UpdateCommandUI();
    m_frame.statusBar()->showMessage(
        tr("%1 %2 pasted to %3.").arg(plan.count).arg(Kind(which, plan.count)).arg(plan.first + 1));
}

void CClipboardCommands::Refresh(const std::vector<CTernData*>& projects) {
    for (CFileDoc* document : m_app.Documents()) {
        if (std::find(projects.begin(), projects.end(), &document->Data()) != projects.end()) {
            document->SetModifiedFlag(document->ListsDifferFromSaved());
            document->UpdateAllViews(CFileView::kHintUndo);
        }
    }
}

void CClipboardCommands::NameCommand(int command) {
    CHistory& history = CHistory::Instance();
    if (!history.Record("") || history.Size() == 0) {
        return;
    }
    const CHistoryEntry& entry = history.Entry(history.Size() - 1);
    const CProjectChange& change = entry.projects.front();
    const std::string project = ProjectName(change.project);
    if (command == kCmdCleanProject) {
        history.NameNewest(NameOfClean(project));
    } else if (command == kCmdImportWave) {
        history.NameNewest(NameOfImport(change.lists[kWaveList].changed.size(), project));
    } else if (const CFileView* view = m_frame.ActiveView(); view != nullptr) {
        // Delete: the slots of the list it worked on that it emptied.
        const int which = view->FocusedList().GetListKind();
        CSelection emptied;
        for (const std::uint16_t slot : change.lists[which].changed) {
            if (change.project->List(which).Element(slot).IsEmpty()) {
                emptied.push_back(slot);
            }
        }
        std::sort(emptied.begin(), emptied.end());
        history.NameNewest(NameOfDelete(which, emptied, project));
    }
}

void CClipboardCommands::FollowChange() {
    if (m_followPosted) {
        return;
    }
    m_followPosted = true;
    // Posted: the change is recorded once the command that made it has returned.
    QTimer::singleShot(0, this, [this] {
        m_followPosted = false;
        if (m_history != nullptr && m_history->isVisible()) {
            m_history->Refresh(CHistoryWindow::SafeToRecord());
        }
    });
}

CHistoryWindow* CClipboardCommands::HistoryWindow() const {
    return m_history;
}

void CClipboardCommands::OnHistory() {
    if (m_history == nullptr) {
        m_history = new CHistoryWindow(
            [this](const std::vector<CTernData*>& projects) {
                Refresh(projects);
                UpdateCommandUI();
            },
            &m_frame);
    }
    m_history->Refresh();
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}

void CClipboardCommands::UpdateCommandUI() {
    const CFileView* view = m_frame.ActiveView();
    bool canCopy = false;
    if (view != nullptr) {
        const CParameterListCtrl& list = view->FocusedList();
        canCopy = CanDeleteSelection(view->Document().Data(), list.GetSelectedIndices(), list.GetListKind());
    }
    m_frame.Action(kCmdEditCut)->setEnabled(canCopy);
    m_frame.Action(kCmdEditCopy)->setEnabled(canCopy);
    // Paste works in a list of the copied rows' kind.
    const CClipboard& clipboard = CClipboard::Instance();
    const bool canPaste =
        view != nullptr && !clipboard.IsEmpty() && view->FocusedList().GetListKind() == clipboard.Kind();
    for (const bool insert : {false, true}) {
        QAction* paste = m_frame.Action(insert ? kCmdEditPasteInsert : kCmdEditPaste);
        paste->setEnabled(canPaste);
        if (view != nullptr && !clipboard.IsEmpty()) {
            paste->setStatusTip(PastePreview(insert));
        }
    }
    m_frame.Action(kCmdEditHistory)->setEnabled(true);
}

} // namespace Orvanta
