// Arbitrary masks, values and strings through the field formatter: no crash, no sanitizer
// report, and the output within its bound (1024 bytes of text plus one numeric field, which
// is never wider than its mask part plus a number's digits, sign and exponent).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/error.h"
#include "text/format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  runtime::ErrorScope scope;
  if (size < 2) return 0;
  // Byte 0: how many operations; byte 1: mask length share; then the mask, then operands.
  const size_t ops = data[0] % 8;
  const size_t mask_len = (size - 2) * data[1] / 255;
  const char* p = reinterpret_cast<const char*>(data) + 2;
  const std::string_view mask(p, mask_len);
  std::string_view rest(p + mask_len, size - 2 - mask_len);

  text::FieldFormat f = text::field_begin(mask);
  for (size_t i = 0; i < ops; ++i) {
    if (rest.size() >= 11 && (rest[0] & 1)) {
      long double value = 0;
      std::memcpy(&value, rest.data() + 1, 10);
      text::field_number(f, value);
      rest.remove_prefix(11);
    } else if (!rest.empty()) {
      const size_t n = static_cast<unsigned char>(rest[0]) % (rest.size());
      text::field_text(f, rest.substr(1, n));
      rest.remove_prefix(1 + n);
    } else {
      text::field_number(f, static_cast<long double>(i) - 3.5L);
    }
  }
  const std::string out = text::field_end(f);
  if (out.size() > text::kFieldTextLimit + mask.size() + 64) std::abort();
  return 0;
}
