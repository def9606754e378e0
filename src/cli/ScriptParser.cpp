#include "cli/ScriptParser.h"

#include "model/CTernData.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace Orvanta::Cli {

namespace {

struct CStatementInfo {
    StatementKind kind;
    std::string_view keyword;
    std::string_view syntax;
};

constexpr std::array<CStatementInfo, 24> kStatements = {{
    {StatementKind::Open, "open", "open NAME PATH"},
    {StatementKind::New, "new", "new NAME"},
    {StatementKind::Copy, "copy", "copy FROM KIND SEL TO NUMBER [insert]"},
    {StatementKind::Move, "move", "move FROM KIND SEL TO NUMBER [insert]"},
    {StatementKind::Delete, "delete", "delete NAME KIND SEL"},
    {StatementKind::Rename, "rename", "rename NAME KIND SEL TEXT"},
    {StatementKind::Import, "import", "import NAME FILE..."},
    {StatementKind::Clean, "clean", "clean NAME [keep-user-waves] [keep-patch-numbering]"},
    {StatementKind::Undo, "undo", "undo"},
    {StatementKind::Save, "save", "save NAME"},
    {StatementKind::SaveAs, "save-as", "save-as NAME PATH"},
    {StatementKind::Close, "close", "close NAME"},
    {StatementKind::Answer, "answer", "answer yes|no"},
    {StatementKind::Print, "print", "print NAME [--json]"},
    {StatementKind::Merge, "merge-duplicates", "merge-duplicates NAME"},
    {StatementKind::Preview, "preview", "preview NAME [PATH]"},
    {StatementKind::CopyRows, "copy-rows", "copy-rows NAME KIND SEL"},
    {StatementKind::CutRows, "cut-rows", "cut-rows NAME KIND SEL"},
    {StatementKind::Paste, "paste", "paste NAME KIND NUMBER [insert]"},
    {StatementKind::Back, "back", "back N"},
    {StatementKind::Forward, "forward", "forward N"},
    {StatementKind::History, "history", "history"},
    {StatementKind::ImportConvert, "import-convert", "import-convert NAME FILE..."},
    {StatementKind::Export, "export", "export NAME waves SEL FOLDER"},
}};

const CStatementInfo* FindStatement(std::string_view keyword) {
    const auto found = std::find_if(kStatements.begin(), kStatements.end(),
                                    [keyword](const CStatementInfo& info) { return info.keyword == keyword; });
    return found == kStatements.end() ? nullptr : &*found;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

const char* ItemNoun(int which) {
    return which == kPatchList ? "patch" : "wave";
}

// A decimal number of at most 9 digits and nothing else.
std::optional<int> ReadNumber(std::string_view text) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::optional<int> CheckedSlot(std::string_view text, int which, std::string& error) {
    const std::optional<int> number = ReadNumber(text);
    const auto capacity = static_cast<int>(CTernData::Capacity(which));
    if (!number) {
        error = Quoted(text) + " is not a " + ItemNoun(which) + " number";
        return std::nullopt;
    }
    if (*number < 1 || *number > capacity) {
        error =
            std::string(ItemNoun(which)) + " number " + std::string(text) + " is outside 1-" + std::to_string(capacity);
        return std::nullopt;
    }
    return number;
}

// Parses the words of one statement (words[0] is its keyword).
class CStatementParser {
public:
    CStatementParser(const CStatementInfo& info, const std::vector<std::string>& words, int line)
        : m_info(info), m_words(words) {
        m_statement.kind = info.kind;
        m_statement.line = line;
    }

    std::optional<CStatement> Parse(std::string& error) {
        if (!ParseWords()) {
            error = m_error.empty() ? "\"" + std::string(m_info.keyword) + "\" takes: " + std::string(m_info.syntax)
                                    : m_error;
            return std::nullopt;
        }
        return m_statement;
    }

private:
    bool Count(std::size_t least, std::size_t most) const { return m_words.size() >= least && m_words.size() <= most; }

    bool Kind(std::size_t at) {
        const std::optional<int> which = ParseKind(m_words[at]);
        if (!which) {
            m_error = "KIND must be \"patches\" or \"waves\", not " + Quoted(m_words[at]);
            return false;
        }
        m_statement.which = *which;
        return true;
    }

    bool Selection(std::size_t at) {
        std::optional<CSelection> selection = ParseSelection(m_words[at], m_statement.which, m_error);
        if (!selection) {
            return false;
        }
        m_statement.selection = std::move(*selection);
        return true;
    }

    bool ParseWords() {
        CStatement& s = m_statement;
        switch (m_info.kind) {
        case StatementKind::Open:
        case StatementKind::SaveAs:
            if (!Count(3, 3)) {
                return false;
            }
            s.window = m_words[1];
            s.text = m_words[2];
            return true;
        case StatementKind::New:
        case StatementKind::Save:
        case StatementKind::Close:
        case StatementKind::Merge:
            if (!Count(2, 2)) {
                return false;
            }
            s.window = m_words[1];
            return true;
        case StatementKind::Copy:
        case StatementKind::Move:
            return ParseDrop();
        case StatementKind::CopyRows:
        case StatementKind::CutRows:
        case StatementKind::Delete:
            if (!Count(4, 4)) {
                return false;
            }
            s.window = m_words[1];
            return Kind(2) && Selection(3);
        case StatementKind::Rename:
            if (!Count(5, 5)) {
                return false;
            }
            s.window = m_words[1];
            s.text = m_words[4];
            return Kind(2) && Selection(3);
        case StatementKind::Import:
        case StatementKind::ImportConvert:
            if (m_words.size() < 3) {
                return false;
            }
            s.window = m_words[1];
            s.files.assign(m_words.begin() + 2, m_words.end());
            return true;
        case StatementKind::Clean:
            return ParseClean();
        case StatementKind::Export:
            // Only waves can be exported: patch files hold wave numbers of their project.
            if (!Count(5, 5) || !Kind(2)) {
                return false;
            }
            if (s.which != kWaveList) {
                m_error = "only waves can be exported: export NAME waves SEL FOLDER";
                return false;
            }
            s.window = m_words[1];
            s.text = m_words[4];
            return Selection(3);
        case StatementKind::Undo:
        case StatementKind::History:
            return Count(1, 1);
        case StatementKind::Paste:
            return ParsePaste();
        case StatementKind::Back:
        case StatementKind::Forward:
            return ParseSteps();
        case StatementKind::Answer:
            if (!Count(2, 2) || (m_words[1] != "yes" && m_words[1] != "no")) {
                return false;
            }
            s.answerYes = m_words[1] == "yes";
            return true;
        case StatementKind::Preview:
            if (!Count(2, 3)) {
                return false;
            }
            s.window = m_words[1];
            s.text = m_words.size() == 3 ? m_words[2] : std::string();
            return true;
        case StatementKind::Print:
            if (!Count(2, 3) || (m_words.size() == 3 && m_words[2] != "--json")) {
                return false;
            }
            s.window = m_words[1];
            s.json = m_words.size() == 3;
            return true;
        }
        return false;
    }

    bool ParseDrop() {
        CStatement& s = m_statement;
        if (!Count(6, 7) || (m_words.size() == 7 && m_words[6] != "insert")) {
            return false;
        }
        s.window = m_words[1];
        s.target = m_words[4];
        s.insert = m_words.size() == 7;
        if (!Kind(2) || !Selection(3)) {
            return false;
        }
        const std::optional<int> number = CheckedSlot(m_words[5], s.which, m_error);
        if (!number) {
            return false;
        }
        s.number = *number;
        return true;
    }

    bool ParsePaste() {
        CStatement& s = m_statement;
        if (!Count(4, 5) || (m_words.size() == 5 && m_words[4] != "insert")) {
            return false;
        }
        s.window = m_words[1];
        s.insert = m_words.size() == 5;
        if (!Kind(2)) {
            return false;
        }
        const std::optional<int> number = CheckedSlot(m_words[3], s.which, m_error);
        if (!number) {
            return false;
        }
        s.number = *number;
        return true;
    }

    // N of back and forward: a number of changes from 1 on.
    bool ParseSteps() {
        if (!Count(2, 2)) {
            return false;
        }
        const std::optional<int> steps = ReadNumber(m_words[1]);
        if (!steps || *steps < 1) {
            m_error = Quoted(m_words[1]) + " is not a number of changes (1 or more)";
            return false;
        }
        m_statement.number = *steps;
        return true;
    }

    bool ParseClean() {
        CStatement& s = m_statement;
        if (!Count(2, 4)) {
            return false;
        }
        s.window = m_words[1];
        for (std::size_t i = 2; i < m_words.size(); ++i) {
            if (m_words[i] == "keep-user-waves") {
                s.keepUserWaves = true;
            } else if (m_words[i] == "keep-patch-numbering") {
                s.keepPatchNumbering = true;
            } else {
                m_error =
                    "unknown option " + Quoted(m_words[i]) + " of \"clean\"; it takes: " + std::string(m_info.syntax);
                return false;
            }
        }
        return true;
    }

    const CStatementInfo& m_info;
    const std::vector<std::string>& m_words;
    CStatement m_statement;
    std::string m_error;
};

// Whether a line that begins inside a quoted part (`quoted`) or not ends inside one, as SplitWords
// reads it.
bool QuotedAtEnd(std::string_view line, bool quoted) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char next = i + 1 < line.size() ? line[i + 1] : '\0';
        if (quoted && line[i] == '\\' && (next == '"' || next == '\\')) {
            ++i;
        } else if (line[i] == '"') {
            quoted = !quoted;
        }
    }
    return quoted;
}

// The next line of `text` from `pos` (moved past it), without its line break and a carriage
// return before that.
std::string_view NextLine(std::string_view text, std::size_t& pos) {
    const std::size_t end = text.find('\n', pos);
    std::string_view content = text.substr(pos, end == std::string_view::npos ? text.npos : end - pos);
    pos = end == std::string_view::npos ? text.size() : end + 1;
    if (!content.empty() && content.back() == '\r') {
        content.remove_suffix(1);
    }
    return content;
}

} // namespace

std::vector<std::string> SplitWords(std::string_view line, std::string& error) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        const char next = i + 1 < line.size() ? line[i + 1] : '\0';
        if (quoted && c == '\\' && (next == '"' || next == '\\')) {
            // Only these two escapes exist, so a Windows path keeps its single backslashes.
            word += next;
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (IsBlank(c) && !quoted) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        error = "a double quote is not closed";
        return {};
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

std::optional<int> ParseKind(std::string_view word) {
    if (word == "patches") {
        return kPatchList;
    }
    if (word == "waves") {
        return kWaveList;
    }
    return std::nullopt;
}

std::optional<int> ParseSlotNumberWord(std::string_view text, int which, std::string& error) {
    return CheckedSlot(text, which, error);
}

std::optional<CSelection> ParseSelection(std::string_view text, int which, std::string& error) {
    CSelection selection;
    std::size_t pos = 0;
    while (true) {
        const std::size_t comma = text.find(',', pos);
        const std::string_view item = text.substr(pos, comma == std::string_view::npos ? text.npos : comma - pos);
        const std::size_t dash = item.find('-');
        const std::string_view firstText = item.substr(0, dash);
        const std::string_view lastText = dash == std::string_view::npos ? firstText : item.substr(dash + 1);
        if (!ReadNumber(firstText) || !ReadNumber(lastText)) {
            error = Quoted(text) + " is not a selection: write numbers and ranges such as 1-3,7";
            return std::nullopt;
        }
        const std::optional<int> first = CheckedSlot(firstText, which, error);
        const std::optional<int> last = first ? CheckedSlot(lastText, which, error) : std::nullopt;
        if (!first || !last) {
            return std::nullopt;
        }
        if (*last < *first) {
            error = "the range " + Quoted(item) + " runs backwards";
            return std::nullopt;
        }
        for (int number = *first; number <= *last; ++number) {
            selection.push_back(static_cast<std::size_t>(number - 1));
        }
        if (comma == std::string_view::npos) {
            break;
        }
        pos = comma + 1;
    }
    std::sort(selection.begin(), selection.end());
    selection.erase(std::unique(selection.begin(), selection.end()), selection.end());
    return selection;
}

CScript ParseScript(std::string_view text) {
    CScript script;
    int line = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::string content(NextLine(text, pos));
        const int firstLine = ++line;
        const std::size_t first = content.find_first_not_of(" \t");
        if (first == std::string_view::npos || content[first] == '#') {
            continue;
        }
        // A quoted part still open at the end of a line goes on over the line break, which belongs
        // to the word: how a name holding one is written. One that no later line closes is this
        // line's error alone.
        if (QuotedAtEnd(content, false)) {
            std::string joined = content;
            std::size_t after = pos;
            int lines = line;
            bool quoted = true;
            while (quoted && after < text.size()) {
                const std::string_view more = NextLine(text, after);
                joined += '\n';
                joined += more;
                ++lines;
                quoted = QuotedAtEnd(more, true);
            }
            if (!quoted) {
                content = std::move(joined);
                pos = after;
                line = lines;
            }
        }
        std::string error;
        const std::vector<std::string> words = SplitWords(content, error);
        if (!error.empty()) {
            script.errors.push_back({firstLine, error});
            continue;
        }
        const CStatementInfo* info = FindStatement(words.front());
        if (info == nullptr) {
            script.errors.push_back({firstLine, "unknown statement " + Quoted(words.front())});
            continue;
        }
        std::optional<CStatement> statement = CStatementParser(*info, words, firstLine).Parse(error);
        if (statement) {
            script.statements.push_back(std::move(*statement));
        } else {
            script.errors.push_back({firstLine, error});
        }
    }
    return script;
}

std::string StatementSyntax(StatementKind kind) {
    for (const CStatementInfo& info : kStatements) {
        if (info.kind == kind) {
            return std::string(info.syntax);
        }
    }
    return {};
}

} // namespace Orvanta::Cli
