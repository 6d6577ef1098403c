// The Windows console backend's own conversions and choices, on the real console: input
// records in and out, clipping of cell writes, long titles, the input wait and the flush rule.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/console.h"
#include "platform/win32/devices.h"
#include "platform/win32/services.h"
#include "platform/win32/state.h"

namespace {

using platform::win32::startup_state;

class Win32ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(win32_test::console_devices()) << "no console";
    out_ = startup_state().console_output;
    in_ = startup_state().console_input;
    const SMALL_RECT tiny{0, 0, 0, 0};
    SetConsoleWindowInfo(out_, TRUE, &tiny);
    ASSERT_TRUE(SetConsoleScreenBufferSize(out_, COORD{80, 25}));
    const SMALL_RECT window{0, 0, 79, 24};
    SetConsoleWindowInfo(out_, TRUE, &window);
    FlushConsoleInputBuffer(in_);
  }
  void TearDown() override {
    startup_state().input_is_console = -1;
    FlushConsoleInputBuffer(in_);
  }

  void inject(const INPUT_RECORD& r) {
    DWORD n = 0;
    ASSERT_TRUE(WriteConsoleInputA(in_, &r, 1, &n));
  }

  void inject_char(WCHAR ch) {
    INPUT_RECORD r{};
    r.EventType = KEY_EVENT;
    r.Event.KeyEvent.bKeyDown = TRUE;
    r.Event.KeyEvent.wRepeatCount = 1;
    r.Event.KeyEvent.uChar.UnicodeChar = ch;
    DWORD n = 0;
    ASSERT_TRUE(WriteConsoleInputW(in_, &r, 1, &n));
  }

  // Cells are read back as the Unicode glyphs the console holds.
  CHAR_INFO read_cell(SHORT x, SHORT y) {
    CHAR_INFO ci{};
    SMALL_RECT r{x, y, x, y};
    ReadConsoleOutputW(out_, &ci, COORD{1, 1}, COORD{0, 0}, &r);
    return ci;
  }

  platform::Console& con = *platform::win32::console();
  HANDLE out_ = nullptr;
  HANDLE in_ = nullptr;
};

TEST_F(Win32ConsoleTest, KeyRecordsKeepScanCodeHighCharactersAndControlState) {
  INPUT_RECORD key{};
  key.EventType = KEY_EVENT;
  key.Event.KeyEvent.bKeyDown = TRUE;
  key.Event.KeyEvent.wRepeatCount = 1;
  key.Event.KeyEvent.wVirtualKeyCode = 0x41;
  key.Event.KeyEvent.wVirtualScanCode = 0x1E;
  key.Event.KeyEvent.uChar.AsciiChar = static_cast<CHAR>(0xE1);  // a byte above 127
  key.Event.KeyEvent.dwControlKeyState = RIGHT_ALT_PRESSED | LEFT_CTRL_PRESSED | CAPSLOCK_ON;
  inject(key);
  key.Event.KeyEvent.bKeyDown = FALSE;
  inject(key);
  INPUT_RECORD focus{};
  focus.EventType = FOCUS_EVENT;
  focus.Event.FocusEvent.bSetFocus = TRUE;
  inject(focus);

  platform::InputEvent ev;
  uint32_t count = 0;
  ASSERT_TRUE(con.peek_input(ev, count));
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(ev.type, platform::InputEvent::kKey);
  EXPECT_TRUE(ev.key_down);
  EXPECT_EQ(ev.scan_code, 0x1E);
  EXPECT_EQ(ev.virtual_key, 0x41);
  EXPECT_EQ(ev.ch, 0xE1);
  EXPECT_EQ(ev.control, platform::kRightAlt | platform::kLeftCtrl | platform::kCapsLock);

  // Peeking leaves the record; reading takes it.
  platform::InputEvent again;
  ASSERT_TRUE(con.read_input(again, count));
  EXPECT_EQ(again.scan_code, 0x1E);
  ASSERT_TRUE(con.read_input(ev, count));
  ASSERT_EQ(count, 1u);
  EXPECT_FALSE(ev.key_down);
  ASSERT_TRUE(con.read_input(ev, count));
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(ev.type, platform::InputEvent::kFocus);

  ASSERT_TRUE(con.peek_input(ev, count));
  EXPECT_EQ(count, 0u);
}

// Typed characters come back as code page 437 bytes through the shared table, whatever the
// console's input code page: a character the code page lacks arrives as '?'.
TEST_F(Win32ConsoleTest, TypedCharactersArriveAsCodePage437WhateverTheCodePage) {
  const UINT cp = GetConsoleCP();
  for (UINT page : {437u, 850u, 65001u}) {
    SetConsoleCP(page);
    inject_char(0x00A1);  // inverted exclamation mark
    inject_char(0x00A2);  // cent sign
    inject_char(0x20AC);  // euro sign: not in code page 437
    inject_char(L'a');
    platform::InputEvent ev;
    uint32_t count = 0;
    for (int want : {0xAD, 0x9B, int{'?'}, int{'a'}}) {
      ASSERT_TRUE(con.read_input(ev, count));
      ASSERT_EQ(count, 1u);
      EXPECT_EQ(ev.ch, want) << "code page " << page;
    }
  }
  SetConsoleCP(cp);
}

TEST_F(Win32ConsoleTest, CellWritesAreClippedToTheBufferAndKeepBytesAndAttributes) {
  platform::Cell cells[6];
  for (int i = 0; i < 6; ++i) cells[i] = platform::Cell{static_cast<uint8_t>(0xB0 + i), 0x1E};
  platform::Rect region{77, 24, 82, 24};  // runs three cells past the right edge
  ASSERT_TRUE(con.write_output(cells, platform::Coord{6, 1}, platform::Coord{0, 0}, region));
  EXPECT_EQ(region.left, 77);
  EXPECT_EQ(region.right, 79);
  const WCHAR shades[3] = {0x2591, 0x2592, 0x2593};  // bytes 0xB0 to 0xB2
  for (SHORT x = 77; x < 80; ++x) {
    const CHAR_INFO ci = read_cell(x, 24);
    EXPECT_EQ(ci.Char.UnicodeChar, shades[x - 77]);
    EXPECT_EQ(ci.Attributes, 0x1E);
  }

  // The glyphs do not depend on the console's code page.
  const UINT cp = GetConsoleOutputCP();
  for (UINT page : {437u, 850u, 65001u}) {
    SetConsoleOutputCP(page);
    const platform::Cell line[3] = {{0xAD, 7}, {'!', 7}, {0x9B, 7}};
    platform::Rect at{0, 10, 2, 10};
    ASSERT_TRUE(con.write_output(line, platform::Coord{3, 1}, platform::Coord{0, 0}, at));
    EXPECT_EQ(read_cell(0, 10).Char.UnicodeChar, 0x00A1) << "code page " << page;
    EXPECT_EQ(read_cell(2, 10).Char.UnicodeChar, 0x00A2) << "code page " << page;
  }
  SetConsoleOutputCP(cp);

  // A block of more than 256 cells goes through the heap path.
  std::vector<platform::Cell> block(80 * 4, platform::Cell{'#', 0x4F});
  platform::Rect whole{0, 0, 79, 3};
  ASSERT_TRUE(con.write_output(block.data(), platform::Coord{80, 4}, platform::Coord{0, 0}, whole));
  EXPECT_EQ(read_cell(79, 3).Attributes, 0x4F);
  EXPECT_EQ(read_cell(0, 3).Char.UnicodeChar, L'#');
}

TEST_F(Win32ConsoleTest, ScrollMovesTheBufferAndFillsWithTheGivenCell) {
  platform::Cell c{'A', 0x07};
  platform::Rect r{0, 1, 0, 1};
  ASSERT_TRUE(con.write_output(&c, platform::Coord{1, 1}, platform::Coord{0, 0}, r));
  ASSERT_TRUE(con.scroll(platform::Rect{0, 1, 79, 24}, nullptr, platform::Coord{0, 0},
                         platform::Cell{' ', 0x2A}));
  EXPECT_EQ(read_cell(0, 0).Char.UnicodeChar, L'A');
  EXPECT_EQ(read_cell(0, 24).Char.UnicodeChar, L' ');
  EXPECT_EQ(read_cell(0, 24).Attributes, 0x2A);
}

TEST_F(Win32ConsoleTest, TitlesAreCutToTheCallersBuffer) {
  const std::string title(300, 't');
  ASSERT_TRUE(con.set_title((title + "END").c_str()));
  char buf[232];
  EXPECT_EQ(con.get_title(buf, sizeof buf), 231u);
  EXPECT_EQ(std::string(buf), title.substr(0, 231));
  char big[400];
  EXPECT_EQ(con.get_title(big, sizeof big), 303u);
  EXPECT_EQ(std::string(big).substr(300), "END");
  ASSERT_TRUE(con.set_title("Orvane"));
  EXPECT_EQ(con.get_title(buf, 4), 3u);
  EXPECT_STREQ(buf, "Orv");
}

TEST_F(Win32ConsoleTest, WaitingForInputEndsWhenAKeyIsQueued) {
  using Clock = std::chrono::steady_clock;
  INPUT_RECORD key{};
  key.EventType = KEY_EVENT;
  key.Event.KeyEvent.bKeyDown = TRUE;
  key.Event.KeyEvent.uChar.AsciiChar = 'k';
  inject(key);
  const auto start = Clock::now();
  con.wait_input(5000);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));
}

TEST_F(Win32ConsoleTest, FlushOnlyWhenStandardInputIsAConsole) {
  INPUT_RECORD key{};
  key.EventType = KEY_EVENT;
  key.Event.KeyEvent.bKeyDown = TRUE;
  key.Event.KeyEvent.uChar.AsciiChar = 'q';
  inject(key);
  platform::InputEvent ev;
  uint32_t count = 0;

  startup_state().input_is_console = 0;
  EXPECT_TRUE(con.flush_input());
  ASSERT_TRUE(con.peek_input(ev, count));
  EXPECT_EQ(count, 1u);

  startup_state().input_is_console = -1;
  EXPECT_TRUE(con.flush_input());
  ASSERT_TRUE(con.peek_input(ev, count));
  EXPECT_EQ(count, 0u);
}

// Only the console's own visible window is ever found, never one by its title: under a
// pseudo console (Wine in a terminal, Windows Terminal) there is none to move.
TEST_F(Win32ConsoleTest, OnlyTheConsolesOwnVisibleWindowIsFound) {
  HWND own = GetConsoleWindow();
  const bool visible = own != nullptr && IsWindowVisible(own);
  EXPECT_EQ(con.window_shapeable(), visible);
  EXPECT_EQ(con.find_window("no window has this title"),
            visible ? reinterpret_cast<platform::WindowHandle>(own) : platform::WindowHandle{0});
  const platform::Coord largest = con.largest_window();
  EXPECT_GT(largest.x, 0);
  EXPECT_GT(largest.y, 0);
}

}  // namespace
