// Window, buffer, view and title on the memory console, whose window limits, window search
// and recorded pauses the tests control.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST_F(WindowTest, SetScreenFailsAfterTenAttemptsAndPutsTheBufferBack) {
  MemoryPlatform mp;
  mp.system.set_platform_id(1);
  mp.console.set_max_window(80, 40);
  runtime::ErrorScope scope;
  console::screen_set(80, 50);
  EXPECT_EQ(runtime::error_take(), 5);
  EXPECT_EQ(count(mp, "window failed"), 10);
  EXPECT_EQ(mp.console.height(), 25);
  EXPECT_EQ(mp.console.log().back(), "unlock");
  EXPECT_EQ(count(mp, "buffer 80x25"), 1);
}

TEST_F(WindowTest, OnTheNtFamilyARefusedWindowLeavesTheLargerBuffer) {
  MemoryPlatform mp(80, 50, 80, 40);
  mp.console.set_max_window(80, 40);
  runtime::ErrorScope scope;
  console::screen_set(80, 50);
  EXPECT_EQ(runtime::error_number(), 0);
  EXPECT_EQ(count(mp, "window failed"), 1);
  EXPECT_EQ(mp.console.height(), 50);
  console::view_set(80, 50);
  EXPECT_EQ(console::view_origin().y, 11);  // the lowest 40 rows show
  EXPECT_EQ(console::view_origin().x, 1);
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
