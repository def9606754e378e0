#include "operations/PasteChecks.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/TransferOperations.h"
#include "operations/WaveSpace.h"

namespace Orvanta {

bool CanPaste(CTernData& project, std::size_t start, int which, bool fromOtherWindow, DestroyedSlots destroyed) {
    CDomain& domain = CDomain::Instance();
    const std::size_t n = TransferCount(which);
    if (n == 0) {
        return false;
    }
    if (!project.IsValidRange(which, start, n)) {
        return false;
    }
    const bool overwrites = destroyed == DestroyedSlots::Range;
    const bool destroysUsed = overwrites ? project.AnyUsedInRange(which, start, n) : project.AnyUsedInTail(which, n);
    if (destroysUsed &&
        domain.MessageReporter().Ask(kButtonsOkCancel, overwrites ? kAskOverwrite : kAskInsert) == kAnswerCancel) {
        return false;
    }
    if (DropAddsWaveData(which, fromOtherWindow)) {
        if (which == kPatchList && !HasRoomForAccompanyingWaves(project)) {
            return false;
        }
        std::int64_t total = TotalWaveBytes(project.m_waves) + TotalWaveBytes(domain.m_transferWaves);
        if (overwrites && which == kWaveList) {
            total -= WaveBytes(project.m_waves, start, n);
        }
        if (!StaysWithinWaveLimit(total)) {
            return false;
        }
    }
    return true;
}

std::size_t Paste(CTernData& project, std::size_t start, int which, bool fromOtherWindow, DestroyedSlots destroyed,
                  PasteItems patches, PasteItems waves) {
    if (!CanPaste(project, start, which, fromOtherWindow, destroyed)) {
        return 0;
    }
    CDomain& domain = CDomain::Instance();
    domain.ClearUndo();
    domain.SaveUndo(kUndoBoth, &project);
    const std::size_t n = TransferCount(which);
    (which == kPatchList ? patches : waves)(project, start, n, fromOtherWindow);
    return n;
}

} // namespace Orvanta
