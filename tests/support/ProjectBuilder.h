#pragma once

#include "model/CPatch.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Orvanta::TestSupport {

// Builds a project folder on disk for tests: the folder, its "Patch" and "Wave" sub-folders, patch
// files with the container header and packed oscillator blocks, wave files and system files.
class ProjectBuilder {
public:
    struct Options {
        bool patchFolder = true;
        bool waveFolder = true;
    };

    // Creates `parent` + `name` (e.g. "Song.prj") with the sub-folders the options ask for.
    // `parent` ends in "/".
    ProjectBuilder(const std::string& parent, const std::string& name);
    ProjectBuilder(const std::string& parent, const std::string& name, Options options);

    // The project path, ending in "/".
    [[nodiscard]] const std::string& Path() const { return m_path; }

    // Writes "Patch/" + fileName as a valid patch file holding `patch`, with `trailing` extra bytes;
    // returns its full path.
    std::string AddPatch(const std::string& fileName, const CPatch& patch = CPatch(), std::size_t trailing = 0);
    // Writes "Patch/" + fileName with exactly these bytes.
    std::string AddPatchBytes(const std::string& fileName, const std::vector<std::uint8_t>& bytes);
    // Writes "Wave/" + fileName with `size` bytes of a pattern derived from the name.
    std::string AddWave(const std::string& fileName, std::size_t size = 64);
    // Writes the three system files.
    void AddSystemFiles();

    // The bytes of a valid patch file holding `patch`: the header template, 232 bytes of `filler`
    // (the region the librarian never interprets), the packed blocks and `trailing` bytes 0xEE.
    static std::vector<std::uint8_t> PatchFileBytes(const CPatch& patch = CPatch(), std::size_t trailing = 0,
                                                    std::uint8_t filler = 0xA5);
    // A patch whose oscillator 0 names wave `first` and oscillator 1 names wave `second` (0 for none).
    static CPatch PatchUsingWaves(int first, int second = 0);

    static void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
    static std::vector<std::uint8_t> ReadBytes(const std::string& path);

private:
    std::string m_path;
};

} // namespace Orvanta::TestSupport
