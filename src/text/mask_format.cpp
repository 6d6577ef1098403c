#include "text/mask_format.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "text/decimal_digits.h"
#include "text/format.h"
#include "text/storage.h"

namespace text {
namespace {

// Right-to-left output into a buffer sized beforehand.
struct Writer {
  char* begin;
  char* w;
  // The buffer is sized from an upper bound; the check keeps a wrong bound from writing
  // outside it.
  void put(char c) {
    if (w > begin) *--w = c;
  }
};

constexpr int32_t kMaskMaxPositions = 4096;

// What one position of a parsed section holds: a literal character, or a digit position of
// the integer part, the fraction or the exponent.
enum class Position : uint8_t { kLiteral, kIntegerDigit, kFractionDigit, kExponentDigit };

// One section of a mask parsed into positions, left to right.
struct Template {
  int32_t n = 0;               // positions used
  int32_t int_positions = 0;   // digit positions before the point ("#", "0", a fill pair)
  int32_t frac_positions = 0;  // digit positions after the point
  int32_t exp_positions = 0;   // digit positions after the exponent letter
  int32_t exp_zeros = 0;       // "0" positions of the exponent
  int32_t int_zeros = 0;       // "0" positions before the point
  int32_t point_at = -1;       // position of the decimal point
  int32_t exp_at = -1;         // position of the exponent letter
  int32_t first_int = -1;      // leftmost integer digit position
  int exp_sign = 0;            // +1 "E+", -1 "E-"
  bool grouping = false;
  bool percent = false;
  Position kind[kMaskMaxPositions];
  char ch[kMaskMaxPositions];  // literal character, or pad character of a digit (0 = none)
};

void parse_section(std::string_view s, Template& t) {
  bool prev_digit = false;
  bool have_fill = false;
  char fill = 0;
  auto lit = [&](char c) {
    t.kind[t.n] = Position::kLiteral;
    t.ch[t.n++] = c;
  };
  auto digit = [&](char pad) {
    Position k = t.exp_at >= 0     ? Position::kExponentDigit
                 : t.point_at >= 0 ? Position::kFractionDigit
                                   : Position::kIntegerDigit;
    t.kind[t.n] = k;
    t.ch[t.n] = pad;
    if (k == Position::kIntegerDigit) {
      if (t.first_int < 0) t.first_int = t.n;
      ++t.int_positions;
      t.int_zeros += pad == '0';
    } else if (k == Position::kFractionDigit) {
      ++t.frac_positions;
    } else {
      ++t.exp_positions;
      t.exp_zeros += pad == '0';
    }
    ++t.n;
  };
  const size_t len = s.size();
  for (size_t i = 0; i < len && t.n < kMaskMaxPositions; ++i) {
    const char c = s[i];
    const bool after_digit = prev_digit;
    prev_digit = false;
    switch (c) {
      case '#':
        digit(have_fill ? fill : 0);
        prev_digit = true;
        break;
      case '0':
        digit('0');
        prev_digit = true;
        break;
      case '.':
        if (t.point_at < 0 && t.exp_at < 0) t.point_at = t.n;
        lit('.');
        break;
      case ',':
        if (after_digit && t.exp_at < 0) {
          t.grouping = true;
        } else {
          lit(',');
        }
        break;
      case '%':
        if (after_digit) {
          t.percent = true;
          lit('%');
        }
        break;
      case 'E':
      case 'e':
        if (i + 1 < len && (s[i + 1] == '+' || s[i + 1] == '-')) {
          if (t.int_positions + t.frac_positions > 0 && t.exp_at < 0) {
            lit(c);
            t.exp_at = t.n - 1;
            t.exp_sign = s[i + 1] == '+' ? 1 : -1;
            ++i;
          }
        } else {
          lit(c);
        }
        break;
      case '*':
        if (i + 1 < len) {
          fill = s[++i];
          have_fill = true;
          digit(fill);
          if (t.n < kMaskMaxPositions) digit(fill);
          prev_digit = true;
        } else {
          lit('*');
        }
        break;
      case '"':
        for (++i; i < len && s[i] != '"' && t.n < kMaskMaxPositions; ++i) lit(s[i]);
        break;
      case '\\':
        if (i + 1 < len) lit(s[++i]);
        break;
      case '-':
      case '+':
      case '(':
      case ')':
      case '$':
      case ' ':
        lit(c);
        break;
      default:
        break;  // dropped
    }
  }
  if (t.exp_at >= 0 && t.exp_positions == 0) {
    // An exponent with no digit positions after it is not an exponent; the letter stays.
    t.exp_at = -1;
    t.exp_sign = 0;
  }
}

// Places the digits of the mantissa (or of the whole number) right to left over the template
// positions [0, end). int_digit(i) gives integer digit i counted from the left.
template <class IntDigit, class FracDigit>
void lay_digits(Writer& w, const Template& t, int32_t end, int32_t int_len, IntDigit int_digit,
                FracDigit frac_digit, bool minus, bool show_lone_zero) {
  int32_t int_left = int_len;
  int32_t frac_left = t.frac_positions;
  bool trailing = true;
  int32_t group = 0;
  int32_t zero_pads_left = t.int_zeros;

  auto emit_int = [&](char c) {
    w.put(c);
    ++group;
    if (t.grouping && group % 3 == 0 && (int_left > 0 || zero_pads_left > 0)) w.put(',');
  };
  auto dump_rest = [&]() {
    while (int_left > 0) emit_int(int_digit(--int_left));
  };

  for (int32_t q = end - 1; q >= 0; --q) {
    const char ch = t.ch[q];
    switch (t.kind[q]) {
      case Position::kLiteral:
        w.put(ch);
        if (q == t.point_at && t.int_positions == 0) {
          // No integer positions: the integer digits stand just left of the point.
          if (!(int_left == 1 && int_digit(0) == '0' && !show_lone_zero)) dump_rest();
          int_left = 0;
          if (minus) w.put('-');
          minus = false;
        }
        break;
      case Position::kFractionDigit:
        if (frac_left > 0) {
          const char d = frac_digit(--frac_left);
          if (trailing && d == '0') {
            if (ch) w.put(ch);
          } else {
            trailing = false;
            w.put(d);
          }
        } else if (ch) {
          w.put(ch);
        }
        break;
      case Position::kIntegerDigit:
        if (ch == '0') --zero_pads_left;
        if (int_left > 0) {
          if (q == t.first_int) {
            dump_rest();
          } else {
            emit_int(int_digit(--int_left));
          }
        } else if (ch == '0') {
          emit_int('0');
        } else if (minus && zero_pads_left == 0) {
          // The sign takes the first free "#" or fill position left of every "0" position:
          // "0" positions keep their zeros and the sign goes left of them.
          w.put('-');
          minus = false;
        } else if (ch) {
          w.put(ch);
        }
        if (q == t.first_int && minus) {
          w.put('-');
          minus = false;
        }
        break;
      case Position::kExponentDigit:
        break;
    }
  }
}

// Upper bound of the output of one laid section.
size_t output_bound(const Template& t, int64_t int_len) {
  return static_cast<size_t>(t.n) + static_cast<size_t>(int_len) * 2 + 32;
}

// The result: the text laid out in [begin, end).
std::string finish(const char* begin, const char* end) {
  const auto size = static_cast<size_t>(end - begin);
  return with_storage(size, [&] { return std::string(begin, size); });
}

// Lays the digits of s out over one parsed section, right to left through `w`.
void format_section(const Template& t, Sig s, Writer& w) {
  const bool negative = s.negative;
  const bool zero = all_zero(s);
  if (t.percent && !zero) {
    s.e += 2;
    s.scale += 2;
  }

  if (t.exp_at < 0) {
    round_sig(s, s.e + t.frac_positions);
    const int32_t e = s.e;
    const int32_t int_len = e > 0 ? e : 1;
    auto int_digit = [&](int32_t i) { return e > 0 ? sig_at(s, i) : '0'; };
    auto frac_digit = [&](int32_t j) { return sig_at(s, int64_t{e} + j); };
    const bool lone_zero = int_len == 1 && int_digit(0) == '0' && t.frac_positions == 0;
    lay_digits(w, t, t.n, int_len, int_digit, frac_digit, negative && !lone_zero, false);
    return;
  }

  // Exponent layout: one integer digit per integer position; the exponent takes the rest.
  const int32_t int_digits = t.int_positions;
  round_sig(s, int_digits + t.frac_positions);
  const int64_t shown = all_zero(s) ? 0 : int64_t{s.e} - int_digits;
  // Exponent text: sign, then the digits padded with zeros to the "0" positions.
  char etext[16];
  int32_t elen = 0;
  {
    char digits[12];
    int32_t nd = 0;
    uint64_t m = static_cast<uint64_t>(shown < 0 ? -shown : shown);
    do {
      digits[nd++] = static_cast<char>('0' + m % 10);
      m /= 10;
    } while (m && nd < 12);
    while (nd < t.exp_zeros && nd < 12) digits[nd++] = '0';
    if (shown < 0) {
      etext[elen++] = '-';
    } else if (t.exp_sign > 0) {
      etext[elen++] = '+';
    }
    while (nd) etext[elen++] = digits[--nd];
  }
  int32_t left = elen;
  int32_t first_exp = t.exp_at + 1;
  while (first_exp < t.n && t.kind[first_exp] != Position::kExponentDigit) ++first_exp;
  for (int32_t q = t.n - 1; q > t.exp_at; --q) {
    const char ch = t.ch[q];
    if (t.kind[q] != Position::kExponentDigit) {
      w.put(ch);
    } else if (q == first_exp) {
      while (left > 0) w.put(etext[--left]);
    } else if (left > 0) {
      w.put(etext[--left]);
    } else if (ch) {
      w.put(ch);
    }
  }
  auto int_digit = [&](int32_t i) { return sig_at(s, i); };
  auto frac_digit = [&](int32_t j) { return sig_at(s, int64_t{int_digits} + j); };
  const bool lone_zero = int_digits == 1 && t.frac_positions == 0 && s.d[0] == '0';
  lay_digits(w, t, t.exp_at + 1, int_digits, int_digit, frac_digit, negative && !lone_zero, true);
}

// Character flags of the fast layout and of the section split.
enum : uint8_t {
  kfDigit = 1,   // "#" or "0"
  kfZero = 2,    // "0"
  kfComma = 4,   // ","
  kfLit = 8,     // copied literally
  kfOther = 16,  // needs the full layout
  kfSplit = 32,  // matters to the section split: ";", '"', backslash
  kfPoint = 64,  // "."
};

struct FlagTable {
  uint8_t f[256];
  constexpr FlagTable() : f() {
    for (char l : {'-', '+', '(', ')', '$', ' '}) f[static_cast<unsigned char>(l)] = kfLit;
    for (char o : {'%', 'E', 'e', '*'}) f[static_cast<unsigned char>(o)] = kfOther;
    f[static_cast<unsigned char>('.')] = kfPoint;
    f[static_cast<unsigned char>('"')] = kfOther | kfSplit;
    f[static_cast<unsigned char>('\\')] = kfOther | kfSplit;
    f[static_cast<unsigned char>(';')] = kfSplit;
    f[static_cast<unsigned char>('#')] = kfDigit;
    f[static_cast<unsigned char>('0')] = kfDigit | kfZero;
    f[static_cast<unsigned char>(',')] = kfComma;
  }
};
constexpr FlagTable kFlags;

uint8_t flags_of(char ch) {
  return kFlags.f[static_cast<unsigned char>(ch)];
}

// n := value when value is a whole number below 10^18 in magnitude. On x86 the 80-bit layout
// is read directly, which avoids the rounding-mode switches of a float-to-integer conversion.
bool whole_number(long double value, int64_t& n) {
#if LDBL_MANT_DIG == 64 && (defined(__i386__) || defined(__x86_64__))
  uint64_t mantissa = 0;
  uint16_t sign_exponent = 0;
  std::memcpy(&mantissa, &value, sizeof mantissa);
  std::memcpy(&sign_exponent, reinterpret_cast<const char*>(&value) + 8, sizeof sign_exponent);
  const int32_t exponent = (sign_exponent & 0x7FFF) - 16383;
  uint64_t magnitude = 0;
  if ((sign_exponent & 0x7FFF) == 0) {
    if (mantissa != 0) return false;  // denormal
  } else {
    if (exponent < 0 || exponent > 62 || !(mantissa >> 63)) return false;
    const int shift = 63 - exponent;
    if (mantissa & ((uint64_t{1} << shift) - 1)) return false;  // has a fraction
    magnitude = mantissa >> shift;
  }
  if (magnitude >= 1000000000000000000u) return false;
  n = (sign_exponent & 0x8000) ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return true;
#else
  if (!(std::fabs(value) < 1e18L)) return false;
  n = static_cast<int64_t>(value);
  return static_cast<long double>(n) == value;
#endif
}

// Sections made only of "#", "0", ",", "." and literal or dropped characters, holding a value
// whose rounded digits fit in 64 bits: the common case (the cube table's masks, money
// amounts). This is the fixed layout of lay_digits without fill, percent or exponent, walked
// straight over the mask text so that no template is built. The digits come from the whole
// number itself or from fixed_round at the mask's decimals.
constexpr size_t kFastMaskMax = 256;
// Every mask position writes at most a digit and a group comma; the leftmost digit position
// also writes the digits left over (at most 19, each with its comma) and a minus sign.
constexpr size_t kFastBufferSize = 2 * kFastMaskMax + 2 * 19 + 8;

// Lays a value out over a section that needs no template (`seen` is the union of the
// section's character flags); writes right to left ending at `end` and returns the start, or
// nullptr when the full layout is needed.
template <bool kFraction>
char* format_flat(std::string_view sec, uint32_t seen, long double value, char* end) {
  const size_t len = sec.size();
  if (len > kFastMaskMax || (seen & kfOther)) return nullptr;
  const char* const m = sec.data();
  // The value rounded to `decimals` places, as a whole number u of units of the last place.
  uint64_t u = 0;
  bool minus = false;
  if constexpr (!kFraction) {
    int64_t n = 0;
    if (!whole_number(value, n)) return nullptr;
    u = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
    minus = n < 0;
  }

  // The leftmost digit position.
  size_t first_digit = len;
  for (size_t i = 0; i < len; ++i) {
    if (flags_of(m[i]) & kfDigit) {
      first_digit = i;
      break;
    }
  }
  size_t point = len;    // the decimal point (the first ".")
  int32_t decimals = 0;  // digit positions after it
  if constexpr (kFraction) {
    if (seen & kfPoint) {
      point = sec.find('.');
      // Without a digit position before the point the integer digits stand at the point.
      if (first_digit > point) return nullptr;
      for (size_t i = point + 1; i < len; ++i) decimals += (flags_of(m[i]) & kfDigit) != 0;
    }
    if (!fixed_round(value, decimals, u)) return nullptr;
    // A lone "0" loses its sign; zero and denormals count as non-negative.
    minus = value < 0 && (u != 0 || (decimals > 0 && std::isnormal(value)));
  }

  // Whether a comma directly follows a digit position.
  bool grouping = false;
  if (seen & kfComma) {
    for (size_t i = first_digit + 1; i < len && !grouping; ++i)
      grouping = m[i] == ',' && (flags_of(m[i - 1]) & kfDigit);
  }

  // Digits, most significant first, ending at dend: at least one integer digit and then the
  // `decimals` fraction digits.
  char digits[24];
  char* const dend = digits + sizeof digits;
  char* d = fixed_digits(u, dend);
  if constexpr (kFraction)
    while (dend - d <= decimals) *--d = '0';
  const char* const dbegin = d;
  const char* next_frac = dend;        // fraction digits are taken from the right
  const char* next = dend - decimals;  // and so are integer digits

  char* w = end;
  int32_t group = 3;
  // The leftmost "0" position: positions right of it have zeros to their left.
  size_t first_zero = len;
  if (seen & kfZero) first_zero = sec.find('0');
  // A group boundary gets its comma when more integer output follows on the left: a digit,
  // or a "0" position (which shows a zero).
  auto emit_int = [&](char c, size_t i) {
    *--w = c;
    if (grouping && --group == 0) {
      group = 3;
      if (next > dbegin || first_zero < i) *--w = ',';
    }
  };
  // Fraction: trailing zeros show only at "0" positions.
  bool trailing = true;
  for (size_t i = len; kFraction && i-- > point;) {
    const char ch = m[i];
    const uint32_t f = flags_of(ch);
    if (f & kfDigit) {
      const char c = *--next_frac;
      if (trailing && c == '0') {
        if (f & kfZero) *--w = '0';
      } else {
        trailing = false;
        *--w = c;
      }
    } else if (f & (kfLit | kfPoint)) {
      *--w = ch;
    } else if (f & kfComma) {
      if (!(flags_of(m[i - 1]) & kfDigit)) *--w = ',';
    }
  }
  for (size_t i = point < len ? point : len; i-- > 0;) {
    const char ch = m[i];
    const uint32_t f = flags_of(ch);
    if (f & kfLit) {
      *--w = ch;
    } else if (f & kfComma) {
      if (!(i > 0 && (flags_of(m[i - 1]) & kfDigit))) *--w = ',';
    } else if (f & kfDigit) {
      const bool leftmost = i == first_digit;
      if (next > dbegin) {
        emit_int(*--next, i);
        if (leftmost)
          while (next > dbegin) emit_int(*--next, i);
      } else if (f & kfZero) {
        emit_int('0', i);
      } else if (minus && first_zero > i) {
        *--w = '-';
        minus = false;
      }
      if (leftmost && minus) {
        *--w = '-';
        minus = false;
      }
    }
  }
  return w;
}

std::string plain_text(long double value) {
  std::string s = number_to_text(value, 15);
  if (!s.empty() && s[0] == ' ') s.erase(0, 1);
  return s;
}

// One section through the template: every grammar feature and every value. Kept out of
// mask_format so that the common layouts run without this path's large stack frame.
[[gnu::noinline]] std::string format_general(long double value, std::string_view sec) {
  Template t;
  parse_section(sec, t);

  Sig s;
  // A fixed layout rounds at a known decimal position: in fixed point when the value fits.
  if (t.exp_at >= 0 || !fixed_sig(value, t.frac_positions + (t.percent ? 2 : 0), s))
    sig18(value, s);
  // Integer digits that may need placing (the largest long double has 4933).
  const int64_t int_len = (s.e > 0 ? s.e : 1) + (t.percent ? 2 : 0);
  const size_t bound = output_bound(t, int_len);

  char local[512];
  if (bound <= sizeof local) {
    Writer w{local, local + sizeof local};
    format_section(t, s, w);
    return finish(w.w, local + sizeof local);
  }
  std::string out;
  if (!with_storage(bound, [&] {
        out.resize(bound);
        return true;
      }))
    return {};
  Writer w{out.data(), out.data() + bound};
  format_section(t, s, w);
  out.erase(0, static_cast<size_t>(w.w - out.data()));
  return out;
}

}  // namespace

std::string mask_format(long double value, std::string_view mask) {
  // Sections: up to three, split at ";" outside quotes and escapes. The same pass gathers
  // what the fast layout needs to know about each section.
  std::string_view section[3];
  uint32_t seen[3] = {0, 0, 0};
  int nsec = 0;
  size_t start = 0;
  bool stopped = false;
  const char* const m = mask.data();
  const size_t len = mask.size();
  uint32_t cur = 0;
  for (size_t i = 0; i < len; ++i) {
    const uint32_t f = flags_of(m[i]);
    cur |= f;
    if (!(f & kfSplit)) continue;
    if (m[i] == '"') {
      while (++i < len && m[i] != '"') {
      }
    } else if (m[i] == '\\') {
      ++i;
    } else {
      seen[nsec] = cur;
      cur = 0;
      section[nsec++] = mask.substr(start, i - start);
      start = i + 1;
      if (nsec == 3) {
        stopped = true;
        break;
      }
    }
  }
  if (!stopped) {
    seen[nsec] = cur;
    section[nsec++] = mask.substr(std::min(start, len));
  }

  int chosen = 0;
  if (value < 0) {
    if (nsec >= 2 && !section[1].empty()) {
      chosen = 1;
      value = -value;
    }
  } else if (value == 0) {
    if (nsec >= 3 && !section[2].empty()) chosen = 2;
  }
  const std::string_view sec = section[chosen];
  if (sec.empty()) return plain_text(value);
  {
    char buf[kFastBufferSize];
    char* const end = buf + sizeof buf;
    // Whole numbers first (the cube table's case), then values rounded in fixed point.
    const char* w =
        (seen[chosen] & kfPoint) ? nullptr : format_flat<false>(sec, seen[chosen], value, end);
    if (!w) w = format_flat<true>(sec, seen[chosen], value, end);
    if (w) return finish(w, end);
  }

  return format_general(value, sec);
}

}  // namespace text
