#include "cli/DemoProject.h"

#include "CliTestSupport.h"
#include "FolderSnapshot.h"
#include "StorageDomainGuard.h"
#include "TempFolder.h"

#include "cli/ProjectCheck.h"
#include "cli/ProjectReport.h"
#include "storage/CTernFileDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace Orvanta::Cli {
namespace {

using CliTest::FileNames;
using CliTest::ReadBytes;

std::uint32_t LittleEndian32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8U | std::uint32_t{bytes[at + 2]} << 16U |
           std::uint32_t{bytes[at + 3]} << 24U;
}

std::uint32_t BigEndian32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24U | std::uint32_t{bytes[at + 1]} << 16U | std::uint32_t{bytes[at + 2]} << 8U |
           std::uint32_t{bytes[at + 3]};
}

std::string Text(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t length) {
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class DemoProjectTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, std::uint64_t seed) {
        CDemoSummary summary;
        std::string error;
        const std::string path = m_temp.Path() + name;
        EXPECT_TRUE(WriteDemoProject(path, seed, summary, error)) << error;
        m_summary = summary;
        return path + "/";
    }

    TestSupport::StorageDomainGuard m_guard;
    TestSupport::TempFolder m_temp;
    CDemoSummary m_summary;
};

TEST_F(DemoProjectTest, LoadsCleanlyWithCategoriesGapSharedAndUnusedWaves) {
    const std::string path = Write("Demo.prj", kDefaultDemoSeed);
    const CCheckResult check = CheckProject(path);
    EXPECT_TRUE(check.loaded);
    EXPECT_TRUE(check.problems.empty());
    EXPECT_TRUE(check.notes.empty());

    CTernFileDocument document;
    ASSERT_TRUE(document.OpenProjectFolder(path));
    const CProjectReport report = BuildReport(document);
    EXPECT_GE(report.patches.size(), 24U);
    EXPECT_EQ(static_cast<int>(report.patches.size()), m_summary.patches);
    EXPECT_TRUE(report.pendingDeletions.empty());

    // Exactly one gap among the used patch slots, at the slot the summary names.
    std::vector<int> gaps;
    for (std::size_t i = 1; i < report.patches.size(); ++i) {
        for (int n = report.patches[i - 1].number + 1; n < report.patches[i].number; ++n) {
            gaps.push_back(n);
        }
    }
    EXPECT_EQ(report.patches.front().number, 1);
    EXPECT_EQ(gaps, (std::vector<int>{m_summary.emptyPatchSlot}));

    std::set<std::string> extensions;
    int shared = 0;
    int unused = 0;
    for (const CWaveEntry& wave : report.waves) {
        extensions.insert(wave.file.substr(wave.file.rfind('.')));
        shared += wave.users.size() >= 2 ? 1 : 0;
        unused += wave.users.empty() ? 1 : 0;
        EXPECT_GT(wave.bytes, 1000);
    }
    EXPECT_EQ(extensions, (std::set<std::string>{".aif", ".w00", ".wav"}));
    EXPECT_GE(shared, 3);
    EXPECT_GE(unused, 2);
    EXPECT_EQ(unused, m_summary.unusedWaves);

    EXPECT_EQ(FileNames(path),
              (std::vector<std::string>{"Orvanta Palette.s00", "Orvanta System.s00", "Orvanta Template.s00"}));
    const std::set<std::string> names = [&report] {
        std::set<std::string> all;
        for (const CPatchEntry& patch : report.patches) {
            all.insert(patch.name);
        }
        return all;
    }();
    EXPECT_EQ(names.size(), report.patches.size()); // no name twice
}

TEST_F(DemoProjectTest, UserWavesAreRealPcmAudio) {
    const std::string path = Write("Demo.prj", 7);
    int wavFiles = 0;
    int aifFiles = 0;
    for (const std::string& name : FileNames(path + "Wave")) {
        const std::vector<std::uint8_t> bytes = ReadBytes(path + "Wave/" + name);
        if (EndsWith(name, ".wav")) {
            ++wavFiles;
            ASSERT_GE(bytes.size(), 44U);
            EXPECT_EQ(Text(bytes, 0, 4), "RIFF");
            EXPECT_EQ(LittleEndian32(bytes, 4), bytes.size() - 8);
            EXPECT_EQ(Text(bytes, 8, 8), "WAVEfmt ");
            EXPECT_EQ(bytes[20] | bytes[21] << 8U, 1); // PCM
            EXPECT_EQ(bytes[22] | bytes[23] << 8U, 1); // mono
            EXPECT_EQ(LittleEndian32(bytes, 24), 22050U);
            EXPECT_EQ(bytes[34] | bytes[35] << 8U, 16); // bits
            EXPECT_EQ(Text(bytes, 36, 4), "data");
            EXPECT_EQ(LittleEndian32(bytes, 40), bytes.size() - 44);
            // Not silence.
            EXPECT_TRUE(std::any_of(bytes.begin() + 44, bytes.end(), [](std::uint8_t b) { return b != 0; }));
        } else if (EndsWith(name, ".aif")) {
            ++aifFiles;
            ASSERT_GE(bytes.size(), 54U);
            EXPECT_EQ(Text(bytes, 0, 4), "FORM");
            EXPECT_EQ(BigEndian32(bytes, 4), bytes.size() - 8);
            EXPECT_EQ(Text(bytes, 8, 8), "AIFFCOMM");
            const std::uint32_t frames = BigEndian32(bytes, 22);
            EXPECT_EQ(bytes[26] << 8U | bytes[27], 16);
            // 22050 as an 80-bit extended number: exponent 16383 + 14, mantissa 22050 << 49.
            EXPECT_EQ(bytes[28] << 8U | bytes[29], 16397);
            EXPECT_EQ(BigEndian32(bytes, 30), 22050U << 17U);
            EXPECT_EQ(Text(bytes, 38, 4), "SSND");
            EXPECT_EQ(BigEndian32(bytes, 42), 8U + frames * 2U);
            EXPECT_EQ(bytes.size(), 54U + frames * 2U);
        }
    }
    EXPECT_GE(wavFiles, 3);
    EXPECT_GE(aifFiles, 2);
}

TEST_F(DemoProjectTest, IsTheSameForOneSeedAndDiffersBetweenSeeds) {
    const std::string first = Write("First.prj", 42);
    const std::string second = Write("Second.prj", 42);
    const std::string other = Write("Other.prj", 43);
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(first), TestSupport::TakeFolderSnapshot(second));
    EXPECT_NE(TestSupport::TakeFolderSnapshot(first), TestSupport::TakeFolderSnapshot(other));
}

TEST_F(DemoProjectTest, RefusesAnExistingPathAndANameWithoutPrj) {
    const std::string path = Write("Demo.prj", 1);
    const TestSupport::FolderSnapshot before = TestSupport::TakeFolderSnapshot(m_temp.Path());
    CDemoSummary summary;
    std::string error;
    EXPECT_FALSE(WriteDemoProject(m_temp.Path() + "Demo.prj", 1, summary, error));
    EXPECT_NE(error.find("already exists"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(WriteDemoProject(m_temp.Path() + "Demo", 1, summary, error));
    EXPECT_NE(error.find(".prj"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(WriteDemoProject(m_temp.Path() + "missing/Demo.prj", 1, summary, error));
    EXPECT_NE(error, "");
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(m_temp.Path()), before);
}

} // namespace
} // namespace Orvanta::Cli
