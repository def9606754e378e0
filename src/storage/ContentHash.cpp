#include "storage/ContentHash.h"

#include "model/CDomain.h"
#include "storage/ProjectNaming.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <array>
#include <memory>
#include <span>
#include <vector>

namespace Orvanta {

namespace {

constexpr std::size_t kChunkSize = 64 * 1024;

// Reads a file chunk by chunk and hands on the bytes of `region`. Every chunk but the last is full,
// so that two files of one size are cut at the same places.
class CRegionReader {
public:
    CRegionReader(std::unique_ptr<CFile> file, const CByteRegion& region)
        : m_file(std::move(file)), m_region(region), m_buffer(kChunkSize) {}

    [[nodiscard]] bool IsOpen() const { return m_file != nullptr; }

    // The region's bytes of the next chunk, as up to two spans; false at the end or on a read error
    // (Failed tells which).
    bool Next(std::span<const std::uint8_t>& first, std::span<const std::uint8_t>& second) {
        std::size_t filled = 0;
        while (filled < m_buffer.size()) {
            const std::int64_t got = m_file->Read(std::span(m_buffer).subspan(filled));
            if (got < 0) {
                m_failed = true;
                return false;
            }
            if (got == 0) {
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
        if (filled == 0) {
            return false;
        }
        const std::int64_t start = m_offset;
        const std::int64_t end = start + static_cast<std::int64_t>(filled);
        m_offset = end;
        first = Part(start, end, m_region.begin, std::max(m_region.begin, m_region.skipBegin));
        second = Part(start, end, std::max(m_region.begin, m_region.skipEnd), end);
        if (m_region.skipEnd <= m_region.skipBegin) {
            first = Part(start, end, m_region.begin, end);
            second = {};
        }
        return true;
    }

    [[nodiscard]] bool Failed() const { return m_failed; }

private:
    // The buffer's bytes of the file range [from, to) within the chunk [start, end).
    std::span<const std::uint8_t> Part(std::int64_t start, std::int64_t end, std::int64_t from, std::int64_t to) const {
        const std::int64_t a = std::clamp(from, start, end);
        const std::int64_t b = std::clamp(to, a, end);
        return std::span<const std::uint8_t>(m_buffer).subspan(static_cast<std::size_t>(a - start),
                                                               static_cast<std::size_t>(b - a));
    }

    std::unique_ptr<CFile> m_file;
    CByteRegion m_region;
    std::vector<std::uint8_t> m_buffer;
    std::int64_t m_offset = 0;
    bool m_failed = false;
};

} // namespace

std::int64_t CContentHashes::Size(const std::string& path) {
    return CDomain::Instance().FileSystem().Stamp(ToNativePath(path)).size;
}

std::optional<std::uint64_t> CContentHashes::Hash(const std::string& path, const CByteRegion& region) {
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    const std::string native = ToNativePath(path);
    const CFileStamp stamp = fileSystem.Stamp(native);
    if (stamp.size < 0) {
        return std::nullopt;
    }
    const auto key = std::make_tuple(path, region);
    if (const auto kept = m_hashes.find(key); kept != m_hashes.end()) {
        if (stamp.modified >= 0 && kept->second.stamp == stamp) {
            return kept->second.hash & m_hashMask;
        }
        m_hashes.erase(kept);
    }
    ++m_filesRead;
    CRegionReader reader(fileSystem.OpenRead(native), region);
    if (!reader.IsOpen()) {
        return std::nullopt;
    }
    XXH3_state_t state;
    XXH3_64bits_reset(&state);
    std::span<const std::uint8_t> first;
    std::span<const std::uint8_t> second;
    while (reader.Next(first, second)) {
        XXH3_64bits_update(&state, first.data(), first.size());
        XXH3_64bits_update(&state, second.data(), second.size());
    }
    if (reader.Failed()) {
        return std::nullopt;
    }
    const std::uint64_t hash = XXH3_64bits_digest(&state);
    if (stamp.modified >= 0) {
        m_hashes[key] = CEntry{stamp, hash};
    }
    return hash & m_hashMask;
}

bool CContentHashes::SameBytes(const std::string& first, const std::string& second, const CByteRegion& region) {
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    const std::string a = ToNativePath(first);
    const std::string b = ToNativePath(second);
    const CFileStamp stampA = fileSystem.Stamp(a);
    const CFileStamp stampB = fileSystem.Stamp(b);
    if (stampA.size < 0 || stampA.size != stampB.size) {
        return false;
    }
    const auto key = std::make_tuple(first, second, region);
    if (const auto kept = m_comparisons.find(key); kept != m_comparisons.end()) {
        if (stampA.modified >= 0 && stampB.modified >= 0 && kept->second.first == stampA &&
            kept->second.second == stampB) {
            return kept->second.same;
        }
        m_comparisons.erase(kept);
    }
    const bool same = CompareBytes(a, b, region);
    if (stampA.modified >= 0 && stampB.modified >= 0) {
        m_comparisons[key] = CComparison{stampA, stampB, same};
    }
    return same;
}

bool CContentHashes::CompareBytes(const std::string& a, const std::string& b, const CByteRegion& region) {
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    m_filesRead += 2;
    CRegionReader readerA(fileSystem.OpenRead(a), region);
    CRegionReader readerB(fileSystem.OpenRead(b), region);
    if (!readerA.IsOpen() || !readerB.IsOpen()) {
        return false;
    }
    std::span<const std::uint8_t> a1, a2, b1, b2;
    for (;;) {
        const bool moreA = readerA.Next(a1, a2);
        const bool moreB = readerB.Next(b1, b2);
        if (moreA != moreB) {
            return false;
        }
        if (!moreA) {
            return !readerA.Failed() && !readerB.Failed();
        }
        if (!std::ranges::equal(a1, b1) || !std::ranges::equal(a2, b2)) {
            return false;
        }
    }
}

CContentHashes& SharedContentHashes() {
    static CContentHashes hashes;
    return hashes;
}

} // namespace Orvanta
