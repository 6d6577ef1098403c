// The renderer's bytes, replayed into a terminal model, must show exactly the frame.
#include <gtest/gtest.h>

#include <random>

#include "platform/cp437.h"
#include "platform/posix/terminal/renderer.h"
#include "platform/posix/terminal/terminal_model.h"

namespace {

using platform::Cell;
using platform::posix::Frame;
using platform::posix::Renderer;
using posix_test::TerminalModel;

// The SGR colour a Windows colour number is drawn in, worked out from the two bit orders
// (Windows: bit 0 blue, bit 1 green, bit 2 red, bit 3 bright; SGR's eight: bit 0 red, bit 1
// green, bit 2 blue; the bright ones from 90, backgrounds ten above foregrounds).
int expected_sgr(int windows, bool background) {
  const int blue = windows & 1, green = (windows >> 1) & 1, red = (windows >> 2) & 1;
  const int base = (windows & 8) ? 90 : 30;
  return base + (background ? 10 : 0) + (red | green << 1 | blue << 2);
}

// Every cell of the model shows what the frame holds: glyph, background, and foreground
// where there is something to see.
// On an 8-bit terminal (the model reads bytes as ISO-8859-1) a glyph shows as itself when
// ISO-8859-1 has it, else as its ASCII stand-in.
void expect_shows(TerminalModel& term, const Frame& frame, bool utf8 = true) {
  for (int y = 0; y < frame.rows; ++y) {
    for (int x = 0; x < frame.cols; ++x) {
      const Cell& c = frame.at(x, y);
      const auto& m = term.at(x, y);
      uint32_t glyph = c.ch == 0 || c.ch == 255 ? ' ' : c.ch;
      uint32_t unicode = platform::cp437_to_unicode(static_cast<uint8_t>(glyph));
      if (utf8 || (unicode >= 0x20 && unicode < 0x7F) || (unicode >= 0xA0 && unicode <= 0xFF)) {
        glyph = unicode;
      } else {
        glyph = static_cast<uint8_t>(
            platform::posix::cp437_ascii_fallback(static_cast<uint8_t>(glyph)));
      }
      ASSERT_EQ(m.glyph, glyph) << "cell " << x << "," << y;
      ASSERT_EQ(m.bg, expected_sgr((c.attr >> 4) & 15, true)) << x << "," << y;
      if (glyph != ' ') {
        ASSERT_EQ(m.fg, expected_sgr(c.attr & 15, false)) << x << "," << y;
      }
    }
  }
  if (frame.cursor_visible) {
    EXPECT_TRUE(term.cursor_visible);
    EXPECT_EQ(term.x, frame.cursor_x);
    EXPECT_EQ(term.y, frame.cursor_y);
  } else {
    EXPECT_FALSE(term.cursor_visible);
  }
}

void put(Frame& f, int x, int y, uint16_t attr, const std::string& text) {
  for (char c : text) f.at(x++, y) = Cell{static_cast<uint8_t>(c), attr};
}

TEST(PosixRenderer, ColourNumbersMapToExplicitSgrCodes) {
  // Windows colours: bit 0 blue, bit 1 green, bit 2 red, bit 3 bright.
  EXPECT_EQ(platform::posix::sgr_foreground(0), 30);
  EXPECT_EQ(platform::posix::sgr_foreground(1), 34);   // blue
  EXPECT_EQ(platform::posix::sgr_foreground(4), 31);   // red
  EXPECT_EQ(platform::posix::sgr_foreground(6), 33);   // brown/yellow
  EXPECT_EQ(platform::posix::sgr_foreground(7), 37);   // light grey
  EXPECT_EQ(platform::posix::sgr_foreground(10), 92);  // light green
  EXPECT_EQ(platform::posix::sgr_foreground(11), 96);  // light cyan
  EXPECT_EQ(platform::posix::sgr_foreground(14), 93);  // yellow
  EXPECT_EQ(platform::posix::sgr_foreground(15), 97);  // white
  EXPECT_EQ(platform::posix::sgr_background(0), 40);   // black stays black
  EXPECT_EQ(platform::posix::sgr_background(9), 104);
  for (int colour = 0; colour < 16; ++colour) {
    EXPECT_EQ(platform::posix::sgr_foreground(colour), expected_sgr(colour, false)) << colour;
    EXPECT_EQ(platform::posix::sgr_background(colour), expected_sgr(colour, true)) << colour;
  }
}

TEST(PosixRenderer, FirstPaintAndChangesReplayExactly) {
  Frame f;
  f.resize(80, 50, Cell{' ', 0x07});
  put(f, 0, 0, 0x0E, "Numbers Cubed");
  put(f, 10, 3, 0x1F, "white on blue");
  put(f, 70, 4, 0x0A, "green edge");  // reaches the last column
  put(f, 0, 49, 0x0B, "bottom row, last cell:");
  f.at(79, 49) = Cell{'#', 0x0C};
  std::string glyphs = "\xAD\x9B\x0D\xC9\xCD\xBB\xB0\xDB\x00\xFF";
  put(f, 5, 6, 0x0F, glyphs);
  put(f, 0, 8, 0x70, std::string(80, ' '));  // a whole row of grey background
  f.cursor_visible = true;
  f.cursor_x = 12;
  f.cursor_y = 20;

  Renderer r(platform::posix::Charset::utf8());
  TerminalModel term(80, 50);
  std::string out;
  r.render(f, out);
  ASSERT_TRUE(term.feed(out)) << out;
  expect_shows(term, f);
  EXPECT_LT(out.size(), 600u);

  // A few changes: only they are sent.
  put(f, 10, 3, 0x1E, "yellow");
  put(f, 0, 0, 0x07, "       ");
  f.at(79, 49) = Cell{'!', 0x4F};
  f.cursor_y = 21;
  out.clear();
  r.render(f, out);
  ASSERT_TRUE(term.feed(out)) << out;
  expect_shows(term, f);
  EXPECT_LT(out.size(), 60u);

  // Nothing changed: nothing at all is sent.
  out.clear();
  r.render(f, out);
  EXPECT_EQ(out, "");

  // Hiding the cursor is one request.
  f.cursor_visible = false;
  r.render(f, out);
  EXPECT_EQ(out, "\x1b[?25l");
}

TEST(PosixRenderer, RandomEditsAlwaysLeaveTheTerminalShowingTheFrame) {
  std::mt19937 rng(12345);
  for (bool utf8 : {true, false}) {
    Frame f;
    f.resize(40, 12, Cell{' ', 0x07});
    Renderer r(utf8 ? platform::posix::Charset::utf8()
                    : platform::posix::Charset::named("ISO-8859-1"));
    TerminalModel term(40, 12);
    term.utf8 = utf8;
    for (int round = 0; round < 200; ++round) {
      int edits = static_cast<int>(rng() % 30);
      for (int e = 0; e < edits; ++e) {
        int x = static_cast<int>(rng() % 40), y = static_cast<int>(rng() % 12);
        int len = static_cast<int>(rng() % 20);
        uint16_t attr = static_cast<uint16_t>(rng() % 256);
        bool blanks = rng() % 3 == 0;
        for (int k = 0; k < len && x + k < 40; ++k) {
          f.at(x + k, y) = Cell{blanks ? uint8_t{' '} : static_cast<uint8_t>(rng() % 256), attr};
        }
      }
      f.cursor_visible = rng() % 2 == 0;
      f.cursor_x = static_cast<int>(rng() % 40);
      f.cursor_y = static_cast<int>(rng() % 12);
      if (round == 100) r.invalidate();  // a full repaint in the middle (terminal resized)
      std::string out;
      r.render(f, out);
      ASSERT_TRUE(term.feed(out)) << "round " << round;
      expect_shows(term, f, utf8);
      if (HasFatalFailure()) return;
    }
  }
}

TEST(PosixRenderer, EightBitTerminalsGetTheirCharsetAndNeverAControlByte) {
  Frame f;
  f.resize(12, 2, Cell{' ', 0x07});
  put(f, 0, 0, 0x07, "\x1b\x07\x0d\x9b\x85\xad\x7f\xc9\xb1");
  Renderer r(platform::posix::Charset::named("ISO-8859-1"));
  std::string out;
  r.render(f, out);
  // After the sequences the renderer itself sends, no ESC, BEL, CR or C1 byte remains: the
  // code page's glyphs are written in ISO-8859-1 (cent, a grave, inverted exclamation mark)
  // or as ASCII stand-ins.
  EXPECT_EQ(out.find('\x07'), std::string::npos);
  EXPECT_EQ(out.find('\x9b'), std::string::npos);
  EXPECT_EQ(out.find('\x85'), std::string::npos);
  EXPECT_NE(out.find("<*d\xa2\xe0\xa1^+#"), std::string::npos) << out;
}

TEST(PosixRenderer, WithoutBackgroundColourEraseColouredBlanksAreWritten) {
  platform::posix::TermCaps caps;
  caps.bce = false;
  std::mt19937 rng(777);
  Frame f;
  f.resize(40, 12, Cell{' ', 0x07});
  Renderer r(platform::posix::Charset::utf8());
  r.set_caps(caps);
  TerminalModel term(40, 12);
  term.bce = false;  // erasing gives the terminal's default background
  for (int round = 0; round < 100; ++round) {
    for (int e = 0; e < 10; ++e) {
      int x = static_cast<int>(rng() % 40), y = static_cast<int>(rng() % 12);
      uint16_t attr = static_cast<uint16_t>(rng() % 256);
      bool blanks = rng() % 2 == 0;
      for (int k = 0; k < static_cast<int>(rng() % 30) && x + k < 40; ++k) {
        f.at(x + k, y) = Cell{blanks ? uint8_t{' '} : static_cast<uint8_t>('a' + rng() % 26), attr};
      }
    }
    if (round == 50) r.invalidate();
    std::string out;
    r.render(f, out);
    ASSERT_TRUE(term.feed(out)) << "round " << round;
    expect_shows(term, f);  // every blank in its own background, white boxes included
    if (HasFatalFailure()) return;
  }
}

TEST(PosixRenderer, EightColourTerminalsShowBrightBackgroundsAsTheNearestOfTheEight) {
  using platform::posix::nearest_of_eight;
  EXPECT_EQ(nearest_of_eight(9), 1);   // bright blue: blue
  EXPECT_EQ(nearest_of_eight(12), 4);  // bright red: red
  EXPECT_EQ(nearest_of_eight(14), 6);  // yellow: brown
  EXPECT_EQ(nearest_of_eight(15), 7);  // white: light grey
  EXPECT_EQ(nearest_of_eight(8), 7);   // dark grey: light grey
  EXPECT_EQ(nearest_of_eight(3), 3);   // the eight stay themselves
  platform::posix::TermCaps caps;
  caps.colours = 8;
  caps.sixteen_colours = false;
  Frame f;
  f.resize(10, 1, Cell{' ', 0x07});
  put(f, 0, 0, 0x9E, "ab");  // yellow on bright blue
  put(f, 2, 0, 0xF0, "  ");  // white boxes
  Renderer r(platform::posix::Charset::utf8());
  r.set_caps(caps);
  TerminalModel term(10, 1);
  std::string out;
  r.render(f, out);
  ASSERT_TRUE(term.feed(out));
  EXPECT_EQ(term.at(0, 0).bg, 44);
  EXPECT_EQ(term.at(0, 0).fg, 33);  // one rule for foregrounds and backgrounds
  EXPECT_EQ(term.at(2, 0).bg, 47);
  EXPECT_EQ(out.find("\x1b[10"), std::string::npos) << out;  // no bright colour at all
  EXPECT_EQ(out.find("\x1b[9"), std::string::npos) << out;
}

}  // namespace
