#include "desktop/DesktopTrash.h"

#include "storage/CNativeFileSystem.h"
#include "storage/FreedesktopTrash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace Orvanta {

namespace {

// Qt's word on a trash it cannot use ("Unable to establish trash directory") is not the user's
// business: the file is then deleted as without a trash.
void Quiet(QtMsgType /*type*/, const QMessageLogContext& /*context*/, const QString& /*message*/) {}

// Whether the user's data folder (XDG_DATA_HOME, else ~/.local/share), where the home trash lives,
// is there, made now (owner only, as freedesktop.org asks) when it is missing. Without it Qt would
// set up the trash in the working folder instead.
bool HasDataHome() {
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    return true;
#else
    const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (home.isEmpty() || !QDir::isAbsolutePath(home)) {
        return false;
    }
    QStringList missing;
    for (QString folder = QDir::cleanPath(home); !QFileInfo::exists(folder); folder = QFileInfo(folder).path()) {
        missing.prepend(folder);
    }
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    for (const QString& folder : missing) {
        if (!QDir().mkdir(folder, ownerOnly)) {
            return false;
        }
    }
    return QFileInfo(home).isDir();
#endif
}

} // namespace

bool MoveFileToDesktopTrash(const std::string& path) {
    if (!HasDataHome()) {
        return false;
    }
    const QtMessageHandler before = qInstallMessageHandler(&Quiet);
    const bool moved = QFile::moveToTrash(QString::fromStdString(path));
    qInstallMessageHandler(before);
    return moved;
}

void UseDesktopTrash(bool use) {
    // Where the core has the freedesktop.org trash of its own, that one: it takes paths as bytes,
    // is bounded, and keeps what it cannot take. Elsewhere Qt's.
    if (HasOwnTrash()) {
        SetTrashHandler(nullptr);
        UseOwnTrash(use);
        return;
    }
    SetTrashHandler(use ? std::function<bool(const std::string&)>(&MoveFileToDesktopTrash) : nullptr);
}

} // namespace Orvanta
