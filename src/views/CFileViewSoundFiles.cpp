// The project window's commands for sound files from and to elsewhere: Import and Convert, and
// Export Waves. Import Wave stays in CFileView.cpp as it is.

#include "views/CFileView.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "sound/CImportConversion.h"
#include "storage/CTernFileDocument.h"
#include "storage/WaveExport.h"
#include "views/CWaveListCtrl.h"
#include "winframework/CMessageBox.h"
#include "winframework/CProfiledFileDialog.h"
#include "winframework/CSettings.h"
#include "winframework/CWaitCursor.h"
#include "winframework/ResourceString.h"

#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <memory>

namespace Orvanta {

namespace {

constexpr const char* kConvertCaption = "Import and Convert";
constexpr const char* kExportCaption = "Export Waves";
// Every type libsndfile is commonly met in, then everything.
constexpr const char* kConvertFilter =
    "Sound Files (*.flac;*.ogg;*.oga;*.opus;*.mp3;*.wav;*.aif;*.aiff;*.aifc;*.caf;*.w64;*.rf64;*.au;*.snd;*.vpw)|"
    "*.flac;*.ogg;*.oga;*.opus;*.mp3;*.wav;*.aif;*.aiff;*.aifc;*.caf;*.w64;*.rf64;*.au;*.snd;*.vpw|"
    "All Files(*.*)|*.*||";
// The last folder of Export Waves.
constexpr const char* kExportSection = "WAV";
constexpr const char* kExportFolderEntry = "ExportDirectory";

// Runs Convert on a worker thread while a window-modal progress dialog shows how far it got; the
// dialog's Cancel stops it. Returns when the worker has finished.
void ConvertUnderProgress(CImportConversion& conversion, QWidget* parent, std::size_t fileCount) {
    std::atomic<int> permille{0};
    std::atomic<bool> cancelled{false};
    QProgressDialog dialog(parent);
    dialog.setWindowTitle(QString::fromLatin1(kConvertCaption));
    dialog.setLabelText(fileCount == 1 ? QObject::tr("Converting 1 sound file to WAV...")
                                       : QObject::tr("Converting %1 sound files to WAV...").arg(fileCount));
    dialog.setRange(0, 1000);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    // Shown at once: while the worker runs, nothing else may change or close the project.
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(0);
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&cancelled, &dialog] {
        cancelled = true;
        dialog.setLabelText(QObject::tr("Cancelling..."));
    });
    std::unique_ptr<QThread> worker(QThread::create([&conversion, &permille, &cancelled] {
        conversion.Convert([&permille, &cancelled](double fraction) {
            permille = static_cast<int>(fraction * 1000.0);
            return !cancelled.load();
        });
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer timer;
    timer.setInterval(50);
    QObject::connect(&timer, &QTimer::timeout, &dialog, [&dialog, &permille] { dialog.setValue(permille.load()); });
    dialog.show();
    worker->start();
    timer.start();
    loop.exec();
    worker->wait();
}

// The paths as the core takes them, with "/" separators.
std::vector<std::string> InternalPaths(const QStringList& paths) {
    std::vector<std::string> files;
    files.reserve(static_cast<std::size_t>(paths.size()));
    for (QString path : paths) {
        files.push_back(path.replace(QLatin1Char('\\'), QLatin1Char('/')).toStdString());
    }
    return files;
}

// The empty wave slots from `firstSlot` on, ascending.
std::vector<std::size_t> EmptySlotsFrom(const CTernData& project, std::size_t firstSlot) {
    std::vector<std::size_t> freeSlots = project.EmptySlots(kWaveList);
    freeSlots.erase(freeSlots.begin(), std::lower_bound(freeSlots.begin(), freeSlots.end(), firstSlot));
    return freeSlots;
}

} // namespace

int CFileView::ImportFilesAt(const QStringList& paths, int row) {
    if (paths.isEmpty() || row < 0) {
        return 0;
    }
    const auto firstSlot = static_cast<std::size_t>(row);
    const std::vector<std::string> files = InternalPaths(paths);
    if (!std::all_of(files.begin(), files.end(), [](const std::string& file) { return IsPlayableWaveType(file); })) {
        return ImportAndConvertFiles(paths, firstSlot);
    }
    const std::vector<std::size_t> emptySlots = EmptySlotsFrom(m_document.Data(), firstSlot);
    std::size_t count = 0;
    {
        const CWaitCursor wait;
        count = m_document.ImportWaves(files, firstSlot);
    }
    return ShowImportedWaves(emptySlots, count);
}

void CFileView::OnImportAndConvert() {
    CProfiledFileDialog dialog(CProfiledFileDialog::Mode::Open, QString(), QString(), true,
                               QString::fromLatin1(kConvertFilter), this);
    // The same folder as Import Wave: both bring sound files in.
    const QString section = QStringLiteral("WAV");
    dialog.SetFolderProfile(section, QStringLiteral("InitialDirectory"), QString());
    dialog.SetBufferSize(kImportBufferSize);
    const QString folder = CSettings::ReadProfileString(section, QStringLiteral("InitialDirectory"), QString());
    dialog.setDirectory(folder.isEmpty() ? QDir::homePath() : folder);
    const QString caption = QString::fromLatin1(kConvertCaption);
    dialog.setWindowTitle(caption);
    connect(&dialog, &QFileDialog::directoryEntered, &dialog, [&dialog, caption] { dialog.setWindowTitle(caption); });
    if (dialog.Show() != QDialog::Accepted) {
        return;
    }
    ImportAndConvertFiles(dialog.ChosenFiles());
}

int CFileView::ImportAndConvertFiles(const QStringList& paths, std::size_t firstSlot) {
    if (paths.isEmpty()) {
        return 0;
    }
    const std::vector<std::string> files = InternalPaths(paths);
    CImportConversion conversion;
    {
        const CWaitCursor wait;
        if (!conversion.Prepare(m_document, files, firstSlot)) {
            return 0;
        }
    }
    ConvertUnderProgress(conversion, window(), conversion.Files().size());
    const std::vector<std::size_t> emptySlots = EmptySlotsFrom(m_document.Data(), firstSlot);
    std::size_t count = 0;
    {
        const CWaitCursor wait;
        count = conversion.Import(m_document);
    }
    const int shown = ShowImportedWaves(emptySlots, count);
    if (shown == 0) {
        return 0;
    }
    CMessageBox::Show(window(), QString::fromLatin1(kConvertCaption),
                      QString::fromStdString(conversion.Summary() + "."), QMessageBox::Ok, QMessageBox::Ok,
                      QMessageBox::Information);
    return shown;
}

bool CFileView::CanExportWaves() const {
    const CTernData& project = m_document.Data();
    const CSelection selection = m_waveList->GetSelectedIndices();
    return std::any_of(selection.begin(), selection.end(), [&project](std::size_t slot) {
        return slot < project.m_waves.size() && !project.m_waves[slot].IsEmpty();
    });
}

void CFileView::OnExportWaves() {
    if (!CanExportWaves()) {
        return;
    }
    const QString section = QString::fromLatin1(kExportSection);
    const QString entry = QString::fromLatin1(kExportFolderEntry);
    QString start = CSettings::ReadProfileString(section, entry, QString());
    if (start.isEmpty() || !QDir(start).exists()) {
        start = QDir::homePath();
    }
    const QString folder = QFileDialog::getExistingDirectory(window(), QString::fromLatin1(kExportCaption), start);
    if (folder.isEmpty()) {
        return;
    }
    CSettings::WriteProfileString(section, entry, folder);
    std::string target = QDir::fromNativeSeparators(folder).toStdString();
    if (target.back() != '/') {
        target += '/';
    }
    std::size_t written = 0;
    {
        const CWaitCursor wait;
        written = ExportWaves(m_document.Data(), m_waveList->GetSelectedIndices(), target).size();
    }
    if (written > 0) {
        const QString text = written == 1 ? tr("1 wave exported to %1.") : tr("%1 waves exported to %2.").arg(written);
        CMessageBox::Show(window(), QString::fromLatin1(kExportCaption), text.arg(QDir::toNativeSeparators(folder)),
                          QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Information);
    }
}

} // namespace Orvanta
