#include "platform/screen_view.h"

#include <algorithm>
#include <cstdio>

namespace platform {

void ScreenView::place(int display_cols, int display_rows, int width, int height, int cursor_x,
                       int cursor_y) {
  small_ = display_cols < width || display_rows < height;
  cols_ = std::max(0, std::min(display_cols, width));
  rows_ = small_ ? std::max(0, std::min(display_rows - 1, height))
                 : std::max(0, std::min(display_rows, height));
  if (cursor_x != followed_x_ || cursor_y != followed_y_) {
    followed_x_ = cursor_x;
    followed_y_ = cursor_y;
    if (cursor_x < x_) x_ = cursor_x;
    if (cursor_x >= x_ + cols_) x_ = cursor_x - cols_ + 1;
    if (cursor_y < y_ || cursor_y >= y_ + rows_) y_ = cursor_y - rows_ + 1;
  }
  x_ = std::clamp(x_, 0, std::max(0, width - cols_));
  y_ = std::clamp(y_, 0, std::max(0, height - rows_));
}

void ScreenView::notice(Cell* row, int display_cols, int display_rows, int width, int height) {
  static constexpr const char* kNotices[] = {
      " The window is %d x %d: make it at least %d x %d to see the whole screen ",
      " %d x %d: make the window at least %d x %d ",
      " %d x %d, needs %d x %d ",
      " %dx%d<%dx%d ",
      "%dx%d",
  };
  char text[160];
  int len = 0;
  for (const char* format : kNotices) {
    len = std::snprintf(text, sizeof text, format, display_cols, display_rows, width, height);
    if (len <= display_cols) break;
  }
  for (int x = 0; x < display_cols; ++x) {
    row[x] = Cell{x < len ? static_cast<uint8_t>(text[x]) : uint8_t{' '}, kNoticeAttr};
  }
}

}  // namespace platform
