#include "views/CWaveformCache.h"

#include "views/WaveformPicture.h"

#include "model/CDomain.h"
#include "model/CWave.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <utility>

namespace Orvanta {

namespace {

constexpr int kLookupPriority = 1;
constexpr int kPrefetchPriority = 0;

} // namespace

CWaveformCache& CWaveformCache::Instance() {
    static CWaveformCache cache;
    return cache;
}

CWaveformCache::CWaveformCache(QObject* parent) : QObject(parent) {
    // One thread is left to the rest of the program.
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
}

CWaveformCache::~CWaveformCache() {
    m_pool.clear();
    m_pool.waitForDone();
}

CFileStamp CWaveformCache::StampOf(const QString& path) {
    const CDomain& domain = CDomain::Instance();
    return domain.FileSystem().Stamp(domain.NativePath(path.toStdString()));
}

CFileStamp CWaveformCache::StampOf(const CWave& wave) {
    const CFileStamp known = wave.KnownStamp();
    return known.size >= 0 ? known : StampOf(QString::fromStdString(wave.m_path));
}

std::shared_ptr<const SoundAnalysis> CWaveformCache::Lookup(const QString& path) {
    return Lookup(path, StampOf(path));
}

std::shared_ptr<const SoundAnalysis> CWaveformCache::Lookup(const QString& path, const CFileStamp& stamp) {
    const auto found = m_entries.constFind(path);
    if (found != m_entries.constEnd() && found->analysis != nullptr && found->stamp == stamp) {
        return found->analysis;
    }
    Start(path, stamp, kLookupPriority);
    const Entry& entry = m_entries[path];
    return entry.analysis != nullptr && entry.stamp == stamp ? entry.analysis : nullptr;
}

void CWaveformCache::Prefetch(const QStringList& paths) {
    std::vector<std::pair<QString, CFileStamp>> files;
    for (const QString& path : paths) {
        files.emplace_back(path, StampOf(path));
    }
    Prefetch(files);
}

void CWaveformCache::Prefetch(const std::vector<std::pair<QString, CFileStamp>>& files) {
    for (const auto& [path, stamp] : files) {
        const auto found = m_entries.constFind(path);
        if (found == m_entries.constEnd() || found->analysis == nullptr || !(found->stamp == stamp)) {
            Start(path, stamp, kPrefetchPriority);
        }
    }
}

QString CWaveformCache::Tooltip(const QString& path) {
    return Tooltip(path, StampOf(path));
}

QString CWaveformCache::Tooltip(const QString& path, const CFileStamp& stamp) {
    if (const std::shared_ptr<const SoundAnalysis> analysis = Lookup(path, stamp); analysis != nullptr) {
        return SoundDetailsText(*analysis);
    }
    return tr("Reading the sound file...");
}

void CWaveformCache::Start(const QString& path, const CFileStamp& stamp, int priority) {
    Entry& entry = m_entries[path];
    if (entry.pending && entry.pendingStamp == stamp) {
        return;
    }
    const std::string utf8 = path.toStdString();
    if (IsInstrumentWavePath(utf8)) {
        // Known by its name alone: no file is opened.
        Store(path, stamp, std::make_shared<const SoundAnalysis>(AnalyseSound(utf8, kColumns)));
        return;
    }
    entry.pending = true;
    entry.pendingStamp = stamp;
    ++m_started;
    m_pool.start(
        [this, path, stamp, utf8] {
            auto analysis = std::make_shared<const SoundAnalysis>(AnalyseSound(utf8, kColumns));
            QMetaObject::invokeMethod(
                this, [this, path, stamp, analysis]() mutable { Store(path, stamp, std::move(analysis)); },
                Qt::QueuedConnection);
        },
        priority);
}

void CWaveformCache::Store(const QString& path, const CFileStamp& stamp,
                           std::shared_ptr<const SoundAnalysis> analysis) {
    Entry& entry = m_entries[path];
    // The result of an older state of a file that has changed since is kept too: look-ups compare
    // its stamp with the file's.
    if (entry.pending && entry.pendingStamp == stamp) {
        entry.pending = false;
    }
    entry.stamp = stamp;
    entry.analysis = std::move(analysis);
    emit Ready(path);
}

void CWaveformCache::WaitForIdle() {
    m_pool.waitForDone();
    QCoreApplication::sendPostedEvents(this);
}

} // namespace Orvanta
