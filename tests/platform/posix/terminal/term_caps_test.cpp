// Terminal capabilities from the terminfo entries of the terminals people use, and the
// refusal of those the console cannot draw on.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include <string>

#include "platform/posix/terminal/term_caps.h"

namespace {

using platform::posix::TermCaps;

class PosixTermCaps : public ::testing::Test {
 protected:
  void SetUp() override { fd_ = open("/dev/null", O_RDWR); }
  void TearDown() override { close(fd_); }
  bool load(const char* name, TermCaps& caps, std::string& why) {
    return TermCaps::from_terminfo(name, fd_, caps, why);
  }
  int fd_ = -1;
};

TEST_F(PosixTermCaps, EntriesSayWhatEachTerminalCanDo) {
  TermCaps caps;
  std::string why;
  unsetenv("COLORTERM");
  ASSERT_TRUE(load("xterm-256color", caps, why)) << why;
  EXPECT_TRUE(caps.bce);
  EXPECT_GE(caps.colours, 16);
  EXPECT_NE(caps.enter_screen.find("\x1b[?1049h"), std::string::npos);
  EXPECT_TRUE(caps.titles);
  EXPECT_TRUE(caps.cursor_shape);
  EXPECT_EQ(caps.cursor_reset, "\x1b[2 q");  // the entry's own (steady block), not "0 q"
  EXPECT_FALSE(caps.keypad_on.empty());

  // xterm's own 8-colour entry: xterm shows the sixteen colours, so the boxes stay white.
  ASSERT_TRUE(load("xterm", caps, why)) << why;
  EXPECT_EQ(caps.colours, 8);
  EXPECT_TRUE(caps.sixteen_colours);

  ASSERT_TRUE(load("screen-256color", caps, why)) << why;
  EXPECT_FALSE(caps.bce);  // erasing gives the default background
  EXPECT_TRUE(caps.titles);
  EXPECT_FALSE(caps.cursor_shape);
  EXPECT_EQ(caps.cursor_reset, "");

  ASSERT_TRUE(load("linux", caps, why)) << why;
  EXPECT_TRUE(caps.bce);
  EXPECT_EQ(caps.colours, 8);
  EXPECT_TRUE(caps.enter_screen.empty());  // no alternate screen
  EXPECT_FALSE(caps.titles);               // a title would show as text
  EXPECT_FALSE(caps.cursor_shape);
  EXPECT_FALSE(caps.hide_cursor.empty());
  EXPECT_FALSE(caps.sixteen_colours);
  setenv("COLORTERM", "truecolor", 1);  // a terminal emulator announcing itself
  ASSERT_TRUE(load("linux", caps, why)) << why;
  EXPECT_TRUE(caps.sixteen_colours);
  unsetenv("COLORTERM");
}

TEST_F(PosixTermCaps, TerminalsThatCannotMoveTheCursorOrAreUnknownAreRefused) {
  for (const char* name : {"dumb", "no-such-terminal-type", ""}) {
    TermCaps caps;
    std::string why;
    EXPECT_FALSE(load(name, caps, why)) << name;
    EXPECT_NE(why.find("TERM"), std::string::npos) << why;
    EXPECT_EQ(why.find('\n'), std::string::npos) << why;  // one line
  }
}

}  // namespace
