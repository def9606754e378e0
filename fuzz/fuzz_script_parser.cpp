// Fuzzes the script parser on arbitrary bytes. Besides never crashing, what it returns must hold:
// statements and errors name distinct lines in ascending order within the script, every statement
// carries only values its kind allows (slot numbers and selections inside the list), and splitting
// a line again after quoting each of its words (with \" and \\) gives back the same words.

#include "cli/ScriptParser.h"
#include "model/CTernData.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace Orvanta;
using namespace Orvanta::Cli;

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// The word written so that SplitWords reads it back unchanged.
std::string QuotedWord(const std::string& word) {
    std::string text = "\"";
    for (const char c : word) {
        if (c == '"' || c == '\\') {
            text += '\\';
        }
        text += c;
    }
    return text + "\"";
}

void CheckStatement(const CStatement& s) {
    Check(s.which == kPatchList || s.which == kWaveList);
    const std::size_t capacity = CTernData::Capacity(s.which);
    Check(std::is_sorted(s.selection.begin(), s.selection.end()));
    Check(std::adjacent_find(s.selection.begin(), s.selection.end()) == s.selection.end());
    Check(s.selection.empty() || s.selection.back() < capacity);
    switch (s.kind) {
    case StatementKind::Copy:
    case StatementKind::Move:
        Check(s.number >= 1 && static_cast<std::size_t>(s.number) <= capacity);
        [[fallthrough]];
    case StatementKind::Delete:
    case StatementKind::Rename:
        Check(!s.selection.empty());
        break;
    case StatementKind::Import:
        Check(!s.files.empty());
        break;
    default:
        Check(s.selection.empty());
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const CScript script = ParseScript(text);

    const auto lines = static_cast<int>(std::count(text.begin(), text.end(), '\n') + 1);
    std::vector<int> named;
    for (const CStatement& statement : script.statements) {
        CheckStatement(statement);
        named.push_back(statement.line);
    }
    Check(std::is_sorted(named.begin(), named.end()));
    for (const CParseError& error : script.errors) {
        Check(!error.message.empty());
        named.push_back(error.line);
    }
    std::sort(named.begin(), named.end());
    Check(std::adjacent_find(named.begin(), named.end()) == named.end());
    Check(named.empty() || (named.front() >= 1 && named.back() <= lines));

    // Each line's words, quoted and joined again, split into the same words.
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        std::string error;
        const std::vector<std::string> words = SplitWords(text.substr(pos, end - pos), error);
        Check(error.empty() || words.empty());
        std::string joined;
        for (const std::string& word : words) {
            joined += (joined.empty() ? "" : " ") + QuotedWord(word);
        }
        std::string again;
        Check(SplitWords(joined, again) == words && again.empty());
        pos = end + 1;
    }
    return 0;
}
