#pragma once

#include <cstdint>
#include <vector>

namespace Orvanta::Cli {

// A small deterministic random source (SplitMix64): the same seed gives the same numbers on every
// platform, unlike the distributions of the standard library.
class CDemoRandom {
public:
    explicit CDemoRandom(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next();
    // A number from 0 to bound - 1; 0 when bound is 0.
    std::uint32_t Below(std::uint32_t bound);
    // A number in [0, 1).
    double Unit();

private:
    std::uint64_t m_state;
};

// The sounds of the demo project's waves.
enum class DemoSound {
    Piano,
    ElectricPiano,
    Strings,
    Choir,
    Brass,
    Bass,
    Organ,
    Flute,
    Bell,
    Kick,
    Snare,
    HiHat,
    Saw,
    Sine,
    Pluck,
    Noise
};

inline constexpr int kDemoSampleRate = 22050;

// A short mono sound at kDemoSampleRate, 16-bit samples, with a fade-out so that it ends in silence.
[[nodiscard]] std::vector<std::int16_t> SynthesiseSound(DemoSound sound, double frequency, CDemoRandom& random);

// A RIFF WAVE file: PCM, one channel, 16 bits, kDemoSampleRate.
[[nodiscard]] std::vector<std::uint8_t> EncodeWav(const std::vector<std::int16_t>& samples);

// An AIFF file: one channel, 16 bits, kDemoSampleRate, big-endian samples.
[[nodiscard]] std::vector<std::uint8_t> EncodeAiff(const std::vector<std::int16_t>& samples);

// Raw big-endian 16-bit samples, the content of the demo's instrument waves (the librarian never
// looks inside a wave file).
[[nodiscard]] std::vector<std::uint8_t> EncodeRawSamples(const std::vector<std::int16_t>& samples);

} // namespace Orvanta::Cli
