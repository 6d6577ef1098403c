// The power operation and the math functions on extended long doubles.
#pragma once

namespace text {

// base raised to exponent: y = 0 gives 1; x = 0 gives 0 for y > 0 and NaN for y < 0; a
// negative base rounds the exponent to an integer; integer exponents below 65536 in
// magnitude are computed by squaring.
long double number_power(long double base, long double exponent);

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
