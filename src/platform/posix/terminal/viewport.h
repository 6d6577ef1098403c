// The part of the console's window the terminal shows (platform::ScreenView: the part that
// holds the cursor above a notice while the terminal is smaller than the window, or where the
// mouse wheel scrolled it since the cursor last moved). The mouse is reported only while the
// view can scroll, so that selecting text with the mouse works as usual otherwise; only its
// wheel is used.
#pragma once

#include "platform/screen_view.h"

namespace platform::posix {

class Viewport : public ScreenView {
 public:
  void reset() { *this = Viewport(); }

  // The request that turns mouse reporting on or off to match small(), or nullptr when it
  // already does; `again` repeats an "on" (the terminal may have forgotten it).
  const char* mouse_request(bool again);

 private:
  bool mouse_on_ = false;  // mouse reporting is on
};

}  // namespace platform::posix
