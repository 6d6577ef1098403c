// The terminal console's screen buffer: the cells (with the Windows rules of CellBuffer), the
// cursor, the text attribute and the window (the part of the buffer on view), with the
// behaviour of the Windows console calls that resize and move it.
#pragma once

#include <cstddef>
#include <cstdint>
#include "platform/cell_buffer.h"
#include "platform/console.h"

namespace platform::posix {

class ScreenBuffer {
 public:
  explicit ScreenBuffer(Coord size = {80, 25});

  Coord size() const { return cells_.size(); }
  const Rect& window() const { return window_; }
  Coord cursor() const { return cursor_; }
  uint16_t attr() const { return attr_; }
  const Cell& at(int x, int y) const { return cells_.at(x, y); }
  const CellBuffer& cells() const { return cells_; }
  // Grows by one on every change of cells, window or cursor.
  uint64_t version() const { return version_; }

  bool write_output(const Cell* cells, Coord size, Coord from, Rect& region);
  bool scroll(const Rect& source, const Rect* clip, Coord dest, Cell fill);
  bool fill_chars(uint8_t ch, uint32_t count, Coord at, uint32_t& written);
  bool fill_attrs(uint16_t attr, uint32_t count, Coord at, uint32_t& written);
  // Moves the cursor; the window follows so that the cursor stays on view.
  bool set_cursor_position(Coord at);
  void set_attr(uint16_t attr) { attr_ = attr; }
  // Keeps the cells that still fit; new cells are blanks in the current attribute. Fails
  // when the size is smaller than the window.
  bool set_size(Coord size);
  // Fails unless the window lies inside the buffer.
  bool set_window(bool absolute, const Rect& window);

  static constexpr int kMaxSide = 0x7FFF;

 private:
  CellBuffer cells_;
  Coord cursor_;
  uint16_t attr_ = 7;
  Rect window_;
  uint64_t version_ = 0;
};

}  // namespace platform::posix
