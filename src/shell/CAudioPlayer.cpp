#include "shell/CAudioPlayer.h"

#include "shell/CDecodedSoundDevice.h"
#include "sound/SoundFile.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

#include <string>
#include <utility>

namespace Orvanta {

CAudioPlayer::CAudioPlayer(QObject* parent) : QObject(parent), m_devices(new QMediaDevices(this)) {
    m_knownOutput = Output().id();
    connect(m_devices, &QMediaDevices::audioOutputsChanged, this,
            [this] { OnAudioOutputsChanged(QMediaDevices::audioOutputs(), QMediaDevices::defaultAudioOutput()); });
}

CAudioPlayer::~CAudioPlayer() {
    if (m_sink != nullptr) {
        disconnect(m_sink, nullptr, this, nullptr);
        m_sink->stop();
        delete m_sink;
    }
}

void CAudioPlayer::SetOutputDevice(const QAudioDevice& device, bool useSystemDefault) {
    m_device = device;
    m_useSystemDefault = useSystemDefault;
    m_knownOutput = Output().id();
}

QByteArray CAudioPlayer::FollowedOutput(const QList<QByteArray>& outputs, const QByteArray& systemDefault,
                                        const QByteArray& chosen, bool useSystemDefault) {
    if (!useSystemDefault && !chosen.isEmpty() && outputs.contains(chosen)) {
        return chosen;
    }
    if (!systemDefault.isEmpty()) {
        return systemDefault;
    }
    return outputs.isEmpty() ? QByteArray() : outputs.front();
}

void CAudioPlayer::OnAudioOutputsChanged(const QList<QAudioDevice>& outputs, const QAudioDevice& systemDefault) {
    QList<QByteArray> ids;
    for (const QAudioDevice& output : outputs) {
        ids.push_back(output.id());
    }
    const QByteArray followed = FollowedOutput(ids, systemDefault.id(), m_device.id(), m_useSystemDefault);
    QAudioDevice next = systemDefault;
    for (const QAudioDevice& output : outputs) {
        if (output.id() == followed) {
            next = output;
        }
    }
    if (!m_useSystemDefault) {
        m_device = next;
    }
    const bool changed = next.id() != m_knownOutput;
    m_knownOutput = next.id();
    // The playback that runs stays on its output; the next Play takes the new one.
    if (!changed || next.isNull() || m_playing) {
        return;
    }
    emit Message(tr("Audio output: %1").arg(next.description()));
}

QAudioDevice CAudioPlayer::Output() const {
    return m_useSystemDefault ? QMediaDevices::defaultAudioOutput() : m_device;
}

bool CAudioPlayer::IsPlaying() const {
    return m_playing;
}

qint64 CAudioPlayer::BytesPulled() const {
    return m_source != nullptr ? m_source->BytesRead() : m_lastPulled;
}

qint64 CAudioPlayer::ProcessedMicroseconds() const {
    return m_sink != nullptr ? m_sink->processedUSecs() : m_lastProcessed;
}

bool CAudioPlayer::Play(const QString& path, const QString& label) {
    Stop();
    const QAudioDevice output = Output();
    if (output.isNull()) {
        emit Message(QString::fromLatin1(kNoOutputText));
        return false;
    }
    CSoundDecoder decoder;
    std::string reason;
    if (!decoder.Open(path.toStdString(), reason)) {
        emit Message(tr("No preview of %1: %2").arg(label, QString::fromStdString(reason)));
        return false;
    }
    const SoundDetails details = decoder.Details();
    QAudioFormat format;
    format.setSampleRate(details.sampleRate);
    format.setChannelCount(details.channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!output.isFormatSupported(format)) {
        emit Message(tr("The audio output cannot play %1 at %2 Hz with %3 channels.")
                         .arg(label)
                         .arg(details.sampleRate)
                         .arg(details.channels));
        return false;
    }
    m_sink = new QAudioSink(output, format, this);
    m_source = new CDecodedSoundDevice(std::move(decoder), m_sink);
    m_source->open(QIODevice::ReadOnly);
    connect(m_sink, &QAudioSink::stateChanged, this, &CAudioPlayer::OnSinkStateChanged);
    m_sink->start(m_source);
    if (m_sink->error() != QAudio::NoError || m_sink->state() == QAudio::StoppedState) {
        Finish(QString::fromLatin1(kNoOutputText));
        return false;
    }
    m_playing = true;
    m_path = path;
    emit PlayingChanged(true);
    emit Message(tr("Playing %1 (%2 s, %3 Hz). Space or Esc stops.")
                     .arg(label)
                     .arg(details.seconds, 0, 'f', 1)
                     .arg(details.sampleRate));
    return true;
}

void CAudioPlayer::Stop() {
    if (m_sink != nullptr) {
        Finish(QString());
    }
}

void CAudioPlayer::OnSinkStateChanged() {
    if (m_sink == nullptr) {
        return;
    }
    const QAudio::State state = m_sink->state();
    if (state == QAudio::IdleState && m_source != nullptr && m_source->atEnd()) {
        Finish(QString()); // played to the end
    } else if (state == QAudio::StoppedState && m_sink->error() != QAudio::NoError) {
        Finish(QString::fromLatin1(kNoOutputText));
    }
}

void CAudioPlayer::Finish(const QString& message) {
    if (m_sink != nullptr) {
        m_lastPulled = m_source != nullptr ? m_source->BytesRead() : 0;
        m_lastProcessed = m_sink->processedUSecs();
        disconnect(m_sink, nullptr, this, nullptr);
        m_sink->stop();
        m_sink->deleteLater();
        m_sink = nullptr;
        m_source = nullptr;
    }
    const bool wasPlaying = std::exchange(m_playing, false);
    if (wasPlaying) {
        emit PlayingChanged(false);
    }
    if (wasPlaying || !message.isEmpty()) {
        emit Message(message);
    }
}

} // namespace Orvanta
