#include "cli/CRunWorkFolder.h"

#include "cli/CliPaths.h"
#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "storage/ProjectNaming.h"
#include "storage/WorkFolder.h"

#include <filesystem>
#include <system_error>

#if !defined(_WIN32)
#include <stdlib.h>
#endif

namespace Orvanta::Cli {

std::string CreatePrivateTemporaryFolder() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) {
        return std::string();
    }
#if defined(_WIN32)
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path folder = base / ("orvanta-cli-" + std::to_string(std::rand()));
        if (std::filesystem::create_directory(folder, error)) {
            return folder.generic_string();
        }
    }
    return std::string();
#else
    // mkdtemp creates the folder with access for its owner only.
    std::string pattern = (base / "orvanta-cli-XXXXXX").string();
    return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
#endif
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
