// Sharing a project folder with other programs: the open marker that tells them a document has the
// folder open, and what the document knows of the folder's files, so that a save notices what
// another program changed since.

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "storage/CNativeFileSystem.h"
#include "storage/CTernFileDocument.h"
#include "storage/ProjectNaming.h"
#include "storage/SaveJournal.h"

#include <set>

namespace Orvanta {

namespace {

std::string& ProgramName() {
    static std::string name = "another program";
    return name;
}

// The open markers this process holds, by lock file path: a second document of this process on the
// same folder (which the front ends avoid) opens without asking and without a marker of its own.
std::set<std::string>& MarkersHeldHere() {
    static std::set<std::string> held;
    return held;
}

// An open marker of this process: it leaves the set of held markers when released.
class CHeldOpenMarker : public CFileLock {
public:
    CHeldOpenMarker(std::unique_ptr<CFileLock> lock, std::string path)
        : m_lock(std::move(lock)), m_path(std::move(path)) {
        MarkersHeldHere().insert(m_path);
    }
    ~CHeldOpenMarker() override { MarkersHeldHere().erase(m_path); }
    bool Describe(const std::string& text) override { return m_lock->Describe(text); }

private:
    std::unique_ptr<CFileLock> m_lock;
    std::string m_path;
};

// The file name alone: "/music/Song.prj/Patch/001 Glass Pad.p00" gives "001 Glass Pad.p00".
std::string FileNameOf(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

} // namespace

void CTernFileDocument::SetProgramName(const std::string& name) {
    ProgramName() = name;
}

std::string CTernFileDocument::LockHolderText() {
    return ProgramName() + ", " + ThisProcessText();
}

CLockAttempt CTernFileDocument::TakeOpenMarker(const std::string& projectPath) {
    ReleaseOpenMarker();
    const std::string markerPath = ToNativePath(projectPath + kOpenMarkerName);
    if (MarkersHeldHere().count(markerPath) != 0) {
        return {};
    }
    CLockAttempt attempt = CDomain::Instance().FileSystem().TryLock(markerPath);
    if (attempt.lock) {
        (void)attempt.lock->Describe(LockHolderText());
        m_openMarker = std::make_unique<CHeldOpenMarker>(std::move(attempt.lock), markerPath);
    }
    return attempt;
}

bool CTernFileDocument::ClaimOpenMarker(const std::string& projectPath) {
    const CLockAttempt attempt = TakeOpenMarker(projectPath);
    if (!attempt.heldElsewhere) {
        return true; // taken, or a folder that cannot hold the marker (read-only): opened without it
    }
    CTernTextOut& reporter = CDomain::Instance().MessageReporter();
    const std::string holder = attempt.holder.empty() ? std::string("another program") : attempt.holder;
    reporter.SetQuestionDetail(ProjectFolderName(projectPath) + " is open in " + holder + ".");
    const int answer = reporter.Ask(kButtonsYesNo, kAskOpenElsewhere);
    reporter.SetQuestionDetail(std::string());
    return answer == kAnswerYes;
}

void CTernFileDocument::ReleaseOpenMarker() {
    m_openMarker.reset();
}

std::map<std::string, CFileStamp> CTernFileDocument::ListDiskState(bool lookUp) const {
    CFileSystem& files = CDomain::Instance().FileSystem();
    std::map<std::string, CFileStamp> state;
    const std::string& projectPath = m_data.m_projectPath;
    for (const auto& [folder, patterns] : ProjectFilePatterns()) {
        const std::string folderPath = projectPath + folder;
        for (const std::string& name : files.ListFolderMatchingAny(ToNativePath(folderPath), patterns)) {
            const std::string path = folderPath + name;
            state[path] = lookUp ? files.Stamp(ToNativePath(path)) : CFileStamp{};
        }
    }
    return state;
}

std::vector<std::string> CTernFileDocument::DiskChanges() const {
    std::vector<std::string> changes;
    if (m_data.m_projectPath.empty()) {
        return changes;
    }
    CFileSystem& files = CDomain::Instance().FileSystem();
    const std::string since = " by another program since " + ProjectFolderName(m_data.m_projectPath) + " was opened";
    const std::map<std::string, CFileStamp> now = ListDiskState(false);
    auto known = m_diskState.begin();
    auto seen = now.begin();
    // Both maps are in path order: one walk finds what is new, gone or changed.
    while (known != m_diskState.end() || seen != now.end()) {
        if (seen == now.end() || (known != m_diskState.end() && known->first < seen->first)) {
            changes.push_back(FileNameOf(known->first) + " was removed or renamed" + since);
            ++known;
        } else if (known == m_diskState.end() || seen->first < known->first) {
            changes.push_back(FileNameOf(seen->first) + " was added" + since);
            ++seen;
        } else {
            const CFileStamp& stamp = known->second;
            if (stamp.size >= 0 && files.Stamp(ToNativePath(known->first)) != stamp) {
                changes.push_back(FileNameOf(known->first) + " was changed" + since);
            }
            ++known;
            ++seen;
        }
    }
    return changes;
}

void CTernFileDocument::AcceptDiskChanges() {
    std::map<std::string, CFileStamp> now = ListDiskState(true);
    std::set<std::string> known(m_pendingDeletions.begin(), m_pendingDeletions.end());
    for (const int which : {kPatchList, kWaveList}) {
        const std::vector<std::string>& slotFiles = which == kPatchList ? m_data.m_patchFiles : m_data.m_waveFiles;
        known.insert(slotFiles.begin(), slotFiles.end());
        const CParameterArray& list = m_data.List(which);
        for (std::size_t i = 0; i < list.size(); ++i) {
            known.insert(list.Element(i).m_path);
        }
    }
    for (const auto& [path, stamp] : now) {
        // A file the project has in a slot or uses is never new, whatever an earlier look missed.
        if (m_diskState.count(path) != 0 || known.count(path) != 0) {
            continue;
        }
        // As loading would take it: a stray, a second file of its slot, or a number above the
        // slot count that stays untouched. The save that follows deletes the first two.
        const int number = IsSlotFileName(path) ? ParseSlotNumber(path) : 0;
        const bool wave = path.rfind(m_data.m_projectPath + "Wave/", 0) == 0;
        const int slots = static_cast<int>(CTernData::Capacity(wave ? kWaveList : kPatchList));
        if (number <= slots) {
            AddPendingDeletion(path, number == 0 ? DeletionReason::kStray : DeletionReason::kDuplicate);
        }
    }
    m_diskState = std::move(now);
}

} // namespace Orvanta
