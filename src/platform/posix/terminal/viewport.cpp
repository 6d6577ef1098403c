#include "platform/posix/terminal/viewport.h"

#include <algorithm>

#include "platform/posix/terminal/escapes.h"

namespace platform::posix {

void Viewport::place(TermSize terminal, int width, int height, int cursor_x, int cursor_y) {
  small_ = terminal.cols < width || terminal.rows < height;
  cols_ = std::min(terminal.cols, width);
  rows_ =
      small_ ? std::max(0, std::min(terminal.rows - 1, height)) : std::min(terminal.rows, height);
  if (cursor_x != followed_x_ || cursor_y != followed_y_) {
    followed_x_ = cursor_x;
    followed_y_ = cursor_y;
    if (cursor_x < x_) x_ = cursor_x;
    if (cursor_x >= x_ + cols_) x_ = cursor_x - cols_ + 1;
    // Moving up out of the view (a cleared screen, a homed cursor) shows the rows above the
    // cursor too: the text just written there stays in view.
    if (cursor_y < y_) y_ = std::max(0, cursor_y - rows_ + 1);
    if (cursor_y >= y_ + rows_) y_ = cursor_y - rows_ + 1;
  }
  x_ = std::clamp(x_, 0, width - cols_);
  y_ = std::clamp(y_, 0, std::max(0, height - rows_));
}

const char* Viewport::mouse_request(bool again) {
  if (small_ == mouse_on_ && !(again && mouse_on_)) return nullptr;
  mouse_on_ = small_;
  return small_ ? escapes::kMouseOn : escapes::kMouseOff;
}

}  // namespace platform::posix
