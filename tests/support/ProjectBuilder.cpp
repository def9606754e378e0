#include "ProjectBuilder.h"

#include "TempFolder.h"

#include "model/Utf8.h"
#include "storage/CSvdManager.h"
#include "storage/PatchFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace Orvanta::TestSupport {

namespace fs = std::filesystem;

namespace {

void MakeFolder(const std::string& path) {
    std::error_code error;
    fs::create_directories(Utf8ToPath(path), error);
    if (error) {
        throw std::runtime_error("cannot create " + path);
    }
}

} // namespace

ProjectBuilder::ProjectBuilder(const std::string& parent, const std::string& name)
    : ProjectBuilder(parent, name, Options{}) {}

ProjectBuilder::ProjectBuilder(const std::string& parent, const std::string& name, Options options)
    : m_path(parent + name + "/") {
    MakeFolder(m_path);
    if (options.patchFolder) {
        MakeFolder(m_path + "Patch");
    }
    if (options.waveFolder) {
        MakeFolder(m_path + "Wave");
    }
}

std::string ProjectBuilder::AddPatch(const std::string& fileName, const CPatch& patch, std::size_t trailing) {
    return AddPatchBytes(fileName, PatchFileBytes(patch, trailing));
}

std::string ProjectBuilder::AddPatchBytes(const std::string& fileName, const std::vector<std::uint8_t>& bytes) {
    const std::string path = m_path + "Patch/" + fileName;
    WriteBytes(path, bytes);
    return path;
}

std::string ProjectBuilder::AddWave(const std::string& fileName, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    const std::size_t seed = std::hash<std::string>{}(fileName);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>((seed >> (i % 8 * 8)) + i);
    }
    const std::string path = m_path + "Wave/" + fileName;
    WriteBytes(path, bytes);
    return path;
}

void ProjectBuilder::AddSystemFiles() {
    for (const char* name : {"Orvanta System.s00", "Orvanta Palette.s00", "Orvanta Template.s00"}) {
        const std::string text = std::string("system file ") + name;
        WriteBytes(m_path + name, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
}

std::vector<std::uint8_t> ProjectBuilder::PatchFileBytes(const CPatch& patch, std::size_t trailing,
                                                         std::uint8_t filler) {
    // Filled in place rather than grown with resize(), for which GCC 12 at -O3 wrongly reports
    // -Warray-bounds.
    std::vector<std::uint8_t> bytes(kPatchRecordSize + trailing, 0);
    std::copy(kPatchHeaderTemplate.begin(), kPatchHeaderTemplate.end(), bytes.begin());
    std::fill(bytes.begin() + kPatchHeaderTemplate.size(), bytes.begin() + kPatchBlocksOffset, filler);
    std::fill(bytes.begin() + kPatchRecordSize, bytes.end(), std::uint8_t{0xEE});
    CSvdManager().PackPatch(patch, std::span(bytes).subspan(kPatchBlocksOffset).first<kPackedPatchSize>());
    return bytes;
}

CPatch ProjectBuilder::PatchUsingWaves(int first, int second) {
    CPatch patch;
    const int numbers[] = {first, second};
    for (std::size_t osc = 0; osc < 2; ++osc) {
        if (numbers[osc] != 0) {
            // Value 18 is the source selector of the first reference; 1 names a wave of the project.
            patch.m_osc[osc].m_values[18] = 1;
            patch.m_osc[osc].SetWaveNumber(0, numbers[osc]);
        }
    }
    return patch;
}

void ProjectBuilder::WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(Utf8ToPath(path), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::vector<std::uint8_t> ProjectBuilder::ReadBytes(const std::string& path) {
    std::ifstream file(Utf8ToPath(path), std::ios::binary);
    std::vector<std::uint8_t> bytes;
    char chunk[4096];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + file.gcount());
    }
    return bytes;
}

} // namespace Orvanta::TestSupport
