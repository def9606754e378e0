#pragma once

namespace Orvanta {

class CTernData;

// Tidies a project in memory: wave references that lead to an empty slot become 0, waves no patch
// uses are dropped (unused user waves are kept when the domain's m_waveOption is set), the wave list
// is closed up with every reference renumbered, and, unless the domain's m_patchOption is set, the
// patch list is closed up too. Inactive references are left as they are. The slot file lists stay
// as they are, so the next save renames, moves and deletes the files to match. Always true.
//
// The Clean Project command runs it through CleanProjectWithUndo (operations/EditCommands.h), which
// registers the project for undo first.
bool CleanProject(CTernData& project);

} // namespace Orvanta
