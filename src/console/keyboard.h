// Keyboard input: single keys as short strings (one character, or code 0 and the scan code
// for an extended key), line input with echo and Backspace, flushing and pauses.
#pragma once

#include <cstdint>
#include <string>

#include "platform/keyboard_layout.h"

namespace console {

// The scan codes that follow code 0 in the string of an extended key.
inline constexpr uint8_t kKeyF10 = platform::kScanF1 + 9;
inline constexpr uint8_t kKeyF12 = platform::kScanF11 + 1;
inline constexpr uint8_t kKeyRightArrow = platform::kScanRight;

std::string key_wait();
int32_t key_waiting();       // -1 when a key event is waiting, else 0
int32_t key_wait_waiting();  // waits until a key is waiting; -1
std::string key_read();      // the key, or empty when none is waiting
std::string line_input();
int32_t key_wait_char();
void key_flush();
void pause_ms(int32_t milliseconds);

}  // namespace console
