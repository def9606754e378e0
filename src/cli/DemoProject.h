#pragma once

#include <cstdint>
#include <string>

namespace Orvanta::Cli {

// What a demo project holds, for the message after writing it.
struct CDemoSummary {
    int patches = 0;
    int waves = 0;
    int unusedWaves = 0;
    int emptyPatchSlot = 0; // the number of the one gap in the patch list
};

inline constexpr std::uint64_t kDefaultDemoSeed = 1;

// Writes a demo project folder at `path` (an absolute path whose name ends in ".prj"; its parent
// must exist and the path itself must not): a few dozen named patches across the usual categories
// with one gap in the patch list, instrument waves (".w00") and user waves (".wav" and ".aif" with
// short synthesised sounds), some shared by several patches and some unused, and the three system
// files. The same seed gives the same project. On failure nothing is left behind and `error` says
// why.
bool WriteDemoProject(const std::string& path, std::uint64_t seed, CDemoSummary& summary, std::string& error);

} // namespace Orvanta::Cli
