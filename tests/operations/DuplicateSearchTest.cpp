#include "OperationsFixture.h"

#include "operations/DuplicateSearch.h"
#include "operations/EditCommands.h"

#include <set>

namespace Orvanta::TestSupport {
namespace {

// File contents from a table. The hash is a sum of the region's bytes weighted by position, or 0 for every file with
// `tinyHash`, so that only the byte comparison tells contents apart.
class TableContent : public CContentSource {
public:
    std::int64_t Size(const std::string& path) override {
        const auto found = m_files.find(path);
        return found == m_files.end() ? -1 : static_cast<std::int64_t>(found->second.size());
    }
    std::optional<std::uint64_t> Hash(const std::string& path, const CByteRegion& region) override {
        ++m_hashes;
        if (m_unreadable.count(path) != 0 || m_files.count(path) == 0) {
            return std::nullopt;
        }
        const std::vector<std::uint8_t> bytes = Region(path, region);
        std::uint64_t hash = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            hash += (i + 1) * bytes[i];
        }
        return m_tinyHash ? 0 : hash;
    }
    bool SameBytes(const std::string& first, const std::string& second, const CByteRegion& region) override {
        ++m_comparisons;
        return Region(first, region) == Region(second, region);
    }
    void Prepare(const std::vector<std::string>& paths, const CByteRegion& region) override {
        (void)region;
        m_prepared.push_back(std::set<std::string>(paths.begin(), paths.end()));
    }

    std::vector<std::uint8_t> Region(const std::string& path, const CByteRegion& region) const {
        const std::vector<std::uint8_t>& all = m_files.at(path);
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = static_cast<std::size_t>(region.begin); i < all.size(); ++i) {
            const auto at = static_cast<std::int64_t>(i);
            if (region.skipEnd <= region.skipBegin || at < region.skipBegin || at >= region.skipEnd) {
                bytes.push_back(all[i]);
            }
        }
        return bytes;
    }

    std::map<std::string, std::vector<std::uint8_t>> m_files;
    std::set<std::string> m_unreadable;
    bool m_tinyHash = false;
    int m_hashes = 0;
    int m_comparisons = 0;
    std::vector<std::set<std::string>> m_prepared; // the paths of each Prepare
};

class DuplicateSearchTest : public OperationsTest {
protected:
    // Wave slot `slot` of `project` with a file of these bytes.
    void Wave(CTernData& project, const std::string& folder, std::size_t slot, std::vector<std::uint8_t> bytes) {
        m_content.m_files[UseWave(project, folder, slot).m_path] = std::move(bytes);
    }
    // Patch slot `slot` whose oscillators 0 and 1 name waves `first` and `second`, in a file whose
    // uninterpreted region holds `filler`.
    void Patch(CTernData& project, const std::string& folder, std::size_t slot, int first, int second,
               std::uint8_t filler = 1) {
        CPatch& patch = UsePatch(project, folder, slot);
        SetWaveReference(patch, 0, 0, first);
        SetWaveReference(patch, 1, 0, second);
        std::vector<std::uint8_t> bytes(1510, 0);
        std::fill(bytes.begin() + 30, bytes.begin() + 262, filler);
        // The blocks in the file differ with the wave numbers; only memory counts there.
        bytes[300] = static_cast<std::uint8_t>(first);
        m_content.m_files[patch.m_path] = std::move(bytes);
    }

    TableContent m_content;
    CTernData m_a;
    CTernData m_b;
};

using Bytes = std::vector<std::uint8_t>;
using Group = std::vector<CSlotRef>;

TEST_F(DuplicateSearchTest, WavesOfEqualSizeAreDuplicatesOnlyWhenEveryByteIsEqual) {
    for (const bool tinyHash : {false, true}) {
        m_content.m_files.clear();
        m_content.m_unreadable.clear();
        m_content.m_hashes = 0;
        m_content.m_comparisons = 0;
        m_content.m_prepared.clear();
        m_content.m_tinyHash = tinyHash;
        Wave(m_a, "A", 0, {1, 2, 3});
        Wave(m_a, "A", 4, {3, 2, 1}); // same size, different bytes
        Wave(m_a, "A", 5, {1, 2, 3});
        Wave(m_a, "A", 6, {1, 2, 3, 0}); // one byte longer
        Wave(m_b, "B", 2, {3, 2, 1});
        Wave(m_b, "B", 1, {1, 2, 3});
        Wave(m_b, "B", 3, {1, 2, 3});
        Wave(m_b, "B", 7, {9});
        m_content.m_unreadable.insert(m_b.m_waves[3].m_path);
        Wave(m_b, "B", 9, {9, 9});

        const CDuplicateGroups groups = FindDuplicates({&m_a, &m_b}, m_content);

        EXPECT_EQ(groups.waves, (std::vector<Group>{{{0, 0}, {0, 5}, {1, 1}}, {{0, 4}, {1, 2}}})) << tinyHash;
        EXPECT_EQ(groups.waveBytes, (std::vector<std::int64_t>{3, 3}));
        EXPECT_EQ(WastedWaveBytes(groups.waves[0], 3), 3);
        EXPECT_EQ(WastedWaveBytes(groups.waves[1], 3), 0);
        EXPECT_EQ(WaveGroupsIn(groups, 0), (std::vector<std::vector<std::size_t>>{{0, 5}}));
        EXPECT_TRUE(WaveGroupsIn(groups, 1).empty());
        // Sizes first: the files of sizes 1, 2 and 4 are never hashed, and the source is told of the
        // six files of size 3 together before it is asked about them.
        EXPECT_EQ(m_content.m_hashes, 6);
        ASSERT_EQ(m_content.m_prepared.size(), 1U);
        EXPECT_EQ(m_content.m_prepared[0].size(), 6U);
        EXPECT_EQ(m_content.m_prepared[0].count(m_b.m_waves[3].m_path), 1U);
        // Bytes are compared only for equal hashes, with one member of each class found so far.
        EXPECT_EQ(m_content.m_comparisons, tinyHash ? 5 : 3);
    }
}

TEST_F(DuplicateSearchTest, PatchesAreDuplicatesWhenTheirFilesAndTheWavesTheyUseInOrderAreDuplicates) {
    Wave(m_a, "A", 0, {1, 1});
    Wave(m_a, "A", 1, {2, 2});
    Wave(m_a, "A", 2, {1, 1}); // a duplicate of wave 1
    Wave(m_b, "B", 8, {2, 2}); // a duplicate of A's wave 2
    Wave(m_b, "B", 9, {1, 1}); // a duplicate of A's waves 1 and 3
    Patch(m_a, "A", 0, 1, 2);
    Patch(m_a, "A", 1, 3, 2);    // wave 3 is a duplicate of wave 1: a duplicate of patch 1
    Patch(m_a, "A", 2, 2, 1);    // the same waves in another order
    Patch(m_a, "A", 3, 1, 2, 7); // another uninterpreted region
    Patch(m_a, "A", 4, 1, 2);
    m_a.m_patches[4].m_osc[5].m_values[3] ^= 1; // another oscillator value
    Patch(m_a, "A", 5, 1, 0);
    Patch(m_a, "A", 6, 1, 4); // wave 4 is empty: a reference to no wave
    Patch(m_b, "B", 3, 10, 9);
    Patch(m_b, "B", 4, 9, 10); // same as A's patch 3 (2, 1)
    Patch(m_b, "B", 5, 10, 0); // same as A's patch 6 (1, nothing)

    const CDuplicateGroups groups = FindDuplicates({&m_a, &m_b}, m_content);

    EXPECT_EQ(groups.patches,
              (std::vector<Group>{{{0, 0}, {0, 1}, {1, 3}}, {{0, 2}, {1, 4}}, {{0, 5}, {0, 6}, {1, 5}}}));
}

TEST_F(DuplicateSearchTest, MergeKeepsTheLowestSlotRepointsEveryUserAndOneUndoRestoresAll) {
    for (const std::size_t slot : {2U, 4U, 6U, 9U}) {
        Wave(m_a, "A", slot, {5, 5, 5});
    }
    Wave(m_a, "A", 3, {6});
    Wave(m_a, "A", 7, {6});
    Patch(m_a, "A", 0, 5, 7);  // two members of the first group
    Patch(m_a, "A", 1, 3, 10); // the kept one and another member
    Patch(m_a, "A", 2, 8, 4);  // a member of each group
    SetWaveReference(m_a.m_patches[2], 9, 1, 7);
    Patch(m_a, "A", 3, 4, 0); // only the kept wave of the second group
    RebuildUsers(m_a);
    CTernData earlier;
    CDomain::Instance().SaveUndo(kUndoBoth, &earlier);
    const ProjectState before = CaptureState(m_a);

    const CDuplicateGroups groups = FindDuplicates({&m_a}, m_content);
    ASSERT_EQ(WaveGroupsIn(groups, 0), (std::vector<std::vector<std::size_t>>{{2, 4, 6, 9}, {3, 7}}));
    EXPECT_EQ(MergeDuplicateWaves(m_a, WaveGroupsIn(groups, 0)), 4U);

    // Oscillator 0 and 1, first reference, and oscillator 9, second reference.
    const auto refs = [&](std::size_t p) {
        const std::vector<int> all = WaveReferences(m_a.m_patches[p]);
        return std::vector<int>{all[0], all[2], all[19]};
    };
    EXPECT_EQ(refs(0), (std::vector<int>{3, 3, 0}));
    EXPECT_EQ(refs(1), (std::vector<int>{3, 3, 0}));
    EXPECT_EQ(refs(2), (std::vector<int>{4, 4, 3}));
    EXPECT_EQ(refs(3), (std::vector<int>{4, 0, 0}));
    for (const std::size_t slot : {4U, 6U, 9U, 7U}) {
        EXPECT_TRUE(m_a.m_waves[slot].IsEmpty()) << slot;
    }
    EXPECT_EQ(SortedUsers(m_a.m_waves[2]), (std::vector<std::int32_t>{0, 1, 2}));
    EXPECT_EQ(SortedUsers(m_a.m_waves[3]), (std::vector<std::int32_t>{2, 3}));
    EXPECT_TRUE(Consistent(m_a));
    EXPECT_EQ(CDomain::Instance().UndoSlot(0).project, &m_a);
    EXPECT_EQ(CDomain::Instance().UndoSlot(1).project, nullptr);
    EXPECT_TRUE(FindDuplicates({&m_a}, m_content).waves.empty());

    const ProjectState merged = CaptureState(m_a);
    EXPECT_EQ(UndoLastChange(), (std::vector<CTernData*>{&m_a}));
    EXPECT_EQ(CaptureState(m_a), before);
    UndoLastChange();
    EXPECT_EQ(CaptureState(m_a), merged);

    // Nothing to merge: nothing changes, the undo state included.
    CDomain::Instance().ClearUndo();
    EXPECT_EQ(MergeDuplicateWaves(m_a, WaveGroupsIn(FindDuplicates({&m_a}, m_content), 0)), 0U);
    EXPECT_EQ(MergeDuplicateWaves(m_a, {{2, 4}, {0, 3}, {998, 5000}}), 0U); // members already empty
    EXPECT_EQ(CaptureState(m_a), merged);
    EXPECT_FALSE(CDomain::Instance().HasUndo());
}

} // namespace
} // namespace Orvanta::TestSupport
