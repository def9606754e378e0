#include "cli/CScriptRunner.h"

#include "cli/CCliReporter.h"
#include "cli/CProjectWindows.h"
#include "cli/CliPaths.h"
#if defined(ORVANTA_LIBRARY)
#include "cli/LibraryCommand.h"
#endif
#include "cli/PreviewReport.h"
#include "cli/ProjectReport.h"
#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CTernData.h"
#include "operations/CClipboard.h"
#include "operations/CHistory.h"
#include "operations/ChangeNames.h"
#include "operations/DropOperations.h"
#include "operations/DuplicateSearch.h"
#include "operations/EditCommands.h"
#include "sound/CImportConversion.h"
#include "storage/ContentHash.h"
#include "storage/ProjectCleaning.h"
#include "storage/ProjectNaming.h"
#include "storage/WaveExport.h"

#include <algorithm>

namespace Orvanta::Cli {

namespace {

const char* KindWord(int which) {
    return which == kPatchList ? "patches" : "waves";
}

CTernData& DataOf(CProjectWindow& window) {
    return window.document->Data();
}

} // namespace

CScriptRunner::CScriptRunner(CProjectWindows& windows, CCliReporter& reporter, std::ostream& out, std::ostream& err)
    : m_windows(windows), m_reporter(reporter), m_out(out), m_err(err) {
    CHistory::Instance().SetProjectNamer([this](const CTernData* project) {
        const CProjectWindow* window = m_windows.FindByData(project);
        return window != nullptr ? ProjectName(*window) : std::string();
    });
}

CScriptRunner::~CScriptRunner() {
    CHistory::Instance().SetProjectNamer(nullptr);
}

std::string CScriptRunner::ProjectName(const CProjectWindow& window) const {
    std::string path = window.document->Data().m_projectPath;
    while (!path.empty() && path.back() == '/') {
        path.pop_back();
    }
    return path.empty() ? window.name : path.substr(path.find_last_of('/') + 1);
}

void CScriptRunner::MarkModified(const std::vector<CTernData*>& projects) {
    for (CTernData* project : projects) {
        if (CProjectWindow* window = m_windows.FindByData(project); window != nullptr) {
            window->document->SetModified(true);
        }
    }
}

int CScriptRunner::Run(const CScript& script) {
    bool allSucceeded = true;
    for (const CStatement& statement : script.statements) {
        // A statement during which the system reported an error has failed, even when the
        // operation went part of the way (an import that stopped at a file that could not be copied).
        const int errorsBefore = m_reporter.ErrorCount();
        m_changeName.clear();
        const bool done = Execute(statement);
        // Whatever the statement changed becomes one entry of the history.
        CHistory::Instance().Record(m_changeName);
        ShowPendingError();
        const bool succeeded = done && m_reporter.ErrorCount() == errorsBefore;
        if (!succeeded) {
            m_err << "failed: line " << statement.line << std::endl;
            allSucceeded = false;
        }
    }
    return allSucceeded ? 0 : 1;
}

bool CScriptRunner::Execute(const CStatement& s) {
    switch (s.kind) {
    case StatementKind::Open:
        return Open(s);
    case StatementKind::New:
        return New(s);
    case StatementKind::Copy:
    case StatementKind::Move:
        return Drop(s);
    case StatementKind::Delete:
        return Delete(s);
    case StatementKind::Rename:
        return Rename(s);
    case StatementKind::Import:
        return Import(s);
    case StatementKind::Clean:
        return Clean(s);
    case StatementKind::Undo:
        return Undo(s);
    case StatementKind::Save:
        return Save(s);
    case StatementKind::SaveAs:
        return SaveAs(s);
    case StatementKind::Close:
        return Close(s);
    case StatementKind::Answer:
        m_reporter.SetAnswerYes(s.answerYes);
        return true;
    case StatementKind::Print:
        return Print(s);
    case StatementKind::Merge:
        return MergeDuplicates(s);
    case StatementKind::Preview:
        return Preview(s);
    case StatementKind::CopyRows:
    case StatementKind::CutRows:
        return CopyRows(s);
    case StatementKind::Paste:
        return Paste(s);
    case StatementKind::Back:
    case StatementKind::Forward:
        return Travel(s);
    case StatementKind::History:
        return ListHistory();
    case StatementKind::ImportConvert:
        return ImportConvert(s);
    case StatementKind::Export:
        return Export(s);
    }
    return false;
}

bool CScriptRunner::Refuse(const CStatement& s, const std::string& why) {
    m_err << "line " << s.line << ": " << why << std::endl;
    return false;
}

CProjectWindow* CScriptRunner::Window(const CStatement& s, const std::string& name) {
    CProjectWindow* window = m_windows.Find(name);
    if (window == nullptr) {
        Refuse(s, "no window named \"" + name + "\" is open");
    }
    return window;
}

void CScriptRunner::ShowPendingError() {
    CDomain& domain = CDomain::Instance();
    const int code = domain.PendingErrorCode();
    if (code != 0) {
        domain.MessageReporter().Error(code);
        domain.ReportToTextBuffer(0);
    }
}

bool CScriptRunner::Open(const CStatement& s) {
    if (m_windows.Find(s.window) != nullptr) {
        return Refuse(s, "a window named \"" + s.window + "\" is already open");
    }
    const std::string folder = AbsolutePath(s.text);
    // As in the GUI, a project is open in one window at most.
    if (const CProjectWindow* open = m_windows.FindByPath(NormaliseProjectPath(folder)); open != nullptr) {
        return Refuse(s, "the project " + folder + " is already open as the window \"" + open->name + "\"");
    }
    std::unique_ptr<CTernFileDocument> document = m_windows.CreateDocument();
    if (!document->OpenProjectFolder(folder)) {
        return false;
    }
    m_windows.Add(s.window, std::move(document));
    return true;
}

bool CScriptRunner::New(const CStatement& s) {
    if (m_windows.Find(s.window) != nullptr) {
        return Refuse(s, "a window named \"" + s.window + "\" is already open");
    }
    m_windows.Add(s.window, m_windows.CreateDocument());
    return true;
}

bool CScriptRunner::Drop(const CStatement& s) {
    CProjectWindow* from = Window(s, s.window);
    CProjectWindow* to = from != nullptr ? Window(s, s.target) : nullptr;
    if (from == nullptr || to == nullptr) {
        return false;
    }
    CDragRequest request;
    request.source = &DataOf(*from);
    request.target = &DataOf(*to);
    request.which = s.which;
    request.selection = s.selection;
    request.dropIndex = s.number - 1;
    request.insert = s.insert;
    request.copy = s.kind == StatementKind::Copy;
    m_changeName =
        NameOfTransfer(request.copy ? "Copy" : "Move", s.which, NormaliseSelection(s.selection, s.which),
                       ProjectName(*from), ProjectName(*to), from == to, static_cast<std::size_t>(s.number), s.insert);
    const CDropResult result = DragAndDrop(request);
    switch (result.status) {
    case DropStatus::Done:
        to->document->SetModified(true);
        if (!result.deletedAfterMove.empty()) {
            from->document->SetModified(true);
        }
        return true;
    case DropStatus::NoOp:
        return true;
    case DropStatus::NothingDragged:
        return Refuse(s, std::string("every selected slot of the ") + KindWord(s.which) + " of \"" + s.window +
                             "\" is empty: nothing to drag");
    case DropStatus::Refused:
        break;
    }
    // The range check refuses without a message of its own.
    return RefuseRange(s, s.selection.size());
}

bool CScriptRunner::RefuseRange(const CStatement& s, std::size_t count) {
    const auto start = static_cast<std::size_t>(s.number - 1);
    if (start + count > CTernData::Capacity(s.which)) {
        return Refuse(s, std::to_string(count) + " " + KindWord(s.which) + " do not fit from slot " +
                             std::to_string(s.number) + " to the end of the list");
    }
    return false;
}

bool CScriptRunner::Delete(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    if (!CanDeleteSelection(DataOf(*window), s.selection, s.which)) {
        return Refuse(s,
                      std::string("every selected slot of the ") + KindWord(s.which) + " is empty: nothing to delete");
    }
    m_changeName = NameOfDelete(s.which, s.selection, ProjectName(*window));
    if (!DeleteSelection(DataOf(*window), s.selection, s.which)) {
        return false;
    }
    window->document->SetModified(true);
    return true;
}

bool CScriptRunner::Rename(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    m_changeName = NameOfRename(s.which, s.selection, ProjectName(*window), FilterName(s.text));
    if (RenameElements(DataOf(*window), s.which, s.selection, s.text) == 0) {
        return false;
    }
    window->document->SetModified(true);
    return true;
}

bool CScriptRunner::Import(const CStatement& s) {
    return ImportFiles(s, false);
}

bool CScriptRunner::ImportConvert(const CStatement& s) {
    return ImportFiles(s, true);
}

bool CScriptRunner::ImportFiles(const CStatement& s, bool convert) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    const std::optional<std::vector<std::string>> files = ReadableFiles(s);
    if (!files) {
        return false;
    }
    CImportConversion conversion;
    if (convert && !conversion.Prepare(*window->document, *files)) {
        return false;
    }
    if (convert) {
        conversion.Convert();
    }
    // Either way the document marks itself modified when it placed any wave.
    const std::size_t imported = convert ? conversion.Import(*window->document) : window->document->ImportWaves(*files);
    m_changeName = NameOfImport(imported, ProjectName(*window));
    if (convert && imported > 0) {
        m_out << conversion.Summary() << std::endl;
    }
    return imported > 0;
}

std::optional<std::vector<std::string>> CScriptRunner::ReadableFiles(const CStatement& s) {
    // What the file dialog of Import Wave ensures: only existing files can be chosen.
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    std::vector<std::string> files;
    for (const std::string& file : s.files) {
        const std::string path = AbsolutePath(file);
        if (fileSystem.IsFolder(ToNativePath(path)) || fileSystem.OpenRead(ToNativePath(path)) == nullptr) {
            Refuse(s, "cannot read the file " + file);
            return std::nullopt;
        }
        files.push_back(path);
    }
    return files;
}

bool CScriptRunner::Export(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    std::string folder = AbsolutePath(s.text);
    if (!CDomain::Instance().FileSystem().IsFolder(ToNativePath(folder))) {
        return Refuse(s, "there is no folder " + s.text);
    }
    if (folder.back() != '/') {
        folder += '/';
    }
    const CTernData& data = DataOf(*window);
    const bool anyWave = std::any_of(s.selection.begin(), s.selection.end(),
                                     [&data](std::size_t slot) { return !data.m_waves[slot].m_path.empty(); });
    if (!anyWave) {
        return Refuse(s, "the selection holds no wave");
    }
    const std::vector<std::string> written = ExportWaves(data, s.selection, folder);
    for (const std::string& path : written) {
        m_out << "exported " << path << std::endl;
    }
    return !written.empty();
}

bool CScriptRunner::Clean(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    // The two check boxes of the Clean Project dialog.
    CDomain& domain = CDomain::Instance();
    domain.m_waveOption = s.keepUserWaves ? 1 : 0;
    domain.m_patchOption = s.keepPatchNumbering ? 1 : 0;
    m_changeName = NameOfClean(ProjectName(*window));
    if (!CleanProjectWithUndo(DataOf(*window), CleanProject)) {
        return false;
    }
    window->document->SetModified(true);
    return true;
}

bool CScriptRunner::Undo(const CStatement& s) {
    const std::vector<CTernData*> restored = UndoLastChange();
    if (restored.empty()) {
        return Refuse(s, "there is nothing to undo");
    }
    MarkModified(restored);
    return true;
}

void CScriptRunner::KeepLibraryCurrent(const std::string& projectPath) {
#if defined(ORVANTA_LIBRARY)
    UpdateLibraryAfterSave(projectPath, m_err);
#else
    static_cast<void>(projectPath);
#endif
}

bool CScriptRunner::Save(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    const std::string folder = DataOf(*window).m_projectPath;
    if (folder.empty()) {
        return Refuse(s, "the window \"" + s.window + "\" has no folder yet: use save-as");
    }
    if (!window->document->SaveProjectTo(folder)) {
        return false;
    }
    CHistory::Instance().ProjectSaved(&DataOf(*window));
    KeepLibraryCurrent(DataOf(*window).m_projectPath);
    return true;
}

bool CScriptRunner::SaveAs(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    if (!window->document->SaveProjectTo(AbsolutePath(s.text))) {
        return false;
    }
    CHistory::Instance().ProjectSaved(&DataOf(*window));
    KeepLibraryCurrent(DataOf(*window).m_projectPath);
    return true;
}

bool CScriptRunner::Close(const CStatement& s) {
    if (Window(s, s.window) == nullptr) {
        return false;
    }
    // The files of this project that other windows still use are copied to the work folder first.
    m_windows.Find(s.window)->document->PreserveReferencedFiles();
    m_windows.Remove(s.window).reset();
    return true;
}

bool CScriptRunner::Print(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    const CProjectReport report = BuildReport(*window->document);
    m_out << (s.json ? FormatReportJson(report) + "\n" : FormatReportText(report)) << std::flush;
    return true;
}

bool CScriptRunner::MergeDuplicates(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    CTernData& project = DataOf(*window);
    const CDuplicateGroups groups = FindDuplicates({&project}, SharedContentHashes());
    m_changeName = NameOfMerge(ProjectName(*window));
    const std::size_t emptied = MergeDuplicateWaves(project, WaveGroupsIn(groups, 0));
    if (emptied > 0) {
        window->document->SetModified(true);
    }
    m_out << s.window << ": " << emptied << " duplicate waves merged" << std::endl;
    return true;
}

bool CScriptRunner::Preview(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    // Without PATH: Save in place, as "save NAME" would do it.
    const std::string folder = s.text.empty() ? DataOf(*window).m_projectPath : AbsolutePath(s.text);
    if (folder.empty()) {
        return Refuse(s, "the window \"" + s.window + "\" has no folder yet: name the folder to preview Save As");
    }
    CSavePreview preview;
    if (std::string reason; !window->document->PreviewSave(folder, preview, reason)) {
        return Refuse(s, "the save would be refused: " + reason);
    }
    m_out << FormatPreviewJson(preview) << std::endl;
    return true;
}

bool CScriptRunner::CopyRows(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    if (!CClipboard::Instance().Copy(DataOf(*window), s.selection, s.which, s.kind == StatementKind::CutRows)) {
        return Refuse(s, std::string("every selected slot of the ") + KindWord(s.which) + " of \"" + s.window +
                             "\" is empty: nothing to copy");
    }
    return true;
}

bool CScriptRunner::Paste(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    CClipboard& clipboard = CClipboard::Instance();
    if (clipboard.IsEmpty()) {
        return Refuse(s, "nothing has been copied or cut");
    }
    if (clipboard.Kind() != s.which) {
        return Refuse(s,
                      std::string("the rows copied are ") + KindWord(clipboard.Kind()) + ", not " + KindWord(s.which));
    }
    const CProjectWindow* source = clipboard.Source() != nullptr ? m_windows.FindByData(clipboard.Source()) : nullptr;
    const CPastePlan plan = clipboard.Plan(DataOf(*window), s.which, s.number - 1, s.insert);
    m_changeName = NameOfTransfer(plan.move ? "Cut and paste" : "Paste", s.which, clipboard.Rows(),
                                  source != nullptr ? ProjectName(*source) : std::string("a closed project"),
                                  ProjectName(*window), source == window, static_cast<std::size_t>(s.number), s.insert);
    const std::size_t count = clipboard.Count();
    const CPasteResult result = clipboard.Paste(DataOf(*window), s.which, s.number - 1, s.insert);
    switch (result.status) {
    case DropStatus::Done:
        window->document->SetModified(true);
        if (result.source != nullptr) {
            MarkModified({result.source});
        }
        return true;
    case DropStatus::NoOp:
        return true;
    case DropStatus::NothingDragged:
    case DropStatus::Refused:
        break;
    }
    return RefuseRange(s, count);
}

bool CScriptRunner::Travel(const CStatement& s) {
    CHistory& history = CHistory::Instance();
    const bool back = s.kind == StatementKind::Back;
    const auto count = static_cast<std::size_t>(s.number);
    const std::vector<CTernData*> changed = back ? history.GoBack(count) : history.GoForward(count);
    if (changed.empty()) {
        const std::size_t possible = back ? history.Position() : history.Size() - history.Position();
        return Refuse(s, std::string("the history holds ") + std::to_string(possible) +
                             (possible == 1 ? " change" : " changes") + (back ? " to go back over" : " to go forward"));
    }
    MarkModified(changed);
    return true;
}

bool CScriptRunner::ListHistory() {
    CHistory& history = CHistory::Instance();
    history.Revalidate();
    if (const std::string notice = history.TakeNotice(); !notice.empty()) {
        m_out << notice << "\n";
    }
    // Newest first; the entries taken back are marked.
    for (std::size_t i = history.Size(); i-- > 0;) {
        m_out << (i < history.Position() ? "  " : "- ") << history.Entry(i).name << "\n";
    }
    m_out << std::flush;
    return true;
}

} // namespace Orvanta::Cli
