#include "operations/CClipboard.h"

#include "model/CTernData.h"
#include "model/CTernTextOut.h"
#include "operations/InsertOperation.h"
#include "operations/OverwriteOperation.h"
#include "operations/WaveReferences.h"
#include "operations/WaveSpace.h"

namespace Orvanta {

CClipboard::CClipboard() {
    CDomain::Instance().AddObserver(this);
}

CClipboard::~CClipboard() {
    CDomain::Instance().RemoveObserver(this);
}

CClipboard& CClipboard::Instance() {
    static CClipboard clipboard;
    return clipboard;
}

std::size_t CClipboard::Count() const {
    if (m_which < 0) {
        return 0;
    }
    return m_which == kPatchList ? m_patches.size() : m_waves.size();
}

bool CClipboard::Copy(CTernData& source, const CSelection& selection, int which, bool cut) {
    if (which != kPatchList && which != kWaveList) {
        return false;
    }
    const CSelection rows = NormaliseSelection(selection, which);
    if (!StartDrag(source, rows, which)) {
        return false;
    }
    CDomain& domain = CDomain::Instance();
    m_patches.SwapContent(domain.m_transferPatches);
    m_waves.SwapContent(domain.m_transferWaves);
    EmptyTransfer();
    m_which = which;
    m_cut = cut;
    m_source = &source;
    m_rows = rows;
    m_rowPaths.clear();
    for (const std::size_t row : rows) {
        m_rowPaths.push_back(source.List(which).Element(row).m_path);
    }
    m_waveSlots.clear();
    m_wavePaths.clear();
    if (which == kPatchList) {
        for (std::size_t l = 0; l < m_waves.size(); ++l) {
            const auto slot = static_cast<std::size_t>(MarkerOf(m_waves[l]) - 1);
            m_waveSlots.push_back(slot);
            m_wavePaths.push_back(slot < kWaveSlots ? source.m_waves[slot].m_path : std::string());
        }
    }
    // The clones that can be pasted stop depending on the source's files.
    if (m_keeper) {
        const auto keep = [this](CParameter& clone, int kind) {
            if (!clone.IsEmpty()) {
                if (std::string kept = m_keeper(clone.m_path, kind); !kept.empty()) {
                    clone.m_path = std::move(kept);
                }
            }
        };
        if (which == kPatchList) {
            for (std::size_t i = 0; i < m_patches.size(); ++i) {
                keep(m_patches[i], kPatchList);
            }
        }
        for (std::size_t i = 0; i < m_waves.size(); ++i) {
            keep(m_waves[i], kWaveList);
        }
    }
    return true;
}

bool CClipboard::SourceIntact() const {
    if (m_source == nullptr || m_which < 0) {
        return false;
    }
    const CParameterArray& list = m_source->List(m_which);
    for (std::size_t k = 0; k < m_rows.size(); ++k) {
        if (list.Element(m_rows[k]).m_path != m_rowPaths[k]) {
            return false;
        }
    }
    for (std::size_t l = 0; l < m_waveSlots.size(); ++l) {
        if (m_waveSlots[l] >= kWaveSlots || m_source->m_waves[m_waveSlots[l]].m_path != m_wavePaths[l]) {
            return false;
        }
    }
    return true;
}

std::size_t CClipboard::WaveCount() const {
    return m_which == kPatchList ? m_waves.size() : 0;
}

CPastePlan CClipboard::Plan(const CTernData& target, int which, int start, bool insert) const {
    CPastePlan plan;
    const std::size_t count = Count();
    if (m_which < 0 || which != m_which || start < 0 || count == 0) {
        return plan;
    }
    const auto first = static_cast<std::size_t>(start);
    if (!target.IsValidRange(which, first, count)) {
        return plan;
    }
    const bool intact = SourceIntact();
    plan.possible = true;
    plan.otherWindow = !(intact && &target == m_source);
    plan.move = m_cut && intact;
    plan.count = count;
    plan.first = first;
    plan.last = first + count - 1;
    plan.asks = insert ? target.AnyUsedInTail(which, count) : target.AnyUsedInRange(which, first, count);
    // The wave checks of the paste's drop, counted here on the copied rows without the transfer
    // buffer: data comes in from another window, or as a copy of waves within one.
    const bool addsWaveData = plan.otherWindow || (which == kWaveList && !plan.move);
    if (addsWaveData) {
        if (which == kPatchList && target.CountEmpty(kWaveList) < m_waves.size()) {
            plan.refusal = kErrorWaveSpace;
        } else {
            std::int64_t total = TotalWaveBytes(target.m_waves) + TotalWaveBytes(m_waves);
            if (!insert && which == kWaveList) {
                total -= WaveBytes(target.m_waves, first, count);
            }
            if (total > kMaxWaveBytes) {
                plan.refusal = kErrorWaveSize;
            }
        }
    }
    return plan;
}

CPasteResult CClipboard::Paste(CTernData& target, int which, int start, bool insert) {
    CPasteResult result;
    if (m_which < 0 || which != m_which) {
        result.nothingCopied = true;
        return result;
    }
    const bool intact = SourceIntact();
    const bool sameWindow = intact && &target == m_source;
    const bool move = m_cut && intact;
    result.otherWindow = !sameWindow;
    CDomain& domain = CDomain::Instance();
    domain.m_dropInserts = insert ? 1 : 0;
    domain.m_dropCopies = move ? 0 : 1;
    if (IsDropOntoOwnPlace(m_rows, sameWindow, start)) {
        result.status = DropStatus::NoOp;
        return result;
    }
    if (start < 0) {
        return result;
    }
    domain.m_transferPatches.Assign(m_patches);
    domain.m_transferWaves.Assign(m_waves);
    if (which == kWaveList && sameWindow) {
        // The rows are still where they were, but patches may have moved since the copy: the
        // references to the rows and their users are the project's as they are now.
        domain.m_transferPatches.Assign(target.m_patches);
        for (std::size_t k = 0; k < m_rows.size(); ++k) {
            CWave& clone = domain.m_transferWaves[k];
            clone.m_users = target.m_waves[m_rows[k]].m_users;
            clone.AddUser(static_cast<std::int32_t>(m_rows[k]), true);
        }
    }
    const auto first = static_cast<std::size_t>(start);
    const std::size_t n = TransferCount(which);
    if (insert) {
        result.count = Insert(target, first, which, result.otherWindow);
    } else if (Overwrite(target, first, which, result.otherWindow)) {
        result.count = n;
    }
    if (result.count > 0) {
        result.status = DropStatus::Done;
        result.selectCount = RowsToSelectAfterInsert(which, result.count, start);
        if (move) {
            const CSelection rows = ReselectAfterDrop(m_rows, which, result.otherWindow, insert, start, result.count);
            if (DeleteAfterMove(*m_source, rows, which, result.otherWindow)) {
                result.source = m_source;
                result.deleted = rows;
            }
            // The rows are gone from their places: further pastes copy.
            m_cut = false;
        }
    }
    EmptyTransfer();
    return result;
}

void CClipboard::Clear() {
    m_patches.Resize(0);
    m_waves.Resize(0);
    m_which = -1;
    m_cut = false;
    m_source = nullptr;
    m_rows.clear();
    m_rowPaths.clear();
    m_waveSlots.clear();
    m_wavePaths.clear();
}

void CClipboard::ProjectGone(const CTernData* project) {
    if (project == m_source) {
        m_source = nullptr;
    }
}

} // namespace Orvanta
