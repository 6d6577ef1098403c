#include "platform/posix/dialog_box.h"

#include <algorithm>

namespace platform::posix {

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
    std::string text = lines[i].text.substr(0, inner);
    text += std::string(inner - text.size(), ' ');
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
