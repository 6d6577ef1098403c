#include "console/keyboard.h"

#include <array>
#include <cstring>
#include <vector>

#include "console/console_access.h"
#include "console/screen.h"

namespace console {
namespace {

// Keys whose character Caps Lock may report in the wrong shift state: the digit row and
// the punctuation keys, as scan code, unshifted character, shifted character.
constexpr std::array<uint8_t, 21> kCapsScan = {0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                                               0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x1A, 0x1B,
                                               0x27, 0x28, 0x29, 0x2B, 0x33, 0x34, 0x35};
constexpr std::array<uint8_t, 21> kCapsPlain = {'1', '2',  '3', '4',  '5', '6', '7',
                                                '8', '9',  '0', '-',  '=', '[', ']',
                                                ';', '\'', '`', '\\', ',', '.', '/'};
constexpr std::array<uint8_t, 21> kCapsShifted = {'!', '@', '#', '$', '%', '^', '&',
                                                  '*', '(', ')', '_', '+', '{', '}',
                                                  ':', '"', '~', '|', '<', '>', '?'};

constexpr uint32_t kAnyAlt = platform::kLeftAlt | platform::kRightAlt;

bool is_modifier(uint16_t scan) {
  switch (scan) {
    case 0x1D:  // Ctrl
    case 0x2A:  // left Shift
    case 0x36:  // right Shift
    case 0x38:  // Alt
    case 0x3A:  // Caps Lock
    case 0x45:  // Num Lock
    case 0x46:  // Scroll Lock
      return true;
    default:
      return false;
  }
}

bool is_letter_row(uint16_t scan) {
  return (scan >= 0x10 && scan <= 0x19) || (scan >= 0x1E && scan <= 0x26) ||
         (scan >= 0x2C && scan <= 0x32);
}

uint8_t caps_correct(uint8_t ch, uint16_t scan, uint32_t control) {
  if (!(control & platform::kCapsLock)) return ch;
  for (size_t i = 0; i < kCapsScan.size(); ++i) {
    if (kCapsScan[i] != scan) continue;
    if (control & platform::kShift) {
      if (ch == kCapsPlain[i]) return kCapsShifted[i];
    } else if (ch == kCapsShifted[i]) {
      return kCapsPlain[i];
    }
    return ch;
  }
  return ch;
}

struct Key {
  int kind = 0;  // 0 none, 1 character, 2 extended (code is the scan code)
  uint8_t code = 0;
};

// Classifies the next key event without removing it; events that are not key presses are
// removed on the way.
Key look() {
  platform::Console* con = input_console();
  if (!con) return {};
  for (;;) {
    platform::InputEvent ev;
    uint32_t count = 0;
    if (!con->peek_input(ev, count) || count == 0) return {};
    const uint16_t scan = ev.scan_code & 0xFF;
    bool discard = ev.type != platform::InputEvent::kKey || !ev.key_down;
    if (!discard) {
      if (ev.ch != 0) {
        if ((ev.control & kAnyAlt) && is_letter_row(scan)) {
          return Key{2, static_cast<uint8_t>(scan)};
        }
        return Key{1, caps_correct(ev.ch, scan, ev.control)};
      }
      if (scan == 1) return Key{1, 27};
      if (!is_modifier(scan)) return Key{2, static_cast<uint8_t>(scan)};
      discard = true;
    }
    con->read_input(ev, count);
  }
}

void remove_key() {
  platform::Console* con = input_console();
  platform::InputEvent ev;
  uint32_t count = 0;
  if (con) con->read_input(ev, count);
}

std::string key_text(const Key& key) {
  if (key.kind == 1) return std::string(1, static_cast<char>(key.code));
  if (key.kind == 2) return std::string{'\0', static_cast<char>(key.code)};
  return {};
}

void wait_a_moment() {
  if (platform::Console* con = input_console()) {
    con->wait_input(1);
  } else if (platform::System* sys = process()) {
    sys->sleep_ms(1);
  }
}

// Waits for the next key and removes it.
Key take_key() {
  for (;;) {
    wait_a_moment();
    const Key key = look();
    if (key.kind == 0) continue;
    remove_key();
    return key;
  }
}

// One cell back for Backspace: after the echo filled the last cell of the buffer (pending
// scroll), the last cell; else one column left, or the last column of the row above.
void cursor_back() {
  platform::Console* con = output_console();
  platform::BufferInfo info;
  if (!con || !con->get_buffer_info(info)) return;
  ScreenState& screen = screen_state();
  if (screen.pending_scroll) {
    screen.pending_scroll = false;
    console_locate(info.size.y, info.size.x);
  } else if (info.cursor.x > 0) {
    console_locate(info.cursor.y + 1, info.cursor.x);
  } else {
    console_locate(info.cursor.y, info.size.x);  // row 0 on the top row keeps the row
  }
}

constexpr size_t kLineMax = 10000;

}  // namespace

std::string key_read() {
  present();
  Key key = look();
  if (key.kind != 0) remove_key();
  return key_text(key);
}

int32_t key_waiting() {
  present();
  return look().kind != 0 ? -1 : 0;
}

int32_t key_wait_waiting() {
  present();
  while (look().kind == 0) wait_a_moment();
  return -1;
}

std::string key_wait() {
  present();
  return key_text(take_key());
}

int32_t key_wait_char() {
  present();
  for (;;) {
    const Key key = take_key();
    if (key.kind == 1 && key.code != 0) return key.code;
  }
}

std::string line_input() {
  cursor_show_for_duration();
  std::vector<char> line(kLineMax, 0);
  size_t length = 0;
  for (;;) {
    const int32_t ch = key_wait_char();
    if (ch == 8) {
      if (length > 0) {
        cursor_back();
        console_write(" ", 1);
        cursor_back();
        --length;
      }
    } else if (ch == 13) {
      break;
    } else if (ch < 32) {
      continue;
    } else if (length < kLineMax) {
      line[length] = static_cast<char>(ch);
      console_write(&line[length], 1);
      ++length;
    }
  }
  console_newline();
  std::string result(line.data(), length);
  cursor_restore();
  return result;
}

void key_flush() {
  if (platform::Console* con = input_console()) con->flush_input();
}

void pause_ms(int32_t milliseconds) {
  present();
  // A negative pause would be an endless sleep; it ends at once instead.
  if (milliseconds < 0) return;
  if (platform::System* sys = process()) sys->sleep_ms(static_cast<uint32_t>(milliseconds));
}

}  // namespace console
