#pragma once

#include "model/CFileSystem.h"
#include "sound/SoundFile.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace Orvanta {

class CWave;

// Details and waveform pictures of wave files, computed off the GUI thread and kept per file. An
// entry is valid for the file as it was when it was read: its path, size and modification time;
// once the file changes the next look-up reads it again. Look-ups from painting go ahead of
// prefetching, so the rows on screen fill in first. Results come back on the GUI thread as Ready.
class CWaveformCache : public QObject {
    Q_OBJECT

public:
    // Waveform columns computed per file; drawing merges them to the width of the picture.
    static constexpr std::size_t kColumns = 256;

    // The cache of the project windows.
    [[nodiscard]] static CWaveformCache& Instance();

    explicit CWaveformCache(QObject* parent = nullptr);
    // Waits for the computations that run; the others are dropped.
    ~CWaveformCache() override;

    // The stamp of the file of a project's wave: as loading found it while the wave's source is still
    // that file (no look at the file), else the file's stamp now.
    [[nodiscard]] static CFileStamp StampOf(const CWave& wave);

    // The analysis of `path` when it is known for the file as it is now (`stamp`, looked up when not
    // given); otherwise null, and a computation is started unless one for the file as it is now is
    // under way.
    [[nodiscard]] std::shared_ptr<const SoundAnalysis> Lookup(const QString& path);
    [[nodiscard]] std::shared_ptr<const SoundAnalysis> Lookup(const QString& path, const CFileStamp& stamp);
    // Starts computations for the files not known yet, behind those of Lookup.
    void Prefetch(const QStringList& paths);
    void Prefetch(const std::vector<std::pair<QString, CFileStamp>>& files);
    // The tooltip of a wave row: the details, why there is no preview, or that the file is being read.
    [[nodiscard]] QString Tooltip(const QString& path);
    [[nodiscard]] QString Tooltip(const QString& path, const CFileStamp& stamp);
    // Waits until every computation started has finished and its result is stored (tests, benchmarks).
    void WaitForIdle();
    // Computations started since the cache was made.
    [[nodiscard]] int ComputationsStarted() const { return m_started; }

signals:
    // The analysis of `path` arrived.
    void Ready(const QString& path);

private:
    // What a file is on disk is told by the core's stamp: size and modification time, size -1 when
    // no file can be read there.
    struct Entry {
        CFileStamp stamp;
        std::shared_ptr<const SoundAnalysis> analysis;
        bool pending = false;
        CFileStamp pendingStamp;
    };
    [[nodiscard]] static CFileStamp StampOf(const QString& path);
    // Starts the computation of `path` as it is at `stamp` unless it runs already.
    void Start(const QString& path, const CFileStamp& stamp, int priority);
    void Store(const QString& path, const CFileStamp& stamp, std::shared_ptr<const SoundAnalysis> analysis);

    QHash<QString, Entry> m_entries;
    QThreadPool m_pool;
    int m_started = 0;
};

} // namespace Orvanta
