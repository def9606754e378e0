#include "storage/CNativeFileSystem.h"

#include <filesystem>
#include <fstream>

namespace Orvanta {

namespace {

std::filesystem::path NativePath(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

} // namespace

std::int64_t CNativeFileSystem::FileSize(const std::string& path) {
    std::ifstream file(NativePath(path), std::ios::binary | std::ios::ate);
    if (!file) {
        return -1;
    }
    const std::streamoff end = file.tellg();
    return end < 0 ? -1 : static_cast<std::int64_t>(end);
}

CFileSystem& NativeFileSystem() {
    static CNativeFileSystem fileSystem;
    return fileSystem;
}

} // namespace Orvanta
