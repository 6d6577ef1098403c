#include "text/format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "format_test_support.h"

namespace {

using format_test::above;
using format_test::below;

TEST(NumberDigits, EighteenDigitsRoundedWithTiesToEven) {
  auto digits = [](long double v, int32_t n) {
    return std::string(text::number_digits(v, n).digits);
  };
  EXPECT_EQ(digits(123, 5), "12300");
  EXPECT_EQ(text::number_digits(123, 5).exponent, 3);
  EXPECT_EQ(digits(0.5L, 3), "500");
  EXPECT_EQ(text::number_digits(0.5L, 3).exponent, 0);
  EXPECT_EQ(digits(2.5L, 1), "2");
  EXPECT_EQ(digits(3.5L, 1), "4");
  const auto carry = text::number_digits(9.5L, 1);
  EXPECT_EQ(std::string(carry.digits), "1");
  EXPECT_EQ(carry.exponent, 2);
  EXPECT_EQ(digits(0, 4), "0000");
  EXPECT_EQ(digits(std::numeric_limits<long double>::quiet_NaN(), 3), "000");
  EXPECT_EQ(digits(std::numeric_limits<long double>::denorm_min(), 3), "000");
  const auto inf = text::number_digits(std::numeric_limits<long double>::infinity(), 20);
  EXPECT_EQ(std::string(inf.digits), std::string(20, '9'));
  EXPECT_EQ(inf.exponent, 999);
  EXPECT_TRUE(text::number_digits(-42, 2).negative);
  EXPECT_EQ(digits(1.0L / 3, 18), "333333333333333333");
  EXPECT_EQ(digits(0.001L, 18), "100000000000000000");
  EXPECT_EQ(text::number_digits(0.001L, 18).exponent, -2);
  EXPECT_EQ(digits(123456789.125L, 12), "123456789125");
  EXPECT_EQ(digits(2.0L / 3, 17), "66666666666666667");
  EXPECT_EQ(digits(2.51L, 1), "3");
  EXPECT_EQ(digits(above(2.5L), 1), "3");
  EXPECT_EQ(digits(below(3.5L), 1), "3");
  EXPECT_EQ(digits(12345678901234567.5L, 17), "12345678901234568");
  EXPECT_EQ(digits(below(12345678901234567.5L), 17), "12345678901234567");
}

#if defined(__GLIBC__) && LDBL_MANT_DIG == 64
// The C library's conversion is exact and rounds the exact value to nearest with ties to
// even: every rounding of number_digits to 1..17 digits must agree with it, for values
// spread over the whole range and for the values at and next to decimal halves, whose 18
// digits look like a tie.
TEST(NumberDigits, RoundingMatchesAnExactConversion) {
  uint64_t x = 88172645463325252u;
  auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return x;
  };
  std::vector<long double> values;
  for (int i = 0; i < 600; ++i) {
    // A random mantissa at a random binary exponent.
    const long double m = std::ldexp(static_cast<long double>(next() | (1ull << 63)), -64);
    values.push_back(std::ldexp(m, static_cast<int>(next() % 32000) - 16000));
  }
  for (int i = 0; i < 600; ++i) {
    // A decimal half with `keep` kept digits at a random decimal exponent, and its neighbours.
    const int keep = 1 + static_cast<int>(next() % 17);
    const long double kept = static_cast<long double>(next() % 100000000000000000u);
    const long double half =
        (kept + 0.5L) * std::pow(10.0L, static_cast<int>(next() % 80) - 40 - keep);
    values.insert(values.end(), {half, above(half), below(half)});
  }
  for (const long double v : values) {
    for (int32_t count = 1; count <= 17; ++count) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.*Le", count - 1, v);
      std::string expected(1, buf[0]);
      const char* p = buf + 1;
      if (*p == '.') ++p;
      while (*p != 'e') expected.push_back(*p++);
      const auto got = text::number_digits(v, count);
      ASSERT_EQ(std::string(got.digits), expected) << buf << " count " << count;
      ASSERT_EQ(got.exponent, std::atoi(p + 1) + 1) << buf;
    }
  }
}

#endif

TEST(NumberToText, PlainConversion) {
  EXPECT_EQ(text::number_to_text(5, 15), " 5");
  EXPECT_EQ(text::number_to_text(-5, 15), "-5");
  EXPECT_EQ(text::number_to_text(1.5L, 15), " 1.5");
  EXPECT_EQ(text::number_to_text(0.25L, 15), " 0.25");
  EXPECT_EQ(text::number_to_text(0, 15), " 0");
  EXPECT_EQ(text::number_to_text(1e20L, 15), " 1E+20");
  EXPECT_EQ(text::number_to_text(1e-20L, 15), " 1E-20");
  EXPECT_EQ(text::number_to_text(123456789012345678.0L, 15), " 1.23456789012346E+17");
  EXPECT_EQ(text::number_to_text(2.0L / 3, 15), " 0.666666666666667");
  EXPECT_EQ(text::number_to_text(123456789012345.5L, 15), " 123456789012346");
  EXPECT_EQ(text::number_to_text(123456789012344.5L, 15), " 123456789012344");
  EXPECT_EQ(text::number_to_text(above(123456789012344.5L), 15), " 123456789012345");
}

}  // namespace
