#include "text/number_math.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace text {

long double number_power(long double base, long double exponent) {
  if (exponent == 0) return 1.0L;
  if (base == 0) {
    if (exponent > 0) return 0.0L;
    if (exponent < 0) return -std::numeric_limits<long double>::quiet_NaN();
  }
  if (base < 0) exponent = std::nearbyint(exponent);
  if (std::isfinite(exponent) && exponent == std::trunc(exponent) &&
      std::fabs(exponent) < 65536.0L) {
    uint32_t bits = static_cast<uint32_t>(std::fabs(exponent));
    long double result = 1.0L;
    long double square = base;
    while (bits) {
      if (bits & 1) result *= square;
      bits >>= 1;
      if (bits) square *= square;
    }
    return exponent < 0 ? 1.0L / result : result;
  }
  if (base < 0) {
    const long double magnitude = std::pow(-base, exponent);
    const bool odd = std::fmod(exponent, 2.0L) != 0;
    return odd ? -magnitude : magnitude;
  }
  return std::pow(base, exponent);
}

long double number_atan(long double x) {
  return std::atan(x);
}
long double number_sin(long double x) {
  return std::sin(x);
}
long double number_cos(long double x) {
  return std::cos(x);
}
long double number_tan(long double x) {
  return std::tan(x);
}
long double number_exp(long double x) {
  return std::exp(x);
}
long double number_exp2(long double x) {
  return std::exp2(x);
}
long double number_exp10(long double x) {
  return std::pow(10.0L, x);
}

namespace {
bool log_domain(long double x) {
  return std::isfinite(x) && x > 0;
}
}  // namespace

long double number_ln(long double x) {
  return log_domain(x) ? std::log(x) : 0.0L;
}
long double number_log2(long double x) {
  return log_domain(x) ? std::log2(x) : 0.0L;
}
long double number_log10(long double x) {
  return log_domain(x) ? std::log10(x) : 0.0L;
}
long double number_sqrt(long double x) {
  return x < 0 ? x : std::sqrt(x);
}

}  // namespace text
