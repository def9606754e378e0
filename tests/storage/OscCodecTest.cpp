#include "storage/OscCodec.h"

#include "model/COsc.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace Orvanta {
namespace {

using Block = std::array<std::uint8_t, kPackedBlockSize>;
using Values = std::vector<std::uint8_t>;

Values DefaultValues() {
    return Values(COsc::kDefaultBlock.begin(), COsc::kDefaultBlock.end());
}

Block Pack(const Values& values) {
    Block block{};
    EXPECT_EQ(PackBlock(block, kBlockDescriptors, values), static_cast<int>(kBlockValueCount));
    return block;
}

Values Unpack(const Block& block) {
    Values values(kBlockValueCount, 0xCC);
    EXPECT_EQ(UnpackBlock(block, kBlockDescriptors, values), static_cast<int>(kBlockValueCount));
    return values;
}

std::uint32_t Field(const Block& block, std::size_t row) {
    const CBlockDescriptor& d = kBlockDescriptors[row];
    const auto width = static_cast<unsigned>(d.width < 0 ? -d.width : d.width);
    return ReadBlockField(block, d.byteOffset, d.bitShift, width);
}

// Packs the default values with value `row` replaced by `value` and returns the stored field.
std::uint32_t StoredFor(std::size_t row, std::uint8_t value) {
    Values values = DefaultValues();
    values[row] = value;
    return Field(Pack(values), row);
}

// Unpacks a zero block whose field of `row` holds `raw`.
std::uint8_t UnpackedFrom(std::size_t row, std::uint32_t raw) {
    Block block{};
    const CBlockDescriptor& d = kBlockDescriptors[row];
    WriteBlockField(block, d.byteOffset, d.bitShift, static_cast<unsigned>(d.width < 0 ? -d.width : d.width), raw);
    return Unpack(block)[row];
}

bool IsReservedBit(unsigned bit) {
    const unsigned byte = bit / 8;
    const unsigned inByte = bit % 8; // from the top
    return (byte == 30 && inByte >= 5) || (byte == 63 && inByte >= 1) || (byte == 76 && inByte == 7) || byte == 77;
}

TEST(OscCodecTest, FieldsCoverEveryBitExceptTheReservedOnesWithoutOverlap) {
    // Single-row fields and whole split fields; a mistyped row shows up as an overlap or a gap.
    std::vector<int> owner(kPackedBlockSize * 8, -1);
    unsigned pieceBits = 0;
    for (std::size_t row = 0; row < kBlockDescriptors.size(); ++row) {
        const CBlockDescriptor& d = kBlockDescriptors[row];
        ASSERT_LT(d.bitShift, 8U) << "row " << row;
        if (d.width < 0 && d.width > -8) {
            pieceBits += static_cast<unsigned>(-d.width);
            continue;
        }
        const unsigned width = static_cast<unsigned>(d.width < 0 ? -d.width : d.width);
        if (d.width < 0) {
            EXPECT_EQ(width - pieceBits, 4U) << "row " << row << ": split values keep 4 low bits in the closing byte";
        }
        pieceBits = 0;
        const unsigned first = d.byteOffset * 8U + d.bitShift;
        ASSERT_LE(first + width, kPackedBlockSize * 8) << "row " << row;
        for (unsigned bit = first; bit < first + width; ++bit) {
            EXPECT_EQ(owner[bit], -1) << "bit " << bit << " of row " << row << " overlaps row " << owner[bit];
            owner[bit] = static_cast<int>(row);
        }
    }
    for (unsigned bit = 0; bit < owner.size(); ++bit) {
        EXPECT_EQ(owner[bit] == -1, IsReservedBit(bit)) << "bit " << bit;
    }
}

TEST(OscCodecTest, PiecesLieInsideTheirClosingField) {
    const auto check = [](std::size_t firstPiece, std::size_t closingRow) {
        const CBlockDescriptor& closing = kBlockDescriptors[closingRow];
        const unsigned start = closing.byteOffset * 8U + closing.bitShift;
        unsigned expected = start;
        for (std::size_t row = firstPiece; row < closingRow; ++row) {
            const CBlockDescriptor& piece = kBlockDescriptors[row];
            EXPECT_EQ(piece.byteOffset * 8U + piece.bitShift, expected) << "row " << row;
            expected += static_cast<unsigned>(-piece.width);
        }
    };
    check(40, 43);
    check(44, 51);
    check(92, 95);
    check(96, 103);
}

TEST(OscCodecTest, RecentringShiftFollowsTheBias) {
    EXPECT_EQ(RecentringShift(kBlockDescriptors[8]), 32U);
    EXPECT_EQ(RecentringShift(kBlockDescriptors[19]), 48U);
    EXPECT_EQ(RecentringShift(kBlockDescriptors[9]), 0U);
    EXPECT_EQ(RecentringShift(kBlockDescriptors[0]), 0U);
}

TEST(OscCodecTest, BiasThirtyTwoRowUnpacksPacksAndFallsBack) {
    EXPECT_EQ(UnpackedFrom(8, 12), 44);
    EXPECT_EQ(UnpackedFrom(8, 32), 64);
    EXPECT_EQ(UnpackedFrom(8, 52), 84);
    EXPECT_EQ(StoredFor(8, 64), 32U);
    EXPECT_EQ(StoredFor(8, 30), 32U) << "below the shift: fallback";
    EXPECT_EQ(StoredFor(8, 90), 58U) << "above rawMax but fits 6 bits: stored unchanged";
    EXPECT_EQ(StoredFor(8, 100), 32U) << "68 does not fit 6 bits: fallback";
    EXPECT_EQ(StoredFor(21, 0), 42U) << "row 21 has its own fallback";
}

TEST(OscCodecTest, BiasSixteenAndSixtyFourRows) {
    EXPECT_EQ(UnpackedFrom(19, 16), 64);
    EXPECT_EQ(StoredFor(19, 64), 16U);
    EXPECT_EQ(StoredFor(19, 47), 16U) << "below the shift of 48: fallback";
    EXPECT_EQ(StoredFor(19, 79), 31U);
    EXPECT_EQ(StoredFor(19, 80), 16U) << "32 does not fit 5 bits";
    EXPECT_EQ(UnpackedFrom(9, 64), 64) << "bias 64: no shift";
    EXPECT_EQ(StoredFor(9, 64), 64U);
    EXPECT_EQ(StoredFor(9, 128), 64U) << "does not fit 7 bits: fallback";
    EXPECT_EQ(StoredFor(9, 0), 0U) << "below rawMin is still stored: the range is not enforced";
}

TEST(OscCodecTest, FieldsAreBigEndianBitStrings) {
    Block block{};
    block[0] = 0x03;
    block[1] = 0xF8;
    EXPECT_EQ(ReadBlockField(block, 0, 6, 7), 127U) << "row 3: low two bits of byte 0, top five of byte 1";
    Block written{};
    WriteBlockField(written, 0, 6, 7, 127);
    EXPECT_EQ(written[0], 0x03);
    EXPECT_EQ(written[1], 0xF8);
    EXPECT_EQ(StoredFor(3, 200), 127U) << "row 3 falls back to 127";
    Values values(kBlockValueCount, 0);
    values[3] = 0x55;
    const Block packed = Pack(values);
    EXPECT_EQ(packed[0] & 0x03, 0x02);
    EXPECT_EQ(packed[1] >> 3, 0x15);
}

TEST(OscCodecTest, WriteFieldKeepsTheOtherBits) {
    Block block;
    block.fill(0xFF);
    WriteBlockField(block, 28, 5, 16, 0);
    EXPECT_EQ(block[28], 0xF8);
    EXPECT_EQ(block[29], 0x00);
    EXPECT_EQ(block[30], 0x07);
    EXPECT_EQ(block[27], 0xFF);
    EXPECT_EQ(block[31], 0xFF);
}

TEST(OscCodecTest, WaveNumberIsSplitIntoFourDigits) {
    Block block{};
    WriteBlockField(block, 28, 5, 16, 999);
    WriteBlockField(block, 61, 1, 16, 512);
    const Values values = Unpack(block);
    EXPECT_EQ(Values(values.begin() + 40, values.begin() + 44), (Values{0, 3, 14, 7}));
    EXPECT_EQ(Values(values.begin() + 92, values.begin() + 96), (Values{0, 2, 0, 0}));

    Values toPack = DefaultValues();
    std::copy_n(Values{0, 3, 14, 7}.begin(), 4, toPack.begin() + 40);
    EXPECT_EQ(Field(Pack(toPack), 43), 999U);
    std::copy_n(Values{15, 15, 15, 15}.begin(), 4, toPack.begin() + 40);
    EXPECT_EQ(Field(Pack(toPack), 43), 65535U) << "above rawMax but fits 16 bits";
}

TEST(OscCodecTest, WaveDigitOfSixteenOrMoreFallsBackToOne) {
    for (std::size_t digit = 0; digit < 4; ++digit) {
        for (const std::uint8_t bad : {std::uint8_t{16}, std::uint8_t{255}}) {
            Values values = DefaultValues();
            std::copy_n(Values{0, 3, 14, 7}.begin(), 4, values.begin() + 40);
            values[40 + digit] = bad;
            std::copy_n(Values{0, 0, 1, 2}.begin(), 4, values.begin() + 92);
            values[92 + digit] = bad;
            const Block block = Pack(values);
            EXPECT_EQ(Field(block, 43), 1U) << "digit " << digit << " = " << int{bad};
            EXPECT_EQ(Field(block, 95), 1U) << "digit " << digit << " = " << int{bad};
        }
    }
}

TEST(OscCodecTest, ThirtyTwoBitSplitValueOverflowTurnsHigherBitsToOnes) {
    Values values(kBlockValueCount, 0);
    values[50] = 16; // the last piece: bits 4-7 of the field and all above become ones
    EXPECT_EQ(Field(Pack(values), 51), 0xFFFFFFF0U);
    values[50] = 0;
    values[51] = 16; // the closing byte: all 32 bits become ones
    EXPECT_EQ(Field(Pack(values), 51), 0xFFFFFFFFU);
    values[51] = 0;
    values[44] = 17; // the top piece
    values[45] = 5;
    EXPECT_EQ(Field(Pack(values), 51), 0xF5000000U);
    const Values in = {1, 2, 3, 4, 5, 6, 7, 8};
    std::copy(in.begin(), in.end(), values.begin() + 96);
    values[44] = 0;
    values[45] = 0;
    const Block block = Pack(values);
    EXPECT_EQ(Field(block, 103), 0x12345678U);
    const Values unpacked = Unpack(block);
    EXPECT_EQ(Values(unpacked.begin() + 96, unpacked.begin() + 104), in);
}

TEST(OscCodecTest, DefaultBlockSurvivesARoundTrip) {
    EXPECT_EQ(Unpack(Pack(DefaultValues())), DefaultValues());
}

TEST(OscCodecTest, ZeroBlockUnpacksToEachRowsShift) {
    const Values values = Unpack(Block{});
    EXPECT_EQ(values[8], 32);
    EXPECT_EQ(values[19], 48);
    EXPECT_EQ(values[9], 0);
    for (std::size_t row = 0; row < kBlockValueCount; ++row) {
        const CBlockDescriptor& d = kBlockDescriptors[row];
        EXPECT_EQ(values[row], d.width > 0 ? RecentringShift(d) : 0U) << "row " << row;
    }
}

TEST(OscCodecTest, ReservedBitsArePackedAsZeroAndIgnoredWhenUnpacking) {
    const Block packed = Pack(Values(kBlockValueCount, 0xFF));
    EXPECT_EQ(packed[30] & 0x07, 0);
    EXPECT_EQ(packed[63] & 0x7F, 0);
    EXPECT_EQ(packed[76] & 0x01, 0);
    EXPECT_EQ(packed[77], 0);

    Block noisy = Pack(DefaultValues());
    noisy[30] |= 0x07;
    noisy[63] |= 0x7F;
    noisy[76] |= 0x01;
    noisy[77] = 0xFF;
    EXPECT_EQ(Unpack(noisy), DefaultValues());
}

TEST(OscCodecTest, CountsFollowTheShorterOfTableAndValues) {
    Block block{};
    Values few(10, 0);
    EXPECT_EQ(UnpackBlock(block, kBlockDescriptors, few), 10);
    EXPECT_EQ(PackBlock(block, kBlockDescriptors, few), 10);
    Values many(200, 0);
    EXPECT_EQ(UnpackBlock(block, kBlockDescriptors, many), 121);
}

TEST(OscCodecTest, TheOneTableAndACopyOfItUnpackAndPackAlike) {
    // The one table is unpacked and packed through precomputed plans; any other table row by row.
    const std::vector<CBlockDescriptor> copy(kBlockDescriptors.begin(), kBlockDescriptors.end());
    for (unsigned seed = 1; seed <= 50; ++seed) {
        Block block;
        for (std::size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<std::uint8_t>((i * 131 + seed * 977) ^ (seed << (i % 5)));
        }
        Values fast(kBlockValueCount);
        Values general(kBlockValueCount);
        ASSERT_EQ(UnpackBlock(block, kBlockDescriptors, fast), 121);
        ASSERT_EQ(UnpackBlock(block, copy, general), 121);
        ASSERT_EQ(fast, general) << "seed " << seed;
        // Packed over the block itself, whose reserved bits stay; values that do not fit included.
        Values packedValues = fast;
        packedValues[seed % kBlockValueCount] = static_cast<std::uint8_t>(200 + seed);
        Block planned = block;
        Block rowByRow = block;
        ASSERT_EQ(PackBlock(planned, kBlockDescriptors, packedValues), 121);
        ASSERT_EQ(PackBlock(rowByRow, copy, packedValues), 121);
        ASSERT_EQ(planned, rowByRow) << "seed " << seed;
        Values few(50);
        ASSERT_EQ(UnpackBlock(block, kBlockDescriptors, few), 50);
        ASSERT_TRUE(std::equal(few.begin(), few.end(), general.begin()));
    }
}

TEST(OscCodecTest, SplitRemainderWiderThanSevenBitsIsRefused) {
    const std::array<CBlockDescriptor, 3> table = {{
        {0, 3, 0, 0, 0, 0, 7},
        {1, -4, 0, 0, 0, 0, 0},
        {1, -16, 0, 0, 1, 0, 999},
    }};
    Block block{};
    Values values(3, 0);
    EXPECT_EQ(UnpackBlock(block, table, values), -1);
}

} // namespace
} // namespace Orvanta
