#include "console/fitted_view.h"

#include <algorithm>

#include "runtime/platform_access.h"

namespace console {
namespace {

platform::Rect rect(int left, int top, int columns, int rows) {
  return platform::Rect{static_cast<int16_t>(left), static_cast<int16_t>(top),
                        static_cast<int16_t>(left + columns - 1),
                        static_cast<int16_t>(top + rows - 1)};
}

}  // namespace

void FittedView::start(platform::Console* inner, platform::Coord asked, platform::Cell blank) {
  inner_ = inner;
  screen_ = platform::CellBuffer(asked, blank);
  cursor_ = platform::Coord{0, 0};
  attr_ = blank.attr;
  platform::BufferInfo info;
  window_ = inner->get_buffer_info(info) ? info.window : rect(0, 0, asked.x, asked.y);
  view_.reset();
  view_.place(window_.right - window_.left + 1, window_.bottom - window_.top + 1, screen_.size().x,
              screen_.size().y, cursor_.x, cursor_.y);
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

platform::Rect FittedView::whole() const {
  return rect(0, 0, screen_.size().x, screen_.size().y);
}

bool FittedView::write_output(const platform::Cell* cells, platform::Coord size,
                              platform::Coord from, platform::Rect& region) {
  if (!screen_.write(cells, size, from, region)) return false;
  changed_ = true;
  return true;
}

bool FittedView::scroll(const platform::Rect& source, const platform::Rect* clip,
                        platform::Coord dest, platform::Cell fill) {
  if (!screen_.scroll(source, clip, dest, fill)) return false;
  changed_ = true;
  return true;
}

bool FittedView::fill_chars(uint8_t ch, uint32_t count, platform::Coord at, uint32_t& written) {
  if (!screen_.fill_chars(ch, count, at, written)) return false;
  changed_ = true;
  return true;
}

bool FittedView::fill_attrs(uint16_t attr, uint32_t count, platform::Coord at, uint32_t& written) {
  if (!screen_.fill_attrs(attr, count, at, written)) return false;
  changed_ = true;
  return true;
}

bool FittedView::set_cursor_position(platform::Coord at) {
  if (!screen_.contains(at)) return false;
  if (at.x != cursor_.x || at.y != cursor_.y) changed_ = true;
  cursor_ = at;
  return true;
}

bool FittedView::set_text_attribute(uint16_t attr) {
  attr_ = attr;
  return inner_->set_text_attribute(attr);
}

bool FittedView::get_buffer_info(platform::BufferInfo& info) {
  info.size = screen_.size();
  info.cursor = cursor_;
  info.attr = attr_;
  info.window = whole();
  info.max_window = screen_.size();
  return true;
}

bool FittedView::set_buffer_size(platform::Coord size) {
  if (!screen_.resize(size, platform::Cell{' ', attr_})) return false;
  cursor_.x = std::min<int16_t>(cursor_.x, static_cast<int16_t>(size.x - 1));
  cursor_.y = std::min<int16_t>(cursor_.y, static_cast<int16_t>(size.y - 1));
  changed_ = true;
  return true;
}

bool FittedView::set_window_info(bool absolute, const platform::Rect& window) {
  const platform::Rect w = whole();
  if (absolute) {
    return window.left == w.left && window.top == w.top && window.right == w.right &&
           window.bottom == w.bottom;
  }
  return window.left == 0 && window.top == 0 && window.right == 0 && window.bottom == 0;
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
  view_.place(w, h, screen_.size().x, screen_.size().y, cursor_.x, cursor_.y);
  const int vc = view_.cols();
  const int vr = view_.rows();
  frame_.assign(static_cast<size_t>(w) * h, platform::Cell{' ', 7});
  if (vc > 0 && vr > 0) {
    platform::Rect shown = rect(view_.x(), view_.y(), vc, vr);
    screen_.read(frame_.data(), platform::Coord{static_cast<int16_t>(w), static_cast<int16_t>(h)},
                 platform::Coord{0, 0}, shown);
  }
  if (view_.small() && h > 0) {
    platform::ScreenView::notice(&frame_[static_cast<size_t>(h - 1) * w], w, h, screen_.size().x,
                                 screen_.size().y);
  }
  platform::Rect region = window_;
  inner_->write_output(frame_.data(),
                       platform::Coord{static_cast<int16_t>(w), static_cast<int16_t>(h)},
                       platform::Coord{0, 0}, region);
  // A cursor outside the shown part (under the notice on a one-row window) is left where it
  // was: placing it would scroll a console's window after it.
  const int cx = cursor_.x - view_.x();
  const int cy = cursor_.y - view_.y();
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
