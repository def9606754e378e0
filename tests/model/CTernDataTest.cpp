#include "model/CTernData.h"

#include <gtest/gtest.h>

#include <numeric>

namespace Orvanta {
namespace {

TEST(CTernData, NewContainerIsEmpty) {
    const CTernData data;
    EXPECT_EQ(data.m_patches.size(), 512U);
    EXPECT_EQ(data.m_waves.size(), 999U);
    EXPECT_EQ(data.m_patchFiles.size(), 512U);
    EXPECT_EQ(data.m_waveFiles.size(), 999U);
    EXPECT_EQ(data.CountEmpty(0), 512U);
    EXPECT_EQ(data.CountEmpty(1), 999U);
    EXPECT_EQ(data.CountEmpty(2), 0U);
    EXPECT_EQ(data.UsedExtent(0), 0U);
    EXPECT_EQ(data.UsedExtent(1), 0U);
    std::vector<std::size_t> all(999);
    std::iota(all.begin(), all.end(), 0U);
    EXPECT_EQ(data.EmptySlots(1), all);
    EXPECT_TRUE(data.EmptySlots(5).empty());
    EXPECT_EQ(CTernData::Capacity(0), 512U);
    EXPECT_EQ(CTernData::Capacity(1), 999U);
    EXPECT_EQ(CTernData::Capacity(-1), 0U);
}

TEST(CTernData, RangeQueriesAtTheirBoundaries) {
    CTernData data;
    EXPECT_TRUE(data.IsValidRange(0, 510, 2));
    EXPECT_FALSE(data.IsValidRange(0, 510, 3));
    EXPECT_FALSE(data.IsValidRange(0, 512, 0)) << "start must lie inside the list";
    EXPECT_TRUE(data.IsValidRange(1, 998, 1));
    EXPECT_FALSE(data.IsValidRange(1, 999, 1));
    EXPECT_FALSE(data.IsValidRange(0, 1, static_cast<std::size_t>(-1))) << "no wrap-around of start + count";

    data.m_patches[7].m_path = "/p/Patch/008 X.p00";
    EXPECT_EQ(data.UsedExtent(0), 8U);
    EXPECT_TRUE(data.AnyUsedInTail(0, 505));
    EXPECT_FALSE(data.AnyUsedInTail(0, 504));
    EXPECT_TRUE(data.AnyUsedInRange(0, 7, 1));
    EXPECT_FALSE(data.AnyUsedInRange(0, 0, 7));
    EXPECT_FALSE(data.AnyUsedInRange(0, 8, 504));
    EXPECT_EQ(data.CountEmpty(0), 511U);
    EXPECT_EQ(data.EmptySlots(0).size(), 511U);
    EXPECT_EQ(data.UsedExtent(1), 0U) << "any non-zero selector means waves";
    EXPECT_EQ(data.UsedExtent(0), 8U);

    data.m_waves[998].m_path = "/p/Wave/999 Last.wav";
    EXPECT_EQ(data.UsedExtent(7), 999U);
    EXPECT_TRUE(data.AnyUsedInTail(1, 1));
}

TEST(CParameterArray, AssignToItselfChangesNothingAndClonesAreIndependent) {
    CTernData data;
    data.m_waves[4].m_path = "/w/005 A.wav";
    data.m_waves[4].AddUser(2, false);
    data.m_waves.Assign(data.m_waves);
    EXPECT_EQ(data.m_waves.size(), 999U);
    EXPECT_EQ(data.m_waves[4].m_path, "/w/005 A.wav");

    CWaveArray copy;
    copy.Assign(data.m_waves);
    ASSERT_EQ(copy.size(), 999U);
    copy[4].m_path = "changed";
    copy[4].AddUser(9, false);
    EXPECT_EQ(data.m_waves[4].m_path, "/w/005 A.wav");
    EXPECT_EQ(data.m_waves[4].m_users.size(), 1U);
    EXPECT_NE(&copy[4], &data.m_waves[4]);

    const CWaveArray constructed(data.m_waves);
    EXPECT_EQ(constructed[4].m_users, std::vector<std::int32_t>{2});
}

TEST(CParameterArray, ResizeGrowsWithDefaultsAndShrinksFromTheEnd) {
    CWaveArray waves;
    waves.Resize(999);
    ASSERT_EQ(waves.size(), 999U);
    EXPECT_TRUE(waves[998].IsEmpty());
    EXPECT_TRUE(waves[998].m_users.empty());
    waves[0].m_path = "keep";
    waves.Resize(1);
    EXPECT_EQ(waves.size(), 1U);
    EXPECT_EQ(waves[0].m_path, "keep");
    waves.Resize(0);
    EXPECT_TRUE(waves.empty());

    CPatchArray patches;
    patches.Resize(2);
    EXPECT_EQ(patches[1].m_osc[15].m_values.size(), 121U);
}

} // namespace
} // namespace Orvanta
