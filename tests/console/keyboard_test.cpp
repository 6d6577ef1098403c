#include <string>

#include "console/console_harness.h"
#include "console/keyboard.h"
#include "console/screen.h"

namespace console_test {
namespace {

using namespace console;
using std::string;

constexpr uint32_t kCaps = platform::kCapsLock;
constexpr uint32_t kShift = platform::kShift;

string extended(uint8_t scan) {
  return string{'\0', static_cast<char>(scan)};
}

TEST_P(ConsoleTest, CapsLockCorrectionFixesTheDigitAndPunctuationKeysBothWays) {
  key('!', 0x02, kCaps);           // reported shifted without Shift
  key('1', 0x02, kCaps | kShift);  // reported unshifted with Shift
  key('a', 0x1E, kCaps);           // letters are never changed
  key('"', 0x28, kCaps);
  key('/', 0x35, kCaps | kShift);
  key('!', 0x02);         // Caps Lock off: as reported
  key('x', 0x02, kCaps);  // not the key's own character: as reported
  EXPECT_EQ(key_wait(), "1");
  EXPECT_EQ(key_wait(), "!");
  EXPECT_EQ(key_wait(), "a");
  EXPECT_EQ(key_wait(), "'");
  EXPECT_EQ(key_wait(), "?");
  EXPECT_EQ(key_wait(), "!");
  EXPECT_EQ(key_wait(), "x");
}

TEST_P(ConsoleTest, AltLettersAndKeysWithoutCharacterAreExtended) {
  key('x', 0x2D, platform::kLeftAlt);
  key(0, 0x3B);                          // F1
  key(0, 0x48, platform::kEnhancedKey);  // Up
  key(0, 0x44);                          // F10
  key(0, 0x58);                          // F12
  // AltGr arrives as right Alt with left Ctrl; on a letter key it counts as Alt+letter.
  key('@', 0x10, platform::kRightAlt | platform::kLeftCtrl);
  key('1', 0x02, platform::kLeftAlt);  // Alt on the digit row stays a character
  EXPECT_EQ(key_wait(), extended(45));
  EXPECT_EQ(key_wait(), extended(59));
  EXPECT_EQ(key_wait(), extended(72));
  EXPECT_EQ(key_wait(), extended(0x44));
  EXPECT_EQ(key_wait(), extended(0x58));
  EXPECT_EQ(key_wait(), extended(0x10));
  EXPECT_EQ(key_wait(), "1");
}

TEST_P(ConsoleTest, ModifiersReleasesAndOtherEventsAreSkipped) {
  key(0, 0x2A, kShift);  // Shift alone, down and up
  key(0, 0x1D, platform::kLeftCtrl);
  key(0, 0x3A, kCaps);
  release('q', 0x10);
  key('A', 0x1E, kShift);
  key(0, 0x01);  // Escape
  key('\r', 0x1C);
  key('\b', 0x0E);
  key(3, 0x2E, platform::kLeftCtrl);  // Ctrl+C is an ordinary character
  EXPECT_EQ(key_wait(), "A");
  EXPECT_EQ(key_wait(), "\x1b");
  EXPECT_EQ(key_wait(), "\r");
  EXPECT_EQ(key_wait(), "\b");
  EXPECT_EQ(key_wait(), "\x03");
}

TEST_P(ConsoleTest, ReadingWithoutWaiting) {
  EXPECT_EQ(key_read(), "");
  EXPECT_EQ(key_waiting(), 0);
  key(0, 0x2A, kShift);
  EXPECT_EQ(key_waiting(), 0);  // a modifier alone is no key
  key('k', 0x25);
  EXPECT_EQ(key_waiting(), -1);
  EXPECT_EQ(key_wait_waiting(), -1);
  EXPECT_EQ(key_read(), "k");  // still there: looking does not remove it
  EXPECT_EQ(key_read(), "");
}

TEST_P(ConsoleTest, WaitForACharacterDropsExtendedKeys) {
  key(0, 0x48);
  key('x', 0x2D, platform::kLeftAlt);
  key('z', 0x2C);
  EXPECT_EQ(key_wait_char(), 'z');
}

TEST_P(ConsoleTest, LineInputEditsWithBackspaceAndEndsOnEnter) {
  console_locate(5, 3);
  console_cursor(0);
  type("abc\bd\r");
  EXPECT_EQ(line_input(), "abd");
  EXPECT_EQ(text(5, 3, 4), "abd ");
  EXPECT_EQ(cursor_row(), 6);
  EXPECT_EQ(cursor_column(), 1);
  EXPECT_FALSE(cursor_shape().visible);  // shown while typing, hidden again after

  // Arrows, function keys, Escape and Tab are ignored; Backspace on an empty line does
  // nothing.
  type("\b");
  key(0, 0x4B);
  key(0, 0x3C);
  type("\x1b\tX\r");
  EXPECT_EQ(line_input(), "X");
  EXPECT_EQ(text(6, 1, 2), "X ");
}

TEST_P(ConsoleTest, LineInputBackspaceCrossesRowStarts) {
  console_locate(4, 79);
  type("pqr\b\b\r");
  EXPECT_EQ(line_input(), "p");
  EXPECT_EQ(text(4, 79, 2), "p ");
  EXPECT_EQ(ch(5, 1), ' ');

  // The echo fills the last cell of the buffer, then Backspace takes it back.
  console_locate(25, 79);
  type("st\bu\r");
  EXPECT_EQ(line_input(), "su");
  EXPECT_EQ(text(23, 79, 2), "su");  // Enter scrolled twice
  EXPECT_EQ(cursor_row(), 25);
}

TEST_P(ConsoleTest, LineInputKeepsAtMost10000Characters) {
  if (!reshape(80, 300, 80, 25)) return;
  type(string(9999, 'a') + "bZZ\r");
  string line = line_input();
  ASSERT_EQ(line.size(), 10000u);
  EXPECT_EQ(line.back(), 'b');
  // 10000 echoed cells: 125 full rows from row 1, nothing after them.
  EXPECT_EQ(ch(125, 80), 'b');
  EXPECT_EQ(ch(126, 1), ' ');
  EXPECT_EQ(cursor_row(), 127);
}

}  // namespace
}  // namespace console_test
