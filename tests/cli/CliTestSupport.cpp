#include "CliTestSupport.h"

#include "model/CPatch.h"
#include "storage/PatchFile.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace Orvanta::CliTest {

namespace {

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A folder for the captured streams of one run, outside the folders the tests inspect.
class IoFolder {
public:
    IoFolder() {
        std::string pattern = (fs::temp_directory_path() / "orvanta-cli-io-XXXXXX").string();
        m_path = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    IoFolder(const IoFolder&) = delete;
    IoFolder& operator=(const IoFolder&) = delete;
    ~IoFolder() {
        std::error_code error;
        fs::remove_all(m_path, error);
    }
    [[nodiscard]] std::string File(const char* name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

} // namespace

std::vector<std::string> ProcessResult::ErrLines() const {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

ProcessResult RunTool(const std::vector<std::string>& args, const std::string& cwd, const std::string& input,
                      const std::vector<std::string>& environment) {
    IoFolder io;
    WriteText(io.File("in"), input);
    std::string command = "cd " + ShellQuoted(cwd) + " && env -u ORVANTA_WORK_FOLDER";
    for (const std::string& setting : environment) {
        command += " " + ShellQuoted(setting);
    }
    command += " " + ShellQuoted(ORVANTA_CLI_PATH);
    for (const std::string& arg : args) {
        command += " " + ShellQuoted(arg);
    }
    command +=
        " < " + ShellQuoted(io.File("in")) + " > " + ShellQuoted(io.File("out")) + " 2> " + ShellQuoted(io.File("err"));
    const int raw = std::system(command.c_str());
    ProcessResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadText(io.File("out"));
    result.err = ReadText(io.File("err"));
    return result;
}

std::string ScenarioPath(const std::string& name) {
    return std::string(ORVANTA_CLI_SCENARIOS) + "/" + name;
}

std::vector<std::string> FileNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(folder), error)) {
        if (entry.is_regular_file()) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<int> WaveReferences(const std::string& patchFile) {
    CPatch patch;
    if (!ReadPatchFile(patchFile, patch)) {
        return {};
    }
    std::vector<int> numbers;
    for (const COsc& osc : patch.m_osc) {
        numbers.push_back(osc.GetWaveNumber(0));
        numbers.push_back(osc.GetWaveNumber(1));
    }
    return numbers;
}

std::vector<int> UsedWaves(const std::string& patchFile) {
    std::vector<int> used;
    for (const int number : WaveReferences(patchFile)) {
        if (number != 0) {
            used.push_back(number);
        }
    }
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    return used;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
    out << text;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace Orvanta::CliTest
