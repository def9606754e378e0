#pragma once

#include "model/CParameterArray.h"

#include <string>
#include <vector>

namespace Orvanta {

// List selector: 0 = patches, 1 = waves.
inline constexpr int kPatchList = 0;
inline constexpr int kWaveList = 1;
inline constexpr std::size_t kPatchSlots = 512;
inline constexpr std::size_t kWaveSlots = 999;

// One project in memory: 512 patch slots, 999 wave slots, the slot file lists that project storage
// keeps beside them, and the project folder.
class CTernData {
public:
    CTernData();
    CTernData(const CTernData&) = delete;
    CTernData& operator=(const CTernData&) = delete;
    // Clears the domain's undo state first when this project is registered there.
    virtual ~CTernData();

    // The list chosen by `which` (0 = patches, any other value = waves).
    [[nodiscard]] CParameterArray& List(int which);
    [[nodiscard]] const CParameterArray& List(int which) const;

    // 512 for patches, 999 for waves, 0 for any other selector.
    [[nodiscard]] static std::size_t Capacity(int which);
    [[nodiscard]] bool IsValidRange(int which, std::size_t start, std::size_t count) const;
    [[nodiscard]] std::size_t CountEmpty(int which) const;
    [[nodiscard]] bool AnyUsedInRange(int which, std::size_t start, std::size_t count) const;
    [[nodiscard]] bool AnyUsedInTail(int which, std::size_t count) const;
    // Index of the last used slot plus 1; 0 when every slot is empty.
    [[nodiscard]] std::size_t UsedExtent(int which) const;
    [[nodiscard]] std::vector<std::size_t> EmptySlots(int which) const;

    // Stores `path` as the project path, even when it is not a project folder, and answers whether
    // it is one (IsProjectPath).
    bool SetProjectPath(const std::string& path);
    // True when the path, taken from its last "." to the end and with A-Z lower-cased, is ".prj/".
    [[nodiscard]] static bool IsProjectPath(const std::string& path);

    CPatchArray m_patches;
    CWaveArray m_waves;
    std::vector<std::string> m_patchFiles;
    std::vector<std::string> m_waveFiles;
    std::string m_projectPath;
};

} // namespace Orvanta
