#include "storage/Wildcard.h"

#include "model/Utf8.h"

namespace Orvanta {

namespace {

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
    // Greedy matching with one back-tracking point: the last "*" seen and where its run ended.
    // Each "*" only ever extends its run, so the work stays linear in name size times stars.
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starPattern = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            n += Utf8CharLength(name, n);
            ++p;
        } else if (p < pattern.size() && FoldCase(pattern[p]) == FoldCase(name[n])) {
            ++n;
            ++p;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            starName += Utf8CharLength(name, starName);
            n = starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

} // namespace Orvanta
