// Fixed-point rounding for the number formatters: a value scaled by a power of ten and
// rounded to a whole number in integer arithmetic, exactly.
#pragma once

#include <cstdint>
#include <cstring>

namespace text {

// Largest whole number fixed_round gives: the formatters keep at most 17 significant digits
// before the 18-digit conversion's own digits would show.
inline constexpr uint64_t kFixedLimit = 100000000000000000u;  // 10^17

// n := |value| x 10^decimals rounded to a whole number, to nearest with exact ties to even
// (the whole dropped part decides). Works when decimals is 0..19, the value is a normal
// number, zero or a denormal (both give 0), and |value| x 10^decimals is below 10^17;
// otherwise returns false and leaves n alone. Reads the 80-bit layout, so elsewhere it
// always returns false.
bool fixed_round(long double value, int32_t decimals, uint64_t& n);

// 10^0 to 10^19: every power of ten a 64-bit unsigned number holds.
inline constexpr uint64_t kPow10[20] = {1u,
                                        10u,
                                        100u,
                                        1000u,
                                        10000u,
                                        100000u,
                                        1000000u,
                                        10000000u,
                                        100000000u,
                                        1000000000u,
                                        10000000000u,
                                        100000000000u,
                                        1000000000000u,
                                        10000000000000u,
                                        100000000000000u,
                                        1000000000000000u,
                                        10000000000000000u,
                                        100000000000000000u,
                                        1000000000000000000u,
                                        10000000000000000000u};

// The two-digit decimal strings "00" to "99", one after the other.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the decimal digits of n (no leading zero; "0" for 0) so that they end at `end`, and
// returns where they start; up to 20 bytes before `end` are used.
inline char* fixed_digits(uint64_t n, char* end) {
  char* d = end;
  while (n >= 100) {
    d -= 2;
    std::memcpy(d, kDigitPairs + 2 * (n % 100), 2);
    n /= 100;
  }
  if (n >= 10) {
    d -= 2;
    std::memcpy(d, kDigitPairs + 2 * n, 2);
  } else {
    *--d = static_cast<char>('0' + n);
  }
  return d;
}

}  // namespace text
