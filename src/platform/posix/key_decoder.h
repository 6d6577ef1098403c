// Turns the bytes a terminal sends for key presses (xterm and VT sequences, UTF-8 or 8-bit
// characters) into the key events a Windows console gives: character, set-1 scan code of a US
// keyboard, virtual-key code and control-key state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/console.h"

namespace platform::posix {

class KeyDecoder {
 public:
  // `utf8`: the terminal sends UTF-8, mapped to code page 437; otherwise bytes are characters.
  explicit KeyDecoder(bool utf8 = true) : utf8_(utf8) {}

  // Decodes `n` bytes, appending a key-down event per key. Bytes that may be the start of a
  // longer sequence (a lone Esc, part of a sequence or of a UTF-8 character) wait for more.
  void feed(const uint8_t* data, size_t n, std::vector<InputEvent>& out);
  // True while bytes wait for the rest of a sequence.
  bool pending() const { return !buf_.empty(); }
  // No more bytes came in time: decodes the waiting bytes as they stand (a lone Esc is the
  // Esc key, Esc and a character is Alt and that character).
  void expire(std::vector<InputEvent>& out);
  void reset() { buf_.clear(); }

 private:
  // Decodes one key at the front of the buffer. Returns the bytes used, or 0 when the bytes
  // may continue (only when !final).
  size_t decode_one(bool final, std::vector<InputEvent>& out);
  // A character key at buf_[at]: sets `used` (0 = needs more bytes) and returns whether an
  // event was made.
  bool decode_char(size_t at, bool final, size_t& used, InputEvent& ev) const;
  size_t decode_csi(bool final, std::vector<InputEvent>& out);
  size_t decode_ss3(bool final, std::vector<InputEvent>& out);

  std::string buf_;
  bool utf8_;
};

// The event for one ASCII byte as typed on a US keyboard (control codes as Ctrl+key, 127 and
// 8 as Backspace, 13 Enter, 9 Tab, 27 Esc).
InputEvent key_for_ascii(uint8_t byte);

}  // namespace platform::posix
