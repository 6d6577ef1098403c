// The exact rounding core of the number formatters (internal to text/): the 18 significant
// decimal digits of a long double, those digits rounded to fewer, and a value rounded in
// fixed point by integer arithmetic.
//
// Invariants every function here keeps and every formatter relies on:
//   - A Sig holds exactly kSig ASCII digits: value = 0.d1 d2 ... d18 x 10^e. The first digit
//     is '0' only when all of them are (zero, a denormal, NaN, or a value rounded away).
//   - `magnitude` is the |value| the digits were made from, so that a rounding whose digits
//     look like a tie can go back to the value; it is 0 when there is no finite value to go
//     back to (zero, NaN, infinity) or when the digits are already exact at the position
//     asked for (fixed_sig). The digits describe magnitude x 10^scale.
//   - Rounding is to nearest and decided by the value itself: only a value exactly halfway
//     goes to the even digit, however far down its digits the difference lies.
//   - The fixed-point paths (fixed_round, fixed_sig) give the digits that sig18 and round_sig
//     give, faster; where they cannot they return false and change nothing.
//   - kPow10 is the one table of powers of ten; the decimal scaling takes its small powers
//     from it and adds only the steps 10^8, 10^16, ... 10^2048 that a uint64_t cannot hold.
#pragma once

#include <cstdint>
#include <cstring>

namespace text {

inline constexpr int kSig = 18;  // significant digits every conversion starts from

struct Sig {
  char d[kSig];
  int32_t e;  // value = 0.d1 d2 ... x 10^e
  bool negative;
  // |value| the digits were made from, so that rounding can settle a near half exactly; 0
  // when the digits stand for no finite value (zero, NaN, infinity).
  long double magnitude;
  int32_t scale;  // the digits describe magnitude x 10^scale (a percent mask adds 2)
};

// The 18 significant digits of a value.
void sig18(long double value, Sig& out);

// The digits of |value| x 10^decimals rounded to a whole number in fixed point, exactly, as
// significant digits that need no further rounding at that position (out.e is the digit count
// less `decimals`). False, leaving `out` alone, when the value does not fit; then sig18 and
// round_sig give the same result more slowly.
bool fixed_sig(long double value, int32_t decimals, Sig& out);

// Keeps `keep` significant digits, rounding to nearest with exact ties to even. A carry out
// of the first digit makes "1000..." and raises the exponent.
void round_sig(Sig& s, int32_t keep);

inline bool all_zero(const Sig& s) {
  for (char c : s.d)
    if (c != '0') return false;
  return true;
}

inline char sig_at(const Sig& s, int64_t index) {
  return index >= 0 && index < kSig ? s.d[index] : '0';
}

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
