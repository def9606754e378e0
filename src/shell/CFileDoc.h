#pragma once

#include "storage/CTernFileDocument.h"
#include "winframework/CRichEditDocEx.h"

#include <QFileSystemWatcher>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <map>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace Orvanta {

class CDocTemplate;
struct CSavePreview;
class CFileFrame;

// One open project: the plain document of the window framework (title, path name, modified flag,
// save prompt) joined with the project's storage face (its container, loading and saving). The
// two modified flags are one: a change marked by the core shows in the titles at once.
class CFileDoc : public CRichEditDocEx, public CTernFileDocument {
    Q_OBJECT

public:
    explicit CFileDoc(CDocTemplate& docTemplate);
    ~CFileDoc() override;

    [[nodiscard]] CDocTemplate& Template() const { return m_template; }
    // The project window that shows this document (one per document), or null.
    [[nodiscard]] CFileFrame* Frame() const;
    void SetFrame(CFileFrame* frame);
    // Every view of the document updates itself; hint 1 after Undo and after a new font.
    void UpdateAllViews(int hint);

    // The one modified flag.
    [[nodiscard]] bool IsModified() const override;
    void SetModified(bool modified) override;
    void SetModifiedFlag(bool modified = true) override;
    // Whether the lists hold something else than when the project was last loaded, saved or made
    // new: after Undo the modified mark follows this, so undoing back to the saved lists clears it.
    [[nodiscard]] bool ListsDifferFromSaved() const;
    // The path name as the user chose it; its last component becomes the title and the path goes
    // onto the recent-file list (through the PathNameSet signal).
    void SetPathName(const QString& pathName) override;

    // New document: unmodified.
    bool OnNewDocument();
    // Loads the project folder `path` (as chosen by the user); on failure the core has shown its
    // message and the document is empty again.
    bool LoadFolder(const QString& path);
    // Saves into the folder `path` as chosen by the user; shows its own messages, and after a
    // save the status bar says what it did (SavedReport).
    bool SaveFolder(const QString& path);
    // "Saved Song.prj: 12 files written, 3 moved, 986 deleted".
    [[nodiscard]] static QString SavedReport(const QString& title, const CSavePreview& plan);
    // Save and Save As: with a path, saves there; without one, asks for a folder with the Save
    // Project dialog first. True when saved.
    bool DoSave(const QString& path, bool replace = true);
    // File > Save: in place when the document's folder exists and is writable, else as Save As.
    bool OnFileSave();
    bool OnFileSaveAs();

    // The folder the Save Project dialog proposes: the path name, or beside the folder last opened
    // or saved ("OpenFolder"/"FolderName") under the document's title.
    [[nodiscard]] QString ProposedSavePath() const;

    // Every open project document of the template, this one included, in the template's order.
    [[nodiscard]] std::vector<CTernFileDocument*> GetOpenDocuments() override;

    // Before a save into the document's own folder: when another program changed the folder since
    // it was opened, asks Reload (the folder as it is now replaces the lists), Save Anyway or
    // Cancel. True when the save may go on.
    bool ConfirmDiskChanges(const QString& path);
    // "1,511 files changed, 0 added, 0 removed": what DiskChanges() found, counted by kind.
    [[nodiscard]] static QString DiskChangeSummary(const std::vector<std::string>& changes);
    // Compares the folder with what the document knows now and says so through ChangedOnDisk when
    // that changed; the watcher calls it a moment after the last notice.
    void CheckDisk();

signals:
    // The lists may have changed: every change of the project sets the modified flag, and so do
    // Undo and saving.
    void ContentChanged();
    // The path name was set after a successful load or save (for the recent-file list).
    void PathNameSet(const QString& pathName);
    // Another program changed the project folder's "Patch" or "Wave" (`text` says what, in one
    // line: the first change and how many more), noticed by watching them; said again when the
    // count changes, and with an empty text once the folder is as the document knows it (after
    // Save, Reload or the other program's undoing).
    void ChangedOnDisk(const QString& text);

protected:
    bool DoFileSave() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void OnProjectPathChanged(const std::string& path) override;

private:
    [[nodiscard]] QWidget* DialogParent() const;
    // Watches the folder's "Patch" and "Wave" (nothing for an empty path).
    void WatchFolder(const std::string& path);
    void OnFolderChanged();
    // What the lists hold, byte for byte: the file, name and patch data of every slot.
    [[nodiscard]] std::string ListsContent() const;
    void RememberSavedLists();

    CDocTemplate& m_template;
    QPointer<CFileFrame> m_frame;
    // The path as the user chose it, while a load or save is under way.
    QString m_chosenPath;
    int m_waitDepth = 0;
    QFileSystemWatcher m_watcher;
    // While this document loads or saves, changes of its folder are its own.
    bool m_busyOnDisk = false;
    // What ChangedOnDisk said last (empty: nothing to tell).
    QString m_toldChanged;
    // What the document knew of its folder before Save Anyway took the other program's changes
    // for known, and what it knew after: put back when the save that follows does not happen.
    struct OutsideKnowledge {
        std::map<std::string, CFileStamp> diskState;
        std::vector<std::string> pendingDeletions;
        std::map<std::string, DeletionReason> pendingReasons;
        std::map<std::string, CFileStamp> accepted;
    };
    std::optional<OutsideKnowledge> m_beforeSaveAnyway;
    QTimer m_diskCheck;
    // ListsContent() as last loaded, saved or made new.
    std::string m_savedLists;
};

} // namespace Orvanta
