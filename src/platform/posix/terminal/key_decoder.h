// Turns the bytes a terminal sends for key presses (xterm and VT sequences, UTF-8 or 8-bit
// characters) into the key events a Windows console gives: character, set-1 scan code of a US
// keyboard, virtual-key code and control-key state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/console.h"

namespace platform::posix {

class KeyDecoder {
 public:
  // `utf8`: the terminal sends UTF-8, mapped to code page 437; otherwise each byte is one
  // character, bytes 128-255 mapped through `high` (code page 437 bytes; identity when
  // none is given).
  explicit KeyDecoder(bool utf8 = true) : utf8_(utf8) {
    for (int i = 0; i < 128; ++i) high_[i] = static_cast<uint8_t>(128 + i);
  }
  KeyDecoder(bool utf8, const std::array<uint8_t, 128>& high) : high_(high), utf8_(utf8) {}

  // Decodes `n` bytes, appending a key-down event per key. Bytes that may be the start of a
  // longer sequence (a lone Esc, part of a sequence or of a UTF-8 character) wait for more.
  // Terminal strings (OSC, DCS, APC, PM and SOS: Esc and ] P _ ^ or X, ended by BEL or
  // Esc \) and replies are skipped whole, however long: they are never keys, and their
  // bodies are not kept.
  void feed(const uint8_t* data, size_t n, std::vector<InputEvent>& out);
  // True while bytes wait for the rest of a sequence, or the rest of a string or of a broken
  // sequence is being skipped: each ends when nothing more comes in time (expire).
  bool pending() const { return !buf_.empty() || skipping_ || in_string_; }
  // Mouse wheel steps reported since the last call (negative: away from the user), which
  // arrive as mouse reports while the terminal reports the mouse.
  int take_wheel();
  // A window position report (Esc [ 3 ; x ; y t, the reply to a position query), oldest first.
  // A position no window can have (past kMaxPosition) is not reported.
  bool take_position_report(int& x, int& y);
  static constexpr int kMaxPosition = 32767;
  // No more bytes came in time: decodes the waiting bytes as they stand (a lone Esc is the
  // Esc key, Esc and a character is Alt and that character).
  void expire(std::vector<InputEvent>& out);
  // How long after the last byte the waiting bytes are decided as they stand (expire); the
  // reader of the terminal asks the decoder. A lone Esc (or part of a UTF-8 character) waits
  // the escape timeout: it is the Esc key when nothing follows it within that time. A
  // sequence begun (Esc [, Esc O, a string, the rest of a broken sequence) waits the longer
  // sequence timeout, so that a reply the terminal sends in pieces, as over a slow network,
  // is still read whole; past it, the part that came is dropped.
  int expire_after_ms() const;
  int escape_timeout_ms() const { return escape_timeout_ms_; }
  void set_escape_timeout_ms(int ms) { escape_timeout_ms_ = ms; }
  int sequence_timeout_ms() const { return sequence_timeout_ms_; }
  void set_sequence_timeout_ms(int ms) { sequence_timeout_ms_ = ms; }
  static constexpr int kDefaultEscapeTimeoutMs = 50;
  static constexpr int kDefaultSequenceTimeoutMs = 1000;
  // Drops the bytes waiting for the rest of a sequence (input flushed).
  void reset() {
    buf_.clear();
    skipping_ = false;
    in_string_ = string_escape_ = false;
  }

  // The most bytes a sequence may take; a longer one is broken, and dropped with the rest.
  static constexpr size_t kMaxSequence = 32;

  // --- Test seam ---
  // The bytes held for an unfinished sequence: never more than kMaxSequence and the byte
  // that broke it, whatever a terminal sends.
  size_t pending_bytes() const { return buf_.size(); }

 private:
  // Decodes one key at the front of the buffer. Returns the bytes used, or 0 when the bytes
  // may continue (only when !final).
  size_t decode_one(bool final, std::vector<InputEvent>& out);
  // A character key at buf_[at]: sets `used` (0 = needs more bytes) and returns whether an
  // event was made.
  bool decode_char(size_t at, bool final, size_t& used, InputEvent& ev) const;
  size_t decode_csi(std::vector<InputEvent>& out);
  size_t decode_ss3(std::vector<InputEvent>& out);
  void note_mouse(int button, bool press);
  void feed_byte(uint8_t b, std::vector<InputEvent>& out);
  // Decodes what the buffer holds; the bytes after a string's start go to the string.
  void decode_buffer(std::vector<InputEvent>& out);
  static bool is_control(uint8_t c);

  std::string buf_;
  std::array<uint8_t, 128> high_{};
  bool utf8_;
  bool skipping_ = false;
  bool in_string_ = false;      // inside a string's body, skipped up to its end
  bool string_escape_ = false;  // the body's last byte was Esc (a backslash ends it)
  int escape_timeout_ms_ = kDefaultEscapeTimeoutMs;
  int sequence_timeout_ms_ = kDefaultSequenceTimeoutMs;
  int wheel_ = 0;
  std::vector<std::pair<int, int>> positions_;
};

// The event for one ASCII byte as typed on a US keyboard (control codes as Ctrl+key, 127 and
// 8 as Backspace, 13 Enter, 9 Tab, 27 Esc).
InputEvent key_for_ascii(uint8_t byte);

}  // namespace platform::posix
