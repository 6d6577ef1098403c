// Keyboard input: single keys as short strings (one character, or code 0 and the scan code
// for an extended key), line input with echo and Backspace, flushing and pauses.
#pragma once

#include <cstdint>
#include <string>

namespace console {

std::string key_wait();
int32_t key_waiting();       // -1 when a key event is waiting, else 0
int32_t key_wait_waiting();  // waits until a key is waiting; -1
std::string key_read();      // the key, or empty when none is waiting
std::string line_input();
int32_t key_wait_char();
void key_flush();
void pause_ms(int32_t milliseconds);

}  // namespace console
