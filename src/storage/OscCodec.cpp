#include "storage/OscCodec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace Orvanta {

// clang-format off
// byteOffset, width, bitShift, bias, fallback, rawMin, rawMax; one row per value, in vector order.
const std::array<CBlockDescriptor, kBlockValueCount> kBlockDescriptors = {{
    {  0,   2, 0,  0,   0,  0,   2}, // 0
    {  0,   1, 2,  0,   0,  0,   1}, // 1
    {  0,   3, 3,  0,   0,  0,   4}, // 2
    {  0,   7, 6,  0, 127,  0, 127}, // 3
    {  1,   7, 5,  0,   0,  0, 127}, // 4
    {  2,   7, 4,  0,   0,  0, 127}, // 5
    {  3,   1, 3,  0,   0,  0,   1}, // 6
    {  3,   7, 4,  0, 127,  0, 127}, // 7
    {  4,   6, 3, 32,  32, 12,  52}, // 8
    {  5,   7, 1, 64,  64,  1, 127}, // 9
    {  6,   7, 0,  0,  64,  0, 127}, // 10
    {  6,   6, 7, 32,  32, 12,  52}, // 11
    {  7,   7, 5, 64,  64,  1, 127}, // 12
    {  8,   7, 4,  0, 127,  0, 127}, // 13
    {  9,   7, 3,  0,   0,  0, 127}, // 14
    { 10,   7, 2,  0,   0,  0, 127}, // 15
    { 11,   2, 1,  0,   0,  0,   2}, // 16
    { 11,   1, 3,  0,   0,  0,   1}, // 17
    { 11,   2, 4,  0,   0,  0,   2}, // 18
    { 11,   5, 6, 16,  16,  4,  28}, // 19
    { 12,   7, 3, 64,  64,  1, 127}, // 20
    { 13,   6, 2, 32,  42, 12,  52}, // 21
    { 14,   7, 0, 64,  64,  1, 127}, // 22
    { 14,   7, 7, 64,  64,  1, 127}, // 23
    { 15,   7, 6, 64,  64, 16, 112}, // 24
    { 16,   7, 5, 64,  64, 14, 114}, // 25
    { 17,   5, 4,  0,   0,  0,  30}, // 26
    { 18,   7, 1,  0, 127,  0, 127}, // 27
    { 19,   6, 0, 32,  32, 12,  52}, // 28
    { 19,   7, 6, 64,  64,  1, 127}, // 29
    { 20,   4, 5,  0,   0,  0,  10}, // 30
    { 21,   6, 1,  0,  10,  0,  40}, // 31
    { 21,   7, 7, 64,  64,  1, 127}, // 32
    { 22,   6, 6, 32,  32, 12,  52}, // 33
    { 23,   7, 4, 64,  64,  1, 127}, // 34
    { 24,   7, 3, 64,  64,  1, 127}, // 35
    { 25,   7, 2,  0,   0,  0, 127}, // 36
    { 26,   6, 1, 32,  32, 12,  52}, // 37
    { 26,   7, 7, 64,  64,  1, 127}, // 38
    { 27,   7, 6, 64,  64,  1, 127}, // 39
    { 28,  -4, 5,  0,   0,  0,   0}, // 40
    { 29,  -4, 1,  0,   0,  0,   0}, // 41
    { 29,  -4, 5,  0,   0,  0,   0}, // 42
    { 28, -16, 5,  0,   1,  0, 999}, // 43
    { 31,  -4, 0,  0,   0,  0,   0}, // 44
    { 31,  -4, 4,  0,   0,  0,   0}, // 45
    { 32,  -4, 0,  0,   0,  0,   0}, // 46
    { 32,  -4, 4,  0,   0,  0,   0}, // 47
    { 33,  -4, 0,  0,   0,  0,   0}, // 48
    { 33,  -4, 4,  0,   0,  0,   0}, // 49
    { 34,  -4, 0,  0,   0,  0,   0}, // 50
    { 31, -32, 0,  0,   0,  0,   0}, // 51
    { 35,   7, 0, 64,  64,  1, 127}, // 52
    { 35,   6, 7, 32,  32, 12,  52}, // 53
    { 36,   7, 5, 64,  64,  1, 127}, // 54
    { 37,   7, 4, 64,  64,  1, 127}, // 55
    { 38,   2, 3,  0,   2,  0,   2}, // 56
    { 38,   7, 5, 64,  64,  1, 127}, // 57
    { 39,   6, 4, 32,  32, 12,  52}, // 58
    { 40,   7, 2, 64,  64,  1, 127}, // 59
    { 41,   7, 1, 64,  64,  1, 127}, // 60
    { 42,   1, 0,  0,   0,  0,   1}, // 61
    { 42,   1, 1,  0,   0,  0,   1}, // 62
    { 42,   2, 2,  0,   0,  0,   3}, // 63
    { 42,   1, 4,  0,   0,  0,   1}, // 64
    { 42,   1, 5,  0,   1,  0,   1}, // 65
    { 42,   7, 6,  0,   1,  0, 127}, // 66
    { 43,   1, 5,  0,   1,  0,   1}, // 67
    { 43,   1, 6,  0,   1,  0,   1}, // 68
    { 43,   1, 7,  0,   0,  0,   1}, // 69
    { 44,   2, 0,  0,   0,  0,   2}, // 70
    { 44,   5, 2, 16,  16,  4,  28}, // 71
    { 44,   7, 7, 64,  64,  1, 127}, // 72
    { 45,   6, 6, 32,  42, 12,  52}, // 73
    { 46,   7, 4, 64,  64,  1, 127}, // 74
    { 47,   7, 3, 64,  64,  1, 127}, // 75
    { 48,   7, 2, 64,  64, 16, 112}, // 76
    { 49,   7, 1, 64,  64, 14, 114}, // 77
    { 50,   5, 0,  0,   0,  0,  30}, // 78
    { 50,   7, 5,  0, 127,  0, 127}, // 79
    { 51,   6, 4, 32,  32, 12,  52}, // 80
    { 52,   7, 2, 64,  64,  1, 127}, // 81
    { 53,   4, 1,  0,   0,  0,  10}, // 82
    { 53,   6, 5,  0,  10,  0,  40}, // 83
    { 54,   7, 3, 64,  64,  1, 127}, // 84
    { 55,   6, 2, 32,  32, 12,  52}, // 85
    { 56,   7, 0, 64,  64,  1, 127}, // 86
    { 56,   7, 7, 64,  64,  1, 127}, // 87
    { 57,   7, 6,  0,   0,  0, 127}, // 88
    { 58,   6, 5, 32,  32, 12,  52}, // 89
    { 59,   7, 3, 64,  64,  1, 127}, // 90
    { 60,   7, 2, 64,  64,  1, 127}, // 91
    { 61,  -4, 1,  0,   0,  0,   0}, // 92
    { 61,  -4, 5,  0,   0,  0,   0}, // 93
    { 62,  -4, 1,  0,   0,  0,   0}, // 94
    { 61, -16, 1,  0,   1,  0, 999}, // 95
    { 64,  -4, 0,  0,   0,  0,   0}, // 96
    { 64,  -4, 4,  0,   0,  0,   0}, // 97
    { 65,  -4, 0,  0,   0,  0,   0}, // 98
    { 65,  -4, 4,  0,   0,  0,   0}, // 99
    { 66,  -4, 0,  0,   0,  0,   0}, // 100
    { 66,  -4, 4,  0,   0,  0,   0}, // 101
    { 67,  -4, 0,  0,   0,  0,   0}, // 102
    { 64, -32, 0,  0,   0,  0,   0}, // 103
    { 68,   7, 0, 64,  64,  1, 127}, // 104
    { 68,   6, 7, 32,  32, 12,  52}, // 105
    { 69,   7, 5, 64,  64,  1, 127}, // 106
    { 70,   7, 4, 64,  64,  1, 127}, // 107
    { 71,   2, 3,  0,   2,  0,   2}, // 108
    { 71,   7, 5, 64,  64,  1, 127}, // 109
    { 72,   6, 4, 32,  32, 12,  52}, // 110
    { 73,   7, 2, 64,  64,  1, 127}, // 111
    { 74,   7, 1, 64,  64,  1, 127}, // 112
    { 75,   1, 0,  0,   0,  0,   1}, // 113
    { 75,   1, 1,  0,   0,  0,   1}, // 114
    { 75,   2, 2,  0,   0,  0,   3}, // 115
    { 75,   1, 4,  0,   0,  0,   1}, // 116
    { 75,   1, 5,  0,   1,  0,   1}, // 117
    { 75,   7, 6,  0,   1,  0, 127}, // 118
    { 76,   1, 5,  0,   1,  0,   1}, // 119
    { 76,   1, 6,  0,   1,  0,   1}, // 120
}};
// clang-format on

namespace {

constexpr std::uint32_t kAllOnes = 0xFFFFFFFFU;

constexpr std::uint32_t Mask(unsigned bits) {
    return bits >= 32 ? kAllOnes : (std::uint32_t{1} << bits) - 1U;
}

constexpr std::uint32_t ShiftLeft(std::uint32_t value, unsigned bits) {
    return bits >= 32 ? 0U : value << bits;
}

// Number of bytes that hold a field and the position of its last bit within them.
struct CFieldSpan {
    unsigned byteCount;
    unsigned lowBit; // bits below the field in the joined bytes
};

CFieldSpan SpanOf(unsigned bitShift, unsigned width) {
    const unsigned bits = bitShift + width;
    const unsigned byteCount = (bits + 7U) / 8U;
    return {byteCount, byteCount * 8U - bits};
}

bool IsPieceRow(const CBlockDescriptor& row) {
    return row.width < 0 && row.width > -8;
}

unsigned FieldWidth(const CBlockDescriptor& row) {
    return static_cast<unsigned>(row.width < 0 ? -row.width : row.width);
}

// The block followed by eight zero bytes, so that every field can be read with one 64-bit load.
class CPaddedBlock {
public:
    explicit CPaddedBlock(std::span<const std::uint8_t, kPackedBlockSize> block) {
        std::memcpy(m_bytes.data(), block.data(), kPackedBlockSize);
    }

    // The eight bytes from `byteOffset` on, joined big-endian.
    [[nodiscard]] std::uint64_t Word(unsigned byteOffset) const {
        std::uint64_t word = 0;
        std::memcpy(&word, m_bytes.data() + std::min<std::size_t>(byteOffset, kPackedBlockSize), sizeof word);
        if constexpr (std::endian::native == std::endian::little) {
            word = ByteSwap(word);
        }
        return word;
    }

    // The field of `width` bits (at most 32) after `bitShift` bits of byte `byteOffset`.
    [[nodiscard]] std::uint32_t Field(unsigned byteOffset, unsigned bitShift, unsigned width) const {
        return static_cast<std::uint32_t>(Word(byteOffset) >> (64U - bitShift - width)) & Mask(width);
    }

private:
    static std::uint64_t ByteSwap(std::uint64_t value) {
#if defined(__GNUC__) || defined(__clang__)
        return __builtin_bswap64(value);
#else
        std::uint64_t swapped = 0;
        for (int i = 0; i < 8; ++i) {
            swapped = (swapped << 8U) | (value & 0xFFU);
            value >>= 8U;
        }
        return swapped;
#endif
    }

    std::array<std::uint8_t, kPackedBlockSize + 8> m_bytes{};
};

// Packing of the one descriptor table, built once: where each row's field lies in the block seen
// as big-endian 64-bit lanes (a field spans at most two), so that packing a whole block is a run of
// shifts and ors in registers. Valid when the fields written (plain rows
// and the closing rows of split values) lie inside the lanes without overlapping, and every run of
// pieces ends in its closing row; otherwise the general path packs.
struct CWriteStep {
    enum Kind : std::uint8_t { kPlain, kPiece, kClosing };
    Kind kind;
    std::uint8_t width;     // of the field; of the piece, for a piece
    std::uint8_t shift;     // the re-centring shift of a plain row
    std::uint8_t remainder; // the bits a closing row adds below its pieces
    std::uint8_t lane;
    std::uint8_t end; // bit after the field, counted from the top of `lane` (beyond 64: it goes on)
    std::uint16_t fallback;
};

class CWritePlan {
public:
    static constexpr unsigned kLanes = (kPackedBlockSize + 7U) / 8U + 1U;

    explicit CWritePlan(std::span<const CBlockDescriptor> table) {
        unsigned pieceBits = 0;
        for (const CBlockDescriptor& row : table) {
            const unsigned width = FieldWidth(row);
            CWriteStep step{CWriteStep::kPlain, static_cast<std::uint8_t>(width), 0, 0, 0, 0, row.fallback};
            if (IsPieceRow(row)) {
                step.kind = CWriteStep::kPiece;
                pieceBits += width;
                m_steps.push_back(step);
                continue;
            }
            const unsigned position = row.byteOffset * 8U + row.bitShift;
            if (width > 32U || position + width > (kLanes - 1U) * 64U) {
                return;
            }
            if (row.width < 0) {
                step.kind = CWriteStep::kClosing;
                step.remainder = static_cast<std::uint8_t>(width > pieceBits ? width - pieceBits : 0U);
            } else {
                step.shift = static_cast<std::uint8_t>(RecentringShift(row));
            }
            pieceBits = 0;
            step.lane = static_cast<std::uint8_t>(position / 64U);
            step.end = static_cast<std::uint8_t>(position % 64U + width);
            std::array<std::uint64_t, kLanes> mask{};
            Place(mask, step, Mask(width));
            for (unsigned lane = 0; lane < kLanes; ++lane) {
                if ((m_covered[lane] & mask[lane]) != 0) {
                    return;
                }
                m_covered[lane] |= mask[lane];
            }
            m_steps.push_back(step);
        }
        m_valid = pieceBits == 0 && m_steps.size() == table.size();
        m_coveredBytes = BigEndianBytes(m_covered);
    }

    [[nodiscard]] bool IsValid() const { return m_valid; }

    // Packs a whole block of `values` (one per row) into `block`; its bits outside the fields stay.
    // The lane being filled is kept in registers until a row lies in another, so that one row does
    // not wait for the store of the one before.
    void Pack(std::span<std::uint8_t, kPackedBlockSize> block, std::span<const std::uint8_t> values) const {
        std::array<std::uint64_t, kLanes> fields{};
        unsigned lane = 0;
        std::uint64_t here = 0;
        std::uint64_t next = 0;
        std::uint32_t combined = 0;
        for (std::size_t i = 0; i < m_steps.size(); ++i) {
            const CWriteStep& step = m_steps[i];
            const std::uint32_t value = values[i];
            std::uint32_t raw = 0;
            if (step.kind == CWriteStep::kPiece) {
                combined = value > Mask(step.width) ? kAllOnes : (ShiftLeft(combined, step.width) | value);
                continue;
            }
            const std::uint32_t mask = Mask(step.width);
            if (step.kind == CWriteStep::kClosing) {
                combined = value > Mask(step.remainder) ? kAllOnes : (ShiftLeft(combined, step.remainder) | value);
                raw = combined > mask ? step.fallback : combined;
                combined = 0;
            } else {
                // Unsigned: a value below the shift wraps to a large number and takes the fallback.
                raw = value - step.shift;
                raw = raw > mask ? step.fallback : raw;
            }
            if (step.lane != lane) {
                fields[lane] |= here;
                fields[lane + 1U] |= next;
                lane = step.lane;
                here = 0;
                next = 0;
            }
            const std::uint64_t bits = raw & mask;
            if (step.end <= 64U) {
                here |= bits << (64U - step.end);
            } else {
                here |= bits >> (step.end - 64U);
                next |= bits << (128U - step.end);
            }
        }
        fields[lane] |= here;
        fields[lane + 1U] |= next;
        const std::array<std::uint8_t, kLanes* 8U> written = BigEndianBytes(fields);
        for (std::size_t at = 0; at < kPackedBlockSize; ++at) {
            block[at] = static_cast<std::uint8_t>((block[at] & ~m_coveredBytes[at]) | written[at]);
        }
    }

private:
    static void Place(std::array<std::uint64_t, kLanes>& lanes, const CWriteStep& step, std::uint64_t bits) {
        if (step.end <= 64U) {
            lanes[step.lane] |= bits << (64U - step.end);
        } else {
            lanes[step.lane] |= bits >> (step.end - 64U);
            lanes[step.lane + 1U] |= bits << (128U - step.end);
        }
    }

    static std::array<std::uint8_t, kLanes * 8U> BigEndianBytes(const std::array<std::uint64_t, kLanes>& lanes) {
        std::array<std::uint8_t, kLanes * 8U> bytes{};
        for (unsigned lane = 0; lane < kLanes; ++lane) {
            for (unsigned i = 0; i < 8U; ++i) {
                bytes[lane * 8U + i] = static_cast<std::uint8_t>(lanes[lane] >> (56U - 8U * i));
            }
        }
        return bytes;
    }

    std::vector<CWriteStep> m_steps;
    std::array<std::uint64_t, kLanes> m_covered{};
    std::array<std::uint8_t, kLanes * 8U> m_coveredBytes{};
    bool m_valid = false;
};

const CWritePlan& DescriptorWritePlan() {
    static const CWritePlan plan(kBlockDescriptors);
    return plan;
}

// Unpacking of the one descriptor table as a flat list of plain field reads, built once. A split
// value's pieces are plain fields, and its closing byte is the low remainder of the whole field,
// which is the plain field that follows the pieces. Only the low eight bits of a field reach the
// value byte, so one byte of mask is enough.
struct CReadStep {
    std::uint8_t byteOffset;
    std::uint8_t rightShift; // of the 64-bit word loaded at byteOffset
    std::uint8_t mask;
    std::uint8_t add; // the re-centring shift
};

class CReadPlan {
public:
    explicit CReadPlan(std::span<const CBlockDescriptor> table) {
        unsigned pieceBits = 0;
        for (const CBlockDescriptor& row : table) {
            unsigned position = row.byteOffset * 8U + row.bitShift;
            unsigned width = FieldWidth(row);
            if (IsPieceRow(row)) {
                pieceBits += width;
            } else if (row.width < 0) {
                if (width <= pieceBits || width - pieceBits > 7U) {
                    return; // not expressible: the general path decides
                }
                position += pieceBits;
                width -= pieceBits;
                pieceBits = 0;
            }
            const unsigned byteOffset = position / 8U;
            const unsigned bitShift = position % 8U;
            if (byteOffset > kPackedBlockSize || width > 32U) {
                return;
            }
            m_steps.push_back({static_cast<std::uint8_t>(byteOffset), static_cast<std::uint8_t>(64U - bitShift - width),
                               static_cast<std::uint8_t>(Mask(std::min(width, 8U))),
                               static_cast<std::uint8_t>(row.width >= 0 ? RecentringShift(row) : 0U)});
        }
        m_valid = m_steps.size() == table.size();
    }

    [[nodiscard]] bool IsValid() const { return m_valid; }
    [[nodiscard]] const std::vector<CReadStep>& Steps() const { return m_steps; }

private:
    std::vector<CReadStep> m_steps;
    bool m_valid = false;
};

const CReadPlan& DescriptorReadPlan() {
    static const CReadPlan plan(kBlockDescriptors);
    return plan;
}

} // namespace

unsigned RecentringShift(const CBlockDescriptor& row) {
    return (row.rawMin < row.bias && row.bias < 64U) ? 64U - row.bias : 0U;
}

std::uint32_t ReadBlockField(std::span<const std::uint8_t, kPackedBlockSize> block, unsigned byteOffset,
                             unsigned bitShift, unsigned width) {
    const CFieldSpan span = SpanOf(bitShift, width);
    std::uint64_t joined = 0;
    for (unsigned i = 0; i < span.byteCount; ++i) {
        const std::size_t at = std::size_t{byteOffset} + i;
        joined = (joined << 8U) | (at < block.size() ? block[at] : 0U);
    }
    return static_cast<std::uint32_t>(joined >> span.lowBit) & Mask(width);
}

void WriteBlockField(std::span<std::uint8_t, kPackedBlockSize> block, unsigned byteOffset, unsigned bitShift,
                     unsigned width, std::uint32_t value) {
    const CFieldSpan span = SpanOf(bitShift, width);
    std::uint64_t joined = 0;
    for (unsigned i = 0; i < span.byteCount; ++i) {
        const std::size_t at = std::size_t{byteOffset} + i;
        joined = (joined << 8U) | (at < block.size() ? block[at] : 0U);
    }
    const std::uint64_t fieldMask = std::uint64_t{Mask(width)} << span.lowBit;
    joined = (joined & ~fieldMask) | ((std::uint64_t{value & Mask(width)} << span.lowBit) & fieldMask);
    for (unsigned i = span.byteCount; i > 0; --i) {
        const std::size_t at = std::size_t{byteOffset} + i - 1;
        if (at < block.size()) {
            block[at] = static_cast<std::uint8_t>(joined & 0xFFU);
        }
        joined >>= 8U;
    }
}

int UnpackBlock(std::span<const std::uint8_t, kPackedBlockSize> block, std::span<const CBlockDescriptor> table,
                std::span<std::uint8_t> values) {
    const std::size_t count = std::min(table.size(), values.size());
    const CPaddedBlock padded(block);
    const CReadPlan& plan = DescriptorReadPlan();
    if (table.data() == kBlockDescriptors.data() && table.size() == kBlockDescriptors.size() && plan.IsValid()) {
        // The one table, read as plain fields: several times faster, and a project has 8192 blocks.
        const CReadStep* steps = plan.Steps().data();
        for (std::size_t i = 0; i < count; ++i) {
            const CReadStep& step = steps[i];
            values[i] =
                static_cast<std::uint8_t>(((padded.Word(step.byteOffset) >> step.rightShift) & step.mask) + step.add);
        }
        return static_cast<int>(count);
    }
    std::size_t i = 0;
    while (i < count) {
        const CBlockDescriptor& row = table[i];
        if (row.width >= 0) {
            const std::uint32_t raw = padded.Field(row.byteOffset, row.bitShift, FieldWidth(row));
            values[i] = static_cast<std::uint8_t>(raw + RecentringShift(row));
            ++i;
            continue;
        }
        unsigned pieceBits = 0;
        for (; i < count && IsPieceRow(table[i]); ++i) {
            const unsigned width = FieldWidth(table[i]);
            values[i] = static_cast<std::uint8_t>(padded.Field(table[i].byteOffset, table[i].bitShift, width));
            pieceBits += width;
        }
        if (i == count) {
            break;
        }
        const CBlockDescriptor& closing = table[i];
        const unsigned width = FieldWidth(closing);
        const unsigned remainder = width > pieceBits ? width - pieceBits : 0U;
        if (remainder > 7U) {
            return -1;
        }
        const std::uint32_t field = padded.Field(closing.byteOffset, closing.bitShift, width);
        values[i] = static_cast<std::uint8_t>(field & Mask(remainder));
        ++i;
    }
    return static_cast<int>(i);
}

int PackBlock(std::span<std::uint8_t, kPackedBlockSize> block, std::span<const CBlockDescriptor> table,
              std::span<const std::uint8_t> values) {
    const std::size_t count = std::min(table.size(), values.size());
    if (table.data() == kBlockDescriptors.data() && count == kBlockDescriptors.size()) {
        // The one table, a whole block: through the plan.
        if (const CWritePlan& plan = DescriptorWritePlan(); plan.IsValid()) {
            plan.Pack(block, values);
            return static_cast<int>(count);
        }
    }
    std::size_t i = 0;
    while (i < count) {
        const CBlockDescriptor& row = table[i];
        if (row.width >= 0) {
            const unsigned width = FieldWidth(row);
            // Unsigned: a value below the shift wraps to a large number and takes the fallback.
            std::uint32_t raw = std::uint32_t{values[i]} - RecentringShift(row);
            if (raw > Mask(width)) {
                raw = row.fallback;
            }
            WriteBlockField(block, row.byteOffset, row.bitShift, width, raw);
            ++i;
            continue;
        }
        // A piece byte too large for its bits turns its bits and all above them into ones; a
        // closing byte too large for the remaining bits turns all 32 bits into ones.
        std::uint32_t combined = 0;
        unsigned pieceBits = 0;
        for (; i < count && IsPieceRow(table[i]); ++i) {
            const unsigned width = FieldWidth(table[i]);
            combined = values[i] > Mask(width) ? kAllOnes : (ShiftLeft(combined, width) | values[i]);
            pieceBits += width;
        }
        if (i == count) {
            break;
        }
        const CBlockDescriptor& closing = table[i];
        const unsigned width = FieldWidth(closing);
        const unsigned remainder = width > pieceBits ? width - pieceBits : 0U;
        combined = values[i] > Mask(remainder) ? kAllOnes : (ShiftLeft(combined, remainder) | values[i]);
        if (combined > Mask(width)) {
            combined = closing.fallback;
        }
        WriteBlockField(block, closing.byteOffset, closing.bitShift, width, combined);
        ++i;
    }
    return static_cast<int>(i);
}

} // namespace Orvanta
