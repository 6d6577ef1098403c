// Arbitrary values and masks through mask_format: no crash, no sanitizer report, the output
// within its bound, and the whole-number shortcut agreeing with the general layout.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/error.h"
#include "text/format.h"

namespace {

// The longest text a mask can add to its literals: every digit of the largest long double
// (4933), its grouping commas, a sign and an exponent.
constexpr size_t kMaxNumberText = 7000;

bool plain_mask(std::string_view mask) {
  // Appending an empty quoted literal leaves these masks meaning the same (a trailing "*" would
  // take the quote as its fill character).
  return mask.find_first_of("\";\\*") == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  runtime::ErrorScope scope;
  long double value = 0;
  const size_t value_bytes = size < 10 ? size : 10;  // any 80-bit pattern, invalid ones too
  std::memcpy(&value, data, value_bytes < sizeof value ? value_bytes : sizeof value);
  const std::string_view mask(reinterpret_cast<const char*>(data) + value_bytes,
                              size - value_bytes);
  const std::string out = text::mask_format(value, mask);
  if (out.size() > mask.size() + kMaxNumberText) std::abort();
  if (!mask.empty() && plain_mask(mask)) {
    std::string general(mask);
    general += "\"\"";  // an empty literal: forces the general layout, adds nothing
    if (text::mask_format(value, general) != out) std::abort();
  }
  return 0;
}
