// The terminal's character set, as the locale names it: the bytes that show each code page
// 437 glyph of a cell on that terminal, and the code page 437 byte for each byte it sends.
// The cells themselves always hold code page 437; only the terminal's bytes differ.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::posix {

class Charset {
 public:
  // UTF-8, the glyphs of code page 437 as they are.
  Charset();
  static Charset utf8() { return Charset(); }
  // 7-bit ASCII: each glyph outside it written as its ASCII stand-in.
  static Charset ascii();
  // A charset by its iconv name (as nl_langinfo(CODESET) gives it). Each glyph converted with
  // iconv; the ASCII stand-in where the charset lacks it or iconv does not know the charset.
  static Charset named(const std::string& codeset);
  // The charset of the locale the environment selects for character types (LC_ALL,
  // LC_CTYPE, LANG). The process's own locale is left as it was.
  static Charset from_locale();

  bool is_utf8() const { return utf8_; }
  const std::string& name() const { return name_; }
  // The bytes that show `cp437`'s glyph: 1 to 4 bytes, never a control byte.
  std::string_view glyph(uint8_t cp437) const { return {glyphs_[cp437].data(), lengths_[cp437]}; }
  // For charsets of one byte per character: the code page 437 byte of each byte 128-255 the
  // terminal sends ('?' for a character code page 437 lacks).
  const std::array<uint8_t, 128>& input_high() const { return high_; }

 private:
  void set(uint8_t cp437, std::string_view bytes);

  bool utf8_ = true;
  std::string name_ = "UTF-8";
  std::array<std::array<char, 4>, 256> glyphs_{};
  std::array<uint8_t, 256> lengths_{};
  std::array<uint8_t, 128> high_{};
};

// The ASCII character that stands in for a code page 437 glyph on a terminal whose charset
// lacks it: '!' for the inverted exclamation mark, 'c' for the cent sign, + - | for box lines,
// '#' for shades and blocks, the base letter for accented ones.
char cp437_ascii_fallback(uint8_t cp437);

}  // namespace platform::posix
