#include "cli/CliPaths.h"

#include <filesystem>
#include <system_error>

namespace Orvanta::Cli {

std::string AbsolutePath(const std::string& path) {
    if (path.empty()) {
        return path;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(path), error);
    if (error) {
        return path;
    }
    return absolute.lexically_normal().generic_string();
}

} // namespace Orvanta::Cli
