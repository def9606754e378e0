// Seeded randomized checks of the oscillator codec and of reading patch files from arbitrary bytes.
// The seed is fixed so that every run checks the same cases; ORVANTA_RANDOM_SEED picks another.

#include "ProjectBuilder.h"
#include "StorageDomainGuard.h"
#include "TempFolder.h"
#include "model/CPatch.h"
#include "storage/OscCodec.h"
#include "storage/PatchFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace Orvanta {
namespace {

using TestSupport::ProjectBuilder;
using Block = std::array<std::uint8_t, kPackedBlockSize>;
using Bytes = std::vector<std::uint8_t>;

std::uint32_t Seed() {
    const char* text = std::getenv("ORVANTA_RANDOM_SEED");
    return text != nullptr ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10)) : 20240917U;
}

// The block with its reserved bits (those of no row) cleared.
Block WithoutReservedBits(Block block) {
    block[30] &= 0xF8;
    block[63] &= 0x80;
    block[76] &= 0xFE;
    block[77] = 0;
    return block;
}

Block RandomBlock(std::mt19937& random) {
    Block block;
    for (std::uint8_t& byte : block) {
        byte = static_cast<std::uint8_t>(random());
    }
    return block;
}

TEST(RandomizedCodecTest, EveryBlockPacksBackToItsOwnBits) {
    std::mt19937 random(Seed());
    SCOPED_TRACE("seed " + std::to_string(Seed()));
    for (int round = 0; round < 2000; ++round) {
        const Block block = RandomBlock(random);
        std::vector<std::uint8_t> values(kBlockValueCount);
        ASSERT_EQ(UnpackBlock(block, kBlockDescriptors, values), 121);
        Block packed{};
        ASSERT_EQ(PackBlock(packed, kBlockDescriptors, values), 121);
        ASSERT_EQ(packed, WithoutReservedBits(block)) << "round " << round;
    }
}

TEST(RandomizedCodecTest, ArbitraryValuesSettleAfterOnePack) {
    std::mt19937 random(Seed() + 1);
    SCOPED_TRACE("seed " + std::to_string(Seed()));
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> values(kBlockValueCount);
        for (std::uint8_t& value : values) {
            // Mostly small numbers, where fitting and not fitting both occur often.
            value = static_cast<std::uint8_t>(random() % 4 == 0 ? random() : random() % 24);
        }
        Block once{};
        PackBlock(once, kBlockDescriptors, values);
        std::vector<std::uint8_t> unpacked(kBlockValueCount);
        ASSERT_EQ(UnpackBlock(once, kBlockDescriptors, unpacked), 121);
        for (std::size_t row = 0; row < kBlockValueCount; ++row) {
            const CBlockDescriptor& d = kBlockDescriptors[row];
            if (d.width > 0) {
                const unsigned shift = RecentringShift(d);
                const bool fits = values[row] >= shift && values[row] - shift < (1U << d.width);
                const unsigned expected = fits ? values[row] : d.fallback + shift;
                ASSERT_EQ(unpacked[row], expected) << "round " << round << " row " << row;
            }
        }
        Block twice{};
        PackBlock(twice, kBlockDescriptors, unpacked);
        ASSERT_EQ(twice, once) << "round " << round;
    }
}

TEST(RandomizedCodecTest, ReadPatchFileOnArbitraryBytes) {
    TestSupport::TempFolder folder;
    TestSupport::StorageDomainGuard guard;
    std::mt19937 random(Seed() + 2);
    SCOPED_TRACE("seed " + std::to_string(Seed()));
    const std::string path = folder / "001 Fuzz.p00";
    for (int round = 0; round < 300; ++round) {
        Bytes bytes(random() % 2 == 0 ? kPatchRecordSize + random() % 64 : random() % 2000);
        for (std::uint8_t& byte : bytes) {
            byte = static_cast<std::uint8_t>(random());
        }
        if (random() % 4 != 0) {
            std::copy_n(kPatchHeaderTemplate.begin(), std::min(bytes.size(), kPatchHeaderSize), bytes.begin());
            if (random() % 4 == 0 && !bytes.empty()) {
                bytes[random() % std::min(bytes.size(), kPatchHeaderSize)] ^=
                    static_cast<std::uint8_t>(1 + random() % 255);
            }
        }
        ProjectBuilder::WriteBytes(path, bytes);
        const bool valid = bytes.size() >= kPatchRecordSize &&
                           std::equal(kPatchHeaderTemplate.begin(), kPatchHeaderTemplate.end(), bytes.begin());
        CPatch patch;
        ASSERT_EQ(ReadPatchFile(path, patch), valid) << "round " << round << ", " << bytes.size() << " bytes";
        ASSERT_EQ(ProjectBuilder::ReadBytes(path), bytes) << "reading changed the file";
        if (valid) {
            for (std::size_t osc = 0; osc < CPatch::kOscCount; ++osc) {
                Block block;
                std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(kPatchBlocksOffset + osc * kPackedBlockSize),
                            kPackedBlockSize, block.begin());
                std::vector<std::uint8_t> expected(kBlockValueCount);
                UnpackBlock(block, kBlockDescriptors, expected);
                ASSERT_EQ(patch.m_osc[osc].m_values, expected) << "round " << round << " oscillator " << osc;
                for (int r = 0; r < 2; ++r) {
                    const int number = patch.m_osc[osc].GetWaveNumber(r);
                    ASSERT_TRUE(number >= 0 && number <= 65535);
                }
            }
            const std::vector<int> used = patch.UsedWaves();
            ASSERT_TRUE(std::all_of(used.begin(), used.end(), [](int n) { return n == 0 || IsWaveSlotNumber(n); }));
        }
    }
}

} // namespace
} // namespace Orvanta
