#include "views/CFileView.h"

#include "model/CDomain.h"
#include "operations/DropOperations.h"
#include "operations/EditCommands.h"
#include "operations/InsertOperation.h"
#include "operations/OverwriteOperation.h"
#include "operations/TransferOperations.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "sound/SoundFile.h"
#include "storage/CTernFileDocument.h"
#include "storage/ProjectCleaning.h"
#include "storage/WaveImport.h"
#include "views/CPatchListCtrl.h"
#include "views/CSavePreviewDialog.h"
#include "views/CSetGridDlg.h"
#include "views/CWaveListCtrl.h"
#include "views/CountText.h"
#include "views/DragState.h"
#include "winframework/CMessageBox.h"
#include "winframework/CProfiledFileDialog.h"
#include "winframework/CSettings.h"
#include "winframework/CWaitCursor.h"
#include "winframework/ResourceString.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>

#include <algorithm>

namespace Orvanta {

namespace {

// Every project view alive, in creation order, and the one activated last.
QList<CFileView*>& Views() {
    static QList<CFileView*> views;
    return views;
}

CFileView*& Active() {
    static CFileView* active = nullptr;
    return active;
}

// Which window a press began in and which one the cursor was over last, to raise the right
// project window when the press ends.
struct PressState {
    CFileView* pressed = nullptr;
    CFileView* hovered = nullptr;
    bool raisedByHover = false;
};

PressState& Press() {
    static PressState state;
    return state;
}

// The folder Import Wave starts in: the last import folder, or the home folder when there is
// none, when it is gone, or when it lies in a project folder (a project's own files are no source
// to import from).
QString ImportStartFolder(const QString& remembered) {
    const QString folder = QDir::fromNativeSeparators(remembered);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        return QDir::homePath();
    }
    const QStringList parts = QDir::cleanPath(folder).split(u'/', Qt::SkipEmptyParts);
    const bool inProject = std::any_of(parts.begin(), parts.end(), [](const QString& part) {
        return part.endsWith(QLatin1String(".prj"), Qt::CaseInsensitive);
    });
    return inProject ? QDir::homePath() : folder;
}

// Used slots named in a question's detail before the rest are only counted.
constexpr std::size_t kDetailedSlots = 10;

// What a question is about to act on: "Song.prj: patches 3 Lead, 4 Bass", the used ones of `indices`
// in the list `which`, numbered from 1 as on the card; the first kDetailedSlots, then "and N more".
std::string SlotsDetail(const CTernData& project, int which, const CSelection& indices) {
    const CParameterArray& list = project.List(which);
    std::vector<std::size_t> used;
    for (const std::size_t slot : indices) {
        if (slot < list.size() && !list.Element(slot).IsEmpty()) {
            used.push_back(slot);
        }
    }
    std::string detail;
    std::string folder = project.m_projectPath;
    while (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) {
        folder.pop_back();
    }
    if (const auto cut = folder.find_last_of("/\\"); !folder.empty()) {
        detail = folder.substr(cut == std::string::npos ? 0 : cut + 1) + ": ";
    }
    const bool patches = which == kPatchList;
    detail += used.size() == 1 ? (patches ? "patch " : "wave ") : (patches ? "patches " : "waves ");
    for (std::size_t i = 0; i < used.size() && i < kDetailedSlots; ++i) {
        detail += (i == 0 ? "" : ", ") + std::to_string(used[i] + 1) + " " + list.Element(used[i]).m_name;
    }
    if (used.size() > kDetailedSlots) {
        detail += " and " + std::to_string(used.size() - kDetailedSlots) + " more";
    }
    return detail;
}

// Below the detail of deleting waves: the patches that lose them, "used by patches 11 Lead, 13 Pad";
// empty when no patch uses any of them.
std::string WaveUsersDetail(const CTernData& project, const CSelection& waves) {
    std::vector<std::size_t> users;
    for (const std::size_t slot : waves) {
        if (slot < project.m_waves.size()) {
            for (const std::int32_t user : project.m_waves[slot].m_users) {
                if (user >= 0 && static_cast<std::size_t>(user) < project.m_patches.size()) {
                    users.push_back(static_cast<std::size_t>(user));
                }
            }
        }
    }
    std::sort(users.begin(), users.end());
    users.erase(std::unique(users.begin(), users.end()), users.end());
    if (users.empty()) {
        return {};
    }
    std::string detail = users.size() == 1 ? "used by patch " : "used by patches ";
    for (std::size_t i = 0; i < users.size() && i < kDetailedSlots; ++i) {
        detail += (i == 0 ? "" : ", ") + std::to_string(users[i] + 1) + " " + project.m_patches[users[i]].m_name;
    }
    if (users.size() > kDetailedSlots) {
        detail += " and " + std::to_string(users.size() - kDetailedSlots) + " more";
    }
    return detail;
}

// Gives the message reporter what the questions of one operation act on, and takes it back after.
class QuestionDetailScope {
public:
    explicit QuestionDetailScope(std::string detail) : m_reporter(CDomain::Instance().MessageReporter()) {
        m_reporter.SetQuestionDetail(std::move(detail));
    }
    ~QuestionDetailScope() { m_reporter.SetQuestionDetail({}); }
    QuestionDetailScope(const QuestionDetailScope&) = delete;
    QuestionDetailScope& operator=(const QuestionDetailScope&) = delete;

private:
    CTernTextOut& m_reporter;
};

CFileView::CleanOptionsPrompt& CleanPrompt() {
    static CFileView::CleanOptionsPrompt prompt;
    return prompt;
}

CFileView::ContextActionProvider& ContextProvider() {
    static CFileView::ContextActionProvider provider;
    return provider;
}

} // namespace

CFileView::CFileView(CTernFileDocument& document, QWidget* parent)
    : CFormViewEx(kTemplateId, parent), m_document(document), m_patchList(new CPatchListCtrl(Form())),
      m_waveList(new CWaveListCtrl(Form())), m_patchLabel(new QLabel(QStringLiteral("Patch"), Form())),
      m_waveLabel(new QLabel(QStringLiteral("Wave"), Form())), m_sizeText(new QLabel(Form())),
      m_deletionWarning(new QLabel(Form())), m_lastFocused(m_waveList) {
    setObjectName(QStringLiteral("FileView"));
    m_sizeText->setObjectName(QStringLiteral("WaveSize"));
    m_deletionWarning->setObjectName(QStringLiteral("DeletionWarning"));
    m_deletionWarning->setStyleSheet(QStringLiteral("QLabel { color: #b00000; }"));
    m_deletionWarning->hide();
    for (CParameterListCtrl* list : Lists()) {
        list->SetHost(this);
        list->installEventFilter(this);
    }
    // The view itself takes no click focus (a click on a background window's form must not
    // activate it); focus given to the view goes to the patch list.
    setFocusPolicy(Qt::NoFocus);
    setFocusProxy(m_patchList);
    Views().push_back(this);
}

CFileView::~CFileView() {
    Views().removeAll(this);
    if (Active() == this) {
        Active() = nullptr;
    }
    PressState& press = Press();
    if (press.pressed == this || press.hovered == this) {
        press = PressState();
    }
    DragState& drag = DragState::Instance();
    for (CParameterListCtrl* list : Lists()) {
        list->SetHost(nullptr);
        if (drag.sourceList == list || drag.targetList == list || drag.lastEnteredList == list) {
            drag = DragState();
        }
    }
}

std::array<CParameterListCtrl*, 2> CFileView::Lists() const {
    return {m_patchList, m_waveList};
}

CParameterListCtrl& CFileView::List(int which) const {
    return which == kPatchList ? static_cast<CParameterListCtrl&>(*m_patchList) : *m_waveList;
}

CParameterListCtrl& CFileView::FocusedList() const {
    if (m_patchList->hasFocus()) {
        return *m_patchList;
    }
    if (m_waveList->hasFocus()) {
        return *m_waveList;
    }
    return *m_lastFocused;
}

QString CFileView::TotalSizeText() const {
    return m_sizeText->text();
}

void CFileView::RefreshTotalSize() {
    m_sizeText->setText(QString::fromStdString(WaveMemoryText(m_document.Data())));
    RefreshDeletionWarning();
}

QString CFileView::DeletionWarningText() const {
    return m_deletionWarning->isHidden() ? QString() : m_deletionWarning->text();
}

void CFileView::RefreshDeletionWarning() {
    const std::size_t count = m_document.UnlistedDeletions().size();
    const bool show = count > 0;
    if (show) {
        m_deletionWarning->setText(
            count == 1 ? tr("Saving will delete 1 file the lists do not show (File > Preview Save).")
                       : tr("Saving will delete %1 files the lists do not show (File > Preview Save).").arg(count));
    }
    if (m_deletionWarning->isHidden() == show) {
        m_deletionWarning->setVisible(show);
        LayoutControls(Form()->width(), Form()->height());
    }
}

void CFileView::OnPreviewSave() {
    const std::string& folder = m_document.Data().m_projectPath;
    if (folder.empty()) {
        CMessageBox::Show(this, ResourceString(kIdsApplicationTitle),
                          tr("This project has no folder yet: Save As chooses one."), QMessageBox::Ok, QMessageBox::Ok,
                          QMessageBox::Information);
        return;
    }
    CSavePreview preview;
    std::string reason;
    bool previewed = false;
    {
        const CWaitCursor wait;
        previewed = m_document.PreviewSave(folder, preview, reason);
    }
    RefreshDeletionWarning();
    if (!previewed) {
        CMessageBox::Show(this, ResourceString(kIdsApplicationTitle),
                          tr("Saving would fail: %1").arg(QString::fromStdString(reason)), QMessageBox::Ok,
                          QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    CSavePreviewDialog dialog(preview, this);
    dialog.exec();
}

void CFileView::OnInitialUpdate() {
    CTernData& project = m_document.Data();
    for (CParameterListCtrl* list : Lists()) {
        const bool rebinding = list->DescriptorCount() > 0;
        if (rebinding) {
            list->SaveColumnWidths();
        }
        list->SetParameterArray(&project.List(list->GetListKind()));
        if (rebinding) {
            list->Reinitialise();
        } else {
            list->BuildColumns();
            list->Rebuild(false, 0);
        }
    }
    RefreshTotalSize();
    CFormViewEx::OnInitialUpdate();
}

void CFileView::OnUpdate(int /*hint*/) {
    // After Undo (hint 1) as after any other change: the arrays may differ in every slot.
    m_patchList->Rebuild(false, 0);
    m_waveList->Rebuild(false, 0);
    RefreshTotalSize();
    emit SelectionChanged();
}

void CFileView::LayoutControls(int /*width*/, int /*height*/) {
    AnchorControl(m_patchLabel, kIdcPatchLabel, kPatchLabelAnchor);
    AnchorControl(m_patchList, kIdcPatchList, kPatchListAnchor);
    AnchorControl(m_waveLabel, kIdcWaveLabel, kWaveLabelAnchor);
    AnchorControl(m_sizeText, kIdcWaveSize, kSizeTextAnchor);
    AnchorControl(m_waveList, kIdcWaveList, kWaveListAnchor);
    // The warning line, when shown, takes a line at the top; the labels and lists move down.
    if (!m_deletionWarning->isHidden()) {
        const int line = m_deletionWarning->sizeHint().height();
        const int left = m_patchLabel->x();
        m_deletionWarning->setGeometry(left, m_patchLabel->y(), std::max(0, Form()->width() - 2 * left), line);
        for (QWidget* label : {static_cast<QWidget*>(m_patchLabel), static_cast<QWidget*>(m_waveLabel),
                               static_cast<QWidget*>(m_sizeText)}) {
            label->move(label->x(), label->y() + line);
        }
        for (QWidget* list : {static_cast<QWidget*>(m_patchList), static_cast<QWidget*>(m_waveList)}) {
            list->setGeometry(list->geometry().adjusted(0, line, 0, 0));
        }
    }
}

bool CFileView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_patchList) {
            m_lastFocused = m_patchList;
        } else if (watched == m_waveList) {
            m_lastFocused = m_waveList;
        }
        emit SelectionChanged();
    }
    return CFormViewEx::eventFilter(watched, event);
}

// Commands.

bool CFileView::CanDelete() const {
    const CParameterListCtrl& list = FocusedList();
    return CanDeleteSelection(m_document.Data(), list.GetSelectedIndices(), list.GetListKind());
}

void CFileView::OnDelete() {
    CParameterListCtrl& list = FocusedList();
    const CSelection selection = list.GetSelectedIndices();
    const int which = list.GetListKind();
    if (!CanDeleteSelection(m_document.Data(), selection, which)) {
        return;
    }
    std::string text = SlotsDetail(m_document.Data(), which, selection);
    if (const std::string users = which == kWaveList ? WaveUsersDetail(m_document.Data(), selection) : std::string();
        !users.empty()) {
        text += "\n" + users;
    }
    const QuestionDetailScope detail(std::move(text));
    if (!DeleteSelection(m_document.Data(), selection, which)) {
        return; // the user cancelled "OK to delete?"
    }
    list.Rebuild(false, 0);
    RefreshTotalSize();
    List(which == kPatchList ? kWaveList : kPatchList).Rebuild(false, 0);
    MarkModified();
}

void CFileView::OnSelectAll() {
    FocusedList().SelectUsedRange();
}

void CFileView::SetCleanOptionsPrompt(CleanOptionsPrompt prompt) {
    CleanPrompt() = std::move(prompt);
}

std::optional<std::size_t> CFileView::WaveToPlay() const {
    const CParameterListCtrl& list = FocusedList();
    const CSelection selected = list.GetSelectedIndices();
    if (selected.empty()) {
        return std::nullopt;
    }
    const int focused = list.FocusedRow();
    const std::size_t slot =
        focused >= 0 && list.IsRowSelected(focused) ? static_cast<std::size_t>(focused) : selected.front();
    const CTernData& project = m_document.Data();
    const auto usedWave = [&project](std::size_t wave) -> std::optional<std::size_t> {
        if (wave < project.m_waves.size() && !project.m_waves[wave].IsEmpty()) {
            return wave;
        }
        return std::nullopt;
    };
    if (list.GetListKind() == kWaveList) {
        return usedWave(slot);
    }
    for (const int number : project.m_patches[slot].UsedWaves()) {
        if (number >= 1) {
            if (const std::optional<std::size_t> wave = usedWave(static_cast<std::size_t>(number - 1))) {
                return wave;
            }
        }
    }
    return std::nullopt;
}

void CFileView::SetContextActionProvider(ContextActionProvider provider) {
    ContextProvider() = std::move(provider);
}

QAction* CFileView::ContextAction(CParameterListCtrl& list, ContextCommand command) {
    m_lastFocused = &list;
    const ContextActionProvider& provider = ContextProvider();
    return provider ? provider(command) : nullptr;
}

void CFileView::OnCleanProject() {
    const CleanOptionsPrompt& prompt = CleanPrompt();
    if (!prompt || !prompt(this)) {
        return;
    }
    CTernData& project = m_document.Data();
    const std::size_t wavesBefore = CTernData::Capacity(kWaveList) - project.EmptySlots(kWaveList).size();
    const std::size_t patchGaps = CDomain::Instance().m_patchOption != 0 ? 0 : GapsIn(project.m_patches);
    {
        const CWaitCursor wait;
        CleanProjectWithUndo(project, [](CTernData& cleaned) { return CleanProject(cleaned); });
    }
    const std::size_t wavesAfter = CTernData::Capacity(kWaveList) - project.EmptySlots(kWaveList).size();
    MarkModified();
    OnUpdate(kHintNone); // both lists rebuilt without selection, and the total size
    ShowStatusMessage(CleaningReport(wavesBefore - wavesAfter, patchGaps));
}

QString CFileView::CleaningReport(std::size_t removedWaves, std::size_t closedPatchGaps) {
    QStringList done;
    if (removedWaves > 0) {
        done << QStringLiteral("Removed %1")
                    .arg(CountText(static_cast<long long>(removedWaves), QStringLiteral("unused wave"),
                                   QStringLiteral("unused waves")));
    }
    if (closedPatchGaps > 0) {
        done << QStringLiteral("closed %1 in the patch list")
                    .arg(CountText(static_cast<long long>(closedPatchGaps), QStringLiteral("gap"),
                                   QStringLiteral("gaps")));
    }
    if (done.isEmpty()) {
        return QStringLiteral("Clean Project found nothing to remove or close up");
    }
    QString text = done.join(QStringLiteral(", "));
    text[0] = text[0].toUpper();
    return text + QStringLiteral("; Undo restores them");
}

std::size_t CFileView::GapsIn(const CParameterArray& list) {
    std::size_t gaps = 0;
    bool inGap = false;
    for (std::size_t slot = 0; slot < list.size(); ++slot) {
        const bool empty = list.Element(slot).IsEmpty();
        if (!empty && inGap) {
            ++gaps; // a run of empty slots with a used one after it
        }
        inGap = empty;
    }
    return gaps;
}

void CFileView::ShowStatusMessage(const QString& text) {
    if (auto* main = qobject_cast<QMainWindow*>(window()); main != nullptr && main->statusBar() != nullptr) {
        main->statusBar()->showMessage(text);
    }
}

void CFileView::OnImportWave() {
    CProfiledFileDialog dialog(CProfiledFileDialog::Mode::Open, QString(), QString(), true,
                               QString::fromLatin1(kImportFilter), this);
    const QString section = QStringLiteral("WAV");
    dialog.SetFolderProfile(section, QStringLiteral("InitialDirectory"), QString());
    dialog.SetFileNameProfile(section, QStringLiteral("InitialFileName"), QString());
    dialog.SetFilterProfile(section, QStringLiteral("InitialFilterIndex"), 1);
    dialog.SetBufferSize(kImportBufferSize);
    dialog.setDirectory(
        ImportStartFolder(CSettings::ReadProfileString(section, QStringLiteral("InitialDirectory"), QString())));
    // The dialog captions itself with the folder shown; this one keeps the command's name, also
    // after moving to another folder (this connection runs after the dialog's own).
    const QString caption = QString::fromLatin1(kImportCaption);
    dialog.setWindowTitle(caption);
    connect(&dialog, &QFileDialog::directoryEntered, &dialog, [&dialog, caption] { dialog.setWindowTitle(caption); });
    if (dialog.Show() != QDialog::Accepted) {
        return;
    }
    ImportFiles(dialog.ChosenFiles());
}

int CFileView::ImportFiles(const QStringList& paths) {
    if (paths.isEmpty()) {
        return 0;
    }
    std::size_t count = 0;
    std::vector<std::size_t> emptySlots;
    {
        const CWaitCursor wait;
        std::vector<std::string> files;
        files.reserve(static_cast<std::size_t>(paths.size()));
        for (QString path : paths) {
            files.push_back(path.replace(QLatin1Char('\\'), QLatin1Char('/')).toStdString());
        }
        emptySlots = m_document.Data().EmptySlots(kWaveList);
        count = m_document.ImportWaves(files);
    }
    const int shown = ShowImportedWaves(emptySlots, count);
    if (shown == 0) {
        return 0;
    }
    // The user's files of the four sound kinds that the sound library cannot read (others are
    // the instrument's own or refused by the import).
    QStringList unreadable;
    {
        const CWaitCursor wait;
        for (const QString& path : paths) {
            const QString suffix = QFileInfo(path).suffix().toLower();
            const bool soundKind = suffix == u"wav" || suffix == u"aif" || suffix == u"aiff" || suffix == u"vpw";
            if (soundKind && !AnalyseSound(QDir::fromNativeSeparators(path).toStdString(), 0).details) {
                unreadable << QFileInfo(path).fileName();
            }
        }
    }
    if (!unreadable.isEmpty()) {
        CMessageBox::Show(this, ResourceString(kIdsApplicationTitle), ImportWarning(shown, unreadable), QMessageBox::Ok,
                          QMessageBox::Ok, QMessageBox::Warning);
    }
    return shown;
}

int CFileView::ShowImportedWaves(const std::vector<std::size_t>& emptySlots, std::size_t count) {
    if (count == 0) {
        return 0;
    }
    count = std::min(count, emptySlots.size());
    RefreshTotalSize();
    MarkModified();
    m_waveList->Rebuild(true, 0);
    // Only the imported rows end up selected, so that a following Delete hits the import alone.
    m_waveList->SelectRows(CSelection(emptySlots.begin(), emptySlots.begin() + static_cast<std::ptrdiff_t>(count)));
    const int first = static_cast<int>(emptySlots.front());
    if (!m_waveList->IsRowVisible(first)) {
        m_waveList->ScrollRowToTop(first);
    }
    return static_cast<int>(count);
}

QString CFileView::ImportWarning(int imported, const QStringList& unreadable) {
    if (unreadable.isEmpty()) {
        return {};
    }
    const bool one = unreadable.size() == 1;
    return QStringLiteral("%1 imported; %2 %3 the librarian can read and %4 imported as %5")
        .arg(CountText(imported, QStringLiteral("file"), QStringLiteral("files")),
             unreadable.join(QStringLiteral(", ")),
             one ? QStringLiteral("is not a sound file") : QStringLiteral("are not sound files"),
             one ? QStringLiteral("was") : QStringLiteral("were"),
             one ? QStringLiteral("it is") : QStringLiteral("they are"));
}

void CFileView::OnSetUpGrid() {
    CSetGridDlg dialog(this);
    dialog.SetValue(CDomain::Instance().m_gridOn);
    if (dialog.Show() != QDialog::Accepted) {
        return;
    }
    CDomain::Instance().m_gridOn = dialog.Value();
    ApplyGridToAll();
}

void CFileView::ApplyGridToAll() {
    for (CFileView* view : AllViews()) {
        view->ApplyGrid();
    }
}

void CFileView::ApplyGrid() {
    for (CParameterListCtrl* list : Lists()) {
        list->SaveColumnWidths();
        list->Reinitialise();
    }
}

QList<CFileView*> CFileView::AllViews() {
    return Views();
}

// Activation and raising.

void CFileView::OnActivated() {
    CFileView*& active = Active();
    if (active != this) {
        if (active != nullptr) {
            active->OnDeactivated();
        }
        active = this;
    }
    for (CFileView* view : Views()) {
        view->UpdateClickFocus(view == this);
    }
    if (DragState::Instance().inProgress || m_missingReported) {
        return;
    }
    if (CTernFileDocument::CheckSourceFiles(m_document.Data())) {
        return;
    }
    m_missingReported = true;
    m_showingWarning = true;
    CMessageBox::Show(this, ResourceString(kIdsApplicationTitle), ResourceString(kIdsMissingSourceFiles),
                      QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Warning);
    m_showingWarning = false;
}

void CFileView::OnDeactivated() {
    // The warning's own box takes the activation away for a moment; that is no deactivation.
    if (!m_showingWarning) {
        m_missingReported = false;
    }
}

CFileView* CFileView::ActiveView() {
    return Active();
}

bool CFileView::IsActiveProjectView() const {
    return Active() == this;
}

// A press gives the keyboard focus to the nearest widget under it that takes click focus, and focus
// entering a child frame activates it. So while this view is not the active one neither its lists
// nor its frame take click focus.
void CFileView::UpdateClickFocus(bool active) {
    const Qt::FocusPolicy policy = active ? Qt::StrongFocus : Qt::TabFocus;
    m_patchList->setFocusPolicy(policy);
    m_waveList->setFocusPolicy(policy);
    if (QMdiSubWindow* frame = Frame(); frame != nullptr) {
        frame->setFocusPolicy(policy);
    }
}

QMdiSubWindow* CFileView::Frame() const {
    for (QWidget* widget = parentWidget(); widget != nullptr; widget = widget->parentWidget()) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(widget)) {
            return frame;
        }
    }
    return nullptr;
}

void CFileView::RaiseFrame() {
    QMdiSubWindow* frame = Frame();
    if (frame == nullptr) {
        window()->raise();
        return;
    }
    frame->setFocusPolicy(Qt::StrongFocus);
    if (QMdiArea* area = frame->mdiArea(); area != nullptr) {
        area->setActiveSubWindow(frame);
    } else {
        frame->raise();
    }
}

void CFileView::OnHoverTime(int milliseconds) {
    PressState& press = Press();
    press.hovered = this;
    if (milliseconds > kHoverRaiseMs && !IsActiveProjectView()) {
        RaiseFrame();
        press.raisedByHover = true;
    }
}

void CFileView::OnListPressBegan(CParameterListCtrl& /*list*/) {
    Press() = PressState{this, this, false};
}

void CFileView::OnListPressEnded(CParameterListCtrl& list, bool dropped) {
    PressState& press = Press();
    const bool raise =
        press.pressed != nullptr && (dropped || (!press.raisedByHover && press.hovered == press.pressed));
    press = PressState();
    if (raise) {
        const bool wasActive = IsActiveProjectView();
        RaiseFrame();
        if (!wasActive && !dropped) {
            list.setFocusPolicy(Qt::StrongFocus);
            list.setFocus(Qt::MouseFocusReason);
        }
    }
}

// The lists' host.

CTernData& CFileView::HostProject() {
    return m_document.Data();
}

void CFileView::MarkModified() {
    m_document.SetModified(true);
    RefreshDeletionWarning();
}

CParameterListCtrl* CFileView::OtherList(const CParameterListCtrl& list) {
    if (&list == m_patchList) {
        return m_waveList;
    }
    if (&list == m_waveList) {
        return m_patchList;
    }
    return nullptr;
}

void CFileView::OnListSelectionChanged(CParameterListCtrl& /*list*/) {
    emit SelectionChanged();
}

// Drag and drop.

bool CFileView::CopySelection(int which) {
    const CSelection selection = List(which).GetSelectedIndices();
    if (selection.empty()) {
        return false;
    }
    return StartDrag(m_document.Data(), selection, which);
}

std::string CFileView::DestroyedSlotsDetail(int which, std::size_t start, std::size_t count, bool insert) const {
    const CTernData& project = m_document.Data();
    const std::size_t size = project.List(which).size();
    if (insert) {
        // An insert pushes as many slots off the end of the list as it brings.
        const std::size_t pushed = std::min(count, size);
        return SlotsDetail(project, which, SlotRange(size - pushed, pushed));
    }
    return SlotsDetail(project, which, SlotRange(start, std::min(count, size > start ? size - start : 0)));
}

bool CFileView::DropInsert(int which, int dropIndex, bool fromSourceList) {
    if (TransferCount(which) == 0 || dropIndex < 0) {
        return false;
    }
    const QuestionDetailScope detail(
        DestroyedSlotsDetail(which, static_cast<std::size_t>(dropIndex), TransferCount(which), true));
    const std::size_t count = Insert(m_document.Data(), static_cast<std::size_t>(dropIndex), which, !fromSourceList);
    if (count == 0) {
        return false;
    }
    CParameterListCtrl& list = List(which);
    list.Rebuild(false, 0);
    list.SelectRows(SlotRange(static_cast<std::size_t>(dropIndex), RowsToSelectAfterInsert(which, count, dropIndex)));
    RefreshTotalSize();
    if (which == kPatchList) {
        m_waveList->Rebuild(true, 0);
    }
    MarkModified();
    return true;
}

bool CFileView::DropOverwrite(int which, int dropIndex, bool fromSourceList) {
    if (TransferCount(which) == 0 || dropIndex < 0) {
        return false;
    }
    const QuestionDetailScope detail(
        DestroyedSlotsDetail(which, static_cast<std::size_t>(dropIndex), TransferCount(which), false));
    if (!Overwrite(m_document.Data(), static_cast<std::size_t>(dropIndex), which, !fromSourceList)) {
        return false;
    }
    List(which).Rebuild(true, 0);
    RefreshTotalSize();
    if (which == kPatchList) {
        m_waveList->Rebuild(true, 0);
    }
    MarkModified();
    return true;
}

bool CFileView::DeleteAfterMove(int which, bool otherWindow) {
    CParameterListCtrl& list = List(which);
    const CSelection selection = list.GetSelectedIndices();
    if (!Orvanta::DeleteAfterMove(m_document.Data(), selection, which, otherWindow)) {
        return false;
    }
    list.Rebuild(false, 0);
    if (which == kPatchList) {
        m_waveList->Rebuild(false, 0);
    }
    RefreshTotalSize();
    MarkModified();
    return true;
}

} // namespace Orvanta
