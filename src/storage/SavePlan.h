#pragma once

#include "storage/CTernFileDocument.h"
#include "storage/SavePreview.h"

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace Orvanta {

// The list selector of a system file's placement.
inline constexpr int kSystemFileList = -1;

// Where one slot's content (or a system file) goes.
struct Placement {
    int which = kPatchList;
    std::size_t slot = 0;
    std::string source; // where the content lies now
    std::string target; // its file in the saved folder
    bool byRename = false;
    std::string staged;   // the staging file (relative) of a copy
    bool skipped = false; // a system file the project does not have
};

// Everything a save will do, worked out before anything changes. The save runs it; the preview
// describes it.
struct SavePlan {
    std::string target;
    CTernFileDocument::SaveMode mode = CTernFileDocument::SaveMode::kInPlace;
    std::vector<Placement> placements;
    // Files of the target folder that the save moves aside: older contents of slots, files that
    // move to another slot, strays and duplicates, files of a replaced project.
    std::vector<std::string> displaced;
    // Why each displaced file is displaced.
    std::map<std::string, DeletionReason> why;
    // For a displaced file whose content a slot takes over: that slot's file. Objects elsewhere that
    // use the displaced file follow it there.
    std::map<std::string, std::string> heirs;
    // Displaced files that objects of other open projects still use and that no slot takes over:
    // copied to the work folder before they are displaced.
    std::vector<std::string> keptInWorkFolder;
    // Final path of every slot's file (empty for an empty slot), by list.
    std::vector<std::string> finalPaths[2];
    // Stamps of files as they were just seen (the document's record of its folder, checked by the
    // save before planning), set by a save: a source with a stamp there was opened by loading and is
    // not opened to check it (the copy opens it once), and a patch's data is compared by that stamp
    // without a look at its file. Null for a preview, which looks.
    const std::map<std::string, CFileStamp>* knownStamps = nullptr;

    // The stamp of `path` in knownStamps; null when it has none.
    [[nodiscard]] const CFileStamp* KnownStamp(const std::string& path) const {
        if (knownStamps == nullptr) {
            return nullptr;
        }
        const auto found = knownStamps->find(path);
        return found == knownStamps->end() || found->second.size < 0 ? nullptr : &found->second;
    }
};

// What a step of a save found wrong: the reason the user is told and the file it concerns (empty
// when it concerns none); nothing went wrong when both are empty. `declined`: the user answered a
// question "no", which ends the save without a message.
struct SaveProblem {
    SaveProblem() = default;
    SaveProblem(std::string why, std::string concerned = {}) : reason(std::move(why)), file(std::move(concerned)) {}
    [[nodiscard]] static SaveProblem Declined() {
        SaveProblem problem;
        problem.declined = true;
        return problem;
    }

    std::string reason;
    std::string file;
    bool declined = false;
    explicit operator bool() const { return declined || !reason.empty(); }
    // "reason: file", or the reason alone.
    [[nodiscard]] std::string Text() const;
};

// The slot file list of list `which`: the file each slot has on disk now.
[[nodiscard]] std::vector<std::string>& SlotFiles(CTernData& data, int which);
// The extension of the file name (never of a folder name such as ".prj"); empty without one.
[[nodiscard]] std::string FileExtension(const std::string& path);
// The list a file of the project folder `projectPath` belongs to, by its folder.
[[nodiscard]] int KindOfProjectFile(const std::string& projectPath, const std::string& path);
// The containers whose objects a save must keep readable: those of the open projects with unsaved
// changes and, during its own save, this project's even when it has none.
[[nodiscard]] std::vector<CTernData*> SearchedStores(CTernFileDocument& document, bool excludeThis);
// The entries of a project folder, its "Patch" and its "Wave", each listed once when first
// asked: what tells, without a look at each path, that nothing is at a path there.
class CFolderListing {
public:
    // False when surely nothing is at `path`; true when something may be (then it is looked at).
    [[nodiscard]] bool MayExist(const std::string& path);

private:
    std::map<std::string, std::set<std::string>> m_names; // by folder, names in lower case
};

// True when something is at the placement's target that the plan does not move aside; `listing`
// spares the look at targets it knows are free.
[[nodiscard]] bool IsTargetInTheWay(const SavePlan& plan, const Placement& placement, CFolderListing& listing);

// Where the object in slot index i of list `which` belongs in the folder `projectPath`.
[[nodiscard]] std::string SlotTargetPath(const std::string& projectPath, int which, std::size_t i,
                                         const CParameter& item);

// Plans the save of `document`'s project into `plan.target` in `plan.mode`, deleting the
// `pendingDeletions` (in place) or the files of the project there (`replace`, Save As), and checks
// every planned change; false with `reason` when one cannot be made. Only reads the disk, and opens
// a file at most once.
bool ComputeSavePlan(CTernFileDocument& document, const std::vector<std::string>& pendingDeletions, bool replace,
                     SavePlan& plan, std::string& reason);

// Why a save of `document` into `target` (normalised) is refused before anything is planned; empty
// when it is not. `missingSource` tells that a source file is missing; `inPlace` that `target` is
// the document's own folder (reached by any spelling).
std::string SaveRefusal(CTernFileDocument& document, const std::string& target, bool& missingSource, bool& inPlace);

// The preview of a checked plan.
[[nodiscard]] CSavePreview DescribeSavePlan(const SavePlan& plan);

} // namespace Orvanta
