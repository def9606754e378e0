#pragma once

#include "sound/SoundFile.h"

#include <QIODevice>

#include <cstdint>
#include <vector>

namespace Orvanta {

// A read-only, sequential QIODevice over the decoded frames of one sound file: interleaved signed
// 16-bit samples in the file's own channel order, as a QAudioSink pulls them. It counts the bytes
// it handed out.
class CDecodedSoundDevice : public QIODevice {
    Q_OBJECT

public:
    // Takes an open decoder.
    explicit CDecodedSoundDevice(CSoundDecoder decoder, QObject* parent = nullptr);
    ~CDecodedSoundDevice() override;

    [[nodiscard]] const SoundDetails& Details() const { return m_decoder.Details(); }
    [[nodiscard]] bool isSequential() const override { return true; }
    [[nodiscard]] bool atEnd() const override { return m_ended; }
    [[nodiscard]] qint64 bytesAvailable() const override;
    [[nodiscard]] qint64 BytesRead() const { return m_bytesRead; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    CSoundDecoder m_decoder;
    std::vector<std::int16_t> m_buffer;
    qint64 m_bytesRead = 0;
    bool m_ended = false;
};

} // namespace Orvanta
