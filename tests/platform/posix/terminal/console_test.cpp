// The terminal console on a pseudo-terminal: what reaches the terminal, in how many writes,
// and how keys, titles, window requests and a hang-up are handled.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/posix/terminal/console.h"
#include "platform/posix/terminal/terminal_model.h"
#include "support/pty.h"

namespace {

using platform::Cell;
using platform::InputEvent;
using platform::Rect;
using platform::posix::PosixConsole;

class PosixConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test_support::open_pty(80, 25, master_, slave_));
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    ASSERT_TRUE(console_.attach(slave_, slave_, true));
    console_.set_escape_timeout_ms(30);
    drain();
  }
  void TearDown() override {
    console_.close();
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
  }

  // Everything the console has sent to the terminal so far.
  std::string drain() {
    std::string got;
    char buf[4096];
    pollfd pfd{master_, POLLIN, 0};
    while (poll(&pfd, 1, got.empty() ? 200 : 50) > 0) {
      ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<size_t>(n));
    }
    return got;
  }
  void type(const std::string& bytes) {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    pollfd pfd{slave_, POLLIN, 0};  // the terminal driver passes the bytes on
    ASSERT_EQ(poll(&pfd, 1, 2000), 1);
  }
  void put(int x, int y, const std::string& text, uint16_t attr) {
    std::vector<Cell> cells;
    for (char c : text) cells.push_back({static_cast<uint8_t>(c), attr});
    Rect r{static_cast<int16_t>(x), static_cast<int16_t>(y),
           static_cast<int16_t>(x + static_cast<int>(text.size()) - 1), static_cast<int16_t>(y)};
    console_.write_output(cells.data(), {static_cast<int16_t>(text.size()), 1}, {0, 0}, r);
  }
  std::string row(posix_test::TerminalModel& m, int y) {
    std::string s;
    for (int x = 0; x < m.cols; ++x) s.push_back(static_cast<char>(m.at(x, y).glyph));
    return s;
  }

  int master_ = -1;
  int slave_ = -1;
  PosixConsole console_;
};

TEST_F(PosixConsoleTest, EachFrameIsOneWriteAndAnUnchangedScreenSendsNothing) {
  platform::BufferInfo info;
  ASSERT_TRUE(console_.get_buffer_info(info));
  EXPECT_EQ(info.size.x, 80);  // the buffer starts as large as the terminal
  EXPECT_EQ(info.size.y, 25);

  posix_test::TerminalModel term(80, 25);
  put(0, 0, "Numbers Cubed", 0x0E);
  put(10, 5, "white on blue", 0x1F);
  console_.set_cursor_position({3, 7});
  uint64_t before = console_.terminal().write_calls();
  console_.present();
  EXPECT_EQ(console_.terminal().write_calls(), before + 1);
  ASSERT_TRUE(term.feed(drain()));
  EXPECT_EQ(row(term, 0).substr(0, 13), "Numbers Cubed");
  EXPECT_EQ(term.at(0, 0).fg, 93);
  EXPECT_EQ(term.at(10, 5).bg, 44);
  EXPECT_EQ(term.x, 3);
  EXPECT_EQ(term.y, 7);

  console_.present();
  EXPECT_EQ(console_.terminal().write_calls(), before + 1);
  EXPECT_EQ(drain(), "");

  // Waiting for a key brings the screen up to date first.
  put(0, 1, "x", 0x07);
  console_.wait_input(0);
  EXPECT_EQ(console_.terminal().write_calls(), before + 2);
  ASSERT_TRUE(term.feed(drain()));
  EXPECT_EQ(term.at(0, 1).glyph, static_cast<uint32_t>('x'));
}

TEST_F(PosixConsoleTest, KeysQueueUntilReadAndFlushDiscardsThem) {
  type("a\x1b[21~");
  InputEvent ev;
  uint32_t count = 0;
  ASSERT_TRUE(console_.peek_input(ev, count));
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(ev.ch, 'a');
  ASSERT_TRUE(console_.peek_input(ev, count));  // peeking leaves it
  EXPECT_EQ(ev.ch, 'a');
  ASSERT_TRUE(console_.read_input(ev, count));
  ASSERT_TRUE(console_.read_input(ev, count));
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(ev.scan_code, 0x44);  // F10
  ASSERT_TRUE(console_.read_input(ev, count));
  EXPECT_EQ(count, 0u);

  type("xyz");
  ASSERT_TRUE(console_.flush_input());
  ASSERT_TRUE(console_.peek_input(ev, count));
  EXPECT_EQ(count, 0u);

  // The terminal's interrupt character (Ctrl+C) arrives as character 3 with Ctrl held, as a
  // console with processed input off gives it, never as a signal; its suspend character is
  // left to the terminal, which stops the program with it.
  type("q\x03r");
  std::string keys;
  for (int i = 0; i < 4 && console_.read_input(ev, count) && count == 1; ++i) {
    keys += static_cast<char>(ev.ch);
    if (ev.ch == 3) {
      EXPECT_TRUE(ev.control & platform::kLeftCtrl);
    }
  }
  EXPECT_EQ(keys, "q\x03r");
  termios mode{};
  ASSERT_EQ(tcgetattr(slave_, &mode), 0);
  EXPECT_TRUE(mode.c_lflag & ISIG);
  EXPECT_EQ(mode.c_cc[VINTR], _POSIX_VDISABLE);
  EXPECT_EQ(mode.c_cc[VQUIT], _POSIX_VDISABLE);
  EXPECT_EQ(mode.c_cc[VSUSP], 0x1A);  // as the terminal had it
  EXPECT_FALSE(mode.c_lflag & (ICANON | ECHO));
}

TEST_F(PosixConsoleTest, LoneEscapeArrivesAfterTheTimeoutAndWaitingWakesOnAKey) {
  type("\x1b");
  InputEvent ev;
  uint32_t count = 0;
  ASSERT_TRUE(console_.peek_input(ev, count));
  EXPECT_EQ(count, 0u);  // it may still become a sequence
  console_.wait_input(1000);
  usleep(40000);
  ASSERT_TRUE(console_.read_input(ev, count));
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(ev.ch, 27);
  EXPECT_EQ(ev.scan_code, 1);

  type("q");
  auto start = std::chrono::steady_clock::now();
  console_.wait_input(5000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// A modal box (the print dialog) is an overlay of cells: drawn above the screen in its
// colours with the cursor hidden, its characters shown as themselves (control characters as
// '?', so that a printer's name cannot send the terminal a sequence), the screen beneath
// back once it closes. It reads keys from the one queue, one at a time and in the order typed:
// keys typed ahead of it are its own, and the keys after the one that closes it stay queued.
TEST_F(PosixConsoleTest, AnOverlayIsDrawnAboveTheScreenAndTakenAwayAgain) {
  put(0, 0, "beneath the box", 0x1E);
  console_.set_cursor_position({2, 0});
  console_.present();
  posix_test::TerminalModel term(80, 25);
  ASSERT_TRUE(term.feed(drain()));
  EXPECT_TRUE(term.cursor_visible);

  platform::posix::Overlay box(4, 0, 6, 2, {U' ', 0x70});
  box.at(0, 0).ch = U'\u250C';
  box.at(1, 0) = {U'\u2026', 0x1F};
  box.at(2, 0).ch = U'\x1b';
  box.at(3, 0).ch = U'\u00e9';
  box.at(4, 0).ch = U'a';
  console_.show_overlay(box);
  ASSERT_TRUE(term.feed(drain()));
  EXPECT_FALSE(term.cursor_visible);
  EXPECT_EQ(row(term, 0).substr(0, 4), "bene");
  EXPECT_EQ(term.at(4, 0).glyph, 0x250Cu);
  EXPECT_EQ(term.at(5, 0).glyph, 0x2026u);
  EXPECT_EQ(term.at(5, 0).fg, 97);
  EXPECT_EQ(term.at(5, 0).bg, 44);
  EXPECT_EQ(term.at(6, 0).glyph, static_cast<uint32_t>('?'));
  EXPECT_EQ(term.at(7, 0).glyph, 0xE9u);
  EXPECT_EQ(term.at(8, 0).glyph, static_cast<uint32_t>('a'));
  EXPECT_EQ(term.at(8, 0).fg, 30);
  EXPECT_EQ(term.at(9, 1).bg, 47);
  EXPECT_EQ(row(term, 0).substr(10, 5), "e box");

  type("a");
  platform::InputEvent ev;
  uint32_t count = 0;
  ASSERT_TRUE(console_.peek_input(ev, count));  // already queued when the box asks
  type("\x1b[B\ryq");                           // Down, Enter (closes the box), then more
  std::optional<InputEvent> key;
  std::string seen;
  while (console_.read_modal_key(key, 0) && key) {
    seen += key->virtual_key == 0x28 ? 'v' : static_cast<char>(key->ch);
    if (key->ch == '\r') break;
  }
  EXPECT_EQ(seen, "av\r");

  console_.close_overlay();
  ASSERT_TRUE(term.feed(drain()));
  EXPECT_EQ(row(term, 0).substr(0, 15), "beneath the box");
  EXPECT_EQ(term.at(5, 0).fg, 93);
  EXPECT_TRUE(term.cursor_visible);
  for (char want : {'y', 'q'}) {  // typed after the closing key: the next screen's
    ASSERT_TRUE(console_.read_input(ev, count));
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(ev.ch, want);
  }
  // Nothing typed: the box's wait ends with no key.
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(console_.read_modal_key(key, 30));
  EXPECT_FALSE(key.has_value());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// Replies from the terminal never reach the program as keys, whether they come whole or in
// pieces with pauses between them longer than the Esc pause; a started sequence whose end
// never comes is dropped after the longer bound, and the key after it is a key.
TEST_F(PosixConsoleTest, RepliesInPiecesAreNeverKeys) {
  // The program's own bound for a sequence's end (1 s): far above the pauses below, so that
  // a busy machine does not end a sequence early.
  std::string got;
  auto collect = [&](int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    InputEvent ev;
    uint32_t count = 0;
    while (std::chrono::steady_clock::now() < end) {
      console_.wait_input(10);
      while (console_.read_input(ev, count) && count == 1) got.push_back(static_cast<char>(ev.ch));
    }
  };
  // A position reply cut by a pause four times the Esc pause, amid typed letters.
  type("AB\x1b[3;16");
  collect(120);
  type("0;20tCDE");
  collect(60);
  EXPECT_EQ(got, "ABCDE");
  // A colour report and a DCS reply, each in pieces.
  got.clear();
  type("x\x1b]11;rgb:00");
  collect(100);
  type("00/0000/0000\x07y\x1bP1$r");
  collect(100);
  type("0 q\x1b\\z");
  collect(60);
  EXPECT_EQ(got, "xyz");
  // A sequence that never ends: dropped after the longer bound, and the next key is a key.
  got.clear();
  type("\x1b[3;");
  collect(1100);
  type("k");
  collect(60);
  EXPECT_EQ(got, "k");
  // A lone Esc is still the Esc key after the short pause.
  got.clear();
  type("\x1b");
  collect(100);
  EXPECT_EQ(got, "\x1b");
}

TEST_F(PosixConsoleTest, TitleIsRememberedAndSentWithoutControlBytes) {
  ASSERT_TRUE(console_.set_title("Cubes \xAD\x07!"));
  char buf[64];
  EXPECT_EQ(console_.get_title(buf, sizeof buf), 9u);
  EXPECT_STREQ(buf, "Cubes \xAD\x07!");
  EXPECT_EQ(console_.get_title(buf, 4), 3u);
  EXPECT_STREQ(buf, "Cub");
  console_.present();
  posix_test::TerminalModel term(80, 25);
  ASSERT_TRUE(term.feed(drain()));
  EXPECT_EQ(term.title, "Cubes \xC2\xA1!");
  // Marking the title and putting it back sends nothing new.
  console_.set_title("Cubes \xAD\x07!             ");
  console_.set_title("Cubes \xAD\x07!");
  console_.present();
  EXPECT_EQ(drain(), "");
}

TEST_F(PosixConsoleTest, ALargerWindowIsAskedForAndANoticeShownUntilItFits) {
  ASSERT_TRUE(console_.set_buffer_size({80, 50}));
  ASSERT_TRUE(console_.set_window_info(true, {0, 0, 79, 49}));
  EXPECT_FALSE(console_.set_window_info(true, {0, 0, 80, 49}));  // wider than the buffer
  put(0, 0, "top", 0x07);
  console_.present();
  const std::string first = drain();
  EXPECT_EQ(first.find("\x1b[8;"), std::string::npos);  // sent with a frame waited on
  InputEvent ev;
  uint32_t count = 0;
  ASSERT_TRUE(console_.peek_input(ev, count));
  posix_test::TerminalModel term(80, 25);
  ASSERT_TRUE(term.feed(first + drain()));
  ASSERT_FALSE(term.window_ops.empty());
  EXPECT_EQ(term.window_ops.back(), "\x1b[8;50;80t");
  EXPECT_EQ(row(term, 24).substr(0, 73),
            " The window is 80 x 25: make it at least 80 x 50 to see the whole screen ");
  EXPECT_EQ(row(term, 0).substr(0, 3), "top");

  platform::WindowHandle w = console_.find_window("marked");
  EXPECT_NE(w, 0u);
  ASSERT_TRUE(console_.set_window_pos(w, 160, 20, 0, 0, platform::kSwpNoSize));
  console_.present();
  ASSERT_TRUE(term.feed(drain()));
  ASSERT_GE(term.window_ops.size(), 3u);  // the position asked before and after the move
  EXPECT_EQ(term.window_ops[term.window_ops.size() - 3], "\x1b[13t");
  EXPECT_EQ(term.window_ops[term.window_ops.size() - 2], "\x1b[3;160;20t");
  EXPECT_EQ(term.window_ops.back(), "\x1b[13t");
  platform::WindowRect rect;
  ASSERT_TRUE(console_.get_window_rect(w, rect));
  EXPECT_EQ(rect.left, 160);
  EXPECT_EQ(rect.top, 20);
}

TEST_F(PosixConsoleTest, ASmallTerminalShowsThePartWithTheCursorAndTheWheelScrollsIt) {
  ASSERT_TRUE(console_.set_buffer_size({80, 50}));
  ASSERT_TRUE(console_.set_window_info(true, {0, 0, 79, 49}));
  for (int y = 0; y < 50; ++y) put(0, y, "row " + std::to_string(y), 0x07);
  posix_test::TerminalModel term(80, 25);
  console_.present();
  std::string bytes = drain();
  ASSERT_TRUE(term.feed(bytes));
  EXPECT_NE(bytes.find("\x1b[?1000h\x1b[?1006h"), std::string::npos);  // wheel reports on
  EXPECT_EQ(row(term, 0).substr(0, 6), "row 0 ");
  EXPECT_EQ(row(term, 24).substr(0, 24), " The window is 80 x 25: ");

  // A prompt far down: the view follows the cursor; the notice keeps the last row.
  put(0, 40, ">> NAME", 0x07);
  console_.set_cursor_position({7, 40});
  console_.present();
  ASSERT_TRUE(term.feed(drain()));
  EXPECT_EQ(row(term, 23).substr(0, 7), ">> NAME");
  EXPECT_EQ(term.y, 23);
  EXPECT_EQ(term.x, 7);
  EXPECT_TRUE(term.cursor_visible);
  EXPECT_EQ(row(term, 24).substr(0, 24), " The window is 80 x 25: ");

  // Two wheel steps up scroll six rows; a click is ignored; no key arrives.
  type("\x1b[<64;5;5M\x1b[<64;5;5M\x1b[<0;5;5M\x1b[<0;5;5m");
  InputEvent ev;
  uint32_t count = 0;
  ASSERT_TRUE(console_.peek_input(ev, count));
  EXPECT_EQ(count, 0u);
  console_.present();
  ASSERT_TRUE(term.feed(drain()));
  EXPECT_EQ(row(term, 0).substr(0, 7), "row 11 ");
  EXPECT_FALSE(term.cursor_visible);  // scrolled off the view
  // Writing without moving the cursor leaves the view; moving it brings the cursor back.
  put(0, 45, "elsewhere", 0x07);
  console_.present();
  ASSERT_TRUE(term.feed(drain()));
  EXPECT_EQ(row(term, 0).substr(0, 7), "row 11 ");
  console_.set_cursor_position({8, 40});
  console_.present();
  ASSERT_TRUE(term.feed(drain()));
  EXPECT_EQ(row(term, 23).substr(0, 7), ">> NAME");
  EXPECT_EQ(term.x, 8);

  // The screen cleared and the cursor homed below a farewell near the top: the view goes
  // back up far enough to show the rows above the cursor, not only the cursor's row.
  put(0, 3, "Thank you", 0x07);
  console_.set_cursor_position({0, 5});
  console_.present();
  ASSERT_TRUE(term.feed(drain()));
  EXPECT_EQ(row(term, 3).substr(0, 9), "Thank you");
  EXPECT_EQ(term.y, 5);

  // However narrow the terminal, its size stays readable on the notice row.
  for (int cols : {60, 30, 12}) {
    winsize narrow{};
    narrow.ws_col = static_cast<unsigned short>(cols);
    narrow.ws_row = 20;
    ASSERT_EQ(ioctl(master_, TIOCSWINSZ, &narrow), 0);
    posix_test::TerminalModel small(cols, 20);
    console_.present();
    ASSERT_TRUE(small.feed(drain()));
    std::string size = cols >= 24 ? std::to_string(cols) + " x 20" : std::to_string(cols) + "x20";
    EXPECT_NE(row(small, 19).find(size), std::string::npos) << row(small, 19);
    if (cols >= 24) {
      EXPECT_NE(row(small, 19).find("80 x 50"), std::string::npos);
    }
  }

  // Once the terminal is large enough the whole window shows and the mouse is left alone.
  winsize ws{};
  ws.ws_col = 80;
  ws.ws_row = 50;
  ASSERT_EQ(ioctl(master_, TIOCSWINSZ, &ws), 0);
  posix_test::TerminalModel big(80, 50);
  console_.present();
  bytes = drain();
  ASSERT_TRUE(big.feed(bytes));
  EXPECT_NE(bytes.find("\x1b[?1006l\x1b[?1000l"), std::string::npos);
  EXPECT_EQ(row(big, 0).substr(0, 6), "row 0 ");
  EXPECT_EQ(row(big, 49).substr(0, 7), "row 49 ");
  EXPECT_EQ(big.y, 5);
}

TEST_F(PosixConsoleTest, TheSizeFoundAtStartIsAskedForAtExitAndMovesOnlyWhenMade) {
  auto resize = [&](int cols, int rows) {
    winsize ws{};
    ws.ws_col = static_cast<unsigned short>(cols);
    ws.ws_row = static_cast<unsigned short>(rows);
    ASSERT_EQ(ioctl(master_, TIOCSWINSZ, &ws), 0);
    console_.present();
  };
  ASSERT_TRUE(console_.set_buffer_size({80, 50}));
  ASSERT_TRUE(console_.set_window_info(true, {0, 0, 79, 49}));
  EXPECT_EQ(console_.exit_requests(), "");  // nothing asked of the terminal yet
  console_.present();
  EXPECT_EQ(console_.exit_requests(), "");  // not yet: the program has not waited on it
  console_.wait_input(0);
  EXPECT_EQ(console_.exit_requests(), "\x1b[8;25;80t");  // asked: the start size at exit
  resize(80, 50);
  resize(100, 40);
  EXPECT_EQ(console_.exit_requests(), "\x1b[8;25;80t");

  // A move is undone only when the terminal reports having made it.
  platform::WindowHandle w = console_.own_window();
  ASSERT_TRUE(console_.set_window_pos(w, 160, 20, 0, 0, platform::kSwpNoSize));
  console_.present();
  type("\x1b[3;7;9t\x1b[3;160;20t");  // replies: the position before, and after the move
  InputEvent ev;
  uint32_t count = 0;
  ASSERT_TRUE(console_.peek_input(ev, count));
  EXPECT_EQ(count, 0u);  // the replies are not keys
  EXPECT_EQ(console_.exit_requests(), "\x1b[8;25;80t\x1b[3;7;9t");
  ASSERT_TRUE(console_.set_window_pos(w, 300, 20, 0, 0, platform::kSwpNoSize));
  console_.present();
  type("\x1b[3;160;20t");  // the terminal did not move this time
  ASSERT_TRUE(console_.peek_input(ev, count));
  EXPECT_EQ(console_.exit_requests(), "\x1b[8;25;80t");
  // A reply with a position no window can have is ignored: it never becomes the place the
  // window is put back to.
  console_.close();
  ASSERT_TRUE(console_.attach(slave_, slave_, true));
  drain();
  w = console_.own_window();
  ASSERT_TRUE(console_.set_window_pos(w, 160, 20, 0, 0, platform::kSwpNoSize));
  console_.present();
  type("\x1b[3;99999999999;99999999999t\x1b[3;7;9t\x1b[3;40000;1t\x1b[3;160;20t");
  ASSERT_TRUE(console_.peek_input(ev, count));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(console_.exit_requests(), "\x1b[3;7;9t");
}

TEST_F(PosixConsoleTest, ASizeAskedOnTheWayOutNeverReachesTheTerminal) {
  // The screen the program waits on is asked for; the console's usual size that it sets
  // after the last key, drawn by the last frame and the close, is not.
  ASSERT_TRUE(console_.set_buffer_size({80, 50}));
  ASSERT_TRUE(console_.set_window_info(true, {0, 0, 79, 49}));
  console_.wait_input(0);
  EXPECT_NE(drain().find("\x1b[8;50;80t"), std::string::npos);
  ASSERT_TRUE(console_.set_window_info(true, {0, 0, 79, 24}));
  ASSERT_TRUE(console_.set_buffer_size({80, 25}));
  put(0, 0, "bye", 0x07);
  console_.present();
  console_.close();
  const std::string out = drain();
  EXPECT_EQ(out.find("\x1b[8;"), std::string::npos) << out;
  EXPECT_NE(out.find("bye"), std::string::npos);  // the last frame itself is drawn
}

TEST_F(PosixConsoleTest, LongCapabilityStringsAreSentWholeOnTakingAndGivingBack) {
  // Every byte of the strings that set the terminal up and put it back arrives, however long
  // the entry makes them: a cut leave sequence would leave auto-wrap off and the alternate
  // screen on.
  platform::posix::TermCaps caps;
  caps.keypad_on = "\x1b[?1h" + std::string(700, 'k');
  caps.keypad_off = "\x1b[?1l" + std::string(900, 'x');
  PosixConsole other;
  ASSERT_TRUE(other.attach(slave_, slave_, platform::posix::Charset::utf8(), caps));
  std::string out = drain();
  EXPECT_NE(out.find(caps.keypad_on + "\x1b[?7l"), std::string::npos);
  other.close();
  out = drain();
  const size_t off = out.find(caps.keypad_off + "\x1b[?7h");
  ASSERT_NE(off, std::string::npos) << out.size();
  EXPECT_NE(out.find(caps.leave_screen, off), std::string::npos);
}

TEST_F(PosixConsoleTest, CursorShapeFollowsTheConsoleCursorInfo) {
  platform::CursorInfo info;
  ASSERT_TRUE(console_.get_cursor_info(info));
  EXPECT_EQ(info.size, 25u);
  EXPECT_TRUE(info.visible);
  EXPECT_FALSE(console_.set_cursor_info({0, true}));
  EXPECT_FALSE(console_.set_cursor_info({101, true}));
  ASSERT_TRUE(console_.set_cursor_info({99, true}));
  console_.present();
  posix_test::TerminalModel term(80, 25);
  ASSERT_TRUE(term.feed(drain()));
  EXPECT_EQ(term.cursor_style, 1);  // a block
  EXPECT_TRUE(term.cursor_visible);
  ASSERT_TRUE(console_.set_cursor_info({99, false}));
  console_.present();
  ASSERT_TRUE(term.feed(drain()));
  EXPECT_FALSE(term.cursor_visible);
}

TEST_F(PosixConsoleTest, AHungUpTerminalGivesNoKeysAndDoesNotSpin) {
  type("ab");  // queued before the hang-up: still read, the modal box's first
  InputEvent ev;
  uint32_t count = 5;
  ASSERT_TRUE(console_.peek_input(ev, count));
  close(master_);
  master_ = -1;
  std::optional<InputEvent> key;
  ASSERT_TRUE(console_.read_modal_key(key, 0));
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(key->ch, 'a');
  ASSERT_TRUE(console_.read_input(ev, count));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(ev.ch, 'b');
  EXPECT_FALSE(console_.read_modal_key(key, 0));  // then the box hears of the hang-up
  EXPECT_FALSE(key.has_value());
  ASSERT_TRUE(console_.peek_input(ev, count));
  EXPECT_EQ(count, 0u);
  auto start = std::chrono::steady_clock::now();
  console_.wait_input(50);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
}

}  // namespace
