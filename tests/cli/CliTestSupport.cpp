#include "CliTestSupport.h"

#include "FolderSnapshot.h"

#include "TempFolder.h"
#include "model/CPatch.h"
#include "storage/PatchFile.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace Orvanta::CliTest {

namespace {

#if defined(_WIN32)
// Platform code (Windows): a UTF-8 text as UTF-16.
std::wstring Wide(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end())).wstring();
}

// One argument as the C runtime's command-line parser reads it back: in double quotes, with
// backslashes doubled before a double quote (escaped or closing) and kept as they are elsewhere.
std::wstring QuotedArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// This process's environment without ORVANTA_WORK_FOLDER, with `settings` added, as the block
// CreateProcessW takes.
std::wstring EnvironmentBlock(const std::vector<std::string>& settings) {
    std::wstring block;
    wchar_t* const strings = ::GetEnvironmentStringsW();
    // Variables named in `settings` are replaced, not repeated: a child sees the first of two.
    std::vector<std::wstring> removed{L"ORVANTA_WORK_FOLDER="};
    for (const std::string& setting : settings) {
        removed.push_back(Wide(setting.substr(0, setting.find('=') + 1)));
    }
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        const auto named = [entry](const std::wstring& name) {
            return _wcsnicmp(entry, name.c_str(), name.size()) == 0;
        };
        if (std::none_of(removed.begin(), removed.end(), named)) {
            block.append(entry).push_back(L'\0');
        }
    }
    ::FreeEnvironmentStringsW(strings);
    for (const std::string& setting : settings) {
        block.append(Wide(setting)).push_back(L'\0');
    }
    return block.push_back(L'\0'), block;
}

// An inheritable handle of a file for a child's standard stream.
HANDLE OpenStream(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ::CreateFileW(Wide(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, &inherit,
                         write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Runs the command line in `cwd` with its streams in the three files; the exit status, or -1.
int RunProcess(const std::vector<std::string>& argv, const std::string& cwd, const std::vector<std::string>& settings,
               const std::string& in, const std::string& out, const std::string& err) {
    std::wstring commandLine;
    for (const std::string& arg : argv) {
        commandLine += (commandLine.empty() ? L"" : L" ") + QuotedArgument(Wide(arg));
    }
    std::wstring environment = EnvironmentBlock(settings);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = OpenStream(in, false);
    startup.hStdOutput = OpenStream(out, true);
    startup.hStdError = OpenStream(err, true);
    PROCESS_INFORMATION process{};
    // A start that fails says why on the test's error stream and is tried again: under Wine on a
    // busy machine a start has been seen to fail once, which is no fault of the program tested.
    bool started = false;
    for (int attempt = 1; attempt <= 3 && !started; ++attempt) {
        started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                   CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(), Wide(cwd).c_str(),
                                   &startup, &process) != 0;
        if (!started) {
            std::fprintf(stderr, "starting %s failed (attempt %d, error %lu)\n", argv.front().c_str(), attempt,
                         ::GetLastError());
            ::Sleep(200);
        }
    }
    for (HANDLE stream : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
        ::CloseHandle(stream);
    }
    if (!started) {
        return -1;
    }
    DWORD status = 0;
    const bool ended = ::WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                       ::GetExitCodeProcess(process.hProcess, &status) != 0;
    if (!ended) {
        std::fprintf(stderr, "waiting for %s failed (error %lu)\n", argv.front().c_str(), ::GetLastError());
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return ended ? static_cast<int>(status) : -1;
}
#else
std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}
#endif

std::string ReadText(const std::string& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A folder for the captured streams of one run, outside the folders the tests inspect.
class IoFolder {
public:
    [[nodiscard]] std::string File(const char* name) const { return m_folder / name; }

private:
    TestSupport::TempFolder m_folder;
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
    ProcessResult result;
#if defined(_WIN32)
    std::vector<std::string> argv{ORVANTA_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    result.status = RunProcess(argv, cwd, environment, io.File("in"), io.File("out"), io.File("err"));
#else
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
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
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
        if (entry.is_regular_file() && !TestSupport::IsLockFileName(entry.path().filename().string())) {
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
