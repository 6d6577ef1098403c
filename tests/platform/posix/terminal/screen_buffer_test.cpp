// The in-process screen buffer behaves as a Windows console screen buffer does.
#include <gtest/gtest.h>

#include "platform/posix/terminal/screen_buffer.h"

namespace {

using platform::Cell;
using platform::Coord;
using platform::Rect;
using platform::posix::ScreenBuffer;

std::string row_text(const ScreenBuffer& b, int y) {
  std::string s;
  for (int x = 0; x < b.size().x; ++x) s.push_back(static_cast<char>(b.at(x, y).ch));
  return s;
}

void put(ScreenBuffer& b, int x, int y, const std::string& text, uint16_t attr = 7) {
  std::vector<Cell> cells;
  for (char c : text) cells.push_back({static_cast<uint8_t>(c), attr});
  Rect r{static_cast<int16_t>(x), static_cast<int16_t>(y),
         static_cast<int16_t>(x + static_cast<int>(text.size()) - 1), static_cast<int16_t>(y)};
  b.write_output(cells.data(), {static_cast<int16_t>(text.size()), 1}, {0, 0}, r);
}

TEST(PosixScreenBuffer, WriteOutputClipsToTheBufferAndReportsWhatWasWritten) {
  ScreenBuffer b({10, 3});
  std::vector<Cell> cells(6, Cell{'x', 0x1E});
  Rect r{7, 1, 12, 1};  // runs past the right edge
  ASSERT_TRUE(b.write_output(cells.data(), {6, 1}, {0, 0}, r));
  EXPECT_EQ(r.left, 7);
  EXPECT_EQ(r.right, 9);
  EXPECT_EQ(row_text(b, 1), "       xxx");
  EXPECT_EQ(b.at(9, 1).attr, 0x1E);

  // A region starting left of the buffer takes the source from further in.
  std::vector<Cell> abc = {{'a', 7}, {'b', 7}, {'c', 7}};
  r = {-1, 0, 1, 0};
  ASSERT_TRUE(b.write_output(abc.data(), {3, 1}, {0, 0}, r));
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(row_text(b, 0).substr(0, 3), "bc ");

  // The source corner picks the cells; a region outside the buffer writes nothing.
  r = {0, 2, 9, 2};
  ASSERT_TRUE(b.write_output(abc.data(), {3, 1}, {2, 0}, r));
  EXPECT_EQ(r.right, 0);
  EXPECT_EQ(row_text(b, 2), "c         ");
  r = {0, 5, 2, 5};
  EXPECT_FALSE(b.write_output(abc.data(), {3, 1}, {0, 0}, r));
  // A source corner before the block's start is refused rather than read before it.
  for (Coord from : {Coord{-1, 0}, Coord{0, -1}, Coord{3, 0}}) {
    r = {0, 1, 2, 1};
    EXPECT_FALSE(b.write_output(abc.data(), {3, 1}, from, r));
    EXPECT_LT(r.right, r.left);
  }
  EXPECT_EQ(row_text(b, 1), "       xxx");
}

TEST(PosixScreenBuffer, ScrollMovesTheWholeBufferAndFillsWhatIsUncovered) {
  ScreenBuffer b({5, 3});
  put(b, 0, 0, "aaaaa");
  put(b, 0, 1, "bbbbb");
  put(b, 0, 2, "ccccc");
  ASSERT_TRUE(b.scroll({0, 1, 4, 2}, nullptr, {0, 0}, Cell{' ', 0x20}));
  EXPECT_EQ(row_text(b, 0), "bbbbb");
  EXPECT_EQ(row_text(b, 1), "ccccc");
  EXPECT_EQ(row_text(b, 2), "     ");
  EXPECT_EQ(b.at(0, 2).attr, 0x20);

  // With a clip rectangle only the cells inside it change.
  Rect clip{0, 0, 2, 2};
  ASSERT_TRUE(b.scroll({0, 1, 4, 2}, &clip, {0, 0}, Cell{'.', 7}));
  EXPECT_EQ(row_text(b, 0), "cccbb");
  EXPECT_EQ(row_text(b, 1), "   cc");  // covered by the moved block, not filled
  EXPECT_EQ(row_text(b, 2), "...  ");

  EXPECT_FALSE(b.scroll({6, 0, 9, 2}, nullptr, {0, 0}, Cell{' ', 7}));
}

TEST(PosixScreenBuffer, FillsStopAtTheEndOfTheBuffer) {
  ScreenBuffer b({4, 2});
  uint32_t n = 0;
  ASSERT_TRUE(b.fill_chars('z', 100, {2, 1}, n));
  EXPECT_EQ(n, 2u);
  ASSERT_TRUE(b.fill_attrs(0x4F, 3, {3, 0}, n));
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(b.at(0, 1).attr, 0x4F);
  EXPECT_EQ(b.at(2, 1).attr, 7);
  EXPECT_FALSE(b.fill_chars('z', 1, {4, 0}, n));
  EXPECT_EQ(n, 0u);
}

TEST(PosixScreenBuffer, ResizeKeepsContentsAndHonoursTheWindow) {
  ScreenBuffer b({80, 25});
  put(b, 0, 0, "keep me");
  b.set_attr(0x1F);
  ASSERT_TRUE(b.set_cursor_position({79, 24}));
  ASSERT_TRUE(b.set_size({80, 300}));
  EXPECT_EQ(row_text(b, 0).substr(0, 7), "keep me");
  EXPECT_EQ(b.at(0, 299).attr, 0x1F);  // new cells are blanks in the current colours
  EXPECT_EQ(b.window().bottom, 24);

  // Smaller than the window: refused, nothing changes.
  EXPECT_FALSE(b.set_size({80, 20}));
  EXPECT_EQ(b.size().y, 300);

  ASSERT_TRUE(b.set_window(true, {0, 0, 79, 49}));
  ASSERT_TRUE(b.set_size({80, 50}));
  ASSERT_TRUE(b.set_window(true, {40, 0, 79, 9}));
  ASSERT_TRUE(b.set_size({60, 10}));
  EXPECT_EQ(b.cursor().x, 59);  // the cursor stays inside
  EXPECT_EQ(b.cursor().y, 9);
  EXPECT_EQ(b.window().left, 20);  // the window keeps its size and moves back inside
  EXPECT_EQ(b.window().right, 59);
  EXPECT_FALSE(b.set_size({0, 10}));
  EXPECT_FALSE(b.set_size({ScreenBuffer::kMaxSide, ScreenBuffer::kMaxSide}));  // too many cells
}

TEST(PosixScreenBuffer, WindowStaysInsideTheBufferAndFollowsTheCursor) {
  ScreenBuffer b({80, 50});
  EXPECT_FALSE(b.set_window(true, {0, 0, 80, 49}));
  EXPECT_FALSE(b.set_window(true, {5, 0, 4, 10}));
  ASSERT_TRUE(b.set_window(true, {0, 10, 79, 49}));  // an 80 x 40 view of the lowest rows
  ASSERT_TRUE(b.set_window(false, {0, -10, 0, -10}));
  EXPECT_EQ(b.window().top, 0);
  EXPECT_EQ(b.window().bottom, 39);
  ASSERT_TRUE(b.set_cursor_position({0, 45}));
  EXPECT_EQ(b.window().bottom, 45);
  EXPECT_EQ(b.window().top, 6);
  EXPECT_FALSE(b.set_cursor_position({80, 0}));
}

}  // namespace
