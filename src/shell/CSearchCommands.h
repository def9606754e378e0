#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

namespace Orvanta {

class CApp;
class CDuplicatesDialog;
class CFileDoc;
class CFindDialog;
class CMainFrame;

// An open project as the searches show it: the name of its folder (or its title while untitled)
// and its document.
struct CSearchTarget {
    QString label;
    CFileDoc* document = nullptr;
};

// Edit > Find, Find Next, Go to Slot and Duplicates over the open project windows. The Find and
// Duplicates windows are modeless and stay until the main window goes; they look up the open
// projects afresh for every search.
class CSearchCommands : public QObject {
    Q_OBJECT

public:
    CSearchCommands(CApp& app, CMainFrame& frame);

    // Find (Ctrl+F): shows the Find window with its text selected.
    void OnFind();
    // Find Next (F3): the next hit of the Find window; shows the window when it finds nothing.
    void OnFindNext();
    // Go to Slot (Ctrl+J): asks for a slot number of the list the active project window works on
    // and selects that slot.
    void OnGoToSlot();
    // Duplicates: shows the groups of duplicate waves and patches and Merge Duplicate Waves.
    void OnDuplicates();

    // Test hook: the next Go to Slot answers with this slot number (nothing: Cancel) without asking.
    static void SetNextSlotAnswer(std::optional<int> number);

    [[nodiscard]] CFindDialog* FindDialog() const;
    [[nodiscard]] CDuplicatesDialog* DuplicatesDialog() const;

    // The open projects in the order of the document list.
    [[nodiscard]] std::vector<CSearchTarget> Targets() const;
    // Activates the project window of `document`, selects exactly slot `slot` of the list `which`,
    // makes it the current row, scrolls it into view and gives that list the focus. False when the
    // document is no longer open or the slot does not exist.
    bool ShowSlot(CFileDoc* document, int which, std::size_t slot);

private:
    CApp& m_app;
    CMainFrame& m_frame;
    QPointer<CFindDialog> m_find;
    QPointer<CDuplicatesDialog> m_duplicates;
};

} // namespace Orvanta
