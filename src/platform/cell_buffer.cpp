#include "platform/cell_buffer.h"

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

int16_t s16(int v) {
  return static_cast<int16_t>(v);
}

Rect nothing_at(const Rect& region) {
  return Rect{region.left, region.top, s16(region.left - 1), s16(region.top - 1)};
}

}  // namespace

CellBuffer::CellBuffer(Coord size, Cell blank) {
  if (size.x > 0 && size.y > 0) {
    size_ = size;
    cells_.assign(static_cast<size_t>(size.x) * size.y, blank);
  }
}

bool CellBuffer::clip_block(Coord size, Coord from, Rect& region) const {
  if (size.x <= 0 || size.y <= 0 || from.x < 0 || from.y < 0 || from.x >= size.x ||
      from.y >= size.y) {
    return false;
  }
  const int right = std::min<int>(region.right, region.left + (size.x - from.x) - 1);
  const int bottom = std::min<int>(region.bottom, region.top + (size.y - from.y) - 1);
  const int l = std::max<int>(region.left, 0), t = std::max<int>(region.top, 0);
  const int r = std::min(right, size_.x - 1), b = std::min(bottom, size_.y - 1);
  if (l > r || t > b) return false;
  region = Rect{s16(l), s16(t), s16(r), s16(b)};
  return true;
}

bool CellBuffer::write(const Cell* cells, Coord size, Coord from, Rect& region) {
  Rect target = region;
  if (cells == nullptr || !clip_block(size, from, target)) {
    region = nothing_at(region);
    return false;
  }
  const int columns = target.right - target.left + 1;
  for (int y = target.top; y <= target.bottom; ++y) {
    const size_t src = static_cast<size_t>(from.y + y - region.top) * size.x +
                       (from.x + target.left - region.left);
    std::copy_n(cells + src, columns, &cells_[index(target.left, y)]);
  }
  region = target;
  return true;
}

bool CellBuffer::read(Cell* cells, Coord size, Coord from, Rect& region) const {
  Rect source = region;
  if (cells == nullptr || !clip_block(size, from, source)) {
    region = nothing_at(region);
    return false;
  }
  const int columns = source.right - source.left + 1;
  for (int y = source.top; y <= source.bottom; ++y) {
    const size_t dst = static_cast<size_t>(from.y + y - region.top) * size.x +
                       (from.x + source.left - region.left);
    std::copy_n(&cells_[index(source.left, y)], columns, cells + dst);
  }
  region = source;
  return true;
}

bool CellBuffer::fill_chars(uint8_t ch, uint32_t count, Coord at, uint32_t& written) {
  written = 0;
  if (!contains(at)) return false;
  const size_t start = index(at.x, at.y);
  const size_t n = std::min<size_t>(count, cells_.size() - start);
  for (size_t i = 0; i < n; ++i) cells_[start + i].ch = ch;
  written = static_cast<uint32_t>(n);
  return true;
}

bool CellBuffer::fill_attrs(uint16_t attr, uint32_t count, Coord at, uint32_t& written) {
  written = 0;
  if (!contains(at)) return false;
  const size_t start = index(at.x, at.y);
  const size_t n = std::min<size_t>(count, cells_.size() - start);
  for (size_t i = 0; i < n; ++i) cells_[start + i].attr = attr;
  written = static_cast<uint32_t>(n);
  return true;
}

bool CellBuffer::scroll(const Rect& source, const Rect* clip, Coord dest, Cell fill) {
  // The source, clipped to the buffer.
  const int sl = std::max<int>(source.left, 0), st = std::max<int>(source.top, 0);
  const int sr = std::min<int>(source.right, size_.x - 1);
  const int sb = std::min<int>(source.bottom, size_.y - 1);
  if (sl > sr || st > sb) return false;
  // The cells that may change: the clip rectangle, clipped to the buffer.
  int cl = 0, ct = 0, cr = size_.x - 1, cb = size_.y - 1;
  if (clip != nullptr) {
    cl = std::max<int>(clip->left, 0);
    ct = std::max<int>(clip->top, 0);
    cr = std::min<int>(clip->right, cr);
    cb = std::min<int>(clip->bottom, cb);
  }
  if (cl > cr || ct > cb) return true;  // nothing may change
  // Every cell moves by (dx, dy); the moved block lands on [ml..mr] x [mt..mb].
  const int dx = dest.x - source.left, dy = dest.y - source.top;
  const int ml = std::max(sl + dx, cl), mr = std::min(sr + dx, cr);
  const int mt = std::max(st + dy, ct), mb = std::min(sb + dy, cb);
  if (ml <= mr && mt <= mb) {
    // Rows are copied in the order that reads each source row before it is overwritten:
    // upwards from the bottom when the block moves down, else downwards. Within a row,
    // memmove copes with the overlap of a sideways move.
    const int columns = mr - ml + 1;
    const bool down = dy > 0;
    for (int i = 0; i <= mb - mt; ++i) {
      const int y = down ? mb - i : mt + i;
      std::memmove(&cells_[index(ml, y)], &cells_[index(ml - dx, y - dy)],
                   static_cast<size_t>(columns) * sizeof(Cell));
    }
  }
  // The source cells inside the clip that the moved block (clip or not) does not cover.
  const int fl = std::max(sl, cl), fr = std::min(sr, cr);
  const int ft = std::max(st, ct), fb = std::min(sb, cb);
  const int bl = sl + dx, br = sr + dx, bt = st + dy, bb = sb + dy;
  for (int y = ft; y <= fb; ++y) {
    const bool row_covered = y >= bt && y <= bb;
    for (int x = fl; x <= fr; ++x) {
      if (row_covered && x >= bl && x <= br) {
        x = br;  // the covered run of this row
        continue;
      }
      cells_[index(x, y)] = fill;
    }
  }
  return true;
}

bool CellBuffer::resize(Coord size, Cell blank) {
  if (size.x < 1 || size.y < 1 || int64_t{size.x} * size.y > kMaxCells) return false;
  std::vector<Cell> next(static_cast<size_t>(size.x) * size.y, blank);
  const int columns = std::min(size.x, size_.x);
  for (int y = 0; y < std::min(size.y, size_.y); ++y) {
    std::copy_n(&cells_[index(0, y)], columns, &next[static_cast<size_t>(y) * size.x]);
  }
  cells_.swap(next);
  size_ = size;
  return true;
}

}  // namespace platform
