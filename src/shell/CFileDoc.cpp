#include "shell/CFileDoc.h"

#include "model/COsc.h"
#include "model/CPatch.h"
#include "model/CTernData.h"
#include "model/CTernTextOut.h"
#include "operations/CHistory.h"
#include "shell/CDocTemplate.h"
#include "shell/CFileFrame.h"
#include "shell/CSelectFolderDialog.h"
#include "shell/ShellPaths.h"
#include "storage/ProjectNaming.h"
#include "storage/SavePreview.h"
#include "views/CFileView.h"
#include "views/CountText.h"
#include "winframework/CMessageBox.h"
#include "winframework/CSettings.h"
#include "winframework/ResourceString.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QStatusBar>
#include <QStringList>

namespace Orvanta {

CFileDoc::CFileDoc(CDocTemplate& docTemplate) : m_template(docTemplate) {
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { OnFolderChanged(); });
    // Another program touching a thousand files sends a thousand notices: the folder is compared
    // once they have stopped for a moment.
    m_diskCheck.setSingleShot(true);
    m_diskCheck.setInterval(150);
    connect(&m_diskCheck, &QTimer::timeout, this, [this] { CheckDisk(); });
}

CFileDoc::~CFileDoc() {
    // The window goes first: its view refers to this document.
    delete m_frame.data();
    while (m_waitDepth > 0) {
        EndWaitCursor();
    }
}

CFileFrame* CFileDoc::Frame() const {
    return m_frame.data();
}

void CFileDoc::SetFrame(CFileFrame* frame) {
    m_frame = frame;
}

void CFileDoc::UpdateAllViews(int hint) {
    if (m_frame != nullptr && m_frame->View() != nullptr) {
        m_frame->View()->OnUpdate(hint);
    }
}

bool CFileDoc::IsModified() const {
    return CRichEditDocEx::IsModified();
}

void CFileDoc::SetModified(bool modified) {
    SetModifiedFlag(modified);
}

void CFileDoc::SetModifiedFlag(bool modified) {
    CTernFileDocument::SetModified(modified);
    CRichEditDocEx::SetModifiedFlag(modified); // the frames refresh their titles on the signal
    emit ContentChanged();
}

void CFileDoc::SetPathName(const QString& pathName) {
    CRichEditDocEx::SetPathName(pathName);
    if (!pathName.isEmpty()) {
        emit PathNameSet(pathName);
    }
}

bool CFileDoc::OnNewDocument() {
    SetModifiedFlag(false);
    RememberSavedLists();
    return true;
}

bool CFileDoc::LoadFolder(const QString& path) {
    m_chosenPath = path;
    m_busyOnDisk = true;
    const bool loaded = OpenProjectFolder(path.toStdString());
    m_busyOnDisk = false;
    m_chosenPath.clear();
    if (!loaded) {
        WatchFolder(std::string());
    }
    RememberSavedLists();
    CheckDisk();
    return loaded;
}

bool CFileDoc::SaveFolder(const QString& path) {
    if (!ConfirmDiskChanges(path)) {
        return false;
    }
    // The plan of the save, worked out by the same code, tells afterwards what the save did.
    CSavePreview plan;
    std::string reason;
    const bool planned = PreviewSave(path.toStdString(), plan, reason);
    m_chosenPath = path;
    m_busyOnDisk = true;
    const bool saved = SaveProjectTo(path.toStdString());
    m_busyOnDisk = false;
    m_chosenPath.clear();
    // A Save Anyway whose save did not happen has dealt with nothing: the other program's changes
    // are still to be told and asked about, all of them, at the next save.
    if (!saved && m_beforeSaveAnyway && m_diskState == m_beforeSaveAnyway->accepted) {
        m_diskState = std::move(m_beforeSaveAnyway->diskState);
        m_pendingDeletions = std::move(m_beforeSaveAnyway->pendingDeletions);
        m_pendingReasons = std::move(m_beforeSaveAnyway->pendingReasons);
    }
    m_beforeSaveAnyway.reset();
    CheckDisk();
    if (saved) {
        CHistory::Instance().ProjectSaved(&Data());
        RememberSavedLists();
        auto* main = qobject_cast<QMainWindow*>(DialogParent() == nullptr ? nullptr : DialogParent()->window());
        if (planned && main != nullptr) {
            main->statusBar()->showMessage(SavedReport(GetTitle(), plan));
        }
    }
    return saved;
}

bool CFileDoc::ConfirmDiskChanges(const QString& path) {
    const std::string& own = Data().m_projectPath;
    if (own.empty() || NormaliseProjectPath(path.toStdString()) != own) {
        return true;
    }
    const std::vector<std::string> changes = DiskChanges();
    if (changes.empty()) {
        return true;
    }
    QStringList lines;
    for (const std::string& change : changes) {
        lines << QString::fromStdString(change);
    }
    // However many files changed, the box says how many in one line and lists them in its
    // scrolling details, its buttons always on the screen.
    const QString folder = QString::fromStdString(ProjectFolderName(own));
    const QMessageBox::StandardButton answer = CMessageBox::Show(
        DialogParent(), ResourceString(kIdsApplicationTitle),
        tr("Files of %1 were changed by another program since it was opened. Reload the project as it is "
           "now (your changes are lost), or save anyway (what the other program changed is overwritten or "
           "deleted where your lists say so)?")
            .arg(folder),
        QMessageBox::Reset | QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Warning,
        DiskChangeSummary(changes), {{QMessageBox::Reset, tr("Reload")}, {QMessageBox::Save, tr("Save Anyway")}},
        lines.join(u'\n'));
    if (answer == QMessageBox::Save) {
        OutsideKnowledge before{m_diskState, m_pendingDeletions, m_pendingReasons, {}};
        AcceptDiskChanges();
        before.accepted = m_diskState;
        m_beforeSaveAnyway = std::move(before);
        return true;
    }
    if (answer == QMessageBox::Reset) {
        (void)LoadFolder(GetPathName().isEmpty() ? QString::fromStdString(own) : GetPathName());
    }
    return false;
}

void CFileDoc::WatchFolder(const std::string& path) {
    if (!m_watcher.directories().isEmpty()) {
        m_watcher.removePaths(m_watcher.directories());
    }
    if (!path.empty()) {
        m_watcher.addPaths({QString::fromStdString(path + "Patch"), QString::fromStdString(path + "Wave")});
    }
}

void CFileDoc::OnFolderChanged() {
    if (!m_busyOnDisk) {
        m_diskCheck.start();
    }
}

void CFileDoc::CheckDisk() {
    m_diskCheck.stop();
    const std::vector<std::string> changes = DiskChanges();
    QString text;
    if (!changes.empty()) {
        text = QString::fromStdString(changes.front());
        if (changes.size() > 1) {
            text += tr(" (and %1 more)").arg(GroupedNumber(static_cast<long long>(changes.size() - 1)));
        }
    }
    // Said again whenever it says something else, and taken back (an empty text) once the folder
    // is as the document knows it.
    if (text != m_toldChanged) {
        m_toldChanged = text;
        emit ChangedOnDisk(text);
    }
}

QString CFileDoc::DiskChangeSummary(const std::vector<std::string>& changes) {
    long long added = 0;
    long long removed = 0;
    for (const std::string& change : changes) {
        if (change.find(" was added by ") != std::string::npos) {
            ++added;
        } else if (change.find(" was removed or renamed by ") != std::string::npos) {
            ++removed;
        }
    }
    const long long changed = static_cast<long long>(changes.size()) - added - removed;
    return tr("%1, %2 added, %3 removed")
        .arg(CountText(changed, tr("file changed"), tr("files changed")), GroupedNumber(added), GroupedNumber(removed));
}

QString CFileDoc::SavedReport(const QString& title, const CSavePreview& plan) {
    QStringList done;
    if (!plan.write.empty()) {
        done << CountText(static_cast<long long>(plan.write.size()), QStringLiteral("file written"),
                          QStringLiteral("files written"));
    }
    if (!plan.move.empty()) {
        done << QStringLiteral("%1 moved").arg(plan.move.size());
    }
    if (!plan.remove.empty()) {
        done << QStringLiteral("%1 deleted").arg(plan.remove.size());
    }
    return QStringLiteral("Saved %1: %2")
        .arg(title, done.isEmpty() ? QStringLiteral("no file needed a change") : done.join(QStringLiteral(", ")));
}

std::string CFileDoc::ListsContent() const {
    const CTernData& data = Data();
    std::string content;
    const auto add = [&content](const CParameter& element) {
        // Lengths first, so that no two different lists give the same text.
        content += std::to_string(element.m_path.size()) + ':' + element.m_path;
        content += std::to_string(element.m_name.size()) + ':' + element.m_name;
    };
    for (std::size_t slot = 0; slot < data.m_patches.size(); ++slot) {
        const CPatch& patch = data.m_patches[slot];
        add(patch);
        if (!patch.IsEmpty()) {
            for (const COsc& osc : patch.m_osc) {
                content.append(osc.m_values.begin(), osc.m_values.end());
            }
        }
    }
    for (std::size_t slot = 0; slot < data.m_waves.size(); ++slot) {
        add(data.m_waves[slot]);
    }
    return content;
}

void CFileDoc::RememberSavedLists() {
    m_savedLists = ListsContent();
}

bool CFileDoc::ListsDifferFromSaved() const {
    return ListsContent() != m_savedLists;
}

void CFileDoc::OnProjectPathChanged(const std::string& path) {
    SetPathName(m_chosenPath.isEmpty() ? QString::fromStdString(path) : m_chosenPath);
    WatchFolder(path);
    UpdateAllViews(CFileView::kHintNone);
}

QString CFileDoc::ProposedSavePath() const {
    if (!GetPathName().isEmpty()) {
        return GetPathName();
    }
    const QString parent = ParentOfFolderName(CSettings::ReadString(SettingId::OpenFolderName));
    if (parent.isEmpty()) {
        return GetTitle();
    }
    if (parent.endsWith(u'/') || parent.endsWith(u'\\')) {
        return parent + GetTitle();
    }
    return parent + u'/' + GetTitle();
}

bool CFileDoc::DoSave(const QString& path, bool /*replace*/) {
    if (!path.isEmpty()) {
        return SaveFolder(path);
    }
    CSelectProjectDialog dialog(false, tr("Save Project"), tr("Save &Project"), ProposedSavePath(), DialogParent());
    if (dialog.Run() != QDialog::Accepted) {
        return false;
    }
    const QString chosen = dialog.Selection();
    const bool saved = SaveFolder(chosen);
    if (saved && !chosen.isEmpty()) {
        CSettings::WriteString(SettingId::OpenFolderName, FolderNameValue(chosen));
    }
    return saved;
}

bool CFileDoc::OnFileSave() {
    return DoFileSave();
}

bool CFileDoc::OnFileSaveAs() {
    return DoSave(QString());
}

bool CFileDoc::DoFileSave() {
    const QString path = GetPathName();
    const QFileInfo folder(path);
    if (!path.isEmpty() && folder.exists() && folder.isWritable()) {
        return DoSave(path);
    }
    if (!path.isEmpty() && folder.exists()) {
        // Said before the folder dialog opens, so that the user knows why it does.
        CMessageBox::Show(QApplication::activeWindow(), ResourceString(kIdsApplicationTitle),
                          QString::fromUtf8(ErrorText(kErrorSave)), QMessageBox::Ok, QMessageBox::Ok,
                          QMessageBox::Warning,
                          QStringLiteral("The folder is read-only: %1\nChoose another folder to save the project in.")
                              .arg(QDir::toNativeSeparators(path)));
    }
    return DoSave(QString());
}

std::vector<CTernFileDocument*> CFileDoc::GetOpenDocuments() {
    std::vector<CTernFileDocument*> documents;
    for (CFileDoc* document : m_template.Documents()) {
        documents.push_back(document);
    }
    return documents;
}

void CFileDoc::BeginWaitCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ++m_waitDepth;
}

void CFileDoc::EndWaitCursor() {
    if (m_waitDepth > 0) {
        --m_waitDepth;
        QGuiApplication::restoreOverrideCursor();
    }
}

QWidget* CFileDoc::DialogParent() const {
    if (m_frame != nullptr && m_frame->mdiArea() != nullptr) { // while loading it is in no area yet
        return m_frame->window();
    }
    return QApplication::activeWindow();
}

} // namespace Orvanta
