#include "storage/CSvdManager.h"

#include "model/CPatch.h"

namespace Orvanta {

static_assert(CPatch::kOscCount == kPackedBlockCount);
static_assert(COsc::kValueCount == kBlockValueCount);

bool CSvdManager::UnpackPatch(std::span<const std::uint8_t, kPackedPatchSize> blocks, CPatch& patch) const {
    bool complete = true;
    for (std::size_t i = 0; i < kPackedBlockCount; ++i) {
        std::vector<std::uint8_t>& values = patch.m_osc[i].m_values;
        values.resize(kBlockValueCount);
        const int produced =
            UnpackBlock(blocks.subspan(i * kPackedBlockSize).first<kPackedBlockSize>(), kBlockDescriptors, values);
        complete = complete && produced == static_cast<int>(kBlockValueCount);
    }
    return complete;
}

bool CSvdManager::PackPatch(const CPatch& patch, std::span<std::uint8_t, kPackedPatchSize> blocks) const {
    bool complete = true;
    for (std::size_t i = 0; i < kPackedBlockCount; ++i) {
        const int consumed = PackBlock(blocks.subspan(i * kPackedBlockSize).first<kPackedBlockSize>(),
                                       kBlockDescriptors, patch.m_osc[i].m_values);
        complete = complete && consumed == static_cast<int>(kBlockValueCount);
    }
    return complete;
}

} // namespace Orvanta
