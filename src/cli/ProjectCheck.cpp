#include "cli/ProjectCheck.h"

#include "cli/ProjectReport.h"
#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CTernData.h"
#include "storage/CTernFileDocument.h"
#include "storage/LoadDiagnosis.h"
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
        result.problems = DescribeLoadFailure(folder);
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
