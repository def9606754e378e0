#pragma once

#include "sound/SoundFile.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <cstddef>
#include <memory>

namespace Orvanta {

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

    // The analysis of `path` when it is known for the file as it is now; otherwise null, and a
    // computation is started unless one for the file as it is now is under way.
    [[nodiscard]] std::shared_ptr<const SoundAnalysis> Lookup(const QString& path);
    // Starts computations for the files of `paths` not known yet, behind those of Lookup.
    void Prefetch(const QStringList& paths);
    // The tooltip of a wave row: the details, why there is no preview, or that the file is being read.
    [[nodiscard]] QString Tooltip(const QString& path);
    // Waits until every computation started has finished and its result is stored (tests, benchmarks).
    void WaitForIdle();
    // Computations started since the cache was made.
    [[nodiscard]] int ComputationsStarted() const { return m_started; }

signals:
    // The analysis of `path` arrived.
    void Ready(const QString& path);

private:
    // What a file is on disk: size and modification time; size -1 when it cannot be read.
    struct Stamp {
        qint64 size = -1;
        qint64 modified = 0;
        bool operator==(const Stamp&) const = default;
    };
    struct Entry {
        Stamp stamp;
        std::shared_ptr<const SoundAnalysis> analysis;
        bool pending = false;
        Stamp pendingStamp;
    };
    [[nodiscard]] static Stamp StampOf(const QString& path);
    // Starts the computation of `path` as it is at `stamp` unless it runs already.
    void Start(const QString& path, const Stamp& stamp, int priority);
    void Store(const QString& path, const Stamp& stamp, std::shared_ptr<const SoundAnalysis> analysis);

    QHash<QString, Entry> m_entries;
    QThreadPool m_pool;
    int m_started = 0;
};

} // namespace Orvanta
