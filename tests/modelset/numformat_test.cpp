#include "Tarvel/engine/numformat.h"

#include <gtest/gtest.h>

using engine::FormatGeneral;

TEST(NumFormat, SinglePrecisionValuesShowTheirFifteenDigits) {
    EXPECT_EQ(FormatGeneral(1.0f / 3.0f, '.'), "0.333333343267441");
    EXPECT_EQ(FormatGeneral(static_cast<double>(0.1f) + static_cast<double>(0.9f), '.'), "0.999999977648258");
    EXPECT_EQ(FormatGeneral(0.1f, '.'), "0.100000001490116");
}

TEST(NumFormat, TrailingZerosAndSeparatorDropped) {
    EXPECT_EQ(FormatGeneral(0.5, '.'), "0.5");
    EXPECT_EQ(FormatGeneral(2.0, '.'), "2");
    EXPECT_EQ(FormatGeneral(0.0, '.'), "0");
    EXPECT_EQ(FormatGeneral(-0.25, '.'), "-0.25");
    EXPECT_EQ(FormatGeneral(100.0, '.'), "100");
}

TEST(NumFormat, ScientificBelowOneTenThousandthAndFromTenToTheFifteenth) {
    EXPECT_EQ(FormatGeneral(0.00005, '.'), "5E-5");
    EXPECT_EQ(FormatGeneral(0.000015, '.'), "1.5E-5");
    EXPECT_EQ(FormatGeneral(-0.00005, '.'), "-5E-5");
    EXPECT_EQ(FormatGeneral(0.0001, '.'), "0.0001");
    EXPECT_EQ(FormatGeneral(0.00012345, '.'), "0.00012345");
    EXPECT_EQ(FormatGeneral(1e15, '.'), "1E15");
    EXPECT_EQ(FormatGeneral(123456789012345.0, '.'), "123456789012345");
    // Rounding to 15 digits carries into the next power of ten.
    EXPECT_EQ(FormatGeneral(999999999999999.9, '.'), "1E15");
    EXPECT_EQ(FormatGeneral(0.99999999999999999, '.'), "1");
}

TEST(NumFormat, UsesTheGivenSeparator) {
    EXPECT_EQ(FormatGeneral(0.5, ','), "0,5");
    EXPECT_EQ(FormatGeneral(0.000015, ','), "1,5E-5");
}
