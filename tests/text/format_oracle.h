// Expected texts of fraction masks and numeric fields, made from the C library's exact decimal
// conversion ("%.*Lf" rounds the exact binary value to nearest with ties to even) and the
// layout rules of each mask language. Shared by the unit test and the fuzz target. Only for
// values whose rounded digits fit the formatters' 17 significant digits; the functions return
// false for other values.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace format_oracle {

// The digits of |value| rounded to `decimals` places, as one whole number without leading
// zeros ("0" for zero), or false when the value is not finite or the result needs more than
// 17 digits.
inline bool exact_units(long double value, int32_t decimals, std::string& units) {
  if (!std::isfinite(value) || std::fabs(value) >= 1e18L) return false;
  char buf[128];
  const int n =
      std::snprintf(buf, sizeof buf, "%.*Lf", static_cast<int>(decimals), std::fabs(value));
  if (n <= 0 || static_cast<size_t>(n) >= sizeof buf) return false;
  units.clear();
  for (const char* p = buf; *p; ++p) {
    if (*p == '.' || (*p == '0' && units.empty())) continue;
    units.push_back(*p);
  }
  if (units.empty()) units = "0";
  return units.size() <= 17;
}

// Splits the units of a value with `decimals` places into integer digits (empty below one)
// and exactly `decimals` fraction digits.
inline void split_units(std::string units, int32_t decimals, std::string& whole,
                        std::string& fraction) {
  if (units == "0") units.clear();
  while (units.size() < static_cast<size_t>(decimals)) units.insert(units.begin(), '0');
  whole = units.substr(0, units.size() - static_cast<size_t>(decimals));
  fraction = units.substr(units.size() - static_cast<size_t>(decimals));
}

inline std::string group_by_three(const std::string& digits) {
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

// A one-section mask: "#" then "0" integer positions (a comma after the first turns grouping
// on), an optional point, "0" then "#" fraction positions, an optional "%" (only directly
// after a digit position: elsewhere the mask drops it).
struct MaskShape {
  int32_t int_hashes = 0;
  int32_t int_zeros = 1;
  bool grouping = false;
  bool point = false;
  int32_t frac_zeros = 0;
  int32_t frac_hashes = 0;
  bool percent = false;

  // The comma needs a digit position on either side.
  bool groups() const { return grouping && int_hashes + int_zeros > 1; }
  std::string text() const {
    std::string m = std::string(static_cast<size_t>(int_hashes), '#') +
                    std::string(static_cast<size_t>(int_zeros), '0');
    if (groups()) m.insert(1, ",");
    if (point) {
      m += '.';
      m += std::string(static_cast<size_t>(frac_zeros), '0');
      m += std::string(static_cast<size_t>(frac_hashes), '#');
    }
    if (percent) m += '%';
    return m;
  }
};

// The mask's rules: at least one integer digit ("0" below one; a mask without integer
// positions shows no lone "0"), padded with zeros to the "0" positions and grouped by three; the
// fraction rounded to its positions, trailing zeros shown only at "0" positions; a minus sign in
// front unless the value shows as a lone "0" (zero and denormals are never negative); "%" shows the
// value times 100.
inline bool expected_mask(long double value, const MaskShape& m, std::string& out) {
  const int32_t decimals = m.point ? m.frac_zeros + m.frac_hashes : 0;
  std::string units;
  if (!exact_units(value, decimals + (m.percent ? 2 : 0), units)) return false;
  std::string whole;
  std::string fraction;
  split_units(units, decimals + (m.percent ? 2 : 0), whole, fraction);
  if (m.percent) {
    whole += fraction.substr(0, 2);
    fraction.erase(0, 2);
    const size_t lead = whole.find_first_not_of('0');
    whole.erase(0, lead == std::string::npos ? whole.size() : lead);
  }
  const bool int_positions = m.int_hashes + m.int_zeros > 0;
  if (whole.empty() && int_positions) whole = "0";
  while (whole.size() < static_cast<size_t>(m.int_zeros)) whole.insert(whole.begin(), '0');
  while (fraction.size() > static_cast<size_t>(m.frac_zeros) && fraction.back() == '0')
    fraction.pop_back();
  const bool shows_zero = units == "0";
  const bool negative =
      std::signbit(value) && std::isnormal(value) && !(shows_zero && decimals == 0);
  out = negative ? "-" : "";
  out += m.groups() ? group_by_three(whole) : whole;
  if (m.point) out += '.' + fraction;
  if (m.percent) out += '%';
  return true;
}

// A numeric field: optional leading "+", a fill pair ("**" or "*x") with an optional floating
// "$" or a "$$" pair, "#" positions with an optional comma after the first, an optional point
// with "#" decimals, an optional trailing "+" or "-".
struct FieldShape {
  bool lead_plus = false;
  char fill = 0;  // 0: none (pads with spaces)
  bool dollar = false;
  int32_t hashes = 2;
  bool grouping = false;
  bool point = false;
  int32_t decimals = 0;
  char trail = 0;  // '+', '-' or 0 (only without a leading "+")

  std::string text() const {
    std::string m = lead_plus ? "+" : "";
    if (fill) {
      m += '*';
      m += fill;
      if (dollar) m += '$';
    } else if (dollar) {
      m += "$$";
    }
    m += std::string(static_cast<size_t>(hashes), '#');
    if (grouping && hashes > 1) m.insert(m.size() - static_cast<size_t>(hashes) + 1, ",");
    if (point) m += '.' + std::string(static_cast<size_t>(decimals), '#');
    if (!lead_plus && trail) m += trail;
    return m;
  }
  // Whether text() is a numeric field at all ("+" or "$$" alone are not).
  bool valid() const {
    const bool decimal_field = point && decimals > 0;
    if (fill) return fill == '*' || hashes > 0 || dollar || decimal_field;
    return hashes > 0 || dollar || decimal_field;
  }
};

// The field's rules: every decimal shown; integer digits grouped by three, "0" below one when
// the field has a digit position; the sign left of the floating "$" and the digits (or at the
// end with a trailing sign); padded on the left to the integer positions with the fill
// character; a result of zero is never negative.
inline bool expected_field(long double value, const FieldShape& f, std::string& out) {
  const int32_t decimals = f.point ? f.decimals : 0;
  std::string units;
  if (!exact_units(value, decimals, units)) return false;
  std::string whole;
  std::string fraction;
  split_units(units, decimals, whole, fraction);
  const bool negative = std::signbit(value) && units != "0";
  const char trail = f.lead_plus ? 0 : f.trail;
  const int32_t digit_slots = (f.fill ? 2 : f.dollar ? 1 : 0) + f.hashes;
  const bool grouping = f.grouping && f.hashes > 1;
  const int32_t int_positions = (f.fill     ? 2 + (f.dollar ? 1 : 0)
                                 : f.dollar ? 2
                                            : 0) +
                                f.hashes + (grouping ? 1 : 0) + (f.lead_plus ? 1 : 0);
  std::string body;
  if (f.lead_plus) {
    body += negative ? '-' : '+';
  } else if (negative && !trail) {
    body += '-';
  }
  if (f.dollar) body += '$';
  if (!whole.empty()) {
    body += grouping ? group_by_three(whole) : whole;
  } else if (digit_slots > 0) {
    body += '0';
  }
  out.assign(body.size() < static_cast<size_t>(int_positions)
                 ? static_cast<size_t>(int_positions) - body.size()
                 : 0,
             f.fill ? f.fill : ' ');
  out += body;
  if (f.point) out += '.' + fraction;
  if (trail == '+') out += negative ? '-' : '+';
  if (trail == '-') out += negative ? '-' : ' ';
  return true;
}

}  // namespace format_oracle
