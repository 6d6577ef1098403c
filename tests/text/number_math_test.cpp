#include "text/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "format_test_support.h"

namespace {

TEST(NumberPower, SquaringZeroAndNegativeBaseRules) {
  EXPECT_EQ(text::number_power(3, 3), 27.0L);
  EXPECT_EQ(text::number_power(99, 3), 970299.0L);
  EXPECT_EQ(text::number_power(2, -2), 0.25L);
  EXPECT_EQ(text::number_power(0, 0), 1.0L);
  EXPECT_EQ(text::number_power(std::numeric_limits<long double>::quiet_NaN(), 0), 1.0L);
  EXPECT_EQ(text::number_power(0, 5), 0.0L);
  EXPECT_TRUE(std::isnan(text::number_power(0, -1)));
  EXPECT_EQ(text::number_power(-2, 3), -8.0L);
  EXPECT_EQ(text::number_power(-2, 2.6L), -8.0L);  // exponent rounded first
  EXPECT_EQ(text::number_power(-8, 1.0L / 3), 1.0L);
  EXPECT_NEAR(static_cast<double>(text::number_power(2, 0.5L)), std::sqrt(2.0), 1e-15);
  EXPECT_TRUE(std::isinf(text::number_power(2, 70000)));
  EXPECT_LT(text::number_power(-2, 65537), 0);
  EXPECT_EQ(text::number_power(1.5L, 65535), std::pow(1.5L, 65535.0L));
}

TEST(NumberMath, LogarithmAndRootRules) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  for (long double bad : {0.0L, -1.0L, inf, nan}) {
    EXPECT_EQ(text::number_ln(bad), 0.0L);
    EXPECT_EQ(text::number_log2(bad), 0.0L);
    EXPECT_EQ(text::number_log10(bad), 0.0L);
  }
  EXPECT_NEAR(static_cast<double>(text::number_log10(1000)), 3.0, 1e-15);
  EXPECT_EQ(text::number_log2(8), 3.0L);
  EXPECT_EQ(text::number_sqrt(-4), -4.0L);
  EXPECT_EQ(text::number_sqrt(16), 4.0L);
  EXPECT_EQ(text::number_exp2(10), 1024.0L);
  EXPECT_NEAR(static_cast<double>(text::number_exp10(2)), 100.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(text::number_exp(1)), 2.718281828459045, 1e-15);
  EXPECT_NEAR(static_cast<double>(text::number_atan(1) * 4), 3.141592653589793, 1e-15);
  EXPECT_NEAR(static_cast<double>(text::number_sin(0.5L)), std::sin(0.5), 1e-15);
  EXPECT_NEAR(static_cast<double>(text::number_cos(0.5L)), std::cos(0.5), 1e-15);
  EXPECT_NEAR(static_cast<double>(text::number_tan(0.5L)), std::tan(0.5), 1e-15);
}

}  // namespace
