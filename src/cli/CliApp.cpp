#include "cli/CliApp.h"

#include "VersionInfo.h"
#include "cli/CCliReporter.h"
#include "cli/CProjectWindows.h"
#include "cli/CRunWorkFolder.h"
#include "cli/CScriptRunner.h"
#include "cli/CliPaths.h"
#include "cli/DemoProject.h"
#if defined(ORVANTA_LIBRARY)
#include "cli/LibraryCommand.h"
#endif
#include "cli/ProjectCheck.h"
#include "cli/ProjectReport.h"
#include "cli/ScriptParser.h"
#include "cli/SearchReport.h"
#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "operations/CClipboard.h"
#include "operations/CHistory.h"
#include "operations/TransferOperations.h"
#include "storage/CTernFileDocument.h"
#include "storage/ClipboardFiles.h"
#include "storage/ContentHash.h"
#include "storage/FreedesktopTrash.h"
#include "storage/ProjectNaming.h"
#include "storage/SaveJournal.h"
#include "storage/WorkFolder.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#if defined(ORVANTA_DESKTOP_TRASH)
#include "desktop/DesktopTrash.h"
#endif

#include <optional>
#include <sstream>

namespace Orvanta::Cli {

namespace {

constexpr const char* kUsage = R"(Usage: orvanta-cli [--work-folder DIR] [--no-trash] COMMAND ...

Inspect, check and script Orvanta projects (folders named NAME.prj holding Patch/ and Wave/).

Commands:
  info PROJECT [--json]   show a project without changing anything: used patch slots (number, name,
                          file, wave numbers used), used wave slots (number, name, file, bytes, users as
                          patch numbers), total wave size, files a save in place would delete, missing
                          files; in names and paths a control character shows as \xHH (\x1b for
                          ESC) and a backslash as \\
  check PROJECT           exit 0 when the project loads and every file it refers to is present;
                          otherwise print why and exit 1 (also for a save that was interrupted and
                          not yet finished or undone); changes nothing
  recover PROJECT         finish or undo a save of PROJECT that was interrupted (the process died, the
                          power failed); "recovered: ..." on standard error says which; opening the
                          project does the same by itself
  run SCRIPT              run a librarian script; "-" reads standard input
  demo PATH [--seed N]    write a demo project folder at PATH (a name ending in ".prj"; refused if PATH
                          exists); the same seed gives the same project
  find TEXT PROJECT... [--json]
                          list the used slots whose names contain TEXT (A-Z match a-z; other letters,
                          accented ones included, match only themselves), one line each: "PROJECT
                          patch|wave NUMBER NAME"; exit 0 when something was found, 1 when nothing,
                          2 when the command line is wrong (TEXT empty) or a project cannot be loaded
  duplicates PROJECT... [--json]
                          list groups of duplicates within and across the projects: waves whose files
                          are byte-identical, with the wave memory each group wastes (every copy after
                          the first in one project), and patches whose files are byte-identical apart
                          from the header and wave numbers and that use duplicate waves in the same
                          order; changes nothing
  library [--library FILE] STATEMENT
                          the catalogue of every project under the watched folders (see Library below)
  --help, --version

Script: one statement a line; blank lines and lines beginning with # are skipped; words are split at
blanks, and double quotes group words into one. Inside double quotes \" stands for a double quote and
\\ for a backslash; a backslash before any other character stays as it is ("C:\Data\x.prj"), so a
quoted path ending in a backslash ends in \\. A quoted part still open at the end of a line goes on
over the line break, which belongs to the word: a folder whose name holds a line break is written as
"/songs/Two
lines.prj". KIND is "patches" or "waves". SEL lists numbers and ranges as the lists show them, from 1
(for example 1-3,7), in list order. NUMBER is the slot number, from 1, where the first dropped item
lands. Relative paths are taken from the current folder.
  open NAME PATH                        open the project folder PATH as the window NAME
  new NAME                              a new, untitled project window NAME
  copy FROM KIND SEL TO NUMBER [insert] drag SEL from FROM's list onto TO's list of the same kind, as a
  move FROM KIND SEL TO NUMBER [insert] drag between two windows or, when FROM is TO, within one:
                                        overwrite unless "insert"; "move" then deletes the dragged items
                                        at their (re-selected) places as the drag source does
  delete NAME KIND SEL                  the Delete command ("OK to delete?")
  rename NAME KIND SEL TEXT             the Edit Name dialog confirmed with TEXT for the selected items
  import NAME FILE...                   Import Wave with these files, in this order
  import-convert NAME FILE...           Import and Convert: files in any format libsndfile reads are
                                        converted to WAV (16-bit from sources of up to 16 bits, else
                                        24-bit), ".wav", ".aif", ".aiff" and ".vpw" files go in as
                                        they are; all or nothing; prints what was converted
  export NAME waves SEL FOLDER          Export Waves: the files of the selected waves into FOLDER as
                                        "NNN Name.ext", byte for byte; files already there are
                                        replaced only when the question is answered yes
  clean NAME [keep-user-waves] [keep-patch-numbering]
  undo                                  the Undo command
  save NAME                             Save in place (refused for a window that has no folder yet)
  save-as NAME PATH                     Save As into PATH
  close NAME                            close without saving (files that other windows still use are
                                        preserved)
  answer yes|no                         how every following question is answered: yes = OK/Yes,
                                        no = Cancel/No; before the first "answer", questions are
                                        answered no
  print NAME [--json]                   what "info" shows but the sound details, for the project as it
                                        is in memory now
  merge-duplicates NAME                 Merge Duplicate Waves: in each group of byte-identical waves of NAME
                                        the lowest slot stays, the patches that used the others use it,
                                        and the others are emptied (one undo; saving frees the memory)
  copy-rows NAME KIND SEL               Edit > Copy: kept until the next copy-rows or cut-rows, also
                                        after NAME is closed (its files are copied to the work folder)
  cut-rows NAME KIND SEL                Edit > Cut: the rows are emptied at their places by the first paste
  paste NAME KIND NUMBER [insert]       Edit > Paste (Paste Insert with "insert") at slot NUMBER, ending
                                        as the matching copy or move would
  back N                                go back N changes in the history of the run
  forward N                             go forward N changes that were taken back
  history                               print the history, newest first ("- ": taken back)

Every message of the system goes to standard error on its own line, "error: TEXT" or
"question: TEXT -> yes|no". A statement that is refused or fails prints "failed: line N" and the
script goes on; a drop of a block onto its own place is not a failure. Exit status: 0 when every
statement succeeded, 1 when any failed, 2 when the script does not parse (then nothing runs).

find --json prints one array on one line: [{"project", "kind" ("patch"|"wave"), "number", "name"}].
duplicates --json prints {"waves": [[{"project", "number", "name", "bytes"}, ...], ...], "patches":
[[{"project", "number", "name"}, ...], ...]}: groups of two or more, members in project then slot order.

info --json prints one JSON object on one line: {"path", "patches": [{"number", "name", "file", "waves"}],
"waves": [{"number", "name", "file", "bytes", "users", "audio"}], "waveBytes", "waveMemory",
"pendingDeletions", "missing"}, listing used slots only. "audio" is {"format", "sampleRate", "channels",
"bits", "frames", "seconds", "peak"} (peak: the largest sample, 0 to 1 of full scale), or null with
"audioError" saying why the wave has no preview. The text form shows each wave's duration and rate.

Library: a catalogue of every project (NAME.prj with Patch/ and Wave/) found at any depth under the
watched folders, kept in the SQLite file "library.sqlite3" in the user's data folder (on Linux
$XDG_DATA_HOME or ~/.local/share, then "Veltrane/Orvanta Librarian"); --library FILE, after
"library" or before any command, names another.
Scanning only reads project folders; links are never followed. Favourites, tags and notes belong to
a patch's or wave's content, so every copy carries them and they survive rescans. PROJECT is a
catalogued project's path or folder name. Statements:
  add FOLDER              watch FOLDER
  remove FOLDER           stop watching FOLDER and forget its projects (marks are kept)
  folders                 list the watched folders
  scan                    find every project under the watched folders and read what changed since
                          the last scan (new files, and files whose size or time changed); projects
                          that went away are dropped; a second scan while one runs is refused
  find WORDS [--kind patch|wave] [--tag T] [--favourites] [--unused] [--project PROJECT] [--json]
                          patches and waves whose names have words beginning with each of WORDS
                          (any letter case; "" selects everything the filters select); --unused: waves
                          no patch of their project uses; one line each "PROJECT patch|wave NUMBER NAME"
                          with " *" for a favourite and the tags in brackets; exit 1 when none
  where PROJECT wave N    every copy of the wave in the collection and the patches using each
  where PROJECT patch N   every copy of the patch in the collection
  duplicates [--json]     groups of identical waves and patches across the collection, with the
                          bytes of all copies
  tag PROJECT patch|wave N TAG...     add tags to the item's content
  untag PROJECT patch|wave N TAG...   remove them
  favourite PROJECT patch|wave N      mark the item's content as a favourite (unfavourite: unmark)
  note PROJECT patch|wave N TEXT      set the note of the item's content ("" clears it)
  export-tags FILE        write every favourite, tag and note to FILE as JSON (a backup)
  import-tags FILE        add the marks of such a file to the catalogue
A save made by "run" under a watched folder updates that project in the catalogue, when the
catalogue exists. A catalogue that is damaged or not SQLite is renamed aside (NAME.damaged-N) and
made anew, with the marks that can still be read from it.
library find --json prints one array on one line: [{"project", "kind", "number", "name", "tags",
"favourite", "file", "bytes", "key", ...}]; waves add "sampleRate", "channels", "bits", "frames",
patches "waves".

Work folder: a run keeps temporary copies of files (imported waves, files other windows still use
after a save or a close displaced them) in a fresh private folder that is removed at exit, unless
--work-folder DIR or the environment variable ORVANTA_WORK_FOLDER names one; then the run works in a
private sub-folder of its own there, and at exit removes only what it made: every file that was in
the named folder stays.

Saving is crash-safe: a save stages new files in the hidden folder ".orvanta-save" inside the project
and moves them into place only after writing a journal. If a save is interrupted, the next open (or
"recover") finishes it or undoes it, so the folder is the project before the save or after it.

Trash: the files a save deletes (emptied slots, replaced files, strays, duplicates) go to the trash of
the user running the tool (on Linux the one XDG_DATA_HOME names, or the trash of the card they are
on), from where they can be restored; a file no trash can take is kept in the project's folder
"Kept files" and the save says so. --no-trash deletes them at once.
)";

// The domain as a run of the tool needs it: "/" as separator, the message reporter that writes to
// the error stream, the text buffer and a quiet progress. Everything is put back at the end, so
// that the domain is clean for a later run in the same process.
class CCliSession {
public:
    explicit CCliSession(std::ostream& err) : m_reporter(std::make_shared<CCliReporter>(err)) {
        CDomain& domain = CDomain::Instance();
        domain.SetSeparator("/");
        domain.SetReporter(1, std::make_shared<CTernTextOutBuffer>());
        domain.SetReporter(0, m_reporter);
        domain.SetProgress(std::make_unique<CQuietProgress>());
        CTernFileDocument::SetProgramName("orvanta-cli");
    }
    CCliSession(const CCliSession&) = delete;
    CCliSession& operator=(const CCliSession&) = delete;
    ~CCliSession() {
        CDomain& domain = CDomain::Instance();
        domain.ClearUndo();
        EmptyTransfer();
        domain.ReleaseReporters();
        domain.SetWorkFolder(std::string());
    }

    [[nodiscard]] CCliReporter& Reporter() { return *m_reporter; }

private:
    std::shared_ptr<CCliReporter> m_reporter;
};

int UsageError(std::ostream& err, const std::string& message) {
    err << "orvanta-cli: " << message << "\nTry \"orvanta-cli --help\"." << std::endl;
    return kExitUsage;
}

// PROJECT [--json], in either order.
bool ReadProjectArguments(const std::vector<std::string>& args, bool allowJson, std::string& project, bool& json) {
    json = false;
    project.clear();
    for (const std::string& arg : args) {
        if (allowJson && arg == "--json" && !json) {
            json = true;
        } else if (project.empty() && !arg.empty()) {
            project = arg;
        } else {
            return false;
        }
    }
    return !project.empty();
}

int Info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string project;
    bool json = false;
    if (!ReadProjectArguments(args, true, project, json)) {
        return UsageError(err, "info takes: info PROJECT [--json]");
    }
    CCliSession session(err);
    CTernFileDocument document;
    const std::string path = AbsolutePath(project);
    CProjectReport report;
    if (!LoadReport(document, path, report)) {
        if (HasInterruptedSave(NormaliseProjectPath(path))) {
            err << "orvanta-cli: " << project << " holds an interrupted save; \"orvanta-cli recover " << project
                << "\" finishes or undoes it" << std::endl;
        }
        return kExitFailed;
    }
    out << (json ? FormatReportJson(report) + "\n" : FormatReportText(report)) << std::flush;
    return kExitOk;
}

int Check(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string project;
    bool json = false;
    if (!ReadProjectArguments(args, false, project, json)) {
        return UsageError(err, "check takes: check PROJECT");
    }
    CCliSession session(err);
    const CCheckResult result = CheckProject(AbsolutePath(project));
    PrintCheckResult(project, result, out);
    return result.problems.empty() ? kExitOk : kExitFailed;
}

int Recover(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string project;
    bool json = false;
    if (!ReadProjectArguments(args, false, project, json)) {
        return UsageError(err, "recover takes: recover PROJECT");
    }
    CCliSession session(err);
    const std::string path = NormaliseProjectPath(AbsolutePath(project));
    if (!CDomain::Instance().FileSystem().IsFolder(ToNativePath(path))) {
        err << "orvanta-cli: " << project << " is not a folder" << std::endl;
        return kExitFailed;
    }
    std::vector<std::string> setAside;
    const RecoveryOutcome outcome = RecoverInterruptedSave(path, &setAside);
    if (outcome == RecoveryOutcome::kNothing) {
        RemoveStaleSaveLock(path);
        out << project << ": no interrupted save" << std::endl;
        return kExitOk;
    }
    if (!IsRecovered(outcome)) {
        err << "error: " << RecoveryText(path, outcome, setAside) << std::endl;
        return kExitFailed;
    }
    CDomain::Instance().MessageReporter().ReportRecovery(RecoveryText(path, outcome, setAside));
    return kExitOk;
}

// Loads each of `names` for looking, in order; false when one could not be loaded (the message
// reporter has said why).
bool LoadProjects(const std::vector<std::string>& names, std::vector<std::unique_ptr<CTernFileDocument>>& documents,
                  std::vector<CSearchedProject>& projects,
                  CTernFileDocument::LoadFor loadFor = CTernFileDocument::LoadFor::kUse) {
    for (const std::string& name : names) {
        auto document = std::make_unique<CTernFileDocument>();
        if (!document->OpenProjectFolder(AbsolutePath(name), CTernFileDocument::Recovery::kRefuse, loadFor)) {
            return false;
        }
        projects.push_back({name, &document->Data()});
        documents.push_back(std::move(document));
    }
    return true;
}

// WORD... with "--json" once anywhere among them.
bool ReadWordsAndJson(const std::vector<std::string>& args, std::vector<std::string>& words, bool& json) {
    json = false;
    for (const std::string& arg : args) {
        if (arg == "--json" && !json) {
            json = true;
        } else {
            words.push_back(arg);
        }
    }
    return std::none_of(words.begin(), words.end(), [](const std::string& word) { return word.empty(); });
}

std::vector<const CTernData*> DataOf(const std::vector<CSearchedProject>& projects) {
    std::vector<const CTernData*> data;
    for (const CSearchedProject& project : projects) {
        data.push_back(project.data);
    }
    return data;
}

int Find(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> words;
    bool json = false;
    // An empty TEXT would find every used slot: refused as a usage error.
    if (!ReadWordsAndJson(args, words, json) || words.size() < 2) {
        return UsageError(err, "find takes: find TEXT PROJECT... [--json] (TEXT not empty)");
    }
    CCliSession session(err);
    std::vector<std::unique_ptr<CTernFileDocument>> documents;
    std::vector<CSearchedProject> projects;
    if (!LoadProjects({words.begin() + 1, words.end()}, documents, projects)) {
        return kExitUsage;
    }
    const std::vector<CNameHit> hits = FindNames(DataOf(projects), words[0]);
    out << (json ? FormatFindJson(projects, hits) + "\n" : FormatFindText(projects, hits)) << std::flush;
    return hits.empty() ? kExitFailed : kExitOk;
}

int Duplicates(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> words;
    bool json = false;
    if (!ReadWordsAndJson(args, words, json) || words.empty()) {
        return UsageError(err, "duplicates takes: duplicates PROJECT... [--json]");
    }
    CCliSession session(err);
    std::vector<std::unique_ptr<CTernFileDocument>> documents;
    std::vector<CSearchedProject> projects;
    // The search reads the waves that share a size with another; those reads show that they can be
    // read, and only the other wave files are opened for the check that loading makes.
    if (!LoadProjects(words, documents, projects, CTernFileDocument::LoadFor::kDuplicateSearch)) {
        return kExitFailed;
    }
    CContentHashes& content = SharedContentHashes();
    const CContentSearch search(content); // the check below takes the stamps the search saw
    const CDuplicateGroups groups = FindDuplicates(DataOf(projects), content);
    for (const std::unique_ptr<CTernFileDocument>& document : documents) {
        if (!document->CheckWaveFiles([&](const std::string& path) { return content.WasRead(path, {}); })) {
            return kExitFailed;
        }
    }
    out << (json ? FormatDuplicatesJson(projects, groups) + "\n" : FormatDuplicatesText(projects, groups))
        << std::flush;
    return kExitOk;
}

std::optional<std::string> ReadScript(const std::string& name) {
    std::ostringstream text;
    if (name == "-") {
        text << std::cin.rdbuf();
        return text.str();
    }
    std::error_code error;
    if (std::filesystem::is_directory(name, error)) {
        return std::nullopt;
    }
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    // An empty file inserts nothing, which marks `text` failed; only a read error counts.
    text << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    return text.str();
}

int Run(const std::vector<std::string>& args, const std::optional<std::string>& workFolder, std::ostream& out,
        std::ostream& err) {
    if (args.size() != 1) {
        return UsageError(err, "run takes: run SCRIPT (\"-\" reads standard input)");
    }
    const std::optional<std::string> text = ReadScript(args[0]);
    if (!text) {
        err << "orvanta-cli: cannot read the script " << args[0] << std::endl;
        return kExitUsage;
    }
    const CScript script = ParseScript(*text);
    if (!script.errors.empty()) {
        for (const CParseError& error : script.errors) {
            err << "line " << error.line << ": " << error.message << std::endl;
        }
        err << "the script does not parse; nothing was run" << std::endl;
        return kExitUsage;
    }
    CCliSession session(err);
    CRunWorkFolder work;
    if (!work.SetUp(workFolder)) {
        err << "error: " << kWorkFolderErrorText << std::endl;
        if (!work.Chosen().empty()) {
            err << "orvanta-cli: " << work.Chosen()
                << " cannot be the work folder: it must be a folder of yours that nobody else can enter, or a "
                   "path where such a folder can be created"
                << std::endl;
        }
        return kExitFailed;
    }
    // A run starts as a fresh program would: nothing copied, no history.
    CClipboard::Instance().Clear();
    CHistory::Instance().Clear();
    KeepClipboardFilesInWorkFolder();
    CProjectWindows windows;
    CScriptRunner runner(windows, session.Reporter(), out, err);
    const int status = runner.Run(script);
    windows.CloseAll();
    CClipboard::Instance().Clear();
    CClipboard::Instance().SetFileKeeper(nullptr);
    CHistory::Instance().Clear();
    return status;
}

std::optional<std::uint64_t> ReadSeed(const std::string& text) {
    std::uint64_t seed = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, seed);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return seed;
}

int Demo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string path;
    std::uint64_t seed = kDefaultDemoSeed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--seed" && i + 1 < args.size()) {
            const std::optional<std::uint64_t> value = ReadSeed(args[++i]);
            if (!value) {
                return UsageError(err, "the seed must be a whole number from 0 on, not \"" + args[i] + "\"");
            }
            seed = *value;
        } else if (path.empty() && !args[i].empty() && args[i] != "--seed") {
            path = args[i];
        } else {
            return UsageError(err, "demo takes: demo PATH [--seed N]");
        }
    }
    if (path.empty()) {
        return UsageError(err, "demo takes: demo PATH [--seed N]");
    }
    CCliSession session(err);
    CDemoSummary summary;
    std::string error;
    if (!WriteDemoProject(AbsolutePath(path), seed, summary, error)) {
        err << "orvanta-cli: " << error << std::endl;
        return kExitFailed;
    }
    out << "Wrote the demo project " << path << ": " << summary.patches << " patches (slot " << summary.emptyPatchSlot
        << " left empty), " << summary.waves << " waves (" << summary.unusedWaves << " unused), seed " << seed
        << std::endl;
    return kExitOk;
}

// Turns the saves' use of the desktop's trash on or off: the core's own where it has one (Linux),
// else the desktop library's; a build with neither always deletes.
void UseTrash(bool use) {
    if (HasOwnTrash()) {
        UseOwnTrash(use);
        return;
    }
#if defined(ORVANTA_DESKTOP_TRASH)
    UseDesktopTrash(use);
#else
    (void)use;
#endif
}

} // namespace

std::string UsageText() {
    return kUsage;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> workFolder;
    std::optional<std::string> libraryFile;
    bool useTrash = true;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << UsageText() << std::flush;
            return kExitOk;
        }
        if (arg == "--version") {
            out << "orvanta-cli " << VersionInfo::kFileVersion << std::endl;
            return kExitOk;
        }
        if (arg == "--work-folder") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                return UsageError(err, "--work-folder needs a folder");
            }
            workFolder = args[++i];
        } else if (arg.rfind("--work-folder=", 0) == 0) {
            workFolder = arg.substr(14);
        } else if (arg == "--no-trash") {
            useTrash = false;
        } else if (arg == "--library") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                return UsageError(err, "--library needs a file");
            }
            libraryFile = args[++i];
        } else {
            break;
        }
    }
    if (i == args.size()) {
        return UsageError(err, "no command given");
    }
    // Files a save deletes go to the trash of the user running the tool, unless told otherwise.
    UseTrash(useTrash);
    const std::string& command = args[i];
    const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
    if (command == "info") {
        return Info(rest, out, err);
    }
    if (command == "check") {
        return Check(rest, out, err);
    }
    if (command == "recover") {
        return Recover(rest, out, err);
    }
    if (command == "run") {
#if defined(ORVANTA_LIBRARY)
        SetLibraryFileForSaves(libraryFile);
#endif
        return Run(rest, workFolder, out, err);
    }
    if (command == "library") {
#if defined(ORVANTA_LIBRARY)
        CCliSession session(err);
        return RunLibraryCommand(rest, libraryFile, out, err);
#else
        err << "orvanta-cli: this build has no project catalogue (it was built without SQLite)" << std::endl;
        return kExitFailed;
#endif
    }
    if (command == "demo") {
        return Demo(rest, out, err);
    }
    if (command == "find") {
        return Find(rest, out, err);
    }
    if (command == "duplicates") {
        return Duplicates(rest, out, err);
    }
    return UsageError(err, "unknown command \"" + command + "\"");
}

} // namespace Orvanta::Cli
