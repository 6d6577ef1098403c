#include <string>
#include <vector>

#include "console/console_harness.h"
#include "console/screen.h"

namespace console_test {
namespace {

using namespace console;

TEST_P(ConsoleTest, PrintWrapsAtTheRightEdgeAndNewLineMovesOneRowOn) {
  console_locate(3, 1);
  console_print(std::string(80, 'a'));
  EXPECT_EQ(text(3, 1, 80), std::string(80, 'a'));
  EXPECT_EQ(cursor_row(), 4);
  EXPECT_EQ(cursor_column(), 1);
  console_newline();
  EXPECT_EQ(cursor_row(), 5);
  EXPECT_EQ(cursor_column(), 1);

  // A long text continues on the next rows.
  console_locate(10, 75);
  console_print(std::string(10, 'b') + "c");
  EXPECT_EQ(text(10, 75, 6), "bbbbbb");
  EXPECT_EQ(text(11, 1, 5), "bbbbc");
  EXPECT_EQ(cursor_row(), 11);
  EXPECT_EQ(cursor_column(), 6);
}

TEST_P(ConsoleTest, FillingTheLastRowDefersTheScrollUntilTheNextByte) {
  console_locate(1, 1);
  console_print("top");
  console_locate(25, 1);
  console_print(std::string(80, 'x'));
  EXPECT_EQ(text(1, 1, 3), "top");  // nothing scrolled yet
  EXPECT_EQ(text(25, 1, 80), std::string(80, 'x'));
  EXPECT_EQ(cursor_row(), 25);
  EXPECT_EQ(cursor_column(), 1);

  console_print("y");
  EXPECT_EQ(text(24, 1, 80), std::string(80, 'x'));
  EXPECT_EQ(text(25, 1, 2), "y ");
  EXPECT_EQ(text(1, 1, 3), "   ");  // "top" scrolled off the buffer
  EXPECT_EQ(cursor_column(), 2);
}

TEST_P(ConsoleTest, NewLineAfterAFullLastRowScrollsTwice) {
  console_color(14, 1);
  console_locate(25, 1);
  console_print(std::string(80, 'x'));
  console_newline();
  EXPECT_EQ(text(23, 1, 80), std::string(80, 'x'));
  EXPECT_EQ(text(24, 1, 80), std::string(80, ' '));
  EXPECT_EQ(text(25, 1, 80), std::string(80, ' '));
  EXPECT_EQ(attr(25, 80), 0x1E);  // blank rows come in the current colours
  EXPECT_EQ(cursor_row(), 25);
  EXPECT_EQ(cursor_column(), 1);

  // Without pending scroll, one row.
  console_locate(25, 1);
  console_print("z");
  console_newline();
  EXPECT_EQ(text(24, 1, 1), "z");
  EXPECT_EQ(text(22, 1, 1), "x");
}

TEST_P(ConsoleTest, LocateKeepsCoordinatesOutOfRangeAndClearsPendingScroll) {
  console_locate(7, 9);
  console_locate(0, 5);
  EXPECT_EQ(cursor_row(), 7);
  EXPECT_EQ(cursor_column(), 5);
  console_locate(26, 81);
  EXPECT_EQ(cursor_row(), 7);
  EXPECT_EQ(cursor_column(), 5);
  console_locate(-1, 80);
  EXPECT_EQ(cursor_column(), 80);

  // After a locate, a filled last row no longer scrolls on the next byte.
  console_locate(25, 1);
  console_print(std::string(80, 'x'));
  console_locate(25, 1);
  console_print("q");
  EXPECT_EQ(text(25, 1, 2), "qx");
  EXPECT_EQ(text(24, 1, 1), " ");
}

TEST_P(ConsoleTest, ColoursOf16OrMoreKeepTheCurrentOne) {
  console_color(10, 1);
  console_print("a");
  console_color(15, -1);
  console_print("b");
  console_color(16, 2);
  console_print("c");
  console_color(-5, 99);
  console_print("d");
  EXPECT_EQ(attr(1, 1), 0x1A);
  EXPECT_EQ(attr(1, 2), 0x1F);
  EXPECT_EQ(attr(1, 3), 0x2F);
  EXPECT_EQ(attr(1, 4), 0x2F);
  EXPECT_EQ(screen_state().foreground, 15);
  EXPECT_EQ(screen_state().background, 2);
}

TEST_P(ConsoleTest, ColourCellCountRecoloursFromTheCursorWithinTheWindowSize) {
  console_print("abcdefgh");
  console_locate(1, 3);
  console_color(14, 4, 3);
  EXPECT_EQ(attr(1, 2), 0x07);
  EXPECT_EQ(attr(1, 3), 0x4E);
  EXPECT_EQ(attr(1, 5), 0x4E);
  EXPECT_EQ(attr(1, 6), 0x07);
  EXPECT_EQ(text(1, 1, 8), "abcdefgh");
  EXPECT_EQ(cursor_column(), 3);
  console_color(2, 0, 80 * 25 + 1);  // more than the window holds: no recolouring
  EXPECT_EQ(attr(1, 6), 0x07);
  EXPECT_EQ(attr(1, 3), 0x4E);
}

TEST_P(ConsoleTest, ControlBytesAreDrawnAsGlyphs) {
  console_locate(2, 10);
  console_print(std::string("a\rb\n\t\x07", 6));
  EXPECT_EQ(ch(2, 11), 13);
  EXPECT_EQ(ch(2, 13), 10);
  EXPECT_EQ(ch(2, 14), 9);
  EXPECT_EQ(ch(2, 15), 7);
  EXPECT_EQ(cursor_row(), 2);
  EXPECT_EQ(cursor_column(), 16);
  console_print(std::string("\0", 1));
  EXPECT_EQ(ch(2, 16), 0);
  console_print("");
  EXPECT_EQ(cursor_column(), 17);
}

TEST_P(ConsoleTest, CursorSizeIsClampedAndShowsTheCursor) {
  console_cursor(0);
  EXPECT_FALSE(cursor_shape().visible);
  console_cursor(5);
  EXPECT_EQ(cursor_shape().size, 10u);
  EXPECT_TRUE(cursor_shape().visible);
  console_cursor(0);
  console_cursor(100);
  EXPECT_EQ(cursor_shape().size, 99u);
  EXPECT_TRUE(cursor_shape().visible);
  console_cursor(0);
  console_cursor(-1);
  EXPECT_EQ(cursor_shape().size, 99u);
  EXPECT_TRUE(cursor_shape().visible);
}

TEST_P(ConsoleTest, ClearReachesRowsOutsideTheWindowAndKeepsTheCursorShape) {
  if (!reshape(80, 300, 80, 25)) return;
  console_locate(200, 40);
  console_print("far below");
  console_color(7, 1);
  console_clear();
  EXPECT_EQ(text(200, 40, 9), std::string(9, ' '));
  EXPECT_EQ(attr(200, 40), 0x17);
  EXPECT_EQ(attr(300, 80), 0x17);
  EXPECT_EQ(cursor_row(), 1);
  EXPECT_EQ(cursor_column(), 1);
  EXPECT_TRUE(cursor_shape().visible);
  console_cursor(0);
  console_clear();
  EXPECT_FALSE(cursor_shape().visible);
}

TEST_P(ConsoleTest, TabsZonesAndBlanks) {
  console_print("ab");
  console_zone();
  EXPECT_EQ(cursor_column(), 15);
  console_zone();  // on a zone boundary it still moves a whole zone
  EXPECT_EQ(cursor_column(), 29);
  console_tab(40);
  EXPECT_EQ(cursor_column(), 40);
  console_tab(10);  // left of the cursor: next row first
  EXPECT_EQ(cursor_row(), 2);
  EXPECT_EQ(cursor_column(), 10);
  console_tab(0);
  EXPECT_EQ(cursor_column(), 10);
  console_blanks(-3);
  EXPECT_EQ(cursor_column(), 10);
  console_blanks(37);
  EXPECT_EQ(cursor_column(), 47);
  console_home();
  EXPECT_EQ(console_row(), 1);
  EXPECT_EQ(console_column(), 1);
}

// The cell calls themselves, on every console: the same rules whichever backend holds the
// cells (a Windows console, a terminal's buffer, the memory console, the fitted view).
namespace cells {

std::vector<platform::Cell> block(const std::string& text, uint16_t attr = 7) {
  std::vector<platform::Cell> out;
  for (char c : text) out.push_back(platform::Cell{static_cast<uint8_t>(c), attr});
  return out;
}

platform::Rect rect(int left, int top, int right, int bottom) {
  return platform::Rect{static_cast<int16_t>(left), static_cast<int16_t>(top),
                        static_cast<int16_t>(right), static_cast<int16_t>(bottom)};
}

}  // namespace cells

TEST_P(ConsoleTest, WriteOutputClipsTheRegionToTheBufferAndTheBlock) {
  // A 6-cell block into a region that runs past the right edge: three cells land.
  std::vector<platform::Cell> six = cells::block("abcdef", 0x1E);
  platform::Rect r = cells::rect(77, 1, 82, 1);
  ASSERT_TRUE(con().write_output(six.data(), {6, 1}, {0, 0}, r));
  EXPECT_EQ(r.left, 77);
  EXPECT_EQ(r.right, 79);
  EXPECT_EQ(text(2, 78, 3), "abc");
  EXPECT_EQ(attr(2, 80), 0x1E);

  // The block's corner picks where to start, and the region never reaches past what the
  // block holds.
  r = cells::rect(0, 4, 79, 4);
  ASSERT_TRUE(con().write_output(six.data(), {3, 2}, {1, 1}, r));  // rows "abc" / "def"
  EXPECT_EQ(r.right, 1);
  EXPECT_EQ(r.bottom, 4);
  EXPECT_EQ(text(5, 1, 3), "ef ");
}

TEST_P(ConsoleTest, FillsRunOnAcrossRowsAndStopAtTheBuffersEnd) {
  uint32_t n = 0;
  ASSERT_TRUE(con().fill_chars('z', 5, {78, 2}, n));
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(text(3, 79, 2), "zz");
  EXPECT_EQ(text(4, 1, 4), "zzz ");
  ASSERT_TRUE(con().fill_attrs(0x4F, 1000, {70, 24}, n));
  EXPECT_EQ(n, 10u);
  EXPECT_EQ(attr(25, 71), 0x4F);
  EXPECT_EQ(attr(25, 80), 0x4F);
  EXPECT_EQ(attr(25, 70), 0x07);
}

TEST_P(ConsoleTest, ScrollMovesTheSourceAndFillsWhatItUncovers) {
  for (int y = 0; y < 6; ++y) {
    std::vector<platform::Cell> row = cells::block(std::string(10, static_cast<char>('a' + y)));
    platform::Rect r = cells::rect(0, y, 9, y);
    ASSERT_TRUE(con().write_output(row.data(), {10, 1}, {0, 0}, r));
  }
  // Down two rows, overlapping itself: every row lands whole.
  ASSERT_TRUE(con().scroll(cells::rect(0, 0, 9, 3), nullptr, {0, 2}, platform::Cell{'.', 0x20}));
  EXPECT_EQ(text(1, 1, 10), "..........");
  EXPECT_EQ(text(2, 1, 10), "..........");
  EXPECT_EQ(text(3, 1, 10), "aaaaaaaaaa");
  EXPECT_EQ(text(6, 1, 10), "dddddddddd");
  EXPECT_EQ(attr(1, 1), 0x20);
  EXPECT_EQ(attr(3, 1), 0x07);

  // Right by three within the rows themselves, with a clip: only cells inside it change.
  platform::Rect clip = cells::rect(0, 2, 7, 3);
  ASSERT_TRUE(con().scroll(cells::rect(0, 2, 9, 3), &clip, {3, 2}, platform::Cell{'-', 7}));
  EXPECT_EQ(text(3, 1, 10), "---aaaaaaa");
  EXPECT_EQ(text(4, 1, 10), "---bbbbbbb");
  EXPECT_EQ(text(5, 1, 10), "cccccccccc");

  // Up and left: the source cells the block leaves behind are filled, the others keep theirs.
  ASSERT_TRUE(con().scroll(cells::rect(2, 1, 9, 5), nullptr, {0, 0}, platform::Cell{' ', 7}));
  EXPECT_EQ(text(1, 1, 10), "..........");
  EXPECT_EQ(text(2, 1, 10), "-aaaaaaa  ");
  EXPECT_EQ(text(5, 1, 10), "dddddddd  ");
  EXPECT_EQ(text(6, 1, 10), "dd        ");

  EXPECT_FALSE(con().scroll(cells::rect(80, 0, 90, 5), nullptr, {0, 0}, platform::Cell{}));
}

}  // namespace
}  // namespace console_test
