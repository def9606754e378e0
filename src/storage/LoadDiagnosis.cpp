#include "storage/LoadDiagnosis.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CTernData.h"
#include "storage/CTernFileDocument.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"
#include "storage/SaveJournal.h"

#include <set>

namespace Orvanta {

namespace {

std::string Quote(const std::string& text) {
    return "\"" + text + "\"";
}

// Full paths of the files of `folder` that match one of the patterns the loader lists.
std::vector<std::string> ListSlotCandidates(const std::string& folder, const std::vector<std::string>& patterns) {
    std::set<std::string> names;
    for (std::string& name : CDomain::Instance().FileSystem().ListFolderMatchingAny(ToNativePath(folder), patterns)) {
        names.insert(std::move(name));
    }
    std::vector<std::string> paths;
    for (const std::string& name : names) {
        paths.push_back(folder + name);
    }
    return paths;
}

} // namespace

std::vector<std::string> DescribeLoadFailure(const std::string& folder) {
    std::vector<std::string> problems;
    const std::string path = NormaliseProjectPath(folder);
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    if (!CTernData::IsProjectPath(path)) {
        problems.push_back("the folder name does not end in \".prj\"");
    }
    if (!fileSystem.IsFolder(ToNativePath(path))) {
        problems.push_back("the folder does not exist: " + path);
        return problems;
    }
    if (HasInterruptedSave(path)) {
        problems.push_back("the folder holds a save that was interrupted and is not finished or undone");
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
            const std::int64_t size = fileSystem.FileSize(ToNativePath(file));
            const std::string bytes = std::to_string(size) + " bytes";
            problems.push_back(size < 0 ? "unreadable patch file: " + file
                               : size < static_cast<std::int64_t>(kPatchRecordSize)
                                   ? "damaged patch file (" + bytes + ", at least " + std::to_string(kPatchRecordSize) +
                                         " expected): " + file
                                   : "damaged patch file (" + bytes + ", no patch header): " + file);
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

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\n") + line;
    }
    return text;
}

} // namespace Orvanta
