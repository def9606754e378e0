#pragma once

#include <string_view>

namespace Orvanta {

// True when `name` matches the wildcard `pattern` as a whole: "*" stands for any run of
// characters (none included), "?" for exactly one character, every other character for itself
// without regard to letter case. Letter case is folded for A-Z only: cards written on FAT file
// systems carry names such as "001 PAD.P00", and "*.p00" must find them.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

} // namespace Orvanta
