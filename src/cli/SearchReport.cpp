#include "cli/SearchReport.h"

#include "cli/ProjectReport.h"
#include "model/CTernData.h"

namespace Orvanta::Cli {

namespace {

const char* KindWord(int which) {
    return which == kPatchList ? "patch" : "wave";
}

const std::string& NameOf(const CSearchedProject& project, int which, std::size_t slot) {
    return project.data->List(which).Element(slot).m_name;
}

std::string SlotLine(const CSearchedProject& project, int which, std::size_t slot) {
    return TerminalText(project.label) + " " + KindWord(which) + " " + std::to_string(slot + 1) + " " +
           TerminalText(NameOf(project, which, slot));
}

std::string SlotJson(const CSearchedProject& project, int which, std::size_t slot) {
    return "{\"project\":" + JsonString(project.label) + ",\"number\":" + std::to_string(slot + 1) +
           ",\"name\":" + JsonString(NameOf(project, which, slot));
}

} // namespace

std::string FormatFindText(const std::vector<CSearchedProject>& projects, const std::vector<CNameHit>& hits) {
    std::string text;
    for (const CNameHit& hit : hits) {
        text += SlotLine(projects[hit.project], hit.which, hit.slot) + "\n";
    }
    return text;
}

std::string FormatFindJson(const std::vector<CSearchedProject>& projects, const std::vector<CNameHit>& hits) {
    std::string json = "[";
    for (const CNameHit& hit : hits) {
        const CSearchedProject& project = projects[hit.project];
        json += (json.size() > 1 ? "," : "") + std::string("{\"project\":") + JsonString(project.label) +
                ",\"kind\":\"" + KindWord(hit.which) + "\",\"number\":" + std::to_string(hit.slot + 1) +
                ",\"name\":" + JsonString(NameOf(project, hit.which, hit.slot)) + "}";
    }
    return json + "]";
}

std::string FormatDuplicatesText(const std::vector<CSearchedProject>& projects, const CDuplicateGroups& groups) {
    std::string text;
    std::int64_t wasted = 0;
    for (std::size_t g = 0; g < groups.waves.size(); ++g) {
        const std::int64_t groupWaste = WastedWaveBytes(groups.waves[g], groups.waveBytes[g]);
        wasted += groupWaste;
        text += "waves, " + std::to_string(groups.waveBytes[g]) + " bytes each, " + std::to_string(groupWaste) +
                " bytes wasted:\n";
        for (const CSlotRef& member : groups.waves[g]) {
            text += "  " + SlotLine(projects[member.project], kWaveList, member.slot) + "\n";
        }
    }
    for (const std::vector<CSlotRef>& group : groups.patches) {
        text += "patches:\n";
        for (const CSlotRef& member : group) {
            text += "  " + SlotLine(projects[member.project], kPatchList, member.slot) + "\n";
        }
    }
    const auto groupsOf = [](std::size_t count, const std::string& kind) {
        return std::to_string(count) + (count == 1 ? " group" : " groups") + " of duplicate " + kind;
    };
    text += groupsOf(groups.waves.size(), "waves") + " (" + std::to_string(wasted) + " bytes of wave memory wasted), " +
            groupsOf(groups.patches.size(), "patches") + "\n";
    return text;
}

std::string FormatDuplicatesJson(const std::vector<CSearchedProject>& projects, const CDuplicateGroups& groups) {
    std::string json = "{\"waves\":[";
    for (std::size_t g = 0; g < groups.waves.size(); ++g) {
        json += g > 0 ? ",[" : "[";
        for (std::size_t m = 0; m < groups.waves[g].size(); ++m) {
            const CSlotRef& member = groups.waves[g][m];
            json += (m > 0 ? "," : "") + SlotJson(projects[member.project], kWaveList, member.slot) +
                    ",\"bytes\":" + std::to_string(groups.waveBytes[g]) + "}";
        }
        json += "]";
    }
    json += "],\"patches\":[";
    for (std::size_t g = 0; g < groups.patches.size(); ++g) {
        json += g > 0 ? ",[" : "[";
        for (std::size_t m = 0; m < groups.patches[g].size(); ++m) {
            const CSlotRef& member = groups.patches[g][m];
            json += (m > 0 ? "," : "") + SlotJson(projects[member.project], kPatchList, member.slot) + "}";
        }
        json += "]";
    }
    return json + "]}";
}

} // namespace Orvanta::Cli
