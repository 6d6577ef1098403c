#include "text/decimal_digits.h"

#include <cfloat>
#include <cstring>

namespace text {
namespace {

// The 128-bit product of two 64-bit numbers.
void mul_64x64(uint64_t a, uint64_t b, uint64_t& hi, uint64_t& lo) {
#if defined(__SIZEOF_INT128__)
  __extension__ typedef unsigned __int128 U128;
  const U128 p = static_cast<U128>(a) * b;
  hi = static_cast<uint64_t>(p >> 64);
  lo = static_cast<uint64_t>(p);
#else
  const uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32;
  const uint64_t b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const uint64_t mid = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  lo = (mid << 32) | (p00 & 0xFFFFFFFFu);
  hi = p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);
#endif
}

}  // namespace

bool fixed_round(long double value, int32_t decimals, uint64_t& n) {
#if LDBL_MANT_DIG == 64 && (defined(__i386__) || defined(__x86_64__))
  if (decimals < 0 || decimals > 19) return false;
  uint64_t mantissa = 0;
  uint16_t sign_exponent = 0;
  std::memcpy(&mantissa, &value, sizeof mantissa);
  std::memcpy(&sign_exponent, reinterpret_cast<const char*>(&value) + 8, sizeof sign_exponent);
  const int32_t biased = sign_exponent & 0x7FFF;
  if (biased == 0) {
    // Zero, or a denormal: below 2^-16382, which no scaling here brings near one half.
    n = 0;
    return true;
  }
  // Infinity, NaN and the encodings without the integer bit take the general path.
  if (biased == 0x7FFF || !(mantissa >> 63)) return false;
  // |value| = mantissa / 2^shift; the scaled value is P / 2^shift with P = mantissa x 10^d.
  const int32_t shift = 16383 + 63 - biased;
  if (shift <= 0) return false;  // 2^63 or more
  uint64_t hi = 0;
  uint64_t lo = 0;
  mul_64x64(mantissa, kPow10[decimals], hi, lo);

  // q = floor(P / 2^shift); the dropped part P mod 2^shift is compared with 2^(shift - 1).
  uint64_t q = 0;
  int side = 0;  // dropped part against one half: -1 below, 0 equal, 1 above
  if (shift < 64) {
    if (hi >> shift) return false;
    q = (lo >> shift) | (hi << (64 - shift));
    const uint64_t rest = lo & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    side = rest < half ? -1 : rest > half ? 1 : 0;
  } else if (shift == 64) {
    q = hi;
    const uint64_t half = uint64_t{1} << 63;
    side = lo < half ? -1 : lo > half ? 1 : 0;
  } else if (shift < 128) {
    const int32_t s = shift - 64;
    q = hi >> s;
    const uint64_t rest_hi = hi & ((uint64_t{1} << s) - 1);
    const uint64_t half_hi = uint64_t{1} << (s - 1);
    side = rest_hi < half_hi ? -1 : (rest_hi > half_hi || lo != 0) ? 1 : 0;
  } else if (shift == 128) {
    // P < 2^128: the scaled value is below one; one half is 2^127.
    const uint64_t half_hi = uint64_t{1} << 63;
    side = hi < half_hi ? -1 : (hi > half_hi || lo != 0) ? 1 : 0;
  } else {
    side = -1;  // below one half
  }
  if (q >= kFixedLimit) return false;
  n = q + ((side > 0 || (side == 0 && (q & 1))) ? 1 : 0);
  return true;
#else
  (void)value;
  (void)decimals;
  (void)n;
  return false;
#endif
}

}  // namespace text
