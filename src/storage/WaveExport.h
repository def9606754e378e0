#pragma once

#include "operations/TransferOperations.h"

#include <cstddef>
#include <string>
#include <vector>

namespace Orvanta {

class CTernData;

// Export Waves: the files of selected waves written elsewhere byte for byte, each under the name it
// has (or will have) in the project folder, "NNN Name.ext". For a wave imported but not yet saved
// that is its work copy.

// "NNN Name.ext" of the wave in `slot` (0-based): its number, its name and the extension of its file.
// Characters that would lead into another folder ("/", "\") become "_". Empty for an empty slot.
[[nodiscard]] std::string ExportFileName(const CTernData& project, std::size_t slot);

// Copies the waves at `slots` of `project` (empty slots are passed over) into the existing folder
// `folder` (internal form, ending in "/"). Before anything is written every source is checked; when
// files of these names already exist there, the message reporter asks once (kAskReplaceExported)
// and nothing is written unless the answer is Yes. Failures are reported ("Undefined error." with
// the file that failed). Returns the paths written, in slot order; empty when refused or nothing
// was selected.
std::vector<std::string> ExportWaves(const CTernData& project, const CSelection& slots, const std::string& folder);

} // namespace Orvanta
