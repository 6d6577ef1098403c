// The part of a screen that a smaller display shows: a terminal smaller than the console's
// window, or a console window smaller than the program's screen. The display shows the part
// that holds the cursor above a notice on its last row that says the size it needs, so that
// what the program waits on (a panel of keys, a prompt and what is typed, a farewell) is in
// view whenever it fits.
//
// Invariant: after place(), the view lies inside the screen, and it has moved since the last
// place() only to keep a cursor that moved in view, or by scroll(). When the cursor leaves
// the view, the view ends at the cursor's row, so that what was written above the cursor
// (a panel drawn from the top, a prompt, the farewell after a cleared screen) comes into view
// with it.
#pragma once

#include <cstdint>

#include "platform/console.h"

namespace platform {

// The notice's colour: bright white on red.
inline constexpr uint16_t kNoticeAttr = 0x4F;

class ScreenView {
 public:
  void reset() { *this = ScreenView(); }

  // Lays the view for a display of `display_cols` x `display_rows` cells over a screen of
  // `width` x `height`, the cursor at (`cursor_x`, `cursor_y`) of the screen.
  void place(int display_cols, int display_rows, int width, int height, int cursor_x, int cursor_y);
  // Scrolls by `rows` (negative is up); the next place() keeps the view inside the screen.
  void scroll(int rows) { y_ += rows; }

  // The screen's cell at the display's top-left corner, and the cells shown.
  int x() const { return x_; }
  int y() const { return y_; }
  int cols() const { return cols_; }
  int rows() const { return rows_; }
  // The display is smaller than the screen: part of it is shown, above the notice.
  bool small() const { return small_; }

  // Writes the notice for a display of `display_cols` x `display_rows` showing a screen of
  // `width` x `height` into `row` (`display_cols` cells, in kNoticeAttr). The display's size
  // comes first and the words get shorter as the display narrows, so that the size is never
  // cut off.
  static void notice(Cell* row, int display_cols, int display_rows, int width, int height);

 private:
  int x_ = 0;
  int y_ = 0;
  int cols_ = 0;
  int rows_ = 0;
  int followed_x_ = -1;  // the cursor's place on the screen when the view last followed it
  int followed_y_ = -1;
  bool small_ = false;
};

}  // namespace platform
