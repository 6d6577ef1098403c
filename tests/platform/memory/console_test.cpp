// The memory console's own controls that scenario tests rely on: scripted idle steps, the
// end of the script, and the keyboard operations that depend on how input is connected.
#include <gtest/gtest.h>

#include "console/keyboard.h"
#include "console/screen.h"
#include "support/memory_platform.h"

namespace {

using platform::memory::InputExhausted;
using test_support::MemoryPlatform;

TEST(MemoryConsole, WaitingWithNoScriptLeftEndsTheRunInsteadOfHanging) {
  MemoryPlatform mp;
  EXPECT_THROW(console::key_wait(), InputExhausted);
  mp.console.push_key_up('a', 0x1E);  // only a release: still nothing to read
  EXPECT_THROW(console::line_input(), InputExhausted);
  // A program that polls without waiting ends the same way.
  EXPECT_THROW(
      {
        for (;;) console::key_waiting();
      },
      InputExhausted);
}

TEST(MemoryConsole, IdleStepsRunInOrderAndCanLookAndType) {
  MemoryPlatform mp;
  std::string seen;
  console::console_print("Name? ");
  mp.console.when_idle([&] {
    seen = mp.console.text(1, 1, 6);
    mp.console.push_text("Bob\r");
  });
  mp.console.when_idle([&] { mp.console.push_extended(0x44); });
  EXPECT_EQ(console::line_input(), "Bob");
  EXPECT_EQ(seen, "Name? ");
  EXPECT_EQ(mp.console.row_text(1).substr(0, 9), "Name? Bob");
  EXPECT_EQ(console::key_wait(), std::string("\0\x44", 2));
  EXPECT_EQ(mp.console.idle_steps_left(), 0u);
  EXPECT_GE(mp.console.presents(), 2);  // the screen is shown before each wait
  mp.console.when_idle([] {});          // a step that types nothing ends the run
  EXPECT_THROW(console::key_wait(), InputExhausted);
}

TEST(MemoryConsole, PushTextUsesUsKeyboardKeys) {
  MemoryPlatform mp;
  mp.console.push_text("a!Z\r");
  platform::InputEvent ev;
  uint32_t n = 0;
  std::vector<std::pair<int, uint32_t>> keys;
  while (mp.console.pending_input() > 0) {
    mp.console.read_input(ev, n);
    if (ev.key_down) keys.emplace_back(ev.scan_code, ev.control);
  }
  ASSERT_EQ(keys.size(), 4u);
  EXPECT_EQ(keys[0], std::make_pair(0x1E, 0u));
  EXPECT_EQ(keys[1], std::make_pair(0x02, uint32_t{platform::kShift}));
  EXPECT_EQ(keys[2], std::make_pair(0x2C, uint32_t{platform::kShift}));
  EXPECT_EQ(keys[3], std::make_pair(0x1C, 0u));
}

TEST(MemoryConsole, FlushDiscardsInputOnlyFromAConsole) {
  MemoryPlatform mp;
  mp.console.push_text("abc");
  console::key_flush();
  EXPECT_EQ(mp.console.pending_input(), 0u);
  mp.console.set_input_is_console(false);
  mp.console.push_text("abc");
  console::key_flush();
  EXPECT_EQ(console::key_read(), "a");
}

TEST(MemoryConsole, PausesGoThroughTheSystemAndNegativeOnesEndAtOnce) {
  MemoryPlatform mp;
  console::pause_ms(1500);
  console::pause_ms(-1);  // would be an endless sleep
  console::pause_ms(0);
  EXPECT_EQ(mp.system.sleeps(), (std::vector<uint32_t>{1500, 0}));
}

TEST(MemoryConsole, ScreenInitTakesTheConsoleCursorOrFallsBackToSize10) {
  MemoryPlatform mp;
  mp.console.set_cursor_shape(platform::CursorInfo{0, false});
  console::screen_init();
  EXPECT_EQ(mp.console.cursor_shape().size, 10u);
  EXPECT_TRUE(mp.console.cursor_shape().visible);
  mp.console.set_cursor_shape(platform::CursorInfo{50, false});
  console::screen_init();
  EXPECT_EQ(console::screen_state().cursor_size, 50u);
  EXPECT_FALSE(console::screen_state().cursor_visible);
  EXPECT_EQ(console::screen_state().foreground, 7);
}

TEST(MemoryConsole, OperationsWithoutAConsoleDoNothing) {
  MemoryPlatform mp;
  mp.console.set_broken(true);
  console::console_print("x");
  console::console_newline();
  console::console_clear();
  console::console_locate(3, 3);
  EXPECT_EQ(console::console_row(), 1);
  EXPECT_EQ(console::key_read(), "");
  mp.console.set_broken(false);
  EXPECT_EQ(mp.console.row_text(1), std::string(80, ' '));
}

}  // namespace
