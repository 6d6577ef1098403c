// Key bytes from a terminal become the key events a Windows console gives, however the
// bytes are split when they arrive.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>

#include "platform/memory/console.h"
#include "platform/posix/terminal/key_decoder.h"

namespace {

using platform::InputEvent;
using platform::posix::KeyDecoder;
constexpr uint32_t kAlt = platform::kLeftAlt, kCtrl = platform::kLeftCtrl,
                   kShift = platform::kShift, kExt = platform::kEnhancedKey;

struct Key {
  int ch;
  int scan;
  uint32_t control;
};

std::string describe(const std::vector<InputEvent>& evs) {
  std::string s;
  for (const auto& e : evs) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "[ch %d scan %02X ctl %03X] ", e.ch, e.scan_code, e.control);
    s += buf;
  }
  return s;
}

std::string describe(const std::vector<Key>& keys) {
  std::string s;
  for (const auto& k : keys) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "[ch %d scan %02X ctl %03X] ", k.ch, k.scan, k.control);
    s += buf;
  }
  return s;
}

// Decodes `bytes` whole, in two pieces split at every position, and byte by byte; each way
// must give `want`. A trailing incomplete sequence is settled by the timeout.
void expect_keys(const std::string& bytes, const std::vector<Key>& want, bool utf8 = true) {
  auto run = [&](const std::vector<size_t>& cuts) {
    KeyDecoder d(utf8);
    std::vector<InputEvent> out;
    size_t from = 0;
    for (size_t cut : cuts) {
      d.feed(reinterpret_cast<const uint8_t*>(bytes.data()) + from, cut - from, out);
      from = cut;
    }
    d.expire(out);
    return describe(out);
  };
  const std::string expected = describe(want);
  EXPECT_EQ(run({bytes.size()}), expected) << "whole: " << bytes;
  for (size_t k = 1; k < bytes.size(); ++k) {
    EXPECT_EQ(run({k, bytes.size()}), expected) << "split at " << k << ": " << bytes;
  }
  std::vector<size_t> each;
  for (size_t k = 1; k <= bytes.size(); ++k) each.push_back(k);
  EXPECT_EQ(run(each), expected) << "byte by byte: " << bytes;
}

TEST(PosixKeyDecoder, CharactersCarryUsLayoutScanCodesAndShift) {
  expect_keys("a", {{'a', 0x1E, 0}});
  expect_keys("A", {{'A', 0x1E, kShift}});
  expect_keys("x1!", {{'x', 0x2D, 0}, {'1', 0x02, 0}, {'!', 0x02, kShift}});
  expect_keys(" ~?", {{' ', 0x39, 0}, {'~', 0x29, kShift}, {'?', 0x35, kShift}});
}

// Every printable character, as a US keyboard types it: the decoder and the memory console
// (the test double the application tests type through) must give the same event, and both
// the key of the keyboard as drawn here, row by row.
TEST(PosixKeyDecoder, EveryPrintableCharacterAgreesWithTheMemoryConsoleAndTheKeyboard) {
  struct Row {
    int first_scan;
    const char* plain;
    const char* shifted;
  };
  const Row rows[] = {{0x02, "1234567890-=", "!@#$%^&*()_+"},
                      {0x10, "qwertyuiop[]", "QWERTYUIOP{}"},
                      {0x1E, "asdfghjkl;'`", "ASDFGHJKL:\"~"},
                      {0x2B, "\\zxcvbnm,./", "|ZXCVBNM<>?"},
                      {0x39, " ", ""}};
  // Virtual-key codes of the keys that are neither letter nor digit.
  const std::pair<char, int> punctuation_vk[] = {
      {'-', 0xBD}, {'=', 0xBB},  {'[', 0xDB}, {']', 0xDD}, {';', 0xBA}, {'\'', 0xDE},
      {'`', 0xC0}, {'\\', 0xDC}, {',', 0xBC}, {'.', 0xBE}, {'/', 0xBF}, {' ', 0x20}};
  auto expected_vk = [&](char plain) {
    if (plain >= 'a' && plain <= 'z') return plain - 'a' + 'A';
    if (plain >= '0' && plain <= '9') return static_cast<int>(plain);
    for (const auto& [c, vk] : punctuation_vk) {
      if (c == plain) return vk;
    }
    return -1;
  };
  auto show = [](const InputEvent& e) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "type %d down %d repeat %d ch %d scan %02X vk %02X ctl %03X",
                  e.type, e.key_down, e.repeat, e.ch, e.scan_code, e.virtual_key, e.control);
    return std::string(buf);
  };

  std::string seen;
  for (const Row& row : rows) {
    for (int i = 0; row.plain[i] != 0; ++i) {
      for (bool shift : {false, true}) {
        if (shift && row.shifted[0] == 0) continue;
        const char c = shift ? row.shifted[i] : row.plain[i];
        seen.push_back(c);
        SCOPED_TRACE(std::string("character ") + c);
        InputEvent want;
        want.ch = static_cast<uint8_t>(c);
        want.scan_code = static_cast<uint16_t>(row.first_scan + i);
        want.virtual_key = static_cast<uint16_t>(expected_vk(row.plain[i]));
        want.control = shift ? kShift : 0u;

        KeyDecoder d;
        std::vector<InputEvent> decoded;
        d.feed(reinterpret_cast<const uint8_t*>(&c), 1, decoded);
        ASSERT_EQ(decoded.size(), 1u);
        EXPECT_EQ(show(decoded[0]), show(want));

        platform::memory::MemoryConsole console;
        console.push_text(std::string_view(&c, 1));
        InputEvent typed;
        uint32_t n = 0;
        ASSERT_TRUE(console.read_input(typed, n));
        EXPECT_EQ(show(typed), show(want));
      }
    }
  }
  std::sort(seen.begin(), seen.end());
  std::string printable;
  for (char c = 0x20; c < 0x7F; ++c) printable.push_back(c);
  EXPECT_EQ(seen, printable);  // each printable character once
}

TEST(PosixKeyDecoder, EditingAndControlKeys) {
  expect_keys("\t", {{9, 0x0F, 0}});
  expect_keys("\r", {{13, 0x1C, 0}});
  expect_keys("\x7f", {{8, 0x0E, 0}});
  expect_keys("\x08", {{8, 0x0E, 0}});
  expect_keys("\x03", {{3, 0x2E, kCtrl}});   // Ctrl+C is a key, not a signal
  expect_keys("\x1a", {{26, 0x2C, kCtrl}});  // Ctrl+Z likewise
  // Ctrl with the keys of @ \ ] ^ _ (Shift where the character needs it), and Ctrl+J.
  expect_keys(std::string("\0\x1c\x1d\x1e\x1f\n", 6), {{0, 0x03, kCtrl | kShift},
                                                       {28, 0x2B, kCtrl},
                                                       {29, 0x1B, kCtrl},
                                                       {30, 0x07, kCtrl | kShift},
                                                       {31, 0x0C, kCtrl | kShift},
                                                       {10, 0x24, kCtrl}});
  expect_keys("\x1b[Z", {{9, 0x0F, kShift}});
}

TEST(PosixKeyDecoder, FunctionKeysInEveryEncoding) {
  expect_keys("\x1bOP\x1bOQ\x1bOR\x1bOS", {{0, 0x3B, 0}, {0, 0x3C, 0}, {0, 0x3D, 0}, {0, 0x3E, 0}});
  expect_keys("\x1b[11~\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~",
              {{0, 0x3B, 0}, {0, 0x3F, 0}, {0, 0x40, 0}, {0, 0x44, 0}, {0, 0x57, 0}, {0, 0x58, 0}});
  expect_keys("\x1b[[A\x1b[[E", {{0, 0x3B, 0}, {0, 0x3F, 0}});  // Linux console
  expect_keys("\x1b[1;2R\x1b[24;5~", {{0, 0x3D, kShift}, {0, 0x58, kCtrl}});
}

TEST(PosixKeyDecoder, CursorAndEditingBlockAreEnhancedKeys) {
  expect_keys("\x1b[A\x1b[B\x1b[C\x1b[D",
              {{0, 0x48, kExt}, {0, 0x50, kExt}, {0, 0x4D, kExt}, {0, 0x4B, kExt}});
  expect_keys("\x1bOA\x1bOD", {{0, 0x48, kExt}, {0, 0x4B, kExt}});
  expect_keys(
      "\x1b[H\x1b[1~\x1b[7~\x1b[F\x1b[4~",
      {{0, 0x47, kExt}, {0, 0x47, kExt}, {0, 0x47, kExt}, {0, 0x4F, kExt}, {0, 0x4F, kExt}});
  expect_keys("\x1b[2~\x1b[3~\x1b[5~\x1b[6~",
              {{0, 0x52, kExt}, {0, 0x53, kExt}, {0, 0x49, kExt}, {0, 0x51, kExt}});
  expect_keys("\x1b[1;5C\x1b[1;3A\x1b[3;2~",
              {{0, 0x4D, kExt | kCtrl}, {0, 0x48, kExt | kAlt}, {0, 0x53, kExt | kShift}});
}

TEST(PosixKeyDecoder, EscapeAloneByTimeoutAndAltAsEscapePrefix) {
  expect_keys("\x1b", {{27, 0x01, 0}});
  expect_keys("\x1b\x1b", {{27, 0x01, 0}, {27, 0x01, 0}});
  expect_keys("\x1bx", {{'x', 0x2D, kAlt}});
  expect_keys("\x1bZ", {{'Z', 0x2C, kAlt | kShift}});
  expect_keys("\x1b\x7f", {{8, 0x0E, kAlt}});
  expect_keys("\x1b[", {{'[', 0x1A, kAlt}});  // Alt+[ once nothing else follows
  expect_keys("\x1bO", {{'O', 0x18, kAlt | kShift}});

  // Without the timeout a lone Esc waits: it may begin a sequence. It waits the short
  // escape pause; a sequence once begun, a string or a broken sequence's rest wait longer.
  KeyDecoder d;
  std::vector<InputEvent> out;
  d.feed(reinterpret_cast<const uint8_t*>("\x1b"), 1, out);
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(d.pending());
  EXPECT_EQ(d.expire_after_ms(), KeyDecoder::kDefaultEscapeTimeoutMs);
  EXPECT_LT(KeyDecoder::kDefaultEscapeTimeoutMs, KeyDecoder::kDefaultSequenceTimeoutMs);
  for (const std::string begun : {"[", "O", "[3;16", "]11;rgb:", "P1$r", "_x\x1b"}) {
    KeyDecoder b;
    b.feed(reinterpret_cast<const uint8_t*>(("\x1b" + begun).data()), begun.size() + 1, out);
    EXPECT_TRUE(b.pending()) << begun;
    EXPECT_EQ(b.expire_after_ms(), KeyDecoder::kDefaultSequenceTimeoutMs) << begun;
  }
  EXPECT_TRUE(out.empty());
}

TEST(PosixKeyDecoder, Utf8InputMapsToCodePage437) {
  expect_keys("\xc3\xa9", {{130, 0, 0}});                       // é
  expect_keys("\xc2\xa1\xc2\xa2", {{173, 0, 0}, {155, 0, 0}});  // ¡ ¢
  expect_keys("\xe2\x82\xac", {{'?', 0x35, kShift}});           // € has no code page 437 byte
  expect_keys("\x1b\xc3\xa9", {{130, 0, kAlt}});
  expect_keys("\xff(", {{'(', 0x0A, kShift}});  // not UTF-8: the stray byte is dropped
  expect_keys("\xc3(", {{'(', 0x0A, kShift}});
  expect_keys("\xe9", {{0xE9, 0, 0}}, /*utf8=*/false);  // 8-bit terminals send the byte
}

TEST(PosixKeyDecoder, SequencesThatAreNotKeysAreSwallowed) {
  expect_keys("a\x1b[?1;2cb", {{'a', 0x1E, 0}, {'b', 0x30, 0}});  // a device reply
  expect_keys("\x1b[99~z", {{'z', 0x2C, 0}});                     // unknown key
  expect_keys("ab\x1b[Ac", {{'a', 0x1E, 0}, {'b', 0x30, 0}, {0, 0x48, kExt}, {'c', 0x2E, 0}});

  // Replies and strings, each between two keys that must come through alone: CSI with
  // private markers and intermediates, and OSC, DCS, APC, PM and SOS ended by BEL or ST.
  const Key a{'a', 0x1E, 0}, g{'g', 0x22, 0};
  for (const std::string reply : {
           "\x1b[>0;95;0c",                   // secondary device attributes
           "\x1b[?2026;2$y",                  // a mode report
           "\x1b[=1;2c",                      // tertiary attributes
           "\x1b]11;rgb:0000/0000/0000\x07",  // a colour report ended by BEL
           "\x1b]l my Xterm\x1b\\",           // a title report ended by ST
           "\x1bP1$r0 q\x1b\\",               // a DCS status reply
           "\x1bP>|XTerm(390)\x1b\\",         // the terminal's name
           "\x1b_Gi=1;OK\x1b\\",              // APC
           "\x1b^privacy\x07",                // PM
           "\x1bXstart of string\x1b\\",      // SOS
           "\x1b]\x1b\\",                     // empty
           "\x1b_\x1b\\",                     // empty, ended by ST
       }) {
    expect_keys("a" + reply + "g", {a, g});
  }
  // An Esc inside a string that does not end it cuts the string off and starts a key.
  expect_keys("\x1b]0;title\x1b[Ag", {{0, 0x48, kExt}, g});
  // The name-prompt case: a DCS reply amid typed letters leaves the letters alone.
  expect_keys("AB\x1bP1$r0 q\x1b\\CDE", {{'A', 0x1E, kShift},
                                         {'B', 0x30, kShift},
                                         {'C', 0x2E, kShift},
                                         {'D', 0x20, kShift},
                                         {'E', 0x12, kShift}});
  // A string that never ends is dropped at the pause with what came of it.
  expect_keys("a\x1b]11;rgb:00", {a});

  // Any length, without keeping the body.
  KeyDecoder d;
  std::vector<InputEvent> out;
  const std::string start = "\x1b]52;c;";
  d.feed(reinterpret_cast<const uint8_t*>(start.data()), start.size(), out);
  const std::string body(4096, 'Q');
  for (int i = 0; i < 256; ++i) {
    d.feed(reinterpret_cast<const uint8_t*>(body.data()), body.size(), out);
    ASSERT_EQ(d.pending_bytes(), 0u);
  }
  d.feed(reinterpret_cast<const uint8_t*>("\x07g"), 2, out);
  EXPECT_EQ(describe(out), describe(std::vector<Key>{g}));
  EXPECT_FALSE(d.pending());
}

TEST(PosixKeyDecoder, PositionRepliesAreReportedOnlyWithinReach) {
  struct Case {
    const char* bytes;
    bool reported;
    int x, y;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"\x1b[3;160;20t", true, 160, 20},
           {"\x1b[3;0;0t", true, 0, 0},
           {"\x1b[3;32767;32767t", true, 32767, 32767},
           {"\x1b[3;32768;5t", false, 0, 0},
           {"\x1b[3;99999999999;99999999999t", false, 0, 0},
           {"\x1b[3;5;999999999999999999999t", false, 0, 0},
           {"\x1b[3;5t", false, 0, 0},  // not a position
       }) {
    const std::string bytes = std::string("x") + c.bytes + "y";
    expect_keys(bytes, {{'x', 0x2D, 0}, {'y', 0x15, 0}});
    KeyDecoder d;
    std::vector<InputEvent> out;
    d.feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out);
    int x = -1, y = -1;
    EXPECT_EQ(d.take_position_report(x, y), c.reported) << c.bytes;
    if (c.reported) {
      EXPECT_EQ(x, c.x) << c.bytes;
      EXPECT_EQ(y, c.y) << c.bytes;
    }
  }
}

TEST(PosixKeyDecoder, RxvtModifierFormsMatchTheXtermForms) {
  // Esc [ n $ is Shift, ^ Ctrl, @ Ctrl+Shift; the same keys as Esc [ n ; 2/5/6 ~.
  expect_keys("\x1b[23$\x1b[23;2~", {{0, 0x57, kShift}, {0, 0x57, kShift}});
  expect_keys("\x1b[11^\x1b[11;5~", {{0, 0x3B, kCtrl}, {0, 0x3B, kCtrl}});
  expect_keys("\x1b[3@", {{0, 0x53, kExt | kCtrl | kShift}});
  expect_keys("\x1b[7$\x1b[8^", {{0, 0x47, kExt | kShift}, {0, 0x4F, kExt | kCtrl}});
  expect_keys("\x1b[5$x", {{0, 0x49, kExt | kShift}, {'x', 0x2D, 0}});  // nothing swallowed
  // Shift+arrow (Esc [ a..d) and Ctrl+arrow (Esc O a..d).
  expect_keys("\x1b[a\x1b[d\x1bOc",
              {{0, 0x48, kExt | kShift}, {0, 0x4B, kExt | kShift}, {0, 0x4D, kExt | kCtrl}});
}

TEST(PosixKeyDecoder, BrokenSequencesAreDroppedWholeAndNeverTyped) {
  // A control byte breaks a sequence at once; the byte is a key of its own.
  expect_keys("\x1b[\x01z", {{1, 0x1E, kCtrl}, {'z', 0x2C, 0}});
  expect_keys("\x1b[12\x1b[A", {{0, 0x48, kExt}});
  expect_keys("\x1b[[xq", {{'q', 0x10, 0}});
  expect_keys("\x1b[[\rq", {{13, 0x1C, 0}, {'q', 0x10, 0}});
  expect_keys("\x1bO\x7fq", {{8, 0x0E, 0}, {'q', 0x10, 0}});
  expect_keys("\x1bO1;q", {{'q', 0x10, 0}});
  expect_keys("\x1b[1 2Aq", {{'q', 0x10, 0}});
  // Cut off by the timeout after it began: dropped, not typed as characters.
  expect_keys("\x1b[12;", {});
  expect_keys("\x1bO5", {});

  // Decided without waiting: nothing stays pending after a broken sequence.
  KeyDecoder d;
  std::vector<InputEvent> out;
  const std::string bytes = "\x1b[[\x1b[\x02";
  d.feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out);
  EXPECT_FALSE(d.pending());
  EXPECT_EQ(describe(out), describe(std::vector<Key>{{2, 0x30, kCtrl}}));
}

TEST(PosixKeyDecoder, AnOverlongSequenceIsDroppedAndTheBufferStaysBounded) {
  std::string flood = "\x1b[" + std::string(100000, '1');
  KeyDecoder d;
  std::vector<InputEvent> out;
  for (char c : flood) {
    d.feed(reinterpret_cast<const uint8_t*>(&c), 1, out);
    ASSERT_LE(d.pending_bytes(), KeyDecoder::kMaxSequence + 1);
  }
  const std::string tail = ";5~ab";  // the rest of the broken sequence, then keys
  d.feed(reinterpret_cast<const uint8_t*>(tail.data()), tail.size(), out);
  EXPECT_EQ(describe(out), describe(std::vector<Key>{{'a', 0x1E, 0}, {'b', 0x30, 0}}));
  expect_keys(std::string("\x1b[") + std::string(40, '2') + "~x", {{'x', 0x2D, 0}});

  // A pause ends the rest of a broken sequence as it ends a lone Esc, so that the key
  // pressed after it is not taken for the sequence's final byte.
  for (const std::string& broken :
       {"\x1b[<" + std::string(300, '9'), "\x1b[" + std::string(4000, '1') + ";"}) {
    KeyDecoder r;
    std::vector<InputEvent> keys;
    for (size_t at = 0; at < broken.size(); at += 64) {
      const std::string piece = broken.substr(at, 64);
      r.feed(reinterpret_cast<const uint8_t*>(piece.data()), piece.size(), keys);
    }
    EXPECT_EQ(r.expire_after_ms(), KeyDecoder::kDefaultSequenceTimeoutMs);
    r.expire(keys);
    r.feed(reinterpret_cast<const uint8_t*>("f"), 1, keys);
    EXPECT_EQ(describe(keys), describe(std::vector<Key>{{'f', 0x21, 0}})) << broken.size();
  }
}

TEST(PosixKeyDecoder, MouseReportsGiveWheelStepsAndNoKeys) {
  KeyDecoder d;
  std::vector<InputEvent> out;
  // SGR reports: wheel up, wheel down twice (one with Ctrl), a click and its release; then
  // the original encoding's wheel down.
  const std::string bytes =
      "\x1b[<64;10;5M\x1b[<65;1;1M\x1b[<81;1;1M\x1b[<0;3;4M\x1b[<0;3;4mk\x1b[M\x61\x21\x21";
  for (char c : bytes) d.feed(reinterpret_cast<const uint8_t*>(&c), 1, out);
  EXPECT_EQ(d.take_wheel(), 2);
  EXPECT_EQ(d.take_wheel(), 0);
  EXPECT_EQ(describe(out), describe(std::vector<Key>{{'k', 0x25, 0}}));
}

TEST(PosixKeyDecoder, EightBitInputMapsThroughTheGivenTable) {
  std::array<uint8_t, 128> high{};
  high.fill('?');
  high[0xE9 - 0x80] = 130;  // é in ISO-8859-1 is é in code page 437
  KeyDecoder d(false, high);
  std::vector<InputEvent> out;
  const std::string bytes = "\xe9\xa4";
  d.feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out);
  EXPECT_EQ(describe(out), describe(std::vector<Key>{{130, 0, 0}, {'?', 0x35, kShift}}));
}

}  // namespace
