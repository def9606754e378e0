#pragma once

#include "cli/ScriptParser.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Orvanta {
class CTernData;
}

namespace Orvanta::Cli {

class CCliReporter;
class CProjectWindows;
struct CProjectWindow;

// Runs the statements of a parsed script against the open project windows, each through the
// core's own operation, as the GUI's commands and drops do. A statement that is refused or fails
// prints "failed: line N" on the error stream, after a line saying why when the core itself says
// nothing; the script then goes on.
class CScriptRunner {
public:
    // The history names projects by their folders, untitled ones by their window names.
    CScriptRunner(CProjectWindows& windows, CCliReporter& reporter, std::ostream& out, std::ostream& err);
    ~CScriptRunner();
    CScriptRunner(const CScriptRunner&) = delete;
    CScriptRunner& operator=(const CScriptRunner&) = delete;

    // Runs every statement in order; 0 when every one succeeded, 1 when any failed.
    int Run(const CScript& script);
    // Runs one statement; true when it succeeded.
    bool Execute(const CStatement& statement);

private:
    bool Open(const CStatement& s);
    bool New(const CStatement& s);
    bool Drop(const CStatement& s);
    bool Delete(const CStatement& s);
    bool Rename(const CStatement& s);
    bool Import(const CStatement& s);
    bool Clean(const CStatement& s);
    bool Undo(const CStatement& s);
    bool Save(const CStatement& s);
    bool SaveAs(const CStatement& s);
    // After a save: the catalogue of the user's projects takes the saved folder's new content.
    void KeepLibraryCurrent(const std::string& projectPath);
    bool Close(const CStatement& s);
    bool Print(const CStatement& s);
    bool MergeDuplicates(const CStatement& s);
    bool Preview(const CStatement& s);
    bool CopyRows(const CStatement& s);
    bool Paste(const CStatement& s);
    bool Travel(const CStatement& s);
    bool ListHistory();

    // The display name of a window's project in the names of changes.
    std::string ProjectName(const CProjectWindow& window) const;
    // Marks the windows of `projects` modified.
    void MarkModified(const std::vector<CTernData*>& projects);
    // Refuses a drop or paste whose items do not fit from `number` to the end of the list.
    bool RefuseRange(const CStatement& s, std::size_t count);
    bool ImportConvert(const CStatement& s);
    // import and import-convert: the FILE... into the window's project, as they are or converted.
    bool ImportFiles(const CStatement& s, bool convert);
    bool Export(const CStatement& s);
    // The FILE... of an import as absolute paths, or nothing after saying which cannot be read.
    std::optional<std::vector<std::string>> ReadableFiles(const CStatement& s);

    // The window `name`, or null after saying that there is none.
    CProjectWindow* Window(const CStatement& s, const std::string& name);
    // Prints why the statement is refused; returns false.
    bool Refuse(const CStatement& s, const std::string& why);
    // Shows an error that a lower layer left in the text buffer, as the GUI's idle processing does.
    void ShowPendingError();

    CProjectWindows& m_windows;
    CCliReporter& m_reporter;
    std::ostream& m_out;
    std::ostream& m_err;
    // The name the history gives the change of the statement running now.
    std::string m_changeName;
};

} // namespace Orvanta::Cli
