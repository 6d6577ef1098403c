// A picture shown above the console's screen while a modal box is up (the print dialog):
// cells placed on the terminal, each a character and a colour. The console draws it over its
// own cells through its own renderer, and shows the screen beneath again when it is dropped,
// so that whoever draws a box never makes bytes for the terminal.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::posix {

struct OverlayCell {
  // The character: a Unicode code point on a UTF-8 terminal, otherwise a byte of the
  // terminal's charset. Control characters are shown as '?'.
  char32_t ch = U' ';
  uint16_t attr = 0x07;  // colours as a console cell's: background << 4 | foreground
};

struct Overlay {
  int left = 0;  // the terminal's cell under the first cell, from 0
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<OverlayCell> cells;  // row by row

  Overlay() = default;
  Overlay(int left, int top, int width, int height, OverlayCell fill)
      : left(left),
        top(top),
        width(width),
        height(height),
        cells(static_cast<size_t>(width) * static_cast<size_t>(height), fill) {}
  OverlayCell& at(int x, int y) { return cells[static_cast<size_t>(y) * width + x]; }
  const OverlayCell& at(int x, int y) const { return cells[static_cast<size_t>(y) * width + x]; }
};

}  // namespace platform::posix
