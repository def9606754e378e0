#pragma once

#include <string>

namespace Orvanta {

// Moves the file `path` (native, UTF-8) into the desktop's trash: the freedesktop.org trash on Linux
// (the user's, as XDG_DATA_HOME says, or the trash of the volume the file is on), the Recycle Bin
// on Windows, the Trash on macOS. False when there is no trash for it.
bool MoveFileToDesktopTrash(const std::string& path);

// Turns the saves' use of the trash on (files a save deletes go to the trash) or off (they are
// deleted as before). On Linux and the other free desktops that is the core's own freedesktop.org
// trash (storage/FreedesktopTrash.h); on Windows and macOS MoveFileToDesktopTrash.
void UseDesktopTrash(bool use);

} // namespace Orvanta
