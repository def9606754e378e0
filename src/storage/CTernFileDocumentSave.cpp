// Saving a CTernFileDocument into its project folder or a new one, and keeping the files that other
// open projects use when a document closes.
//
// A save compares, slot by slot, the file the slot has on disk now (the slot file list) with the
// source path of the object now in the slot. It checks every planned change first and changes
// nothing on disk while doing so; only then does it rename, copy and delete. A file that some
// object (of this or another open project) still uses is never deleted or overwritten before it was
// copied to the work folder and its users were pointed at the copy, so a save that fails at any
// file-system call leaves every object with a readable source.

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CProgressEpisode.h"
#include "storage/CTernFileDocument.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"
#include "storage/WorkFolder.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <utility>

namespace Orvanta {

namespace {

using SaveMode = CTernFileDocument::SaveMode;

constexpr const char* kSystemFileNames[] = {"Orvanta System.s00", "Orvanta Palette.s00", "Orvanta Template.s00"};

CFileSystem& Files() {
    return CDomain::Instance().FileSystem();
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

// Where the object in slot index i of list `which` belongs in the folder `projectPath`.
std::string SlotTargetPath(const std::string& projectPath, int which, std::size_t i, const CParameter& item) {
    return projectPath + (which == kPatchList ? "Patch/" : "Wave/") + FormatSlotNumber(static_cast<int>(i + 1)) +
           item.m_name + FileExtension(item.m_path);
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

// Deletes the patch, wave and system files of a project folder that is being replaced.
bool DeleteReplacedProjectFiles(const std::string& target) {
    CFileSystem& fileSystem = Files();
    const std::pair<const char*, const char*> patterns[] = {
        {"Patch/", "*.p00"}, {"Wave/", "*.w*"}, {"Wave/", "*.aif*"}, {"Wave/", "*.vpw"}, {"", "*.s00"}};
    std::vector<std::string> deleted;
    for (const auto& [folder, pattern] : patterns) {
        for (const std::string& name : fileSystem.ListFolder(ToNativePath(target + folder), pattern)) {
            const std::string path = target + folder + name;
            if (std::find(deleted.begin(), deleted.end(), path) != deleted.end()) {
                continue; // "x.aif.wav" matches two wave patterns
            }
            if (!CTernFileDocument::DeleteProjectFile(path)) {
                return false;
            }
            deleted.push_back(path);
        }
    }
    return true;
}

std::vector<std::string> SourcePaths(const CParameterArray& list) {
    std::vector<std::string> paths;
    paths.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        paths.push_back(list.Element(i).m_path);
    }
    return paths;
}

void RestoreSourcePaths(CParameterArray& list, const std::vector<std::string>& paths) {
    for (std::size_t i = 0; i < list.size() && i < paths.size(); ++i) {
        list.Element(i).m_path = paths[i];
    }
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

} // namespace

bool CTernFileDocument::SaveProjectTo(const std::string& folder) {
    CDomain& domain = CDomain::Instance();
    CFileSystem& fileSystem = domain.FileSystem();
    std::string target = NormaliseProjectPath(folder);
    const std::string ownPath = m_data.m_projectPath;
    // Folders this call created; removed again (when still empty) if the save fails.
    std::vector<std::string> createdFolders;
    const auto giveUp = [&]() {
        m_data.m_projectPath = ownPath;
        for (auto it = createdFolders.rbegin(); it != createdFolders.rend(); ++it) {
            (void)fileSystem.RemoveFolder(ToNativePath(*it));
        }
        return false;
    };
    const auto fail = [&]() {
        domain.MessageReporter().Error(kErrorSave);
        return giveUp();
    };

    // A folder that can never hold a project is refused before anything is created or deleted.
    if (!CTernData::IsProjectPath(target)) {
        return fail();
    }
    if (!CheckSourceFiles(m_data)) {
        (void)fileSystem.RemoveFolder(ToNativePath(target)); // only when empty
        return fail();
    }

    // The same folder on disk, not only the same spelling: the project's own folder reached through
    // a link is saved in place, and another project's folder is refused however it is spelled.
    for (CTernFileDocument* document : GetOpenDocuments()) {
        if (document == nullptr || document == this) {
            continue;
        }
        const std::string& otherPath = document->Data().m_projectPath;
        if (!otherPath.empty() && IsSameFolder(otherPath, target)) {
            return fail();
        }
    }
    const bool inPlace = !ownPath.empty() && IsSameFolder(ownPath, target);
    const SaveMode mode = inPlace ? SaveMode::kInPlace : SaveMode::kNewFolder;
    if (inPlace) {
        target = ownPath;
    }

    // The target folder itself first: Save As may name a folder that does not exist yet. Any
    // failure other than "already there" (a missing parent, no permission) fails the save.
    const std::string folders[] = {target.substr(0, target.size() - 1), target + "Patch", target + "Wave"};
    bool subFolderExisted = false;
    for (std::size_t i = 0; i < std::size(folders); ++i) {
        const FolderCreation creation = fileSystem.CreateFolder(ToNativePath(folders[i]));
        if (creation == FolderCreation::kFailed) {
            return fail();
        }
        if (creation == FolderCreation::kCreated) {
            createdFolders.push_back(folders[i]);
        } else if (i > 0) {
            subFolderExisted = true;
        }
    }
    const bool replace = subFolderExisted && mode == SaveMode::kNewFolder;
    if (replace && domain.MessageReporter().Ask(kButtonsYesNo, kAskReplaceProject) != kAnswerYes) {
        return giveUp();
    }

    BeginWaitCursor();
    const CScopeExit endWait([this] { EndWaitCursor(); });
    // Every change is checked before the replaced project's files are deleted, so a save that
    // cannot be made leaves that project as it was.
    (void)m_data.SetProjectPath(target);
    const bool checked = CheckSlots(kPatchList, mode) && CheckSlots(kWaveList, mode);
    m_data.m_projectPath = ownPath;
    if (!checked) {
        return fail();
    }
    if (replace && !DeleteReplacedProjectFiles(target)) {
        return fail();
    }
    if (mode == SaveMode::kNewFolder && !CopySystemFiles(target)) {
        return fail();
    }
    if (!m_data.SetProjectPath(target) || !ApplyProject(mode)) {
        return fail();
    }
    OnProjectPathChanged(target);
    SetModified(false);
    return true;
}

bool CTernFileDocument::SaveProject(SaveMode mode) {
    if (!CheckSlots(kPatchList, mode) || !CheckSlots(kWaveList, mode)) {
        return false;
    }
    return ApplyProject(mode);
}

bool CTernFileDocument::ApplyProject(SaveMode mode) {
    // A Save As leaves the old folder untouched; if it fails, the objects go back to the files they
    // had, so that a later save in place does not take files for saved that never arrived.
    std::vector<std::pair<CTernData*, std::vector<std::string>>> patchSources;
    std::vector<std::pair<CTernData*, std::vector<std::string>>> waveSources;
    const std::vector<std::string> patchFiles = m_data.m_patchFiles;
    const std::vector<std::string> waveFiles = m_data.m_waveFiles;
    const std::vector<std::string> pendingDeletions = m_pendingDeletions;
    if (mode == SaveMode::kNewFolder) {
        for (CTernData* store : SearchedStores(*this, false)) {
            patchSources.emplace_back(store, SourcePaths(store->m_patches));
            waveSources.emplace_back(store, SourcePaths(store->m_waves));
        }
    }

    // Undo could bring back lists that name files this save renames or deletes.
    CDomain::Instance().ClearUndo();
    const bool applied = ApplySlots(kPatchList, mode) && ApplySlots(kWaveList, mode);
    if (!applied && mode == SaveMode::kNewFolder) {
        for (auto& [store, paths] : patchSources) {
            RestoreSourcePaths(store->m_patches, paths);
        }
        for (auto& [store, paths] : waveSources) {
            RestoreSourcePaths(store->m_waves, paths);
        }
        m_data.m_patchFiles = patchFiles;
        m_data.m_waveFiles = waveFiles;
        m_pendingDeletions = pendingDeletions;
    }
    return applied;
}

bool CTernFileDocument::CheckSlots(int which, SaveMode mode) {
    const CParameterArray& list = m_data.List(which);
    std::vector<std::string>& files = SlotFiles(m_data, which);
    files.resize(list.size());
    CFileSystem& fileSystem = Files();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const CParameter& item = list.Element(i);
        const std::string& old = files[i];
        const std::string& source = item.m_path;
        if (old == source) {
            if (old.empty()) {
                continue;
            }
            const std::string target = SlotTargetPath(m_data.m_projectPath, which, i, item);
            if (mode == SaveMode::kNewFolder) {
                if (!CanReplaceFile(source, target)) {
                    return false;
                }
                continue;
            }
            // A rename must not take the place of a file that is there already. A name that differs
            // only in letter case finds the slot's own file on a file system that ignores case.
            if (target != source && fileSystem.OpenRead(ToNativePath(target)) != nullptr &&
                !fileSystem.IsSameEntry(ToNativePath(target), ToNativePath(source))) {
                return false;
            }
            if (which == kPatchList && !CanWritePatchData(source)) {
                return false;
            }
        } else {
            if (!old.empty() && !CheckEvacuation(old, which, mode)) {
                return false;
            }
            if (!source.empty() && !CanReplaceFile(source, SlotTargetPath(m_data.m_projectPath, which, i, item))) {
                return false;
            }
        }
    }
    return true;
}

bool CTernFileDocument::ApplySlots(int which, SaveMode mode) {
    CParameterArray& list = m_data.List(which);
    std::vector<std::string>& files = SlotFiles(m_data, which);
    files.resize(list.size());
    const bool inPlace = mode == SaveMode::kInPlace;
    CProgressEpisode progress(static_cast<int>(list.size()),
                              which == kPatchList ? "Saving patches..." : "Saving waves...");
    for (std::size_t i = 0; i < list.size(); ++i) {
        progress.Step(static_cast<int>(i));
        CParameter& item = list.Element(i);
        const std::string old = files[i];
        const std::string source = item.m_path;
        std::string target = source.empty() ? std::string() : SlotTargetPath(m_data.m_projectPath, which, i, item);
        if (old == source) {
            if (old.empty()) {
                continue;
            }
            if (!inPlace) {
                if (!CopyProjectFile(source, target)) {
                    return false;
                }
                files[i] = target;
                RepointSources(source, target, which);
            } else if (target != source) {
                if (!Files().Rename(ToNativePath(source), ToNativePath(target))) {
                    return false;
                }
                // The slot's file has its new name from now on, whatever fails next.
                files[i] = target;
                RepointSources(source, target, which);
            }
        } else {
            if (!old.empty()) {
                if (!EvacuateFile(old, which, mode)) {
                    return false;
                }
                if (inPlace) {
                    files[i].clear(); // deleted, or waiting on the pending deletions
                }
            }
            if (!source.empty()) {
                if (!CopyProjectFile(source, target)) {
                    return false;
                }
                files[i] = target;
            }
        }
        if (which == kPatchList && !target.empty() && !WritePatchData(target, &m_data.m_patches[i])) {
            return false;
        }
        item.m_path = target;
        files[i] = target;
    }

    // Files that no slot needs any more. A file that a slot has just been saved into (a duplicate
    // of its slot number, say) is kept: it is that slot's file now.
    if (!inPlace) {
        m_pendingDeletions.clear();
        return true;
    }
    std::vector<std::string> remaining;
    for (const std::string& path : m_pendingDeletions) {
        const auto isSlotFile = [&path](const std::string& file) {
            // Equal but for letter case: one file on a file system that ignores case, two otherwise.
            return file == path ||
                   (IsSameTextNoCase(file, path) && Files().IsSameEntry(ToNativePath(file), ToNativePath(path)));
        };
        if (std::any_of(m_data.m_patchFiles.begin(), m_data.m_patchFiles.end(), isSlotFile) ||
            std::any_of(m_data.m_waveFiles.begin(), m_data.m_waveFiles.end(), isSlotFile) ||
            IsSourceReferenced(path, kPatchList, false) || IsSourceReferenced(path, kWaveList, false)) {
            continue;
        }
        // A file that could not be deleted stays planned, so that the next save tries again.
        if (!DeleteProjectFile(path) && Files().Exists(ToNativePath(path))) {
            remaining.push_back(path);
        }
    }
    m_pendingDeletions = std::move(remaining);
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

bool CTernFileDocument::CheckEvacuation(const std::string& path, int which, SaveMode mode) {
    const std::string workCopy = MakeWorkCopyPath(BareName(path), FileExtension(path));
    if (!IsSourceReferenced(path, which, false)) {
        return true;
    }
    if (workCopy.empty() || !CanReplaceFile(path, workCopy)) {
        return false;
    }
    return mode != SaveMode::kInPlace || Files().OpenReadWrite(ToNativePath(path)) != nullptr;
}

bool CTernFileDocument::EvacuateFile(const std::string& path, int which, SaveMode mode) {
    const std::string workCopy = MakeWorkCopyPath(BareName(path), FileExtension(path));
    if (IsSourceReferenced(path, which, false)) {
        // The copy must exist before anyone is pointed at it.
        if (workCopy.empty() || !CopyProjectFile(path, workCopy)) {
            return false;
        }
        RepointSources(path, workCopy, which);
    }
    if (mode == SaveMode::kInPlace && !DeleteProjectFile(path) && Files().Exists(ToNativePath(path))) {
        m_pendingDeletions.push_back(path);
    }
    return true;
}

bool CTernFileDocument::CopyProjectFile(const std::string& source, const std::string& destination) {
    return Files().CopyWholeFile(ToNativePath(source), ToNativePath(destination));
}

bool CTernFileDocument::CanReplaceFile(const std::string& source, const std::string& destination) {
    CFileSystem& fileSystem = Files();
    if (fileSystem.OpenRead(ToNativePath(source)) == nullptr) {
        return false;
    }
    const std::string native = ToNativePath(destination);
    return !fileSystem.Exists(native) || fileSystem.OpenReadWrite(native) != nullptr;
}

bool CTernFileDocument::CanWritePatchData(const std::string& path) {
    return Files().OpenReadWrite(ToNativePath(path)) != nullptr;
}

bool CTernFileDocument::DeleteProjectFile(const std::string& path) {
    return Files().Delete(ToNativePath(path));
}

bool CTernFileDocument::CopySystemFiles(const std::string& target) {
    const std::string& current = m_data.m_projectPath;
    if (current.empty()) {
        return true; // a new project has none
    }
    for (const char* name : kSystemFileNames) {
        const std::string source = current + name;
        // A system file the project lacks is no failure; one it has must arrive.
        if (!CopyProjectFile(source, target + name) && Files().Exists(ToNativePath(source))) {
            return false;
        }
    }
    return true;
}

void CTernFileDocument::PreserveReferencedFiles() {
    for (const int which : {kPatchList, kWaveList}) {
        for (const std::string& file : SlotFiles(m_data, which)) {
            if (file.empty() || !IsSourceReferenced(file, which, true)) {
                continue;
            }
            const std::string workCopy = MakeWorkCopyPath(BareName(file), FileExtension(file));
            if (!workCopy.empty() && CopyProjectFile(file, workCopy)) {
                RepointSources(file, workCopy, which);
            }
        }
    }
}

} // namespace Orvanta
