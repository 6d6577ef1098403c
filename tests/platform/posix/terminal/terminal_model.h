// A small terminal for the tests: it understands the sequences the renderer sends (cursor
// position and movement, colours, erasing, cursor shape and visibility, titles) and keeps
// a grid of cells to compare with the frame that was meant to be shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace posix_test {

struct ModelCell {
  uint32_t glyph = ' ';  // Unicode code point
  int fg = 39;           // SGR colour numbers; 39/49 are the terminal's defaults
  int bg = 49;
};

class TerminalModel {
 public:
  TerminalModel(int cols, int rows) : cols(cols), rows(rows), cells(cols * rows) {}

  ModelCell& at(int x, int y) { return cells[static_cast<size_t>(y) * cols + x]; }

  // Feeds bytes; returns false on a sequence the model does not know.
  bool feed(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size();) {
      unsigned char c = static_cast<unsigned char>(bytes[i]);
      if (c == 0x1B) {
        size_t used = escape(bytes, i);
        if (used == 0) return false;
        i += used;
      } else if (c == '\r') {
        x = 0, ++i;
      } else if (c == '\n') {
        if (y < rows - 1) ++y;
        ++i;
      } else if (c < 0x20 || c == 0x7F) {
        return false;  // a control byte would do something on a real terminal
      } else {
        uint32_t cp = c;
        size_t len = 1;
        if (utf8 && c >= 0x80) {
          len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
          cp = c & (0x7F >> len);
          for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (bytes[i + k] & 0x3F);
        }
        ModelCell& cell = at(x, y);
        cell = {cp, fg, bg};
        if (x < cols - 1) ++x;  // auto-wrap off: the last column keeps the cursor
        i += len;
      }
    }
    return true;
  }

  int cols, rows;
  std::vector<ModelCell> cells;
  int x = 0, y = 0;
  int fg = 39, bg = 49;
  bool cursor_visible = true;
  int cursor_style = 0;
  bool utf8 = true;
  bool bce = true;  // erasing fills with the current background (else the default, 49)
  std::string title;
  std::vector<std::string> window_ops;  // CSI ... t requests

 private:
  int erase_bg() const { return bce ? bg : 49; }
  size_t escape(const std::string& b, size_t i) {
    if (i + 1 >= b.size()) return 0;
    if (b[i + 1] == ']') {  // OSC ... BEL
      size_t end = b.find('\x07', i);
      if (end == std::string::npos) return 0;
      std::string body = b.substr(i + 2, end - i - 2);
      if (body.rfind("2;", 0) == 0) title = body.substr(2);
      return end - i + 1;
    }
    if (b[i + 1] != '[') return 0;
    size_t j = i + 2;
    bool priv = j < b.size() && b[j] == '?';
    if (priv) ++j;
    std::vector<int> p;
    int cur = -1;
    for (; j < b.size(); ++j) {
      char c = b[j];
      if (c >= '0' && c <= '9') {
        cur = (cur < 0 ? 0 : cur * 10) + (c - '0');
      } else if (c == ';') {
        p.push_back(cur);
        cur = -1;
      } else {
        break;
      }
    }
    p.push_back(cur);
    if (j >= b.size()) return 0;
    char fin = b[j];
    std::string inter;
    if (fin == ' ') {  // DECSCUSR: CSI n SP q
      if (j + 1 >= b.size() || b[j + 1] != 'q') return 0;
      cursor_style = p[0] < 0 ? 0 : p[0];
      return j + 2 - i;
    }
    auto arg = [&](size_t k, int def) { return k < p.size() && p[k] >= 0 ? p[k] : def; };
    switch (fin) {
      case 'H':
        y = arg(0, 1) - 1, x = arg(1, 1) - 1;
        break;
      case 'C':
        x = std::min(cols - 1, x + arg(0, 1));
        break;
      case 'D':
        x = std::max(0, x - arg(0, 1));
        break;
      case 'K':
        for (int k = x; k < cols; ++k) at(k, y) = {' ', fg, erase_bg()};
        break;
      case 'X':
        for (int k = x; k < std::min(cols, x + arg(0, 1)); ++k) at(k, y) = {' ', fg, erase_bg()};
        break;
      case 'J':
        if (arg(0, 0) != 2) return 0;
        for (auto& c : cells) c = {' ', fg, erase_bg()};
        break;
      case 'm':
        for (size_t k = 0; k < p.size(); ++k) {
          int v = p[k] < 0 ? 0 : p[k];
          if (v == 0)
            fg = 39, bg = 49;
          else if ((v >= 30 && v <= 37) || (v >= 90 && v <= 97))
            fg = v;
          else if ((v >= 40 && v <= 47) || (v >= 100 && v <= 107))
            bg = v;
          else
            return 0;
        }
        break;
      case 'h':
      case 'l':
        if (!priv) return 0;
        if (arg(0, 0) == 25) cursor_visible = fin == 'h';
        break;
      case 't':
        window_ops.push_back(b.substr(i, j - i + 1));
        break;
      default:
        return 0;
    }
    if (x >= cols || y >= rows || x < 0 || y < 0) return 0;
    return j - i + 1;
  }
};

}  // namespace posix_test
