#include "shell/CApp.h"

#include "desktop/DesktopTrash.h"
#include "model/CDomain.h"
#include "model/CTernTextOut.h"
#include "operations/EditCommands.h"
#include "resources/VersionInfo.h"
#include "shell/CAboutDialog.h"
#include "shell/CAudioPlayer.h"
#include "shell/CCleanProjectDlg.h"
#include "shell/CClipboardCommands.h"
#include "shell/CDocMan.h"
#include "shell/CDocTemplate.h"
#include "shell/CFileDoc.h"
#include "shell/CFileFrame.h"
#include "shell/CFontSetupDialog.h"
#include "shell/CMainFrame.h"
#include "shell/CSelectFolderDialog.h"
#include "shell/CommandIds.h"
#include "shell/ShellPaths.h"
#include "storage/CTernFileDocument.h"
#include "storage/ClipboardFiles.h"
#include "storage/WorkFolder.h"
#include "views/CFileView.h"
#include "views/CParameterListCtrl.h"
#include "views/CProgressBar.h"
#include "views/CTextOutBox.h"
#include "winframework/CCmdLinePrm.h"
#include "winframework/CMDIChildWndEx.h"
#include "winframework/CMessageBox.h"
#include "winframework/CSettings.h"
#include "winframework/CSingleInstance.h"
#include "winframework/CWaitCursor.h"
#include "winframework/ResourceString.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel> // complete types for the progress reporter's members
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace Orvanta {

namespace {

CApp* g_app = nullptr;

constexpr const char* kOptionSection = "Option";
constexpr const char* kFontPrefix = "Font";

} // namespace

CApp::CApp(QObject* parent) : CApp(Options{}, parent) {}

CApp::CApp(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_docManager(std::make_unique<CDocMan>()),
      m_player(std::make_unique<CAudioPlayer>()) {
    g_app = this;
}

CApp::~CApp() {
    if (m_idleConnection) {
        disconnect(m_idleConnection);
    }
    // Documents go before their windows' main window; nothing is asked any more.
    for (CFileDoc* document : Documents()) {
        DestroyDocument(*document, false);
    }
    delete m_mainFrame.data();
    if (g_app == this) {
        g_app = nullptr;
    }
}

CApp* CApp::Instance() {
    return g_app;
}

CDocTemplate& CApp::ProjectTemplate() const {
    return *m_docManager->Template(kIdrProjectTemplate);
}

std::vector<CFileDoc*> CApp::Documents() const {
    CDocTemplate* projects = m_docManager->Template(kIdrProjectTemplate);
    return projects != nullptr ? projects->Documents() : std::vector<CFileDoc*>{};
}

QString CApp::ProjectFromArguments(const QStringList& arguments) {
    const QString value = CCmdLinePrm::SinglePlainValue(CCmdLinePrm::ParseArguments(arguments));
    if (value.isEmpty()) {
        return {};
    }
    const QFileInfo info(value);
    return info.isRelative() ? QDir::current().absoluteFilePath(value) : value;
}

QStringList CApp::ProjectsFromArguments(const QStringList& arguments) {
    QStringList projects;
    for (const CCmdLinePrm& parameter : CCmdLinePrm::ParseArguments(arguments)) {
        const QString value = parameter.IsSwitch() ? QString() : parameter.GetAt(0);
        if (!value.isEmpty()) {
            projects << (QFileInfo(value).isRelative() ? QDir::current().absoluteFilePath(value) : value);
        }
    }
    return projects;
}

std::optional<QString> CApp::InformationRequested(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            return QStringLiteral("Usage: orvanta-librarian [PROJECT.prj]...\n"
                                  "Opens each project folder named in the librarian's window (in the window\n"
                                  "already running, when there is one).\n"
                                  "  --help, -h   this text\n"
                                  "  --version    the program's version\n");
        }
        if (argument == QLatin1String("--version")) {
            return QStringLiteral("orvanta-librarian %1\n").arg(QString::fromLatin1(VersionInfo::kFileVersion));
        }
    }
    return std::nullopt;
}

bool CApp::InitInstance(const QStringList& arguments) {
    const QString title = ResourceString(kIdsApplicationTitle);
    // Every project named is opened, not only a single one.
    const QStringList projects = ProjectsFromArguments(arguments);

    // 1. One primary process per user: a later start hands its projects to the first and ends.
    m_instance = std::make_unique<CSingleInstance>(title, m_options.runtimeFolder);
    if (!m_instance->BecomePrimary()) {
        m_secondary = true;
        bool handed = true;
        for (const QString& project : projects.isEmpty() ? QStringList{QString()} : projects) {
            if (!m_instance->SendToPrimary(project)) {
                handed = false;
                break;
            }
        }
        if (!handed) {
            ShowMessage(kIdsUndefinedError); // no primary answers, and none can be made
        }
        return false;
    }
    connect(m_instance.get(), &CSingleInstance::ActivationRequested, this, &CApp::OnActivationRequested);

    // 3. The settings key; 4. the recent-file list.
    QCoreApplication::setOrganizationName(QString::fromLatin1(CSettings::kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(CSettings::kApplication));
    // Ties the windows to the installed desktop entry (its name and icon in the desktop's task list).
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopEntryId));
    m_recentFiles = CSettings::ReadRecentFiles();

    // 5. The document manager with the project template.
    if (m_docManager->Template(kIdrProjectTemplate) == nullptr) {
        m_docManager->AddTemplate(std::make_unique<CDocTemplate>(kIdrProjectTemplate));
    }
    CFileView::SetCleanOptionsPrompt([](QWidget* parent) {
        CCleanProjectDlg dialog(parent);
        return dialog.Run() == QDialog::Accepted;
    });

    // 6. The main window.
    m_mainFrame = new CMainFrame(*this);
    if (!m_mainFrame->Create()) {
        return false;
    }
    // 7. The "Option" settings; 8. the window is shown.
    LoadSettings();
    m_mainFrame->show();
    m_mainFrame->repaint();

    // 9. The reporters; 10. the path separator.
    CreateReporters();
    CDomain::Instance().SetSeparator("/");
    CTernFileDocument::SetProgramName("Orvanta Librarian");

    // 11. The work folder.
    if (!PrepareWorkFolder()) {
        ShowMessage(kIdsNoWorkFolder);
        return false;
    }

    m_idleConnection =
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this, &CApp::OnIdle);

    // 12. The projects named on the command line; the start ends when none of them loads (its box
    // said why).
    bool opened = projects.isEmpty();
    for (const QString& project : projects) {
        opened = OpenDocumentFile(project) != nullptr || opened;
    }
    if (!opened) {
        return false;
    }
    m_running = true;
    if (!m_pendingActivations.isEmpty()) {
        m_activationScheduled = true;
        QTimer::singleShot(0, this, &CApp::HandlePendingActivations);
    }
    emit Started();
    return true;
}

void CApp::CreateReporters() {
    CDomain& domain = CDomain::Instance();
    domain.SetReporter(1, std::make_shared<CTernTextOutBuffer>());
    domain.SetReporter(0, std::make_shared<CTextOutBox>(m_mainFrame.data()));
    domain.SetProgress(std::make_unique<CProgressBar>(CProgressBar::kTemplateId, m_mainFrame.data()));
}

bool CApp::PrepareWorkFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const std::string defaultPath =
        data.isEmpty() ? std::string() : QDir(data).filePath(QString::fromLatin1(kWorkFolderName)).toStdString();
    if (!SetUpWorkFolder(ChooseWorkFolderPath(defaultPath))) {
        return false;
    }
    m_workFolder = QString::fromStdString(SetUpWorkFolderPath());
    KeepClipboardFilesInWorkFolder();
    return true;
}

int CApp::ExitInstance() {
    m_running = false;
    if (m_idleConnection) {
        disconnect(m_idleConnection);
        m_idleConnection = {};
    }
    if (!m_secondary) {
        for (CFileDoc* document : Documents()) {
            DestroyDocument(*document, false);
        }
        SaveSettings();
        if (!m_workFolder.isEmpty()) {
            // Only this process's own files and sub-folder go; each file that cannot be deleted is
            // reported, the rest still go.
            CleanWorkFolder();
            m_workFolder.clear();
        }
        CDomain::Instance().ReleaseReporters();
    }
    delete m_mainFrame.data();
    m_instance.reset();
    return 0;
}

void CApp::ShowMessage(int stringId) {
    CMessageBox::Show(m_mainFrame.data(), ResourceString(kIdsApplicationTitle), ResourceString(stringId),
                      QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Warning);
}

void CApp::LoadSettings() {
    SerializeSettings(false);
}

void CApp::SaveSettings() {
    SerializeSettings(true);
}

void CApp::SerializeSettings(bool saving) {
    CDomain& domain = CDomain::Instance();
    const QString section = QString::fromLatin1(kOptionSection);
    const QString prefix = QString::fromLatin1(kFontPrefix);
    if (saving) {
        m_font.Save(section, prefix);
        CSettings::WriteInt(SettingId::GridSw, domain.m_gridOn);
        CSettings::WriteInt(SettingId::WaveOption, domain.m_waveOption);
        CSettings::WriteInt(SettingId::PatchOption, domain.m_patchOption);
        CSettings::WriteInt(SettingId::MoveToTrash, m_useTrash ? 1 : 0);
        CSettings::WriteRecentFiles(m_recentFiles);
        return;
    }
    CMDIChildWndEx::SetPlacementMode(CMDIChildWndEx::kPersistentPlacementMode);
    m_font.Load(section, prefix);
    domain.m_gridOn = CSettings::ReadInt(SettingId::GridSw);
    domain.m_waveOption = CSettings::ReadInt(SettingId::WaveOption);
    domain.m_patchOption = CSettings::ReadInt(SettingId::PatchOption);
    SetUseTrash(CSettings::ReadInt(SettingId::MoveToTrash) != 0);
}

void CApp::SetUseTrash(bool use) {
    m_useTrash = use;
    UseDesktopTrash(use);
}

void CApp::OnIdle() {
    if (m_mainFrame != nullptr) {
        m_mainFrame->UpdateCommandUI();
    }
    if (!m_flushQueued && CDomain::Instance().PendingErrorCode() != 0) {
        // Shown from the event loop, not from inside the dispatcher's wait.
        m_flushQueued = true;
        QTimer::singleShot(0, this, &CApp::FlushPendingError);
    }
}

void CApp::FlushPendingError() {
    m_flushQueued = false;
    CDomain& domain = CDomain::Instance();
    const int code = domain.PendingErrorCode();
    if (code == 0) {
        return;
    }
    // Cleared first, so that the box's own event loop does not show it again.
    domain.ReportToTextBuffer(0);
    domain.MessageReporter().Error(code);
}

CFileDoc* CApp::NewDocument() {
    CFileDoc& document = CreateDocumentWindow();
    if (m_mainFrame != nullptr) {
        m_mainFrame->AddFileFrame(document.Frame());
    }
    return &document;
}

CFileDoc& CApp::CreateDocumentWindow() {
    CFileDoc& document = ProjectTemplate().CreateDocument();
    connect(&document, &CFileDoc::PathNameSet, this, &CApp::AddToRecentFileList);
    connect(&document, &CFileDoc::ContentChanged, this, [this] {
        if (m_mainFrame != nullptr && m_mainFrame->ClipboardCommands() != nullptr) {
            m_mainFrame->ClipboardCommands()->FollowChange();
        }
    });
    // The status bar says what another program changed, and stops saying it once that was dealt
    // with (unless the status bar has said something else since).
    connect(&document, &CFileDoc::ChangedOnDisk, this,
            [this, shown = std::make_shared<QString>()](const QString& text) {
                if (m_mainFrame != nullptr) {
                    QStatusBar* bar = m_mainFrame->statusBar();
                    if (!text.isEmpty()) {
                        bar->showMessage(text);
                    } else if (!shown->isEmpty() && bar->currentMessage() == *shown) {
                        bar->clearMessage();
                    }
                }
                *shown = text;
            });
    document.OnNewDocument();
    auto* frame = new CFileFrame(document);
    connect(frame, &CFileFrame::FrameClosed, this, [this](CFileDoc* closed) {
        if (ProjectTemplate().Contains(closed)) {
            DestroyDocument(*closed, true); // inside the window's own close: deleted afterwards
        }
    });
    if (frame->View() != nullptr) {
        ApplyListFont(*frame->View());
        frame->View()->OnInitialUpdate();
    }
    return document;
}

void CApp::DestroyDocument(CFileDoc& document, bool deferred) {
    // Files of this project that other open projects still use are kept in the work folder.
    document.PreserveReferencedFiles();
    std::unique_ptr<CFileDoc> owned = ProjectTemplate().RemoveDocument(document);
    if (!owned) {
        return;
    }
    if (CFileFrame* frame = owned->Frame(); frame != nullptr) {
        frame->SetCloseWithoutPrompt(true);
        frame->hide();
    }
    if (deferred) {
        owned.release()->deleteLater();
    }
    if (m_mainFrame != nullptr) {
        QTimer::singleShot(0, m_mainFrame.data(), [frame = m_mainFrame] {
            if (frame != nullptr) {
                frame->UpdateFrameTitle();
                frame->UpdateCommandUI();
            }
        });
    }
}

bool CApp::CloseAllDocuments() {
    for (CFileDoc* document : Documents()) {
        if (!document->SaveModified()) {
            return false;
        }
    }
    for (CFileDoc* document : Documents()) {
        DestroyDocument(*document, false);
    }
    return true;
}

CFileDoc* CApp::OpenDocumentFile(const QString& path) {
    return OpenProject(path);
}

CFileDoc* CApp::FindOpenProject(const QString& path) const {
    for (CFileDoc* document : Documents()) {
        const std::string& projectPath = document->Data().m_projectPath;
        if (!projectPath.empty() && IsSameProjectFolder(path, QString::fromStdString(projectPath))) {
            return document;
        }
    }
    return nullptr;
}

CFileDoc* CApp::OpenProject(const QString& path) {
    if (CFileDoc* open = FindOpenProject(path); open != nullptr) {
        if (m_mainFrame != nullptr) {
            m_mainFrame->ActivateFrame(open->Frame());
        }
        return open;
    }
    // The window joins the main window only once the project is loaded: a failed load or the box
    // about a recovered save shows no empty window behind it.
    CFileDoc* document = &CreateDocumentWindow();
    ProjectTemplate().ReturnUntitledNumber(*document); // it is a project's window, never "Untitled"
    if (!document->LoadFolder(path)) {
        DestroyDocument(*document, false);
        return nullptr;
    }
    if (m_mainFrame != nullptr) {
        m_mainFrame->AddFileFrame(document->Frame());
    }
    CSettings::WriteString(SettingId::OpenFolderName, FolderNameValue(path));
    return document;
}

void CApp::AddToRecentFileList(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    m_recentFiles.removeAll(path);
    m_recentFiles.push_front(path);
    while (m_recentFiles.size() > CSettings::kRecentFileCount) {
        m_recentFiles.pop_back();
    }
    if (m_mainFrame != nullptr) {
        m_mainFrame->UpdateRecentFileMenu();
    }
}

void CApp::OnFileNew() {
    NewDocument();
}

void CApp::OnFileOpen() {
    const QString folder = CSettings::ReadString(SettingId::OpenFolderName);
    CSelectProjectDialog dialog(true, tr("Open Project"), tr("Open &Project"), folder, m_mainFrame.data());
    if (dialog.Run() == QDialog::Accepted) {
        OpenProject(dialog.Selection());
    }
}

void CApp::OnOpenRecentFile(int index) {
    if (index < 0 || index >= m_recentFiles.size()) {
        return;
    }
    const QString path = m_recentFiles[index];
    if (OpenDocumentFile(path) == nullptr) {
        m_recentFiles.removeAll(path);
        if (m_mainFrame != nullptr) {
            m_mainFrame->UpdateRecentFileMenu();
        }
    }
}

void CApp::OnAppAbout() {
    const bool withProductVersion = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    CAboutDialog dialog(withProductVersion, m_mainFrame.data());
    dialog.exec();
}

void CApp::OnSetUpFont() {
    CFontSetupDialog dialog(m_font.Font(), m_font.Color(), m_mainFrame.data());
    if (dialog.Run() != QDialog::Accepted) {
        return; // nothing changes, nothing is redrawn
    }
    m_font.SetFont(dialog.ChosenFont(), CFontEx::ColorRefFromColor(dialog.ChosenColor()));
    for (CFileDoc* document : Documents()) {
        if (CFileFrame* frame = document->Frame(); frame != nullptr && frame->View() != nullptr) {
            ApplyListFont(*frame->View());
        }
        document->UpdateAllViews(CFileView::kHintUndo);
    }
}

void CApp::OnEditUndo() {
    if (!CDomain::Instance().HasUndo()) {
        return;
    }
    const CWaitCursor wait;
    const std::vector<CTernData*> restored = UndoLastChange();
    for (CFileDoc* document : Documents()) {
        if (std::find(restored.begin(), restored.end(), &document->Data()) != restored.end()) {
            document->SetModifiedFlag(document->ListsDifferFromSaved());
            document->UpdateAllViews(CFileView::kHintUndo);
        }
    }
}

QString CApp::ManualPath() {
    static const QString path = ManualPathFrom(QCoreApplication::applicationDirPath(), ResourceString(kIdsManualFile));
    return path;
}

void CApp::OnHelpManual() {
    const QString path = ManualPath();
    const bool opened = m_desktopOpener ? m_desktopOpener(QUrl::fromLocalFile(path))
                                        : QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    if (!opened) {
        ShowManualWindow(path); // no viewer for it on this desktop
    }
}

void CApp::ShowManualWindow(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        CMessageBox::Show(m_mainFrame, ResourceString(kIdsApplicationTitle),
                          QStringLiteral("The manual could not be opened: %1").arg(QDir::toNativeSeparators(path)),
                          QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    file.close();
    if (m_manualWindow == nullptr) {
        // A window of its own beside the main window, closed with it.
        m_manualWindow = new QTextBrowser(m_mainFrame);
        m_manualWindow->setWindowFlag(Qt::Window);
        m_manualWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_manualWindow->setOpenExternalLinks(true);
        m_manualWindow->setWindowTitle(ResourceString(kIdsApplicationTitle) + QStringLiteral(" - Manual"));
        m_manualWindow->resize(m_manualWindow->fontMetrics().averageCharWidth() * 100,
                               m_manualWindow->fontMetrics().height() * 40);
        // Esc and Ctrl+W close it, as they close other windows of this kind.
        for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
            auto* close = new QAction(m_manualWindow);
            close->setShortcut(keys);
            close->setShortcutContext(Qt::WindowShortcut);
            connect(close, &QAction::triggered, m_manualWindow.data(), &QWidget::close);
            m_manualWindow->addAction(close);
        }
    }
    m_manualWindow->setSource(QUrl::fromLocalFile(path));
    m_manualWindow->show();
    m_manualWindow->raise();
    m_manualWindow->activateWindow();
}

void CApp::ApplyListFont(CFileView& view) const {
    if (!m_font.HasFont()) {
        return;
    }
    for (const int which : {kPatchList, kWaveList}) {
        CParameterListCtrl& list = view.List(which);
        list.setFont(m_font.Font());
        QPalette palette = list.palette();
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Text, QColor(m_font.Color()));
        }
        list.setPalette(palette);
    }
}

void CApp::OnActivationRequested(const QString& path) {
    if (m_pendingActivations.contains(path) || m_pendingActivations.size() >= kMaxPendingActivations) {
        return;
    }
    m_pendingActivations.push_back(path);
    if (m_running && !m_activationScheduled) {
        m_activationScheduled = true;
        QTimer::singleShot(0, this, &CApp::HandlePendingActivations);
    }
}

void CApp::HandlePendingActivations() {
    m_activationScheduled = false;
    // An error box of one hand-over runs an event loop in which more may arrive: they wait in the
    // queue for this loop.
    if (m_handlingActivations) {
        return;
    }
    m_handlingActivations = true;
    while (!m_pendingActivations.isEmpty()) {
        const QString path = m_pendingActivations.front();
        if (m_mainFrame != nullptr) {
            m_mainFrame->BringToFront();
        }
        if (!path.isEmpty()) {
            OpenProject(path);
        }
        m_pendingActivations.pop_front();
    }
    m_handlingActivations = false;
}

} // namespace Orvanta
