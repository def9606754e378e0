#include "cli/CliApp.h"

#include <iostream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <filesystem>
#include <io.h>
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>
#endif

namespace {

// The arguments after the program name, in UTF-8.
std::vector<std::string> Arguments(int argc, char** argv) {
#if defined(_WIN32)
    // Platform code (Windows): main() receives its arguments in the system's code page, which
    // cannot hold every name; they are taken from the UTF-16 command line instead.
    static_cast<void>(argc);
    static_cast<void>(argv);
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide != nullptr && i < count; ++i) {
        const std::u8string text = std::filesystem::path(wide[i]).u8string();
        args.emplace_back(text.begin(), text.end());
    }
    ::LocalFree(wide);
    return args;
#else
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
#endif
}

} // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    // Platform code (Windows): the output is the same bytes everywhere, lines ending in "\n" alone,
    // so that scripts and JSON readers see what they see on other systems.
    static_cast<void>(::_setmode(::_fileno(stdout), _O_BINARY));
    static_cast<void>(::_setmode(::_fileno(stderr), _O_BINARY));
#endif
    return Orvanta::Cli::RunCli(Arguments(argc, argv), std::cout, std::cerr);
}
