#include "setup/VersionOrder.h"

#include <gtest/gtest.h>

namespace {

using setup::CompareVersions;

// Parts compare as numbers of any length, missing parts are 0, and what is no version gives no
// order at all (the install then goes on rather than refusing on a guess).
TEST(VersionOrderTest, PartsCompareAsNumbersAndMalformedVersionsHaveNoOrder) {
    EXPECT_LT(CompareVersions("2.9.300", "2.10.255").value_or(99), 0);
    EXPECT_GT(CompareVersions("2.10.256", "2.10.255").value_or(-99), 0);
    EXPECT_GT(CompareVersions("3", "2.10.255").value_or(-99), 0);
    EXPECT_LT(CompareVersions("2.10", "2.10.1").value_or(99), 0);
    EXPECT_EQ(CompareVersions("2.10.0", "2.10"), 0);
    EXPECT_EQ(CompareVersions(" 02.010.255\t", "2.10.255"), 0);
    EXPECT_GT(CompareVersions("2.10.99999999999999999999999", "2.10.255").value_or(-99), 0);
    EXPECT_LT(CompareVersions("2.10.255", "2.10.99999999999999999999999").value_or(99), 0);
    for (const char* malformed : {"", "   ", "2.10.", ".2", "2..10", "2.10.255-beta", "v3", "3,1", "-3", "2.1 0"})
        EXPECT_EQ(CompareVersions(malformed, "2.10.255"), std::nullopt) << '"' << malformed << '"';
}

}  // namespace
