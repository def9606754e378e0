#pragma once

#include "model/CTernData.h"

#include <string>
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
    void SetOpenProjects(COpenProjects* openProjects) { m_openProjects = openProjects; }

    // The modified flag: set by every change of the project, cleared by a load or a save.
    [[nodiscard]] virtual bool IsModified() const { return m_modified; }
    virtual void SetModified(bool modified) { m_modified = modified; }

    // All open project documents, this one included.
    [[nodiscard]] virtual std::vector<CTernFileDocument*> GetOpenDocuments();
    // The containers of all open project documents with unsaved changes.
    [[nodiscard]] virtual std::vector<CTernData*> GetOpenStores();

    // Loading.

    // Opens the project folder chosen by the user: normalises the path, checks that the folder and
    // its "Patch" and "Wave" sub-folders exist, lists the patch and wave files and loads them. On
    // any failure reports "This project could not be loaded." through the message reporter and
    // leaves this document as a new, empty one.
    bool OpenProjectFolder(const std::string& folder);
    // Fills the container from a normalised project path and the listed patch and wave file paths;
    // true when it was filled completely.
    bool LoadProject(const std::string& projectPath, const std::vector<std::string>& patchFiles,
                     const std::vector<std::string>& waveFiles);
    // Decides from the file names which file fills which slot (512 for kPatchList, 999 for
    // kWaveList). Strays and surplus files go onto the pending deletions; numbers above the slot
    // count are left alone.
    std::vector<std::string> AssignSlots(const std::vector<std::string>& files, int which);
    // Creates the 512 patches from the patch file list, reading every patch file.
    bool LoadPatches();
    // Creates the 999 waves from the wave file list, opening every wave file, and records which
    // patches use each wave.
    bool LoadWaves();
    // True when every non-empty source path of every patch and wave of `data` opens for reading.
    [[nodiscard]] static bool CheckSourceFiles(const CTernData& data);

protected:
    // Front-end hooks. The defaults do nothing.
    virtual void BeginWaitCursor() {}
    virtual void EndWaitCursor() {}
    // The document now stands for the folder `path`: its path name and title follow, and its views
    // show the new content.
    virtual void OnProjectPathChanged(const std::string& /*path*/) {}

    CTernData m_data;
    // Full paths of files in the project folder that the next in-place save deletes.
    std::vector<std::string> m_pendingDeletions;
    COpenProjects* m_openProjects;
    bool m_modified = false;

private:
    // Empties every slot, the slot file lists, the project path and the pending deletions.
    void ResetToNew();
};

} // namespace Orvanta
