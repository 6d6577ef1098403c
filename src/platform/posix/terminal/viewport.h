// The part of the console's window the terminal shows. A terminal smaller than the window
// shows part of it above a notice on its last row, as a console window smaller than its
// buffer does: the part that holds the cursor, or where the mouse wheel scrolled it since the
// cursor last moved. The mouse is reported only while the view can scroll, so that selecting
// text with the mouse works as usual otherwise; only its wheel is used.
//
// Invariant: after place(), the view lies inside the window, and it has moved since the last
// place() only to keep a cursor that moved in view, or by the wheel.
#pragma once

#include "platform/posix/terminal/terminal.h"

namespace platform::posix {

class Viewport {
 public:
  void reset() { *this = Viewport(); }

  // Lays the view for a terminal of `terminal` cells and a window of `width` x `height`,
  // the cursor at `cursor_x`, `cursor_y` of the window.
  void place(TermSize terminal, int width, int height, int cursor_x, int cursor_y);
  // Scrolls by `rows` (the wheel: negative is up); place() keeps it inside the window.
  void scroll(int rows) { y_ += rows; }

  // The window's cell at the terminal's top-left corner, and the cells shown.
  int x() const { return x_; }
  int y() const { return y_; }
  int cols() const { return cols_; }
  int rows() const { return rows_; }
  // The terminal is smaller than the window: part of it is shown, above the notice.
  bool small() const { return small_; }

  // The request that turns mouse reporting on or off to match small(), or nullptr when it
  // already does; `again` repeats an "on" (the terminal may have forgotten it).
  const char* mouse_request(bool again);

 private:
  int x_ = 0;
  int y_ = 0;
  int cols_ = 0;
  int rows_ = 0;
  int followed_x_ = -1;  // the cursor's place in the window when the view last followed it
  int followed_y_ = -1;
  bool small_ = false;
  bool mouse_on_ = false;  // mouse reporting is on
};

}  // namespace platform::posix
