#pragma once

#include <cstdint>
#include <string>

namespace Orvanta {

// The file system as the core sees it. Every file-system access of the core goes through one
// object of this interface: the native one in normal use, a fault-injecting double in tests.
// Paths are the core's internal paths (absolute, "/" separators); the implementation turns them
// into file-system paths.
class CFileSystem {
public:
    CFileSystem() = default;
    CFileSystem(const CFileSystem&) = delete;
    CFileSystem& operator=(const CFileSystem&) = delete;
    virtual ~CFileSystem() = default;

    // Size of the file in bytes; -1 when it cannot be opened.
    [[nodiscard]] virtual std::int64_t FileSize(const std::string& path) = 0;
};

// The process's native file system, implemented by the storage layer.
CFileSystem& NativeFileSystem();

} // namespace Orvanta
