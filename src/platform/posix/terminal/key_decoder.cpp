#include "platform/posix/terminal/key_decoder.h"

#include "platform/cp437.h"
#include "platform/keyboard_layout.h"

#include <algorithm>

namespace platform::posix {
namespace {

InputEvent make_key(uint8_t ch, uint16_t scan, uint16_t vk, uint32_t control) {
  InputEvent ev;
  ev.type = InputEvent::kKey;
  ev.key_down = true;
  ev.repeat = 1;
  ev.ch = ch;
  ev.scan_code = scan;
  ev.virtual_key = vk;
  ev.control = control;
  return ev;
}

// xterm modifier parameter: 1 + (1 Shift, 2 Alt, 4 Ctrl, 8 Meta).
uint32_t modifier_state(int param) {
  if (param < 2) return 0;
  int bits = param - 1;
  uint32_t state = 0;
  if (bits & 1) state |= kShift;
  if (bits & (2 | 8)) state |= kLeftAlt;
  if (bits & 4) state |= kLeftCtrl;
  return state;
}

// An extended (non-character) key by its final letter in CSI or SS3 form: arrows, Home, End,
// the keypad centre and F1-F4. Returns false for other letters.
bool letter_key(char final, uint32_t control, InputEvent& ev) {
  switch (final) {
    case 'A':
      ev = make_key(0, kScanUp, kVkUp, control | kEnhancedKey);
      return true;
    case 'B':
      ev = make_key(0, kScanDown, kVkDown, control | kEnhancedKey);
      return true;
    case 'C':
      ev = make_key(0, kScanRight, kVkRight, control | kEnhancedKey);
      return true;
    case 'D':
      ev = make_key(0, kScanLeft, kVkLeft, control | kEnhancedKey);
      return true;
    case 'H':
      ev = make_key(0, kScanHome, kVkHome, control | kEnhancedKey);
      return true;
    case 'F':
      ev = make_key(0, kScanEnd, kVkEnd, control | kEnhancedKey);
      return true;
    case 'E':
      ev = make_key(0, kScanPadCentre, kVkClear, control);
      return true;
    case 'P':
    case 'Q':
    case 'R':
    case 'S':
      ev = make_key(0, static_cast<uint16_t>(kScanF1 + (final - 'P')),
                    static_cast<uint16_t>(kVkF1 + (final - 'P')), control);
      return true;
    default:
      return false;
  }
}

// `CSI n ~` keys.
bool tilde_key(int n, uint32_t control, InputEvent& ev) {
  switch (n) {
    case 1:
    case 7:
      ev = make_key(0, kScanHome, kVkHome, control | kEnhancedKey);
      return true;
    case 2:
      ev = make_key(0, kScanInsert, kVkInsert, control | kEnhancedKey);
      return true;
    case 3:
      ev = make_key(0, kScanDelete, kVkDelete, control | kEnhancedKey);
      return true;
    case 4:
    case 8:
      ev = make_key(0, kScanEnd, kVkEnd, control | kEnhancedKey);
      return true;
    case 5:
      ev = make_key(0, kScanPageUp, kVkPrior, control | kEnhancedKey);
      return true;
    case 6:
      ev = make_key(0, kScanPageDown, kVkNext, control | kEnhancedKey);
      return true;
    default:
      break;
  }
  int f = 0;  // function key number
  if (n >= 11 && n <= 15) f = n - 10;
  if (n >= 17 && n <= 21) f = n - 11;
  if (n == 23 || n == 24) f = n - 12;
  if (f == 0) return false;
  uint16_t scan =
      f <= 10 ? static_cast<uint16_t>(kScanF1 + f - 1) : static_cast<uint16_t>(kScanF11 + f - 11);
  ev = make_key(0, scan, static_cast<uint16_t>(kVkF1 + f - 1), control);
  return true;
}

// Keypad keys in application mode (SS3 j..y, M).
bool keypad_key(char final, InputEvent& ev) {
  static constexpr struct {
    char final;
    uint8_t ch, scan, vk;
  } kPad[] = {{'j', '*', kScanPadMultiply, kVkMultiply}, {'k', '+', kScanPadPlus, kVkAdd},
              {'m', '-', kScanPadMinus, kVkSubtract},    {'n', '.', kScanDelete, kVkDecimal},
              {'o', '/', us_key('/').scan, kVkDivide},  // an enhanced key
              {'p', '0', kScanInsert, kVkNumpad0},       {'q', '1', kScanEnd, kVkNumpad0 + 1},
              {'r', '2', kScanDown, kVkNumpad0 + 2},     {'s', '3', kScanPageDown, kVkNumpad0 + 3},
              {'t', '4', kScanLeft, kVkNumpad0 + 4},     {'u', '5', kScanPadCentre, kVkNumpad0 + 5},
              {'v', '6', kScanRight, kVkNumpad0 + 6},    {'w', '7', kScanHome, kVkNumpad0 + 7},
              {'x', '8', kScanUp, kVkNumpad0 + 8},       {'y', '9', kScanPageUp, kVkNumpad0 + 9}};
  if (final == 'M') {
    ev = make_key(13, kScanEnter, kVkReturn, kEnhancedKey);
    return true;
  }
  for (const auto& k : kPad) {
    if (k.final == final) {
      ev = make_key(k.ch, k.scan, k.vk, k.final == 'o' ? kEnhancedKey : 0u);
      return true;
    }
  }
  return false;
}

}  // namespace

InputEvent key_for_ascii(uint8_t b) {
  if (b == 127) b = 8;  // the Backspace key as most terminals send it
  if (b >= 128) return make_key(b, 0, 0, 0);
  UsKey key = us_key(b);
  uint32_t control = 0;
  if (key.scan == 0) {
    // A control code is Ctrl and the key of a letter (1-26) or of @ \ ] ^ _ (0, 28-31).
    key = us_key(b >= 1 && b <= 26 ? static_cast<uint8_t>('a' + b - 1)
                                   : static_cast<uint8_t>(b + 0x40));
    control = kLeftCtrl;
  }
  if (key.shift) control |= kShift;
  return make_key(b, key.scan, key.vk, control);
}

void KeyDecoder::feed(const uint8_t* data, size_t n, std::vector<InputEvent>& out) {
  for (size_t i = 0; i < n; ++i) feed_byte(data[i], out);
}

void KeyDecoder::feed_byte(uint8_t b, std::vector<InputEvent>& out) {
  if (in_string_) {
    if (!string_escape_) {
      if (b == 7) {
        in_string_ = false;  // BEL ends it
      } else if (b == 27) {
        string_escape_ = true;
      }
      return;  // the body: skipped, not kept
    }
    in_string_ = string_escape_ = false;
    if (b == '\\') return;  // Esc \ ends it
    // Esc and anything else: the string was cut off, and the Esc starts what follows.
    buf_.push_back('\x1b');
  }
  if (skipping_) {
    // The rest of an over-long sequence: its parameter and intermediate bytes and its final
    // byte go with it. Anything else ends it and is read as usual.
    if (b >= 0x20 && b <= 0x3F) return;
    skipping_ = false;
    if (b >= 0x40 && b <= 0x7E) return;
  }
  buf_.push_back(static_cast<char>(b));
  decode_buffer(out);
}

void KeyDecoder::decode_buffer(std::vector<InputEvent>& out) {
  size_t used;
  while (!buf_.empty() && (used = decode_one(false, out)) > 0) {
    buf_.erase(0, used);
    if (in_string_ && !buf_.empty()) {
      // Bytes already held after a string's start belong to its body.
      const std::string rest = std::move(buf_);
      buf_.clear();
      for (char c : rest) feed_byte(static_cast<uint8_t>(c), out);
      return;
    }
  }
}

void KeyDecoder::expire(std::vector<InputEvent>& out) {
  while (!buf_.empty()) {
    size_t used = decode_one(true, out);
    buf_.erase(0, used > 0 ? used : buf_.size());
    in_string_ = string_escape_ = false;
  }
  // A string or a broken sequence whose end never came is dropped with what came of it.
  skipping_ = false;
  in_string_ = string_escape_ = false;
}

int KeyDecoder::expire_after_ms() const {
  const bool begun = buf_.size() >= 2 && buf_[0] == '\x1b' && (buf_[1] == '[' || buf_[1] == 'O');
  return begun || skipping_ || in_string_ ? sequence_timeout_ms_ : escape_timeout_ms_;
}

int KeyDecoder::take_wheel() {
  int w = wheel_;
  wheel_ = 0;
  return w;
}

bool KeyDecoder::take_position_report(int& x, int& y) {
  if (positions_.empty()) return false;
  x = positions_.front().first;
  y = positions_.front().second;
  positions_.erase(positions_.begin());
  return true;
}

bool KeyDecoder::decode_char(size_t at, bool final, size_t& used, InputEvent& ev) const {
  uint8_t b = static_cast<uint8_t>(buf_[at]);
  if (b < 0x80) {
    used = 1;
    ev = key_for_ascii(b);
    return true;
  }
  if (!utf8_) {
    used = 1;
    uint8_t ch = high_[b - 0x80];
    ev = ch < 0x80 ? key_for_ascii(ch) : make_key(ch, 0, 0, 0);
    return true;
  }
  size_t len = b >= 0xC2 && b <= 0xDF   ? 2
               : b >= 0xE0 && b <= 0xEF ? 3
               : b >= 0xF0 && b <= 0xF4 ? 4
                                        : 0;
  if (len == 0) {  // not a lead byte: dropped
    used = 1;
    return false;
  }
  uint32_t cp = b & (0x7F >> len);
  for (size_t i = 1; i < len; ++i) {
    if (at + i >= buf_.size()) {
      used = final ? buf_.size() - at : 0;  // a cut-off character is dropped
      return false;
    }
    uint8_t c = static_cast<uint8_t>(buf_[at + i]);
    if ((c & 0xC0) != 0x80) {  // broken sequence: drop the lead byte, decode the rest anew
      used = 1;
      return false;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  used = len;
  int byte = cp437_from_unicode(cp);
  if (byte < 0) byte = '?';  // as a Windows console reports characters its code page lacks
  ev = byte < 0x80 ? key_for_ascii(static_cast<uint8_t>(byte))
                   : make_key(static_cast<uint8_t>(byte), 0, 0, 0);
  return true;
}

size_t KeyDecoder::decode_one(bool final, std::vector<InputEvent>& out) {
  if (static_cast<uint8_t>(buf_[0]) != 27) {
    size_t used = 0;
    InputEvent ev;
    if (decode_char(0, final, used, ev)) out.push_back(ev);
    return used;
  }
  if (buf_.size() < 2) {
    if (!final) return 0;
    out.push_back(key_for_ascii(27));
    return 1;
  }
  char next = buf_[1];
  if (next == ']' || next == 'P' || next == '_' || next == '^' || next == 'X') {
    in_string_ = true;  // OSC, DCS, APC, PM or SOS: its body is skipped up to its end
    string_escape_ = false;
    return 2;
  }
  if (next == '[' || next == 'O') {
    size_t used = next == '[' ? decode_csi(out) : decode_ss3(out);
    if (used > 0) return used;
    if (!final) return 0;
    // Cut off by the timeout. Esc and the bracket or O alone were Alt and that key; a
    // sequence begun and never finished is dropped.
    if (buf_.size() > 2) return buf_.size();
  } else if (next == 27) {  // Esc pressed twice
    out.push_back(key_for_ascii(27));
    return 1;
  }
  // Esc and a character: the character with Alt.
  size_t used = 0;
  InputEvent ev;
  bool made = decode_char(1, final, used, ev);
  if (used == 0) return 0;
  if (made) {
    ev.control |= kLeftAlt;
    out.push_back(ev);
  }
  return used + 1;
}

bool KeyDecoder::is_control(uint8_t c) {
  return c < 0x20 || c >= 0x7F;
}

// CSI [private marker] [params] [intermediates] final. Returns the bytes used, or 0 while the
// sequence may still be completed. A sequence broken by a control byte is dropped up to that
// byte, which is then read as a key of its own (it may be Esc starting the next sequence).
size_t KeyDecoder::decode_csi(std::vector<InputEvent>& out) {
  const size_t size = buf_.size();
  size_t i = 2;
  if (i >= size) return 0;
  if (buf_[i] == '[') {  // Linux console F1-F5: Esc [ [ A..E
    if (i + 1 >= size) return 0;
    uint8_t c = static_cast<uint8_t>(buf_[i + 1]);
    if (c >= 'A' && c <= 'E') {
      out.push_back(make_key(0, static_cast<uint16_t>(kScanF1 + (c - 'A')),
                             static_cast<uint16_t>(kVkF1 + (c - 'A')), 0));
    }
    return is_control(c) ? i + 1 : i + 2;
  }
  if (buf_[i] == 'M') {  // a mouse report in the original encoding: three bytes follow
    if (size < 6) return 0;
    note_mouse(static_cast<uint8_t>(buf_[3]) - 32, true);
    return 6;
  }
  char marker = 0;
  if (buf_[i] >= 0x3C && buf_[i] <= 0x3F) marker = buf_[i++];
  int params[4] = {0, 0, 0, 0};
  int count = 0;
  bool has_digit = false;
  bool intermediate = false;
  for (; i < size; ++i) {
    uint8_t c = static_cast<uint8_t>(buf_[i]);
    if (i >= kMaxSequence) {  // longer than any key or report: broken
      skipping_ = true;
      return size;
    }
    if (is_control(c)) return i;
    if (c >= 0x30 && c <= 0x3F) {
      if (intermediate) {  // a parameter after an intermediate: broken, and dropped with the rest
        skipping_ = true;
        return i + 1;
      }
      if (c <= '9') {
        // Larger numbers stop growing: past any key's number and any position.
        if (count < 4 && params[count] <= kMaxPosition) {
          params[count] = params[count] * 10 + (c - '0');
        }
        has_digit = true;
      } else if (c == ';') {
        ++count;
      } else {  // a private marker or ':' inside the parameters: not a key
        skipping_ = true;
        return i + 1;
      }
    } else if (c == '$' && marker == 0 && !intermediate && has_digit) {
      break;  // rxvt: a key with Shift, ending in $
    } else if (c >= 0x20 && c <= 0x2F) {
      intermediate = true;
    } else {
      break;  // the final byte
    }
  }
  if (i >= size) return 0;
  char fin = buf_[i];
  size_t used = i + 1;
  if (marker == '<' && (fin == 'M' || fin == 'm') && !intermediate) {
    note_mouse(params[0], fin == 'M');  // an SGR mouse report
    return used;
  }
  if (marker != 0 || intermediate) return used;  // replies and reports, not keys
  if (fin == 't') {                              // the window's position, in reply to a query
    if (params[0] == 3 && count == 2 && params[1] <= kMaxPosition && params[2] <= kMaxPosition &&
        positions_.size() < 8) {
      positions_.emplace_back(params[1], params[2]);
    }
    return used;
  }
  uint32_t control = modifier_state(count >= 1 ? params[1] : 0);
  InputEvent ev;
  switch (fin) {
    case '$':  // rxvt's forms of a tilde key: $ Shift, ^ Ctrl, @ Ctrl+Shift
      control |= kShift;
      [[fallthrough]];
    case '^':
      if (fin == '^') control |= kLeftCtrl;
      [[fallthrough]];
    case '@':
      if (fin == '@') control |= kLeftCtrl | kShift;
      [[fallthrough]];
    case '~':
      if (has_digit && tilde_key(params[0], control, ev)) out.push_back(ev);
      break;
    case 'Z':
      out.push_back(make_key(9, kScanTab, kVkTab, kShift | control));
      break;
    case 'a':  // rxvt: Shift and an arrow
    case 'b':
    case 'c':
    case 'd':
      if (!has_digit && letter_key(static_cast<char>(fin - 'a' + 'A'), kShift, ev)) {
        out.push_back(ev);
      }
      break;
    default:
      if (letter_key(fin, control, ev)) out.push_back(ev);
      break;
  }
  return used;  // unknown sequences are swallowed whole
}

// SS3 [modifier digits] final: F1-F4, the cursor keys in application mode, the keypad, and
// rxvt's Ctrl and an arrow (a..d).
size_t KeyDecoder::decode_ss3(std::vector<InputEvent>& out) {
  const size_t size = buf_.size();
  size_t i = 2;
  int modifier = 0;
  for (; i < size && buf_[i] >= '0' && buf_[i] <= '9'; ++i) {
    if (i >= kMaxSequence) {
      skipping_ = true;
      return size;
    }
    if (modifier < 100) modifier = modifier * 10 + (buf_[i] - '0');
  }
  if (i >= size) return 0;
  uint8_t fin = static_cast<uint8_t>(buf_[i]);
  if (is_control(fin)) return i;
  if (fin < 0x40) return i + 1;  // not a final byte: broken
  InputEvent ev;
  if (fin >= 'a' && fin <= 'd' && modifier == 0) {
    if (letter_key(static_cast<char>(fin - 'a' + 'A'), kLeftCtrl, ev)) out.push_back(ev);
  } else if (letter_key(static_cast<char>(fin), modifier_state(modifier), ev) ||
             keypad_key(static_cast<char>(fin), ev)) {
    out.push_back(ev);
  }
  return i + 1;
}

void KeyDecoder::note_mouse(int button, bool press) {
  // Only the wheel is used: 64 up, 65 down, with modifier bits 4, 8 and 16 added.
  if (!press || button < 0) return;
  int b = button & ~(4 | 8 | 16);
  if (b == 64) --wheel_;
  if (b == 65) ++wheel_;
  wheel_ = std::clamp(wheel_, -1000, 1000);
}

}  // namespace platform::posix
