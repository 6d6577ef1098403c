// Brings a terminal from what it shows to a new frame of cells with as few bytes as it can:
// only changed cells are drawn, the cursor moves by the shortest sequence, colours change
// only when they differ, and runs of blanks are erased rather than written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/posix/terminal/charset.h"
#include "platform/posix/terminal/escapes.h"
#include "platform/posix/terminal/term_caps.h"

namespace platform::posix {

// One picture of the terminal: cells row by row, and the cursor.
struct Frame {
  int cols = 0;
  int rows = 0;
  std::vector<Cell> cells;
  // Characters a cell shows instead of its code page 437 glyph (a modal box's text), as an
  // OverlayCell holds them; 0 where the cell's own glyph shows. Empty when there are none.
  std::vector<char32_t> glyphs;
  int cursor_x = 0;
  int cursor_y = 0;
  bool cursor_visible = false;  // false also when the cursor lies off the frame
  uint32_t cursor_size = 25;    // percent of the cell: more than 50 shows a block

  void resize(int c, int r, Cell fill) {
    cols = c;
    rows = r;
    cells.assign(static_cast<size_t>(c) * r, fill);
    glyphs.clear();
  }
  Cell& at(int x, int y) { return cells[static_cast<size_t>(y) * cols + x]; }
  const Cell& at(int x, int y) const { return cells[static_cast<size_t>(y) * cols + x]; }
};

class Renderer {
 public:
  // Cells are shown as the glyphs of their code page 437 bytes in the terminal's charset.
  explicit Renderer(const Charset& charset) : charset_(charset) {}

  // What the terminal can do: without background colour erase, blanks in colour are written
  // as spaces; on a terminal without the sixteen colours, foregrounds and backgrounds take
  // the nearest of the eight;
  // the cursor is hidden and shaped only as the terminal allows.
  void set_caps(const TermCaps& caps);

  // Forgets what the terminal shows: the next frame starts by erasing the screen.
  void invalidate();
  // Appends to `out` the bytes that turn the terminal's picture into `frame`. Expects the
  // terminal to have auto-wrap off.
  void render(const Frame& frame, std::string& out);

  // True when two cells look the same on a terminal (blanks differ only by background).
  bool same_look(const Cell& a, const Cell& b) const;

 private:
  uint8_t glyph_key(uint8_t ch) const;
  // The cell of `frame` at `index` as the terminal shows it.
  bool shows(const Frame& frame, size_t index) const;
  void remember(const Frame& frame, size_t index);
  void put_glyph(const Frame& frame, size_t index, std::string& out) const;
  size_t glyph_length(const Frame& frame, size_t index) const;
  void put_wide(char32_t ch, std::string& out) const;
  // The bytes that show `ch` on this terminal, written to `out` (4 bytes); their count.
  size_t wide_bytes(char32_t ch, char* out) const;
  void set_pen(uint16_t attr, bool blank, std::string& out);
  int background_sgr(int colour) const;
  int foreground_sgr(int colour) const;
  void move_to(int x, int y, const Frame& frame, std::string& out);

  Charset charset_;
  std::string hide_cursor_ = escapes::kCursorHide;
  std::string show_cursor_ = escapes::kCursorShow;
  bool cursor_shape_ = true;
  bool bce_ = true;
  bool sixteen_colours_ = true;
  bool valid_ = false;
  int cols_ = 0;
  int rows_ = 0;
  std::vector<Cell> shown_;
  std::vector<char32_t> shown_glyphs_;  // as Frame::glyphs, always as large as shown_
  int pen_fg_ = -1;
  int pen_bg_ = -1;
  int cur_x_ = -1;  // -1: unknown
  int cur_y_ = -1;
  int cursor_shown_ = -1;  // -1 unknown, 0 hidden, 1 shown
  int cursor_style_ = -1;
};

}  // namespace platform::posix
