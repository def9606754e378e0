#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

namespace Orvanta {

class CApp;
class CFileView;
class CHistoryWindow;
class CMainFrame;
class CTernData;

// Edit > Cut, Copy, Paste, Paste Insert and History over the project windows, on the core's
// clipboard and history. Paste puts the copied rows at the current row of the list of their kind in
// the active project window, as a drop there would, and selects them; the Paste commands' status
// prompts say what a paste would do there now. The history names the changes of these commands and
// of Delete, Clean Project and Import Wave; the History window goes back and forward.
class CClipboardCommands : public QObject {
    Q_OBJECT

public:
    CClipboardCommands(CApp& app, CMainFrame& frame);
    ~CClipboardCommands() override;

    void OnCut() { Copy(true); }
    void OnCopy() { Copy(false); }
    void OnPaste() { Paste(false); }
    void OnPasteInsert() { Paste(true); }
    void OnHistory();

    // Enables the commands for the active project window and words the Paste prompts.
    void UpdateCommandUI();
    // What pasting (or inserting) into the active project window would do now; empty without one.
    [[nodiscard]] QString PastePreview(bool insert) const;

    [[nodiscard]] CHistoryWindow* HistoryWindow() const;
    // Marks the documents of `projects` modified, unless their lists are as last loaded or saved
    // (going back in the history to there clears the mark), and rebuilds their windows.
    void Refresh(const std::vector<CTernData*>& projects);
    // A project changed: the open History window follows once the command is over.
    void FollowChange();

private:
    void Copy(bool cut);
    void Paste(bool insert);
    // The slot a paste into the list `which` of `view` starts at: its current row.
    [[nodiscard]] static int PasteRow(const CFileView& view, int which);
    [[nodiscard]] std::string ProjectName(const CTernData* project) const;
    // Names the change a menu command just made, once it is recorded.
    void NameCommand(int command);

    CApp& m_app;
    CMainFrame& m_frame;
    QPointer<CHistoryWindow> m_history;
    bool m_followPosted = false;
};

} // namespace Orvanta
