#include "text/decimal_digits.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text/format.h"
#include "text/storage.h"

namespace text {
namespace {

// The powers of ten whose exponent is 8 times a power of two, from 10^8 to 10^2048: with the
// small powers of kPow10 they make every 10^n below 10^4096.
constexpr long double kBigPow[9] = {1e8L,   1e16L,  1e32L,   1e64L,  1e128L,
                                    1e256L, 1e512L, 1e1024L, 1e2048L};

// value scaled by 10^n: 10^(n mod 8) from kPow10 times the big powers of the set
// bits of n div 8, with whole steps of 10^4096 taken first.
long double scale10(long double value, int32_t n) {
  const bool up = n > 0;
  int32_t m = up ? n : -n;
  while (m >= 4096) {
    value = up ? value * 1e4096L : value / 1e4096L;
    m -= 4096;
  }
  long double p = static_cast<long double>(kPow10[m & 7]);
  const int32_t q = m >> 3;
  for (int b = 0; b < 9; ++b)
    if (q & (1 << b)) p *= kBigPow[b];
  return up ? value * p : value / p;
}

void write_u64(char (&d)[kSig], uint64_t n) {
  for (int i = kSig - 1; i >= 0; --i) {
    d[i] = static_cast<char>('0' + n % 10);
    n /= 10;
  }
}

// A natural number of fixed capacity, enough for the exact comparison of any finite long
// double with a decimal midpoint of at most 19 digits (about 5^4952 times a 113-bit mantissa).
class BigNat {
 public:
  explicit BigNat(uint64_t v) {
    limb_[0] = static_cast<uint32_t>(v);
    limb_[1] = static_cast<uint32_t>(v >> 32);
    n_ = limb_[1] ? 2 : limb_[0] ? 1 : 0;
  }
  bool overflowed() const { return overflow_; }

  void mul_add(uint32_t factor, uint32_t add) {
    uint64_t carry = add;
    for (int32_t i = 0; i < n_; ++i) {
      const uint64_t t = uint64_t{limb_[i]} * factor + carry;
      limb_[i] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    if (carry) push(static_cast<uint32_t>(carry));
  }

  void mul_pow5(int32_t n) {
    constexpr uint32_t k5To13 = 1220703125u;  // the largest power of five below 2^32
    for (; n >= 13 && !overflow_; n -= 13) mul_add(k5To13, 0);
    uint32_t rest = 1;
    while (n-- > 0) rest *= 5;
    mul_add(rest, 0);
  }

  void shift_left(int64_t bits) {
    if (n_ == 0 || bits <= 0) return;
    const int64_t words = bits / 32;
    const int shift = static_cast<int>(bits % 32);
    if (n_ + words + 1 > kLimbs) {
      overflow_ = true;
      return;
    }
    const auto w = static_cast<int32_t>(words);
    if (shift) {
      push(0);
      for (int32_t i = n_ - 1; i > 0; --i)
        limb_[i] = (limb_[i] << shift) | (limb_[i - 1] >> (32 - shift));
      limb_[0] <<= shift;
      if (limb_[n_ - 1] == 0) --n_;
    }
    if (w) {
      for (int32_t i = n_ - 1; i >= 0; --i) limb_[i + w] = limb_[i];
      for (int32_t i = 0; i < w; ++i) limb_[i] = 0;
      n_ += w;
    }
  }

  friend int compare(const BigNat& a, const BigNat& b) {
    if (a.n_ != b.n_) return a.n_ < b.n_ ? -1 : 1;
    for (int32_t i = a.n_ - 1; i >= 0; --i)
      if (a.limb_[i] != b.limb_[i]) return a.limb_[i] < b.limb_[i] ? -1 : 1;
    return 0;
  }

 private:
  static constexpr int32_t kLimbs = 400;
  void push(uint32_t v) {
    if (n_ < kLimbs) {
      limb_[n_++] = v;
    } else {
      overflow_ = true;
    }
  }
  uint32_t limb_[kLimbs];
  int32_t n_ = 0;
  bool overflow_ = false;
};

// The sign of magnitude - midpoint x 10^p, computed exactly; `known` is false when the numbers
// do not fit (never for a finite long double and a midpoint near it).
int compare_exact(long double magnitude, uint64_t midpoint, int32_t p, bool& known) {
  // magnitude = mantissa x 2^q, the mantissa read 32 bits at a time (exact in any binary
  // format).
  int e2 = 0;
  long double f = std::frexp(magnitude, &e2);
  BigNat x(0);
  int64_t q = e2;
  for (int i = 0; i < 8 && f != 0; ++i) {
    f = std::ldexp(f, 32);
    const long double chunk = std::floor(f);
    f -= chunk;
    x.shift_left(32);
    x.mul_add(1, static_cast<uint32_t>(chunk));
    q -= 32;
  }
  BigNat m(midpoint);
  // Compare x x 2^q with m x 5^p x 2^p: the power of five goes to the side where it is a
  // whole number, the powers of two to the side with the smaller exponent.
  if (p >= 0) {
    m.mul_pow5(p);
  } else {
    x.mul_pow5(-p);
  }
  if (q >= p) {
    x.shift_left(q - p);
  } else {
    m.shift_left(int64_t{p} - q);
  }
  known = !x.overflowed() && !m.overflowed();
  return compare(x, m);
}

// Whether keeping `keep` (0..17) significant digits rounds the magnitude up: the whole
// dropped part decides, and only a value exactly halfway goes to the even kept neighbour (a
// lone leading zero counts as even). The 18 digits are themselves rounded, so a dropped part
// within a few units of one half may stand for a value just above, at or just below it; the
// value is then compared with the midpoint exactly.
bool rounds_up(const Sig& s, int32_t keep) {
  // Units of the 18th digit the digit conversion may be off by.
  constexpr uint64_t kSlack = 2;
  // A first dropped digit other than 4 or 5 settles it, unless it is the 18th digit itself.
  const char first = s.d[keep];
  if (keep < kSig - 1 && (first < '4' || first > '5')) return first > '5';
  uint64_t kept = 0;
  for (int32_t i = 0; i < keep; ++i) kept = kept * 10 + static_cast<uint64_t>(s.d[i] - '0');
  uint64_t dropped = 0;
  for (int32_t i = keep; i < kSig; ++i)
    dropped = dropped * 10 + static_cast<uint64_t>(s.d[i] - '0');
  const uint64_t half = 5 * kPow10[kSig - 1 - keep];
  int side = dropped < half ? -1 : dropped > half ? 1 : 0;
  if (s.magnitude > 0 && dropped + kSlack >= half && dropped <= half + kSlack) {
    bool known = false;
    const int exact = compare_exact(s.magnitude, kept * 10 + 5, s.e - s.scale - keep - 1, known);
    if (known) side = exact;
  }
  if (side != 0) return side > 0;
  return keep > 0 && (kept & 1);
}

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

void sig18(long double value, Sig& out) {
  out.negative = false;
  out.e = 0;
  out.magnitude = 0;
  out.scale = 0;
  switch (std::fpclassify(value)) {
    case FP_ZERO:
    case FP_SUBNORMAL:
    case FP_NAN:
      std::memset(out.d, '0', kSig);
      return;
    case FP_INFINITE:
      std::memset(out.d, '9', kSig);
      out.e = 999;
      out.negative = value < 0;
      return;
    default:
      break;
  }
  out.negative = value < 0;
  const long double a = std::fabs(value);
  if (a < 1e18L) {
    // Whole numbers convert exactly: the scaled integer is the number itself.
    const auto n = static_cast<uint64_t>(a);
    if (static_cast<long double>(n) == a) {
      char tmp[20];
      int32_t len = 0;
      for (uint64_t t = n; t; t /= 10) tmp[19 - len++] = static_cast<char>('0' + t % 10);
      std::memcpy(out.d, tmp + 20 - len, static_cast<size_t>(len));
      std::memset(out.d + len, '0', static_cast<size_t>(kSig - len));
      out.e = len;
      out.magnitude = a;
      return;
    }
  }
#if LDBL_MANT_DIG >= 64
  int e2 = 0;
  std::frexp(a, &e2);
  const int32_t binary_exponent = e2 - 1;
  // k = floor(binary exponent x log10 2), with log10 2 as 0x4D10 / 65536.
  int32_t k = (binary_exponent * 0x4D10) >> 16;
  long double r = std::nearbyint(scale10(a, kSig - 1 - k));
  if (r < 1e17L) {
    --k;
    r = std::nearbyint(scale10(a, kSig - 1 - k));
  }
  if (r >= 1e18L) {
    r = std::nearbyint(r / 10);
    ++k;
  }
  if (!(r >= 1e17L && r < 1e18L)) {
    // Encodings the unit refuses (unnormals, pseudo-NaNs) scale to NaN: treat them as zero.
    std::memset(out.d, '0', kSig);
    out.negative = false;
    return;
  }
  write_u64(out.d, static_cast<uint64_t>(r));
  out.e = k + 1;
  out.magnitude = a;
#else
  // Without an 80-bit type: a correctly rounded conversion from the C library.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17Le", a);
  out.d[0] = buf[0];
  std::memcpy(out.d + 1, buf + 2, kSig - 1);
  out.e = std::atoi(buf + 2 + kSig - 1 + 1) + 1;
  out.magnitude = a;
#endif
}

bool fixed_sig(long double value, int32_t decimals, Sig& out) {
  uint64_t n = 0;
  if (!fixed_round(value, decimals, n)) return false;
  out.magnitude = 0;
  out.scale = 0;
  if (n == 0) {
    std::memset(out.d, '0', kSig);
    out.e = 0;
    // A value that rounds to zero keeps its sign; zero and denormals count as non-negative.
    out.negative = value < 0 && std::isnormal(value);
    return true;
  }
  char buf[20];
  const char* const first = fixed_digits(n, buf + sizeof buf);
  const auto count = static_cast<int32_t>(buf + sizeof buf - first);
  std::memcpy(out.d, first, static_cast<size_t>(count));
  std::memset(out.d + count, '0', static_cast<size_t>(kSig - count));
  out.e = count - decimals;
  out.negative = value < 0;
  return true;
}

void round_sig(Sig& s, int32_t keep) {
  if (keep >= kSig) return;
  if (keep < 0) {
    // The value is below a tenth of the last kept unit.
    std::memset(s.d, '0', kSig);
    return;
  }
  const bool up = rounds_up(s, keep);
  std::memset(s.d + keep, '0', static_cast<size_t>(kSig - keep));
  if (!up) return;
  int32_t i = keep - 1;
  while (i >= 0 && s.d[i] == '9') s.d[i--] = '0';
  if (i < 0) {
    s.d[0] = '1';
    ++s.e;
  } else {
    ++s.d[i];
  }
}

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

DecimalDigits number_digits(long double value, int32_t count) {
  DecimalDigits out{};
  if (count < 1) count = 1;
  if (count > kMaxDigits) count = kMaxDigits;
  Sig s;
  sig18(value, s);
  const bool special = std::isinf(value);
  if (count < kSig && !special) round_sig(s, count);
  for (int32_t i = 0; i < count; ++i) out.digits[i] = i < kSig ? s.d[i] : (special ? '9' : '0');
  out.digits[count] = '\0';
  out.count = count;
  out.exponent = s.e;
  out.negative = s.negative;
  return out;
}

std::string number_to_text(long double value, int32_t significant) {
  if (significant < 1) significant = 1;
  if (significant > kSig) significant = kSig;
  Sig s;
  sig18(value, s);
  if (std::isinf(value)) {
    std::memset(s.d + significant, '0', static_cast<size_t>(kSig - significant));
  } else {
    round_sig(s, significant);
  }
  char buf[48];
  int32_t n = 0;
  buf[n++] = s.negative && !all_zero(s) ? '-' : ' ';
  int32_t nd = kSig;
  while (nd > 1 && s.d[nd - 1] == '0') --nd;
  if (all_zero(s)) {
    buf[n++] = '0';
  } else if (s.e > 0 && s.e <= significant) {
    for (int32_t i = 0; i < s.e; ++i) buf[n++] = sig_at(s, i);
    if (nd > s.e) {
      buf[n++] = '.';
      for (int32_t i = s.e; i < nd; ++i) buf[n++] = s.d[i];
    }
  } else if (s.e <= 0 && nd - s.e <= significant) {
    buf[n++] = '0';
    buf[n++] = '.';
    for (int32_t i = s.e; i < 0; ++i) buf[n++] = '0';
    for (int32_t i = 0; i < nd; ++i) buf[n++] = s.d[i];
  } else {
    buf[n++] = s.d[0];
    if (nd > 1) {
      buf[n++] = '.';
      for (int32_t i = 1; i < nd; ++i) buf[n++] = s.d[i];
    }
    n += std::snprintf(buf + n, sizeof buf - static_cast<size_t>(n), "E%c%d",
                       s.e - 1 < 0 ? '-' : '+', s.e - 1 < 0 ? 1 - s.e : s.e - 1);
  }
  return with_storage([&] { return std::string(buf, static_cast<size_t>(n)); });
}

}  // namespace text
