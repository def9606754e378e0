#pragma once

#include "model/CFileSystem.h"
#include "operations/DuplicateSearch.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace Orvanta {

// File contents as duplicate detection needs them, through the domain's file system: sizes from the
// file's entry, 64-bit hashes (XXH3) of a file's bytes read once, byte comparison for equal hashes.
// Hashes and the outcomes of comparisons are kept keyed by path, region, size and modification time,
// so that a file is read again only after it changed; the process-wide instance (SharedContentHashes) keeps them for
// every loaded project. Paths are internal paths.
class CContentHashes : public CContentSource {
public:
    // `hashMask` is and-ed into every hash; tests pass 0 to make every hash equal, so that only the
    // byte comparison tells contents apart.
    explicit CContentHashes(std::uint64_t hashMask = ~std::uint64_t{0}) : m_hashMask(hashMask) {}

    [[nodiscard]] std::int64_t Size(const std::string& path) override;
    [[nodiscard]] std::optional<std::uint64_t> Hash(const std::string& path, const CByteRegion& region) override;
    [[nodiscard]] bool SameBytes(const std::string& first, const std::string& second,
                                 const CByteRegion& region) override;

    // Forgets every kept hash and comparison.
    void Clear() {
        m_hashes.clear();
        m_comparisons.clear();
    }
    // How many times a file was opened for reading since construction, for hashing and comparing.
    [[nodiscard]] std::size_t FilesRead() const { return m_filesRead; }

private:
    struct CEntry {
        CFileStamp stamp;
        std::uint64_t hash = 0;
    };

    // Compares the region's bytes of two files (native paths) by reading both.
    bool CompareBytes(const std::string& a, const std::string& b, const CByteRegion& region);

    struct CComparison {
        CFileStamp first;
        CFileStamp second;
        bool same = false;
    };

    std::uint64_t m_hashMask;
    std::map<std::tuple<std::string, CByteRegion>, CEntry> m_hashes;
    std::map<std::tuple<std::string, std::string, CByteRegion>, CComparison> m_comparisons;
    std::size_t m_filesRead = 0;
};

// The hashes of the running program, shared by its project windows or script windows.
[[nodiscard]] CContentHashes& SharedContentHashes();

} // namespace Orvanta
