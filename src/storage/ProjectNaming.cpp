#include "storage/ProjectNaming.h"

#include "model/CDomain.h"
#include "model/Utf8.h"

#include <cstdio>
#include <string_view>

namespace Orvanta {

namespace {

// A backslash separates folders only on Windows; elsewhere it is an ordinary character of a name.
bool IsSeparator(char c) {
#if defined(_WIN32)
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the root at the front of the path that keeps its separator: "/" or "C:/" ("C:\").
std::size_t RootLength(const std::string& path) {
    if (!path.empty() && IsSeparator(path[0])) {
        return 1;
    }
    if (path.size() >= 3 && path[1] == ':' && IsSeparator(path[2])) {
        return 3;
    }
    return 0;
}

std::string_view FileName(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view WithoutExtension(std::string_view name) {
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

} // namespace

std::string NormaliseProjectPath(const std::string& path) {
    // Dropping trailing separators first keeps "Song.prj/" (as shells complete it) from becoming
    // "Song.prj//", which is not a project path.
    std::string text = path;
    const std::size_t root = RootLength(text);
    while (text.size() > root && !text.empty() && IsSeparator(text.back())) {
        text.pop_back();
    }
    if (text.empty() || !IsSeparator(text.back())) {
        text += '/';
    }
#if defined(_WIN32)
    std::string single;
    single.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        single += text[i];
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            ++i;
        }
    }
    for (char& c : single) {
        if (c == '\\') {
            c = '/';
        }
    }
    return single;
#else
    return text;
#endif
}

std::string ToNativePath(const std::string& path) {
    return CDomain::Instance().NativePath(path);
}

const std::vector<std::pair<std::string, std::vector<std::string>>>& ProjectFilePatterns() {
    static const std::vector<std::pair<std::string, std::vector<std::string>>> patterns = {
        {"Patch/", {"*.p00"}}, {"Wave/", {"*.w*", "*.aif*", "*.vpw"}}};
    return patterns;
}

std::string ProjectFolderName(const std::string& projectPath) {
    std::string path = projectPath;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FormatSlotNumber(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d ", number);
    return text;
}

std::string StemName(const std::string& path) {
    return std::string(WithoutExtension(FileName(path)));
}

std::string BareName(const std::string& path) {
    std::string_view name = FileName(path);
    if (const auto blank = name.find(' '); blank != std::string_view::npos) {
        name.remove_prefix(blank + 1);
    }
    return std::string(WithoutExtension(name));
}

std::string Extension(const std::string& path) {
    const auto dot = path.rfind('.');
    return dot == std::string::npos ? path : path.substr(dot);
}

int ParseSlotNumber(const std::string& path) {
    const std::string_view text = FileName(path).substr(0, 3);
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int number = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        number = number * 10 + (text[i] - '0');
    }
    return negative ? -number : number;
}

bool IsSameTextNoCase(const std::string& first, const std::string& second) {
    if (first.size() != second.size()) {
        return false;
    }
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (FoldCase(first[i]) != FoldCase(second[i])) {
            return false;
        }
    }
    return true;
}

std::string FormatByteSize(std::int64_t bytes) {
    char text[64];
    if (bytes < 1024) {
        std::snprintf(text, sizeof text, "%lld Bytes", static_cast<long long>(bytes));
    } else if (bytes < 1048576) {
        std::snprintf(text, sizeof text, "%3.1f KB", static_cast<double>(bytes) / 1024.0);
    } else {
        std::snprintf(text, sizeof text, "%3.1f MB", static_cast<double>(bytes) / 1048576.0);
    }
    return text;
}

bool IsSlotFileName(const std::string& path) {
    const std::string_view stem = WithoutExtension(FileName(path));
    // Characters, not bytes: "001 Cordes Légèr" is 16 characters in 18 bytes, and a name this
    // program saves must be recognised again on the next load.
    return stem.size() >= 4 && IsDigit(stem[0]) && IsDigit(stem[1]) && IsDigit(stem[2]) && stem[3] == ' ' &&
           Utf8Length(stem) <= kMaxSlotStemLength;
}

} // namespace Orvanta
