// Window, buffer, view and title on the memory console, whose window limits, window search
// and recorded pauses the tests control.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/console_access.h"
#include "console/screen.h"
#include "console/window.h"
#include "runtime/error.h"
#include "support/memory_platform.h"

namespace {

using Log = std::vector<std::string>;
using test_support::MemoryPlatform;

class WindowTest : public ::testing::Test {
 protected:
  void TearDown() override { console::window_reset(); }
  int count(const MemoryPlatform& mp, const std::string& entry) {
    int n = 0;
    for (const auto& e : mp.console.log()) n += e == entry;
    return n;
  }
};

TEST_F(WindowTest, SetScreenOnATallBufferSetsTheWindowThenShrinksTheBuffer) {
  MemoryPlatform mp(80, 300, 80, 25);
  mp.console.set_title("Orvane");
  console::console_locate(280, 1);
  console::console_print("old text");
  runtime::ErrorScope scope;
  console::screen_set(80, 50);
  EXPECT_EQ(runtime::error_number(), 0);
  EXPECT_EQ(mp.console.log(),
            (Log{"lock", "buffer 80x300", "clear", "move 0,0", "unlock", "window 0,0-79,49", "lock",
                 "buffer 80x50", "clear", "move 0,0", "unlock"}));
  EXPECT_EQ(mp.console.width(), 80);
  EXPECT_EQ(mp.console.height(), 50);
  EXPECT_EQ(console::window_size().rows, 50);
  // Only the window search pauses on the NT family.
  EXPECT_EQ(mp.system.sleeps(), (std::vector<uint32_t>{200}));
  EXPECT_EQ(mp.console.title(), "Orvane");
  EXPECT_FALSE(mp.console.window_locked());
}

TEST_F(WindowTest, SetScreenGrowsTheBufferFirstAndKeepsTheDesktopWindow) {
  MemoryPlatform mp;  // 80 x 25
  console::window_move(160, 20);
  const platform::WindowRect before = mp.console.desktop_rect();
  console::console_color(7, 1);
  console::screen_set(80, 50);
  EXPECT_EQ(mp.console.height(), 50);
  EXPECT_EQ(mp.console.window().bottom, 49);
  EXPECT_EQ(mp.console.cell(50, 80).bg, 1);  // cleared in the current colours
  EXPECT_EQ(mp.console.desktop_rect().left, before.left);
  EXPECT_EQ(mp.console.desktop_rect().bottom, before.bottom);
  EXPECT_EQ(console::window_position().x, 160);
  EXPECT_EQ(console::window_position().y, 20);
  EXPECT_EQ(console::window_pixels().columns, before.right - before.left);
}

TEST_F(WindowTest, SettleDelaysOutsideTheNtFamily) {
  MemoryPlatform mp;
  mp.system.set_platform_id(1);
  console::screen_set(80, 50);
  // search 200; grow: 250 250; window: 250, then 250 250 around the check; shrink: 250 250.
  EXPECT_EQ(mp.system.sleeps(), (std::vector<uint32_t>{200, 250, 250, 250, 250, 250, 250, 250}));
  EXPECT_EQ(mp.console.height(), 50);
  mp.system.clear_sleeps();
  console::buffer_size();
  EXPECT_EQ(mp.system.slept_ms(), 250u);
}

TEST_F(WindowTest, AWindowTheScreenCannotShowIsFittedAndReported) {
  // Outside the NT family the window is asked for ten times; the NT family answers at once.
  for (uint32_t family : {1u, 2u}) {
    MemoryPlatform mp(80, 50, 80, 40);
    mp.system.set_platform_id(family);
    mp.console.set_max_window(80, 40);
    runtime::ErrorScope scope;
    console::screen_set(80, 50);
    EXPECT_EQ(runtime::error_take(), 5);
    EXPECT_EQ(count(mp, "window failed"), family == 1 ? 10 : 1);
    // The program's screen is whole; the window shows what the screen can.
    EXPECT_EQ(mp.console.height(), 40);
    EXPECT_EQ(console::buffer_size().rows, 50);
    // To the program the window is its whole screen, as on a terminal: which rows show is
    // the view's business, so a view set to the last row cannot hide the rows the cursor
    // is on.
    EXPECT_EQ(console::window_size().rows, 50);
    console::view_set(80, 50);
    EXPECT_EQ(console::view_origin().y, 1);
    EXPECT_EQ(console::view_origin().x, 1);
    console::window_reset();
  }
}

// Windows 10's console defaults (a buffer of 120 x 9001 under a 120 x 30 window) on a screen
// that fits only 47 rows: the window is narrowed to 80 columns, buffer and window become
// 80 x 47, and the program's 80 x 50 screen is shown there, following the cursor, above a
// notice of the size needed; at the end the console is given back as found.
TEST_F(WindowTest, ASmallScreenShowsTheNoticeAndFollowsTheCursor) {
  MemoryPlatform mp(120, 9001, 120, 30);
  mp.console.set_max_window(190, 47);
  mp.console.set_title("Command Prompt");
  runtime::ErrorScope scope;
  console::window_move(160, 20);
  console::screen_set(80, 50);
  EXPECT_EQ(runtime::error_take(), 5);
  EXPECT_EQ(mp.console.width(), 80);
  EXPECT_EQ(mp.console.height(), 47);
  EXPECT_EQ(mp.console.window().bottom, 46);
  EXPECT_EQ(console::buffer_size().columns, 80);
  EXPECT_EQ(console::buffer_size().rows, 50);
  EXPECT_EQ(console::window_size().rows, 50);
  EXPECT_EQ(mp.console.title(), "Command Prompt");
  console::view_set(80, 50);
  EXPECT_EQ(console::view_origin().y, 1);

  const std::string notice =
      " The window is 80 x 47: make it at least 80 x 50 to see the whole screen ";
  for (int row = 1; row <= 50; ++row) {
    console::console_locate(row, 1);
    console::console_print("row " + std::to_string(row));
  }
  console::console_locate(1, 1);
  console::console_print("Orvane-Table");
  console::present();
  // The cursor at the top: rows 1 to 46, the notice in red on the last row.
  EXPECT_EQ(mp.console.text(1, 1, 12), "Orvane-Table");
  EXPECT_EQ(mp.console.text(46, 1, 7), "row 46 ");
  EXPECT_EQ(mp.console.text(47, 1, static_cast<int>(notice.size())), notice);
  EXPECT_EQ(mp.console.cell(47, 1).bg, 4);
  EXPECT_EQ(mp.console.cursor_row(), 1);

  // A prompt on the last row: the view follows it, the cursor is on it.
  console::console_locate(50, 1);
  console::console_print(">> blind-name");
  console::present();
  EXPECT_EQ(mp.console.text(46, 1, 13), ">> blind-name");
  EXPECT_EQ(mp.console.text(1, 1, 7), "row 5  ");
  EXPECT_EQ(mp.console.cursor_row(), 46);
  EXPECT_EQ(mp.console.cursor_column(), 14);
  // A full last row scrolls the program's screen, not the window.
  console::console_newline();
  console::console_print("next");
  console::present();
  EXPECT_EQ(mp.console.text(45, 1, 13), ">> blind-name");
  EXPECT_EQ(mp.console.text(46, 1, 5), "next ");
  EXPECT_EQ(mp.console.text(47, 1, static_cast<int>(notice.size())), notice);

  console::screen_set(80, 25);
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(mp.console.width(), 120);
  EXPECT_EQ(mp.console.height(), 9001);
  EXPECT_EQ(console::window_size().columns, 120);
  EXPECT_EQ(console::window_size().rows, 30);
  EXPECT_EQ(mp.console.text(1, 1, 4), "    ");
}

// A pseudo console (a terminal decides the window): nothing is moved or resized; the screen
// is shown in the window as it is, and left as found at the end.
TEST_F(WindowTest, APseudoConsoleKeepsItsWindow) {
  MemoryPlatform mp(120, 30, 120, 30);
  mp.console.set_window_shapeable(false);
  const platform::WindowRect desk = mp.console.desktop_rect();
  runtime::ErrorScope scope;
  console::window_move(160, 20);
  console::screen_set(80, 50);
  EXPECT_EQ(runtime::error_take(), 5);
  EXPECT_EQ(mp.console.desktop_rect().left, desk.left);
  EXPECT_TRUE(mp.console.log().empty());
  EXPECT_EQ(console::buffer_size().rows, 50);
  console::console_locate(40, 1);
  console::console_print("forty");
  console::present();
  EXPECT_EQ(mp.console.text(29, 1, 5), "forty");
  const std::string notice =
      " The window is 120 x 30: make it at least 80 x 50 to see the whole screen ";
  EXPECT_EQ(mp.console.row_text(30), notice + std::string(120 - notice.size(), ' '));
  EXPECT_EQ(mp.console.cell(30, 120).bg, 4);  // the notice's row is red to its end
  console::screen_set(80, 25);
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(mp.console.height(), 30);
  EXPECT_EQ(mp.console.width(), 120);
  EXPECT_EQ(mp.console.text(29, 1, 5), "     ");

  // A terminal large enough: the screen as it is, no notice, no error, and no 80 x 25 at
  // the end.
  console::window_reset();
  MemoryPlatform big(120, 60, 120, 60);
  big.console.set_window_shapeable(false);
  console::screen_set(80, 50);
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_TRUE(big.console.log() == Log{"clear"});
  console::console_locate(50, 75);
  console::console_print("ENDS!!");
  console::present();
  EXPECT_EQ(big.console.text(50, 75, 6), "ENDS!!");
  console::screen_set(80, 25);
  EXPECT_EQ(big.console.height(), 60);
  EXPECT_EQ(big.console.text(50, 75, 6), "      ");
}

TEST_F(WindowTest, ViewIsClampedToTheBuffer) {
  MemoryPlatform mp(80, 50, 80, 50);
  console::view_set(80, 50);
  EXPECT_EQ(console::view_origin().x, 1);
  EXPECT_EQ(console::view_origin().y, 1);

  MemoryPlatform tall(80, 300, 80, 25);
  console::view_set(1, 100);
  EXPECT_EQ(console::view_origin().y, 100);
  console::view_set(1, 0);
  EXPECT_EQ(console::view_origin().y, 1);
  console::view_set(-7, -2147483647 - 1);
  EXPECT_EQ(console::view_origin().y, 1);
  console::view_set(1, 2147483647);
  EXPECT_EQ(console::view_origin().y, 276);
  EXPECT_EQ(console::window_size().rows, 25);
}

TEST_F(WindowTest, WindowSearchLeavesTheTitleAsItWas) {
  MemoryPlatform mp;
  const std::string long_title = "Title " + std::string(300, 'x') + " end";
  mp.console.set_title(long_title.c_str());
  console::window_move(160, 20);
  EXPECT_EQ(mp.console.title(), long_title);
  EXPECT_EQ(mp.console.desktop_rect().left, 160);
  EXPECT_EQ(mp.console.desktop_rect().top, 20);
  // Found once; later requests do not search again.
  console::window_move(10, 10);
  EXPECT_EQ(mp.system.sleeps(), (std::vector<uint32_t>{200}));

  console::window_reset();
  mp.console.set_title("");
  console::window_front();
  EXPECT_EQ(mp.console.title(), "");
  EXPECT_EQ(mp.console.foreground_calls(), 1);
}

TEST_F(WindowTest, AConsoleThatKnowsItsWindowNeedsNoTitleSearch) {
  MemoryPlatform mp;
  mp.console.set_knows_window(true);
  mp.console.set_title("Plain");
  console::window_move(160, 20);
  EXPECT_EQ(mp.console.desktop_rect().left, 160);
  EXPECT_TRUE(mp.system.sleeps().empty());
  EXPECT_EQ(mp.console.title(), "Plain");
}

TEST_F(WindowTest, WithoutTheDesktopWindowEveryResizeFails) {
  MemoryPlatform mp;
  mp.console.set_window_findable(false);
  mp.console.set_title("Here");
  console::console_print("kept");
  runtime::ErrorScope scope;
  console::screen_set(80, 50);
  EXPECT_EQ(runtime::error_take(), 5);
  EXPECT_EQ(mp.console.height(), 25);
  EXPECT_EQ(mp.console.text(1, 1, 4), "kept");
  EXPECT_EQ(mp.console.title(), "Here");
  console::buffer_set(100, 100);
  EXPECT_EQ(runtime::error_take(), 5);
}

TEST_F(WindowTest, SetBufferRefusesSizesSmallerThanTheWindow) {
  MemoryPlatform mp;
  console::console_print("kept");
  runtime::ErrorScope scope;
  console::buffer_set(80, 20);
  EXPECT_EQ(runtime::error_take(), 5);
  EXPECT_TRUE(mp.console.log().empty());
  EXPECT_EQ(mp.console.text(1, 1, 4), "kept");
  console::buffer_set(100, 40);
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(mp.console.width(), 100);
  EXPECT_EQ(mp.console.text(1, 1, 4), "    ");  // every resize clears
  console::buffer_set(70000, 40);
  EXPECT_EQ(runtime::error_take(), 5);
}

TEST_F(WindowTest, TitleSetAndGet) {
  MemoryPlatform mp;
  console::title_set("Cubes");
  EXPECT_EQ(console::title_get(), "Cubes");
  console::title_set(std::string(120, 't'));
  EXPECT_EQ(console::title_get(), std::string(79, 't'));  // read into 80 bytes
}

}  // namespace
