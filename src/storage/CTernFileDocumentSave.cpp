// Saving a CTernFileDocument into its project folder or a new one, and keeping the files that other
// open projects use when a document closes.
//
// A save compares, slot by slot, the file the slot has on disk now (the slot file list) with the
// source path of the object now in the slot, and plans where every content goes: a slot whose file
// stays as it is is left alone; a file of this folder that moves to another slot (or name) is
// renamed; any other content (from another project, the work folder, or a patch whose data
// changed) is copied into the staging folder first and its patch data written there. Every file
// the save displaces is parked in the staging folder and removed only once the save has finished.
// The plan is checked before anything changes; the changes then run through the journal of
// SaveJournal.h, so that a save interrupted at any point is finished or undone by the next open.

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CPatch.h"
#include "model/CProgressEpisode.h"
#include "storage/CSvdManager.h"
#include "storage/CTernFileDocument.h"
#include "storage/LoadDiagnosis.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"
#include "storage/SaveJournal.h"
#include "storage/SavePlan.h"
#include "storage/WorkFolder.h"

#include <algorithm>
#include <array>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <utility>

namespace Orvanta {

namespace {

using SaveMode = CTernFileDocument::SaveMode;

constexpr const char* kSystemFileNames[] = {"Orvanta System.s00", "Orvanta Palette.s00", "Orvanta Template.s00"};
constexpr int kSystemFiles = kSystemFileList;

CFileSystem& Files() {
    return CDomain::Instance().FileSystem();
}

bool Exists(const std::string& path) {
    return Files().Exists(ToNativePath(path));
}

std::vector<std::string>& SlotFiles(CTernData& data, int which) {
    return which == kPatchList ? data.m_patchFiles : data.m_waveFiles;
}

// The extension of the file name (never of a folder name such as ".prj"); empty without one.
std::string FileExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.find('.') == std::string::npos ? std::string() : Extension(name);
}

// The list a file of a project folder belongs to, by its folder.
int KindOfProjectFile(const std::string& projectPath, const std::string& path) {
    return path.rfind(projectPath + "Wave/", 0) == 0 ? kWaveList : kPatchList;
}

// The containers whose objects a save must keep readable: those of the open projects with unsaved
// changes and, during its own save, this project's even when it has none.
std::vector<CTernData*> SearchedStores(CTernFileDocument& document, bool excludeThis) {
    std::vector<CTernData*> stores = document.GetOpenStores();
    CTernData* own = &document.Data();
    stores.erase(std::remove(stores.begin(), stores.end(), nullptr), stores.end());
    const auto found = std::find(stores.begin(), stores.end(), own);
    if (excludeThis && found != stores.end()) {
        stores.erase(found);
    } else if (!excludeThis && found == stores.end()) {
        stores.push_back(own);
    }
    return stores;
}

bool IsSameFolder(const std::string& first, const std::string& second) {
    return first == second || Files().IsSameEntry(ToNativePath(first), ToNativePath(second));
}

// Equal paths, or paths that differ in letter case only and name one entry (a file system that
// ignores case).
bool IsSameFile(const std::string& first, const std::string& second) {
    return first == second ||
           (IsSameTextNoCase(first, second) && Files().IsSameEntry(ToNativePath(first), ToNativePath(second)));
}

// `path` relative to the project folder `projectPath`, which it lies in.
std::string Relative(const std::string& projectPath, const std::string& path) {
    return path.substr(projectPath.size());
}

bool Contains(const std::vector<std::string>& paths, const std::string& path) {
    return std::find(paths.begin(), paths.end(), path) != paths.end();
}

// Runs `action` when the scope ends.
class CScopeExit {
public:
    explicit CScopeExit(std::function<void()> action) : m_action(std::move(action)) {}
    CScopeExit(const CScopeExit&) = delete;
    CScopeExit& operator=(const CScopeExit&) = delete;
    ~CScopeExit() { m_action(); }

private:
    std::function<void()> m_action;
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

// The oscillator blocks a save wrote into a staged patch file, and that file's stamp right after
// writing (renaming keeps it): what the patch remembers of its file once the save has placed it.
struct WrittenPatch {
    std::vector<std::uint8_t> blocks;
    CFileStamp stamp;
};

// Writes `patch`'s blocks over those of the staged copy at `staged`, as WritePatchData does, and
// keeps them with the copy's stamp in `written`. Packing is the costly part of writing a patch, so
// the blocks are packed once, for the file and for the memory of it.
bool WriteStagedPatch(const std::string& staged, const CPatch& patch, WrittenPatch& written) {
    std::array<std::uint8_t, kPackedPatchSize> blocks{};
    CSvdManager().PackPatch(patch, blocks);
    if (!WritePatchBlocks(staged, blocks)) {
        return false;
    }
    written.blocks.assign(blocks.begin(), blocks.end());
    written.stamp = Files().Stamp(ToNativePath(staged));
    return true;
}

// Brings what `patch` remembers of its file up to date once a save has placed that file at `path`:
// the blocks and stamp of the save's own write; for a file the save left as it was or renamed from
// `source` (the plan found it to hold the patch's blocks), the memory of `source` while the file
// still shows that stamp, as renaming keeps it; the patch's packed blocks otherwise.
void RememberSavedPatch(CPatch& patch, const std::string& source, const std::string& path, WrittenPatch* written) {
    if (written != nullptr) {
        patch.m_knownPath = path;
        patch.m_knownStamp = written->stamp;
        patch.m_knownBlocks = std::move(written->blocks);
        return;
    }
    if (patch.m_knownPath == source && patch.m_knownBlocks.size() == kPackedPatchSize &&
        patch.m_knownStamp.modified >= 0 && Files().Stamp(ToNativePath(path)) == patch.m_knownStamp) {
        patch.m_knownPath = path;
        return;
    }
    RememberPatchBlocks(patch);
}

// True when something is at the placement's target that the plan does not move aside.
bool IsTargetInTheWay(const SavePlan& plan, const Placement& placement) {
    return Exists(placement.target) &&
           std::none_of(plan.displaced.begin(), plan.displaced.end(),
                        [&placement](const std::string& path) { return IsSameFile(path, placement.target); });
}

} // namespace

std::string SlotTargetPath(const std::string& projectPath, int which, std::size_t i, const CParameter& item) {
    return projectPath + (which == kPatchList ? "Patch/" : "Wave/") + FormatSlotNumber(static_cast<int>(i + 1)) +
           item.m_name + FileExtension(item.m_path);
}

bool ComputeSavePlan(CTernFileDocument& document, const std::vector<std::string>& pendingDeletions, bool replace,
                     SavePlan& plan, std::string& reason) {
    CTernData& data = document.Data();
    const bool inPlace = plan.mode == SaveMode::kInPlace;
    CFileSystem& files = Files();
    std::set<std::string> displaced;
    // The first reason a file is displaced for is the one it is shown with.
    const auto displace = [&](const std::string& path, DeletionReason why) {
        displaced.insert(path);
        plan.why.emplace(path, why);
    };
    std::set<std::string> ownFiles; // files of the saved folder that slots have now
    for (const int which : {kPatchList, kWaveList}) {
        std::vector<std::string>& slotFiles = SlotFiles(data, which);
        slotFiles.resize(data.List(which).size());
        if (inPlace) {
            for (const std::string& file : slotFiles) {
                if (!file.empty()) {
                    ownFiles.insert(file);
                }
            }
        }
    }

    for (const int which : {kPatchList, kWaveList}) {
        const CParameterArray& list = data.List(which);
        const std::vector<std::string>& slotFiles = SlotFiles(data, which);
        std::vector<std::string>& finalPaths = plan.finalPaths[which];
        finalPaths.assign(list.size(), std::string());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const CParameter& item = list.Element(i);
            const std::string& old = slotFiles[i];
            const std::string& source = item.m_path;
            if (source.empty()) {
                if (inPlace && !old.empty()) {
                    displace(old, DeletionReason::kEmptied);
                }
                continue;
            }
            const std::string target = SlotTargetPath(plan.target, which, i, item);
            finalPaths[i] = target;
            if (inPlace && old == source && target == source &&
                (which != kPatchList || PatchDataUnchanged(source, data.m_patches[i]))) {
                continue; // the slot's file stays as it is
            }
            // A renamed file must not take the name of a file that is there already (a duplicate of
            // its slot number, say); a name that differs only in letter case finds the file itself on
            // a file system that ignores case.
            if (inPlace && old == source && Exists(target) && !IsSameFile(target, source)) {
                reason = "a file of that name is there already: " + target;
                return false;
            }
            if (inPlace && !old.empty()) {
                displace(old, DeletionReason::kReplaced);
            }
            plan.placements.push_back({which, i, source, target, false, std::string(), false});
        }
    }

    // A file of this folder that moves keeps its content: one slot that uses it (its own slot
    // first) takes it over by renaming, unless the patch data changes or the file is shared with
    // other names through links, which must never be written through. Other slots get copies.
    if (inPlace) {
        std::map<std::string, Placement*> takers;
        for (Placement& placement : plan.placements) {
            // A file that stays in its own slot is not taken away from it.
            if (ownFiles.count(placement.source) == 0 || displaced.count(placement.source) == 0) {
                continue;
            }
            Placement*& taker = takers[placement.source];
            const std::string& old = SlotFiles(data, placement.which)[placement.slot];
            if (taker == nullptr ||
                (old == placement.source && SlotFiles(data, taker->which)[taker->slot] != taker->source)) {
                taker = &placement;
            }
        }
        for (auto& [source, taker] : takers) {
            plan.heirs[source] = taker->target;
            taker->byRename = !files.IsLinked(ToNativePath(source)) &&
                              (taker->which != kPatchList || PatchDataUnchanged(source, data.m_patches[taker->slot]));
        }
        for (const std::string& path : pendingDeletions) {
            if (Exists(path)) {
                displace(path, document.PendingDeletionReason(path));
            }
        }
    } else {
        // A new folder: the system files come along, and a replaced project's files go.
        const std::string& current = data.m_projectPath;
        // Whether the project has each one shows when it is copied: a query that failed must not
        // leave one behind.
        for (const char* name : kSystemFileNames) {
            if (!current.empty()) {
                plan.placements.push_back({kSystemFiles, 0, current + name, plan.target + name, false, {}, false});
                if (Exists(plan.target + name)) {
                    displace(plan.target + name, DeletionReason::kReplaced);
                }
            }
        }
        if (replace) {
            const std::pair<const char*, std::vector<std::string>> patterns[] = {
                {"Patch/", {"*.p00"}}, {"Wave/", {"*.w*", "*.aif*", "*.vpw"}}, {"", {"*.s00"}}};
            for (const auto& [folder, masks] : patterns) {
                for (const std::string& name : files.ListFolderMatchingAny(ToNativePath(plan.target + folder), masks)) {
                    displace(plan.target + folder + name, DeletionReason::kReplaced);
                }
            }
        }
    }
    plan.displaced.assign(displaced.begin(), displaced.end());
    for (const std::string& path : plan.displaced) {
        if (plan.heirs.count(path) == 0 &&
            document.IsSourceReferenced(path, KindOfProjectFile(plan.target, path), true)) {
            plan.keptInWorkFolder.push_back(path);
        }
    }

    // Checks: every content can be read, and every target is free once the displaced files are
    // parked; a file in the way that the plan does not account for is never overwritten. A source
    // that is displaced in place is opened once, for writing, below.
    for (const Placement& placement : plan.placements) {
        const bool openedBelow = inPlace && displaced.count(placement.source) != 0;
        if (placement.which != kSystemFiles && !openedBelow &&
            files.OpenRead(ToNativePath(placement.source)) == nullptr) {
            reason = "a file cannot be read: " + placement.source;
            return false;
        }
        if (IsTargetInTheWay(plan, placement)) {
            reason = "a file of that name is there already: " + placement.target;
            return false;
        }
    }
    // In place, every displaced file is removed from the folder: one that is read-only or locked
    // for writing is refused before anything changes, as the user protected it.
    if (inPlace) {
        for (const std::string& path : plan.displaced) {
            if (files.OpenReadWrite(ToNativePath(path)) == nullptr) {
                reason = "a file that the save replaces or removes is read-only or in use: " + path;
                return false;
            }
        }
    }
    // Two slots must not end as one file (names equal but for letter case on such a file system
    // are caught when their targets are placed).
    std::set<std::string> targets;
    for (const Placement& placement : plan.placements) {
        if (!targets.insert(placement.target).second) {
            reason = "two slots would be saved as one file: " + placement.target;
            return false;
        }
    }
    return true;
}

std::string SaveRefusal(CTernFileDocument& document, const std::string& target, bool& missingSource, bool& inPlace) {
    missingSource = false;
    inPlace = false;
    if (!CTernData::IsProjectPath(target)) {
        return "the folder name does not end in \".prj\": " + target;
    }
    if (const std::string missing = CTernFileDocument::FirstMissingSource(document.Data()); !missing.empty()) {
        missingSource = true;
        return "a file of the project cannot be found: " + missing;
    }
    // The same folder on disk, not only the same spelling: the project's own folder reached through
    // a link is saved in place, and another project's folder is refused however it is spelled.
    for (CTernFileDocument* other : document.GetOpenDocuments()) {
        if (other == nullptr || other == &document) {
            continue;
        }
        const std::string& otherPath = other->Data().m_projectPath;
        if (!otherPath.empty() && IsSameFolder(otherPath, target)) {
            return "another open project uses this folder: " + target;
        }
    }
    const std::string& ownPath = document.Data().m_projectPath;
    inPlace = !ownPath.empty() && IsSameFolder(ownPath, target);
    return std::string();
}

bool CTernFileDocument::CheckSave(const std::string& target, SaveMode mode) {
    SavePlan plan;
    plan.target = target;
    plan.mode = mode;
    std::string reason;
    return ComputeSavePlan(*this, mode == SaveMode::kInPlace ? m_pendingDeletions : std::vector<std::string>(), false,
                           plan, reason);
}

bool CTernFileDocument::SaveProjectTo(const std::string& folder) {
    CDomain& domain = CDomain::Instance();
    CFileSystem& fileSystem = domain.FileSystem();
    std::string target = NormaliseProjectPath(folder);
    const std::string ownPath = m_data.m_projectPath;
    // Folders this call created; removed again (when still empty) if the save fails.
    std::vector<std::string> createdFolders;
    // The target's save lock, held from before recovery to the end of the save.
    std::unique_ptr<CFileLock> saveLock;
    const auto giveUp = [&]() {
        m_data.m_projectPath = ownPath;
        saveLock.reset(); // its lock file goes, so that a folder this call created can go too
        for (auto it = createdFolders.rbegin(); it != createdFolders.rend(); ++it) {
            (void)fileSystem.RemoveFolder(ToNativePath(*it));
        }
        return false;
    };
    const auto fail = [&](const std::string& reason) {
        domain.MessageReporter().ErrorWithDetail(kErrorSave, reason);
        return giveUp();
    };

    // A folder that can never hold a project, a missing source and another project's folder are
    // refused before anything is created or deleted.
    bool missingSource = false;
    bool inPlace = false;
    if (const std::string refusal = SaveRefusal(*this, target, missingSource, inPlace); !refusal.empty()) {
        if (missingSource) {
            (void)fileSystem.RemoveFolder(ToNativePath(target)); // only when empty
            // Gone because another program removed or renamed it: that is what the user is told.
            if (const std::vector<std::string> changes = DiskChanges(); !changes.empty()) {
                return fail(JoinLines(changes));
            }
        }
        return fail(refusal);
    }
    const SaveMode mode = inPlace ? SaveMode::kInPlace : SaveMode::kNewFolder;
    if (inPlace) {
        target = ownPath;
    }

    // One process at a time saves or recovers a folder: the target's save lock first (a folder that
    // does not exist yet is locked as soon as it is made), then an earlier save into the target that
    // was interrupted is finished or undone.
    const auto lockTarget = [&]() {
        bool busy = false;
        saveLock = AcquireSaveLock(target, kSaveLockWaitMilliseconds, busy);
        return !busy;
    };
    const std::string busyReason = ProjectFolderName(target) + " is being saved by another program";
    if (fileSystem.IsFolder(ToNativePath(target))) {
        if (!lockTarget()) {
            return fail(busyReason);
        }
        if (const RecoveryOutcome outcome = RecoverInterruptedSaveLocked(target);
            outcome != RecoveryOutcome::kNothing) {
            domain.MessageReporter().ReportRecovery(RecoveryText(target, outcome));
            if (!IsRecovered(outcome)) {
                return fail(RecoveryText(target, outcome));
            }
        }
    }

    // Which folders exist decides the question; they are created only once the plan holds.
    const std::string folders[] = {target.substr(0, target.size() - 1), target + "Patch", target + "Wave"};
    const char* const relativeFolders[] = {"", "Patch", "Wave"};
    bool existed[std::size(folders)] = {};
    for (std::size_t i = 0; i < std::size(folders); ++i) {
        existed[i] = fileSystem.IsFolder(ToNativePath(folders[i]));
    }
    // Every rename of a save stays inside the project folder and on its file system: a slot folder
    // that leads elsewhere (a link, or another file system mounted there) is refused up front.
    for (std::size_t i = 1; i < std::size(folders); ++i) {
        const std::string native = ToNativePath(folders[i]);
        if (fileSystem.IsSymbolicLink(native)) {
            return fail(std::string("\"") + relativeFolders[i] + "\" in " + ProjectFolderName(target) +
                        " is a link to another folder; the librarian saves only into the project folder itself");
        }
        const std::int64_t device = existed[i] ? fileSystem.FileSystemOf(native) : -1;
        const std::int64_t own = fileSystem.FileSystemOf(ToNativePath(folders[0]));
        if (device >= 0 && own >= 0 && device != own) {
            return fail(std::string("\"") + relativeFolders[i] + "\" in " + ProjectFolderName(target) +
                        " is on another file system than the project folder; the librarian saves only where it can "
                        "move files by renaming them");
        }
    }
    const bool replace = (existed[1] || existed[2]) && mode == SaveMode::kNewFolder;
    if (replace && domain.MessageReporter().Ask(kButtonsYesNo, kAskReplaceProject) != kAnswerYes) {
        return giveUp();
    }
    // Changed on disk: what another program did to the folder since it was opened is not undone
    // without the user's word.
    if (inPlace) {
        if (const std::vector<std::string> changes = DiskChanges(); !changes.empty()) {
            CTernTextOut& reporter = domain.MessageReporter();
            reporter.SetQuestionDetail(JoinLines(changes));
            const int answer = reporter.Ask(kButtonsYesNo, kAskSaveChangedOnDisk);
            reporter.SetQuestionDetail(std::string());
            if (answer != kAnswerYes) {
                return fail(JoinLines(changes));
            }
            AcceptDiskChanges();
        }
    }

    BeginWaitCursor();
    const CScopeExit endWait([this] { EndWaitCursor(); });
    SavePlan plan;
    plan.target = target;
    plan.mode = mode;
    if (std::string reason;
        !ComputeSavePlan(*this, inPlace ? m_pendingDeletions : std::vector<std::string>(), replace, plan, reason)) {
        return fail(reason);
    }

    // The target folder itself first: Save As may name a folder that does not exist yet. The
    // staging folder inside it records which folders the save is about to create, so that undoing
    // an interrupted save removes them again. Any failure other than "already there" (a missing
    // parent, no permission) fails the save.
    std::vector<std::string> createdRelative;
    for (std::size_t i = 0; i < std::size(folders); ++i) {
        if (!existed[i]) {
            createdRelative.emplace_back(relativeFolders[i]);
        }
    }
    const auto createFolder = [&](std::size_t i) {
        const FolderCreation creation =
            existed[i] ? FolderCreation::kExisted : fileSystem.CreateFolder(ToNativePath(folders[i]));
        if (creation == FolderCreation::kCreated) {
            createdFolders.push_back(folders[i]);
        }
        return creation != FolderCreation::kFailed;
    };
    if (!createFolder(0)) {
        return fail("the folder cannot be created: " + target);
    }
    if (!existed[0]) {
        // The new folder's entry in its parent must outlast a crash as its content will.
        const std::string parent = folders[0].substr(0, folders[0].find_last_of('/') + 1);
        (void)fileSystem.Sync(ToNativePath(parent));
        if (!lockTarget()) {
            return fail(busyReason);
        }
    }

    // Stage: copies of every new content, patch data written into them; work copies of displaced
    // files that objects elsewhere still need. Nothing outside the staging folder changes yet.
    if (!BeginSaveStaging(target, createdRelative)) {
        return fail("nothing can be written into the folder (is it read-only, or the disk full?): " + target);
    }
    const auto discard = [&](const std::string& reason) {
        (void)DiscardSaveStaging(target);
        return fail(reason);
    };
    if (!createFolder(1) || !createFolder(2)) {
        return discard("the sub-folders \"Patch\" and \"Wave\" cannot be created in " + target);
    }
    SaveJournal journal;
    std::vector<std::string> stagedFiles;
    std::map<std::size_t, WrittenPatch> writtenPatches; // by patch slot
    std::map<std::string, std::string> parkedAs;
    int stagingNumber = 0;
    const std::string stagingFolder = std::string(kSaveStagingFolder) + "/";
    {
        CProgressEpisode progress(static_cast<int>(plan.placements.size()), "Saving...");
        for (std::size_t n = 0; n < plan.placements.size(); ++n) {
            progress.Step(static_cast<int>(n));
            Placement& placement = plan.placements[n];
            if (placement.byRename) {
                continue;
            }
            placement.staged = stagingFolder + "n-" + std::to_string(++stagingNumber);
            const std::string staged = target + placement.staged;
            if (!fileSystem.CopyToNewFile(ToNativePath(placement.source), ToNativePath(staged), false)) {
                // A system file the project lacks is no failure; one it has must arrive.
                if (placement.which == kSystemFiles && !Exists(placement.source)) {
                    placement.skipped = true;
                    continue;
                }
                return discard("a file could not be copied into the folder (is the disk full?): " + placement.source);
            }
            if (placement.which == kPatchList &&
                !WriteStagedPatch(staged, m_data.m_patches[placement.slot], writtenPatches[placement.slot])) {
                return discard("the patch data could not be written (is the disk full?): " + placement.target);
            }
            stagedFiles.push_back(placement.staged);
        }
    }
    std::map<std::string, std::string> workCopies[2];
    for (const std::string& path : plan.displaced) {
        parkedAs[path] = stagingFolder + "o-" + std::to_string(++stagingNumber);
        journal.parks.emplace_back(Relative(target, path), parkedAs[path]);
        const int which = KindOfProjectFile(target, path);
        if (Contains(plan.keptInWorkFolder, path)) {
            const std::string workCopy = CopyIntoWorkFolder(path, BareName(path), FileExtension(path));
            if (workCopy.empty()) {
                return discard("a file that another open project uses could not be kept in the work folder: " + path);
            }
            workCopies[which][path] = workCopy;
        }
    }
    for (const Placement& placement : plan.placements) {
        // Looked at once more just before the commit, so that one wrong answer of the file system
        // cannot let a place step meet a file in its way.
        if (placement.skipped) {
            continue;
        }
        if (IsTargetInTheWay(plan, placement)) {
            return discard("a file of that name appeared while saving: " + placement.target);
        }
        journal.places.emplace_back(placement.byRename ? parkedAs.at(placement.source) : placement.staged,
                                    Relative(target, placement.target));
    }
    if (!CommitSaveJournal(target, stagedFiles, journal)) {
        return discard("the new files could not be made safe on disk (is the disk full?)");
    }

    // Committed: from here on the save is finished, now or by the next open. Once more from where it
    // stopped when a step failed; when the files still cannot all be moved into place, the save is
    // undone from the parked files, so that the folder is the old project again.
    JournalRun run = RunSaveJournal(target, journal);
    if (run == JournalRun::kFailed) {
        run = RunSaveJournal(target, journal);
    }
    if (run == JournalRun::kFailed) {
        if (RollBackSaveJournal(target, journal)) {
            return fail("the files could not all be moved into place; the save was undone and the folder is as it "
                        "was before");
        }
        return fail("the files could not all be moved into place; the save is finished or undone the next time the "
                    "project is opened");
    }
    if (run == JournalRun::kPlaced) {
        domain.MessageReporter().Warning(ProjectFolderName(target) + " was saved, but its hidden folder \"" +
                                         kSaveStagingFolder +
                                         "\" could not be removed; the next time the project is opened removes it.");
    }

    // Memory follows the folder. Objects elsewhere that used a displaced file follow the slot that
    // took its content over, or the work copy; a Save As leaves the old folder as it was but points
    // them at the new one all the same.
    CDomain::Instance().ClearUndo();
    const std::vector<CTernData*> others = SearchedStores(*this, true);
    for (const int which : {kPatchList, kWaveList}) {
        std::map<std::string, std::string> moves = workCopies[which];
        for (const auto& [path, heir] : plan.heirs) {
            if (KindOfProjectFile(target, path) == which) {
                moves[path] = heir;
            }
        }
        if (!inPlace) {
            const std::vector<std::string>& slotFiles = SlotFiles(m_data, which);
            for (const Placement& placement : plan.placements) {
                if (placement.which == which && Contains(slotFiles, placement.source)) {
                    moves.emplace(placement.source, placement.target);
                }
            }
        }
        RepointAll(others, moves, which);
        CParameterArray& list = m_data.List(which);
        std::vector<std::string>& slotFiles = SlotFiles(m_data, which);
        for (std::size_t i = 0; i < list.size(); ++i) {
            // Every patch file now holds its patch's blocks.
            CParameter& item = list.Element(i);
            const std::string source = std::exchange(item.m_path, plan.finalPaths[which][i]);
            slotFiles[i] = plan.finalPaths[which][i];
            if (which == kPatchList && !item.IsEmpty()) {
                const auto written = writtenPatches.find(i);
                RememberSavedPatch(m_data.m_patches[i], source, item.m_path,
                                   written == writtenPatches.end() ? nullptr : &written->second);
            }
        }
    }
    // Files that were planned for deletion but not found stay planned, so that the next save in
    // place looks again.
    std::vector<std::string> remaining;
    if (inPlace) {
        std::copy_if(m_pendingDeletions.begin(), m_pendingDeletions.end(), std::back_inserter(remaining),
                     [&plan](const std::string& path) { return !Contains(plan.displaced, path); });
    }
    m_pendingDeletions = std::move(remaining);
    std::erase_if(m_pendingReasons, [this](const auto& entry) { return !Contains(m_pendingDeletions, entry.first); });
    (void)m_data.SetProjectPath(target);
    // The folder as this save left it is what the next save compares with: the files it did not
    // touch as they were, every slot's file as it is now. A Save As moves the open marker along.
    std::map<std::string, CFileStamp> diskState;
    if (inPlace) {
        std::copy_if(m_diskState.begin(), m_diskState.end(), std::inserter(diskState, diskState.end()),
                     [&plan](const auto& entry) { return !Contains(plan.displaced, entry.first); });
    }
    for (const int which : {kPatchList, kWaveList}) {
        for (const std::string& path : plan.finalPaths[which]) {
            if (!path.empty()) {
                diskState[path] = fileSystem.Stamp(ToNativePath(path));
            }
        }
    }
    m_diskState = std::move(diskState);
    if (!inPlace) {
        (void)TakeOpenMarker(target);
    }
    OnProjectPathChanged(target);
    SetModified(false);
    return true;
}

bool CTernFileDocument::IsSourceReferenced(const std::string& path, int which, bool excludeThis) {
    for (CTernData* store : SearchedStores(*this, excludeThis)) {
        const CParameterArray& list = store->List(which);
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list.Element(i).m_path == path) {
                return true;
            }
        }
    }
    return false;
}

bool CTernFileDocument::RepointSources(const std::string& oldPath, const std::string& newPath, int which) {
    bool changed = false;
    for (CTernData* store : SearchedStores(*this, false)) {
        CParameterArray& list = store->List(which);
        for (std::size_t i = 0; i < list.size(); ++i) {
            CParameter& item = list.Element(i);
            if (item.m_path == oldPath) {
                item.m_path = newPath;
                changed = true;
            }
        }
    }
    return changed;
}

bool CTernFileDocument::CopyProjectFile(const std::string& source, const std::string& destination) {
    return Files().CopyWholeFile(ToNativePath(source), ToNativePath(destination));
}

void CTernFileDocument::PreserveReferencedFiles() {
    for (const int which : {kPatchList, kWaveList}) {
        for (const std::string& file : SlotFiles(m_data, which)) {
            if (file.empty() || !IsSourceReferenced(file, which, true)) {
                continue;
            }
            const std::string workCopy = CopyIntoWorkFolder(file, BareName(file), FileExtension(file));
            if (!workCopy.empty()) {
                RepointSources(file, workCopy, which);
            }
        }
    }
}

} // namespace Orvanta
