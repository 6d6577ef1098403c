#include "console/fitted_view.h"

#include <algorithm>
#include <cstdio>

#include "runtime/platform_access.h"

namespace console {
namespace {

constexpr uint16_t kNoticeAttr = 0x4F;  // bright white on red

platform::Rect rect(int left, int top, int columns, int rows) {
  return platform::Rect{static_cast<int16_t>(left), static_cast<int16_t>(top),
                        static_cast<int16_t>(left + columns - 1),
                        static_cast<int16_t>(top + rows - 1)};
}

}  // namespace

void FittedView::start(platform::Console* inner, platform::Coord asked, platform::Cell blank) {
  inner_ = inner;
  size_ = asked;
  cells_.assign(static_cast<size_t>(std::max<int>(size_.x, 0)) * std::max<int>(size_.y, 0), blank);
  cursor_ = platform::Coord{0, 0};
  attr_ = blank.attr;
  platform::BufferInfo info;
  window_ = inner->get_buffer_info(info) ? info.window : rect(0, 0, asked.x, asked.y);
  const int w = window_.right - window_.left + 1;
  const int h = window_.bottom - window_.top + 1;
  small_ = w < size_.x || h < size_.y;
  view_ = platform::Coord{0, 0};
  followed_ = platform::Coord{-1, -1};
  changed_ = true;
  platform::Platform services = runtime::installed_platform();
  services.console = this;
  runtime::install_platform(services);
}

void FittedView::stop() {
  platform::Platform services = runtime::installed_platform();
  if (inner_ && services.console == this) {
    services.console = inner_;
    runtime::install_platform(services);
  }
  inner_ = nullptr;
}

int FittedView::shown_rows() const {
  const int h = window_.bottom - window_.top + 1;
  return std::max(1, std::min<int>(small_ && h > 1 ? h - 1 : h, size_.y));
}

int FittedView::shown_columns() const {
  return std::max(1, std::min<int>(window_.right - window_.left + 1, size_.x));
}

bool FittedView::write_output(const platform::Cell* cells, platform::Coord size,
                              platform::Coord from, platform::Rect& region) {
  const platform::Rect asked = region;
  platform::Rect r{std::max<int16_t>(asked.left, 0), std::max<int16_t>(asked.top, 0),
                   std::min<int16_t>(asked.right, static_cast<int16_t>(size_.x - 1)),
                   std::min<int16_t>(asked.bottom, static_cast<int16_t>(size_.y - 1))};
  // No more than the source block holds.
  r.right = std::min<int16_t>(r.right, static_cast<int16_t>(asked.left + size.x - from.x - 1));
  r.bottom = std::min<int16_t>(r.bottom, static_cast<int16_t>(asked.top + size.y - from.y - 1));
  if (r.left > r.right || r.top > r.bottom) return false;
  for (int y = r.top; y <= r.bottom; ++y) {
    for (int x = r.left; x <= r.right; ++x) {
      const int sx = from.x + x - asked.left;
      const int sy = from.y + y - asked.top;
      at(x, y) = cells[static_cast<size_t>(sy) * size.x + sx];
    }
  }
  region = r;
  changed_ = true;
  return true;
}

bool FittedView::scroll(const platform::Rect& source, const platform::Rect* clip,
                        platform::Coord dest, platform::Cell fill) {
  const platform::Rect limit = clip ? *clip : platform::Rect{0, 0, 0x7FFF, 0x7FFF};
  auto in_limit = [&](int x, int y) {
    return inside(x, y) && x >= limit.left && x <= limit.right && y >= limit.top &&
           y <= limit.bottom;
  };
  const std::vector<platform::Cell> before = cells_;
  for (int y = source.top; y <= source.bottom; ++y) {
    for (int x = source.left; x <= source.right; ++x) {
      if (in_limit(x, y)) at(x, y) = fill;
    }
  }
  for (int y = source.top; y <= source.bottom; ++y) {
    for (int x = source.left; x <= source.right; ++x) {
      const int tx = dest.x + x - source.left;
      const int ty = dest.y + y - source.top;
      if (inside(x, y) && in_limit(tx, ty)) {
        at(tx, ty) = before[static_cast<size_t>(y) * size_.x + x];
      }
    }
  }
  changed_ = true;
  return true;
}

bool FittedView::fill_chars(uint8_t ch, uint32_t count, platform::Coord at_cell,
                            uint32_t& written) {
  written = 0;
  if (!inside(at_cell.x, at_cell.y)) return false;
  size_t i = static_cast<size_t>(at_cell.y) * size_.x + at_cell.x;
  for (; written < count && i < cells_.size(); ++written, ++i) cells_[i].ch = ch;
  changed_ = true;
  return true;
}

bool FittedView::fill_attrs(uint16_t attr, uint32_t count, platform::Coord at_cell,
                            uint32_t& written) {
  written = 0;
  if (!inside(at_cell.x, at_cell.y)) return false;
  size_t i = static_cast<size_t>(at_cell.y) * size_.x + at_cell.x;
  for (; written < count && i < cells_.size(); ++written, ++i) cells_[i].attr = attr;
  changed_ = true;
  return true;
}

bool FittedView::set_cursor_position(platform::Coord at_cell) {
  if (!inside(at_cell.x, at_cell.y)) return false;
  if (at_cell.x != cursor_.x || at_cell.y != cursor_.y) changed_ = true;
  cursor_ = at_cell;
  return true;
}

bool FittedView::set_text_attribute(uint16_t attr) {
  attr_ = attr;
  return inner_->set_text_attribute(attr);
}

bool FittedView::get_buffer_info(platform::BufferInfo& info) {
  info.size = size_;
  info.cursor = cursor_;
  info.attr = attr_;
  info.window = rect(view_.x, view_.y, shown_columns(), shown_rows());
  info.max_window =
      platform::Coord{static_cast<int16_t>(shown_columns()), static_cast<int16_t>(shown_rows())};
  return true;
}

bool FittedView::set_buffer_size(platform::Coord size) {
  if (size.x < shown_columns() || size.y < shown_rows() || size.x <= 0 || size.y <= 0) {
    return false;
  }
  std::vector<platform::Cell> cells(static_cast<size_t>(size.x) * size.y,
                                    platform::Cell{' ', attr_});
  for (int y = 0; y < std::min(size.y, size_.y); ++y) {
    for (int x = 0; x < std::min(size.x, size_.x); ++x) {
      cells[static_cast<size_t>(y) * size.x + x] = at(x, y);
    }
  }
  cells_ = std::move(cells);
  size_ = size;
  cursor_.x = std::min<int16_t>(cursor_.x, static_cast<int16_t>(size_.x - 1));
  cursor_.y = std::min<int16_t>(cursor_.y, static_cast<int16_t>(size_.y - 1));
  view_ = platform::Coord{0, 0};
  changed_ = true;
  return true;
}

bool FittedView::set_window_info(bool absolute, const platform::Rect& window) {
  platform::Rect r = window;
  if (!absolute) {
    r = platform::Rect{static_cast<int16_t>(view_.x + window.left),
                       static_cast<int16_t>(view_.y + window.top),
                       static_cast<int16_t>(view_.x + shown_columns() - 1 + window.right),
                       static_cast<int16_t>(view_.y + shown_rows() - 1 + window.bottom)};
  }
  if (r.right - r.left + 1 != shown_columns() || r.bottom - r.top + 1 != shown_rows() ||
      !inside(r.left, r.top) || !inside(r.right, r.bottom)) {
    return false;
  }
  view_ = platform::Coord{r.left, r.top};
  followed_ = cursor_;  // stays where it was put until the cursor moves
  changed_ = true;
  return true;
}

void FittedView::present() {
  // Waiting loops present again and again; only a change is drawn.
  if (!changed_) {
    inner_->present();
    return;
  }
  changed_ = false;
  const int w = window_.right - window_.left + 1;
  const int h = window_.bottom - window_.top + 1;
  const int vc = shown_columns();
  const int vr = shown_rows();
  // The shown part moves only when the cursor has and has left it. It then ends at the
  // cursor's row, so that what was written above the cursor (a prompt, the farewell after
  // a cleared screen) comes into view with it.
  if (cursor_.x != followed_.x || cursor_.y != followed_.y) {
    followed_ = cursor_;
    int x = view_.x;
    int y = view_.y;
    if (cursor_.x < x) x = cursor_.x;
    if (cursor_.x >= x + vc) x = cursor_.x - vc + 1;
    if (cursor_.y < y || cursor_.y >= y + vr) y = cursor_.y - vr + 1;
    view_ = platform::Coord{static_cast<int16_t>(std::clamp(x, 0, size_.x - vc)),
                            static_cast<int16_t>(std::clamp(y, 0, size_.y - vr))};
  }
  frame_.assign(static_cast<size_t>(w) * h, platform::Cell{' ', 7});
  for (int y = 0; y < vr; ++y) {
    for (int x = 0; x < vc; ++x) {
      frame_[static_cast<size_t>(y) * w + x] = at(view_.x + x, view_.y + y);
    }
  }
  if (small_ && h > 1) {
    char text[160];
    const int len = std::snprintf(text, sizeof text,
                                  " Make the window at least %d x %d to see the whole screen "
                                  "(it is %d x %d now) ",
                                  size_.x, size_.y, w, h);
    for (int x = 0; x < w; ++x) {
      const uint8_t ch = x < len ? static_cast<uint8_t>(text[x]) : ' ';
      frame_[static_cast<size_t>(h - 1) * w + x] = platform::Cell{ch, kNoticeAttr};
    }
  }
  platform::Rect region = window_;
  inner_->write_output(frame_.data(),
                       platform::Coord{static_cast<int16_t>(w), static_cast<int16_t>(h)},
                       platform::Coord{0, 0}, region);
  // A cursor outside the shown part (only where the program put the view away from it) is
  // left where it was: placing it would scroll a console's window after it.
  const int cx = cursor_.x - view_.x;
  const int cy = cursor_.y - view_.y;
  if (cx >= 0 && cx < vc && cy >= 0 && cy < vr) {
    inner_->set_cursor_position(platform::Coord{static_cast<int16_t>(window_.left + cx),
                                                static_cast<int16_t>(window_.top + cy)});
  }
  inner_->present();
}

FittedView& fitted_view() {
  static FittedView view;
  return view;
}

}  // namespace console
