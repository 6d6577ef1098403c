#include "app/program_main.h"

#include "app/dispatch_screens.h"
#include "app/place.h"
#include "app/screen_name.h"
#include "console/screen.h"
#include "console/window.h"
#include "runtime/error.h"

namespace app {

int32_t ProgramMain(uintptr_t /*instance*/, int32_t /*previous_instance*/,
                    const char* /*command_line*/, uint32_t /*show_flag*/) {
  runtime::ErrorScope scope;
  console::window_move(160, 20);
  console::screen_set(80, 50);
  console::view_set(80, 50);
  console::console_cursor(0);
  ScreenName(1, kScreenBegin);
  DispatchScreens();
  console::screen_set(80, 25);
  console::console_color(kGrey, kBlack);
  console::console_cursor(-1);
  return 0;
}

}  // namespace app
