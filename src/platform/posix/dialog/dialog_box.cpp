#include "platform/posix/dialog/dialog_box.h"

#include <algorithm>

namespace platform::posix {
namespace {

bool continues(char c, bool utf8) {
  return utf8 && (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The characters `text` shows.
size_t width_of(const std::string& text, bool utf8) {
  size_t n = 0;
  for (char c : text) n += continues(c, utf8) ? 0 : 1;
  return n;
}

// The bytes of the first `columns` characters of `text`.
size_t prefix_bytes(const std::string& text, size_t columns, bool utf8) {
  size_t shown = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (continues(text[i], utf8)) continue;
    if (shown == columns) return i;
    ++shown;
  }
  return text.size();
}

// The character that starts at `text[at]` and the bytes it takes; 0 for a stray continuation
// byte, U+FFFD for a sequence cut short.
char32_t next_character(const std::string& text, size_t at, size_t& used) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  used = 1;
  if (lead < 0x80) return lead;
  if ((lead & 0xC0) == 0x80) return 0;
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  char32_t ch = lead & (0x7F >> length);
  for (; used < length && at + used < text.size() && (byte(at + used) & 0xC0) == 0x80; ++used) {
    ch = (ch << 6) | (byte(at + used) & 0x3F);
  }
  return used == length ? ch : U'\uFFFD';
}

}  // namespace

std::string fit_line(const std::string& text, size_t columns, bool utf8) {
  if (width_of(text, utf8) <= columns) return text;
  const std::string ellipsis = utf8 ? "\u2026" : "...";
  const size_t room = columns > width_of(ellipsis, utf8) ? columns - width_of(ellipsis, utf8) : 0;
  std::string cut = text.substr(0, prefix_bytes(text, room, utf8));
  while (!cut.empty() && cut.back() == ' ') cut.pop_back();
  return cut + ellipsis;
}

Overlay render_dialog_box(const std::string& title, const std::vector<DialogLine>& lines,
                          int max_width, int columns, int rows, bool utf8) {
  const int width = std::min(max_width, std::max(20, columns - 2));
  const int height = static_cast<int>(lines.size()) + 2;
  const int top = std::max(0, (rows - height) / 2);
  const int left = std::max(0, (columns - width) / 2);
  const int inner = width - 2;
  const char32_t h = utf8 ? U'\u2500' : U'-';
  const char32_t v = utf8 ? U'\u2502' : U'|';
  const char32_t corner[4] = {utf8 ? U'\u250C' : U'+', utf8 ? U'\u2510' : U'+',
                              utf8 ? U'\u2514' : U'+', utf8 ? U'\u2518' : U'+'};
  Overlay box(left, top, width, height, OverlayCell{U' ', kDialogFrameAttr});
  // `text` into row `y` from column `x`, at most `room` characters; the columns written.
  auto put = [&](int x, int y, const std::string& text, int room, uint16_t attr) {
    int shown = 0;
    for (size_t i = 0; i < text.size() && shown < room;) {
      size_t used = 1;
      const char32_t ch = utf8 ? next_character(text, i, used)
                               : static_cast<char32_t>(static_cast<unsigned char>(text[i]));
      i += used;
      if (ch == 0) continue;  // a stray continuation byte takes no column
      box.at(x + shown++, y) = OverlayCell{ch, attr};
    }
    return shown;
  };

  box.at(0, 0).ch = corner[0];
  const int shown_title = std::min(static_cast<int>(title.size()), inner);
  const int rule = (inner - shown_title) / 2;
  for (int x = 1; x <= inner; ++x) box.at(x, 0).ch = h;
  put(1 + rule, 0, title, shown_title, kDialogFrameAttr);
  box.at(width - 1, 0).ch = corner[1];
  for (size_t i = 0; i < lines.size(); ++i) {
    const int y = static_cast<int>(i) + 1;
    box.at(0, y).ch = v;
    for (int x = 1; x <= inner; ++x) box.at(x, y).attr = lines[i].attr;
    put(1, y, lines[i].text, inner, lines[i].attr);
    box.at(width - 1, y).ch = v;
  }
  box.at(0, height - 1).ch = corner[2];
  for (int x = 1; x <= inner; ++x) box.at(x, height - 1).ch = h;
  box.at(width - 1, height - 1).ch = corner[3];
  return box;
}

}  // namespace platform::posix
