#include "shell/CFileDoc.h"

#include "model/CTernTextOut.h"
#include "operations/CHistory.h"
#include "shell/CDocTemplate.h"
#include "shell/CFileFrame.h"
#include "shell/CSelectFolderDialog.h"
#include "shell/ShellPaths.h"
#include "storage/ProjectNaming.h"
#include "views/CFileView.h"
#include "winframework/CMessageBox.h"
#include "winframework/CSettings.h"
#include "winframework/ResourceString.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>

namespace Orvanta {

CFileDoc::CFileDoc(CDocTemplate& docTemplate) : m_template(docTemplate) {
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { OnFolderChanged(); });
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
}

void CFileDoc::SetPathName(const QString& pathName) {
    CRichEditDocEx::SetPathName(pathName);
    if (!pathName.isEmpty()) {
        emit PathNameSet(pathName);
    }
}

bool CFileDoc::OnNewDocument() {
    SetModifiedFlag(false);
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
    return loaded;
}

bool CFileDoc::SaveFolder(const QString& path) {
    if (!ConfirmDiskChanges(path)) {
        return false;
    }
    m_chosenPath = path;
    m_busyOnDisk = true;
    const bool saved = SaveProjectTo(path.toStdString());
    m_busyOnDisk = false;
    m_chosenPath.clear();
    if (saved) {
        CHistory::Instance().ProjectSaved(&Data());
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
    const QString folder = QString::fromStdString(ProjectFolderName(own));
    const QMessageBox::StandardButton answer = CMessageBox::Show(
        DialogParent(), ResourceString(kIdsApplicationTitle),
        tr("Files of %1 were changed by another program since it was opened. Reload the project as it is "
           "now (your changes are lost), or save anyway (what the other program changed is overwritten or "
           "deleted where your lists say so)?")
            .arg(folder),
        QMessageBox::Reset | QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Warning,
        lines.join(u'\n'), {{QMessageBox::Reset, tr("Reload")}, {QMessageBox::Save, tr("Save Anyway")}});
    if (answer == QMessageBox::Save) {
        AcceptDiskChanges();
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
    m_toldChanged = false;
    if (!path.empty()) {
        m_watcher.addPaths({QString::fromStdString(path + "Patch"), QString::fromStdString(path + "Wave")});
    }
}

void CFileDoc::OnFolderChanged() {
    if (m_busyOnDisk) {
        return;
    }
    const std::vector<std::string> changes = DiskChanges();
    if (changes.empty()) {
        m_toldChanged = false;
        return;
    }
    if (!m_toldChanged) {
        m_toldChanged = true;
        const QString more =
            changes.size() > 1 ? tr(" (and %n more)", nullptr, static_cast<int>(changes.size() - 1)) : QString();
        emit ChangedOnDisk(QString::fromStdString(changes.front()) + more);
    }
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
    if (m_frame != nullptr) {
        return m_frame->window();
    }
    return QApplication::activeWindow();
}

} // namespace Orvanta
