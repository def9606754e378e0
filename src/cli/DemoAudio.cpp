#include "cli/DemoAudio.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Orvanta::Cli {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kRate = kDemoSampleRate;

double Saw(double frequency, double t, int maxHarmonics) {
    double value = 0.0;
    for (int k = 1; k <= maxHarmonics && k * frequency < kRate / 2.0; ++k) {
        value += std::sin(kTwoPi * k * frequency * t) / k;
    }
    return value;
}

double Attack(double t, double seconds) {
    return t >= seconds ? 1.0 : t / seconds;
}

bool IsDrum(DemoSound sound) {
    return sound == DemoSound::Kick || sound == DemoSound::Snare || sound == DemoSound::HiHat;
}

std::vector<double> Render(DemoSound sound, double f, CDemoRandom& random) {
    const double seconds = IsDrum(sound) ? 0.3 : 0.6;
    const auto count = static_cast<std::size_t>(seconds * kRate);
    std::vector<double> x(count);
    double filtered = 0.0;
    double previousNoise = 0.0;
    double kickPhase = 0.0;
    // Karplus-Strong delay line for the plucked sound.
    std::vector<double> line(std::max<std::size_t>(2, static_cast<std::size_t>(kRate / f)));
    for (double& v : line) {
        v = random.Unit() * 2.0 - 1.0;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double noise = random.Unit() * 2.0 - 1.0;
        double v = 0.0;
        switch (sound) {
        case DemoSound::Piano:
            for (int k = 1; k <= 6; ++k) {
                v += std::sin(kTwoPi * k * f * t) / k * std::exp(-t * (2.0 + k));
            }
            break;
        case DemoSound::ElectricPiano:
            v = std::sin(kTwoPi * f * t + 1.5 * std::exp(-3.0 * t) * std::sin(kTwoPi * f * t)) * std::exp(-3.0 * t);
            break;
        case DemoSound::Strings:
            for (const double detune : {0.994, 0.998, 1.0, 1.003, 1.007}) {
                v += Saw(f * detune, t, 12);
            }
            v *= Attack(t, 0.15);
            break;
        case DemoSound::Choir:
            for (const double detune : {0.997, 1.0, 1.004}) {
                const double vibrato = 1.0 + 0.004 * std::sin(kTwoPi * 5.0 * t);
                v += std::sin(kTwoPi * f * detune * vibrato * t) + 0.4 * std::sin(kTwoPi * 2.0 * f * detune * t) +
                     0.25 * std::sin(kTwoPi * 3.0 * f * detune * t);
            }
            v *= Attack(t, 0.2);
            break;
        case DemoSound::Brass:
            v = Saw(f, t, static_cast<int>(2.0 + 14.0 * Attack(t, 0.08))) * Attack(t, 0.04);
            break;
        case DemoSound::Bass:
            v = (std::sin(kTwoPi * f * t) + 0.5 * Saw(f, t, 4)) * std::exp(-2.0 * t);
            break;
        case DemoSound::Organ:
            v = std::sin(kTwoPi * f * t) + std::sin(kTwoPi * 2.0 * f * t) + 0.5 * std::sin(kTwoPi * 3.0 * f * t) +
                0.5 * std::sin(kTwoPi * 4.0 * f * t) + 0.3 * std::sin(kTwoPi * 8.0 * f * t);
            break;
        case DemoSound::Flute:
            v = (std::sin(kTwoPi * f * (1.0 + 0.003 * std::sin(kTwoPi * 5.5 * t)) * t) + 0.05 * noise) *
                Attack(t, 0.08);
            break;
        case DemoSound::Bell:
            for (const double ratio : {1.0, 2.76, 5.4, 8.93}) {
                v += std::sin(kTwoPi * ratio * f * t) * std::exp(-t * (1.5 + ratio)) / ratio;
            }
            break;
        case DemoSound::Kick:
            kickPhase += kTwoPi * (45.0 + 105.0 * std::exp(-25.0 * t)) / kRate;
            v = std::sin(kickPhase) * std::exp(-8.0 * t);
            break;
        case DemoSound::Snare:
            v = noise * std::exp(-15.0 * t) + 0.6 * std::sin(kTwoPi * 180.0 * t) * std::exp(-20.0 * t);
            break;
        case DemoSound::HiHat:
            v = (noise - previousNoise) * std::exp(-40.0 * t);
            break;
        case DemoSound::Saw:
            v = Saw(f, t, 30);
            break;
        case DemoSound::Sine:
            v = std::sin(kTwoPi * f * t);
            break;
        case DemoSound::Pluck: {
            const std::size_t at = i % line.size();
            const std::size_t next = (i + 1) % line.size();
            v = line[at];
            line[at] = 0.498 * (line[at] + line[next]);
            break;
        }
        case DemoSound::Noise: {
            const double sweep = 0.02 + 0.5 * t / seconds;
            filtered += sweep * (noise - filtered);
            v = filtered;
            break;
        }
        }
        previousNoise = noise;
        x[i] = v;
    }
    return x;
}

void AppendBigEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFFU));
    }
}

void AppendLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFFU));
    }
}

void AppendText(std::vector<std::uint8_t>& out, const char* text) {
    for (; *text != '\0'; ++text) {
        out.push_back(static_cast<std::uint8_t>(*text));
    }
}

std::uint64_t SampleBits(std::int16_t sample) {
    return static_cast<std::uint16_t>(sample);
}

} // namespace

std::uint64_t CDemoRandom::Next() {
    m_state += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = m_state;
    z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31U);
}

std::uint32_t CDemoRandom::Below(std::uint32_t bound) {
    return bound == 0 ? 0U : static_cast<std::uint32_t>(Next() % bound);
}

double CDemoRandom::Unit() {
    return static_cast<double>(Next() >> 11U) / 9007199254740992.0; // 2^53
}

std::vector<std::int16_t> SynthesiseSound(DemoSound sound, double frequency, CDemoRandom& random) {
    const std::vector<double> x = Render(sound, frequency, random);
    double peak = 0.0;
    for (const double v : x) {
        peak = std::max(peak, std::abs(v));
    }
    const double gain = peak > 0.0 ? 0.8 / peak : 0.0;
    const std::size_t fade = std::min<std::size_t>(x.size(), kDemoSampleRate / 50);
    std::vector<std::int16_t> samples(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        const std::size_t left = x.size() - i;
        const double envelope = left < fade ? static_cast<double>(left) / static_cast<double>(fade) : 1.0;
        samples[i] = static_cast<std::int16_t>(std::lround(std::clamp(x[i] * gain * envelope, -1.0, 1.0) * 32767.0));
    }
    return samples;
}

std::vector<std::uint8_t> EncodeWav(const std::vector<std::int16_t>& samples) {
    const std::uint64_t dataBytes = samples.size() * 2U;
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    AppendText(out, "RIFF");
    AppendLittleEndian(out, 36 + dataBytes, 4);
    AppendText(out, "WAVE");
    AppendText(out, "fmt ");
    AppendLittleEndian(out, 16, 4);
    AppendLittleEndian(out, 1, 2); // PCM
    AppendLittleEndian(out, 1, 2); // mono
    AppendLittleEndian(out, kDemoSampleRate, 4);
    AppendLittleEndian(out, kDemoSampleRate * 2U, 4); // bytes per second
    AppendLittleEndian(out, 2, 2);                    // bytes per frame
    AppendLittleEndian(out, 16, 2);                   // bits per sample
    AppendText(out, "data");
    AppendLittleEndian(out, dataBytes, 4);
    for (const std::int16_t sample : samples) {
        AppendLittleEndian(out, SampleBits(sample), 2);
    }
    return out;
}

std::vector<std::uint8_t> EncodeAiff(const std::vector<std::int16_t>& samples) {
    const std::uint64_t dataBytes = samples.size() * 2U;
    const std::uint64_t commBytes = 18;
    const std::uint64_t ssndBytes = 8 + dataBytes;
    std::vector<std::uint8_t> out;
    out.reserve(54 + dataBytes);
    AppendText(out, "FORM");
    AppendBigEndian(out, 4 + (8 + commBytes) + (8 + ssndBytes), 4);
    AppendText(out, "AIFF");
    AppendText(out, "COMM");
    AppendBigEndian(out, commBytes, 4);
    AppendBigEndian(out, 1, 2); // channels
    AppendBigEndian(out, samples.size(), 4);
    AppendBigEndian(out, 16, 2); // bits per sample
    // The sample rate as an 80-bit IEEE extended number: exponent, then the mantissa with its
    // explicit leading one at the top.
    std::uint64_t mantissa = kDemoSampleRate;
    int exponent = 16383 + 63;
    while ((mantissa & (1ULL << 63U)) == 0) {
        mantissa <<= 1U;
        --exponent;
    }
    AppendBigEndian(out, static_cast<std::uint64_t>(exponent), 2);
    AppendBigEndian(out, mantissa, 8);
    AppendText(out, "SSND");
    AppendBigEndian(out, ssndBytes, 4);
    AppendBigEndian(out, 0, 4); // offset
    AppendBigEndian(out, 0, 4); // block size
    for (const std::int16_t sample : samples) {
        AppendBigEndian(out, SampleBits(sample), 2);
    }
    return out;
}

std::vector<std::uint8_t> EncodeRawSamples(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> out;
    out.reserve(samples.size() * 2U);
    for (const std::int16_t sample : samples) {
        AppendBigEndian(out, SampleBits(sample), 2);
    }
    return out;
}

} // namespace Orvanta::Cli
