#pragma once

#include "model/CParameterArray.h"
#include "model/CTernProgressBar.h"
#include "model/CTernTextOut.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Orvanta {

class CFileSystem;
class CTernData;

// Told of the changes the domain sees, so that what keeps its own record of projects (the history of
// changes, what was copied) stays in step: ClearUndo is where a change may end and the next begin,
// and a project container that goes away must no longer be touched.
class CChangeObserver {
public:
    CChangeObserver() = default;
    CChangeObserver(const CChangeObserver&) = delete;
    CChangeObserver& operator=(const CChangeObserver&) = delete;
    virtual ~CChangeObserver() = default;

    // Called by ClearUndo before it clears the undo state.
    virtual void BeforeClearUndo() {}
    // Called by the destructor of a project container, after it cleared its undo registration.
    virtual void ProjectGone(const CTernData* project) { (void)project; }
};

// Undo kinds for SaveUndo.
enum UndoKind : int { kUndoPatches = 0, kUndoWaves = 1, kUndoBoth = 3 };

// The one process-wide object of the data model: transfer buffer, one-level undo over at most two
// projects, the modifiers of the drop under way, the reporters, the work folder and shared settings.
class CDomain {
public:
    // A registered project with the saved copies of its lists.
    struct CUndoSlot {
        CTernData* project = nullptr; // not owned
        CPatchArray patches;
        CWaveArray waves;
        bool patchesSaved = false;
        bool wavesSaved = false;
    };

    static constexpr std::size_t kReporterSlots = 4;
    static constexpr std::size_t kUndoSlots = 2;

    CDomain(const CDomain&) = delete;
    CDomain& operator=(const CDomain&) = delete;

    static CDomain& Instance();

    // Undo.
    void ClearUndo();
    // Registers `project` in the first free slot with a copy of the lists named by `kind` (0
    // patches, 1 waves, 3 both). Refused (false, nothing changed) for another kind or when both
    // slots are taken.
    bool SaveUndo(int kind, CTernData* project);
    [[nodiscard]] bool HasUndo() const { return m_undo[0].project != nullptr; }
    // Swaps each registered project's saved lists with its current ones: a second Undo redoes.
    void Undo();
    // True when the last change has been undone, so that the next Undo redoes it.
    [[nodiscard]] bool IsUndone() const { return HasUndo() && m_undone; }
    [[nodiscard]] bool IsUndoProject(const CTernData* project) const;
    [[nodiscard]] const CUndoSlot& UndoSlot(std::size_t index) const { return m_undo[index]; }
    // Counts the registrations of SaveUndo: a value not seen before means a new change was made.
    [[nodiscard]] std::uint64_t UndoSerial() const { return m_undoSerial; }

    // Observers of changes, not owned; each is added once and removes itself before it goes.
    void AddObserver(CChangeObserver* observer);
    void RemoveObserver(CChangeObserver* observer);
    void NotifyProjectGone(const CTernData* project);

    // Reporters. A slot releases its object when the last slot holding it lets go.
    void SetReporter(std::size_t index, std::shared_ptr<CTernTextOut> reporter);
    [[nodiscard]] CTernTextOut* Reporter(std::size_t index) const { return m_reporters[index].get(); }
    // The message reporter (slot 0); a silent one when none is set.
    [[nodiscard]] CTernTextOut& MessageReporter();
    // The text buffer reporter (slot 1), or null.
    [[nodiscard]] CTernTextOutBuffer* TextBuffer() const;
    void ReportToTextBuffer(int code);
    [[nodiscard]] int PendingErrorCode() const;
    void SetProgress(std::unique_ptr<CTernProgressBar> progress) { m_progress = std::move(progress); }
    [[nodiscard]] CTernProgressBar* Progress() const { return m_progress.get(); }
    void ReleaseReporters();

    void SetSeparator(const std::string& text) { m_separator = text; }
    [[nodiscard]] const std::string& Separator() const { return m_separator; }
    // `path` with every "/" replaced by the separator, unless that is "/" (or not set): the one
    // conversion of a path for the file system (ToNativePath).
    [[nodiscard]] std::string NativePath(const std::string& path) const;
    void SetWorkFolder(const std::string& text) { m_workFolder = text; }
    [[nodiscard]] std::string WorkFolder() const { return m_workFolder; }

    // The file system all core file access goes through; the native one unless a test replaced it.
    void SetFileSystem(CFileSystem* fileSystem);
    [[nodiscard]] CFileSystem& FileSystem() const { return *m_fileSystem; }

    // Size in bytes of the file at `path`, read from its entry without opening it; 0 for an empty
    // path or when no regular file is there.
    // 64-bit: a file of 4 GB or more never wraps to a small size.
    [[nodiscard]] std::int64_t FileSize(const std::string& path) const;

    CPatchArray m_transferPatches;
    CWaveArray m_transferWaves;
    std::int32_t m_dropInserts = 0;
    std::int32_t m_dropCopies = 0;
    std::int32_t m_gridOn = 0;
    std::string m_separator;
    std::int32_t m_waveOption = 0;
    std::int32_t m_patchOption = 0;

private:
    CDomain();
    ~CDomain() = default;

    std::array<CUndoSlot, kUndoSlots> m_undo;
    bool m_undone = false;
    std::uint64_t m_undoSerial = 0;
    std::vector<CChangeObserver*> m_observers;
    std::string m_workFolder;
    std::array<std::shared_ptr<CTernTextOut>, kReporterSlots> m_reporters;
    std::unique_ptr<CTernProgressBar> m_progress;
    CFileSystem* m_fileSystem;
    CTernTextOut m_silent;
};

} // namespace Orvanta
