#include "shell/CHistoryWindow.h"

#include "operations/CHistory.h"
#include "views/DragState.h"
#include "winframework/CWaitCursor.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace Orvanta {

namespace {

constexpr int kFollowIntervalMs = 500;
constexpr int kEntryRole = Qt::UserRole;

} // namespace

CHistoryWindow::CHistoryWindow(Changed changed, QWidget* parent)
    : QDialog(parent), m_changed(std::move(changed)), m_list(new QListWidget(this)), m_notice(new QLabel(this)),
      m_back(new QPushButton(tr("Go &Back"), this)), m_forward(new QPushButton(tr("Go &Forward"), this)),
      m_timer(new QTimer(this)) {
    setWindowTitle(tr("History"));
    setObjectName(QStringLiteral("HistoryWindow"));
    m_list->setObjectName(QStringLiteral("HistoryList"));
    m_notice->setWordWrap(true);
    m_notice->setObjectName(QStringLiteral("HistoryNotice"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_back, QDialogButtonBox::ActionRole);
    buttons->addButton(m_forward, QDialogButtonBox::ActionRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Changes since the projects were opened or saved, newest first:"), this));
    layout->addWidget(m_list);
    layout->addWidget(m_notice);
    layout->addWidget(buttons);
    resize(520, 360);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::hide);
    connect(m_back, &QPushButton::clicked, this, [this] { Travel(true); });
    connect(m_forward, &QPushButton::clicked, this, [this] { Travel(false); });
    connect(m_list, &QListWidget::currentRowChanged, this, &CHistoryWindow::UpdateButtons);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] {
        const int entry = ChosenEntry();
        Travel(entry >= 0 && static_cast<std::size_t>(entry) < CHistory::Instance().Position());
    });
    // Drags and the other commands change the projects while the window is open: a change made
    // since is recorded (which drops the entries taken back) once no command is under way.
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (isVisible()) {
            Refresh(SafeToRecord());
        }
    });
    m_timer->start(kFollowIntervalMs);
}

bool CHistoryWindow::SafeToRecord() {
    return DragState::Instance().sourceList == nullptr && QApplication::activeModalWidget() == nullptr &&
           QGuiApplication::overrideCursor() == nullptr;
}

QString CHistoryWindow::NoticeText() const {
    return m_notice->text();
}

int CHistoryWindow::ChosenEntry() const {
    const QListWidgetItem* item = m_list->currentItem();
    return item == nullptr ? -1 : item->data(kEntryRole).toInt();
}

void CHistoryWindow::Refresh(bool recordPending) {
    CHistory& history = CHistory::Instance();
    if (recordPending) {
        history.Record("");
        history.Revalidate();
    }
    if (const std::string notice = history.TakeNotice(); !notice.empty()) {
        m_notice->setText(QString::fromStdString(notice));
    }
    QString names;
    for (std::size_t i = 0; i < history.Size(); ++i) {
        names += QString::fromStdString(history.Entry(i).name) + QLatin1Char('\n');
    }
    if (history.Size() == m_shownSize && history.Position() == m_shownPosition && names == m_shownNames) {
        UpdateButtons();
        return;
    }
    const int chosen = ChosenEntry();
    m_list->clear();
    for (std::size_t i = history.Size(); i-- > 0;) {
        const bool ahead = i >= history.Position();
        auto* item = new QListWidgetItem(
            QString::fromStdString(history.Entry(i).name) + (ahead ? tr("  (taken back)") : QString()), m_list);
        item->setData(kEntryRole, static_cast<int>(i));
        if (ahead) {
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        }
        if (static_cast<int>(i) == chosen) {
            m_list->setCurrentItem(item);
        }
    }
    if (history.Size() == 0) {
        m_list->addItem(tr("(no changes)"));
        m_list->item(0)->setData(kEntryRole, -1);
        m_list->item(0)->setFlags(Qt::NoItemFlags);
    }
    m_shownSize = history.Size();
    m_shownPosition = history.Position();
    m_shownNames = names;
    UpdateButtons();
}

void CHistoryWindow::UpdateButtons() {
    const CHistory& history = CHistory::Instance();
    const int entry = ChosenEntry();
    m_back->setEnabled(entry >= 0 && static_cast<std::size_t>(entry) < history.Position());
    m_forward->setEnabled(entry >= 0 && static_cast<std::size_t>(entry) >= history.Position());
}

bool CHistoryWindow::GoBackTo(std::size_t index) {
    CHistory& history = CHistory::Instance();
    if (index >= history.Position()) {
        return false;
    }
    const CWaitCursor wait;
    const std::vector<CTernData*> changed = history.GoBack(history.Position() - index);
    if (!changed.empty() && m_changed) {
        m_changed(changed);
    }
    Refresh();
    return !changed.empty();
}

bool CHistoryWindow::GoForwardTo(std::size_t index) {
    CHistory& history = CHistory::Instance();
    if (index < history.Position() || index >= history.Size()) {
        return false;
    }
    const CWaitCursor wait;
    const std::vector<CTernData*> changed = history.GoForward(index + 1 - history.Position());
    if (!changed.empty() && m_changed) {
        m_changed(changed);
    }
    Refresh();
    return !changed.empty();
}

void CHistoryWindow::Travel(bool back) {
    const int entry = ChosenEntry();
    if (entry < 0) {
        return;
    }
    if (back) {
        GoBackTo(static_cast<std::size_t>(entry));
    } else {
        GoForwardTo(static_cast<std::size_t>(entry));
    }
}

} // namespace Orvanta
