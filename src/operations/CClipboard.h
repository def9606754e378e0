#pragma once

#include "model/CDomain.h"
#include "operations/DropOperations.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace Orvanta {

class CTernData;

// How a paste ended: as the matching drop, or with nothing to paste.
struct CPasteResult {
    DropStatus status = DropStatus::Refused;
    bool nothingCopied = false;  // nothing copied, or rows of the other kind
    bool otherWindow = false;    // pasted as from another window: waves travel with patches
    std::size_t count = 0;       // items pasted
    std::size_t selectCount = 0; // rows to select from the paste position on
    CTernData* source = nullptr; // the project a cut emptied its rows in, when it did
    CSelection deleted;          // those rows
};

// What a paste would do now, for the status bar before it is done.
struct CPastePlan {
    bool possible = false;
    bool otherWindow = false;
    bool move = false;     // a cut whose rows are still at their places: they are emptied
    std::size_t count = 0; // items pasted
    std::size_t first = 0; // first target slot
    std::size_t last = 0;  // last target slot (inside the list)
    bool asks = false;     // a slot overwritten or pushed off the end is in use
    // The refusal the paste would end in whatever the answer to its question, known before it asks:
    // kErrorWaveSpace when the waves copied patches bring find too few free wave slots,
    // kErrorWaveSize when the wave data would pass 50 MB; 0 when it fits.
    int refusal = 0;
};

// Cut, Copy and Paste of patches and waves. Copy takes the selected rows as a drag does (patches
// bring the waves they use, waves a picture of the project's patches) and keeps them, with their
// own clones, until the next Copy or Cut; the files they come from are copied into the work folder
// (through the keeper the storage layer installs) so that a paste works after the source was saved
// or closed. A paste is the drop of those rows at a slot: overwrite or insert, with the drop's
// checks, questions and undo. It pastes as within one window when the target is the source and the
// copied rows (and the waves patches use) are still where they were; otherwise as from another
// window. Cut is Copy now and, at the paste, the deletion of the rows at their places, as a move's
// drop does, if they are still there; the rows of a cut are emptied once, later pastes copy.
class CClipboard : public CChangeObserver {
public:
    CClipboard();
    ~CClipboard() override;
    CClipboard(const CClipboard&) = delete;
    CClipboard& operator=(const CClipboard&) = delete;

    static CClipboard& Instance();

    // Copies `path` (a file of list `which`) somewhere it stays while the process runs and returns
    // the copy's path; empty when it cannot, and the clone keeps the original path.
    using CFileKeeper = std::function<std::string(const std::string& path, int which)>;
    void SetFileKeeper(CFileKeeper keeper) { m_keeper = std::move(keeper); }

    // Copy (cut false) or Cut (cut true) of the selected rows of list `which`. False, with what was
    // copied before kept, when no selected slot is in use.
    bool Copy(CTernData& source, const CSelection& selection, int which, bool cut);

    [[nodiscard]] bool IsEmpty() const { return m_which < 0; }
    // The kind of the rows copied (0 patches, 1 waves), -1 when nothing was copied.
    [[nodiscard]] int Kind() const { return m_which; }
    [[nodiscard]] std::size_t Count() const;
    // The waves copied patches bring along (0 for copied waves).
    [[nodiscard]] std::size_t WaveCount() const;
    [[nodiscard]] bool IsCut() const { return m_cut; }
    // The project copied from, null once it has gone.
    [[nodiscard]] CTernData* Source() const { return m_source; }
    // The copied rows, as slot indices of the source.
    [[nodiscard]] const CSelection& Rows() const { return m_rows; }

    // What Paste(target, which, start, insert) would do, without asking or changing anything.
    [[nodiscard]] CPastePlan Plan(const CTernData& target, int which, int start, bool insert) const;
    // Paste (insert false) or Paste Insert (insert true) at slot `start` of list `which` of `target`.
    CPasteResult Paste(CTernData& target, int which, int start, bool insert);

    // Forgets what was copied.
    void Clear();

    // CChangeObserver
    void ProjectGone(const CTernData* project) override;

private:
    // True when the copied rows, and the waves copied patches use, are still in the source's slots.
    [[nodiscard]] bool SourceIntact() const;

    CPatchArray m_patches; // the transfer buffer as the copy left it
    CWaveArray m_waves;
    int m_which = -1;
    bool m_cut = false;
    CTernData* m_source = nullptr;
    CSelection m_rows;
    std::vector<std::string> m_rowPaths;  // the file of each copied row when copied
    std::vector<std::size_t> m_waveSlots; // patches: the source slot of each accompanying wave
    std::vector<std::string> m_wavePaths; // and its file when copied
    CFileKeeper m_keeper;
};

} // namespace Orvanta
