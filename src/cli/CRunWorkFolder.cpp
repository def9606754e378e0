#include "cli/CRunWorkFolder.h"

#include "cli/CliPaths.h"
#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/Utf8.h"
#include "storage/ProjectNaming.h"
#include "storage/WorkFolder.h"

#include <filesystem>
#include <system_error>

namespace Orvanta::Cli {

std::string CreatePrivateTemporaryFolder() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) {
        return std::string();
    }
    // The process id keeps runs that start at the same moment apart; the random tail keeps the
    // name from being foreseen, and a name that is taken all the same is never used.
    return CreateUniquePrivateFolder(PathToUtf8(base / "orvanta-cli-") + std::to_string(CurrentProcessId()) + "-");
}

namespace {

// Removes `folder` (native form, ending in "/") with everything in it. Links are removed, never
// followed.
void RemoveFolderTree(CFileSystem& fileSystem, const std::string& folder) {
    for (const std::string& name : fileSystem.ListEntries(folder)) {
        const std::string path = folder + name;
        if (!fileSystem.Delete(path) && !fileSystem.IsLinked(path) && fileSystem.IsFolder(path)) {
            RemoveFolderTree(fileSystem, path + "/");
        }
    }
    static_cast<void>(fileSystem.RemoveFolder(folder));
}

} // namespace

bool CRunWorkFolder::SetUp(const std::optional<std::string>& named) {
    std::string folder;
    if (named) {
        folder = AbsolutePath(*named);
        m_chosen = folder;
    } else if (const std::string fromEnvironment = ChooseWorkFolderPath(std::string()); !fromEnvironment.empty()) {
        folder = AbsolutePath(fromEnvironment);
        m_chosen = folder;
    } else {
        folder = CreatePrivateTemporaryFolder();
        m_private = folder;
    }
    if (folder.empty() || !SetUpWorkFolder(folder)) {
        if (!m_private.empty()) {
            RemoveFolderTree(CDomain::Instance().FileSystem(), ToNativePath(m_private + "/"));
            m_private.clear();
        }
        return false;
    }
    m_path = SetUpWorkFolderPath();
    return true;
}

CRunWorkFolder::~CRunWorkFolder() {
    if (m_path.empty()) {
        return;
    }
    static_cast<void>(CleanWorkFolder());
    if (!m_private.empty()) {
        // Nobody else uses the private folder: whatever is left in it goes too.
        RemoveFolderTree(CDomain::Instance().FileSystem(), ToNativePath(m_private + "/"));
    }
    CDomain::Instance().SetWorkFolder(std::string());
}

} // namespace Orvanta::Cli
