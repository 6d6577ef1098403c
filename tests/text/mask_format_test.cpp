#include "text/format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "format_oracle.h"
#include "format_test_support.h"
#include "runtime/error.h"
#include "text/strings.h"

namespace {

using format_test::above;
using format_test::below;
using format_test::expect_cases;
using format_test::field;
using format_test::MaskCase;
using runtime::ErrorScope;

// The cube table's choice of mask by the size of the cube.
std::string cube_mask(int32_t number, int32_t cube) {
  if (cube <= 9) return "     #";
  if (cube <= 99) return "    ##";
  if (cube <= 999) return "   ###";
  if (cube <= 9999) return " #,###";
  if (cube <= 99999) return number < 31 ? "##,###" : " ##,###";
  return "###,###";
}

TEST(MaskFormat, CubeTableAtEveryMaskBoundary) {
  const struct {
    int32_t number;
    const char* text;
  } cases[] = {{2, "     8"},   {3, "    27"},   {9, "   729"},   {10, " 1,000"},
               {21, " 9,261"},  {22, "10,648"},  {30, "27,000"},  {31, " 29,791"},
               {46, " 97,336"}, {47, "103,823"}, {99, "970,299"}, {1, "     1"},
               {61, "226,981"}, {91, "753,571"}, {11, " 1,331"},  {41, " 68,921"}};
  for (const auto& c : cases) {
    const long double power = text::number_power(c.number, 3);
    const auto cube = static_cast<int32_t>(std::nearbyint(power));
    ASSERT_EQ(cube, c.number * c.number * c.number);
    EXPECT_EQ(text::mask_format(cube, cube_mask(c.number, cube)), c.text) << c.number;
  }
}

TEST(MaskFormat, EveryCubeTextHasItsColumnWidth) {
  for (int32_t i = 1; i <= 99; ++i) {
    const int32_t cube = i * i * i;
    const std::string s = text::mask_format(cube, cube_mask(i, cube));
    EXPECT_EQ(s.size(), i <= 30 ? 6u : 7u) << i;
  }
}

TEST(MaskFormat, DigitPositionsGroupingAndWidening) {
  const MaskCase cases[] = {
      {"#", 1000, "1000"},
      {"#,###", 1000000, "1,000,000"},
      {"000", 5, "005"},
      {"###", 5, "5"},
      {"#", 0, "0"},
      {"00", 12345, "12345"},
      {" #,###", 1234567, " 1,234,567"},
      {"000,000", 5, "000,005"},
      {"#,##0", 0, "0"},
      {"#,##0", 999, "999"},
      {"#,##0", -1234, "-1,234"},
      {"##-##", 1234, "12-34"},
      {"##-##", 5, "-5"},
      {"x#y", 5, "5"},
      {"0,.0", 1234.5L, "1,234.5"},
      {"0.0,0", 0.25L, "0.25"},  // grouping never touches fraction digits
  };
  expect_cases(std::begin(cases), std::end(cases));
}

TEST(MaskFormat, SectionsSignsAndZero) {
  const MaskCase cases[] = {
      {"#;(#)", -5, "(5)"},
      {"#", -5, "-5"},
      {"0", -0.4L, "0"},
      {"0##", -5, "-05"},  // the sign stands left of every "0" position
      {"0##.0", -5, "-05.0"},
      {"#0#", -5, "-05"},
      {"0##", -123, "-123"},
      {"##0", -5, "-5"},
      {"0.0", -0.04L, "-0.0"},  // only a lone "0" loses its sign
      {"0;-0;\"zero\"", 0, "zero"},
      {"0;;\"zero\"", -3, "-3"},  // empty negative section: section 1 keeps the sign
      {"0.0;(0.0);", 0, "0.0"},   // empty zero section falls back to section 1
      {"\"a;b\"0;x0", 5, "a;b5"},
      {"\"a;b\"0;\\(0", -5, "(5"},
      {"0;(0);\"z\";\"ignored\"", 0, "z"},
      {"0;(0);\"z\";\"ignored\"", -1, "(1)"},
      {"-", 5, "-"},
      {"abc", 5, ""},
      {"", 5, "5"},
      {"", -2.5L, "-2.5"},
      {";", -7, "-7"},
      {"", 1e20L, "1E+20"},
  };
  expect_cases(std::begin(cases), std::end(cases));
}

TEST(MaskFormat, FractionsRoundingTiesAndTrailingZeros) {
  const MaskCase cases[] = {
      {"0.0", 0.25L, "0.2"},
      {"0.0", 0.75L, "0.8"},
      {"0", 2.5L, "2"},
      {"0", 3.5L, "4"},
      {"0", 0.5L, "0"},
      {"0", 1.5L, "2"},
      {"#", 9.5L, "10"},
      {"0.0", 9.96L, "10.0"},
      {"0", 999.5L, "1000"},
      {"#.##", 1.5L, "1.5"},
      {"#.##", 1, "1."},
      {"#.##", 0.5L, "0.5"},
      {"0.00", 1.5L, "1.50"},
      {".##", 0.5L, ".5"},
      {".##", 12.5L, "12.5"},
      {"0.000", 0.0625L, "0.062"},
      {"0.000", 0.1875L, "0.188"},
      {"#,##0.00", 1234.5L, "1,234.50"},
      {"#,##0.00;(#,##0.00)", -1234.5L, "(1,234.50)"},
      {"0.0", 1e-30L, "0.0"},
      {"0.##", 0.004L, "0."},
  };
  expect_cases(std::begin(cases), std::end(cases));
}

// Only an exact half goes to the even digit; anything past it, however far down the digits,
// rounds away from it. The neighbours of a half differ from it only beyond the 18th digit.
TEST(MaskFormat, RoundingDecidesOnTheWholeDroppedPart) {
  const MaskCase cases[] = {
      {"0.0", 0.251L, "0.3"},
      {"0.0", above(0.25L), "0.3"},
      {"0.0", below(0.25L), "0.2"},
      {"0.0", 0.2499L, "0.2"},
      {"0.0", below(0.75L), "0.7"},
      {"0", 2.51L, "3"},
      {"0", 2.5000001L, "3"},
      {"0", above(2.5L), "3"},
      {"0", below(2.5L), "2"},
      {"0", below(3.5L), "3"},
      {"0", above(0.5L), "1"},
      {"0.00", 0.45, "0.45"},  // the double nearest 0.45 holds more digits
      {"0.0", 0.45, "0.5"},    // ... and lies above the half
      {"0.0", 0.15, "0.1"},    // ... and this one below it
      {"0", 1234567890123456.5L, "1234567890123456"},
      {"0", 1234567890123457.5L, "1234567890123458"},
      {"0", above(1234567890123456.5L), "1234567890123457"},
      {"0", -2.51L, "-3"},
      {"0%", 0.125L, "12%"},
      {"0%", above(0.125L), "13%"},
      {"0E+0", 2.5e20L, "2E+20"},  // 5^21 x 2^19: an exact half far above the point
      {"0E+0", above(2.5e20L), "3E+20"},
      {"0E+0", 2.51L, "3E+0"},
      {"0.0E+0", below(1.25e-3L), "1.2E-3"},
  };
  expect_cases(std::begin(cases), std::end(cases));
}

TEST(MaskFormat, FillPercentLiteralsAndEscapes) {
  const MaskCase cases[] = {
      {"**###", 5, "****5"},   {"**###", -5, "***-5"},    {"000", -5, "-005"},
      {"0,000", -5, "-0,005"}, {"*x####", 12, "xxxx12"},  {"*x", 123, "123"},
      {"0%", 0.5L, "50%"},     {"0.0%", 0.125L, "12.5%"}, {"0%", 0.005L, "0%"},
      {"%0", 7, "7"},          {"#%", 0, "0%"},           {"\"$\"#,##0", 1234, "$1,234"},
      {"\\#0", 5, "#5"},       {"0\\", 5, "5"},           {"0*", 5, "5*"},
      {"(0)", 5, "(5)"},       {"$ 0", 5, "$ 5"},         {"0E", 5, "5E"},
      {"E+0", 5, "+5"},
  };
  expect_cases(std::begin(cases), std::end(cases));
}

TEST(MaskFormat, ExponentForms) {
  const MaskCase cases[] = {
      {"0.00E+00", 12345, "1.23E+04"},
      {"0.00E-00", 12345, "1.23E04"},
      {"0.00E-00", 0.00012345L, "1.23E-04"},
      {"0.00E+00", 0.00012345L, "1.23E-04"},
      {"##0.0E+0", 12345, "123.4E+2"},  // tie to the even fourth digit
      {"0.0E+0", 99.96L, "1.0E+2"},     // carry out of the mantissa
      {"0E+0", 0, "0E+0"},
      {"0.00E+00", -12345, "-1.23E+04"},
      {"0E+000", 5, "5E+000"},
      {"0E-#", 5e12L, "5E12"},
      {"0E+", 5, "5E"},  // no exponent positions: not an exponent
  };
  expect_cases(std::begin(cases), std::end(cases));
}

TEST(MaskFormat, ExtremeValuesStayBounded) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const std::string nines = text::mask_format(inf, "0");
  EXPECT_EQ(nines.size(), 999u);
  EXPECT_EQ(nines.substr(0, 18), std::string(18, '9'));
  EXPECT_EQ(text::mask_format(std::numeric_limits<long double>::quiet_NaN(), "0.0"), "0.0");
  const std::string big = text::mask_format(std::numeric_limits<long double>::max(), "#,##0");
  EXPECT_GT(big.size(), 4900u);
  EXPECT_EQ(text::mask_format(std::numeric_limits<long double>::denorm_min(), "0.0"), "0.0");
  // A long mask of grouped "0" positions writes a comma for every third position: the
  // output is a third longer than the mask.
  std::string grouped_zeros;
  for (int i = 0; i < 84; ++i) grouped_zeros += ",000";
  EXPECT_EQ(text::mask_format(0, "#," + std::string(254, '0')), "00" + grouped_zeros);
  EXPECT_EQ(text::mask_format(-1234, "#," + std::string(254, '0')),
            "-00" + grouped_zeros.substr(0, grouped_zeros.size() - 8) + ",001,234");
  // A mask longer than the template holds is cut, never overrun.
  const std::string long_mask(10000, '0');
  EXPECT_EQ(text::mask_format(7, long_mask).size(), 4096u);
}

TEST(MaskFormat, ResultStorageFailureRaises7) {
  ErrorScope scope;
  text::text_set_length_limit(4);
  const std::string failed = text::mask_format(1234567, "#,###");
  const std::string fits = text::mask_format(12, "#,###");
  text::text_set_length_limit(text::kTextMaxLength);
  EXPECT_EQ(failed, "");
  EXPECT_EQ(fits, "12");
  EXPECT_EQ(runtime::error_take(), 7);
}

#if defined(__GLIBC__) && LDBL_MANT_DIG == 64
// Every fraction mask and numeric field against the C library's exact conversion and the
// layout rules (format_oracle.h): random mask and field shapes with up to 24 decimals, over
// values spread across magnitudes, exact decimal halves (odd multiples of 2^-(d+1), which are
// ties at d decimals), the long doubles nearest to decimal halves, and the neighbours of
// both: fourteen checks for each of 75000 base values, over a million in all.
TEST(MaskFormat, FractionsMatchAnExactConversion) {
  constexpr int kBaseValues = 75000;
  uint64_t x = 0x9E3779B97F4A7C15u;
  auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return x;
  };
  auto below_n = [&next](uint64_t n) { return n ? next() % n : 0; };

  format_oracle::MaskShape mask_shape;
  format_oracle::FieldShape field_shape;
  std::string mask_text;
  std::string field_text;
  auto new_shapes = [&] {
    mask_shape.int_hashes = static_cast<int32_t>(below_n(4));
    mask_shape.int_zeros = static_cast<int32_t>(below_n(3));
    mask_shape.grouping = below_n(2);
    mask_shape.point = below_n(8) != 0;
    // Mostly the two to six decimals of money and measures, now and then up to 24.
    const int32_t decimals =
        below_n(4) ? static_cast<int32_t>(below_n(7)) : static_cast<int32_t>(below_n(25));
    mask_shape.frac_zeros = static_cast<int32_t>(below_n(static_cast<uint64_t>(decimals) + 1));
    mask_shape.frac_hashes = decimals - mask_shape.frac_zeros;
    if (mask_shape.int_hashes + mask_shape.int_zeros == 0 && (!mask_shape.point || decimals == 0))
      mask_shape.int_zeros = 1;
    mask_shape.percent = below_n(6) == 0 && (!mask_shape.point || decimals > 0);
    mask_text = mask_shape.text();
    do {
      field_shape.lead_plus = below_n(5) == 0;
      const uint64_t pad = below_n(6);
      field_shape.fill = pad == 0 ? '*' : pad == 1 ? 'x' : 0;
      field_shape.dollar = below_n(6) == 0;
      field_shape.hashes = static_cast<int32_t>(below_n(6));
      field_shape.grouping = below_n(3) == 0;
      field_shape.point = below_n(5) != 0;
      field_shape.decimals =
          below_n(4) ? static_cast<int32_t>(below_n(5)) : static_cast<int32_t>(below_n(25));
      const uint64_t trail = below_n(5);
      field_shape.trail = trail == 0 ? '+' : trail == 1 ? '-' : 0;
    } while (!field_shape.valid());
    field_text = field_shape.text();
  };

  int64_t checked = 0;
  int64_t skipped = 0;
  std::string expected;
  auto compare = [&](const char* what, const std::string& shape, long double v,
                     const std::string& got) {
    ++checked;
    if (got == expected) return ::testing::AssertionSuccess();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.25Lg", v);
    return ::testing::AssertionFailure() << what << " '" << shape << "' value " << buf << ": '"
                                         << got << "', expected '" << expected << "'";
  };
  auto check_mask = [&](long double v) {
    if (!format_oracle::expected_mask(v, mask_shape, expected)) {
      ++skipped;
      return ::testing::AssertionSuccess();
    }
    return compare("mask", mask_text, v, text::mask_format(v, mask_text));
  };
  auto check_field = [&](long double v) {
    if (!format_oracle::expected_field(v, field_shape, expected)) {
      ++skipped;
      return ::testing::AssertionSuccess();
    }
    return compare("field", field_text, v, field(field_text, v));
  };
  // Values that round at d decimals: an exact tie, j / 2^(d+1) with j odd and j x 5^d / 2
  // below 10^17, and the long double nearest to a decimal half, which lies just above or below
  // it; each with its neighbours.
  auto halves = [&](int32_t d, long double sign) {
    uint64_t limit = 200000000000000000u;
    for (int32_t k = 0; k < d && limit > 1; ++k) limit /= 5;
    const auto j = static_cast<long double>(below_n(limit >> below_n(48)) | 1);
    const long double tie = sign * std::ldexp(j, -(d + 1));
    const auto kept = static_cast<long double>(below_n(uint64_t{1} << below_n(54)));
    const long double near = sign * (kept + 0.5L) / std::pow(10.0L, static_cast<long double>(d));
    return std::vector<long double>{tie, above(tie), below(tie), near, above(near), below(near)};
  };

  for (int i = 0; i < kBaseValues; ++i) {
    if (i % 64 == 0) new_shapes();
    const long double sign = next() & 1 ? -1.0L : 1.0L;
    // A value spread over 10^-10 .. 10^9.
    const long double spread = std::ldexp(static_cast<long double>(next() | (1ull << 63)),
                                          static_cast<int>(below_n(64)) - 96);
    ASSERT_TRUE(check_mask(sign * spread));
    ASSERT_TRUE(check_field(sign * spread));
    const int32_t mask_decimals =
        (mask_shape.point ? mask_shape.frac_zeros + mask_shape.frac_hashes : 0) +
        (mask_shape.percent ? 2 : 0);
    for (const long double v : halves(mask_decimals, sign)) ASSERT_TRUE(check_mask(v));
    for (const long double v : halves(field_shape.point ? field_shape.decimals : 0, sign))
      ASSERT_TRUE(check_field(v));
  }
  // Nearly every value fits the formatters' 17 digits (large values with many decimals do
  // not).
  EXPECT_GT(checked, 9 * skipped);
  EXPECT_GE(checked + skipped, int64_t{14} * kBaseValues);
}

#endif

// Values over masks of digits, commas, points and literals take a shortcut; an empty quoted
// literal forces the general layout without changing the output, so both must agree.
TEST(MaskFormat, ShortcutMatchesGeneralLayout) {
  const char alphabet[] = {'#', '0', ',', ' ', '-', '(', '$', 'x', '.', '0', '#'};
  uint32_t x = 2463534242u;
  auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
  };
  const long double values[] = {0,
                                1,
                                -1,
                                7,
                                -7,
                                12,
                                999,
                                1000,
                                -1000,
                                12345,
                                970299,
                                -123456,
                                1e9L,
                                -5e17L,
                                0.5L,
                                -0.04L,
                                2.5L,
                                -999.995L,
                                1234.5678L,
                                0.001L,
                                -0.0625L,
                                1e-12L,
                                99.95L,
                                -1e-30L,
                                999999999999999999.0L,
                                123456789.987654321L};
  for (int round = 0; round < 3000; ++round) {
    std::string mask;
    const uint32_t length = 1 + next() % 10;
    for (uint32_t i = 0; i < length; ++i) mask.push_back(alphabet[next() % sizeof alphabet]);
    for (long double v : values) {
      ASSERT_EQ(text::mask_format(v, mask), text::mask_format(v, mask + "\"\""))
          << "mask '" << mask << "' value " << static_cast<double>(v);
    }
  }
}

}  // namespace
