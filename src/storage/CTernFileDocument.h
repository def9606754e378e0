#pragma once

#include "model/CFileSystem.h"
#include "model/CTernData.h"
#include "storage/SavePreview.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Orvanta {

class COpenProjects;

// The storage face of one project document: it owns the project container and the list of files
// that the next in-place save deletes, and it loads (and saves) the project folder. It knows no
// window: the other open projects come from a COpenProjects, and a front end shows the wait cursor,
// titles and views by overriding the hooks below.
class CTernFileDocument {
public:
    // `openProjects` (not owned, may be null) enumerates the open documents; without it this
    // document counts as the only open one.
    explicit CTernFileDocument(COpenProjects* openProjects = nullptr);
    CTernFileDocument(const CTernFileDocument&) = delete;
    CTernFileDocument& operator=(const CTernFileDocument&) = delete;
    virtual ~CTernFileDocument();

    [[nodiscard]] CTernData& Data() { return m_data; }
    [[nodiscard]] const CTernData& Data() const { return m_data; }
    [[nodiscard]] const std::vector<std::string>& PendingDeletions() const { return m_pendingDeletions; }
    // Why loading put `path` on the pending deletions: a stray name or a second file for a slot.
    [[nodiscard]] DeletionReason PendingDeletionReason(const std::string& path) const;
    void SetOpenProjects(COpenProjects* openProjects) { m_openProjects = openProjects; }

    // The modified flag: set by every change of the project, cleared by a load or a save.
    [[nodiscard]] virtual bool IsModified() const { return m_modified; }
    virtual void SetModified(bool modified) { m_modified = modified; }

    // All open project documents, this one included.
    [[nodiscard]] virtual std::vector<CTernFileDocument*> GetOpenDocuments();
    // The containers of all open project documents with unsaved changes.
    [[nodiscard]] virtual std::vector<CTernData*> GetOpenStores();

    // Loading.

    // What opening does with a folder that holds an interrupted save: finish or undo it first and
    // tell the user (the librarian's open), or refuse to load it (looking without changing).
    enum class Recovery { kRecover, kRefuse };
    // What the project is opened for. For a duplicate search that follows, the wave files are not
    // opened (the caller checks them with CheckWaveFiles after the search has read some), and the
    // bytes of each patch file that the search compares are handed to SharedContentHashes as the
    // file is read, so that the search reads none of them again.
    enum class LoadFor { kUse, kDuplicateSearch };
    // Opens the project folder chosen by the user: normalises the path, finishes or undoes an
    // interrupted save of the folder, checks that the folder and its "Patch" and "Wave" sub-folders
    // exist, lists the patch and wave files and loads them. On any failure reports "This project
    // could not be loaded." through the message reporter and leaves this document as a new, empty
    // one.
    bool OpenProjectFolder(const std::string& folder, Recovery recovery = Recovery::kRecover,
                           LoadFor loadFor = LoadFor::kUse);
    // After opening for a duplicate search: opens each wave file for which `alreadyRead` is false;
    // when one does not open, fails as OpenProjectFolder would have (the same message, this document
    // left new and empty).
    bool CheckWaveFiles(const std::function<bool(const std::string&)>& alreadyRead);
    // Fills the container from a normalised project path and the listed patch and wave file paths,
    // for what `loadFor` says; true when it was filled completely. Files of the project's "Patch/"
    // and "Wave/" are opened through the folders where they are given.
    bool LoadProject(const std::string& projectPath, std::vector<std::string> patchFiles,
                     std::vector<std::string> waveFiles, LoadFor loadFor = LoadFor::kUse,
                     CFolder* patchFolder = nullptr, CFolder* waveFolder = nullptr);
    // Decides from the file names which file fills which slot (512 for kPatchList, 999 for
    // kWaveList). Strays and surplus files go onto the pending deletions; numbers above the slot
    // count are left alone.
    std::vector<std::string> AssignSlots(std::vector<std::string> files, int which);
    // Creates the 512 patches from the patch file list, reading every patch file (through `folder`,
    // the project's "Patch/", when given).
    bool LoadPatches(LoadFor loadFor = LoadFor::kUse, CFolder* folder = nullptr);
    // Creates the 999 waves from the wave file list, opening every wave file (through `folder`, the
    // project's "Wave/", when given), and records which patches use each wave.
    bool LoadWaves(LoadFor loadFor = LoadFor::kUse, CFolder* folder = nullptr);
    // Called by loading with each wave file it opens (slot index, the open file at its start), so
    // that a reader of the waves' contents reads them from the load's one open. Null: none.
    using WaveReader = std::function<void(std::size_t, CFile&)>;
    void SetWaveReader(WaveReader reader) { m_waveReader = std::move(reader); }
    // True when every non-empty source path of every patch and wave of `data` opens for reading.
    [[nodiscard]] static bool CheckSourceFiles(const CTernData& data);
    // The first non-empty source path of `data` that is not a file any more; empty when none.
    // Looks at the entries only and opens no file.
    [[nodiscard]] static std::string FirstMissingSource(const CTernData& data);
    // True when a file (not a folder) is at the internal path `path`; opens nothing.
    [[nodiscard]] static bool IsPresentFile(const std::string& path);

    // Saving (CTernFileDocumentSave.cpp). A save first plans and checks every change (nothing on
    // disk changes while checking), then stages new file contents in the target folder's hidden
    // staging folder, commits with a journal and moves files into place by renaming (design in
    // SaveJournal.h): if the process dies at any point, the next open finishes or undoes the save.
    // A file that an object of another open project still uses is copied to the work folder before
    // it is displaced, and those objects are pointed at the copy.

    // In place: the target is the document's own folder. New folder: Save As to another folder.
    enum class SaveMode { kInPlace, kNewFolder };

    // The Save and Save As command: saves into the folder chosen by the user (normalised first).
    // Refuses a folder that is not a ".prj" folder, a project with a missing source file and the
    // folder of another open project; asks before replacing an existing project folder; creates a
    // folder that does not exist yet. Reports "This project could not be saved." on failure, with
    // the project path, every source path and slot file entry as before. On success the document
    // stands for the folder and is unmodified.
    bool SaveProjectTo(const std::string& folder);
    // Plans a save of this project into `target` (internal form) and checks every planned change;
    // true when the save can be made. Touches nothing on disk.
    bool CheckSave(const std::string& target, SaveMode mode);
    // What SaveProjectTo(folder) would do now, worked out by the same planning and checks and
    // changing nothing (a Save As into an existing project is taken as answered "replace"). False
    // with `reason` when that save would be refused or fail before it changes anything.
    bool PreviewSave(const std::string& folder, CSavePreview& preview, std::string& reason);
    // The files that the next save in place deletes although the lists do not show them (strays
    // and second files for a slot number), as the preview lists them; looks at the entries only.
    [[nodiscard]] std::vector<std::string> UnlistedDeletions() const;
    // True when an object of list `which` in the open projects with unsaved changes, this one
    // always included unless `excludeThis`, has `path` as its source.
    [[nodiscard]] bool IsSourceReferenced(const std::string& path, int which, bool excludeThis);
    // Points every object of list `which` in the open projects (this one included) whose source is
    // `oldPath` at `newPath`; true when at least one was changed.
    bool RepointSources(const std::string& oldPath, const std::string& newPath, int which);
    // Copies the whole file `source` to `destination`, byte for byte.
    virtual bool CopyProjectFile(const std::string& source, const std::string& destination);
    // Called by the front end when the document is about to close: every file of this project that
    // an object of another open project still uses is copied to the work folder and those objects
    // are pointed at the copy.
    void PreserveReferencedFiles();

    // Sharing the folder with other programs (CTernFileDocumentSharing.cpp).

    // While a document has its folder open for editing it holds the folder's open marker (the lock
    // file kOpenMarkerName, whose text names this program), so that another program opening the
    // folder is told. Opening with Recovery::kRecover claims it; when another program holds it, the
    // user is asked (kAskOpenElsewhere) whether to open the project all the same, without the marker.
    // A marker whose program died is taken over. Looking without changing never claims it.
    void ReleaseOpenMarker();
    [[nodiscard]] bool HoldsOpenMarker() const { return m_openMarker != nullptr; }
    // The text a lock file of this process carries: "PROGRAM, process N on HOST". The front end
    // names the program once at start.
    static void SetProgramName(const std::string& name);
    [[nodiscard]] static std::string LockHolderText();

    // Changed on disk: loading keeps the names of the files in "Patch/" and "Wave/" with their
    // stamps, and a save keeps them up to date. Before a save in place changes anything it compares
    // them with the folder as it is now; when another program changed, added, removed or renamed a
    // file there, the save asks (kAskSaveChangedOnDisk) and, unless told to save anyway, refuses.
    // One sentence per change ("001 Glass Pad.p00 was changed by another program since Song.prj
    // was opened"), in file name order; empty when the folder is as this document knows it.
    [[nodiscard]] std::vector<std::string> DiskChanges() const;
    // Takes the folder as it is now for what this document knows: a file another program added
    // becomes a stray (or a second file for its slot) that the next save in place deletes, as the
    // preview shows; a changed file is overwritten by the save where the lists say so.
    void AcceptDiskChanges();

    // Wave import (WaveImport.cpp): copies the files into the work folder and places them in the
    // free wave slots. Returns how many waves were placed, also when a copy failed part-way (after
    // reporting the failure), and marks the document modified when any were.
    std::size_t ImportWaves(const std::vector<std::string>& paths);
    // The same into the free wave slots from `firstSlot` (0-based) on: files dropped on a wave list
    // at a row. Free slots before it stay free and do not count; ImportWaves(paths) is
    // ImportWaves(paths, 0).
    std::size_t ImportWaves(const std::vector<std::string>& paths, std::size_t firstSlot);

protected:
    // A save works on the document's state through its phases.
    friend class CSaveTransaction;

    // Front-end hooks. The defaults do nothing.
    virtual void BeginWaitCursor() {}
    virtual void EndWaitCursor() {}
    // The document now stands for the folder `path`: its path name and title follow, and its views
    // show the new content.
    virtual void OnProjectPathChanged(const std::string& /*path*/) {}

    CTernData m_data;
    // Full paths of files in the project folder that the next in-place save deletes.
    std::vector<std::string> m_pendingDeletions;
    // Why each pending deletion is one.
    std::map<std::string, DeletionReason> m_pendingReasons;
    COpenProjects* m_openProjects;
    bool m_modified = false;
    // The files of "Patch/" and "Wave/" as loading or the last save left them, with their stamps
    // (size -1 when not known): what DiskChanges compares the folder with.
    std::map<std::string, CFileStamp> m_diskState;
    // Who reads the wave files loading opens.
    WaveReader m_waveReader;
    std::unique_ptr<CFileLock> m_openMarker;

private:
    // Claims the open marker of `projectPath`, asking when another program holds it; false when the
    // user chose not to open the project.
    bool ClaimOpenMarker(const std::string& projectPath);
    // Takes the open marker of `projectPath` for this document without asking; the attempt says who
    // holds it when another program does.
    CLockAttempt TakeOpenMarker(const std::string& projectPath);
    // The stamps of the files listed now in the project folder's "Patch/" and "Wave/", as loading
    // lists them; `known` supplies stamps already read (unknown ones are looked up when `lookUp`).
    [[nodiscard]] std::map<std::string, CFileStamp> ListDiskState(bool lookUp) const;
    void AddPendingDeletion(const std::string& path, DeletionReason reason);
    // Empties every slot, the slot file lists, the project path and the pending deletions.
    void ResetToNew();
};

} // namespace Orvanta
