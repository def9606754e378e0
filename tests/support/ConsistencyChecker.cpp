#include "ConsistencyChecker.h"

#include "model/CTernData.h"

#include <algorithm>
#include <sstream>

namespace Orvanta::TestSupport {

namespace {

std::string Join(const std::vector<std::int32_t>& values) {
    std::ostringstream text;
    text << "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        text << (i > 0 ? " " : "") << values[i];
    }
    text << "]";
    return text.str();
}

} // namespace

std::vector<std::string> ConsistencyChecker::Problems(const CTernData& project) {
    std::vector<std::string> problems;
    if (project.m_patches.size() != kPatchSlots) {
        problems.push_back("patch list has " + std::to_string(project.m_patches.size()) + " slots");
    }
    if (project.m_waves.size() != kWaveSlots) {
        problems.push_back("wave list has " + std::to_string(project.m_waves.size()) + " slots");
    }
    if (project.m_patchFiles.size() != kPatchSlots || project.m_waveFiles.size() != kWaveSlots) {
        problems.push_back("slot file lists have " + std::to_string(project.m_patchFiles.size()) + " and " +
                           std::to_string(project.m_waveFiles.size()) + " entries");
    }

    // The users each wave should have, from the patches' references (each patch once per wave).
    std::vector<std::vector<std::int32_t>> expected(project.m_waves.size());
    std::vector<std::int32_t> lastUser(kMaxWaveNumber + 1, -1);
    for (std::size_t p = 0; p < project.m_patches.size(); ++p) {
        const auto user = static_cast<std::int32_t>(p);
        for (const COsc& osc : project.m_patches[p].m_osc) {
            for (int r = 0; r < static_cast<int>(COsc::kReferenceCount); ++r) {
                const int w = osc.GetWaveNumber(r);
                if (!IsWaveSlotNumber(w) || lastUser[static_cast<std::size_t>(w)] == user) {
                    continue;
                }
                lastUser[static_cast<std::size_t>(w)] = user;
                const auto slot = static_cast<std::size_t>(w - 1);
                if (slot < expected.size()) {
                    expected[slot].push_back(user);
                } else {
                    problems.push_back("patch " + std::to_string(p) + " names wave " + std::to_string(w) +
                                       " past the end of the wave list");
                }
            }
        }
    }
    for (std::size_t j = 0; j < project.m_waves.size(); ++j) {
        const std::vector<std::int32_t>& listed = project.m_waves[j].m_users;
        if (listed.empty() && expected[j].empty()) {
            continue;
        }
        std::vector<std::int32_t> users = listed;
        std::sort(users.begin(), users.end());
        if (users != expected[j]) {
            problems.push_back("wave slot " + std::to_string(j) + " lists users " + Join(project.m_waves[j].m_users) +
                               " but is referenced by " + Join(expected[j]));
        }
    }
    return problems;
}

::testing::AssertionResult ConsistencyChecker::IsConsistent(const CTernData& project) {
    const std::vector<std::string> problems = Problems(project);
    if (problems.empty()) {
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << problems.size() << " problem(s):";
    for (std::size_t i = 0; i < problems.size() && i < 10; ++i) {
        failure << "\n  " << problems[i];
    }
    return failure;
}

} // namespace Orvanta::TestSupport
