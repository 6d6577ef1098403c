// Fraction masks and numeric fields built from the input against the C library's exact
// conversion and each mask language's rules (the same expectations as the unit test): any
// difference aborts. The value is j x 2^e from the first bytes (so that decimal ties, odd
// multiples of 2^-(d+1), and their neighbours are easy to reach) or, in raw mode, any 80-bit
// pattern; the shapes of one mask and one field come from four more bytes.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "format_oracle.h"
#include "runtime/error.h"
#include "text/format.h"

namespace {

// A finite value in one of the encodings arithmetic produces (integer bit set exactly for
// normal numbers); the C library and the formatters may read the others differently.
bool canonical(long double v) {
#if LDBL_MANT_DIG == 64
  uint64_t mantissa = 0;
  uint16_t sign_exponent = 0;
  std::memcpy(&mantissa, &v, sizeof mantissa);
  std::memcpy(&sign_exponent, reinterpret_cast<const char*>(&v) + 8, sizeof sign_exponent);
  const int biased = sign_exponent & 0x7FFF;
  if (biased == 0x7FFF) return false;
  return (biased != 0) == ((mantissa >> 63) != 0);
#else
  (void)v;
  return false;
#endif
}

[[noreturn]] void report(const char* what, const std::string& shape, long double v,
                         const std::string& got, const std::string& expected) {
  std::fprintf(stderr, "%s '%s' value %.25Lg: '%s', expected '%s'\n", what, shape.c_str(), v,
               got.c_str(), expected.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 14) return 0;
  runtime::ErrorScope scope;
  long double value = 0;
  const uint8_t mode = data[9];
  if (mode & 8) {
    std::memcpy(&value, data, 10);
    if (!canonical(value)) return 0;
  } else {
    uint64_t j = 0;
    std::memcpy(&j, data, sizeof j);
    value = std::ldexp(static_cast<long double>(j), static_cast<int>(data[8] % 128) - 100);
    if (mode & 1) value = -value;
    const long double inf = std::numeric_limits<long double>::infinity();
    if ((mode >> 1 & 3) == 1) value = std::nextafter(value, inf);
    if ((mode >> 1 & 3) == 2) value = std::nextafter(value, -inf);
  }

  format_oracle::MaskShape mask;
  mask.int_hashes = data[10] & 3;
  mask.int_zeros = data[10] >> 2 & 3;
  mask.grouping = data[10] >> 4 & 1;
  mask.point = data[10] >> 5 & 1;
  const int32_t mask_decimals = data[11] % 25;
  mask.frac_zeros = data[11] / 25 % (mask_decimals + 1);
  mask.frac_hashes = mask_decimals - mask.frac_zeros;
  if (mask.int_hashes + mask.int_zeros == 0 && (!mask.point || mask_decimals == 0))
    mask.int_zeros = 1;
  mask.percent = (data[10] >> 6 & 1) && (!mask.point || mask_decimals > 0);
  std::string expected;
  if (format_oracle::expected_mask(value, mask, expected)) {
    const std::string text = mask.text();
    const std::string got = text::mask_format(value, text);
    if (got != expected) report("mask", text, value, got, expected);
  }

  format_oracle::FieldShape field;
  field.lead_plus = data[12] & 1;
  field.fill = "\0*x"[(data[12] >> 1 & 3) % 3];
  field.dollar = data[12] >> 3 & 1;
  field.grouping = data[12] >> 4 & 1;
  field.point = data[12] >> 5 & 1;
  field.trail = "\0+-"[(data[12] >> 6) % 3];
  field.hashes = data[13] % 7;
  field.decimals = data[13] / 7 % 25;
  if (field.valid() && format_oracle::expected_field(value, field, expected)) {
    const std::string text = field.text();
    text::FieldFormat f = text::field_begin(text);
    text::field_number(f, value);
    const std::string got = text::field_end(f);
    if (got != expected) report("field", text, value, got, expected);
  }
  return 0;
}
