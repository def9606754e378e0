#pragma once

#include <QString>

namespace Orvanta {

// The program's version text of a value name ("FileDescription", "FileVersion",
// "ProductVersion", "LegalCopyright"); empty for any other name.
QString VersionString(const QString& valueName);

// True when "Version"/"FileVersion" in the settings differs from the running program's
// FileVersion: the first run of a new version then ignores the stored tool-bar layout.
bool IsNewProgramVersion();
// Stores the running program's FileVersion under "Version"/"FileVersion".
void StoreProgramVersion();

} // namespace Orvanta
