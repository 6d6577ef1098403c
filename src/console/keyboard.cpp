#include "console/keyboard.h"

#include <cstring>
#include <vector>

#include "console/console_access.h"
#include "console/screen.h"
#include "platform/keyboard_layout.h"

namespace console {
namespace {

constexpr uint32_t kAnyAlt = platform::kLeftAlt | platform::kRightAlt;

bool is_modifier(uint16_t scan) {
  switch (scan) {
    case platform::kScanCtrl:
    case platform::kScanLeftShift:
    case platform::kScanRightShift:
    case platform::kScanAlt:
    case platform::kScanCapsLock:
    case platform::kScanNumLock:
    case platform::kScanScrollLock:
      return true;
    default:
      return false;
  }
}

// Caps Lock may report the character of a digit or punctuation key in the wrong shift
// state: the character that key gives with the Shift state the event carries.
uint8_t caps_correct(uint8_t ch, uint16_t scan, uint32_t control) {
  if (!(control & platform::kCapsLock) || platform::us_letter_key(scan)) return ch;
  const platform::UsKeyCharacters key = platform::us_key_characters(scan);
  if (key.plain == 0 || key.shifted == 0) return ch;
  if (control & platform::kShift) {
    if (ch == key.plain) return key.shifted;
  } else if (ch == key.shifted) {
    return key.plain;
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
        if ((ev.control & kAnyAlt) && platform::us_letter_key(scan)) {
          return Key{2, static_cast<uint8_t>(scan)};
        }
        return Key{1, caps_correct(ev.ch, scan, ev.control)};
      }
      if (scan == platform::kScanEscape) return Key{1, 27};
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
