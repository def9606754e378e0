// The preview of a save: the plan the save itself computes and checks, described as the files it
// writes, moves, keeps in the work folder and deletes, without changing anything.

#include "storage/SavePreview.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "storage/CNativeFileSystem.h"
#include "storage/CTernFileDocument.h"
#include "storage/FreedesktopTrash.h"
#include "storage/ProjectNaming.h"
#include "storage/SaveJournal.h"
#include "storage/SavePlan.h"

#include <algorithm>
#include <optional>
#include <set>

namespace Orvanta {

const char* DeletionReasonWord(DeletionReason reason) {
    switch (reason) {
    case DeletionReason::kStray:
        return "stray";
    case DeletionReason::kDuplicate:
        return "duplicate";
    case DeletionReason::kEmptied:
        return "emptied";
    case DeletionReason::kReplaced:
        return "replaced";
    }
    return "stray";
}

std::size_t CountUnlistedDeletions(const CSavePreview& preview) {
    return static_cast<std::size_t>(std::count_if(preview.remove.begin(), preview.remove.end(), [](const auto& entry) {
        return entry.why == DeletionReason::kStray || entry.why == DeletionReason::kDuplicate;
    }));
}

namespace {

// Where the save puts the removed file `path` of the project folder `target`: what the trash can
// really take. `trash` is the core's own trash for that folder, looked for on the first call.
DeletionEnd DeletionEndOf(const std::string& path, const std::string& target, std::optional<TrashLocation>& trash) {
    CFileSystem& files = CDomain::Instance().FileSystem();
    if (!files.UsesTrash() || files.LookAt(ToNativePath(path)).kind == CEntryInfo::Kind::kLink) {
        return DeletionEnd::kDeleted;
    }
    if (!OwnTrashInUse() || HasTrashHandler()) {
        return DeletionEnd::kTrash; // a desktop library's trash answers only when asked to take a file
    }
    if (!trash) {
        trash = FindTrashFor(target, false);
    }
    return trash->problem.empty() ? DeletionEnd::kTrash : DeletionEnd::kKept;
}

} // namespace

CSavePreview DescribeSavePlan(const SavePlan& plan) {
    std::optional<TrashLocation> trash;
    CSavePreview preview;
    preview.project = plan.target;
    preview.toTrash = CDomain::Instance().FileSystem().UsesTrash();
    // Where a file ends, the file is there afterwards: a displaced file whose name a slot takes
    // shows as written (or as the target of a move), not as deleted.
    std::set<std::string> ends;
    std::set<std::string> renamed;
    for (const Placement& placement : plan.placements) {
        // A system file the project lacks is skipped by the save, which finds out by copying it.
        if (placement.which == kSystemFileList && !CTernFileDocument::IsPresentFile(placement.source)) {
            continue;
        }
        ends.insert(placement.target);
        if (!placement.byRename) {
            preview.write.push_back(placement.target);
        } else if (placement.source != placement.target) {
            preview.move.emplace_back(placement.source, placement.target);
            renamed.insert(placement.source);
        }
    }
    for (const std::string& path : plan.displaced) {
        if (ends.count(path) != 0 || renamed.count(path) != 0) {
            continue;
        }
        const auto why = plan.why.find(path);
        preview.remove.push_back({path, why == plan.why.end() ? DeletionReason::kReplaced : why->second,
                                  DeletionEndOf(path, plan.target, trash)});
    }
    preview.park = plan.keptInWorkFolder;
    return preview;
}

std::vector<std::string> CTernFileDocument::UnlistedDeletions() const {
    // The plan's own rule: a pending deletion that is still there goes, unless a slot is saved
    // under its very name.
    std::set<std::string> targets;
    for (const int which : {kPatchList, kWaveList}) {
        const CParameterArray& list = m_data.List(which);
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (!list.Element(i).IsEmpty()) {
                targets.insert(SlotTargetPath(m_data.m_projectPath, which, i, list.Element(i)));
            }
        }
    }
    std::vector<std::string> unlisted;
    for (const std::string& path : m_pendingDeletions) {
        if (targets.count(path) == 0 && CDomain::Instance().FileSystem().Exists(ToNativePath(path))) {
            unlisted.push_back(path);
        }
    }
    return unlisted;
}

bool CTernFileDocument::PreviewSave(const std::string& folder, CSavePreview& preview, std::string& reason) {
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    std::string target = NormaliseProjectPath(folder);
    bool missingSource = false;
    bool inPlace = false;
    reason = SaveRefusal(*this, target, missingSource, inPlace);
    if (!reason.empty()) {
        return false;
    }
    if (inPlace) {
        target = m_data.m_projectPath;
    }
    // The save finishes or undoes an interrupted save first, which changes what it then finds.
    if (HasInterruptedSave(target)) {
        reason = "an interrupted save of this folder is finished or undone first: " + target;
        return false;
    }
    const bool replace = !inPlace && (fileSystem.IsFolder(ToNativePath(target + "Patch")) ||
                                      fileSystem.IsFolder(ToNativePath(target + "Wave")));
    SavePlan plan;
    plan.target = target;
    plan.mode = inPlace ? SaveMode::kInPlace : SaveMode::kNewFolder;
    if (!ComputeSavePlan(*this, inPlace ? m_pendingDeletions : std::vector<std::string>(), replace, plan, reason)) {
        return false;
    }
    preview = DescribeSavePlan(plan);
    return true;
}

} // namespace Orvanta
