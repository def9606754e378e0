#pragma once

#include <string>
#include <vector>

namespace Orvanta {

// Why a project folder does not load, one finding a line, for the user: a folder name without
// ".prj", a missing folder or sub-folder, an interrupted save that could not be put right, a patch
// file that is damaged (with its size) or a wave file that cannot be read, in the slots the loader
// reads them into. Never empty: "the project could not be loaded" when nothing particular is found.
[[nodiscard]] std::vector<std::string> DescribeLoadFailure(const std::string& folder);

// The findings as one text, a line each.
[[nodiscard]] std::string JoinLines(const std::vector<std::string>& lines);

} // namespace Orvanta
