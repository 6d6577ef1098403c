// Number to text: decimal digit generation, format masks, the field formatter, the power
// operation and the math functions. Values are 80-bit extended long doubles where the
// compiler has them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

// value formatted with a format mask ("#,##0.00;(#);zero" ...). Working buffers belong to
// the call; the only allocation is the result string.
std::string mask_format(long double value, std::string_view mask);

// Longest output the field formatter writes for literal text and string fields; a numeric
// field that starts below the limit is written whole after it.
inline constexpr size_t kFieldTextLimit = 1024;
inline constexpr size_t kFieldBufferSize = 2048;

// One field-format expression: field_begin, then field_number/field_text per value, then
// field_end. The state belongs to the caller.
struct FieldFormat {
  std::string mask;
  size_t cursor = 0;  // next mask byte to read
  bool ok = false;    // output buffer obtained
  bool started = false;
  std::string out;  // output buffer (kFieldBufferSize bytes once it outgrows the string)
};

FieldFormat field_begin(std::string_view mask);
void field_number(FieldFormat& state, long double value);
void field_text(FieldFormat& state, std::string_view value);
std::string field_end(FieldFormat& state);

// base raised to exponent: y = 0 gives 1; x = 0 gives 0 for y > 0 and NaN for y < 0; a
// negative base rounds the exponent to an integer; integer exponents below 65536 in
// magnitude are computed by squaring.
long double number_power(long double base, long double exponent);

// Plain conversion with up to `significant` digits (1..18): a leading blank for values that
// are not negative, "-" otherwise; exponent form "1.5E+20" when the value does not fit.
std::string number_to_text(long double value, int32_t significant);

long double number_atan(long double x);
long double number_sin(long double x);
long double number_cos(long double x);
long double number_tan(long double x);
long double number_exp(long double x);    // e^x
long double number_exp2(long double x);   // 2^x
long double number_exp10(long double x);  // 10^x
// Logarithms give 0 for zero, negative, infinite and NaN arguments.
long double number_ln(long double x);
long double number_log2(long double x);
long double number_log10(long double x);
// Square root; a negative argument is returned unchanged.
long double number_sqrt(long double x);

}  // namespace text
