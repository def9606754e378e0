#include "storage/ContentHash.h"

#include "FaultyFileSystem.h"
#include "ProjectBuilder.h"
#include "StorageDomainGuard.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace Orvanta {
namespace {

using TestSupport::FaultyFileSystem;
using TestSupport::ProjectBuilder;
using Bytes = std::vector<std::uint8_t>;

class ContentHashTest : public ::testing::Test {
protected:
    // A file of `size` bytes of a pattern, with `changes` (offset, value) applied.
    std::string File(const std::string& name, std::size_t size,
                     const std::vector<std::pair<std::size_t, std::uint8_t>>& changes = {}) {
        Bytes bytes(size);
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<std::uint8_t>((i * 7U) % 251U);
        }
        for (const auto& [offset, value] : changes) {
            bytes[offset] = value;
        }
        const std::string path = m_folder / name;
        ProjectBuilder::WriteBytes(path, bytes);
        return path;
    }

    TestSupport::StorageDomainGuard m_guard;
    TestSupport::TempFolder m_folder;
};

TEST_F(ContentHashTest, HashesAndComparesTheRegionAcrossChunks) {
    // Two chunks of 64 KiB and a part; the skipped range straddles the first chunk boundary.
    constexpr std::size_t kSize = 140000;
    const CByteRegion region{5, 65530, 65545};
    const std::string base = File("base", kSize);
    struct Row {
        std::size_t offset;
        bool inRegion;
    };
    const Row rows[] = {{0, false},     {4, false},     {5, true},     {65529, true},  {65530, false},   {65535, false},
                        {65536, false}, {65544, false}, {65545, true}, {131072, true}, {kSize - 1, true}};
    for (const bool tinyHash : {false, true}) {
        CContentHashes hashes(tinyHash ? 0 : ~std::uint64_t{0});
        for (const Row& row : rows) {
            const std::string other = File("other", kSize, {{row.offset, 0xFF}});
            const bool same = !row.inRegion;
            EXPECT_EQ(hashes.SameBytes(base, other, region), same) << row.offset;
            EXPECT_EQ(hashes.Hash(base, region) == hashes.Hash(other, region), same || tinyHash) << row.offset;
            EXPECT_EQ(hashes.Hash(base, {}) == hashes.Hash(other, {}), tinyHash) << row.offset;
            // A new file at the path is read afresh, even with the same size and time.
            std::filesystem::last_write_time(other, std::filesystem::last_write_time(base) +
                                                        std::chrono::seconds(static_cast<int>(row.offset % 97 + 1)));
        }
    }
    CContentHashes hashes;
    EXPECT_EQ(hashes.Size(base), static_cast<std::int64_t>(kSize));
    EXPECT_EQ(hashes.Size(m_folder / "missing"), -1);
    EXPECT_EQ(hashes.Size(m_folder.Path()), -1);
    EXPECT_FALSE(hashes.Hash(m_folder / "missing", {}));
    EXPECT_FALSE(hashes.SameBytes(base, m_folder / "missing", {}));
    EXPECT_FALSE(hashes.SameBytes(base, File("shorter", kSize - 1), {}));
}

TEST_F(ContentHashTest, AFileIsReadAgainOnlyAfterItChanged) {
    const std::string first = File("first", 1000);
    const std::string second = File("second", 1000);
    CContentHashes hashes;
    const std::optional<std::uint64_t> hash = hashes.Hash(first, {});
    ASSERT_TRUE(hash);
    EXPECT_TRUE(hashes.SameBytes(first, second, {}));
    EXPECT_EQ(hashes.FilesRead(), 3U);

    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(hashes.Hash(first, {}), hash);
        EXPECT_TRUE(hashes.SameBytes(first, second, {}));
    }
    EXPECT_EQ(hashes.FilesRead(), 3U);

    // Same size, other bytes and a later time: the hash and the comparison are made again.
    const auto time = std::filesystem::last_write_time(second);
    File("second", 1000, {{999, 0}});
    std::filesystem::last_write_time(second, time + std::chrono::seconds(2));
    EXPECT_FALSE(hashes.SameBytes(first, second, {}));
    EXPECT_NE(hashes.Hash(second, {}), hash);
    EXPECT_EQ(hashes.FilesRead(), 5U) << "the comparison's reads give the new hash";
    hashes.Clear();
    EXPECT_EQ(hashes.Hash(first, {}), hash);
    EXPECT_EQ(hashes.FilesRead(), 6U);
}

TEST_F(ContentHashTest, PrepareReadsEachFileOnceAndComparesInThatPass) {
    const std::string a = File("a", 3000);
    const std::string b = File("b", 3000, {{2999, 0}});
    const std::string a2 = File("a2", 3000);
    const std::string b2 = File("b2", 3000, {{2999, 0}});
    const std::string c = File("c", 3000, {{0, 1}});
    const std::vector<std::string> group = {a, b, a2, b, b2, c};
    // With room for every class's bytes, and with none: then equal hashes are compared by reading.
    for (const std::size_t kept : {CContentHashes::kKeptBytes, std::size_t{0}}) {
        CContentHashes hashes(~std::uint64_t{0}, kept);
        hashes.Prepare(group, {});
        // Each file once, b listed twice; with no bytes kept, a2 and b2 are compared with a and b by
        // reading both.
        EXPECT_EQ(hashes.FilesRead(), kept == 0 ? 9U : 5U);
        const struct {
            std::string first;
            std::string second;
            bool same;
        } rows[] = {{a, a2, true}, {b, b2, true}, {a, b, false}, {a2, c, false}, {b2, a, false}};
        for (const auto& row : rows) {
            EXPECT_EQ(hashes.SameBytes(row.first, row.second, {}), row.same) << row.first << " " << row.second;
            EXPECT_EQ(hashes.Hash(row.first, {}) == hashes.Hash(row.second, {}), row.same);
            EXPECT_TRUE(hashes.WasRead(row.first, {}));
        }
        if (kept == 0) {
            continue;
        }
        EXPECT_EQ(hashes.FilesRead(), 5U);
        // Nothing changed: nothing is read. One file changed: the group is read again.
        hashes.Prepare(group, {});
        EXPECT_EQ(hashes.FilesRead(), 5U);
        std::filesystem::last_write_time(c, std::filesystem::last_write_time(c) + std::chrono::seconds(3));
        hashes.Prepare(group, {});
        EXPECT_EQ(hashes.FilesRead(), 10U);
        EXPECT_FALSE(hashes.WasRead(m_folder / "missing", {}));
    }
}

// Within one search each file's entry is looked at once; after it, a change is seen again.
TEST_F(ContentHashTest, ASearchLooksAtEachFileOnce) {
    const std::string a = File("a", 3000);
    const std::string b = File("b", 3000);
    const std::string c = File("c", 3000, {{0, 1}});
    FaultyFileSystem faulty;
    TestSupport::StorageDomainGuard guard(&faulty);
    CContentHashes hashes;
    {
        const CContentSearch search(hashes);
        for (const std::string& path : {a, b, c}) {
            EXPECT_EQ(hashes.Size(path), 3000);
        }
        hashes.Prepare({a, b, c}, {});
        EXPECT_TRUE(hashes.SameBytes(a, b, {}));
        EXPECT_FALSE(hashes.SameBytes(b, c, {}));
        EXPECT_TRUE(hashes.WasRead(c, {}));
        EXPECT_EQ(faulty.Calls(FaultyFileSystem::kQuery), 3);
    }
    File("c", 3000);
    std::filesystem::last_write_time(c, std::filesystem::last_write_time(c) + std::chrono::seconds(3));
    hashes.Prepare({a, b, c}, {});
    EXPECT_TRUE(hashes.SameBytes(b, c, {}));
}

TEST_F(ContentHashTest, AFileThatFailsToReadIsLeftOutThisTimeOnly) {
    const std::string first = File("first", 1000);
    const std::string second = File("second", 1000);
    FaultyFileSystem faulty;
    TestSupport::StorageDomainGuard guard(&faulty);
    CContentHashes hashes;
    faulty.FailOnPath(FaultyFileSystem::kRead, second);
    EXPECT_FALSE(hashes.SameBytes(first, second, {}));
    hashes.Prepare({first, second}, {});
    EXPECT_TRUE(hashes.Hash(first, {}));
    EXPECT_FALSE(hashes.Hash(second, {}));
    EXPECT_FALSE(hashes.WasRead(second, {}));
    // The read works again; the files are unchanged, and yet they are compared afresh.
    faulty.ClearFaults();
    EXPECT_TRUE(hashes.SameBytes(first, second, {}));
    hashes.Prepare({first, second}, {});
    EXPECT_EQ(hashes.Hash(first, {}), hashes.Hash(second, {}));
    EXPECT_TRUE(hashes.SameBytes(first, second, {}));
}

} // namespace
} // namespace Orvanta
