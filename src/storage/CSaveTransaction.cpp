// The phases of one save, run in order by CSaveTransaction::Run. The changes run through the
// journal of SaveJournal.h, so that a save interrupted at any point is finished or undone by the
// next open.

#include "storage/CSaveTransaction.h"

#include "model/CDomain.h"
#include "model/CPatch.h"
#include "model/CProgressEpisode.h"
#include "storage/CSvdManager.h"
#include "storage/LoadDiagnosis.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"
#include "storage/WorkFolder.h"

#include <algorithm>
#include <array>
#include <functional>
#include <iterator>
#include <set>
#include <utility>

namespace Orvanta {

namespace {

using SaveMode = CTernFileDocument::SaveMode;

constexpr const char* kRelativeFolders[] = {"", "Patch", "Wave"};
constexpr std::size_t kFolderCount = std::size(kRelativeFolders);

// `path` relative to the project folder `projectPath`, which it lies in.
std::string Relative(const std::string& projectPath, const std::string& path) {
    return path.substr(projectPath.size());
}

bool Contains(const std::vector<std::string>& paths, const std::string& path) {
    return std::find(paths.begin(), paths.end(), path) != paths.end();
}

// Ends the wait cursor of a document when the scope ends.
class CWaitCursorEnd {
public:
    explicit CWaitCursorEnd(std::function<void()> end) : m_end(std::move(end)) {}
    CWaitCursorEnd(const CWaitCursorEnd&) = delete;
    CWaitCursorEnd& operator=(const CWaitCursorEnd&) = delete;
    ~CWaitCursorEnd() { m_end(); }

private:
    std::function<void()> m_end;
};

// Points the objects of `stores` at new files, every object at most once, so that a chain of moves
// (a file taking the name another file had) is followed one step only.
void RepointAll(const std::vector<CTernData*>& stores, const std::map<std::string, std::string>& moves, int which) {
    if (moves.empty()) {
        return;
    }
    for (CTernData* store : stores) {
        CParameterArray& list = store->List(which);
        for (std::size_t i = 0; i < list.size(); ++i) {
            CParameter& item = list.Element(i);
            const auto found = moves.find(item.m_path);
            if (found != moves.end()) {
                item.m_path = found->second;
            }
        }
    }
}

// Brings what `patch` remembers of its file up to date once a save has placed that file at `path`:
// the blocks and stamp of the save's own write; for a file the save left as it was or renamed from
// `source` (the plan found it to hold the patch's blocks), the memory of `source` while the file
// shows that stamp (`stamp`, the file's now), as renaming keeps it; the patch's packed blocks
// otherwise.
void RememberSavedPatch(CPatch& patch, const std::string& source, const std::string& path, const CFileStamp& stamp,
                        WrittenPatch* written) {
    if (written != nullptr) {
        patch.m_knownPath = path;
        patch.m_knownStamp = written->stamp;
        patch.m_knownBlocks = std::move(written->blocks);
        // A copy holds what its source held as it was copied, which memory may not know.
        if (!written->fromMemory) {
            patch.m_knownRest.clear();
        }
        return;
    }
    if (patch.m_knownPath == source && patch.m_knownBlocks.size() == kPackedPatchSize &&
        patch.m_knownStamp.modified >= 0 && stamp == patch.m_knownStamp) {
        patch.m_knownPath = path;
        return;
    }
    RememberPatchBlocks(patch);
}

} // namespace

CSaveTransaction::CSaveTransaction(CTernFileDocument& document, const std::string& folder)
    : m_document(document), m_files(CDomain::Instance().FileSystem()), m_target(NormaliseProjectPath(folder)),
      m_ownPath(document.m_data.m_projectPath) {}

CSaveTransaction::~CSaveTransaction() {
    if (!m_finished) {
        DiscardUncommitted();
        GiveBack();
    }
}

bool CSaveTransaction::Run() {
    using Step = SaveProblem (CSaveTransaction::*)();
    for (const Step step : {&CSaveTransaction::Refuse, &CSaveTransaction::LockAndRecover,
                            &CSaveTransaction::CheckFolders, &CSaveTransaction::Ask}) {
        if (const SaveProblem problem = (this->*step)(); problem) {
            return Fail(problem);
        }
    }
    m_document.BeginWaitCursor();
    const CWaitCursorEnd endWait([this] { m_document.EndWaitCursor(); });
    for (const Step step : {&CSaveTransaction::Plan, &CSaveTransaction::MakeFolders, &CSaveTransaction::Stage,
                            &CSaveTransaction::Park, &CSaveTransaction::Commit, &CSaveTransaction::RunJournal}) {
        if (const SaveProblem problem = (this->*step)(); problem) {
            return Fail(problem);
        }
    }
    Repoint();
    TidyUp();
    m_finished = true;
    return true;
}

void CSaveTransaction::StepProgress() {
    if (m_progress != nullptr) {
        m_progress->Step(std::min(++m_progressDone, m_progressSteps));
    }
}

bool CSaveTransaction::Fail(const SaveProblem& problem) {
    m_progress.reset();
    DiscardUncommitted();
    if (!problem.declined) {
        CDomain::Instance().MessageReporter().ErrorWithDetail(kErrorSave, problem.Text());
    }
    GiveBack();
    m_finished = true;
    return false;
}

void CSaveTransaction::DiscardUncommitted() {
    if (m_staging && !m_committed) {
        (void)DiscardSaveStaging(m_target);
        m_staging = false;
    }
}

void CSaveTransaction::GiveBack() {
    m_document.m_data.m_projectPath = m_ownPath;
    m_saveLock.reset(); // its lock file goes, so that a folder this save created can go too
    for (auto it = m_createdFolders.rbegin(); it != m_createdFolders.rend(); ++it) {
        (void)m_files.RemoveFolder(ToNativePath(*it));
    }
    m_createdFolders.clear();
}

// A folder that can never hold a project, a missing source and another project's folder are
// refused before anything is created or deleted.
SaveProblem CSaveTransaction::Refuse() {
    bool missingSource = false;
    const std::string refusal = SaveRefusal(m_document, m_target, missingSource, m_inPlace);
    if (refusal.empty()) {
        if (m_inPlace) {
            m_target = m_ownPath;
        }
        return {};
    }
    if (missingSource) {
        (void)m_files.RemoveFolder(ToNativePath(m_target)); // only when empty
        // Gone because another program removed or renamed it: that is what the user is told.
        if (const std::vector<std::string> changes = m_document.DiskChanges(); !changes.empty()) {
            return {JoinLines(changes)};
        }
    }
    return {refusal};
}

SaveProblem CSaveTransaction::LockTarget() {
    bool busy = false;
    std::string unusable;
    m_saveLock = AcquireSaveLock(m_target, kSaveLockWaitMilliseconds, busy, &unusable);
    if (!unusable.empty()) {
        return {"other programs cannot be kept out of the folder while it is saved: " + unusable};
    }
    return busy ? SaveProblem{ProjectFolderName(m_target) + " is being saved by another program"} : SaveProblem{};
}

// One process at a time saves or recovers a folder: the target's save lock first (a folder that
// does not exist yet is locked as soon as it is made), then an earlier save into the target that
// was interrupted is finished or undone.
SaveProblem CSaveTransaction::LockAndRecover() {
    if (!m_files.IsFolder(ToNativePath(m_target))) {
        return {};
    }
    if (SaveProblem problem = LockTarget(); problem) {
        return problem;
    }
    std::vector<std::string> setAside;
    const RecoveryOutcome outcome = RecoverInterruptedSaveLocked(m_target, &setAside);
    if (outcome == RecoveryOutcome::kNothing) {
        return {};
    }
    // What was not recovered is the save's failure, told once.
    if (!IsRecovered(outcome)) {
        return {RecoveryText(m_target, outcome, setAside)};
    }
    CDomain::Instance().MessageReporter().ReportRecovery(RecoveryText(m_target, outcome, setAside));
    return {};
}

// Which folders exist decides the question; they are created only once the plan holds. Every
// rename of a save stays inside the project folder and on its file system: a slot folder that
// leads elsewhere (a link, or another file system mounted there) is refused up front.
SaveProblem CSaveTransaction::CheckFolders() {
    m_folders[0] = m_target.substr(0, m_target.size() - 1);
    for (std::size_t i = 0; i < kFolderCount; ++i) {
        if (i > 0) {
            m_folders[i] = m_target + kRelativeFolders[i];
        }
        // In a folder that is not there, nothing is.
        m_existed[i] = (i == 0 || m_existed[0]) && m_files.IsFolder(ToNativePath(m_folders[i]));
    }
    for (std::size_t i = 1; i < kFolderCount && m_existed[0]; ++i) {
        const std::string native = ToNativePath(m_folders[i]);
        const std::string where = std::string("\"") + kRelativeFolders[i] + "\" in " + ProjectFolderName(m_target);
        if (m_files.IsSymbolicLink(native)) {
            return {where + " is a link to another folder; the librarian saves only into the project folder itself"};
        }
        const std::int64_t device = m_existed[i] ? m_files.FileSystemOf(native) : -1;
        const std::int64_t own = m_files.FileSystemOf(ToNativePath(m_folders[0]));
        if (device >= 0 && own >= 0 && device != own) {
            return {where + " is on another file system than the project folder; the librarian saves only where it "
                            "can move files by renaming them"};
        }
    }
    m_replace = (m_existed[1] || m_existed[2]) && !m_inPlace;
    return {};
}

// Replacing a project asks first. Changed on disk: what another program did to the folder since it
// was opened is not undone without the user's word.
SaveProblem CSaveTransaction::Ask() {
    CTernTextOut& reporter = CDomain::Instance().MessageReporter();
    if (m_replace && reporter.Ask(kButtonsYesNo, kAskReplaceProject) != kAnswerYes) {
        return SaveProblem::Declined();
    }
    if (!m_inPlace) {
        return {};
    }
    if (const std::vector<std::string> changes = m_document.DiskChanges(); !changes.empty()) {
        reporter.SetQuestionDetail(JoinLines(changes));
        const int answer = reporter.Ask(kButtonsYesNo, kAskSaveChangedOnDisk);
        reporter.SetQuestionDetail(std::string());
        if (answer != kAnswerYes) {
            return {JoinLines(changes)};
        }
        m_document.AcceptDiskChanges();
    }
    return {};
}

SaveProblem CSaveTransaction::Plan() {
    m_plan.target = m_target;
    m_plan.mode = m_inPlace ? SaveMode::kInPlace : SaveMode::kNewFolder;
    // In place, the record of the folder was compared with the disk just now (DiskChanges); for a
    // Save As it tells which sources loading opened, which the copies then open.
    m_plan.knownStamps = &m_document.m_diskState;
    std::string reason;
    if (!ComputeSavePlan(m_document, m_inPlace ? m_document.m_pendingDeletions : std::vector<std::string>(), m_replace,
                         m_plan, reason)) {
        return {reason};
    }
    // Each file the save moves aside as the question saw it (in place, the record the folder was
    // just compared with), or as it is now: looked at again just before the commit.
    for (const std::string& path : m_plan.displaced) {
        const CFileStamp* known = m_plan.KnownStamp(path);
        m_displacedStamps[path] = known != nullptr ? *known : m_files.Stamp(ToNativePath(path));
    }
    return {};
}

bool CSaveTransaction::CreateFolder(std::size_t i) {
    const FolderCreation creation =
        m_existed[i] ? FolderCreation::kExisted : m_files.CreateFolder(ToNativePath(m_folders[i]));
    if (creation == FolderCreation::kCreated) {
        m_createdFolders.push_back(m_folders[i]);
    }
    return creation != FolderCreation::kFailed;
}

// The target folder itself first: Save As may name a folder that does not exist yet. The staging
// folder inside it records which folders the save is about to create, so that undoing an
// interrupted save removes them again. Any failure other than "already there" (a missing parent,
// no permission) fails the save.
SaveProblem CSaveTransaction::MakeFolders() {
    if (!CreateFolder(0)) {
        return {"the folder cannot be created", m_target};
    }
    if (!m_existed[0]) {
        // The new folder's entry in its parent must outlast a crash as its content will.
        const std::string parent = m_folders[0].substr(0, m_folders[0].find_last_of('/') + 1);
        (void)m_files.Sync(ToNativePath(parent));
        if (SaveProblem problem = LockTarget(); problem) {
            return problem;
        }
    }
    std::vector<std::string> createdRelative;
    for (std::size_t i = 0; i < kFolderCount; ++i) {
        if (!m_existed[i]) {
            createdRelative.emplace_back(kRelativeFolders[i]);
        }
    }
    if (!BeginSaveStaging(m_target, createdRelative)) {
        return {"nothing can be written into the folder (is it read-only, or the disk full?)", m_target};
    }
    m_staging = true;
    if (!CreateFolder(1) || !CreateFolder(2)) {
        return {"the sub-folders \"Patch\" and \"Wave\" cannot be created in " + m_target};
    }
    return {};
}

// Copies of every new content, patch data written into them. Nothing outside the staging folder
// changes yet.
SaveProblem CSaveTransaction::Stage() {
    const std::string stagingFolder = std::string(kSaveStagingFolder) + "/";
    // Copies, then parks, places, and parked files trashed or deleted by the journal's run.
    m_progressSteps = static_cast<int>(2 * (m_plan.placements.size() + m_plan.displaced.size()));
    m_progress = std::make_unique<CProgressEpisode>(m_progressSteps, "Saving...");
    for (std::size_t n = 0; n < m_plan.placements.size(); ++n) {
        StepProgress();
        Placement& placement = m_plan.placements[n];
        if (placement.byRename) {
            continue;
        }
        placement.staged = stagingFolder + "n-" + std::to_string(++m_stagingNumber);
        const std::string staged = m_target + placement.staged;
        // Patch data goes into the copy as it is made: one open of the source, one of the copy.
        std::array<std::uint8_t, kPackedPatchSize> blocks{};
        const bool patchFile = placement.which == kPatchList;
        CFileStamp copied;
        if (patchFile) {
            const CPatch& patch = m_document.m_data.m_patches[placement.slot];
            CSvdManager().PackPatch(patch, blocks);
            // A source that memory knows whole and that is as it was read is written, not copied.
            const std::vector<std::uint8_t> whole =
                RemembersPatchFileWhole(patch, placement.source)
                    ? KnownPatchFile(patch, placement.source, SourceStamp(placement.source), blocks)
                    : std::vector<std::uint8_t>();
            if (!whole.empty()) {
                if (!m_files.WriteNewFileStamped(ToNativePath(staged), whole, copied)) {
                    return {"a file could not be copied into the folder with its patch data (is the disk full?)",
                            placement.source};
                }
                m_writtenPatches[placement.slot] = {std::vector<std::uint8_t>(blocks.begin(), blocks.end()), copied,
                                                    true};
                m_stagedFiles.push_back(placement.staged);
                continue;
            }
        }
        const CFileSystem::NewCopy made = m_files.CopyToNewFileOver(
            ToNativePath(placement.source), ToNativePath(staged), kPatchBlocksOffset,
            patchFile ? std::span<const std::uint8_t>(blocks) : std::span<const std::uint8_t>(), copied);
        if (made != CFileSystem::NewCopy::kMade) {
            // A system file the project lacks is no failure; one it has must arrive.
            if (placement.which == kSystemFileList && !m_files.Exists(ToNativePath(placement.source))) {
                placement.skipped = true;
                continue;
            }
            if (made == CFileSystem::NewCopy::kUnreadable) {
                return {"a file cannot be read", placement.source};
            }
            return {patchFile ? "a file could not be copied into the folder with its patch data (is the disk full?)"
                              : "a file could not be copied into the folder (is the disk full?)",
                    placement.source};
        }
        if (patchFile) {
            m_writtenPatches[placement.slot] = {std::vector<std::uint8_t>(blocks.begin(), blocks.end()), copied};
        }
        m_stagedFiles.push_back(placement.staged);
    }
    return {};
}

// Every displaced file gets its name in the staging folder; one that objects elsewhere still need
// is copied to the work folder first.
SaveProblem CSaveTransaction::Park() {
    const std::string stagingFolder = std::string(kSaveStagingFolder) + "/";
    for (const std::string& path : m_plan.displaced) {
        const std::string& parked = m_parkedAs[path] = stagingFolder + "o-" + std::to_string(++m_stagingNumber);
        m_journal.parks.emplace_back(Relative(m_target, path), parked);
        if (Contains(m_plan.keptInWorkFolder, path)) {
            const std::string workCopy = CopyIntoWorkFolder(path, BareName(path), FileExtension(path));
            if (workCopy.empty()) {
                return {"a file that another open project uses could not be kept in the work folder", path};
            }
            m_workCopies[KindOfProjectFile(m_target, path)][path] = workCopy;
        }
    }
    return {};
}

// Every place of the journal, each target looked at once more just before the commit, so that one
// wrong answer of the file system cannot let a place step meet a file in its way; then the journal
// is written: the commit point.
SaveProblem CSaveTransaction::Commit() {
    CFolderListing listing;
    std::set<std::string> targets;
    for (const Placement& placement : m_plan.placements) {
        if (placement.skipped) {
            continue;
        }
        if (IsTargetInTheWay(m_plan, placement, listing)) {
            return {"a file of that name appeared while saving", placement.target};
        }
        m_journal.places.emplace_back(placement.byRename ? m_parkedAs.at(placement.source) : placement.staged,
                                      Relative(m_target, placement.target));
        // A rename keeps a file's size and time: the file placed has the stamp its source had when
        // the save compared the folder with the record, and is not looked at again.
        if (placement.byRename) {
            KeepKnownStamp(placement.source, placement.target);
        }
        targets.insert(placement.target);
    }
    // So does every file the save leaves where it is.
    for (const std::vector<std::string>& paths : m_plan.finalPaths) {
        for (const std::string& path : paths) {
            if (!path.empty() && targets.count(path) == 0) {
                KeepKnownStamp(path, path);
            }
        }
    }
    // Staging and flushing take long: a file changed meanwhile stops the save before its commit, as
    // a change the question found would, and the next save asks about it.
    std::vector<std::string> changes;
    const auto unchanged = [this, &changes] {
        changes = DisplacedChanges();
        return changes.empty();
    };
    if (!CommitSaveJournal(m_target, m_stagedFiles, m_journal, unchanged)) {
        if (!changes.empty()) {
            changes.emplace_back("Nothing was saved. Save again to see what changed and decide.");
            return {JoinLines(changes)};
        }
        return {"the new files could not be made safe on disk (is the disk full?)"};
    }
    m_committed = true;
    return {};
}

std::vector<std::string> CSaveTransaction::DisplacedChanges() {
    std::vector<std::string> changes;
    const std::string since = " by another program while " + ProjectFolderName(m_target) + " was being saved";
    for (const auto& [path, stamp] : m_displacedStamps) {
        const CFileStamp now = m_files.Stamp(ToNativePath(path));
        if (now != stamp) {
            const std::string name = path.substr(path.find_last_of('/') + 1);
            changes.push_back(name + (now.size < 0 ? " was removed or renamed" : " was changed") + since);
        }
    }
    return changes;
}

// Committed: from here on the save is finished, now or by the next open. Once more from where it
// stopped when a step failed; when the files still cannot all be moved into place, the save is
// undone from the parked files, so that the folder is the old project again.
SaveProblem CSaveTransaction::RunJournal() {
    const ProgressStep step = [this] { StepProgress(); };
    std::vector<std::string> setAside;
    JournalRun run = RunSaveJournal(m_target, m_journal, step, &setAside);
    if (run == JournalRun::kFailed) {
        run = RunSaveJournal(m_target, m_journal, step, &setAside);
    }
    m_progress.reset();
    const bool undone = run == JournalRun::kFailed && RollBackSaveJournal(m_target, m_journal, &setAside);
    for (const std::string& name : setAside) {
        // Another program wrote a file where this save was moving one: it is kept under another name.
        CDomain::Instance().MessageReporter().Warning(
            ProjectFolderName(m_target) +
            ": another program had put a file where the save needed to put one; it was "
            "kept as \"" +
            name + "\".");
    }
    if (run == JournalRun::kFailed) {
        if (undone) {
            return {"the files could not all be moved into place; the save was undone and the folder is as it was "
                    "before"};
        }
        return {"the files could not all be moved into place; the save is finished or undone the next time the "
                "project is opened"};
    }
    if (run == JournalRun::kPlaced) {
        CDomain::Instance().MessageReporter().Warning(
            ProjectFolderName(m_target) + " was saved, but its hidden folder \"" + kSaveStagingFolder +
            "\" could not be removed; the next time the project is opened removes it.");
    }
    return {};
}

// Memory follows the folder. Objects elsewhere that used a displaced file follow the slot that took
// its content over, or the work copy; a Save As leaves the old folder as it was but points them at
// the new one all the same.
void CSaveTransaction::Repoint() {
    CTernData& data = m_document.m_data;
    CDomain::Instance().ClearUndo();
    const std::vector<CTernData*> others = SearchedStores(m_document, true);
    for (const int which : {kPatchList, kWaveList}) {
        std::map<std::string, std::string> moves = m_workCopies[which];
        for (const auto& [path, heir] : m_plan.heirs) {
            if (KindOfProjectFile(m_target, path) == which) {
                moves[path] = heir;
            }
        }
        std::vector<std::string>& slotFiles = SlotFiles(data, which);
        if (!m_inPlace) {
            for (const Placement& placement : m_plan.placements) {
                if (placement.which == which && Contains(slotFiles, placement.source)) {
                    moves.emplace(placement.source, placement.target);
                }
            }
        }
        RepointAll(others, moves, which);
        CParameterArray& list = data.List(which);
        for (std::size_t i = 0; i < list.size(); ++i) {
            // Every patch file now holds its patch's blocks.
            CParameter& item = list.Element(i);
            const std::string source = std::exchange(item.m_path, m_plan.finalPaths[which][i]);
            slotFiles[i] = m_plan.finalPaths[which][i];
            if (which == kPatchList && !item.IsEmpty()) {
                const auto written = m_writtenPatches.find(i);
                RememberSavedPatch(data.m_patches[i], source, item.m_path, FinalStamp(item.m_path),
                                   written == m_writtenPatches.end() ? nullptr : &written->second);
            }
        }
    }
}

void CSaveTransaction::KeepKnownStamp(const std::string& source, const std::string& placed) {
    if (const CFileStamp* known = m_plan.KnownStamp(source); known != nullptr) {
        m_finalStamps.emplace(placed, *known);
    }
}

// A source file's stamp now: in place, as the comparison of the folder with the record saw it just
// before; for a Save As, or a file of another folder, looked at.
CFileStamp CSaveTransaction::SourceStamp(const std::string& source) {
    const CFileStamp* known = m_inPlace ? m_plan.KnownStamp(source) : nullptr;
    return known != nullptr ? *known : m_files.Stamp(ToNativePath(source));
}

// Looked at once the save has placed it, and only once: what another program may have done to the
// file since it was placed shows in the record, and the next save notices.
CFileStamp CSaveTransaction::FinalStamp(const std::string& path) {
    const auto found = m_finalStamps.find(path);
    return found != m_finalStamps.end() ? found->second
                                        : m_finalStamps.emplace(path, m_files.Stamp(ToNativePath(path))).first->second;
}

void CSaveTransaction::TidyUp() {
    CTernFileDocument& document = m_document;
    // Files that were planned for deletion but not found stay planned, so that the next save in
    // place looks again.
    std::vector<std::string> remaining;
    if (m_inPlace) {
        std::copy_if(document.m_pendingDeletions.begin(), document.m_pendingDeletions.end(),
                     std::back_inserter(remaining),
                     [this](const std::string& path) { return !Contains(m_plan.displaced, path); });
    }
    document.m_pendingDeletions = std::move(remaining);
    std::erase_if(document.m_pendingReasons,
                  [&document](const auto& entry) { return !Contains(document.m_pendingDeletions, entry.first); });
    (void)document.m_data.SetProjectPath(m_target);
    // The folder as this save left it is what the next save compares with: the files it did not
    // touch as they were, every slot's file as it is now. A Save As moves the open marker along.
    std::map<std::string, CFileStamp> diskState;
    if (m_inPlace) {
        std::copy_if(document.m_diskState.begin(), document.m_diskState.end(),
                     std::inserter(diskState, diskState.end()),
                     [this](const auto& entry) { return !Contains(m_plan.displaced, entry.first); });
    }
    for (const int which : {kPatchList, kWaveList}) {
        for (const std::string& path : m_plan.finalPaths[which]) {
            if (!path.empty()) {
                diskState[path] = FinalStamp(path);
            }
        }
    }
    document.m_diskState = std::move(diskState);
    if (!m_inPlace) {
        (void)document.TakeOpenMarker(m_target);
    }
    document.OnProjectPathChanged(m_target);
    document.SetModified(false);
}

} // namespace Orvanta
