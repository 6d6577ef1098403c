#include "platform/posix/terminal/screen_buffer.h"

#include <algorithm>

namespace platform::posix {
namespace {

int16_t s16(int v) {
  return static_cast<int16_t>(v);
}

}  // namespace

ScreenBuffer::ScreenBuffer(Coord size)
    : size_(size),
      cells_(static_cast<size_t>(size.x) * size.y, Cell{' ', 7}),
      window_{0, 0, s16(size.x - 1), s16(size.y - 1)} {}

bool ScreenBuffer::write_output(const Cell* cells, Coord size, Coord from, Rect& region) {
  int tl = region.left, tt = region.top;
  if (from.x < 0 || from.y < 0 || from.x >= size.x || from.y >= size.y) {
    region.right = s16(region.left - 1);
    region.bottom = s16(region.top - 1);
    return false;
  }
  int tr = std::min<int>(region.right, tl + (size.x - from.x) - 1);
  int tb = std::min<int>(region.bottom, tt + (size.y - from.y) - 1);
  int l = std::max(tl, 0), t = std::max(tt, 0);
  int r = std::min(tr, size_.x - 1), b = std::min(tb, size_.y - 1);
  if (l > r || t > b) {
    region.right = s16(region.left - 1);
    region.bottom = s16(region.top - 1);
    return false;
  }
  for (int y = t; y <= b; ++y) {
    size_t row = static_cast<size_t>(from.y + y - tt) * size.x;
    for (int x = l; x <= r; ++x) cell(x, y) = cells[row + (from.x + x - tl)];
  }
  region = {s16(l), s16(t), s16(r), s16(b)};
  ++version_;
  return true;
}

bool ScreenBuffer::scroll(const Rect& source, const Rect* clip, Coord dest, Cell fill) {
  int l = std::max<int>(source.left, 0), t = std::max<int>(source.top, 0);
  int r = std::min<int>(source.right, size_.x - 1), b = std::min<int>(source.bottom, size_.y - 1);
  if (l > r || t > b) return false;
  int dx = dest.x + (l - source.left), dy = dest.y + (t - source.top);
  int cl = 0, ct = 0, cr = size_.x - 1, cb = size_.y - 1;
  if (clip != nullptr) {
    cl = std::max<int>(clip->left, 0);
    ct = std::max<int>(clip->top, 0);
    cr = std::min<int>(clip->right, cr);
    cb = std::min<int>(clip->bottom, cb);
    if (cl > cr || ct > cb) return false;
  }
  int w = r - l + 1, h = b - t + 1;
  std::vector<Cell> moved(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) moved[static_cast<size_t>(y) * w + x] = cell(l + x, t + y);
  }
  // The source is blanked first (inside the clip); the moved block then covers what it
  // overlaps, so only the uncovered part of the source keeps the fill.
  for (int y = std::max(t, ct); y <= std::min(b, cb); ++y) {
    for (int x = std::max(l, cl); x <= std::min(r, cr); ++x) cell(x, y) = fill;
  }
  for (int y = 0; y < h; ++y) {
    int ty = dy + y;
    if (ty < ct || ty > cb) continue;
    for (int x = 0; x < w; ++x) {
      int tx = dx + x;
      if (tx >= cl && tx <= cr) cell(tx, ty) = moved[static_cast<size_t>(y) * w + x];
    }
  }
  ++version_;
  return true;
}

bool ScreenBuffer::fill_chars(uint8_t ch, uint32_t count, Coord at, uint32_t& written) {
  written = 0;
  if (at.x < 0 || at.y < 0 || at.x >= size_.x || at.y >= size_.y) return false;
  size_t start = static_cast<size_t>(at.y) * size_.x + at.x;
  size_t n = std::min<size_t>(count, cells_.size() - start);
  for (size_t i = 0; i < n; ++i) cells_[start + i].ch = ch;
  written = static_cast<uint32_t>(n);
  ++version_;
  return true;
}

bool ScreenBuffer::fill_attrs(uint16_t attr, uint32_t count, Coord at, uint32_t& written) {
  written = 0;
  if (at.x < 0 || at.y < 0 || at.x >= size_.x || at.y >= size_.y) return false;
  size_t start = static_cast<size_t>(at.y) * size_.x + at.x;
  size_t n = std::min<size_t>(count, cells_.size() - start);
  for (size_t i = 0; i < n; ++i) cells_[start + i].attr = attr;
  written = static_cast<uint32_t>(n);
  ++version_;
  return true;
}

bool ScreenBuffer::set_cursor_position(Coord at) {
  if (at.x < 0 || at.y < 0 || at.x >= size_.x || at.y >= size_.y) return false;
  cursor_ = at;
  int w = window_.right - window_.left, h = window_.bottom - window_.top;
  if (at.x < window_.left) window_.left = at.x;
  if (at.x > window_.right) window_.left = s16(at.x - w);
  if (at.y < window_.top) window_.top = at.y;
  if (at.y > window_.bottom) window_.top = s16(at.y - h);
  window_.right = s16(window_.left + w);
  window_.bottom = s16(window_.top + h);
  ++version_;
  return true;
}

bool ScreenBuffer::set_size(Coord size) {
  int w = window_.right - window_.left + 1, h = window_.bottom - window_.top + 1;
  if (size.x < w || size.y < h || size.x > kMaxSide || size.y > kMaxSide) return false;
  if (int64_t{size.x} * size.y > kMaxCells) return false;
  std::vector<Cell> next(static_cast<size_t>(size.x) * size.y, Cell{' ', attr_});
  for (int y = 0; y < std::min(size.y, size_.y); ++y) {
    for (int x = 0; x < std::min(size.x, size_.x); ++x) {
      next[static_cast<size_t>(y) * size.x + x] = cell(x, y);
    }
  }
  cells_.swap(next);
  size_ = size;
  // The window keeps its size and moves back inside the buffer.
  window_.left = s16(std::min(window_.left, s16(size.x - w)));
  window_.top = s16(std::min(window_.top, s16(size.y - h)));
  window_.right = s16(window_.left + w - 1);
  window_.bottom = s16(window_.top + h - 1);
  cursor_.x = std::min(cursor_.x, s16(size.x - 1));
  cursor_.y = std::min(cursor_.y, s16(size.y - 1));
  ++version_;
  return true;
}

bool ScreenBuffer::set_window(bool absolute, const Rect& window) {
  Rect r = window;
  if (!absolute) {
    r.left = s16(window_.left + window.left);
    r.top = s16(window_.top + window.top);
    r.right = s16(window_.right + window.right);
    r.bottom = s16(window_.bottom + window.bottom);
  }
  if (r.left < 0 || r.top < 0 || r.left > r.right || r.top > r.bottom || r.right >= size_.x ||
      r.bottom >= size_.y) {
    return false;
  }
  window_ = r;
  ++version_;
  return true;
}

}  // namespace platform::posix
