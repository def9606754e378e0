#include "cli/CScriptRunner.h"

#include "cli/CCliReporter.h"
#include "cli/CProjectWindows.h"
#include "cli/CliPaths.h"
#include "cli/PreviewReport.h"
#include "cli/ProjectReport.h"
#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CTernData.h"
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

int CScriptRunner::Run(const CScript& script) {
    bool allSucceeded = true;
    for (const CStatement& statement : script.statements) {
        // A statement during which the system reported an error has failed, even when the
        // operation went part of the way (an import that stopped at a file that could not be copied).
        const int errorsBefore = m_reporter.ErrorCount();
        const bool done = Execute(statement);
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
    const auto start = static_cast<std::size_t>(s.number - 1);
    if (!request.target->IsValidRange(s.which, start, s.selection.size())) {
        return Refuse(s, std::to_string(s.selection.size()) + " " + KindWord(s.which) + " do not fit from slot " +
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
    if (RenameElements(DataOf(*window), s.which, s.selection, s.text) == 0) {
        return false;
    }
    window->document->SetModified(true);
    return true;
}

bool CScriptRunner::Import(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    const std::optional<std::vector<std::string>> files = ReadableFiles(s);
    // Marks the document modified itself when it placed any wave.
    return files && window->document->ImportWaves(*files) > 0;
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

bool CScriptRunner::ImportConvert(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    const std::optional<std::vector<std::string>> files = ReadableFiles(s);
    if (!files) {
        return false;
    }
    CImportConversion conversion;
    if (!conversion.Prepare(*window->document, *files)) {
        return false;
    }
    conversion.Convert();
    if (conversion.Import(*window->document) == 0) {
        return false;
    }
    m_out << conversion.Summary() << std::endl;
    return true;
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
    for (CTernData* project : restored) {
        if (CProjectWindow* window = m_windows.FindByData(project); window != nullptr) {
            window->document->SetModified(true);
        }
    }
    return true;
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
    return window->document->SaveProjectTo(folder);
}

bool CScriptRunner::SaveAs(const CStatement& s) {
    CProjectWindow* window = Window(s, s.window);
    if (window == nullptr) {
        return false;
    }
    return window->document->SaveProjectTo(AbsolutePath(s.text));
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

} // namespace Orvanta::Cli
