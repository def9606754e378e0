#pragma once

#include <string>

namespace Orvanta::Cli {

// A path given on the command line or in a script, made absolute against the current folder, with
// "." and ".." steps resolved and spelled with "/": the system's own paths are always absolute. A
// trailing separator is kept.
[[nodiscard]] std::string AbsolutePath(const std::string& path);

} // namespace Orvanta::Cli
