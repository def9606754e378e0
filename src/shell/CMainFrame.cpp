#include "shell/CMainFrame.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/WaveSpace.h"
#include "resources/MenuResources.h"
#include "shell/CApp.h"
#include "shell/CAudioPlayer.h"
#include "shell/CClipboardCommands.h"
#include "shell/CFileDoc.h"
#include "shell/CFileFrame.h"
#include "shell/CSearchCommands.h"
#include "shell/CommandIds.h"
#include "shell/ShellPaths.h"
#include "sound/SoundConversion.h"
#include "storage/WaveImport.h"
#include "views/CFileView.h"
#include "views/CListDragSource.h"
#include "views/CPatchListCtrl.h"
#include "views/CWaveFileDrop.h"
#include "views/CWaveListCtrl.h"
#include "views/CountText.h"
#include "winframework/CSettings.h"
#include "winframework/ResourceString.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSignalBlocker>
#include <QSizeGrip>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <algorithm>
#include <initializer_list>
#include <optional>

namespace Orvanta {

namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The status-bar prompt and the tool tip of a command: its string, split at "\n".
void ApplyPrompt(QAction* action, int command) {
    const QString text = ResourceString(command);
    if (text.isEmpty()) {
        return;
    }
    const qsizetype cut = text.indexOf(u'\n');
    action->setStatusTip(cut < 0 ? text : text.left(cut));
    if (cut >= 0) {
        action->setToolTip(text.mid(cut + 1));
    }
}

} // namespace

CMainFrame::CMainFrame(CApp& app, QWidget* parent) : CMDIFrameWndEx(parent), m_app(app) {
    setWindowTitle(ResourceString(kIdsMainFrame));
    // The installed icon from the desktop's icon theme; a standard one when running from the build.
    setWindowIcon(
        QIcon::fromTheme(QString::fromLatin1(kDesktopEntryId), style()->standardIcon(QStyle::SP_DriveFDIcon)));
    CreateActions();
    connect(MdiArea(), &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);
    // Files dropped from the desktop: the drags reach whichever widget lies under the cursor.
    setAcceptDrops(true);
    qApp->installEventFilter(this);
}

CMainFrame::~CMainFrame() {
    CFileView::SetContextActionProvider({});
}

QAction* CMainFrame::MakeAction(int command, const QString& text) {
    auto* action = new QAction(text, this);
    action->setData(command);
    addAction(action); // its shortcut works wherever the focus is in the main window
    m_actions[command] = action;
    ApplyPrompt(action, command);
    return action;
}

QAction* CMainFrame::Action(int command) const {
    const auto found = m_actions.find(command);
    if (found != m_actions.end()) {
        return found->second;
    }
    return CommandAction(command);
}

void CMainFrame::CreateActions() {
    // Texts come from the menus; an action keeps the text of its first appearance.
    for (const int menuId : {kIdrMainFrame, kIdrProjectTemplate}) {
        for (const MenuResource& menu : LoadMenuResource(menuId)) {
            for (const MenuItemResource& item : menu.items) {
                if (item.command <= 0 || Action(item.command) != nullptr) {
                    continue;
                }
                MakeAction(item.command, FromView(item.text));
            }
        }
    }
    for (const int command :
         std::initializer_list<int>{kCmdWindowList, kCmdMaximizeHeight, kCmdMaximizeWidth, kCmdSaveCurrentPosition}) {
        if (QAction* action = CommandAction(command); action != nullptr) {
            ApplyPrompt(action, command == kCmdWindowList ? 65535 : command);
        }
    }

    const QStyle* look = style();
    Action(kCmdFileNew)->setIcon(look->standardIcon(QStyle::SP_FileIcon));
    Action(kCmdFileOpen)->setIcon(look->standardIcon(QStyle::SP_DialogOpenButton));
    Action(kCmdFileSave)->setIcon(look->standardIcon(QStyle::SP_DialogSaveButton));
    Action(kCmdEditUndo)->setIcon(look->standardIcon(QStyle::SP_ArrowBack));
    Action(kCmdEditDelete)->setIcon(look->standardIcon(QStyle::SP_TrashIcon));
    Action(kCmdHelpManual)->setIcon(look->standardIcon(QStyle::SP_DialogHelpButton));

    connect(Action(kCmdFileNew), &QAction::triggered, this, [this] { m_app.OnFileNew(); });
    connect(Action(kCmdFileOpen), &QAction::triggered, this, [this] { m_app.OnFileOpen(); });
    connect(Action(kCmdFileClose), &QAction::triggered, this, [this] {
        if (CFileFrame* frame = ActiveFileFrame(); frame != nullptr) {
            frame->close();
        }
    });
    connect(Action(kCmdFileSave), &QAction::triggered, this, [this] {
        if (CFileDoc* document = ActiveDocument(); document != nullptr) {
            document->OnFileSave();
        }
    });
    connect(Action(kCmdFileSaveAs), &QAction::triggered, this, [this] {
        if (CFileDoc* document = ActiveDocument(); document != nullptr) {
            document->OnFileSaveAs();
        }
    });
    connect(Action(kCmdAppExit), &QAction::triggered, this, &QWidget::close);
    connect(Action(kCmdCleanProject), &QAction::triggered, this, [this] { ForActiveView(&CFileView::OnCleanProject); });
    connect(Action(kCmdImportWave), &QAction::triggered, this, [this] { ForActiveView(&CFileView::OnImportWave); });
    connect(Action(kCmdImportAndConvert), &QAction::triggered, this,
            [this] { ForActiveView(&CFileView::OnImportAndConvert); });
    connect(Action(kCmdExportWaves), &QAction::triggered, this, [this] { ForActiveView(&CFileView::OnExportWaves); });
    connect(Action(kCmdFilePreviewSave), &QAction::triggered, this,
            [this] { ForActiveView(&CFileView::OnPreviewSave); });
    connect(Action(kCmdEditDelete), &QAction::triggered, this, [this] { ForActiveView(&CFileView::OnDelete); });
    connect(Action(kCmdEditSelectAll), &QAction::triggered, this, [this] { ForActiveView(&CFileView::OnSelectAll); });
    connect(Action(kCmdSetUpGrid), &QAction::triggered, this, [this] { ForActiveView(&CFileView::OnSetUpGrid); });
    connect(Action(kCmdSetUpFont), &QAction::triggered, this, [this] { m_app.OnSetUpFont(); });
    QAction* trashToggle = Action(kCmdSetUpTrash);
    trashToggle->setCheckable(true);
    connect(trashToggle, &QAction::toggled, this, [this](bool on) { m_app.SetUseTrash(on); });
    connect(Action(kCmdAppAbout), &QAction::triggered, this, [this] { m_app.OnAppAbout(); });
    connect(Action(kCmdWindowCascade), &QAction::triggered, MdiArea(), &QMdiArea::cascadeSubWindows);
    connect(Action(kCmdWindowTileHorizontally), &QAction::triggered, this, [this] { TileWindows(Qt::Vertical); });
    connect(Action(kCmdWindowTileVertically), &QAction::triggered, this, [this] { TileWindows(Qt::Horizontal); });
    connect(Action(kCmdWindowArrange), &QAction::triggered, this, &CMainFrame::ArrangeIcons);
    QAction* toolBarToggle = Action(kCmdViewToolBar);
    toolBarToggle->setCheckable(true);
    connect(toolBarToggle, &QAction::toggled, this, [this](bool on) {
        if (m_toolBar != nullptr) {
            m_toolBar->setVisible(on);
        }
    });
    QAction* statusBarToggle = Action(kCmdViewStatusBar);
    statusBarToggle->setCheckable(true);
    connect(statusBarToggle, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

    connect(Action(kCmdEditUndo), &QAction::triggered, this, [this] {
        m_app.OnEditUndo();
        UpdateCommandUI();
    });
    connect(Action(kCmdHelpManual), &QAction::triggered, this, [this] { m_app.OnHelpManual(); });

    // Audition: Play (Space) plays or stops; Esc stops, and takes the key only while a wave plays.
    connect(Action(kCmdEditPlay), &QAction::triggered, this, &CMainFrame::OnPlay);
    m_search = new CSearchCommands(m_app, *this);
    connect(Action(kCmdEditFind), &QAction::triggered, m_search, &CSearchCommands::OnFind);
    connect(Action(kCmdEditFindNext), &QAction::triggered, m_search, &CSearchCommands::OnFindNext);
    connect(Action(kCmdEditGoToSlot), &QAction::triggered, m_search, &CSearchCommands::OnGoToSlot);
    connect(Action(kCmdEditDuplicates), &QAction::triggered, m_search, &CSearchCommands::OnDuplicates);
    m_clipboard = new CClipboardCommands(m_app, *this);
    connect(Action(kCmdEditCut), &QAction::triggered, m_clipboard, &CClipboardCommands::OnCut);
    connect(Action(kCmdEditCopy), &QAction::triggered, m_clipboard, &CClipboardCommands::OnCopy);
    connect(Action(kCmdEditPaste), &QAction::triggered, m_clipboard, &CClipboardCommands::OnPaste);
    connect(Action(kCmdEditPasteInsert), &QAction::triggered, m_clipboard, &CClipboardCommands::OnPasteInsert);
    connect(Action(kCmdEditHistory), &QAction::triggered, m_clipboard, &CClipboardCommands::OnHistory);
    QAction* stop = MakeAction(kCmdEditStop, tr("Stop"));
    stop->setShortcut(QKeySequence(Qt::Key_Escape));
    stop->setEnabled(false);
    connect(stop, &QAction::triggered, this, [this] { m_app.Player().Stop(); });
    connect(&m_app.Player(), &CAudioPlayer::PlayingChanged, this, &CMainFrame::UpdateCommandUI);
    connect(&m_app.Player(), &CAudioPlayer::Message, this, [this](const QString& text) {
        statusBar()->showMessage(text.isEmpty() ? ResourceString(kIdsIdleMessage) : text);
    });
    // The lists' context menus offer these actions, enabled as in the menu bar.
    CFileView::SetContextActionProvider([this](CListHost::ContextCommand command) -> QAction* {
        UpdateCommandUI();
        switch (command) {
        case CListHost::kContextPlay:
            return Action(kCmdEditPlay);
        case CListHost::kContextDelete:
            return Action(kCmdEditDelete);
        case CListHost::kContextImportWave:
            return Action(kCmdImportWave);
        case CListHost::kContextCut:
            return Action(kCmdEditCut);
        case CListHost::kContextCopy:
            return Action(kCmdEditCopy);
        case CListHost::kContextPaste:
            return Action(kCmdEditPaste);
        case CListHost::kContextPasteInsert:
            return Action(kCmdEditPasteInsert);
        case CListHost::kContextImportAndConvert:
            return Action(kCmdImportAndConvert);
        case CListHost::kContextExportWaves:
            return Action(kCmdExportWaves);
        }
        return nullptr;
    });
}

void CMainFrame::OnPlay() {
    CAudioPlayer& player = m_app.Player();
    CFileView* view = ActiveView();
    const std::optional<std::size_t> slot = view != nullptr ? view->WaveToPlay() : std::nullopt;
    const CWave* wave = slot ? &view->Document().Data().m_waves[*slot] : nullptr;
    const QString path = wave != nullptr ? QString::fromStdString(wave->m_path) : QString();
    // Space again stops; another wave stops the first and plays.
    if (player.IsPlaying() && (path.isEmpty() || path == player.CurrentPath())) {
        player.Stop();
        return;
    }
    if (wave != nullptr) {
        player.Play(
            path,
            QStringLiteral("%1 %2").arg(*slot + 1, 3, 10, QLatin1Char('0')).arg(QString::fromStdString(wave->m_name)));
    }
}

bool CMainFrame::Create() {
    RestorePlacement();
    if (!CreateBars()) {
        return false;
    }
    RestoreBarState();
    Action(kCmdViewToolBar)->setChecked(!m_toolBar->isHidden());
    Action(kCmdViewStatusBar)->setChecked(!statusBar()->isHidden());
    BuildMenuBar(kIdrMainFrame);
    UpdateFrameTitle();
    UpdateCommandUI();
    return true;
}

bool CMainFrame::CreateBars() {
    m_toolBar = new QToolBar(tr("Tool Bar"), this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setIconSize(QSize(16, 15));
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (const int command : kToolBar4096) {
        if (command == kMenuSeparator) {
            m_toolBar->addSeparator();
        } else if (QAction* action = Action(command); action != nullptr) {
            m_toolBar->addAction(action);
        }
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    connect(m_toolBar, &QToolBar::visibilityChanged, this, [this](bool visible) {
        if (!isHidden()) {
            Action(kCmdViewToolBar)->setChecked(visible);
        }
    });

    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->showMessage(ResourceString(kIdsIdleMessage));
    m_projectStatus = new QLabel(bar);
    m_projectStatus->setObjectName(QStringLiteral("ProjectStatus"));
    m_projectStatus->hide();
    bar->addPermanentWidget(m_projectStatus);
    // The message on the left ("Ready", a command's prompt, what a drop would do) comes first: the
    // summary on the right gives way to it and is shortened when the bar is narrow.
    bar->installEventFilter(this);
    connect(bar, &QStatusBar::messageChanged, this, [this] { FitProjectStatus(); });
    LogStatusMessagesTo(qEnvironmentVariable("ORVANTA_STATUS_LOG"));
    setDockNestingEnabled(true);
    return true;
}

void CMainFrame::BuildMenuBar(int menuId) {
    if (menuId == m_menuId) {
        return;
    }
    m_menuId = menuId;
    QMenuBar* bar = menuBar();
    bar->clear();
    for (const QPointer<QMenu>& menu : m_menus) {
        if (menu != nullptr) {
            menu->deleteLater();
        }
    }
    m_menus.clear();
    m_fileMenu = nullptr;
    QMenu* windowMenu = nullptr;
    for (const MenuResource& resource : LoadMenuResource(menuId)) {
        auto* menu = new QMenu(FromView(resource.title), bar);
        m_menus.push_back(menu);
        for (const MenuItemResource& item : resource.items) {
            if (item.command == kMenuSeparator) {
                menu->addSeparator();
            } else if (item.command == kMenuRecentFiles) {
                m_fileMenu = menu;
                QAction* placeholder = menu->addAction(FromView(item.text));
                placeholder->setObjectName(QStringLiteral("RecentFilePlaceholder"));
                placeholder->setEnabled(false);
            } else if (QAction* action = Action(item.command); action != nullptr) {
                if (item.command == kMenuWindowList) {
                    action->setText(FromView(item.text));
                    windowMenu = menu;
                }
                menu->addAction(action);
            }
        }
        bar->addMenu(menu);
        if (menu == m_fileMenu) {
            connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateRecentFileMenu);
        }
    }
    SetWindowMenu(windowMenu, 0);
    ApplyAccelerators(menuId);
    UpdateRecentFileMenu();
}

void CMainFrame::ApplyAccelerators(int menuId) {
    // Only the commands of the active table have their keys.
    for (const int table : {kIdrMainFrame, kIdrProjectTemplate}) {
        for (const AcceleratorResource& accelerator : LoadAcceleratorResource(table)) {
            if (QAction* action = Action(accelerator.command); action != nullptr) {
                action->setShortcut(QKeySequence());
            }
        }
    }
    for (const AcceleratorResource& accelerator : LoadAcceleratorResource(menuId)) {
        if (QAction* action = Action(accelerator.command); action != nullptr) {
            action->setShortcut(QKeySequence(FromView(accelerator.keys)));
        }
    }
}

void CMainFrame::UpdateRecentFileMenu() {
    if (m_fileMenu == nullptr) {
        return;
    }
    for (QAction* action : m_recentActions) {
        m_fileMenu->removeAction(action);
        action->deleteLater();
    }
    m_recentActions.clear();
    QAction* placeholder = m_fileMenu->findChild<QAction*>(QStringLiteral("RecentFilePlaceholder"));
    if (placeholder == nullptr) {
        return;
    }
    const QStringList paths = m_app.RecentFiles();
    placeholder->setVisible(paths.isEmpty());
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QString shown = paths[i];
        shown.replace(u'&', QStringLiteral("&&"));
        auto* entry = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown), m_fileMenu);
        entry->setData(kCmdFileMruFirst + static_cast<int>(i));
        const int index = static_cast<int>(i);
        connect(entry, &QAction::triggered, this, [this, index] { m_app.OnOpenRecentFile(index); });
        m_fileMenu->insertAction(placeholder, entry);
        m_recentActions.push_back(entry);
    }
}

CFileFrame* CMainFrame::ActiveFileFrame() const {
    return qobject_cast<CFileFrame*>(MdiArea()->currentSubWindow());
}

CFileDoc* CMainFrame::ActiveDocument() const {
    CFileFrame* frame = ActiveFileFrame();
    return frame != nullptr ? &frame->Document() : nullptr;
}

CFileView* CMainFrame::ActiveView() const {
    CFileFrame* frame = ActiveFileFrame();
    return frame != nullptr ? frame->View() : nullptr;
}

void CMainFrame::ForActiveView(void (CFileView::*command)()) {
    if (CFileView* view = ActiveView(); view != nullptr) {
        (view->*command)();
    }
    UpdateCommandUI();
}

QString CMainFrame::FrameTitle() const {
    const QString title = ResourceString(kIdsApplicationTitle);
    const CFileFrame* frame = ActiveFileFrame();
    if (frame == nullptr || frame->isMaximized()) {
        return title;
    }
    const CFileDoc& document = frame->Document();
    const std::string& projectPath = document.Data().m_projectPath;
    const QString name = projectPath.empty() ? document.GetTitle() : QString::fromStdString(projectPath);
    return title + QStringLiteral(" - ") + name + u' ' + (document.IsModified() ? QStringLiteral("*") : QString());
}

void CMainFrame::UpdateFrameTitle() {
    const QString title = FrameTitle();
    if (title != windowTitle()) {
        setWindowTitle(title);
    }
}

void CMainFrame::AddFileFrame(CFileFrame* frame) {
    AddChild(frame);
    const bool placed = frame->RestorePlacement();
    if (!placed) {
        // Three quarters of the area to begin with; once the area is shown, the room it has.
        const QSize area = MdiArea()->viewport()->size();
        frame->resize(frame->size().expandedTo(area * 3 / 4));
    }
    frame->CascadeFrom(CollectWindows());
    if (!placed) {
        // No stored position: the area places the window, which takes the room it has there. A main
        // window of the first start (no place of the user's yet) widens first, as far as the screen
        // allows, when its area is narrower than the lists need (a small screen or a large scale).
        const int missing = frame->sizeHint().width() - (MdiArea()->viewport()->width() - frame->x());
        const QScreen* screen = this->screen();
        if (missing > 0 && isVisible() && !CSettings::Contains(SettingId::WindowPosition) && screen != nullptr &&
            !isMaximized() && !isFullScreen()) {
            const QRect room = screen->availableGeometry();
            resize(std::min(width() + missing, room.width()), height());
            if (frameGeometry().right() > room.right()) {
                move(std::max(room.left(), x() - (frameGeometry().right() - room.right())), y());
            }
        }
        FitFrameToArea(*frame);
        frame->SetFollowsArea(true);
    }
    frame->FitIntoArea(); // the area's own placement, the size and the cascade may reach beyond it
    connect(frame, &CChildFrame::WindowListRequested, this, &CMainFrame::ShowWindowListPopup);
    connect(frame, &QMdiSubWindow::windowStateChanged, this, [this] { UpdateFrameTitle(); });
    CFileDoc& document = frame->Document();
    connect(&document, &CRichEditDocEx::TitleChanged, this, &CMainFrame::UpdateFrameTitle);
    connect(&document, &CRichEditDocEx::ModifiedChanged, this, &CMainFrame::UpdateFrameTitle);
    if (CFileView* view = frame->View(); view != nullptr) {
        connect(view, &CFileView::SelectionChanged, this, &CMainFrame::UpdateCommandUI);
    }
    MdiArea()->setActiveSubWindow(frame);
    OnSubWindowActivated();
}

void CMainFrame::FitFrameToArea(CFileFrame& frame) {
    // A hidden area has not been laid out yet: its size says nothing.
    if (frame.isMinimized() || frame.isMaximized() || !MdiArea()->isVisible()) {
        return;
    }
    const QRect area = MdiArea()->viewport()->rect();
    const QPoint at = frame.pos();
    QSize size(std::min(frame.sizeHint().width(), area.right() + 1 - at.x()), area.bottom() + 1 - at.y());
    size = size.expandedTo(frame.minimumSize());
    if (size != frame.size()) {
        frame.resize(size);
    }
}

void CMainFrame::ActivateFrame(CFileFrame* frame) {
    if (frame == nullptr) {
        return;
    }
    if (frame->isMinimized()) {
        frame->showNormal();
    }
    MdiArea()->setActiveSubWindow(frame);
    OnSubWindowActivated();
    BringToFront();
}

void CMainFrame::BringToFront() {
    if (isMinimized()) {
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        showNormal();
    }
    raise();
    activateWindow();
}

void CMainFrame::OnSubWindowActivated() {
    // While a dialog has the focus the area reports no active window; the current one stays.
    CFileFrame* current = ActiveFileFrame();
    if (current != m_current.data()) {
        // A frame that is being destroyed is no CFileFrame any more (its sub-window's destructor
        // activates the next one): the cast gives null and the dying frame is not told.
        if (auto* previous = qobject_cast<CFileFrame*>(m_current.data());
            previous != nullptr && previous->View() != nullptr) {
            previous->View()->OnDeactivated();
        }
        m_current = current;
        if (current != nullptr && current->View() != nullptr) {
            current->View()->OnActivated();
        }
    }
    BuildMenuBar(current != nullptr ? kIdrProjectTemplate : kIdrMainFrame);
    UpdateFrameTitle();
    UpdateCommandUI();
}

void CMainFrame::UpdateCommandUI() {
    const CFileFrame* frame = ActiveFileFrame();
    const bool hasProject = frame != nullptr;
    const CFileView* view = frame != nullptr ? frame->View() : nullptr;
    for (const int command :
         {kCmdFileClose, kCmdFileSave, kCmdFileSaveAs, kCmdFilePreviewSave, kCmdCleanProject, kCmdImportWave,
          kCmdSetUpGrid, kCmdWindowCascade, kCmdWindowTileHorizontally, kCmdWindowTileVertically, kCmdWindowArrange}) {
        Action(command)->setEnabled(hasProject);
    }
    Action(kCmdEditSelectAll)->setEnabled(view != nullptr);
    Action(kCmdEditDelete)->setEnabled(view != nullptr && view->CanDelete());
    if (QAction* trash = Action(kCmdSetUpTrash); trash->isChecked() != m_app.UsesTrash()) {
        const QSignalBlocker quiet(trash);
        trash->setChecked(m_app.UsesTrash());
    }
    Action(kCmdImportAndConvert)->setEnabled(hasProject);
    Action(kCmdExportWaves)->setEnabled(view != nullptr && view->CanExportWaves());
    const bool playing = m_app.Player().IsPlaying();
    Action(kCmdEditPlay)->setEnabled(playing || (view != nullptr && view->WaveToPlay().has_value()));
    Action(kCmdEditStop)->setEnabled(playing);
    for (const int command : {kCmdEditFind, kCmdEditFindNext, kCmdEditDuplicates}) {
        Action(command)->setEnabled(hasProject);
    }
    Action(kCmdEditGoToSlot)->setEnabled(view != nullptr);
    if (m_clipboard != nullptr) {
        m_clipboard->UpdateCommandUI();
    }
    // The command says what it will do: after an Undo the same command redoes the change.
    QAction* undo = Action(kCmdEditUndo);
    undo->setEnabled(CDomain::Instance().HasUndo());
    const bool redo = CDomain::Instance().IsUndone();
    if (undo->text().contains(QStringLiteral("Redo")) != redo) {
        QString text = undo->text();
        text.replace(redo ? QStringLiteral("Undo") : QStringLiteral("Redo"),
                     redo ? QStringLiteral("Redo") : QStringLiteral("Undo"));
        undo->setText(text);
        undo->setToolTip(redo ? QStringLiteral("Redo") : QStringLiteral("Undo"));
    }
    UpdateWindowCommands();
    if (m_projectStatus != nullptr) {
        m_projectStatus->setToolTip(ProjectStatusText());
        FitProjectStatus();
    }
}

void CMainFrame::FitProjectStatus() {
    const QString status = m_projectStatus->toolTip();
    const QStatusBar* bar = statusBar();
    const QFontMetrics metrics(m_projectStatus->font());
    // The bar draws its message from a small left margin up to the first permanent widget; leave
    // it the message's width, a few characters of air and the size grip.
    int room = bar->contentsRect().width() - QFontMetrics(bar->font()).horizontalAdvance(bar->currentMessage()) -
               4 * metrics.averageCharWidth() - 24;
    if (const auto* grip = bar->findChild<QSizeGrip*>(); grip != nullptr && grip->isVisible()) {
        room -= grip->width();
    }
    // Whole parts from the end give way first (the wave memory is shown in the project window
    // too); only a first part that does not fit alone is cut.
    const QString separator = QStringLiteral(" | ");
    QStringList parts = status.split(separator);
    while (parts.size() > 1 && metrics.horizontalAdvance(parts.join(separator)) > room) {
        parts.removeLast();
    }
    const QString shown = metrics.elidedText(parts.join(separator), Qt::ElideRight, std::max(room, 0));
    m_projectStatus->setMaximumWidth(std::max(room, 0));
    m_projectStatus->setText(shown);
    m_projectStatus->setVisible(!status.isEmpty() && !shown.isEmpty() && shown != QStringLiteral("…"));
}

QString CMainFrame::ProjectStatusText() const {
    const CFileView* view = ActiveView();
    if (view == nullptr) {
        return {};
    }
    const CTernData& project = view->Document().Data();
    const auto patches = static_cast<long long>(view->PatchList().GetSelectedIndices().size());
    const auto waves = static_cast<long long>(view->WaveList().GetSelectedIndices().size());
    return QStringLiteral("Selected %1, %2 | Free %3 patches, %4 waves | Wave memory %5 of %6")
        .arg(CountText(patches, QStringLiteral("patch"), QStringLiteral("patches")),
             CountText(waves, QStringLiteral("wave"), QStringLiteral("waves")))
        .arg(project.EmptySlots(kPatchList).size())
        .arg(project.EmptySlots(kWaveList).size())
        .arg(QString::fromStdString(WaveMemoryText(project)), QStringLiteral("%1 MB").arg(kMaxWaveBytes / 1048576));
}

void CMainFrame::LogStatusMessagesTo(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    // Each message is appended as it appears, one a line, so that a test driving the real program
    // reads what the user saw; the file is opened per message and closed at once.
    connect(statusBar(), &QStatusBar::messageChanged, this, [path](const QString& text) {
        QFile log(path);
        if (!text.isEmpty() && log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            log.write(text.toUtf8() + '\n');
        }
    });
}

QList<QMdiSubWindow*> CMainFrame::CollectWindows() const {
    QList<QMdiSubWindow*> windows;
    for (CFileDoc* document : m_app.Documents()) {
        if (CFileFrame* frame = document->Frame(); frame != nullptr && !windows.contains(frame)) {
            windows.push_back(frame);
        }
    }
    return windows;
}

void CMainFrame::TileWindows(Qt::Orientation direction) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : CollectWindows()) {
        if (window->isVisible() && !window->isMinimized()) {
            windows.push_back(window);
        }
    }
    if (windows.isEmpty()) {
        return;
    }
    const QRect area = MdiArea()->viewport()->rect();
    const int count = static_cast<int>(windows.size());
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* window = windows[i];
        if (window->isMaximized()) {
            window->showNormal();
        }
        if (direction == Qt::Vertical) {
            // One above the other, each as wide as the area.
            const int top = area.top() + area.height() * i / count;
            const int bottom = area.top() + area.height() * (i + 1) / count;
            window->setGeometry(area.left(), top, area.width(), bottom - top);
        } else {
            // Side by side, each as high as the area.
            const int left = area.left() + area.width() * i / count;
            const int right = area.left() + area.width() * (i + 1) / count;
            window->setGeometry(left, area.top(), right - left, area.height());
        }
    }
}

void CMainFrame::ArrangeIcons() {
    const QRect area = MdiArea()->viewport()->rect();
    int left = area.left();
    for (QMdiSubWindow* window : CollectWindows()) {
        if (window->isMinimized()) {
            const QSize size = window->size();
            window->move(left, area.bottom() + 1 - size.height());
            left += size.width();
        }
    }
}

bool CMainFrame::CloseDocuments() {
    return m_app.CloseAllDocuments();
}

QStringList CMainFrame::DroppedPaths(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr || !data->hasUrls() || CListDragSource::IsListDrag(data)) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(url.toLocalFile());
        }
    }
    return paths;
}

int CMainFrame::OnDropFiles(const QStringList& paths) {
    BringToFront();
    QStringList files;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir()) {
            if (paths.size() == 1) {
                m_app.OpenProject(path);
                return 0;
            }
            continue; // among other items a folder is skipped
        }
        files.push_back(path);
    }
    CFileView* view = ActiveView();
    if (view == nullptr || files.isEmpty()) {
        return 0;
    }
    const std::vector<std::size_t> emptySlots = view->Document().Data().EmptySlots(kWaveList);
    // Files the instrument does not play as they are go through Import and Convert.
    const bool convert = std::any_of(files.begin(), files.end(),
                                     [](const QString& file) { return !IsPlayableWaveType(file.toStdString()); });
    const int count = convert ? view->ImportAndConvertFiles(files) : view->ImportFiles(files);
    if (count > 0) {
        view->WaveList().SelectRows(CSelection(emptySlots.begin(), emptySlots.begin() + count));
    }
    UpdateCommandUI();
    return count;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Resize && watched == statusBar() && m_projectStatus != nullptr) {
        FitProjectStatus();
        return CMDIFrameWndEx::eventFilter(watched, event);
    }
    if (type == QEvent::Resize && watched == MdiArea()->viewport()) {
        for (QMdiSubWindow* window : CollectWindows()) {
            if (auto* frame = qobject_cast<CFileFrame*>(window); frame != nullptr && frame->FollowsArea()) {
                FitFrameToArea(*frame);
            }
        }
        return CMDIFrameWndEx::eventFilter(watched, event);
    }
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
        return CMDIFrameWndEx::eventFilter(watched, event);
    }
    const auto* widget = qobject_cast<QWidget*>(watched);
    auto* drag = static_cast<QDropEvent*>(event);
    if (widget == nullptr || widget->window() != this || DroppedPaths(drag->mimeData()).isEmpty()) {
        return CMDIFrameWndEx::eventFilter(watched, event);
    }
    // Over a wave list's rows the list takes the files itself, at the row under the cursor and with
    // its line showing where; what it leaves (no row there) comes back here through its parents.
    if (CWaveFileDrop::TakesFilesAt(widget)) {
        return CMDIFrameWndEx::eventFilter(watched, event);
    }
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (type == QEvent::Drop) {
        // Handled once the drop has returned to the desktop, which may be waiting for its answer.
        QTimer::singleShot(0, this, [this, paths = DroppedPaths(drag->mimeData())] { OnDropFiles(paths); });
    }
    return true;
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        statusBar()->showMessage(tip.isEmpty() ? ResourceString(kIdsIdleMessage) : tip);
        return true;
    }
    return CMDIFrameWndEx::event(event);
}

} // namespace Orvanta
