#pragma once

#include "operations/DuplicateSearch.h"
#include "operations/NameSearch.h"

#include <string>
#include <vector>

namespace Orvanta {
class CTernData;
}

namespace Orvanta::Cli {

// A searched project: the name it is shown by (as given on the command line) and its container.
struct CSearchedProject {
    std::string label;
    const CTernData* data = nullptr;
};

// "find": one line per hit, "PROJECT patch|wave NUMBER NAME", project and name through TerminalText.
[[nodiscard]] std::string FormatFindText(const std::vector<CSearchedProject>& projects,
                                         const std::vector<CNameHit>& hits);
// "find --json": one array of {"project", "kind" ("patch"|"wave"), "number", "name"} on one line.
[[nodiscard]] std::string FormatFindJson(const std::vector<CSearchedProject>& projects,
                                         const std::vector<CNameHit>& hits);

// "duplicates": each group as a heading line ("waves, 1000 bytes each, 1000 bytes wasted:" or
// "patches:") and one indented line per member, "PROJECT patch|wave NUMBER NAME"; a last line sums up.
[[nodiscard]] std::string FormatDuplicatesText(const std::vector<CSearchedProject>& projects,
                                               const CDuplicateGroups& groups);
// "duplicates --json": {"waves": [[{"project", "number", "name", "bytes"}, ...], ...], "patches":
// [[{"project", "number", "name"}, ...], ...]} on one line.
[[nodiscard]] std::string FormatDuplicatesJson(const std::vector<CSearchedProject>& projects,
                                               const CDuplicateGroups& groups);

} // namespace Orvanta::Cli
