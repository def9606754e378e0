#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Orvanta::Cli {

// "orvanta-cli library [--library FILE] STATEMENT ...": the catalogue of the projects under the
// user's watched folders (src/library). `defaultFile` is the catalogue named by a --library before
// the command, if any. Returns the exit status.
int RunLibraryCommand(const std::vector<std::string>& args, const std::optional<std::string>& defaultFile,
                      std::ostream& out, std::ostream& err);

// The catalogue the "run" command's saves keep current: the one --library named, else the user's.
void SetLibraryFileForSaves(const std::optional<std::string>& file);

// After a successful save of the project folder `projectPath`: when the catalogue file exists and
// the folder lies under one of its watched folders, that project's rows are brought up to date. A
// catalogue that cannot be updated is reported on `err` and does not fail the save. Does nothing
// in a build without the catalogue.
void UpdateLibraryAfterSave(const std::string& projectPath, std::ostream& err);

} // namespace Orvanta::Cli
