// Number to text: decimal digit generation, format masks, the field formatter, the power
// operation and the math functions. Values are 80-bit extended long doubles where the
// compiler has them. This header is what callers include; each concern has its own header
// and source beside it (decimal_digits, mask_format, field_format, number_math).
#pragma once

#include <cstdint>
#include <string>

#include "text/field_format.h"
#include "text/mask_format.h"
#include "text/number_math.h"

namespace text {

// The decimal digits of a value: value = 0.d1 d2 d3 ... x 10^exponent.
inline constexpr int32_t kMaxDigits = 64;
struct DecimalDigits {
  char digits[kMaxDigits + 1];  // ASCII digits, zero-terminated
  int32_t count;                // digits held (the requested count, 1..kMaxDigits)
  int32_t exponent;             // decimal exponent
  bool negative;
};

// 18 significant digits of value, rounded to `count` digits (to nearest on the value itself;
// only a value exactly halfway goes to the even digit), padded with zeros beyond 18. Zero,
// denormals and NaN give zeros; infinity gives nines with exponent 999. count is clamped to
// 1..kMaxDigits.
DecimalDigits number_digits(long double value, int32_t count);

// Plain conversion with up to `significant` digits (1..18): a leading blank for values that
// are not negative, "-" otherwise; exponent form "1.5E+20" when the value does not fit.
std::string number_to_text(long double value, int32_t significant);

}  // namespace text
