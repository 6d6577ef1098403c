// A grid of console cells with the rules of the Windows console calls that write, read, fill
// and scroll a screen buffer's cells: region clipping, fills that run on across rows and stop
// at the buffer's end, and scrolling with a clip rectangle and a fill. Every console kept in
// the process (the terminal's, the in-memory one, the view of a screen larger than its
// window) holds its cells in one of these, so that they all behave alike.
//
// One bounds rule for every call: a coordinate is in the buffer when 0 <= x < width and
// 0 <= y < height; a call whose starting cell (or source corner) is outside refuses, writes
// nothing and reports nothing written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/console.h"

namespace platform {

class CellBuffer {
 public:
  // A buffer of `size` cells, each `blank`; a side of 0 or less makes an empty buffer.
  explicit CellBuffer(Coord size = {80, 25}, Cell blank = Cell{});

  Coord size() const { return size_; }
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < size_.x && y < size_.y; }
  bool contains(Coord c) const { return contains(c.x, c.y); }
  // The cell at (x, y), which must be in the buffer.
  const Cell& at(int x, int y) const { return cells_[index(x, y)]; }
  Cell& at(int x, int y) { return cells_[index(x, y)]; }

  // WriteConsoleOutput: the size.x * size.y block of `cells`, from its cell `from`, goes to
  // `region`, clipped to the buffer and to what the block holds past `from`. `region`
  // becomes what was written (right < left when nothing was). False when nothing was.
  bool write(const Cell* cells, Coord size, Coord from, Rect& region);
  // ReadConsoleOutput: the cells of `region`, clipped likewise, go into the block at `from`.
  bool read(Cell* cells, Coord size, Coord from, Rect& region) const;
  // FillConsoleOutputCharacter / FillConsoleOutputAttribute: `count` cells from `at` on,
  // row after row, stopping at the buffer's end. `written` is how many were changed.
  bool fill_chars(uint8_t ch, uint32_t count, Coord at, uint32_t& written);
  bool fill_attrs(uint16_t attr, uint32_t count, Coord at, uint32_t& written);
  // ScrollConsoleScreenBuffer: `source`, clipped to the buffer, moves by the offset from its
  // top-left corner to `dest`; only cells inside `clip` (the whole buffer when null) change;
  // the source cells the moved block does not cover become `fill`. False when the source is
  // wholly outside the buffer. Only the rows the move touches are visited.
  bool scroll(const Rect& source, const Rect* clip, Coord dest, Cell fill);
  // A new size that keeps the cells that still fit; new cells are `blank`. Refuses sides
  // below 1 or more cells than kMaxCells.
  bool resize(Coord size, Cell blank);

  static constexpr int64_t kMaxCells = int64_t{1} << 24;

 private:
  size_t index(int x, int y) const { return static_cast<size_t>(y) * size_.x + x; }
  // The part of `region` that both the buffer and a block of `size` from `from` cover, and
  // the offset from the region's corner into the block; false when there is none.
  bool clip_block(Coord size, Coord from, Rect& region) const;

  Coord size_;
  std::vector<Cell> cells_;
};

}  // namespace platform
