#include "desktop/DesktopTrash.h"

#include "storage/CNativeFileSystem.h"

#include <QFile>
#include <QString>
#include <QtGlobal>

namespace Orvanta {

namespace {

// Qt's word on a trash it cannot use ("Unable to establish trash directory") is not the user's
// business: the file is then deleted as without a trash.
void Quiet(QtMsgType /*type*/, const QMessageLogContext& /*context*/, const QString& /*message*/) {}

} // namespace

bool MoveFileToDesktopTrash(const std::string& path) {
    const QtMessageHandler before = qInstallMessageHandler(&Quiet);
    const bool moved = QFile::moveToTrash(QString::fromStdString(path));
    qInstallMessageHandler(before);
    return moved;
}

void UseDesktopTrash(bool use) {
    SetTrashHandler(use ? std::function<bool(const std::string&)>(&MoveFileToDesktopTrash) : nullptr);
}

} // namespace Orvanta
