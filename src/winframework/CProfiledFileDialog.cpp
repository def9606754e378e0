#include "winframework/CProfiledFileDialog.h"

#include "winframework/CSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include <deque>

namespace Orvanta {

namespace {

std::deque<CProfiledFileDialog::ScriptedResult>& Script() {
    static std::deque<CProfiledFileDialog::ScriptedResult> script;
    return script;
}

// A symbolic link to a folder is the shortcut of this platform.
bool IsFolderShortcut(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() && QFileInfo(info.symLinkTarget()).isDir();
}

} // namespace

CProfiledFileDialog::CProfiledFileDialog(Mode mode, const QString& defaultExtension, const QString& initialFileName,
                                         bool multiple, const QString& filterText, QWidget* parent)
    : QFileDialog(parent), m_mode(mode) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    if (mode == Mode::Save) {
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
    } else {
        setAcceptMode(QFileDialog::AcceptOpen);
        setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    }
    QString extension = defaultExtension;
    if (extension.startsWith(u'.')) {
        extension.remove(0, 1);
    }
    setDefaultSuffix(extension);
    const QStringList filters = NameFiltersFromText(filterText);
    if (!filters.isEmpty()) {
        setNameFilters(filters);
    }
    if (!initialFileName.isEmpty()) {
        selectFile(initialFileName);
    }
    m_rememberedName = initialFileName;
    m_currentFolder = directory().absolutePath();
    connect(this, &QFileDialog::directoryEntered, this, &CProfiledFileDialog::OnFolderChanged);
    connect(this, &QFileDialog::currentChanged, this, &CProfiledFileDialog::OnCurrentChanged);
    setWindowTitle(CaptionFor(m_mode, m_currentFolder));
}

void CProfiledFileDialog::SetFolderProfile(const QString& section, const QString& value, const QString& fallback) {
    m_folderSection = section;
    m_folderValue = value;
    const QString folder = CSettings::ReadProfileString(section, value, fallback);
    if (!folder.isEmpty()) {
        setDirectory(folder);
        m_currentFolder = QDir::fromNativeSeparators(folder);
        setWindowTitle(CaptionFor(m_mode, m_currentFolder));
    }
}

void CProfiledFileDialog::SetFileNameProfile(const QString& section, const QString& value, const QString& fallback) {
    m_fileNameSection = section;
    m_fileNameValue = value;
    const QString name = CSettings::ReadProfileString(section, value, fallback).left(m_bufferSize - 1);
    m_rememberedName = name;
    selectFile(name);
}

void CProfiledFileDialog::SetFilterProfile(const QString& section, const QString& value, int fallback) {
    m_filterSection = section;
    m_filterValue = value;
    const int index = CSettings::ReadProfileInt(section, value, fallback);
    const QStringList filters = nameFilters();
    if (index >= 1 && index <= filters.size()) {
        selectNameFilter(filters[index - 1]);
        m_filterIndex = index;
    }
}

void CProfiledFileDialog::SetBufferSize(int characters) {
    m_bufferSize = std::max(characters, 2);
}

int CProfiledFileDialog::FilterIndex() const {
    return m_filterIndex;
}

int CProfiledFileDialog::Show() {
    int result = QDialog::Rejected;
    if (!Script().empty()) {
        const ScriptedResult scripted = Script().front();
        Script().pop_front();
        if (!scripted.folder.isEmpty()) {
            m_currentFolder = scripted.folder;
        }
        if (scripted.filterIndex > 0) {
            m_filterIndex = scripted.filterIndex;
        }
        m_chosenFiles = scripted.accepted ? scripted.files : QStringList();
        result = scripted.accepted ? QDialog::Accepted : QDialog::Rejected;
    } else {
        result = exec();
        m_currentFolder = directory().absolutePath();
        m_filterIndex = static_cast<int>(nameFilters().indexOf(selectedNameFilter())) + 1;
        m_chosenFiles = result == QDialog::Accepted ? selectedFiles() : QStringList();
    }

    if (!m_folderValue.isEmpty()) {
        CSettings::WriteProfileString(m_folderSection, m_folderValue, QDir::toNativeSeparators(m_currentFolder));
    }
    if (result == QDialog::Accepted && !m_fileNameValue.isEmpty() && !m_chosenFiles.isEmpty()) {
        CSettings::WriteProfileString(m_fileNameSection, m_fileNameValue, QFileInfo(m_chosenFiles.front()).fileName());
    }
    if (!m_filterValue.isEmpty()) {
        CSettings::WriteProfileInt(m_filterSection, m_filterValue, std::max(m_filterIndex, 1));
    }
    return result;
}

void CProfiledFileDialog::OnFolderChanged(const QString& folder) {
    m_currentFolder = folder;
    setWindowTitle(CaptionFor(m_mode, folder));
    if (m_mode == Mode::Save) {
        // The file name typed before moving to another folder stays in the box.
        SetFileNameBoxText(m_rememberedName);
        m_followedFolderShortcut = false;
    }
}

void CProfiledFileDialog::OnCurrentChanged(const QString& path) {
    if (m_mode != Mode::Save) {
        return;
    }
    if (IsFolderShortcut(path)) {
        m_followedFolderShortcut = true;
        SetFileNameBoxText(m_rememberedName);
        return;
    }
    const QString typed = FileNameBoxText();
    if (!typed.isEmpty() && !QFileInfo(directory().filePath(typed)).isDir()) {
        m_rememberedName = typed;
    }
}

QString CProfiledFileDialog::FileNameBoxText() const {
    const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return edit != nullptr ? edit->text() : QString();
}

void CProfiledFileDialog::SetFileNameBoxText(const QString& text) {
    if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        edit->setText(text);
    }
}

QStringList CProfiledFileDialog::NameFiltersFromText(const QString& filterText) {
    QStringList parts = filterText.split(u'|');
    QStringList filters;
    for (qsizetype at = 0; at + 1 < parts.size(); at += 2) {
        QString description = parts[at].trimmed();
        if (description.isEmpty()) {
            break; // "||" ends the list
        }
        QStringList patterns = parts[at + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*")) {
                pattern = QStringLiteral("*");
            }
        }
        // The description shows its patterns in parentheses; Qt reads the patterns from there.
        const qsizetype open = description.lastIndexOf(u'(');
        if (open > 0 && description.endsWith(u')')) {
            description = description.left(open).trimmed();
        }
        filters.push_back(description + QStringLiteral(" (") + patterns.join(u' ') + u')');
    }
    return filters;
}

QString CProfiledFileDialog::FolderText(const QString& folder, bool trailing) {
    const QString native = QDir::toNativeSeparators(folder);
    const QChar separator = QDir::separator();
    if (trailing) {
        return native.endsWith(separator) ? native : native + separator;
    }
    const bool isRoot = native == QString(separator) || (native.size() == 3 && native[1] == u':');
    if (native.endsWith(separator) && !isRoot) {
        return native.left(native.size() - 1);
    }
    return native;
}

QString CProfiledFileDialog::CaptionFor(Mode mode, const QString& folder) {
    const QString prefix = mode == Mode::Open ? QStringLiteral("Open") : QStringLiteral("Save As");
    return prefix + QStringLiteral(" - ") + FolderText(folder, true);
}

void CProfiledFileDialog::SetNextResult(const ScriptedResult& result) {
    Script().push_back(result);
}

void CProfiledFileDialog::ClearScript() {
    Script().clear();
}

} // namespace Orvanta
