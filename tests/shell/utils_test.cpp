#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "Tarvel/shell/utils.h"

namespace {

TEST(Log10Prob, FloorOnlyForZero) {
    EXPECT_EQ(static_cast<float>(Log10Prob(0.0f)), -99.99f);
    EXPECT_EQ(Log10Prob(0.0f), static_cast<double>(-99.99f));  // widened single, not double -99.99
    EXPECT_EQ(Log10Prob(-0.0f), static_cast<double>(-99.99f));
    EXPECT_EQ(Log10Prob(1.0f), 0.0);
    EXPECT_NEAR(Log10Prob(0.001f), -3.0, 1e-6);
    EXPECT_NEAR(Log10Prob(1e-30f), -30.0, 1e-5);
}

TEST(Log10Prob, TheSmallestPositiveValueIsNotFloored) {
    // Single precision reaches down to about 1.4e-45: far below 10^-99.99 is out of reach,
    // but the smallest denormal already shows the floor is not applied to small values.
    float tiny = std::numeric_limits<float>::denorm_min();
    EXPECT_NEAR(Log10Prob(tiny), std::log10(static_cast<double>(tiny)), 1e-9);
    EXPECT_GT(Log10Prob(tiny), -99.99);
    // What matters for callers: a value that is not 0 never answers the floor itself.
    EXPECT_NE(Log10Prob(tiny), static_cast<double>(-99.99f));
}

TEST(Log10Prob, NaNAndNegativeTakeTheFloor) {
    EXPECT_EQ(Log10Prob(std::numeric_limits<float>::quiet_NaN()), static_cast<double>(-99.99f));
    EXPECT_EQ(Log10Prob(-0.5f), static_cast<double>(-99.99f));
}

TEST(TextHelpers, TwoDigits) {
    EXPECT_EQ(TwoDigits(0), "00");
    EXPECT_EQ(TwoDigits(9), "09");
    EXPECT_EQ(TwoDigits(10), "10");
    EXPECT_EQ(TwoDigits(59), "59");
    EXPECT_EQ(TwoDigits(123), "123");
    EXPECT_EQ(TwoDigits(-3), "0-3");
}

TEST(TextHelpers, BoolToText) {
    EXPECT_EQ(BoolToText(true), "1");
    EXPECT_EQ(BoolToText(false), "0");
}

TEST(PrivateMemory, GrowsWithACommittedAllocation) {
    uint32_t before = PrivateMemoryKB();
    EXPECT_GT(before, 0u);
    std::vector<char> block(8 << 20, 1);  // 8 MB, touched
    uint32_t after = PrivateMemoryKB();
    EXPECT_GE(after, before + 7 * 1024) << before << " -> " << after;
}

}  // namespace
