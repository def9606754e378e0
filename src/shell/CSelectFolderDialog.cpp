#include "shell/CSelectFolderDialog.h"

#include "shell/CInputTextDialog.h"

#include <QAbstractItemView>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <deque>

namespace Orvanta {

namespace {

// Folder names compare as the file system does: without regard to case only where it ignores case.
constexpr Qt::CaseSensitivity kPathCase =
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    Qt::CaseInsensitive;
#else
    Qt::CaseSensitive;
#endif

// Pending selections are applied, and the pointed item kept, at this interval.
constexpr int kSelectionTimerMs = 500;

struct Script {
    std::deque<std::optional<QString>> answers;
    CSelectFolderDialog::Request last;
};

Script& TheScript() {
    static Script script;
    return script;
}

QString WithoutTrailingSeparators(QString path) {
    while (path.size() > 1 && (path.endsWith(u'/') || path.endsWith(u'\\'))) {
        path.chop(1);
    }
    return path;
}

} // namespace

CSelectFolderDialog::CSelectFolderDialog(bool newDisabled, const QString& title, const QString& acceptCaption,
                                         const QString& initialPath, QWidget* parent)
    : QFileDialog(parent), m_request{title, acceptCaption, initialPath, newDisabled} {
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::DontResolveSymlinks, true);
    setOption(QFileDialog::ReadOnly, false);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setNameFilter(QStringLiteral("*.*"));
    setWindowTitle(title);

    // The parent folder of the initial path is shown, its last component pointed at.
    const QString initial = WithoutTrailingSeparators(QDir::fromNativeSeparators(initialPath));
    const qsizetype cut = initial.lastIndexOf(u'/');
    QString parentFolder;
    if (cut >= 0) {
        parentFolder = cut == 0 ? QStringLiteral("/") : initial.left(cut);
        m_initialName = initial.mid(cut + 1);
    } else {
        m_initialName = initial;
    }
    if (!parentFolder.isEmpty() && QFileInfo(parentFolder).isDir()) {
        setDirectory(parentFolder);
    }

    auto* strip = new QGroupBox(this);
    auto* stripLayout = new QHBoxLayout(strip);
    m_newButton = new QPushButton(tr("N&ew Project"), strip);
    m_selectionField = new QLineEdit(strip);
    m_selectionField->setReadOnly(true);
    m_acceptButton = new QPushButton(acceptCaption.isEmpty() ? tr("Accept") : acceptCaption, strip);
    stripLayout->addWidget(m_newButton);
    stripLayout->addWidget(m_selectionField, 1);
    stripLayout->addWidget(m_acceptButton);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()); grid != nullptr) {
        grid->addWidget(strip, grid->rowCount(), 0, 1, grid->columnCount());
    } else if (layout() != nullptr) {
        layout()->addWidget(strip);
    }
    // One way to open: the strip's accept button. The file dialog's own accept button would only
    // navigate, so it is left out (Cancel stays).
    if (auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")); buttons != nullptr) {
        for (QAbstractButton* button : buttons->buttons()) {
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole) {
                button->hide();
            }
        }
    }
    // The details view shows the size and the date whole.
    if (auto* view = findChild<QTreeView*>(QStringLiteral("treeView")); view != nullptr) {
        const QFontMetrics metrics = view->fontMetrics();
        const int margin = 4 * metrics.averageCharWidth();
        const QLocale locale = QLocale::system(); // as the file system model shows dates
        const QString date = locale.toString(QDateTime(QDate(2026, 12, 28), QTime(23, 58)), QLocale::ShortFormat);
        view->header()->resizeSection(kSizeColumn, metrics.horizontalAdvance(QStringLiteral("999.9 KiB")) + margin);
        view->header()->resizeSection(kDateColumn, metrics.horizontalAdvance(date) + margin);
    }
    m_newButton->setEnabled(!newDisabled);
    connect(m_newButton, &QPushButton::clicked, this, &CSelectFolderDialog::OnNewProject);
    connect(m_acceptButton, &QPushButton::clicked, this, &CSelectFolderDialog::OnAcceptButton);
    connect(this, &QFileDialog::currentChanged, this, &CSelectFolderDialog::OnCurrentChanged);
    connect(this, &QFileDialog::directoryEntered, this, &CSelectFolderDialog::OnDirectoryEntered);

    m_timer = new QTimer(this);
    m_timer->setInterval(kSelectionTimerMs);
    connect(m_timer, &QTimer::timeout, this, &CSelectFolderDialog::ApplyPendingSelection);
    m_timer->start();

    SetSelection(!initial.isEmpty() && QFileInfo(initial).isDir() ? initial : QString());
    if (!m_initialName.isEmpty()) {
        m_pendingName = m_initialName;
    }
}

CSelectFolderDialog::~CSelectFolderDialog() = default;

QString CSelectFolderDialog::CurrentFolder() const {
    return directory().absolutePath();
}

QString CSelectFolderDialog::JoinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(u'/')) {
        return folder + name;
    }
    return folder + u'/' + name;
}

QString CSelectFolderDialog::ProjectFolderName(const QString& name) {
    if (name.endsWith(QStringLiteral(".prj"), Qt::CaseInsensitive)) {
        return name;
    }
    QString base = name;
    while (base.endsWith(u'.')) {
        base.chop(1);
    }
    if (name.isEmpty()) {
        return {};
    }
    return base + QStringLiteral(".prj");
}

void CSelectFolderDialog::SetSelection(const QString& path) {
    m_selection = path;
    m_selectionField->setText(QDir::toNativeSeparators(path));
    m_acceptButton->setEnabled(!path.isEmpty());
}

bool CSelectFolderDialog::IsAcceptable(const QString& path) const {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

void CSelectFolderDialog::OnCurrentChanged(const QString& path) {
    const QString folder = CurrentFolder();
    const QFileInfo pointed(path);
    m_pointedName = path.isEmpty() || WithoutTrailingSeparators(path) == folder ? QString() : pointed.fileName();
    bool selected = false;
    if (!m_pointedName.isEmpty()) {
        const QString inFolder = JoinPath(folder, m_pointedName);
        if (IsAcceptable(inFolder) && !QFileInfo(inFolder).isSymLink()) {
            SetSelection(inFolder);
            selected = true;
        } else if (pointed.isSymLink()) {
            // A symbolic link is a shortcut: the folder it names is taken.
            const QString target = pointed.symLinkTarget();
            if (IsAcceptable(target)) {
                SetSelection(QFileInfo(target).absoluteFilePath());
                selected = true;
            }
        } else if (IsAcceptable(pointed.absoluteFilePath())) {
            SetSelection(pointed.absoluteFilePath());
            selected = true;
        }
    }
    if (!selected) {
        // Entering the chosen folder (a double click on it) reports an empty pointed item before it
        // reports the folder change: the folder shown is still the selection then.
        const bool inSelection =
            m_folderAccepted || (!m_selection.isEmpty() && folder.compare(m_selection, kPathCase) == 0);
        SetSelection(inSelection ? folder : QString());
    }
    if (!m_pointedName.isEmpty()) {
        // The user has pointed at an item: the initial item is no longer wanted. Selecting it now
        // would clear the list's selection and with it the folder just chosen.
        m_initialName.clear();
        m_pendingName.clear();
        return;
    }
    if (!m_initialName.isEmpty()) {
        if (IsAcceptable(JoinPath(folder, m_initialName))) {
            m_pendingName = m_initialName;
        }
        m_initialName.clear();
        ApplyPendingSelection();
    }
}

void CSelectFolderDialog::OnDirectoryEntered(const QString& folder) {
    const QString entered = WithoutTrailingSeparators(QDir::fromNativeSeparators(folder));
    if (!m_selection.isEmpty() && entered.compare(m_selection, kPathCase) == 0) {
        SetSelection(m_selection);
        m_folderAccepted = true;
        m_acceptButton->setFocus();
    } else {
        SetSelection(QString());
        m_folderAccepted = false;
    }
    m_pointedName.clear();
}

bool CSelectFolderDialog::SelectName(const QString& name) {
    // The file dialog's own selectFile() clears the list's selection instead; the item is selected
    // in the list itself, once the folder has been read and exactly one item bears the name.
    auto* list = findChild<QAbstractItemView*>(QStringLiteral("listView"));
    if (name.isEmpty() || list == nullptr || list->model() == nullptr || list->selectionModel() == nullptr) {
        return false;
    }
    const QAbstractItemModel& model = *list->model();
    const QModelIndex root = list->rootIndex();
    QModelIndex found;
    int matches = 0;
    for (int row = 0; row < model.rowCount(root); ++row) {
        const QModelIndex index = model.index(row, 0, root);
        if (index.data().toString().compare(name, Qt::CaseInsensitive) == 0) {
            found = index;
            ++matches;
        }
    }
    if (matches != 1) {
        return false;
    }
    list->selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

void CSelectFolderDialog::ApplyPendingSelection() {
    if (!m_pendingName.isEmpty() && SelectName(m_pendingName)) {
        m_pendingName.clear();
    }
}

void CSelectFolderDialog::accept() {
    // Navigation only: the folder typed or pointed at is entered.
    const QStringList chosen = selectedFiles();
    if (!chosen.isEmpty()) {
        const QFileInfo target(chosen.front());
        if (target.isDir() && target.absoluteFilePath() != CurrentFolder()) {
            setDirectory(target.absoluteFilePath());
            OnDirectoryEntered(CurrentFolder());
        }
    }
}

void CSelectFolderDialog::OnAcceptButton() {
    if (!IsAcceptable(m_selection)) {
        m_selection.clear();
    }
    m_timer->stop();
    QFileDialog::done(m_selection.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
}

void CSelectFolderDialog::OnNewProject() {
    CInputTextDialog input(this);
    input.SetText(m_request.initialPath.isEmpty()
                      ? QString()
                      : QFileInfo(WithoutTrailingSeparators(m_request.initialPath)).fileName());
    input.SetConfirmCaption(m_request.acceptCaption);
    if (input.Run() != QDialog::Accepted) {
        return;
    }
    const QString name = ProjectFolderName(input.Text());
    if (name.isEmpty()) {
        return;
    }
    const QString path = JoinPath(CurrentFolder(), name);
    if (!QFileInfo(path).isDir() && !QDir().mkdir(path)) {
        return; // cannot be made, and not because it is already there
    }
    if (!IsAcceptable(path)) {
        return;
    }
    SetSelection(path);
    m_timer->stop();
    QFileDialog::done(QDialog::Accepted);
}

int CSelectFolderDialog::Run() {
    Script& script = TheScript();
    script.last = m_request;
    if (!script.answers.empty()) {
        const std::optional<QString> answer = script.answers.front();
        script.answers.pop_front();
        if (!answer || !IsAcceptable(*answer)) {
            return QDialog::Rejected;
        }
        SetSelection(*answer);
        return QDialog::Accepted;
    }
    const int result = exec();
    return result == QDialog::Accepted && !m_selection.isEmpty() ? QDialog::Accepted : QDialog::Rejected;
}

const CSelectFolderDialog::Request& CSelectFolderDialog::LastRequest() {
    return TheScript().last;
}

void CSelectFolderDialog::SetNextAnswer(std::optional<QString> folder) {
    TheScript().answers.push_back(std::move(folder));
}

void CSelectFolderDialog::ClearAnswers() {
    TheScript().answers.clear();
}

int CSelectFolderDialog::PendingAnswers() {
    return static_cast<int>(TheScript().answers.size());
}

bool CSelectProjectDialog::IsAcceptable(const QString& path) const {
    return IsProjectFolder(path);
}

bool CSelectProjectDialog::IsProjectFolder(const QString& path) {
    const QString trimmed = WithoutTrailingSeparators(path);
    return trimmed.endsWith(QStringLiteral(".prj"), Qt::CaseInsensitive) && QFileInfo(trimmed).isDir();
}

} // namespace Orvanta
