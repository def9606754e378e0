// Fuzzes the oscillator codec: any block packs back to its own bits (reserved bits cleared), and any
// value vector settles after one pack: packing what it unpacks to gives the same block again.

#include "storage/OscCodec.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

using namespace Orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::array<std::uint8_t, kPackedBlockSize> block{};
    std::copy_n(data, std::min(size, block.size()), block.begin());

    std::vector<std::uint8_t> values(kBlockValueCount);
    if (UnpackBlock(block, kBlockDescriptors, values) != static_cast<int>(kBlockValueCount)) {
        __builtin_trap();
    }
    std::array<std::uint8_t, kPackedBlockSize> packed{};
    PackBlock(packed, kBlockDescriptors, values);
    block[30] &= 0xF8;
    block[63] &= 0x80;
    block[76] &= 0xFE;
    block[77] = 0;
    if (packed != block) {
        __builtin_trap();
    }

    if (size > kPackedBlockSize) {
        std::vector<std::uint8_t> input(data + kPackedBlockSize, data + size);
        input.resize(kBlockValueCount);
        std::array<std::uint8_t, kPackedBlockSize> once{};
        PackBlock(once, kBlockDescriptors, input);
        std::vector<std::uint8_t> unpacked(kBlockValueCount);
        UnpackBlock(once, kBlockDescriptors, unpacked);
        std::array<std::uint8_t, kPackedBlockSize> twice{};
        PackBlock(twice, kBlockDescriptors, unpacked);
        if (once != twice) {
            __builtin_trap();
        }
    }
    return 0;
}
