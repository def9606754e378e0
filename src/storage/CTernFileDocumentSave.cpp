// Planning the save of a CTernFileDocument into its project folder or a new one, and keeping the
// files that other open projects use when a document closes. CSaveTransaction runs the plan.
//
// A save compares, slot by slot, the file the slot has on disk now (the slot file list) with the
// source path of the object now in the slot, and plans where every content goes: a slot whose file
// stays as it is is left alone; a file of this folder that moves to another slot (or name) is
// renamed; any other content (from another project, the work folder, or a patch whose data
// changed) is copied into the staging folder first and its patch data written there. Every file
// the save displaces is parked in the staging folder and removed only once the save has finished.
// The plan is checked before anything changes.

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CPatch.h"
#include "storage/CSaveTransaction.h"
#include "storage/CTernFileDocument.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"
#include "storage/SavePlan.h"
#include "storage/WorkFolder.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace Orvanta {

namespace {

constexpr const char* kSystemFileNames[] = {"Orvanta System.s00", "Orvanta Palette.s00", "Orvanta Template.s00"};
constexpr int kSystemFiles = kSystemFileList;

CFileSystem& Files() {
    return CDomain::Instance().FileSystem();
}

bool Exists(const std::string& path) {
    return Files().Exists(ToNativePath(path));
}

// True when something may be at `path` and is: the listing spares the look where it knows.
bool ExistsListed(CFolderListing& listing, const std::string& path) {
    return listing.MayExist(path) && Exists(path);
}

// ASCII letters in lower case; other bytes as they are.
std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
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

// Works out a SavePlan one step at a time; each check answers what it found wrong.
class CSavePlanner {
public:
    CSavePlanner(CTernFileDocument& document, SavePlan& plan)
        : m_document(document), m_data(document.Data()), m_plan(plan),
          m_inPlace(plan.mode == CTernFileDocument::SaveMode::kInPlace) {}

    SaveProblem Run(const std::vector<std::string>& pendingDeletions, bool replace) {
        CollectOwnFiles();
        if (SaveProblem problem = PlaceSlots(); problem) {
            return problem;
        }
        if (m_inPlace) {
            ChooseHeirs();
            DisplacePendingDeletions(pendingDeletions);
        } else {
            BringSystemFiles();
            if (replace) {
                DisplaceReplacedProject();
            }
        }
        m_plan.displaced.assign(m_displaced.begin(), m_displaced.end());
        KeepReferencedFiles();
        if (SaveProblem problem = CheckPlacements(); problem) {
            return problem;
        }
        if (SaveProblem problem = CheckDisplacedWritable(); problem) {
            return problem;
        }
        return CheckDistinctTargets();
    }

private:
    // The first reason a file is displaced for is the one it is shown with.
    void Displace(const std::string& path, DeletionReason why) {
        m_displaced.insert(path);
        m_plan.why.emplace(path, why);
    }

    // The files of the saved folder that slots have now.
    void CollectOwnFiles() {
        for (const int which : {kPatchList, kWaveList}) {
            std::vector<std::string>& slotFiles = SlotFiles(m_data, which);
            slotFiles.resize(m_data.List(which).size());
            if (m_inPlace) {
                std::copy_if(slotFiles.begin(), slotFiles.end(), std::inserter(m_ownFiles, m_ownFiles.end()),
                             [](const std::string& file) { return !file.empty(); });
            }
        }
    }

    // Every slot's final file: left alone, or placed; in place, the slot's older file displaced.
    SaveProblem PlaceSlots() {
        for (const int which : {kPatchList, kWaveList}) {
            const CParameterArray& list = m_data.List(which);
            const std::vector<std::string>& slotFiles = SlotFiles(m_data, which);
            std::vector<std::string>& finalPaths = m_plan.finalPaths[which];
            finalPaths.assign(list.size(), std::string());
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (SaveProblem problem = PlaceSlot(which, i, list.Element(i), slotFiles[i]); problem) {
                    return problem;
                }
            }
        }
        return {};
    }

    SaveProblem PlaceSlot(int which, std::size_t i, const CParameter& item, const std::string& old) {
        const std::string& source = item.m_path;
        if (source.empty()) {
            if (m_inPlace && !old.empty()) {
                Displace(old, DeletionReason::kEmptied);
            }
            return {};
        }
        const std::string target = SlotTargetPath(m_plan.target, which, i, item);
        m_plan.finalPaths[which][i] = target;
        if (m_inPlace && old == source && target == source && (which != kPatchList || DataUnchanged(source, i))) {
            return {}; // the slot's file stays as it is
        }
        // A renamed file must not take the name of a file that is there already (a duplicate of
        // its slot number, say); a name that differs only in letter case finds the file itself on
        // a file system that ignores case.
        if (m_inPlace && old == source && ExistsListed(m_listing, target) && !IsSameFile(target, source)) {
            return {"a file of that name is there already", target};
        }
        if (m_inPlace && !old.empty()) {
            Displace(old, DeletionReason::kReplaced);
        }
        m_plan.placements.push_back({which, i, source, target, false, std::string(), false});
        return {};
    }

    // A file of this folder that moves keeps its content: one slot that uses it (its own slot
    // first) takes it over by renaming, unless the patch data changes or the file is shared with
    // other names through links, which must never be written through. Other slots get copies.
    void ChooseHeirs() {
        std::map<std::string, Placement*> takers;
        for (Placement& placement : m_plan.placements) {
            // A file that stays in its own slot is not taken away from it.
            if (m_ownFiles.count(placement.source) == 0 || m_displaced.count(placement.source) == 0) {
                continue;
            }
            Placement*& taker = takers[placement.source];
            const std::string& old = SlotFiles(m_data, placement.which)[placement.slot];
            if (taker == nullptr ||
                (old == placement.source && SlotFiles(m_data, taker->which)[taker->slot] != taker->source)) {
                taker = &placement;
            }
        }
        for (auto& [source, taker] : takers) {
            m_plan.heirs[source] = taker->target;
            taker->byRename = !Files().IsLinked(ToNativePath(source)) &&
                              (taker->which != kPatchList || DataUnchanged(source, taker->slot));
        }
    }

    void DisplacePendingDeletions(const std::vector<std::string>& pendingDeletions) {
        for (const std::string& path : pendingDeletions) {
            if (ExistsListed(m_listing, path)) {
                Displace(path, m_document.PendingDeletionReason(path));
            }
        }
    }

    // A new folder: the system files come along. Whether the project has each one shows when it is
    // copied: a query that failed must not leave one behind.
    void BringSystemFiles() {
        const std::string& current = m_data.m_projectPath;
        if (current.empty()) {
            return;
        }
        for (const char* name : kSystemFileNames) {
            m_plan.placements.push_back({kSystemFiles, 0, current + name, m_plan.target + name, false, {}, false});
            if (ExistsListed(m_listing, m_plan.target + name)) {
                Displace(m_plan.target + name, DeletionReason::kReplaced);
            }
        }
    }

    // A replaced project's files go.
    void DisplaceReplacedProject() {
        const std::pair<const char*, std::vector<std::string>> patterns[] = {
            {"Patch/", {"*.p00"}}, {"Wave/", {"*.w*", "*.aif*", "*.vpw"}}, {"", {"*.s00"}}};
        for (const auto& [folder, masks] : patterns) {
            for (const std::string& name : Files().ListFolderMatchingAny(ToNativePath(m_plan.target + folder), masks)) {
                Displace(m_plan.target + folder + name, DeletionReason::kReplaced);
            }
        }
    }

    void KeepReferencedFiles() {
        for (const std::string& path : m_plan.displaced) {
            if (m_plan.heirs.count(path) == 0 &&
                m_document.IsSourceReferenced(path, KindOfProjectFile(m_plan.target, path), true)) {
                m_plan.keptInWorkFolder.push_back(path);
            }
        }
    }

    // Every content can be read, and every target is free once the displaced files are parked; a
    // file in the way that the plan does not account for is never overwritten. A source that is
    // displaced in place is opened once, for writing, by CheckDisplacedWritable; one that loading
    // opened is opened once more by the save's copy, which fails the save if it cannot be read.
    SaveProblem CheckPlacements() {
        for (const Placement& placement : m_plan.placements) {
            const bool openedLater = (m_inPlace && m_displaced.count(placement.source) != 0) ||
                                     m_plan.KnownStamp(placement.source) != nullptr;
            if (placement.which != kSystemFiles && !openedLater &&
                Files().OpenRead(ToNativePath(placement.source)) == nullptr) {
                return {"a file cannot be read", placement.source};
            }
            if (IsTargetInTheWay(m_plan, placement, m_listing)) {
                return {"a file of that name is there already", placement.target};
            }
        }
        return {};
    }

    // In place, every displaced file is removed from the folder: one that is read-only or locked
    // for writing is refused before anything changes, as the user protected it.
    SaveProblem CheckDisplacedWritable() {
        if (!m_inPlace) {
            return {};
        }
        for (const std::string& path : m_plan.displaced) {
            if (Files().OpenReadWrite(ToNativePath(path)) == nullptr) {
                // Gone since the folder was compared with the record: another program took it away.
                if (!Files().Exists(ToNativePath(path))) {
                    return {"a file that the save replaces or removes was removed or renamed by another program", path};
                }
                return {"a file that the save replaces or removes is read-only or in use", path};
            }
        }
        return {};
    }

    // Two slots must not end as one file (names equal but for letter case on such a file system
    // are caught when their targets are placed).
    SaveProblem CheckDistinctTargets() {
        std::set<std::string> targets;
        for (const Placement& placement : m_plan.placements) {
            if (!targets.insert(placement.target).second) {
                return {"two slots would be saved as one file", placement.target};
            }
        }
        return {};
    }

    // True when the patch file at `path` holds the blocks of the patch in `slot`.
    [[nodiscard]] bool DataUnchanged(const std::string& path, std::size_t slot) const {
        const CFileStamp* known = m_plan.KnownStamp(path);
        return known != nullptr ? PatchDataUnchanged(path, m_data.m_patches[slot], *known)
                                : PatchDataUnchanged(path, m_data.m_patches[slot]);
    }

    CTernFileDocument& m_document;
    CTernData& m_data;
    SavePlan& m_plan;
    const bool m_inPlace;
    CFolderListing m_listing;
    std::set<std::string> m_ownFiles;  // files of the saved folder that slots have now
    std::set<std::string> m_displaced; // in path order, as the plan lists them
};

// CTernFileDocument::FirstMissingSource, sparing the look at each file of the project's own
// "Patch" and "Wave" that a listing of the folder shows as a file.
std::string FirstMissingSource(const CTernData& data) {
    std::map<std::string, std::set<std::string>> listed; // by folder
    for (const int which : {kPatchList, kWaveList}) {
        const CParameterArray& list = data.List(which);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const CParameter& item = list.Element(i);
            if (item.IsEmpty()) {
                continue;
            }
            const std::size_t slash = item.m_path.find_last_of('/');
            const std::string folder = item.m_path.substr(0, slash + 1);
            auto found = listed.find(folder);
            if (found == listed.end() && !data.m_projectPath.empty() &&
                (folder == data.m_projectPath + "Patch/" || folder == data.m_projectPath + "Wave/")) {
                const std::vector<std::string> names = Files().ListFolder(ToNativePath(folder), "*");
                found = listed.emplace(folder, std::set<std::string>(names.begin(), names.end())).first;
            }
            const bool listedFile = found != listed.end() && found->second.count(item.m_path.substr(slash + 1)) != 0;
            if (!listedFile && !CTernFileDocument::IsPresentFile(item.m_path)) {
                return item.m_path;
            }
        }
    }
    return std::string();
}

} // namespace

std::string SaveProblem::Text() const {
    return file.empty() ? reason : reason + ": " + file;
}

std::vector<std::string>& SlotFiles(CTernData& data, int which) {
    return which == kPatchList ? data.m_patchFiles : data.m_waveFiles;
}

std::string FileExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.find('.') == std::string::npos ? std::string() : Extension(name);
}

int KindOfProjectFile(const std::string& projectPath, const std::string& path) {
    return path.rfind(projectPath + "Wave/", 0) == 0 ? kWaveList : kPatchList;
}

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

bool CFolderListing::MayExist(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = path.substr(slash + 1);
    // A name beyond ASCII may match another spelling on a file system that ignores case.
    if (slash == std::string::npos ||
        std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        return true;
    }
    const std::string folder = path.substr(0, slash + 1);
    auto found = m_names.find(folder);
    if (found == m_names.end()) {
        std::set<std::string> names;
        for (const std::string& entry : Files().ListEntries(ToNativePath(folder))) {
            names.insert(LowerCase(entry));
        }
        found = m_names.emplace(folder, std::move(names)).first;
    }
    return found->second.count(LowerCase(name)) != 0;
}

bool IsTargetInTheWay(const SavePlan& plan, const Placement& placement, CFolderListing& listing) {
    return ExistsListed(listing, placement.target) &&
           std::none_of(plan.displaced.begin(), plan.displaced.end(),
                        [&placement](const std::string& path) { return IsSameFile(path, placement.target); });
}

std::string SlotTargetPath(const std::string& projectPath, int which, std::size_t i, const CParameter& item) {
    return projectPath + (which == kPatchList ? "Patch/" : "Wave/") + FormatSlotNumber(static_cast<int>(i + 1)) +
           item.m_name + FileExtension(item.m_path);
}

bool ComputeSavePlan(CTernFileDocument& document, const std::vector<std::string>& pendingDeletions, bool replace,
                     SavePlan& plan, std::string& reason) {
    const SaveProblem problem = CSavePlanner(document, plan).Run(pendingDeletions, replace);
    reason = problem.Text();
    return !problem;
}

std::string SaveRefusal(CTernFileDocument& document, const std::string& target, bool& missingSource, bool& inPlace) {
    missingSource = false;
    inPlace = false;
    if (!CTernData::IsProjectPath(target)) {
        return "the folder name does not end in \".prj\": " + target;
    }
    if (const std::string missing = FirstMissingSource(document.Data()); !missing.empty()) {
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
    return CSaveTransaction(*this, folder).Run();
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
