// What the number formatting tests share: the program's floating-point mode for every test,
// the neighbours of a value, and one numeric field formatted alone.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <string>

#include "runtime/fpu.h"
#include "text/format.h"

namespace format_test {

// Every formatting test runs in the program's floating-point mode (one environment for the
// whole executable, however many files include this header).
class FpModeEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { runtime::fp_mode_set(); }
};
inline const auto* const kFpEnv = ::testing::AddGlobalTestEnvironment(new FpModeEnvironment);

inline std::string field(const std::string& mask, long double value) {
  text::FieldFormat f = text::field_begin(mask);
  text::field_number(f, value);
  return text::field_end(f);
}

struct MaskCase {
  const char* mask;
  long double value;
  const char* expected;
};

inline void expect_cases(const MaskCase* begin, const MaskCase* end) {
  for (const MaskCase* c = begin; c != end; ++c) {
    EXPECT_EQ(text::mask_format(c->value, c->mask), c->expected)
        << "mask '" << c->mask << "' value " << static_cast<double>(c->value);
  }
}

// The neighbours of a value in 80-bit arithmetic: just above and just below an exact half.
inline long double above(long double x) {
  return std::nextafter(x, std::numeric_limits<long double>::infinity());
}
inline long double below(long double x) {
  return std::nextafter(x, -std::numeric_limits<long double>::infinity());
}

}  // namespace format_test
