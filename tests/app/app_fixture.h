// Runs the whole program on the memory platform: an 80 x 25 console like a fresh console
// window, recorded pauses, an in-memory drive C and a recorded printer. Screens are checked
// cell by cell (character, foreground, background) against pictures built here
// independently of the program's own code.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/program_main.h"
#include "app/program_variables.h"
#include "console/screen.h"
#include "files/files.h"
#include "pictures.h"
#include "platform/memory/console.h"
#include "platform/memory/files.h"
#include "platform/memory/printing.h"
#include "platform/memory/system.h"
#include "printer/printer.h"
#include "runtime/platform_access.h"
#include "runtime/startup.h"

namespace app_test {

// Scan codes of the extended keys the program knows.
inline constexpr uint16_t kF10 = 0x44;
inline constexpr uint16_t kF12 = 0x58;
inline constexpr uint16_t kRightArrow = 0x4D;

// Every cell of `console` against `expected`; the first mismatches are reported.
::testing::AssertionResult ScreenMatches(const platform::memory::MemoryConsole& console,
                                         const Picture& expected);

// The memory system with a look at each pause as it is asked for (the farewell is on the
// screen only during its pause).
class WatchedSystem : public platform::memory::MemorySystem {
 public:
  void sleep_ms(uint32_t ms) override {
    MemorySystem::sleep_ms(ms);
    if (on_pause) on_pause(ms);
  }
  std::function<void(uint32_t)> on_pause;
};

// The first row of the program's screen that a display of `rows` rows (the last one the notice)
// shows: on the main screen the options panel takes rows 19 to 27 and the cursor rests on row
// 28; at the filename prompt the cursor is on row 34; the farewell is on row 4 of a cleared
// screen. The view ends at the cursor's row when the cursor leaves it.
struct ShownTops {
  int main;
  int prompt;
  int farewell;
};
inline ShownTops ShownTopsFor(int rows) {
  return rows == 24 ? ShownTops{6, 12, 1} : ShownTops{1, 6, 1};
}

class AppTest : public ::testing::Test {
 protected:
  AppTest() : AppTest(80, 25) {}
  // A console of `columns` x `rows` (a window that cannot show the whole screen, say).
  AppTest(int16_t columns, int16_t rows) : console(columns, rows) {}

  void SetUp() override {
    platform::Platform services;
    services.system = &system;
    services.console = &console;
    services.files = file_system;
    services.printing = &printing;
    runtime::install_platform(services);
    files::reset();
  }
  void TearDown() override {
    app::ProgramVariablesRelease();
    runtime::install_platform(platform::Platform{});
  }

  // Runs the program as the process entry does and gives its exit code.
  int32_t RunProgram() {
    static const runtime::InitHook init[] = {console::screen_init, printer::printer_init,
                                             app::ProgramVariablesInit};
    platform::Platform services;
    services.system = &system;
    services.console = &console;
    services.files = file_system;
    services.printing = &printing;
    return runtime::run_program(services, app::ProgramMain, init);
  }

  // The next time the program waits for a key with none left, `step` runs (it looks at the
  // screen and types the next keys).
  void Then(std::function<void()> step) { console.when_idle(std::move(step)); }
  void Type(const std::string& keys) { console.push_text(keys); }
  void Press(uint16_t extended_scan) { console.push_extended(extended_scan); }

  // Counts the farewells and checks each one's picture while it is on the screen.
  void WatchFarewells() {
    system.on_pause = [this](uint32_t ms) {
      if (ms != 1500) return;
      ++farewells;
      EXPECT_TRUE(ScreenMatches(console, FarewellPicture()));
    };
  }
  int farewells = 0;

  // Pauses asked for since the last call, in order.
  std::vector<uint32_t> TakePauses() {
    std::vector<uint32_t> out = system.sleeps();
    system.clear_sleeps();
    return out;
  }

  WatchedSystem system;
  platform::memory::MemoryConsole console;
  platform::memory::MemoryFileSystem drive;
  platform::FileSystem* file_system = &drive;  // the file system the program is run with
  platform::memory::MemoryPrinting printing;
};

}  // namespace app_test
