#include "cli/DemoProject.h"

#include "cli/DemoAudio.h"
#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CPatch.h"
#include "model/CTernData.h"
#include "storage/OscCodec.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace Orvanta::Cli {

namespace {

struct CWaveSpec {
    const char* name;
    const char* extension;
    DemoSound sound;
    double frequency;
};

// The wave list of the demo, in slot order: instrument waves first, then user waves. No category
// below draws from "Tubular Bell" or "Vox Chop": the demo always has unused waves.
constexpr std::array<CWaveSpec, 17> kWaves = {{
    {"Grand Piano", ".w00", DemoSound::Piano, 261.63},
    {"E.Piano", ".w00", DemoSound::ElectricPiano, 261.63},
    {"Strings", ".w00", DemoSound::Strings, 220.0},
    {"Choir Aah", ".w00", DemoSound::Choir, 220.0},
    {"Brass Sect", ".w00", DemoSound::Brass, 233.08},
    {"Synth Bass", ".w00", DemoSound::Bass, 55.0},
    {"Organ", ".w00", DemoSound::Organ, 261.63},
    {"Flute", ".w00", DemoSound::Flute, 523.25},
    {"Tubular Bell", ".w00", DemoSound::Bell, 523.25},
    {"Kick 808", ".wav", DemoSound::Kick, 50.0},
    {"Snare", ".wav", DemoSound::Snare, 180.0},
    {"Hat Closed", ".wav", DemoSound::HiHat, 1000.0},
    {"Saw Loop", ".wav", DemoSound::Saw, 110.0},
    {"Sub Sine", ".wav", DemoSound::Sine, 55.0},
    {"Nylon Pluck", ".aif", DemoSound::Pluck, 196.0},
    {"Noise Sweep", ".aif", DemoSound::Noise, 440.0},
    {"Vox Chop", ".aif", DemoSound::Choir, 330.0},
}};

// A patch of the demo: its name, the wave (index into kWaves) its sound is built on, and a second
// wave that some seeds layer on top of it (-1 for none).
struct CPatchSpec {
    const char* name;
    int wave;
    int layer;
};

// A category of patches, of which a demo takes `take` in a seed-chosen order. The patches of a
// drum category play the kick, the snare and the hat together.
struct CCategory {
    std::vector<CPatchSpec> patches;
    std::size_t take;
    bool drumKit;
};

std::vector<CCategory> Categories() {
    return {
        {{{"Warm Pad", 2, 3},
          {"Glass Pad", 2, 15},
          {"Dark Pad", 3, 13},
          {"Choir Pad", 3, 2},
          {"Slow Strings", 2, -1},
          {"Sweep Pad", 15, 2}},
         5,
         false},
        {{{"Sub Bass", 13, 5},
          {"Finger Bass", 5, -1},
          {"Acid Bass", 12, 5},
          {"Fat Bass", 5, 12},
          {"Pick Bass", 5, 14},
          {"Wobble Bass", 12, 13}},
         5,
         false},
        {{{"Saw Lead", 12, -1},
          {"Sync Lead", 12, 5},
          {"Square Lead", 12, 13},
          {"Solo Flute", 7, -1},
          {"Whistle Lead", 7, 13},
          {"Mono Lead", 12, 7}},
         5,
         false},
        {{{"Brass Stab", 4, -1}, {"Horn Section", 4, 2}, {"Soft Brass", 4, 7}, {"Trumpet", 4, -1}, {"Brass Pad", 4, 2}},
         4,
         false},
        {{{"Grand Piano", 0, -1},
          {"E.Piano", 1, -1},
          {"Organ 1", 6, -1},
          {"Clavi", 14, 1},
          {"Bell Piano", 1, 0},
          {"Rock Organ", 6, 12}},
         5,
         false},
        {{{"Pizzicato", 2, 14}, {"Harp", 14, -1}, {"Pluck Synth", 14, 12}, {"Koto", 14, -1}}, 3, false},
        {{{"Drum Kit", 9, -1}, {"808 Kit", 9, -1}, {"Percussion", 10, -1}}, 3, true},
    };
}

// Wave indices of the kick, the snare and the closed hat.
constexpr std::array<int, 3> kDrumWaves = {9, 10, 11};

// Value indices of the wave references (source selectors and digits), which the demo sets itself.
constexpr std::array<std::size_t, 2> kSelectorIndex = {18, 70};

bool IsWaveReferenceRow(std::size_t row) {
    return row == 18 || row == 70 || (row >= 40 && row <= 43) || (row >= 92 && row <= 95);
}

template <class T> void Shuffle(std::vector<T>& items, CDemoRandom& random) {
    for (std::size_t i = items.size(); i > 1; --i) {
        std::swap(items[i - 1], items[random.Below(static_cast<std::uint32_t>(i))]);
    }
}

// Sets a handful of the sound parameters of every oscillator to values inside their stored ranges,
// so that the demo's patches differ from each other as real ones do.
void VarySound(CPatch& patch, CDemoRandom& random) {
    for (COsc& osc : patch.m_osc) {
        for (int change = 0; change < 6; ++change) {
            const std::size_t row = random.Below(static_cast<std::uint32_t>(kBlockValueCount));
            const CBlockDescriptor& descriptor = kBlockDescriptors[row];
            if (IsWaveReferenceRow(row) || descriptor.width <= 0 || descriptor.rawMax < descriptor.rawMin) {
                continue;
            }
            const unsigned span = unsigned{descriptor.rawMax} - descriptor.rawMin + 1U;
            const unsigned value = descriptor.rawMin + random.Below(span) + RecentringShift(descriptor);
            osc.m_values[row] = static_cast<std::uint8_t>(std::min(value, 255U));
        }
    }
}

// Points reference r of oscillator b at wave `number`.
void UseWave(CPatch& patch, std::size_t b, int r, int number) {
    patch.m_osc[b].m_values[kSelectorIndex[static_cast<std::size_t>(r)]] = 1;
    patch.m_osc[b].SetWaveNumber(r, number);
}

// Writes new files and folders and takes them away again unless the whole project was written.
class CDemoWriter {
public:
    CDemoWriter() : m_fileSystem(CDomain::Instance().FileSystem()) {}
    CDemoWriter(const CDemoWriter&) = delete;
    CDemoWriter& operator=(const CDemoWriter&) = delete;
    ~CDemoWriter() {
        if (m_committed) {
            return;
        }
        for (auto it = m_files.rbegin(); it != m_files.rend(); ++it) {
            static_cast<void>(m_fileSystem.Delete(ToNativePath(*it)));
        }
        for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it) {
            static_cast<void>(m_fileSystem.RemoveFolder(ToNativePath(*it)));
        }
    }

    bool CreateFolder(const std::string& path, std::string& error) {
        const FolderCreation created = m_fileSystem.CreateFolder(ToNativePath(path));
        if (created == FolderCreation::kCreated) {
            m_folders.push_back(path);
            return true;
        }
        error = created == FolderCreation::kExisted
                    ? path + " already exists"
                    : "cannot create the folder " + path + " (does the folder that should hold it exist?)";
        return false;
    }

    // Creates the file, never over one that is there (which the rollback would then delete).
    bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error) {
        if (!m_fileSystem.WriteNewFile(ToNativePath(path), bytes, false)) {
            error = "cannot write " + path;
            return false;
        }
        m_files.push_back(path);
        return true;
    }

    // A patch file: the container header, the part the librarian never interprets, and the
    // oscillator blocks written by the core's patch file writer.
    bool WritePatch(const std::string& path, const CPatch& patch, std::string& error) {
        std::vector<std::uint8_t> bytes(kPatchRecordSize, 0);
        std::copy(kPatchHeaderTemplate.begin(), kPatchHeaderTemplate.end(), bytes.begin());
        if (!WriteFile(path, bytes, error)) {
            return false;
        }
        if (!WritePatchData(path, &patch)) {
            error = "cannot write the patch data of " + path;
            return false;
        }
        return true;
    }

    void Commit() { m_committed = true; }

private:
    CFileSystem& m_fileSystem;
    std::vector<std::string> m_files;
    std::vector<std::string> m_folders;
    bool m_committed = false;
};

std::vector<std::uint8_t> SystemFileBytes(const std::string& name, CDemoRandom& random) {
    std::vector<std::uint8_t> bytes(name.begin(), name.end());
    bytes.resize(256, 0);
    for (std::size_t i = 64; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(random.Below(256));
    }
    return bytes;
}

std::vector<std::uint8_t> WaveBytes(const CWaveSpec& spec, CDemoRandom& random) {
    // A pitch a few semitones up or down, so that seeds sound different.
    const double semitones = static_cast<double>(random.Below(5)) - 2.0;
    const std::vector<std::int16_t> samples =
        SynthesiseSound(spec.sound, spec.frequency * std::pow(2.0, semitones / 12.0), random);
    const std::string extension = spec.extension;
    if (extension == ".wav") {
        return EncodeWav(samples);
    }
    if (extension == ".aif") {
        return EncodeAiff(samples);
    }
    return EncodeRawSamples(samples);
}

} // namespace

bool WriteDemoProject(const std::string& path, std::uint64_t seed, CDemoSummary& summary, std::string& error) {
    const std::string folder = NormaliseProjectPath(path);
    if (!CTernData::IsProjectPath(folder)) {
        error = "the name of a project folder must end in \".prj\": " + path;
        return false;
    }
    const std::string bare = folder.substr(0, folder.size() - 1);
    if (CDomain::Instance().FileSystem().Exists(ToNativePath(bare))) {
        error = bare + " already exists";
        return false;
    }
    CDemoRandom random(seed);
    CDemoWriter writer;
    if (!writer.CreateFolder(bare, error) || !writer.CreateFolder(folder + "Patch", error) ||
        !writer.CreateFolder(folder + "Wave", error)) {
        return false;
    }
    for (const char* name : {"Orvanta System.s00", "Orvanta Palette.s00", "Orvanta Template.s00"}) {
        if (!writer.WriteFile(folder + name, SystemFileBytes(name, random), error)) {
            return false;
        }
    }

    summary = CDemoSummary{};
    for (std::size_t j = 0; j < kWaves.size(); ++j) {
        const CWaveSpec& spec = kWaves[j];
        const std::string file =
            folder + "Wave/" + FormatSlotNumber(static_cast<int>(j + 1)) + spec.name + spec.extension;
        if (!writer.WriteFile(file, WaveBytes(spec, random), error)) {
            return false;
        }
        ++summary.waves;
    }

    // The patch list: the categories in order, a seed-chosen part of each, and one empty slot.
    std::vector<std::pair<const char*, std::vector<int>>> patches;
    for (CCategory& category : Categories()) {
        Shuffle(category.patches, random);
        for (std::size_t n = 0; n < std::min(category.take, category.patches.size()); ++n) {
            const CPatchSpec& spec = category.patches[n];
            std::vector<int> waves;
            if (category.drumKit) {
                for (const int w : kDrumWaves) {
                    waves.push_back(w + 1);
                }
            } else {
                waves.push_back(spec.wave + 1);
                if (spec.layer >= 0 && random.Below(2) == 1) {
                    waves.push_back(spec.layer + 1);
                }
            }
            patches.emplace_back(spec.name, std::move(waves));
        }
    }
    std::vector<bool> used(kWaves.size(), false);
    for (const auto& patch : patches) {
        for (const int w : patch.second) {
            used[static_cast<std::size_t>(w - 1)] = true;
        }
    }
    summary.unusedWaves = static_cast<int>(std::count(used.begin(), used.end(), false));
    const std::size_t gap = 3 + random.Below(static_cast<std::uint32_t>(patches.size() - 6));
    summary.emptyPatchSlot = static_cast<int>(gap + 1);
    for (std::size_t i = 0; i < patches.size(); ++i) {
        const int number = static_cast<int>(i < gap ? i + 1 : i + 2);
        CPatch patch;
        VarySound(patch, random);
        const std::vector<int>& waves = patches[i].second;
        for (std::size_t w = 0; w < waves.size(); ++w) {
            UseWave(patch, w, 0, waves[w]);
        }
        // A layered sound: the first wave on both references of the first oscillator.
        if (random.Below(3) == 0) {
            UseWave(patch, 0, 1, waves.front());
        }
        const std::string file = folder + "Patch/" + FormatSlotNumber(number) + patches[i].first + ".p00";
        if (!writer.WritePatch(file, patch, error)) {
            return false;
        }
        ++summary.patches;
    }
    writer.Commit();
    return true;
}

} // namespace Orvanta::Cli
