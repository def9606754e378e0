#include "model/CDomain.h"
#include "model/CProgressEpisode.h"
#include "operations/TransferOperations.h"
#include "storage/CTernFileDocument.h"

#include "ProjectBuilder.h"
#include "StorageDomainGuard.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace Orvanta {
namespace {

using TestSupport::ProjectBuilder;
using TestSupport::StorageDomainGuard;
using TestSupport::TempFolder;

// Records every call the storage layer makes on the progress reporter.
class RecordingProgress : public CTernProgressBar {
public:
    void Reserved(int, int, int) override {}
    void Begin(int maximum, const std::string& text, bool cancellable) override {
        ++m_depth;
        m_begins.push_back(text);
        m_maximums.push_back(maximum);
        m_everCancellable = m_everCancellable || cancellable;
    }
    void End() override {
        --m_depth;
        ++m_ends;
    }
    void SetPos(int position) override { m_positions.push_back(position); }
    bool PumpAndCheckCancel() override {
        ++m_pumps;
        return false;
    }

    std::vector<std::string> m_begins;
    std::vector<int> m_maximums;
    std::vector<int> m_positions;
    int m_ends = 0;
    bool m_everCancellable = false;
    int m_pumps = 0;
};

class ProgressReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto progress = std::make_unique<RecordingProgress>();
        m_progress = progress.get();
        CDomain::Instance().SetProgress(std::move(progress));
    }
    void TearDown() override {
        CDomain::Instance().SetProgress(nullptr);
        CProgressEpisode::SetDelay(m_savedDelay);
    }

    StorageDomainGuard m_guard;
    TempFolder m_temp;
    RecordingProgress* m_progress = nullptr;
    std::chrono::milliseconds m_savedDelay = CProgressEpisode::Delay();
};

TEST_F(ProgressReportTest, LongLoadAndSaveReportBalancedEpisodes) {
    CProgressEpisode::SetDelay(std::chrono::milliseconds(0));
    ProjectBuilder project(m_temp.Path(), "Song.prj");
    project.AddPatch("001 Pad.p00", ProjectBuilder::PatchUsingWaves(1));
    project.AddWave("001 Strings.wav");

    CTernFileDocument document;
    ASSERT_TRUE(document.OpenProjectFolder(project.Path()));
    EXPECT_EQ(m_progress->m_begins, (std::vector<std::string>{"Loading patches...", "Loading waves..."}));
    EXPECT_EQ(m_progress->m_maximums, (std::vector<int>{512, 999}));
    EXPECT_EQ(m_progress->m_ends, 2);
    EXPECT_EQ(m_progress->Depth(), 0);
    ASSERT_FALSE(m_progress->m_positions.empty());
    EXPECT_EQ(m_progress->m_positions.back(), 998);
    EXPECT_GT(m_progress->m_pumps, 0) << "the display gets a chance to update";

    m_progress->m_begins.clear();
    document.Data().m_patches[0].SetName("Lead", false);
    document.SetModified(true);
    ASSERT_TRUE(document.SaveProjectTo(project.Path()));
    EXPECT_EQ(m_progress->m_begins, (std::vector<std::string>{"Saving..."}));
    EXPECT_EQ(m_progress->m_ends, 3);
    EXPECT_FALSE(m_progress->m_everCancellable);
}

TEST_F(ProgressReportTest, ASaveThatOnlyDeletesShowsOneDisplayUpToItsLastFile) {
    CProgressEpisode::SetDelay(std::chrono::milliseconds(0));
    ProjectBuilder project(m_temp.Path(), "Song.prj");
    for (int i = 1; i <= 20; ++i) {
        project.AddPatch((i < 10 ? "00" : "0") + std::to_string(i) + " Pad.p00");
    }
    CTernFileDocument document;
    ASSERT_TRUE(document.OpenProjectFolder(project.Path()));
    m_progress->m_begins.clear();
    m_progress->m_maximums.clear();
    m_progress->m_positions.clear();
    ASSERT_TRUE(DeleteItems(document.Data(), SlotRange(0, 20), kPatchList, false));
    ASSERT_TRUE(document.SaveProjectTo(project.Path()));
    // No copies: the 20 files are parked, then deleted, each a step of one display.
    EXPECT_EQ(m_progress->m_begins, (std::vector<std::string>{"Saving..."}));
    EXPECT_EQ(m_progress->m_maximums, (std::vector<int>{40}));
    ASSERT_FALSE(m_progress->m_positions.empty());
    EXPECT_EQ(m_progress->m_positions.back(), 40);
    EXPECT_EQ(m_progress->Depth(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(project.Path() + "Patch"));
}

TEST_F(ProgressReportTest, QuickWorkShowsNoProgress) {
    CProgressEpisode::SetDelay(std::chrono::hours(1));
    ProjectBuilder project(m_temp.Path(), "Song.prj");
    project.AddPatch("001 Pad.p00");
    CTernFileDocument document;
    ASSERT_TRUE(document.OpenProjectFolder(project.Path()));
    EXPECT_TRUE(m_progress->m_begins.empty());
    EXPECT_EQ(m_progress->m_ends, 0);
    EXPECT_TRUE(m_progress->m_positions.empty());
}

TEST_F(ProgressReportTest, AFailedLoadStillEndsItsEpisode) {
    CProgressEpisode::SetDelay(std::chrono::milliseconds(0));
    ProjectBuilder project(m_temp.Path(), "Broken.prj");
    project.AddPatchBytes("001 Bad.p00", std::vector<std::uint8_t>(10, 0));
    CTernFileDocument document;
    EXPECT_FALSE(document.OpenProjectFolder(project.Path()));
    EXPECT_EQ(static_cast<int>(m_progress->m_begins.size()), m_progress->m_ends);
    EXPECT_EQ(m_progress->Depth(), 0);
}

} // namespace
} // namespace Orvanta
