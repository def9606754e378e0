#include "storage/ContentHash.h"

#include "model/CDomain.h"
#include "storage/ProjectNaming.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <set>
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
        const std::size_t filled = m_file->ReadUntilFull(m_buffer, &m_failed);
        if (m_failed || filled == 0) {
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

// The region's bytes of `file`, read whole; nothing when it did not open or a read failed.
std::optional<std::vector<std::uint8_t>> ReadRegion(std::unique_ptr<CFile> file, const CByteRegion& region,
                                                    std::int64_t size) {
    CRegionReader reader(std::move(file), region);
    if (!reader.IsOpen()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(std::max<std::int64_t>(0, size - region.begin)));
    std::span<const std::uint8_t> first;
    std::span<const std::uint8_t> second;
    while (reader.Next(first, second)) {
        bytes.insert(bytes.end(), first.begin(), first.end());
        bytes.insert(bytes.end(), second.begin(), second.end());
    }
    if (reader.Failed()) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace

const CContentHashes::CEntry* CContentHashes::Known(const std::string& path, const CByteRegion& region,
                                                    const CFileStamp& stamp) const {
    const auto kept = m_hashes.find(std::make_tuple(path, region));
    return kept != m_hashes.end() && stamp.modified >= 0 && kept->second.stamp == stamp ? &kept->second : nullptr;
}

CFileStamp CContentHashes::StampOf(const std::string& path) {
    if (m_searches > 0) {
        if (const auto seen = m_seenInSearch.find(path); seen != m_seenInSearch.end()) {
            return seen->second;
        }
    }
    const CFileStamp stamp = CDomain::Instance().FileSystem().Stamp(ToNativePath(path));
    if (m_searches > 0) {
        m_seenInSearch.emplace(path, stamp);
    }
    return stamp;
}

void CContentHashes::EndSearch() {
    if (m_searches > 0 && --m_searches == 0) {
        m_seenInSearch.clear();
    }
}

std::int64_t CContentHashes::Size(const std::string& path) {
    return StampOf(path).size;
}

std::optional<std::uint64_t> CContentHashes::Hash(const std::string& path, const CByteRegion& region) {
    const CFileStamp stamp = StampOf(path);
    if (stamp.size < 0) {
        return std::nullopt;
    }
    if (const CEntry* known = Known(path, region, stamp)) {
        return known->hash & m_hashMask;
    }
    if (m_unreadable.count(std::make_tuple(path, region)) != 0) {
        return std::nullopt;
    }
    const std::optional<CEntry> read = ReadPass({path}, {stamp}, region).front();
    return read ? std::optional(read->hash & m_hashMask) : std::nullopt;
}

bool CContentHashes::SameBytes(const std::string& first, const std::string& second, const CByteRegion& region) {
    const CFileStamp stampA = StampOf(first);
    const CFileStamp stampB = StampOf(second);
    if (stampA.size < 0 || stampA.size != stampB.size) {
        return false;
    }
    // Both placed in one pass: their classes tell. Otherwise the two are read in a pass of their own.
    const CEntry* knownA = Known(first, region, stampA);
    const CEntry* knownB = Known(second, region, stampB);
    if (knownA != nullptr && knownB != nullptr && knownA->pass == knownB->pass) {
        return knownA->contentClass == knownB->contentClass;
    }
    const std::vector<std::optional<CEntry>> read = ReadPass({first, second}, {stampA, stampB}, region);
    return read[0] && read[1] && read[0]->contentClass == read[1]->contentClass;
}

void CContentHashes::Prepare(const std::vector<std::string>& paths, const CByteRegion& region) {
    m_unreadable.clear();
    std::vector<CFileStamp> stamps;
    std::size_t knownPass = 0;
    bool known = true;
    for (const std::string& path : paths) {
        stamps.push_back(StampOf(path));
        const CEntry* entry = Known(path, region, stamps.back());
        known = known && entry != nullptr && (knownPass == 0 || entry->pass == knownPass);
        knownPass = entry != nullptr ? entry->pass : 0;
    }
    if (known) {
        return;
    }
    const std::vector<std::optional<CEntry>> read = ReadPass(paths, stamps, region);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!read[i] && stamps[i].size >= 0) {
            m_unreadable.insert(std::make_tuple(paths[i], region)); // left out of this pass only
        }
    }
}

std::vector<std::optional<CContentHashes::CEntry>> CContentHashes::ReadPass(const std::vector<std::string>& paths,
                                                                            const std::vector<CFileStamp>& stamps,
                                                                            const CByteRegion& region) {
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    // The content classes of this pass; a class keeps the bytes of its first file while they fit.
    struct CClass {
        std::uint64_t hash = 0;
        std::string first;
        bool kept = false;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<CClass> classes;
    std::size_t keptBytes = 0;
    const std::size_t pass = ++m_passes;
    std::vector<std::optional<CEntry>> read(paths.size());
    std::map<std::string, std::size_t> done;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        if (const auto [earlier, inserted] = done.emplace(path, i); !inserted) {
            read[i] = read[earlier->second];
            continue;
        }
        const auto key = std::make_tuple(path, region);
        m_hashes.erase(key);
        if (stamps[i].size < 0) {
            continue;
        }
        std::optional<std::vector<std::uint8_t>> bytes;
        if (const auto handed = m_handedOn.find(key); handed != m_handedOn.end()) {
            if (handed->second.first == stamps[i]) {
                bytes = std::move(handed->second.second);
            }
            m_handedOn.erase(handed);
        }
        if (!bytes) {
            ++m_filesRead;
            bytes = ReadRegion(fileSystem.OpenRead(ToNativePath(path)), region, stamps[i].size);
        }
        if (!bytes) {
            continue;
        }
        const std::uint64_t hash = XXH3_64bits(bytes->data(), bytes->size());
        // A class of this hash whose bytes were not kept is told apart by reading its first file.
        std::optional<std::size_t> same;
        for (std::size_t c = 0; c < classes.size() && !same; ++c) {
            if (classes[c].hash != hash) {
                continue;
            }
            const std::optional<bool> equal =
                classes[c].kept ? std::optional(classes[c].bytes == *bytes)
                                : CompareBytes(ToNativePath(classes[c].first), ToNativePath(path), region);
            if (!equal) {
                bytes.reset();
                break;
            }
            same = *equal ? std::optional(c) : std::nullopt;
        }
        if (!bytes) {
            continue;
        }
        if (!same) {
            const bool keep = keptBytes + bytes->size() <= m_keptBytes;
            keptBytes += keep ? bytes->size() : 0;
            same = classes.size();
            classes.push_back(CClass{hash, path, keep, keep ? std::move(*bytes) : std::vector<std::uint8_t>()});
        }
        read[i] = CEntry{stamps[i], hash, pass, *same};
        if (stamps[i].modified >= 0) {
            m_hashes[key] = *read[i];
        }
    }
    return read;
}

void CContentHashes::Remember(const std::string& path, const CByteRegion& region, const CFileStamp& stamp,
                              std::vector<std::uint8_t> bytes) {
    if (stamp.modified >= 0) {
        m_handedOn[std::make_tuple(path, region)] = {stamp, std::move(bytes)};
    }
}

bool CContentHashes::WasRead(const std::string& path, const CByteRegion& region) {
    return Known(path, region, StampOf(path)) != nullptr;
}

std::optional<bool> CContentHashes::CompareBytes(const std::string& a, const std::string& b,
                                                 const CByteRegion& region) {
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    m_filesRead += 2;
    CRegionReader readerA(fileSystem.OpenRead(a), region);
    CRegionReader readerB(fileSystem.OpenRead(b), region);
    if (!readerA.IsOpen() || !readerB.IsOpen()) {
        return std::nullopt;
    }
    std::span<const std::uint8_t> a1, a2, b1, b2;
    for (;;) {
        const bool moreA = readerA.Next(a1, a2);
        const bool moreB = readerB.Next(b1, b2);
        if (readerA.Failed() || readerB.Failed()) {
            return std::nullopt;
        }
        if (moreA != moreB) {
            return false;
        }
        if (!moreA) {
            return true;
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
