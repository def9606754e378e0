#pragma once

#include "winframework/CFontEx.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTextBrowser>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace Orvanta {

class CAudioPlayer;
class CDocMan;
class CDocTemplate;
class CFileDoc;
class CFileView;
class CMainFrame;
class CSingleInstance;

// The application object: start-up and exit, the settings of the "Option" section, the work
// folder, the one project template and the document manager, the project commands (New, Open,
// the recent files) and the application commands (About, Set Up Font).
class CApp : public QObject {
    Q_OBJECT

public:
    struct Options {
        // Folder of the single-instance lock and socket; empty: the user's runtime folder.
        QString runtimeFolder;
    };

    explicit CApp(QObject* parent = nullptr);
    CApp(Options options, QObject* parent = nullptr);
    ~CApp() override;

    // The application object alive, or null.
    [[nodiscard]] static CApp* Instance();

    // The start-up sequence with the program's arguments (without the program itself). False ends
    // the process before the event loop (another instance took over, or a step failed).
    bool InitInstance(const QStringList& arguments);
    // The exit steps: only in the primary instance the settings are written, the files this process
    // made in its work folder are removed with the folder (when it was set up in this run) and the
    // reporters released.
    // Runs after every start, also after a failed one. Returns the exit code.
    int ExitInstance();

    [[nodiscard]] bool IsSecondaryInstance() const { return m_secondary; }
    [[nodiscard]] CMainFrame* MainFrame() const { return m_mainFrame.data(); }
    [[nodiscard]] CDocMan& DocManager() const { return *m_docManager; }
    // The project template (4107).
    [[nodiscard]] CDocTemplate& ProjectTemplate() const;
    [[nodiscard]] std::vector<CFileDoc*> Documents() const;
    // The list font shared by the project windows.
    [[nodiscard]] CFontEx& ListFont() { return m_font; }
    // Audition: the one player of the application's waves.
    [[nodiscard]] CAudioPlayer& Player() const { return *m_player; }
    // Gives both lists of a project window the list font and its colour.
    void ApplyListFont(CFileView& view) const;
    // This process's own work folder set up in this run, a private sub-folder of the chosen one
    // ("/" separators, ending in "/"); empty when none.
    [[nodiscard]] const QString& WorkFolder() const { return m_workFolder; }

    // Opening by name (the command line, the recent-file list, another start): OpenProject.
    CFileDoc* OpenDocumentFile(const QString& path);
    // Activates the document already showing the folder `path`, or opens it in a new document.
    // Null when the folder could not be loaded (the new document is gone again).
    CFileDoc* OpenProject(const QString& path);
    // The open document whose project is the folder `path`, compared by folder identity.
    [[nodiscard]] CFileDoc* FindOpenProject(const QString& path) const;
    // File > New: a new, unmodified "Untitled<n>" document with its window.
    CFileDoc* NewDocument();
    // Asks about every modified document in turn, then closes them all. False (nothing closed)
    // when a question was cancelled or a save failed.
    bool CloseAllDocuments();

    // Commands.
    void OnFileNew();
    void OnFileOpen();
    void OnOpenRecentFile(int index);
    void OnAppAbout();
    void OnSetUpFont();
    // Setup > Deleted Files to the Trash: the files a save deletes go to the desktop's trash (the
    // default) or are deleted at once; kept in the settings.
    void SetUseTrash(bool use);
    [[nodiscard]] bool UsesTrash() const { return m_useTrash; }
    // Undo: restores the projects of the last change (a second Undo redoes it), marks exactly those
    // documents modified and updates their windows with hint 1. Nothing happens without an undo
    // state.
    void OnEditUndo();
    // Manual: opens the user manual beside the program with the desktop's viewer or, when the
    // desktop has none for it, in a window of our own (ShowManualWindow).
    void OnHelpManual();
    // Shows the manual at `path` in the program's own manual window; says so in a message box when
    // the file cannot be read.
    void ShowManualWindow(const QString& path);
    // How the desktop is asked to open a file; tests put in one that fails.
    using DesktopOpener = std::function<bool(const QUrl&)>;
    void SetDesktopOpener(DesktopOpener opener) { m_desktopOpener = std::move(opener); }
    [[nodiscard]] QTextBrowser* ManualWindow() const { return m_manualWindow; }
    // The manual's path: string 3080 beside the program, or where an installation puts it.
    [[nodiscard]] static QString ManualPath();

    // The recent-file list, most recent first, at most 8 entries.
    [[nodiscard]] const QStringList& RecentFiles() const { return m_recentFiles; }
    void AddToRecentFileList(const QString& path);

    // The "Option" section: the list font, the grid switch and the two clean options.
    void LoadSettings();
    void SaveSettings();

    // The idle work: the command states, and an error code a lower layer left in the text
    // buffer is shown once the current operation has returned.
    void OnIdle();
    void FlushPendingError();

    // A second start handed over `path` (empty: only bring the window to the front). Requests are
    // queued, duplicates dropped and the queue capped, and handled one at a time once the current
    // event has returned, so an error box is never opened inside the socket handler or inside
    // another hand-over's box.
    void OnActivationRequested(const QString& path);
    // Most hand-overs waiting at once; more are dropped (a flood of second starts).
    static constexpr qsizetype kMaxPendingActivations = 16;

    // The project named by the arguments: the value of the only plain parameter, made absolute;
    // empty when there is no plain parameter or more than one.
    static QString ProjectFromArguments(const QStringList& arguments);
    // Every project the arguments name, in their order: the first value of each plain parameter,
    // made absolute. `orvanta-librarian A.prj B.prj` opens both.
    static QStringList ProjectsFromArguments(const QStringList& arguments);
    // What "--help" (or "-h") and "--version" ask for, as the program prints it on its standard
    // output before any window is made; nothing for any other command line.
    static std::optional<QString> InformationRequested(const QStringList& arguments);

signals:
    // Start-up has finished and the event loop may run (for tests and the activation hand-over).
    void Started();

private:
    // A document with its project window, not yet shown in the main window.
    CFileDoc& CreateDocumentWindow();
    void SerializeSettings(bool saving);
    void CreateReporters();
    // The work folder of this process: a private sub-folder of its own in the folder of this user
    // (ORVANTA_WORK_FOLDER, or "OrvantaWork" in the application data folder), which is made private;
    // false when either cannot be made.
    bool PrepareWorkFolder();
    void DestroyDocument(CFileDoc& document, bool deferred);
    // Handles the queued hand-overs in order; does nothing while one is being handled already.
    void HandlePendingActivations();
    void ShowMessage(int stringId);

    Options m_options;
    bool m_secondary = false;
    bool m_running = false;
    bool m_flushQueued = false;
    bool m_useTrash = true;
    std::unique_ptr<CSingleInstance> m_instance;
    std::unique_ptr<CDocMan> m_docManager;
    std::unique_ptr<CAudioPlayer> m_player;
    QPointer<CMainFrame> m_mainFrame;
    CFontEx m_font;
    QString m_workFolder;
    QStringList m_recentFiles;
    QStringList m_pendingActivations;
    DesktopOpener m_desktopOpener;
    QPointer<QTextBrowser> m_manualWindow;
    bool m_activationScheduled = false;
    bool m_handlingActivations = false;
    QMetaObject::Connection m_idleConnection;
};

} // namespace Orvanta
