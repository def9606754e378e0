#include "model/CDomain.h"

#include "model/CFileSystem.h"
#include "model/CTernData.h"

#include <algorithm>

namespace Orvanta {

CDomain::CDomain() : m_fileSystem(&NativeFileSystem()) {}

CDomain& CDomain::Instance() {
    static CDomain domain;
    return domain;
}

void CDomain::ClearUndo() {
    // A copy: an observer may add or remove observers while it is told.
    const std::vector<CChangeObserver*> observers = m_observers;
    for (CChangeObserver* observer : observers) {
        observer->BeforeClearUndo();
    }
    m_undone = false;
    for (CUndoSlot& slot : m_undo) {
        slot.project = nullptr;
        slot.patchesSaved = false;
        slot.wavesSaved = false;
    }
}

bool CDomain::SaveUndo(int kind, CTernData* project) {
    if (project == nullptr || (kind != kUndoPatches && kind != kUndoWaves && kind != kUndoBoth)) {
        return false;
    }
    const auto free = std::find_if(m_undo.begin(), m_undo.end(), [](const CUndoSlot& s) { return !s.project; });
    if (free == m_undo.end()) {
        return false;
    }
    if (kind == kUndoPatches || kind == kUndoBoth) {
        free->patches.Assign(project->m_patches);
        free->patchesSaved = true;
    }
    if (kind == kUndoWaves || kind == kUndoBoth) {
        free->waves.Assign(project->m_waves);
        free->wavesSaved = true;
    }
    free->project = project;
    ++m_undoSerial;
    return true;
}

void CDomain::Undo() {
    m_undone = HasUndo() && !m_undone;
    // Exchanging the lists is the same as assigning through a copy both ways, without the copies.
    for (CUndoSlot& slot : m_undo) {
        if (slot.project == nullptr) {
            continue;
        }
        if (slot.patchesSaved) {
            slot.project->m_patches.SwapContent(slot.patches);
        }
        if (slot.wavesSaved) {
            slot.project->m_waves.SwapContent(slot.waves);
        }
    }
}

bool CDomain::IsUndoProject(const CTernData* project) const {
    return project != nullptr && (m_undo[0].project == project || m_undo[1].project == project);
}

void CDomain::AddObserver(CChangeObserver* observer) {
    if (observer != nullptr && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end()) {
        m_observers.push_back(observer);
    }
}

void CDomain::RemoveObserver(CChangeObserver* observer) {
    std::erase(m_observers, observer);
}

void CDomain::NotifyProjectGone(const CTernData* project) {
    const std::vector<CChangeObserver*> observers = m_observers;
    for (CChangeObserver* observer : observers) {
        observer->ProjectGone(project);
    }
}

void CDomain::SetReporter(std::size_t index, std::shared_ptr<CTernTextOut> reporter) {
    if (index < kReporterSlots) {
        m_reporters[index] = std::move(reporter);
    }
}

CTernTextOut& CDomain::MessageReporter() {
    return m_reporters[0] ? *m_reporters[0] : m_silent;
}

CTernTextOutBuffer* CDomain::TextBuffer() const {
    return dynamic_cast<CTernTextOutBuffer*>(m_reporters[1].get());
}

void CDomain::ReportToTextBuffer(int code) {
    if (m_reporters[1]) {
        m_reporters[1]->Error(code);
    }
}

int CDomain::PendingErrorCode() const {
    const CTernTextOutBuffer* buffer = TextBuffer();
    return buffer != nullptr ? buffer->LastCode() : 0;
}

void CDomain::ReleaseReporters() {
    for (auto& reporter : m_reporters) {
        reporter.reset();
    }
    m_progress.reset();
}

void CDomain::SetFileSystem(CFileSystem* fileSystem) {
    m_fileSystem = fileSystem != nullptr ? fileSystem : &NativeFileSystem();
}

std::int64_t CDomain::FileSize(const std::string& path) const {
    if (path.empty()) {
        return 0;
    }
    // From the file's entry: sizes are shown and summed often, and need not open the file.
    return std::max<std::int64_t>(0, m_fileSystem->Stamp(NativePath(path)).size);
}

std::string CDomain::NativePath(const std::string& path) const {
    if (m_separator.empty() || m_separator == "/") {
        return path;
    }
    std::string native;
    native.reserve(path.size());
    for (const char c : path) {
        if (c == '/') {
            native += m_separator;
        } else {
            native += c;
        }
    }
    return native;
}

} // namespace Orvanta
