// Export Waves: copies of wave files under their project names in a folder the user chose.

#include "storage/WaveExport.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CTernData.h"
#include "model/CTernTextOut.h"
#include "storage/ProjectNaming.h"
#include "storage/WorkFolder.h"

namespace Orvanta {

std::string ExportFileName(const CTernData& project, std::size_t slot) {
    if (slot >= project.m_waves.size() || project.m_waves[slot].m_path.empty()) {
        return {};
    }
    const CWave& wave = project.m_waves[slot];
    std::string name = FormatSlotNumber(static_cast<int>(slot) + 1) + wave.m_name + Extension(wave.m_path);
    for (char& c : name) {
        if (c == '/' || c == '\\') {
            c = '_';
        }
    }
    return name;
}

std::vector<std::string> ExportWaves(const CTernData& project, const CSelection& slots, const std::string& folder) {
    CDomain& domain = CDomain::Instance();
    CFileSystem& fileSystem = domain.FileSystem();
    CTernTextOut& out = domain.MessageReporter();
    struct CCopy {
        std::string from;
        std::string to;
        std::string name;
    };
    std::vector<CCopy> copies;
    bool anyExists = false;
    for (const std::size_t slot : slots) {
        const std::string name = ExportFileName(project, slot);
        if (name.empty()) {
            continue;
        }
        CCopy copy{project.m_waves[slot].m_path, folder + name, name};
        if (!fileSystem.CanOpenForReading(ToNativePath(copy.from))) {
            out.ErrorWithDetail(kErrorUndefined, name + ": the wave's file cannot be read.");
            return {};
        }
        if (fileSystem.Exists(ToNativePath(copy.to))) {
            if (fileSystem.IsFolder(ToNativePath(copy.to)) ||
                fileSystem.IsSameEntry(ToNativePath(copy.from), ToNativePath(copy.to))) {
                out.ErrorWithDetail(kErrorUndefined, name + ": cannot be written there.");
                return {};
            }
            anyExists = true;
        }
        copies.push_back(std::move(copy));
    }
    if (copies.empty()) {
        return {};
    }
    if (anyExists && out.Ask(kButtonsYesNo, kAskReplaceExported) != kAnswerYes) {
        return {};
    }
    std::vector<std::string> written;
    for (const CCopy& copy : copies) {
        if (!fileSystem.CopyWholeFile(ToNativePath(copy.from), ToNativePath(copy.to))) {
            out.ErrorWithDetail(kErrorUndefined, copy.name + ": the copy cannot be written.");
            return written;
        }
        written.push_back(copy.to);
    }
    return written;
}

} // namespace Orvanta
