#include "shell/CDecodedSoundDevice.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace Orvanta {

CDecodedSoundDevice::CDecodedSoundDevice(CSoundDecoder decoder, QObject* parent)
    : QIODevice(parent), m_decoder(std::move(decoder)) {}

CDecodedSoundDevice::~CDecodedSoundDevice() = default;

qint64 CDecodedSoundDevice::bytesAvailable() const {
    const SoundDetails& details = m_decoder.Details();
    const qint64 total = details.frames * details.channels * static_cast<qint64>(sizeof(std::int16_t));
    return std::max<qint64>(0, total - m_bytesRead) + QIODevice::bytesAvailable();
}

qint64 CDecodedSoundDevice::readData(char* data, qint64 maxSize) {
    const int channels = m_decoder.Details().channels;
    if (m_ended || channels <= 0 || maxSize <= 0) {
        return 0;
    }
    const qint64 frameBytes = channels * static_cast<qint64>(sizeof(std::int16_t));
    const auto frames = static_cast<std::size_t>(maxSize / frameBytes);
    if (frames == 0) {
        return 0;
    }
    m_buffer.resize(frames * static_cast<std::size_t>(channels));
    const std::size_t got = m_decoder.ReadInt16(m_buffer.data(), frames);
    if (got == 0) {
        m_ended = true;
        return 0;
    }
    const std::size_t bytes = got * static_cast<std::size_t>(channels) * sizeof(std::int16_t);
    std::memcpy(data, m_buffer.data(), bytes);
    m_bytesRead += static_cast<qint64>(bytes);
    return static_cast<qint64>(bytes);
}

qint64 CDecodedSoundDevice::writeData(const char* /*data*/, qint64 /*maxSize*/) {
    return -1;
}

} // namespace Orvanta
