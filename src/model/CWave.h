#pragma once

#include "model/CFileSystem.h"
#include "model/CParameter.h"

#include <cstdint>
#include <vector>

namespace Orvanta {

// A wave: its file and the patch slots (0-based) of the same project that reference it. While a
// clone travels through the transfer buffer it carries one extra trailing entry, the marker.
class CWave : public CParameter {
public:
    CWave();
    CWave(const CWave& other) = default;
    ~CWave() override = default;

    [[nodiscard]] std::unique_ptr<CParameter> Clone() const override;

    [[nodiscard]] bool HasUser(std::int32_t i) const;
    // Appends i when `force` is set or i is not yet listed.
    void AddUser(std::int32_t i, bool force);
    // Removes the first occurrence of i, keeping the order of the rest.
    void RemoveUser(std::int32_t i);
    void ClearUsers() { m_users.clear(); }
    // The stamp of the wave's source file as loading found it, while the source is still that file;
    // unknown (size -1) otherwise.
    [[nodiscard]] CFileStamp KnownStamp() const {
        return !m_path.empty() && m_knownPath == m_path ? m_knownStamp : CFileStamp{};
    }

    std::vector<std::int32_t> m_users;
    // The stamp (size and time) of the file m_knownPath as loading opened it; what the wave memory
    // counts while the wave's source is still that file, without looking at the file again. Empty
    // when unknown.
    std::string m_knownPath;
    CFileStamp m_knownStamp;
};

} // namespace Orvanta
