#pragma once

// Helpers of the command-line tool's tests: running the real executable, and reading back what it
// left on disk (file names, bytes, wave numbers decoded from patch files with the core's reader).

#include <cstdint>
#include <string>
#include <vector>

namespace Orvanta::CliTest {

struct ProcessResult {
    int status = -1;
    std::string out;
    std::string err;
    // The error stream split into lines.
    [[nodiscard]] std::vector<std::string> ErrLines() const;
};

// Runs orvanta-cli with `args` in the folder `cwd`, with `input` on its standard input. `environment`
// holds NAME=VALUE settings for the run; ORVANTA_WORK_FOLDER is cleared unless set there.
ProcessResult RunTool(const std::vector<std::string>& args, const std::string& cwd, const std::string& input = {},
                      const std::vector<std::string>& environment = {});

// The path of a scenario script of tests/cli/scenarios.
std::string ScenarioPath(const std::string& name);

// Names of the regular files in `folder`, sorted; empty when the folder does not exist.
std::vector<std::string> FileNames(const std::string& folder);

// Wave numbers of all 32 references of the patch file (block 0 to 15, reference 0 then 1), read
// with the core's patch file reader; empty when the file cannot be read.
std::vector<int> WaveReferences(const std::string& patchFile);

// The distinct wave numbers other than 0 that the patch file uses, ascending.
std::vector<int> UsedWaves(const std::string& patchFile);

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteText(const std::string& path, const std::string& text);

// True when `lines` holds `line` exactly.
bool HasLine(const std::vector<std::string>& lines, const std::string& line);

} // namespace Orvanta::CliTest
