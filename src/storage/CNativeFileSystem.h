#pragma once

#include "model/CFileSystem.h"

namespace Orvanta {

// The file system of the machine, through std::filesystem and file streams.
class CNativeFileSystem : public CFileSystem {
public:
    [[nodiscard]] std::int64_t FileSize(const std::string& path) override;
};

} // namespace Orvanta
