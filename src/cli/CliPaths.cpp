#include "cli/CliPaths.h"

#include "model/Utf8.h"

#include <filesystem>
#include <system_error>

namespace Orvanta::Cli {

std::string AbsolutePath(const std::string& path) {
    if (path.empty()) {
        return path;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(Utf8ToPath(path), error);
    if (error) {
        return path;
    }
    return PathToUtf8(absolute.lexically_normal());
}

} // namespace Orvanta::Cli
