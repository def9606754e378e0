#include "storage/PatchFile.h"

#include "FaultyFileSystem.h"
#include "ProjectBuilder.h"
#include "StorageDomainGuard.h"
#include "TempFolder.h"
#include "model/CPatch.h"
#include "storage/CNativeFileSystem.h"

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

using TestSupport::FaultyFileSystem;
using TestSupport::ProjectBuilder;
using Bytes = std::vector<std::uint8_t>;

// A patch whose oscillators all differ from the defaults and from each other.
CPatch DistinctPatch() {
    CPatch patch;
    for (std::size_t osc = 0; osc < CPatch::kOscCount; ++osc) {
        std::vector<std::uint8_t>& values = patch.m_osc[osc].m_values;
        values[3] = static_cast<std::uint8_t>(osc * 7);
        values[8] = static_cast<std::uint8_t>(40 + osc);
        values[18] = 1;
        patch.m_osc[osc].SetWaveNumber(0, static_cast<int>(osc * 60 + 1));
    }
    return patch;
}

class PatchFileTest : public ::testing::Test {
protected:
    std::string Write(const Bytes& bytes) {
        const std::string path = m_folder / "001 Test.p00";
        ProjectBuilder::WriteBytes(path, bytes);
        return path;
    }

    TestSupport::TempFolder m_folder;
    TestSupport::StorageDomainGuard m_guard;
};

TEST_F(PatchFileTest, ExactRecordLoadsAndATrailingByteChangesNothing) {
    const CPatch original = DistinctPatch();
    CPatch exact;
    ASSERT_TRUE(ReadPatchFile(Write(ProjectBuilder::PatchFileBytes(original)), exact));
    CPatch longer;
    ASSERT_TRUE(ReadPatchFile(Write(ProjectBuilder::PatchFileBytes(original, 1)), longer));
    for (std::size_t osc = 0; osc < CPatch::kOscCount; ++osc) {
        EXPECT_EQ(exact.m_osc[osc].m_values, original.m_osc[osc].m_values) << "oscillator " << osc;
        EXPECT_EQ(longer.m_osc[osc].m_values, original.m_osc[osc].m_values) << "oscillator " << osc;
    }
}

TEST_F(PatchFileTest, ShortFileFails) {
    Bytes bytes = ProjectBuilder::PatchFileBytes();
    bytes.pop_back();
    CPatch patch;
    EXPECT_FALSE(ReadPatchFile(Write(bytes), patch));
    EXPECT_FALSE(ReadPatchFile(Write(Bytes()), patch));
}

TEST_F(PatchFileTest, EveryHeaderByteIsChecked) {
    for (std::size_t i = 0; i < kPatchHeaderSize; ++i) {
        Bytes bytes = ProjectBuilder::PatchFileBytes();
        bytes[i] ^= 0x01;
        CPatch patch;
        EXPECT_FALSE(ReadPatchFile(Write(bytes), patch)) << "header byte " << i;
    }
}

TEST_F(PatchFileTest, HeaderVariantsAreRejected) {
    Bytes bytes = ProjectBuilder::PatchFileBytes();
    bytes[1] = 0x1F;
    CPatch patch;
    EXPECT_FALSE(ReadPatchFile(Write(bytes), patch)) << "byte 1 is not 0x1E";
    bytes = ProjectBuilder::PatchFileBytes();
    std::copy_n("ZEPX", 4, bytes.begin() + 18);
    EXPECT_FALSE(ReadPatchFile(Write(bytes), patch)) << "another model code";
}

TEST_F(PatchFileTest, UninterpretedRegionDoesNotMatterForLoading) {
    const CPatch original = DistinctPatch();
    CPatch a;
    CPatch b;
    ASSERT_TRUE(ReadPatchFile(Write(ProjectBuilder::PatchFileBytes(original, 0, 0x00)), a));
    ASSERT_TRUE(ReadPatchFile(Write(ProjectBuilder::PatchFileBytes(original, 0, 0xFF)), b));
    for (std::size_t osc = 0; osc < CPatch::kOscCount; ++osc) {
        EXPECT_EQ(a.m_osc[osc].m_values, b.m_osc[osc].m_values);
    }
}

TEST_F(PatchFileTest, MissingFileOrFolderFails) {
    CPatch patch;
    EXPECT_FALSE(ReadPatchFile(m_folder / "nothing.p00", patch));
    EXPECT_FALSE(ReadPatchFile(m_folder.Path(), patch));
}

TEST_F(PatchFileTest, WriteChangesOnlyTheOscillatorBlocks) {
    const Bytes before = ProjectBuilder::PatchFileBytes(CPatch(), 3, 0x5A);
    const std::string path = Write(before);
    const CPatch patch = DistinctPatch();
    ASSERT_TRUE(WritePatchData(path, &patch));

    const Bytes after = ProjectBuilder::ReadBytes(path);
    ASSERT_EQ(after.size(), before.size()) << "no truncation, no growth";
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + kPatchBlocksOffset, after.begin()))
        << "bytes 0 to 261 untouched";
    EXPECT_TRUE(std::equal(before.begin() + kPatchRecordSize, before.end(), after.begin() + kPatchRecordSize))
        << "trailing bytes untouched";
    const Bytes expected = ProjectBuilder::PatchFileBytes(patch, 3, 0x5A);
    EXPECT_EQ(after, expected);

    CPatch reread;
    ASSERT_TRUE(ReadPatchFile(path, reread));
    for (std::size_t osc = 0; osc < CPatch::kOscCount; ++osc) {
        EXPECT_EQ(reread.m_osc[osc].m_values, patch.m_osc[osc].m_values);
    }
}

TEST_F(PatchFileTest, WriteWithoutPatchLeavesTheFileAlone) {
    const Bytes before = ProjectBuilder::PatchFileBytes(DistinctPatch());
    const std::string path = Write(before);
    EXPECT_TRUE(WritePatchData(path, nullptr));
    EXPECT_EQ(ProjectBuilder::ReadBytes(path), before);
}

TEST_F(PatchFileTest, WriteNeverCreatesAFile) {
    const CPatch patch;
    const std::string path = m_folder / "001 Missing.p00";
    EXPECT_FALSE(WritePatchData(path, &patch));
    EXPECT_FALSE(NativeFileSystem().Exists(path));
}

TEST_F(PatchFileTest, WriteFailsWhenOpeningSeekingOrWritingFails) {
    const Bytes before = ProjectBuilder::PatchFileBytes();
    const std::string path = Write(before);
    const CPatch patch = DistinctPatch();
    for (const unsigned op : {FaultyFileSystem::kOpenReadWrite, FaultyFileSystem::kSeek, FaultyFileSystem::kWrite}) {
        FaultyFileSystem faulty;
        TestSupport::StorageDomainGuard guard(&faulty);
        faulty.FailNthCall(op, 1);
        EXPECT_FALSE(WritePatchData(path, &patch)) << "op " << op;
        EXPECT_EQ(faulty.FaultsInjected(), 1);
        EXPECT_EQ(ProjectBuilder::ReadBytes(path), before) << "op " << op;
    }
}

TEST_F(PatchFileTest, ReadFailsWhenOpeningOrReadingFails) {
    const std::string path = Write(ProjectBuilder::PatchFileBytes());
    for (const unsigned op : {FaultyFileSystem::kOpenRead, FaultyFileSystem::kRead}) {
        FaultyFileSystem faulty;
        TestSupport::StorageDomainGuard guard(&faulty);
        faulty.FailNthCall(op, 1);
        CPatch patch;
        EXPECT_FALSE(ReadPatchFile(path, patch)) << "op " << op;
    }
}

// Hands out files that deliver at most 100 bytes per read, as pipes and network file systems may.
class TrickleFileSystem : public CNativeFileSystem {
public:
    class TrickleFile : public CFile {
    public:
        explicit TrickleFile(std::unique_ptr<CFile> inner) : m_inner(std::move(inner)) {}
        std::int64_t Read(std::span<std::uint8_t> buffer) override {
            return m_inner->Read(buffer.first(std::min<std::size_t>(buffer.size(), 100)));
        }
        bool Write(std::span<const std::uint8_t> data) override { return m_inner->Write(data); }
        bool Seek(std::int64_t offset) override { return m_inner->Seek(offset); }
        bool Close() override { return m_inner->Close(); }

    private:
        std::unique_ptr<CFile> m_inner;
    };

    std::unique_ptr<CFile> OpenRead(const std::string& path) override {
        std::unique_ptr<CFile> inner = CNativeFileSystem::OpenRead(path);
        return inner ? std::make_unique<TrickleFile>(std::move(inner)) : nullptr;
    }
};

TEST_F(PatchFileTest, ShortReadsStillDeliverTheWholeRecord) {
    const CPatch original = DistinctPatch();
    const std::string path = Write(ProjectBuilder::PatchFileBytes(original));
    TrickleFileSystem trickle;
    TestSupport::StorageDomainGuard guard(&trickle);
    CPatch patch;
    ASSERT_TRUE(ReadPatchFile(path, patch));
    EXPECT_EQ(patch.m_osc[15].m_values, original.m_osc[15].m_values);
}

TEST(CSvdManagerTest, BlockIGoesToOscillatorI) {
    const CPatch original = DistinctPatch();
    std::array<std::uint8_t, kPackedPatchSize> blocks{};
    EXPECT_TRUE(CSvdManager().PackPatch(original, blocks));
    for (std::size_t osc = 0; osc < CPatch::kOscCount; ++osc) {
        const auto block = std::span(blocks).subspan(osc * kPackedBlockSize).first<kPackedBlockSize>();
        EXPECT_EQ(ReadBlockField(block, 28, 5, 16), osc * 60 + 1) << "wave number of block " << osc;
    }
    CPatch unpacked;
    EXPECT_TRUE(CSvdManager().UnpackPatch(blocks, unpacked));
    for (std::size_t osc = 0; osc < CPatch::kOscCount; ++osc) {
        EXPECT_EQ(unpacked.m_osc[osc].m_values, original.m_osc[osc].m_values);
        EXPECT_EQ(unpacked.m_osc[osc].GetWaveNumber(0), static_cast<int>(osc * 60 + 1));
    }
}

TEST(CSvdManagerTest, OscillatorWithMissingValuesReportsIncomplete) {
    CPatch patch;
    patch.m_osc[4].m_values.resize(50);
    std::array<std::uint8_t, kPackedPatchSize> blocks{};
    EXPECT_FALSE(CSvdManager().PackPatch(patch, blocks));
    CPatch target;
    target.m_osc[4].m_values.clear();
    EXPECT_TRUE(CSvdManager().UnpackPatch(blocks, target)) << "unpacking restores the full vector";
    EXPECT_EQ(target.m_osc[4].m_values.size(), kBlockValueCount);
}

} // namespace
} // namespace Orvanta
