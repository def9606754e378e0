#include "cli/ProjectCheck.h"

#include "cli/ProjectReport.h"
#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CTernData.h"
#include "storage/CTernFileDocument.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"
#include "storage/SaveJournal.h"

#include <initializer_list>
#include <set>

namespace Orvanta::Cli {

namespace {

std::string Quote(const std::string& text) {
    return "\"" + text + "\"";
}

// Full paths of the files of `folder` that match one of the patterns the loader lists.
std::vector<std::string> ListSlotCandidates(const std::string& folder, std::initializer_list<const char*> patterns) {
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    std::set<std::string> names;
    for (const char* pattern : patterns) {
        for (std::string& name : fileSystem.ListFolder(ToNativePath(folder), pattern)) {
            names.insert(std::move(name));
        }
    }
    std::vector<std::string> paths;
    for (const std::string& name : names) {
        paths.push_back(folder + name);
    }
    return paths;
}

// Why a project folder did not load: the folders first, then the files the loader would read, in
// the slots it would read them into.
std::vector<std::string> DiagnoseLoadFailure(const std::string& folder) {
    std::vector<std::string> problems;
    const std::string path = NormaliseProjectPath(folder);
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    if (!CTernData::IsProjectPath(path)) {
        problems.push_back("the folder name does not end in \".prj\"");
    }
    if (!fileSystem.IsFolder(ToNativePath(path))) {
        problems.push_back("the folder does not exist");
        return problems;
    }
    for (const char* sub : {"Patch", "Wave"}) {
        if (!fileSystem.IsFolder(ToNativePath(path + sub))) {
            problems.push_back("the sub-folder " + Quote(sub) + " is missing");
        }
    }
    if (!problems.empty()) {
        return problems;
    }
    CTernFileDocument scratch;
    for (const std::string& file : scratch.AssignSlots(ListSlotCandidates(path + "Patch/", {"*.p00"}), kPatchList)) {
        CPatch patch;
        if (!file.empty() && !ReadPatchFile(file, patch)) {
            problems.push_back("damaged or unreadable patch file: " + file);
        }
    }
    for (const std::string& file :
         scratch.AssignSlots(ListSlotCandidates(path + "Wave/", {"*.w*", "*.aif*", "*.vpw"}), kWaveList)) {
        if (!file.empty() && fileSystem.OpenRead(ToNativePath(file)) == nullptr) {
            problems.push_back("unreadable wave file: " + file);
        }
    }
    if (problems.empty()) {
        problems.push_back("the project could not be loaded");
    }
    return problems;
}

} // namespace

CCheckResult CheckProject(const std::string& folder) {
    CCheckResult result;
    // Checking changes nothing: a folder with an interrupted save is reported, not recovered.
    if (HasInterruptedSave(NormaliseProjectPath(folder))) {
        result.problems.push_back("a save was interrupted and is not finished; \"orvanta-cli recover\" finishes "
                                  "or undoes it (opening the project does so too)");
        return result;
    }
    CTernFileDocument document;
    result.loaded = document.OpenProjectFolder(folder, CTernFileDocument::Recovery::kRefuse);
    if (!result.loaded) {
        result.problems = DiagnoseLoadFailure(folder);
        return result;
    }
    const CProjectReport report = BuildReport(document);
    if (!CTernFileDocument::CheckSourceFiles(document.Data())) {
        for (const std::string& path : report.missing) {
            result.problems.push_back("missing file: " + path);
        }
        if (result.problems.empty()) {
            result.problems.push_back("a file of the project cannot be found");
        }
    }
    for (const std::string& path : report.pendingDeletions) {
        result.notes.push_back("not part of the project, deleted by the next save in place: " + path);
    }
    const CWaveArray& waves = document.Data().m_waves;
    for (const CPatchEntry& patch : report.patches) {
        for (const int wave : patch.waves) {
            if (waves[static_cast<std::size_t>(wave - 1)].IsEmpty()) {
                result.notes.push_back("patch " + std::to_string(patch.number) + " " + Quote(patch.name) +
                                       " uses wave " + std::to_string(wave) + ", which is empty");
            }
        }
    }
    return result;
}

void PrintCheckResult(const std::string& folder, const CCheckResult& result, std::ostream& out) {
    if (result.problems.empty()) {
        out << folder << ": ok\n";
    } else {
        out << folder << ": " << result.problems.size() << (result.problems.size() == 1 ? " problem\n" : " problems\n");
        for (const std::string& problem : result.problems) {
            out << "  " << problem << "\n";
        }
    }
    for (const std::string& note : result.notes) {
        out << "  note: " << note << "\n";
    }
    out << std::flush;
}

} // namespace Orvanta::Cli
