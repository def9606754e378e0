#include "operations/EditCommands.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/CHistory.h"

#include <algorithm>

namespace Orvanta {

bool CanDeleteSelection(const CTernData& project, const CSelection& selection, int which) {
    if (which != kPatchList && which != kWaveList) {
        return false;
    }
    const CParameterArray& list = project.List(which);
    return std::any_of(selection.begin(), selection.end(),
                       [&list](std::size_t i) { return i < list.size() && !list.Element(i).IsEmpty(); });
}

bool DeleteSelection(CTernData& project, const CSelection& selection, int which) {
    if (!CanDeleteSelection(project, selection, which)) {
        return false;
    }
    return DeleteItems(project, selection, which, true);
}

std::vector<CTernData*> UndoLastChange() {
    CDomain& domain = CDomain::Instance();
    std::vector<CTernData*> restored;
    if (!domain.HasUndo()) {
        return restored;
    }
    // The history names the change Undo toggles, and follows the toggle.
    CHistory& history = CHistory::Instance();
    history.Record("");
    domain.Undo();
    history.AfterUndo();
    for (std::size_t slot = 0; slot < CDomain::kUndoSlots; ++slot) {
        CTernData* project = domain.UndoSlot(slot).project;
        if (project != nullptr && std::find(restored.begin(), restored.end(), project) == restored.end()) {
            restored.push_back(project);
        }
    }
    return restored;
}

bool CleanProjectWithUndo(CTernData& project, const std::function<bool(CTernData&)>& clean) {
    CDomain& domain = CDomain::Instance();
    domain.ClearUndo();
    domain.SaveUndo(kUndoBoth, &project);
    return clean ? clean(project) : false;
}

std::string FilterName(std::string_view text) {
    constexpr std::string_view kRemoved = "\\/*?:\"<>|";
    std::string name;
    name.reserve(text.size());
    for (const char c : text) {
        if (kRemoved.find(c) == std::string_view::npos) {
            name += c;
        }
    }
    return name;
}

std::size_t RenameElements(CTernData& project, int which, const CSelection& indices, std::string_view text) {
    if (which != kPatchList && which != kWaveList) {
        return 0;
    }
    CParameterArray& list = project.List(which);
    const std::string name = FilterName(text);
    std::size_t renamed = 0;
    for (const std::size_t i : indices) {
        if (i >= list.size()) {
            continue;
        }
        if (renamed == 0) {
            CDomain& domain = CDomain::Instance();
            domain.ClearUndo();
            domain.SaveUndo(which == kPatchList ? kUndoPatches : kUndoWaves, &project);
        }
        list.Element(i).SetName(name, false);
        ++renamed;
    }
    return renamed;
}

} // namespace Orvanta
