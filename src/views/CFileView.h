#pragma once

// The project window's form: the patch list and the wave list of one open project side by side,
// their captions and the total wave size, and the commands that change the project.
//
// How the shell uses it:
// - The project frame (a QMdiSubWindow) creates `CFileView(document)` as its widget and calls
//   OnInitialUpdate() once, after the document is loaded and before the frame is shown. The frame
//   keeps its own size; kMinimumFrameSize is its minimum tracking size.
// - OnUpdate(hint) after any change made outside the view: both lists are rebuilt from the arrays and
//   the total size text is refreshed. Hint kHintUndo (1) after Undo.
// - Commands for the menus and tool bar: OnDelete() (enable with CanDelete()), OnSelectAll(),
//   OnCleanProject(), OnImportWave(), OnSetUpGrid(). ImportFiles(paths) imports files dropped on the
//   main window into this project. The signal SelectionChanged() tells when CanDelete() may change.
// - OnActivated() when the frame becomes the active child (shows the missing-file warning once per
//   activation, never during a drag), OnDeactivated() when another child becomes active (not when the
//   application merely loses the focus: that would repeat the warning on every return).
// - Set Up Grid re-lays every list of every open project window: ApplyGridToAll() reaches every
//   CFileView alive; ApplyGrid() does one view.
// - The document is marked modified through CTernFileDocument::SetModified(true) (the shell's
//   document overrides it to update titles).
// - Clean Project asks for its options through the prompt set with SetCleanOptionsPrompt (the shell
//   installs its Clean Project dialog); without a prompt the command does nothing.
// - Drag and drop (the lists' drag machinery calls these): CopySelection at the start of a drag,
//   DropInsert or DropOverwrite on the view receiving the drop, DeleteAfterMove on the source view
//   after a successful move.

#include "model/CTernData.h"
#include "views/CListHost.h"
#include "winframework/CFormViewEx.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>

class QLabel;
class QMdiSubWindow;

namespace Orvanta {

class CParameterArray;
class CParameterListCtrl;
class CPatchListCtrl;
class CTernFileDocument;
class CWaveListCtrl;

class CFileView : public CFormViewEx, public CListHost {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 28418;
    // Anchor flags of the form's controls.
    static constexpr int kPatchListAnchor = 13;
    static constexpr int kWaveListAnchor = 15;
    static constexpr int kPatchLabelAnchor = 5;
    static constexpr int kWaveLabelAnchor = 7;
    static constexpr int kSizeTextAnchor = 6;
    // Minimum tracking size of the frame around the view.
    static constexpr QSize kMinimumFrameSize{320, 160};
    // Update hints.
    static constexpr int kHintNone = 0;
    static constexpr int kHintUndo = 1;
    // Filter of the Import Wave dialog and its file-name buffer in characters.
    // "Sound files" first, covering the four accepted extensions at once.
    static constexpr const char* kImportFilter =
        "Sound files (*.wav;*.aif;*.aiff;*.vpw)|*.wav;*.aif;*.aiff;*.vpw|Wav Files (*.wav)|*.wav|Aif Files "
        "(*.aif)|*.aif|Aiff Files (*.aiff)|*.aiff|VPW Files (*.vpw)|*.vpw|All Files(*.*)|*.*||";
    static constexpr int kImportBufferSize = 65535;
    static constexpr const char* kImportCaption = "Import Wave";

    // Shows the Clean Project options to the user; true on OK (the options are then in CDomain).
    using CleanOptionsPrompt = std::function<bool(QWidget* parent)>;
    // The shell's action of a context-menu command, enabled as the menu bar enables it; null for none.
    using ContextActionProvider = std::function<QAction*(ContextCommand command)>;

    explicit CFileView(CTernFileDocument& document, QWidget* parent = nullptr);
    ~CFileView() override;

    [[nodiscard]] CTernFileDocument& Document() const { return m_document; }
    [[nodiscard]] CPatchListCtrl& PatchList() const { return *m_patchList; }
    [[nodiscard]] CWaveListCtrl& WaveList() const { return *m_waveList; }
    // The list of kind `which` (0 patches, 1 waves).
    [[nodiscard]] CParameterListCtrl& List(int which) const;
    // The patch list when it has the keyboard focus, the wave list when it has; otherwise the list
    // that had the focus last (the wave list before either had it).
    [[nodiscard]] CParameterListCtrl& FocusedList() const;
    // The text shown beside "Wave": the total size of the project's wave files.
    [[nodiscard]] QString TotalSizeText() const;

    // Binds both lists to the document's arrays, fills them and lays the form out.
    void OnInitialUpdate() override;
    // Rebuilds both lists from the arrays (no selection kept) and refreshes the total size text.
    void OnUpdate(int hint);

    // Delete: enabled exactly when the focused list has a selected slot in use.
    [[nodiscard]] bool CanDelete() const;
    void OnDelete();
    // Play: the wave slot to play. In the wave list the focused row when it is selected, else the
    // first selected row; in the patch list the lowest-numbered wave that patch uses.
    // Only used slots count; none when nothing fits.
    [[nodiscard]] std::optional<std::size_t> WaveToPlay() const;
    // Select All: the focused list's slots up to its last used one, then the linked items.
    void OnSelectAll();
    // Clean Project: asks for the options, cleans, and says in the status bar what it did.
    void OnCleanProject();
    // "Removed 986 unused waves, closed 3 gaps in the patch list; Undo restores them".
    [[nodiscard]] static QString CleaningReport(std::size_t removedWaves, std::size_t closedPatchGaps);
    // Runs of empty slots with a used slot after them.
    [[nodiscard]] static std::size_t GapsIn(const CParameterArray& list);
    // The message in the main window's status bar, when the view is in one.
    void ShowStatusMessage(const QString& text);
    // Import Wave: asks for files, then ImportFiles.
    void OnImportWave();
    // Preview Save: shows what a save in place would do to the files, or why it would be refused.
    void OnPreviewSave();
    // The warning line above the lists: how many files the next save deletes that the lists do
    // not show; empty (and the line hidden) when there are none.
    [[nodiscard]] QString DeletionWarningText() const;
    // Imports `paths` into the empty wave slots in ascending order; selects and shows the new rows.
    // Files that the sound library cannot read are imported as they are and named in a warning
    // afterwards (ImportWarning). Returns the number of waves imported.
    int ImportFiles(const QStringList& paths);
    // "2 files imported; broken.wav is not a sound file the librarian can read and was imported as
    // it is"; empty when every file could be read.
    [[nodiscard]] static QString ImportWarning(int imported, const QStringList& unreadable);
    // Import and Convert (CFileViewSoundFiles.cpp): asks for sound files of any format, then
    // ImportAndConvertFiles.
    void OnImportAndConvert();
    // Converts the files that are not ".wav", ".aif", ".aiff" or ".vpw" to WAV off the GUI thread
    // under a progress dialog that can cancel, imports them all (or, after a failure or a cancel,
    // none), shows what was done, and selects and shows the new rows. The number imported.
    // With `firstSlot`, into the free slots from that one on.
    int ImportAndConvertFiles(const QStringList& paths, std::size_t firstSlot = 0);
    // Files dropped on the wave list at `row`: into the free slots from that row on, imported as
    // Import Wave does when all are ".wav", ".aif", ".aiff" or ".vpw", else as Import and Convert.
    int ImportFilesAt(const QStringList& paths, int row);
    // Export Waves: the selected waves' files into a folder the user chooses, as "NNN Name.ext".
    void OnExportWaves();
    // Whether the wave list has a selected wave in use (Export Waves is enabled).
    [[nodiscard]] bool CanExportWaves() const;
    // Set Up Grid: the grid dialog; on OK every list of every open project window is re-laid.
    void OnSetUpGrid();
    static void ApplyGridToAll();
    // Saves the column widths of both lists and re-lays them with or without grid lines.
    void ApplyGrid();
    // Every project view alive, in creation order.
    [[nodiscard]] static QList<CFileView*> AllViews();
    static void SetCleanOptionsPrompt(CleanOptionsPrompt prompt);
    // The commands of the lists' context menus; without a provider the menus hold only the lists' own.
    static void SetContextActionProvider(ContextActionProvider provider);

    // Activation.
    void OnActivated();
    void OnDeactivated();
    // The project view activated last, or null.
    [[nodiscard]] static CFileView* ActiveView();
    // Brings the frame around this view to the top of the project windows.
    void RaiseFrame();
    // During a drag the cursor has rested `milliseconds` over this window: after more than
    // kHoverRaiseMs a window that is not the active one is brought to the top.
    void OnHoverTime(int milliseconds);
    static constexpr int kHoverRaiseMs = 1000;

    // Drag and drop. `which` is the dragged kind; `dropIndex` the slot of the first dropped item;
    // `fromSourceList` whether the drop lands in the list the drag started from.
    // Copies the selection of the list `which` into the transfer buffer; false when nothing in use
    // is selected.
    bool CopySelection(int which);
    // What the question of a drop or paste of `count` items at `start` of list `which` acts on:
    // "B.prj: patch 31 Percussion", the used slots it overwrites, or those an insert pushes off the
    // end; empty when it destroys none.
    [[nodiscard]] std::string DestroyedSlotsDetail(int which, std::size_t start, std::size_t count, bool insert) const;
    bool DropInsert(int which, int dropIndex, bool fromSourceList);
    bool DropOverwrite(int which, int dropIndex, bool fromSourceList);
    // Empties the selected slots of the list `which` after a successful move; with `otherWindow`
    // the project is registered for undo beside the target, so one Undo restores both.
    bool DeleteAfterMove(int which, bool otherWindow);

    // CListHost.
    [[nodiscard]] CTernData& HostProject() override;
    void MarkModified() override;
    [[nodiscard]] CParameterListCtrl* OtherList(const CParameterListCtrl& list) override;
    [[nodiscard]] bool IsActiveProjectView() const override;
    void OnListPressBegan(CParameterListCtrl& list) override;
    void OnListPressEnded(CParameterListCtrl& list, bool dropped) override;
    void OnListSelectionChanged(CParameterListCtrl& list) override;
    // The list becomes the one the window's commands act on, then the provider's action.
    [[nodiscard]] QAction* ContextAction(CParameterListCtrl& list, ContextCommand command) override;

signals:
    // The selection of either list changed.
    void SelectionChanged();

protected:
    void LayoutControls(int width, int height) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] std::array<CParameterListCtrl*, 2> Lists() const;
    // The child frame around the view, or null.
    [[nodiscard]] QMdiSubWindow* Frame() const;
    void RefreshTotalSize();
    // After an import placed `count` waves in the first of `emptySlots` (the empty slots before
    // it): the size, the modified mark, the wave list rebuilt with only the new rows selected, and
    // the first of them shown. Returns the count (at most the number of empty slots).
    int ShowImportedWaves(const std::vector<std::size_t>& emptySlots, std::size_t count);
    void RefreshDeletionWarning();
    // Gives the lists click focus only while this view is the active one, so that a press in a
    // background project window does not activate it.
    void UpdateClickFocus(bool active);

    CTernFileDocument& m_document;
    CPatchListCtrl* m_patchList;
    CWaveListCtrl* m_waveList;
    QLabel* m_patchLabel;
    QLabel* m_waveLabel;
    QLabel* m_sizeText;
    QLabel* m_deletionWarning;
    CParameterListCtrl* m_lastFocused;
    bool m_missingReported = false;
    bool m_showingWarning = false;
};

} // namespace Orvanta
