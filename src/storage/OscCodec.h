#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace Orvanta {

// The packed form of one oscillator: 78 bytes in which the 121 values of a COsc lie as bit fields.
//
// Bit addressing: the block is one big-endian bit string; bit 0 is the top bit of byte 0. A field
// of w bits at (byteOffset, bitShift) is the w bits that follow the first bitShift bits of byte
// byteOffset, most significant bit first, running on into the following bytes.
//
// Split values: a run of rows with widths -1 to -7 (pieces) closed by a row of width -8 or less
// describes one field of |closing width| bits at the closing row's position. In memory each row
// holds one byte: the pieces the field's successive top bits, the closing row the remaining low
// bits. The wave numbers (rows 40-43 and 92-95) are such 16-bit fields held as four 4-bit digits.
//
// Reserved bits (byte 30 bits 5-7, byte 63 bits 1-7, the lowest bit of byte 76, all of byte 77)
// belong to no row: packing leaves them zero and unpacking ignores them.
inline constexpr std::size_t kPackedBlockSize = 78;
inline constexpr std::size_t kBlockValueCount = 121;

// One row of the block descriptor table.
struct CBlockDescriptor {
    std::uint16_t byteOffset; // byte in which the field's first bit lies
    std::int8_t width;        // bits; negative for the rows of a split value
    std::uint8_t bitShift;    // bits of byteOffset before the field, from the top
    std::uint16_t bias;       // stored value meaning zero for a signed parameter, else 0
    std::uint16_t fallback;   // stored in place of a value that does not fit the field
    std::uint16_t rawMin;     // smallest meaningful stored value
    std::uint16_t rawMax;     // largest meaningful stored value
};

// The one descriptor table: row i describes value i of the COsc vector.
extern const std::array<CBlockDescriptor, kBlockValueCount> kBlockDescriptors;

// Amount added to a stored value to get the value in memory: a signed parameter stored around a
// bias below 64 is re-centred so that 64 means zero (32 for bias 32, 48 for bias 16); 0 otherwise.
unsigned RecentringShift(const CBlockDescriptor& row);

// Unpacks a block into values, one per table row, for min(table rows, values) rows. Returns the
// number of values produced, or -1 when a split value's low remainder is wider than 7 bits.
int UnpackBlock(std::span<const std::uint8_t, kPackedBlockSize> block, std::span<const CBlockDescriptor> table,
                std::span<std::uint8_t> values);

// Packs values into a block that the caller has filled with zeros, for min(table rows, values)
// rows. A value that does not fit its field is stored as the row's fallback; packing does not
// enforce rawMin and rawMax. Returns the number of values consumed.
int PackBlock(std::span<std::uint8_t, kPackedBlockSize> block, std::span<const CBlockDescriptor> table,
              std::span<const std::uint8_t> values);

// Reads and writes one field of up to 32 bits (see the bit addressing above).
std::uint32_t ReadBlockField(std::span<const std::uint8_t, kPackedBlockSize> block, unsigned byteOffset,
                             unsigned bitShift, unsigned width);
void WriteBlockField(std::span<std::uint8_t, kPackedBlockSize> block, unsigned byteOffset, unsigned bitShift,
                     unsigned width, std::uint32_t value);

} // namespace Orvanta
