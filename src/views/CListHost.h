#pragma once

class QAction;

namespace Orvanta {

class CParameterListCtrl;
class CTernData;

// What a patch or wave list needs from the window that holds it: the project it shows, the
// modified flag, the other list for linked selection, and the hooks that raise a project window
// when a press or a drag ends over it. The project window (CFileView) is the one implementation;
// tests may supply their own.
class CListHost {
public:
    CListHost() = default;
    CListHost(const CListHost&) = delete;
    CListHost& operator=(const CListHost&) = delete;
    virtual ~CListHost() = default;

    [[nodiscard]] virtual CTernData& HostProject() = 0;
    // Marks the project's document modified.
    virtual void MarkModified() = 0;
    // The list of the other kind in the same window, or null.
    [[nodiscard]] virtual CParameterListCtrl* OtherList(const CParameterListCtrl& list) = 0;
    // Whether this window is the active project window (the one activated last).
    [[nodiscard]] virtual bool IsActiveProjectView() const = 0;
    // A left-button press began in `list`.
    virtual void OnListPressBegan(CParameterListCtrl& list) = 0;
    // The press that began in a list ended, with or without a drop.
    virtual void OnListPressEnded(CParameterListCtrl& list, bool dropped) = 0;
    // The selection of one of the lists changed (commands may change their enabled state).
    virtual void OnListSelectionChanged(CParameterListCtrl& list) = 0;

    // The window's commands that a list's context menu offers beside its own.
    enum ContextCommand : int {
        kContextPlay,
        kContextDelete,
        kContextImportWave,
        kContextCut,
        kContextCopy,
        kContextPaste,
        kContextPasteInsert,
        kContextImportAndConvert,
        kContextExportWaves
    };
    // The action of `command` acting on `list` with its enabled state up to date, or null when the
    // window has none (then the menu leaves it out).
    [[nodiscard]] virtual QAction* ContextAction(CParameterListCtrl& /*list*/, ContextCommand /*command*/) {
        return nullptr;
    }
};

} // namespace Orvanta
