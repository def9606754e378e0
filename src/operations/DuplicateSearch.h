#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Orvanta {

class CTernData;

// The bytes of a file that count when contents are compared: from `begin` to the end, without
// [skipBegin, skipEnd). The whole file by default.
struct CByteRegion {
    std::int64_t begin = 0;
    std::int64_t skipBegin = 0;
    std::int64_t skipEnd = 0;
    auto operator<=>(const CByteRegion&) const = default;
};

// What duplicate detection needs to know of file contents; the storage layer answers from the
// files, reading each at most once and remembering what it read.
class CContentSource {
public:
    CContentSource() = default;
    CContentSource(const CContentSource&) = delete;
    CContentSource& operator=(const CContentSource&) = delete;
    virtual ~CContentSource() = default;

    // Size of the file in bytes, without reading it; -1 when there is no file.
    [[nodiscard]] virtual std::int64_t Size(const std::string& path) = 0;
    // A 64-bit hash of the region's bytes; nothing when the file cannot be read.
    [[nodiscard]] virtual std::optional<std::uint64_t> Hash(const std::string& path, const CByteRegion& region) = 0;
    // True when both files hold the same bytes in the region (asked only for equal sizes and hashes).
    [[nodiscard]] virtual bool SameBytes(const std::string& first, const std::string& second,
                                         const CByteRegion& region) = 0;
    // Told before Hash and SameBytes are asked about `paths`, files of one size, so that a source can
    // read each of them once for both; by default nothing.
    virtual void Prepare(const std::vector<std::string>& paths, const CByteRegion& region) {
        (void)paths;
        (void)region;
    }
    // Between these calls, which nest, one search is under way: a source may take what it saw of a
    // file (its size and time) at the first look as standing until the search ends. By default
    // nothing.
    virtual void BeginSearch() {}
    virtual void EndSearch() {}
};

// One search of `source` while this object lives.
class CContentSearch {
public:
    explicit CContentSearch(CContentSource& source) : m_source(source) { m_source.BeginSearch(); }
    ~CContentSearch() { m_source.EndSearch(); }
    CContentSearch(const CContentSearch&) = delete;
    CContentSearch& operator=(const CContentSearch&) = delete;

private:
    CContentSource& m_source;
};

// A used slot of one of the searched projects.
struct CSlotRef {
    std::size_t project = 0; // index into the searched projects
    std::size_t slot = 0;    // 0-based slot index
    bool operator==(const CSlotRef&) const = default;
    auto operator<=>(const CSlotRef&) const = default;
};

// Groups of two or more duplicates, members in project then slot order, groups in the order of their
// first members.
struct CDuplicateGroups {
    std::vector<std::vector<CSlotRef>> waves;
    std::vector<std::int64_t> waveBytes; // size of the files of each wave group
    std::vector<std::vector<CSlotRef>> patches;
};

// The region of a patch file that duplicate detection compares: everything after the container
// header except the oscillator blocks, which are compared as they stand in memory.
[[nodiscard]] CByteRegion PatchFileRegion();

// Finds the duplicate waves and patches of `projects`. Waves are duplicates when their files are
// byte-identical: sizes are compared first, then hashes, then bytes. Patches are duplicates when
// their files are byte-identical in PatchFileRegion, their oscillator values are equal apart from
// wave numbers, and their wave references name, one by one in order, the same or duplicate waves (or
// none). Files that cannot be read are never duplicates.
[[nodiscard]] CDuplicateGroups FindDuplicates(const std::vector<const CTernData*>& projects, CContentSource& content);

// The wave memory a group wastes: each project keeps one copy of the file and spends `bytes` on
// every further member in it.
[[nodiscard]] std::int64_t WastedWaveBytes(const std::vector<CSlotRef>& group, std::int64_t bytes);

// The wave slots of project `project` that each wave group has there, where it has two or more, in
// slot order.
[[nodiscard]] std::vector<std::vector<std::size_t>> WaveGroupsIn(const CDuplicateGroups& groups, std::size_t project);

// Merge Duplicate Waves: in each group (wave slots of `project`) the lowest slot stays, every patch
// reference to another member is pointed at it and the other members are emptied. The project is
// registered for undo (both lists) once before the first change, so one Undo restores everything.
// Returns the number of wave slots emptied; nothing changes when that is 0.
std::size_t MergeDuplicateWaves(CTernData& project, const std::vector<std::vector<std::size_t>>& groups);

} // namespace Orvanta
