#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace Orvanta {

class CTernData;

// True when `name` contains `text`. ASCII letters match without regard to case; every other byte,
// accented letters in UTF-8 included, matches only itself. Empty text is contained in every name.
[[nodiscard]] bool NameContains(std::string_view name, std::string_view text);

// A used slot whose name contains the searched text.
struct CNameHit {
    std::size_t project = 0; // index into the searched projects
    int which = 0;           // kPatchList or kWaveList
    std::size_t slot = 0;    // 0-based slot index
    bool operator==(const CNameHit&) const = default;
};

// The used slots of `projects` whose names contain `text`: project by project, patches before waves,
// in slot order. Empty text finds nothing.
[[nodiscard]] std::vector<CNameHit> FindNames(const std::vector<const CTernData*>& projects, std::string_view text);

} // namespace Orvanta
