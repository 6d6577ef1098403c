// The terminal's charset: code page 437 glyphs written in it, with ASCII stand-ins where it
// lacks them, and its bytes read back as code page 437.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "platform/cp437.h"
#include "platform/posix/terminal/charset.h"

namespace {

using platform::posix::Charset;

std::string show(const Charset& c, const std::string& cp437) {
  std::string out;
  for (unsigned char ch : cp437) out += c.glyph(ch);
  return out;
}

// The refusal line's glyphs, a box corner and line, shades, an accented letter, a note.
const std::string kSample = "\xAD!\x9B$%^& \xC9\xCD\xBB\xBA \xB0\xB1\xB2\xDB \x82\x0D";

TEST(PosixCharset, AsciiTerminalsGetStandInsAndNeverAByteAbove127) {
  Charset c = Charset::ascii();
  EXPECT_FALSE(c.is_utf8());
  EXPECT_EQ(show(c, kSample), "!!c$%^& +-+| #### ed");
  for (int b = 0; b < 256; ++b) {
    std::string_view g = c.glyph(static_cast<uint8_t>(b));
    ASSERT_EQ(g.size(), 1u) << b;
    EXPECT_GE(static_cast<uint8_t>(g[0]), 0x20) << b;
    EXPECT_LT(static_cast<uint8_t>(g[0]), 0x7F) << b;
  }
  EXPECT_EQ(c.input_high()[0xE9 - 128], '?');
}

TEST(PosixCharset, EightBitCharsetsUseTheirOwnGlyphsAndStandInsForTheRest) {
  Charset c = Charset::named("ISO-8859-1");
  EXPECT_FALSE(c.is_utf8());
  EXPECT_EQ(show(c, kSample),
            "\xA1!\xA2$%^& +-+| #### \xE9"
            "d");
  // Typed Latin-1 letters come back as their code page 437 bytes; what the code page lacks
  // reads as '?'.
  EXPECT_EQ(c.input_high()[0xE9 - 128], 0x82);  // é
  EXPECT_EQ(c.input_high()[0xA1 - 128], 0xAD);  // ¡
  EXPECT_EQ(c.input_high()[0xA4 - 128], '?');   // ¤
  EXPECT_EQ(c.input_high()[0x85 - 128], '?');   // a C1 control

  // Every glyph of every charset is 1 to 4 bytes without a control byte, in whatever
  // charset the terminal uses (an unknown name falls back to ASCII).
  for (const char* name : {"UTF-8", "ISO-8859-1", "ISO-8859-15", "KOI8-R", "CP1252", "CP437",
                           "GB18030", "NO-SUCH-CHARSET"}) {
    Charset any = Charset::named(name);
    for (int b = 0; b < 256; ++b) {
      std::string_view g = any.glyph(static_cast<uint8_t>(b));
      ASSERT_GE(g.size(), 1u) << name << " " << b;
      ASSERT_LE(g.size(), 4u) << name << " " << b;
      for (char ch : g) {
        uint8_t v = static_cast<uint8_t>(ch);
        ASSERT_TRUE(v >= 0x20 && v != 0x7F) << name << " " << b;
      }
    }
  }
  EXPECT_EQ(show(Charset::named("CP437"), "\xAD\xC9"), "\xAD\xC9");  // a code page 437 terminal
  EXPECT_EQ(show(Charset::named("utf8"), "\xAD"), "\xC2\xA1");
}

TEST(PosixCharset, TheLocaleNamesTheCharsetAndStaysAsItWas) {
  const char* saved_env = std::getenv("LC_ALL");
  std::string before = std::setlocale(LC_CTYPE, nullptr);
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(Charset::from_locale().name(), "ANSI_X3.4-1968");
  setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_TRUE(Charset::from_locale().is_utf8());
  // A locale that is not installed still names its charset.
  setenv("LC_ALL", "xx_YY.ISO-8859-1@euro", 1);
  EXPECT_EQ(Charset::from_locale().name(), "ISO-8859-1");
  EXPECT_EQ(std::setlocale(LC_CTYPE, nullptr), before);
  if (saved_env != nullptr) {
    setenv("LC_ALL", saved_env, 1);
  } else {
    unsetenv("LC_ALL");
  }
}

}  // namespace
