#include "platform/posix/terminal/charset.h"

#include <iconv.h>
#include <langinfo.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "platform/cp437.h"

namespace platform::posix {
namespace {

// ASCII stand-ins for bytes 0-31 (the glyphs of the control codes) and 127-255.
constexpr char kLowFallback[] = " oo*****#o#mfdd*><|!PS-|^v><L-^v";
constexpr char kHighFallback[] =
    "^"                  // 127 house
    "CueaaaaceeeiiiAA"   // 128
    "EaAooouuyOUcLYPf"   // 144
    "aiounNao?--//!<>"   // 160
    "###|++++++|+++++"   // 176 shades, then box lines
    "++++-++++++++-++"   // 192
    "+++++++++++#####"   // 208 box lines, then blocks
    "aBGpSsutFOOd8fen"   // 224
    "=+><()/~o..vn2# ";  // 240
static_assert(sizeof kLowFallback == 33 && sizeof kHighFallback == 130);

bool is_ascii_name(const std::string& codeset) {
  return codeset == "ANSI_X3.4-1968" || codeset == "ASCII" || codeset == "US-ASCII" ||
         codeset == "646" || codeset.empty();
}

bool is_utf8_name(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name == "utf-8" || name == "utf8";
}

// The charset part of a locale name ("en_US.ISO-8859-1@euro" gives "ISO-8859-1").
std::string codeset_of_name(const char* locale) {
  const char* dot = std::strchr(locale, '.');
  if (dot == nullptr) return "";
  std::string s(dot + 1);
  return s.substr(0, s.find('@'));
}

}  // namespace

char cp437_ascii_fallback(uint8_t cp437) {
  if (cp437 < 32) return kLowFallback[cp437];
  if (cp437 < 127) return static_cast<char>(cp437);
  return kHighFallback[cp437 - 127];
}

Charset::Charset() {
  for (int b = 0; b < 256; ++b) {
    char buf[4];
    uint8_t ch = static_cast<uint8_t>(b);
    int len = b == 0 || b == 255 ? 1 : cp437_to_utf8(ch, buf);
    if (b == 0 || b == 255) buf[0] = ' ';
    set(ch, std::string_view(buf, static_cast<size_t>(len)));
  }
  for (int i = 0; i < 128; ++i) high_[i] = static_cast<uint8_t>(128 + i);  // unused for UTF-8
}

void Charset::set(uint8_t cp437, std::string_view bytes) {
  std::memcpy(glyphs_[cp437].data(), bytes.data(), bytes.size());
  lengths_[cp437] = static_cast<uint8_t>(bytes.size());
}

Charset Charset::ascii() {
  Charset c;
  c.utf8_ = false;
  c.name_ = "ANSI_X3.4-1968";
  for (int b = 0; b < 256; ++b) {
    char f = b == 0 || b == 255 ? ' ' : cp437_ascii_fallback(static_cast<uint8_t>(b));
    c.set(static_cast<uint8_t>(b), std::string_view(&f, 1));
  }
  c.high_.fill('?');
  return c;
}

Charset Charset::named(const std::string& codeset) {
  if (is_utf8_name(codeset)) return utf8();
  Charset c = ascii();
  if (is_ascii_name(codeset)) return c;
  c.name_ = codeset;
  iconv_t out = iconv_open(codeset.c_str(), "UTF-8");
  if (out != reinterpret_cast<iconv_t>(-1)) {
    for (int b = 1; b < 255; ++b) {         // 0 and the no-break space stay blanks
      if (b >= 0x20 && b < 0x7F) continue;  // ASCII is ASCII
      char in[4];
      int in_len = cp437_to_utf8(static_cast<uint8_t>(b), in);
      char got[8];
      char* src = in;
      char* dst = got;
      size_t src_left = static_cast<size_t>(in_len), dst_left = sizeof got;
      iconv(out, nullptr, nullptr, nullptr, nullptr);
      bool ok = iconv(out, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1) &&
                iconv(out, nullptr, nullptr, &dst, &dst_left) != static_cast<size_t>(-1);
      size_t n = sizeof got - dst_left;
      if (!ok || n == 0 || n > 4) continue;
      for (size_t i = 0; i < n; ++i) {
        uint8_t v = static_cast<uint8_t>(got[i]);
        if (v < 0x20 || v == 0x7F) ok = false;  // a control byte would act, not show
      }
      if (ok) c.set(static_cast<uint8_t>(b), std::string_view(got, n));
    }
    iconv_close(out);
  }
  iconv_t in = iconv_open("UTF-8", codeset.c_str());
  if (in != reinterpret_cast<iconv_t>(-1)) {
    for (int b = 128; b < 256; ++b) {
      char src_buf[1] = {static_cast<char>(b)};
      char got[8];
      char* src = src_buf;
      char* dst = got;
      size_t src_left = 1, dst_left = sizeof got;
      iconv(in, nullptr, nullptr, nullptr, nullptr);
      // A byte that is not a whole character (part of a multibyte one) stays '?'.
      if (iconv(in, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1)) continue;
      size_t n = sizeof got - dst_left;
      uint32_t cp = 0;
      uint8_t lead = static_cast<uint8_t>(got[0]);
      if (n == 1) {
        cp = lead;
      } else if (n == 2) {
        cp = (lead & 0x1Fu) << 6 | (static_cast<uint8_t>(got[1]) & 0x3Fu);
      } else if (n == 3) {
        cp = (lead & 0x0Fu) << 12 | (static_cast<uint8_t>(got[1]) & 0x3Fu) << 6 |
             (static_cast<uint8_t>(got[2]) & 0x3Fu);
      } else {
        continue;
      }
      int byte = cp == 0xA0 ? 255 : cp437_from_unicode(cp);
      c.high_[b - 128] = byte < 0 || byte < 0x20 ? '?' : static_cast<uint8_t>(byte);
    }
    iconv_close(in);
  }
  return c;
}

Charset Charset::from_locale() {
  // The common cases need no locale loaded: a name that says UTF-8, and C or POSIX.
  const char* chosen = nullptr;
  for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* v = std::getenv(var);
    if (v != nullptr && *v != 0) {
      chosen = v;
      break;
    }
  }
  if (chosen == nullptr || std::strcmp(chosen, "C") == 0 || std::strcmp(chosen, "POSIX") == 0) {
    return ascii();
  }
  if (is_utf8_name(codeset_of_name(chosen))) return utf8();
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  std::string saved = current != nullptr ? current : "C";
  std::string codeset;
  if (std::setlocale(LC_CTYPE, "") != nullptr) {
    codeset = nl_langinfo(CODESET);
  } else {
    // The locale named is not installed: its name still says which charset the terminal
    // uses ("en_US.ISO-8859-1"), which is what matters here.
    codeset = codeset_of_name(chosen);
  }
  std::setlocale(LC_CTYPE, saved.c_str());
  return named(codeset);
}

}  // namespace platform::posix
