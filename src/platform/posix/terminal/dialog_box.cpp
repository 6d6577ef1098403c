#include "platform/posix/terminal/dialog_box.h"

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

}  // namespace

std::string fit_line(const std::string& text, size_t columns, bool utf8) {
  if (width_of(text, utf8) <= columns) return text;
  const std::string ellipsis = utf8 ? "\u2026" : "...";
  const size_t room = columns > width_of(ellipsis, utf8) ? columns - width_of(ellipsis, utf8) : 0;
  std::string cut = text.substr(0, prefix_bytes(text, room, utf8));
  while (!cut.empty() && cut.back() == ' ') cut.pop_back();
  return cut + ellipsis;
}

std::string render_dialog_box(const std::string& title, const std::vector<DialogLine>& lines,
                              int max_width, int columns, int rows, bool utf8) {
  const int width = std::min(max_width, std::max(20, columns - 2));
  const int height = static_cast<int>(lines.size()) + 2;
  const int top = std::max(1, (rows - height) / 2 + 1);
  const int left = std::max(1, (columns - width) / 2 + 1);
  const size_t inner = static_cast<size_t>(width - 2);
  const std::string h = utf8 ? "\u2500" : "-";
  const std::string v = utf8 ? "\u2502" : "|";
  const std::string corner[4] = {utf8 ? "\u250C" : "+", utf8 ? "\u2510" : "+",
                                 utf8 ? "\u2514" : "+", utf8 ? "\u2518" : "+"};
  const std::string frame = "\x1b[0;30;47m";

  std::string out =
      "\x1b[?25l\x1b"
      "7";  // hide the cursor, save its position
  auto at = [&](int row) {
    out += "\x1b[" + std::to_string(top + row) + ";" + std::to_string(left) + "H" + frame;
  };
  at(0);
  out += corner[0];
  const size_t shown_title = std::min(title.size(), inner);
  const size_t rule = (inner - shown_title) / 2;
  for (size_t i = 0; i < rule; ++i) out += h;
  out += title.substr(0, shown_title);
  for (size_t i = rule + shown_title; i < inner; ++i) out += h;
  out += corner[1];
  for (size_t i = 0; i < lines.size(); ++i) {
    at(static_cast<int>(i) + 1);
    std::string text = lines[i].text.substr(0, prefix_bytes(lines[i].text, inner, utf8));
    text += std::string(inner - width_of(text, utf8), ' ');
    out += v + lines[i].colour + text + (lines[i].colour.empty() ? "" : frame) + v;
  }
  at(height - 1);
  out += corner[2];
  for (size_t i = 0; i < inner; ++i) out += h;
  out += corner[3];
  out +=
      "\x1b[0m\x1b"
      "8";  // plain colours, the cursor back where it was
  return out;
}

}  // namespace platform::posix
