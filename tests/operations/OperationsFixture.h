#pragma once

// Shared set-up of the operation tests: a scripted message reporter, wave sizes from a table instead
// of the disk, and helpers that fill projects in memory.

#include "ConsistencyChecker.h"
#include "ScriptedReporter.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/TransferOperations.h"
#include "storage/CNativeFileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Orvanta::TestSupport {

// Wave file sizes from a table: a path not in the table cannot be opened.
class FakeWaveSizes : public CNativeFileSystem {
public:
    std::int64_t FileSize(const std::string& path) override {
        const auto found = m_sizes.find(path);
        return found == m_sizes.end() ? -1 : found->second;
    }
    CFileStamp Stamp(const std::string& path) override { return CFileStamp{FileSize(path), -1}; }
    void SetSize(const std::string& path, std::int64_t size) { m_sizes[path] = size; }

private:
    std::map<std::string, std::int64_t> m_sizes;
};

// Source selector values of the two references of a block.
inline constexpr std::size_t kSelectorValue[2] = {18, 70};

// Makes reference r of block b a wave reference naming wave `number` (0 for none).
inline void SetWaveReference(CPatch& patch, std::size_t b, int r, int number) {
    patch.m_osc[b].m_values[kSelectorValue[r]] = 1;
    patch.m_osc[b].SetWaveNumber(r, number);
}

// Every reference's wave number, block 0 to 15, reference 0 then 1.
inline std::vector<int> WaveReferences(const CPatch& patch) {
    std::vector<int> numbers;
    for (const COsc& osc : patch.m_osc) {
        numbers.push_back(osc.GetWaveNumber(0));
        numbers.push_back(osc.GetWaveNumber(1));
    }
    return numbers;
}

// Users in ascending order.
inline std::vector<std::int32_t> SortedUsers(const CWave& wave) {
    std::vector<std::int32_t> users = wave.m_users;
    std::sort(users.begin(), users.end());
    return users;
}

// Rebuilds every wave's users from the patches' references, as loading does.
inline void RebuildUsers(CTernData& project) {
    for (std::size_t j = 0; j < project.m_waves.size(); ++j) {
        project.m_waves[j].ClearUsers();
    }
    for (std::size_t p = 0; p < project.m_patches.size(); ++p) {
        for (const COsc& osc : project.m_patches[p].m_osc) {
            for (int r = 0; r < 2; ++r) {
                const int w = osc.GetWaveNumber(r);
                if (IsWaveSlotNumber(w) && static_cast<std::size_t>(w) <= project.m_waves.size()) {
                    project.m_waves[static_cast<std::size_t>(w - 1)].AddUser(static_cast<std::int32_t>(p), false);
                }
            }
        }
    }
}

// Empties every slot of a project of 512 patches and 999 waves, as a new container has them.
inline void ResetProject(CTernData& project) {
    for (std::size_t p = 0; p < project.m_patches.size(); ++p) {
        CPatch& patch = project.m_patches[p];
        patch.Clear();
        for (COsc& osc : patch.m_osc) {
            osc.Init();
        }
    }
    for (std::size_t j = 0; j < project.m_waves.size(); ++j) {
        project.m_waves[j].Clear();
        project.m_waves[j].ClearUsers();
    }
}

// Everything a librarian operation may change in a project, for comparing states.
struct ProjectState {
    std::vector<std::string> patchPaths, patchNames, wavePaths, waveNames;
    std::vector<std::uint8_t> oscValues;
    std::vector<std::int32_t> waveUsers; // each wave's users in order, each list ended by -1
    bool operator==(const ProjectState&) const = default;
};

// Fills `state` from the project, reusing its buffers.
inline void CaptureState(const CTernData& project, ProjectState& state) {
    constexpr std::size_t kPatchBytes = CPatch::kOscCount * COsc::kValueCount;
    state.oscValues.resize(project.m_patches.size() * kPatchBytes);
    state.patchPaths.resize(project.m_patches.size());
    state.patchNames.resize(project.m_patches.size());
    std::uint8_t* values = state.oscValues.data();
    for (std::size_t p = 0; p < project.m_patches.size(); ++p) {
        const CPatch& patch = project.m_patches[p];
        state.patchPaths[p] = patch.m_path;
        state.patchNames[p] = patch.m_name;
        for (const COsc& osc : patch.m_osc) {
            std::memcpy(values, osc.m_values.data(), std::min(osc.m_values.size(), COsc::kValueCount));
            values += COsc::kValueCount;
        }
    }
    state.wavePaths.resize(project.m_waves.size());
    state.waveNames.resize(project.m_waves.size());
    state.waveUsers.clear();
    for (std::size_t j = 0; j < project.m_waves.size(); ++j) {
        const CWave& wave = project.m_waves[j];
        state.wavePaths[j] = wave.m_path;
        state.waveNames[j] = wave.m_name;
        state.waveUsers.insert(state.waveUsers.end(), wave.m_users.begin(), wave.m_users.end());
        state.waveUsers.push_back(-1);
    }
}

// True when the project is in the captured state; stops at the first difference.
inline bool IsInState(const CTernData& project, const ProjectState& state) {
    if (project.m_patches.size() != state.patchPaths.size() || project.m_waves.size() != state.wavePaths.size()) {
        return false;
    }
    const std::uint8_t* values = state.oscValues.data();
    for (std::size_t p = 0; p < project.m_patches.size(); ++p) {
        const CPatch& patch = project.m_patches[p];
        if (patch.m_path != state.patchPaths[p] || patch.m_name != state.patchNames[p]) {
            return false;
        }
        for (const COsc& osc : patch.m_osc) {
            if (osc.m_values.size() != COsc::kValueCount ||
                std::memcmp(values, osc.m_values.data(), COsc::kValueCount) != 0) {
                return false;
            }
            values += COsc::kValueCount;
        }
    }
    auto users = state.waveUsers.begin();
    for (std::size_t j = 0; j < project.m_waves.size(); ++j) {
        const CWave& wave = project.m_waves[j];
        if (wave.m_path != state.wavePaths[j] || wave.m_name != state.waveNames[j]) {
            return false;
        }
        for (const std::int32_t user : wave.m_users) {
            if (users == state.waveUsers.end() || *users++ != user) {
                return false;
            }
        }
        if (users == state.waveUsers.end() || *users++ != -1) {
            return false;
        }
    }
    return users == state.waveUsers.end();
}

inline ProjectState CaptureState(const CTernData& project) {
    ProjectState state;
    CaptureState(project, state);
    return state;
}

// Base fixture: a scripted reporter in slot 0, wave sizes from a table, a clean domain.
class OperationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_reporter = ScriptedReporter::Install();
        CDomain& domain = CDomain::Instance();
        domain.SetFileSystem(&m_sizes);
        domain.ClearUndo();
        domain.m_dropInserts = 0;
        domain.m_dropCopies = 0;
        EmptyTransfer();
    }

    void TearDown() override {
        CDomain& domain = CDomain::Instance();
        domain.ClearUndo();
        EmptyTransfer();
        domain.m_dropInserts = 0;
        domain.m_dropCopies = 0;
        domain.SetFileSystem(nullptr);
        ScriptedReporter::Uninstall();
    }

    // Fills patch slot `slot` of `project` (named by `folder`, e.g. "A") with a patch file path and a name.
    static CPatch& UsePatch(CTernData& project, const std::string& folder, std::size_t slot) {
        CPatch& patch = project.m_patches[slot];
        patch.m_path = "/" + folder + ".prj/Patch/" + std::to_string(slot + 1) + " P" + std::to_string(slot) + ".p00";
        patch.SetName(patch.m_path, true);
        return patch;
    }

    // Fills wave slot `slot` with a wave file of `size` bytes.
    CWave& UseWave(CTernData& project, const std::string& folder, std::size_t slot, std::int64_t size = 1000) {
        CWave& wave = project.m_waves[slot];
        wave.m_path = "/" + folder + ".prj/Wave/" + std::to_string(slot + 1) + " W" + std::to_string(slot) + ".w00";
        wave.SetName(wave.m_path, true);
        m_sizes.SetSize(wave.m_path, size);
        return wave;
    }

    static ::testing::AssertionResult Consistent(const CTernData& project) {
        return ConsistencyChecker::IsConsistent(project);
    }

    FakeWaveSizes m_sizes;
    std::shared_ptr<ScriptedReporter> m_reporter;
};

} // namespace Orvanta::TestSupport
