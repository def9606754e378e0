#pragma once

#include "model/CFileSystem.h"
#include "model/CProgressEpisode.h"
#include "storage/CTernFileDocument.h"
#include "storage/SaveJournal.h"
#include "storage/SavePlan.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Orvanta {

// The oscillator blocks a save wrote into a staged patch file, and that file's stamp right after
// writing (renaming keeps it): what the patch remembers of its file once the save has placed it.
struct WrittenPatch {
    std::vector<std::uint8_t> blocks;
    CFileStamp stamp;
    bool fromMemory = false; // written whole from what the patch remembers of its source file
};

// One save of a document's project into a folder, as the phases it runs through: refusal, the save
// lock and recovery of an interrupted save, the folders and the questions, the plan, the folders it
// creates, staging, parking, the commit, the journal's renames, and memory following the folder.
// Each phase answers what went wrong; the first problem ends the save, is reported, and undoes what
// the save had done so far: staged files that were never committed go (the destructor sees to that
// too), as do folders the save created. Crash safety comes from the journal (SaveJournal.h).
class CSaveTransaction {
public:
    CSaveTransaction(CTernFileDocument& document, const std::string& folder);
    CSaveTransaction(const CSaveTransaction&) = delete;
    CSaveTransaction& operator=(const CSaveTransaction&) = delete;
    ~CSaveTransaction();

    // Runs every phase; true when the project was saved. On failure the user was told why, unless
    // they declined a question.
    bool Run();

private:
    [[nodiscard]] SaveProblem Refuse();
    [[nodiscard]] SaveProblem LockAndRecover();
    [[nodiscard]] SaveProblem CheckFolders();
    [[nodiscard]] SaveProblem Ask();
    [[nodiscard]] SaveProblem Plan();
    [[nodiscard]] SaveProblem MakeFolders();
    [[nodiscard]] SaveProblem Stage();
    [[nodiscard]] SaveProblem Park();
    [[nodiscard]] SaveProblem Commit();
    [[nodiscard]] SaveProblem RunJournal();
    // Objects of this and other open projects follow the files to where the save put them.
    void Repoint();
    // The document stands for the saved folder: pending deletions, disk state, open marker.
    void TidyUp();

    // One line for each displaced file that is not as the save saw it when it planned.
    [[nodiscard]] std::vector<std::string> DisplacedChanges();
    // The stamp of a source file as the save takes it now.
    [[nodiscard]] CFileStamp SourceStamp(const std::string& source);
    // The stamp of a slot file of the saved folder as it is once placed.
    [[nodiscard]] CFileStamp FinalStamp(const std::string& path);
    // The file at `placed` has the stamp the save's check saw at `source`, when it saw one.
    void KeepKnownStamp(const std::string& source, const std::string& placed);
    // Takes the target's save lock; a problem when another process holds it or it cannot be taken.
    [[nodiscard]] SaveProblem LockTarget();
    // Creates folder `i` of m_folders unless it existed; false when that failed.
    bool CreateFolder(std::size_t i);
    // One step of the save's progress: a file copied, moved, trashed or deleted.
    void StepProgress();
    // Reports `problem` (unless declined) and undoes what the save did.
    bool Fail(const SaveProblem& problem);
    // Removes the staging folder when files were staged but not committed.
    void DiscardUncommitted();
    // The document's own path back, the save lock released, and the folders this save created
    // removed (when empty).
    void GiveBack();

    CTernFileDocument& m_document;
    CFileSystem& m_files;
    std::string m_target;
    std::string m_ownPath;
    bool m_inPlace = false;
    bool m_replace = false;
    // The project folder, "Patch" and "Wave": full paths, relative names, and whether each existed.
    std::string m_folders[3];
    bool m_existed[3] = {};
    std::vector<std::string> m_createdFolders; // by this save, in order of creation
    std::unique_ptr<CFileLock> m_saveLock;     // held from before recovery to the end
    SavePlan m_plan;
    SaveJournal m_journal;
    std::vector<std::string> m_stagedFiles;               // relative to the target
    std::map<std::size_t, WrittenPatch> m_writtenPatches; // by patch slot
    std::map<std::string, std::string> m_parkedAs;        // displaced file -> its staging name
    std::map<std::string, std::string> m_workCopies[2];   // by list: displaced file -> work copy
    std::map<std::string, CFileStamp> m_finalStamps;      // slot files as the save placed them
    std::map<std::string, CFileStamp> m_displacedStamps;  // displaced files as the save planned with them
    // The progress of the copies and of the journal's run, shown when they take long: one display
    // from the first copy to the last file moved into place.
    std::unique_ptr<CProgressEpisode> m_progress;
    int m_progressSteps = 0;
    int m_progressDone = 0;
    int m_stagingNumber = 0;
    bool m_staging = false;   // the staging folder was begun
    bool m_committed = false; // the journal was committed
    bool m_finished = false;  // saved, or undone already
};

} // namespace Orvanta
