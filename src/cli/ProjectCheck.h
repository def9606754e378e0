#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace Orvanta::Cli {

// The outcome of checking a project folder.
struct CCheckResult {
    bool loaded = false;
    std::vector<std::string> problems; // why the project fails the check; empty when it passes
    std::vector<std::string> notes;    // things worth knowing that do not fail it
};

// Loads the project folder at `folder` as the GUI opens it and checks that every file it refers
// to can be opened. When the load fails, finds out why: a missing folder or sub-folder, a folder
// name without ".prj", a patch file that is damaged or a wave file that cannot be read.
[[nodiscard]] CCheckResult CheckProject(const std::string& folder);

// Prints the result: "PATH: ok" or "PATH: N problem(s)" followed by one indented line each.
void PrintCheckResult(const std::string& folder, const CCheckResult& result, std::ostream& out);

} // namespace Orvanta::Cli
