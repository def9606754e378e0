#pragma once

#include "operations/TransferOperations.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Orvanta::Cli {

// The statements of a librarian script, one a line.
enum class StatementKind {
    Open,          // open NAME PATH
    New,           // new NAME
    Copy,          // copy FROM KIND SEL TO NUMBER [insert]
    Move,          // move FROM KIND SEL TO NUMBER [insert]
    Delete,        // delete NAME KIND SEL
    Rename,        // rename NAME KIND SEL TEXT
    Import,        // import NAME FILE...
    Clean,         // clean NAME [keep-user-waves] [keep-patch-numbering]
    Undo,          // undo
    Save,          // save NAME
    SaveAs,        // save-as NAME PATH
    Close,         // close NAME
    Answer,        // answer yes|no
    Print,         // print NAME [--json]
    Merge,         // merge-duplicates NAME
    Preview,       // preview NAME [PATH]
    CopyRows,      // copy-rows NAME KIND SEL
    CutRows,       // cut-rows NAME KIND SEL
    Paste,         // paste NAME KIND NUMBER [insert]
    Back,          // back N
    Forward,       // forward N
    History,       // history
    ImportConvert, // import-convert NAME FILE... (FILE... in files)
    Export,        // export NAME waves SEL FOLDER (FOLDER in text)
};

// One parsed statement. Only the fields of its kind are filled.
struct CStatement {
    StatementKind kind = StatementKind::Undo;
    int line = 0;                   // 1-based line of the script
    std::string window;             // NAME, or FROM for copy and move
    std::string target;             // TO for copy and move
    int which = 0;                  // KIND: 0 patches, 1 waves
    CSelection selection;           // SEL as 0-based slot indices, in list order
    int number = 0;                 // NUMBER: 1-based slot where the first dropped item lands; N of back and forward
    bool insert = false;            // copy and move: "insert" given
    std::string text;               // PATH for open, save-as and preview, TEXT for rename
    std::vector<std::string> files; // FILE... for import
    bool keepUserWaves = false;     // clean
    bool keepPatchNumbering = false;
    bool answerYes = false; // answer
    bool json = false;      // print
};

struct CParseError {
    int line = 0;
    std::string message;
};

struct CScript {
    std::vector<CStatement> statements;
    std::vector<CParseError> errors; // the script runs only when this is empty
};

// Splits a line into words at blanks and tabs; a double quote starts or ends a quoted part in which
// blanks belong to the word, and the quotes themselves are dropped ("" gives an empty word). Inside
// a quoted part \" stands for a double quote and \\ for one backslash; a backslash before any other
// character is kept as it is ("C:\Data\x.prj"). Outside quotes a backslash is an ordinary
// character. An unterminated quote gives no words and sets `error`. (ParseScript lets a quoted part
// go on over a line break, which then belongs to the word, and hands the lines over as one.)
std::vector<std::string> SplitWords(std::string_view line, std::string& error);

// Reads KIND: "patches" gives 0, "waves" gives 1.
std::optional<int> ParseKind(std::string_view word);

// Reads SEL for a list of kind `which`: numbers and ranges from 1, separated by commas ("1-3,7").
// Returns the 0-based slot indices sorted and without repeats, or sets `error` and returns nothing
// when the text is malformed, a range runs backwards or a number lies outside the list.
std::optional<CSelection> ParseSelection(std::string_view text, int which, std::string& error);

// Reads a slot number of a list of kind `which` (1 to 512 or 1 to 999).
std::optional<int> ParseSlotNumberWord(std::string_view text, int which, std::string& error);

// Parses a whole script. Blank lines and lines whose first non-blank character is "#" are skipped;
// a carriage return at a line end is ignored.
CScript ParseScript(std::string_view text);

// The statement summary used by the usage text and by parse errors.
std::string StatementSyntax(StatementKind kind);

} // namespace Orvanta::Cli
