#include "storage/ClipboardFiles.h"

#include "operations/CClipboard.h"
#include "storage/ProjectNaming.h"
#include "storage/WorkFolder.h"

namespace Orvanta {

void KeepClipboardFilesInWorkFolder() {
    CClipboard::Instance().SetFileKeeper([](const std::string& path, int /*which*/) {
        // A file that is gone stays as the clone names it: pasting it is what a drop of it would be.
        const std::string name = path.substr(path.find_last_of('/') + 1);
        const std::string extension = name.find('.') == std::string::npos ? std::string() : Extension(name);
        return CopyIntoWorkFolder(path, BareName(path), extension);
    });
}

} // namespace Orvanta
