#include "sound/CImportConversion.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CTernData.h"
#include "model/CTernTextOut.h"
#include "operations/WaveSpace.h"
#include "storage/CTernFileDocument.h"
#include "storage/ProjectNaming.h"
#include "storage/WaveImport.h"
#include "storage/WorkFolder.h"

#include <algorithm>
#include <map>

namespace Orvanta {

namespace {

// The file name of a path, for messages.
std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string LowerExtension(const std::string& path) {
    std::string extension = Extension(path);
    for (char& ch : extension) {
        if (ch >= 'A' && ch <= 'Z') {
            ch = static_cast<char>(ch - 'A' + 'a');
        }
    }
    return extension;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\n") + line;
    }
    return text;
}

} // namespace

CImportConversion::~CImportConversion() {
    RemoveStagedFiles();
}

void CImportConversion::RemoveStagedFiles() {
    for (const CFile& file : m_files) {
        if (!file.staged.empty()) {
            static_cast<void>(RemoveSoundFile(ToNativePath(file.staged)));
        }
    }
    if (m_folder.empty()) {
        return;
    }
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    for (const std::string& folder : m_subFolders) {
        static_cast<void>(fileSystem.RemoveFolder(ToNativePath(folder)));
    }
    static_cast<void>(fileSystem.RemoveFolder(ToNativePath(m_folder)));
    m_subFolders.clear();
    m_folder.clear();
}

bool CImportConversion::Prepare(const CTernFileDocument& document, const std::vector<std::string>& paths,
                                std::size_t firstSlot) {
    CDomain& domain = CDomain::Instance();
    CTernTextOut& out = domain.MessageReporter();
    RemoveStagedFiles();
    m_files.clear();
    m_cancelled = false;
    m_converted = false;
    m_failure.clear();
    if (paths.empty()) {
        out.Error(kErrorImport);
        return false;
    }
    m_firstSlot = firstSlot;
    std::vector<std::size_t> freeSlots = document.Data().EmptySlots(kWaveList);
    freeSlots.erase(freeSlots.begin(), std::lower_bound(freeSlots.begin(), freeSlots.end(), firstSlot));
    // As ImportWaves: counted before repeated files are dropped.
    if (freeSlots.size() < paths.size()) {
        out.Error(kErrorWaveSpace);
        return false;
    }
    std::vector<std::string> sources = paths;
    std::sort(sources.begin(), sources.end()); // byte order, as ImportWaves places them
    sources.erase(std::unique(sources.begin(), sources.end()), sources.end());

    std::int64_t total = TotalWaveSize(document.Data());
    std::vector<std::string> failures;
    for (const std::string& source : sources) {
        CFile file;
        file.source = source;
        std::string reason;
        // What a file is goes by its content, not its name: only a real WAV or AIFF file of the
        // instrument's PCM goes in as it is. The instrument's ".vpw" kind is not a format the sound
        // library knows; it goes in byte for byte as Import Wave takes it.
        if (LowerExtension(source) == ".vpw") {
            const std::int64_t size = domain.FileSize(source);
            if (size < 0 || domain.FileSystem().IsFolder(ToNativePath(source))) {
                failures.push_back(FileNameOf(source) + ": The file cannot be opened.");
                continue;
            }
            total += size;
        } else if (!InspectSoundSource(ToNativePath(source), file.details, reason)) {
            failures.push_back(FileNameOf(source) + ": " + reason);
            continue;
        } else if (PlaysAsItIs(source, file.details)) {
            total += std::max<std::int64_t>(0, domain.FileSize(source));
        } else {
            file.convert = true;
            total += file.details.targetDataBytes;
        }
        m_files.push_back(std::move(file));
    }
    // Every file that cannot come in is named, each with its reason.
    if (!failures.empty()) {
        m_failure = JoinLines(failures);
        out.ErrorWithDetail(kErrorImport, m_failure);
        m_files.clear();
        return false;
    }
    // The sample data alone is known before converting; ImportWaves checks the whole files again.
    if (total > kMaxWaveBytes) {
        out.Error(kErrorWaveSize);
        m_files.clear();
        return false;
    }

    // One private folder for the whole import, one numbered sub-folder a file: every staged file
    // keeps its source's stem (which becomes the wave's name), sources with equal names do not
    // meet, and the staged paths sort in the order of the sources.
    const std::string workFolder = domain.WorkFolder();
    m_folder = workFolder.empty() ? std::string() : CreateUniquePrivateFolder(workFolder + "convert-");
    if (m_folder.empty()) {
        out.Error(kErrorUndefined);
        m_files.clear();
        return false;
    }
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        std::string number = std::to_string(i + 1);
        number.insert(0, number.size() < 3 ? 3 - number.size() : 0, '0');
        const std::string folder = m_folder + "/" + number;
        if (!CreateOwnerOnlyFolder(folder)) {
            out.Error(kErrorUndefined);
            m_files.clear();
            RemoveStagedFiles();
            return false;
        }
        m_subFolders.push_back(folder);
        CFile& file = m_files[i];
        const std::string stem = StemName(file.source);
        file.staged = folder + "/" + stem + (file.convert ? std::string(".wav") : Extension(file.source));
    }
    return true;
}

bool CImportConversion::Convert(const ConversionProgress& progress) {
    if (m_files.empty()) {
        return false;
    }
    const double share = 1.0 / static_cast<double>(m_files.size());
    std::vector<std::string> failures;
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        CFile& file = m_files[i];
        const double before = share * static_cast<double>(i);
        if (progress && !progress(before)) {
            m_cancelled = true;
            break;
        }
        std::string reason;
        if (file.convert) {
            const CConversionResult result =
                ConvertToWav(ToNativePath(file.source), ToNativePath(file.staged),
                             [&](double fraction) { return !progress || progress(before + share * fraction); });
            if (result.cancelled) {
                m_cancelled = true;
                break;
            }
            file.details = result.source;
            file.clipped = result.clippedSamples;
            reason = result.reason;
        } else if (CopyToNewSoundFile(ToNativePath(file.source), ToNativePath(file.staged), reason)) {
            reason.clear();
        }
        // A file that fails does not stop the others: every file that cannot come in is named.
        if (!reason.empty()) {
            failures.push_back(FileNameOf(file.source) + ": " + reason);
        }
    }
    m_failure = JoinLines(failures);
    if (m_cancelled || !m_failure.empty()) {
        for (CFile& file : m_files) {
            static_cast<void>(RemoveSoundFile(ToNativePath(file.staged)));
        }
        return false;
    }
    if (progress) {
        progress(1.0);
    }
    m_converted = true;
    return true;
}

std::size_t CImportConversion::Import(CTernFileDocument& document) {
    if (m_files.empty()) {
        return 0; // Prepare refused and said why
    }
    if (!m_converted) {
        if (!m_failure.empty()) {
            CDomain::Instance().MessageReporter().ErrorWithDetail(kErrorImport, m_failure);
        }
        return 0;
    }
    std::vector<std::string> staged;
    staged.reserve(m_files.size());
    for (const CFile& file : m_files) {
        staged.push_back(file.staged);
    }
    const std::size_t placed = document.ImportWaves(staged, m_firstSlot);
    RemoveStagedFiles();
    return placed;
}

std::string CImportConversion::Summary() const {
    std::map<std::string, int> convertedByFormat;
    std::vector<std::string> formats; // in the order first met
    int unchanged = 0;
    std::string clipped;
    for (const CFile& file : m_files) {
        if (!file.convert) {
            ++unchanged;
            continue;
        }
        if (convertedByFormat[file.details.format]++ == 0) {
            formats.push_back(file.details.format);
        }
        if (file.clipped > 0) {
            clipped += "; " + std::to_string(file.clipped) + (file.clipped == 1 ? " sample" : " samples") +
                       " clipped in " + FileNameOf(file.source);
        }
    }
    std::string text;
    for (const std::string& format : formats) {
        text += (text.empty() ? "" : ", ") + std::to_string(convertedByFormat[format]) + " converted from " + format;
    }
    if (unchanged > 0) {
        text += (text.empty() ? "" : ", ") + std::to_string(unchanged) +
                (unchanged == 1 ? " imported as it is" : " imported as they are");
    }
    return text + clipped;
}

} // namespace Orvanta
