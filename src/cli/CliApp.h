#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace Orvanta::Cli {

// Exit statuses of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // a statement failed, a check failed, a file could not be written
inline constexpr int kExitUsage = 2;  // the command line or the script does not parse; nothing ran

// The usage text of "orvanta-cli --help".
[[nodiscard]] std::string UsageText();

// Runs the tool with the arguments after the program name; command output goes to `out`, the
// system's messages and diagnostics to `err`. Returns the exit status.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace Orvanta::Cli
