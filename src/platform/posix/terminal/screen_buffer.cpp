#include "platform/posix/terminal/screen_buffer.h"

#include <algorithm>

namespace platform::posix {
namespace {

int16_t s16(int v) {
  return static_cast<int16_t>(v);
}

}  // namespace

ScreenBuffer::ScreenBuffer(Coord size)
    : cells_(size, Cell{' ', 7}), window_{0, 0, s16(size.x - 1), s16(size.y - 1)} {}

bool ScreenBuffer::write_output(const Cell* cells, Coord size, Coord from, Rect& region) {
  if (!cells_.write(cells, size, from, region)) return false;
  ++version_;
  return true;
}

bool ScreenBuffer::scroll(const Rect& source, const Rect* clip, Coord dest, Cell fill) {
  if (!cells_.scroll(source, clip, dest, fill)) return false;
  ++version_;
  return true;
}

bool ScreenBuffer::fill_chars(uint8_t ch, uint32_t count, Coord at, uint32_t& written) {
  if (!cells_.fill_chars(ch, count, at, written)) return false;
  ++version_;
  return true;
}

bool ScreenBuffer::fill_attrs(uint16_t attr, uint32_t count, Coord at, uint32_t& written) {
  if (!cells_.fill_attrs(attr, count, at, written)) return false;
  ++version_;
  return true;
}

bool ScreenBuffer::set_cursor_position(Coord at) {
  if (!cells_.contains(at)) return false;
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
  if (size.x < w || size.y < h || !cells_.resize(size, Cell{' ', attr_})) return false;
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
  const Coord size = cells_.size();
  if (r.left < 0 || r.top < 0 || r.left > r.right || r.top > r.bottom || r.right >= size.x ||
      r.bottom >= size.y) {
    return false;
  }
  window_ = r;
  ++version_;
  return true;
}

}  // namespace platform::posix
