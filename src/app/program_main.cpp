#include "app/program_main.h"

#include "app/dispatch_screens.h"
#include "app/place.h"
#include "app/screen_name.h"
#include "console/screen.h"
#include "console/window.h"
#include "runtime/error.h"

namespace app {

namespace {
// Where the console window's top-left corner goes on the desktop, in pixels.
constexpr int32_t kWindowX = 160;
constexpr int32_t kWindowY = 20;
// The program's screen, and the console's usual one that it leaves behind.
constexpr int32_t kColumns = 80;
constexpr int32_t kRows = 50;
constexpr int32_t kRowsAfterwards = 25;
}  // namespace

int32_t ProgramMain(uintptr_t /*instance*/, int32_t /*previous_instance*/,
                    const char* /*command_line*/, uint32_t /*show_flag*/) {
  runtime::ErrorScope scope;
  console::window_move(kWindowX, kWindowY);
  console::screen_set(kColumns, kRows);
  // The view's origin is clamped so that the window stays inside the buffer: over a buffer
  // of its own size it stays at the top-left corner.
  console::view_set(kColumns, kRows);
  console::console_cursor(console::kCursorHide);
  ScreenName(kSetScreen, kScreenBegin);
  DispatchScreens();
  console::screen_set(kColumns, kRowsAfterwards);
  console::console_color(kGrey, kBlack);
  console::console_cursor(console::kCursorShow);
  return 0;
}

}  // namespace app
