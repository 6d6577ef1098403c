#include "text/field_format.h"

#include <cstdio>
#include <cstring>

#include "text/decimal_digits.h"
#include "text/storage.h"

namespace text {
namespace {

enum class FieldKind { kNone, kNumber, kFirst, kWhole, kFixed };

struct Field {
  FieldKind kind = FieldKind::kNone;
  size_t length = 0;  // mask bytes the field occupies
  // numeric fields
  bool lead_plus = false;
  bool dollar = false;
  bool grouping = false;
  bool point = false;
  char fill = ' ';
  char trail = 0;             // '+', '-' or 0
  int32_t int_positions = 0;  // positions before the point
  int32_t digit_slots = 0;    // integer digit positions ("#", the fill pair, one of "$$")
  int32_t decimals = 0;
  int32_t carets = 0;
  // fixed-width string fields
  size_t width = 0;
};

bool is_hash(std::string_view m, size_t i) {
  return i < m.size() && m[i] == '#';
}

bool parse_number_field(std::string_view m, size_t i, Field& f) {
  const size_t n = m.size();
  size_t j = i;
  if (j < n && m[j] == '+') {
    f.lead_plus = true;
    ++j;
  }
  if (j + 1 < n && m[j] == '*') {
    const char c = m[j + 1];
    const size_t k = j + 2;
    const bool starts = c == '*' || is_hash(m, k) || (k < n && m[k] == '$') ||
                        (k + 1 < n && m[k] == '.' && m[k + 1] == '#') || (k < n && m[k] == ',');
    if (starts) {
      f.fill = c;
      f.int_positions += 2;
      f.digit_slots += 2;
      j += 2;
      if (j < n && m[j] == '$') {
        f.dollar = true;
        ++f.int_positions;
        ++j;
      }
    }
  } else if (j + 1 < n && m[j] == '$' && m[j + 1] == '$') {
    f.dollar = true;
    f.int_positions += 2;
    f.digit_slots += 1;
    j += 2;
  }
  while (j < n && (m[j] == '#' || (m[j] == ',' && f.int_positions > 0))) {
    if (m[j] == ',') {
      f.grouping = true;
    } else {
      ++f.digit_slots;
    }
    ++f.int_positions;
    ++j;
  }
  if (j < n && m[j] == '.' && (f.int_positions > 0 || is_hash(m, j + 1))) {
    f.point = true;
    ++j;
    while (is_hash(m, j)) {
      ++f.decimals;
      ++j;
    }
  }
  if (f.int_positions == 0 && f.decimals == 0) return false;
  size_t carets = 0;
  while (j + carets < n && m[j + carets] == '^') ++carets;
  if (carets >= 3) {
    f.carets = static_cast<int32_t>(carets > 6 ? 6 : carets);
    j += static_cast<size_t>(f.carets);
  }
  if (!f.lead_plus && j < n && (m[j] == '+' || m[j] == '-')) f.trail = m[j++];
  f.kind = FieldKind::kNumber;
  f.length = j - i;
  return true;
}

// The field that starts at m[i], if any (kind kNone when none does).
void field_at(std::string_view m, size_t i, Field& f) {
  f = Field{};
  const char c = m[i];
  if (c == '!') {
    f.kind = FieldKind::kFirst;
    f.length = 1;
  } else if (c == '&') {
    f.kind = FieldKind::kWhole;
    f.length = 1;
  } else if (c == '\\') {
    size_t j = i + 1;
    while (j < m.size() && m[j] == ' ') ++j;
    if (j < m.size() && m[j] == '\\') {
      f.kind = FieldKind::kFixed;
      f.length = j - i + 1;
      f.width = j - i + 1;
    }
  } else if (c == '#' || c == '+' || c == '*' || c == '$' || c == '.') {
    if (!parse_number_field(m, i, f)) f = Field{};
  }
}

// Makes room for `n` more output bytes. Output that fits inside the string itself needs no
// storage; the first time it does not, the whole buffer is obtained at once, so that an
// expression allocates at most once however its output grows. May throw std::bad_alloc.
void make_room(std::string& out, size_t n) {
  const size_t need = out.size() + n;
  if (need > out.capacity()) out.reserve(need > kFieldBufferSize ? need : kFieldBufferSize);
}

void put_literal(FieldFormat& st, char c) {
  if (st.out.size() >= kFieldTextLimit) return;
  make_room(st.out, 1);
  st.out.push_back(c);
}

// Copies literal text from the cursor up to the next field or the mask end; returns the
// position of that field (or the mask size) and the field itself in `found`.
size_t copy_literal(FieldFormat& st, size_t i, Field& found) {
  const std::string_view m = st.mask;
  while (i < m.size()) {
    if (m[i] == '_') {
      put_literal(st, i + 1 < m.size() ? m[i + 1] : '_');
      i += 2;
      continue;
    }
    field_at(m, i, found);
    if (found.kind != FieldKind::kNone) return i;
    put_literal(st, m[i++]);
  }
  return m.size();
}

// Finds the next field of the wanted kind from the cursor, copying literal text (and fields
// of the other kind, as text) on the way; wraps to the mask start once.
bool next_field(FieldFormat& st, bool numeric, Field& found) {
  const std::string_view m = st.mask;
  for (int pass = 0; pass < 2; ++pass) {
    const bool from_start = st.cursor == 0;
    size_t i = st.cursor;
    while (true) {
      i = copy_literal(st, i, found);
      if (i >= m.size()) break;
      if ((found.kind == FieldKind::kNumber) == numeric) {
        st.cursor = i + found.length;
        return true;
      }
      for (size_t k = 0; k < found.length; ++k) put_literal(st, m[i + k]);
      i += found.length;
    }
    st.cursor = 0;
    if (from_start) break;
  }
  return false;
}

// After a field: the literal text up to the next field; the cursor wraps at the mask end.
void after_field(FieldFormat& st) {
  Field next;
  st.cursor = copy_literal(st, st.cursor, next);
  if (st.cursor >= st.mask.size()) st.cursor = 0;
}

// Significant digits, most significant first; positions outside [0, count) read as zeros.
struct DigitView {
  const char* d;
  int32_t count;
  char at(int64_t i) const { return i >= 0 && i < count ? d[i] : '0'; }
};

// Appends `count` integer digits, with a comma before each group of three.
char* put_digits_grouped(char* w, DigitView digits, int32_t count, bool grouping) {
  for (int32_t i = 0; i < count; ++i) {
    if (grouping && i > 0 && (count - i) % 3 == 0) *w++ = ',';
    *w++ = digits.at(i);
  }
  return w;
}

void format_number_field(std::string& out, const Field& f, long double value) {
  const bool exp_form = f.carets > 0;
  int32_t exp_digits = f.carets > 0 ? f.carets - 2 : 2;
  DigitView digits{};
  bool negative = false;
  bool use_exp = exp_form;
  int32_t int_digits = 0;
  int32_t point = 0;  // digits before the decimal point: the fraction starts at digit `point`
  int64_t shown_exp = 0;

  Sig s;
  char fixed[20];
  uint64_t n = 0;
  if (!exp_form && fixed_round(value, f.decimals, n)) {
    // The value rounded at the field's decimals in fixed point: its digits need no more
    // rounding.
    const char* const first = n ? fixed_digits(n, fixed + sizeof fixed) : fixed + sizeof fixed;
    digits = {first, static_cast<int32_t>(fixed + sizeof fixed - first)};
    point = digits.count - f.decimals;
    int_digits = point > 0 ? point : 0;
    negative = n != 0 && value < 0;
  } else {
    sig18(value, s);
    Sig rounded = s;
    round_sig(rounded, rounded.e + f.decimals);
    if (!use_exp && rounded.e > 19) use_exp = true;  // more than 19 integer digits
    negative = s.negative;
    if (use_exp) {
      const bool sign_pos = f.lead_plus || f.trail;
      int32_t slots = f.digit_slots;
      if (negative && !sign_pos && slots > 1) --slots;
      if (slots > 19) slots = 19;
      if (slots == 0 && f.decimals == 0) slots = 1;
      int_digits = slots;
      round_sig(s, slots + f.decimals);
      shown_exp = all_zero(s) ? 0 : int64_t{s.e} - slots;
      if (f.carets == 0) {
        const int64_t mag = shown_exp < 0 ? -shown_exp : shown_exp;
        exp_digits = mag > 999 ? 4 : mag > 99 ? 3 : 2;
      }
      point = int_digits;
    } else {
      s = rounded;
      int_digits = s.e > 0 ? s.e : 0;
      point = s.e;
    }
    if (all_zero(s)) negative = false;
    digits = {s.d, kSig};
  }

  // Sign, floating dollar and integer digits (at most 19 digits and 6 commas).
  char body[40];
  char* w = body;
  const bool sign_left = f.lead_plus || (negative && !f.trail);
  if (sign_left) *w++ = negative ? '-' : '+';
  if (f.dollar) *w++ = '$';
  if (int_digits > 0) {
    w = put_digits_grouped(w, digits, int_digits, f.grouping);
  } else if (f.digit_slots > 0) {
    *w++ = '0';
  }
  const auto body_len = static_cast<int64_t>(w - body);
  const int64_t area = int64_t{f.int_positions} + (f.lead_plus ? 1 : 0);
  const size_t pad = area > body_len ? static_cast<size_t>(area - body_len) : 0;
  char etext[24];
  size_t elen = 0;
  if (use_exp) {
    const int64_t mag = shown_exp < 0 ? -shown_exp : shown_exp;
    const int len = std::snprintf(etext, sizeof etext, "E%c%0*lld", shown_exp < 0 ? '-' : '+',
                                  static_cast<int>(exp_digits), static_cast<long long>(mag));
    elen = static_cast<size_t>(len);
  }
  const size_t decimals = f.point ? static_cast<size_t>(f.decimals) : 0;
  const size_t total =
      pad + static_cast<size_t>(body_len) + (f.point ? 1 + decimals : 0) + elen + (f.trail ? 1 : 0);
  make_room(out, total);
  const size_t at = out.size();
  out.resize(at + total);
  char* p = out.data() + at;
  std::memset(p, f.fill, pad);
  p += pad;
  std::memcpy(p, body, static_cast<size_t>(body_len));
  p += body_len;
  if (f.point) {
    *p++ = '.';
    for (size_t j = 0; j < decimals; ++j)
      *p++ = digits.at(int64_t{point} + static_cast<int64_t>(j));
  }
  std::memcpy(p, etext, elen);
  p += elen;
  if (f.trail) *p++ = f.trail == '+' ? (negative ? '-' : '+') : (negative ? '-' : ' ');
}

}  // namespace

FieldFormat field_begin(std::string_view mask) {
  FieldFormat st;
  // The output buffer, obtained once the output outgrows the string, is kFieldBufferSize
  // bytes: a length limit below that fails here.
  st.ok = with_storage(kFieldBufferSize, [&] {
    st.mask.assign(mask.data(), mask.size());
    return true;
  });
  return st;
}

void field_number(FieldFormat& st, long double value) {
  if (!st.ok) return;
  st.started = true;
  Field f;
  with_storage([&] {
    if (!next_field(st, true, f)) return;
    if (st.out.size() < kFieldTextLimit) format_number_field(st.out, f, value);
    after_field(st);
  });
}

void field_text(FieldFormat& st, std::string_view value) {
  if (!st.ok) return;
  st.started = true;
  Field f;
  with_storage([&] {
    if (!next_field(st, false, f)) return;
    switch (f.kind) {
      case FieldKind::kFirst:
        put_literal(st, value.empty() ? ' ' : value[0]);
        break;
      case FieldKind::kWhole:
        for (char c : value) {
          if (st.out.size() >= kFieldTextLimit) break;
          put_literal(st, c);
        }
        break;
      case FieldKind::kFixed:
        for (size_t k = 0; k < f.width && st.out.size() < kFieldTextLimit; ++k)
          put_literal(st, k < value.size() ? value[k] : ' ');
        break;
      default:
        break;
    }
    after_field(st);
  });
}

std::string field_end(FieldFormat& st) {
  std::string result;
  if (st.ok) {
    with_storage([&] {
      // Output that stayed inside the string is handed over as it is; a grown buffer is
      // copied to its used length.
      if (st.out.capacity() == result.capacity()) {
        result.swap(st.out);
      } else {
        result.assign(st.out.data(), st.out.size());
      }
    });
  }
  std::string().swap(st.out);
  st.ok = false;
  st.cursor = 0;
  return result;
}

}  // namespace text
