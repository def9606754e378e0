// Wave import: sound files are copied, unchanged, into the work folder and placed in the project's
// free wave slots; the next save copies them into the project folder.

#include "storage/WaveImport.h"

#include "model/CDomain.h"
#include "model/CProgressEpisode.h"
#include "model/CTernData.h"
#include "operations/TransferOperations.h"
#include "operations/WaveSpace.h"
#include "storage/CTernFileDocument.h"
#include "storage/ProjectNaming.h"
#include "storage/WorkFolder.h"

#include <algorithm>
#include <cctype>

namespace Orvanta {

namespace {

// Extensions of the user waves that can be imported (compared lower-cased).
bool IsImportableExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.find('.') == std::string::npos) {
        return false;
    }
    std::string extension = Extension(name);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".wav" || extension == ".aif" || extension == ".aiff" || extension == ".vpw";
}

} // namespace

std::int64_t TotalWaveSize(const CTernData& project) {
    return TotalWaveBytes(project.m_waves);
}

std::string WaveMemoryText(const CTernData& project) {
    return FormatByteSize(TotalWaveSize(project));
}

std::size_t CTernFileDocument::ImportWaves(const std::vector<std::string>& paths) {
    return ImportWaves(paths, 0);
}

std::size_t CTernFileDocument::ImportWaves(const std::vector<std::string>& paths, std::size_t firstSlot) {
    CDomain& domain = CDomain::Instance();
    CTernTextOut& out = domain.MessageReporter();
    if (paths.empty()) {
        out.Error(kErrorImport);
        return 0;
    }
    std::vector<std::size_t> freeSlots = m_data.EmptySlots(kWaveList);
    freeSlots.erase(freeSlots.begin(), std::lower_bound(freeSlots.begin(), freeSlots.end(), firstSlot));
    // Counted before duplicates and foreign files are dropped.
    if (freeSlots.size() < paths.size()) {
        out.Error(kErrorWaveSpace);
        return 0;
    }
    std::vector<std::string> files = paths;
    std::sort(files.begin(), files.end()); // byte order
    files.erase(std::unique(files.begin(), files.end()), files.end());
    files.erase(
        std::remove_if(files.begin(), files.end(), [](const std::string& p) { return !IsImportableExtension(p); }),
        files.end());
    if (files.empty()) {
        out.Error(kErrorImport);
        return 0;
    }
    std::int64_t total = TotalWaveSize(m_data);
    for (const std::string& path : files) {
        total += domain.FileSize(path);
    }
    if (total > kMaxWaveBytes) {
        out.Error(kErrorWaveSize);
        return 0;
    }

    // One undo step for the whole import.
    domain.ClearUndo();
    domain.SaveUndo(kUndoBoth, &m_data);
    std::size_t placed = 0;
    CProgressEpisode progress(static_cast<int>(files.size()), "Importing waves...");
    for (const std::string& path : files) {
        progress.Step(static_cast<int>(placed));
        const std::string workCopy = CopyIntoWorkFolder(path, CParameter::CutName(StemName(path)), Extension(path));
        if (workCopy.empty()) {
            // The waves placed so far stay (and can be undone); the caller shows them.
            out.Error(kErrorUndefined);
            break;
        }
        // A patch may still name this empty slot (its wave file was missing at load); emptying the
        // slot as a drop does clears those references, so they do not come to name the new sound.
        DeleteItems(m_data, {freeSlots[placed]}, kWaveList, false);
        CWave& wave = m_data.m_waves[freeSlots[placed]];
        wave.m_path = workCopy;
        wave.SetName(BareName(workCopy), false);
        ++placed;
    }
    if (placed > 0) {
        SetModified(true);
    }
    return placed;
}

} // namespace Orvanta
