#include "shell/ShellPaths.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "storage/ProjectNaming.h"

#include <QDir>
#include <QFileInfo>

namespace Orvanta {

bool IsSameProjectFolder(const QString& first, const QString& second) {
    if (first.isEmpty() || second.isEmpty()) {
        return false;
    }
    const std::string a = NormaliseProjectPath(first.toStdString());
    const std::string b = NormaliseProjectPath(second.toStdString());
    if (a == b) {
        return true;
    }
    return CDomain::Instance().FileSystem().IsSameEntry(ToNativePath(a), ToNativePath(b));
}

QString FolderNameValue(const QString& path) {
    return path + QDir::separator();
}

QString ParentOfFolderName(const QString& folderName) {
    QString text = folderName;
    while (text.endsWith(u'/') || text.endsWith(u'\\')) {
        text.chop(1);
    }
    const qsizetype cut = std::max(text.lastIndexOf(u'/'), text.lastIndexOf(u'\\'));
    if (cut < 0) {
        return text;
    }
    if (cut == 0) {
        return text.left(1); // the root itself
    }
    return text.left(cut);
}

QString ManualPathFrom(const QString& programFolder, const QString& fileName) {
    const QDir folder(programFolder);
    const QString beside = folder.filePath(fileName);
    // The installation puts the manual into share/orvanta-librarian beside bin/ (CMakeLists.txt).
    const QString installed =
        QDir::cleanPath(folder.filePath(QStringLiteral("../share/orvanta-librarian/") + fileName));
    return !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? installed : beside;
}

} // namespace Orvanta
