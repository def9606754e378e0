#include "views/CWaveDragData.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CTernData.h"
#include "storage/ProjectNaming.h"
#include "storage/WaveExport.h"
#include "storage/WorkFolder.h"
#include "views/CListDragSource.h"

#include <QCoreApplication>

#include <string>
#include <utility>
#include <vector>

namespace Orvanta {

namespace {

// The folders made for drags, with the files in them; removed when the application quits.
struct CDragFolders {
    std::vector<std::string> folders;
    std::vector<std::string> files;
};

CDragFolders& DragFolders() {
    static CDragFolders folders;
    return folders;
}

void RemoveDragFolders() {
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    CDragFolders& made = DragFolders();
    for (const std::string& file : made.files) {
        static_cast<void>(fileSystem.Delete(ToNativePath(file)));
    }
    for (const std::string& folder : made.folders) {
        static_cast<void>(fileSystem.RemoveFolder(ToNativePath(folder)));
    }
    made = CDragFolders();
}

} // namespace

CWaveDragData::CWaveDragData(const CTernData& project, CSelection waveSlots)
    : m_project(project), m_slots(std::move(waveSlots)) {
    setData(CListDragSource::Format(kWaveList), QByteArray(CListDragSource::kDataSize, '\0'));
}

QStringList CWaveDragData::formats() const {
    QStringList list = QMimeData::formats();
    list.append(QString::fromLatin1(kUriListFormat));
    return list;
}

bool CWaveDragData::hasFormat(const QString& mimeType) const {
    return mimeType == QLatin1String(kUriListFormat) || QMimeData::hasFormat(mimeType);
}

QVariant CWaveDragData::retrieveData(const QString& mimeType, QMetaType type) const {
    if (mimeType != QLatin1String(kUriListFormat)) {
        return QMimeData::retrieveData(mimeType, type);
    }
    QList<QVariant> urls;
    for (const QUrl& url : ExportedUrls()) {
        urls.append(url);
    }
    return urls;
}

QList<QUrl> CWaveDragData::ExportedUrls() const {
    if (m_exported) {
        return m_urls;
    }
    m_exported = true;
    const std::string workFolder = CDomain::Instance().WorkFolder();
    const std::string folder = workFolder.empty() ? std::string() : CreateUniquePrivateFolder(workFolder + "drag-");
    if (folder.empty()) {
        return m_urls;
    }
    CDragFolders& made = DragFolders();
    if (made.folders.empty() && QCoreApplication::instance() != nullptr) {
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, RemoveDragFolders);
    }
    made.folders.push_back(folder);
    // A fresh folder: nothing is in the way, so Export Waves never asks.
    for (const std::string& path : ExportWaves(m_project, m_slots, folder + "/")) {
        made.files.push_back(path);
        m_urls.append(QUrl::fromLocalFile(QString::fromStdString(ToNativePath(path))));
    }
    return m_urls;
}

} // namespace Orvanta
