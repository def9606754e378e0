#include "cli/LibraryCommand.h"

#include "cli/CliApp.h"
#include "cli/CliPaths.h"
#include "cli/ProjectReport.h"
#include "library/CLibrary.h"
#include "model/CDomain.h"
#include "model/CFileSystem.h"

#include <charconv>
#include <iostream>
#include <sstream>
#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace Orvanta::Cli {

namespace {

using Library::CItem;
using Library::CLibrary;
using Library::ItemKind;

std::optional<std::string> g_libraryFileForSaves;

int LibraryUsage(std::ostream& err, const std::string& message) {
    err << "orvanta-cli: " << message << "\nTry \"orvanta-cli --help\"." << std::endl;
    return kExitUsage;
}

std::optional<int> ReadNumber(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < 1) {
        return std::nullopt;
    }
    return value;
}

bool IsTerminal(std::ostream& stream) {
#if defined(_WIN32)
    static_cast<void>(stream);
    return false;
#else
    return &stream == &std::cerr && ::isatty(2) == 1;
#endif
}

std::string TagsText(const std::vector<std::string>& tags) {
    std::string text;
    for (const std::string& tag : tags) {
        text += (text.empty() ? "" : ", ") + TerminalText(tag);
    }
    return text;
}

std::string JsonTags(const std::vector<std::string>& tags) {
    std::string json = "[";
    for (std::size_t i = 0; i < tags.size(); ++i) {
        json += (i == 0 ? "" : ",") + JsonString(tags[i]);
    }
    return json + "]";
}

std::string JsonNumbers(const std::vector<int>& numbers) {
    std::string json = "[";
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        json += (i == 0 ? "" : ",") + std::to_string(numbers[i]);
    }
    return json + "]";
}

std::string ItemJson(const CItem& item) {
    std::string json = "{\"project\":" + JsonString(item.project) + ",\"kind\":\"" + Library::KindName(item.kind) +
                       "\",\"number\":" + std::to_string(item.number) + ",\"name\":" + JsonString(item.name) +
                       ",\"tags\":" + JsonTags(item.tags) + ",\"favourite\":" + (item.favourite ? "true" : "false") +
                       ",\"file\":" + JsonString(item.file) + ",\"bytes\":" + std::to_string(item.bytes) +
                       ",\"key\":" + (item.key.empty() ? std::string("null") : JsonString(item.key));
    if (item.kind == ItemKind::kWave) {
        json += ",\"sampleRate\":" + std::to_string(item.sampleRate) +
                ",\"channels\":" + std::to_string(item.channels) + ",\"bits\":" + std::to_string(item.bits) +
                ",\"frames\":" + std::to_string(item.frames);
    } else {
        json += ",\"waves\":" + JsonNumbers(item.waves);
    }
    if (!item.note.empty()) {
        json += ",\"note\":" + JsonString(item.note);
    }
    return json + "}";
}

std::string ItemLine(const CItem& item) {
    std::string line = TerminalText(item.project) + " " + Library::KindName(item.kind) + " " +
                       std::to_string(item.number) + " " + TerminalText(item.name);
    if (item.favourite) {
        line += " *";
    }
    if (!item.tags.empty()) {
        line += " [" + TagsText(item.tags) + "]";
    }
    return line;
}

// The statements of one "library" command over an open catalogue.
class CLibraryStatements {
public:
    CLibraryStatements(CLibrary& library, std::ostream& out, std::ostream& err)
        : m_library(library), m_out(out), m_err(err) {}

    int Run(const std::string& statement, const std::vector<std::string>& args) {
        if (statement == "add" || statement == "remove") {
            return Folder(statement == "add", args);
        }
        if (statement == "folders") {
            return args.empty() ? Folders() : LibraryUsage(m_err, "folders takes no arguments");
        }
        if (statement == "scan") {
            return args.empty() ? Scan() : LibraryUsage(m_err, "scan takes no arguments");
        }
        if (statement == "find") {
            return Find(args);
        }
        if (statement == "where") {
            return Where(args);
        }
        if (statement == "duplicates") {
            return Duplicates(args);
        }
        if (statement == "tag" || statement == "untag") {
            return Tag(statement == "tag", args);
        }
        if (statement == "favourite" || statement == "unfavourite") {
            return Favourite(statement == "favourite", args);
        }
        if (statement == "note") {
            return Note(args);
        }
        if (statement == "export-tags" || statement == "import-tags") {
            return TagsFile(statement == "export-tags", args);
        }
        return LibraryUsage(m_err, "unknown library statement \"" + statement + "\"");
    }

private:
    int Failed(const std::string& message) {
        m_err << "orvanta-cli: " << message << std::endl;
        return kExitFailed;
    }

    int Folder(bool add, const std::vector<std::string>& args) {
        if (args.size() != 1 || args[0].empty()) {
            return LibraryUsage(m_err, add ? "add takes: add FOLDER" : "remove takes: remove FOLDER");
        }
        const std::string path = AbsolutePath(args[0]);
        std::string error;
        if (!(add ? m_library.AddFolder(path, error) : m_library.RemoveFolder(path, error))) {
            return Failed(error);
        }
        m_out << (add ? "watching " : "no longer watching ") << TerminalText(path) << std::endl;
        return kExitOk;
    }

    int Folders() {
        for (const std::string& folder : m_library.Folders()) {
            m_out << TerminalText(folder) << "\n";
        }
        m_out << std::flush;
        return kExitOk;
    }

    int Scan() {
        Library::CScanOptions options;
        const bool terminal = IsTerminal(m_err);
        if (terminal) {
            options.progress = [this](const Library::CScanProgress& progress) {
                m_err << "\r\x1b[Kscanning " << progress.projectsDone << "/" << progress.projectsFound << " "
                      << TerminalText(progress.project) << std::flush;
            };
        }
        const Library::CScanResult result = m_library.Scan(options);
        if (terminal) {
            m_err << "\r\x1b[K" << std::flush;
        }
        for (const std::string& note : result.notes) {
            m_err << "orvanta-cli: " << TerminalText(note) << std::endl;
        }
        if (result.outcome != Library::CScanResult::Outcome::kDone) {
            return Failed(result.error);
        }
        m_out << result.projects << " projects, " << result.projectsChanged << " updated, " << result.projectsDropped
              << " dropped, " << result.filesRead << " files read" << std::endl;
        return kExitOk;
    }

    int Find(const std::vector<std::string>& args) {
        Library::CFindQuery query;
        bool json = false;
        bool haveWords = false;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string& arg = args[i];
            const bool hasValue = i + 1 < args.size();
            if (arg == "--json") {
                json = true;
            } else if (arg == "--favourites") {
                query.favourites = true;
            } else if (arg == "--unused") {
                query.unusedWaves = true;
            } else if (arg == "--kind" && hasValue) {
                query.kind = Library::ParseKind(args[++i]);
                if (!query.kind) {
                    return LibraryUsage(m_err, "--kind takes patch or wave");
                }
            } else if (arg == "--tag" && hasValue) {
                query.tag = args[++i];
            } else if (arg == "--project" && hasValue) {
                const std::optional<std::string> project = Project(args[++i]);
                if (!project) {
                    return kExitFailed;
                }
                query.project = *project;
            } else if (arg.rfind("--", 0) == 0) {
                return LibraryUsage(m_err, "find takes: find WORDS [--kind patch|wave] [--tag T] [--favourites] "
                                           "[--unused] [--project PROJECT] [--json]");
            } else {
                query.words += (haveWords ? " " : "") + arg;
                haveWords = true;
            }
        }
        if (!haveWords) {
            return LibraryUsage(m_err, "find takes WORDS (\"\" lists everything the filters select)");
        }
        const std::vector<CItem> items = m_library.Find(query);
        if (json) {
            std::string text = "[";
            for (std::size_t i = 0; i < items.size(); ++i) {
                text += (i == 0 ? "" : ",") + ItemJson(items[i]);
            }
            m_out << text << "]\n";
        } else {
            for (const CItem& item : items) {
                m_out << ItemLine(item) << "\n";
            }
        }
        m_out << std::flush;
        return items.empty() ? kExitFailed : kExitOk;
    }

    // A project named on the command line: a catalogued path, or the folder name of one.
    std::optional<std::string> Project(const std::string& text) {
        if (std::optional<std::string> path = m_library.ResolveProject(AbsolutePath(text))) {
            return path;
        }
        if (std::optional<std::string> path = m_library.ResolveProject(text)) {
            return path;
        }
        Failed(TerminalText(text) + " is not a catalogued project (or its name is not unique); scan first");
        return std::nullopt;
    }

    // The item a statement names.
    struct CItemArguments {
        std::string project;
        ItemKind kind = ItemKind::kPatch;
        int number = 0;
    };
    static constexpr int kOneOrMore = -1;

    // PROJECT patch|wave N followed by `more` further arguments (kOneOrMore: at least one). When the
    // arguments are not that, `status` is what the statement answers: `usage` printed, or the failure
    // to find the project.
    std::optional<CItemArguments> ReadItemArguments(const std::vector<std::string>& args, int more,
                                                    const std::string& usage, int& status) {
        const std::optional<ItemKind> parsed = args.size() < 3 ? std::nullopt : Library::ParseKind(args[1]);
        const std::optional<int> parsedNumber = args.size() < 3 ? std::nullopt : ReadNumber(args[2]);
        if (!parsed || !parsedNumber) {
            status = LibraryUsage(m_err, usage);
            return std::nullopt;
        }
        const std::optional<std::string> path = Project(args[0]);
        if (!path) {
            status = kExitFailed;
            return std::nullopt;
        }
        const auto extra = static_cast<int>(args.size()) - 3;
        if (more == kOneOrMore ? extra == 0 : extra != more) {
            status = LibraryUsage(m_err, usage);
            return std::nullopt;
        }
        return CItemArguments{*path, *parsed, *parsedNumber};
    }

    int Where(const std::vector<std::string>& args) {
        int status = kExitUsage;
        const std::optional<CItemArguments> item =
            ReadItemArguments(args, 0, "where takes: where PROJECT wave|patch N", status);
        if (!item) {
            return status;
        }
        const auto& [project, kind, number] = *item;
        const std::optional<Library::CCopies> copies = m_library.WhereUsed(project, kind, number);
        if (!copies) {
            return Failed(std::string("no ") + Library::KindName(kind) + " " + std::to_string(number) + " in " +
                          TerminalText(project));
        }
        m_out << Library::KindName(kind) << " " << number << " " << TerminalText(copies->item.name) << " of "
              << TerminalText(project) << ": " << copies->copies.size()
              << (copies->copies.size() == 1 ? " copy" : " copies") << " in the collection\n";
        for (std::size_t i = 0; i < copies->copies.size(); ++i) {
            const CItem& copy = copies->copies[i];
            m_out << "  " << TerminalText(copy.project) << " " << Library::KindName(kind) << " " << copy.number << " "
                  << TerminalText(copy.name);
            if (kind == ItemKind::kWave) {
                const std::vector<int>& users = copies->users[i];
                if (users.empty()) {
                    m_out << ": used by no patch";
                } else {
                    m_out << ": used by patch" << (users.size() == 1 ? " " : "es ");
                    for (std::size_t u = 0; u < users.size(); ++u) {
                        m_out << (u == 0 ? "" : ", ") << users[u];
                    }
                }
            }
            m_out << "\n";
        }
        m_out << std::flush;
        return kExitOk;
    }

    int Duplicates(const std::vector<std::string>& args) {
        const bool json = args.size() == 1 && args[0] == "--json";
        if (!args.empty() && !json) {
            return LibraryUsage(m_err, "duplicates takes: duplicates [--json]");
        }
        const std::vector<Library::CDuplicateGroup> groups = m_library.Duplicates();
        if (json) {
            std::string waves;
            std::string patches;
            for (const Library::CDuplicateGroup& group : groups) {
                std::string text = "{\"key\":" + JsonString(group.key) +
                                   ",\"bytes\":" + std::to_string(group.totalBytes) + ",\"members\":[";
                for (std::size_t i = 0; i < group.members.size(); ++i) {
                    text += (i == 0 ? "" : ",") + ItemJson(group.members[i]);
                }
                text += "]}";
                std::string& list = group.kind == ItemKind::kWave ? waves : patches;
                list += (list.empty() ? "" : ",") + text;
            }
            m_out << "{\"waves\":[" << waves << "],\"patches\":[" << patches << "]}" << std::endl;
            return kExitOk;
        }
        for (const Library::CDuplicateGroup& group : groups) {
            m_out << group.members.size() << " copies of " << Library::KindName(group.kind) << " \""
                  << TerminalText(group.members.front().name) << "\", " << group.totalBytes << " bytes in all\n";
            for (const CItem& member : group.members) {
                m_out << "  " << TerminalText(member.project) << " " << Library::KindName(member.kind) << " "
                      << member.number << " " << TerminalText(member.name) << "\n";
            }
        }
        if (groups.empty()) {
            m_out << "no duplicates\n";
        }
        m_out << std::flush;
        return kExitOk;
    }

    int Tag(bool add, const std::vector<std::string>& args) {
        const std::string name = add ? "tag" : "untag";
        int status = kExitUsage;
        const std::optional<CItemArguments> item =
            ReadItemArguments(args, kOneOrMore, name + " takes: " + name + " PROJECT patch|wave N TAG...", status);
        if (!item) {
            return status;
        }
        const auto& [project, kind, number] = *item;
        const std::vector<std::string> tags(args.begin() + 3, args.end());
        std::string error;
        if (!(add ? m_library.AddTags(project, kind, number, tags, error)
                  : m_library.RemoveTags(project, kind, number, tags, error))) {
            return Failed(error);
        }
        return kExitOk;
    }

    int Favourite(bool favourite, const std::vector<std::string>& args) {
        int status = kExitUsage;
        const std::optional<CItemArguments> item = ReadItemArguments(
            args, 0, std::string(favourite ? "favourite" : "unfavourite") + " takes: PROJECT patch|wave N", status);
        if (!item) {
            return status;
        }
        const auto& [project, kind, number] = *item;
        std::string error;
        if (!m_library.SetFavourite(project, kind, number, favourite, error)) {
            return Failed(error);
        }
        return kExitOk;
    }

    int Note(const std::vector<std::string>& args) {
        int status = kExitUsage;
        const std::optional<CItemArguments> item =
            ReadItemArguments(args, 1, "note takes: note PROJECT patch|wave N TEXT", status);
        if (!item) {
            return status;
        }
        const auto& [project, kind, number] = *item;
        std::string error;
        if (!m_library.SetNote(project, kind, number, args[3], error)) {
            return Failed(error);
        }
        return kExitOk;
    }

    int TagsFile(bool write, const std::vector<std::string>& args) {
        if (args.size() != 1 || args[0].empty()) {
            return LibraryUsage(m_err,
                                write ? "export-tags takes: export-tags FILE" : "import-tags takes: import-tags FILE");
        }
        const std::string path = AbsolutePath(args[0]);
        std::string error;
        if (write) {
            if (!m_library.ExportTags(path, error)) {
                return Failed(error);
            }
            return kExitOk;
        }
        std::size_t imported = 0;
        if (!m_library.ImportTags(path, imported, error)) {
            return Failed(error);
        }
        m_out << "imported the marks of " << imported << " items" << std::endl;
        return kExitOk;
    }

    CLibrary& m_library;
    std::ostream& m_out;
    std::ostream& m_err;
};

} // namespace

int RunLibraryCommand(const std::vector<std::string>& args, const std::optional<std::string>& defaultFile,
                      std::ostream& out, std::ostream& err) {
    std::optional<std::string> file = defaultFile;
    std::size_t i = 0;
    if (i < args.size() && args[i] == "--library") {
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            return LibraryUsage(err, "--library needs a file");
        }
        file = args[i + 1];
        i += 2;
    }
    if (i >= args.size()) {
        return LibraryUsage(err, "library takes: library [--library FILE] STATEMENT ...");
    }
    const std::string path = file ? AbsolutePath(*file) : CLibrary::DefaultPath();
    CLibrary library;
    std::vector<std::string> messages;
    std::string error;
    const bool opened = library.Open(path, messages, error);
    for (const std::string& message : messages) {
        err << "orvanta-cli: " << TerminalText(message) << std::endl;
    }
    if (!opened) {
        err << "orvanta-cli: " << TerminalText(error) << std::endl;
        return kExitFailed;
    }
    try {
        return CLibraryStatements(library, out, err)
            .Run(args[i], std::vector<std::string>(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end()));
    } catch (const Library::CSqliteError& failure) {
        err << "orvanta-cli: the catalogue " << TerminalText(path) << " could not be read: " << failure.what()
            << std::endl;
        return kExitFailed;
    }
}

void SetLibraryFileForSaves(const std::optional<std::string>& file) {
    g_libraryFileForSaves = file;
}

void UpdateLibraryAfterSave(const std::string& projectPath, std::ostream& err) {
    const std::string path = g_libraryFileForSaves ? AbsolutePath(*g_libraryFileForSaves) : CLibrary::DefaultPath();
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    // Never made by a save: only a catalogue the user has is kept current.
    if (!fileSystem.Exists(path)) {
        return;
    }
    CLibrary library;
    std::vector<std::string> messages;
    std::string error;
    if (!library.Open(path, messages, error)) {
        err << "orvanta-cli: the catalogue could not be updated: " << TerminalText(error) << std::endl;
        return;
    }
    for (const std::string& message : messages) {
        err << "orvanta-cli: " << TerminalText(message) << std::endl;
    }
    std::string project = projectPath;
    while (project.size() > 1 && project.back() == '/') {
        project.pop_back();
    }
    try {
        if (!library.WatchedFolderOf(project)) {
            return;
        }
    } catch (const Library::CSqliteError&) {
        return;
    }
    if (!library.RescanProject(project, error)) {
        err << "orvanta-cli: the catalogue could not be updated: " << TerminalText(error) << std::endl;
    }
}

} // namespace Orvanta::Cli
