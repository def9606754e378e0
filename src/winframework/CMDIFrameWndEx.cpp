#include "winframework/CMDIFrameWndEx.h"

#include "winframework/CMDIChildWndEx.h"
#include "winframework/CSettings.h"
#include "winframework/VersionString.h"
#include "winframework/WindowGeometry.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>

namespace Orvanta {

namespace {

// The version number of the stored layout of QMainWindow::saveState.
constexpr int kBarStateVersion = 1;

QString DisplayedTitle(const QMdiSubWindow* window) {
    QString title = window->windowTitle();
    title.replace(QStringLiteral("[*]"), window->isWindowModified() ? QStringLiteral("*") : QString());
    // An ampersand in a project's name is shown, not taken as a mnemonic.
    title.replace(u'&', QStringLiteral("&&"));
    return title;
}

} // namespace

CMDIFrameWndEx::CMDIFrameWndEx(QWidget* parent) : QMainWindow(parent), m_mdiArea(new QMdiArea(this)) {
    setCentralWidget(m_mdiArea);
    // A window left partly outside a shrunken main window stays within reach through the area's
    // scroll bars; windows keep their size and place for when the main window grows again.
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QAction* popup = MakeCommand(kCmdWindowListPopup, tr("Move to &Top"));
    popup->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(popup, &QAction::triggered, this, [this] { ShowWindowListPopup(QCursor::pos()); });
    connect(MakeCommand(kCmdMaximizeHeight, tr("Maximize &Height")), &QAction::triggered, this, [this] {
        if (CMDIChildWndEx* child = ActiveChild()) {
            child->MaximizeHeight();
        }
    });
    connect(MakeCommand(kCmdMaximizeWidth, tr("Maximize &Width")), &QAction::triggered, this, [this] {
        if (CMDIChildWndEx* child = ActiveChild()) {
            child->MaximizeWidth();
        }
    });
    connect(MakeCommand(kCmdSaveCurrentPosition, tr("&Save Current Position")), &QAction::triggered, this, [this] {
        if (CMDIChildWndEx* child = ActiveChild()) {
            child->SaveCurrentPosition();
        }
    });
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this] { UpdateWindowCommands(); });
    UpdateWindowCommands();
}

CMDIFrameWndEx::~CMDIFrameWndEx() = default;

QAction* CMDIFrameWndEx::MakeCommand(int command, const QString& text) {
    auto* action = new QAction(text, this);
    action->setData(command);
    addAction(action); // reachable by its shortcut without being in a menu
    m_commands[command] = action;
    return action;
}

QAction* CMDIFrameWndEx::CommandAction(int command) const {
    const auto found = m_commands.find(command);
    return found != m_commands.end() ? found->second : nullptr;
}

QRect CMDIFrameWndEx::ScreenBounds() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return {0, 0, 600, 400};
    }
    return {QPoint(0, 0), screen->geometry().size()};
}

void CMDIFrameWndEx::RestorePlacement() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!CSettings::Contains(SettingId::WindowPosition) && screen != nullptr) {
        // The size only: where a new window appears is the desktop's choice (Wayland leaves it no
        // other), as for any other program's first window.
        resize(FirstStartMainWindowSize(screen->availableGeometry().size()));
    } else {
        setGeometry(MainWindowRectFromText(CSettings::ReadString(SettingId::WindowPosition), ScreenBounds()));
    }
    if (CSettings::ReadInt(SettingId::WindowMaximized) != 0) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void CMDIFrameWndEx::RestoreBarState() {
    if (IsNewProgramVersion()) {
        return;
    }
    const QByteArray state = CSettings::ReadBytes(SettingId::ControlBarState);
    if (!state.isEmpty()) {
        restoreState(state, kBarStateVersion);
    }
}

void CMDIFrameWndEx::SaveBarState() {
    CSettings::WriteBytes(SettingId::ControlBarState, saveState(kBarStateVersion));
}

void CMDIFrameWndEx::closeEvent(QCloseEvent* event) {
    CSettings::WriteInt(SettingId::WindowMaximized, isMaximized() ? 1 : 0);
    StoreProgramVersion();
    SaveBarState();
    if (!CloseDocuments()) {
        event->ignore();
        return;
    }
    CSettings::WriteString(SettingId::WindowPosition, FormatRectText(normalGeometry()));
    QMainWindow::closeEvent(event);
}

bool CMDIFrameWndEx::CloseDocuments() {
    m_mdiArea->closeAllSubWindows();
    return m_mdiArea->subWindowList().isEmpty();
}

void CMDIFrameWndEx::SetWindowMenu(QMenu* windowMenu, int position) {
    if (m_windowMenu != nullptr) {
        disconnect(m_windowMenu, nullptr, this, nullptr);
    }
    m_windowMenu = windowMenu;
    m_windowMenuPosition = windowMenu != nullptr ? position : -1;
    if (windowMenu != nullptr) {
        connect(windowMenu, &QMenu::aboutToShow, this, [this] {
            RebuildWindowList();
            UpdateWindowCommands();
        });
    }
}

QList<QMdiSubWindow*> CMDIFrameWndEx::CollectWindows() const {
    return m_mdiArea->subWindowList(QMdiArea::CreationOrder);
}

QString CMDIFrameWndEx::WindowListPrefix(int index) {
    if (index >= 0 && index < 9) {
        return QStringLiteral("&") + QChar(u'1' + index);
    }
    if (index >= 9 && index < kWindowListMax - 1) {
        return QStringLiteral("&") + QChar(u'A' + (index - 9));
    }
    return {};
}

void CMDIFrameWndEx::RebuildWindowList() {
    if (m_windowMenu == nullptr || m_windowMenuPosition < 0) {
        return;
    }
    const QList<QAction*> items = m_windowMenu->actions();
    if (m_windowMenuPosition >= items.size()) {
        return;
    }
    QAction* item = items[m_windowMenuPosition];
    if (m_windowList == nullptr || item != m_windowList->menuAction()) {
        // The item in place becomes a pop-up with the same text.
        auto* list = new QMenu(item->text(), m_windowMenu);
        m_windowMenu->insertMenu(item, list);
        m_windowMenu->removeAction(item);
        m_windowList = list;
    }
    m_windowList->clear();
    const QList<QMdiSubWindow*> windows = CollectWindows();
    const QMdiSubWindow* active = m_mdiArea->activeSubWindow();
    const qsizetype count = std::min<qsizetype>(windows.size(), kWindowListMax);
    for (qsizetype i = 0; i < count; ++i) {
        const int index = static_cast<int>(i);
        QAction* entry = m_windowList->addAction(WindowListPrefix(index) + u'\t' + DisplayedTitle(windows[i]));
        entry->setData(kCmdFirstWindow + index);
        if (windows[i] == active) {
            entry->setCheckable(true);
            entry->setChecked(true);
        }
        connect(entry, &QAction::triggered, this, [this, index] { ActivateWindowAt(index); });
    }
}

void CMDIFrameWndEx::ShowWindowListPopup(const QPoint& globalPosition) {
    RebuildWindowList();
    if (m_windowList != nullptr && !m_windowList->isEmpty()) {
        m_windowList->popup(globalPosition);
    }
}

void CMDIFrameWndEx::ActivateWindowAt(int index) {
    const QList<QMdiSubWindow*> windows = CollectWindows();
    if (index < 0 || index >= windows.size() || index >= kWindowListMax) {
        return;
    }
    QMdiSubWindow* window = windows[index];
    if (window->isMinimized()) {
        window->showNormal();
    }
    m_mdiArea->setActiveSubWindow(window);
}

CMDIChildWndEx* CMDIFrameWndEx::ActiveChild() const {
    return qobject_cast<CMDIChildWndEx*>(m_mdiArea->activeSubWindow());
}

void CMDIFrameWndEx::UpdateWindowCommands() {
    const CMDIChildWndEx* child = ActiveChild();
    const bool canMaximize = child != nullptr && child->CanMaximizeHeightOrWidth();
    CommandAction(kCmdMaximizeHeight)->setEnabled(canMaximize);
    CommandAction(kCmdMaximizeWidth)->setEnabled(canMaximize);
    CommandAction(kCmdSaveCurrentPosition)->setEnabled(child != nullptr);
}

void CMDIFrameWndEx::AddChild(CMDIChildWndEx* child) {
    m_mdiArea->addSubWindow(child);
    child->RestorePlacement();
    connect(child, &QMdiSubWindow::windowStateChanged, this, [this] { UpdateWindowCommands(); });
    child->show();
    UpdateWindowCommands();
}

} // namespace Orvanta
