#include "platform/posix/terminal/renderer.h"

#include <algorithm>

#include "platform/cp437.h"
#include "platform/posix/terminal/escapes.h"

namespace platform::posix {
namespace {

using namespace escapes;

// A cell the terminal shows in a colour no cell has (erased without background colour erase).
constexpr uint16_t kUnknownAttr = 0xFFFF;

int fg_of(uint16_t attr) {
  return attr & 0xF;
}
int bg_of(uint16_t attr) {
  return (attr >> 4) & 0xF;
}

char32_t glyph_at(const Frame& frame, size_t index) {
  return frame.glyphs.empty() ? 0 : frame.glyphs[index];
}

}  // namespace

void Renderer::set_caps(const TermCaps& caps) {
  hide_cursor_ = caps.hide_cursor;
  show_cursor_ = caps.show_cursor;
  cursor_shape_ = caps.cursor_shape;
  bce_ = caps.bce;
  sixteen_colours_ = caps.sixteen_colours;
  invalidate();
}

int Renderer::background_sgr(int colour) const {
  return sgr_background(sixteen_colours_ ? colour : nearest_of_eight(colour));
}

int Renderer::foreground_sgr(int colour) const {
  return sgr_foreground(sixteen_colours_ ? colour : nearest_of_eight(colour));
}

void Renderer::invalidate() {
  valid_ = false;
  pen_fg_ = pen_bg_ = -1;
  cur_x_ = cur_y_ = -1;
  cursor_shown_ = -1;
  cursor_style_ = -1;
}

uint8_t Renderer::glyph_key(uint8_t ch) const {
  return ch == 0 || ch == 255 ? ' ' : ch;
}

bool Renderer::same_look(const Cell& a, const Cell& b) const {
  if (a.attr == kUnknownAttr || b.attr == kUnknownAttr) return a.attr == b.attr;
  uint8_t ga = glyph_key(a.ch);
  if (ga != glyph_key(b.ch) || bg_of(a.attr) != bg_of(b.attr)) return false;
  return ga == ' ' || fg_of(a.attr) == fg_of(b.attr);
}

bool Renderer::shows(const Frame& frame, size_t index) const {
  return shown_glyphs_[index] == glyph_at(frame, index) &&
         same_look(shown_[index], frame.cells[index]);
}

void Renderer::remember(const Frame& frame, size_t index) {
  shown_[index] = frame.cells[index];
  shown_glyphs_[index] = glyph_at(frame, index);
}

void Renderer::put_wide(char32_t ch, std::string& out) const {
  char bytes[4];
  out.append(bytes, wide_bytes(ch, bytes));
}

size_t Renderer::wide_bytes(char32_t ch, char* out) const {
  // Control characters (C0, DEL, C1), and what is no character, would act rather than show.
  const bool control = ch < 0x20 || (ch >= 0x7F && ch < 0xA0);
  if (!charset_.is_utf8()) {
    out[0] = control || ch > 0xFF ? '?' : static_cast<char>(ch);
    return 1;
  }
  const int n = control ? 0 : utf8_encode(ch, out);
  if (n == 0) {
    out[0] = '?';
    return 1;
  }
  return static_cast<size_t>(n);
}

void Renderer::put_glyph(const Frame& frame, size_t index, std::string& out) const {
  if (char32_t wide = glyph_at(frame, index); wide != 0) {
    put_wide(wide, out);
  } else {
    out += charset_.glyph(frame.cells[index].ch);
  }
}

size_t Renderer::glyph_length(const Frame& frame, size_t index) const {
  if (char32_t wide = glyph_at(frame, index); wide != 0) {
    char bytes[4];
    return wide_bytes(wide, bytes);
  }
  return charset_.glyph(frame.cells[index].ch).size();
}

void Renderer::set_pen(uint16_t attr, bool blank, std::string& out) {
  int fg = fg_of(attr), bg = bg_of(attr);
  bool fg_change = !blank && fg != pen_fg_;
  bool bg_change = bg != pen_bg_;
  if (!fg_change && !bg_change) return;
  if (fg_change && bg_change) {
    append_sgr(out, {foreground_sgr(fg), background_sgr(bg)});
  } else if (fg_change) {
    append_sgr(out, {foreground_sgr(fg)});
  } else {
    append_sgr(out, {background_sgr(bg)});
  }
  if (fg_change) pen_fg_ = fg;
  if (bg_change) pen_bg_ = bg;
}

void Renderer::move_to(int x, int y, const Frame& frame, std::string& out) {
  if (cur_x_ == x && cur_y_ == y) return;
  size_t best = cursor_position_length(x, y);
  int how = 0;  // 0 CUP, 1 rewrite the cells between, 2 CUF, 3 CR (+CUF), 4 CR LF (+CUF), 5 LF
  if (cur_y_ == y && cur_x_ >= 0 && cur_x_ < x) {
    size_t cuf = csi_length(x - cur_x_);
    if (cuf < best) best = cuf, how = 2;
    if (x - cur_x_ <= 8) {
      size_t cost = 0;
      for (int i = cur_x_; i < x && cost < best; ++i) {
        const Cell& c = frame.at(i, y);
        bool blank = glyph_key(c.ch) == ' ';
        if (bg_of(c.attr) != pen_bg_ || (!blank && fg_of(c.attr) != pen_fg_)) {
          cost = best;
          break;
        }
        cost += glyph_length(frame, static_cast<size_t>(y) * frame.cols + i);
      }
      if (cost < best) best = cost, how = 1;
    }
  }
  if (cur_y_ == y) {
    size_t cost = 1 + (x > 0 ? csi_length(x) : 0);
    if (cost < best) best = cost, how = 3;
  }
  if (cur_y_ >= 0 && cur_y_ + 1 == y) {
    size_t cost = 2 + (x > 0 ? csi_length(x) : 0);
    if (cost < best) best = cost, how = 4;
    if (cur_x_ == x && 1 < best) best = 1, how = 5;
  }
  switch (how) {
    case 0:
      append_cursor_position(out, x, y);
      break;
    case 1:
      for (int i = cur_x_; i < x; ++i)
        put_glyph(frame, static_cast<size_t>(y) * frame.cols + i, out);
      break;
    case 2:
      append_csi(out, x - cur_x_, 'C');
      break;
    case 3:
    case 4:
      out += how == 3 ? "\r" : "\r\n";
      if (x > 0) append_csi(out, x, 'C');
      break;
    case 5:
      out.push_back('\n');
      break;
  }
  cur_x_ = x;
  cur_y_ = y;
}

void Renderer::render(const Frame& frame, std::string& out) {
  const int cols = frame.cols, rows = frame.rows;
  if (!valid_ || cols != cols_ || rows != rows_) {
    if (bce_) {
      // Erase everything in the background most blanks of the frame have.
      int count[16] = {};
      for (const Cell& c : frame.cells) {
        if (glyph_key(c.ch) == ' ') ++count[bg_of(c.attr)];
      }
      int bg = static_cast<int>(std::max_element(count, count + 16) - count);
      append_sgr(out, {0, sgr_foreground(7), background_sgr(bg)});
      out += kEraseScreen;
      pen_fg_ = 7;
      pen_bg_ = bg;
      shown_.assign(frame.cells.size(), Cell{' ', static_cast<uint16_t>(bg << 4 | 7)});

    } else {
      // Erasing gives the terminal's own background, which no cell has: every cell is
      // written.
      out += kResetColours;
      out += kEraseScreen;
      pen_fg_ = pen_bg_ = -1;
      shown_.assign(frame.cells.size(), Cell{' ', kUnknownAttr});
    }
    shown_glyphs_.assign(frame.cells.size(), 0);
    cols_ = cols;
    rows_ = rows;
    valid_ = true;
    cur_x_ = cur_y_ = -1;
  }
  for (int y = 0; y < rows; ++y) {
    const size_t row = static_cast<size_t>(y) * cols;
    int first = 0, last = cols - 1;
    while (first < cols && shows(frame, row + first)) ++first;
    if (first == cols) continue;
    while (shows(frame, row + last)) --last;
    for (int x = first; x <= last;) {
      const Cell& c = frame.at(x, y);
      if (shows(frame, row + x)) {
        ++x;
        continue;
      }
      move_to(x, y, frame, out);
      const bool blank = glyph_key(c.ch) == ' ' && glyph_at(frame, row + x) == 0;
      if (blank) {
        int bg = bg_of(c.attr);
        int run = x;
        while (run < cols && glyph_key(frame.at(run, y).ch) == ' ' &&
               glyph_at(frame, row + run) == 0 && bg_of(frame.at(run, y).attr) == bg) {
          ++run;
        }
        if (bce_ && run == cols && last - x + 1 >= 4) {  // blanks to the end of the row: erase line
          set_pen(c.attr, true, out);
          out += kEraseToEndOfLine;
          for (int i = x; i < cols; ++i) remember(frame, row + i);
          break;
        }
        if (bce_ && run - x >= 8) {  // a long blank run: erase characters
          set_pen(c.attr, true, out);
          append_csi(out, run - x, 'X');
          for (int i = x; i < run; ++i) remember(frame, row + i);
          x = run;
          continue;
        }
      }
      set_pen(c.attr, blank, out);
      put_glyph(frame, row + x, out);
      remember(frame, row + x);
      ++x;
      cur_x_ = x < cols ? x : -1;  // auto-wrap is off: the last column keeps the cursor
    }
  }
  bool visible = frame.cursor_visible && frame.cursor_x >= 0 && frame.cursor_x < cols &&
                 frame.cursor_y >= 0 && frame.cursor_y < rows;
  if (visible) {
    move_to(frame.cursor_x, frame.cursor_y, frame, out);
    int style = frame.cursor_size > 50 ? 1 : 3;  // blinking block or blinking underline
    if (cursor_shape_ && style != cursor_style_) {
      append_cursor_style(out, style);
      cursor_style_ = style;
    }
    if (cursor_shown_ != 1) out += show_cursor_;
    cursor_shown_ = 1;
  } else {
    if (cursor_shown_ != 0) out += hide_cursor_;
    cursor_shown_ = 0;
  }
}

}  // namespace platform::posix
