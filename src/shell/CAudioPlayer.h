#pragma once

#include <QAudioDevice>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QAudioSink;
class QMediaDevices;

namespace Orvanta {

class CDecodedSoundDevice;

// Audition: plays one wave at a time through Qt Multimedia. The file is decoded by CSoundDecoder to
// signed 16-bit frames that a QAudioSink pulls in the file's own sample rate and channel count.
// Starting another wave stops the first. Every outcome is a status-bar text (Message): what plays,
// why nothing plays (no audio output, no preview of the file), or nothing when playback ends.
// Outputs that come or go while the program runs (a sound server started later, an interface
// plugged in) are followed as Qt Multimedia reports them.
class CAudioPlayer : public QObject {
    Q_OBJECT

public:
    explicit CAudioPlayer(QObject* parent = nullptr);
    ~CAudioPlayer() override;

    // The output to play on; a default-constructed device (the default) means the system's default
    // output as it is at each Play. A null device from a machine without sound stays null.
    void SetOutputDevice(const QAudioDevice& device, bool useSystemDefault);

    // Stops what plays, then plays the file at `path`, announced as `label`. False when nothing
    // plays; the reason went out as Message.
    bool Play(const QString& path, const QString& label);
    // Stops playback; nothing happens when nothing plays.
    void Stop();
    [[nodiscard]] bool IsPlaying() const;
    // The file that plays; empty when nothing plays.
    [[nodiscard]] QString CurrentPath() const { return m_playing ? m_path : QString(); }
    // Bytes the output pulled, and the audio it played in microseconds, of the current or last
    // playback.
    [[nodiscard]] qint64 BytesPulled() const;
    [[nodiscard]] qint64 ProcessedMicroseconds() const;

    // What to play on after the outputs changed, by device id: the chosen output while it is still
    // among `outputs`, else the system's default output, else the first output (empty: none).
    [[nodiscard]] static QByteArray FollowedOutput(const QList<QByteArray>& outputs, const QByteArray& systemDefault,
                                                   const QByteArray& chosen, bool useSystemDefault);
    // The outputs are now `outputs`, `systemDefault` among them: a chosen output that has gone (or a
    // null one, from a start without sound) gives way to the default, and when the output that the
    // next Play uses is another one than before, the status bar names it (while nothing plays).
    void OnAudioOutputsChanged(const QList<QAudioDevice>& outputs, const QAudioDevice& systemDefault);

    static constexpr const char* kNoOutputText = "No audio output: cannot play.";

signals:
    // Playback started or stopped (by Stop, another Play, the end of the file or an output error).
    void PlayingChanged(bool playing);
    // A text for the status bar.
    void Message(const QString& text);

private:
    [[nodiscard]] QAudioDevice Output() const;
    void OnSinkStateChanged();
    // Ends the current playback and says `message` (empty: the idle text).
    void Finish(const QString& message);

    // Reports changes of the outputs (audioOutputsChanged) while it lives.
    QMediaDevices* m_devices = nullptr;
    QAudioDevice m_device;
    // The output the next Play uses as last seen, to tell a change.
    QByteArray m_knownOutput;
    QString m_path;
    bool m_useSystemDefault = true;
    // The sink of the current playback (its child is the decoded file), deleted later when it stops,
    // since it may be the sender of the signal that stops it.
    QAudioSink* m_sink = nullptr;
    CDecodedSoundDevice* m_source = nullptr;
    qint64 m_lastPulled = 0;
    qint64 m_lastProcessed = 0;
    bool m_playing = false;
};

} // namespace Orvanta
