#pragma once

#include "model/CFileSystem.h"
#include "operations/DuplicateSearch.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace Orvanta {

// File contents as duplicate detection needs them, through the domain's file system: sizes from the
// file's entry, 64-bit hashes (XXH3) of a file's bytes, and content classes that tell equal bytes
// apart. Files are read in passes: each file of a pass once, hashed and compared with the files of
// equal hash before it. Hashes and classes are kept keyed by path, region, size and modification
// time, so that a file is read again only after it changed; a read that fails is not kept. The
// process-wide instance (SharedContentHashes) keeps them for every loaded project. Paths are
// internal paths.
class CContentHashes : public CContentSource {
public:
    // Enough for every wave of a full project (50 MB).
    static constexpr std::size_t kKeptBytes = std::size_t{64} << 20;

    // `hashMask` is and-ed into every hash; tests pass 0 to make every hash equal, so that only the
    // byte comparison tells contents apart. `keptBytes` bounds the bytes Prepare keeps in a pass.
    explicit CContentHashes(std::uint64_t hashMask = ~std::uint64_t{0}, std::size_t keptBytes = kKeptBytes)
        : m_hashMask(hashMask), m_keptBytes(keptBytes) {}

    [[nodiscard]] std::int64_t Size(const std::string& path) override;
    // The hash of a file already read at its present stamp; otherwise the file is read in a pass of
    // its own.
    [[nodiscard]] std::optional<std::uint64_t> Hash(const std::string& path, const CByteRegion& region) override;
    // Whether the classes of one pass hold both files together; otherwise both are read in a pass of
    // their own.
    [[nodiscard]] bool SameBytes(const std::string& first, const std::string& second,
                                 const CByteRegion& region) override;
    // Reads the files of `paths` in one pass unless every one is known at its present stamp from one
    // earlier pass. One file is open at a time; the bytes of each class's first file are kept until
    // the pass ends, up to kKeptBytes; beyond that, a file of a known hash is compared with its
    // class's first file by reading both. A file that could not be read is left out: Hash answers
    // nothing for it until the next Prepare, which tries it again.
    void Prepare(const std::vector<std::string>& paths, const CByteRegion& region) override;
    // Takes `bytes` as the region's bytes of the file at `path` while it has `stamp` (with a known
    // time): a reader that had them hands them on, and Prepare uses them instead of opening the file.
    void Remember(const std::string& path, const CByteRegion& region, const CFileStamp& stamp,
                  std::vector<std::uint8_t> bytes);
    // True when the file was read whole without an error at its present stamp.
    [[nodiscard]] bool WasRead(const std::string& path, const CByteRegion& region);
    // During a search each file's entry is looked at once: its stamp then stands until the
    // outermost search ends.
    void BeginSearch() override { ++m_searches; }
    void EndSearch() override;

    // Forgets every kept hash and class.
    void Clear() {
        m_hashes.clear();
        m_passes = 0;
        m_unreadable.clear();
        m_handedOn.clear();
    }
    // How many times a file was opened for reading since construction, for hashing and comparing.
    [[nodiscard]] std::size_t FilesRead() const { return m_filesRead; }

private:
    struct CEntry {
        CFileStamp stamp;
        std::uint64_t hash = 0;
        // The pass that placed the file in content class `contentClass`.
        std::size_t pass = 0;
        std::size_t contentClass = 0;
    };

    // The stamp of the file at `path` (an internal path) now, or as first seen in this search.
    CFileStamp StampOf(const std::string& path);
    // The kept entry of `path` when it is of `stamp`; null otherwise.
    const CEntry* Known(const std::string& path, const CByteRegion& region, const CFileStamp& stamp) const;
    // Reads `paths`, of the present `stamps`, in a new pass and keeps what it found; the entry of
    // each path, none for a file that could not be read.
    std::vector<std::optional<CEntry>> ReadPass(const std::vector<std::string>& paths,
                                                const std::vector<CFileStamp>& stamps, const CByteRegion& region);
    // Compares the region's bytes of two files (native paths) by reading both; nothing when a file
    // could not be read.
    std::optional<bool> CompareBytes(const std::string& a, const std::string& b, const CByteRegion& region);

    std::uint64_t m_hashMask;
    std::size_t m_keptBytes;
    // Bytes handed on by Remember, with the stamp they belong to.
    std::map<std::tuple<std::string, CByteRegion>, std::pair<CFileStamp, std::vector<std::uint8_t>>> m_handedOn;
    // The files the last Prepare could not read.
    std::set<std::tuple<std::string, CByteRegion>> m_unreadable;
    std::map<std::tuple<std::string, CByteRegion>, CEntry> m_hashes;
    std::size_t m_filesRead = 0;
    std::size_t m_passes = 0;
    int m_searches = 0;
    std::map<std::string, CFileStamp> m_seenInSearch;
};

// The hashes of the running program, shared by its project windows or script windows.
[[nodiscard]] CContentHashes& SharedContentHashes();

} // namespace Orvanta
