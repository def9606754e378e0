// Loading a project folder into a CTernFileDocument.

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CProgressEpisode.h"
#include "operations/TransferOperations.h"
#include "storage/CTernFileDocument.h"
#include "storage/ContentHash.h"
#include "storage/LoadDiagnosis.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"
#include "storage/SaveJournal.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

namespace Orvanta {

namespace {

const std::string kNoPath;

// Full paths of the files of `folder` (opened from `path`, a folder path ending in "/") that match
// any of the patterns, each once: a name such as "001 Pad.aif.wav" matches two wave patterns, and a
// second entry would be taken for a duplicate of its own slot and deleted by the next save.
std::vector<std::string> ListFiles(CFolder& folder, const std::string& path, const std::vector<std::string>& patterns) {
    std::vector<std::string> paths = folder.ListMatchingAny(patterns);
    for (std::string& file : paths) {
        file.insert(0, path);
    }
    return paths;
}

// Opens the file at the internal path `path` for reading: through `folder` when it is given and
// the path names a file of it (`folderPath`), else by path.
std::unique_ptr<CFile> OpenInFolder(CFolder* folder, const std::string& folderPath, const std::string& path) {
    if (folder != nullptr && path.size() > folderPath.size() && path.compare(0, folderPath.size(), folderPath) == 0) {
        return folder->OpenRead(path.substr(folderPath.size()));
    }
    return CDomain::Instance().FileSystem().OpenRead(ToNativePath(path));
}

// Every listed file by name, with the stamp loading took where it opened the file (size -1 where it
// did not): what the document knows of its folder. The listing comes in path order, so the map is
// filled at its end.
std::map<std::string, CFileStamp> DiskStateOf(std::vector<std::string> listed, const CTernData& data) {
    std::sort(listed.begin(), listed.end());
    std::map<std::string, CFileStamp> state;
    for (std::string& file : listed) {
        state.emplace_hint(state.end(), std::move(file), CFileStamp{});
    }
    const auto keep = [&state](const std::string& path, const std::string& knownPath, const CFileStamp& stamp) {
        if (!path.empty() && knownPath == path) {
            if (const auto found = state.find(path); found != state.end()) {
                found->second = stamp;
            }
        }
    };
    for (std::size_t i = 0; i < data.m_patches.size(); ++i) {
        keep(data.m_patches[i].m_path, data.m_patches[i].m_knownPath, data.m_patches[i].m_knownStamp);
    }
    for (std::size_t i = 0; i < data.m_waves.size(); ++i) {
        keep(data.m_waves[i].m_path, data.m_waves[i].m_knownPath, data.m_waves[i].m_knownStamp);
    }
    return state;
}

} // namespace

bool CTernFileDocument::OpenProjectFolder(const std::string& folder, Recovery recovery, LoadFor loadFor) {
    const std::string path = NormaliseProjectPath(folder);
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    // A save of this folder that was interrupted is finished or undone before anything is read;
    // the folder is not shown half saved.
    bool loaded = fileSystem.IsFolder(ToNativePath(path));
    // Opened for editing, the folder carries this program's open marker; a user who chooses not to
    // open a project that another program has open is not told that it failed.
    if (loaded && recovery == Recovery::kRecover && !ClaimOpenMarker(path)) {
        ResetToNew();
        return false;
    }
    // Why an interrupted save was not recovered: the first thing the user is told of the failure.
    std::string notRecovered;
    if (loaded && HasInterruptedSave(path)) {
        if (recovery == Recovery::kRecover) {
            // An empty staging folder (a save stopped as it began) is removed without a word: the
            // folder is as it was.
            std::vector<std::string> setAside;
            const RecoveryOutcome outcome = RecoverInterruptedSave(path, &setAside);
            loaded = IsRecovered(outcome);
            if (!loaded) {
                notRecovered = RecoveryText(path, outcome, setAside);
            } else if (outcome != RecoveryOutcome::kNothing) {
                CDomain::Instance().MessageReporter().ReportRecovery(RecoveryText(path, outcome, setAside));
            }
        } else {
            loaded = false;
        }
    } else if (loaded && recovery == Recovery::kRecover) {
        // A save lock file left by a process that died goes once nobody holds it.
        RemoveStaleSaveLock(path);
    }
    // The sub-folders are opened once, for listing and for reaching their files: a folder that is
    // missing (or a file) does not open. Creating them to see whether that fails would take any
    // failure to create (a read-only or missing parent) for "exists" and open a missing folder.
    const auto& patterns = ProjectFilePatterns();
    const std::string patchPath = path + patterns[0].first;
    const std::string wavePath = path + patterns[1].first;
    std::unique_ptr<CFolder> patchFolder = loaded ? fileSystem.OpenFolder(ToNativePath(patchPath)) : nullptr;
    std::unique_ptr<CFolder> waveFolder = patchFolder ? fileSystem.OpenFolder(ToNativePath(wavePath)) : nullptr;
    loaded = waveFolder != nullptr;
    if (loaded) {
        std::vector<std::string> patchFiles = ListFiles(*patchFolder, patchPath, patterns[0].second);
        std::vector<std::string> waveFiles = ListFiles(*waveFolder, wavePath, patterns[1].second);
        std::vector<std::string> listed = patchFiles;
        listed.insert(listed.end(), waveFiles.begin(), waveFiles.end());
        BeginWaitCursor();
        loaded = LoadProject(path, std::move(patchFiles), std::move(waveFiles), loadFor, patchFolder.get(),
                             waveFolder.get());
        if (loaded) {
            m_diskState = DiskStateOf(std::move(listed), m_data);
            OnProjectPathChanged(path);
            SetModified(false);
        }
        EndWaitCursor();
    }
    if (!loaded) {
        ResetToNew();
        std::vector<std::string> problems = DescribeLoadFailure(folder);
        if (!notRecovered.empty()) {
            problems.insert(problems.begin(), notRecovered);
        }
        CDomain::Instance().MessageReporter().ErrorWithDetail(kErrorLoad, JoinLines(problems));
    }
    return loaded;
}

bool CTernFileDocument::CheckWaveFiles(const std::function<bool(const std::string&)>& alreadyRead) {
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    const bool readable =
        std::all_of(m_data.m_waveFiles.begin(), m_data.m_waveFiles.end(), [&](const std::string& path) {
            return path.empty() || alreadyRead(path) || fileSystem.CanOpenForReading(ToNativePath(path));
        });
    if (!readable) {
        const std::string folder = m_data.m_projectPath;
        ResetToNew();
        CDomain::Instance().MessageReporter().ErrorWithDetail(kErrorLoad, JoinLines(DescribeLoadFailure(folder)));
    }
    return readable;
}

bool CTernFileDocument::LoadProject(const std::string& projectPath, std::vector<std::string> patchFiles,
                                    std::vector<std::string> waveFiles, LoadFor loadFor, CFolder* patchFolder,
                                    CFolder* waveFolder) {
    // Loading replaces everything, including deletions planned from an earlier content. The lists
    // themselves are rebuilt by LoadPatches and LoadWaves.
    CDomain& domain = CDomain::Instance();
    if (domain.IsUndoProject(&m_data)) {
        domain.ClearUndo();
    }
    m_pendingDeletions.clear();
    m_pendingReasons.clear();
    bool loaded = m_data.SetProjectPath(projectPath);
    if (loaded) {
        m_data.m_patchFiles = AssignSlots(std::move(patchFiles), kPatchList);
        m_data.m_waveFiles = AssignSlots(std::move(waveFiles), kWaveList);
        loaded = LoadPatches(loadFor, patchFolder) && LoadWaves(loadFor, waveFolder);
    }
    if (!loaded) {
        ResetToNew();
    }
    return loaded;
}

std::vector<std::string> CTernFileDocument::AssignSlots(std::vector<std::string> files, int which) {
    const std::size_t slotCount = CTernData::Capacity(which == kPatchList ? kPatchList : kWaveList);
    // The listed paths become the slots' paths: moved, not copied, which spares a load a second
    // string for every file.
    std::vector<std::string> candidates;
    candidates.reserve(files.size());
    for (std::string& path : files) {
        if (IsSlotFileName(path)) {
            candidates.push_back(std::move(path));
        } else {
            AddPendingDeletion(path, DeletionReason::kStray);
        }
    }
    // Byte order of the whole path; within one folder that is the order of the slot numbers, and
    // of several files with one number the first in byte order wins.
    std::sort(candidates.begin(), candidates.end());

    std::vector<std::string> slots(slotCount);
    std::size_t next = 0;
    for (std::size_t slot = 1; slot <= slotCount && next < candidates.size(); ++slot) {
        while (next < candidates.size()) {
            const int number = ParseSlotNumber(candidates[next]);
            if (number > static_cast<int>(slot)) {
                break;
            }
            if (number == static_cast<int>(slot)) {
                slots[slot - 1] = std::move(candidates[next++]);
                break;
            }
            // Number 000 names no slot; any other is a second file for a slot already filled.
            AddPendingDeletion(candidates[next], number == 0 ? DeletionReason::kStray : DeletionReason::kDuplicate);
            ++next;
        }
    }
    // What is left either claims the last slot a second time, a surplus like any other duplicate,
    // or carries a number above the slot count and stays on disk untouched.
    for (; next < candidates.size(); ++next) {
        if (ParseSlotNumber(candidates[next]) <= static_cast<int>(slotCount)) {
            AddPendingDeletion(candidates[next], DeletionReason::kDuplicate);
        }
    }
    return slots;
}

// The records already in the lists are reset to new ones in place rather than deleted and created
// again: the same result without allocating sixteen value vectors per patch.

bool CTernFileDocument::LoadPatches(LoadFor loadFor, CFolder* folder) {
    CProgressEpisode progress(static_cast<int>(kPatchSlots), "Loading patches...");
    const std::string folderPath = m_data.m_projectPath + ProjectFilePatterns()[0].first;
    m_data.m_patches.Resize(kPatchSlots);
    for (std::size_t i = 0; i < kPatchSlots; ++i) {
        progress.Step(static_cast<int>(i));
        const std::string& path = i < m_data.m_patchFiles.size() ? m_data.m_patchFiles[i] : kNoPath;
        CPatch& patch = m_data.m_patches[i];
        patch.Clear();
        for (COsc& osc : patch.m_osc) {
            osc.Init();
        }
        patch.m_path = path;
        patch.SetName(BareName(path), false);
        if (path.empty()) {
            continue;
        }
        // For a duplicate search the bytes it compares are handed on: bytes 30 to 261, all of them
        // in a file of the usual length, which ends with the blocks.
        const bool handOn = loadFor == LoadFor::kDuplicateSearch;
        std::vector<std::uint8_t> uninterpreted;
        const std::unique_ptr<CFile> file = OpenInFolder(folder, folderPath, path);
        if (!file || !ReadPatchFile(*file, path, patch, handOn ? &uninterpreted : nullptr)) {
            return false;
        }
        if (handOn && patch.m_knownStamp.size == static_cast<std::int64_t>(kPatchRecordSize)) {
            SharedContentHashes().Remember(path, PatchFileRegion(), patch.m_knownStamp, std::move(uninterpreted));
        }
    }
    return true;
}

bool CTernFileDocument::LoadWaves(LoadFor loadFor, CFolder* folder) {
    CProgressEpisode progress(static_cast<int>(kWaveSlots), "Loading waves...");
    const std::string folderPath = m_data.m_projectPath + ProjectFilePatterns()[1].first;
    m_data.m_waves.Resize(kWaveSlots);
    for (std::size_t i = 0; i < kWaveSlots; ++i) {
        progress.Step(static_cast<int>(i));
        const std::string& path = i < m_data.m_waveFiles.size() ? m_data.m_waveFiles[i] : kNoPath;
        CWave& wave = m_data.m_waves[i];
        wave.Clear();
        wave.ClearUsers();
        wave.m_path = path;
        wave.SetName(BareName(path), false);
        wave.m_knownPath.clear();
        wave.m_knownStamp = {};
        // The listing holds regular files only, so opening is the whole check. The open file tells
        // its stamp, kept in the wave for its size and for noticing later what another program
        // changed, and whoever reads waves while loading reads this one open.
        if (loadFor == LoadFor::kUse && !path.empty()) {
            const std::unique_ptr<CFile> file = OpenInFolder(folder, folderPath, path);
            if (!file) {
                return false;
            }
            wave.m_knownPath = path;
            wave.m_knownStamp = file->Stamp();
            if (m_waveReader) {
                m_waveReader(i, *file);
            }
        }
    }
    AddUsersOfPatches(m_data, 0, m_data.m_patches.size());
    return true;
}

bool CTernFileDocument::IsPresentFile(const std::string& path) {
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    const std::string native = ToNativePath(path);
    return fileSystem.Exists(native) && !fileSystem.IsFolder(native);
}

void CTernFileDocument::AddPendingDeletion(const std::string& path, DeletionReason reason) {
    m_pendingDeletions.push_back(path);
    m_pendingReasons[path] = reason;
}

DeletionReason CTernFileDocument::PendingDeletionReason(const std::string& path) const {
    const auto found = m_pendingReasons.find(path);
    return found == m_pendingReasons.end() ? DeletionReason::kStray : found->second;
}

bool CTernFileDocument::CheckSourceFiles(const CTernData& data) {
    return FirstMissingSource(data).empty();
}

std::string CTernFileDocument::FirstMissingSource(const CTernData& data) {
    for (const int which : {kPatchList, kWaveList}) {
        const CParameterArray& list = data.List(which);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const CParameter& item = list.Element(i);
            // Whether the file is there, not its content: a stat, so that checking a project
            // opens none of its files. Reading a source the save copies is checked when planned.
            if (!item.IsEmpty() && !IsPresentFile(item.m_path)) {
                return item.m_path;
            }
        }
    }
    return std::string();
}

} // namespace Orvanta
