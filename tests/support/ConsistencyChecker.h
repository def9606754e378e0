#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Orvanta {
class CTernData;
}

namespace Orvanta::TestSupport {

// Checks the invariants every librarian operation keeps for a project container: 512 patch and 999
// wave slots (and as many slot file entries), and for every wave slot j, its users are exactly the
// patch slots that reference wave number j + 1, each listed once. References above 999 name no wave.
class ConsistencyChecker {
public:
    // One line per problem found; empty when the container is consistent.
    [[nodiscard]] static std::vector<std::string> Problems(const CTernData& project);

    // For EXPECT_TRUE / ASSERT_TRUE: fails with the first problems found.
    [[nodiscard]] static ::testing::AssertionResult IsConsistent(const CTernData& project);
};

} // namespace Orvanta::TestSupport
