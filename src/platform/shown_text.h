// Text from outside the program (an environment variable, a path, a printer's name) made safe
// to show in a message or on the screen, where a control character would act on the terminal
// (set its title, change its colours, move the cursor) and a long value would bury the message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The longest text shown by default, in bytes.
inline constexpr size_t kShownTextMax = 100;

// `text` with each control character (C0, DEL, and C1 as UTF-8 encodes it) and each byte that
// is not part of a well-formed UTF-8 character (a C1 control sent raw, say) replaced by '?';
// cut, at the start of a character, to at most `max` bytes and then ending in "...".
inline std::string shown_text(std::string_view text, size_t max = kShownTextMax) {
  std::string out;
  const size_t limit = max < 3 ? 3 : max;
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<uint8_t>(text[i]);
    // The length of a well-formed character starting here (1 for a byte that starts none),
    // and whether it is shown as it is.
    size_t len = 1;
    bool ok = b >= 0x20 && b < 0x7F;
    if (b >= 0xC2 && b <= 0xF4) {
      const size_t want = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
      bool formed = i + want <= text.size();
      for (size_t k = 1; formed && k < want; ++k) {
        formed = (static_cast<uint8_t>(text[i + k]) & 0xC0) == 0x80;
      }
      if (formed) {
        const auto b1 = static_cast<uint8_t>(text[i + 1]);
        // No overlong forms, no surrogates, nothing past U+10FFFF.
        formed = !(b == 0xE0 && b1 < 0xA0) && !(b == 0xED && b1 >= 0xA0) &&
                 !(b == 0xF0 && b1 < 0x90) && !(b == 0xF4 && b1 >= 0x90);
        if (formed) {
          len = want;
          ok = !(b == 0xC2 && b1 < 0xA0);  // a C1 control: one '?' for the character
        }
      }
    }
    if (ok) {
      out.append(text.substr(i, len));
    } else {
      out += '?';
    }
    i += len;
    if (out.size() > limit) break;  // cut below: the rest is never looked at
  }
  if (out.size() > limit) {
    size_t cut = limit - 3;
    while (cut > 0 && (static_cast<uint8_t>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
    out += "...";
  }
  return out;
}

}  // namespace platform
